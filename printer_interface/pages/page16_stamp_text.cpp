// Document page 16: its rows, its procedure, the stamp comparison when the
// page opens, the record of the nine stamp settings and the live sample.
#include "printer_interface/pages/page16_stamp_text.h"

#include <cstring>

#include "platform/win/win_format.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_time.h"
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/text/resource_text.h"
#include "settings/access/setting_access.h"

namespace {

// The settings a StampRecord mirrors, in record order: the order in which
// they are written, with the value type and size of each write. Settings 300
// and 302 are stored as a byte and taken as their 16-bit returned type.
struct StampField {
  WORD setting;
  SettingValueType type;
  UINT size;
  size_t offset;
};
constexpr StampField kStampFields[] = {
    {kStampNameSetting, kSettingTypeText, sizeof(StampRecord::name) + 2, offsetof(StampRecord, name)},
    {kStampTextSetting, kSettingTypeText, sizeof(StampRecord::text) + 2, offsetof(StampRecord, text)},
    {301, kSettingTypeUInt32, 4, offsetof(StampRecord, color)},
    {300, kSettingTypeUInt16, 2, offsetof(StampRecord, style)},
    {455, kSettingTypeInt32, 4, offsetof(StampRecord, frame)},
    {302, kSettingTypeUInt16, 2, offsetof(StampRecord, mode)},
    {kStampPositionSetting, kSettingTypeUInt16, 2, offsetof(StampRecord, position)},
    {456, kSettingTypeInt32, 4, offsetof(StampRecord, offset)},
    {304, kSettingTypeFontRecord, sizeof(LOGFONTW), offsetof(StampRecord, font)},
};
static_assert(sizeof(StampRecord::name) + 2 == 66 && sizeof(StampRecord::text) + 2 == 130);

// Items, parameters and rows.
constexpr WORD kItemFlags = kItemEvaluateAll | kItemEvaluateCurrent;
constexpr RowItem kPositionItem[] = {{kStampPositionSetting, kItemFlags}};
constexpr RowItem kPrintTextItem[] = {{kStampPrintTextSetting, kItemFlags}};
constexpr RowItem kTextItem[] = {{kStampTextSetting, kItemFlags}};
constexpr RowItem kPrintDateItem[] = {{kStampPrintDateSetting, kItemFlags}};
constexpr RowItem kPrintTimeItem[] = {{kStampPrintTimeSetting, kItemFlags}};

constexpr ListControlParams kPositionList{kListModeChoices, 0, 0, 0, nullptr, nullptr};

// The stamp text: printable single bytes but the double quote, and every
// double-byte character, as the other texts of the sheets allow.
constexpr BYTE kTextSingleBytes[] = {0x20, 0x7E, 0};
constexpr BYTE kTextDoubleBytes[] = {0x81, 0x40, 0xFC, 0xFC, 0};
constexpr BYTE kTextForbidden[] = {0x22, 0};
constexpr CharacterRules kTextRules{kTextSingleBytes, kTextDoubleBytes, kTextForbidden, nullptr,
                                    kStampTextCharsMessage};
constexpr EditControlParams kTextEdit{kEditText | kEditDropsDecimals, kStampSampleChars, &kTextRules, nullptr,
                                      kEditCheckAtKillActive | kEditCheckAtValidate};
constexpr const EditControlParams* kTextEditRef = &kTextEdit;

const ControlRow kStampRows[] = {
    {kStampPositionControl, 1, kPositionItem, kKindComboBox, nullptr, &kPositionList, 1763, 402, nullptr},
    {kStampPrintTextControl, 1, kPrintTextItem, kKindCheckBox, StampSampleSourceHandler, nullptr,
     kStampPrintTextControl, 410, nullptr},
    {kStampTextControl, 1, kTextItem, kKindEdit, StampSampleSourceHandler, &kTextEditRef, 5160, 408, nullptr},
    {kStampPrintDateControl, 1, kPrintDateItem, kKindCheckBox, StampSampleSourceHandler, nullptr,
     kStampPrintDateControl, 440, nullptr},
    {kStampPrintTimeControl, 1, kPrintTimeItem, kKindCheckBox, StampSampleSourceHandler, nullptr,
     kStampPrintTimeControl, 413, nullptr},
    {kStampSampleControl, 0, nullptr, kKindEdit, StampTextSampleHandler, nullptr, kNoControl, kNoControl, nullptr},
};

HANDLE SheetPrinter(HWND window) {
  const SheetState* state = GetWindowSheetState(window);
  return state ? state->printer : nullptr;
}

// Copies a text of at most `chars` - 1 characters and its terminator.
void CopyFieldText(WCHAR* field, int chars, const WCHAR* text) {
  int n = 0;
  for (; text && n < chars - 1 && text[n]; ++n) field[n] = text[n];
  field[n] = 0;
}

bool ReadFlag(const HandlerContext* context, WORD id, INT* flag) {
  uint64_t value = 0;
  if (!ReadPageSetting(context, id, &value)) return false;
  *flag = static_cast<INT>(value & 0xFFFFFFFF);
  return true;
}

}  // namespace

