// The generic behaviour of the page controls: the kind table the framework
// asks for a row without a handler of its own, the parameter blocks the rows
// of each kind carry, the steps the kinds share (list filling and drawing,
// edit texts and the length-unit rules) and the push-button actions
// (closing sub-dialogs, restoring defaults, sub-dialogs, help, the file-open
// dialog and opening a document).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ui/win_commdlg.h"
#include "platform/ui/win_controls.h"
#include "platform/ui/win_dialog.h"
#include "printer_interface/framework/page_framework.h"

// ---- Kinds ------------------------------------------------------------------------------------
constexpr UINT kKindCustom = 0;
constexpr UINT kKindComboBox = 1;
constexpr UINT kKindListBox = 2;
constexpr UINT kKindCustomOther = 3;
// kKindEdit (4), kKindPushButton (6) and kKindCheckBox (7) come with the framework.
constexpr UINT kKindRadio = 5;
constexpr UINT kKindScrollBar = 8;
constexpr UINT kKindSpin = 9;
constexpr UINT kKindValueText = 10;
constexpr UINT kKindChoiceText = 11;
constexpr UINT kKindTrackBar = 12;
constexpr UINT kKindIcon = 13;
constexpr UINT kKindStateFollower = 14;

// The generic handler of a kind, or null (kinds 0 and 3, unknown kinds).
RowHandler GenericHandlerForKind(uint64_t kind);
// Hands every kind's handler to the framework (SetGenericRowHandler); run
// by InstallPageRows before the first sheet.
void InstallGenericHandlers();

LRESULT ComboBoxKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params);
LRESULT ListBoxKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                           const void* params);
LRESULT EditKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                        const void* params);
LRESULT RadioKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                         const void* params);
LRESULT ButtonKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void* params);
LRESULT CheckKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                         const void* params);
LRESULT ScrollBarKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                             const void* params);
LRESULT SpinKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                        const void* params);
LRESULT ValueTextKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                             const void* params);
LRESULT ChoiceTextKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                              const ControlRow* row, const void* params);
LRESULT TrackBarKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                            const void* params);
LRESULT IconKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                        const void* params);
LRESULT StateFollowerKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam,
                                 const ControlRow* row, const void* params);

// ---- Parameter blocks ---------------------------------------------------------------------------

// List rows (kinds 1 and 2).
constexpr SHORT kListModeChoices = 1;   // the choices of the current item
constexpr SHORT kListModeSettings = 2;  // one line per setting item of the row
// Text flags.
constexpr BYTE kListTextName = 0x1;  // a line begins with the setting's name
constexpr BYTE kListTextTab = 0x2;   // name and value separated by a tab
// Flags.
constexpr BYTE kListStepOnDoubleClick = 0x01;
constexpr BYTE kListCheckIcons = 0x02;  // value non-zero or not; Space toggles
constexpr BYTE kListStateBitmaps = 0x04;
constexpr BYTE kListEditPart = 0x08;  // a combo box with an edit part
constexpr BYTE kListFillCallback = 0x10;
constexpr BYTE kListRefreshMovesSelection = 0x20;
constexpr BYTE kListKeepLines = 0x40;  // refreshed in place, not emptied

struct ListControlParams;
// Fills the control instead of the generic fill (list flag 0x10): 1, 0 on failure.
using ListFillCallback = int (*)(HandlerContext* context, const ControlRow* row, const ListControlParams* params,
                                 HWND control, BOOL rebuild);

struct ListControlParams {
  SHORT mode;
  BYTE textFlags;
  WORD tabStop;
  BYTE flags;
  const EditControlParams* edit;  // the edit part (flag 0x08)
  ListFillCallback fill;
};

// Edit rows (kind 4): the row's params point to a `const EditControlParams*`.
// EditControlParams and EditUnitRecord come with the framework; these are
// its flag bits (the flag word goes to ValidateText unchanged).
constexpr WORD kEditNumber = 0x0001;
constexpr WORD kEditText = 0x0002;
constexpr WORD kEditSigned = 0x0010;
constexpr WORD kEditRefusesSign = 0x0020;
constexpr WORD kEditDecimals = 0x0040;
constexpr WORD kEditRefusesBlank = 0x0100;
constexpr WORD kEditDropsDecimals = 0x0200;  // and an empty text is accepted
// kEditLengthUnit (0x0400) comes with the framework.
constexpr WORD kEditHalfSteps = 0x1000;  // the first decimal becomes 0 or 5
// Check mask: when the text is checked as it is committed.
constexpr BYTE kEditCheckAtKillActive = 0x04;
constexpr BYTE kEditCheckAtFocusLoss = 0x08;
constexpr BYTE kEditCheckAtValidate = 0x10;

