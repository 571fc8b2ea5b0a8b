// Brushes: a solid brush carries its device colour; hatch and pattern brushes
// are realised by the target driver (DrvRealizeBrush) the first time the driver
// asks for the realisation, into memory the brush owns.
#include <cstdlib>
#include <cstring>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {
namespace detail {
namespace {

constexpr ULONG kNotSolid = 0xFFFFFFFF;

struct Brush {
  BRUSHOBJ bo{};
  uint32_t magic = kBrushMagic;
  ULONG iHatch = 0;
  SURFOBJ* target = nullptr;
  SURFOBJ* pattern = nullptr;     // not owned for pattern brushes
  SURFOBJ* ownPattern = nullptr;  // the 8 x 8 pattern of a hatch brush
  XLATEOBJ* xlate = nullptr;
  XLATEOBJ* ownXlate = nullptr;
  bool realiseTried = false;
  std::vector<void*> blocks;  // realisation memory, freed with the brush
};

Brush* AsBrush(BRUSHOBJ* pbo) {
  auto* b = reinterpret_cast<Brush*>(pbo);
  return IsLiveObject(b) && b->magic == kBrushMagic ? b : nullptr;
}

Brush* NewBrush() {
  Brush* b = new Brush();
  TrackObject(b);
  return b;
}

// Dots of hatch style h on row r, column c of its 8 x 8 cell.
bool HatchDot(ULONG h, int r, int c) {
  switch (h) {
    case 0: return r == 4;                // horizontal
    case 1: return c == 4;                // vertical
    case 2: return c == r;                // forward diagonal
    case 3: return c == 7 - r;            // backward diagonal
    case 4: return r == 4 || c == 4;      // cross
    case 5: return c == r || c == 7 - r;  // diagonal cross
    default: return false;
  }
}

}  // namespace
}  // namespace detail

using namespace detail;

BRUSHOBJ* CreateSolidBrush(ULONG deviceColor) {
  try {
    Brush* b = NewBrush();
    b->bo.iSolidColor = deviceColor & 0xFFFFFF;
    return &b->bo;
  } catch (...) {
    return nullptr;
  }
}

BRUSHOBJ* CreateHatchBrush(ULONG iHatch, ULONG hatchColor, ULONG background) {
  if (iHatch > 5) return nullptr;
  Brush* b = nullptr;
  try {
    b = NewBrush();
  } catch (...) {
    return nullptr;
  }
  b->bo.iSolidColor = kNotSolid;
  b->iHatch = iHatch;
  // Bit 0 is the hatch line (entry 0 of the table), bit 1 the background.
  b->ownPattern = CreateBitmap(SIZEL{8, 8}, BMF_1BPP, true);
  ULONG table[2] = {hatchColor & 0xFFFFFF, background & 0xFFFFFF};
  b->ownXlate = CreateXlateTable(table, 2);
  if (!b->ownPattern || !b->ownXlate) {
    DeleteBrush(&b->bo);
    return nullptr;
  }
  for (int r = 0; r < 8; ++r) {
    uint8_t* row = RowOf(b->ownPattern, r);
    for (int c = 0; c < 8; ++c)
      if (!HatchDot(iHatch, r, c)) SetBit(row, c);
  }
  b->pattern = b->ownPattern;
  b->xlate = b->ownXlate;
  return &b->bo;
}

BRUSHOBJ* CreatePatternBrush(SURFOBJ* pattern, XLATEOBJ* pxlo) {
  if (!pattern) return nullptr;
  try {
    Brush* b = NewBrush();
    b->bo.iSolidColor = kNotSolid;
    b->iHatch = 6;
    b->pattern = pattern;
    b->xlate = pxlo;
    return &b->bo;
  } catch (...) {
    return nullptr;
  }
}

void SetBrushTarget(BRUSHOBJ* pbo, SURFOBJ* target) {
  if (Brush* b = AsBrush(pbo)) b->target = target;
}

void DeleteBrush(BRUSHOBJ* pbo) {
  Brush* b = AsBrush(pbo);
  if (!b || !UntrackObject(b)) return;
  for (void* p : b->blocks) std::free(p);
  DeleteBitmap(b->ownPattern);
  DeleteXlate(b->ownXlate);
  delete b;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

extern "C" {

PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
  Brush* b = AsBrush(pbo);
  if (!b) return nullptr;
  void* p = std::calloc(1, cj ? cj : 1);
  if (!p) return nullptr;
  try {
    b->blocks.push_back(p);
  } catch (...) {
    std::free(p);
    return nullptr;
  }
  return p;
}

PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
  if (!pbo) return nullptr;
  if (pbo->pvRbrush) return pbo->pvRbrush;
  Brush* b = AsBrush(pbo);
  // A solid brush has nothing to realise; a failed realisation is not retried.
  if (!b || pbo->iSolidColor != kNotSolid || b->realiseTried) return nullptr;
  b->realiseTried = true;
  if (!FindSurface(b->target)) return nullptr;  // no target, or one deleted since
  auto realize = reinterpret_cast<PFN_DrvRealizeBrush>(DeviceEntry(b->target->hdev, INDEX_DrvRealizeBrush));
  if (!realize) return nullptr;
  if (!realize(pbo, b->target, b->pattern, nullptr, b->xlate, b->iHatch)) {
    pbo->pvRbrush = nullptr;
    return nullptr;
  }
  return pbo->pvRbrush;
}

}  // extern "C"
