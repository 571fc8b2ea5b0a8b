// The spooler's calls into a printer driver's configuration module: the
// printer events when a printer is added or deleted, the driver upgrade, and
// removing a printer. A module that is missing or lacks the entry is skipped,
// as is every call while the test seam has them off.
#include "platform/spooler/driver_events.h"
#include "platform/spooler/spooler_internal.h"
#include "platform/win/machine_db.h"
#include "platform/win/win_module.h"

namespace pk::spooler {
namespace {

// The configuration module of a printer's driver, or an empty path.
std::u16string ConfigFileOf(std::u16string_view printer) {
  PkMachineDbTransaction tx(false);
  PrinterRow row;
  if (!tx.ok() || !LoadPrinter(tx.db(), printer, &row)) return std::u16string();
  return row.configFile;
}

// Loads the module and runs `call` with its entry, when it has one.
template <class Entry, class Call>
void WithDriverEntry(const std::u16string& configFile, const char* entry, Call call) {
  if (configFile.empty() || !SeamPrinterEventCalls()) return;
  HMODULE module = LoadLibraryW(configFile.c_str());
  if (module == nullptr) return;
  if (auto proc = reinterpret_cast<Entry>(GetProcAddress(module, entry))) call(proc);
  FreeLibrary(module);
}

}  // namespace

void CallPrinterEvent(const std::u16string& printer, int event) {
  std::u16string name = printer;
  WithDriverEntry<PFN_DrvPrinterEvent>(ConfigFileOf(printer), "DrvPrinterEvent", [&](PFN_DrvPrinterEvent proc) {
    proc(name.data(), event, PRINTER_EVENT_FLAG_NO_UI, 0);
  });
}

DWORD DeletePrinter(const std::u16string& name) {
  if (name.empty()) return ERROR_INVALID_PARAMETER;
  if (!SeamUserIsAdministrator()) return ERROR_ACCESS_DENIED;
  {
    PkMachineDbTransaction tx(false);
    PrinterRow row;
    if (!tx.ok()) return ERROR_GEN_FAILURE;
    if (!LoadPrinter(tx.db(), name, &row)) return ERROR_INVALID_PRINTER_NAME;
  }
  // The driver cleans up while the printer can still be opened.
  CallPrinterEvent(name, PRINTER_EVENT_DELETE);
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  PrinterRow row;
  if (!LoadPrinter(tx.db(), name, &row)) return ERROR_INVALID_PRINTER_NAME;
  Statement data(tx.db(), "DELETE FROM spl_data WHERE printer = ?1");
  data.bind(1, row.id);
  Statement printer(tx.db(), "DELETE FROM spl_printers WHERE id = ?1");
  printer.bind(1, row.id);
  if (data.step() != SQLITE_DONE || printer.step() != SQLITE_DONE) return ERROR_GEN_FAILURE;
  return tx.commit() ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

DWORD UpgradeDriver(const std::u16string& driver, std::vector<std::u16string>* upgraded) {
  std::vector<PrinterRow> rows;
  {
    PkMachineDbTransaction tx(false);
    if (!tx.ok()) return ERROR_GEN_FAILURE;
    rows = LoadPrinters(tx.db());
  }
  bool known = false;
  for (PrinterRow& row : rows) {
    if (NameKey(row.driverName) != NameKey(driver)) continue;
    known = true;
    WithDriverEntry<PFN_DrvUpgradePrinter>(row.configFile, "DrvUpgradePrinter", [&](PFN_DrvUpgradePrinter proc) {
      DRIVER_UPGRADE_INFO_1 info{row.name.data(), nullptr};
      if (proc(1, reinterpret_cast<BYTE*>(&info)) && upgraded) upgraded->push_back(row.name);
    });
  }
  return known ? ERROR_SUCCESS : ERROR_UNKNOWN_PRINTER_DRIVER;
}

}  // namespace pk::spooler
