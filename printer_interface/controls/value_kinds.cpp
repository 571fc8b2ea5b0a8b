// The kinds that show one value in a single control: check box, radio
// buttons, spin, scroll bar, trackbar, value text, choice text and the state
// follower.
#include <algorithm>

#include "platform/ui/win_common_controls.h"
#include "platform/win/win_memory.h"
#include "printer_interface/controls/kind_support.h"
#include "printer_interface/text/measurement_text.h"
#include "settings/access/setting_access.h"
#include "settings/choices/setting_choice_list.h"
#include "settings/conflicts/conflict_engine.h"

using namespace controls;

namespace {

bool IsActivation(UINT message) { return message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh; }

const void* EngineValue(const ItemSlot* slot) {
  if (slot->valueType != kSettingTypeText) return &slot->value;
  return reinterpret_cast<const void*>(static_cast<uintptr_t>(slot->value));
}

// A value of the row converted for display (mode 2) or for storage (mode 1)
// when the row asks for it.
LONG Converted(int mode, const ItemSlot* slot, LONG value, INT conversion) {
  if (!conversion || !slot) return value;
  DWORD out = 0;
  const uint64_t typed = NumberForType(slot->valueType, value);
  ConvertSettingUnits(mode, slot->settingId, slot->valueType, &typed, &out);
  ItemSlot converted = *slot;
  converted.value = out;
  return SlotNumber(&converted);
}

INT ChangeToNumber(HandlerContext* context, const ControlRow* row, ItemSlot* slot, LONG value) {
  const uint64_t typed = NumberForType(slot->valueType, value);
  return ChangeSlot(context, row, slot, &typed);
}

INT ChangeToChoice(HandlerContext* context, const ControlRow* row, ItemSlot* slot, INT choice) {
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  if (!list || choice < 0 || choice >= list->count) return -1;
  return ChangeSlot(context, row, slot, &list->items[choice].value);
}

}  // namespace

// ---- Check box ---------------------------------------------------------------------------------

