// The output folder dialog of the device page: what is done with files
// saved by the printer, the folder (typed or chosen in the folder browser)
// and the file name, and the sizes a variable paper may take on the model.
#include "platform/ui/win_commdlg.h"
#include "platform/ui/win_controls.h"
#include "platform/win/win_format.h"
#include "printer_interface/pages/device_page.h"
#include "printer_interface/text/resource_text.h"
#include "settings/model/model_records.h"

namespace {

constexpr WORD kEval = kItemEvaluateAll | kItemEvaluateCurrent;
constexpr int kRangeChars = 32;
constexpr int kTitleChars = 128;

constexpr RowItem kExistingFileItems[] = {{1039, kEval}};
constexpr RowItem kFormatItems[] = {{1040, kEval}};
constexpr RowItem kNameSourceItems[] = {{1037, kEval}};
constexpr RowItem kFolderItems[] = {{kSaveFolder, kEval}};
constexpr RowItem kFileNameItems[] = {{1300, kEval}};

constexpr ListControlParams kComboParams{kListModeChoices, 0, 0, 0, nullptr, nullptr};
constexpr BYTE kNameSingle[] = {0x20, 0x7E, 0xA1, 0xDF, 0};
constexpr BYTE kNameDouble[] = {0x81, 0x40, 0xFC, 0xFC, 0};
// A file name takes none of the characters a Windows path reserves.
constexpr BYTE kFileNameForbidden[] = {'\\', '/', ':', '*', '?', '"', '<', '>', '|', 0};
constexpr CharacterRules kFolderRules{kNameSingle, kNameDouble, nullptr, nullptr, 425};
constexpr CharacterRules kFileNameRules{kNameSingle, kNameDouble, kFileNameForbidden, nullptr,
                                        static_cast<INT>(kFileNameCharsString)};
// Checked when the dialog is left or confirmed, not at every focus change.
constexpr BYTE kCheckMask = kEditCheckAtKillActive | kEditCheckAtValidate;
constexpr EditControlParams kFolderEdit{0x202, 128, &kFolderRules, nullptr, kCheckMask};
constexpr EditControlParams kFileNameEdit{0x202, 32, &kFileNameRules, nullptr, kCheckMask};
const EditControlParams* const kFolderRef = &kFolderEdit;
const EditControlParams* const kFileNameRef = &kFileNameEdit;

const ControlRow kFolderRows[] = {
    {1555, 1, kExistingFileItems, kKindComboBox, nullptr, &kComboParams, 1701, 408, nullptr},
    {1556, 1, kFormatItems, kKindComboBox, nullptr, &kComboParams, 1702, 465, nullptr},
    {1553, 1, kNameSourceItems, kKindComboBox, nullptr, &kComboParams, 1699, 403, nullptr},
    {kFolderBox, 1, kFolderItems, kKindEdit, nullptr, &kFolderRef, 1768, 402, nullptr},
    {kBrowseButton, 0, nullptr, kKindPushButton, &BrowseOutputFolder, nullptr, kNoControl, kNoControl, nullptr},
    {kFileNameBox, 1, kFileNameItems, kKindEdit, nullptr, &kFileNameRef, 1700, 405, nullptr},
};

}  // namespace

int FindVariablePaperLimits(DeviceModel* model, VariablePaperLimits* limits) {
  if (!limits) return 0;
  *limits = {};
  if (!model || !model->primary) return 0;
  const WORD count = CountModelRecords(model->primary, kRecordPaper);
  for (WORD n = 1; n <= count; ++n) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByIndex(false, model->primary, model->secondary, kRecordPaper, n, &record) != 0 || !record)
      return 0;
    const auto* paper = static_cast<const PaperRecord*>(record);
    const WORD minWidth = static_cast<WORD>(paper->pair4[0].x), minHeight = static_cast<WORD>(paper->pair4[0].y);
    const WORD maxWidth = static_cast<WORD>(paper->pair4[1].x), maxHeight = static_cast<WORD>(paper->pair4[1].y);
    // The last variable paper in record order gives the limits.
    if (maxWidth != minWidth && maxHeight != minHeight) *limits = {minWidth, maxWidth, minHeight, maxHeight};
    FreeModelRecord(&record, kRecordPaper);
  }
  return 1;
}

