// Document page 2: print quality and resolution, four colour adjustments of
// which one row set edits whichever one setting 272 selects (while 482 is on),
// the colour sample, and a further image value with an access-key label.
#include "platform/ui/win_dialog.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/pages/document_pages.h"
#include "printer_interface/pages/preview_controls.h"
#include "settings/conflict_actions/setting_texts.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/services/module_state.h"

namespace {

constexpr WORD kAdjustSeparately = 482;
constexpr WORD kAdjustItem = 272;
constexpr WORD kOutputMode = 271;
constexpr WORD kQuality = 14;
constexpr uint64_t kOutputModeResetsQuality = 1032;
constexpr UINT kFeatureLabelExtra = 5214;

constexpr WORD kEval = kItemEvaluateAll | kItemEvaluateCurrent;
constexpr RowItem kItems14[] = {{14, kEval}};
// The adjustment of each colour range (272 = 0, 1, 2), then the common one.
constexpr RowItem kAdjustments[] = {{283, kEval}, {284, kEval}, {285, kEval}, {282, kEval}};
constexpr RowItem kItems479[] = {{479, kEval}};
constexpr RowItem kItems333[] = {{333, kEval}};
constexpr RowItem kItems356[] = {{356, kEval}};
constexpr RowItem kItems355[] = {{355, kEval}};

constexpr ListControlParams kChoiceList{kListModeChoices, 0, 0, kListStateBitmaps, nullptr, nullptr};
constexpr ValueTextParams kStateOnly{kValueTextState, kNoControl};
constexpr ScrollBarParams kAdjustBar{1, 20};
constexpr SpinParams kPlainSpin{0};
constexpr EditControlParams kAdjustEdit{kEditNumber | kEditSigned, 4, nullptr, nullptr, 0xFF};
constexpr EditControlParams kValueEdit{kEditNumber, 2, nullptr, nullptr, 0xFF};
constexpr const EditControlParams* kAdjustEditBlock = &kAdjustEdit;
constexpr const EditControlParams* kValueEditBlock = &kValueEdit;
constexpr ButtonAction kResetButton{kActionDefaults, nullptr};
constexpr BYTE kKeepOnReadOnly = kRowKeepOnReadOnly;

#define PK_ROW(control, items, kind, handler, params, label, string)                                                \
  ControlRow {                                                                                                      \
    control, static_cast<INT>(sizeof items / sizeof items[0]), items, kind, handler, params, label, string, nullptr \
  }

const ControlRow kPage2Rows[] = {
    PK_ROW(1081, kItems14, kKindComboBox, nullptr, &kChoiceList, 1078, 409),
    ControlRow{1090, 0, nullptr, kKindPushButton, &QualityResetButtonHandler, &kResetButton, kNoControl, kNoControl,
               nullptr},
    ControlRow{1282, 0, nullptr, kKindCustom, &PreviewControlHandler, nullptr, kNoControl, kNoControl,
               &kKeepOnReadOnly},
    PK_ROW(1150, kAdjustments, kKindValueText, &AdjustmentItemHandler, &kStateOnly, kNoControl, kNoControl),
    PK_ROW(1151, kAdjustments, kKindValueText, &AdjustmentItemHandler, &kStateOnly, kNoControl, kNoControl),
    PK_ROW(1104, kAdjustments, kKindScrollBar, &AdjustmentItemHandler, &kAdjustBar, 1107, 406),
    PK_ROW(1103, kAdjustments, kKindEdit, &AdjustmentItemHandler, &kAdjustEditBlock, 1107, 406),
    PK_ROW(5159, kAdjustments, kKindSpin, &AdjustmentItemHandler, &kPlainSpin, kNoControl, kNoControl),
    PK_ROW(1765, kItems479, kKindCheckBox, nullptr, nullptr, 1765, 408),
    PK_ROW(1080, kItems333, kKindComboBox, nullptr, &kChoiceList, 1077, 414),
    PK_ROW(5161, kItems356, kKindComboBox, nullptr, &kChoiceList, 5162, 411),
    PK_ROW(5164, kItems355, kKindEdit, nullptr, &kValueEditBlock, kNoControl, kNoControl),
    PK_ROW(5163, kItems355, kKindValueText, &FeatureLabelHandler, &kStateOnly, kNoControl, 402),
    PK_ROW(5165, kItems355, kKindSpin, &ReadOnlyBuddySpinHandler, &kPlainSpin, kNoControl, kNoControl),
    PK_ROW(5166, kItems355, kKindValueText, nullptr, &kStateOnly, kNoControl, kNoControl),
};
#undef PK_ROW

bool IsActivation(UINT message) { return message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh; }

LRESULT RunGeneric(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                   const void* params) {
  RowHandler generic = GetContextGenericHandler(context);
  return generic ? generic(context, message, wParam, lParam, row, params) : 0;
}

}  // namespace

LRESULT AdjustmentItemHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                              const ControlRow* row, const void* params) {
  if (IsActivation(message)) {
    uint64_t separately = 0, item = 0;
    if (!ReadPageSetting(context, kAdjustSeparately, &separately) || !ReadPageSetting(context, kAdjustItem, &item))
      return 1;
    const INT position = static_cast<INT>(item & 0xFFFF);
    if (row && position < row->itemCount) SetRowCurrentIndex(context, row, separately ? position : row->itemCount - 1);
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT FeatureLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params) {
  if (IsActivation(message) && context && row) {
    WCHAR extra[kLabelChars] = {};
    WCHAR label[kLabelChars] = {};
    LoadStringW(GetResourceModule(), kFeatureLabelExtra, extra, kLabelChars);
    const ItemSlot* slot = GetCurrentItemSlot(context, row);
    if (slot && BuildFeatureLabel(context, slot->settingId, extra, row->stringId, label))
      SetWindowTextW(GetDlgItem(context->window, row->controlId), label);
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

LRESULT QualityResetButtonHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                  const ControlRow* row, const void* params) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED || !context) return 0;
  // The output mode as it was before the page's defaults come back.
  uint64_t mode = 0;
  if (!ReadPageSetting(context, kOutputMode, &mode)) return 1;
  const LRESULT result = RunGeneric(context, message, wParam, lParam, row, params);
  if ((mode & 0xFFFF) != kOutputModeResetsQuality) return result;
  if (!ResetSettingToDefault(context->model, context->devMode, kQuality, context->settings)) return 1;
  const SettingsContext settings{context->model, context->devMode, context->settings};
  HMODULE module = GetResourceModule();
  WCHAR* text = nullptr;
  if (FormatSettingNameAndValue(&text, module, &settings, kQuality) && text) {
    WCHAR caption[128] = {};
    LoadStringW(module, kWarningCaptionString, caption, 128);
    MessageBoxW(context->window, text, caption, MB_ICONINFORMATION);
    GlobalFree(text);
  }
  return result;
}

INT_PTR DocumentPage2Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageProcedure(window, message, wParam, lParam, 2, kDialogTopPage);
}

const ControlRow* DocumentPage2Rows(UINT* count) {
  if (count) *count = sizeof kPage2Rows / sizeof kPage2Rows[0];
  return kPage2Rows;
}
