// Document page 0: paper size and output paper, scaling with an automatic
// percent while scaling is off, copies, orientation, pages per sheet, the
// output route and the buttons to the about dialog and the margins and
// offsets dialog; and the labels with access keys the document pages share.
#include <algorithm>

#include "platform/ui/win_controls.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/controls/kind_support.h"
#include "printer_interface/pages/about_dialog.h"
#include "printer_interface/pages/document_pages.h"
#include "printer_interface/pages/preview_controls.h"
#include "printer_interface/text/measurement_text.h"
#include "settings/access/setting_access.h"
#include "settings/conflict_actions/conflict_messages.h"
#include "settings/devmode/setting_sync.h"
#include "settings/model/model_format.h"
#include "settings/model/model_interface.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_records.h"
#include "settings/services/module_state.h"
#include "settings/services/user_paper.h"

namespace {

constexpr WORD kScalingOn = 449;
constexpr WORD kScalePercent = 263;
constexpr WORD kDocumentPaper = 8;
constexpr WORD kOutputPaper = 262;
constexpr INT kScalingCheck = 1184;
constexpr INT kSheetOkButton = 1;
constexpr DWORD kModelKeepsCopiesBox = 0x4000;

// ---- Automatic scale --------------------------------------------------------------------------

constexpr WORD kFixedRatioPapers[] = {8, 11, 9, 12, 13};  // A3, A5, A4, B4, B5
constexpr LONG kFixedRatioPercent[5][5] = {
    {100, 50, 71, 87, 61},      // A3
    {200, 100, 141, 173, 122},  // A5
    {141, 70, 100, 122, 86},    // A4
    {115, 58, 82, 100, 70},     // B4
    {163, 81, 115, 141, 100},   // B5
};

int FixedRatioIndex(WORD code) {
  for (int i = 0; i < 5; ++i)
    if (kFixedRatioPapers[i] == code) return i;
  return -1;
}

struct OwnedRecord {
  ModelRecord* record = nullptr;
  ~OwnedRecord() {
    if (record) FreeModelRecord(&record, -1);
  }
};

bool ReadNumber(const void* devMode, const void* settings, WORD id, LONG* out) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t v = 0;
  if (GetSettingValue(id, devMode, settings, &type, &size, &v) != 0) return false;
  *out = type == kSettingTypeInt16 ? static_cast<int16_t>(v) : static_cast<LONG>(static_cast<uint32_t>(v));
  return true;
}

// The printable size of a paper: the third pair's first point for a fixed
// paper; a user paper's own size less its unprintable margins, capped by
// the third pair's second point.
bool PrintableSize(DeviceModel* model, const void* devMode, const void* settings, WORD code, LONG* width,
                   LONG* length) {
  if (!model) return false;
  OwnedRecord paper;
  if (LoadModelRecordByKey(false, model->primary, model->secondary, kRecordPaper, code, 0, &paper.record) != 0)
    return false;
  const PointItem* low = GetPaperRecordPoint5(paper.record);
  const PointItem* high = GetPaperRecordPoint6(paper.record);
  if (!low || !high) return false;
  if (!IsUserPaperCode(code)) {
    *width = low->x;
    *length = low->y;
    return true;
  }
  SettingId widthId = 0, lengthId = 0, nameId = 0;
  const uint32_t value = code;
  if (!GetUserPaperSettingIds(&value, kSettingTypeUInt32, &widthId, &lengthId, &nameId, nullptr)) return false;
  LONG w = 0, l = 0;
  if (!ReadNumber(devMode, settings, widthId, &w) || !ReadNumber(devMode, settings, lengthId, &l)) return false;
  PointItem first{}, second{};
  if (GetPaperRecordPair2(paper.record, &first, &second) != 0) return false;
  *width = std::min<LONG>(w - (first.x + second.x), high->x);
  *length = std::min<LONG>(l - (first.y + second.y), high->y);
  return true;
}

// ---- Edit and label parameter blocks ----------------------------------------------------------

