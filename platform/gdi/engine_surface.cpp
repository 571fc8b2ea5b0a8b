// Devices, surfaces and palettes of the engine: the device surface a driver
// creates and associates with its PDEV, the source bitmaps the host hands to
// the driver, and the palettes a driver describes its colours with.
#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {
namespace detail {
namespace {

struct Palette {
  ULONG mode = 0;
  std::vector<ULONG> colors;
};

// Handles are numbers that are never reused within a process.
struct Registry {
  std::mutex lock;
  uintptr_t next = 0x1000;
  std::unordered_map<uintptr_t, std::unique_ptr<Device>> devices;
  std::unordered_map<uintptr_t, std::unique_ptr<Surface>> surfaces;  // by hsurf
  std::unordered_map<const SURFOBJ*, Surface*> objects;
  std::unordered_map<uintptr_t, Palette> palettes;
};

Registry& registry() {
  static Registry r;
  return r;
}

ULONG g_uniq = 1;

Surface* SurfaceOfHandle(HSURF hsurf) {
  auto it = registry().surfaces.find(reinterpret_cast<uintptr_t>(hsurf));
  return it == registry().surfaces.end() ? nullptr : it->second.get();
}

HSURF AddSurface(std::unique_ptr<Surface> s) {
  Registry& r = registry();
  uintptr_t h = r.next++;
  s->so.hsurf = reinterpret_cast<HSURF>(h);
  s->so.iUniq = g_uniq++;
  r.objects[&s->so] = s.get();
  r.surfaces[h] = std::move(s);
  return reinterpret_cast<HSURF>(h);
}

bool RemoveSurface(HSURF hsurf) {
  Registry& r = registry();
  auto it = r.surfaces.find(reinterpret_cast<uintptr_t>(hsurf));
  if (it == r.surfaces.end()) return false;
  UntrackObject(&it->second->so);
  r.objects.erase(&it->second->so);
  r.surfaces.erase(it);
  return true;
}

}  // namespace

namespace {
struct LiveObjects {
  std::mutex lock;
  std::unordered_map<const void*, int> set;
};
LiveObjects& live() {
  static LiveObjects l;
  return l;
}
}  // namespace

void TrackObject(const void* p) {
  std::lock_guard<std::mutex> g(live().lock);
  live().set[p] = 1;
}

bool UntrackObject(const void* p) {
  std::lock_guard<std::mutex> g(live().lock);
  return live().set.erase(p) != 0;
}

bool IsLiveObject(const void* p) {
  if (!p) return false;
  std::lock_guard<std::mutex> g(live().lock);
  return live().set.count(p) != 0;
}

Surface* FindSurface(const SURFOBJ* pso) {
  if (!pso) return nullptr;
  std::lock_guard<std::mutex> g(registry().lock);
  auto it = registry().objects.find(pso);
  return it == registry().objects.end() ? nullptr : it->second;
}

Device* FindDevice(HDEV hdev) {
  std::lock_guard<std::mutex> g(registry().lock);
  auto it = registry().devices.find(reinterpret_cast<uintptr_t>(hdev));
  return it == registry().devices.end() ? nullptr : it->second.get();
}

PFN DeviceEntry(HDEV hdev, ULONG index) {
  std::lock_guard<std::mutex> g(registry().lock);
  auto it = registry().devices.find(reinterpret_cast<uintptr_t>(hdev));
  if (it == registry().devices.end()) return nullptr;
  auto f = it->second->fns.find(index);
  return f == it->second->fns.end() ? nullptr : f->second;
}

}  // namespace detail

using namespace detail;

// ---- Host side -------------------------------------------------------------------

HDEV CreateDevice(const DRVFN* fns, ULONG count, DHPDEV dhpdev) {
  try {
    auto d = std::make_unique<Device>();
    for (ULONG i = 0; fns && i < count; ++i) d->fns[fns[i].iFunc] = fns[i].pfn;
    d->dhpdev = dhpdev;
    std::lock_guard<std::mutex> g(registry().lock);
    uintptr_t h = registry().next++;
    registry().devices[h] = std::move(d);
    return reinterpret_cast<HDEV>(h);
  } catch (...) {
    return nullptr;
  }
}

void SetDevicePdev(HDEV hdev, DHPDEV dhpdev) {
  std::lock_guard<std::mutex> g(registry().lock);
  auto it = registry().devices.find(reinterpret_cast<uintptr_t>(hdev));
  if (it != registry().devices.end()) it->second->dhpdev = dhpdev;
}

PFN DeviceFunction(HDEV hdev, ULONG index) { return DeviceEntry(hdev, index); }

size_t LiveEngineObjects() {
  std::lock_guard<std::mutex> g(live().lock);
  return live().set.size();
}

BOOL DeleteDevice(HDEV hdev) {
  std::lock_guard<std::mutex> g(registry().lock);
  return registry().devices.erase(reinterpret_cast<uintptr_t>(hdev)) ? TRUE : FALSE;
}

SURFOBJ* SurfaceObject(HSURF hsurf) {
  std::lock_guard<std::mutex> g(registry().lock);
  Surface* s = SurfaceOfHandle(hsurf);
  return s ? &s->so : nullptr;
}

FLONG SurfaceHooks(HSURF hsurf) {
  std::lock_guard<std::mutex> g(registry().lock);
  Surface* s = SurfaceOfHandle(hsurf);
  return s ? s->hooks : 0;
}

bool SurfaceIsBanded(HSURF hsurf) {
  std::lock_guard<std::mutex> g(registry().lock);
  Surface* s = SurfaceOfHandle(hsurf);
  return s && s->banded;
}

