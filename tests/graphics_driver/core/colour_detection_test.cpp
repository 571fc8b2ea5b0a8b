// Colour detection: near grey, the scans of RGB and indexed images with
// palettes shorter than their indexes, and the detection of a page's colour
// while the page spool records it.
#include <memory>
#include <vector>

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "pdev_fixture.h"

namespace {

using pk::test::PdevTest;

TEST(ColourDetection, IsNearGrey) {
  const struct {
    int r, g, b;
    bool near;
  } cases[] = {
      {100, 104, 98, true},    // mean 100.67, tolerance 5
      {60, 64, 62, true},      //
      {100, 106, 100, true},   // mean 102: 106 is within 5
      {7, 7, 7, true},         //
      {255, 255, 255, true},   //
      {200, 205, 200, false},  // mean 201.67, tolerance 2
      {190, 196, 190, false},  // mean 192: tolerance 2 from there on
      {100, 110, 100, false},  // mean 103.33: 110 is not
      {189, 192, 189, true},   // mean 190: still tolerance 5
      {0, 0, 3, true},         // mean 1
      {0, 0, 9, false},        // mean 3
  };
  for (const auto& c : cases) EXPECT_EQ(IsNearGrey(c.r, c.g, c.b), c.near) << c.r << "," << c.g << "," << c.b;
}

TEST(ColourDetection, ScanRgbGrey) {
  EXPECT_EQ(ScanRgbGrey(nullptr, 0, 0, 1), 2);
  EXPECT_EQ(ScanRgbGrey(nullptr, 0, 0, 2), 3);
  EXPECT_EQ(ScanRgbGrey(nullptr, 0, 0, 5), 4);
  const BYTE nearGrey[] = {98, 104, 100};
  EXPECT_EQ(ScanRgbGrey(nearGrey, 1, 1, 1), 1);
  EXPECT_EQ(ScanRgbGrey(nearGrey, 1, 1, 2), 3);
  EXPECT_EQ(ScanRgbGrey(nearGrey, 1, 1, 3), 4);
  const BYTE rows[] = {5, 5, 5, 9, 9, 9, 200, 200, 200, 0, 0, 255};
  EXPECT_EQ(ScanRgbGrey(rows, 3, 1, 1), 2);
  EXPECT_EQ(ScanRgbGrey(rows, 2, 2, 1), 1);
  EXPECT_EQ(ScanRgbGrey(rows, 2, 2, 2), 1);
}

TEST(ColourDetection, ScanIndexedGrey) {
  const std::vector<BYTE> greyPalette = {0, 0, 0, 50, 50, 50, 255, 255, 255};
  const std::vector<BYTE> nearPalette = {0, 0, 0, 98, 104, 100};
  const std::vector<BYTE> colourPalette = {0, 0, 0, 0, 0, 255};  // entry 1 is colour
  const BYTE zeros[2] = {0, 0};
  EXPECT_EQ(ScanIndexedGrey(zeros, 2, 1, greyPalette.data(), 3, 2, 1), 4);
  EXPECT_EQ(ScanIndexedGrey(zeros, 2, 1, greyPalette.data(), 3, 8, 5), 4);
  // A grey palette answers without reading pixels.
  EXPECT_EQ(ScanIndexedGrey(nullptr, 16, 16, greyPalette.data(), 3, 4, 1), 2);
  EXPECT_EQ(ScanIndexedGrey(nullptr, 16, 16, nearPalette.data(), 2, 4, 2), 3);
  // A near-grey palette is scanned in exact mode.
  const BYTE usesNear[1] = {0x01};
  EXPECT_EQ(ScanIndexedGrey(usesNear, 2, 1, nearPalette.data(), 2, 4, 1), 1);
  EXPECT_EQ(ScanIndexedGrey(usesNear, 1, 1, nearPalette.data(), 2, 4, 1), 2);  // high nibble first
  const struct {
    const char* name;
    std::vector<BYTE> pixels;
    uint32_t width, rows, bits;
    int expected;
  } cases[] = {
      {"1 bit, index 0 only", {0x00, 0x00}, 8, 2, 1, 2},
      {"1 bit, index 1 in the last column", {0x00, 0x01}, 8, 2, 1, 1},
      {"1 bit, padding bits ignored", {0x01}, 7, 1, 1, 2},
      {"4 bits, low nibble", {0x01}, 2, 1, 4, 1},
      {"4 bits, odd width", {0x00, 0x01}, 3, 1, 4, 2},
      {"8 bits", {0, 0, 0, 1}, 2, 2, 8, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScanIndexedGrey(c.pixels.data(), c.width, c.rows, colourPalette.data(), 2, c.bits, 1), c.expected);
  }
}

// An index past a short palette is black and never read: the palette lies in
// a block of exactly its size, so the address sanitizer sees any read past it.
TEST(ColourDetection, IndexesPastThePaletteAreBlack) {
  auto palette = std::make_unique<BYTE[]>(16 * 3);
  for (int i = 0; i < 16; ++i) palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = BYTE(16 * i);
  palette[3 * 5] = 255;  // entry 5 is colour
  const BYTE pixels[] = {200, 200, 3};
  EXPECT_EQ(ScanIndexedGrey(pixels, 3, 1, palette.get(), 16, 8, 1), 2);
  EXPECT_EQ(ScanIndexedGrey(pixels, 3, 1, palette.get(), 16, 8, 2), 3);
  // A palette count above 2^bits is cut to it.
  const BYTE fourBit[] = {0x35};
  EXPECT_EQ(ScanIndexedGrey(fourBit, 2, 1, palette.get(), 1000, 4, 1), 1);
  auto two = std::make_unique<BYTE[]>(2 * 3);
  two[0] = two[1] = two[2] = 0;
  two[3] = two[4] = two[5] = 9;
  const BYTE oneBit[] = {0xFF};
  EXPECT_EQ(ScanIndexedGrey(oneBit, 8, 1, two.get(), 256, 1, 1), 2);

  PageColorSet set;
  ASSERT_EQ(InitPageColorSet(&set, 1, 15, 1), 0);
  EXPECT_EQ(CollectDistinctColors(&set, pixels, 2, 1, 8, 1, palette.get(), 16), 0);
  EXPECT_EQ(set.count, 1);
  EXPECT_EQ(set.colours[0], 0u);
  EXPECT_EQ(set.on, 1u);
}

class DetectionTest : public PdevTest {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    PdevPipeline& p = pdev()->pipeline;
    p.pipelineFlags = 0xF;
    p.spoolState = 0x8001 | 0x04;
    p.spoolMode = 1;
    InitPageColorSet(&p.pageColorSet, 0, 15, 0);
  }
  int Detect(const BYTE* data, uint32_t width, uint32_t rows, const BYTE* palette, uint32_t paletteCount, uint32_t kind,
             uint32_t bits) {
    counter_.result = 0;
    return DetectColourContent(&counter_, &pdev()->pipeline.pageColorSet, pdev(), data, width, rows, palette,
                               paletteCount, kind, bits);
  }
  ColorCounter counter_{};
};