constexpr EditControlParams kScaleEdit{kEditNumber, 3, nullptr, nullptr, 0xFF};
constexpr EditControlParams kCopiesEdit{kEditNumber, 2, nullptr, nullptr, 0xFF};
constexpr EditControlParams kShiftEdit{kEditNumber | kEditLengthUnit, 5, nullptr, nullptr, 0xFF};
constexpr const EditControlParams* kScaleEditBlock = &kScaleEdit;
constexpr const EditControlParams* kCopiesEditBlock = &kCopiesEdit;
constexpr const EditControlParams* kShiftEditBlock = &kShiftEdit;
constexpr ListControlParams kChoiceList{kListModeChoices, 0, 0, kListStateBitmaps, nullptr, nullptr};
constexpr ValueTextParams kStateOnly{kValueTextState, kNoControl};
constexpr SpinParams kPlainSpin{0};
constexpr INT kPositionButtons[] = {1035, 1036};
constexpr RadioControlParams kPositionRadios{2, kPositionButtons};

// Buttons to the about dialog (page id 7, its own procedure) and the margins
// and offsets dialog (14).
constexpr ButtonAction kAboutButton{kActionSubDialog, &kAboutDialogSpec};
constexpr SubDialogEntry kMarginsEntry[] = {{kMarginsTemplate, &MarginsDialogProcedure, kMarginsPageId, kNoControl}};
constexpr SubDialogSpec kMarginsSpec{kMarginsEntry, 1, kNoControl, 0, 0};
constexpr ButtonAction kMarginsButton{kActionSubDialog, &kMarginsSpec};

// Row bitmaps of the picture controls.
constexpr RowPictureParams kPicture1105{1013};
constexpr RowPictureParams kPicture1762{1016};
constexpr RowPictureParams kPicture1763{1012};

constexpr BYTE kKeepOnReadOnly = kRowKeepOnReadOnly;
constexpr WORD kEval = kItemEvaluateAll | kItemEvaluateCurrent;

constexpr RowItem kItems449[] = {{449, kEval}};
constexpr RowItem kItems263[] = {{263, kEval}};
constexpr RowItem kItems12[] = {{12, kEval}};
constexpr RowItem kItems8[] = {{8, kEval}};
constexpr RowItem kItems262[] = {{262, kEval}};
constexpr RowItem kItems453[] = {{453, kEval}};
constexpr RowItem kItems373[] = {{373, kEval}};
constexpr RowItem kItems470[] = {{470, kEval}};
constexpr RowItem kItems295[] = {{295, kEval}};
constexpr RowItem kItems264[] = {{264, kEval}};
constexpr RowItem kItems7[] = {{7, kEval}};
constexpr RowItem kItems332[] = {{332, kEval}};
constexpr RowItem kItems471[] = {{471, kEval}};
constexpr RowItem kItems475[] = {{475, kEval}};
constexpr RowItem kItems437[] = {{437, kEval}};
// The settings the pictures and the layout follow, bound without a control.
constexpr RowItem kBoundOnly[] = {{8, kEval},   {262, kEval}, {265, kEval}, {294, kEval}, {7, kEval},   {18, kEval},
                                  {388, kEval}, {16, kEval},  {270, kEval}, {481, kEval}, {295, kEval}, {264, kEval},
                                  {321, kEval}, {296, kEval}, {453, kEval}, {297, kEval}, {322, kEval}, {458, kEval},
                                  {320, kEval}, {341, kEval}, {342, kEval}, {343, kEval}, {327, kEval}, {328, kEval},
                                  {437, kEval}, {441, kEval}};
static_assert(sizeof kBoundOnly / sizeof kBoundOnly[0] == 26);

#define PK_ROW(control, items, kind, handler, params, label, string, option)                                       \
  ControlRow {                                                                                                     \
    control, static_cast<INT>(sizeof items / sizeof items[0]), items, kind, handler, params, label, string, option \
  }
#define PK_BARE(control, kind, handler, params, option) \
  ControlRow { control, 0, nullptr, kind, handler, params, kNoControl, kNoControl, option }

