// Source bitmap rows (see source_image_rows.h).
#include "graphics_driver/core/source_image_rows.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/eng_services.h"
#include "platform/win/win_memory.h"

namespace {

constexpr ULONG kWhite = 0xFFFFFF;

bool BlackOrWhite(ULONG c) {
  c &= 0xFFFFFF;
  return c == 0 || c == kWhite;
}

ULONG PixelAt(const BYTE* row, uint32_t x, uint32_t p) {
  switch (p) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
    case 8: return row[x];
    case 16: return ULONG(row[2 * x]) | ULONG(row[2 * x + 1]) << 8;
    case 24: return ULONG(row[3 * x]) | ULONG(row[3 * x + 1]) << 8 | ULONG(row[3 * x + 2]) << 16;
    case 32: {
      ULONG v;
      std::memcpy(&v, row + 4 * size_t(x), 4);
      return v;
    }
    default: return 0;
  }
}

// The rectangle lies in the bitmap and its rows can be reached.
bool RectInBitmap(const SURFOBJ* pso, SIZEL size, POINTL origin, uint32_t p) {
  if (!pso || !pso->pvScan0 || p == 0 || size.cx <= 0 || size.cy <= 0 || origin.x < 0 || origin.y < 0) return false;
  if (int64_t(origin.x) + size.cx > pso->sizlBitmap.cx || int64_t(origin.y) + size.cy > pso->sizlBitmap.cy)
    return false;
  const int64_t delta = pso->lDelta < 0 ? -int64_t(pso->lDelta) : pso->lDelta;
  return delta * 8 >= int64_t(pso->sizlBitmap.cx) * p;
}

const BYTE* RowStart(const SURFOBJ* pso, POINTL origin, int64_t y, uint32_t p) {
  return static_cast<const BYTE*>(pso->pvScan0) + (origin.y + y) * int64_t(pso->lDelta) + int64_t(origin.x) * p / 8;
}

}  // namespace

