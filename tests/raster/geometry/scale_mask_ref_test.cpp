// Masked scaling against a test-side model of the fixed-point rules (taps
// from clamped source indices, no row window), plain interpolation against
// ImageMagick and a double-precision cubic convolution, and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "line_source.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_mask_ref.h"
#include "turn_support.h"

namespace {

class ScaleMaskRef : public RstStatusTest {
 protected:
  void SetUp() override { rst_register_color_creators(); }
};

int64_t m12(int64_t u, int64_t v) { return (u * v) >> 12; }

int64_t keys(int64_t d) {
  if (d <= 4096) return 4096 - m12(m12(8192 - d, d), d);
  if (d < 8192) return 16384 - m12(32768 - m12(20480 - d, d), d);
  return 0;
}

int32_t clamp_to(int64_t v, int32_t size) { return int32_t(std::clamp<int64_t>(v, 0, size - 1)); }

// 20.12 position of output index i, with the bordered offset.
int64_t position(int32_t from, int32_t to, int64_t i, int64_t offset) {
  int64_t step = (int64_t(from) << 12) / to;
  return step / 2 + offset + i * step;
}

// Linear, usable where the reference is 255.
Image li_model(const Image& in, const Image& ref, int32_t w, int32_t h) {
  Image out = blank_image(w, h, 8, in.samples);
  for (int32_t i = 0; i < h; ++i) {
    int64_t py = position(in.height, h, i, 2048), r = py >> 12;
    int64_t a = py & 0xFFF, upper = r - 1, lower = r;  // source rows
    if (r == 0 || r >= in.height) upper = lower = std::min<int64_t>(r, in.height - 1), a = 4096;
    for (int32_t j = 0; j < w; ++j) {
      int64_t px = position(in.width, w, j, 2048), c = px >> 12, fx = px & 0xFFF;
      int32_t ys[4] = {clamp_to(upper, in.height), clamp_to(upper, in.height), clamp_to(lower, in.height),
                       clamp_to(lower, in.height)};
      int32_t xs[4] = {clamp_to(c - 1, in.width), clamp_to(c, in.width), clamp_to(c - 1, in.width),
                       clamp_to(c, in.width)};
      int64_t wt[4] = {m12(4096 - a, 4096 - fx), m12(4096 - a, fx), m12(a, 4096 - fx), m12(a, fx)};
      bool ok[4];
      int n = 0, k = -1;
      for (int t = 0; t < 4; ++t) {
        ok[t] = ref.px(xs[t], ys[t])[0] == 255;
        n += ok[t];
        if (ok[t] && (k < 0 || wt[t] < wt[k])) k = t;
      }
      for (int32_t q = 0; q < in.samples; ++q) {
        int64_t sum = 0;
        for (int t = 0; t < 4; ++t) {
          int tap = (n == 0 || n == 4 || ok[t]) ? t : k;
          sum += m12(wt[t], int64_t(in.px(xs[tap], ys[tap])[q]) * 4096);
        }
        out.px(j, i)[q] = uint8_t((sum + 2048) >> 12);
      }
    }
  }
  return out;
}

// Cubic, usable where the reference is 0.
Image cc_model(const Image& in, const Image& ref, int32_t w, int32_t h) {
  Image out = blank_image(w, h, 8, in.samples);
  for (int32_t i = 0; i < h; ++i) {
    int64_t py = position(in.height, h, i, 6144), r = py >> 12, f = py & 0xFFF;
    int64_t rd[4] = {4096 + f, f, 4096 - f, 8192 - f};
    for (int32_t j = 0; j < w; ++j) {
      int64_t px = position(in.width, w, j, 6144), c = px >> 12, t = px & 0xFFF;
      int64_t cd[4] = {4096 + t, t, 4096 - t, 8192 - t};
      int32_t ys[4], xs[4];
      for (int k = 0; k < 4; ++k) {
        ys[k] = clamp_to(r - 1 + k - 2, in.height);
        xs[k] = clamp_to(c - 1 + k - 2, in.width);
      }
      int n = 0, best = -1;
      int64_t best_d = 0;
      for (int tap = 0; tap < 16; ++tap) {
        bool ok = ref.px(xs[tap % 4], ys[tap / 4])[0] == 0;
        n += ok;
        int64_t d = m12(rd[tap / 4], cd[tap % 4]);
        if (ok && (best < 0 || d < best_d)) best = tap, best_d = d;
      }
      for (int32_t q = 0; q < in.samples; ++q) {
        int64_t total = 0;
        for (int y = 0; y < 4; ++y) {
          int64_t s = 0;
          for (int x = 0; x < 4; ++x) {
            int tap = y * 4 + x;
            bool ok = ref.px(xs[x], ys[y])[0] == 0;
            if (!(n == 0 || n == 16 || ok)) tap = best;
            s += m12(keys(cd[x]), int64_t(in.px(xs[tap % 4], ys[tap / 4])[q]) * 4096);
          }
          total += m12(keys(rd[y]), s);
        }
        int64_t v = (total + 2048) >> 12;
        out.px(j, i)[q] = uint8_t(std::clamp<int64_t>(v, 0, 255));
      }
    }
  }
  return out;
}

// Random 0 and 255, with a share of 255 of one in `one_in`.
Image random_mask(int32_t w, int32_t h, uint32_t seed, int one_in) {
  Image m = blank_image(w, h, 8, 1);
  std::mt19937 rng(seed);
  for (Bytes& l : m.lines)
    for (uint8_t& b : l) b = rng() % uint32_t(one_in) == 0 ? 255 : 0;
  return m;
}

RstHeader header_8bit(const Image& im) {
  RstColorType* type = im.samples == 1   ? RstColorType::s_gray()
                       : im.samples == 3 ? RstColorType::s_rgb()
                                         : RstColorType::s_cmyk();
  return image_header(im.width, im.height, 8, im.samples, type);
}
LineSource* source8(const Image& im) { return new LineSource(header_8bit(im), im.lines); }

Image take(RstRead* node) {
  Held<> held(node);
  return image_of(node);
}

TEST_F(ScaleMaskRef, LinearAndCubicEqualTheModelWithMaskedTaps) {
  struct Size {
    int32_t w, h, tw, th;
  };
  for (Size z : {Size{7, 5, 14, 10}, Size{9, 4, 23, 13}, Size{1, 1, 5, 3}, Size{12, 9, 13, 30}, Size{6, 6, 6, 11}})
    for (int32_t samples : {1, 3, 4})
      for (int one_in : {2, 5}) {
        SCOPED_TRACE(std::to_string(z.w) + "x" + std::to_string(z.h) + " to " + std::to_string(z.tw) + "x" +
                     std::to_string(z.th) + ", " + std::to_string(samples) + " samples, 1 in " +
                     std::to_string(one_in));
        Image in = random_image(z.w, z.h, 8, samples, uint32_t(z.w * 7 + samples));
        Image ref = random_mask(z.w, z.h, uint32_t(z.h * 11 + one_in), one_in);
        EXPECT_EQ(take(RstScaleMaskRefLI::create(source8(in), source8(ref), z.tw, z.th)),
                  li_model(in, ref, z.tw, z.th));
        EXPECT_EQ(take(RstScaleMaskRefCC::create(source8(in), source8(ref), z.tw, z.th)),
                  cc_model(in, ref, z.tw, z.th));
      }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleMaskRef, SubstitutionRules) {
  // 2 x 2 image to 4 x 4: inner outputs sit between all four pixels.
  Image in = blank_image(2, 2, 8, 1);
  in.lines = {{10, 60}, {110, 200}};
  Image one = blank_image(2, 2, 8, 1);
  one.lines = {{0, 0}, {0, 255}};
  Image li = take(RstScaleMaskRefLI::create(source8(in), source8(one), 4, 4));
  // One usable tap: its value whatever the weights.
  EXPECT_EQ(li.lines[1][1], 200);
  EXPECT_EQ(li.lines[2][2], 200);
  // No usable tap: plain bilinear of the four values.
  Image none = blank_image(2, 2, 8, 1);
  li = take(RstScaleMaskRefLI::create(source8(in), source8(none), 4, 4));
  EXPECT_EQ(li.lines[1][1], (10 * 2304 + 60 * 768 + 110 * 768 + 200 * 256 + 2048) >> 12);
  // Cubic with every tap usable or none: the same plain convolution.
  Image all_usable = blank_image(2, 2, 8, 1);
  Image cc_all = take(RstScaleMaskRefCC::create(source8(in), source8(all_usable), 4, 4));
  Image cc_none = take(RstScaleMaskRefCC::create(source8(in), source8(random_mask(2, 2, 1, 1)), 4, 4));
  EXPECT_EQ(cc_all, cc_none);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleMaskRef, FrontReducesTheMaskAndScales) {
  for (int32_t samples : {1, 3}) {
    Image in = random_image(8, 6, 8, samples, 5);
    Image mask = random_mask(16, 12, 9, 7);
    // Mode 0: the mask reduced with itself as reference, 255 wherever a
    // reduced pixel's 2 x 2 footprint touches a 255.
    Image reduced = blank_image(8, 6, 8, 1);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x)
        reduced.px(x, y)[0] = (mask.px(2 * x, 2 * y)[0] | mask.px(2 * x + 1, 2 * y)[0] | mask.px(2 * x, 2 * y + 1)[0] |
                               mask.px(2 * x + 1, 2 * y + 1)[0]);
    EXPECT_EQ(take(RstScaleMaskRefLI::create(source8(mask), source8(mask), 8, 6)), reduced);
    EXPECT_EQ(take(RstScaleMaskRef::create(source8(in), source8(mask), 0)), li_model(in, reduced, 16, 12));
    // Mode 1: the mask reduced by nearest neighbour (the pixel right of and
    // below each centre), cubic where it is 0.
    Image nearest = blank_image(8, 6, 8, 1);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x) nearest.px(x, y)[0] = mask.px(2 * x + 1, 2 * y + 1)[0];
    Image mode1 = take(RstScaleMaskRef::create(source8(in), source8(mask), 1));
    EXPECT_EQ(mode1, cc_model(in, nearest, 16, 12));
    // A 1-bit mask is used as 0 and 255.
    Image bits = blank_image(16, 12, 1, 1);
    for (int32_t y = 0; y < 12; ++y)
      for (int32_t x = 0; x < 16; ++x) bits.set_bit(x, y, mask.px(x, y)[0] == 255);
    LineSource* bit_mask = new LineSource(image_header(16, 12, 1, 1, RstColorType::s_gray()), bits.lines);
    EXPECT_EQ(take(RstScaleMaskRef::create(source8(in), bit_mask, 0)), li_model(in, reduced, 16, 12));
    bit_mask = new LineSource(image_header(16, 12, 1, 1, RstColorType::s_gray()), bits.lines);
    EXPECT_EQ(take(RstScaleMaskRef::create(source8(in), bit_mask, 1)), mode1);
  }
  // The image's own size: the image node.
  Image in = random_image(5, 4, 8, 1, 3);
  LineSource* image = source8(in);
  RstRead* node = RstScaleMaskRef::create(image, source8(random_mask(5, 4, 2, 2)), 0);
  EXPECT_EQ(node, image);
  node->end();
  image = source8(in);
  node = RstScaleMaskRef::create(image, source8(random_mask(5, 4, 2, 2)), 1);
  EXPECT_EQ(node, image);
  node->end();
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleMaskRef, Refusals) {
  Image in = random_image(6, 4, 8, 3, 3);
  struct Case {
    const char* name;
    RstHeader image, mask;
    int mode;
    RstReport report;
  };
  const char* front = "RstScaleMaskRef::create()";
  RstHeader rgb = header_8bit(in);
  RstHeader mask = image_header(12, 8, 8, 1, RstColorType::s_gray());
  RstHeader wide = image_header(600000, 8, 8, 1, RstColorType::s_gray());
  RstHeader wide_image = image_header(600000, 4, 8, 3, RstColorType::s_rgb());
  RstHeader wide_mask = image_header(600001, 8, 8, 1, RstColorType::s_gray());
  RstHeader two_bytes = image_header(6, 4, 16, 3, RstColorType::s_rgb());
  const Case cases[] = {
      {"mode 2", rgb, mask, 2, {-2, front}},
      {"mask narrower", rgb, image_header(5, 8, 8, 1, RstColorType::s_gray()), 0, {-3, front}},
      {"mask lower", rgb, image_header(12, 3, 8, 1, RstColorType::s_gray()), 1, {-3, front}},
      {"16-bit image", two_bytes, mask, 0, {-3, front}},
      {"RGB mask", rgb, image_header(12, 8, 8, 3, RstColorType::s_rgb()), 0, {-3, front}},
      {"600,000-pixel target", rgb, wide, 0, {-3, front}},
      {"600,000-pixel layer", wide_image, wide_mask, 1, {-3, front}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    LineSource* image = new LineSource(c.image, {});
    LineSource* m = new LineSource(c.mask, {});
    EXPECT_EQ(RstScaleMaskRef::create(image, m, c.mode), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{c.report}));
    image->end();
    m->end();
  }
  status.clear();
  EXPECT_EQ(RstScaleMaskRef::create(nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, front}}));

  // A reference one line shorter than the image is refused: it would be read
  // past its end.
  Image ref = random_mask(6, 3, 4, 2);
  for (bool cubic : {false, true}) {
    status.clear();
    LineSource* image = source8(in);
    LineSource* r = source8(ref);
    RstRead* node = cubic ? RstScaleMaskRefCC::create(image, r, 12, 8) : RstScaleMaskRefLI::create(image, r, 12, 8);
    EXPECT_EQ(node, nullptr);
    EXPECT_EQ(status.errors(),
              (std::vector<RstReport>{{-3, cubic ? "RstScaleMaskRefCC::create()" : "RstScaleMaskRefLI::create()"}}));
    EXPECT_EQ(r->reads, 0);
    image->end();
    r->end();
  }
  // The variants check again.
  status.clear();
  LineSource* image = source8(in);
  LineSource* r = source8(random_mask(6, 4, 4, 2));
  EXPECT_EQ(RstScaleMaskRefLI8::create(image, r, 12, 8), nullptr);
  EXPECT_EQ(RstScaleMaskRefCC32::create(image, r, 0, 8), nullptr);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-3, "RstScaleMaskRefLI8::create()"}, {-2, "RstScaleMaskRefCC32::create()"}}));
  image->end();
  r->end();
}

