// The page image list (see page_image_list.h).
#include "graphics_driver/core/page_image_list.h"

#include <cstring>

#include "platform/win/win_memory.h"

int FirstPageImage(const PageImageList* list, PageImageEntry** entry) {
  if (!list || !entry || !list->first) return 1;
  *entry = list->first;
  return 0;
}

int LastPageImage(const PageImageList* list, PageImageEntry** entry) {
  if (!list || !entry || !list->last) return 1;
  *entry = list->last;
  return 0;
}

int NextPageImage(const PageImageEntry* entry, PageImageEntry** next) {
  if (!entry || !next || !entry->next) return 1;
  *next = entry->next;
  return 0;
}

int RemovePageImage(PageImageList* list, PageImageEntry* entry, int freeImage, int freeExtra) {
  if (!list || !entry || (entry != list->first && entry != list->last)) return -1;
  if (entry->previous) entry->previous->next = entry->next;
  else list->first = entry->next;
  if (entry->next) entry->next->previous = entry->previous;
  else list->last = entry->previous;
  if (freeExtra && entry->header.extraBuffer) GlobalFree(entry->header.extraBuffer);
  if (freeImage && entry->pixels) {
    if (entry->locked) GlobalUnlock(entry->pixels);
    GlobalFree(entry->pixels);
  }
  GlobalFree(entry);
  if (list->count > 0) --list->count;
  return 0;
}

int LockPageImage(PageImageEntry* entry, BYTE** address, HGLOBAL* handle) {
  if (!entry || !address || !handle || !entry->pixels) return -1;
  if (!entry->locked) {
    entry->locked = static_cast<BYTE*>(GlobalLock(entry->pixels));
    if (!entry->locked) return -1;
  }
  *address = entry->locked;
  *handle = entry->pixels;
  return 0;
}

int UnlockPageImage(PageImageEntry* entry, const BYTE* address, HGLOBAL handle) {
  if (!entry || !entry->locked || address != entry->locked || handle != entry->pixels) return -1;
  GlobalUnlock(entry->pixels);
  entry->locked = nullptr;
  return 0;
}

int DrainPageImages(PageImageList* list) {
  if (!list) return 0;
  while (list->first) RemovePageImage(list, list->first, 1, 1);
  list->count = 0;
  return 0;
}

int FreePageImageList(PageImageList* list) {
  if (!list) return 0;
  DrainPageImages(list);
  GlobalFree(list);
  return 0;
}

int AppendPageImage(PageImageList* list, const PageImageDescriptor* descriptor, HGLOBAL pixels, void* extraBuffer) {
  if (!list) return -1;
  auto* entry = static_cast<PageImageEntry*>(GlobalAlloc(GPTR, sizeof(PageImageEntry)));
  if (!entry) return -1;
  if (descriptor) std::memcpy(&entry->descriptor, descriptor, sizeof *descriptor);
  entry->header.extraBuffer = extraBuffer;
  entry->pixels = pixels;
  entry->previous = list->last;
  if (list->last) list->last->next = entry;
  else list->first = entry;
  list->last = entry;
  ++list->count;
  return 0;
}
