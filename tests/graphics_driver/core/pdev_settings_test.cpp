// The PDEV's setting accessors on the default printer's settings: the value
// maps of the coded accessors, flag bits, texts and their bounds, paper series
// and the unit conversions.
#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/pdev_settings.h"
#include "pdev_fixture.h"

namespace {

using pk::test::PdevTest;

struct MapCase {
  const char* name;
  int (*accessor)(const PdevState*);
  std::vector<std::pair<SettingId, int64_t>> settings;
  int expected;
};

TEST_F(PdevTest, CodedAccessorsMapTheirValues) {
  const MapCase cases[] = {
      {"media source 7", GetPjlMediaSource, {{265, 7}}, 0},
      {"media source 1", GetPjlMediaSource, {{265, 1}}, 1},
      {"media source 3", GetPjlMediaSource, {{265, 3}}, 2},
      {"media source 2", GetPjlMediaSource, {{265, 2}}, 3},
      {"media source 257", GetPjlMediaSource, {{265, 257}}, 4},
      {"media source 4", GetPjlMediaSource, {{265, 4}}, 5},
      {"media type 31", GetPjlMediaType, {{388, 31}}, 1},
      {"media type 5", GetPjlMediaType, {{388, 5}}, 2},
      {"media type 6", GetPjlMediaType, {{388, 6}}, 3},
      {"media type 0", GetPjlMediaType, {{388, 0}}, 0},
      {"n-up 1", GetNupMode, {{295, 1}, {264, 3}}, 0},
      {"n-up 2", GetNupMode, {{295, 2}, {264, 3}}, 1},
      {"n-up 4 order 3", GetNupMode, {{295, 4}, {264, 3}}, 2},
      {"n-up 8 order 0", GetNupMode, {{295, 8}, {264, 0}}, 3},
      {"rotate 0", GetImageRotateMode, {{437, 0}}, 0},
      {"rotate 4", GetImageRotateMode, {{437, 4}}, -1},
      {"rotate 2", GetImageRotateMode, {{437, 2}}, 1},
      {"resolution 0", GetOutputResolutionDpi, {{1043, 0}}, 0},
      {"resolution 1", GetOutputResolutionDpi, {{1043, 1}}, 400},
      {"resolution 2", GetOutputResolutionDpi, {{1043, 2}}, 600},
      {"label corner 0x101", GetLabelCorner, {{303, 0x101}}, 0},
      {"label corner 0x301", GetLabelCorner, {{303, 0x301}}, 1},
      {"label corner 0x103", GetLabelCorner, {{303, 0x103}}, 2},
      {"label corner 0x303", GetLabelCorner, {{303, 0x303}}, 3},
      {"413 is 1", GetSetting413Code, {{413, 1}}, 3},
      {"413 is 3", GetSetting413Code, {{413, 3}}, 3},
      {"413 is 2", GetSetting413Code, {{413, 2}}, 2},
      {"413 is 0", GetSetting413Code, {{413, 0}}, 2},
      {"rotated PJL", IsImageRotated, {{1032, 1}, {437, 2}}, 1},
      {"rotated bare TIFF", IsImageRotated, {{1032, 0}, {437, 2}}, 0},
      {"rotate 4 is no rotation", IsImageRotated, {{1032, 1}, {437, 4}}, 0},
      {"page handling with 470", GetPageHandlingMode, {{470, 1}, {453, 0}, {373, 5}}, 2},
      {"page handling with 453", GetPageHandlingMode, {{470, 0}, {453, 1}, {373, 5}}, 1},
      {"page handling with 373 = 0", GetPageHandlingMode, {{470, 0}, {453, 0}, {373, 0}}, 1},
      {"page handling with 373 = 5", GetPageHandlingMode, {{470, 0}, {453, 0}, {373, 5}}, 0},
      {"owner source 0", GetOwnerNameSource, {{1031, 0}}, 0},
      {"owner source 1", GetOwnerNameSource, {{1031, 1}}, 1},
      {"owner source 7", GetOwnerNameSource, {{1031, 7}}, 2},
  };
  for (const MapCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [id, value] : c.settings) Set(id, value);
    EXPECT_EQ(c.accessor(pdev()), c.expected);
  }
}

