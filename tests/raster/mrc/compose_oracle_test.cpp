// Random object images composed with the nearest-neighbour command against a
// brute-force compositor: images, bilevel images (raw and MMR), masked images
// and masked colours, filled rectangles and ignored records, overlapping and
// reaching past the page's right and bottom edges, at magnifications 1.0, 0.5
// and 1.7. Pages are compared as lightness (0 black, 255 white), whatever
// depth and gray polarity the composition settled on.
#include <gtest/gtest.h>

#include <tiffio.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "mrc_support.h"

namespace {

class ComposeOracle : public MrcTest {};

// The MMR code of a 1-bit image (packed rows, bit 1 coded black), written
// by libtiff; empty when libtiff fails.
std::vector<uint8_t> mmr_code(const std::vector<uint8_t>& rows, uint32_t w, uint32_t h) {
  std::string path = ::testing::TempDir() + "mrc_oracle_" + std::to_string(getpid()) + ".tif";
  std::vector<uint8_t> out;
  if (TIFF* t = TIFFOpen(path.c_str(), "w")) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
    size_t stride = (w + 7) / 8;
    std::vector<uint8_t> row(stride);
    bool ok = true;
    for (uint32_t y = 0; y < h && ok; ++y) {
      std::copy(rows.begin() + long(y * stride), rows.begin() + long((y + 1) * stride), row.begin());
      ok = TIFFWriteScanline(t, row.data(), y, 0) == 1;
    }
    TIFFClose(t);
    if (ok) {
      if (TIFF* r = TIFFOpen(path.c_str(), "r")) {
        out.resize(size_t(TIFFRawStripSize(r, 0)));
        if (TIFFReadRawStrip(r, 0, out.data(), tmsize_t(out.size())) != tmsize_t(out.size())) out.clear();
        TIFFClose(r);
      }
    }
  }
  std::remove(path.c_str());
  return out;
}

// Lightness of one pixel of a 1-bit object: colour space 1 is 1 = black,
// colour space 2 is 1 = white.
int bilevel_lightness(bool bit, uint32_t color_space) { return bit == (color_space == 2) ? 255 : 0; }

// The source index nearest-neighbour scaling takes for target index i:
// the centre of each target pixel's span in 20.12 fixed point.
uint32_t nn_index(uint32_t i, uint32_t source, uint32_t target) {
  uint64_t step = (uint64_t(source) << 12) / target;
  uint64_t s = (step / 2 + i * step) >> 12;
  return uint32_t(std::min<uint64_t>(s, source - 1));
}

// A pixel grid of the object's data: lightness for images, the raw bit for
// masks.
struct Grid {
  uint32_t w = 0, h = 0;
  std::vector<int> v;
  int at(uint32_t x, uint32_t y) const { return v[size_t(y) * w + x]; }
};

// One painted object of the model: where it lands and what it paints.
struct ModelObject {
  uint32_t left = 0, top = 0, width = 0, height = 0;  // canvas placement
  Grid image;                                         // lightness; empty for colours
  int color = 0;                                      // lightness of a colour
  Grid mask;                                          // set bits paint; empty for unmasked
};

struct Oracle {
  uint32_t width, height;
  std::vector<ModelObject> objects;

  std::vector<int> compose(double m, uint32_t* page_w, uint32_t* page_h) const {
    uint32_t pw = uint32_t(width * m + 0.5), ph = uint32_t(height * m + 0.5);
    *page_w = pw;
    *page_h = ph;
    std::vector<int> page(size_t(pw) * ph, 255);
    double sx = double(pw) / width, sy = double(ph) / height;
    for (const ModelObject& o : objects) {
      uint32_t tw = uint32_t(o.width * sx + 0.5), th = uint32_t(o.height * sy + 0.5);
      if (tw == 0 || th == 0) continue;
      int64_t tx = std::llround(o.left * sx), ty = std::llround(o.top * sy);
      for (uint32_t y = 0; y < th; ++y) {
        for (uint32_t x = 0; x < tw; ++x) {
          int64_t px = tx + x, py = ty + y;
          if (px >= pw || py >= ph) continue;
          if (!o.mask.v.empty() && !o.mask.at(x, y)) continue;
          int value = o.color;
          if (!o.image.v.empty()) value = o.image.at(nn_index(x, o.image.w, tw), nn_index(y, o.image.h, th));
          page[size_t(py) * pw + size_t(px)] = value;
        }
      }
    }
    return page;
  }
};

