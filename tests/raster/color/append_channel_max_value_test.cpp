// The appended maximum channel: unsigned, signed and bit comparisons, the
// refused sample kinds, the inverse that drops the channel again.
#include "raster/color/rst_append_channel_max_value.h"

#include <memory>

#include "color_attributes_stub.h"
#include "color_test_support.h"
#include "raster/core/rst_status_recorder.h"

namespace {

using Owned = std::unique_ptr<ColorTransformer>;

RstRead* source(int32_t bits, int32_t spp, Bytes line, int32_t kind = 0) {
  int32_t width = int32_t(line.size() * 8 / size_t(bits * spp));
  RstHeader h = image_header(width > 0 ? width : 1, 1, bits, spp, RstColorType::s_rgb());
  h.sample_kind = kind;
  return new LineSource(h, {std::move(line)});
}

template <class V>
Bytes raw(std::initializer_list<V> v) {
  Bytes b(v.size() * sizeof(V));
  std::memcpy(b.data(), std::data(v), b.size());
  return b;
}

class AppendChannelMaxValue : public RstStatusTest {};

TEST_F(AppendChannelMaxValue, EverySampleType) {
  struct Case {
    const char* name;
    int32_t bits, spp, kind;
    Bytes in, out;
  } cases[] = {
      {"one channel", 8, 1, 0, {7, 200}, {7, 7, 200, 200}},
      {"RGB", 8, 3, 0, {10, 200, 30, 0, 0, 0}, {10, 200, 30, 200, 0, 0, 0, 0}},
      {"16-bit unsigned", 16, 3, 0, raw<uint16_t>({0x8000, 0x7FFF, 0}), raw<uint16_t>({0x8000, 0x7FFF, 0, 0x8000})},
      {"fixed point signed", 32, 2, 2, raw<int32_t>({-4096, 2048}), raw<int32_t>({-4096, 2048, 2048})},
      {"fixed point all negative", 32, 2, 2, raw<int32_t>({-4096, -1}), raw<int32_t>({-4096, -1, -1})},
      {"bits", 1, 2, 0, pack(1, {0, 1, 0, 0, 1, 0, 1, 1}), pack(1, {0, 1, 1, 0, 0, 0, 1, 0, 1, 1, 1, 1})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstAppendChannelMaxValue::create(source(c.bits, c.spp, c.in, c.kind), RstColorType::s_cmyk()));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(h.samples_per_pixel, c.spp + 1);
    EXPECT_EQ(h.bits_per_sample, c.bits);
    EXPECT_EQ(h.sample_kind, c.kind);
    EXPECT_EQ(h.color_type, RstColorType::s_cmyk());
    // Bits past the last pixel are not written: read into zeros.
    EXPECT_EQ(first_line(node.get(), 0), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(AppendChannelMaxValue, Refusals) {
  EXPECT_EQ(RstAppendChannelMaxValue::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstAppendChannelMaxValue::create()"}}));
  for (auto [bits, kind] : {std::pair{32, 3}, std::pair{64, 3}, std::pair{4, 0}, std::pair{32, 0}}) {
    status.clear();
    RstRead* src = source(bits, 3, Bytes(size_t(3 * bits / 8 + 1), 0), kind);
    EXPECT_EQ(RstAppendChannelMaxValue::create(src, nullptr), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-50, "RstAppendChannelMaxValue::create()"},
                                                       {-1, "RstTransformColor::initiate()"}}));
    src->end();
  }
}

TEST_F(AppendChannelMaxValue, InverseRestoresTheInput) {
  for (int bits : {1, 8, 16}) {
    SCOPED_TRACE(bits);
    Owned t(RstAppendChannelMaxValue::create_color_transformer(SampleLayout(bits, 3)));
    ASSERT_NE(t, nullptr);
    ColorTransformerInverse inv = t->inverse();
    ASSERT_EQ(inv.status, 0);
    Owned select(inv.transformer);
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->input_channels(), 4);
    EXPECT_EQ(select->channels(), 3);
    Bytes in{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, wide(16, 0), back(6, 0);
    unsigned pixels = unsigned(in.size() * 8 / size_t(3 * bits));
    t->transform(in.data(), wide.data(), pixels);
    select->transform(wide.data(), back.data(), pixels);
    EXPECT_EQ(back, in);
    Owned copy(t->clone());
    Bytes wide2(16, 0);
    copy->transform(in.data(), wide2.data(), pixels);
    EXPECT_EQ(wide2, wide);
  }
  Owned fixed(RstAppendChannelMaxValue::create_color_transformer(SampleLayout(32, 2, 2)));
  Owned fixed_select(fixed->inverse().transformer);
  EXPECT_NE((dynamic_cast<CtSelectChannel<CtFixed>*>(fixed_select.get())), nullptr);
}

TEST_F(AppendChannelMaxValue, AllocationFailures) {
  check_allocation_failures(
      [] {
        return source(8, 3, {10, 200, 30});
      },
      [](RstRead* s) { return static_cast<RstRead*>(RstAppendChannelMaxValue::create(s, nullptr)); },
      {{10, 200, 30, 200}}, {"RstTransformColor::initiate()", "rst_create_end()"});
}

}  // namespace
