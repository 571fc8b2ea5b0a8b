// The page image list: images waiting for the colour library stage and the
// output compression at page end, with the parameters of the last image
// handed to the colour library. Only the first or the last entry may be
// removed. No drawing operation of this system appends an entry; tests do,
// through AppendPageImage.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_types.h"

// The last image handed to the colour library (read and written whole).
struct ColorLibraryParams {
  uint32_t pass;
  uint32_t bitsPerPixel;
  uint32_t width;
  uint32_t rows;
  uint32_t reserved;
};
static_assert(sizeof(ColorLibraryParams) == 20);

#pragma pack(push, 1)
struct PageImageHeader {
  BYTE bytes[40];
  void* extraBuffer;  // freed with the entry when asked
  BYTE tail[8];
};
struct PageImageDescriptor {
  uint16_t width;
  uint16_t rows;
  uint32_t byteSize;
  uint16_t kind;
  uint16_t bitsPerPixel;
  BYTE compression[54];
};
#pragma pack(pop)
static_assert(sizeof(PageImageHeader) == 56);
static_assert(offsetof(PageImageHeader, extraBuffer) == 40);
static_assert(sizeof(PageImageDescriptor) == 66);

struct PageImageEntry {
  PageImageEntry* next;
  PageImageHeader header;
  PageImageDescriptor descriptor;
  HGLOBAL pixels;  // movable block
  BYTE* locked;    // its address while locked, else null
  PageImageEntry* previous;
};

struct PageImageList {
  ColorLibraryParams params;
  uint32_t count;
  PageImageEntry* first;
  PageImageEntry* last;
};
static_assert(sizeof(PageImageList) == 40);
static_assert(offsetof(PageImageList, count) == 20);

// 0 with the entry, 1 when the list is empty (or there is no next one).
int FirstPageImage(const PageImageList* list, PageImageEntry** entry);
int LastPageImage(const PageImageList* list, PageImageEntry** entry);
int NextPageImage(const PageImageEntry* entry, PageImageEntry** next);
// Unlinks the first or the last entry and frees it, with its extra buffer
// and its pixels when asked: 0, or -1 for any other entry.
int RemovePageImage(PageImageList* list, PageImageEntry* entry, int freeImage, int freeExtra);
// Locks the entry's pixels once: 0 with their address and handle, -1 when
// they cannot be locked.
int LockPageImage(PageImageEntry* entry, BYTE** address, HGLOBAL* handle);
// Only the address and handle LockPageImage gave out: 0, else -1.
int UnlockPageImage(PageImageEntry* entry, const BYTE* address, HGLOBAL handle);
// Removes every entry from the front, freeing all it holds: 0.
int DrainPageImages(PageImageList* list);
// Drains the list and frees its head: 0.
int FreePageImageList(PageImageList* list);
// Appends an entry owning `pixels` (a movable block; null for none) and
// `extraBuffer` (a global block; null for none): 0, or -1 when memory runs
// out (the caller keeps both blocks then).
int AppendPageImage(PageImageList* list, const PageImageDescriptor* descriptor, HGLOBAL pixels, void* extraBuffer);