// Allowed and forbidden characters of a typed text (the four lists of
// ValidateText) and the message shown when a text breaks them. It is the
// text check record of an edit row (EditControlParams::check) and the
// character rules of the file dialog.
struct CharacterRules {
  const BYTE* singleRanges;
  const BYTE* doubleRanges;
  const BYTE* forbiddenBytes;
  const BYTE* forbiddenPairs;
  INT messageId;
};

// The control id whose range warning takes the edit block's maximum length.
constexpr INT kEditLengthWarningControl = 1343;
// Messages of the range warning.
constexpr INT kMsgRangeText = 425;

// Radio rows (kind 5): the button at position n stands for choice n.
struct RadioControlParams {
  INT count;
  const INT* controlIds;
};

// Push-button rows (kind 6): the framework's PushButtonParams {action,
// parameters} is the button's action block.
using ButtonAction = PushButtonParams;
constexpr INT kActionNone = 0;
constexpr INT kActionOk = 1;
constexpr INT kActionCancel = 2;
constexpr INT kActionDefaults = 3;
constexpr INT kActionSubDialog = 4;  // parameters: SubDialogSpec
constexpr INT kActionHelp = 6;
constexpr INT kActionNothing = 7;
constexpr INT kActionChooseFile = 8;  // parameters: FileDialogSpec
constexpr INT kActionDocument = 9;    // parameters: INT string id, or -3 for header text 30

// Scroll-bar rows (kind 8): direction 0 puts the maximum at the top end.
struct ScrollBarParams {
  INT direction;
  WORD pageStep;
};

// Spin rows (kind 9): non-zero converts values for display (ConvertSettingUnits).
struct SpinParams {
  INT conversion;
};

// Value-text rows (kind 10).
constexpr SHORT kValueTextChoice = 1;    // the whole text of the current choice
constexpr SHORT kValueTextResource = 2;  // a string of the resource module
constexpr SHORT kValueTextState = 3;     // only the state
struct ValueTextParams {
  SHORT mode;
  INT stringId;
};

// Choice-text rows (kind 11): the control id of a leader row on the same page, or -3.
struct ChoiceTextParams {
  INT leaderControlId;
};

// Trackbar rows (kind 12).
struct TrackBarParams {
  WORD pageSize;
  WORD tickFrequency;  // 0: none
  INT conversion;
};

// Icon rows (kind 13): mode 1 resizes the control and draws the icon.
struct IconParams {
  SHORT mode;
  WORD flags;
  WORD moreFlags;
};

// ---- Sub-dialogs (action 4) ----------------------------------------------------------------------
struct SubDialogEntry {
  UINT templateId;
  DLGPROC procedure;
  UINT pageId;
  INT icon;
};
static_assert(sizeof(SubDialogEntry) == 24);

struct SubDialogSpec {
  const SubDialogEntry* entries;  // action 4 opens the first
  WORD entryCount;
  INT startValue;   // a template id, -3 none
  DWORD checkFlag;  // 1: check settingId's constraints first
  WORD settingId;
};

// ---- The file-open dialog (action 8) -------------------------------------------------------------
// Check callback: non-zero accepts the chosen path.
using FileCheckCallback = int (*)(HandlerContext* context, LPCWSTR path, INT nameOffset, INT extensionOffset);

// FileDialogSpec flags.
constexpr BYTE kFileTestFolderChars = 0x01;
constexpr BYTE kFileTestNameChars = 0x02;
constexpr BYTE kFileTestFolderLength = 0x04;
constexpr BYTE kFileTestNameLength = 0x08;
constexpr BYTE kFileTestPathLength = 0x10;
constexpr BYTE kFileNameWithoutExtension = 0x20;
// Dialog flags -1: read-only, hide read-only, path must exist, no network button.
constexpr INT kFileDefaultDialogFlags = -1;
constexpr DWORD kFileDefaultOfnFlags = 0x20805;

struct FileDialogSpec {
  INT filterNameId;  // -3: no filter
  INT filterPatternId;
  INT filterIndex;
  INT maxName;  // bytes of the OEM form
  INT maxFolder;
  INT maxPath;
  INT lengthMessageId;
  INT checkMessageId;         // 0: none
  WORD nameSetting;           // initial file name, 0 none
  INT folderTemplateId;       // -3 none
  WORD folderDefaultSetting;  // its model default is the folder template, 0 none
  INT titleId;                // -3 none
  INT dialogFlags;            // -1: kFileDefaultOfnFlags
  INT defaultExtensionId;     // -3 none
  FileCheckCallback check;
  WORD storeFolder;  // setting ids that receive the parts, 0 none
  WORD storeName;
  WORD storePath;
  BYTE flags;
  const CharacterRules* folderRules;
  const CharacterRules* nameRules;
};
static_assert(sizeof(FileDialogSpec) == 88 && offsetof(FileDialogSpec, nameSetting) == 32 &&
              offsetof(FileDialogSpec, folderTemplateId) == 36 && offsetof(FileDialogSpec, check) == 56 &&
              offsetof(FileDialogSpec, storeFolder) == 64 && offsetof(FileDialogSpec, flags) == 70 &&
              offsetof(FileDialogSpec, folderRules) == 72 && offsetof(FileDialogSpec, nameRules) == 80);