// ---- The stamp record ---------------------------------------------------------------------------

int BuildStampRecord(DeviceModel* model, const void* devMode, const void* settings, StampRecord* record) {
  (void)model;
  if (!devMode || !record) return 0;
  std::memset(record, 0, sizeof *record);
  auto* bytes = reinterpret_cast<BYTE*>(record);
  for (const StampField& field : kStampFields) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t value = 0;
    if (GetSettingValue(field.setting, devMode, settings, &type, &size, &value) != kSettingOk) return 0;
    const auto* address = reinterpret_cast<const BYTE*>(static_cast<uintptr_t>(value));
    if (field.type == kSettingTypeText) {
      if (!address) return 0;
      CopyFieldText(reinterpret_cast<WCHAR*>(bytes + field.offset), static_cast<int>(field.size / sizeof(WCHAR)),
                    reinterpret_cast<const WCHAR*>(address));
    } else if (field.type == kSettingTypeFontRecord) {
      if (!address) return 0;
      std::memcpy(bytes + field.offset, address, field.size);
    } else {
      std::memcpy(bytes + field.offset, &value, field.size);
    }
  }
  return 1;
}

INT ApplyStampRecord(LPCWSTR name, HWND window, INT mode, DeviceModel* model, void* devMode, void* settings) {
  if (name && !name[0]) name = nullptr;
  StampRecord record{};
  if (ReadStampRecord(SheetPrinter(window), name, &record, FALSE, model) != kStampOk) return kStampApplyNoRecord;
  if (mode == kStampApplyEmptied) {
    std::memset(record.name, 0, sizeof record.name);
    std::memset(record.text, 0, sizeof record.text);
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(&record);
  for (const StampField& field : kStampFields) {
    const BYTE* value = bytes + field.offset;
    SettingAccessResult written;
    if (field.type == kSettingTypeText || field.type == kSettingTypeFontRecord) {
      written = SetSettingValue(field.setting, devMode, settings, field.type, field.size, &value);
    } else {
      written = SetSettingValue(field.setting, devMode, settings, field.type, field.size, value);
    }
    if (written != kSettingOk) return kStampApplyFailed;
  }
  return kStampApplyDone;
}

// ---- Opening the page ---------------------------------------------------------------------------

void CheckCurrentStamp(HandlerContext* context) {
  if (!context || !context->sheet || !context->sheet->state) return;
  HANDLE printer = context->sheet->state->printer;
  StampRecord record{};
  if (!BuildStampRecord(context->model, context->devMode, context->settings, &record) || !record.name[0]) return;
  const UINT warning = MB_ICONWARNING;
  switch (IsStampRecordStored(printer, &record, context->model)) {
    case kStampOk: return;
    case kStampDiffers:
      if (ShowResourceMessageBox(context->window, kWarningCaptionString, nullptr, MB_OKCANCEL | warning,
                                 kStampDiffersMessage, nullptr) == IDOK) {
        SaveStampRecord(printer, &record, context->model);
      } else {
        ApplyStampRecord(record.name, context->window, kStampApplyWhole, context->model, context->devMode,
                         context->settings);
      }
      return;
    case kStampNotStored:
      if (CanAddStamp(printer, record.name, context->model) == kStampOk) {
        ShowResourceMessageBox(context->window, kWarningCaptionString, nullptr, MB_OK | warning, kStampStoredMessage,
                               nullptr);
        SaveStampRecord(printer, &record, context->model);
      } else {
        ShowResourceMessageBox(context->window, kWarningCaptionString, nullptr, MB_OK | warning, kStampNoRoomMessage,
                               nullptr);
        ApplyStampRecord(nullptr, context->window, kStampApplyEmptied, context->model, context->devMode,
                         context->settings);
      }
      return;
    default: return;
  }
}

LRESULT StampPageInitDialog(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = TopPageInitDialog(context, message, wParam, lParam);
  CheckCurrentStamp(context);
  return result;
}

INT_PTR StampPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PageHandler handler = GetPageMessageHandler(message, wParam, lParam, kDialogTopPage);
  if (!handler) return FALSE;
  if (message == WM_INITDIALOG) handler = StampPageInitDialog;
  return DispatchPageMessage(window, message, wParam, lParam, kStampPageId, kDialogTopPage, handler);
}

