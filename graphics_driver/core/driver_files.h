// Wrappers of the graphics driver over files, temp file names and the
// spooler's job calls. They keep no state; every one answers a failure value.
#pragma once

#include "platform/win/win_types.h"

// Flag 1 creates (CREATE_ALWAYS), otherwise opens an existing file; flag 2 is
// read-only, otherwise read and write. Never shared while open.
// INVALID_HANDLE_VALUE for no path or a failed open.
HANDLE OpenFileHandle(LPCWSTR path, DWORD flags);
BOOL CloseFileHandle(HANDLE file);
// n bytes read or written, their count in *count; 0 for an invalid handle or
// no buffer.
BOOL ReadFileBytes(HANDLE file, void* buffer, DWORD n, DWORD* count);
BOOL WriteFileBytes(HANDLE file, const void* buffer, DWORD n, DWORD* count);
// The new position, -1 for an invalid handle.
LONG SeekFileFromStart(HANDLE file, LONG offset);
LONG SeekFileFromEnd(HANDLE file, LONG offset);
BOOL DeleteFileByName(LPCWSTR path);
// A new temp file "KZP<hex>.tmp" in the temp folder, else the Windows folder,
// the system folder or the current folder; "c:\kztrd.tmp" when none can be
// used. `out` holds 260 characters. 1, or 0 for no out.
int MakeTempFileName(LPWSTR out);

// The job GDI opened: the printer handle itself.
HANDLE PassPrinterHandle(HANDLE printer);
// A job of its own on the printer's queue: a RAW document named
// `documentName` (cut at 263 characters) with its first page started. The new
// printer handle, or null (no job) for no printer, when the printer's name
// cannot be read or the printer cannot be opened or the document started.
HANDLE OpenSpoolJob(HANDLE printer, LPCWSTR documentName);
BOOL CheckSpoolHandle(HANDLE printer);
// Ends the page and the document and closes the handle: non-zero only when all
// three succeed; 0 for a null handle.
BOOL CloseSpoolJob(HANDLE job);
// n bytes to the job (n = 0 writes nothing and succeeds); *count the bytes
// written, 0 on failure. 0 for a null handle or, with n > 0, no buffer.
BOOL WritePrinterBytes(HANDLE job, const void* buffer, DWORD n, DWORD* count);