const ControlRow kPage0Rows[] = {
    PK_ROW(1184, kItems449, kKindCheckBox, nullptr, nullptr, 1184, 462, nullptr),
    PK_ROW(1010, kItems263, kKindEdit, &ScalePercentHandler, &kScaleEditBlock, kNoControl, kNoControl, nullptr),
    PK_ROW(1177, kItems263, kKindValueText, nullptr, &kStateOnly, 1177, 419, nullptr),
    PK_ROW(1185, kItems263, kKindValueText, nullptr, &kStateOnly, kNoControl, kNoControl, nullptr),
    PK_ROW(1011, kItems12, kKindEdit, &CopiesEditHandler, &kCopiesEditBlock, 1327, 421, nullptr),
    PK_ROW(1029, kItems12, kKindSpin, &ReadOnlyBuddySpinHandler, &kPlainSpin, kNoControl, kNoControl, nullptr),
    PK_ROW(1006, kItems8, kKindComboBox, &PaperListHandler, &kChoiceList, 1174, 402, nullptr),
    PK_ROW(1008, kItems262, kKindComboBox, &PaperListHandler, &kChoiceList, 1175, 403, nullptr),
    PK_ROW(1035, kItems453, kKindRadio, nullptr, &kPositionRadios, kNoControl, kNoControl, nullptr),
    PK_ROW(1036, kItems453, kKindRadio, nullptr, &kPositionRadios, kNoControl, kNoControl, nullptr),
    PK_ROW(1761, kItems373, kKindEdit, nullptr, &kShiftEditBlock, kNoControl, kNoControl, nullptr),
    PK_ROW(1328, kItems373, kKindValueText, &RangeLabelHandler, &kStateOnly, kNoControl, 408, nullptr),
    PK_ROW(1330, kItems373, kKindValueText, &UnitLabelHandler, &kStateOnly, kNoControl, kNoControl, nullptr),
    PK_ROW(1189, kItems470, kKindCheckBox, nullptr, nullptr, 1189, 410, nullptr),
    PK_ROW(1351, kItems295, kKindComboBox, nullptr, &kChoiceList, 1350, 405, nullptr),
    PK_ROW(1007, kItems264, kKindComboBox, nullptr, &kChoiceList, 1176, 409, nullptr),
    PK_ROW(1009, kItems7, kKindComboBox, nullptr, &kChoiceList, 1178, 407, nullptr),
    PK_ROW(1015, kItems332, kKindComboBox, nullptr, &kChoiceList, 1181, 406, nullptr),
    PK_ROW(1190, kItems471, kKindCheckBox, nullptr, nullptr, 1190, 440, nullptr),
    PK_ROW(1191, kItems475, kKindCheckBox, nullptr, nullptr, 1191, 417, nullptr),
    ControlRow{1000, 0, nullptr, kKindPushButton, nullptr, &kAboutButton, 1000, 404, &kKeepOnReadOnly},
    PK_BARE(5167, kKindPushButton, nullptr, &kMarginsButton, &kKeepOnReadOnly),
    PK_BARE(1187, kKindCustom, &PreviewControlHandler, nullptr, &kKeepOnReadOnly),
    PK_BARE(1186, kKindCustom, &PreviewControlHandler, nullptr, &kKeepOnReadOnly),
    PK_ROW(kNoControl, kBoundOnly, kKindCustom, nullptr, nullptr, kNoControl, kNoControl, nullptr),
    PK_ROW(1014, kItems437, kKindComboBox, nullptr, &kChoiceList, 1180, 5051, nullptr),
    PK_BARE(1105, kKindCustom, &PreviewControlHandler, &kPicture1105, nullptr),
    PK_BARE(1762, kKindCustom, &PreviewControlHandler, &kPicture1762, nullptr),
    PK_BARE(1763, kKindCustom, &PreviewControlHandler, &kPicture1763, nullptr),
};
#undef PK_ROW
#undef PK_BARE

bool IsActivation(UINT message) { return message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh; }

LRESULT RunGeneric(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                   const void* params) {
  RowHandler generic = GetContextGenericHandler(context);
  return generic ? generic(context, message, wParam, lParam, row, params) : 0;
}

// The scaled document paper against the output paper; the busy flag of the
// sheet guards the check only and is put back as it was found, so a change
// that is still running keeps its guard.
WORD CheckScaledFit(HandlerContext* context, const ControlRow* row) {
  SheetState* state = context->sheet->state;
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  if (!slot) return 1;
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(slot->settingId, context->devMode, context->settings, &type, &size, &value) != 0) return 1;
  const SettingsContext settings{context->model, context->devMode, context->settings};
  const SettingValueRef ref{slot->settingId, type, &value};
  const INT saved = state->changeBusy;
  state->changeBusy = 1;
  const WORD answer = ReportScaledPaperFit(1, context->window, &settings, &ref);
  state->changeBusy = saved;
  return answer;
}

