// The list kinds: combo boxes and list boxes that show the choices of the
// current item (mode 1) or one line per setting of the row (mode 2), their
// state bitmaps and check icons, owner drawing, keys, commands and page
// events.
#include <cstdio>
#include <cstring>

#include "platform/gdi/screen_draw.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_memory.h"
#include "printer_interface/controls/kind_support.h"
#include "settings/choices/setting_choice_list.h"
#include "settings/conflicts/conflict_engine.h"

using namespace controls;

namespace {

constexpr UINT kStringNoSettings = 391;
constexpr int kDrawnChars = 128;

// The twin messages of the two controls.
struct ListMessages {
  UINT add, insert, remove, reset, setSelection, getSelection, getText, getTextLength, setData, getData, getCount,
      findExact;
  LRESULT error;
};
constexpr ListMessages kListBox{LB_ADDSTRING, LB_INSERTSTRING,    LB_DELETESTRING, LB_RESETCONTENT, LB_SETCURSEL,
                                LB_GETCURSEL, LB_GETTEXT,         LB_GETTEXTLEN,   LB_SETITEMDATA,  LB_GETITEMDATA,
                                LB_GETCOUNT,  LB_FINDSTRINGEXACT, LB_ERR};
constexpr ListMessages kComboBox{CB_ADDSTRING, CB_INSERTSTRING,    CB_DELETESTRING, CB_RESETCONTENT, CB_SETCURSEL,
                                 CB_GETCURSEL, CB_GETLBTEXT,       CB_GETLBTEXTLEN, CB_SETITEMDATA,  CB_GETITEMDATA,
                                 CB_GETCOUNT,  CB_FINDSTRINGEXACT, CB_ERR};

const ListMessages& MessagesOf(BOOL isCombo) { return isCombo ? kComboBox : kListBox; }

bool Failed(LRESULT r) { return r == LB_ERR || r == LB_ERRSPACE; }

// Mode-2 lines carry the row's item index above the image id.
LONG_PTR LineData(INT item, UINT image) { return (static_cast<LONG_PTR>(item + 1) << 16) | image; }
INT LineItem(LONG_PTR data) { return static_cast<INT>((data >> 16) & 0xFFFF) - 1; }
UINT LineImage(LONG_PTR data) { return static_cast<UINT>(data & 0xFFFF); }

// The text before the last line feed (the name of a choice); the whole text without one.
void ChoiceName(const WCHAR* text, WCHAR* out, size_t room) {
  out[0] = 0;
  if (!text || room == 0) return;
  size_t n = 0, end = static_cast<size_t>(-1);
  for (; text[n]; ++n)
    if (text[n] == u'\n') end = n;
  if (end == static_cast<size_t>(-1)) end = n;
  if (end >= room) end = room - 1;
  std::memcpy(out, text, end * sizeof(WCHAR));
  out[end] = 0;
}

UINT StateImage(INT status) {
  if (status == 2 || status == 10 || status == 11) return kBitmapStateWarning;
  if (status == 3 || status == 5) return kBitmapStateNote;
  return 0;
}

UINT CheckImage(uint64_t value) { return value != 0 ? kIconValueSet : kIconValueZero; }

bool IsShownStatus(INT status) { return status != kConflictStatusDisabled && status != kConflictStatusHidden; }

const void* EngineValue(SettingValueType type, const uint64_t* value) {
  if (type != kSettingTypeText) return value;
  return reinterpret_cast<const void*>(static_cast<uintptr_t>(*value));
}

// The constraints of every choice of the current item, into each choice's result.
bool EvaluateChoices(HandlerContext* context, const ControlRow* row) {
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  ChoiceConstraintRecord* record = slot ? FindConstraintRecord(context->sheet, slot->settingId) : nullptr;
  if (!list || !record) return false;
  for (INT i = 0; i < list->count && i < record->count; ++i) {
    ResetConstraintResult(record->choices[i]);
    if (CheckSettingConflicts(kConflictModeAvailable, context->window, context->model, context->devMode,
                              context->settings, nullptr, slot->settingId, list->valueType,
                              EngineValue(list->valueType, &list->items[i].value), record->choices[i],
                              nullptr) != kConflictCheckOk)
      return false;
  }
  return true;
}

// The line of a mode-2 item: title and value text joined.
void SettingLine(HandlerContext* context, const ControlRow* row, const ListControlParams* params, INT item, WCHAR* out,
                 size_t room) {
  out[0] = 0;
  const SettingChoiceList* list = GetItemChoiceList(context, row, item);
  const ItemSlot* slot = GetItemSlot(context, row, item);
  WCHAR value[256] = {};
  if (list && slot && (params->textFlags & kListTextTab)) {
    if (list->kind == kChoiceKindFreeValue && slot->valueType == kSettingTypeText) {
      // A free text keeps its line feeds out of the line.
      const auto* text = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(slot->value));
      size_t n = 0;
      for (; text && text[n] && n < 255; ++n) value[n] = text[n] == u'\n' ? u' ' : text[n];
      value[n] = 0;
    } else {
      ChoiceName(GetChoiceItemText(list, slot->choiceIndex), value, 256);
    }
  }
  const WCHAR* title = (params->textFlags & kListTextName) && list && list->title ? list->title : u"";
  const bool tab = (params->textFlags & (kListTextName | kListTextTab)) == (kListTextName | kListTextTab);
  size_t n = 0;
  auto append = [&](const WCHAR* s) {
    for (; s && *s && n + 1 < room; ++s) out[n++] = *s;
  };
  append(title);
  if (tab) append(u"\t");
  append(value);
  out[n] = 0;
}