LRESULT CheckKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow* row,
                         const void*) {
  HWND box = RowControl(context, row);
  if (!box) return 1;
  auto show = [&] {
    const INT choice = GetCurrentChoiceIndex(context, row);
    if (choice == 0) SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    else if (choice == 1) SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
    ApplyRowControlState(context, row);
  };
  if (IsActivation(message)) {
    show();
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  if (HIWORD(wParam) != BN_CLICKED) return 1;
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 1;
  const bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  const INT result = ChangeToChoice(context, row, slot, checked ? 0 : 1);
  if (result == 2 || result == -1) show();
  return 0;
}

// ---- Radio buttons -------------------------------------------------------------------------------

LRESULT RadioKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow* row,
                         const void* params) {
  const auto* radio = static_cast<const RadioControlParams*>(params);
  if (!context || !row || !radio || !radio->controlIds || radio->count <= 0) return 1;
  INT position = -1;
  for (INT i = 0; i < radio->count; ++i)
    if (radio->controlIds[i] == row->controlId) position = i;
  const RowItem* item = GetCurrentRowItem(context, row);
  auto stateButtons = [&] {
    for (INT i = 0; item && i < radio->count; ++i) {
      const INT status = GetChoiceStatus(context->sheet, item->id, i);
      if (status == kConflictStatusDisabled || status == kConflictStatusHidden)
        SetControlState(GetDlgItem(context->window, radio->controlIds[i]), status);
    }
  };
  auto setAll = [&] {
    const INT choice = GetCurrentChoiceIndex(context, row);
    for (INT i = 0; i < radio->count; ++i)
      CheckDlgButton(context->window, radio->controlIds[i], i == choice ? BST_CHECKED : BST_UNCHECKED);
  };
  if (IsActivation(message)) {
    if (position >= 0)
      CheckDlgButton(context->window, row->controlId,
                     position == GetCurrentChoiceIndex(context, row) ? BST_CHECKED : BST_UNCHECKED);
    ApplyRowControlState(context, row);
    stateButtons();
    return 0;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return message == WM_COMMAND ? 1 : 0;
  if (position < 0 || IsDlgButtonChecked(context->window, row->controlId) != BST_CHECKED) return 0;
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 1;
  ChangeToChoice(context, row, slot, position);
  setAll();
  stateButtons();
  return 0;
}

// ---- Spin ------------------------------------------------------------------------------------------

LRESULT SpinKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow* row,
                        const void* params) {
  const auto* spin = static_cast<const SpinParams*>(params);
  HWND control = RowControl(context, row);
  if (!control || !spin) return 1;
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 1;
  auto position = [&] {
    SendMessageW(control, UDM_SETPOS, 0, MAKELPARAM(Converted(kUnitShow, slot, SlotNumber(slot), spin->conversion), 0));
    ApplyRowControlState(context, row);
  };
  if (message == static_cast<UINT>(PSN_SETACTIVE)) {
    LONG low = 0, high = 0;
    if (!GetRowValueRange(context, row, &low, &high)) return 0;
    low = Converted(kUnitShow, slot, low, spin->conversion);
    high = Converted(kUnitShow, slot, high, spin->conversion);
    SendMessageW(control, UDM_SETRANGE, 0, MAKELPARAM(high, low));
    position();
    return 0;
  }
  if (message == kMsgRefresh) {
    position();
    return 0;
  }
  if (message != WM_VSCROLL) return 0;

  // The edit row beside the spin shows and types the same value.
  const ControlRow* buddyRow = FindSiblingRow(context, row, kKindEdit);
  const auto* const* buddyRef = buddyRow ? static_cast<const EditControlParams* const*>(buddyRow->params) : nullptr;
  const EditControlParams* buddy = buddyRef ? *buddyRef : nullptr;
  HWND buddyBox = RowControl(context, buddyRow);
  EditRecord* record = buddyRow ? FindEditRecord(context, buddyRow->controlId) : nullptr;
  if (record) record->spinning = 1;

  // The value now: what the buddy shows when it reads, else the stored one.
  LONG stored = SlotNumber(slot);
  const WORD unit = context->sheet && context->sheet->state ? context->sheet->state->unit : 0;
  const bool inches = buddy && (buddy->flags & kEditLengthUnit) && unit == 1;
  if (buddy && buddyBox) {
    EditValue typed{};
    if (ReadEditValue(context, buddyRow, buddy, buddyBox, FALSE, &typed) && typed.valid &&
        (buddy->flags & kEditNumber)) {
      LONG value = static_cast<LONG>(typed.number);
      int decimals = 0;
      if (buddy->flags & kEditLengthUnit) ApplyUnitConversion(unit, slot->settingId, kUnitStore, &value, &decimals);
      stored = Converted(kUnitStore, slot, value, buddy->unit ? static_cast<INT>(buddy->unit->conversion) : 0);
    }
    FreeEditValue(&typed);
  }
  const LONG now = Converted(kUnitShow, slot, stored, spin->conversion);
  const LONG difference = static_cast<LONG>(static_cast<int16_t>(HIWORD(wParam))) - now;
  if (difference != 0) {
    LONG next = 0;
    if (inches) {
      LONG shown = stored;
      int decimals = 0;
      ApplyUnitConversion(unit, slot->settingId, kUnitShow, &shown, &decimals);
      shown += difference;
      ApplyUnitConversion(unit, slot->settingId, kUnitStore, &shown, &decimals);
      next = shown;
    } else {
      next = Converted(kUnitStore, slot, now + difference, spin->conversion);
    }
    LONG low = 0, high = 0;
    if (GetRowValueRange(context, row, &low, &high)) next = std::clamp(next, std::min(low, high), std::max(low, high));
    // The spin's own position follows the stored value.
    if (ChangeToNumber(context, row, slot, next) != 1) position();
  }
  if (buddy && buddyBox) {
    if (ItemSlot* buddySlot = GetCurrentItemSlot(context, buddyRow)) ReloadSlot(context, buddySlot);
    ShowEditValue(context, buddyRow, buddy, buddyBox);
  }
  if (record) record->spinning = 0;
  return 0;
}

// ---- Scroll bar --------------------------------------------------------------------------------------

LRESULT ScrollBarKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow* row,
                             const void* params) {
  const auto* scroll = static_cast<const ScrollBarParams*>(params);
  HWND bar = RowControl(context, row);
  if (!bar || !scroll) return 1;
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  LONG low = 0, high = 0;
  if (!slot || !GetRowValueRange(context, row, &low, &high)) return 1;
  const LONG shift = low < 0 ? low : 0;  // a negative range starts at 0
  auto position = [&] {
    const INT status = GetCurrentItemStatus(context, row);
    if (status == kConflictStatusDisabled || status == kConflictStatusHidden) return;
    SetScrollPos(bar, SB_CTL, SlotNumber(slot) - shift, TRUE);
  };
  if (message == static_cast<UINT>(PSN_SETACTIVE)) {
    SetScrollRange(bar, SB_CTL, low - shift, high - shift, FALSE);
    position();
    return 0;
  }
  if (message == kMsgRefresh) {
    position();
    return 0;
  }
  if (message != WM_HSCROLL && message != WM_VSCROLL) return 0;
  const LONG value = SlotNumber(slot);
  const bool topIsMaximum = scroll->direction == 0;
  const LONG up = topIsMaximum ? 1 : -1;
  LONG next = value;
  switch (LOWORD(wParam)) {
    case SB_TOP: next = topIsMaximum ? high : low; break;
    case SB_BOTTOM: next = topIsMaximum ? low : high; break;
    case SB_LINEUP: next = value + up; break;
    case SB_LINEDOWN: next = value - up; break;
    case SB_PAGEUP: next = value + up * scroll->pageStep; break;
    case SB_PAGEDOWN: next = value - up * scroll->pageStep; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = static_cast<LONG>(static_cast<int16_t>(HIWORD(wParam))) + shift; break;
    default: return 0;
  }
  next = std::clamp(next, low, high);
  if (slot->settingId == 0xFFFF) return 0;
  if (ChangeToNumber(context, row, slot, next) == 2) position();
  return 0;
}

