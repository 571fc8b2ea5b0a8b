// Colormap expansion: every index and sample depth against a plain
// reference, the protocol, indices past the entries, refusals and
// allocation failures.
#include "raster/color/rst_apply_colormap.h"

#include <random>

#include "color_test_support.h"
#include "raster/color/rst_convert_bits.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class ApplyColormap : public RstStatusTest {};

RstRead* indexed_source(int32_t width, int32_t bits, RstColormap* map, std::vector<Bytes> lines) {
  int32_t height = int32_t(lines.size());
  return new LineSource(indexed_header(width, height, bits, map), std::move(lines));
}

TEST_F(ApplyColormap, EveryDepthPairMatchesTheReference) {
  std::mt19937 rng(11);
  for (int in : {1, 8, 16}) {
    for (int out : {1, 8, 16}) {
      SCOPED_TRACE(std::to_string(in) + " -> " + std::to_string(out));
      const int channels = 3, entries = in == 1 ? 2 : 7, width = 13;
      std::vector<uint32_t> samples;
      for (int k = 0; k < channels * entries; ++k) samples.push_back(uint32_t(rng()) & ((1u << out) - 1));
      std::vector<uint32_t> indices, expected;
      for (int x = 0; x < width; ++x) {
        uint32_t i = uint32_t(rng()) % uint32_t(entries);
        indices.push_back(i);
        for (int c = 0; c < channels; ++c) expected.push_back(samples[i * channels + c]);
      }
      Held<> node(RstApplyColormap::create(
          indexed_source(width, in, colormap_of(out, channels, samples), {pack(in, indices)})));
      ASSERT_NE(node, nullptr);
      RstHeader h(node.get());
      EXPECT_EQ(h.bits_per_sample, out);
      EXPECT_EQ(h.samples_per_pixel, channels);
      EXPECT_FALSE(h.colormap);
      EXPECT_EQ(h.color_type, RstColorType::s_rgb());
      EXPECT_EQ(node->line_size(), (width * channels * out + 7) / 8);
      EXPECT_EQ(first_line(node.get(), 0), pack(out, expected));
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ApplyColormap, OneBitIndicesOverRGBEntries) {
  Held<> node(RstApplyColormap::create(
      indexed_source(3, 1, colormap_of(8, 3, {1, 2, 3, 250, 251, 252}), {pack(1, {1, 0, 1})})));
  ASSERT_NE(node, nullptr);
  EXPECT_NE((dynamic_cast<RstApplyColormapNBit<1, 8>*>(node.get())), nullptr);
  EXPECT_EQ(first_line(node.get()), (Bytes{250, 251, 252, 1, 2, 3, 250, 251, 252}));
}

TEST_F(ApplyColormap, OneBitOutputKeepsTheSpareBitsOfTheCallersLine) {
  // Ten pixels of one 1-bit channel: the last output byte has 6 spare bits.
  Held<> node(RstApplyColormap::create(
      indexed_source(10, 8, colormap_of(1, 1, {0, 1}), {pack(8, {1, 0, 1, 0, 0, 0, 0, 1, 0, 1})})));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->line_size(), 2);
  EXPECT_EQ(first_line(node.get(), 0xFF), (Bytes{0xA1, 0x7F}));
}

TEST_F(ApplyColormap, SixteenBitEntriesAreCopiedUnscaled) {
  Held<> node(RstApplyColormap::create(indexed_source(2, 8, colormap_of(16, 1, {0x1234, 0xFFFF}), {{1, 0}})));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(first_line(node.get()), pack(16, {0xFFFF, 0x1234}));
}

TEST_F(ApplyColormap, IndicesPastTheEntriesGiveZeros) {
  Held<> eight(RstApplyColormap::create(indexed_source(3, 8, colormap_of(8, 3, {1, 2, 3, 4, 5, 6}), {{0, 1, 255}})));
  ASSERT_NE(eight, nullptr);
  EXPECT_EQ(first_line(eight.get()), (Bytes{1, 2, 3, 4, 5, 6, 0, 0, 0}));
  Held<> one(RstApplyColormap::create(indexed_source(2, 1, colormap_of(8, 1, {9}), {pack(1, {0, 1})})));
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(first_line(one.get()), (Bytes{9, 0}));
  Held<> sixteen(RstApplyColormap::create(
      indexed_source(3, 16, colormap_of(8, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}), {pack(16, {2, 40000, 65535})})));
  ASSERT_NE(sixteen, nullptr);
  EXPECT_EQ(first_line(sixteen.get()), (Bytes{7, 8, 9, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ApplyColormap, DirectColourIsReturnedAsItIs) {
  Held<> src(new LineSource(image_header(3, 1, 8, 3, RstColorType::s_rgb()), {{1, 2, 3, 4, 5, 6, 7, 8, 9}}));
  EXPECT_EQ(RstApplyColormap::create(src.get()), src.get());
  EXPECT_EQ((RstApplyColormapNBit<8, 8>::create(src.get())), src.get());
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(ApplyColormap, FourBitIndicesExpandAfterWidening) {
  RstRead* src = indexed_source(3, 4, colormap_of(8, 3, {10, 11, 12, 20, 21, 22, 30, 31, 32}), {pack(4, {2, 0, 1})});
  EXPECT_EQ(RstApplyColormap::create(src), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstApplyColormap::create()"}}));
  src->end();
  status.clear();
  src = indexed_source(3, 4, colormap_of(8, 3, {10, 11, 12, 20, 21, 22, 30, 31, 32}), {pack(4, {2, 0, 1})});
  RstRead* wide = RstConvertBits4To8NoRangeConversion::create(src);
  ASSERT_NE(wide, nullptr);
  Held<> node(RstApplyColormap::create(wide));
  ASSERT_NE(node, nullptr);
  EXPECT_NE((dynamic_cast<RstApplyColormapNBit<8, 8>*>(node.get())), nullptr);
  EXPECT_EQ(first_line(node.get()), (Bytes{30, 31, 32, 10, 11, 12, 20, 21, 22}));
}

TEST_F(ApplyColormap, Refusals) {
  EXPECT_EQ(RstApplyColormap::create(nullptr), nullptr);
  EXPECT_EQ((RstApplyColormapNBit<8, 8>::create(nullptr)), nullptr);
  RstAllocFault::fail_nth(1);
  auto* no_data = new RstColormap(8, 3, 2);
  RstAllocFault::clear();
  struct Case {
    const char* name;
    RstHeader header;
    int32_t code;
  } cases[] = {
      {"two channels",
       [] {
         RstHeader h = indexed_header(2, 1, 8, colormap_of(8, 3, {1, 2, 3}));
         h.samples_per_pixel = 2;
         return h;
       }(),
       -3},
      {"fixed point",
       [] {
         RstHeader h = indexed_header(2, 1, 8, colormap_of(8, 3, {1, 2, 3}));
         h.sample_kind = 2;
         return h;
       }(),
       -3},
      {"run lines",
       [] {
         RstHeader h = indexed_header(2, 1, 1, colormap_of(8, 3, {1, 2, 3}));
         h.data_form = RstDataForm::rle;
         return h;
       }(),
       -3},
      {"no entries", indexed_header(2, 1, 8, new RstColormap(8, 3, 0)), -3},
      {"no channels", indexed_header(2, 1, 8, new RstColormap(8, 0, 4)), -3},
      {"no data", indexed_header(2, 1, 8, no_data), -3},
      {"line above 2^31 bytes", indexed_header(1 << 30, 1, 8, colormap_of(8, 3, {1, 2, 3})), -3},
      {"2-bit indices", indexed_header(2, 1, 2, colormap_of(8, 3, {1, 2, 3})), -50},
      {"4-bit entries", indexed_header(2, 1, 8, colormap_of(4, 1, {1, 2})), -50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    auto* src = new LineSource(c.header, {});
    EXPECT_EQ(RstApplyColormap::create(src), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, "RstApplyColormap::create()"}}));
    if (c.code == -3) {
      status.clear();
      EXPECT_EQ((RstApplyColormapNBit<8, 8>::create(src)), nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstApplyColormapNBit::create()"}}));
    }
    src->end();
  }
  // An instance given another depth pair.
  status.clear();
  auto* src = indexed_source(2, 8, colormap_of(8, 3, {1, 2, 3}), {});
  EXPECT_EQ((RstApplyColormapNBit<1, 8>::create(src)), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstApplyColormapNBit::create()"}}));
  src->end();
}

TEST_F(ApplyColormap, ShortLineEndsTheImage) {
  auto* src = indexed_source(3, 8, colormap_of(8, 1, {5, 6}), {{0, 1, 0}, {1, 1}, {0, 0, 0}});
  Held<> node(RstApplyColormap::create(src));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{5, 6, 5}}));
  EXPECT_TRUE(status.messages().empty());
  node->reset();
  EXPECT_EQ(static_cast<LineSource*>(src)->resets, 1);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(pull(node.get()), std::vector<Bytes>{}) << "the short second line";
}

TEST_F(ApplyColormap, AllocationFailures) {
  for (int in : {1, 8, 16}) {
    SCOPED_TRACE(in);
    std::vector<uint32_t> indices{1, 0, 1, 1};
    check_allocation_failures(
        [&] {
          return indexed_source(4, in, colormap_of(8, 2, {7, 8, 9, 10}), {pack(in, indices), pack(in, {0, 0, 0, 1})});
        },
        [](RstRead* s) { return RstApplyColormap::create(s); },
        {{9, 10, 7, 8, 9, 10, 9, 10}, {7, 8, 7, 8, 7, 8, 9, 10}},
        {"RstApplyColormap::initiate()", "RstApplyColormapNBit::initiate ()", "rst_create_end()"});
  }
}

}  // namespace
