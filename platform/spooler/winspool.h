// The print spooler of the platform layer: printers with their driver, default
// DEVMODE and printer data, the forms, and raw jobs written to spool files.
// Records are the in-memory x64 layouts; every Get and Enum call fills a
// self-contained block (records first, then their strings and DEVMODEs, every
// pointer inside the block). State lives in the machine database, one
// transaction per call, so other processes on the same root see it at once.
#pragma once

#include <cstddef>

#include "platform/win/win_devmode.h"
#include "platform/win/win_error.h"
#include "platform/win/win_types.h"

#define PRINTER_ENUM_DEFAULT 0x00000001
#define PRINTER_ENUM_LOCAL 0x00000002
#define PRINTER_ENUM_ICON8 0x00800000

#define PRINTER_ATTRIBUTE_QUEUED 0x00000001
#define PRINTER_ATTRIBUTE_DIRECT 0x00000002
#define PRINTER_ATTRIBUTE_DEFAULT 0x00000004
#define PRINTER_ATTRIBUTE_SHARED 0x00000008
#define PRINTER_ATTRIBUTE_NETWORK 0x00000010
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040

#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define PRINTER_ALL_ACCESS 0x000F000C

#define FORM_USER 0x00000000
#define FORM_BUILTIN 0x00000001

#ifndef ERROR_INVALID_LEVEL
#define ERROR_INVALID_LEVEL 124L
#endif
#ifndef ERROR_INVALID_PRINTER_STATE
#define ERROR_INVALID_PRINTER_STATE 1906L
#endif
#ifndef ERROR_SPL_NO_STARTDOC
#define ERROR_SPL_NO_STARTDOC 3024L
#endif

// The environment of the local drivers; a null environment means it.
#define PK_SPOOLER_ENVIRONMENT u"Windows x64"

struct PRINTER_INFO_1W {
  DWORD Flags;
  LPWSTR pDescription;
  LPWSTR pName;
  LPWSTR pComment;
};

struct PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  DEVMODEW* pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  void* pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
};

struct PRINTER_INFO_4W {
  LPWSTR pPrinterName;
  LPWSTR pServerName;
  DWORD Attributes;
};

struct PRINTER_INFO_5W {
  LPWSTR pPrinterName;
  LPWSTR pPortName;
  DWORD Attributes;
  DWORD DeviceNotSelectedTimeout;
  DWORD TransmissionRetryTimeout;
};

struct DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
};

struct DRIVER_INFO_3W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;  // names separated by zeros, ended by an empty one
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
};

// Sizes and the imageable area in micrometres.
struct FORM_INFO_1W {
  DWORD Flags;
  LPWSTR pName;
  SIZEL Size;
  RECTL ImageableArea;
};

// The texts are read only by the spooler, so constant texts may be passed.
struct DOC_INFO_1W {
  LPCWSTR pDocName;
  LPCWSTR pOutputFile;
  LPCWSTR pDatatype;
};

struct PRINTER_DEFAULTSW {
  LPCWSTR pDatatype;
  DEVMODEW* pDevMode;
  DWORD DesiredAccess;
};

using PPRINTER_INFO_1W = PRINTER_INFO_1W*;
using LPPRINTER_INFO_1W = PRINTER_INFO_1W*;
using PPRINTER_INFO_2W = PRINTER_INFO_2W*;
using LPPRINTER_INFO_2W = PRINTER_INFO_2W*;
using PPRINTER_INFO_4W = PRINTER_INFO_4W*;
using LPPRINTER_INFO_4W = PRINTER_INFO_4W*;
using PPRINTER_INFO_5W = PRINTER_INFO_5W*;
using LPPRINTER_INFO_5W = PRINTER_INFO_5W*;
using PDRIVER_INFO_2W = DRIVER_INFO_2W*;
using LPDRIVER_INFO_2W = DRIVER_INFO_2W*;
using PDRIVER_INFO_3W = DRIVER_INFO_3W*;
using LPDRIVER_INFO_3W = DRIVER_INFO_3W*;
using PFORM_INFO_1W = FORM_INFO_1W*;
using LPFORM_INFO_1W = FORM_INFO_1W*;
using PDOC_INFO_1W = DOC_INFO_1W*;
using LPDOC_INFO_1W = DOC_INFO_1W*;
using PPRINTER_DEFAULTSW = PRINTER_DEFAULTSW*;
using LPPRINTER_DEFAULTSW = PRINTER_DEFAULTSW*;
using PRINTER_INFO_1 = PRINTER_INFO_1W;
using PRINTER_INFO_2 = PRINTER_INFO_2W;
using PRINTER_INFO_4 = PRINTER_INFO_4W;
using PRINTER_INFO_5 = PRINTER_INFO_5W;
using DRIVER_INFO_2 = DRIVER_INFO_2W;
using DRIVER_INFO_3 = DRIVER_INFO_3W;
using FORM_INFO_1 = FORM_INFO_1W;
using DOC_INFO_1 = DOC_INFO_1W;
using PRINTER_DEFAULTS = PRINTER_DEFAULTSW;

