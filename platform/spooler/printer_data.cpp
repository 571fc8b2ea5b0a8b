// Printer data: typed values of a printer, plain ones and those of named keys
// (the Ex calls), each listed in creation order.
#include <cstring>

#include "platform/spooler/spooler_internal.h"
#include "platform/win/machine_db.h"
#include "platform/win/name_text.h"

namespace pk::spooler {
namespace {

// Plain values are those of this key; the Ex calls reach them by its name.
const char16_t kPlainKey[] = u"PrinterDriverData";

// The key under which a value is stored: empty for plain values.
std::u16string StoredKey(std::u16string_view key) {
  return pk::NamesEqual(key, kPlainKey) ? std::u16string() : std::u16string(key);
}

// Finds the printer row id of a handle; 0 with the error code in *error.
int64_t HandlePrinterId(sqlite3* db, HANDLE h, DWORD* error) {
  auto handle = LookupPrinter(h);
  if (!handle) {
    *error = ERROR_INVALID_HANDLE;
    return 0;
  }
  PrinterRow row;
  if (!LoadPrinter(db, handle->printer, &row)) {
    *error = ERROR_INVALID_PRINTER_NAME;
    return 0;
  }
  return row.id;
}

DWORD GetValue(HANDLE h, std::u16string_view key, LPCWSTR valueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
               LPDWORD pcbNeeded) {
  if (!LookupPrinter(h)) return ERROR_INVALID_HANDLE;
  if (!pcbNeeded) return ERROR_INVALID_PARAMETER;
  PkMachineDbTransaction tx(false);
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  DWORD error = 0;
  int64_t printer = HandlePrinterId(tx.db(), h, &error);
  if (!printer) return error;
  Statement st(tx.db(), "SELECT type, data FROM spl_data WHERE printer = ?1 AND keyfold = ?2 AND fold = ?3");
  st.bind(1, printer).bind(2, NameKey(StoredKey(key))).bind(3, NameKey(pk::WideView(valueName)));
  if (st.step() != SQLITE_ROW) return ERROR_FILE_NOT_FOUND;
  DWORD type = static_cast<DWORD>(st.integer(0));
  std::vector<BYTE> data = st.blob(1);
  *pcbNeeded = static_cast<DWORD>(data.size());
  if (pType) *pType = type;
  if (data.empty()) return ERROR_SUCCESS;
  if (!pData || nSize < data.size()) return ERROR_MORE_DATA;
  std::memcpy(pData, data.data(), data.size());
  return ERROR_SUCCESS;
}

DWORD SetValue(HANDLE h, std::u16string_view key, LPCWSTR valueName, DWORD type, const BYTE* pData, DWORD cbData) {
  if (!LookupPrinter(h)) return ERROR_INVALID_HANDLE;
  if (!pData && cbData) return ERROR_INVALID_PARAMETER;
  if (!SeamUserIsAdministrator()) return ERROR_ACCESS_DENIED;
  if (DWORD e = SeamSetPrinterDataError()) return e;
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  DWORD error = 0;
  int64_t printer = HandlePrinterId(tx.db(), h, &error);
  if (!printer) return error;
  std::u16string stored = StoredKey(key);
  std::u16string name(pk::WideView(valueName));
  // An existing value keeps its place in the creation order.
  Statement update(tx.db(),
                   "UPDATE spl_data SET type = ?4, data = ?5 WHERE printer = ?1 AND keyfold = ?2 AND fold = ?3");
  update.bind(1, printer).bind(2, NameKey(stored)).bind(3, NameKey(name)).bind(4, type);
  update.bindBlob(5, pData, cbData);
  if (update.step() != SQLITE_DONE) return ERROR_GEN_FAILURE;
  if (sqlite3_changes(tx.db()) == 0) {
    Statement insert(tx.db(),
                     "INSERT INTO spl_data(printer, key, keyfold, name, fold, type, data)"
                     " VALUES(?1,?2,?3,?4,?5,?6,?7)");
    insert.bind(1, printer).bind(2, stored).bind(3, NameKey(stored)).bind(4, name).bind(5, NameKey(name));
    insert.bind(6, type).bindBlob(7, pData, cbData);
    if (insert.step() != SQLITE_DONE) return ERROR_GEN_FAILURE;
  }
  return tx.commit() ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

}  // namespace

bool ListPrinterData(const std::u16string& printer, std::vector<PrinterDataRecord>* values) {
  values->clear();
  PkMachineDbTransaction tx(false);
  if (!tx.ok()) return false;
  PrinterRow row;
  if (!LoadPrinter(tx.db(), printer, &row)) return false;
  Statement st(tx.db(), "SELECT key, name, type, data FROM spl_data WHERE printer = ?1 ORDER BY key <> '', id");
  st.bind(1, row.id);
  while (st.step() == SQLITE_ROW) {
    PrinterDataRecord r;
    r.key = st.text(0);
    r.name = st.text(1);
    r.type = static_cast<DWORD>(st.integer(2));
    r.data = st.blob(3);
    values->push_back(std::move(r));
  }
  return true;
}

}  // namespace pk::spooler

using namespace pk::spooler;

extern "C" {

DWORD GetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                      LPDWORD pcbNeeded) {
  return GetValue(hPrinter, kPlainKey, pValueName, pType, pData, nSize, pcbNeeded);
}

DWORD SetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, DWORD Type, const BYTE* pData, DWORD cbData) {
  return SetValue(hPrinter, kPlainKey, pValueName, Type, pData, cbData);
}

DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                        LPDWORD pcbNeeded) {
  if (pk::WideView(pKeyName).empty()) return ERROR_INVALID_PARAMETER;
  return GetValue(hPrinter, pk::WideView(pKeyName), pValueName, pType, pData, nSize, pcbNeeded);
}

DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type, const BYTE* pData,
                        DWORD cbData) {
  if (pk::WideView(pKeyName).empty()) return ERROR_INVALID_PARAMETER;
  return SetValue(hPrinter, pk::WideView(pKeyName), pValueName, Type, pData, cbData);
}

}  // extern "C"
