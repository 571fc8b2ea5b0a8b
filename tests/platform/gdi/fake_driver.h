// A recording driver for the engine's call-backs: DrvCopyBits keeps a copy of
// every bitmap it is handed, DrvRealizeBrush counts its calls and keeps its
// arguments; each can be told to fail or to call the engine again.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/engine_host.h"

namespace fake {

struct CopyCall {
  ULONG format = 0;
  ULONG iType = 0;
  SIZEL size{};
  RECTL dest{};
  POINTL src{};
  FLONG flXlate = 0;
  std::vector<ULONG> table;
  XLATEOBJ* pxlo = nullptr;
  std::vector<std::vector<uint8_t>> rows;  // top row first
  int bit(LONG x, LONG y) const { return (rows[y][x >> 3] >> (7 - (x & 7))) & 1; }
};

struct RealizeCall {
  ULONG iHatch = 0;
  SIZEL patternSize{};
  ULONG patternFormat = 0;
  std::vector<std::vector<uint8_t>> rows;
  std::vector<ULONG> table;
  bool mask = false;
};

struct State {
  std::vector<CopyCall> copies;
  std::vector<RealizeCall> realizes;
  BOOL copyResult = TRUE;
  BOOL realizeResult = TRUE;
  bool copyRecurses = false;  // DrvCopyBits hands every bitmap to EngStretchBlt again
  int recursiveResults = 0;   // answers of those nested EngStretchBlt calls that were FALSE
};

inline State& state() {
  static State s;
  return s;
}

inline BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                        POINTL* pptlSrc) {
  CopyCall c;
  c.format = psoSrc->iBitmapFormat;
  c.iType = psoSrc->iType;
  c.size = psoSrc->sizlBitmap;
  c.dest = *prclDest;
  c.src = *pptlSrc;
  c.pxlo = pxlo;
  if (pxlo) {
    c.flXlate = pxlo->flXlate;
    if (pxlo->pulXlate) c.table.assign(pxlo->pulXlate, pxlo->pulXlate + pxlo->cEntries);
  }
  ULONG bpp = pkgdi::BitsPerPixelOfFormat(psoSrc->iBitmapFormat);
  size_t rowBytes = (static_cast<size_t>(psoSrc->sizlBitmap.cx) * bpp + 7) / 8;
  for (LONG y = 0; y < psoSrc->sizlBitmap.cy; ++y) {
    auto* row = static_cast<uint8_t*>(psoSrc->pvScan0) + static_cast<ptrdiff_t>(y) * psoSrc->lDelta;
    c.rows.emplace_back(row, row + rowBytes);
  }
  state().copies.push_back(c);
  if (state().copyRecurses) {
    RECTL src{0, 0, psoSrc->sizlBitmap.cx, psoSrc->sizlBitmap.cy};
    BOOL r =
        EngStretchBlt(psoDest, psoSrc, nullptr, pco, pxlo, nullptr, nullptr, prclDest, &src, nullptr, COLORONCOLOR);
    if (!r) ++state().recursiveResults;
  }
  return state().copyResult;
}

inline BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ*, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                            ULONG iHatch) {
  RealizeCall c;
  c.iHatch = iHatch;
  c.mask = psoMask != nullptr;
  if (psoPattern) {
    c.patternSize = psoPattern->sizlBitmap;
    c.patternFormat = psoPattern->iBitmapFormat;
    ULONG bpp = pkgdi::BitsPerPixelOfFormat(psoPattern->iBitmapFormat);
    size_t rowBytes = (static_cast<size_t>(psoPattern->sizlBitmap.cx) * bpp + 7) / 8;
    for (LONG y = 0; y < psoPattern->sizlBitmap.cy; ++y) {
      auto* row = static_cast<uint8_t*>(psoPattern->pvScan0) + static_cast<ptrdiff_t>(y) * psoPattern->lDelta;
      c.rows.emplace_back(row, row + rowBytes);
    }
  }
  if (pxlo && pxlo->pulXlate) c.table.assign(pxlo->pulXlate, pxlo->pulXlate + pxlo->cEntries);
  state().realizes.push_back(c);
  if (!state().realizeResult) return FALSE;
  void* rb = BRUSHOBJ_pvAllocRbrush(pbo, 64);
  if (!rb) return FALSE;
  std::memcpy(rb, &iHatch, sizeof iHatch);
  pbo->pvRbrush = rb;
  return TRUE;
}

// A device surface of the given size bound to the recording driver.
class Device {
 public:
  explicit Device(SIZEL size, DHPDEV pdev = reinterpret_cast<DHPDEV>(0x5044)) {
    state() = State{};
    DRVFN fns[] = {{INDEX_DrvCopyBits, reinterpret_cast<PFN>(&DrvCopyBits)},
                   {INDEX_DrvRealizeBrush, reinterpret_cast<PFN>(&DrvRealizeBrush)}};
    hdev_ = pkgdi::CreateDevice(fns, 2, pdev);
    hsurf_ = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), size, BMF_24BPP);
    EngAssociateSurface(hsurf_, hdev_, HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_COPYBITS);
    EngMarkBandingSurface(hsurf_);
  }
  ~Device() {
    EngDeleteSurface(hsurf_);
    pkgdi::DeleteDevice(hdev_);
  }
  SURFOBJ* surface() const { return pkgdi::SurfaceObject(hsurf_); }
  HSURF hsurf() const { return hsurf_; }
  HDEV hdev() const { return hdev_; }

 private:
  HDEV hdev_;
  HSURF hsurf_;
};

}  // namespace fake
