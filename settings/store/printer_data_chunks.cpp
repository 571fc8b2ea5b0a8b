// Writing and reading chunked printer data values.
#include "settings/store/printer_data_chunks.h"

#include <string>

#include "platform/spooler/winspool.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_text.h"
#include "settings/store/le_bytes.h"

namespace {

// "<stem>" followed by the suffix, or the decimal chunk number.
std::u16string ValueName(LPCWSTR stem, LPCWSTR suffix) { return std::u16string(stem) + suffix; }
std::u16string ChunkName(LPCWSTR stem, DWORD chunk) {
  WCHAR digits[12];
  _itow(static_cast<int>(chunk), digits, 10);
  return std::u16string(stem) + digits;
}

// Whether `size` bytes fit in the chunks a value may have. Sizes are compared
// rather than chunks counted, so that a stored size near 4 GiB cannot wrap.
bool FitsInChunks(DWORD size) { return size <= kMaxChunkedDataSize; }

}  // namespace

int WritePrinterDataChunks(HANDLE printer, LPCWSTR stem, const void* data, DWORD size) {
  if (stem == nullptr || data == nullptr || size == 0 || !FitsInChunks(size)) return 0;
  BYTE sizeBytes[4];
  StoreLe32(sizeBytes, size);
  if (SetPrinterDataW(printer, ValueName(stem, u"Size").c_str(), REG_DWORD, sizeBytes, sizeof sizeBytes) !=
      ERROR_SUCCESS)
    return 0;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  for (DWORD chunk = 1, offset = 0; offset < size; ++chunk, offset += kPrinterDataChunkSize) {
    const DWORD part = size - offset < kPrinterDataChunkSize ? size - offset : kPrinterDataChunkSize;
    if (SetPrinterDataW(printer, ChunkName(stem, chunk).c_str(), REG_BINARY, bytes + offset, part) != ERROR_SUCCESS)
      return 0;
  }
  return 1;
}

int ReadPrinterDataChunkSize(HANDLE printer, LPCWSTR stem, DWORD* size) {
  if (stem == nullptr || size == nullptr) return 0;
  BYTE bytes[4] = {};
  DWORD type = 0;
  DWORD needed = 0;
  if (GetPrinterDataW(printer, ValueName(stem, u"Size").c_str(), &type, bytes, sizeof bytes, &needed) !=
          ERROR_SUCCESS ||
      needed != sizeof bytes)
    return 0;
  const DWORD stored = LoadLe32(bytes);
  if (stored == 0 || !FitsInChunks(stored)) return 0;
  *size = stored;
  return 1;
}

int ReadPrinterDataChunks(HANDLE printer, LPCWSTR stem, void* buffer, DWORD size) {
  if (stem == nullptr || buffer == nullptr || size == 0 || !FitsInChunks(size)) return 0;
  BYTE* bytes = static_cast<BYTE*>(buffer);
  for (DWORD chunk = 1, offset = 0; offset < size; ++chunk, offset += kPrinterDataChunkSize) {
    const DWORD part = size - offset < kPrinterDataChunkSize ? size - offset : kPrinterDataChunkSize;
    DWORD type = 0;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, ChunkName(stem, chunk).c_str(), &type, bytes + offset, part, &needed) !=
            ERROR_SUCCESS ||
        needed != part)
      return 0;
  }
  return 1;
}

int ReadPrinterDataChunksToNewBlock(HANDLE printer, LPCWSTR stem, void** data, DWORD* size) {
  if (data == nullptr || size == nullptr) return 0;
  DWORD stored = 0;
  if (!ReadPrinterDataChunkSize(printer, stem, &stored)) return 0;
  void* block = GlobalAlloc(GPTR, stored);
  if (block == nullptr) return 0;
  if (!ReadPrinterDataChunks(printer, stem, block, stored)) {
    GlobalFree(block);
    return 0;
  }
  *data = block;
  *size = stored;
  return 1;
}
