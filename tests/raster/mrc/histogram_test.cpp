// Histograms, the per-label histogram set, the counting node, rectangle
// ranges and the row and column profiles of bilevel images.
#include "mask_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_histogram.h"
#include "raster/mrc/rst_histogram_data.h"
#include "raster/mrc/rst_projection.h"
#include "raster/mrc/rst_rectangle_range.h"

namespace {

class Histograms : public RstStatusTest {};

TEST_F(Histograms, BinsMomentsAndBadBins) {
  RstHistogramData h(8);
  EXPECT_EQ(h.bin_count(), 256u);
  h.add(10);
  h.add(20, 3);
  EXPECT_EQ(h.count(10), 1u);
  EXPECT_EQ(h.count(20), 3u);
  EXPECT_EQ(h.total(), 4u);
  EXPECT_DOUBLE_EQ(h.first_moment(), 70.0);
  EXPECT_DOUBLE_EQ(h.second_moment(), 1300.0);
  EXPECT_DOUBLE_EQ(h.mean(), 17.5);
  EXPECT_DOUBLE_EQ(h.variance(), 1300.0 / 4 - 17.5 * 17.5);
  // A bin outside the histogram changes nothing.
  h.add(256);
  h.add(0xFFFFFFFFu, 5);
  EXPECT_EQ(h.total(), 4u);
  EXPECT_EQ(h.count(256), 0u);

  // Products above 32 bits stay exact.
  RstHistogramData big(8);
  big.add(255, 70000);
  EXPECT_DOUBLE_EQ(big.second_moment(), 4551750000.0);
  EXPECT_DOUBLE_EQ(big.variance(), 0.0);
  EXPECT_DOUBLE_EQ(big.mean(), 255.0);
  EXPECT_TRUE(status.errors().empty());

  RstHistogramData copy = h;
  EXPECT_EQ(copy.count(20), 3u);
  EXPECT_EQ(copy.total(), 4u);

  // Bits 0, or more than a histogram can sensibly hold: an empty histogram.
  for (int32_t bits : {0, -1, 17, 32, 64}) {
    SCOPED_TRACE(bits);
    status.clear();
    RstHistogramData bad(bits);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstHistogramData"}}));
    EXPECT_EQ(bad.bin_count(), 0u);
    bad.add(0);
    EXPECT_EQ(bad.total(), 0u);
    EXPECT_EQ(bad.first_moment(), 0.0);
    EXPECT_EQ(bad.second_moment(), 0.0);
  }
  status.clear();
  RstHistogramData one(1);
  EXPECT_EQ(one.bin_count(), 2u);
  RstHistogramData sixteen(16);
  EXPECT_EQ(sixteen.bin_count(), 65536u);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Histograms, LabelSet) {
  RstLabelHistogramSet set(3, 8);
  set.add(2, 7);
  set.add(2, 7);
  EXPECT_EQ(set.total(2), 2u);
  EXPECT_DOUBLE_EQ(set.mean(2), 7.0);
  EXPECT_EQ(set.total(1), 0u);
  EXPECT_EQ(set.item(2).count(7), 2u);
  // Label 0, labels past the count and bins past the bits change nothing.
  set.add(0, 1);
  set.add(4, 1);
  set.add(0xFFFFFFFFu, 1);
  set.add(3, 256);
  for (uint32_t l = 1; l <= 3; ++l) EXPECT_EQ(set.total(l), l == 2 ? 2u : 0u);
  EXPECT_EQ(set.total(0), 0u);
  EXPECT_EQ(set.total(4), 0u);
  RstLabelHistogramSet copy = set;
  EXPECT_EQ(copy.total(2), 2u);
  EXPECT_TRUE(set.set());
  EXPECT_EQ(set.total(2), 2u);  // histograms that stay keep their counts
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Histograms, CountingNode) {
  // Two pixels of three channels: (10, 20, 30), (10, 40, 30).
  std::vector<Bytes> rows = {{10, 20, 30, 10, 40, 30}};
  auto* src = new LineSource(image_header(2, 1, 8, 3), rows);
  std::vector<RstHistogramData> out;
  out.emplace_back(4);  // dropped by the node
  Held<> node(RstHistogram::create(src, &out));
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].count(10), 2u);
  EXPECT_EQ(out[1].count(20), 1u);
  EXPECT_EQ(out[1].count(40), 1u);
  EXPECT_EQ(out[2].count(30), 2u);
  for (const auto& h : out) EXPECT_EQ(h.total(), 2u);
  // Read from line 0 on, unchanged.
  EXPECT_EQ(pull(node.get()), rows);
  node->reset();
  EXPECT_EQ(node->skip(1), 1);
  Bytes line(8);
  EXPECT_EQ(node->read(line.data()), 0);

  // A larger image: every value counted once per channel.
  std::vector<Bytes> grey;
  for (int y = 0; y < 16; ++y) {
    Bytes r;
    for (int x = 0; x < 16; ++x) r.push_back(uint8_t(y * 16 + x));
    grey.push_back(r);
  }
  std::vector<RstHistogramData> one;
  Held<> g(RstHistogram::create(new LineSource(image_header(16, 16, 8, 1), grey), &one));
  ASSERT_EQ(one.size(), 1u);
  for (uint32_t v = 0; v < 256; ++v) EXPECT_EQ(one[0].count(v), 1u);
  EXPECT_DOUBLE_EQ(one[0].mean(), 127.5);
  EXPECT_EQ(pull(g.get()), grey);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Histograms, CountingNodeRefusals) {
  std::vector<RstHistogramData> out;
  EXPECT_EQ(RstHistogram::create(nullptr, &out), nullptr);
  auto* ok = new LineSource(image_header(2, 1, 8, 1), {Bytes(2)});
  EXPECT_EQ(RstHistogram::create(ok, nullptr), nullptr);
  ok->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstHistogram::create()"}, {-2, "RstHistogram::create()"}}));
  const RstHeader bad[] = {image_header(2, 1, 1, 1), image_header(2, 1, 16, 1),
                           image_header(2, 1, 8, 1, nullptr, RstDataForm::rle)};
  for (const RstHeader& h : bad) {
    status.clear();
    auto* src = new LineSource(h, {Bytes(4)});
    EXPECT_EQ(RstHistogram::create(src, &out), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstHistogram::create()"}}));
    src->end();
  }
  // A short line while counting: the vector is left empty.
  status.clear();
  out.emplace_back(8);
  auto* src = new LineSource(image_header(3, 2, 8, 1), {Bytes(3, 1), Bytes(2, 1)});
  EXPECT_EQ(RstHistogram::create(src, &out), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstHistogram::initiate()"}}));
  EXPECT_TRUE(out.empty());
  src->end();
  // A source whose line is shorter than its pixels is refused at its first line.
  status.clear();
  src = new LineSource(image_header(3, 1, 8, 1), {Bytes(2, 1)}, 2);
  EXPECT_EQ(RstHistogram::create(src, &out), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstHistogram::initiate()"}}));
  src->end();
}

TEST_F(Histograms, RectangleRange) {
  RstRectangleRange r(100, 50);
  EXPECT_EQ(r.first_y, 0);
  EXPECT_EQ(r.last_y, 49);
  ASSERT_EQ(r.first_x.size(), 50u);
  ASSERT_EQ(r.last_x.size(), 50u);
  for (int32_t y = 0; y < 50; ++y) {
    EXPECT_EQ(r.first_x[size_t(y)], 0);
    EXPECT_EQ(r.last_x[size_t(y)], 99);
  }
  r.first_x[3] = 7;
  RstRectangleRange copy = r;
  EXPECT_EQ(copy.first_x[3], 7);
  EXPECT_EQ(copy.width, 100);
  EXPECT_EQ(copy.height, 50);
}

TEST_F(Histograms, Projections) {
  // Runs (0, 2) on row 0 and (1, 1) on row 1 of a 3 x 2 image.
  Mask m = draw({"###", ".#."});
  std::function<RstRead*()> sources[] = {[&] { return source1(m); }, [&] { return source_runs(m); }};
  for (auto& make : sources) {
    RstProjectionData data;
    RstRead* src = make();
    std::vector<Bytes> lines = pull(src);
    src->reset();
    Held<> node(RstProjectionDistribution::create(src, &data));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(data.width, 3);
    EXPECT_EQ(data.height, 2);
    EXPECT_EQ(data.columns, (std::vector<uint32_t>{1, 2, 1}));
    EXPECT_EQ(data.rows, (std::vector<uint32_t>{3, 1}));
    // From line 0; run lines come with the source's line size, the runs first.
    auto got = pull(node.get());
    ASSERT_EQ(got.size(), lines.size());
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_GE(got[i].size(), lines[i].size());
      EXPECT_EQ(Bytes(got[i].begin(), got[i].begin() + std::ptrdiff_t(lines[i].size())), lines[i]);
    }
    data.clear();
    EXPECT_EQ(data.columns, (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_EQ(data.rows, (std::vector<uint32_t>{0, 0}));
  }
  // All clear, and a random mask against a count of its pixels.
  Mask masks[] = {draw({"....", "....", "...."}), random_mask(37, 23, 0.4, 9)};
  for (const Mask& mask : masks)
    for (int k = 0; k < 2; ++k) {
      RstProjectionData data;
      data.set_dimension(2, 2);
      data.columns = {5, 5};  // stale counts do not add up
      Held<> node(RstProjectionDistribution::create(k ? source_runs(mask) : source1(mask), &data));
      ASSERT_NE(node, nullptr);
      std::vector<uint32_t> cols(size_t(mask.width)), rows(size_t(mask.height));
      for (int32_t y = 0; y < mask.height; ++y)
        for (int32_t x = 0; x < mask.width; ++x)
          if (mask.at(x, y)) ++cols[size_t(x)], ++rows[size_t(y)];
      EXPECT_EQ(data.columns, cols);
      EXPECT_EQ(data.rows, rows);
    }
  // Run lines from outside stay inside the profiles.
  RstProjectionData data;
  Held<> bad(RstProjectionDistribution::create(
      rle_source(4, {run_line({{-3, 1}, {2, 9}}), run_line({{3, 3}, {0, 1}}, false)}), &data));
  ASSERT_NE(bad, nullptr);
  EXPECT_EQ(data.columns, (std::vector<uint32_t>{1, 1, 1, 2}));
  EXPECT_EQ(data.rows, (std::vector<uint32_t>{4, 1}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Histograms, ProjectionFailures) {
  RstProjectionData data;
  EXPECT_EQ(RstProjectionDistribution::create(nullptr, &data), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstProjectionDistribution::create()"}}));
  status.clear();
  auto* grey = new LineSource(image_header(3, 1, 8, 1), {Bytes(3)});
  EXPECT_EQ(RstProjectionDistribution::create(grey, &data), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstProjectionDistribution::create()"}}));
  grey->end();
  // A short raw line, a run source that runs dry: the data is cleared.
  RstRead* shorts[] = {new LineSource(image_header(9, 2, 1, 1), {Bytes{0xFF, 0x80}, Bytes{0xFF}}),
                       rle_source(9, {run_line({{0, 8}})})};
  for (RstRead* src : shorts) {
    status.clear();
    RstRead* dry = src;
    if (src == shorts[1]) {
      dry = new LineSource(image_header(9, 2, 1, 1, nullptr, RstDataForm::rle), {run_line({{0, 8}})}, 48);
      src->end();
    }
    EXPECT_EQ(RstProjectionDistribution::create(dry, &data), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstProjectionDistribution::initiate()"}}));
    for (uint32_t c : data.columns) EXPECT_EQ(c, 0u);
    for (uint32_t r : data.rows) EXPECT_EQ(r, 0u);
    dry->end();
  }
}

}  // namespace
