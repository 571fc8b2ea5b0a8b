// Channel extension and selection: the nodes' pass-through and refusals,
// pixels at every depth (bits through bit cursors, 16-bit words in machine
// order), and the inverses between them.
#include <memory>

#include "color_attributes_stub.h"
#include "color_test_support.h"
#include "raster/color/rst_extend_channel.h"
#include "raster/color/rst_select_channel.h"
#include "raster/core/rst_status_recorder.h"

namespace {

using U1 = UIntNBit<1>;
using U8 = UIntNBit<8>;
using U16 = UIntNBit<16>;
using Owned = std::unique_ptr<ColorTransformer>;

RstRead* source(int32_t bits, int32_t spp, std::vector<uint32_t> samples, RstColorType* type, int32_t kind = 0) {
  RstHeader h = image_header(int32_t(samples.size()) / spp, 1, bits, spp, type);
  h.sample_kind = kind;
  // Wider samples (float) are only counted: zero bytes.
  Bytes line = bits > 16 ? Bytes(samples.size() * size_t(bits) / 8, 0) : pack(bits, samples);
  return new LineSource(h, {std::move(line)});
}

class ExtendSelectChannel : public RstStatusTest {};

TEST_F(ExtendSelectChannel, ReversedGrayIntoK) {
  Held<> node(RstExtendChannel::create(source(8, 1, {0, 77, 255}, RstColorType::s_gray_reverse()), 3, 4,
                                       RstColorType::s_cmyk()));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.samples_per_pixel, 4);
  EXPECT_EQ(h.color_type, RstColorType::s_cmyk());
  EXPECT_EQ(first_line(node.get()), (Bytes{0, 0, 0, 0, 0, 0, 0, 77, 0, 0, 0, 255}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ExtendSelectChannel, ExtensionAtEveryDepth) {
  struct Case {
    const char* name;
    int32_t bits, spp, kind, offset, channels;
    std::vector<uint32_t> in, out;
  } cases[] = {
      // Bit lines are whole bytes of pixels.
      {"1 bit, 1 -> 3 at 1", 1, 1, 0, 1, 3, {1, 0, 1, 1, 0, 0, 0, 1}, {0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0,
                                                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}},
      {"1 bit, 2 -> 3 at 0", 1, 2, 0, 0, 3, {1, 1, 0, 1, 0, 0, 1, 0}, {1, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0}},
      {"8 bits, 2 -> 4 at 1", 8, 2, 0, 1, 4, {1, 2, 3, 4}, {0, 1, 2, 0, 0, 3, 4, 0}},
      {"16 bits, 1 -> 3 at 0", 16, 1, 0, 0, 3, {0xABCD, 1}, {0xABCD, 0, 0, 1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(
        RstExtendChannel::create(source(c.bits, c.spp, c.in, RstColorType::none()), c.offset, c.channels, nullptr));
    ASSERT_NE(node, nullptr);
    // Bits past the last pixel are not written: read into zeros.
    EXPECT_EQ(first_line(node.get(), 0), pack(c.bits, c.out));
  }
  // Floating-point samples are kind 3.
  float f[2] = {0.5f, -2.0f}, fo[6];
  Owned t(RstExtendChannel::create_color_transformer(SampleLayout(32, 1, 3), 1, 3));
  ASSERT_NE((dynamic_cast<CtExtendChannel<float>*>(t.get())), nullptr);
  t->transform(f, fo, 2);
  EXPECT_EQ(std::vector<float>(fo, fo + 6), (std::vector<float>{0, 0.5f, 0, 0, -2.0f, 0}));
  Owned d(RstExtendChannel::create_color_transformer(SampleLayout(64, 2, 3), 0, 3));
  EXPECT_NE((dynamic_cast<CtExtendChannel<double>*>(d.get())), nullptr);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ExtendSelectChannel, ExtensionPassThroughAndRefusals) {
  Held<> src(source(8, 3, {1, 2, 3}, RstColorType::s_rgb()));
  EXPECT_EQ(RstExtendChannel::create(src.get(), 0, 3, RstColorType::cmy()), src.get());
  EXPECT_EQ(RstHeader(src.get()).color_type, RstColorType::s_rgb());
  EXPECT_TRUE(status.messages().empty());
  const RstReport bad{-2, "RstExtendChannel::create()"};
  for (auto [offset, channels] : {std::pair{1, 3}, std::pair{2, 4}, std::pair{-1, 4}, std::pair{0, 2}}) {
    status.clear();
    EXPECT_EQ(RstExtendChannel::create(src.get(), offset, channels, nullptr), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{bad});
  }
  status.clear();
  EXPECT_EQ(RstExtendChannel::create(nullptr, 0, 1, nullptr), nullptr);
  EXPECT_EQ(status.errors(), std::vector<RstReport>{bad});
  // Fixed point (kind 2) and 4-bit samples have no extension.
  for (auto [bits, kind] : {std::pair{32, 2}, std::pair{4, 0}, std::pair{32, 0}}) {
    status.clear();
    RstRead* s = source(bits, 1, {1}, RstColorType::s_gray(), kind);
    EXPECT_EQ(RstExtendChannel::create(s, 0, 2, nullptr), nullptr);
    EXPECT_EQ(status.errors(),
              (std::vector<RstReport>{{-50, "RstExtendChannel::create()"}, {-1, "RstTransformColor::initiate()"}}));
    s->end();
  }
}

TEST_F(ExtendSelectChannel, Selection) {
  Held<> gray(source(8, 1, {5}, RstColorType::s_gray()));
  EXPECT_EQ(RstSelectChannel::create(gray.get(), 0, RstColorType::s_gray_reverse()), gray.get());
  EXPECT_TRUE(status.messages().empty());
  Held<> y(RstSelectChannel::create(source(8, 3, {10, 20, 30, 40, 50, 60}, RstColorType::s_ycbcr()), 0,
                                    RstColorType::s_gray()));
  ASSERT_NE(y, nullptr);
  EXPECT_EQ(RstHeader(y.get()).samples_per_pixel, 1);
  EXPECT_EQ(RstHeader(y.get()).color_type, RstColorType::s_gray());
  EXPECT_EQ(first_line(y.get()), (Bytes{10, 40}));
  Held<> g16(RstSelectChannel::create(source(16, 3, {1, 0x1234, 3, 4, 0xFEDC, 6}, RstColorType::s_rgb()), 1, nullptr));
  ASSERT_NE(g16, nullptr);
  uint16_t words[2] = {0x1234, 0xFEDC};
  EXPECT_EQ(first_line(g16.get()), Bytes(reinterpret_cast<uint8_t*>(words), reinterpret_cast<uint8_t*>(words) + 4));
  Held<> bits(RstSelectChannel::create(source(1, 3, {0, 0, 1, 1, 1, 0, 0, 1, 1}, RstColorType::none()), 2, nullptr));
  ASSERT_NE(bits, nullptr);
  EXPECT_EQ(first_line(bits.get(), 0), pack(1, {1, 0, 1}));
  const RstReport bad{-2, "RstSelectChannel::create()"};
  for (int index : {3, -1}) {
    status.clear();
    RstRead* s = source(8, 3, {1, 2, 3}, RstColorType::s_rgb());
    EXPECT_EQ(RstSelectChannel::create(s, index, nullptr), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{bad});
    s->end();
  }
  status.clear();
  EXPECT_EQ(RstSelectChannel::create(gray.get(), 1, nullptr), nullptr);
  EXPECT_EQ(RstSelectChannel::create(nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{bad, bad}));
  status.clear();
  RstRead* f = source(32, 2, {0, 0}, RstColorType::none(), 3);
  EXPECT_EQ(RstSelectChannel::create(f, 1, nullptr), nullptr);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-50, "RstSelectChannel::create()"}, {-1, "RstTransformColor::initiate()"}}));
  f->end();
  status.clear();
  EXPECT_EQ(RstSelectChannel::create_color_transformer(SampleLayout(8, 3), 2, 2), nullptr);
  EXPECT_EQ(status.errors(), std::vector<RstReport>{bad});
}

