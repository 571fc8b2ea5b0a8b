// The installed options dialog of the device page: the installable options
// the device model names, each on or off, kept in a working table of the
// dialog's own and written into printer settings 1398-1456 only at OK.
#include <cstring>

#include "platform/ui/win_controls.h"
#include "platform/ui/win_dialog.h"
#include "platform/win/win_format.h"
#include "printer_interface/pages/device_page.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_values.h"
#include "settings/model/model_interface.h"

const InstalledOptionRow kInstalledOptionTable[kInstalledOptionRows + 1] = {
    {257, 1398, 0}, {270, 1399, 0}, {66, 1400, 0},  {8, 1401, 0},   {317, 1407, 0}, {318, 1408, 0}, {319, 1409, 0},
    {42, 1410, 0},  {295, 1411, 0}, {296, 1412, 0}, {297, 1413, 0}, {298, 1414, 0}, {299, 1415, 0}, {258, 1416, 0},
    {268, 1417, 0}, {315, 1418, 0}, {269, 1419, 0}, {271, 1421, 0}, {272, 1422, 0}, {294, 1423, 0}, {26, 1424, 0},
    {25, 1425, 0},  {24, 1426, 0},  {3, 1427, 0},   {1, 1428, 0},   {274, 1429, 0}, {275, 1430, 0}, {276, 1431, 0},
    {277, 1432, 0}, {320, 1437, 0}, {321, 1438, 0}, {322, 1439, 0}, {323, 1440, 0}, {282, 1441, 0}, {283, 1442, 0},
    {284, 1443, 0}, {285, 1444, 0}, {286, 1445, 0}, {300, 1446, 0}, {301, 1447, 0}, {316, 1448, 0}, {302, 1449, 0},
    {303, 1450, 0}, {304, 1451, 0}, {292, 1452, 0}, {311, 1453, 0}, {312, 1454, 0}, {313, 1455, 0}, {314, 1456, 0},
    {0, 0, 0},
};

namespace {

// The dialog's table lives in general store 1 of its sheet, under the list's
// control id and the dialog window: each open dialog has its own.
constexpr INT kTableStore = 1;

const BYTE kListKeep = kRowKeepOnReadOnly;
const ControlRow kOptionRows[] = {
    {kOptionList, 0, nullptr, kKindListBox, &OptionListHandler, nullptr, kNoControl, 410, &kListKeep},
    {kOptionState, 0, nullptr, kKindListBox, &OptionStateHandler, nullptr, kNoControl, 402, nullptr},
    {kOptionsOk, 0, nullptr, kKindPushButton, &OptionsOkHandler, nullptr, kNoControl, kNoControl, nullptr},
    {kOptionsCancel, 0, nullptr, kKindPushButton, &OptionsCancelHandler, nullptr, kNoControl, kNoControl, &kListKeep},
    {kOptionsDefaults, 0, nullptr, kKindPushButton, &OptionsDefaultsHandler, nullptr, kNoControl, kNoControl, nullptr},
};

InstalledOptionRow* FindTableRow(InstalledOptionRow* table, DWORD key) {
  for (InstalledOptionRow* row = table; row && row->key; ++row)
    if (row->key == key) return row;
  return nullptr;
}

void LoadStateText(INT value, WCHAR* out, int chars) {
  out[0] = 0;
  LoadStringW(GetPagesResourceModule(), value ? kOptionOnString : kOptionOffString, out, chars);
}

// Option n (from 1) of the installable options: its name (a new text) and its key.
bool ReadOption(DeviceModel* model, WORD n, WCHAR** name, DWORD* key) {
  ModelValue* option = nullptr;
  ModelInterfaceStatus status = kModelOk;
  if (!GetModelFeatureOption(model, kInstallableOptionsUiId, n, &option, &status) || !option) return false;
  BYTE* data = nullptr;
  WCHAR* text = nullptr;
  WORD type = 0;
  ValueBlob* picture = nullptr;
  ULONG_PTR value = 0;
  bool ok = UnpackModelValue(option, &data, &text, &type, &picture) && CopyValueByType(type, &value, data) == 1;
  if (ok) {
    size_t length = 0;
    while (text && text[length]) ++length;
    *name = static_cast<WCHAR*>(GlobalAlloc(GPTR, (length + 1) * sizeof(WCHAR)));
    ok = *name != nullptr;
    if (ok && length) std::memcpy(*name, text, length * sizeof(WCHAR));
    *key = static_cast<DWORD>(value & 0xFFFFFFFF);
  }
  FreeModelValue(option);
  return ok;
}

// Inserts line `line`: "name\tstate" with the key as item data.
bool InsertOptionLine(HWND list, INT line, const WCHAR* name, INT value, DWORD key) {
  WCHAR state[64];
  LoadStateText(value, state, 64);
  size_t length = 0;
  while (name[length]) ++length;
  auto* text = static_cast<WCHAR*>(GlobalAlloc(GPTR, (length + 70) * sizeof(WCHAR)));
  if (!text) return false;
  wsprintfW(text, u"%s\t%s", name, state);
  const LRESULT at = SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text));
  GlobalFree(text);
  if (at < 0) return false;
  SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(key));
  return true;
}

