// Box means and the histogram threshold: the rounding and border cases of
// the mean, a brute-force mean over random images of 1, 3 and 4 channels for
// both windows the segmentation uses, the threshold search on shaped
// histograms, and the refusals of the creates.
#include <gtest/gtest.h>

#include <random>

#include "gray_support.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_average_filter.h"
#include "raster/mrc/rst_tone_threshold_by_hist.h"

namespace {

class AverageFilter : public RstStatusTest {};

// Interleaved 8-bit samples, row by row.
struct Image {
  int32_t width = 0, height = 0, channels = 1;
  std::vector<uint8_t> px;
  int at(int32_t x, int32_t y, int32_t c) const {
    return px[(size_t(y) * size_t(width) + size_t(x)) * size_t(channels) + size_t(c)];
  }
};

RstRead* source_of(const Image& im) {
  std::vector<Bytes> lines;
  size_t stride = size_t(im.width) * size_t(im.channels);
  for (int32_t y = 0; y < im.height; ++y)
    lines.emplace_back(im.px.begin() + long(y * stride), im.px.begin() + long((y + 1) * stride));
  RstColorType* type = im.channels == 1 ? RstColorType::s_gray() : RstColorType::s_rgb();
  return new LineSource(image_header(im.width, im.height, 8, im.channels, type), lines);
}

// The mean from a table of sums over the image padded by the window: the
// border value outside, or the nearest edge pixel without one.
std::vector<uint8_t> box_mean(const Image& im, const RstWindow& w, const uint8_t* border) {
  const int32_t pw = im.width + w.width - 1, ph = im.height + w.height - 1;
  std::vector<uint8_t> out(im.px.size());
  for (int32_t c = 0; c < im.channels; ++c) {
    // table[y][x]: the sum of the padded pixels above and left of (x, y).
    std::vector<uint64_t> table(size_t(pw + 1) * size_t(ph + 1), 0);
    auto t = [&](int32_t x, int32_t y) -> uint64_t& { return table[size_t(y) * size_t(pw + 1) + size_t(x)]; };
    for (int32_t y = 0; y < ph; ++y)
      for (int32_t x = 0; x < pw; ++x) {
        int32_t ix = x - w.anchor_x, iy = y - w.anchor_y;
        int v;
        if (ix >= 0 && iy >= 0 && ix < im.width && iy < im.height) v = im.at(ix, iy, c);
        else if (border) v = *border;
        else v = im.at(std::clamp(ix, 0, im.width - 1), std::clamp(iy, 0, im.height - 1), c);
        t(x + 1, y + 1) = uint64_t(v) + t(x, y + 1) + t(x + 1, y) - t(x, y);
      }
    const uint64_t area = uint64_t(w.width) * uint64_t(w.height);
    for (int32_t y = 0; y < im.height; ++y)
      for (int32_t x = 0; x < im.width; ++x) {
        uint64_t s = t(x + w.width, y + w.height) - t(x, y + w.height) - t(x + w.width, y) + t(x, y);
        out[(size_t(y) * size_t(im.width) + size_t(x)) * size_t(im.channels) + size_t(c)] =
            uint8_t((s + area / 2) / area);
      }
  }
  return out;
}

TEST_F(AverageFilter, MeanRoundsHalfUp) {
  struct Case {
    std::vector<uint8_t> px;
    uint8_t centre;
  } cases[] = {
      {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0},  // (1 + 4) / 9
      {{1, 0, 1, 0, 1, 0, 1, 0, 1}, 1},  // (5 + 4) / 9
      {{9, 9, 9, 9, 9, 9, 9, 9, 14}, 10},
  };
  const uint8_t zero = 0;
  for (const Case& c : cases) {
    Held<> f(RstAverageFilter::create(source_of(Image{3, 3, 1, c.px}), RstWindow{3, 3, 1, 1}, &zero));
    ASSERT_TRUE(f);
    EXPECT_EQ(pixels(f.get())[4], c.centre);
  }
}

TEST_F(AverageFilter, BorderValueOrRepeatedEdges) {
  Image im{2, 1, 1, {90, 90}};
  const uint8_t zero = 0;
  // The 3 x 3 window at (0, 0) holds the two image pixels and the border 0 ...
  Held<> with(RstAverageFilter::create(source_of(im), RstWindow{3, 3, 1, 1}, &zero));
  ASSERT_TRUE(with);
  EXPECT_EQ(pixels(with.get()), (std::vector<uint8_t>{20, 20}));  // (180 + 4) / 9
  // ... and nothing but repeats of them without one.
  Held<> without(RstAverageFilter::create(source_of(im), RstWindow{3, 3, 1, 1}, nullptr));
  ASSERT_TRUE(without);
  EXPECT_EQ(pixels(without.get()), (std::vector<uint8_t>{90, 90}));
}

TEST_F(AverageFilter, OnePixelWindowReturnsTheSource) {
  RstRead* src = source_of(Image{2, 2, 1, {1, 2, 3, 4}});
  Held<> f(RstAverageFilter::create(src, RstWindow{1, 1, 0, 0}, nullptr));
  EXPECT_EQ(f.get(), src);
}

TEST_F(AverageFilter, MatchesBruteForceOnRandomImages) {
  std::mt19937 rng(155);
  const uint8_t zero = 0;
  struct Window {
    RstWindow w;
    const uint8_t* border;
  } windows[] = {{{121, 121, 60, 60}, &zero}, {{3, 3, 1, 1}, nullptr}, {{4, 2, 0, 1}, nullptr}};
  for (int32_t channels : {1, 3, 4}) {
    for (const Window& w : windows) {
      for (int32_t round = 0; round < 3; ++round) {
        Image im{1 + int32_t(rng() % 150), 1 + int32_t(rng() % 90), channels, {}};
        for (size_t i = 0; i < size_t(im.width) * size_t(im.height) * size_t(channels); ++i)
          im.px.push_back(uint8_t(rng()));
        SCOPED_TRACE(testing::Message() << channels << " channels, " << im.width << " x " << im.height << ", window "
                                        << w.w.width);
        Held<> f(RstAverageFilter::create(source_of(im), w.w, w.border));
        ASSERT_TRUE(f);
        std::vector<uint8_t> expected = box_mean(im, w.w, w.border);
        EXPECT_EQ(pixels(f.get()), expected);
        // Skipping keeps the sums in step; reset starts over.
        f->reset();
        if (im.height > 2) {
          EXPECT_EQ(f->skip(2), 2);
          Bytes line = first_line(f.get());
          size_t stride = size_t(im.width) * size_t(channels);
          EXPECT_EQ(line, Bytes(expected.begin() + long(2 * stride), expected.begin() + long(3 * stride)));
        }
      }
    }
  }
}

TEST_F(AverageFilter, RefusesWhatItCannotAverage) {
  struct Case {
    int32_t bits, samples;
    bool null, colormap;
    RstWindow window;
    RstReport front, instance;
  } cases[] = {
      {8, 1, true, false, {3, 3, 1, 1}, {-2, "RstAverageFilter::create()"}, {-2, "RstAverageFilterN::create()"}},
      {16, 1, false, false, {3, 3, 1, 1}, {-3, "RstAverageFilter::create()"}, {-3, "RstAverageFilterN::create()"}},
      {8, 1, false, true, {3, 3, 1, 1}, {-3, "RstAverageFilter::create()"}, {-3, "RstAverageFilterN::create()"}},
      {8, 2, false, false, {3, 3, 1, 1}, {-50, "RstAverageFilter::create()"}, {-3, "RstAverageFilterN::create()"}},
      {8, 5, false, false, {3, 3, 1, 1}, {-50, "RstAverageFilter::create()"}, {-3, "RstAverageFilterN::create()"}},
      // Sums of such a window could leave 32 bits.
      {8,
       1,
       false,
       false,
       {4097, 4097, 0, 0},
       {-2, "RstAverageFilterN::create()"},
       {-2, "RstAverageFilterN::create()"}},
  };
  for (const Case& c : cases) {
    for (bool front : {true, false}) {
      RstStatusRecorder status;
      RstHeader h = image_header(4, 2, c.bits, c.samples, RstColorType::s_gray());
      if (c.colormap) h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2));
      Held<> src(c.null ? nullptr : new LineSource(h, {}));
      RstRead* made = front ? RstAverageFilter::create(src.get(), c.window, nullptr)
                            : RstAverageFilterN<1>::create(src.get(), c.window, nullptr);
      EXPECT_EQ(made, nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{front ? c.front : c.instance})) << c.bits << " " << c.samples;
    }
  }
}

