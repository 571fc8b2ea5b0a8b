// Data too large for one printer data value, kept in chunks: "<stem>Size"
// (REG_DWORD) holds the byte count N, and "<stem>1", "<stem>2", ...
// (REG_BINARY) hold the next min(768, remaining) bytes each, at most 99
// chunks (N at most 76032). A partly written set stays as it is; its read
// then fails on the missing or short chunk.
#pragma once

#include "platform/win/win_types.h"

constexpr DWORD kPrinterDataChunkSize = 768;
constexpr DWORD kMaxPrinterDataChunks = 99;
constexpr DWORD kMaxChunkedDataSize = kPrinterDataChunkSize * kMaxPrinterDataChunks;

// 1 when the size value and every chunk were written; 0 for size 0, more than
// 99 chunks or a failed write (earlier chunks stay written).
int WritePrinterDataChunks(HANDLE printer, LPCWSTR stem, const void* data, DWORD size);
// 1 with the stored byte count, which is nonzero and needs at most 99 chunks.
int ReadPrinterDataChunkSize(HANDLE printer, LPCWSTR stem, DWORD* size);
// Reads `size` bytes (the stored count) into the buffer: 1 when every chunk
// was there with exactly its expected size.
int ReadPrinterDataChunks(HANDLE printer, LPCWSTR stem, void* buffer, DWORD size);
// Reads the whole stored value into a new block of the global allocator (the
// caller frees it): 1 with the block and its size; 0 with nothing allocated.
int ReadPrinterDataChunksToNewBlock(HANDLE printer, LPCWSTR stem, void** data, DWORD* size);
