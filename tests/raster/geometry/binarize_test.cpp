// Binarization: Floyd-Steinberg diffusion (checkerboards, no carried error at
// the extremes, tails, reset, skip running the diffusion, a reference and
// the ramp's block densities), fixed thresholds to 1 bit (also bit for bit
// against Leptonica) and to two 8-bit levels, refusals and memory failures.
#include "raster/geometry/rst_convert_bits8_to1.h"

#include <random>

#include "line_source.h"
#include "pnm_files.h"
#include "raster/core/rst_status_recorder.h"

#ifdef PK_HAVE_LEPTONICA
#include <leptonica/allheaders.h>
#endif

namespace {

class Binarize : public RstStatusTest {};

RstHeader gray(int32_t w, int32_t h) { return image_header(w, h, 8, 1, RstColorType::s_gray()); }

std::vector<Bytes> constant_lines(int32_t w, int32_t h, uint8_t v) {
  return std::vector<Bytes>(size_t(h), Bytes(size_t(w), v));
}

std::vector<Bytes> image_lines(const PnmImage& img) {
  std::vector<Bytes> l;
  for (int32_t y = 0; y < img.height; ++y)
    l.emplace_back(img.pixels.begin() + y * img.width, img.pixels.begin() + (y + 1) * img.width);
  return l;
}

// Floyd-Steinberg as written out, one pixel at a time, with full-size error
// arrays instead of guards.
std::vector<Bytes> reference_diffusion(const std::vector<Bytes>& in, int32_t w) {
  std::vector<Bytes> out;
  std::vector<int64_t> cur(size_t(w) + 2, 0), next(size_t(w) + 2, 0);
  auto share = [](int64_t k, int64_t e) { return e >= 0 ? (k * e + 8) / 16 : -((k * -e + 8) / 16); };
  for (const Bytes& line : in) {
    Bytes o(size_t((w + 7) / 8), 0);
    for (int32_t x = 0; x < w; ++x) {
      int64_t v = line[size_t(x)] + cur[size_t(x) + 1];
      int64_t e = v;
      if (v >= 128) {
        o[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        e = v - 255;
      }
      int64_t s7 = share(7, e), s3 = share(3, e), s5 = share(5, e);
      if (x + 1 < w) cur[size_t(x) + 2] += s7;
      if (x > 0) next[size_t(x)] += s3;
      next[size_t(x) + 1] += s5;
      if (x + 1 < w) next[size_t(x) + 2] += e - s7 - s3 - s5;
    }
    out.push_back(o);
    cur = next;
    std::fill(next.begin(), next.end(), 0);
  }
  return out;
}

std::vector<Bytes> diffuse(const RstHeader& h, std::vector<Bytes> lines) {
  Held<> node(RstConvertBits8To1EDType1::create(new LineSource(h, std::move(lines))));
  EXPECT_NE(node, nullptr);
  return node ? pull(node.get()) : std::vector<Bytes>{};
}

TEST_F(Binarize, DiffusionOfConstantImages) {
  const struct {
    uint8_t value;
    int32_t width;
    std::vector<Bytes> out;
  } cases[] = {
      {128, 16, {{0xAA, 0xAA}, {0x55, 0x55}, {0xAA, 0xAA}, {0x55, 0x55}}},
      {127, 16, {{0x55, 0x55}, {0xAA, 0xAA}, {0x55, 0x55}, {0xAA, 0xAA}}},
      {0, 12, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
      // The four spare bits of the last byte stay 0.
      {255, 12, {{0xFF, 0xF0}, {0xFF, 0xF0}, {0xFF, 0xF0}, {0xFF, 0xF0}}},
      {128, 12, {{0xAA, 0xA0}, {0x55, 0x50}, {0xAA, 0xA0}, {0x55, 0x50}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.value));
    EXPECT_EQ(diffuse(gray(c.width, 4), constant_lines(c.width, 4, c.value)), c.out);
  }
  // After 255 and 0 lines no error is left: a 128 line diffuses as the first.
  std::vector<Bytes> mixed = constant_lines(8, 3, 255);
  mixed[1].assign(8, 0);
  mixed[2].assign(8, 128);
  EXPECT_EQ(diffuse(gray(8, 3), mixed), (std::vector<Bytes>{{0xFF}, {0x00}, {0xAA}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Binarize, DiffusionMatchesTheReferenceAcrossSkipAndReset) {
  PnmImage img = random_pnm(37, 12, 1, 11);
  std::vector<Bytes> lines = image_lines(img);
  std::vector<Bytes> expected = reference_diffusion(lines, 37);
  auto* src = new LineSource(gray(37, 12), lines);
  Held<> node(RstConvertBits8To1EDType1::create(src));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.bits_per_sample, 1);
  EXPECT_EQ(h.color_type, RstColorType::s_gray());
  EXPECT_EQ(node->line_size(), 5);
  EXPECT_EQ(pull(node.get()), expected);
  // Skipping runs the diffusion over the skipped lines.
  for (int n : {1, 5, 11}) {
    node->reset();
    EXPECT_EQ(node->skip(n), n);
    EXPECT_EQ(first_line(node.get()), expected[size_t(n)]) << n;
  }
  node->reset();
  EXPECT_EQ(first_line(node.get()), expected[0]);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Binarize, RampBlocksKeepTheirMeanGray) {
  const int32_t w = 512, h = 256;
  std::vector<Bytes> lines(size_t(h), Bytes(size_t(w), 0));
  for (Bytes& l : lines)
    for (int32_t x = 0; x < w; ++x) l[size_t(x)] = uint8_t(x / 2);
  std::vector<Bytes> out = diffuse(gray(w, h), lines);
  ASSERT_EQ(out.size(), size_t(h));
  for (int32_t by = 0; by < h; by += 64)
    for (int32_t bx = 0; bx < w; bx += 64) {
      int64_t set = 0, sum = 0;
      for (int32_t y = by; y < by + 64; ++y)
        for (int32_t x = bx; x < bx + 64; ++x) {
          set += (out[size_t(y)][size_t(x / 8)] >> (7 - x % 8)) & 1;
          sum += lines[size_t(y)][size_t(x)];
        }
      double share = double(set) / 4096, mean = double(sum) / 4096 / 255;
      EXPECT_NEAR(share, mean, 1.0 / 64) << "block " << bx << "," << by;
    }
}

TEST_F(Binarize, ThresholdsToOneBit) {
  Bytes ramp(256);
  for (int v = 0; v < 256; ++v) ramp[size_t(v)] = uint8_t(v);
  for (int t : {0, 1, 127, 254}) {
    SCOPED_TRACE(t);
    Held<> node(RstConvertBits8To1Threshold::create(new LineSource(gray(256, 1), {ramp}), uint8_t(t)));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).bits_per_sample, 1);
    Bytes line = first_line(node.get());
    ASSERT_EQ(line.size(), 32u);
    for (int v = 0; v < 256; ++v) EXPECT_EQ((line[size_t(v / 8)] >> (7 - v % 8)) & 1, v > t ? 1 : 0) << v;
  }
  // The unused bits after a line of 11 samples stay 0.
  Held<> node(RstConvertBits8To1Threshold::create(new LineSource(gray(11, 2), constant_lines(11, 2, 200)), 100));
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0xFF, 0xE0}, {0xFF, 0xE0}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Binarize, TwoLevelsKeepEightBits) {
  for (bool inverted : {false, true}) {
    uint8_t low = inverted ? 255 : 0, high = inverted ? 0 : 255;
    Held<> node(RstReduceTone256To2Threshold::create(new LineSource(gray(4, 1), {{0, 127, 128, 255}}), 127, low, high));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).bits_per_sample, 8);
    EXPECT_EQ(first_line(node.get()), (Bytes{low, low, high, high}));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Binarize, SkipThenReadGivesTheNextLineInOrder) {
  PnmImage img = random_pnm(21, 9, 1, 3);
  std::vector<Bytes> lines = image_lines(img);
  const std::function<RstRead*(RstRead*)> makers[] = {
      [](RstRead* s) { return RstConvertBits8To1EDType1::create(s); },
      [](RstRead* s) { return RstConvertBits8To1Threshold::create(s, 90); },
      [](RstRead* s) { return RstReduceTone256To2Threshold::create(s, 90, 3, 7); },
  };
  for (const auto& make : makers) {
    Held<> node(make(new LineSource(gray(21, 9), lines)));
    ASSERT_NE(node, nullptr);
    std::vector<Bytes> all = pull(node.get());
    ASSERT_EQ(all.size(), 9u);
    for (int n : {1, 4, 8}) {
      node->reset();
      EXPECT_EQ(node->skip(n), n);
      EXPECT_EQ(first_line(node.get()), all[size_t(n)]) << n;
    }
    node->reset();
    EXPECT_EQ(node->skip(0), 0);
    EXPECT_EQ(first_line(node.get()), all[0]);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Binarize, OneBitSourcesComeBackAndOthersAreRefused) {
  auto* bilevel = new LineSource(image_header(8, 1, 1, 1, RstColorType::s_gray()), {{0x5A}});
  EXPECT_EQ(RstConvertBits8To1EDType1::create(bilevel), bilevel);
  EXPECT_EQ(RstConvertBits8To1Threshold::create(bilevel, 0), bilevel);
  bilevel->end();
  EXPECT_TRUE(status.errors().empty());

  RstHeader mapped = gray(4, 1);
  mapped.colormap.reset(new RstColormap(8, 3, 4));
  RstHeader fixed = gray(4, 1);
  fixed.sample_kind = RstSampleKind::fixed_point;
  const struct {
    RstHeader header;
    int node;  // 0 diffusion, 1 threshold, 2 two levels
    RstReport report;
  } cases[] = {
      {image_header(4, 1, 8, 3, RstColorType::s_rgb()), 0, {-3, "RstConvertBits8To1EDType1::create()"}},
      {image_header(4, 1, 16, 1, RstColorType::s_gray()), 0, {-3, "RstConvertBits8To1EDType1::create()"}},
      {mapped, 0, {-3, "RstConvertBits8To1EDType1::create()"}},
      {image_header(4, 1, 8, 1, nullptr, RstDataForm::jpeg), 0, {-3, "RstConvertBits8To1EDType1::create()"}},
      {mapped, 1, {-3, "RstConvertBits8To1Threshold::create()"}},
      {fixed, 1, {-3, "RstConvertBits8To1Threshold::create()"}},
      {image_header(4, 1, 8, 2, RstColorType::s_gray()), 1, {-3, "RstConvertBits8To1Threshold::create()"}},
      {image_header(4, 1, 1, 1, RstColorType::s_gray()), 2, {-3, "RstReduceTone256To2Threshold::create()"}},
      {mapped, 2, {-3, "RstReduceTone256To2Threshold::create()"}},
      {gray(4, 1), 1, {-2, "RstConvertBits8To1Threshold::create()"}},  // threshold 255
  };
  for (const auto& c : cases) {
    status.clear();
    auto* src = new LineSource(c.header, {{1, 2, 3, 4}});
    RstRead* made = c.node == 0   ? RstConvertBits8To1EDType1::create(src)
                    : c.node == 1 ? RstConvertBits8To1Threshold::create(src, c.report.code == -2 ? 255 : 9)
                                  : RstReduceTone256To2Threshold::create(src, 9, 0, 1);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    src->end();
  }
  status.clear();
  EXPECT_EQ(RstConvertBits8To1EDType1::create(nullptr), nullptr);
  EXPECT_EQ(RstConvertBits8To1Threshold::create(nullptr, 3), nullptr);
  EXPECT_EQ(RstReduceTone256To2Threshold::create(nullptr, 3, 0, 1), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstConvertBits8To1EDType1::create()"},
                                                     {-2, "RstConvertBits8To1Threshold::create()"},
                                                     {-2, "RstReduceTone256To2Threshold::create()"}}));
}

