// The colour engine's constant tables, the white point and gamma transforms,
// the per-pixel work and the matrix helpers (see color_transform.h). The
// per-pixel work is integer only.
#include "graphics_driver/core/color_transform.h"

#include <cmath>
#include <cstring>

#include "platform/win/win_memory.h"

namespace {

const double kXyzToSrgb[3][3] = {{3.241, -1.5374, -0.4986}, {-0.9692, 1.876, 0.0416}, {0.0556, -0.204, 1.057}};

// The adaptation basis: columns are the chromaticities (x, y, 1 - x - y) of
// its three primaries.
const double kBasis[3][3] = {
    {0.7465, -5.9428, 0.1748}, {0.2535, 6.914, 0.0044}, {-5.551115123125783e-17, 0.02880000000000038, 0.8208}};
const double kD65x = 0.3127035830618893;
const double kD65y = 0.32902313032606195;

struct Primaries {
  int whitePoint;
  double rgbToXyz[3][3];
  bool whiteCorrection;
};
const Primaries kPrimaries[] = {
    {5000, {{0.4333, 0.3961, 0.1349}, {0.2178, 0.7125, 0.0697}, {0.0147, 0.0911, 0.7236}}, true},
    {6500, {{0.4124, 0.3576, 0.1805}, {0.2126, 0.7152, 0.0722}, {0.0193, 0.1192, 0.9505}}, false},
    {9300, {{0.3918, 0.3208, 0.2368}, {0.2074, 0.7177, 0.0749}, {0.0249, 0.1534, 1.2275}}, true},
};
const int kGammas[] = {10, 14, 18, 22, 26};

struct ConstantTables {
  uint16_t gamma[5][256];
  BYTE srgb[4096];
  ConstantTables() {
    for (int g = 0; g < 5; ++g)
      for (int i = 0; i < 256; ++i)
        gamma[g][i] = uint16_t(std::lround(65535.0 * std::pow(i / 255.0, kGammas[g] / 10.0)));
    for (int i = 0; i < 4096; ++i) {
      const double x = i / 4095.0;
      const double v = x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055;
      srgb[i] = BYTE(std::lround(255.0 * v));
    }
  }
};

// Made once, on first use.
const ConstantTables& Tables() {
  static const ConstantTables tables;
  return tables;
}

int32_t Clamp12(int64_t v) { return v < 0 ? 0 : v > 4095 ? 4095 : int32_t(v); }

// Tetrahedral interpolation in a unit cell with 12-bit fractions: corner(c)
// gives the value of corner c (bit 0 red, 1 green, 2 blue); the walk goes from
// corner 0 along the largest fraction first.
template <class Corner>
int64_t WalkCell(uint32_t fr, uint32_t fg, uint32_t fb, Corner corner) {
  uint32_t f[3] = {fr, fg, fb};
  int axis[3] = {0, 1, 2};
  for (int i = 1; i < 3; ++i)
    for (int j = i; j > 0 && f[axis[j]] > f[axis[j - 1]]; --j) {
      const int t = axis[j];
      axis[j] = axis[j - 1];
      axis[j - 1] = t;
    }
  const uint32_t f1 = f[axis[0]], f2 = f[axis[1]], f3 = f[axis[2]];
  const int c1 = 1 << axis[0];
  const int c2 = c1 | (1 << axis[1]);
  return corner(0) * int64_t(4096 - f1) + corner(c1) * int64_t(f1 - f2) + corner(c2) * int64_t(f2 - f3) +
         corner(7) * int64_t(f3);
}

// The 16-bit matrix results at the white cell's corners.
void ComputeWhiteCell(ColorTransform* t) {
  const int64_t e = 0xEFFF, f = 0xFFFF;
  for (int corner = 0; corner < 7; ++corner) {
    const int64_t in[3] = {corner & 1 ? f : e, corner & 2 ? f : e, corner & 4 ? f : e};
    for (int row = 0; row < 3; ++row) {
      int64_t sum = 0;
      for (int c = 0; c < 3; ++c) sum += int64_t(t->matrix[row * 3 + c] >> 2) * in[c];
      t->whiteCell[corner * 3 + row] = int32_t(sum >> 14);
    }
  }
  for (int row = 0; row < 3; ++row) t->whiteCell[21 + row] = 0xFFFF;
}

}  // namespace

int StoreTransformMatrix(const Matrix3 m, int32_t out[9]) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      const double v = m[r][c] * 65536.0;
      if (!std::isfinite(v) || v >= 2147483647.0 || v <= -2147483648.0) return 0;
      out[r * 3 + c] = int32_t(v);
    }
  return 1;
}

int BuildWhitePointTransform(ColorTransform* transform, int whitePoint, int gamma) {
  if (!transform) return -1;
  transform->mode = kTransformNone;
  transform->whiteCorrection = 0;
  const Primaries* primaries = nullptr;
  for (const Primaries& p : kPrimaries)
    if (p.whitePoint == whitePoint) primaries = &p;
  int gammaIndex = -1;
  for (int i = 0; i < 5; ++i)
    if (kGammas[i] == gamma) gammaIndex = i;
  if (!primaries || gammaIndex < 0) return -1;
  for (auto& curve : transform->curve) std::memcpy(curve, Tables().gamma[gammaIndex], sizeof curve);
  Matrix3 m;
  MultiplyMatrix3(kXyzToSrgb, primaries->rgbToXyz, m);
  StoreTransformMatrix(m, transform->matrix);
  if (primaries->whiteCorrection) {
    ComputeWhiteCell(transform);
    transform->whiteCorrection = 1;
  }
  transform->mode = kTransformMatrix;
  return 0;
}

