// Colour translations from a source bitmap's pixels to device colours
// (0x00RRGGBB, blue in the low byte), and the pixel access the engine's
// bitmap services share.
#include <cstring>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {
namespace detail {
namespace {

Xlate* AsXlate(XLATEOBJ* pxlo) {
  auto* x = reinterpret_cast<Xlate*>(pxlo);
  return IsLiveObject(x) && x->magic == kXlateMagic ? x : nullptr;
}

XLATEOBJ* Make(Xlate::Kind kind, FLONG fl, USHORT srcType) {
  try {
    Xlate* x = new Xlate();
    x->kind = kind;
    x->xo.flXlate = fl;
    x->xo.iSrcType = srcType;
    x->xo.iDstType = PAL_BGR;
    TrackObject(x);
    return &x->xo;
  } catch (...) {
    return nullptr;
  }
}

// A masked channel scaled to 0..255.
ULONG Channel(ULONG v, ULONG mask) {
  if (!mask) return 0;
  int shift = __builtin_ctz(mask);
  ULONG max = mask >> shift;
  return ((v & mask) >> shift) * 255 / max;
}

}  // namespace

ULONG ReadPixel(const uint8_t* row, LONG x, ULONG iFormat) {
  switch (iFormat) {
    case BMF_1BPP: return GetBit(row, x);
    case BMF_4BPP: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case BMF_8BPP: return row[x];
    case BMF_16BPP: return row[2 * x] | (row[2 * x + 1] << 8);
    case BMF_24BPP: return row[3 * x] | (row[3 * x + 1] << 8) | (ULONG(row[3 * x + 2]) << 16);
    case BMF_32BPP: {
      ULONG v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
    default: return 0;
  }
}

void WritePixel(uint8_t* row, LONG x, ULONG iFormat, ULONG value) {
  switch (iFormat) {
    case BMF_1BPP:
      if (value & 1) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      else row[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
      break;
    case BMF_4BPP:
      if (x & 1) row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (value & 0x0F));
      else row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((value & 0x0F) << 4));
      break;
    case BMF_8BPP: row[x] = static_cast<uint8_t>(value); break;
    case BMF_16BPP:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case BMF_24BPP:
      row[3 * x] = static_cast<uint8_t>(value);
      row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
      break;
    case BMF_32BPP: std::memcpy(row + 4 * x, &value, 4); break;
    default: break;
  }
}

ULONG TranslatePixel(XLATEOBJ* pxlo, ULONG iFormat, ULONG value) {
  if (pxlo && !(pxlo->flXlate & XO_TRIVIAL)) return XLATEOBJ_iXlate(pxlo, value);
  // Without a translation: indexes are grey steps, 16-bit pixels 5-5-5, and
  // 24/32-bit pixels already device colours.
  switch (iFormat) {
    case BMF_1BPP: return value ? 0xFFFFFF : 0;
    case BMF_4BPP: return (value & 0x0F) * 0x111111;
    case BMF_8BPP: return (value & 0xFF) * 0x010101;
    case BMF_16BPP: return (Channel(value, 0x7C00) << 16) | (Channel(value, 0x03E0) << 8) | Channel(value, 0x001F);
    default: return value & 0xFFFFFF;
  }
}

}  // namespace detail

using namespace detail;

XLATEOBJ* CreateXlateTrivial() { return Make(Xlate::Trivial, XO_TRIVIAL, PAL_BGR); }

XLATEOBJ* CreateXlateTable(const ULONG* colors, ULONG count) {
  XLATEOBJ* xo = Make(Xlate::Table, XO_TABLE, PAL_INDEXED);
  if (!xo) return nullptr;
  Xlate* x = AsXlate(xo);
  try {
    if (colors && count) x->table.assign(colors, colors + count);
  } catch (...) {
    DeleteXlate(xo);
    return nullptr;
  }
  xo->cEntries = static_cast<ULONG>(x->table.size());
  xo->pulXlate = x->table.empty() ? nullptr : x->table.data();
  return xo;
}

XLATEOBJ* CreateXlateBitfields(ULONG redMask, ULONG greenMask, ULONG blueMask) {
  XLATEOBJ* xo = Make(Xlate::Bitfields, 0, PAL_BITFIELDS);
  if (!xo) return nullptr;
  Xlate* x = AsXlate(xo);
  x->masks[0] = redMask;
  x->masks[1] = greenMask;
  x->masks[2] = blueMask;
  return xo;
}

XLATEOBJ* CreateXlateRgb(ULONG palType) {
  if (palType != PAL_RGB && palType != PAL_BGR) return nullptr;
  return Make(palType == PAL_RGB ? Xlate::Rgb : Xlate::Bgr, 0, static_cast<USHORT>(palType));
}

void DeleteXlate(XLATEOBJ* pxlo) {
  Xlate* x = AsXlate(pxlo);
  if (x && UntrackObject(x)) delete x;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

extern "C" {

ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
  if (!pxlo) return iColor;
  Xlate* x = AsXlate(pxlo);
  if (!x) {
    // A translation the engine did not make: its public table only.
    if (pxlo->flXlate & XO_TABLE) return pxlo->pulXlate && iColor < pxlo->cEntries ? pxlo->pulXlate[iColor] : 0;
    return iColor;
  }
  switch (x->kind) {
    case Xlate::Trivial: return iColor;
    case Xlate::Table: return iColor < x->table.size() ? x->table[iColor] : 0;
    case Xlate::Bitfields:
      return (Channel(iColor, x->masks[0]) << 16) | (Channel(iColor, x->masks[1]) << 8) | Channel(iColor, x->masks[2]);
    case Xlate::Rgb: return ((iColor & 0xFF) << 16) | (iColor & 0xFF00) | ((iColor >> 16) & 0xFF);
    case Xlate::Bgr: return iColor & 0xFFFFFF;
  }
  return 0;
}

}  // extern "C"