bool ChangeBusy(const HandlerContext* context) {
  return context->sheet && context->sheet->state && context->sheet->state->changeBusy;
}

}  // namespace

// ---- Labels --------------------------------------------------------------------------------------

int BuildLabelText(HMODULE module, const WCHAR* name, const WCHAR* extra, INT stringId, WCHAR* out) {
  if (!name || !out) return 0;
  WCHAR rowString[kLabelPartChars] = {};
  WCHAR suffix[kLabelPartChars] = {};
  WCHAR mark[kLabelPartChars] = {};
  if (stringId != kNoControl) LoadStringW(module, static_cast<UINT>(stringId), rowString, kLabelPartChars);
  LoadStringW(module, kLabelSuffixString, suffix, kLabelPartChars);
  LoadStringW(module, kAccessKeyMarkString, mark, kLabelPartChars);
  // The access letter follows the mark inside the row's string.
  WCHAR letter = 0;
  if (mark[0])
    for (const WCHAR* p = rowString; *p; ++p)
      if (*p == mark[0] && p[1]) {
        letter = p[1];
        break;
      }
  auto lower = [](WCHAR c) -> WCHAR { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c; };
  int n = 0;
  auto put = [&](WCHAR c) {
    if (n < kLabelChars - 1) out[n++] = c;
  };
  bool marked = false;
  for (const WCHAR* p = name; *p; ++p) {
    if (!marked && letter && lower(*p) == lower(letter)) {
      put(mark[0]);
      marked = true;
    }
    put(*p);
  }
  for (const WCHAR* p = extra; p && *p; ++p) put(*p);
  if (!marked)
    for (const WCHAR* p = rowString; *p; ++p) put(*p);
  for (const WCHAR* p = suffix; *p; ++p) put(*p);
  out[n] = 0;
  return 1;
}

int BuildFeatureLabel(HandlerContext* context, WORD settingId, const WCHAR* extra, INT stringId, WCHAR* out) {
  if (!context || !out) return 0;
  const WCHAR* name = nullptr;
  ModelRecord* record = nullptr;
  ModelInterfaceStatus status{};
  if (!GetModelFeature(context->model, settingId, nullptr, nullptr, &name, &record, &status) || !name) {
    if (record) ReleaseModelRecord(record);
    return 0;
  }
  const int built = BuildLabelText(GetResourceModule(), name, extra, stringId, out);
  ReleaseModelRecord(record);
  return built;
}

// ---- Automatic scale ------------------------------------------------------------------------------

int AutoScalePercent(DeviceModel* model, const void* devMode, const void* settings, WORD documentPaper,
                     WORD outputPaper, LONG* percent) {
  if (!percent) return 0;
  for (WORD keeps : kPaperKeepsScale)
    if (outputPaper == keeps) {
      *percent = 100;
      return 1;
    }
  const int d = FixedRatioIndex(documentPaper), o = FixedRatioIndex(outputPaper);
  if (d >= 0 && o >= 0) {
    *percent = kFixedRatioPercent[d][o];
    return 1;
  }
  LONG dw = 0, dl = 0, ow = 0, ol = 0;
  if (!PrintableSize(model, devMode, settings, documentPaper, &dw, &dl) ||
      !PrintableSize(model, devMode, settings, outputPaper, &ow, &ol))
    return 0;
  // A user paper smaller than its unprintable margins has no size to scale by.
  if (dw <= 0 || dl <= 0 || ow <= 0 || ol <= 0) return 0;
  LONG p = static_cast<LONG>(static_cast<double>(ow) * 100.0 / dw + 0.5);
  if (ol != 10000 && dl != 10000) p = std::min(p, static_cast<LONG>(static_cast<double>(ol) * 100.0 / dl + 0.5));
  *percent = p;
  return 1;
}

// ---- Handlers ------------------------------------------------------------------------------------

