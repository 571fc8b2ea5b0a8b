// Bit-depth expansion: 1 to 8 bits with chosen values and 4 to 8 bits with
// the values kept; colormaps, several samples per pixel, short lines,
// refusals, oversized lines and allocation failures.
#include "raster/color/rst_convert_bits.h"

#include "color_test_support.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class ConvertBits : public RstStatusTest {};

RstRead* source(int32_t width, int32_t bits, int32_t spp, std::vector<Bytes> lines, RstColormap* map = nullptr) {
  RstHeader h = image_header(width, int32_t(lines.size()), bits, spp, RstColorType::s_gray());
  if (map) h.colormap.reset(map);
  return new LineSource(h, std::move(lines));
}

TEST_F(ConvertBits, OneBitBecomesTheTwoValues) {
  struct Case {
    const char* name;
    int32_t width, spp;
    uint8_t zero, one;
    Bytes in, out;
  } cases[] = {
      {"10 pixels", 10, 1, 0, 255, {0xA5, 0xC0}, {255, 0, 255, 0, 0, 255, 0, 255, 255, 255}},
      {"swapped values invert", 10, 1, 255, 0, {0xA5, 0xC0}, {0, 255, 0, 255, 255, 0, 255, 0, 0, 0}},
      {"three samples per pixel", 3, 3, 0, 255, {0xE3, 0x80}, {255, 255, 255, 0, 0, 0, 255, 255, 255}},
      {"whole bytes", 16, 1, 7, 9, {0x0F, 0xF0}, {7, 7, 7, 7, 9, 9, 9, 9, 9, 9, 9, 9, 7, 7, 7, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstConvertBits1To8::create(source(c.width, 1, c.spp, {c.in}), c.zero, c.one));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(h.bits_per_sample, 8);
    EXPECT_EQ(h.samples_per_pixel, c.spp);
    EXPECT_EQ(h.color_type, RstColorType::s_gray());
    EXPECT_EQ(node->line_size(), int(c.out.size()));
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ConvertBits, FourBitKeepsTheValues) {
  Held<> node(RstConvertBits4To8NoRangeConversion::create(source(5, 4, 1, {{0x12, 0x34, 0x5F}})));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(RstHeader(node.get()).bits_per_sample, 8);
  EXPECT_EQ(node->line_size(), 5);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{1, 2, 3, 4, 5}}));
  // Long lines: every nibble in its place, whatever its position.
  for (int32_t width : {8, 15, 21}) {
    SCOPED_TRACE(width);
    std::vector<uint32_t> samples;
    for (int32_t x = 0; x < width; ++x) samples.push_back(uint32_t(x * 7 + 3) & 15);
    Held<> long_line(RstConvertBits4To8NoRangeConversion::create(source(width, 4, 1, {pack(4, samples)})));
    ASSERT_NE(long_line, nullptr);
    EXPECT_EQ(first_line(long_line.get()), pack(8, samples));
  }
  Held<> rgb(RstConvertBits4To8NoRangeConversion::create(source(2, 4, 3, {{0xAB, 0xCD, 0xEF}})));
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(first_line(rgb.get()), (Bytes{10, 11, 12, 13, 14, 15}));
}