void FormatSizeValue(WORD value, LPWSTR out) {
  if (out) wsprintfW(out, u"%u.%u", static_cast<UINT>(value / 10), static_cast<UINT>(value % 10));
}

int FormatSizeRange(HMODULE module, WORD low, WORD high, LPCWSTR unit, LPWSTR out) {
  if (!out) return 0;
  out[0] = 0;
  WCHAR format[kRangeChars] = {};
  if (LoadStringW(module, kSizeRangeString, format, kRangeChars) <= 0) return 0;
  WCHAR lowText[16], highText[16];
  FormatSizeValue(low, lowText);
  FormatSizeValue(high, highText);
  // Three short texts into a short format: the result cannot pass 32 + 3 x 15.
  WCHAR text[kRangeChars + 64] = {};
  wsprintfW(text, format, lowText, highText, unit ? unit : u"");
  int n = 0;
  for (; text[n] && n < kRangeChars - 1; ++n) out[n] = text[n];
  out[n] = 0;
  return 1;
}

void ShowPaperRanges(HWND dialog, const VariablePaperLimits* limits) {
  if (!dialog || !limits) return;
  HMODULE module = GetPagesResourceModule();
  WCHAR unit[kRangeChars] = {};
  LoadStringW(module, kStringUnitMm, unit, kRangeChars);
  WCHAR text[kRangeChars];
  if (FormatSizeRange(module, limits->minWidth, limits->maxWidth, unit, text))
    SetDlgItemTextW(dialog, kWidthRange, text);
  if (FormatSizeRange(module, limits->minHeight, limits->maxHeight, unit, text))
    SetDlgItemTextW(dialog, kHeightRange, text);
  SetDlgItemTextW(dialog, kWidthUnit, unit);
  SetDlgItemTextW(dialog, kHeightUnit, unit);
}

INT_PTR OutputFolderDialogInit(HWND window, WPARAM wParam, LPARAM lParam) {
  auto* sheet = reinterpret_cast<SheetContext*>(lParam);
  if (!sheet) return 0;
  SetWindowLongPtrW(window, DWLP_USER, lParam);
  // A model whose paper records cannot all be read shows the ranges of a
  // model without variable papers rather than a partial answer.
  VariablePaperLimits limits{};
  if (!FindVariablePaperLimits(sheet->state ? sheet->state->model : nullptr, &limits)) limits = {};
  ShowPaperRanges(window, &limits);
  return RunPageProcedure(window, WM_INITDIALOG, wParam, lParam, kOutputFolderPageId, kDialogModal);
}

INT_PTR CALLBACK OutputFolderDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OutputFolderDialogInit(window, wParam, lParam);
  return RunPageProcedure(window, message, wParam, lParam, kOutputFolderPageId, kDialogModal);
}

int BrowseForFolder(HWND owner, LPWSTR path) {
  if (!path) return 0;
  WCHAR title[kTitleChars] = {};
  LoadStringW(GetPagesResourceModule(), kBrowseTitleString, title, kTitleChars);
  WCHAR display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = display;
  info.lpszTitle = title;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return 0;
  SHGetPathFromIDListW(chosen, path);
  IMalloc* shell = nullptr;
  if (SHGetMalloc(&shell) == 0 && shell) {
    shell->Free(chosen);
    shell->Release();
  }
  return 1;
}

LRESULT BrowseOutputFolder(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow*, const void*) {
  if (!context || message != WM_COMMAND) return 0;
  HWND box = GetDlgItem(context->window, kFolderBox);
  // A choice without a file-system path leaves the box's text as it is.
  WCHAR path[MAX_PATH] = {};
  if (box) GetWindowTextW(box, path, MAX_PATH);
  if (!BrowseForFolder(context->window, path)) return 0;
  // The folder box's own row stores the text in the folder setting.
  if (box) SetWindowTextW(box, path);
  return 1;
}

void InstallOutputFolderRows() {
  SetPageSetRows(kOutputFolderPageId, kFolderRows, static_cast<UINT>(sizeof kFolderRows / sizeof kFolderRows[0]));
}