void ShowLineState(HWND dialog, INT value) {
  SendMessageW(GetDlgItem(dialog, kOptionState), CB_SETCURSEL, value ? 0 : 1, 0);
}

InstalledOptionRow* SelectedRow(HWND dialog, InstalledOptionRow* table, INT* line) {
  HWND list = GetDlgItem(dialog, kOptionList);
  *line = static_cast<INT>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  if (*line < 0) return nullptr;
  return FindTableRow(table, static_cast<DWORD>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(*line), 0)));
}

DeviceModel* ContextModel(const HandlerContext* context) {
  return context->model ? context->model
                        : (context->sheet && context->sheet->state ? context->sheet->state->model : nullptr);
}

void FreeDialogTable(SheetContext* sheet, HWND dialog) {
  InstalledOptionRow* table = GetDialogOptionTable(sheet, dialog);
  if (!table) return;
  RemoveSheetStoreEntry(sheet, kTableStore, kOptionList, dialog);
  GlobalFree(table);
}

}  // namespace

InstalledOptionRow* GetDialogOptionTable(const SheetContext* sheet, HWND dialog) {
  return static_cast<InstalledOptionRow*>(FindSheetStoreEntry(sheet, kTableStore, kOptionList, dialog));
}

int FillOptionList(HWND dialog, DeviceModel* model, const InstalledOptionRow* table) {
  HWND list = GetDlgItem(dialog, kOptionList);
  if (!list || !model || !table) return 0;
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const INT stops[1] = {kOptionTabStop};
  SendMessageW(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(stops));
  WORD count = 0;
  ModelRecord* feature = nullptr;
  ModelInterfaceStatus status = kModelOk;
  if (GetModelFeature(model, kInstallableOptionsUiId, nullptr, &count, nullptr, &feature, &status) != 1) return 0;
  ReleaseModelRecord(feature);
  auto* rows = const_cast<InstalledOptionRow*>(table);
  for (WORD n = 1; n <= count; ++n) {
    WCHAR* name = nullptr;
    DWORD key = 0;
    if (!ReadOption(model, n, &name, &key)) return 0;
    // An option the table does not know ends the list here.
    const InstalledOptionRow* row = FindTableRow(rows, key);
    const bool inserted = row && InsertOptionLine(list, n - 1, name, row->value, key);
    GlobalFree(name);
    if (!inserted) return 0;
  }
  return 1;
}

int SetOptionLine(HWND dialog, DeviceModel* model, InstalledOptionRow* table, INT line, INT value) {
  HWND list = GetDlgItem(dialog, kOptionList);
  if (!list || !table || line < 0) return 0;
  const LRESULT data = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(line), 0);
  if (data == LB_ERR) return 0;
  const DWORD key = static_cast<DWORD>(data);
  WCHAR* name = nullptr;
  DWORD optionKey = 0;
  if (!ReadOption(model, static_cast<WORD>(line + 1), &name, &optionKey)) return 0;
  SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(line), 0);
  const bool inserted = InsertOptionLine(list, line, name, value, key);
  GlobalFree(name);
  if (InstalledOptionRow* row = FindTableRow(table, key)) row->value = value;
  return inserted ? 1 : 0;
}

INT_PTR InstalledOptionsInit(HWND window, WPARAM wParam, LPARAM lParam) {
  auto* sheet = reinterpret_cast<SheetContext*>(lParam);
  SetWindowLongPtrW(window, DWLP_USER, lParam);
  if (!sheet || !sheet->state) return 0;
  // The dialog's own working copy of the table.
  auto* table = static_cast<InstalledOptionRow*>(GlobalAlloc(GPTR, sizeof kInstalledOptionTable));
  if (!table) return 0;
  std::memcpy(table, kInstalledOptionTable, sizeof kInstalledOptionTable);
  if (AddSheetStoreEntry(sheet, kTableStore, kOptionList, window, table) != 1) {
    GlobalFree(table);
    return 0;
  }
  for (InstalledOptionRow* row = table; row->key; ++row) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t value = 0;
    if (GetSettingValue(row->settingId, sheet->working.devMode, sheet->working.settings, &type, &size, &value) !=
        kSettingOk)
      return 0;
    row->value = static_cast<INT>(static_cast<int32_t>(value));
  }
  if (!FillOptionList(window, sheet->state->model, table)) return 0;
  HWND list = GetDlgItem(window, kOptionList);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  HWND combo = GetDlgItem(window, kOptionState);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  WCHAR text[64];
  for (INT value : {1, 0}) {
    LoadStateText(value, text, 64);
    const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), value);
  }
  INT line = 0;
  if (const InstalledOptionRow* row = SelectedRow(window, table, &line)) ShowLineState(window, row->value);
  return RunPageProcedure(window, WM_INITDIALOG, wParam, lParam, kInstalledOptionsPageId, kDialogModal);
}