uint32_t BitsPerPixelOfFormat(ULONG iBitmapFormat) {
  switch (iBitmapFormat) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

uint32_t ClassifyXlate(XLATEOBJ* pxlo, uint32_t p) {
  if (!pxlo || p <= 15) return 0;
  if (p != 24 && p != 32) return kXlateTranslate;
  const ULONG b = XLATEOBJ_iXlate(pxlo, 0x0000FF), g = XLATEOBJ_iXlate(pxlo, 0x00FF00),
              r = XLATEOBJ_iXlate(pxlo, 0xFF0000), a = XLATEOBJ_iXlate(pxlo, 0xFF000000);
  if (b == 0x0000FF && g == 0x00FF00 && r == 0xFF0000 && a == 0)
    return p == 24 ? kXlateTranslate : kXlateTranslate | kXlateDropFourth;
  if (b == 0xFF0000 && g == 0x00FF00 && r == 0x0000FF && a == 0) return kXlateTranslate | kXlateSwap;
  return kXlateTranslate;
}

void ConvertRowTo24(const BYTE* src, BYTE* dst, XLATEOBJ* pxlo, uint32_t flags, uint32_t p, uint32_t n) {
  if (!src || !dst) return;
  const auto store = [&](uint32_t i, ULONG c) {
    dst[3 * size_t(i)] = BYTE(c);
    dst[3 * size_t(i) + 1] = BYTE(c >> 8);
    dst[3 * size_t(i) + 2] = BYTE(c >> 16);
  };
  if (p == 16) {
    for (uint32_t i = 0; i < n; ++i) store(i, XLATEOBJ_iXlate(pxlo, PixelAt(src, i, 16)));
    return;
  }
  if (p != 24 && p != 32) return;
  const size_t step = p / 8;
  if (flags & kXlateSwap) {
    for (uint32_t i = 0; i < n; ++i) {
      const BYTE* s = src + i * step;
      dst[3 * size_t(i)] = s[2];
      dst[3 * size_t(i) + 1] = s[1];
      dst[3 * size_t(i) + 2] = s[0];
    }
  } else if (flags & kXlateDropFourth && p == 32) {
    for (uint32_t i = 0; i < n; ++i) std::memcpy(dst + 3 * size_t(i), src + 4 * size_t(i), 3);
  } else {
    for (uint32_t i = 0; i < n; ++i) store(i, XLATEOBJ_iXlate(pxlo, PixelAt(src, i, p)));
  }
}

void ShiftBitsLeft(const BYTE* src, BYTE* dst, uint32_t bits, uint32_t shift) {
  if (!src || !dst) return;
  const size_t out = (size_t(bits) + 7) / 8;
  if (shift == 0 || shift > 7) {
    std::memcpy(dst, src, out);
    return;
  }
  const size_t have = (size_t(bits) + shift + 7) / 8;
  for (size_t i = 0; i < out; ++i) {
    const BYTE next = i + 1 < have ? src[i + 1] : 0;
    dst[i] = BYTE(src[i] << shift | next >> (8 - shift));
  }
}

bool IsBlackWhitePalette(const XLATEOBJ* pxlo) {
  return pxlo && pxlo->cEntries == 2 && pxlo->pulXlate && (pxlo->pulXlate[0] & 0xFFFFFF) == 0 &&
         (pxlo->pulXlate[1] & 0xFFFFFF) == kWhite;
}

bool IsInvertingXlate(const XLATEOBJ* pxlo) {
  if (!pxlo) return false;
  if (pxlo->flXlate & XO_TRIVIAL) return true;
  return pxlo->pulXlate && pxlo->cEntries > 0 && (pxlo->pulXlate[0] == 0 || pxlo->pulXlate[pxlo->cEntries - 1] == 0);
}

int IsBlackWhiteSource(SURFOBJ* pso, SIZEL size, POINTL origin, XLATEOBJ* pxlo, BRUSHOBJ* pbo, POINTL*, uint32_t type,
                       uint32_t code) {
  if (type != 2 || (code != 0xB8 && code != 0xE2) || !pbo || pbo->iSolidColor == 0xFFFFFFFF || !pso) return 0;
  const uint32_t p = BitsPerPixelOfFormat(pso->iBitmapFormat);
  if (p == 1) {
    if (!pxlo) return 0;
    return BlackOrWhite(XLATEOBJ_iXlate(pxlo, 0)) && BlackOrWhite(XLATEOBJ_iXlate(pxlo, 1)) ? 1 : 0;
  }
  if (!RectInBitmap(pso, size, origin, p)) return 0;
  const bool indexed = p == 4 || p == 8;
  if (indexed && (!pxlo || !pxlo->pulXlate)) return 0;
  for (int64_t y = 0; y < size.cy; ++y) {
    // The row from the rectangle's first pixel: a 4-bit row may start in
    // the middle of a byte.
    const BYTE* row = static_cast<const BYTE*>(pso->pvScan0) + (origin.y + y) * int64_t(pso->lDelta);
    for (int64_t x = 0; x < size.cx; ++x) {
      const ULONG v = PixelAt(row, uint32_t(origin.x + x), p);
      ULONG colour;
      if (indexed) {
        if (v >= pxlo->cEntries) return 0;
        colour = pxlo->pulXlate[v];
      } else {
        colour = XLATEOBJ_iXlate(pxlo, p == 32 ? v : v & (p == 16 ? 0xFFFF : 0xFFFFFF));
      }
      if (!BlackOrWhite(colour)) return 0;
    }
  }
  return 1;
}

BYTE* ReadSourceRect(SURFOBJ* pso, SIZEL size, POINTL origin, XLATEOBJ* pxlo, uint32_t toBits, HGLOBAL* handle,
                     ImageScalerRecord* scaler, uint32_t packing) {
  if (!handle) return nullptr;
  *handle = nullptr;
  const uint32_t p = pso ? BitsPerPixelOfFormat(pso->iBitmapFormat) : 0;
  if (!RectInBitmap(pso, size, origin, p)) return nullptr;
  const uint32_t width = uint32_t(size.cx), rows = uint32_t(size.cy);
  const bool scaling = scaler && scaler->on && scaler->scaler && p >= 16;
  const bool expand4 = p == 4 && packing != 1;
  const uint32_t c = p >= 16 ? 24 : expand4 ? 8 : p;
  if (toBits != c) return nullptr;
  const uint32_t outWidth = scaling ? scaler->scaledWidth : width;
  const uint32_t outRows = scaling ? scaler->scaledHeight : rows;
  const size_t outRowBytes = (size_t(c) * outWidth + 7) / 8;
  const size_t total = outRowBytes * outRows;
  if (total == 0 || total > 0xFFFFFFFFu) return nullptr;

  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, total);
  BYTE* out = h ? static_cast<BYTE*>(GlobalLock(h)) : nullptr;
  if (!out) {
    if (h) GlobalFree(h);
    h = GlobalAlloc(GPTR, total);
    out = static_cast<BYTE*>(h);
    if (!out) return nullptr;
  }
  *handle = h;

  const uint32_t shift = (p * uint32_t(origin.x)) % 8;
  uint32_t flags = ClassifyXlate(pxlo, p);
  // A 32-bit row keeps its first three bytes at least; 16-bit pixels always
  // need their translation.
  if (p == 32 && !(flags & (kXlateTranslate | kXlateDropFourth))) flags |= kXlateDropFourth;
  if (p == 16) flags |= kXlateTranslate;
  const size_t sourceRowBytes = (size_t(p) * width + 7) / 8;
  std::vector<BYTE> shifted, converted;
  try {
    if (shift) shifted.resize(sourceRowBytes);
    if (p >= 16) converted.resize(size_t(width) * 3);
  } catch (...) {
    FreeSourceRect(h);
    *handle = nullptr;
    return nullptr;
  }
  uint32_t made = 0;
  for (uint32_t y = 0; y < rows; ++y) {
    const BYTE* row = RowStart(pso, origin, y, p);
    if (shift) {
      ShiftBitsLeft(row, shifted.data(), p * width, shift);
      row = shifted.data();
    }
    if (p == 24 && !(flags & kXlateTranslate)) {
      std::memcpy(converted.data(), row, size_t(width) * 3);
      row = converted.data();
    } else if (p >= 16) {
      ConvertRowTo24(row, converted.data(), pxlo, flags, p, width);
      row = converted.data();
    }
    if (scaling) {
      const int got = PushScalerRow(scaler->scaler, row, width * 3, 24);
      if (got < 0) {
        FreeSourceRect(h);
        *handle = nullptr;
        return nullptr;
      }
      if (got > 0 && made < outRows) GetScaledRow(scaler->scaler, out + made++ * outRowBytes, uint32_t(outRowBytes));
    } else if (expand4) {
      BYTE* dst = out + size_t(y) * outRowBytes;
      for (uint32_t x = 0; x < width; ++x) dst[x] = BYTE(x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4);
    } else {
      std::memcpy(out + size_t(y) * outRowBytes, row, outRowBytes);
    }
  }
  return out;
}

void FreeSourceRect(HGLOBAL handle) {
  if (!handle) return;
  GlobalUnlock(handle);
  GlobalFree(handle);
}
