#include "raster/color/rst_colorimetry.h"

#include <memory>
#include <new>

const RstXYZ white_point_d50 = {0.9642, 1.0, 0.8249};
const RstXYZ white_point_d65 = {0.95045, 1.0, 1.08892};

const RstPrimaries& RstPrimaries::srgb() {
  static const RstPrimaries p = {0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
  return p;
}

const RstPrimaries& RstPrimaries::cone() {
  static const RstPrimaries p = {0.7465, 0.2535, -5.9428, 6.914, 0.1748, 0.0044};
  return p;
}

RstMatrix<double> RstPrimaries::xyz_to_rgb_matrix(const RstXYZ& white) const {
  const double x[3] = {xr, xg, xb}, y[3] = {yr, yg, yb};
  double t = white.x + white.y + white.z;
  double xw = white.x / t, yw = white.y / t;
  RstMatrix<double> m(3, 3, false);
  for (int p = 0; p < 3; ++p) {
    int q = (p + 1) % 3, s = (p + 2) % 3;
    double xq = x[q], yq = y[q], xs = x[s], ys = y[s];
    double cross = xq * ys - xs * yq;
    double d = t * (xw * (yq - ys) - yw * (xq - xs) + cross);
    m.set(p, 0, ((yq - ys) + cross) / d);
    m.set(p, 1, ((xs - xq) + cross) / d);
    m.set(p, 2, cross / d);
  }
  return m;
}

RstMatrix<double> rst_srgb_to_xyz_matrix() {
  RstMatrix<double> to_rgb = RstPrimaries::srgb().xyz_to_rgb_matrix(white_point_d65);
  std::unique_ptr<RstMatrix<double>> inverse(to_rgb.inverse());
  if (!inverse) throw std::bad_alloc();  // the primaries are independent: only memory can fail
  return *inverse;
}

RstMatrix<double> RstChromaticAdaptation::matrix() const {
  RstMatrix<double> a = cone_primaries.xyz_to_rgb_matrix(source_white);
  RstMatrix<double> b = cone_primaries.xyz_to_rgb_matrix(destination_white);
  double d[3];
  for (int k = 0; k < 3; ++k) {
    double u = 0, v = 0;
    for (int i = 0; i < 3; ++i) {
      u += a(k, i) * source_white[i];
      v += b(k, i) * destination_white[i];
    }
    d[k] = v / u;
  }
  std::unique_ptr<RstMatrix<double>> b_inverse(b.inverse());
  if (!b_inverse) throw std::bad_alloc();
  RstMatrix<double> result(3, 3, false);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += (*b_inverse)(j, k) * a(k, i) * d[k];
      result.set(j, i, sum);
    }
  return result;
}