// Lightness of pixel (x, y) of a composed gray page.
int page_lightness(const Page& p, int x, int y) {
  bool reverse = p.header.color_type == RstColorType::default_gray_reverse();
  int v = p.at(x, y);
  if (p.header.bits_per_sample == 1) v = v ? 255 : 0;
  return reverse ? 255 - v : v;
}

// A random object image and the model of what it paints, for one
// magnification: masks are made at the size their object is painted at, so
// they are used as they stand.
struct RandomPage {
  ImsImage image;
  ImsData data;
  Oracle oracle{0, 0, {}};
  std::string kinds;  // for the failure message

  RandomPage(std::mt19937& rng, double m) {
    auto pick = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); };
    uint32_t W = pick(16, 80), H = pick(16, 80);
    image.page_width = W;
    image.page_height = H;
    oracle = Oracle{W, H, {}};
    uint32_t pw = uint32_t(W * m + 0.5), ph = uint32_t(H * m + 0.5);
    double sx = double(pw) / W, sy = double(ph) / H;
    uint32_t count = pick(1, 6);
    for (uint32_t i = 0; i < count; ++i) {
      ModelObject o;
      o.left = pick(0, W - 1);
      o.top = pick(0, H - 1);
      o.width = pick(1, 40);
      o.height = pick(1, 40);
      uint32_t tw = std::max(1u, uint32_t(o.width * sx + 0.5)), th = std::max(1u, uint32_t(o.height * sy + 0.5));
      switch (pick(0, 5)) {
        case 0: {  // 8-bit gray image, raw
          kinds += "image ";
          o.image = gray_grid(rng, pick(1, 30), pick(1, 30));
          RstIMSRecord r =
              ims_record(1, 16, 1, o.image.w, o.image.h, int32_t(o.left), int32_t(o.top), o.width, o.height);
          add(r, gray_bytes(o.image));
          break;
        }
        case 1: {  // bilevel image, raw or MMR
          uint32_t cs = pick(1, 2), cp = pick(0, 1) ? 17 : 1;
          kinds += "bilevel" + std::to_string(cs) + "/" + std::to_string(cp) + " ";
          Grid bits = bit_grid(rng, pick(1, 30), pick(1, 30));
          o.image = bits;
          for (int& v : o.image.v) v = bilevel_lightness(v != 0, cs);
          RstIMSRecord r = ims_record(7, cs, cp, bits.w, bits.h, int32_t(o.left), int32_t(o.top), o.width, o.height);
          add(r, coded(bits, cp));
          break;
        }
        case 2: {  // masked image: the mask record, then its 8-bit image
          uint32_t cs = pick(1, 2), cp = pick(0, 1) ? 17 : 1;
          kinds += "masked" + std::to_string(cs) + "/" + std::to_string(cp) + " ";
          o.mask = bit_grid(rng, tw, th);
          o.image = gray_grid(rng, pick(1, 30), pick(1, 30));
          RstIMSRecord mr = ims_record(2, cs, cp, tw, th, int32_t(o.left), int32_t(o.top), o.width, o.height);
          add(mr, coded(o.mask, cp));
          RstIMSRecord ir = ims_record(1, 16, 1, o.image.w, o.image.h, 0, 0, 1, 1);
          add(ir, gray_bytes(o.image));
          break;
        }
        case 3: {  // colour through a mask
          uint32_t cp = pick(0, 1) ? 17 : 1;
          kinds += "colour/" + std::to_string(cp) + " ";
          o.mask = bit_grid(rng, tw, th);
          o.color = int(pick(0, 255));
          RstIMSRecord r = ims_record(3, 16, cp, tw, th, int32_t(o.left), int32_t(o.top), o.width, o.height);
          r.color[0] = uint32_t(o.color);
          add(r, coded(o.mask, cp));
          break;
        }
        case 4: {  // filled rectangle
          kinds += "rect ";
          o.color = int(pick(0, 255));
          RstIMSRecord r = ims_record(4, 16, 1, tw, th, int32_t(o.left), int32_t(o.top), o.width, o.height);
          r.color[0] = uint32_t(o.color);
          image.records.push_back(r);
          break;
        }
        default: {  // ignored record
          kinds += "ignored ";
          image.records.push_back(ims_record(6, 16, 1, 1, 1, 0, 0, 1, 1));
          continue;
        }
      }
      oracle.objects.push_back(o);
    }
  }

  void add(RstIMSRecord& r, const std::vector<uint8_t>& bytes) {
    data.add(r, bytes);
    image.records.push_back(r);
  }

  static Grid gray_grid(std::mt19937& rng, uint32_t w, uint32_t h) {
    Grid g{w, h, std::vector<int>(size_t(w) * h)};
    for (int& v : g.v) v = int(rng() % 256);
    return g;
  }
  static Grid bit_grid(std::mt19937& rng, uint32_t w, uint32_t h) {
    Grid g{w, h, std::vector<int>(size_t(w) * h)};
    // Runs rather than noise, so the MMR code has something to code.
    int bit = 0;
    for (int& v : g.v) {
      if (rng() % 5 == 0) bit ^= 1;
      v = bit;
    }
    return g;
  }
  static std::vector<uint8_t> gray_bytes(const Grid& g) { return std::vector<uint8_t>(g.v.begin(), g.v.end()); }
  static std::vector<uint8_t> packed(const Grid& g) {
    size_t stride = (g.w + 7) / 8;
    std::vector<uint8_t> out(stride * g.h, 0);
    for (uint32_t y = 0; y < g.h; ++y)
      for (uint32_t x = 0; x < g.w; ++x)
        if (g.at(x, y)) out[y * stride + x / 8] |= uint8_t(0x80 >> (x % 8));
    return out;
  }
  static std::vector<uint8_t> coded(const Grid& g, uint32_t compression) {
    std::vector<uint8_t> rows = packed(g);
    return compression == 17 ? mmr_code(rows, g.w, g.h) : rows;
  }
};

}  // namespace

