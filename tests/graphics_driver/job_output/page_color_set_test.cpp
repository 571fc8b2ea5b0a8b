// The page colour set and the page spool's answers to the colour stage:
// adding colours up to the limit, collecting an image's distinct colours at
// every depth, and the collection state of a recorded page.
#include <vector>

#include "graphics_driver/core/pdev_fixture.h"
#include "graphics_driver/job_output/page_collect_state.h"
#include "graphics_driver/job_output/page_color_set.h"

namespace {

using pk::test::PdevTest;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST(PageColorSet, TurnsOffPastItsLimit) {
  PageColorSet set;
  ASSERT_EQ(InitPageColorSet(&set, 1, 2, 0), 0);
  for (uint32_t c : set.colours) EXPECT_EQ(c, kPageColorWhite);
  EXPECT_EQ(AddPageColor(&set, kRed), 0);
  EXPECT_EQ(AddPageColor(&set, kPageColorWhite), 0);  // white is not counted
  EXPECT_EQ(AddPageColor(&set, kRed), 0);
  EXPECT_EQ(AddPageColor(&set, kGreen), 0);
  EXPECT_EQ(set.on, 1u);
  EXPECT_EQ(set.count, 2);
  EXPECT_EQ(set.colours[0], kRed);
  EXPECT_EQ(set.colours[1], kGreen);
  EXPECT_EQ(AddPageColor(&set, kBlue), 0);
  EXPECT_EQ(set.on, 0u);
  EXPECT_EQ(set.count, 3);
  EXPECT_EQ(set.colours[2], kPageColorWhite);
  EXPECT_EQ(AddPageColor(&set, 0x123456), 0);  // off: nothing changes
  EXPECT_EQ(set.count, 3);

  ASSERT_EQ(InitPageColorSet(&set, 1, 2, 1), 0);
  EXPECT_EQ(AddPageColor(&set, kPageColorWhite), 0);
  EXPECT_EQ(set.count, 1);
  set.countsWhite = 2;
  EXPECT_EQ(AddPageColor(&set, kRed), -1);
  EXPECT_EQ(AddPageColor(nullptr, kRed), -1);
  EXPECT_EQ(InitPageColorSet(&set, 1, 16, 0), -1);
  ASSERT_EQ(InitPageColorSet(&set, 1, 15, 1), 0);
  for (uint32_t c = 0; c < 15; ++c) EXPECT_EQ(AddPageColor(&set, c), 0);
  EXPECT_EQ(set.on, 1u);
  EXPECT_EQ(set.colours[14], 14u);
  EXPECT_EQ(AddPageColor(&set, 15), 0);
  EXPECT_EQ(set.on, 0u);
}

TEST(PageColorSet, CollectsDistinctColoursAtEveryDepth) {
  const std::vector<BYTE> rgbPalette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};  // red, green, blue, white
  const std::vector<BYTE> greyPalette = {0x10, 0x20, 0x30, 0xFF};
  const struct {
    const char* name;
    std::vector<BYTE> rows;
    uint32_t width, height, bits;
    int paletteFlag;
    const std::vector<BYTE>* palette;
    std::vector<uint32_t> colours;
  } cases[] = {
      {"1 bit", {0x80, 0x40}, 3, 2, 1, 1, &rgbPalette, {kGreen, kRed}},
      {"4 bits, high nibble first", {0x21, 0x03}, 3, 1, 4, 1, &rgbPalette, {kBlue, kGreen, kRed}},
      {"8 bits", {2, 2, 0, 3}, 2, 2, 8, 1, &rgbPalette, {kBlue, kRed}},
      {"8 bits, grey palette", {1, 2, 3, 1}, 4, 1, 8, 0, &greyPalette, {0x202020, 0x303030}},
      {"24 bits, R G B", {1, 2, 3, 1, 2, 3, 4, 5, 6}, 3, 1, 24, 1, nullptr, {0x010203, 0x040506}},
      {"24 bits, grey bytes", {0x40, 0x40, 0x41}, 3, 1, 24, 0, nullptr, {0x404040, 0x414141}},
      {"index past the palette", {7}, 1, 1, 8, 1, &rgbPalette, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PageColorSet set;
    ASSERT_EQ(InitPageColorSet(&set, 1, 15, 0), 0);
    const BYTE* palette = c.palette ? c.palette->data() : nullptr;
    const uint32_t count = c.palette ? uint32_t(c.palette->size() / (c.paletteFlag ? 3 : 1)) : 0;
    EXPECT_EQ(CollectDistinctColors(&set, c.rows.data(), c.width, c.height, c.bits, c.paletteFlag, palette, count), 0);
    EXPECT_EQ(std::vector<uint32_t>(set.colours, set.colours + set.count), c.colours);
  }
}

TEST(PageColorSet, CollectionRefusals) {
  PageColorSet set;
  ASSERT_EQ(InitPageColorSet(&set, 1, 15, 0), 0);
  const BYTE rows[8] = {};
  const BYTE palette[6] = {};
  EXPECT_EQ(CollectDistinctColors(&set, rows, 2, 1, 16, 1, palette, 2), -1);
  EXPECT_EQ(CollectDistinctColors(&set, nullptr, 2, 1, 8, 1, palette, 2), -1);
  EXPECT_EQ(CollectDistinctColors(nullptr, rows, 2, 1, 8, 1, palette, 2), -1);
  EXPECT_EQ(CollectDistinctColors(&set, rows, 2, 1, 8, 1, nullptr, 2), -1);
  set.on = 0;
  EXPECT_EQ(CollectDistinctColors(&set, rows, 2, 1, 24, 1, nullptr, 0), -1);

  // Collection stops where the set turns off.
  ASSERT_EQ(InitPageColorSet(&set, 1, 1, 0), 0);
  const BYTE colours[] = {1, 0, 0, 2, 0, 0, 3, 0, 0};
  EXPECT_EQ(CollectDistinctColors(&set, colours, 3, 1, 24, 1, nullptr, 0), 0);
  EXPECT_EQ(set.on, 0u);
  EXPECT_EQ(set.count, 2);
}

TEST_F(PdevTest, PageCollectionState) {
  PdevPipeline& p = pdev()->pipeline;
  const struct {
    uint32_t state;
    int idle;
  } states[] = {{0, 1}, {0x8000, 1}, {0x8001 | 0x04, 0}, {0x8001 | 0x3E, 0}, {0x8041, 1}, {0x4001, 1}};
  for (const auto& s : states) {
    SCOPED_TRACE(s.state);
    p.spoolState = s.state;
    p.spoolMode = 1;
    EXPECT_EQ(IsPageCollectIdle(pdev()), s.idle);
    EXPECT_EQ(SetPageCollectMode2(pdev()), s.idle ? -1 : 0);
    EXPECT_EQ(p.spoolMode, s.idle ? 1u : 2u);
  }
  EXPECT_EQ(IsPageCollectIdle(nullptr), 1);
  EXPECT_EQ(SetPageCollectMode2(nullptr), -1);
}

TEST_F(PdevTest, PageCollectNeedsFlush) {
  const struct {
    const char* name;
    uint32_t flags, state, mode;
    int expected;
  } cases[] = {
      {"recorded, no keep", 0xF, 0x8001 | 0x04, 1, 1}, {"more flags", 0x804F, 0x8001 | 0x24, 2, 1},
      {"keep bit", 0xF, 0x8001 | 0x06, 1, 0},          {"spool mode 0", 0xF, 0x8001 | 0x04, 0, 0},
      {"no page recorded", 0xF, 0x8000, 1, 0},         {"no logical page", 0x7, 0x8001 | 0x04, 1, 0},
      {"no document", 0xE, 0x8001 | 0x04, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PdevPipeline& p = pdev()->pipeline;
    p.pipelineFlags = c.flags;
    p.spoolState = c.state;
    p.spoolMode = c.mode;
    EXPECT_EQ(PageCollectNeedsFlush(pdev()), c.expected);
  }
  EXPECT_EQ(PageCollectNeedsFlush(nullptr), 0);
}

}  // namespace
