// The job's temporary files: one object per file with its name, the highest
// position written and the position, read/write/seek with the retry box on a
// failed write, and the register in the machine registry that lets a later
// job delete the files an earlier one left behind.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

struct TempFile {
  HMODULE module;  // the driver's resource module, for the box's texts
  HANDLE file;     // INVALID_HANDLE_VALUE when none is open
  WCHAR name[260];
  uint32_t size;      // the highest position a write reached
  uint32_t position;  // the file position as the object tracks it
  int32_t open;       // 1 while the file may be used
};

// Every operation answers 0 (or a count) on success and -1 on failure.
int ResetTempFile(TempFile* temp, int removeLeftovers, HMODULE module);
int CreateTempFile(TempFile* temp);
int DeleteTempFile(TempFile* temp);
int HasTempFileData(const TempFile* temp);
int WriteTempFile(TempFile* temp, const void* bytes, uint32_t count);
int ReadTempFile(TempFile* temp, void* buffer, uint32_t count);
int SeekTempFile(TempFile* temp, int32_t offset);
int SeekTempFileEnd(TempFile* temp);
int GetTempFileSize(const TempFile* temp);
// The OK/Cancel box naming the file's drive: the box's answer (IDOK retries).
int ShowTempFileWriteError(const TempFile* temp);

// The register under HKLM "Software\Caldrix\KZ TRD Printer Driver\TempFile\":
// one subkey per file, its path with slashes, holding the time it was made.
int RegisterTempFile(const WCHAR* path);
int UnregisterTempFile(const WCHAR* path);
// Deletes the registered files that can be opened and unregisters them and
// those that are gone or held by a running job.
int RemoveLeftoverTempFiles();
void SlashPath(WCHAR* text);
