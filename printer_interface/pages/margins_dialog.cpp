// The margins and image offsets dialog (page id 14) of document page 0: top
// and bottom margins and two image offsets in tenths of a millimetre, shown
// in the sheet's length unit, with layout icons that follow the offset
// direction, the PJL output and the image rotation.
#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/pages/document_pages.h"
#include "printer_interface/pages/preview_controls.h"
#include "printer_interface/text/resource_text.h"
#include "platform/win/win_resource.h"
#include "settings/services/module_state.h"

namespace {

constexpr WORD kOffsetDirection = 413;
constexpr WORD kPjlOutput = 1032;
constexpr WORD kImageRotation = 437;
constexpr UINT kUnitExtraString = 5199;

constexpr WORD kEval = kItemEvaluateAll | kItemEvaluateCurrent;
constexpr RowItem kItems477[] = {{477, kEval}};
constexpr RowItem kItems478[] = {{478, kEval}};
constexpr RowItem kItems413[] = {{413, kEval}};
constexpr RowItem kItems351[] = {{351, kEval}};
constexpr RowItem kItems352[] = {{352, kEval}};
constexpr RowItem kItems353[] = {{353, kEval}};
constexpr RowItem kItems354[] = {{354, kEval}};

// One decimal, no sign, the length-unit rules.
constexpr EditUnitRecord kOneDecimal{1, 0};
constexpr EditControlParams kLengthEdit{kEditNumber | kEditRefusesSign | kEditDecimals | kEditLengthUnit, 5, nullptr,
                                        &kOneDecimal, 0xFF};
static_assert((kEditNumber | kEditRefusesSign | kEditDecimals | kEditLengthUnit) == 0x461);
constexpr const EditControlParams* kLengthEditBlock = &kLengthEdit;
constexpr ListControlParams kChoiceList{kListModeChoices, 0, 0, kListStateBitmaps, nullptr, nullptr};
constexpr ValueTextParams kStateOnly{kValueTextState, kNoControl};
constexpr SpinParams kPlainSpin{0};

#define PK_ROW(control, items, kind, handler, params, label, string)                                                \
  ControlRow {                                                                                                      \
    control, static_cast<INT>(sizeof items / sizeof items[0]), items, kind, handler, params, label, string, nullptr \
  }
#define PK_ICON(control) \
  ControlRow { control, 0, nullptr, kKindCustom, &LayoutIconHandler, nullptr, kNoControl, kNoControl, nullptr }

const ControlRow kMarginsRows[] = {
    PK_ROW(5168, kItems477, kKindCheckBox, nullptr, nullptr, 5168, 415),
    PK_ICON(5198),
    PK_ICON(5197),
    PK_ROW(5170, kItems351, kKindEdit, nullptr, &kLengthEditBlock, kNoControl, kNoControl),
    PK_ROW(5175, kItems352, kKindEdit, nullptr, &kLengthEditBlock, kNoControl, kNoControl),
    PK_ROW(5169, kItems351, kKindValueText, &MarginLabelHandler, &kStateOnly, kNoControl, 410),
    PK_ROW(5174, kItems352, kKindValueText, &MarginLabelHandler, &kStateOnly, kNoControl, 412),
    PK_ROW(5171, kItems351, kKindSpin, nullptr, &kPlainSpin, kNoControl, kNoControl),
    PK_ROW(5176, kItems352, kKindSpin, nullptr, &kPlainSpin, kNoControl, kNoControl),
    PK_ROW(5172, kItems351, kKindValueText, &UnitLabelHandler, &kStateOnly, kNoControl, kNoControl),
    PK_ROW(5178, kItems352, kKindValueText, &UnitLabelHandler, &kStateOnly, kNoControl, kNoControl),
    PK_ROW(5179, kItems478, kKindCheckBox, nullptr, nullptr, 5179, 402),
    PK_ROW(5181, kItems413, kKindComboBox, nullptr, &kChoiceList, 5180, 406),
    PK_ROW(5196, kItems413, kKindCustom, &LayoutIconHandler, nullptr, kNoControl, kNoControl),
    PK_ROW(5183, kItems353, kKindEdit, nullptr, &kLengthEditBlock, kNoControl, kNoControl),
    PK_ROW(5188, kItems354, kKindEdit, nullptr, &kLengthEditBlock, kNoControl, kNoControl),
    PK_ROW(5182, kItems353, kKindValueText, &MarginLabelHandler, &kStateOnly, kNoControl, 419),
    PK_ROW(5187, kItems354, kKindValueText, &MarginLabelHandler, &kStateOnly, kNoControl, 417),
    PK_ROW(5184, kItems353, kKindSpin, nullptr, &kPlainSpin, kNoControl, kNoControl),
    PK_ROW(5189, kItems354, kKindSpin, nullptr, &kPlainSpin, kNoControl, kNoControl),
    PK_ROW(5185, kItems353, kKindValueText, &UnitLabelHandler, &kStateOnly, kNoControl, kNoControl),
    PK_ROW(5190, kItems354, kKindValueText, &UnitLabelHandler, &kStateOnly, kNoControl, kNoControl),
};
#undef PK_ROW
#undef PK_ICON

bool IsActivation(UINT message) { return message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh; }

LRESULT RunGeneric(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                   const void* params) {
  RowHandler generic = GetContextGenericHandler(context);
  return generic ? generic(context, message, wParam, lParam, row, params) : 0;
}

int IconForRow(HandlerContext* context, INT, INT controlId, INT* iconId) {
  return LayoutIconId(context, controlId, iconId);
}

}  // namespace