// --- histogram threshold ---

RstHistogramData histogram(const std::vector<std::pair<int, uint32_t>>& bins) {
  RstHistogramData h(8);
  for (auto [bin, n] : bins) h.add(uint32_t(bin), n);
  return h;
}

// A linear fall from 1000 at bin 4 by step per bin, with bins 2 and 3 at
// 1000 so that the smoothed peak is bin 3; dark pixels make up the rest.
RstHistogramData falling(uint32_t step) {
  std::vector<std::pair<int, uint32_t>> bins = {{2, 1000}, {3, 1000}, {4, 1000}, {200, 100000}};
  for (int i = 5; i <= 41; ++i) bins.push_back({i, 1000 - step * uint32_t(i - 4)});
  return histogram(bins);
}

TEST_F(AverageFilter, ThresholdFindsTheValleyAfterThePeak) {
  struct Case {
    const char* name;
    RstHistogramData h;
    uint8_t expected;
  } cases[] = {
      // The smoothed maximum first reached at bin 40.
      {"peak at the limit", histogram({{38, 10}, {39, 20}, {40, 30}, {41, 100}, {42, 100}}), 40},
      // Peak 5, falling to a minimum at 12 (38) below both limits, rising at 13.
      {"valley",
       histogram({{4, 1000},
                  {5, 1000},
                  {6, 1000},
                  {7, 600},
                  {8, 400},
                  {9, 200},
                  {10, 100},
                  {11, 50},
                  {12, 5},
                  {13, 60},
                  {14, 200},
                  {200, 10000}}),
       12},
      // A steady fall from bin 3: the first bin below 0.2 x 1000 is 37 ...
      {"steady fall", falling(25), 37},
      // ... and a slower one never gets there before the limit.
      {"slow fall", falling(10), 40},
      {"empty", histogram({}), 40},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RstReduceTone256To2ThresholdByHist::threshold(c.h, c.h.total()), c.expected) << c.name;
  }
}

