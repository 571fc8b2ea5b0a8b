// The labelling fuzz entry, and the fixed-budget run of it in the test
// program: random run lines and mutations of well-formed ones.
#include "labeling_fuzz_target.h"

#include <random>
#include <vector>

#include "mask_support.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/mrc/rst_label_histogram.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_projection.h"

namespace {

// Every line of a node; empty when it ends early.
std::vector<Bytes> all_lines(RstRead* node, int32_t height) {
  std::vector<Bytes> out;
  Bytes line(size_t(node->line_size()) + 16);
  for (int32_t y = 0; y < height; ++y) {
    int n = node->read(line.data());
    if (n <= 0) return {};
    out.emplace_back(line.begin(), line.begin() + n);
  }
  return out;
}

// A node made by make from src; a refused or failed create leaves the source
// to the caller, who ends it here.
template <class Make>
Held<> made(RstRead* src, Make make) {
  RstRead* node = nullptr;
  try {
    node = make(src);
  } catch (const RstStatus&) {
    src->end();
    throw;
  }
  if (!node) src->end();
  return Held<>(node);
}

int64_t label_all(int32_t width, const std::vector<Bytes>& lines) {
  int32_t height = int32_t(lines.size());
  uint32_t runs_count = 0, raw_count = 0;
  std::vector<RstLabelRect> rects;
  Held<> runs = made(rle_source(width, lines),
                     [&](RstRead* s) { return RstGetLabelRectInfoRLE::create(s, &runs_count, &rects); });
  Held<> raw =
      made(rle_source(width, lines), [&](RstRead* s) { return RstGetLabelRectInfo::create(s, 0, &raw_count, &rects); });
  RstProjectionData profiles;
  Held<> projection =
      made(rle_source(width, lines), [&](RstRead* s) { return RstProjectionDistribution::create(s, &profiles); });
  if (!runs || !raw) return 0;
  Labels a = read_run_labels(runs.get(), width, height);
  Labels b = read_raw_labels(raw.get(), width, height);
  if (a != b || runs_count != raw_count) return -1;
  runs->reset();
  std::vector<RstLabelHistogramSet> sets;
  std::vector<Bytes> grey(size_t(height), Bytes(size_t(width), 7));
  RstRead* image = new LineSource(image_header(width, height, 8, 1), grey);
  RstRead* labels = runs.release();
  RstRead* hist = nullptr;
  try {
    hist = RstLabelHistogramForAllLabelRLE::create(image, labels, &sets, runs_count);
  } catch (const RstStatus&) {
  }
  if (hist) {
    all_lines(hist, height);
    hist->end();
  } else {
    image->end();
    labels->end();
  }
  return runs_count;
}

}  // namespace

int64_t labeling_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  RstFuzzObserver observer(data[0] & 1);
  int32_t width = data[1] % 80;
  int32_t height = data[2] % 24;
  // Each line: a count byte, then that many pairs of signed 16-bit values;
  // the count's top bit leaves the terminator out.
  std::vector<Bytes> lines;
  size_t at = 3;
  for (int32_t y = 0; y < height; ++y) {
    Pairs pairs;
    uint8_t head = at < size ? data[at++] : 0;
    int count = head & 0x0F;
    for (int k = 0; k < count && at + 4 <= size; ++k, at += 4) {
      int16_t f = int16_t(data[at] | (data[at + 1] << 8)), l = int16_t(data[at + 2] | (data[at + 3] << 8));
      pairs.push_back({f, l});
    }
    // A line never exceeds the source's line size.
    while (!pairs.empty() && int32_t(pairs.size() + 1) * 8 > rst_rle_line_bound(width)) pairs.pop_back();
    bool terminated = (head & 0x80) == 0;
    lines.push_back(pairs.empty() && !terminated ? Bytes() : run_line(pairs, terminated));
  }
  try {
    return label_all(width, lines);
  } catch (const RstStatus&) {
    return 0;
  }
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  labeling_fuzz_one(data, size);
  return 0;
}
#else

TEST(LabelingFuzzTest, FixedBudgetOfRandomAndMutatedRunLines) {
  std::mt19937 rng(20261211);
  int64_t labels = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> input = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
    int32_t width = input[1] % 80;
    if (round % 2 == 0) {
      // Well-formed lines, then mutated.
      for (int y = 0; y < input[2] % 24; ++y) {
        int count = int(rng() % 6);
        input.push_back(uint8_t(count));
        int32_t x = int32_t(rng() % 4);
        for (int k = 0; k < count; ++k) {
          int32_t f = x, l = x + int32_t(rng() % 5);
          x = l + 2 + int32_t(rng() % 4);
          for (int32_t v : {f, l}) input.insert(input.end(), {uint8_t(v), uint8_t(v >> 8)});
        }
      }
      int mutations = int(rng() % 4);
      for (int m = 0; m < mutations && input.size() > 3; ++m) input[3 + rng() % (input.size() - 3)] = uint8_t(rng());
    } else {
      input.resize(3 + rng() % 300);
      for (size_t i = 3; i < input.size(); ++i) input[i] = uint8_t(rng());
    }
    static_cast<void>(width);
    int64_t n = labeling_fuzz_one(input.data(), input.size());
    ASSERT_GE(n, 0) << "the label images of the two nodes differ in round " << round;
    labels += n;
  }
  EXPECT_GT(labels, 0);
}
#endif