// ---- Trackbar --------------------------------------------------------------------------------------

LRESULT TrackBarKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow* row,
                            const void* params) {
  const auto* track = static_cast<const TrackBarParams*>(params);
  HWND bar = RowControl(context, row);
  if (!bar || !track) return 1;
  ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 1;
  auto position = [&] {
    const INT status = GetCurrentItemStatus(context, row);
    if (status == kConflictStatusDisabled || status == kConflictStatusHidden) return;
    SendMessageW(bar, TBM_SETPOS, TRUE, Converted(kUnitShow, slot, SlotNumber(slot), track->conversion));
  };
  if (message == static_cast<UINT>(PSN_SETACTIVE)) {
    LONG low = 0, high = 0;
    if (GetRowValueRange(context, row, &low, &high)) {
      low = Converted(kUnitShow, slot, low, track->conversion);
      high = Converted(kUnitShow, slot, high, track->conversion);
      SendMessageW(bar, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
    }
    SendMessageW(bar, TBM_SETPAGESIZE, 0, track->pageSize);
    if (track->tickFrequency) SendMessageW(bar, TBM_SETTICFREQ, track->tickFrequency, 0);
    position();
    return 0;
  }
  if (message == kMsgRefresh) {
    position();
    return 0;
  }
  if (message != WM_HSCROLL && message != WM_VSCROLL) return 0;
  const UINT code = LOWORD(wParam);
  if (code != TB_LINEUP && code != TB_LINEDOWN && code != TB_THUMBTRACK && code != TB_ENDTRACK) return 1;
  const LONG value = static_cast<LONG>(SendMessageW(bar, TBM_GETPOS, 0, 0));
  if (ChangeToNumber(context, row, slot, Converted(kUnitStore, slot, value, track->conversion)) == 2) position();
  return 0;
}

// ---- Value text and choice text ----------------------------------------------------------------------

LRESULT ValueTextKindHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow* row,
                             const void* params) {
  const auto* text = static_cast<const ValueTextParams*>(params);
  HWND control = RowControl(context, row);
  if (!control || !text || !IsActivation(message)) return 0;
  if (text->mode == kValueTextChoice) {
    const WCHAR* choice = GetChoiceItemText(GetCurrentChoiceList(context, row), GetCurrentChoiceIndex(context, row));
    SetWindowTextW(control, choice ? choice : u"");
  } else if (text->mode == kValueTextResource) {
    if (text->stringId > 0) {
      WCHAR buffer[256] = {};
      LoadStringW(GetPagesResourceModule(), static_cast<UINT>(text->stringId), buffer, 256);
      SetWindowTextW(control, buffer);
    }
  } else if (text->mode != kValueTextState) {
    return 0;
  }
  ApplyRowControlState(context, row);
  return 0;
}

LRESULT ChoiceTextKindHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow* row,
                              const void* params) {
  const auto* choice = static_cast<const ChoiceTextParams*>(params);
  HWND control = RowControl(context, row);
  if (!control || !choice || !IsActivation(message)) return 0;
  if (choice->leaderControlId != kNoControl) {
    const ControlRow* leader = FindRowByControlId(context->rows, context->rowCount, choice->leaderControlId);
    if (const RowItem* item = GetCurrentRowItem(context, leader)) {
      const INT index = FindRowItemBySetting(row, item->id);
      if (index >= 0) SetRowCurrentIndex(context, row, index);
    }
  }
  const SettingChoiceList* list = GetCurrentChoiceList(context, row);
  const WCHAR* text = nullptr;
  if (list)
    text = GetChoiceItemText(list, list->kind == kChoiceKindFreeValue ? 0 : GetCurrentChoiceIndex(context, row));
  const WCHAR* description = u"";
  for (const WCHAR* p = text; p && *p; ++p)
    if (*p == u'\n') description = p + 1;
  SetWindowTextW(control, description);
  ApplyRowControlState(context, row);
  return 0;
}

// ---- State follower -----------------------------------------------------------------------------------

LRESULT StateFollowerKindHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow* row,
                                 const void*) {
  HWND control = RowControl(context, row);
  if (!control || !IsActivation(message)) return 0;
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 0;
  ConstraintResult* result = AllocConstraintResult();
  if (!result) return 0;
  if (CheckSettingConflicts(kConflictModeCheck, context->window, context->model, context->devMode, context->settings,
                            nullptr, slot->settingId, slot->valueType, EngineValue(slot), result,
                            nullptr) == kConflictCheckOk)
    SetControlState(control, PermittedStatus(context, result->status));
  FreeConstraintResult(result);
  return 0;
}