TEST_F(AverageFilter, ThresholdNodeBinarisesAtTheValley) {
  // The valley histogram as an image: values above 12 become 255.
  std::vector<std::pair<int, uint32_t>> bins = {{4, 1000}, {5, 1000}, {6, 1000}, {7, 600}, {8, 400},  {9, 200},
                                                {10, 100}, {11, 50},  {12, 5},   {13, 60}, {14, 200}, {200, 9385}};
  Image im{100, 0, 1, {}};
  for (auto [v, n] : bins) im.px.insert(im.px.end(), n, uint8_t(v));
  im.height = int32_t(im.px.size() / 100);
  ASSERT_EQ(im.px.size(), 140u * 100u);
  Held<> t(RstReduceTone256To2ThresholdByHist::create(source_of(im)));
  ASSERT_TRUE(t);
  std::vector<uint8_t> expected;
  for (uint8_t v : im.px) expected.push_back(v > 12 ? 255 : 0);
  EXPECT_EQ(pixels(t.get()), expected);
}

TEST_F(AverageFilter, ThresholdRefusesOtherSources) {
  struct Case {
    int32_t bits, samples;
    bool null, colormap;
    int32_t code;
  } cases[] = {{8, 1, true, false, -2}, {1, 1, false, false, -3}, {8, 3, false, false, -3}, {8, 1, false, true, -3}};
  for (const Case& c : cases) {
    RstStatusRecorder status;
    RstHeader h = image_header(4, 2, c.bits, c.samples, RstColorType::s_gray());
    if (c.colormap) h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2));
    Held<> src(c.null ? nullptr : new LineSource(h, {}));
    EXPECT_EQ(RstReduceTone256To2ThresholdByHist::create(src.get()), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, "RstReduceTone256To2ThresholdByHist::create()"}}));
  }
}

}  // namespace