LRESULT ScalePercentHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params) {
  if (!context || !row || !context->sheet || !context->sheet->state) return 0;
  HWND box = GetDlgItem(context->window, row->controlId);
  if (IsActivation(message)) {
    uint64_t scaling = 0;
    ItemSlot* slot = GetCurrentItemSlot(context, row);
    if (!ReadPageSetting(context, kScalingOn, &scaling) || !slot) return 0;
    INT status = 0;
    if (GetContextPermission(context)) {
      status = std::max<INT>(controls::ApplyRowControlState(context, row), 0);
      if (box) SendMessageW(box, EM_SETREADONLY, status == 0 && !scaling, 0);
    }
    SetConstraintStatus(context->sheet, slot->settingId, static_cast<WORD>(status));
    if (!scaling && status == 0) {
      uint64_t documentPaper = 0, outputPaper = 0;
      LONG percent = 0;
      if (ReadPageSetting(context, kDocumentPaper, &documentPaper) &&
          ReadPageSetting(context, kOutputPaper, &outputPaper) &&
          AutoScalePercent(context->model, context->devMode, context->settings, static_cast<WORD>(documentPaper),
                           static_cast<WORD>(outputPaper), &percent)) {
        const uint64_t value = controls::NumberForType(slot->valueType, percent);
        WORD* ids = nullptr;
        const INT result = TryChangeSetting(context, row, slot, &value, &ids);
        if (ids) GlobalFree(ids);
        if (result == -1) return 0;
        slot->value = value;
      }
    } else if (scaling && message == kMsgRefresh &&
               IsSettingInChangedList(reinterpret_cast<const WORD*>(lParam), kScalingOn)) {
      if (box) SetFocus(box);
      const uint64_t hundred = controls::NumberForType(slot->valueType, 100);
      SettingValueType type = 0;
      UINT size = 0;
      uint64_t current = 0;
      if (GetSettingValue(slot->settingId, context->devMode, context->settings, &type, &size, &current) == 0 &&
          SetSettingValue(slot->settingId, context->devMode, context->settings, type, size, &hundred) == 0)
        slot->value = hundred;
    }
    return RunGeneric(context, message, wParam, lParam, row, params);
  }
  // The fit check after the box loses the focus waits for the focus to
  // arrive (a posted row message), so it knows where the focus went.
  if (message == WM_COMMAND && HIWORD(wParam) == EN_KILLFOCUS) {
    const LRESULT result = RunGeneric(context, message, wParam, lParam, row, params);
    PostMessageW(context->window, kMsgRowPrivate1, static_cast<WPARAM>(row->controlId), 0);
    return result;
  }
  if (message == kMsgRowPrivate1) {
    HWND focus = GetFocus();
    if (focus == box || (focus && GetDlgCtrlID(focus) == kScalingCheck && GetParent(focus) == context->window))
      return 0;
    if (!ChangeBusy(context)) CheckScaledFit(context, row);
    return 0;
  }
  if (message == static_cast<UINT>(PSN_KILLACTIVE)) {
    const bool focused = box && GetFocus() == box;
    const LRESULT result = RunGeneric(context, message, wParam, lParam, row, params);
    if (focused && !ChangeBusy(context) && CheckScaledFit(context, row) == 4) {
      HWND ok = GetDlgItem(GetContextOwner(context), kSheetOkButton);
      if (ok) SetFocus(ok);
      return 1;
    }
    return result;
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT CopiesEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params) {
  const LRESULT result = RunGeneric(context, message, wParam, lParam, row, params);
  if (!context || !row || !IsActivation(message) || !context->sheet) return result;
  if (TestModelOption(context->sheet->state, kModelKeepsCopiesBox)) return result;
  uint64_t privateSource = 0, defaultSource = 0, mediaType = 0, addedSheets = 0;
  if (!ReadPageSetting(context, 265, &privateSource) || !ReadPageSetting(context, 13, &defaultSource) ||
      !ReadPageSetting(context, 388, &mediaType) || !ReadPageSetting(context, 481, &addedSheets))
    return result;
  const int16_t publicSource = static_cast<int16_t>(defaultSource);
  const LONG source = publicSource == 15 ? static_cast<LONG>(privateSource & 0xFFFF) : publicSource;
  const bool readOnly = source == 4 && (mediaType & 0xFFFF) == 3 && (addedSheets & 0xFFFFFFFF) == 1;
  if (HWND box = GetDlgItem(context->window, row->controlId)) SendMessageW(box, EM_SETREADONLY, readOnly, 0);
  return result;
}

LRESULT ReadOnlyBuddySpinHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                 const ControlRow* row, const void* params) {
  if (message == WM_VSCROLL) {
    const ControlRow* buddy = FindSiblingRow(context, row, kKindEdit);
    HWND box = buddy && context ? GetDlgItem(context->window, buddy->controlId) : nullptr;
    if (!box) return 1;
    if (GetWindowLongW(box, GWL_STYLE) & ES_READONLY) return 0;
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT PaperListHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                         const void* params) {
  if (message == static_cast<UINT>(PSN_SETACTIVE)) {
    const ItemSlot* slot = GetCurrentItemSlot(context, row);
    if (!slot || !context->sheet) return 0;
    const WORD id = slot->settingId;
    // Every use of the shared list is given back and taken again, so that
    // the list is built anew from the settings as they are now; the
    // constraint record follows a list whose length changed.
    const INT uses = FindChoiceListUses(context->sheet, id);
    if (uses <= 0) return 0;
    for (INT i = 0; i < uses; ++i) ReleaseChoiceList(context->sheet, id);
    SettingChoiceList* list = nullptr;
    for (INT i = 0; i < uses; ++i)
      if (!(list = AcquireChoiceList(context->sheet, id))) return 0;
    ChoiceConstraintRecord* record = FindConstraintRecord(context->sheet, id);
    if (record && record->count != list->count) {
      const INT recordUses = record->uses;
      for (INT i = 0; i < recordUses; ++i) DropConstraintRecord(context->sheet, id);
      for (INT i = 0; i < recordUses; ++i)
        if (!CreateConstraintRecord(context->sheet, id, list->count)) return 0;
    }
    RefreshItemValues(context);
    SelectCurrentItems(context);
    EvaluatePageConstraints(context, kItemEvaluateAll, nullptr);
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT RangeLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params) {
  if (IsActivation(message) && context && context->sheet) {
    LONG low = 0, high = 0;
    const ItemSlot* slot = GetCurrentItemSlot(context, row);
    if (slot && GetRowValueRange(context, row, &low, &high)) {
      const int unit = context->sheet->state->unit;
      DWORD shown = 0;
      uint64_t v = static_cast<uint32_t>(low);
      ConvertSettingUnits(kUnitShow, slot->settingId, slot->valueType, &v, &shown);
      low = static_cast<LONG>(shown);
      v = static_cast<uint32_t>(high);
      ConvertSettingUnits(kUnitShow, slot->settingId, slot->valueType, &v, &shown);
      high = static_cast<LONG>(shown);
      int decimals = 0;
      if (unit == 1) {
        low = TenthMmToHundredthInch(low);
        high = TenthMmToHundredthInch(high);
        DecimalsForUnit(slot->settingId, unit, &decimals);
      }
      WCHAR range[kLabelChars] = {};
      WCHAR label[kLabelChars] = {};
      HMODULE module = GetResourceModule();
      if (RangeText(module, low, high, decimals, unit, range) &&
          BuildFeatureLabel(context, slot->settingId, range, row->stringId, label))
        SetWindowTextW(GetDlgItem(context->window, row->controlId), label);
    }
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT UnitLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                         const void* params) {
  if (IsActivation(message) && context && context->sheet && row) {
    WCHAR unit[32] = {};
    if (LoadStringW(GetResourceModule(), context->sheet->state->unit == 1 ? 461 : 460, unit, 32) > 0)
      SetWindowTextW(GetDlgItem(context->window, row->controlId), unit);
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

// ---- The page ------------------------------------------------------------------------------------

INT_PTR DocumentPage0Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageProcedure(window, message, wParam, lParam, 0, kDialogTopPage);
}

const ControlRow* DocumentPage0Rows(UINT* count) {
  if (count) *count = sizeof kPage0Rows / sizeof kPage0Rows[0];
  return kPage0Rows;
}

void InstallDocumentPages() {
  UINT count = 0;
  const ControlRow* rows = DocumentPage0Rows(&count);
  SetPageSetRows(0, rows, count);
  SetPageProcedure(0, &DocumentPage0Procedure);
  rows = DocumentPage2Rows(&count);
  SetPageSetRows(2, rows, count);
  SetPageProcedure(2, &DocumentPage2Procedure);
  rows = MarginsDialogRows(&count);
  SetPageSetRows(kMarginsPageId, rows, count);
}
