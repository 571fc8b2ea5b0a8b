// The device page: its rows and the handlers that switch the editors below
// the list by the setting selected in it. A user without permission to
// change the printer still edits what is the user's own: the owner name,
// the user code and its password, and the save-to-file folder.
#include "printer_interface/pages/device_page.h"

#include <cstring>
#include <string>

#include "platform/ui/win_controls.h"
#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "printer_interface/text/resource_text.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/model/model_interface.h"

namespace {

constexpr BYTE kKeep = kRowKeepOnReadOnly;
constexpr BYTE kFollow = kRowLabelFollowsControl;
constexpr WORD kEval = kItemEvaluateAll | kItemEvaluateCurrent;

bool IsRealSetting(WORD id) { return id != 0 && id < kFirstUiId; }

// ---- Items ---------------------------------------------------------------------------------------

constexpr RowItem kListItems[] = {{1031, kEval}, {1032, kEval}, {1042, kEval}, {1044, kEval}, {1043, kEval},
                                  {1035, kEval}, {1056, kEval}, {1057, kEval}, {1026, kEval}, {1027, kEval},
                                  {1033, kEval}, {1036, kEval}, {1028, kEval}, {1029, kEval}, {1030, kEval},
                                  {1038, kEval}, {1050, kEval}, {1055, kEval}};
// The combo box edits the user code's switch (1053) where the list shows the code itself.
constexpr RowItem kComboItems[] = {{1031, kEval}, {1032, kEval}, {1042, kEval}, {1044, kEval}, {1043, kEval},
                                   {1035, kEval}, {1056, kEval}, {1057, kEval}, {1026, kEval}, {1027, kEval},
                                   {1053, kEval}, {1036, kEval}, {1028, kEval}, {1029, kEval}, {1030, kEval},
                                   {1038, kEval}, {1050, kEval}, {1055, kEval}};
constexpr INT kListCount = static_cast<INT>(sizeof kListItems / sizeof kListItems[0]);
constexpr RowItem kUserCodeItems[] = {{kUserCode, kEval}};
// The folder (1051) is one of the box's items, or what is typed while saving
// to a file is selected would have no slot to go to.
constexpr RowItem kTextItems[] = {{kLogonNameUiId, 0},    {kPrinterOwnerName, 0}, {kUserOwnName, 0},
                                  {kUserCodePassword, 0}, {kSaveFolder, 0},       {kEmptyLabelUiId, 0}};
constexpr RowItem kIconItems[] = {{kIconSetting, kEval}};
constexpr RowItem kOwnerNumberItems[] = {{kOwnerNumber, 0}, {kEmptyLabelUiId, 0}};

// ---- Parameter blocks ------------------------------------------------------------------------------

constexpr ListControlParams kListParams{
    kListModeSettings, kListTextName | kListTextTab, 150, kListStepOnDoubleClick | kListKeepLines, nullptr, nullptr};
constexpr ListControlParams kComboParams{kListModeChoices, 0, 0, 0, nullptr, nullptr};
constexpr ValueTextParams kValueTextParams{kValueTextState, kNoControl};
constexpr ChoiceTextParams kChoiceTextParams{kDeviceList};
constexpr IconParams kIconParams{1, 1, 0};

// Character ranges of the text boxes in their OEM form.
constexpr BYTE kNameSingle[] = {0x20, 0x7E, 0xA1, 0xDF, 0};
constexpr BYTE kNameDouble[] = {0x81, 0x40, 0xFC, 0xFC, 0};
constexpr BYTE kDigits[] = {'0', '9', 0};
constexpr BYTE kFolderSingle[] = {0x21, 0x7E, 0};
constexpr BYTE kNoDoubleFolder[] = {0xFF, 0xFF, 0x00, 0x00, 0};
constexpr BYTE kNoDoubleCode[] = {0xFC, 0xFC, 0x81, 0x40, 0};

constexpr CharacterRules kOwnerNameRules{kNameSingle, kNameDouble, nullptr, nullptr, 425};
constexpr CharacterRules kPasswordRules{kDigits, nullptr, nullptr, nullptr, kNoControl};
constexpr CharacterRules kFolderRules{kFolderSingle, kNoDoubleFolder, nullptr, nullptr, 736};
constexpr CharacterRules kLongCodeRules{kNameSingle, kNameDouble, nullptr, nullptr, 445};
constexpr CharacterRules kShortCodeRules{kNameSingle, kNoDoubleCode, nullptr, nullptr, 445};
constexpr CharacterRules kOwnerNumberRules{kDigits, nullptr, nullptr, nullptr, 743};

constexpr EditControlParams kOwnerNameEdit{0x102, 31, &kOwnerNameRules, nullptr, 0xFF};
constexpr EditControlParams kPasswordEdit{0x202, 4, &kPasswordRules, nullptr, 0xFF};
constexpr EditControlParams kFolderEdit{0x302, 128, &kFolderRules, nullptr, 0xFF};
constexpr EditControlParams kLongCodeEdit{0x302, 24, &kLongCodeRules, nullptr, 0xFF};
constexpr EditControlParams kShortCodeEdit{0x302, 8, &kShortCodeRules, nullptr, 0xFF};
constexpr EditControlParams kOwnerNumberEdit{0x202, 12, &kOwnerNumberRules, nullptr, 0xFF};
// Edit rows point to a pointer to their block.
const EditControlParams* const kOwnerNameRef = &kOwnerNameEdit;
const EditControlParams* const kPasswordRef = &kPasswordEdit;
const EditControlParams* const kFolderRef = &kFolderEdit;
const EditControlParams* const kLongCodeRef = &kLongCodeEdit;
const EditControlParams* const kShortCodeRef = &kShortCodeEdit;
const EditControlParams* const kOwnerNumberRef = &kOwnerNumberEdit;

const SubDialogEntry kOptionsDialog[] = {
    {kInstalledOptionsTemplate, &InstalledOptionsDialogProc, static_cast<UINT>(kNoPageRows), kNoControl}};
const SubDialogEntry kFolderDialog[] = {
    {kOutputFolderTemplate, &OutputFolderDialogProc, static_cast<UINT>(kNoPageRows), kNoControl}};
const SubDialogSpec kOptionsSpec{kOptionsDialog, 1, kNoControl, 0, 0};
const SubDialogSpec kFolderSpec{kFolderDialog, 1, kNoControl, 0, 0};
const ButtonAction kOptionsAction{kActionSubDialog, &kOptionsSpec};
const ButtonAction kFolderAction{kActionSubDialog, &kFolderSpec};
const ButtonAction kResetAction{kActionDefaults, nullptr};

const ControlRow kDeviceRows[] = {
    {kDeviceList, kListCount, kListItems, kKindListBox, &DeviceListHandler, &kListParams, kNoControl, kNoControl,
     &kKeep},
    {kUserCodeBox, 1, kUserCodeItems, kKindEdit, &UserCodeEditHandler, &kShortCodeRef, kNoControl, kNoControl,
     &kFollow},
    {kDeviceValueCombo, kListCount, kComboItems, kKindComboBox, &DeviceValueHandler, &kComboParams, kNoControl,
     kNoControl, &kFollow},
    {kDeviceValueText, kListCount, kListItems, kKindValueText, &DeviceValueHandler, &kValueTextParams, kDeviceValueText,
     408, &kFollow},
    {kDeviceTextBox, 6, kTextItems, kKindEdit, &DeviceTextEditHandler, &kOwnerNameRef, kDeviceTextLabel, 405, &kFollow},
    {kOptionsButton, 0, nullptr, kKindPushButton, &DeviceSubDialogButtonHandler, &kOptionsAction, kNoControl,
     kNoControl, &kKeep},
    {kOutputFolderButton, 0, nullptr, kKindPushButton, &DeviceSubDialogButtonHandler, &kFolderAction, kNoControl,
     kNoControl, &kKeep},
    {kDeviceChoiceText, kListCount, kListItems, kKindChoiceText, nullptr, &kChoiceTextParams, kNoControl, kNoControl,
     &kKeep},
    {kDeviceIcon, 1, kIconItems, kKindIcon, &DeviceIconHandler, &kIconParams, kNoControl, kNoControl, &kKeep},
    {kOwnerNumberBox, 2, kOwnerNumberItems, kKindEdit, &OwnerNameEditHandler, &kOwnerNumberRef, kNoControl, 404,
     &kFollow},
    {kDeviceResetButton, 0, nullptr, kKindPushButton, &DeviceResetButtonHandler, &kResetAction, kNoControl, kNoControl,
     &kKeep},
};

// ---- Helpers ---------------------------------------------------------------------------------------

HWND Control(const HandlerContext* context, INT id) { return GetDlgItem(context->window, id); }

LRESULT RunGeneric(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                   const void* params) {
  RowHandler generic = GetContextGenericHandler(context);
  if (!generic) generic = GetGenericRowHandler(row->kind);
  return generic ? generic(context, message, wParam, lParam, row, params) : 0;
}

INT ReadSettingInt(const HandlerContext* context, WORD id, INT fallback) {
  uint64_t value = 0;
  return ReadPageSetting(context, id, &value) ? static_cast<INT>(static_cast<int32_t>(value)) : fallback;
}

// The stored value of a setting as text, to see whether a command changed it.
std::u16string ValueSnapshot(const HandlerContext* context, WORD id) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (!context || !IsRealSetting(id) ||
      GetSettingValue(id, context->devMode, context->settings, &type, &size, &value) != kSettingOk)
    return std::u16string();
  if (type == kSettingTypeText) {
    const auto* text = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(value));
    return text ? std::u16string(u"t") + text : std::u16string(u"t");
  }
  const std::string number = std::to_string(value);
  return std::u16string(number.begin(), number.end());
}