INT_PTR CALLBACK InstalledOptionsDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return InstalledOptionsInit(window, wParam, lParam);
  return RunPageProcedure(window, message, wParam, lParam, kInstalledOptionsPageId, kDialogModal);
}

LRESULT OptionListHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow*,
                          const void*) {
  if (!context || !context->sheet) return 0;
  HWND dialog = context->window;
  if (message == WM_DESTROY) {
    FreeDialogTable(context->sheet, dialog);
    return 0;
  }
  InstalledOptionRow* table = GetDialogOptionTable(context->sheet, dialog);
  if (message != WM_COMMAND || !table) return 0;
  INT line = 0;
  InstalledOptionRow* row = SelectedRow(dialog, table, &line);
  if (!row) return 0;
  switch (HIWORD(wParam)) {
    case LBN_SELCHANGE: ShowLineState(dialog, row->value); return 0;
    case LBN_DBLCLK: {
      const INT value = row->value ? 0 : 1;
      ShowLineState(dialog, value);
      SetOptionLine(dialog, ContextModel(context), table, line, value);
      SendMessageW(GetDlgItem(dialog, kOptionList), LB_SETCURSEL, static_cast<WPARAM>(line), 0);
      return 0;
    }
    default: return 0;
  }
}

LRESULT OptionStateHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM, const ControlRow*,
                           const void*) {
  if (!context || message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return 0;
  HWND dialog = context->window;
  InstalledOptionRow* table = GetDialogOptionTable(context->sheet, dialog);
  INT line = 0;
  if (!table || !SelectedRow(dialog, table, &line)) return 0;
  HWND combo = GetDlgItem(dialog, kOptionState);
  const LRESULT choice = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (choice < 0) return 0;
  const INT value = static_cast<INT>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(choice), 0));
  SetOptionLine(dialog, ContextModel(context), table, line, value);
  SendMessageW(GetDlgItem(dialog, kOptionList), LB_SETCURSEL, static_cast<WPARAM>(line), 0);
  return 0;
}

LRESULT OptionsDefaultsHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow* row,
                               const void*) {
  if (!context || message != WM_COMMAND) return 0;
  HWND dialog = context->window;
  SetFocus(GetDlgItem(dialog, row->controlId));
  InstalledOptionRow* table = GetDialogOptionTable(context->sheet, dialog);
  DeviceModel* model = ContextModel(context);
  if (!table) return 0;
  for (InstalledOptionRow* entry = table; entry->key; ++entry) {
    ULONG_PTR value = 0;
    WORD type = 0;
    ModelInterfaceStatus status = kModelOk;
    if (GetModelDefaultValue(model, entry->settingId, &value, &type, &status) != 1) return 0;
    entry->value = static_cast<INT>(static_cast<int32_t>(value));
    FreeModelValue(value, type);
  }
  HWND list = GetDlgItem(dialog, kOptionList);
  const INT lines = static_cast<INT>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (INT line = 0; line < lines; ++line) {
    const InstalledOptionRow* entry =
        FindTableRow(table, static_cast<DWORD>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(line), 0)));
    if (entry) SetOptionLine(dialog, model, table, line, entry->value);
  }
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  INT line = 0;
  if (const InstalledOptionRow* entry = SelectedRow(dialog, table, &line)) ShowLineState(dialog, entry->value);
  return 0;
}

LRESULT OptionsOkHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow*, const void*) {
  if (!context || message != WM_COMMAND) return 0;
  HWND dialog = context->window;
  const InstalledOptionRow* table = GetDialogOptionTable(context->sheet, dialog);
  if (!table) return 0;
  // Only the settings whose value the dialog changed are written.
  for (const InstalledOptionRow* entry = table; entry->key; ++entry) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t current = 0;
    if (GetSettingValue(entry->settingId, context->devMode, context->settings, &type, &size, &current) != kSettingOk)
      return 0;
    if (static_cast<INT>(static_cast<int32_t>(current)) == entry->value) continue;
    const INT value = entry->value;
    if (SetSettingValue(entry->settingId, context->devMode, context->settings, kSettingTypeInt32, sizeof value,
                        &value) != kSettingOk)
      return 0;
  }
  EndDialog(dialog, kOptionsOk);
  return 0;
}

LRESULT OptionsCancelHandler(HandlerContext* context, UINT message, WPARAM, LPARAM, const ControlRow*, const void*) {
  if (!context || message != WM_COMMAND) return 0;
  EndDialog(context->window, kOptionsCancel);
  return 0;
}

void InstallInstalledOptionsRows() {
  SetPageSetRows(kInstalledOptionsPageId, kOptionRows, static_cast<UINT>(sizeof kOptionRows / sizeof kOptionRows[0]));
}
