// Morphology on real data, byte for byte against Leptonica: the eight ITU
// charts and random bilevel pages dilated and eroded by n = 1 to 5, raw and
// as run lines, against pixDilateBrick and pixErodeBrick with a (2n + 1)
// square (erosion under both boundary conditions); the 8-bit window dilation
// against pixDilateGray on random 0/255 pages.
#include <random>
#include <string>

#include "charts.h"
#include "pixel_binary_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_expansion_filter.h"
#include "raster/geometry/rst_expansion_filter1.h"

#ifdef PK_HAVE_LEPTONICA

namespace {

class MorphologyPeer : public RstStatusTest {
 protected:
  ~MorphologyPeer() override { resetMorphBoundaryCondition(ASYMMETRIC_MORPH_BC); }
};

enum class Route { raw, runs, gray_runs };

Image ours(const Image& im, uint32_t n, bool dilate, Route route) {
  RstHeader h = header_of(im);
  if (route == Route::gray_runs) h.color_type = RstColorType::default_gray();
  RstRead* src = new LineSource(h, im.lines);
  if (route != Route::raw) src = RstEncodeRLE::create(src);
  RstRead* node = dilate ? RstExpansionFilter1::create(src, n) : RstShrinkFilter1::create(src, n);
  EXPECT_NE(node, nullptr);
  if (!node) return {};
  if (route != Route::raw) return clean_pad(image_of_runs(node));
  Held<> held(node);
  return clean_pad(image_of(node));
}

Image theirs(const Image& im, uint32_t n, bool dilate, bool symmetric) {
  resetMorphBoundaryCondition(symmetric ? SYMMETRIC_MORPH_BC : ASYMMETRIC_MORPH_BC);
  PIX* pix = pix_of(im);
  int32_t size = int32_t(2 * n + 1);
  PIX* out = dilate ? pixDilateBrick(nullptr, pix, size, size) : pixErodeBrick(nullptr, pix, size, size);
  Image result = clean_pad(image_of_pix(out));
  pixDestroy(&out);
  pixDestroy(&pix);
  resetMorphBoundaryCondition(ASYMMETRIC_MORPH_BC);
  return result;
}

void compare_all(const Image& im, uint32_t n, bool raw_too) {
  SCOPED_TRACE("n = " + std::to_string(n));
  Image dilated = theirs(im, n, true, false);
  Image eroded_clear = theirs(im, n, false, false);
  Image eroded_set = theirs(im, n, false, true);
  EXPECT_TRUE(ours(im, n, true, Route::runs) == dilated) << "run-line dilation";
  EXPECT_TRUE(ours(im, n, false, Route::runs) == eroded_clear) << "run-line erosion";
  EXPECT_TRUE(ours(im, n, false, Route::gray_runs) == eroded_set) << "gray run-line erosion";
  if (!raw_too) return;
  EXPECT_TRUE(ours(im, n, true, Route::raw) == dilated) << "raw dilation";
  EXPECT_TRUE(ours(im, n, false, Route::raw) == eroded_set) << "raw erosion";
}

// Blobs and strokes of several sizes, so that every radius both closes gaps
// and leaves something after erosion.
Image random_page(int32_t w, int32_t h, uint32_t seed) {
  Image im = blank_image(w, h, 1, 1);
  std::mt19937 rng(seed);
  for (int k = 0; k < w * h / 60; ++k) {
    int32_t x = int32_t(rng() % uint32_t(w)), y = int32_t(rng() % uint32_t(h));
    int32_t bw = 1 + int32_t(rng() % 14), bh = 1 + int32_t(rng() % 14);
    for (int32_t yy = y; yy < std::min(h, y + bh); ++yy)
      for (int32_t xx = x; xx < std::min(w, x + bw); ++xx) im.set_bit(xx, yy, true);
  }
  return im;
}

TEST_F(MorphologyPeer, RandomPagesEqualLeptonica) {
  const struct { int32_t w, h; } sizes[] = {{1, 1}, {7, 3}, {61, 37}, {130, 90}, {200, 160}};
  uint32_t seed = 240;
  for (auto s : sizes)
    for (uint32_t n = 1; n <= 5; ++n) {
      SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
      compare_all(random_page(s.w, s.h, seed++), n, true);
      compare_all(random_image(s.w, s.h, 1, 1, seed++, true), n, true);
    }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MorphologyPeer, ItuChartsEqualLeptonica) {
  for (int chart = 1; chart <= 8; ++chart) {
    SCOPED_TRACE("chart " + std::to_string(chart));
    std::string path = chart_file(chart);
    ASSERT_FALSE(path.empty()) << "jbgtopbm failed";
    Image im = read_netpbm(path);
    ASSERT_GT(im.width, 0);
    im = clean_pad(im);
    // The raw route on every radius of a few charts, the run-line route on all.
    for (uint32_t n = 1; n <= 5; ++n) compare_all(im, n, chart % 3 == 1);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MorphologyPeer, WindowDilationEqualsDilateGray) {
  std::mt19937 rng(1452);
  for (int trial = 0; trial < 24; ++trial) {
    int32_t w = 1 + int32_t(rng() % 90), h = 1 + int32_t(rng() % 60);
    int32_t k = 1 + trial % 3;
    Image im = blank_image(w, h, 8, 1);
    uint32_t density = 2 + rng() % 40;
    for (Bytes& l : im.lines)
      for (uint8_t& b : l) b = rng() % density == 0 ? 255 : 0;
    PIX* pix = pix_of(im);
    PIX* out = pixDilateGray(pix, 2 * k + 1, 2 * k + 1);
    Image expected = image_of_pix(out);
    pixDestroy(&out);
    pixDestroy(&pix);
    static const uint8_t zero = 0;
    for (const uint8_t* border : {&zero, static_cast<const uint8_t*>(nullptr)}) {
      SCOPED_TRACE("trial " + std::to_string(trial) + (border ? " border 0" : " edge copies"));
      RstRead* src = new LineSource(header_of(im), im.lines);
      Held<> node(RstExpansionFilter::create(src, {2 * k + 1, 2 * k + 1, k, k}, border, 255, 255));
      ASSERT_TRUE(node);
      EXPECT_TRUE(image_of(node.get()) == expected);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace

#endif
