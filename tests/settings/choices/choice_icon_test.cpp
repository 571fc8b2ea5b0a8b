// Icons of option pictures: the icon image read within its bytes and left as
// given, its mask top-down, the same pixels at every display depth, and
// nothing left behind.
#include <string>
#include <vector>

#include "platform/gdi/display_dc.h"
#include "platform/gdi/screen_bitmaps.h"
#include "settings/choices/choices_fixture.h"
#include "settings/choices/icon_dib.h"
#include "settings/choices/setting_choice_list.h"

namespace pk::test {
namespace {

// Colours every display depth holds exactly (each component 0 or 255).
constexpr uint32_t kPure[8] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};

// A 4-bit 16 x 16 icon image with pure colours in its table.
std::vector<uint8_t> PureIconDib() {
  std::vector<uint8_t> dib = PatternIconDib(16, 16, 4);
  for (int c = 0; c < 16; ++c) {
    const uint32_t rgb = kPure[c % 8];
    uint8_t* entry = dib.data() + sizeof(BITMAPINFOHEADER) + c * 4;
    entry[0] = static_cast<uint8_t>(rgb);
    entry[1] = static_cast<uint8_t>(rgb >> 8);
    entry[2] = static_cast<uint8_t>(rgb >> 16);
  }
  return dib;
}

struct Live {
  SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SIZE_T icons = pk::seams::LiveIcons();
  SIZE_T palettes = pk::seams::LivePalettes();
  SIZE_T bitmaps = pk::seams::LiveBitmaps();
  SIZE_T dcs = pk::seams::LiveMemoryDcs();
  bool operator==(const Live&) const = default;
};

// The icon's colour bits as pixels (COLORREF), through a device bitmap of
// its format.
std::vector<COLORREF> IconPixels(HICON icon) {
  pk::seams::IconBits bits;
  EXPECT_TRUE(pk::seams::ReadIconBits(icon, &bits));
  HBITMAP bitmap = CreateBitmap(bits.width, bits.height, bits.planes, bits.bitsPerPixel, bits.colour.data());
  pk::gdi::Pixels pixels;
  EXPECT_TRUE(pk::gdi::ReadBitmapPixels(bitmap, &pixels));
  DeleteObject(bitmap);
  return pixels.colour;
}

class ChoiceIconTest : public ChoicesTest {};

TEST_F(ChoiceIconTest, AnOptionPictureBecomesTheItemsIcon) {
  ddd::ModelWriter w = SmallWriter();
  const std::vector<uint8_t> dib = PatternIconDib(16, 16, 4);  // 16 x 32 with the mask
  w.AddBlob(1, dib);
  const uint16_t portrait = w.AddOption(14, ddd::Text::Plain("Portrait"), 0, 0, ddd::Value::I16(1), 0, {}, {}, 1);
  const uint16_t landscape = w.AddOption(14, ddd::Text::Plain("Landscape"), 0, 0, ddd::Value::I16(2));
  w.AddFeature(4, 7, ddd::Text::Plain("Orientation"), 1, 1, {portrait, landscape});
  UseModel(u"Pictures", w);

  const Live before;
  SettingChoiceList* list = BuildSettingChoiceList(current_, model_, 7, module_, 0, nullptr, devMode(), settings());
  ASSERT_NE(list, nullptr);
  HICON icon = GetChoiceItemIcon(list, 0);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(GetChoiceItemIcon(list, 1), nullptr);
  EXPECT_EQ(GetChoiceItemPalette(list, 1), nullptr);
  HPALETTE palette = GetChoiceItemPalette(list, 0);
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 16u);
  pk::seams::IconBits bits;
  ASSERT_TRUE(pk::seams::ReadIconBits(icon, &bits));
  EXPECT_EQ(bits.width, 16);
  EXPECT_EQ(bits.height, 16);
  // The mask rows top-down: row y holds 0x80 and y in its first two bytes.
  ASSERT_EQ(bits.mask.size(), 32u);
  for (int y = 0; y < 16; ++y) {
    EXPECT_EQ(bits.mask[y * 2], 0x80) << y;
    EXPECT_EQ(bits.mask[y * 2 + 1], y) << y;
  }
  FreeChoiceList(list);
  EXPECT_TRUE(Live() == before);
}

TEST_F(ChoiceIconTest, EveryDisplayDepthGivesTheSamePixels) {
  const std::vector<uint8_t> dib = PureIconDib();
  std::vector<COLORREF> expected;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint32_t rgb = kPure[((x + y) % 16) % 8];
      expected.push_back(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
  for (int depth : {8, 16, 24, 32}) {
    pk::seams::SetDisplayDepth(depth);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), depth);
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), depth);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    const Live before;
    HICON icon = nullptr;
    HPALETTE palette = nullptr;
    ASSERT_EQ(CreateIconFromDib(module_, dib.data(), static_cast<DWORD>(dib.size()), &icon, &palette), 1) << depth;
    pk::seams::IconBits bits;
    ASSERT_TRUE(pk::seams::ReadIconBits(icon, &bits));
    EXPECT_EQ(bits.bitsPerPixel, depth);
    EXPECT_EQ(IconPixels(icon), expected) << depth;
    DestroyIcon(icon);
    DeleteObject(palette);
    EXPECT_TRUE(Live() == before) << depth;
  }
  pk::seams::SetDisplayDepth(32);
}