// A value changed by an editor without a conflict leaves the other rows as
// they were; the list shows that value too, so the page is refreshed.
void RefreshAfterCommand(HandlerContext* context, const ControlRow* row, WORD id, const std::u16string& before) {
  if (!context->changed && ValueSnapshot(context, id) != before) SetContextChange(context, 1, nullptr, row);
}

void HideAndDisable(HWND window) {
  if (!window) return;
  ShowWindow(window, SW_HIDE);
  EnableWindow(window, FALSE);
}

void DisableWithLabel(HWND control, HWND label) {
  if (control) EnableWindow(control, FALSE);
  if (label) EnableWindow(label, FALSE);
}

bool IsEmptyFolderBox(const HandlerContext* context) {
  HWND box = Control(context, kDeviceTextBox);
  return box && IsWindowEnabled(box) && GetWindowTextLengthW(box) == 0;
}

// The setting shown on line `line` of the list: the list holds a line for
// every item that is neither disabled nor hidden, in item order.
WORD ListLineSetting(const HandlerContext* context, const ControlRow* row, INT line) {
  if (line < 0) return 0;
  INT n = 0;
  for (INT i = 0; i < row->itemCount; ++i) {
    const INT status = GetConstraintStatus(context->sheet, row->items[i].id);
    if (status == 1 || status == 6) continue;
    if (n++ == line) return row->items[i].id;
  }
  return 0;
}

