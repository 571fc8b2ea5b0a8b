// The settings blob: the DEVMODE extension of a printer (2072 bytes), with the
// fax settings block of the PC-fax feature optionally after it, stored in a
// file the caller names, in chunked printer data ("N_Dev") or in two values
// of the printer's per-user key ("N_DevSize", "N_Dev").
//
// Blob: 16-byte tag "NDEV001" (wide, with its terminator), u32 0x6930, u32
// extension size E, the extension, then the optional fax block: 16-byte tag
// "ORVA001", u16 entry count n, the rest of a 1442-byte head, n entries of 742
// bytes; the fax block is at most 65535 bytes.
#pragma once

#include "platform/win/win_types.h"

constexpr DWORD kSettingsBlobHeadSize = 24;
constexpr DWORD kSettingsBlobVersion = 0x6930;
constexpr DWORD kFaxBlockHeadSize = 1442;
constexpr DWORD kFaxBlockEntrySize = 742;
constexpr DWORD kFaxBlockMaxSize = 65535;
// The one extension size ever written.
constexpr DWORD kSettingsBlobExtensionSize = 2072;
constexpr DWORD kSettingsBlobMaxSize = kSettingsBlobHeadSize + kSettingsBlobExtensionSize + kFaxBlockMaxSize;

// Where a blob is kept when no file is named.
constexpr WORD kBlobInPrinterData = 2;
constexpr WORD kBlobInUserValues = 3;

// Writes the blob of the extension and the optional fax block: to the file
// when a path is given (the file must exist), else by the mode. 1 / 0.
int WriteSettingsBlob(HANDLE printer, LPCWSTR path, WORD mode, const void* faxBlock, DWORD faxSize,
                      const void* extension);
// Reads a blob into the 2072-byte extension destination and, when asked, the
// fax block into a new block the caller frees. 1 / 0. A blob whose extension
// size is not 2072, or that is shorter than its head and extension, is refused
// without copying.
int ReadSettingsBlob(HANDLE printer, LPCWSTR path, WORD mode, void** faxBlock, void* extension);

// Chunked printer data of stem "N_Dev".
int WriteChunkedPrinterData(HANDLE printer, const void* data, DWORD size);
int ReadChunkedPrinterData(HANDLE printer, void** data, DWORD* size);

// Writes head, body and tail (when given) to the existing file, truncating
// it; the file is never created. True when every write succeeded.
bool WriteBlobFile(LPCWSTR path, const void* tail, DWORD tailSize, const void* head, DWORD headSize, const void* body,
                   DWORD bodySize);
// Joins head, body and tail and stores them by the mode: 1 / 0.
int WriteBlobToPrinterData(HANDLE printer, WORD mode, const void* tail, DWORD tailSize, const void* head,
                           DWORD headSize, const void* body, DWORD bodySize);

// The head (1442 bytes) and entry n (0-based, 742 bytes) of a fax block: 1, or
// 0 for a null block. The caller keeps n below the block's entry count.
int CopyFaxBlockHeader(const void* faxBlock, void* destination);
int CopyFaxBlockEntry(const void* faxBlock, DWORD n, void* destination);