void ApplyTransform(const ColorTransform* transform, const BYTE* src, BYTE* dst, size_t count) {
  if (!src || !dst) return;
  if (!transform || (transform->mode != kTransformMatrix && transform->mode != kTransformTable) ||
      (transform->mode == kTransformTable && !transform->table)) {
    if (src != dst) std::memmove(dst, src, count * 3);
    return;
  }
  const BYTE* srgb = Tables().srgb;
  const ColorTransform& t = *transform;
  int32_t m[9];
  for (int i = 0; i < 9; ++i) m[i] = t.matrix[i] >> 2;
  for (size_t p = 0; p < count; ++p, src += 3, dst += 3) {
    const uint32_t r = t.curve[0][src[2]], g = t.curve[1][src[1]], b = t.curve[2][src[0]];
    int32_t out[3];
    if (t.mode == kTransformMatrix) {
      if (t.whiteCorrection && r > 0xEFFF && g > 0xEFFF && b > 0xEFFF) {
        for (int row = 0; row < 3; ++row)
          out[row] = Clamp12(
              WalkCell(r & 0xFFF, g & 0xFFF, b & 0xFFF, [&](int c) { return int64_t(t.whiteCell[c * 3 + row]); }) >>
              16);
      } else {
        for (int row = 0; row < 3; ++row)
          out[row] =
              Clamp12((int64_t(r) * m[row * 3] + int64_t(g) * m[row * 3 + 1] + int64_t(b) * m[row * 3 + 2]) >> 18);
      }
    } else {
      const uint16_t* base = t.table + (size_t(r >> 12) * 289 + size_t(g >> 12) * 17 + size_t(b >> 12)) * 3;
      const size_t strides[3] = {289 * 3, 17 * 3, 3};
      for (int ch = 0; ch < 3; ++ch) {
        const int64_t sum = WalkCell(r & 0xFFF, g & 0xFFF, b & 0xFFF, [&](int c) {
          const size_t at = (c & 1 ? strides[0] : 0) + (c & 2 ? strides[1] : 0) + (c & 4 ? strides[2] : 0);
          return int64_t(base[at + ch]);
        });
        out[ch] = Clamp12(sum >> 16);
      }
    }
    const BYTE blue = srgb[out[2]], green = srgb[out[1]], red = srgb[out[0]];
    dst[0] = blue;
    dst[1] = green;
    dst[2] = red;
  }
}

int FreeTransform(ColorTransform* transform) {
  if (!transform) return -1;
  if (transform->table) FreeLocked(transform->table);
  transform->table = nullptr;
  transform->mode = kTransformNone;
  transform->whiteCorrection = 0;
  return 0;
}

void* AllocLocked(size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size ? size : 1);
  if (!block) return nullptr;
  void* p = GlobalLock(block);
  if (!p) GlobalFree(block);
  return p;
}

void FreeLocked(void* pointer) {
  if (!pointer) return;
  HGLOBAL block = GlobalHandle(pointer);
  if (!block) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

int InvertMatrix3(const Matrix3 m, Matrix3 out) {
  const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
  const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
  const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
  const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
  if (det == 0 || !std::isfinite(det)) return 0;
  out[0][0] = c00 / det;
  out[1][0] = c01 / det;
  out[2][0] = c02 / det;
  out[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
  out[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
  out[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
  out[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
  out[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
  out[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
  return 1;
}

void MultiplyMatrix3(const Matrix3 a, const Matrix3 b, Matrix3 out) {
  Matrix3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
  std::memcpy(out, r, sizeof r);
}

void LabToXyz(double L, double a, double b, const double white[3], double xyz[3]) {
  const double fy = L >= 8 ? (L + 16) / 116 : (L / 903.29) * 7.787 + 16.0 / 116;
  const double y = L >= 8 ? std::pow((L + 16) / 116, 3) * white[1] : (L / 903.29) * white[1];
  const auto inverse = [](double f) { return f > 0.206893 ? f * f * f : (f - 16.0 / 116) / 7.787; };
  xyz[0] = inverse(fy + a / 500) * white[0];
  xyz[1] = y;
  xyz[2] = inverse(fy - b / 200) * white[2];
}

int AdaptationMatrix(const double white[3], Matrix3 out) {
  const double sum = white[0] + white[1] + white[2];
  if (!std::isfinite(sum) || sum == 0) return 0;
  const double xw = white[0] / sum, yw = white[1] / sum;
  if (yw == 0) return 0;
  Matrix3 n;
  if (!InvertMatrix3(kBasis, n)) return 0;
  for (auto& row : n) {
    const double num = (row[1] - row[2]) * kD65y + (row[0] - row[2]) * kD65x + row[2];
    const double den = (row[0] - row[2]) * xw + (row[1] - row[2]) * yw + row[2];
    if (den == 0) return 0;
    const double s = num / den * yw / kD65y;
    if (!std::isfinite(s)) return 0;
    for (double& v : row) v *= s;
  }
  Matrix3 m;
  MultiplyMatrix3(kBasis, n, m);
  MultiplyMatrix3(kXyzToSrgb, m, out);
  return 1;
}