// What the text box 1343 edits for the list's setting.
struct TextEditChoice {
  WORD target;
  const void* params;
  VisibilityRule rule;
  int style;  // 0 leave the box, 1 text, 2 four masked digits
  int limit;
};

TextEditChoice ChooseTextEdit(const HandlerContext* context, WORD selected) {
  TextEditChoice choice{kEmptyLabelUiId, &kOwnerNameRef, {kDeviceList, 0, 0, 0, kDeviceTextLabel}, 0, 0};
  if (selected == kOwnerNameSource) {
    const INT source = ReadSettingInt(context, kOwnerNameSource, -1);
    choice.target = source == 5 ? kUserOwnName : source == 0 ? kLogonNameUiId : kPrinterOwnerName;
    choice.rule = {kDeviceList, kOwnerNameSource, 1, source == 5 || source == 0 ? source : 1, kDeviceTextLabel};
    choice.style = 1;
    choice.limit = kOwnerNameBytes;
  } else if (selected == kUserCode) {
    choice.target = kUserCodePassword;
    choice.params = &kPasswordRef;
    choice.rule = {kDeviceList, kUserCode, 0, 0, kDeviceTextLabel};
    choice.style = 2;
    choice.limit = 4;
  } else if (selected == kSaveToFile) {
    choice.target = kSaveFolder;
    choice.params = &kFolderRef;
    choice.rule = {kDeviceList, kSaveToFile, 1, 1, kDeviceTextLabel};
    choice.style = 1;
    choice.limit = 128;
  }
  return choice;
}

