// DrvPrinterEvent and DrvUpgradePrinter: a printer gets its id, its stored
// settings in the current version, its font substitution table and the
// model's forms when it is installed or upgraded; deleting it removes the
// current user's settings of printers that no longer exist.
#include <cstring>

#include "platform/spooler/driver_events.h"
#include "platform/spooler/winspool.h"
#include "platform/win/windows.h"
#include "printer_interface/entry/interface_exports.h"
#include "printer_interface/spooler/printer_events.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/model_records.h"
#include "settings/services/user_paper.h"
#include "settings/store/printer_id.h"
#include "settings/store/printer_settings_data.h"
#include "settings/store/user_store.h"

namespace {

// A user paper's form starts as A4 (thousandths of a millimetre).
constexpr LONG kUserFormWidth = 210000;
constexpr LONG kUserFormHeight = 297000;
constexpr WORD kFirstModelPaperCode = 256;

// The id is written only when the printer has none: reinstalling keeps it.
void GivePrinterId(HANDLE printer) {
  PrinterId id{};
  if (ReadPrinterId(printer, &id)) return;
  if (MakePrinterId(printer, &id)) WritePrinterIdIfMissing(printer, &id);
}

// The form of one paper record, or false when the record is to be skipped.
bool FormOfPaper(HANDLE printer, const PaperRecord* paper, WCHAR* name, FORM_INFO_1W* form) {
  const WORD code = paper->paperCode;
  if (code < kFirstModelPaperCode) return false;
  const PointItem& size = paper->pair1[0];
  const PointItem& near = paper->pair2[0];
  const PointItem& far = paper->pair2[1];
  LONG width = 0, height = 0;
  if (IsUserPaperCode(code)) {
    if (!FormatUserPaperName(GetUserPaperIndex(code), name)) return false;
    // A form the user sized keeps its size.
    DWORD needed = 0;
    if (GetFormW(printer, name, 1, nullptr, 0, &needed) || GetLastError() == ERROR_INSUFFICIENT_BUFFER) return false;
    width = kUserFormWidth;
    height = kUserFormHeight;
  } else {
    if (paper->name == nullptr || paper->name[0] == 0) return false;
    const size_t n = std::char_traits<WCHAR>::length(paper->name);
    if (n >= 64) return false;
    std::memcpy(name, paper->name, (n + 1) * sizeof(WCHAR));
    width = LONG(size.x) * 100;
    height = LONG(size.y) * 100;
  }
  form->Flags = FORM_USER;
  form->pName = name;
  form->Size = {width, height};
  // The area is measured against the form's own size, so that a user paper
  // (A4 whatever the record's size) keeps its area inside the form.
  form->ImageableArea.left = LONG(near.x) * 100;
  form->ImageableArea.top = LONG(near.y) * 100;
  form->ImageableArea.right = width - LONG(far.x) * 100;
  form->ImageableArea.bottom = height - LONG(far.y) * 100;
  return true;
}

}  // namespace

HANDLE OpenPrinterForEvents(LPCWSTR printerName) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (printerName == nullptr || !OpenPrinterW(printerName, &printer, &defaults)) return nullptr;
  return printer;
}

int AddModelForms(HANDLE printer, DeviceModel* model) {
  if (printer == nullptr || model == nullptr) return 0;
  for (DWORD n = 1;; ++n) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByIndex(true, model->primary, model->secondary, kRecordPaper, n, &record) != 0) break;
    WCHAR name[64] = {};
    FORM_INFO_1W form{};
    bool failed = false;
    if (record->type == kRecordPaper && FormOfPaper(printer, static_cast<PaperRecord*>(record), name, &form))
      failed = !AddFormW(printer, 1, reinterpret_cast<const BYTE*>(&form)) && GetLastError() != ERROR_FILE_EXISTS;
    ReleaseModelRecord(record);
    if (failed) return 0;
  }
  return 1;
}

int MigratePrinterSettings(HANDLE printer, DeviceModel* model, int full) {
  if (printer == nullptr || model == nullptr) return 0;
  if (!full) {
    EnsureFontSubTable(printer, nullptr, model);
    return 1;
  }
  void* settings = GlobalAlloc(GPTR, kPrinterSettingsBlockSize);
  if (settings == nullptr) return 0;
  // Loading converts a block stored by an older version; storing it again
  // keeps the current form.
  const bool ok = LoadPrinterSettings(printer, settings, model) && SavePrinterSettings(printer, settings, TRUE);
  GlobalFree(settings);
  if (!ok) return 0;
  EnsureFontSubTable(printer, nullptr, model);
  return 1;
}

BOOL DrvPrinterEvent(LPWSTR printerName, int event, DWORD, LPARAM) {
  if (event != PRINTER_EVENT_DELETE_CONNECTION && event != PRINTER_EVENT_DELETE && event != PRINTER_EVENT_INITIALIZE)
    return TRUE;
  try {
    HANDLE printer = OpenPrinterForEvents(printerName);
    if (printer == nullptr) return TRUE;
    DeviceModel* model = OpenDeviceModel(printer);
    if (model != nullptr) {
      if (event == PRINTER_EVENT_INITIALIZE) {
        GivePrinterId(printer);
        MigratePrinterSettings(printer, model, 1);
        AddModelForms(printer, model);
      } else {
        CleanUserSettingKeys(printer, model);
      }
      CloseDeviceModel(model);
    }
    ClosePrinter(printer);
  } catch (...) {
  }
  return TRUE;
}

BOOL DrvUpgradePrinter(DWORD level, BYTE* info) {
  auto* upgrade = reinterpret_cast<DRIVER_UPGRADE_INFO_1*>(info);
  HANDLE printer = level == 1 && upgrade != nullptr ? OpenPrinterForEvents(upgrade->pPrinterName) : nullptr;
  if (printer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  BOOL result = FALSE;
  try {
    DeviceModel* model = OpenDeviceModel(printer);
    if (model != nullptr) {
      GivePrinterId(printer);
      AddModelForms(printer, model);
      // An upgrade is when a block of the earlier version meets the new
      // driver: it is stored again in the current version, as at
      // installation, and the font table made sure of.
      result = MigratePrinterSettings(printer, model, 1) ? TRUE : FALSE;
      CloseDeviceModel(model);
    }
  } catch (...) {
    result = FALSE;
  }
  ClosePrinter(printer);
  return result;
}
