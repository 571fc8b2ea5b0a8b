// The colour library stage over the page image list (see color_converter.h):
// a first pass hands every image, after the transforms, to the library to
// build its parameters; a second pass converts each through the library and
// the image matrix.
#include <cstring>

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/driver_helpers.h"
#include "platform/outside/colorlib/colour_library_calls.h"
#include "platform/win/win_memory.h"

namespace {

constexpr int kListError = -1;
constexpr int kNoMemory = -2;
constexpr int kLibraryError = -6;

template <class Call>
Call Entry(const ColorConverter* c, int index) {
  return reinterpret_cast<Call>(c->libraryEntries[index]);
}

// An entry's pixels, locked, when they are the 24-bit image the stages take
// and the block holds all of them; else null (the entry is passed over).
BYTE* LockImage(PageImageEntry* entry, HGLOBAL* handle, size_t* count, int* failure) {
  BYTE* pixels = nullptr;
  *failure = 0;
  if (LockPageImage(entry, &pixels, handle) != 0) {
    *failure = kListError;
    return nullptr;
  }
  const PageImageDescriptor& d = entry->descriptor;
  *count = size_t(d.width) * d.rows;
  if (d.kind != kImageKindRgb || d.bitsPerPixel != 24 || GlobalSize(*handle) < *count * 3) {
    UnlockPageImage(entry, pixels, *handle);
    return nullptr;
  }
  return pixels;
}

// First pass: the transforms, then the library collects the image.
int CollectImages(ColorConverter* c, PageImageList* list, bool library) {
  for (PageImageEntry* entry = list->first; entry; entry = entry->next) {
    HGLOBAL handle = nullptr;
    size_t count = 0;
    int failure = 0;
    BYTE* pixels = LockImage(entry, &handle, &count, &failure);
    if (failure) return failure;
    if (!pixels) continue;
    if (c->runFlags & kRunFirstTransform) ApplyTransform(c->firstTransform, pixels, pixels, count);
    if (c->runFlags & kRunSecondTransform) ApplyTransform(c->secondTransform, pixels, pixels, count);
    uint16_t answer = 0;
    if (library)
      answer =
          Entry<ClxCreateParamCall>(c, 3)(c->libraryHandle, pixels, entry->descriptor.width, entry->descriptor.rows);
    UnlockPageImage(entry, pixels, handle);
    if (answer != 0) return kLibraryError;
  }
  return 0;
}

// Second pass: the library's conversion (the pixels stay as they are when it
// fails), then the image matrix.
int ConvertImages(ColorConverter* c, PageImageList* list) {
  const bool library = c->runFlags & kRunColorLibrary;
  const bool matrix = (c->runFlags & kRunImageMatrix) && c->matrix[2];
  if (!library && !matrix) return 0;
  for (PageImageEntry* entry = list->first; entry; entry = entry->next) {
    HGLOBAL handle = nullptr;
    size_t count = 0;
    int failure = 0;
    BYTE* pixels = LockImage(entry, &handle, &count, &failure);
    if (failure) return failure;
    if (!pixels) continue;
    int result = 0;
    if (library) {
      auto* out = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, count ? count * 3 : 1));
      if (!out) result = kNoMemory;
      else if (Entry<ClxConvertCall>(c, 6)(c->libraryHandle, pixels, out, entry->descriptor.width,
                                           entry->descriptor.rows) != 0)
        result = kLibraryError;
      else std::memcpy(pixels, out, count * 3);
      if (out) GlobalFree(out);
    }
    if (result == 0 && matrix) ApplyColorAdjustMatrix(c->matrix[2], pixels, pixels, DWORD(count));
    UnlockPageImage(entry, pixels, handle);
    if (result != 0) return result;
  }
  return 0;
}

}  // namespace

int FlushImageColours(ColorConverter* converter, PageImageList* list, int keep) {
  if (!list || !list->first) return 0;
  if (!converter) return kListError;
  ColorConverter* c = converter;
  if (!keep) c->runFlags &= ~kRunColorLibrary;
  // The library takes part only when it is bound with all its entry points.
  bool bound = c->libraryHandle != 0;
  for (FARPROC entry : c->libraryEntries) bound = bound && entry;
  if (!bound) c->runFlags &= ~kRunColorLibrary;
  const bool libraryAtStart = c->runFlags & kRunColorLibrary;
  ColourLibraryInfo info{};
  if (libraryAtStart && Entry<ClxBeginCall>(c, 2)(c->libraryHandle, static_cast<uint8_t>(c->libraryMode), &info) != 0)
    return kLibraryError;
  if ((c->runFlags & (kRunImageMatrix | kRunFirstTransform | kRunSecondTransform | kRunColorLibrary)) == 0) return 0;

  int result = CollectImages(c, list, libraryAtStart);
  if (result != 0) return result;
  if (libraryAtStart) {
    const uint16_t answer = Entry<ClxEndCall>(c, 4)(c->libraryHandle, list->last, &info);
    if (answer == 1) c->runFlags &= ~kRunColorLibrary;
    else if (answer != 0) return kLibraryError;
  }
  result = ConvertImages(c, list);
  if (result != 0) return result;
  if (keep && libraryAtStart && Entry<ClxDeleteParamCall>(c, 5)(c->libraryHandle, list->last, &info) != 0)
    return kLibraryError;
  return 0;
}
