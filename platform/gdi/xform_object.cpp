// Transforms: a 2 x 2 matrix with an offset, applied to points in whole units
// or in 28.4 fixed point, forwards or inverted, rounded to nearest.
#include <cmath>
#include <cstring>

#include "platform/gdi/engine_objects.h"

namespace pkgdi {
namespace detail {
namespace {

Xform* AsXform(XFORMOBJ* pxo) {
  auto* x = reinterpret_cast<Xform*>(pxo);
  return IsLiveObject(x) && x->magic == kXformMagic ? x : nullptr;
}

LONG Round(double v) {
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return static_cast<LONG>(-2147483647 - 1);
  return static_cast<LONG>(std::lround(v));
}

}  // namespace
}  // namespace detail

using namespace detail;

XFORMOBJ* CreateXform(const XFORML& m) {
  try {
    Xform* x = new Xform();
    x->m = m;
    TrackObject(x);
    return &x->xo;
  } catch (...) {
    return nullptr;
  }
}

void DeleteXform(XFORMOBJ* pxo) {
  Xform* x = AsXform(pxo);
  if (x && UntrackObject(x)) delete x;
}

}  // namespace pkgdi

using namespace pkgdi;
using namespace pkgdi::detail;

extern "C" {

BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut) {
  Xform* x = AsXform(pxo);
  if (!x || !pvIn || !pvOut || iMode > XF_INV_FXTOL) return FALSE;
  double m11 = x->m.eM11, m12 = x->m.eM12, m21 = x->m.eM21, m22 = x->m.eM22, dx = x->m.eDx, dy = x->m.eDy;
  bool inverse = iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL;
  if (inverse) {
    double det = m11 * m22 - m12 * m21;
    if (det == 0) return FALSE;
    double i11 = m22 / det, i12 = -m12 / det, i21 = -m21 / det, i22 = m11 / det;
    double idx = -(dx * i11 + dy * i21), idy = -(dx * i12 + dy * i22);
    m11 = i11, m12 = i12, m21 = i21, m22 = i22, dx = idx, dy = idy;
  }
  // Input in 28.4 for XF_INV_FXTOL, output in 28.4 for XF_LTOFX.
  double inScale = iMode == XF_INV_FXTOL ? 1.0 / 16 : 1.0;
  double outScale = iMode == XF_LTOFX ? 16.0 : 1.0;
  auto* in = static_cast<const BYTE*>(pvIn);
  auto* out = static_cast<BYTE*>(pvOut);
  for (ULONG i = 0; i < cPoints; ++i) {
    LONG p[2];
    std::memcpy(p, in + 8 * size_t(i), 8);  // in and out may be the same array
    double px = p[0] * inScale, py = p[1] * inScale;
    LONG q[2] = {Round((px * m11 + py * m21 + dx) * outScale), Round((px * m12 + py * m22 + dy) * outScale)};
    std::memcpy(out + 8 * size_t(i), q, 8);
  }
  return TRUE;
}

}  // extern "C"
