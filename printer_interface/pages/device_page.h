// The device page (the only page of the printer's properties): the list of
// per-printer settings and the editors of the selected one, the installed
// options dialog and the output folder dialog it opens, and the owner name
// made from the logon user and the computer.
#pragma once

#include "printer_interface/controls/control_kinds.h"
#include "printer_interface/framework/page_framework.h"

// ---- The device page -------------------------------------------------------------------------
constexpr INT kDevicePageId = 4;
constexpr INT kInstalledOptionsPageId = 22;
constexpr INT kOutputFolderPageId = 23;
constexpr UINT kDevicePageTemplate = 501;
constexpr UINT kInstalledOptionsTemplate = 513;
constexpr UINT kOutputFolderTemplate = 514;

// Controls of the device page.
constexpr INT kDeviceList = 1032;
constexpr INT kUserCodeBox = 1348;
constexpr INT kDeviceValueCombo = 1061;
constexpr INT kDeviceValueText = 1298;
constexpr INT kDeviceTextBox = 1343;
constexpr INT kDeviceTextLabel = 1299;
constexpr INT kOptionsButton = 1064;
constexpr INT kOutputFolderButton = 1065;
constexpr INT kDeviceChoiceText = 1346;
constexpr INT kDeviceIcon = 1566;
constexpr INT kOwnerNumberBox = 1347;
constexpr INT kOwnerNumberLabel = 1300;
constexpr INT kDeviceResetButton = 1090;

// Settings and UI ids the page edits.
constexpr WORD kOwnerNameSource = 1031;  // 0 logon name, 5 each user's own, else the printer's
constexpr WORD kPrinterOwnerName = 1025;
constexpr WORD kUserOwnName = 1054;
constexpr WORD kUserCode = 1033;
constexpr WORD kUserCodePassword = 1034;
constexpr WORD kUserCodeSwitch = 1053;
constexpr WORD kSaveToFile = 1050;
constexpr WORD kSaveFolder = 1051;
constexpr WORD kOwnerNumber = 1052;
constexpr WORD kIconSetting = 1036;
constexpr WORD kLogonNameUiId = 0x9017;
constexpr WORD kInstallableOptionsUiId = 0x901B;

// Messages of the device page.
constexpr UINT kNoValueString = 392;
constexpr UINT kEmptyFolderMessage = 737;
constexpr UINT kEmptyFolderTail = 738;
constexpr UINT kEmptyFolderJoin = 742;

// A control shown only while the leader row's current setting is `settingId`
// (and, with compare 1, that setting's value is `value`); otherwise it and
// the extra control are disabled and hidden.
struct VisibilityRule {
  WORD leaderControlId;
  WORD settingId;
  INT compare;
  INT value;
  INT extraControlId;  // -3 none
};
// 1 when the rule shows the control, 0 when it hid it (or is missing).
int ApplyVisibilityRule(HandlerContext* context, INT controlId, const VisibilityRule* rule);

// The setting of the list's selected line (the list row's current item), 0 when none.
WORD GetDeviceListSetting(const HandlerContext* context);

LRESULT DeviceListHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params);
LRESULT UserCodeEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params);
LRESULT DeviceValueHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params);
LRESULT DeviceTextEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                              const ControlRow* row, const void* params);
LRESULT DeviceSubDialogButtonHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                     const ControlRow* row, const void* params);
LRESULT DeviceIconHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params);
LRESULT OwnerNameEditHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                             const void* params);
LRESULT DeviceResetButtonHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                 const ControlRow* row, const void* params);
// The warning of an empty folder while saving to a file is on: its answer.
int ShowEmptyFolderWarning(HandlerContext* context);
// The dialog procedure of the device page (a top page).
INT_PTR CALLBACK DevicePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Hands the rows of the device page and of its two dialogs to the page tables.
void InstallDevicePageRows();
void InstallInstalledOptionsRows();
void InstallOutputFolderRows();

