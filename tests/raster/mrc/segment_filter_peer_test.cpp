// The Sobel filters and the box mean beside Leptonica on random gray images.
// Leptonica's Sobel filter writes the magnitude divided by 8, so ours must
// lie in that eighth (saturated at 255); its block mean renormalises at the
// image's edges, so only pixels whose window lies inside the image (and
// one pixel more) compare.
#ifdef PK_HAVE_LEPTONICA

#include <leptonica/allheaders.h>

#include <random>

#include "mask_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_average_filter.h"
#include "raster/mrc/rst_sobel_filter.h"

namespace {

class SegmentFilterPeer : public RstStatusTest {};

struct Page {
  int32_t width, height;
  std::vector<uint8_t> px;
  PIX* pix = nullptr;
  ~Page() { pixDestroy(&pix); }
};

// Smooth shapes with noise and a few hard steps.
void make(Page& p, uint32_t seed) {
  std::mt19937 rng(seed);
  p.pix = pixCreate(p.width, p.height, 8);
  for (int32_t y = 0; y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x) {
      int v = ((x * 3 + y * 5) & 255) / 2 + int(rng() % 40) + ((x / 17 + y / 13) % 2 ? 80 : 0);
      uint8_t b = uint8_t(std::min(v, 255));
      p.px.push_back(b);
      pixSetPixel(p.pix, x, y, b);
    }
}

std::vector<uint8_t> ours(RstRead* node) {
  std::vector<uint8_t> out;
  for (const Bytes& l : pull(node)) out.insert(out.end(), l.begin(), l.end());
  return out;
}

RstRead* source(const Page& p) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < p.height; ++y)
    lines.emplace_back(p.px.begin() + y * p.width, p.px.begin() + (y + 1) * p.width);
  return new LineSource(image_header(p.width, p.height, 8, 1, RstColorType::s_gray()), lines);
}

TEST_F(SegmentFilterPeer, SobelAgreesWithLeptonica) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    Page p{57 + int32_t(seed) * 11, 31 + int32_t(seed) * 7, {}};
    make(p, seed);
    for (bool horizontal : {true, false}) {
      Held<> f(RstSobelFilter3x3::create(source(p), horizontal ? 1 : 2));
      ASSERT_TRUE(f);
      std::vector<uint8_t> mine = ours(f.get());
      PIX* peer = pixSobelEdgeFilter(p.pix, horizontal ? L_HORIZONTAL_EDGES : L_VERTICAL_EDGES);
      ASSERT_TRUE(peer);
      int compared = 0;
      // Leptonica leaves its outermost pixels to its border handling.
      for (int32_t y = 1; y + 1 < p.height; ++y)
        for (int32_t x = 1; x + 1 < p.width; ++x) {
          l_uint32 v = 0;
          pixGetPixel(peer, x, y, &v);
          int lo = int(v) * 8, hi = int(v) * 8 + 7;
          int got = mine[size_t(y) * size_t(p.width) + size_t(x)];
          ASSERT_TRUE(got == std::min(255, lo) || (got >= lo && got <= std::min(hi, 255)))
              << x << "," << y << " ours " << got << " Leptonica " << v;
          ++compared;
        }
      EXPECT_GT(compared, 1000);
      pixDestroy(&peer);
    }
  }
}

TEST_F(SegmentFilterPeer, BoxMeanAgreesWithLeptonicaInside) {
  struct Case {
    int32_t half;
    bool border;
  } cases[] = {{1, false}, {1, true}, {60, true}, {5, false}};
  for (const Case& c : cases) {
    Page p{300, 170, {}};
    make(p, uint32_t(c.half));
    const uint8_t zero = 0;
    RstWindow w{2 * c.half + 1, 2 * c.half + 1, c.half, c.half};
    Held<> f(RstAverageFilter::create(source(p), w, c.border ? &zero : nullptr));
    ASSERT_TRUE(f);
    std::vector<uint8_t> mine = ours(f.get());
    PIX* peer = pixBlockconvGray(p.pix, nullptr, c.half, c.half);
    ASSERT_TRUE(peer);
    int compared = 0;
    // Leptonica renormalises the half-width + 1 pixels next to each edge.
    for (int32_t y = c.half + 1; y + c.half + 1 < p.height; ++y)
      for (int32_t x = c.half + 1; x + c.half + 1 < p.width; ++x) {
        l_uint32 v = 0;
        pixGetPixel(peer, x, y, &v);
        ASSERT_EQ(mine[size_t(y) * size_t(p.width) + size_t(x)], v) << x << "," << y << " half " << c.half;
        ++compared;
      }
    EXPECT_GT(compared, 1000);
    pixDestroy(&peer);
  }
}

}  // namespace

#endif
