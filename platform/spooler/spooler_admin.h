// What the spooler offers besides the printing calls: adding printers, reading
// back jobs and printer data (for spoolctl, the host and the tests), and the
// set-up of a fresh machine root with its default printer and driver folder.
#pragma once

#include <string>
#include <vector>

#include "platform/win/win_types.h"

// The default printer of a fresh root and its driver.
#define PK_DEFAULT_PRINTER_NAME u"KZ TRD Printer"
#define PK_DEFAULT_PORT_NAME u"KZJOB:"
#define PK_DEFAULT_DRIVER_NAME u"KZ TRD Printer Driver"
// The driver folder of the local environment (Windows path, with its backslash).
#define PK_DRIVER_FOLDER u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\"
// Where jobs are spooled.
#define PK_SPOOL_FOLDER u"C:\\Windows\\System32\\spool\\PRINTERS\\"
// Host folder whose deliverables a fresh root's driver folder is filled from,
// when set; else the folder of the platform library (the build's output).
#define PK_DRIVER_SOURCE_ENV "PK_DRIVER_SOURCE"

namespace pk::spooler {

enum class JobState { Spooling = 0, Complete = 1, Incomplete = 2 };
PKAPI const char* JobStateName(JobState state);

struct JobRecord {
  DWORD id = 0;
  std::u16string printer;
  std::u16string document;
  JobState state = JobState::Spooling;
  DWORD pages = 0;
  ULONGLONG bytes = 0;
  std::vector<DWORD> writeSizes;  // the size of every WritePrinter call, in order
  std::u16string file;            // the spool file's Windows path
};

struct PrinterDataRecord {
  std::u16string key;  // empty for plain values
  std::u16string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

// Adds a local printer that uses the default driver with `dataFile` (a Windows
// path, stored as given) as its data file and the default port and DEVMODE.
// Answers 0, 183 when the name is in use, 87 for an empty name, or another
// error code. The driver's configuration module then gets
// PRINTER_EVENT_INITIALIZE.
PKAPI DWORD AddPrinter(const std::u16string& name, const std::u16string& dataFile);
// Deletes a printer with its printer data, after its driver's configuration
// module got PRINTER_EVENT_DELETE. 0, 1801 for an unknown printer, 5 for a
// user who is no administrator, or another error code.
PKAPI DWORD DeletePrinter(const std::u16string& name);
// Calls DrvUpgradePrinter (level 1) of the driver's configuration module for
// every printer of the driver; `upgraded` gets the printers it answered TRUE
// for. 0, or 1797 when no printer uses the driver.
PKAPI DWORD UpgradeDriver(const std::u16string& driver, std::vector<std::u16string>* upgraded = nullptr);

// Jobs of one printer (empty: of every printer), oldest first. A job whose
// process ended while it was spooling is reported (and kept) incomplete.
PKAPI std::vector<JobRecord> ListJobs(const std::u16string& printer = std::u16string());
PKAPI bool GetJob(DWORD id, JobRecord* job);
// Host path of a job's spool file (empty for an unknown job).
PKAPI std::string JobHostPath(DWORD id);

// Every value of a printer, plain values first, each group in creation order.
// False for an unknown printer.
PKAPI bool ListPrinterData(const std::u16string& printer, std::vector<PrinterDataRecord>* values);

// The file names (patterns with '*' allowed) a fresh root's driver folder gets
// from the driver source folder; those missing there are skipped.
PKAPI const std::vector<std::string>& DriverFileList();
// The driver source folder now in use (host path).
PKAPI std::string DriverSourceFolder();
// Sets the driver source folder for roots set up from now on (empty: default);
// pk::seams::ResetAll() forgets it.
PKAPI void SetDriverSourceFolder(const std::string& hostFolder);

}  // namespace pk::spooler
