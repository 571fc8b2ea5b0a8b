// Bitmap services of the engine on a driver's device surface. EngStretchBlt
// scales a source bitmap onto the destination by nearest pixel centres and, in
// HALFTONE mode, dithers it to 1 bit with an 8 x 8 Bayer matrix anchored to the
// page; the result goes back to the driver through its DrvCopyBits. The engine
// cannot draw on a device surface itself: EngBitBlt and EngEraseSurface record
// the call and answer a configurable result.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/gdi/engine_objects.h"
#include "platform/win/win_seams.h"

namespace pkgdi {
namespace detail {
namespace {

// Bayer matrix B: 0..63, each once.
constexpr uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

struct Fallback {
  std::mutex lock;
  std::vector<EngineCall> calls;
  std::vector<StretchCall> stretches;
  BOOL result = TRUE;
};

Fallback& fallback() {
  static Fallback f;
  return f;
}

// Tests start with no recorded calls and the default answer.
void ResetFallback() {
  Fallback& f = fallback();
  std::lock_guard<std::mutex> g(f.lock);
  f.calls.clear();
  f.stretches.clear();
  f.result = TRUE;
}
const pk::seams::ResetHook g_resetHook(&ResetFallback);

BOOL Record(EngineCall call) {
  Fallback& f = fallback();
  std::lock_guard<std::mutex> g(f.lock);
  try {
    f.calls.push_back(call);
  } catch (...) {
  }
  return f.result;
}

void RecordStretch(const StretchCall& call) {
  Fallback& f = fallback();
  std::lock_guard<std::mutex> g(f.lock);
  try {
    f.stretches.push_back(call);
  } catch (...) {
  }
}

// Nesting of EngStretchBlt -> DrvCopyBits on this thread.
thread_local int t_copyDepth = 0;
constexpr int kMaxCopyDepth = 2;

// Grey level 0 (black) .. 255 (white) of a device colour 0x00RRGGBB.
ULONG GreyOf(ULONG c) {
  ULONG r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
  return (300 * r + 590 * g + 110 * b) * 10 / 9996;
}

bool ValidBitmap(const SURFOBJ* pso) {
  return pso && pso->iType == STYPE_BITMAP && BitsPerPixelOfFormat(pso->iBitmapFormat) && pso->pvScan0 &&
         pso->sizlBitmap.cx > 0 && pso->sizlBitmap.cy > 0 &&
         static_cast<int64_t>(pso->lDelta < 0 ? -int64_t(pso->lDelta) : pso->lDelta) * 8 >=
             int64_t(pso->sizlBitmap.cx) * BitsPerPixelOfFormat(pso->iBitmapFormat);
}

// Source coordinate of destination dot d (0-based) when n source dots are
// spread over m destination dots: the source dot under the centre of d.
LONG NearestSource(LONG d, LONG m, LONG n) { return static_cast<LONG>((2 * int64_t(d) + 1) * n / (2 * int64_t(m))); }

}  // namespace
}  // namespace detail

using namespace detail;

std::vector<EngineCall> EngineCalls() {
  std::lock_guard<std::mutex> g(fallback().lock);
  return fallback().calls;
}

void ClearEngineCalls() {
  std::lock_guard<std::mutex> g(fallback().lock);
  fallback().calls.clear();
  fallback().stretches.clear();
}

std::vector<StretchCall> StretchCalls() {
  std::lock_guard<std::mutex> g(fallback().lock);
  return fallback().stretches;
}

void SetEngineFallbackResult(BOOL result) {
  std::lock_guard<std::mutex> g(fallback().lock);
  fallback().result = result;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

namespace {

BOOL StretchToDevice(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                     RECTL* prclSrc, ULONG iMode) {
  // Masks are not drawn here: the driver then asks EngBitBlt.
  if (!psoDest || !prclDest || !prclSrc || psoMask || !ValidBitmap(psoSrc)) return FALSE;
  if (iMode < BLACKONWHITE || iMode > HALFTONE) return FALSE;
  if (t_copyDepth >= kMaxCopyDepth) return FALSE;
  Surface* dest = FindSurface(psoDest);
  if (!dest || psoDest->iType != STYPE_DEVICE) return FALSE;
  auto copyBits = reinterpret_cast<PFN_DrvCopyBits>(DeviceEntry(psoDest->hdev, INDEX_DrvCopyBits));
  if (!copyBits) return FALSE;

  // Source rectangle, normalised and cut to the bitmap; inverted rectangles
  // mirror the picture.
  bool mirrorX = (prclDest->left > prclDest->right) != (prclSrc->left > prclSrc->right);
  bool mirrorY = (prclDest->top > prclDest->bottom) != (prclSrc->top > prclSrc->bottom);
  RECTL src{std::min(prclSrc->left, prclSrc->right), std::min(prclSrc->top, prclSrc->bottom),
            std::max(prclSrc->left, prclSrc->right), std::max(prclSrc->top, prclSrc->bottom)};
  src.left = std::max<LONG>(src.left, 0);
  src.top = std::max<LONG>(src.top, 0);
  src.right = std::min(src.right, psoSrc->sizlBitmap.cx);
  src.bottom = std::min(src.bottom, psoSrc->sizlBitmap.cy);
  RECTL dst{std::min(prclDest->left, prclDest->right), std::min(prclDest->top, prclDest->bottom),
            std::max(prclDest->left, prclDest->right), std::max(prclDest->top, prclDest->bottom)};
  if (src.left >= src.right || src.top >= src.bottom || dst.left >= dst.right || dst.top >= dst.bottom) return FALSE;

  // What is drawn: the destination within the clip bounds and the surface.
  RECTL out = dst;
  if (pco && pco->iDComplexity != DC_TRIVIAL) {
    out.left = std::max(out.left, pco->rclBounds.left);
    out.top = std::max(out.top, pco->rclBounds.top);
    out.right = std::min(out.right, pco->rclBounds.right);
    out.bottom = std::min(out.bottom, pco->rclBounds.bottom);
  }
  out.left = std::max<LONG>(out.left, 0);
  out.top = std::max<LONG>(out.top, 0);
  out.right = std::min(out.right, psoDest->sizlBitmap.cx);
  out.bottom = std::min(out.bottom, psoDest->sizlBitmap.cy);
  if (out.left >= out.right || out.top >= out.bottom) return TRUE;  // nothing to draw

  LONG w = out.right - out.left, h = out.bottom - out.top;
  LONG dw = dst.right - dst.left, dh = dst.bottom - dst.top;
  LONG sw = src.right - src.left, sh = src.bottom - src.top;
  bool halftone = iMode == HALFTONE;
  ULONG format = halftone ? BMF_1BPP : psoSrc->iBitmapFormat;
  std::vector<LONG> xs(static_cast<size_t>(w));
  for (LONG x = 0; x < w; ++x) {
    LONG d = out.left + x - dst.left;
    if (mirrorX) d = dw - 1 - d;
    xs[x] = src.left + NearestSource(d, dw, sw);
  }
  SURFOBJ* bits = CreateBitmap(SIZEL{w, h}, format, true);
  if (!bits) return FALSE;
  POINTL org = dest->bandOrigin;
  for (LONG y = 0; y < h; ++y) {
    LONG d = out.top + y - dst.top;
    if (mirrorY) d = dh - 1 - d;
    const uint8_t* srow = RowOf(psoSrc, src.top + NearestSource(d, dh, sh));
    uint8_t* drow = RowOf(bits, y);
    if (!halftone) {
      for (LONG x = 0; x < w; ++x) WritePixel(drow, x, format, ReadPixel(srow, xs[x], psoSrc->iBitmapFormat));
      continue;
    }
    // White (bit 1) where 64 * grey > 255 * B + 127, B taken at the page dot.
    const uint8_t* bayerRow = kBayer[(out.top + y + org.y) & 7];
    for (LONG x = 0; x < w; ++x) {
      ULONG colour = TranslatePixel(pxlo, psoSrc->iBitmapFormat, ReadPixel(srow, xs[x], psoSrc->iBitmapFormat));
      ULONG b = bayerRow[(out.left + x + org.x) & 7];
      if (64 * GreyOf(colour) > 255 * b + 127) SetBit(drow, x);
    }
  }

  static const ULONG kBlackWhite[2] = {0x000000, 0xFFFFFF};
  XLATEOBJ* xloBW = halftone ? CreateXlateTable(kBlackWhite, 2) : nullptr;
  BOOL result = FALSE;
  if (!halftone || xloBW) {
    POINTL zero{0, 0};
    ++t_copyDepth;
    result = copyBits(psoDest, bits, pco, halftone ? xloBW : pxlo, &out, &zero);
    --t_copyDepth;
  }
  DeleteXlate(xloBW);
  DeleteBitmap(bits);
  return result;
}

}  // namespace

extern "C" {

BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL*, RECTL* prclDest, RECTL* prclSrc, POINTL*, ULONG iMode) {
  try {
    StretchCall call{};
    call.iMode = iMode;
    if (prclDest) call.dest = *prclDest;
    if (prclSrc) call.src = *prclSrc;
    call.hasMask = psoMask != nullptr;
    call.hasColorAdjustment = pca != nullptr;
    if (pca) call.ca = *pca;
    RecordStretch(call);
    return StretchToDevice(psoDest, psoSrc, psoMask, pco, pxlo, prclDest, prclSrc, iMode);
  } catch (...) {
    return FALSE;  // out of memory
  }
}

BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ*, XLATEOBJ*, RECTL* prclTrg, POINTL*,
               POINTL*, BRUSHOBJ* pbo, POINTL*, ROP4 rop4) {
  EngineCall c{};
  c.kind = EngineCall::BitBlt;
  c.pso = psoTrg;
  if (prclTrg) c.rcl = *prclTrg;
  c.rop4 = rop4;
  c.hasSource = psoSrc != nullptr;
  c.hasMask = psoMask != nullptr;
  c.hasBrush = pbo != nullptr;
  return Record(c);
}

BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
  EngineCall c{};
  c.kind = EngineCall::EraseSurface;
  c.pso = pso;
  if (prcl) c.rcl = *prcl;
  c.iColor = iColor;
  return Record(c);
}

}  // extern "C"
