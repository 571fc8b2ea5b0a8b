// Lookup tables: the node over a caller's table and its refusals, the
// channel-major layout, plain tables without an inverse (also inside a
// chain), tabulated tables and their inverses, clones and allocation
// failures.
#include "raster/color/rst_transform_color_lut.h"

#include <memory>

#include "color_attributes_stub.h"
#include "color_test_support.h"
#include "raster/color/rst_color_transformer_chain.h"
#include "raster/color/rst_transform_color_gamma.h"
#include "raster/core/rst_status_recorder.h"
#include "test_transformers.h"

namespace {

using U8 = UIntNBit<8>;
using U16 = UIntNBit<16>;
using Owned = std::unique_ptr<ColorTransformer>;

RstRead* source(int32_t bits, int32_t spp, std::vector<uint32_t> samples, int32_t kind = 0) {
  RstHeader h = image_header(int32_t(samples.size()) / spp, 1, bits, spp, RstColorType::icc_lab());
  h.sample_kind = kind;
  // Wider samples (float) are only counted: zero bytes.
  Bytes line = bits > 16 || bits == 0 ? Bytes(samples.size() * size_t(bits) / 8, 0) : pack(bits, samples);
  return new LineSource(h, {std::move(line)});
}

// Channel 0 the identity, every other channel + 128 modulo 256.
std::vector<uint8_t> recentre_table(int channels) {
  std::vector<uint8_t> t(size_t(channels) * 256);
  for (int c = 0; c < channels; ++c)
    for (int v = 0; v < 256; ++v) t[size_t(c) * 256 + size_t(v)] = uint8_t(c == 0 ? v : v + 128);
  return t;
}

class LUT : public RstStatusTest {};

TEST_F(LUT, NodeMapsEveryChannelThroughItsTable) {
  std::vector<uint8_t> table = recentre_table(3);
  Held<> node(
      RstTransformColorLUT::create(source(8, 3, {10, 0, 255, 0, 127, 128}), table.data(), RstColorType::s_rgb()));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(RstHeader(node.get()).color_type, RstColorType::s_rgb());
  table.assign(table.size(), 0);  // the node has its own copy
  EXPECT_EQ(first_line(node.get()), (Bytes{10, 128, 127, 0, 255, 0}));

  // 16 bits: channels x 65536 words, channel-major.
  std::vector<uint16_t> wide(2 * 65536);
  for (uint32_t v = 0; v < 65536; ++v) {
    wide[v] = uint16_t(65535 - v);
    wide[65536 + v] = uint16_t(v / 2);
  }
  Held<> node16(RstTransformColorLUT::create(source(16, 2, {0, 65535, 1000, 3}), wide.data(), nullptr));
  ASSERT_NE(node16, nullptr);
  EXPECT_EQ(RstHeader(node16.get()).color_type, RstColorType::icc_lab());
  EXPECT_EQ(first_line(node16.get()), pack(16, {65535, 32767, 64535, 1}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(LUT, Refusals) {
  std::vector<uint8_t> table = recentre_table(1);
  const RstReport bad{-2, "RstTransformColorLUT::create()"};
  EXPECT_EQ(RstTransformColorLUT::create(nullptr, table.data(), nullptr), nullptr);
  EXPECT_EQ(status.errors(), std::vector<RstReport>{bad});
  struct Case {
    int32_t bits, kind;
    const void* table;
    std::vector<RstReport> reports;
  } cases[] = {
      {8, 0, nullptr, {bad}},
      {0, 0, table.data(), {bad}},
      {32, 3, nullptr, {bad}},
      // The sample kind is judged before any table is read.
      {32, 3, reinterpret_cast<const void*>(uintptr_t(1)), {{-3, "RstTransformColorLUT::create()"}}},
      {1, 0, table.data(), {{-50, "RstTransformColorLUT::create()"}, {-1, "RstTransformColor::initiate()"}}},
      {4, 0, table.data(), {{-50, "RstTransformColorLUT::create()"}, {-1, "RstTransformColor::initiate()"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    status.clear();
    RstRead* src = source(c.bits, 1, {1}, c.kind);
    EXPECT_EQ(RstTransformColorLUT::create(src, c.table, nullptr), nullptr);
    EXPECT_EQ(status.errors(), c.reports);
    src->end();
  }
  status.clear();
  EXPECT_EQ(RstTransformColorLUT::create_color_transformer(SampleLayout(8, 1), table.data(), 3, 32), nullptr);
  EXPECT_EQ(RstTransformColorLUT::create_color_transformer(SampleLayout(8, 1), table.data(), 0, 4), nullptr);
  EXPECT_EQ(status.errors().size(), 2u);
  // 8 -> 16 bits reads channels x 256 words.
  std::vector<uint16_t> words(2 * 256, 0x1234);
  Owned up(RstTransformColorLUT::create_color_transformer(SampleLayout(8, 2), words.data(), 0, 16));
  EXPECT_NE((dynamic_cast<CtLUT<U8, U16>*>(up.get())), nullptr);
  EXPECT_EQ(up->channels(), 2);
  EXPECT_EQ(up->bits(), 16);
}

TEST_F(LUT, PlainTableHasNoInverseNorDoesAChainOverIt) {
  std::vector<uint8_t> table = recentre_table(1);
  CtLUT<U8, U8> lut(1, table.data());
  ColorTransformerInverse inv = lut.inverse();
  EXPECT_EQ(inv.transformer, nullptr);
  EXPECT_EQ(inv.status, CtInverseStatus::lookup_table);
  int live = LiveCount::live;
  RstColorTransformerChain chain;
  chain.push_back(RstCountedPtr<ColorTransformer>(new Step(1)));
  chain.push_back(RstCountedPtr<ColorTransformer>(lut.clone()));
  chain.push_back(RstCountedPtr<ColorTransformer>(new Step(2)));
  RstColorTransformerChainInverse chain_inv = chain.inverse();
  EXPECT_TRUE(chain_inv.chain.empty());
  EXPECT_EQ(chain_inv.status, CtInverseStatus::lookup_table);
  EXPECT_EQ(LiveCount::live, live + 2) << "the inverse made for the last member is gone";
}

TEST_F(LUT, TabulatedGammaAndItsInverse) {
  Owned gamma(RstTransformColorGamma::create(SampleLayout(8, 3), 2.2));
  auto* table = dynamic_cast<CtTablizedLUT<U8, U16>*>(gamma.get());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->entries(), 256u);
  EXPECT_EQ(table->channels(), 3);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(table->table()[c * 256 + 128], 14386);
  ColorTransformerInverse inv = gamma->inverse();
  ASSERT_EQ(inv.status, 0);
  Owned back(inv.transformer);
  auto* inv_table = dynamic_cast<CtTablizedLUT<U16, U8>*>(back.get());
  ASSERT_NE(inv_table, nullptr);
  EXPECT_EQ(inv_table->entries(), 65536u);
  EXPECT_EQ(inv_table->channels(), 3);
  auto* curve = dynamic_cast<const CtGamma<U16, U8>*>(&inv_table->held());
  ASSERT_NE(curve, nullptr);
  EXPECT_EQ(curve->gamma(), 0.45454545454545453);
  // There and back.
  std::vector<uint8_t> in{0, 64, 128, 200, 250, 255};
  std::vector<uint16_t> mid(in.size());
  std::vector<uint8_t> out(in.size());
  gamma->transform(in.data(), mid.data(), 2);
  back->transform(mid.data(), out.data(), 2);
  EXPECT_EQ(out, in);
}

TEST_F(LUT, CloneOutlivesItsOriginal) {
  Owned gamma(RstTransformColorGamma::create(SampleLayout(16, 1), 1.8));
  std::vector<uint16_t> in{0, 100, 30000, 65535}, expected(4), out(4);
  gamma->transform(in.data(), expected.data(), 4);
  Owned copy(gamma->clone());
  gamma.reset();
  ASSERT_NE(copy, nullptr);
  copy->transform(in.data(), out.data(), 4);
  EXPECT_EQ(out, expected);
  Owned inv(copy->inverse().transformer);
  EXPECT_NE(inv, nullptr);
  std::vector<uint8_t> table = recentre_table(2);
  Owned plain(new CtLUT<U8, U8>(2, table.data()));
  Owned plain_copy(plain->clone());
  plain.reset();
  std::vector<uint8_t> px{5, 5}, px_out(2);
  plain_copy->transform(px.data(), px_out.data(), 1);
  EXPECT_EQ(px_out, (std::vector<uint8_t>{5, 133}));
}

TEST_F(LUT, ShortTableHoldsItsLastEntry) {
  std::vector<uint8_t> t{7, 8, 9};
  CtUpperBoundLUT<U8, U8> lut(3, 1, t.data());
  std::vector<uint8_t> in{0, 2, 3, 255}, out(4);
  lut.transform(in.data(), out.data(), 4);
  EXPECT_EQ(out, (std::vector<uint8_t>{7, 9, 9, 9}));
  EXPECT_EQ(lut.inverse().status, CtInverseStatus::lookup_table);
}

TEST_F(LUT, AllocationFailures) {
  // Factory, clone, inverse and tabulation of a gamma table.
  for (int64_t n = 1; n < 64; ++n) {
    SCOPED_TRACE(n);
    RstAllocFault::fail_nth(n);
    Owned t(RstTransformColorGamma::create(SampleLayout(8, 3), 2.2));
    Owned copy(t ? t->clone() : nullptr);
    ColorTransformerInverse inv = copy ? copy->inverse() : ColorTransformerInverse{};
    Owned inv_owned(inv.transformer);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    EXPECT_EQ(inv.status, 0);
    if (!reached) {
      ASSERT_NE(inv_owned, nullptr);
      break;
    }
    EXPECT_EQ(inv_owned, nullptr);
  }
  EXPECT_TRUE(status.errors().empty());
  std::vector<uint8_t> table = recentre_table(3);
  check_allocation_failures(
      [] {
        return source(8, 3, {10, 0, 255});
      },
      [&](RstRead* s) { return static_cast<RstRead*>(RstTransformColorLUT::create(s, table.data(), nullptr)); },
      {{10, 128, 127}}, {"RstTransformColor::initiate()", "rst_create_end()"});
}

}  // namespace