TEST_F(Binarize, ShortSourceLineEndsTheOutput) {
  std::vector<Bytes> lines = constant_lines(8, 3, 128);
  lines[1].pop_back();
  EXPECT_EQ(diffuse(gray(8, 3), lines).size(), 1u);
  Held<> t(RstConvertBits8To1Threshold::create(new LineSource(gray(8, 3), lines), 5));
  EXPECT_EQ(pull(t.get()).size(), 1u);
  Held<> two(RstReduceTone256To2Threshold::create(new LineSource(gray(8, 3), lines), 5, 0, 1));
  EXPECT_EQ(pull(two.get()).size(), 1u);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Binarize, MemoryFailures) {
  PnmImage img = random_pnm(19, 4, 1, 5);
  std::vector<Bytes> lines = image_lines(img);
  auto source = [&] { return static_cast<RstRead*>(new LineSource(gray(19, 4), lines)); };
  check_allocation_failures(
      source, [](RstRead* s) { return RstConvertBits8To1EDType1::create(s); }, reference_diffusion(lines, 19),
      {"RstConvertBits8To1ED::initiate()", "RstConvertBits8To1EDType1::initiate()", "rst_create_end()"});
  std::vector<Bytes> thresholded;
  for (const Bytes& l : lines) {
    Bytes o(3, 0);
    for (int32_t x = 0; x < 19; ++x)
      if (l[size_t(x)] > 128) o[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
    thresholded.push_back(o);
  }
  check_allocation_failures(source, [](RstRead* s) { return RstConvertBits8To1Threshold::create(s, 128); }, thresholded,
                            {"RstConvertBits8To1Threshold::initiate()", "rst_create_end()"});
}

#ifdef PK_HAVE_LEPTONICA
TEST_F(Binarize, ThresholdMatchesLeptonicaInverted) {
  const int32_t w = 2480, h = 3508;  // A4 at 300 dpi
  PnmImage img = random_pnm(w, h, 1, 2026);
  PIX* pix = pixCreate(w, h, 8);
  l_uint32* data = pixGetData(pix);
  int32_t wpl = pixGetWpl(pix);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) SET_DATA_BYTE(data + size_t(y) * wpl, x, img.pixels[size_t(y) * w + size_t(x)]);
  for (int t : {0, 1, 127, 200, 254}) {
    SCOPED_TRACE(t);
    PIX* bin = pixThresholdToBinary(pix, t + 1);
    ASSERT_NE(bin, nullptr);
    l_uint32* bits = pixGetData(bin);
    int32_t bwpl = pixGetWpl(bin);
    Held<> node(RstConvertBits8To1Threshold::create(pnm_source(img), uint8_t(t)));
    ASSERT_NE(node, nullptr);
    Bytes line(size_t(node->line_size()));
    size_t differing = 0;
    for (int32_t y = 0; y < h; ++y) {
      ASSERT_EQ(node->read(line.data()), int((w + 7) / 8));
      for (int32_t i = 0; i < (w + 7) / 8; ++i) {
        uint8_t theirs = uint8_t(~GET_DATA_BYTE(bits + size_t(y) * bwpl, i));
        if (i == w / 8) theirs &= uint8_t(0xFF00 >> (w % 8));
        differing += theirs != line[size_t(i)];
      }
    }
    EXPECT_EQ(differing, 0u);
    pixDestroy(&bin);
  }
  pixDestroy(&pix);
}
#endif

}  // namespace