const void* TextParamsFor(WORD id) {
  if (id == kUserCodePassword) return &kPasswordRef;
  if (id == kSaveFolder) return &kFolderRef;
  return &kOwnerNameRef;
}

void SetBoxStyle(HWND box, int style, int limit) {
  if (!box || !style) return;
  LONG_PTR bits = GetWindowLongPtrW(box, GWL_STYLE);
  bits = style == 2 ? (bits | ES_NUMBER) : (bits & ~static_cast<LONG_PTR>(ES_NUMBER));
  SetWindowLongPtrW(box, GWL_STYLE, bits);
  SendMessageW(box, EM_SETPASSWORDCHAR, style == 2 ? u'*' : 0, 0);
  SendMessageW(box, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
}

// The label of the logon name: the model's name of the UI id, the row's
// string and the label suffix; left alone when it would not fit.
void SetLogonNameLabel(const HandlerContext* context, const ControlRow* row) {
  HWND label = Control(context, kDeviceTextLabel);
  if (!label) return;
  const WCHAR* name = nullptr;
  ModelRecord* record = nullptr;
  ModelInterfaceStatus status = kModelOk;
  if (GetModelFeature(context->model, kLogonNameUiId, nullptr, nullptr, &name, &record, &status) != 1 || !name) {
    if (record) ReleaseModelRecord(record);
    return;
  }
  HMODULE module = GetPagesResourceModule();
  WCHAR part[15] = {};
  WCHAR suffix[4] = {};
  if (row->stringId != kNoControl) LoadStringW(module, static_cast<UINT>(row->stringId), part, 15);
  LoadStringW(module, kLabelSuffixString, suffix, 4);
  size_t nameLength = 0;
  while (name[nameLength]) ++nameLength;
  size_t partLength = 0;
  while (part[partLength]) ++partLength;
  if (nameLength + partLength < static_cast<size_t>(kLabelChars)) {
    WCHAR text[kLabelChars + 4] = {};
    wsprintfW(text, u"%s%s%s", name, part, suffix);
    SetWindowTextW(label, text);
  }
  ReleaseModelRecord(record);
}

// Edit rows whose current item is a UI id have nothing to commit: only the
// kept record goes (the edit kind releases it on apply).
LRESULT ReleaseEditRecord(HandlerContext* context, const ControlRow* row, const void* params) {
  RunGeneric(context, static_cast<UINT>(PSN_APPLY), 0, 0, row, params);
  return 0;
}

}  // namespace

// ---- Rules and selection ------------------------------------------------------------------------

WORD GetDeviceListSetting(const HandlerContext* context) {
  if (!context || !context->rows) return 0;
  const RowItem* item = GetCurrentRowItem(context, FindRowByControlId(context->rows, context->rowCount, kDeviceList));
  return item ? item->id : 0;
}

int ApplyVisibilityRule(HandlerContext* context, INT controlId, const VisibilityRule* rule) {
  if (!context || !rule) return 0;
  HWND control = Control(context, controlId);
  HWND extra = rule->extraControlId != kNoControl ? Control(context, rule->extraControlId) : nullptr;
  const RowItem* leader =
      GetCurrentRowItem(context, FindRowByControlId(context->rows, context->rowCount, rule->leaderControlId));
  bool shown = leader && rule->settingId != 0 && leader->id == rule->settingId;
  if (shown && rule->compare == 1) shown = ReadSettingInt(context, rule->settingId, rule->value + 1) == rule->value;
  if (!shown) {
    HideAndDisable(control);
    HideAndDisable(extra);
    return 0;
  }
  // Shown as the control's own setting allows.
  const ControlRow* row = FindRowByControlId(context->rows, context->rowCount, controlId);
  const INT status = row ? GetCurrentItemStatus(context, row) : -1;
  if (control) SetControlState(control, status);
  if (extra) SetControlState(extra, status);
  return 1;
}