TEST_F(ChoiceIconTest, ImagesThatDoNotFitTheirBytesOrSizesMakeNoIcon) {
  struct Case {
    const char* what;
    std::vector<uint8_t> dib;
  };
  std::vector<uint8_t> cut = PatternIconDib(16, 16, 4);
  ASSERT_GT(cut.size(), 10u);
  cut.erase(cut.end() - 10, cut.end());
  std::vector<uint8_t> compressed = PatternIconDib(16, 16, 8);
  compressed[16] = 1;  // biCompression
  std::vector<uint8_t> manyColours = PatternIconDib(16, 16, 8);
  manyColours[32] = 0x01;  // biClrUsed 257
  manyColours[33] = 0x01;
  std::vector<uint8_t> headerOnly = PatternIconDib(16, 16, 1);
  headerOnly.resize(30);
  const Case cases[] = {
      {"10 bytes short", cut},
      {"48 pixels wide", PatternIconDib(48, 16, 4)},
      {"33 rows high", PatternIconDib(8, 33, 4)},
      {"compressed", compressed},
      {"more colours than its table", manyColours},
      {"a cut header", headerOnly},
      {"16 bits per pixel", MakeIconDib(
                                8, 8, 16, [](int, int) { return 0u; }, [](int) { return 0u; })},
  };
  const Live before;
  for (const Case& c : cases) {
    HICON icon = reinterpret_cast<HICON>(1);
    HPALETTE palette = reinterpret_cast<HPALETTE>(1);
    std::vector<uint8_t> exact(c.dib);  // exactly its bytes, so ASan sees any read past them
    EXPECT_EQ(CreateIconFromDib(module_, exact.data(), static_cast<DWORD>(exact.size()), &icon, &palette), 0) << c.what;
    EXPECT_EQ(icon, nullptr) << c.what;
    EXPECT_EQ(palette, nullptr) << c.what;
  }
  EXPECT_TRUE(Live() == before);
}

TEST_F(ChoiceIconTest, TheImageIsLeftAsGiven) {
  for (int bits : {1, 4, 8, 24}) {
    const std::vector<uint8_t> dib = PatternIconDib(bits == 24 ? 12 : 32, 32, bits);
    std::vector<uint8_t> given = dib;
    HICON first = nullptr, second = nullptr;
    HPALETTE firstPalette = nullptr, secondPalette = nullptr;
    ASSERT_EQ(CreateIconFromDib(module_, given.data(), static_cast<DWORD>(given.size()), &first, &firstPalette), 1);
    ASSERT_EQ(CreateIconFromDib(module_, given.data(), static_cast<DWORD>(given.size()), &second, &secondPalette), 1);
    EXPECT_EQ(given, dib) << bits;
    pk::seams::IconBits a, b;
    ASSERT_TRUE(pk::seams::ReadIconBits(first, &a));
    ASSERT_TRUE(pk::seams::ReadIconBits(second, &b));
    EXPECT_EQ(a.height, 32) << bits;
    EXPECT_EQ(b.height, 32) << bits;
    EXPECT_EQ(a.width, b.width) << bits;
    EXPECT_EQ(a.colour, b.colour) << bits;
    EXPECT_EQ(bits == 24, firstPalette == nullptr) << bits;
    DestroyIcon(first);
    DestroyIcon(second);
    if (firstPalette) DeleteObject(firstPalette);
    if (secondPalette) DeleteObject(secondPalette);
  }
}

TEST_F(ChoiceIconTest, ACoreHeaderImageMakesTheSameIcon) {
  const std::vector<uint8_t> info = PatternIconDib(16, 16, 4);
  // The same picture with a 12-byte header and a table of three-byte entries.
  std::vector<uint8_t> core(12);
  const uint32_t size = 12;
  const uint16_t width = 16, height = 32, planes = 1, bits = 4;
  std::memcpy(core.data(), &size, 4);
  std::memcpy(core.data() + 4, &width, 2);
  std::memcpy(core.data() + 6, &height, 2);
  std::memcpy(core.data() + 8, &planes, 2);
  std::memcpy(core.data() + 10, &bits, 2);
  for (int c = 0; c < 16; ++c) core.insert(core.end(), info.begin() + 40 + c * 4, info.begin() + 40 + c * 4 + 3);
  core.insert(core.end(), info.begin() + 40 + 64, info.end());
  HICON a = nullptr, b = nullptr;
  HPALETTE pa = nullptr, pb = nullptr;
  ASSERT_EQ(CreateIconFromDib(module_, info.data(), static_cast<DWORD>(info.size()), &a, &pa), 1);
  ASSERT_EQ(CreateIconFromDib(module_, core.data(), static_cast<DWORD>(core.size()), &b, &pb), 1);
  EXPECT_EQ(IconPixels(a), IconPixels(b));
  EXPECT_EQ(GetPaletteEntries(pb, 0, 0, nullptr), 16u);
  DestroyIcon(a);
  DestroyIcon(b);
  DeleteObject(pa);
  DeleteObject(pb);
}

}  // namespace
}  // namespace pk::test
