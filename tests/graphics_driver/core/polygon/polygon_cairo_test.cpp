// The even-odd fill against cairo's aliased even-odd fill on an A1 surface
// (a dot is inked when its centre is inside): random rectilinear outlines
// with integer corners must match dot for dot; random outlines with slanted
// edges, self-intersecting ones included, may differ only on dots within one
// dot of an edge, since the fill cuts a row at its top and rounds the
// crossings.
#include <gtest/gtest.h>

#ifdef PK_HAVE_CAIRO

#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "polygon_band_fixture.h"

namespace {

using pk::test::PolygonBandTest;

constexpr int32_t kSide = 160;

// Cairo's fill of the outline: one flag a dot, rows of kSide.
std::vector<bool> CairoFill(const std::vector<POINTL>& pts) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A1, kSide, kSide);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_move_to(cr, pts[0].x, pts[0].y);
  for (size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr, pts[i].x, pts[i].y);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  std::vector<bool> dots(size_t(kSide) * kSide);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      // A1 pixels are packed into native 32-bit words, first pixel in the
      // word's first bit in memory order.
      uint32_t word = 0;
      std::memcpy(&word, data + y * stride + (x / 32) * 4, 4);
      const int bit = std::endian::native == std::endian::little ? x % 32 : 31 - x % 32;
      dots[size_t(y) * kSide + x] = (word >> bit) & 1;
    }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return dots;
}

RECTL Box(const std::vector<POINTL>& pts) {
  RECTL r{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
  for (const POINTL& p : pts)
    r = RECTL{std::min(r.left, p.x), std::min(r.top, p.y), std::max(r.right, p.x), std::max(r.bottom, p.y)};
  return r;
}

// A simple rectilinear outline of up to 40 corners: k columns, each with a
// top and a bottom, neighbouring columns overlapping; turned on its side or
// run the other way round at random.
std::vector<POINTL> RandomRectilinear(std::mt19937& rng) {
  std::uniform_int_distribution<int32_t> columns(1, 10), coord(2, kSide - 10);
  for (;;) {
    const int32_t k = columns(rng);
    std::vector<int32_t> xs;
    while (int32_t(xs.size()) < k + 1) {
      const int32_t x = coord(rng);
      if (std::find(xs.begin(), xs.end(), x) == xs.end()) xs.push_back(x);
    }
    std::sort(xs.begin(), xs.end());
    std::vector<int32_t> upper(static_cast<size_t>(k)), lower(static_cast<size_t>(k));
    bool ok = true;
    for (int32_t i = 0; i < k; ++i) {
      int32_t a = coord(rng), b = coord(rng);
      if (a == b) b = a + 1;
      upper[size_t(i)] = std::min(a, b);
      lower[size_t(i)] = std::max(a, b);
      if (i > 0) {
        ok = ok && upper[size_t(i)] != upper[size_t(i - 1)] && lower[size_t(i)] != lower[size_t(i - 1)] &&
             std::max(upper[size_t(i)], upper[size_t(i - 1)]) < std::min(lower[size_t(i)], lower[size_t(i - 1)]);
      }
    }
    if (!ok) continue;
    std::vector<POINTL> pts;
    for (int32_t i = 0; i < k; ++i) {
      pts.push_back({xs[size_t(i)], upper[size_t(i)]});
      pts.push_back({xs[size_t(i + 1)], upper[size_t(i)]});
    }
    for (int32_t i = k - 1; i >= 0; --i) {
      pts.push_back({xs[size_t(i + 1)], lower[size_t(i)]});
      pts.push_back({xs[size_t(i)], lower[size_t(i)]});
    }
    if (rng() % 2) {
      for (POINTL& p : pts) std::swap(p.x, p.y);
    }
    if (rng() % 2) std::reverse(pts.begin(), pts.end());
    return pts;
  }
}

double DistanceToSegment(double px, double py, const POINTL& a, const POINTL& b) {
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  const double len = dx * dx + dy * dy;
  double t = len == 0 ? 0 : ((px - a.x) * dx + (py - a.y) * dy) / len;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
}

double DistanceToOutline(double px, double py, const std::vector<POINTL>& pts) {
  double d = 1e18;
  for (size_t i = 0; i < pts.size(); ++i) d = std::min(d, DistanceToSegment(px, py, pts[i], pts[(i + 1) % pts.size()]));
  return d;
}

TEST_F(PolygonBandTest, RectilinearOutlinesMatchCairoDotForDot) {
  std::mt19937 rng(46);
  for (int i = 0; i < 50; ++i) {
    const std::vector<POINTL> pts = RandomRectilinear(rng);
    UseBand(0, kSide, kSide);
    ASSERT_EQ(Fill(pts, Box(pts)), 1);
    const std::vector<bool> want = CairoFill(pts);
    EXPECT_TRUE(InkedWhere([&](int32_t x, int32_t y) { return want[size_t(y) * kSide + x]; }, kSide, kSide))
        << "outline " << i << " of " << pts.size() << " corners";
  }
}

TEST_F(PolygonBandTest, SlantedOutlinesDifferFromCairoOnlyNextToAnEdge) {
  std::mt19937 rng(4601);
  std::uniform_int_distribution<int32_t> corners(3, 20), coord(5, kSide - 10);
  for (int i = 0; i < 50; ++i) {
    std::vector<POINTL> pts(size_t(corners(rng)));
    for (POINTL& p : pts) p = POINTL{coord(rng), coord(rng)};
    UseBand(0, kSide, kSide);
    ASSERT_EQ(Fill(pts, Box(pts)), 1);
    const std::vector<bool> want = CairoFill(pts);
    int far = 0, differing = 0, inked = 0;
    for (int32_t y = 0; y < kSide; ++y)
      for (int32_t x = 0; x < kSide; ++x) {
        inked += want[size_t(y) * kSide + x];
        if (Ink(uint32_t(y), uint32_t(x)) == want[size_t(y) * kSide + x]) continue;
        ++differing;
        if (DistanceToOutline(x + 0.5, y + 0.5, pts) > 1.5 && far++ < 5)
          ADD_FAILURE() << "outline " << i << ": dot " << x << "," << y << " differs away from the edges";
      }
    EXPECT_EQ(far, 0) << "outline " << i << ", " << differing << " dots differ of " << inked;
  }
}

}  // namespace

#endif  // PK_HAVE_CAIRO