TEST_F(DetectionTest, IdleCollectionIsNotTested) {
  for (uint32_t state : {0u, 0x8000u}) {
    pdev()->pipeline.spoolState = state;
    const BYTE blue[] = {255, 0, 0};
    EXPECT_EQ(Detect(blue, 1, 1, nullptr, 0, kImageKindRgb, 24), 0);
    EXPECT_EQ(counter_.result, kColourNotTested);
    EXPECT_EQ(pdev()->pipeline.spoolMode, 1u);
  }
}

TEST_F(DetectionTest, ColourMarksThePage) {
  const BYTE pixels[] = {10, 10, 10, 0, 0, 255};
  EXPECT_EQ(Detect(pixels, 2, 1, nullptr, 0, kImageKindRgb, 24), 0);
  EXPECT_EQ(counter_.result, kColourFound);
  EXPECT_EQ(pdev()->pipeline.spoolMode, 2u);

  EXPECT_EQ(Detect(pixels, 2, 1, nullptr, 0, 2, 24), -1);
  EXPECT_EQ(counter_.result, kColourNotTested);
  EXPECT_EQ(Detect(pixels, 2, 1, nullptr, 0, kImageKindIndexed, 8), -1);  // no palette
}

TEST_F(DetectionTest, FlushNeededDecidesExactly) {
  const BYTE nearGrey[] = {98, 104, 100};
  EXPECT_EQ(Detect(nearGrey, 1, 1, nullptr, 0, kImageKindRgb, 24), 0);
  EXPECT_EQ(counter_.result, kColourFound);

  pdev()->pipeline.spoolState = 0x8001 | 0x02;
  pdev()->pipeline.spoolMode = 1;
  EXPECT_EQ(Detect(nearGrey, 1, 1, nullptr, 0, kImageKindRgb, 24), 0);
  EXPECT_EQ(counter_.result, kColourNearGrey);
  EXPECT_EQ(pdev()->pipeline.spoolMode, 1u);

  const std::vector<BYTE> nearPalette = {0, 0, 0, 98, 104, 100};
  const BYTE indexes[] = {0, 1, 1, 0};
  EXPECT_EQ(Detect(indexes, 4, 1, nearPalette.data(), 2, kImageKindIndexed, 8), 0);
  EXPECT_EQ(counter_.result, kColourNearGrey);
}

TEST_F(DetectionTest, ColoursGoToThePageSetWhileItIsOn) {
  PageColorSet& set = pdev()->pipeline.pageColorSet;
  ASSERT_EQ(InitPageColorSet(&set, 1, 2, 0), 0);
  const BYTE pixels[] = {255, 0, 0, 255, 255, 255, 0, 0, 255};  // R, G, B bytes
  EXPECT_EQ(Detect(pixels, 3, 1, nullptr, 0, kImageKindRgb, 24), 0);
  EXPECT_EQ(set.count, 2);
  EXPECT_EQ(set.colours[0], 0xFF0000u);
  EXPECT_EQ(set.colours[1], 0x0000FFu);
  EXPECT_EQ(set.on, 1u);

  // Indexed colours are looked up in the palette, bytes R, G, B.
  const std::vector<BYTE> palette = {0, 255, 0, 255, 255, 255};
  const BYTE indexes[] = {0x40};  // 1 bit: 0, 1, 0, 0
  EXPECT_EQ(Detect(indexes, 4, 1, palette.data(), 2, kImageKindIndexed, 1), 0);
  EXPECT_EQ(set.on, 0u);
  EXPECT_EQ(counter_.result, kColourFound);

  // A set that is off is left alone.
  EXPECT_EQ(Detect(pixels, 3, 1, nullptr, 0, kImageKindRgb, 24), 0);
}

}  // namespace
