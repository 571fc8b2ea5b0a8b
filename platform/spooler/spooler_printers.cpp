// Printer handles and the printer and driver records of the spooler.
#include <cstring>

#include "platform/spooler/driver_events.h"
#include "platform/spooler/spooler_internal.h"
#include "platform/win/machine_db.h"
#include "platform/win/name_text.h"

namespace pk::spooler {
namespace {

// Rights only an administrator gets: administering the printer, deleting it,
// changing its security or owner. Reading it and printing are for everyone.
constexpr DWORD kAdministerBits = PRINTER_ACCESS_ADMINISTER | 0x000D0000;

// Reads the handle's printer; false with an error set when it is gone.
bool ReadHandlePrinter(HANDLE h, PrinterRow* row) {
  auto handle = LookupPrinter(h);
  if (!handle) return false;
  PkMachineDbTransaction tx(false);
  if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
  if (!LoadPrinter(tx.db(), handle->printer, row)) return Fail(ERROR_INVALID_PRINTER_NAME);
  return true;
}

bool KnownPrinterLevel(DWORD level) { return level == 1 || level == 2 || level == 4 || level == 5; }

size_t PrinterRecordSize(DWORD level) {
  switch (level) {
    case 1: return sizeof(PRINTER_INFO_1W);
    case 2: return sizeof(PRINTER_INFO_2W);
    case 4: return sizeof(PRINTER_INFO_4W);
    default: return sizeof(PRINTER_INFO_5W);
  }
}

// A stored DEVMODE is handed out only when it holds the public head up to its
// field flags and exactly the dmSize + dmDriverExtra bytes it claims: readers
// take those sizes as they stand.
bool StoredDevModeIsWhole(const std::vector<BYTE>& stored) {
  constexpr size_t kHead = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);
  if (stored.size() < kHead) return false;
  WORD size = 0, extra = 0;
  std::memcpy(&size, stored.data() + offsetof(DEVMODEW, dmSize), sizeof size);
  std::memcpy(&extra, stored.data() + offsetof(DEVMODEW, dmDriverExtra), sizeof extra);
  return size >= kHead && stored.size() == size_t(size) + extra;
}

// Puts one printer's record of the level at `index` of the block.
void AddPrinterRecord(BlockBuilder& b, size_t i, DWORD level, const PrinterRow& r, DWORD openJobs) {
  switch (level) {
    case 1: {
      PRINTER_INFO_1W rec{};
      rec.Flags = PRINTER_ENUM_ICON8;
      b.setRecord(i, &rec);
      b.setText(i, offsetof(PRINTER_INFO_1W, pDescription), r.name + u"," + r.driverName + u"," + r.location);
      b.setText(i, offsetof(PRINTER_INFO_1W, pName), r.name);
      b.setText(i, offsetof(PRINTER_INFO_1W, pComment), r.comment);
      break;
    }
    case 2: {
      PRINTER_INFO_2W rec{};
      rec.Attributes = r.attributes;
      rec.Priority = 1;
      rec.cJobs = openJobs;
      b.setRecord(i, &rec);
      b.setText(i, offsetof(PRINTER_INFO_2W, pPrinterName), r.name);
      b.setText(i, offsetof(PRINTER_INFO_2W, pShareName), u"");
      b.setText(i, offsetof(PRINTER_INFO_2W, pPortName), r.port);
      b.setText(i, offsetof(PRINTER_INFO_2W, pDriverName), r.driverName);
      b.setText(i, offsetof(PRINTER_INFO_2W, pComment), r.comment);
      b.setText(i, offsetof(PRINTER_INFO_2W, pLocation), r.location);
      b.setText(i, offsetof(PRINTER_INFO_2W, pSepFile), u"");
      b.setText(i, offsetof(PRINTER_INFO_2W, pPrintProcessor), u"winprint");
      b.setText(i, offsetof(PRINTER_INFO_2W, pDatatype), r.datatype);
      b.setText(i, offsetof(PRINTER_INFO_2W, pParameters), u"");
      // The DEVMODE comes last: a reader that goes past its declared size
      // leaves the block.
      if (StoredDevModeIsWhole(r.devmode)) b.setBytes(i, offsetof(PRINTER_INFO_2W, pDevMode), r.devmode);
      break;
    }
    case 4: {
      PRINTER_INFO_4W rec{};
      rec.Attributes = r.attributes;
      b.setRecord(i, &rec);
      b.setText(i, offsetof(PRINTER_INFO_4W, pPrinterName), r.name);
      break;
    }
    default: {
      PRINTER_INFO_5W rec{};
      rec.Attributes = r.attributes;
      rec.DeviceNotSelectedTimeout = 15000;
      rec.TransmissionRetryTimeout = 45000;
      b.setRecord(i, &rec);
      b.setText(i, offsetof(PRINTER_INFO_5W, pPrinterName), r.name);
      b.setText(i, offsetof(PRINTER_INFO_5W, pPortName), r.port);
      break;
    }
  }
}

}  // namespace

