// The PC-fax feature's settings block, which travels at the end of the
// settings blob, and its in-memory form kept by the fax page: two texts and
// a keyed list of 742-byte entries (newest first, as the list pushes them).
//
// Block (little-endian): 0 tag "ORVA001" (UTF-16 with its terminator, 16
// bytes), 16 u16 entry count n, 18 first text (82 bytes), 100 second text
// (1342 bytes), 1442 n entries of 742 bytes in the order they were added.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"
#include "printer_interface/text/keyed_list.h"
#include "settings/store/settings_blob.h"

constexpr DWORD kFaxFirstTextChars = 41;
constexpr DWORD kFaxSecondTextChars = 671;
// The block's size is held in 16 bits.
constexpr DWORD kFaxMaxEntries = 86;

#pragma pack(push, 1)
struct FaxSettingsBlock {
  WCHAR tag[8];
  uint16_t entryCount;
  WCHAR firstText[kFaxFirstTextChars];
  WCHAR secondText[kFaxSecondTextChars];
  // n entries of kFaxBlockEntrySize bytes follow.
};
#pragma pack(pop)
static_assert(sizeof(FaxSettingsBlock) == kFaxBlockHeadSize);
static_assert(offsetof(FaxSettingsBlock, entryCount) == 16 && offsetof(FaxSettingsBlock, firstText) == 18 &&
              offsetof(FaxSettingsBlock, secondText) == 100);
static_assert(kFaxBlockHeadSize + kFaxBlockEntrySize * kFaxMaxEntries <= kFaxBlockMaxSize &&
              kFaxBlockHeadSize + kFaxBlockEntrySize * (kFaxMaxEntries + 1) > kFaxBlockMaxSize);

// The fax page's object. The entries are 742-byte global blocks the list
// points to; FreeFaxObjectEntries frees them with the list.
struct FaxObject {
  WCHAR firstText[kFaxFirstTextChars];
  WCHAR secondText[kFaxSecondTextChars];
  KeyedList* entries;
};

// The block's size for n entries.
constexpr DWORD FaxBlockSize(DWORD entries) { return kFaxBlockHeadSize + kFaxBlockEntrySize * entries; }

// Fills the zeroed block of FaxBlockSize(entryCount) bytes: the tag, the
// count, the texts and the first n entries of the list, written in the
// reverse of the list's walk (the order they were added). 1, or 0 when an
// entry is missing or the count is above 86 (nothing written).
int MakeFaxBlock(DWORD entryCount, const FaxObject* fax, BYTE* block);
// Copies the block's texts into the object and its entries into new records
// pushed onto the object's list (created when missing). The block must hold
// as many entries as its count says (ReadSettingsBlob checks it). 1 / 0.
int FillFaxObject(const BYTE* block, FaxObject* fax);
// Frees the object's entries and its list.
void FreeFaxObjectEntries(FaxObject* fax);

// Writes the settings blob of the extension, with the object's block when an
// object is given, to the file or the printer's store. 0 without a printer
// and a path, without an extension, or for more than 86 entries.
int SaveSettingsWithFax(HANDLE printer, LPCWSTR path, WORD store, const FaxObject* fax, const void* extension);
// Reads the blob into the 2072-byte extension and, with an object, its fax
// block into the object (a blob without one fails). 1 / 0.
int LoadSettingsWithFax(HANDLE printer, LPCWSTR path, WORD store, FaxObject* fax, void* extension);
