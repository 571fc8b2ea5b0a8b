// Stripe cutting: the fixed-height form's stripe starts and heights, the
// source itself for a page lower than a stripe, the refusals, and stripes
// reading the page's lines at their offsets in any order.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "gray_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_stripe.h"

namespace {

class Stripe : public RstStatusTest {};

// A page whose every line differs: pixel (x, y) = 7y + x.
Gray numbered(int32_t w, int32_t h) {
  Gray g{w, h, {}};
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) g.px.push_back(uint8_t(7 * y + x));
  return g;
}

std::vector<Bytes> page_lines(const Gray& g, int32_t from, int32_t count) {
  std::vector<Bytes> out;
  for (int32_t y = from; y < from + count && y < g.height; ++y)
    out.emplace_back(g.px.begin() + y * g.width, g.px.begin() + (y + 1) * g.width);
  return out;
}

// Ends every stripe (and so the fan-out and the page).
struct Stripes {
  std::vector<RstRead*> nodes;
  ~Stripes() {
    for (RstRead* n : nodes) n->end();
  }
};

TEST_F(Stripe, FixedHeightCutsThePageIntoOverlappingStripes) {
  struct Case {
    int32_t page, height, overlap;
    std::vector<int32_t> starts, lines;
  };
  const Case cases[] = {
      {200, 64, 16, {0, 48, 96, 144}, {64, 64, 64, 56}},
      {200, 64, 0, {0, 64, 128, 192}, {64, 64, 64, 8}},
      {100, 30, 0, {0, 30, 60, 90}, {30, 30, 30, 10}},
      {96, 64, 16, {0, 48}, {64, 48}},
      {200, 50, 0, {0, 50, 100, 150}, {50, 50, 50, 50}},
      {1000, 300, 0, {0, 300, 600, 900}, {300, 300, 300, 100}},
      {5001, 5000, 0, {0, 5000}, {5000, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.page << " lines, H " << c.height << ", V " << c.overlap);
    Gray g = numbered(3, c.page);
    Stripes s{RstStripe::create(gray_source(g), c.height, c.overlap, 2, 0)};
    ASSERT_EQ(s.nodes.size(), c.starts.size());
    for (size_t i = 0; i < s.nodes.size(); ++i) {
      EXPECT_EQ(RstHeader(s.nodes[i]).height, c.lines[i]);
      EXPECT_EQ(pull(s.nodes[i]), page_lines(g, c.starts[i], c.lines[i])) << "stripe " << i;
    }
    EXPECT_TRUE(status.errors().empty());
  }
}

TEST_F(Stripe, StripesReadTheirLinesInAnyOrder) {
  Gray g = numbered(9, 200);
  for (int mode : {0, 2, 3}) {
    SCOPED_TRACE(::testing::Message() << "divide mode " << mode);
    Stripes s{RstStripe::create(gray_source(g), 64, 16, mode, 4)};
    ASSERT_EQ(s.nodes.size(), 4u);
    const size_t order[] = {3, 0, 2, 1};
    const int32_t starts[] = {0, 48, 96, 144};
    for (size_t i : order) EXPECT_EQ(pull(s.nodes[i]), page_lines(g, starts[i], 64)) << "stripe " << i;
    // Read again after a reset, the last one first.
    s.nodes[3]->reset();
    EXPECT_EQ(pull(s.nodes[3]), page_lines(g, 144, 64));
    s.nodes[0]->reset();
    EXPECT_EQ(pull(s.nodes[0]), page_lines(g, 0, 64));
  }
}

TEST_F(Stripe, APageLowerThanAStripeIsItsOwnStripe) {
  Gray g = numbered(4, 50);
  for (int32_t height : {0, 51, 1000}) {
    RstRead* src = gray_source(g);
    Stripes s{RstStripe::create(src, height, 0, 2, 0)};
    ASSERT_EQ(s.nodes.size(), 1u);
    EXPECT_EQ(s.nodes[0], src);
    EXPECT_EQ(pull(s.nodes[0]), page_lines(g, 0, 50));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Stripe, HeightsAndStartsForms) {
  Gray g = numbered(6, 40);
  {
    Stripes s{RstStripe::create(gray_source(g), std::vector<uint32_t>{10, 25, 10}, 0, 8)};
    ASSERT_EQ(s.nodes.size(), 3u);
    EXPECT_EQ(pull(s.nodes[2]), page_lines(g, 35, 5));
    EXPECT_EQ(pull(s.nodes[0]), page_lines(g, 0, 10));
    EXPECT_EQ(pull(s.nodes[1]), page_lines(g, 10, 25));
  }
  {
    Stripes s{RstStripe::create(gray_source(g), std::vector<uint32_t>{20, 20}, std::vector<int32_t>{15, 5}, 0, 8)};
    ASSERT_EQ(s.nodes.size(), 2u);
    EXPECT_EQ(pull(s.nodes[0]), page_lines(g, 15, 20));
    EXPECT_EQ(pull(s.nodes[1]), page_lines(g, 5, 20));
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Stripe, RefusalsLeaveTheSourceToTheCaller) {
  Gray g = numbered(4, 20);
  struct Case {
    const char* what;
    std::function<std::vector<RstRead*>(RstRead*)> make;
    int32_t code;
    std::string where;
  };
  const Case cases[] = {
      {"overlap equal to the height", [](RstRead* s) { return RstStripe::create(s, 8, 8, 2, 0); }, -2,
       "RstStripe::create()"},
      {"overlap above the height", [](RstRead* s) { return RstStripe::create(s, 8, 9, 2, 0); }, -2,
       "RstStripe::create()"},
      {"negative overlap", [](RstRead* s) { return RstStripe::create(s, 8, -1, 2, 0); }, -2, "RstStripe::create()"},
      {"no heights", [](RstRead* s) { return RstStripe::create(s, std::vector<uint32_t>{}, 0, 8); }, -2,
       "RstStripe::create()"},
      {"starts of another length",
       [](RstRead* s) {
         return RstStripe::create(s, std::vector<uint32_t>{4, 4}, std::vector<int32_t>{0}, 0, 8);
       },
       -2, "RstStripe::create()"},
      {"a start past the page",
       [](RstRead* s) { return RstStripe::create(s, std::vector<uint32_t>{4}, std::vector<int32_t>{20}, 0, 8); }, -2,
       "RstClipHeight::create()"},
      {"a bad divide mode", [](RstRead* s) { return RstStripe::create(s, std::vector<uint32_t>{4}, 9, 8); }, -2,
       "RstDivide::create()"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    status.clear();
    RstRead* src = gray_source(g);
    EXPECT_TRUE(c.make(src).empty());
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().front(), (RstReport{c.code, c.where}));
    // Still whole and the caller's.
    EXPECT_EQ(pull(src), page_lines(g, 0, 20));
    src->end();
  }
  status.clear();
  EXPECT_TRUE(RstStripe::create(nullptr, 8, 0, 2, 0).empty());
  EXPECT_TRUE(RstStripe::create(nullptr, std::vector<uint32_t>{1}, 0, 8).empty());
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstStripe::create()"}, {-2, "RstStripe::create()"}}));
}

}  // namespace
