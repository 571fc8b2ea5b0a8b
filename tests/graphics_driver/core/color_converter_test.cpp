// The colour converter on the default printer's settings (colour mode, every
// colour setting 0 unless a case names it): the stages the settings switch
// on, the brightness/contrast pairs, the run flags of images, the colour
// library's parameter check, and the conversion of images and solid colours.
#include <cstring>
#include <fstream>
#include <vector>

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/colour_transforms/icc_test_profiles.h"
#include "pdev_fixture.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_path.h"

namespace {

using pk::test::PdevTest;
using Settings = std::vector<std::pair<SettingId, int64_t>>;

class ColourTest : public PdevTest {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    ClearColourSettings();
  }
  void ClearColourSettings() {
    Set(293, 2);  // colour: the colour settings apply
    for (SettingId id : {270, 482, 273, 286, 287, 288, 291, 471, 472, 473, 474, 476, 477, 479}) Set(id, 0);
    for (SettingId id = 274; id <= 285; ++id) Set(id, 0);
    SetText(289, u"");
    SetText(290, u"");
  }
  void TearDown() override {
    FreeColorConverter(&converter_);
    PdevTest::TearDown();
  }
  ColorConverter* Make(const Settings& settings) {
    for (const auto& [id, value] : settings) Set(id, value);
    FreeColorConverter(&converter_);
    EXPECT_EQ(CreateColorConverter(&converter_, &pdev()->devmode, nullptr, nullptr), 0);
    return converter_;
  }
  int Prepare(uint32_t bits = 24, uint32_t width = 100, uint32_t rows = 50, uint32_t type = 2) {
    return PrepareImageColor(converter_, &list_, &pdev()->devmode, pdev(), nullptr, width, rows, bits, type, 0xCC, 3);
  }
  ColorConverter* converter_ = nullptr;
  PageImageList list_{};
};