int LayoutIconId(HandlerContext* context, INT controlId, INT* iconId) {
  if (!context || !iconId) return 1;
  uint64_t rotation = 0;
  if (!ReadPageSetting(context, kImageRotation, &rotation)) return 3;
  if (controlId == 5196) {
    uint64_t direction = 0;
    if (!ReadPageSetting(context, kOffsetDirection, &direction)) return 3;
    const SettingChoiceList* list = FindPageChoiceList(context->sheet, kOffsetDirection);
    const uint64_t v = direction & 0xFFFF;
    if (v > 3 || !list || static_cast<INT>(v) >= list->count) return 1;
    *iconId = 5210 + static_cast<INT>(v);
    return 0;
  }
  if (controlId != 5197 && controlId != 5198) return 1;
  uint64_t pjl = 0;
  if (!ReadPageSetting(context, kPjlOutput, &pjl)) return 3;
  const INT base = controlId == 5198 ? 5204 : 5205;
  if (pjl == 0) *iconId = base + 4;
  else if ((rotation & 0xFF) == 3) *iconId = base + 2;
  else *iconId = base;
  return 0;
}

LRESULT LayoutIconHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void*) {
  return SetRowIcon(context, message, wParam, lParam, row, &IconForRow);
}

LRESULT MarginLabelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params) {
  if (IsActivation(message) && context && context->sheet && row) {
    const ItemSlot* slot = GetCurrentItemSlot(context, row);
    HMODULE module = GetResourceModule();
    WCHAR unit[32] = {};
    WCHAR extra[kLabelChars] = {};
    WCHAR label[kLabelChars] = {};
    LoadStringW(module, context->sheet->state->unit == 1 ? 461 : 460, unit, 32);
    FormatResourceString(extra, kLabelChars, kUnitExtraString, unit);
    bool built = false;
    if (slot && (slot->settingId == 351 || slot->settingId == 352)) {
      built = BuildFeatureLabel(context, slot->settingId, extra, row->stringId, label) != 0;
    } else if (slot && (slot->settingId == 353 || slot->settingId == 354)) {
      uint64_t direction = 0;
      if (ReadPageSetting(context, kOffsetDirection, &direction)) {
        const uint64_t v = direction & 0xFFFF;
        UINT nameId = 0;
        if (slot->settingId == 353) nameId = v != 0 && v != 1 ? 5201 : 5200;
        else nameId = v != 0 && v != 2 ? 5203 : 5202;
        WCHAR name[kLabelChars] = {};
        built = LoadStringW(module, nameId, name, kLabelChars) > 0 &&
                BuildLabelText(module, name, extra, row->stringId, label);
      }
    }
    if (built) SetWindowTextW(GetDlgItem(context->window, row->controlId), label);
  }
  return RunGeneric(context, message, wParam, lParam, row, params);
}

INT_PTR MarginsDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunPageProcedure(window, message, wParam, lParam, kMarginsPageId, kDialogModal);
}

const ControlRow* MarginsDialogRows(UINT* count) {
  if (count) *count = sizeof kMarginsRows / sizeof kMarginsRows[0];
  return kMarginsRows;
}