int ShowEmptyFolderWarning(HandlerContext* context) {
  if (!context || !context->sheet) return -1;
  auto title = [context](WORD id) -> const WCHAR* {
    const SettingChoiceList* list = FindPageChoiceList(context->sheet, id);
    return list && list->title ? list->title : u"";
  };
  HMODULE module = GetPagesResourceModule();
  WCHAR join[128] = {};
  WCHAR tail[128] = {};
  LoadStringW(module, kEmptyFolderJoin, join, 128);
  LoadStringW(module, kEmptyFolderTail, tail, 128);
  WCHAR text[512] = {};
  if (!FormatResourceString(text, 512, kEmptyFolderMessage, title(kSaveToFile), join, title(kSaveFolder), tail))
    return -1;
  return ShowResourceMessageBox(context->window, kWarningCaptionString, nullptr, MB_ICONWARNING, kGivenText, text);
}

// ---- Row handlers ---------------------------------------------------------------------------------

LRESULT DeviceListHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params) {
  if (!context || !row) return 0;
  if (message == WM_COMMAND) {
    const UINT code = HIWORD(wParam);
    if (code == LBN_DBLCLK && !context->permission) return 0;
    if (code == LBN_SELCHANGE && GetDeviceListSetting(context) == kSaveToFile) {
      const INT line = static_cast<INT>(SendMessageW(Control(context, kDeviceList), LB_GETCURSEL, 0, 0));
      if (ListLineSetting(context, row, line) != kSaveToFile && IsEmptyFolderBox(context)) {
        ShowEmptyFolderWarning(context);
        SetFocus(Control(context, kDeviceTextBox));
        // Refused: the page refreshes and the list shows the folder's line again.
        SetContextChange(context, 1, nullptr, row);
        return 1;
      }
    }
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT UserCodeEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void*) {
  if (!context || !row) return 0;
  const bool longCode = !context->sheet || !context->sheet->state || TestModelOption(context->sheet->state, 0x2);
  const void* chosen = longCode ? &kLongCodeRef : &kShortCodeRef;
  HWND box = Control(context, row->controlId);
  if (message == static_cast<UINT>(PSN_SETACTIVE)) {
    const LRESULT result = RunGeneric(context, message, wParam, lParam, row, &kLongCodeRef);
    SendMessageW(box, EM_LIMITTEXT, longCode ? 24 : 8, 0);
    const VisibilityRule rule{kDeviceList, kUserCode, 0, 0, kNoControl};
    ApplyVisibilityRule(context, row->controlId, &rule);
    return result;
  }
  // A stored code longer than the box takes is put back as it was by the
  // text check, which sends EN_CHANGE again: that one has nothing to check.
  static thread_local bool checking = false;
  const bool textChange = message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE;
  if (textChange && checking) return 0;
  if (textChange) checking = true;
  const std::u16string before = message == WM_COMMAND ? ValueSnapshot(context, kUserCode) : std::u16string();
  const LRESULT result = RunGeneric(context, message, wParam, lParam, row, chosen);
  if (message == WM_COMMAND) RefreshAfterCommand(context, row, kUserCode, before);
  if (textChange) checking = false;
  if (message == kMsgRefresh) {
    const VisibilityRule rule{kDeviceList, kUserCode, 0, 0, kNoControl};
    ApplyVisibilityRule(context, row->controlId, &rule);
  }
  return result;
}

LRESULT DeviceValueHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params) {
  if (!context || !row) return 0;
  if (message == WM_COMMAND) {
    const RowItem* item = GetCurrentRowItem(context, row);
    const WORD id = item ? item->id : 0;
    const std::u16string before = ValueSnapshot(context, id);
    const LRESULT result = RunGeneric(context, message, wParam, lParam, row, params);
    RefreshAfterCommand(context, row, id, before);
    return result;
  }
  if (message != static_cast<UINT>(PSN_SETACTIVE) && message != kMsgRefresh)
    return RunGeneric(context, message, wParam, lParam, row, params);
  const WORD selected = GetDeviceListSetting(context);
  SyncRowToControl(context->window, context, row, context->pageId, kDeviceList);
  const LRESULT result = RunGeneric(context, message, wParam, lParam, row, params);
  HWND control = Control(context, row->controlId);
  if (!control) return result;
  const bool listed = FindRowItemBySetting(row, selected) >= 0;
  const bool combo = row->kind == kKindComboBox;
  if (context->permission) {
    if (listed) return result;
    HWND codeBox = Control(context, kUserCodeBox);
    if (combo && codeBox && IsWindowVisible(codeBox)) {
      ShowWindow(control, SW_HIDE);
      return result;
    }
    if (combo) SendMessageW(control, CB_RESETCONTENT, 0, 0);
    ShowWindow(control, SW_SHOW);
    EnableWindow(control, FALSE);
    // The value text says there is nothing to choose.
    if (HWND text = Control(context, kDeviceValueText)) {
      WCHAR none[256] = {};
      LoadStringW(GetPagesResourceModule(), kNoValueString, none, 256);
      SetWindowTextW(text, none);
      EnableWindow(text, FALSE);
    }
    return result;
  }
  if (!listed) {
    ShowWindow(control, SW_HIDE);
    return result;
  }
  ShowWindow(control, SW_SHOW);
  EnableWindow(control, selected == kUserCode || selected == kSaveToFile);
  return result;
}