TEST_F(ColourTest, SetupFlagsFollowTheSettings) {
  const struct {
    const char* name;
    Settings settings;
    uint16_t flags;
  } cases[] = {
      {"none", {}, 0},
      {"kind-0 matrix", {{482, 1}, {273, 1}, {275, 10}}, 0x1},
      {"kind-0 matrix and pair", {{482, 1}, {273, 1}, {275, 10}, {474, 1}}, 0x3},
      {"kind-0 values all 0", {{482, 1}, {273, 1}, {474, 1}}, 0},
      {"kind-1 matrix and pair", {{482, 1}, {273, 2}, {280, 3}, {477, 1}}, 0xC},
      {"kind-2 matrix", {{482, 1}, {273, 4}, {277, 20}}, 0x10},
      {"bit of another kind", {{482, 1}, {273, 2}, {275, 10}}, 0},
      {"grey output keeps the pairs off", {{270, 1}, {482, 1}, {273, 3}, {275, 10}, {276, 4}, {474, 1}, {477, 1}}, 0x5},
      {"common matrix", {{482, 0}, {273, 4}, {274, 5}}, 0x20},
      {"common matrix and pair", {{482, 0}, {273, 1}, {282, 7}, {477, 1}}, 0x60},
      {"common values ignored with 482", {{482, 1}, {273, 7}, {274, 5}}, 0},
      {"white point and gamma", {{286, 1}, {287, 3}, {288, 2}}, 0x80},
      {"white point index 6", {{286, 1}, {287, 6}, {288, 2}}, 0},
      {"gamma index 10", {{286, 1}, {287, 0}, {288, 10}}, 0},
      {"colour library", {{291, 2}}, 0x400},
      {"monochrome mode", {{293, 1}, {482, 1}, {273, 1}, {275, 10}}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearColourSettings();
    ASSERT_NE(Make(c.settings), nullptr);
    EXPECT_EQ(converter_->setupFlags, c.flags);
  }
}

// Writes a usable profile into the machine root.
void PlaceProfile(const std::u16string& windowsPath) {
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(windowsPath.c_str(), nullptr, &host), 0u);
  const auto bytes = pk::test::MonitorProfile(pk::test::GammaTag(2.2), 0.9505, 1, 1.089);
  std::ofstream(host, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST_F(ColourTest, ProfileFlagsNeedTheirFiles) {
  PlaceProfile(u"C:\\p.icc");
  PlaceProfile(u"C:\\q.icc");
  SetText(289, u"C:\\p.icc");
  ASSERT_NE(Make({{286, 2}, {471, 1}}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0x100);
  ASSERT_NE(Make({{472, 1}, {473, 1}}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0x300);
  ASSERT_NE(Make({{471, 0}, {473, 0}}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0);  // 290 names no file
  SetText(290, u"C:\\q.icc");
  ASSERT_NE(Make({}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0x200);
  SetText(289, u"");
  ASSERT_NE(Make({{471, 1}, {473, 1}}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0);
}

// A profile that cannot be used is asked about; OK goes on without it, and
// without a printer no colour library is bound.
TEST_F(ColourTest, UnusableProfileAndNoLibraryWithoutPrinter) {
  SetText(289, u"C:\\missing.icc");
  pk::seams::QueueMessageBoxAnswer(IDOK);
  ASSERT_NE(Make({{286, 2}, {471, 1}, {472, 1}, {473, 1}, {291, 2}}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0x400);
  EXPECT_EQ(converter_->firstTransform, nullptr);
  EXPECT_EQ(converter_->sourceTransform, nullptr);
  EXPECT_EQ(converter_->secondTransform, nullptr);
  EXPECT_EQ(converter_->libraryHandle, 0u);
  EXPECT_EQ(converter_->library, nullptr);
  for (FARPROC entry : converter_->libraryEntries) EXPECT_EQ(entry, nullptr);
  EXPECT_EQ(pk::seams::MessageBoxCalls().size(), 1u);
}

TEST_F(ColourTest, MatricesAndPairsLandInTheirStorage) {
  ASSERT_NE(Make({{482, 0}, {273, 4}, {274, 5}, {474, 1}}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0x60);
  for (int kind = 0; kind < 3; ++kind) EXPECT_EQ(converter_->matrix[kind], &converter_->matrixStorage[0]);
  EXPECT_EQ(converter_->pair[0], &converter_->pairStorage[0]);
  EXPECT_EQ(converter_->pair[1], &converter_->pairStorage[0]);
  ColorAdjustMatrix expected;
  ASSERT_EQ(BuildColorAdjustMatrix(&expected, 5, 0, 0), 0);
  EXPECT_EQ(std::memcmp(&expected, &converter_->matrixStorage[0], sizeof expected), 0);

  ASSERT_NE(Make({{482, 1}, {273, 7}, {274, 0}, {275, 1}, {276, 2}, {277, 3}, {477, 1}}), nullptr);
  EXPECT_EQ(converter_->setupFlags, 0x1F);
  for (int kind = 0; kind < 3; ++kind) {
    EXPECT_EQ(converter_->matrix[kind], &converter_->matrixStorage[kind]);
    ASSERT_EQ(BuildColorAdjustMatrix(&expected, SHORT(kind + 1), 0, 0), 0);
    EXPECT_EQ(std::memcmp(&expected, converter_->matrix[kind], sizeof expected), 0) << kind;
  }
  EXPECT_EQ(converter_->pair[0], &converter_->pairStorage[0]);
  EXPECT_EQ(converter_->pair[1], &converter_->pairStorage[1]);
}

TEST_F(ColourTest, BrightnessContrastPairs) {
  const struct {
    int64_t brightness, contrast, saturation;
    int32_t gain, offset;
  } cases[] = {
      {40, -50, 0, 55705, 3817472},
      {-30, 150, 0, 85196, -5996544},  // contrast clamped to 100
      {0, 0, 5, 65536, 0},
      {-150, -100, 0, 45875, 1736704},  // brightness clamped to -100
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.brightness);
    ASSERT_NE(Make({{482, 1}, {273, 1}, {474, 1}, {275, c.brightness}, {283, c.contrast}, {279, c.saturation}}),
              nullptr);
    EXPECT_EQ(converter_->setupFlags, 0x3);
    ASSERT_NE(converter_->pair[0], nullptr);
    EXPECT_EQ(converter_->pair[0]->gain, c.gain);
    EXPECT_EQ(converter_->pair[0]->offset, c.offset);
  }
  EXPECT_EQ(BuildBrightnessContrastPair(nullptr, 0, 0), -1);
}

TEST_F(ColourTest, CheckLibraryParamsKeepsTheLastImage) {
  ColorLibraryParams record{};
  auto check = [&](uint32_t width, uint32_t rows, uint32_t bits = 24, uint32_t type = 2, uint32_t code = 0xCC) {
    return CheckLibraryParams(&record, width, rows, bits, type, code, 3);
  };
  EXPECT_EQ(check(100, 50), 6);
  EXPECT_EQ(check(100, 50), 7);
  EXPECT_EQ(check(120, 50), 7);
  EXPECT_EQ(record.width, 0u);
  EXPECT_EQ(record.rows, 50u);
  EXPECT_EQ(check(120, 50), 7);
  EXPECT_EQ(check(120, 60), 6);
  EXPECT_EQ(record.width, 120u);
  EXPECT_EQ(check(120, 70), 7);  // only the row count changed
  EXPECT_EQ(record.rows, 0u);
  EXPECT_EQ(check(120, 80), 7);  // only a width stored, the same
  EXPECT_EQ(check(130, 80), 6);
  EXPECT_EQ(check(140, 90), 6);  // both changed
  EXPECT_EQ(check(140, 90, 32), 6);
  EXPECT_EQ(check(140, 90, 8), 8);
  EXPECT_EQ(record.pass, 0u);
  EXPECT_EQ(record.width, 0u);
  EXPECT_EQ(check(100, 50), 6);
  EXPECT_EQ(check(100, 50, 24, 3), 8);
  EXPECT_EQ(check(100, 50), 6);
  EXPECT_EQ(check(100, 50, 24, 2, 0x66), 8);
}

TEST_F(ColourTest, PrepareImageColorSetsTheRunFlags) {
  ASSERT_NE(Make({{270, 1}}), nullptr);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(converter_->runFlags, kRunGrey);
  EXPECT_EQ(ConverterMode(converter_), 3);

  ASSERT_NE(Make({{270, 0}, {482, 1}, {273, 4}, {277, 20}}), nullptr);
  converter_->runFlags = kRunColorLibrary | kRunGrey | kRunFirstTransform;
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(converter_->runFlags, kRunColorLibrary | kRunImageMatrix);
  EXPECT_EQ(ConverterMode(converter_), 4);
  EXPECT_EQ(ConverterMode(nullptr), -1);
}

// With a colour library, a change of parameters flushes the page images
// first; an image that takes no part switches the library off.
TEST_F(ColourTest, PrepareImageColorFollowsTheLibraryParameters) {
  ASSERT_NE(Make({{291, 2}}), nullptr);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(converter_->libraryMode, 2);
  EXPECT_EQ(converter_->runFlags & kRunColorLibrary, 0);  // no library handle

  converter_->libraryHandle = 5;
  pdev()->pageImages = &list_;
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(converter_->runFlags & kRunColorLibrary, kRunColorLibrary);
  EXPECT_EQ(list_.params.width, 100u);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(converter_->runFlags & kRunColorLibrary, kRunColorLibrary);
  EXPECT_EQ(Prepare(8), 0);
  EXPECT_EQ(converter_->runFlags & kRunColorLibrary, 0);
  EXPECT_EQ(list_.params.width, 0u);
  pdev()->pageImages = nullptr;
}

// ---- Images -----------------------------------------------------------------

TEST_F(ColourTest, ConvertImageToGrey) {
  ASSERT_NE(Make({{270, 1}}), nullptr);
  ASSERT_EQ(Prepare(), 0);
  const std::vector<BYTE> image = {200, 150, 100, 255, 0, 0, 128, 128, 128, 255, 255, 255};
  std::vector<BYTE> out(4, 0xAA);
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 2, 2, nullptr, nullptr, 0, kImageKindRgb, 24), 2);
  EXPECT_EQ(out, (std::vector<BYTE>{115, 228, 127, 0}));
}

TEST_F(ColourTest, ConvertImageArguments) {
  ASSERT_NE(Make({}), nullptr);
  ASSERT_EQ(Prepare(), 0);
  ASSERT_EQ(converter_->runFlags, 0);
  const std::vector<BYTE> image = {1, 2, 3, 4, 5, 6};
  std::vector<BYTE> out(6);
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 2, 1, nullptr, nullptr, 0, kImageKindRgb, 12), -1);
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 65536, 1, nullptr, nullptr, 0, kImageKindRgb, 24), -5);
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 1, 65536, nullptr, nullptr, 0, kImageKindRgb, 24), -5);
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 2, 1, nullptr, nullptr, 0, 2, 24), -1);
  EXPECT_EQ(ConvertImage(nullptr, image.data(), out.data(), 2, 1, nullptr, nullptr, 0, kImageKindRgb, 24), -1);
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 2, 1, nullptr, out.data(), 2, kImageKindIndexed, 8), -1);
  EXPECT_EQ(
      ConvertImage(converter_, image.data(), out.data(), 2, 1, image.data(), out.data(), 2, kImageKindIndexed, 24), -1);
  // No stage: the bytes are copied.
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), 2, 1, nullptr, nullptr, 0, kImageKindRgb, 24), 1);
  EXPECT_EQ(out, image);
}