// ---- Owner name ----------------------------------------------------------------------------------
constexpr int kOwnerNameBytes = 31;
// Copies the name in the ANSI code page into `out` (room for limit + 1
// bytes) while its characters lie in the ranges, stopping before the limit
// would be passed. The bytes copied, or 0 when a character lies outside the
// ranges or the name is blank (single-byte blanks and 0x81 0x40 only).
int FitNameToCharset(LPCWSTR name, LPSTR out, int limit, const BYTE* singleRanges, const BYTE* doubleRanges);
// The logon user's name (the Winlogon default user for the system account),
// joined "user\computer" when shorter than `limit` bytes, cut after `limit`
// bytes, into `out` (limit + 1 characters). The characters written.
int FormatLogonOwnerName(LPWSTR out, int limit, const BYTE* singleRanges, const BYTE* doubleRanges);

// ---- Installed options dialog ---------------------------------------------------------------------
struct InstalledOptionRow {
  WORD key;        // the value of the model's option
  WORD settingId;  // 1398-1456
  INT value;       // the dialog's working value
};
constexpr int kInstalledOptionRows = 49;
// The fixed rows, ended by key 0. Every open dialog works on a copy of its own.
extern const InstalledOptionRow kInstalledOptionTable[kInstalledOptionRows + 1];
constexpr INT kOptionList = 1223;
constexpr INT kOptionState = 1268;
constexpr INT kOptionsOk = 1307;
constexpr INT kOptionsCancel = 1308;
constexpr INT kOptionsDefaults = 1309;
constexpr UINT kOptionOnString = 5137;
constexpr UINT kOptionOffString = 5138;
constexpr int kOptionTabStop = 115;

INT_PTR CALLBACK InstalledOptionsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_INITDIALOG: 1 (the framework's answer), 0 when a setting cannot be read
// or the list cannot be filled.
INT_PTR InstalledOptionsInit(HWND window, WPARAM wParam, LPARAM lParam);
// The dialog's own copy of the table, or null.
InstalledOptionRow* GetDialogOptionTable(const SheetContext* sheet, HWND dialog);
// Fills the list from the model's installable options: 1, 0 when an
// option's value is no key of the table (the lines before it stay).
int FillOptionList(HWND dialog, DeviceModel* model, const InstalledOptionRow* table);
int SetOptionLine(HWND dialog, DeviceModel* model, InstalledOptionRow* table, INT line, INT value);
LRESULT OptionListHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params);
LRESULT OptionStateHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params);
LRESULT OptionsDefaultsHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                               const ControlRow* row, const void* params);
LRESULT OptionsOkHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                         const void* params);
LRESULT OptionsCancelHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                             const void* params);

// ---- Output folder dialog -------------------------------------------------------------------------
constexpr INT kFolderBox = 1767;
constexpr INT kBrowseButton = 1342;
constexpr INT kFileNameBox = 1554;
constexpr INT kWidthRange = 1697;
constexpr INT kHeightRange = 1698;
constexpr INT kWidthUnit = 1278;
constexpr INT kHeightUnit = 1279;
constexpr UINT kSizeRangeString = 730;
constexpr UINT kBrowseTitleString = 5144;
constexpr UINT kFileNameCharsString = 5146;

// Minimum and maximum width, minimum and maximum height, in 0.1 mm.
struct VariablePaperLimits {
  WORD minWidth;
  WORD maxWidth;
  WORD minHeight;
  WORD maxHeight;
};
INT_PTR CALLBACK OutputFolderDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR OutputFolderDialogInit(HWND window, WPARAM wParam, LPARAM lParam);
// The limits of the last variable paper of the model (all 0 without one): 1,
// or 0 when a paper record cannot be loaded.
int FindVariablePaperLimits(DeviceModel* model, VariablePaperLimits* limits);
void ShowPaperRanges(HWND dialog, const VariablePaperLimits* limits);
// "low to high unit" by resource format 730 into `out` (32 characters): 1, 0 on failure.
int FormatSizeRange(HMODULE module, WORD low, WORD high, LPCWSTR unit, LPWSTR out);
// 2100 gives "210.0".
void FormatSizeValue(WORD value, LPWSTR out);
// The folder browser: 1 with the chosen folder's path in `path` (260
// characters; left as it was when the choice has no file-system path), 0
// when nothing was chosen.
int BrowseForFolder(HWND owner, LPWSTR path);
LRESULT BrowseOutputFolder(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params);