TEST_F(PdevTest, SettingsOf373AndMargins) {
  Set(373, 1234);
  Set(453, 0);
  EXPECT_EQ(GetSetting373(pdev()), 1234);
  Set(453, 1);
  EXPECT_EQ(GetSetting373(pdev()), 0);
  Set(21, 300);
  Set(351, 100);
  EXPECT_EQ(GetTopMarginDots(pdev()), 118);
  Set(352, -100);
  EXPECT_EQ(GetUnderMarginDots(pdev()), -118);
}

// Each flag accessor reads exactly its own bit of the flag word: id 449 + n is
// bit n.
TEST_F(PdevTest, FlagAccessorsReadTheirOwnBit) {
  const std::pair<SettingId, int (*)(const PdevState*)> flags[] = {
      {449, IsScalingOn},        {451, IsReverseOrder},  {467, IsLabelTextOn},    {468, IsLabelDateOn},
      {469, IsLabelTimeOn},      {470, IsFlag470},       {471, IsSaveToFileMode}, {475, IsPreviewMode},
      {477, IsTopUnderMarginOn}, {478, IsImageOffsetOn}, {479, IsFlag479},
  };
  for (const auto& [id, accessor] : flags) {
    SCOPED_TRACE(id);
    for (const auto& [other, unused] : flags) Set(other, other == id ? 0 : 1);
    EXPECT_EQ(accessor(pdev()), 0);
    for (const auto& [other, unused] : flags) Set(other, other == id ? 1 : 0);
    EXPECT_EQ(accessor(pdev()), 1);
  }
}

TEST_F(PdevTest, TextsAndFileNames) {
  WCHAR out[300];
  SetText(1051, u"C:\\");
  ASSERT_EQ(GetOutputFolderPath(pdev(), out), 1);
  EXPECT_EQ(std::u16string(out), u"C:\\");
  SetText(1051, u"C:\\out");
  ASSERT_EQ(GetOutputFolderPath(pdev(), out), 1);
  EXPECT_EQ(std::u16string(out), u"C:\\out\\");

  Set(1037, 0);
  const std::pair<std::u16string, std::u16string> names[] = {
      {u"a.b.doc", u"a.b"}, {u"Report", u"Report"}, {u".profile", u""}, {u"", u""}};
  for (const auto& [document, base] : names) {
    std::u16string padded = document;
    std::copy(padded.begin(), padded.end(), pdev()->jobArea.documentName);
    pdev()->jobArea.documentName[padded.size()] = 0;
    ASSERT_EQ(GetOutputFileBaseName(pdev(), out), 1);
    EXPECT_EQ(std::u16string(out), base);
  }
  Set(1037, 1);
  SetText(1300, u"Settings name");
  ASSERT_EQ(GetOutputFileBaseName(pdev(), out), 1);
  EXPECT_EQ(std::u16string(out), u"Settings name");
}