// ---- The sample -----------------------------------------------------------------------------------

void FormatStampTextSample(INT textFlag, LPCWSTR text, INT dateFlag, INT timeFlag, LPWSTR out) {
  if (!out) return;
  // The text alone may fill the sample; the date part then falls beyond it.
  WCHAR sample[kStampSampleChars + 32] = {};
  int n = 0;
  if (textFlag == 1)
    for (; text && text[n] && n < kStampSampleChars; ++n) sample[n] = text[n];
  if (dateFlag == 1 || timeFlag == 1) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    WCHAR part[32] = {};
    int k = wsprintfW(part, u"(");
    if (dateFlag == 1) k += wsprintfW(part + k, u"%02d/%02d/%02d", now.wYear % 100, now.wMonth, now.wDay);
    if (dateFlag == 1 && timeFlag == 1) k += wsprintfW(part + k, u" ");
    if (timeFlag == 1) k += wsprintfW(part + k, u"%02d:%02d", now.wHour, now.wMinute);
    wsprintfW(part + k, u")");
    for (const WCHAR* p = part; *p; ++p) sample[n++] = *p;
  }
  sample[kStampSampleChars] = 0;
  std::memcpy(out, sample, (kStampSampleChars + 1) * sizeof(WCHAR));
}

int ShowStampTextSample(HandlerContext* context) {
  HWND control = context ? GetDlgItem(context->window, kStampSampleControl) : nullptr;
  if (!control) return 0;
  INT textFlag = 0, dateFlag = 0, timeFlag = 0;
  uint64_t text = 0;
  if (!ReadFlag(context, kStampPrintTextSetting, &textFlag) || !ReadPageSetting(context, kStampTextSetting, &text) ||
      !ReadFlag(context, kStampPrintDateSetting, &dateFlag) || !ReadFlag(context, kStampPrintTimeSetting, &timeFlag))
    return 0;
  WCHAR sample[kStampSampleChars + 1] = {};
  FormatStampTextSample(textFlag, reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(text)), dateFlag, timeFlag, sample);
  SetWindowTextW(control, sample);
  return 1;
}

LRESULT StampTextSampleHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow*, const void*) {
  if (message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh) ShowStampTextSample(context);
  return 0;
}

LRESULT StampSampleSourceHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                 const ControlRow* row, const void* params) {
  RowHandler generic = GetContextGenericHandler(context);
  const LRESULT result = generic ? generic(context, message, wParam, lParam, row, params) : 0;
  // A change without a conflict brings no page refresh: the sample follows
  // the setting here.
  if (message == WM_COMMAND) ShowStampTextSample(context);
  return result;
}

void InstallStampPage() {
  SetPageSetRows(kStampPageId, kStampRows, sizeof kStampRows / sizeof kStampRows[0]);
  SetPageProcedure(kStampPageId, reinterpret_cast<DLGPROC>(&StampPageProc));
}
