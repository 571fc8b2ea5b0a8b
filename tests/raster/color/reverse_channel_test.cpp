// Channel order reversal: the transformer chosen per layout, the in-place
// 3 x 8-bit node, the pass-through of one channel and the refused layouts.
#include "raster/color/rst_reverse_channel.h"

#include "color_test_support.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class ReverseChannel : public RstStatusTest {};

template <class T>
Bytes raw(std::initializer_list<T> v) {
  Bytes b(v.size() * sizeof(T));
  std::memcpy(b.data(), std::data(v), b.size());
  return b;
}

RstRead* source(int32_t width, int32_t bits, int32_t spp, int32_t kind, Bytes line, RstColorType* type) {
  RstHeader h = image_header(width, 1, bits, spp, type);
  h.sample_kind = kind;
  return new LineSource(h, {std::move(line)});
}

TEST_F(ReverseChannel, EveryLayoutReversesBySample) {
  struct Case {
    const char* name;
    int32_t bits, spp, kind, width;
    Bytes in, out;
  } cases[] = {
      {"CMYK", 8, 4, 0, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {4, 3, 2, 1, 8, 7, 6, 5}},
      {"two channels", 8, 2, 0, 2, {1, 2, 3, 4}, {2, 1, 4, 3}},
      {"five channels", 8, 5, 0, 1, {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
      {"3 x 16", 16, 3, 0, 1, raw<uint16_t>({0x0102, 0x0304, 0x0506}), raw<uint16_t>({0x0506, 0x0304, 0x0102})},
      {"4 x 16", 16, 4, 0, 1, raw<uint16_t>({1, 2, 3, 4}), raw<uint16_t>({4, 3, 2, 1})},
      {"2 x 16", 16, 2, 0, 1, raw<uint16_t>({1, 2}), raw<uint16_t>({2, 1})},
      {"3 x float", 32, 3, 3, 1, raw<float>({0.5f, 1.5f, 2.5f}), raw<float>({2.5f, 1.5f, 0.5f})},
      {"4 x float", 32, 4, 3, 1, raw<float>({1, 2, 3, 4}), raw<float>({4, 3, 2, 1})},
      {"2 x double", 64, 2, 3, 1, raw<double>({0.25, 8.0}), raw<double>({8.0, 0.25})},
      {"3 x double", 64, 3, 3, 1, raw<double>({1, 2, 3}), raw<double>({3, 2, 1})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstReverseChannel::create(source(c.width, c.bits, c.spp, c.kind, c.in, RstColorType::s_cmyk()),
                                          RstColorType::none()));
    ASSERT_NE(node, nullptr);
    auto* t = dynamic_cast<RstReverseChannel*>(node.get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->transformer()->channels(), c.spp);
    RstHeader h(node.get());
    EXPECT_EQ(h.color_type, RstColorType::none());
    EXPECT_EQ(h.bits_per_sample, c.bits);
    EXPECT_EQ(h.sample_kind, c.kind);
    EXPECT_EQ(first_line(node.get()), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReverseChannel, UnrolledFormsForThreeAndFourChannels) {
  struct Attr : ColorOutputAttributes {
    int b, c, k;
    Attr(int b, int c, int k) : b(b), c(c), k(k) {}
    int bits() const override { return b; }
    int channels() const override { return c; }
    int sample_kind() const override { return k; }
  };
  std::unique_ptr<ColorTransformer> three(RstReverseChannel::create_color_transformer(Attr(8, 3, 0)));
  std::unique_ptr<ColorTransformer> four(RstReverseChannel::create_color_transformer(Attr(16, 4, 0)));
  std::unique_ptr<ColorTransformer> two(RstReverseChannel::create_color_transformer(Attr(64, 2, 3)));
  EXPECT_NE((dynamic_cast<CtReverseChannelN<UIntNBit<8>, 3>*>(three.get())), nullptr);
  EXPECT_NE((dynamic_cast<CtReverseChannelN<UIntNBit<16>, 4>*>(four.get())), nullptr);
  EXPECT_NE((dynamic_cast<CtReverseChannel<double>*>(two.get())), nullptr);
  ColorTransformerInverse inv = three->inverse();
  EXPECT_EQ(inv.status, 0);
  ASSERT_NE(inv.transformer, nullptr);
  EXPECT_NE((dynamic_cast<CtReverseChannelN<UIntNBit<8>, 3>*>(inv.transformer)), nullptr);
  EXPECT_TRUE(inv.transformer->usable());
  delete inv.transformer;
  // Layouts without a reversal: 1- and 4-bit samples, fixed point.
  for (const Attr& a : {Attr(1, 3, 0), Attr(4, 3, 0), Attr(32, 3, 2), Attr(8, 0, 0)})
    EXPECT_EQ(RstReverseChannel::create_color_transformer(a), nullptr);
  EXPECT_EQ(status.errors().size(), 4u);
}

TEST_F(ReverseChannel, ThreeBytePixelsAreSwappedInPlace) {
  RstRead* src = source(3, 8, 3, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9}, RstColorType::s_rgb());
  Held<> node(RstReverseChannel::create(src, RstColorType::cmy()));
  ASSERT_NE(node, nullptr);
  EXPECT_NE(dynamic_cast<RstReverseChannel3UInt8*>(node.get()), nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.color_type, RstColorType::s_rgb()) << "the colour type is not applied on this path";
  EXPECT_EQ(node->line_size(), 9);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{3, 2, 1, 6, 5, 4, 9, 8, 7}}));
  node->reset();
  EXPECT_EQ(static_cast<LineSource*>(src)->resets, 1);
  EXPECT_EQ(node->skip(1), 1);

  // Long lines: every pixel swapped, whatever its place in the line.
  for (int32_t width : {8, 16, 19}) {
    SCOPED_TRACE(width);
    Bytes in, out;
    for (int32_t x = 0; x < width; ++x) {
      Bytes px{uint8_t(3 * x), uint8_t(3 * x + 1), uint8_t(3 * x + 2)};
      in.insert(in.end(), px.begin(), px.end());
      out.insert(out.end(), {px[2], px[1], px[0]});
    }
    Held<> long_line(RstReverseChannel::create(source(width, 8, 3, 0, in, RstColorType::s_rgb()), nullptr));
    ASSERT_NE(long_line, nullptr);
    EXPECT_EQ(first_line(long_line.get()), out);
  }

  // A source that delivers a partial pixel: whole pixels only.
  Held<> partial(RstReverseChannel3UInt8::create(new LineSource(image_header(2, 1, 8, 3), {{1, 2, 3, 4, 5}})));
  ASSERT_NE(partial, nullptr);
  Bytes line(16, 0);
  EXPECT_EQ(partial->read(line.data()), 3);
  EXPECT_EQ(Bytes(line.begin(), line.begin() + 3), (Bytes{3, 2, 1}));
}

