// Internals shared by the spooler's sources: statements on the machine
// database, the printer rows, printer handles, the block builder of the Get and
// Enum calls, and the seams' side inside the calls.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_handle_table.h"

namespace pk::spooler {

// A prepared statement with bound parameters, finalised on scope exit.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement& bind(int i, int64_t v);
  Statement& bind(int i, const std::string& v);
  Statement& bind(int i, const std::u16string& v);
  Statement& bindBlob(int i, const void* p, size_t n);
  // SQLITE_ROW, SQLITE_DONE or an error.
  int step();
  int64_t integer(int c);
  std::u16string text(int c);
  std::vector<BYTE> blob(int c);

 private:
  sqlite3_stmt* st_ = nullptr;
};

// The fold of a name under which printers, forms and values compare.
std::string NameKey(std::u16string_view name);

// One printer with its driver, as stored.
struct PrinterRow {
  int64_t id = 0;
  std::u16string name;
  std::u16string port;
  std::u16string driverName;
  std::u16string environment;
  DWORD driverVersion = 3;
  std::u16string driverPath;
  std::u16string dataFile;
  std::u16string configFile;
  std::u16string helpFile;
  std::vector<std::u16string> dependentFiles;
  std::u16string monitor;
  std::u16string datatype;
  std::u16string comment;
  std::u16string location;
  DWORD attributes = 0;
  std::vector<BYTE> devmode;
};

// Reads a printer by name (case-insensitive); false when there is none.
bool LoadPrinter(sqlite3* db, std::u16string_view name, PrinterRow* row);
std::vector<PrinterRow> LoadPrinters(sqlite3* db);
// Adds a printer; 0, ERROR_ALREADY_EXISTS or another error code.
DWORD InsertPrinter(sqlite3* db, const PrinterRow& row);
// The spooler's default DEVMODE of a printer: the 220-byte public block,
// portrait, paper 9, one copy.
std::vector<BYTE> DefaultDevMode(std::u16string_view printerName);
// Jobs spooling on a printer now.
DWORD CountOpenJobs(sqlite3* db, std::u16string_view printer);

// An open printer handle, with the job it is spooling (if any).
class PrinterHandle : public pk::win::KernelObject {
 public:
  bool ClosedByCloseHandle() const override { return false; }
  std::u16string printer;   // the name as stored
  std::u16string datatype;  // the handle's default datatype (empty: "RAW")
  std::mutex mutex;         // guards the job fields
  DWORD jobId = 0;
  int fd = -1;
  bool pageOpen = false;
};

// The printer handle's object, or null with error 6.
std::shared_ptr<PrinterHandle> LookupPrinter(HANDLE handle);
// Ends the handle's open job as incomplete (ClosePrinter); the caller holds
// the handle's mutex.
void AbandonJob(PrinterHandle& handle);

// Builds the block of a Get or Enum call: `count` records of `recordSize`
// bytes first, then the strings and DEVMODEs they point to.
class BlockBuilder {
 public:
  BlockBuilder(size_t count, size_t recordSize);
  // Copies a record's plain fields (its pointers are set by the calls below).
  void setRecord(size_t index, const void* record);
  // Points the pointer field at `fieldOffset` of record `index` at a copy of
  // the text (with its zero), or leaves it null for a null text.
  void setText(size_t index, size_t fieldOffset, const std::u16string& text);
  void setTexts(size_t index, size_t fieldOffset, const std::vector<std::u16string>& texts);
  void setBytes(size_t index, size_t fieldOffset, const std::vector<BYTE>& bytes);
  size_t size() const { return data_.size(); }
  // Size-query answer: FALSE with 122 (writing nothing) when the buffer holds
  // fewer than size() bytes; else the block is written and its pointers set.
  BOOL deliver(LPBYTE buffer, DWORD capacity, LPDWORD needed) const;

 private:
  size_t append(const void* p, size_t n, size_t align);
  struct Patch {
    size_t field;
    size_t target;
  };
  size_t recordSize_;
  std::vector<BYTE> data_;
  std::vector<Patch> patches_;
};

// The seams' side: each answers the error to give now (0: none).
bool SeamUserIsAdministrator();
DWORD SeamOpenPrinterError(std::u16string_view printer);
DWORD SeamSetPrinterDataError();
DWORD SeamCallError(pk::seams::SpoolCall call);
// How many of `count` bytes the next WritePrinter writes.
DWORD SeamWriteAllowance(DWORD count);

bool SeamPrinterEventCalls();
DWORD SeamEnumFormsError();
void SetEnumFormsError(DWORD error);

// Calls DrvPrinterEvent of the printer's configuration module with the event
// (nothing when the module or the entry is missing).
void CallPrinterEvent(const std::u16string& printer, int event);

// Sets `error` as the last error and answers FALSE.
BOOL Fail(DWORD error);

}  // namespace pk::spooler