LRESULT DeviceTextEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                              const ControlRow* row, const void*) {
  if (!context || !row) return 0;
  HWND box = Control(context, row->controlId);
  const WORD selected = GetDeviceListSetting(context);
  if (message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh) {
    const TextEditChoice choice = ChooseTextEdit(context, selected);
    const INT index = FindRowItemBySetting(row, choice.target);
    if (index >= 0) SetRowCurrentIndex(context, row, index);
    // A refresh that the box's own setting caused leaves the box as the
    // user is typing in it.
    const bool fromItself =
        message == kMsgRefresh && IsSettingInChangedList(reinterpret_cast<const WORD*>(lParam), choice.target);
    if (choice.target != kEmptyLabelUiId && !fromItself) SetBoxStyle(box, choice.style, choice.limit);
    LRESULT result = 0;
    if (IsRealSetting(choice.target) || message == static_cast<UINT>(PSN_SETACTIVE))
      result = RunGeneric(context, message, wParam, lParam, row, choice.params);
    if (choice.target == kLogonNameUiId) {
      WCHAR name[kOwnerNameBytes + 1] = {};
      FormatLogonOwnerName(name, kOwnerNameBytes, kNameSingle, kNameDouble);
      SetWindowTextW(box, name);
      SendMessageW(box, EM_SETREADONLY, TRUE, 0);
      SetLogonNameLabel(context, row);
    } else {
      SendMessageW(box, EM_SETREADONLY, FALSE, 0);
    }
    const int shown = ApplyVisibilityRule(context, row->controlId, &choice.rule);
    if (!context->permission && shown) {
      HWND label = Control(context, kDeviceTextLabel);
      if (selected != kOwnerNameSource && selected != kUserCode && selected != kSaveToFile)
        DisableWithLabel(box, label);
      else if (selected == kOwnerNameSource && choice.target != kUserOwnName) DisableWithLabel(box, label);
    }
    return result;
  }
  const RowItem* current = GetCurrentRowItem(context, row);
  const bool real = current && IsRealSetting(current->id);
  const void* params = real ? TextParamsFor(current->id) : &kOwnerNameRef;
  if (message == static_cast<UINT>(PSN_KILLACTIVE) && selected == kSaveToFile && IsEmptyFolderBox(context)) {
    ShowEmptyFolderWarning(context);
    ReleaseEditRecord(context, row, params);
    SetFocus(box);
    return 1;
  }
  if (real) return RunGeneric(context, message, wParam, lParam, row, params);
  if (message == static_cast<UINT>(PSN_KILLACTIVE) || message == static_cast<UINT>(PSN_APPLY) ||
      message == static_cast<UINT>(PSN_RESET))
    return ReleaseEditRecord(context, row, params);
  return 0;
}

LRESULT DeviceSubDialogButtonHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                     const ControlRow* row, const void* params) {
  if (!context || !row) return 0;
  if (message == WM_COMMAND && GetDeviceListSetting(context) == kSaveToFile && IsEmptyFolderBox(context)) {
    ShowEmptyFolderWarning(context);
    SetFocus(Control(context, kDeviceTextBox));
    return 0;
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT DeviceIconHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params) {
  if (!context || !row) return 0;
  const LRESULT result = RunGeneric(context, message, wParam, lParam, row, params);
  if (message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh) {
    const VisibilityRule rule{kDeviceList, kIconSetting, 0, 0, kNoControl};
    ApplyVisibilityRule(context, row->controlId, &rule);
  }
  return result;
}

LRESULT OwnerNameEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                             const void* params) {
  if (!context || !row) return 0;
  const WORD selected = GetDeviceListSetting(context);
  if (message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh) {
    const WORD target = selected == kOwnerNameSource ? kOwnerNumber : kEmptyLabelUiId;
    const INT index = FindRowItemBySetting(row, target);
    if (index >= 0) SetRowCurrentIndex(context, row, index);
    LRESULT result = 0;
    if (IsRealSetting(target) || message == static_cast<UINT>(PSN_SETACTIVE))
      result = RunGeneric(context, message, wParam, lParam, row, params);
    const INT source = ReadSettingInt(context, kOwnerNameSource, -1);
    const VisibilityRule rule{kDeviceList, kOwnerNameSource, 1, source == 5 || source == 0 ? source : 1,
                              kOwnerNumberLabel};
    const int shown = ApplyVisibilityRule(context, row->controlId, &rule);
    if (!context->permission && shown && source != 5) {
      DisableWithLabel(Control(context, row->controlId), Control(context, kOwnerNumberLabel));
      SetConstraintStatus(context->sheet, kOwnerNumber, 1);
    }
    return result;
  }
  const RowItem* current = GetCurrentRowItem(context, row);
  if (current && IsRealSetting(current->id)) return RunGeneric(context, message, wParam, lParam, row, params);
  if (message == static_cast<UINT>(PSN_KILLACTIVE) || message == static_cast<UINT>(PSN_APPLY) ||
      message == static_cast<UINT>(PSN_RESET))
    return ReleaseEditRecord(context, row, params);
  return 0;
}

LRESULT DeviceResetButtonHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                 const ControlRow* row, const void* params) {
  if (!context || !row) return 0;
  if (context->permission || message != WM_COMMAND) return RunGeneric(context, message, wParam, lParam, row, params);
  // Without permission only the user's own entries go back to their defaults.
  constexpr WORD kOwn[] = {kUserOwnName, kOwnerNumber, kUserCode, kUserCodePassword, kSaveToFile, kSaveFolder};
  for (WORD id : kOwn)
    if (!ResetSettingToDefault(context->model, context->devMode, id, context->settings)) return 1;
  // The page refreshes; naming the ids brings their lines of the list up to date too.
  auto* ids = static_cast<WORD*>(GlobalAlloc(GPTR, sizeof kOwn + sizeof(WORD)));
  if (ids) std::memcpy(ids, kOwn, sizeof kOwn);
  SetContextChange(context, 1, ids, row);
  SetFocus(Control(context, row->controlId));
  return 0;
}

INT_PTR CALLBACK DevicePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageProcedure(window, message, wParam, lParam, kDevicePageId, kDialogTopPage);
}

void InstallDevicePageRows() {
  SetPageSetRows(kDevicePageId, kDeviceRows, static_cast<UINT>(sizeof kDeviceRows / sizeof kDeviceRows[0]));
  InstallInstalledOptionsRows();
  InstallOutputFolderRows();
}