constexpr int kFileDialogWorkBytes = 1968;
constexpr int kFileNameChars = 261;
constexpr UINT kFileLengthWarning = 448;

// ---- Shared steps of the kinds -------------------------------------------------------------------

// Fills a list (isCombo 0) or combo box (1) with the row's lines: 1, 0 on failure.
int FillListControl(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                    BOOL rebuild);
// WM_DRAWITEM of an owner-drawn list line: 1 drawn, 0 nothing to draw.
int DrawListItem(HandlerContext* context, const ControlRow* row, const ListControlParams* params, BOOL isCombo,
                 const DRAWITEMSTRUCT* item);

// Shows the current item's value in the box (an edit row's control, or the
// edit part of a combo box): 1, 0 on failure.
int ShowEditValue(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box);
// The length-unit rules: mode 1 turns a shown value into the stored one,
// mode 2 the other way. `decimals` receives the decimals shown (0 when they
// are off); it is left alone for settings the rules do not know. 1 when a
// rule applied, 0 otherwise.
constexpr int kUnitStore = 1;
constexpr int kUnitShow = 2;
int ApplyUnitConversion(WORD unit, WORD settingId, int mode, LONG* value, int* decimals);
// Reads "whole[.fraction]" with `decimals` places: flag 0x200 drops extra
// decimals, flag 0x1000 rounds the first decimal to 0 or 5. 1 with the
// value whole x 10^decimals + fraction, 0 when invalid.
int ParseDecimalText(LPCSTR text, int decimals, WORD flags, DWORD* value);

// What ReadEditValue found.
struct EditValue {
  INT valid;      // 0: the text is invalid
  DWORD number;   // number mode: the value read (maximum + 1 when invalid)
  LPSTR oemText;  // the OEM form of the text (GlobalAlloc; the caller frees it)
  LPWSTR text;    // the text as typed (GlobalAlloc; the caller frees it)
};
int ReadEditValue(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box, BOOL check,
                  EditValue* out);
void FreeEditValue(EditValue* value);
// Commits the typed value: the change's result (1, 2, 3, -1), 2 after a
// range warning, 3 for a disabled box.
INT CommitEditValue(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box,
                    BOOL check);
// The warning of a text outside the row's range (one at a time per control): its answer.
int ShowEditRangeWarning(HandlerContext* context, const ControlRow* row, const EditControlParams* params, HWND box);

// ---- Push-button actions --------------------------------------------------------------------------
LRESULT RunButtonAction(HandlerContext* context, UINT message, WPARAM wParam, const NMHDR* header,
                        const ControlRow* row);
LRESULT UpdateButtonState(HandlerContext* context, UINT message, const NMHDR* header, const ControlRow* row);
INT CloseSubDialogOk(HandlerContext* context);
INT CloseSubDialogCancel(HandlerContext* context);
INT RestorePageDefaults(HandlerContext* context, const ControlRow* row);
INT OpenSubDialog(HandlerContext* context, const ControlRow* row, const SubDialogSpec* spec);
INT ShowButtonHelp(HandlerContext* context);
INT OpenButtonDocument(HandlerContext* context, INT stringId);

// Keeps the ids that the page reset did not list, or whose value now
// differs from the state right after the reset: the number kept (ids
// compacted in place).
INT FilterChangedIds(const DeviceModel* model, WORD* ids, INT count, const WORD* resetIds, INT resetCount,
                     const void* devMode, const void* settings, const void* resetDevMode, const void* resetSettings);

// 1 stored, 2 cancelled, -1 failure.
INT RunFileDialog(HandlerContext* context, const ControlRow* row, const FileDialogSpec* spec);
// Fills the OPENFILENAMEW at the start of a work area of kFileDialogWorkBytes: 1, 0 on failure.
int BuildFileDialog(HandlerContext* context, const FileDialogSpec* spec, BYTE* workArea);
// 1 stored; 0 when a test failed (the warning was shown) or a write failed.
int StoreChosenFile(HandlerContext* context, const FileDialogSpec* spec, const OPENFILENAMEW* dialog);
// "%SYSTEM%", "%ICM%" or "%DRIVER%" replaced by its folder (text after the
// closing "%" dropped); a template without "%" is copied. 1, 0 with no text.
int ExpandFolderTemplate(LPCWSTR folderTemplate, LPWSTR out, int outChars);
// 1 when the current directory can be set to the folder (it is put back).
int FolderExists(LPCWSTR folder);
int ShowFileDialogWarning(HandlerContext* context, const FileDialogSpec* spec, HWND owner, INT messageId);