TEST_F(ComposeOracle, RandomPagesEqualTheBruteForceCompositor) {
  std::mt19937 rng(20261211);
  for (double m : {1.0, 0.5, 1.7}) {
    for (int n = 0; n < 40; ++n) {
      RandomPage random(rng, m);
      SCOPED_TRACE(testing::Message() << "magnification " << m << " page " << n << ": " << random.kinds);
      ImsCanvas ims;
      RstMRCCanvas* canvas = ims.build(random.image, random.data);
      ASSERT_TRUE(canvas);
      RstScale::NearestNeighbor nn;
      Page page = compose(canvas, m, nn);
      ASSERT_TRUE(status.errors().empty());
      uint32_t pw = 0, ph = 0;
      std::vector<int> want = random.oracle.compose(m, &pw, &ph);
      ASSERT_EQ(page.header.width, int32_t(pw));
      ASSERT_EQ(page.lines.size(), size_t(ph));
      ASSERT_EQ(page.header.samples_per_pixel, 1);
      size_t differing = 0;
      std::string first;
      for (uint32_t y = 0; y < ph; ++y)
        for (uint32_t x = 0; x < pw; ++x) {
          int got = page_lightness(page, int(x), int(y)), expected = want[size_t(y) * pw + x];
          if (got != expected && differing++ == 0)
            first = "(" + std::to_string(x) + ", " + std::to_string(y) + "): " + std::to_string(got) + " not " +
                    std::to_string(expected);
        }
      EXPECT_EQ(differing, 0u) << first;
    }
  }
}