TEST_F(ColourTest, IndexedImagesConvertOnlyTheirPalette) {
  ASSERT_NE(Make({{270, 1}}), nullptr);
  ASSERT_EQ(Prepare(8), 0);
  const std::vector<BYTE> palette = {200, 150, 100, 255, 255, 255};
  std::vector<BYTE> pixels = {0, 1, 1, 0};
  std::vector<BYTE> out(4, 0xAA), paletteOut(6, 0xAA);
  EXPECT_EQ(ConvertImage(converter_, pixels.data(), out.data(), 2, 2, palette.data(), paletteOut.data(), 2,
                         kImageKindIndexed, 8),
            2);
  EXPECT_EQ(paletteOut, (std::vector<BYTE>{115, 0, 0xAA, 0xAA, 0xAA, 0xAA}));
  EXPECT_EQ(out, std::vector<BYTE>(4, 0xAA));
  EXPECT_EQ(pixels, (std::vector<BYTE>{0, 1, 1, 0}));

  // A palette count past 2^bits is cut: two entries at 1 bit, nothing read
  // past them.
  std::vector<BYTE> twoEntries = {10, 10, 10, 20, 20, 20};
  std::vector<BYTE> greyOut(2);
  EXPECT_EQ(
      ConvertImage(converter_, nullptr, nullptr, 8, 1, twoEntries.data(), greyOut.data(), 256, kImageKindIndexed, 1),
      2);
  EXPECT_EQ(greyOut, (std::vector<BYTE>{245, 235}));
}

