// The transformer interface: what each sample pair announces, the fixed-point
// number and its product, the output policies, the raw-buffer wrapper (bit
// cursors included), clones, and the header snapshot of the factories.
#include <random>

#include "../geometry/line_source.h"
#include "raster/color/color_transformer.h"
#include "raster/color/rst_color_attributes.h"
#include "raster/color/rst_reverse_channel.h"
#include "test_transformers.h"

namespace {

template <class I, class O>
class Copy : public CtColorTransformerMToN<I, O> {
 public:
  using typename CtColorTransformer<I, O>::in_run;
  using typename CtColorTransformer<I, O>::out_run;
  Copy() : CtColorTransformerMToN<I, O>(1, 1) {}
  ColorTransformer* clone() const override { return new Copy(*this); }
  ColorTransformerInverse inverse() const override { return {nullptr, CtInverseStatus::none}; }
  bool usable() const override { return true; }
  void transform_samples(in_run, out_run, unsigned) override {}
};

TEST(ColorAttributes, SnapshotOfTheHeader) {
  RstHeader h = image_header(4, 2, 16, 3, RstColorType::s_rgb());
  h.sample_kind = 0;
  Held<> src(new LineSource(h, {}));
  RstColorAttributes a(src.get());
  EXPECT_EQ(a.bits(), 16);
  EXPECT_EQ(a.channels(), 3);
  EXPECT_EQ(a.sample_kind(), 0);
  const ColorOutputAttributes& base = a;
  EXPECT_EQ(base.bits(), 16);
  RstColorAttributes none(nullptr);
  EXPECT_EQ(none.bits(), 0);
}

TEST(ColorTransformer, SamplePairsAnnounceTheirLayout) {
  struct Row {
    const char* name;
    ColorTransformer* t;
    int bits, kind, input_bits, input_kind;
  } rows[] = {
      {"8 to 16", new Copy<UIntNBit<8>, UIntNBit<16>>, 16, 0, 8, 0},
      {"16 to 8", new Copy<UIntNBit<16>, UIntNBit<8>>, 8, 0, 16, 0},
      {"1 to 1", new Copy<UIntNBit<1>, UIntNBit<1>>, 1, 0, 1, 0},
      {"float", new CtReverseChannel<float>(3), 32, 3, 32, 3},
      {"double", new CtReverseChannel<double>(3), 64, 3, 64, 3},
      {"fixed", new Copy<CtFixed, CtFixed>, 32, 2, 32, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.t->bits(), r.bits);
    EXPECT_EQ(r.t->sample_kind(), r.kind);
    EXPECT_EQ(r.t->input_bits(), r.input_bits);
    EXPECT_EQ(r.t->input_sample_kind(), r.input_kind);
    delete r.t;
  }
}

TEST(FixedReal, MadeFromARealByTruncation) {
  const std::pair<double, int32_t> cases[] = {
      {0.299, 1224}, {-0.5, -2048}, {-0.0001, 0}, {0.99999, 4095}, {1.0, 4096}, {255.0, 0xff000}, {-1e12, INT32_MIN},
  };
  for (auto [x, raw] : cases) EXPECT_EQ(CtFixed(x).raw(), raw) << x;
  EXPECT_EQ(sizeof(CtFixed), 4u);
}

TEST(FixedReal, ProductIsTheFlooredExactProduct) {
  const std::tuple<int32_t, int32_t, int32_t> cases[] = {
      {-3, 5, -1},        {2048, 1044480, 522240}, {INT32_MIN, -1, 524288},  // a partial product wraps
      {4096, 4096, 4096}, {-4096, 4096, -4096},    {1, 1, 0},
      {-1, 1, -1},
  };
  for (auto [a, b, r] : cases) EXPECT_EQ((CtFixed::from_raw(a) * CtFixed::from_raw(b)).raw(), r) << a << " x " << b;
  // Any pair whose floored product fits in 32 bits.
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> d(INT32_MIN, INT32_MAX);
  for (int i = 0; i < 20000; ++i) {
    int32_t a = d(rng), b = d(rng) >> (i % 31);
    int64_t p = int64_t(a) * b;
    int64_t exact = p >= 0 ? p / 4096 : -((-p + 4095) / 4096);
    if (exact < INT32_MIN || exact > INT32_MAX) continue;
    ASSERT_EQ((CtFixed::from_raw(a) * CtFixed::from_raw(b)).raw(), exact) << a << " x " << b;
  }
  CtFixed x = CtFixed::from_raw(8192);
  x *= CtFixed(0.5);
  EXPECT_EQ(x.raw(), 4096);
  EXPECT_EQ((-x).raw(), -4096);
  EXPECT_EQ((x + x).raw(), 8192);
}

TEST(OutputPolicies, ClipThenRound) {
  UnaryFunctionComposer2<Clipper<CtFixed, UIntNBit<8>>, NearestRounder<CtFixed, UIntNBit<8>>> fixed{};
  const std::pair<int32_t, int> cases[] = {
      {2048, 1}, {2047, 0}, {0xff000, 255}, {0xff001, 255}, {INT32_MAX, 255}, {-1, 0}, {INT32_MIN, 0}, {6144, 2},
  };
  for (auto [raw, out] : cases) EXPECT_EQ(int(fixed(CtFixed::from_raw(raw))), out) << raw;
  UnaryFunctionComposer2<Clipper<double, UIntNBit<16>>, NearestRounder<double, UIntNBit<16>>> real{};
  const std::pair<double, int> reals[] = {{127.5, 128}, {127.49, 127}, {70000.0, 65535}, {-3.0, 0}};
  for (auto [v, out] : reals) EXPECT_EQ(int(real(v)), out) << v;
}

TEST(ColorTransformer, ZeroPixelsWriteNothing) {
  CtReverseChannelN<UIntNBit<8>, 3> t;
  uint8_t in[3] = {1, 2, 3}, out[3] = {9, 9, 9};
  t.transform(in, out, 0);
  EXPECT_EQ(Bytes(out, out + 3), (Bytes{9, 9, 9}));
  BitNot bits;
  uint8_t bin = 0x00, bout = 0x5A;
  bits.transform(&bin, &bout, 0);
  EXPECT_EQ(bout, 0x5A);
}

TEST(ColorTransformer, BitRunsAreMostSignificantBitFirst) {
  BitNot t;
  uint8_t in[2] = {0xA5, 0xC0}, out[2] = {0x00, 0x15};
  t.transform(in, out, 10);
  // Ten samples inverted; the six bits after them untouched.
  EXPECT_EQ(out[0], 0x5A);
  EXPECT_EQ(out[1], 0x15);
  CtBitRun run{in, 16};
  EXPECT_EQ(run.byte_count(), 2u);
  CtBitCursor c(run, 3);
  EXPECT_EQ(c.get(0), 0);
  EXPECT_EQ((c + 5).get(0), 1);  // bit 8
}

TEST(ColorTransformer, CloneOutlivesItsOriginal) {
  auto* original = new CtReverseChannel<UIntNBit<16>>(2);
  ColorTransformer* copy = original->clone();
  ASSERT_NE(copy, nullptr);
  delete original;
  uint16_t in[4] = {1, 2, 300, 400}, out[4] = {};
  copy->transform(in, out, 2);
  EXPECT_EQ((std::vector<uint16_t>(out, out + 4)), (std::vector<uint16_t>{2, 1, 400, 300}));
  EXPECT_EQ(copy->channels(), 2);
  EXPECT_EQ(copy->input_channels(), 2);
  delete copy;
  int before = LiveCount::live;
  {
    Step s(3);
    ColorTransformer* c = s.clone();
    delete c;
  }
  EXPECT_EQ(LiveCount::live, before);
}

}  // namespace