UINT SettingImage(HandlerContext* context, const ControlRow* row, const ListControlParams* params, INT item) {
  const ItemSlot* slot = GetItemSlot(context, row, item);
  if (!slot) return 0;
  if (params->flags & kListStateBitmaps) return StateImage(GetConstraintStatus(context->sheet, slot->settingId));
  if (params->flags & kListCheckIcons) return CheckImage(slot->value);
  return 0;
}

bool ItemShown(HandlerContext* context, const ControlRow* row, INT item) {
  const ItemSlot* slot = GetItemSlot(context, row, item);
  if (!slot || !slot->listHeld) return false;
  return IsShownStatus(GetConstraintStatus(context->sheet, slot->settingId));
}

int FillChoices(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                HWND control, BOOL rebuild) {
  const ListMessages& m = MessagesOf(isCombo);
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!list || !slot) {
    EnableWindow(control, FALSE);
    return 1;
  }
  if (GetContextPermission(context) == 1) ApplyRowControlState(context, row);
  const INT rowStatus = GetCurrentItemStatus(context, row);
  const bool rowShown = IsShownStatus(rowStatus);
  const INT current = slot->choiceIndex;
  WCHAR name[kPkMaxListLine] = {};
  auto currentLine = [&]() -> LRESULT {
    const WCHAR* text = GetChoiceItemText(list, current);
    if (!text || !IsShownStatus(GetChoiceStatus(context->sheet, slot->settingId, current))) return -1;
    if (!isCombo && !rowShown) return -1;
    ChoiceName(text, name, kPkMaxListLine);
    const LRESULT line = SendMessageW(control, m.findExact, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    return Failed(line) ? -1 : line;
  };
  if (!rebuild && !(params->flags & kListStateBitmaps)) {
    SendMessageW(control, m.setSelection, static_cast<WPARAM>(currentLine()), 0);
    return 1;
  }
  const LRESULT top = isCombo ? 0 : SendMessageW(control, LB_GETTOPINDEX, 0, 0);
  SendMessageW(control, m.reset, 0, 0);
  for (INT i = 0; i < list->count; ++i) {
    const WCHAR* text = GetChoiceItemText(list, i);
    if (!text || !IsShownStatus(GetChoiceStatus(context->sheet, slot->settingId, i))) continue;
    ChoiceName(text, name, kPkMaxListLine);
    const LRESULT line = SendMessageW(control, m.add, 0, reinterpret_cast<LPARAM>(name));
    if (Failed(line)) return 0;
    UINT image = 0;
    if (rowShown) {
      if (params->flags & kListStateBitmaps) image = StateImage(GetChoiceStatus(context->sheet, slot->settingId, i));
      else if (params->flags & kListCheckIcons) image = CheckImage(list->items[i].value);
    }
    if (Failed(SendMessageW(control, m.setData, static_cast<WPARAM>(line), LineData(-1, image)))) return 0;
  }
  SendMessageW(control, m.setSelection, static_cast<WPARAM>(currentLine()), 0);
  if (!isCombo && !Failed(top)) SendMessageW(control, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  return 1;
}

int AddSettingLines(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                    HWND control) {
  const ListMessages& m = MessagesOf(isCombo);
  if (!isCombo && (params->textFlags & (kListTextName | kListTextTab)) == (kListTextName | kListTextTab)) {
    INT stop = params->tabStop;
    SendMessageW(control, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&stop));
  }
  const INT currentItem = GetRowCurrentIndex(context, row);
  LRESULT selected = -1;
  INT lines = 0;
  WCHAR text[kPkMaxListLine] = {};
  for (INT i = 0; i < row->itemCount; ++i) {
    if (!ItemShown(context, row, i)) continue;
    SettingLine(context, row, params, i, text, kPkMaxListLine);
    const LRESULT line = SendMessageW(control, m.add, 0, reinterpret_cast<LPARAM>(text));
    if (Failed(line)) return 0;
    if (Failed(SendMessageW(control, m.setData, static_cast<WPARAM>(line),
                            LineData(i, SettingImage(context, row, params, i)))))
      return 0;
    if (i == currentItem) selected = line;
    ++lines;
  }
  if (lines == 0) {
    WCHAR none[256] = {};
    LoadStringW(GetPagesResourceModule(), kStringNoSettings, none, 256);
    if (Failed(SendMessageW(control, m.add, 0, reinterpret_cast<LPARAM>(none)))) return 0;
    return 1;
  }
  SendMessageW(control, m.setSelection, static_cast<WPARAM>(selected), 0);
  return 1;
}