// A text as long as its field is copied terminated, never past the field.
TEST_F(PdevTest, TextCopiesStayWithinTheirFields) {
  for (SettingId id : {SettingId(1025), SettingId(299), SettingId(1051)}) {
    SCOPED_TRACE(id);
    UINT maxSize = 0;
    ASSERT_EQ(LookupSettingField(id, nullptr, nullptr, nullptr, &maxSize, &pdev()->devmode, settings_.data(), nullptr,
                                 nullptr, nullptr),
              kSettingOk);
    size_t chars = maxSize / 2;
    // Fill the stored field with no terminator at all.
    const BYTE* field = static_cast<const BYTE*>(GetPdevSettingPointer(pdev(), id));
    ASSERT_NE(field, nullptr);
    std::fill(const_cast<BYTE*>(field), const_cast<BYTE*>(field) + maxSize, BYTE('x'));
    std::vector<WCHAR> out(chars + 2, 0x7777);
    int (*copy)(const PdevState*, WCHAR*) = id == 1025  ? CopyOwnerName1
                                            : id == 299 ? CopyLabelText
                                                        : GetOutputFolderPath;
    ASSERT_EQ(copy(pdev(), out.data()), 1);
    size_t n = std::u16string(out.data()).size();
    EXPECT_EQ(n, id == 1051 ? chars : chars - 1);  // the folder gets its backslash
    EXPECT_EQ(out[chars + 1], 0x7777);
  }
}

TEST(PaperSeries, EveryCodeAndTheLargePapers) {
  const std::pair<int, std::vector<int>> series[] = {
      {1, {257, 270, 66, 8, 9}},
      {2, {259, 260, 261, 12}},
      {3, {317, 318, 319, 42}},
      {4, {295, 296, 297, 298, 299, 258, 268}},
      {5, {315}},
      {6, {269, 293, 271, 272, 294}},
      {7, {26, 25, 24, 3, 1}},
      {11, {274, 275, 276, 277}},
      {12, {278, 279, 280, 281}},
      {13, {320, 321, 322, 323}},
      {14, {282, 283, 284, 285, 286, 300, 301}},
      {15, {316}},
      {16, {302, 303, 304, 292}},
      {17, {311, 312, 313, 314}},
  };
  int listed = 0;
  for (const auto& [s, codes] : series)
    for (int code : codes) {
      EXPECT_EQ(GetPaperCodeSeries(code), s) << code;
      ++listed;
    }
  int found = 0;
  for (int code = -5; code < 1000; ++code) found += GetPaperCodeSeries(code) != 0;
  EXPECT_EQ(found, listed);
  EXPECT_EQ(GetPaperCodeSeries(999), 0);
  std::vector<int> large;
  for (int code = 0; code < 1000; ++code)
    if (IsLargePaperCode(code)) large.push_back(code);
  std::vector<int> expected;
  for (int c = 274; c <= 286; ++c) expected.push_back(c);
  expected.push_back(292);
  for (int c = 300; c <= 304; ++c) expected.push_back(c);
  for (int c = 311; c <= 314; ++c) expected.push_back(c);
  expected.push_back(316);
  for (int c = 320; c <= 323; ++c) expected.push_back(c);
  EXPECT_EQ(large, expected);
}

TEST(DeviceUnits, ConversionsTruncateInSinglePrecision) {
  EXPECT_EQ(MicronsToDeviceUnits(210000), 152390);
  EXPECT_EQ(DeviceUnitsToMicrons(152390), 209999);
  EXPECT_EQ(DeviceUnitsToDots(152390, 300), 2480);
  EXPECT_EQ(DeviceUnitsToDots(18432, 600), 600);
  EXPECT_EQ(MicronsToDeviceUnits(-25400), -18432);
  EXPECT_EQ(DeviceUnitsToDots(0xFFFFFFFFu, 0x7FFFFFFF), INT32_MAX);  // saturates, never undefined
}

TEST(AnsiText, BothDirections) {
  char ansi[8];
  ASSERT_EQ(WideToAnsi(u"Caf\u00e9", ansi, 8), 1);
  EXPECT_STREQ(ansi, "Caf\xe9");
  WCHAR wide[8];
  ASSERT_EQ(AnsiToWide(wide, "Caf\xe9", 8), 1);
  EXPECT_EQ(std::u16string(wide), u"Caf\u00e9");
  EXPECT_EQ(WideToAnsi(nullptr, ansi, 8), 0);
  EXPECT_EQ(AnsiToWide(wide, "x", 0), 0);
}

}  // namespace
