// Run lines: the size bound, copying, and the b1/b2 search of the reference
// line scanner against a naive scan.
#include "raster/codecs/rst_rle_line.h"

#include <random>

#include "raster/codecs/rst_encode_rle_core.h"
#include "run_line_support.h"

namespace {

std::vector<int32_t> make_line(const Runs& runs) {
  std::vector<int32_t> v;
  for (auto [f, l] : runs) {
    v.push_back(f);
    v.push_back(l);
  }
  v.push_back(-1);
  v.push_back(-1);
  return v;
}

// b1 and b2 by the definition: changing elements of the reference line to
// the right of a0 whose colour is the opposite of a0's colour.
std::pair<int32_t, int32_t> naive_b1_b2(const Runs& ref, int32_t width, int32_t a0, int32_t color) {
  std::vector<uint8_t> px(static_cast<size_t>(width), 0);
  for (auto [f, l] : ref)
    for (int32_t x = f; x <= l; ++x) px[static_cast<size_t>(x)] = 1;
  auto pixel = [&](int32_t x) { return x < 0 || x >= width ? 0 : px[static_cast<size_t>(x)]; };
  auto changing = [&](int32_t x) { return x < width && pixel(x) != pixel(x - 1); };
  int32_t b1 = width;
  for (int32_t x = a0 + 1; x < width; ++x)
    if (changing(x) && pixel(x) != color) {
      b1 = x;
      break;
    }
  int32_t b2 = width;
  for (int32_t x = b1 + 1; x < width; ++x)
    if (changing(x)) {
      b2 = x;
      break;
    }
  return {b1, b2};
}

TEST(RunLine, SizesOfWhiteBlackAndAlternatingLines) {
  struct Case {
    int32_t width;
    Runs runs;
    int32_t bytes;
  };
  Runs alternating;
  for (int32_t x = 0; x < 13; x += 2) alternating.emplace_back(x, x);
  const Case cases[] = {
      {8, {}, 8},
      {13, alternating, rst_rle_line_bound(13)},
      {13, {{0, 12}}, 16},
      {1, {{0, 0}}, 16},
  };
  for (const Case& c : cases) {
    auto row = paint_row(c.runs, c.width);
    RstEncodeRLECore core(c.width);
    std::vector<int32_t> out(static_cast<size_t>(core.buffer_size() / 4));
    int32_t n = core.encode_line(row.data(), out.data());
    EXPECT_EQ(n, c.bytes) << c.width;
    EXPECT_EQ(runs_of(out.data(), n), c.runs);
    EXPECT_TRUE(run_line_ok(out.data(), n, c.width));
  }
}

TEST(RunLine, BuildAndAssignCopiesOffsetCountAndPairs) {
  int32_t a[8] = {}, b[8] = {};
  RstRLELine line(a, 0);
  line.append(2, 4);
  line.append_merged(5, 6);  // touches: extends (2, 4)
  line.append_merged(8, 8);
  line.end_line();
  line.read_offset = 8;
  RstRLELine copy(b, 0);
  copy.assign(line);
  EXPECT_EQ(copy.byte_count, 24);
  EXPECT_EQ(copy.read_offset, 8);
  EXPECT_EQ(runs_of(b, 24), (Runs{{2, 6}, {8, 8}}));
}

TEST(RunLine, ChangingElementsOnFixedReferences) {
  struct Case {
    Runs ref;
    int32_t width, a0, color, b1, b2;
  };
  const Case cases[] = {
      {{}, 20, -1, RST_WHITE, 20, 20},
      {{}, 20, 7, RST_BLACK, 20, 20},
      {{{0, 3}}, 20, -1, RST_WHITE, 0, 4},
      {{{0, 3}, {6, 9}}, 20, 0, RST_WHITE, 6, 10},
      {{{0, 3}, {6, 9}}, 20, 2, RST_BLACK, 4, 6},
      {{{0, 3}, {6, 9}}, 20, 4, RST_BLACK, 10, 20},
      {{{5, 19}}, 20, 6, RST_BLACK, 20, 20},
  };
  for (const Case& c : cases) {
    auto line = make_line(c.ref);
    RstCPList cp(line.data(), c.width);
    EXPECT_EQ(cp.find_b1(c.a0, c.color), c.b1);
    EXPECT_EQ(cp.find_b2(c.a0, c.color), c.b2);
    EXPECT_EQ(cp.edge, c.b2);
  }
}

// Random references, each searched with a0 walking forward, backward and in
// random order; bounded (byte count given) and unbounded scanners alike.
TEST(RunLine, ChangingElementsMatchNaiveScanInAnyOrder) {
  std::mt19937 rng(7);
  for (int iter = 0; iter < 300; ++iter) {
    int32_t width = 1 + static_cast<int32_t>(rng() % 70);
    std::vector<uint8_t> row(static_cast<size_t>((width + 7) / 8));
    for (auto& b : row) b = static_cast<uint8_t>(rng());
    if (iter % 5 == 0) std::fill(row.begin(), row.end(), 0);
    Runs ref = naive_runs(row.data(), width);
    auto line = make_line(ref);
    std::vector<int32_t> order;
    for (int32_t a0 = -1; a0 < width; ++a0) order.push_back(a0);
    if (iter % 3 == 1) std::reverse(order.begin(), order.end());
    if (iter % 3 == 2) std::shuffle(order.begin(), order.end(), rng);
    for (int32_t bytes : {0, static_cast<int32_t>(line.size() * 4)}) {
      RstCPList cp(line.data(), width, bytes);
      for (int32_t a0 : order) {
        for (int32_t color : {RST_WHITE, RST_BLACK}) {
          if (a0 < 0 && color == RST_BLACK) continue;
          auto [b1, b2] = naive_b1_b2(ref, width, a0, color);
          ASSERT_EQ(cp.find_b1(a0, color), b1) << "a0 " << a0 << " color " << color;
          ASSERT_EQ(cp.find_b2(a0, color), b2) << "a0 " << a0 << " color " << color;
        }
      }
    }
  }
}

}  // namespace