TEST_F(ColourTest, ImageMatrixMatchesTheColourAdjustment) {
  ASSERT_NE(Make({{482, 1}, {273, 4}, {277, 20}}), nullptr);
  ASSERT_EQ(Prepare(), 0);
  ASSERT_EQ(converter_->runFlags, kRunImageMatrix);
  std::vector<BYTE> image;
  for (int v = 0; v < 256; v += 15) image.insert(image.end(), {BYTE(v), BYTE(255 - v), BYTE(v / 2)});
  const uint32_t count = uint32_t(image.size() / 3);
  ColorAdjustMatrix matrix;
  ASSERT_EQ(BuildColorAdjustMatrix(&matrix, 20, 0, 0), 0);
  std::vector<BYTE> expected(image.size()), out(image.size());
  ApplyColorAdjustMatrix(&matrix, image.data(), expected.data(), count);
  ASSERT_NE(expected, image);
  EXPECT_EQ(ConvertImage(converter_, image.data(), out.data(), count, 1, nullptr, nullptr, 0, kImageKindRgb, 24), 1);
  EXPECT_EQ(out, expected);
  std::vector<BYTE> paletteOut(image.size());
  EXPECT_EQ(
      ConvertImage(converter_, nullptr, nullptr, 4, 4, image.data(), paletteOut.data(), count, kImageKindIndexed, 8),
      1);
  EXPECT_EQ(paletteOut, expected);

  // With grey output the matrix runs first.
  Set(270, 1);
  ASSERT_EQ(Prepare(), 0);
  ASSERT_EQ(converter_->runFlags, kRunImageMatrix | kRunGrey);
  std::vector<BYTE> grey(count), expectedGrey(count);
  for (uint32_t i = 0; i < count; ++i) {
    const BYTE* p = &expected[3 * i];
    expectedGrey[i] = BYTE(255 - ((28 * p[0] + 151 * p[1] + 77 * p[2]) >> 8));
  }
  EXPECT_EQ(ConvertImage(converter_, image.data(), grey.data(), count, 1, nullptr, nullptr, 0, kImageKindRgb, 24), 2);
  EXPECT_EQ(grey, expectedGrey);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(ConvertImage(converter_, image.data(), grey.data(), count, 1, nullptr, nullptr, 0, kImageKindRgb, 24), -1);
  pk::seams::FailNthAllocation(0);
}

// ---- Solid colours ----------------------------------------------------------

class SolidColourTest : public ColourTest {
 protected:
  int Convert(const std::vector<BYTE>& colours, uint32_t kind, uint32_t width = 0) {
    out_.assign(colours.size(), 0xAA);
    return ConvertSolidColors(converter_, &counter_, pdev(), &pdev()->devmode, colours.data(), out_.data(),
                              width ? width : uint32_t(colours.size() / 3), 1, 0, kind, 0);
  }
  ColorCounter counter_{};
  std::vector<BYTE> out_;
};