void SetBandOrigin(SURFOBJ* pso, POINTL origin) {
  if (Surface* s = FindSurface(pso)) s->bandOrigin = origin;
}

POINTL BandOrigin(const SURFOBJ* pso) {
  Surface* s = FindSurface(pso);
  return s ? s->bandOrigin : POINTL{0, 0};
}

ULONG BitsPerPixelOfFormat(ULONG iFormat) {
  switch (iFormat) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

SURFOBJ* CreateBitmap(SIZEL size, ULONG iFormat, bool topDown) {
  ULONG bpp = BitsPerPixelOfFormat(iFormat);
  // Bounded so that a row and the whole block stay well inside 32 bits.
  if (!bpp || size.cx <= 0 || size.cy <= 0 || size.cx > 0x100000 || size.cy > 0x100000) return nullptr;
  uint64_t stride = ((static_cast<uint64_t>(size.cx) * bpp + 31) / 32) * 4;
  uint64_t total = stride * static_cast<uint64_t>(size.cy);
  if (total > 0x7FFFFFFF) return nullptr;
  try {
    auto s = std::make_unique<Surface>();
    s->bits.assign(static_cast<size_t>(total), 0);
    SURFOBJ& so = s->so;
    so.sizlBitmap = size;
    so.cjBits = static_cast<ULONG>(total);
    so.pvBits = s->bits.data();
    so.iBitmapFormat = iFormat;
    so.iType = STYPE_BITMAP;
    if (topDown) {
      so.pvScan0 = s->bits.data();
      so.lDelta = static_cast<LONG>(stride);
      so.fjBitmap = BMF_TOPDOWN;
    } else {
      so.pvScan0 = s->bits.data() + (total - stride);
      so.lDelta = -static_cast<LONG>(stride);
      so.fjBitmap = 0;
    }
    std::lock_guard<std::mutex> g(registry().lock);
    HSURF h = AddSurface(std::move(s));
    SURFOBJ* pso = &SurfaceOfHandle(h)->so;
    TrackObject(pso);
    return pso;
  } catch (...) {
    return nullptr;
  }
}

void DeleteBitmap(SURFOBJ* pso) {
  if (!pso) return;
  std::lock_guard<std::mutex> g(registry().lock);
  auto it = registry().objects.find(pso);
  if (it != registry().objects.end() && it->second->so.iType == STYPE_BITMAP) RemoveSurface(pso->hsurf);
}

bool PaletteInfo(HPALETTE hpal, ULONG* mode, std::vector<ULONG>* colors) {
  std::lock_guard<std::mutex> g(registry().lock);
  auto it = registry().palettes.find(reinterpret_cast<uintptr_t>(hpal));
  if (it == registry().palettes.end()) return false;
  if (mode) *mode = it->second.mode;
  if (colors) *colors = it->second.colors;
  return true;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

// ---- Driver services -------------------------------------------------------------

extern "C" {

HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
  if (sizl.cx <= 0 || sizl.cy <= 0 || !BitsPerPixelOfFormat(iFormatCompat)) return nullptr;
  try {
    auto s = std::make_unique<Surface>();
    s->so.dhsurf = dhsurf;
    s->so.sizlBitmap = sizl;
    s->so.iBitmapFormat = iFormatCompat;
    s->so.iType = STYPE_DEVICE;
    std::lock_guard<std::mutex> g(registry().lock);
    return AddSurface(std::move(s));
  } catch (...) {
    return nullptr;
  }
}

BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
  std::lock_guard<std::mutex> g(registry().lock);
  Surface* s = SurfaceOfHandle(hsurf);
  auto d = registry().devices.find(reinterpret_cast<uintptr_t>(hdev));
  if (!s || d == registry().devices.end()) return FALSE;
  s->so.hdev = hdev;
  s->so.dhpdev = d->second->dhpdev;
  s->hooks = flHooks;
  return TRUE;
}

BOOL EngMarkBandingSurface(HSURF hsurf) {
  std::lock_guard<std::mutex> g(registry().lock);
  Surface* s = SurfaceOfHandle(hsurf);
  if (!s) return FALSE;
  s->banded = true;
  return TRUE;
}

BOOL EngDeleteSurface(HSURF hsurf) {
  std::lock_guard<std::mutex> g(registry().lock);
  return RemoveSurface(hsurf) ? TRUE : FALSE;
}

HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen, FLONG flBlue) {
  try {
    Palette p;
    p.mode = iMode;
    switch (iMode) {
      case PAL_INDEXED:
        if (cColors == 0 || cColors > 65536) return nullptr;
        if (pulColors) p.colors.assign(pulColors, pulColors + cColors);
        else p.colors.assign(cColors, 0);
        break;
      case PAL_BITFIELDS:
        if (!flRed || !flGreen || !flBlue) return nullptr;
        p.colors = {flRed, flGreen, flBlue};
        break;
      case PAL_RGB:
      case PAL_BGR: break;
      default: return nullptr;
    }
    std::lock_guard<std::mutex> g(registry().lock);
    uintptr_t h = registry().next++;
    registry().palettes[h] = std::move(p);
    return reinterpret_cast<HPALETTE>(h);
  } catch (...) {
    return nullptr;
  }
}

BOOL EngDeletePalette(HPALETTE hpal) {
  std::lock_guard<std::mutex> g(registry().lock);
  return registry().palettes.erase(reinterpret_cast<uintptr_t>(hpal)) ? TRUE : FALSE;
}

}  // extern "C"