TEST_F(ScaleMaskRef, ShortInputEndsTheOutputAndResetStartsAgain) {
  Image in = random_image(5, 4, 8, 1, 8);
  Image ref = random_mask(5, 4, 3, 2);
  std::vector<Bytes> short_lines = in.lines;
  short_lines[2].pop_back();
  Held<> node(RstScaleMaskRefCC::create(new LineSource(header_8bit(in), short_lines), source8(ref), 10, 8));
  ASSERT_NE(node, nullptr);
  auto lines = pull(node.get());
  EXPECT_LT(lines.size(), 8u);
  EXPECT_EQ(node->read(std::vector<uint8_t>(10).data()), 0);

  Held<> whole(RstScaleMaskRefLI::create(source8(in), source8(ref), 11, 9));
  Image first = image_of(whole.get());
  whole->reset();
  EXPECT_EQ(image_of(whole.get()), first);
  EXPECT_EQ(first, li_model(in, ref, 11, 9));
}

TEST_F(ScaleMaskRef, FailedAllocationsLeaveTheInputsUsable) {
  for (int mode : {0, 1}) {
    Image in = random_image(6, 5, 8, 3, 8);
    Image mask = blank_image(13, 11, 1, 1);
    mask.lines = random_image(13, 11, 1, 1, 9, true).lines;
    auto mask_source = [&] { return new LineSource(image_header(13, 11, 1, 1, RstColorType::s_gray()), mask.lines); };
    Image expected = take(RstScaleMaskRef::create(source8(in), mask_source(), mode));
    bool done = false;
    for (int64_t n = 1; n < 200 && !done; ++n) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", allocation " + std::to_string(n) + " fails");
      status.clear();
      LineSource* image = source8(in);
      LineSource* m = mask_source();
      RstAllocFault::fail_nth(n);
      RstRead* node = RstScaleMaskRef::create(image, m, mode);
      done = RstAllocFault::calls() < n;
      RstAllocFault::clear();
      if (node) {
        EXPECT_EQ(take(node), expected);
        continue;
      }
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
      image->reset();
      m->reset();
      EXPECT_EQ(image_of(image), in);
      EXPECT_EQ(pull(m), mask.lines);
      image->end();
      m->end();
    }
    EXPECT_TRUE(done);
  }
}