TEST_F(ReverseChannel, OneChannelComesBackAsItIs) {
  Held<> src(source(3, 8, 1, 0, {1, 2, 3}, RstColorType::s_gray()));
  EXPECT_EQ(RstReverseChannel::create(src.get(), RstColorType::cmy()), src.get());
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(ReverseChannel, RefusedLayouts) {
  EXPECT_EQ(RstReverseChannel::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReverseChannel::create()"}}));
  for (auto [bits, kind] : {std::pair{1, 0}, std::pair{32, 2}}) {
    status.clear();
    RstRead* src = source(8, bits, 3, kind, {}, RstColorType::s_rgb());
    EXPECT_EQ(RstReverseChannel::create(src, nullptr), nullptr);
    EXPECT_EQ(status.errors(),
              (std::vector<RstReport>{{-50, "RstReverseChannel::create()"}, {-1, "RstTransformColor::initiate()"}}));
    src->end();
  }
  status.clear();
  RstRead* rgb16 = source(1, 16, 3, 0, {}, RstColorType::s_rgb());
  EXPECT_EQ(RstReverseChannel3UInt8::create(rgb16), nullptr);
  EXPECT_EQ(RstReverseChannel3UInt8::create(nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReverseChannel3UInt8::create()"},
                                                     {-2, "RstReverseChannel3UInt8::create()"}}));
  rgb16->end();
}

}  // namespace
