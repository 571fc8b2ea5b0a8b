// Logical palettes and icons: each kept in a process-wide table under a
// handle number that is never reused.
#include "platform/gdi/gdi_palette_icon.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/win/win_error.h"

namespace {

struct Icon {
  int width = 0;
  int height = 0;
  BYTE planes = 0;
  BYTE bitsPerPixel = 0;
  std::vector<BYTE> mask;
  std::vector<BYTE> colour;
  bool shared = false;
};

struct Objects {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::vector<PALETTEENTRY>> palettes;
  std::unordered_map<uintptr_t, Icon> icons;
};

Objects& objects() {
  static Objects o;
  return o;
}

constexpr WORD kPaletteVersion = 0x300;

}  // namespace

extern "C" {

HPALETTE CreatePalette(const LOGPALETTE* plpal) {
  if (!plpal || plpal->palVersion != kPaletteVersion || plpal->palNumEntries == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  try {
    std::vector<PALETTEENTRY> entries(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    std::lock_guard<std::mutex> g(objects().lock);
    uintptr_t h = pk::gdi::NewObjectHandle();
    objects().palettes[h] = std::move(entries);
    return reinterpret_cast<HPALETTE>(h);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStartIndex, UINT nEntries, PALETTEENTRY* pPalEntries) {
  std::lock_guard<std::mutex> g(objects().lock);
  auto it = objects().palettes.find(reinterpret_cast<uintptr_t>(hpal));
  if (it == objects().palettes.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const std::vector<PALETTEENTRY>& entries = it->second;
  if (!pPalEntries) return static_cast<UINT>(entries.size());
  if (iStartIndex >= entries.size()) return 0;
  UINT n = static_cast<UINT>(std::min<size_t>(nEntries, entries.size() - iStartIndex));
  for (UINT k = 0; k < n; ++k) pPalEntries[k] = entries[iStartIndex + k];
  return n;
}

HICON CreateIcon(HINSTANCE, int nWidth, int nHeight, BYTE cPlanes, BYTE cBitsPixel, const BYTE* lpbANDbits,
                 const BYTE* lpbXORbits) {
  if (nWidth <= 0 || nHeight <= 0 || nWidth > 256 || nHeight > 256 || cPlanes == 0 || cBitsPixel == 0 ||
      cBitsPixel > 32 || !lpbANDbits || !lpbXORbits) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  try {
    Icon icon;
    icon.width = nWidth;
    icon.height = nHeight;
    icon.planes = cPlanes;
    icon.bitsPerPixel = cBitsPixel;
    // Rows of both bit arrays are padded to 16 bits.
    size_t maskRow = ((static_cast<size_t>(nWidth) + 15) / 16) * 2;
    size_t colourRow = ((static_cast<size_t>(nWidth) * cBitsPixel * cPlanes + 15) / 16) * 2;
    icon.mask.assign(lpbANDbits, lpbANDbits + maskRow * nHeight);
    icon.colour.assign(lpbXORbits, lpbXORbits + colourRow * nHeight);
    std::lock_guard<std::mutex> g(objects().lock);
    uintptr_t h = pk::gdi::NewObjectHandle();
    objects().icons[h] = std::move(icon);
    return reinterpret_cast<HICON>(h);
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

BOOL DestroyIcon(HICON hIcon) {
  std::lock_guard<std::mutex> g(objects().lock);
  auto it = objects().icons.find(reinterpret_cast<uintptr_t>(hIcon));
  if (it != objects().icons.end() && it->second.shared) return TRUE;
  if (objects().icons.erase(reinterpret_cast<uintptr_t>(hIcon))) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

}  // extern "C"

namespace pk::seams {

SIZE_T LivePalettes() {
  std::lock_guard<std::mutex> g(objects().lock);
  return objects().palettes.size();
}

SIZE_T LiveIcons() {
  std::lock_guard<std::mutex> g(objects().lock);
  SIZE_T n = 0;
  for (const auto& [h, icon] : objects().icons) n += icon.shared ? 0 : 1;
  return n;
}

bool ReadIconBits(HICON icon, IconBits* bits) {
  std::lock_guard<std::mutex> g(objects().lock);
  auto it = objects().icons.find(reinterpret_cast<uintptr_t>(icon));
  if (it == objects().icons.end() || !bits) return false;
  const Icon& i = it->second;
  bits->width = i.width;
  bits->height = i.height;
  bits->planes = i.planes;
  bits->bitsPerPixel = i.bitsPerPixel;
  bits->mask = i.mask;
  bits->colour = i.colour;
  return true;
}

}  // namespace pk::seams

namespace pk::gdi {

uintptr_t NewObjectHandle() {
  static std::atomic<uintptr_t> next{0x7000};
  return next++;
}

void MarkIconShared(HICON icon) {
  std::lock_guard<std::mutex> g(objects().lock);
  auto it = objects().icons.find(reinterpret_cast<uintptr_t>(icon));
  if (it != objects().icons.end()) it->second.shared = true;
}

bool IconData(HICON icon, int* width, int* height, int* bitsPerPixel, std::vector<BYTE>* mask,
              std::vector<BYTE>* colour) {
  std::lock_guard<std::mutex> g(objects().lock);
  auto it = objects().icons.find(reinterpret_cast<uintptr_t>(icon));
  if (it == objects().icons.end()) return false;
  *width = it->second.width;
  *height = it->second.height;
  *bitsPerPixel = it->second.bitsPerPixel * it->second.planes;
  *mask = it->second.mask;
  *colour = it->second.colour;
  return true;
}

bool DeletePalette(HGDIOBJ ho) {
  std::lock_guard<std::mutex> g(objects().lock);
  return objects().palettes.erase(reinterpret_cast<uintptr_t>(ho)) != 0;
}

}  // namespace pk::gdi