TEST_F(ExtendSelectChannel, InversesBetweenThem) {
  CtExtendChannel<U8> extend(2, 5, 2);
  ColorTransformerInverse inv = extend.inverse();
  ASSERT_EQ(inv.status, 0);
  Owned select(inv.transformer);
  auto* s = dynamic_cast<CtSelectChannel<U8>*>(select.get());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->input_channels(), 5);
  EXPECT_EQ(s->channels(), 2);
  EXPECT_EQ(s->first_channel(), 2);
  uint8_t in[4] = {9, 8, 7, 6}, wide[10], back[4];
  extend.transform(in, wide, 2);
  select->transform(wide, back, 2);
  EXPECT_EQ(std::vector<uint8_t>(back, back + 4), std::vector<uint8_t>(in, in + 4));
  ColorTransformerInverse none = select->inverse();
  EXPECT_EQ(none.transformer, nullptr);
  EXPECT_EQ(none.status, CtInverseStatus::none);
  // Bits the same way.
  CtExtendChannel<U1> bits(1, 3, 1);
  Owned bits_select(bits.inverse().transformer);
  ASSERT_NE((dynamic_cast<CtSelectChannel<U1>*>(bits_select.get())), nullptr);
  uint8_t b = 0xA0, b3[2] = {0, 0}, b_back = 0;
  bits.transform(&b, b3, 3);
  bits_select->transform(b3, &b_back, 3);
  EXPECT_EQ(b_back >> 5, b >> 5);
  Owned copy(extend.clone());
  uint8_t again[10];
  copy->transform(in, again, 2);
  EXPECT_EQ(std::vector<uint8_t>(again, again + 10), std::vector<uint8_t>(wide, wide + 10));
}

TEST_F(ExtendSelectChannel, AllocationFailures) {
  check_allocation_failures(
      [] {
        return source(8, 1, {1, 2}, RstColorType::s_gray());
      },
      [](RstRead* s) { return RstExtendChannel::create(s, 1, 3, nullptr); }, {{0, 1, 0, 0, 2, 0}},
      {"RstTransformColor::initiate()", "rst_create_end()"});
  check_allocation_failures(
      [] {
        return source(8, 3, {1, 2, 3}, RstColorType::s_rgb());
      },
      [](RstRead* s) { return RstSelectChannel::create(s, 2, nullptr); }, {{3}},
      {"RstTransformColor::initiate()", "rst_create_end()"});
}

}  // namespace