const std::vector<BYTE> kGreys = {10, 10, 10, 200, 200, 200};
const std::vector<BYTE> kColours = {10, 10, 10, 0, 0, 255};

TEST_F(SolidColourTest, ProcessingWords) {
  const struct {
    const char* name;
    Settings settings;
    const std::vector<BYTE>* colours;
    uint32_t kind;
    uint16_t word;
  } cases[] = {
      {"grey with 474", {{474, 1}}, &kGreys, 0, 0x1},
      {"grey with 474 and pair", {{474, 1}, {482, 1}, {273, 1}, {275, 10}}, &kGreys, 0, 0x5},
      {"colour with 474 and matrix", {{474, 1}, {482, 1}, {273, 1}, {275, 10}}, &kColours, 0, 0x2},
      {"grey without 474", {{482, 1}, {273, 1}, {275, 10}}, &kGreys, 0, 0x2},
      {"kind 1 grey with 477 and pair", {{477, 1}, {482, 1}, {273, 2}, {276, 10}}, &kGreys, 1, 0x5},
      {"kind 1 without its matrix", {{477, 1}, {482, 1}, {273, 1}, {275, 10}}, &kColours, 1, 0},
      {"grey output, 476 on", {{270, 1}, {476, 1}, {482, 1}, {273, 1}, {275, 10}}, &kColours, 0, 0x20},
      {"grey output, 476 off", {{270, 1}, {482, 1}, {273, 1}, {275, 10}}, &kGreys, 0, 0x2},
      {"grey output, 479 on", {{270, 1}, {479, 1}}, &kGreys, 1, 0x20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClearColourSettings();
    ASSERT_NE(Make(c.settings), nullptr);
    EXPECT_EQ(Convert(*c.colours, c.kind), 1);
    EXPECT_EQ(converter_->solidWord[c.kind], c.word);
    EXPECT_EQ(out_, *c.colours);
  }
}

TEST_F(SolidColourTest, ArgumentsAndTheCounter) {
  ASSERT_NE(Make({{474, 1}}), nullptr);
  EXPECT_EQ(Convert(kGreys, 2), -1);
  EXPECT_EQ(Convert(kGreys, 0, 70000), -5);
  EXPECT_EQ(ConvertSolidColors(nullptr, &counter_, pdev(), &pdev()->devmode, kGreys.data(), out_.data(), 2, 1, 0, 0, 0),
            -1);
  // A counter that says all grey is believed without a scan.
  counter_.result = kColourAllGrey;
  EXPECT_EQ(Convert(kColours, 0), 1);
  EXPECT_EQ(converter_->solidWord[0], 0x1);
  EXPECT_EQ(out_, kColours);
}

TEST(ColourCounter, CheckColourCounterAnswers) {
  ColorCounter counter{};
  const std::vector<BYTE>& grey = kGreys;
  const std::vector<BYTE>& colour = kColours;
  EXPECT_EQ(CheckColourCounter(&counter, grey.data(), 2, 1, kImageKindRgb, 24, 1), 2);
  EXPECT_EQ(CheckColourCounter(&counter, colour.data(), 2, 1, kImageKindRgb, 24, 1), 1);
  EXPECT_EQ(CheckColourCounter(&counter, grey.data(), 2, 1, kImageKindIndexed, 8, 1), -1);
  counter.result = kColourFound;
  EXPECT_EQ(CheckColourCounter(&counter, grey.data(), 2, 1, kImageKindRgb, 24, 1), 1);
  EXPECT_EQ(CheckColourCounter(&counter, grey.data(), 2, 1, kImageKindRgb, 24, 0), 2);
  counter.result = kColourAllGrey;
  EXPECT_EQ(CheckColourCounter(&counter, colour.data(), 2, 1, kImageKindRgb, 24, 0), 2);
  counter.result = kColourNearGrey;
  EXPECT_EQ(CheckColourCounter(&counter, colour.data(), 2, 1, kImageKindRgb, 24, 1), 1);

  ColorCounter* made = nullptr;
  EXPECT_EQ(CreateColorCounter(nullptr), -1);
  ASSERT_EQ(CreateColorCounter(&made), 0);
  EXPECT_EQ(made->result, 0u);
  EXPECT_EQ(FreeColorCounter(&made), 0);
  EXPECT_EQ(made, nullptr);
  EXPECT_EQ(FreeColorCounter(nullptr), -1);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(CreateColorCounter(&made), -2);
  pk::seams::FailNthAllocation(0);
}

}  // namespace