bool have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

int max_level_difference(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height || a.samples != b.samples) return 1000;
  int worst = 0;
  for (size_t y = 0; y < a.lines.size(); ++y)
    for (size_t k = 0; k < a.lines[y].size(); ++k) worst = std::max(worst, std::abs(a.lines[y][k] - b.lines[y][k]));
  return worst;
}

TEST_F(ScaleMaskRef, PlainLinearMatchesImageMagickBilinear) {
  if (!have("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick not installed";
  struct Case {
    int32_t w, h, tw, th;
    int tolerance;
  };
  // Exact ratios on noise, byte for byte. Other ratios on smooth images:
  // positions are kept in 4096ths of a pixel, and on noise that rounding
  // alone moves a value by up to 3 levels.
  for (Case c : {Case{31, 17, 62, 34, 0}, Case{13, 9, 52, 36, 0}, Case{20, 11, 47, 29, 1}, Case{9, 13, 27, 14, 1}})
    for (int32_t samples : {1, 3}) {
      SCOPED_TRACE(std::to_string(c.tw) + "x" + std::to_string(c.th) + ", " + std::to_string(samples));
      Image in = random_image(c.w, c.h, 8, samples, uint32_t(c.w + samples));
      if (c.tolerance)
        for (int32_t y = 0; y < c.h; ++y)
          for (int32_t x = 0; x < c.w; ++x)
            for (int32_t q = 0; q < samples; ++q) in.px(x, y)[q] = uint8_t(128 + 100 * std::sin(0.3 * x + 0.2 * y + q));
      std::string ext = samples == 1 ? ".pgm" : ".ppm";
      std::string src = ::testing::TempDir() + "maskref_in" + ext, out = ::testing::TempDir() + "maskref_out" + ext;
      write_netpbm(in, src);
      std::string cmd = "/usr/bin/convert " + src + " -interpolate bilinear -interpolative-resize " +
                        std::to_string(c.tw) + "x" + std::to_string(c.th) + "! " + out + " >/dev/null 2>&1";
      ASSERT_EQ(std::system(cmd.c_str()), 0);
      Image peer = read_netpbm(out);
      std::remove(src.c_str());
      std::remove(out.c_str());
      // Every tap usable: a mask of 255.
      Image mask = blank_image(c.tw, c.th, 8, 1);
      for (Bytes& l : mask.lines) std::fill(l.begin(), l.end(), 255);
      Image ours = take(RstScaleMaskRef::create(source8(in), source8(mask), 0));
      EXPECT_LE(max_level_difference(ours, peer), c.tolerance);
    }
}

// Keys' cubic convolution (a = -1) in double precision at the scaler's own
// positions, clamped to 0..255.
Image keys_double(const Image& in, int32_t w, int32_t h) {
  auto kernel = [](double d) {
    d = std::fabs(d);
    if (d <= 1) return 1 - 2 * d * d + d * d * d;
    if (d < 2) return 4 - 8 * d + 5 * d * d - d * d * d;
    return 0.0;
  };
  Image out = blank_image(w, h, 8, in.samples);
  for (int32_t i = 0; i < h; ++i) {
    double v = double(position(in.height, h, i, 6144)) / 4096 - 2;
    for (int32_t j = 0; j < w; ++j) {
      double u = double(position(in.width, w, j, 6144)) / 4096 - 2;
      for (int32_t q = 0; q < in.samples; ++q) {
        double sum = 0;
        for (int y = -1; y <= 2; ++y)
          for (int x = -1; x <= 2; ++x) {
            double ty = std::floor(v) + y, tx = std::floor(u) + x;
            sum += kernel(v - ty) * kernel(u - tx) *
                   in.px(clamp_to(int64_t(tx), in.width), clamp_to(int64_t(ty), in.height))[q];
          }
        out.px(j, i)[q] = uint8_t(std::clamp(std::lround(sum), 0L, 255L));
      }
    }
  }
  return out;
}

TEST_F(ScaleMaskRef, PlainCubicIsNearDoublePrecisionKeys) {
  for (int32_t samples : {1, 3, 4}) {
    Image in = random_image(19, 14, 8, samples, uint32_t(samples * 3));
    Image zero = blank_image(19, 14, 8, 1);
    for (auto [w, h] : {std::pair{38, 28}, {45, 31}, {20, 15}}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
      Image ours = take(RstScaleMaskRefCC::create(source8(in), source8(zero), w, h));
      EXPECT_LE(max_level_difference(ours, keys_double(in, w, h)), 1);
    }
  }
}

}  // namespace