TEST_F(ConvertBits, ColormapsStay) {
  Held<> one(RstConvertBits1To8::create(source(3, 1, 1, {{0xA0}}, colormap_of(8, 3, {0, 0, 0, 9, 9, 9})), 0, 1));
  ASSERT_NE(one, nullptr);
  RstHeader h(one.get());
  ASSERT_TRUE(h.colormap);
  EXPECT_EQ(h.colormap->entries(), 2);
  EXPECT_EQ(first_line(one.get()), (Bytes{1, 0, 1}));
  std::vector<uint32_t> sixteen(48, 3);
  Held<> four(RstConvertBits4To8NoRangeConversion::create(source(2, 4, 1, {{0xF0}}, colormap_of(8, 3, sixteen))));
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(RstHeader(four.get()).colormap->entries(), 16);
  EXPECT_EQ(first_line(four.get()), (Bytes{15, 0}));

  RstRead* src = source(3, 1, 1, {{0xA0}}, colormap_of(8, 3, {0, 0, 0, 9, 9, 9}));
  EXPECT_EQ(RstConvertBits1To8::create(src, 0, 255), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstConvertBits1To8::create()"}}));
  src->end();
}

TEST_F(ConvertBits, EightBitSources) {
  Held<> src(source(3, 8, 1, {{1, 2, 3}}));
  EXPECT_EQ(RstConvertBits1To8::create(src.get(), 0, 255), src.get());
  EXPECT_TRUE(status.messages().empty());
  EXPECT_EQ(RstConvertBits4To8NoRangeConversion::create(src.get()), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstConvertBits4To8NoRangeConversion::create()"}}));
}

TEST_F(ConvertBits, Refusals) {
  EXPECT_EQ(RstConvertBits1To8::create(nullptr, 0, 255), nullptr);
  EXPECT_EQ(RstConvertBits4To8NoRangeConversion::create(nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstConvertBits1To8::create()"},
                                                     {-2, "RstConvertBits4To8NoRangeConversion::create()"}}));
  auto with = [](int32_t width, int32_t bits, int32_t spp, int32_t kind, int32_t form) {
    RstHeader h = image_header(width, 1, bits, spp, nullptr, form);
    h.sample_kind = kind;
    return h;
  };
  struct Case {
    const char* name;
    RstHeader one, four;  // refused by the 1-bit and by the 4-bit node
  } cases[] = {
      {"other depth", with(4, 2, 1, 0, 0), with(4, 2, 1, 0, 0)},
      {"fixed point", with(4, 1, 1, 2, 0), with(4, 4, 1, 2, 0)},
      {"run lines", with(4, 1, 1, 0, RstDataForm::rle), with(4, 4, 1, 0, RstDataForm::rle)},
      {"coded lines", with(4, 1, 1, 0, RstDataForm::mmr), with(4, 4, 1, 0, RstDataForm::lzw)},
      {"line above 2^31 bytes", with(1 << 28, 1, 8, 0, 0), with(1 << 30, 4, 2, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    auto* a = new LineSource(c.one, {});
    EXPECT_EQ(RstConvertBits1To8::create(a, 0, 255), nullptr);
    a->end();
    auto* b = new LineSource(c.four, {});
    EXPECT_EQ(RstConvertBits4To8NoRangeConversion::create(b), nullptr);
    b->end();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstConvertBits1To8::create()"},
                                                       {-3, "RstConvertBits4To8NoRangeConversion::create()"}}));
  }
}

TEST_F(ConvertBits, ShortLinesEndSkipAndResetForward) {
  for (bool four : {false, true}) {
    SCOPED_TRACE(four);
    auto* src = static_cast<LineSource*>(
        source(4, four ? 4 : 1, 1,
               four ? std::vector<Bytes>{{0x12, 0x34}, {0x56, 0x78}, {0x9A}} : std::vector<Bytes>{{0x80}, {0x40}, {}}));
    Held<> node(four ? RstConvertBits4To8NoRangeConversion::create(src) : RstConvertBits1To8::create(src, 0, 1));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->skip(1), 1);
    EXPECT_EQ(src->last_skip, 1);
    EXPECT_EQ(src->reads, 0);
    Bytes second = four ? Bytes{5, 6, 7, 8} : Bytes{0, 1, 0, 0};
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{second});
    node->reset();
    EXPECT_EQ(src->resets, 1);
    EXPECT_EQ(pull(node.get()).size(), 2u);
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(ConvertBits, AllocationFailures) {
  check_allocation_failures(
      [] {
        return source(10, 1, 1, {{0xA5, 0xC0}, {0xFF, 0x00}});
      },
      [](RstRead* s) { return RstConvertBits1To8::create(s, 0, 255); },
      {{255, 0, 255, 0, 0, 255, 0, 255, 255, 255}, {255, 255, 255, 255, 255, 255, 255, 255, 0, 0}},
      {"RstConvertBits1To8::initiate()", "rst_create_end()"});
  check_allocation_failures(
      [] {
        return source(3, 4, 1, {{0x12, 0x30}, {0xAB, 0xC0}});
      },
      [](RstRead* s) { return RstConvertBits4To8NoRangeConversion::create(s); }, {{1, 2, 3}, {10, 11, 12}},
      {"RstConvertBits4To8NoRangeConversion::initiate()", "rst_create_end()"});
}

}  // namespace
