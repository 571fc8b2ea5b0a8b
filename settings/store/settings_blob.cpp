// Writing and reading the settings blob in its three places.
#include "settings/store/settings_blob.h"

#include <cstring>

#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_registry.h"
#include "settings/store/le_bytes.h"
#include "settings/store/printer_data_chunks.h"
#include "settings/store/user_store.h"
#include "settings/store/whole_file.h"

namespace {

constexpr WCHAR kBlobStem[] = u"N_Dev";
constexpr WCHAR kBlobSizeValue[] = u"N_DevSize";
constexpr WCHAR kBlobTag[8] = u"NDEV001";
constexpr WCHAR kFaxTag[8] = u"ORVA001";
constexpr DWORD kTagBytes = 16;

// A wide tag as its 16 little-endian bytes.
void TagBytes(const WCHAR (&tag)[8], BYTE* out) {
  for (int i = 0; i < 8; ++i) {
    out[2 * i] = static_cast<BYTE>(tag[i] & 0xFF);
    out[2 * i + 1] = static_cast<BYTE>(tag[i] >> 8);
  }
}
bool HasTag(const BYTE* at, const WCHAR (&tag)[8]) {
  BYTE expected[kTagBytes];
  TagBytes(tag, expected);
  return std::memcmp(at, expected, kTagBytes) == 0;
}

// The blob of the per-user values: "N_DevSize" then "N_Dev" of exactly that
// size, at most the largest blob.
bool ReadUserBlob(HANDLE printer, BYTE** blob, DWORD* size) {
  BYTE sizeBytes[4] = {};
  DWORD read = 0;
  if (ReadUserValueSized(printer, sizeBytes, sizeof sizeBytes, nullptr, kBlobSizeValue, &read) != kUserValueRead ||
      read != sizeof sizeBytes)
    return false;
  const DWORD stored = LoadLe32(sizeBytes);
  if (stored == 0 || stored > kSettingsBlobMaxSize) return false;
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, stored));
  if (block == nullptr) return false;
  if (ReadUserValueSized(printer, block, stored, nullptr, kBlobStem, &read) != kUserValueRead || read != stored) {
    GlobalFree(block);
    return false;
  }
  *blob = block;
  *size = stored;
  return true;
}

}  // namespace

int WriteSettingsBlob(HANDLE printer, LPCWSTR path, WORD mode, const void* faxBlock, DWORD faxSize,
                      const void* extension) {
  if ((printer == nullptr && path == nullptr) || extension == nullptr) return 0;
  if (faxBlock == nullptr) faxSize = 0;
  if (faxSize > kFaxBlockMaxSize) return 0;
  BYTE head[kSettingsBlobHeadSize];
  TagBytes(kBlobTag, head);
  StoreLe32(head + 16, kSettingsBlobVersion);
  StoreLe32(head + 20, kSettingsBlobExtensionSize);
  if (path != nullptr)
    return WriteBlobFile(path, faxBlock, faxSize, head, sizeof head, extension, kSettingsBlobExtensionSize);
  return WriteBlobToPrinterData(printer, mode, faxBlock, faxSize, head, sizeof head, extension,
                                kSettingsBlobExtensionSize);
}

bool WriteBlobFile(LPCWSTR path, const void* tail, DWORD tailSize, const void* head, DWORD headSize, const void* body,
                   DWORD bodySize) {
  if (path == nullptr || head == nullptr || body == nullptr) return false;
  // Head and tail sizes are 16-bit numbers in this format: larger ones would
  // be cut short, so they are refused.
  if (headSize > 0xFFFF || (tail != nullptr && tailSize > kFaxBlockMaxSize)) return false;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  struct Part {
    const void* data;
    DWORD size;
  } parts[] = {{head, headSize}, {body, bodySize}, {tail, tail != nullptr ? tailSize : 0}};
  bool ok = true;
  for (const Part& part : parts) {
    if (!ok || part.data == nullptr || part.size == 0) continue;
    DWORD written = 0;
    ok = WriteFile(file, part.data, part.size, &written, nullptr) && written == part.size;
  }
  CloseHandle(file);
  return ok;
}