static_assert(sizeof(PRINTER_INFO_1W) == 32);
static_assert(sizeof(PRINTER_INFO_2W) == 136 && offsetof(PRINTER_INFO_2W, pDevMode) == 56);
static_assert(offsetof(PRINTER_INFO_2W, Attributes) == 104 && offsetof(PRINTER_INFO_2W, AveragePPM) == 132);
static_assert(sizeof(PRINTER_INFO_4W) == 24 && offsetof(PRINTER_INFO_4W, Attributes) == 16);
static_assert(sizeof(PRINTER_INFO_5W) == 32 && offsetof(PRINTER_INFO_5W, Attributes) == 16);
static_assert(sizeof(DRIVER_INFO_2W) == 48 && offsetof(DRIVER_INFO_2W, pDataFile) == 32);
static_assert(sizeof(DRIVER_INFO_3W) == 80 && offsetof(DRIVER_INFO_3W, pHelpFile) == 48);
static_assert(sizeof(FORM_INFO_1W) == 40 && offsetof(FORM_INFO_1W, Size) == 16);
static_assert(offsetof(FORM_INFO_1W, ImageableArea) == 24);
static_assert(sizeof(DOC_INFO_1W) == 24 && sizeof(PRINTER_DEFAULTSW) == 24);

extern "C" {

// Printers. OpenPrinterW: an unknown name fails with 1801; administrator access
// (PRINTER_ALL_ACCESS, PRINTER_ACCESS_ADMINISTER) asked by a user who is no
// administrator fails with 5. Every call on a closed or foreign handle fails
// with 6.
PKAPI BOOL OpenPrinterW(LPCWSTR pPrinterName, LPHANDLE phPrinter, const PRINTER_DEFAULTSW* pDefault);
// A job still open is left incomplete with the bytes it has; the handle is
// gone whatever the answer.
PKAPI BOOL ClosePrinter(HANDLE hPrinter);

// Size queries: with fewer bytes than needed (or no buffer) the call answers
// FALSE with 122 and the full size in *pcbNeeded, writing nothing. Unknown
// levels: 124.
PKAPI BOOL GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded);
// Levels 2 and 3; a null environment is the local one.
PKAPI BOOL GetPrinterDriverW(HANDLE hPrinter, LPCWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                             LPDWORD pcbNeeded);
// PRINTER_ENUM_LOCAL on this machine (Name null or empty); levels 1, 2, 4, 5.
PKAPI BOOL EnumPrintersW(DWORD Flags, LPCWSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf, LPDWORD pcbNeeded,
                         LPDWORD pcReturned);

// Forms: the built-in forms at positions 1 to 118 (position n is paper code
// n), then the user forms in the order they were added. Level 1.
PKAPI BOOL EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);
// Unknown name: 1902.
PKAPI BOOL GetFormW(HANDLE hPrinter, LPCWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded);
// Adds a FORM_USER form; a name in use: 80; no administrator: 5.
PKAPI BOOL AddFormW(HANDLE hPrinter, DWORD Level, const BYTE* pForm);

// Printer data answers error codes: 0; 234 with *pcbNeeded when the buffer is
// short (or null); 2 when the value is absent. Plain values and the values of
// named keys (GetPrinterDataExW) are kept apart; values keep their type and
// bytes and list in creation order. Writes by a user who is no administrator: 5.
PKAPI DWORD GetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                            LPDWORD pcbNeeded);
PKAPI DWORD SetPrinterDataW(HANDLE hPrinter, LPCWSTR pValueName, DWORD Type, const BYTE* pData, DWORD cbData);
PKAPI DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType, LPBYTE pData,
                              DWORD nSize, LPDWORD pcbNeeded);
PKAPI DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type, const BYTE* pData,
                              DWORD cbData);

// Raw jobs. StartDocPrinterW (level 1) answers the job id, 0 on failure: a
// datatype other than "RAW" gives 1804, an output file 50, a job already open
// on the handle 1906. The bytes go to the job's spool file
// C:\Windows\System32\spool\PRINTERS\<id, 5 digits>.prn as they are written.
PKAPI DWORD StartDocPrinterW(HANDLE hPrinter, DWORD Level, const BYTE* pDocInfo);
PKAPI BOOL StartPagePrinter(HANDLE hPrinter);
PKAPI BOOL WritePrinter(HANDLE hPrinter, LPCVOID pBuf, DWORD cbBuf, LPDWORD pcWritten);
PKAPI BOOL EndPagePrinter(HANDLE hPrinter);
PKAPI BOOL EndDocPrinter(HANDLE hPrinter);

}  // extern "C"
