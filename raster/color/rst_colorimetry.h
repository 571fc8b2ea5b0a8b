// The colorimetry of the library: white points, primaries, the linear-sRGB
// to XYZ matrix and the chromatic adaptation between two whites. Every Lab
// conversion is relative to D50; sRGB's own white is D65.
#pragma once
#include "raster/color/rst_matrix.h"

// An XYZ triple.
struct RstXYZ {
  double x, y, z;
  double operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
};

extern const RstXYZ white_point_d50;
extern const RstXYZ white_point_d65;

// Chromaticities x, y of a red, a green and a blue primary.
struct RstPrimaries {
  double xr, yr, xg, yg, xb, yb;

  // The 3 x 3 matrix from XYZ to the primaries' linear RGB that maps white
  // to (1, 1, 1).
  RstMatrix<double> xyz_to_rgb_matrix(const RstXYZ& white) const;

  // ITU-R BT.709, the sRGB primaries.
  static const RstPrimaries& srgb();
  // The cone primaries of the chromatic adaptation.
  static const RstPrimaries& cone();
};

// Linear sRGB to XYZ (white D65); carries its inverse.
RstMatrix<double> rst_srgb_to_xyz_matrix();

// XYZ relative to source_white to XYZ relative to destination_white, a von
// Kries adaptation in the cone space.
struct RstChromaticAdaptation {
  RstXYZ source_white;
  RstXYZ destination_white;
  RstPrimaries cone_primaries;

  // Throws std::bad_alloc when memory runs out.
  RstMatrix<double> matrix() const;
};