std::shared_ptr<PrinterHandle> LookupPrinter(HANDLE handle) { return pk::win::LookupHandle<PrinterHandle>(handle); }

namespace {

DWORD InsertNewPrinter(const std::u16string& name, const std::u16string& dataFile) {
  if (!SeamUserIsAdministrator()) return ERROR_ACCESS_DENIED;
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  PrinterRow row;
  // A new printer uses the driver and port of the default printer.
  std::vector<PrinterRow> all = LoadPrinters(tx.db());
  for (const auto& p : all)
    if (p.attributes & PRINTER_ATTRIBUTE_DEFAULT) row = p;
  if (row.driverName.empty()) {
    row.port = PK_DEFAULT_PORT_NAME;
    row.driverName = PK_DEFAULT_DRIVER_NAME;
    row.environment = PK_SPOOLER_ENVIRONMENT;
    row.driverPath = std::u16string(PK_DRIVER_FOLDER) + u"Pelkran.dll";
    row.configFile = std::u16string(PK_DRIVER_FOLDER) + u"Sumbrel.dll";
    row.datatype = u"RAW";
  }
  row.id = 0;
  row.name = name;
  row.dataFile = dataFile;
  row.comment.clear();
  row.location.clear();
  row.attributes = PRINTER_ATTRIBUTE_LOCAL | (all.empty() ? PRINTER_ATTRIBUTE_DEFAULT : 0);
  row.devmode = DefaultDevMode(name);
  DWORD e = InsertPrinter(tx.db(), row);
  if (e) return e;
  return tx.commit() ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

}  // namespace

DWORD AddPrinter(const std::u16string& name, const std::u16string& dataFile) {
  if (name.empty()) return ERROR_INVALID_PARAMETER;
  if (DWORD e = InsertNewPrinter(name, dataFile)) return e;
  // The driver sets up its printer once the printer can be opened.
  CallPrinterEvent(name, PRINTER_EVENT_INITIALIZE);
  return ERROR_SUCCESS;
}

}  // namespace pk::spooler

using namespace pk::spooler;

extern "C" {

BOOL OpenPrinterW(LPCWSTR pPrinterName, LPHANDLE phPrinter, const PRINTER_DEFAULTSW* pDefault) {
  if (!phPrinter) return Fail(ERROR_INVALID_PARAMETER);
  *phPrinter = nullptr;
  std::u16string_view name = pk::WideView(pPrinterName);
  if (name.empty()) return Fail(ERROR_INVALID_PRINTER_NAME);
  if (DWORD e = SeamOpenPrinterError(name)) return Fail(e);
  PrinterRow row;
  {
    PkMachineDbTransaction tx(false);
    if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
    if (!LoadPrinter(tx.db(), name, &row)) return Fail(ERROR_INVALID_PRINTER_NAME);
  }
  if (pDefault && (pDefault->DesiredAccess & kAdministerBits) && !SeamUserIsAdministrator())
    return Fail(ERROR_ACCESS_DENIED);
  auto handle = std::make_shared<PrinterHandle>();
  handle->printer = row.name;
  if (pDefault && pDefault->pDatatype) handle->datatype = std::u16string(pk::WideView(pDefault->pDatatype));
  *phPrinter = pk::win::RegisterHandle(handle);
  return TRUE;
}

BOOL ClosePrinter(HANDLE hPrinter) {
  auto handle = pk::win::UnregisterHandleOf<PrinterHandle>(hPrinter);
  if (!handle) return FALSE;
  DWORD e = SeamCallError(pk::seams::SpoolCall::Close);
  {
    std::lock_guard<std::mutex> lock(handle->mutex);
    AbandonJob(*handle);
  }
  return e ? Fail(e) : TRUE;
}

BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  PrinterRow row;
  if (!ReadHandlePrinter(hPrinter, &row)) return FALSE;
  if (!KnownPrinterLevel(Level)) return Fail(ERROR_INVALID_LEVEL);
  DWORD jobs = 0;
  if (Level == 2) {
    PkMachineDbTransaction tx(false);
    if (tx.ok()) jobs = CountOpenJobs(tx.db(), row.name);
  }
  BlockBuilder b(1, PrinterRecordSize(Level));
  AddPrinterRecord(b, 0, Level, row, jobs);
  return b.deliver(pPrinter, cbBuf, pcbNeeded);
}

