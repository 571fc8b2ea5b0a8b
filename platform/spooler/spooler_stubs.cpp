// Placeholder answers of the spooler calls while they are being built.
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/spooler/winspool.h"

namespace {
BOOL NotYet() {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}
}  // namespace

extern "C" {
BOOL OpenPrinterW(LPCWSTR, LPHANDLE, const PRINTER_DEFAULTSW*) { return NotYet(); }
BOOL ClosePrinter(HANDLE) { return NotYet(); }
BOOL GetPrinterW(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD) { return NotYet(); }
BOOL GetPrinterDriverW(HANDLE, LPCWSTR, DWORD, LPBYTE, DWORD, LPDWORD) { return NotYet(); }
BOOL EnumPrintersW(DWORD, LPCWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) { return NotYet(); }
BOOL EnumFormsW(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) { return NotYet(); }
BOOL GetFormW(HANDLE, LPCWSTR, DWORD, LPBYTE, DWORD, LPDWORD) { return NotYet(); }
BOOL AddFormW(HANDLE, DWORD, const BYTE*) { return NotYet(); }
DWORD GetPrinterDataW(HANDLE, LPCWSTR, LPDWORD, LPBYTE, DWORD, LPDWORD) { return ERROR_CALL_NOT_IMPLEMENTED; }
DWORD SetPrinterDataW(HANDLE, LPCWSTR, DWORD, const BYTE*, DWORD) { return ERROR_CALL_NOT_IMPLEMENTED; }
DWORD GetPrinterDataExW(HANDLE, LPCWSTR, LPCWSTR, LPDWORD, LPBYTE, DWORD, LPDWORD) {
  return ERROR_CALL_NOT_IMPLEMENTED;
}
DWORD SetPrinterDataExW(HANDLE, LPCWSTR, LPCWSTR, DWORD, const BYTE*, DWORD) { return ERROR_CALL_NOT_IMPLEMENTED; }
DWORD StartDocPrinterW(HANDLE, DWORD, const BYTE*) { return NotYet(); }
BOOL StartPagePrinter(HANDLE) { return NotYet(); }
BOOL WritePrinter(HANDLE, LPCVOID, DWORD, LPDWORD) { return NotYet(); }
BOOL EndPagePrinter(HANDLE) { return NotYet(); }
BOOL EndDocPrinter(HANDLE) { return NotYet(); }
}

namespace pk::spooler {
const char* JobStateName(JobState state) {
  switch (state) {
    case JobState::Spooling: return "spooling";
    case JobState::Complete: return "complete";
    case JobState::Incomplete: return "incomplete";
  }
  return "?";
}
DWORD AddPrinter(const std::u16string&, const std::u16string&) { return ERROR_CALL_NOT_IMPLEMENTED; }
std::vector<JobRecord> ListJobs(const std::u16string&) { return {}; }
bool GetJob(DWORD, JobRecord*) { return false; }
std::string JobHostPath(DWORD) { return {}; }
bool ListPrinterData(const std::u16string&, std::vector<PrinterDataRecord>*) { return false; }
const std::vector<std::string>& DriverFileList() {
  static const std::vector<std::string> list;
  return list;
}
std::string DriverSourceFolder() { return {}; }
void SetDriverSourceFolder(const std::string&) {}
}  // namespace pk::spooler

namespace pk::seams {
void SetUserIsAdministrator(bool) {}
void FailOpenPrinter(const WCHAR*, DWORD) {}
void FailSetPrinterData(unsigned, DWORD, bool) {}
void FailSpoolCall(SpoolCall, unsigned, bool, DWORD) {}
void ShortWritePrinter(unsigned, DWORD, bool) {}
}  // namespace pk::seams