int WriteBlobToPrinterData(HANDLE printer, WORD mode, const void* tail, DWORD tailSize, const void* head,
                           DWORD headSize, const void* body, DWORD bodySize) {
  if (head == nullptr || body == nullptr) return 0;
  if (tail == nullptr) tailSize = 0;
  const uint64_t total = uint64_t{headSize} + bodySize + tailSize;
  if (total > 0xFFFFFFFFu) return 0;
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, total != 0 ? total : 1));
  if (block == nullptr) return 0;
  std::memcpy(block, head, headSize);
  std::memcpy(block + headSize, body, bodySize);
  if (tailSize != 0) std::memcpy(block + headSize + bodySize, tail, tailSize);
  const DWORD size = static_cast<DWORD>(total);
  int result = 0;
  if (mode == kBlobInPrinterData) {
    result = WriteChunkedPrinterData(printer, block, size);
  } else if (mode == kBlobInUserValues) {
    BYTE sizeBytes[4];
    StoreLe32(sizeBytes, size);
    result = WriteUserValue(printer, sizeBytes, sizeof sizeBytes, REG_DWORD, nullptr, kBlobSizeValue) &&
             WriteUserValue(printer, block, size, REG_BINARY, nullptr, kBlobStem);
  }
  GlobalFree(block);
  return result;
}

int WriteChunkedPrinterData(HANDLE printer, const void* data, DWORD size) {
  return WritePrinterDataChunks(printer, kBlobStem, data, size);
}

int ReadChunkedPrinterData(HANDLE printer, void** data, DWORD* size) {
  if (data == nullptr || size == nullptr) return 0;
  *data = nullptr;
  return ReadPrinterDataChunksToNewBlock(printer, kBlobStem, data, size);
}

int ReadSettingsBlob(HANDLE printer, LPCWSTR path, WORD mode, void** faxBlock, void* extension) {
  if ((printer == nullptr && path == nullptr) || extension == nullptr) return 0;
  if (faxBlock != nullptr) *faxBlock = nullptr;
  void* stored = nullptr;
  DWORD size = 0;
  bool got = false;
  if (path != nullptr) {
    got = ReadWholeFile(path, &stored, &size) != 0;
  } else if (mode == kBlobInPrinterData) {
    got = ReadChunkedPrinterData(printer, &stored, &size) != 0;
  } else if (mode == kBlobInUserValues) {
    BYTE* blob = nullptr;
    got = ReadUserBlob(printer, &blob, &size);
    stored = blob;
  }
  if (!got) return 0;
  const BYTE* blob = static_cast<const BYTE*>(stored);
  // The head must be whole and name exactly the extension size this driver
  // writes, and the blob must hold that much: a stored size is never trusted
  // to fit the destination.
  const DWORD extensionSize = size >= kSettingsBlobHeadSize ? LoadLe32(blob + 20) : 0;
  if (size < kSettingsBlobHeadSize || !HasTag(blob, kBlobTag) || LoadLe32(blob + 16) != kSettingsBlobVersion ||
      extensionSize != kSettingsBlobExtensionSize || size - kSettingsBlobHeadSize < extensionSize) {
    GlobalFree(stored);
    return 0;
  }
  std::memcpy(extension, blob + kSettingsBlobHeadSize, extensionSize);
  const DWORD tailAt = kSettingsBlobHeadSize + extensionSize;
  const DWORD tailSize = size - tailAt;
  int result = 0;
  if (faxBlock == nullptr) {
    result = tailSize == 0;
  } else if (tailSize >= kFaxBlockHeadSize && HasTag(blob + tailAt, kFaxTag)) {
    const DWORD entries = blob[tailAt + 16] | blob[tailAt + 17] << 8;
    if (tailSize == kFaxBlockHeadSize + kFaxBlockEntrySize * entries) {
      void* copy = GlobalAlloc(GPTR, tailSize);
      if (copy != nullptr) {
        std::memcpy(copy, blob + tailAt, tailSize);
        *faxBlock = copy;
        result = 1;
      }
    }
  }
  GlobalFree(stored);
  return result;
}

int CopyFaxBlockHeader(const void* faxBlock, void* destination) {
  if (faxBlock == nullptr || destination == nullptr) return 0;
  std::memcpy(destination, faxBlock, kFaxBlockHeadSize);
  return 1;
}

int CopyFaxBlockEntry(const void* faxBlock, DWORD n, void* destination) {
  if (faxBlock == nullptr || destination == nullptr) return 0;
  std::memcpy(destination, static_cast<const BYTE*>(faxBlock) + kFaxBlockHeadSize + kFaxBlockEntrySize * n,
              kFaxBlockEntrySize);
  return 1;
}
