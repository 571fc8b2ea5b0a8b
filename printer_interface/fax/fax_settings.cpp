// The fax settings block and the blob wrappers (see fax_settings.h).
#include "printer_interface/fax/fax_settings.h"

#include <cstring>

#include "platform/win/win_memory.h"

namespace {

constexpr WCHAR kFaxTag[8] = u"ORVA001";

}  // namespace

int MakeFaxBlock(DWORD entryCount, const FaxObject* fax, BYTE* block) {
  if (fax == nullptr || block == nullptr || entryCount > kFaxMaxEntries) return 0;
  // The list walks newest first; the block keeps the order of adding.
  const void* entries[kFaxMaxEntries] = {};
  KeyedListNode* next = nullptr;
  void* data = KeyedListFirst(fax->entries, &next);
  for (DWORD k = 0; k < entryCount; ++k) {
    if (data == nullptr) return 0;
    entries[entryCount - 1 - k] = data;
    data = next ? KeyedListNext(next, &next) : nullptr;
  }
  FaxSettingsBlock head{};
  std::memcpy(head.tag, kFaxTag, sizeof head.tag);
  head.entryCount = static_cast<uint16_t>(entryCount);
  std::memcpy(head.firstText, fax->firstText, sizeof head.firstText);
  std::memcpy(head.secondText, fax->secondText, sizeof head.secondText);
  head.firstText[kFaxFirstTextChars - 1] = 0;
  head.secondText[kFaxSecondTextChars - 1] = 0;
  std::memcpy(block, &head, sizeof head);
  for (DWORD i = 0; i < entryCount; ++i)
    std::memcpy(block + kFaxBlockHeadSize + kFaxBlockEntrySize * i, entries[i], kFaxBlockEntrySize);
  return 1;
}

int FillFaxObject(const BYTE* block, FaxObject* fax) {
  if (block == nullptr || fax == nullptr) return 0;
  FaxSettingsBlock head;
  std::memcpy(&head, block, sizeof head);
  std::memcpy(fax->firstText, head.firstText, sizeof fax->firstText);
  std::memcpy(fax->secondText, head.secondText, sizeof fax->secondText);
  fax->firstText[kFaxFirstTextChars - 1] = 0;
  fax->secondText[kFaxSecondTextChars - 1] = 0;
  if (fax->entries == nullptr && (fax->entries = CreateKeyedList()) == nullptr) return 0;
  for (DWORD i = 0; i < head.entryCount; ++i) {
    void* record = GlobalAlloc(GPTR, kFaxBlockEntrySize);
    if (record == nullptr) return 0;
    std::memcpy(record, block + kFaxBlockHeadSize + kFaxBlockEntrySize * i, kFaxBlockEntrySize);
    if (!KeyedListPush(fax->entries, i, 0, record)) {
      GlobalFree(record);
      return 0;
    }
  }
  return 1;
}

void FreeFaxObjectEntries(FaxObject* fax) {
  if (fax == nullptr || fax->entries == nullptr) return;
  KeyedListNode* next = nullptr;
  for (void* data = KeyedListFirst(fax->entries, &next); data; data = next ? KeyedListNext(next, &next) : nullptr)
    GlobalFree(data);
  FreeKeyedList(&fax->entries);
}

int SaveSettingsWithFax(HANDLE printer, LPCWSTR path, WORD store, const FaxObject* fax, const void* extension) {
  if ((printer == nullptr && path == nullptr) || extension == nullptr) return 0;
  if (fax == nullptr) return WriteSettingsBlob(printer, path, store, nullptr, 0, extension);
  const DWORD entries = fax->entries ? DWORD(fax->entries->count) : 0;
  if (entries > kFaxMaxEntries) return 0;
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, FaxBlockSize(entries)));
  if (block == nullptr) return 0;
  int result = 0;
  if (MakeFaxBlock(entries, fax, block))
    result = WriteSettingsBlob(printer, path, store, block, FaxBlockSize(entries), extension);
  GlobalFree(block);
  return result;
}

int LoadSettingsWithFax(HANDLE printer, LPCWSTR path, WORD store, FaxObject* fax, void* extension) {
  if ((printer == nullptr && path == nullptr) || extension == nullptr) return 0;
  if (fax == nullptr) return ReadSettingsBlob(printer, path, store, nullptr, extension);
  void* block = nullptr;
  if (!ReadSettingsBlob(printer, path, store, &block, extension) || block == nullptr) return 0;
  const int result = FillFaxObject(static_cast<const BYTE*>(block), fax);
  GlobalFree(block);
  return result;
}