// A full fill of a mode-2 list: emptied first, whatever flag 0x40 says, so
// that it holds exactly one line per shown setting in item order.
int FillSettings(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                 HWND control) {
  const LRESULT top = isCombo ? 0 : SendMessageW(control, LB_GETTOPINDEX, 0, 0);
  SendMessageW(control, MessagesOf(isCombo).reset, 0, 0);
  const int done = AddSettingLines(context, row, params, isCombo, control);
  if (!isCombo && !Failed(top)) SendMessageW(control, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  return done;
}

// The refresh in place of a mode-2 list with flag 0x40: the lines of the
// current item, of the settings related to it and of the changed ones are
// replaced where they stand. Lines are matched by the item each carries, so
// when the shown settings no longer match the lines, or nothing was
// replaced, the list is filled again from scratch.
int RefreshSettingsInPlace(HandlerContext* context, const ControlRow* row, const ListControlParams* params,
                           BOOL isCombo, HWND control, const WORD* changedIds) {
  const ListMessages& m = MessagesOf(isCombo);
  const LRESULT count = SendMessageW(control, m.getCount, 0, 0);
  if (Failed(count)) return 0;
  INT shown = 0;
  bool matches = true;
  for (INT i = 0; i < row->itemCount; ++i) {
    if (!ItemShown(context, row, i)) continue;
    if (shown >= count || LineItem(SendMessageW(control, m.getData, static_cast<WPARAM>(shown), 0)) != i)
      matches = false;
    ++shown;
  }
  if (!matches || shown != count) return FillSettings(context, row, params, isCombo, control);

  const INT currentItem = GetRowCurrentIndex(context, row);
  const ItemSlot* currentSlot = GetCurrentItemSlot(context, row);
  const ConstraintResult* related = GetCurrentItemConstraintList(context, row);
  auto wanted = [&](INT item) {
    if (item == currentItem) return true;
    const ItemSlot* slot = GetItemSlot(context, row, item);
    if (!slot) return false;
    for (WORD r = 0; related && related->relatedIds && r < related->relatedCount; ++r)
      if (related->relatedIds[r] == slot->settingId) return true;
    return IsSettingInChangedList(changedIds, slot->settingId) &&
           !(currentSlot && slot->settingId == currentSlot->settingId);
  };
  INT replaced = 0;
  LRESULT selected = -1;
  WCHAR text[kPkMaxListLine] = {};
  for (LRESULT line = 0; line < count; ++line) {
    const INT item = LineItem(SendMessageW(control, m.getData, static_cast<WPARAM>(line), 0));
    if (item == currentItem) selected = line;
    if (!wanted(item)) continue;
    SettingLine(context, row, params, item, text, kPkMaxListLine);
    if (Failed(SendMessageW(control, m.remove, static_cast<WPARAM>(line), 0))) return 0;
    const LRESULT at = SendMessageW(control, m.insert, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
    if (Failed(at)) return 0;
    SendMessageW(control, m.setData, static_cast<WPARAM>(at), LineData(item, SettingImage(context, row, params, item)));
    ++replaced;
  }
  if (replaced == 0) return FillSettings(context, row, params, isCombo, control);
  SendMessageW(control, m.setSelection, static_cast<WPARAM>(selected), 0);
  return 1;
}

// The choice a line stands for, found by its text among the current item's choices.
INT ChoiceOfLine(HandlerContext* context, const ControlRow* row, BOOL isCombo, HWND control, LRESULT line) {
  const ListMessages& m = MessagesOf(isCombo);
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  if (!list || line < 0) return -1;
  WCHAR text[kPkMaxListLine] = {};
  const LRESULT length = SendMessageW(control, m.getTextLength, static_cast<WPARAM>(line), 0);
  if (Failed(length) || length >= kPkMaxListLine) return -1;
  SendMessageW(control, m.getText, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
  WCHAR name[kPkMaxListLine] = {};
  for (INT i = 0; i < list->count; ++i) {
    ChoiceName(GetChoiceItemText(list, i), name, kPkMaxListLine);
    if (GetChoiceItemText(list, i) && std::u16string_view(name) == std::u16string_view(text)) return i;
  }
  return -1;
}

// The choice whose value is zero when the current value is not, and a
// non-zero one when it is.
INT ToggledChoice(const SettingChoiceList* list, const ItemSlot* slot) {
  if (!list || !slot) return -1;
  const bool set = slot->value != 0;
  for (INT i = 0; i < list->count; ++i)
    if ((list->items[i].value != 0) != set) return i;
  return -1;
}

INT ChangeToChoice(HandlerContext* context, const ControlRow* row, INT choice) {
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  if (!slot || !list || choice < 0 || choice >= list->count) return -1;
  return ChangeSlot(context, row, slot, &list->items[choice].value);
}

// Selection change (and the selection a drop-down takes).
INT TakeSelection(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                  HWND control) {
  const ListMessages& m = MessagesOf(isCombo);
  const LRESULT line = SendMessageW(control, m.getSelection, 0, 0);
  if (Failed(line)) return -1;
  if (params->mode == kListModeSettings) {
    const INT item = LineItem(SendMessageW(control, m.getData, static_cast<WPARAM>(line), 0));
    if (item < 0 || !SetRowCurrentIndex(context, row, item)) return -1;
    if (!(params->flags & kListCheckIcons)) {
      SetContextChange(context, 1, nullptr, row);
      return 1;
    }
    return ChangeToChoice(context, row,
                          ToggledChoice(GetCurrentChoiceList(context, row), GetCurrentItemSlot(context, row)));
  }
  return ChangeToChoice(context, row, ChoiceOfLine(context, row, isCombo, control, line));
}

// The commit of a combo box's edit part: the list takes any value meanwhile.
INT CommitEditPart(HandlerContext* context, const ControlRow* row, const ListControlParams* params, HWND control) {
  if (!(params->flags & kListEditPart) || !params->edit) return 0;
  SettingChoiceList* list = GetCurrentChoiceList(context, row);
  if (!list || list->kind == 0) return 0;
  const WORD kind = list->kind;
  list->kind = kChoiceKindFreeValue;
  const INT result = CommitEditValue(context, row, params->edit, control, TRUE);
  list->kind = kind;
  return result;
}

LRESULT KeyToItem(HandlerContext* context, const ControlRow* row, const ListControlParams* params, HWND control,
                  WPARAM wParam) {
  const UINT key = LOWORD(wParam);
  if (key < 32 || key > 40) return -1;
  const ListMessages& m = kListBox;
  const LRESULT count = SendMessageW(control, m.getCount, 0, 0);
  const LRESULT line = SendMessageW(control, m.getSelection, 0, 0);
  LRESULT target = line;
  switch (key) {
    case 32: break;
    case 33:
    case 36: target = 0; break;
    case 34:
    case 35: target = count - 1; break;
    case 37:
    case 38: target = line - 1; break;
    default: target = line + 1; break;
  }
  if (Failed(count) || target < 0 || target >= count) return -2;
  const INT previous = GetRowCurrentIndex(context, row);
  INT result = -1;
  if (params->mode == kListModeSettings) {
    const INT item = LineItem(SendMessageW(control, m.getData, static_cast<WPARAM>(target), 0));
    if (item < 0 || !SetRowCurrentIndex(context, row, item)) return -2;
    if (key != 32) {
      SetContextChange(context, 1, nullptr, row);
      result = 1;
    } else {
      const SettingChoiceList* list = GetCurrentChoiceList(context, row);
      const ItemSlot* slot = GetCurrentItemSlot(context, row);
      result = ChangeToChoice(context, row,
                              (params->flags & kListCheckIcons) ? ToggledChoice(list, slot)
                              : slot                            ? slot->choiceIndex
                                                                : -1);
    }
  } else {
    INT choice = ChoiceOfLine(context, row, FALSE, control, target);
    if (key == 32 && (params->flags & kListCheckIcons))
      choice = ToggledChoice(GetCurrentChoiceList(context, row), GetCurrentItemSlot(context, row));
    result = ChangeToChoice(context, row, choice);
  }
  if (result == 1 || result == 3) {
    SendMessageW(control, m.setSelection, static_cast<WPARAM>(target), 0);
  } else if (result == 2) {
    if (params->mode == kListModeSettings) SetRowCurrentIndex(context, row, previous);
    FillListControl(context, row, params, FALSE, TRUE);
  }
  return -2;
}

// A double click steps to the next choice that has a text and can be chosen.
LRESULT StepChoice(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo) {
  if (!(params->flags & kListStepOnDoubleClick)) return 1;
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!list || !slot || list->kind == 0) return 1;
  if (list->kind == kChoiceKindFreeValue) return 0;
  INT next = -1;
  for (INT step = 1; step <= list->count && next < 0; ++step) {
    const INT i = (slot->choiceIndex + step) % list->count;
    if (i == slot->choiceIndex || !GetChoiceItemText(list, i)) continue;
    if (IsShownStatus(GetChoiceStatus(context->sheet, slot->settingId, i))) next = i;
  }
  if (next < 0) return 0;
  if (ChangeToChoice(context, row, next) == 2) FillListControl(context, row, params, isCombo, TRUE);
  return 0;
}

LRESULT ListKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                        const ListControlParams* params, BOOL isCombo) {
  HWND control = RowControl(context, row);
  if (!control || !params) return 1;
  const bool editPart = isCombo && (params->flags & kListEditPart) && params->edit;
  const EditControlParams* const editRef = params->edit;
  switch (message) {
    case static_cast<UINT>(PSN_SETACTIVE): {
      SendMessageW(control, MessagesOf(isCombo).reset, 0, 0);
      LoadListImages(context);
      if (!isCombo && params->mode == kListModeChoices) EvaluateChoices(context, row);
      FillListControl(context, row, params, isCombo, TRUE);
      if (editPart) EditKindHandler(context, message, wParam, lParam, row, &editRef);
      return 0;
    }
    case static_cast<UINT>(PSN_KILLACTIVE):
    case static_cast<UINT>(PSN_RESET): {
      const INT result = editPart && GetContextValue(context) != 2 ? CommitEditPart(context, row, params, control) : 0;
      if (editPart)
        EditKindHandler(context, message == static_cast<UINT>(PSN_RESET) ? message : PSN_APPLY, 0, 0, row, &editRef);
      ReleaseListImages(context);
      return result == 2 ? 1 : 0;
    }
    case static_cast<UINT>(PSN_APPLY):
      ReleaseListImages(context);
      if (editPart) EditKindHandler(context, message, 0, 0, row, &editRef);
      return 0;
    case kMsgValidate: return editPart && CommitEditPart(context, row, params, control) == 2 ? 1 : 0;
    case kMsgRefill: FillListControl(context, row, params, isCombo, FALSE); return 0;
    case kMsgRefresh: {
      if (!isCombo && params->mode == kListModeChoices) EvaluateChoices(context, row);
      const bool otherRow = GetContextRow(context) != row;
      if (params->mode == kListModeSettings && (params->flags & kListKeepLines) &&
          !(params->flags & kListFillCallback)) {
        RefreshSettingsInPlace(context, row, params, isCombo, control, reinterpret_cast<const WORD*>(lParam));
      } else {
        const BOOL rebuild = isCombo ? otherRow : otherRow && !(params->flags & kListRefreshMovesSelection);
        FillListControl(context, row, params, isCombo, rebuild);
      }
      if (editPart) ShowEditValue(context, row, params->edit, control);
      return 0;
    }
    case WM_DRAWITEM:
      DrawListItem(context, row, params, isCombo, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return 0;
    case WM_VKEYTOITEM: return isCombo ? -2 : KeyToItem(context, row, params, control, wParam);
    case WM_COMMAND: break;
    default: return 0;
  }
  const UINT code = HIWORD(wParam);
  INT result = 0;
  if (code == LBN_DBLCLK) return StepChoice(context, row, params, isCombo);
  if ((!isCombo && code == LBN_SELCHANGE) || (isCombo && code == CBN_SELENDOK)) {
    result = TakeSelection(context, row, params, isCombo, control);
  } else if (isCombo && code == CBN_CLOSEUP) {
    FillListControl(context, row, params, isCombo, FALSE);
    return 0;
  } else if (code == CBN_KILLFOCUS) {  // LBN_SETFOCUS for a list box
    if (!editPart) return 0;
    return CommitEditPart(context, row, params, control) == 2 ? 1 : 0;
  } else if (isCombo && code == CBN_DROPDOWN) {
    if (!EvaluateChoices(context, row)) return 0;
    FillListControl(context, row, params, isCombo, TRUE);
    result = TakeSelection(context, row, params, isCombo, control);
  } else {
    return 1;
  }
  if (result == 2) FillListControl(context, row, params, isCombo, TRUE);
  return 0;
}

}  // namespace

int FillListControl(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                    BOOL rebuild) {
  HWND control = RowControl(context, row);
  if (!control || !params) return 0;
  if (params->flags & kListFillCallback) return params->fill ? params->fill(context, row, params, control, rebuild) : 0;
  if (params->mode == kListModeSettings) return FillSettings(context, row, params, isCombo, control);
  return FillChoices(context, row, params, isCombo, control, rebuild);
}

int DrawListItem(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                 const DRAWITEMSTRUCT* item) {
  if (!context || !row || !params || !item || !item->hDC || item->itemID == static_cast<UINT>(-1)) return 0;
  if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
  int background = COLOR_WINDOW, foreground = COLOR_WINDOWTEXT;
  if (item->itemState & ODS_DISABLED) {
    background = isCombo ? COLOR_BTNFACE : COLOR_WINDOW;
    foreground = COLOR_GRAYTEXT;
  } else if (item->itemState & ODS_SELECTED) {
    background = COLOR_HIGHLIGHT;
    foreground = COLOR_HIGHLIGHTTEXT;
  }
  HDC dc = item->hDC;
  const RECT area = item->rcItem;
  FillRect(dc, &area, GetSysColorBrush(background));
  const ListMessages& m = MessagesOf(isCombo);
  WCHAR text[kPkMaxListLine] = {};
  const LRESULT length = SendMessageW(item->hwndItem, m.getTextLength, item->itemID, 0);
  if (!Failed(length) && length < kPkMaxListLine)
    SendMessageW(item->hwndItem, m.getText, item->itemID, reinterpret_cast<LPARAM>(text));
  text[kDrawnChars] = 0;
  UINT count = 0;
  while (text[count]) ++count;
  SetTextColor(dc, GetSysColor(foreground));
  SetBkColor(dc, GetSysColor(background));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text, static_cast<int>(count), &extent);
  const int x = area.left + ((params->flags & (kListCheckIcons | kListStateBitmaps)) ? 19 : 3);
  const int y = area.top + (area.bottom - area.top - extent.cy) / 2;
  ExtTextOutW(dc, x, y, ETO_CLIPPED, &area, text, count, nullptr);

  HGDIOBJ image = ListImage(context, LineImage(static_cast<LONG_PTR>(item->itemData)));
  if (!image) return 1;
  if (params->flags & kListStateBitmaps) {
    BITMAP info{};
    if (!GetObjectW(image, sizeof(info), &info)) return 1;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return 1;
    HGDIOBJ old = SelectObject(memory, image);
    BitBlt(dc, area.left, area.top + (area.bottom - area.top - info.bmHeight) / 2, info.bmWidth, info.bmHeight, memory,
           0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  } else {
    DrawIcon(dc, area.left, area.top, static_cast<HICON>(image));
  }
  return 1;
}

LRESULT ComboBoxKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params) {
  return ListKindHandler(context, message, wParam, lParam, row, static_cast<const ListControlParams*>(params), TRUE);
}

LRESULT ListBoxKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params) {
  return ListKindHandler(context, message, wParam, lParam, row, static_cast<const ListControlParams*>(params), FALSE);
}