BOOL EnumPrintersW(DWORD Flags, LPCWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
                   LPDWORD pcReturned) {
  if (!pcbNeeded || !pcReturned) return Fail(ERROR_INVALID_PARAMETER);
  *pcReturned = 0;
  if (!KnownPrinterLevel(Level)) return Fail(ERROR_INVALID_LEVEL);
  if (!pk::WideView(Name).empty()) return Fail(ERROR_INVALID_NAME);
  std::vector<PrinterRow> rows;
  std::vector<DWORD> jobs;
  if (Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_DEFAULT)) {
    PkMachineDbTransaction tx(false);
    if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
    for (auto& r : LoadPrinters(tx.db())) {
      if (!(Flags & PRINTER_ENUM_LOCAL) && !(r.attributes & PRINTER_ATTRIBUTE_DEFAULT)) continue;
      jobs.push_back(Level == 2 ? CountOpenJobs(tx.db(), r.name) : 0);
      rows.push_back(std::move(r));
    }
  }
  BlockBuilder b(rows.size(), PrinterRecordSize(Level));
  for (size_t i = 0; i < rows.size(); ++i) AddPrinterRecord(b, i, Level, rows[i], jobs[i]);
  if (!b.deliver(pPrinterEnum, cbBuf, pcbNeeded)) return FALSE;
  *pcReturned = static_cast<DWORD>(rows.size());
  return TRUE;
}

BOOL GetPrinterDriverW(HANDLE hPrinter, LPCWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                       LPDWORD pcbNeeded) {
  PrinterRow r;
  if (!ReadHandlePrinter(hPrinter, &r)) return FALSE;
  if (Level != 2 && Level != 3) return Fail(ERROR_INVALID_LEVEL);
  if (pEnvironment && !pk::NamesEqual(pk::WideView(pEnvironment), r.environment))
    return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
  // The two levels share their first six fields.
  BlockBuilder b(1, Level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W));
  DRIVER_INFO_3W rec{};
  rec.cVersion = r.driverVersion;
  b.setRecord(0, &rec);
  b.setText(0, offsetof(DRIVER_INFO_3W, pName), r.driverName);
  b.setText(0, offsetof(DRIVER_INFO_3W, pEnvironment), r.environment);
  b.setText(0, offsetof(DRIVER_INFO_3W, pDriverPath), r.driverPath);
  b.setText(0, offsetof(DRIVER_INFO_3W, pDataFile), r.dataFile);
  b.setText(0, offsetof(DRIVER_INFO_3W, pConfigFile), r.configFile);
  if (Level == 3) {
    b.setText(0, offsetof(DRIVER_INFO_3W, pHelpFile), r.helpFile);
    b.setTexts(0, offsetof(DRIVER_INFO_3W, pDependentFiles), r.dependentFiles);
    b.setText(0, offsetof(DRIVER_INFO_3W, pMonitorName), r.monitor);
    b.setText(0, offsetof(DRIVER_INFO_3W, pDefaultDataType), r.datatype);
  }
  return b.deliver(pDriverInfo, cbBuf, pcbNeeded);
}

}  // extern "C"
