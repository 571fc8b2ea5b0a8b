// The spooler's tables in the machine database and the printer rows.
#include <cstring>

#include "platform/spooler/spooler_internal.h"
#include "platform/win/machine_db.h"
#include "platform/win/name_text.h"

namespace pk::spooler {
namespace {

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS spl_printers(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL,"
    " fold TEXT NOT NULL UNIQUE, port TEXT, driver TEXT, environment TEXT, version INTEGER,"
    " driver_path TEXT, data_file TEXT, config_file TEXT, help_file TEXT, dependent_files TEXT,"
    " monitor TEXT, datatype TEXT, comment TEXT, location TEXT, attributes INTEGER, devmode BLOB);"
    "CREATE TABLE IF NOT EXISTS spl_data(id INTEGER PRIMARY KEY AUTOINCREMENT, printer INTEGER NOT NULL,"
    " key TEXT NOT NULL, keyfold TEXT NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER,"
    " data BLOB, UNIQUE(printer, keyfold, fold));"
    "CREATE TABLE IF NOT EXISTS spl_forms(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL,"
    " fold TEXT NOT NULL UNIQUE, flags INTEGER, cx INTEGER, cy INTEGER, left INTEGER, top INTEGER,"
    " right INTEGER, bottom INTEGER);"
    "CREATE TABLE IF NOT EXISTS spl_jobs(id INTEGER PRIMARY KEY AUTOINCREMENT, printer TEXT NOT NULL,"
    " fold TEXT NOT NULL, document TEXT, datatype TEXT, state INTEGER, pages INTEGER, bytes INTEGER,"
    " pid INTEGER, file TEXT);"
    "CREATE TABLE IF NOT EXISTS spl_job_writes(seq INTEGER PRIMARY KEY AUTOINCREMENT, job INTEGER NOT NULL,"
    " size INTEGER)";

struct Registration {
  Registration() { PkAddMachineDbSchema(kSchema); }
} gRegistration;

// Dependent files are kept one per line.
std::u16string JoinLines(const std::vector<std::u16string>& lines) {
  std::u16string all;
  for (const auto& l : lines) {
    if (!all.empty()) all += u'\n';
    all += l;
  }
  return all;
}

std::vector<std::u16string> SplitLines(const std::u16string& all) {
  std::vector<std::u16string> lines;
  size_t i = 0;
  while (i < all.size()) {
    size_t j = all.find(u'\n', i);
    if (j == std::u16string::npos) j = all.size();
    if (j > i) lines.push_back(all.substr(i, j - i));
    i = j + 1;
  }
  return lines;
}

const char kPrinterColumns[] =
    "SELECT id, name, port, driver, environment, version, driver_path, data_file, config_file, help_file,"
    " dependent_files, monitor, datatype, comment, location, attributes, devmode FROM spl_printers";

PrinterRow ReadRow(Statement& st) {
  PrinterRow r;
  r.id = st.integer(0);
  r.name = st.text(1);
  r.port = st.text(2);
  r.driverName = st.text(3);
  r.environment = st.text(4);
  r.driverVersion = static_cast<DWORD>(st.integer(5));
  r.driverPath = st.text(6);
  r.dataFile = st.text(7);
  r.configFile = st.text(8);
  r.helpFile = st.text(9);
  r.dependentFiles = SplitLines(st.text(10));
  r.monitor = st.text(11);
  r.datatype = st.text(12);
  r.comment = st.text(13);
  r.location = st.text(14);
  r.attributes = static_cast<DWORD>(st.integer(15));
  r.devmode = st.blob(16);
  return r;
}

}  // namespace

Statement::Statement(sqlite3* db, const char* sql) {
  if (!db || sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) != SQLITE_OK) st_ = nullptr;
}
Statement::~Statement() { sqlite3_finalize(st_); }
Statement& Statement::bind(int i, int64_t v) {
  if (st_) sqlite3_bind_int64(st_, i, v);
  return *this;
}
Statement& Statement::bind(int i, const std::string& v) {
  if (st_) sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  return *this;
}
Statement& Statement::bind(int i, const std::u16string& v) { return bind(i, pk::Utf16ToUtf8(v)); }
Statement& Statement::bindBlob(int i, const void* p, size_t n) {
  if (st_) sqlite3_bind_blob(st_, i, n ? p : "", static_cast<int>(n), SQLITE_TRANSIENT);
  return *this;
}
int Statement::step() { return st_ ? sqlite3_step(st_) : SQLITE_ERROR; }
int64_t Statement::integer(int c) { return sqlite3_column_int64(st_, c); }
std::u16string Statement::text(int c) {
  auto p = reinterpret_cast<const char*>(sqlite3_column_text(st_, c));
  return p ? pk::Utf8ToUtf16(std::string_view(p, sqlite3_column_bytes(st_, c))) : std::u16string();
}
std::vector<BYTE> Statement::blob(int c) {
  auto p = static_cast<const BYTE*>(sqlite3_column_blob(st_, c));
  int n = sqlite3_column_bytes(st_, c);
  return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>();
}

std::string NameKey(std::u16string_view name) { return pk::Utf16ToUtf8(pk::FoldName(name)); }

bool LoadPrinter(sqlite3* db, std::u16string_view name, PrinterRow* row) {
  std::string sql = std::string(kPrinterColumns) + " WHERE fold = ?1";
  Statement st(db, sql.c_str());
  st.bind(1, NameKey(name));
  if (st.step() != SQLITE_ROW) return false;
  *row = ReadRow(st);
  return true;
}

std::vector<PrinterRow> LoadPrinters(sqlite3* db) {
  std::string sql = std::string(kPrinterColumns) + " ORDER BY id";
  Statement st(db, sql.c_str());
  std::vector<PrinterRow> rows;
  while (st.step() == SQLITE_ROW) rows.push_back(ReadRow(st));
  return rows;
}

DWORD InsertPrinter(sqlite3* db, const PrinterRow& r) {
  {
    Statement probe(db, "SELECT 1 FROM spl_printers WHERE fold = ?1");
    probe.bind(1, NameKey(r.name));
    if (probe.step() == SQLITE_ROW) return ERROR_ALREADY_EXISTS;
  }
  Statement st(db,
               "INSERT INTO spl_printers(name, fold, port, driver, environment, version, driver_path, data_file,"
               " config_file, help_file, dependent_files, monitor, datatype, comment, location, attributes,"
               " devmode) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17)");
  st.bind(1, r.name).bind(2, NameKey(r.name)).bind(3, r.port).bind(4, r.driverName).bind(5, r.environment);
  st.bind(6, r.driverVersion).bind(7, r.driverPath).bind(8, r.dataFile).bind(9, r.configFile);
  st.bind(10, r.helpFile).bind(11, JoinLines(r.dependentFiles)).bind(12, r.monitor).bind(13, r.datatype);
  st.bind(14, r.comment).bind(15, r.location).bind(16, r.attributes);
  st.bindBlob(17, r.devmode.data(), r.devmode.size());
  return st.step() == SQLITE_DONE ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

std::vector<BYTE> DefaultDevMode(std::u16string_view printerName) {
  DEVMODEW dm;
  std::memset(&dm, 0, sizeof dm);
  size_t n = std::min<size_t>(printerName.size(), CCHDEVICENAME - 1);
  std::copy(printerName.begin(), printerName.begin() + n, dm.dmDeviceName);
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmDriverExtra = 0;
  dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
  dm.dmOrientation = DMORIENT_PORTRAIT;
  dm.dmPaperSize = DMPAPER_A4;
  dm.dmCopies = 1;
  const BYTE* p = reinterpret_cast<const BYTE*>(&dm);
  return std::vector<BYTE>(p, p + sizeof dm);
}

DWORD CountOpenJobs(sqlite3* db, std::u16string_view printer) {
  Statement st(db, "SELECT COUNT(*) FROM spl_jobs WHERE fold = ?1 AND state = 0");
  st.bind(1, NameKey(printer));
  return st.step() == SQLITE_ROW ? static_cast<DWORD>(st.integer(0)) : 0;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace pk::spooler
