// Engine-side records behind the DDI objects: each public object is the first
// member of its record, so the engine gets from the pointer a driver hands back
// to its own state. Private to the engine's sources.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/engine_host.h"

namespace pkgdi::detail {

constexpr uint32_t kSurfaceMagic = 0x53555246;  // "SURF"
constexpr uint32_t kBrushMagic = 0x42525348;
constexpr uint32_t kClipMagic = 0x434C4950;
constexpr uint32_t kPathMagic = 0x50415448;
constexpr uint32_t kXlateMagic = 0x584C4154;
constexpr uint32_t kXformMagic = 0x58464F52;
constexpr uint32_t kFontMagic = 0x464F4E54;
constexpr uint32_t kStringMagic = 0x5354524F;

struct Device {
  std::map<ULONG, PFN> fns;
  DHPDEV dhpdev = nullptr;
};

struct Surface {
  SURFOBJ so{};
  uint32_t magic = kSurfaceMagic;
  FLONG hooks = 0;
  bool banded = false;
  POINTL bandOrigin{0, 0};
  std::vector<uint8_t> bits;  // source bitmaps own their rows
};

// The engine surface behind a SURFOBJ the engine made, or null.
Surface* FindSurface(const SURFOBJ* pso);
// The device bound to a surface (through its hdev), or null.
Device* FindDevice(HDEV hdev);
PFN DeviceEntry(HDEV hdev, ULONG index);

struct Xlate {
  XLATEOBJ xo{};
  uint32_t magic = kXlateMagic;
  enum Kind { Trivial, Table, Bitfields, Rgb, Bgr } kind = Trivial;
  std::vector<ULONG> table;
  ULONG masks[3] = {0, 0, 0};
};

struct Xform {
  XFORMOBJ xo{};
  uint32_t magic = kXformMagic;
  XFORML m{};
};

// Objects the engine made and has not freed yet (paths, clips, brushes,
// translations, transforms, fonts, strings): a pointer a driver hands back is
// used only while it is live.
void TrackObject(const void* p);
bool UntrackObject(const void* p);
bool IsLiveObject(const void* p);

struct Path {
  PATHOBJ po{};
  uint32_t magic = kPathMagic;
  struct Subpath {
    std::vector<POINTFIX> pts;
    bool closed = false;
  };
  std::vector<Subpath> subpaths;
  bool figureOpen = false;  // the last subpath takes further lines
  ULONG recordLimit = 0;
  size_t enumSub = 0, enumPt = 0;
};
// A new, tracked path; null when out of memory.
Path* NewPath();
void RecountCurves(Path* p);

struct Clip {
  CLIPOBJ co{};
  uint32_t magic = kClipMagic;
  Region region;
  std::vector<RECTL> rects;
  size_t cursor = 0;
};

// One bit of a 1-bpp row, most significant bit leftmost.
inline int GetBit(const uint8_t* row, LONG x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
inline void SetBit(uint8_t* row, LONG x) { row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7)); }

// Row pointer of a bitmap surface (rows step by lDelta from pvScan0).
inline uint8_t* RowOf(const SURFOBJ* pso, LONG y) {
  return static_cast<uint8_t*>(pso->pvScan0) + static_cast<ptrdiff_t>(y) * pso->lDelta;
}

// Raw value of pixel x of a row in the given format (index or packed colour).
ULONG ReadPixel(const uint8_t* row, LONG x, ULONG iFormat);
void WritePixel(uint8_t* row, LONG x, ULONG iFormat, ULONG value);

// Apply a translation to a raw pixel value of a format: a device colour.
ULONG TranslatePixel(XLATEOBJ* pxlo, ULONG iFormat, ULONG value);

}  // namespace pkgdi::detail
