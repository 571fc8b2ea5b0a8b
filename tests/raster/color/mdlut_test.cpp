// Multi-dimensional lookup tables: the double transformers and the integer
// kernels on their grids, the table stage, the table node's routes and
// refusals, and the grid-sampled Lab conversion against the direct chain.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <typeinfo>

#include "color_test_support.h"
#include "raster/codecs/rst_header_tolvane.h"
#include "raster/color/ct_mdlut.h"
#include "raster/color/rst_mdlut_stage.h"
#include "raster/color/rst_transform_color_by_mdlut.h"
#include "raster/color/rst_transform_color_lab.h"
#include "raster/color/rst_transform_color_mdlut.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class MDLUT : public RstStatusTest {};

using Lut8x3 = CtMDLUTLinear<UIntNBit<8>, UIntNBit<8>, 3>;

// The stage-grid position of node i for 8 bits and N = 17.
uint32_t stage_node(int i) { return i == 16 ? 255 : uint32_t(16 * i); }

// An identity table on the stage grid, N = 17, in stage order.
Bytes identity_stage_table() {
  Bytes t;
  for (int i0 = 0; i0 < 17; ++i0)
    for (int i1 = 0; i1 < 17; ++i1)
      for (int i2 = 0; i2 < 17; ++i2)
        for (int v : {i0, i1, i2}) t.push_back(uint8_t(stage_node(v)));
  return t;
}

RstRead* rgb_source(const Bytes& pixels, int32_t bits = 8, RstColorType* type = RstColorType::s_rgb(),
                    int32_t spp = 3) {
  int32_t width = int32_t(pixels.size() * 8 / size_t(bits * spp));
  return new LineSource(image_header(width, 1, bits, spp, type), {pixels});
}

TEST_F(MDLUT, TransformerGrid) {
  // K = 1, N = 5: linear between nodes at i x 63.75, rounded half up.
  const uint8_t line[] = {0, 100, 200, 250, 255};
  CtMDLUTLinear<UIntNBit<8>, UIntNBit<8>, 1> one(1, 5, line);
  uint8_t in[] = {0, 32, 64, 200, 255}, out[5];
  one.transform(in, out, 5);
  EXPECT_EQ(Bytes(out, out + 5), (Bytes{0, 50, 100, 251, 255}));
  // K = 3, one output: 10 at the first node, 21 next along channel 0.
  Bytes table(17 * 17 * 17, 0);
  table[0] = 10;
  table[1] = 21;
  Lut8x3 three(1, 17, table.data());
  uint8_t px[] = {8, 0, 0, 0, 0, 0, 255, 255, 255}, o[3];
  three.transform(px, o, 3);
  EXPECT_EQ(Bytes(o, o + 3), (Bytes{16, 10, 0}));
  // The same table through the integer kernel (stage order: channel 0 is
  // the slowest, so the next node along it is N^2 samples on).
  Bytes stage(17 * 17 * 17, 0);
  stage[0] = 10;
  stage[17 * 17] = 21;
  uint8_t k_out[3];
  rst_mdlut_interpolate<3, 1, uint8_t>(px, k_out, 3, stage.data(), 17, 4);
  EXPECT_EQ(Bytes(k_out, k_out + 3), (Bytes{15, 10, 0}));
  // N = 2: one cell 0 .. 255; 255 at the far node along channel 0.
  const uint8_t two[] = {0, 0, 0, 0, 255, 0, 0, 0};
  uint8_t half[] = {128, 0, 0}, h_out;
  rst_mdlut_interpolate<3, 1, uint8_t>(half, &h_out, 1, two, 2, 8);
  EXPECT_EQ(h_out, 128);
}

TEST_F(MDLUT, StageGridIdentityAndCorners) {
  Bytes table = identity_stage_table();
  Bytes px{250, 100, 7, 17, 33, 254, 0, 0, 0, 255, 255, 255, 16, 16, 16, 9, 9, 200};
  Bytes out(px.size());
  rst_mdlut_interpolate<3, 3, uint8_t>(px.data(), out.data(), int32_t(px.size() / 3), table.data(), 17, 4);
  EXPECT_EQ(out, px);
  // 16 bits, K 4, M 3, N 2, 65535 only at the far corner: the weights need
  // 128 bits.
  std::vector<uint16_t> far(16 * 3, 0);
  for (int j = 0; j < 3; ++j) far[15 * 3 + j] = 65535;
  const uint16_t in[] = {65534, 65534, 65534, 65534, 65535, 65535, 65535, 65535, 0, 0, 0, 0};
  uint16_t o[9];
  rst_mdlut_interpolate<4, 3, uint16_t>(in, o, 3, far.data(), 2, 16);
  EXPECT_EQ(std::vector<uint16_t>(o, o + 9),
            (std::vector<uint16_t>{65534, 65534, 65534, 65535, 65535, 65535, 0, 0, 0}));
  // The same through the table node: a 16-bit CMYK source to s_rgb on the
  // stage route, whose stage copies all 16 x 3 words.
  Bytes pixels(sizeof in);
  std::memcpy(pixels.data(), in, sizeof in);
  RstRead* src = new LineSource(image_header(3, 1, 16, 4, RstColorType::s_cmyk()), {pixels});
  Held<> node(RstTransformColorMDLUTLinear::create(src, 3, 2, far.data(), RstColorType::s_rgb(), 1));
  ASSERT_NE(node, nullptr);
  EXPECT_NE(dynamic_cast<RstReadTolvane*>(node.get()), nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.bits_per_sample, 16);
  EXPECT_EQ(h.samples_per_pixel, 3);
  Bytes line = first_line(node.get());
  ASSERT_EQ(line.size(), sizeof o);
  EXPECT_EQ(std::memcmp(line.data(), o, sizeof o), 0);
}

TEST_F(MDLUT, EqualFractionsAndClones) {
  Bytes table(17 * 17 * 17 * 3);
  for (size_t i = 0; i < table.size(); ++i) table[i] = uint8_t(i * 37 % 251);
  auto* original = new Lut8x3(3, 17, table.data());
  std::unique_ptr<ColorTransformer> clone(original->clone());
  uint8_t px[] = {40, 40, 40, 40, 200, 40}, a[6], b[6];
  original->transform(px, a, 2);
  EXPECT_EQ(static_cast<Lut8x3*>(clone.get())->table_users(), 2);
  delete original;
  clone->transform(px, b, 2);
  EXPECT_EQ(Bytes(a, a + 6), Bytes(b, b + 6));
  // Equal fractions on every channel: the corner path is the diagonal.
  uint8_t diag[] = {8, 8, 8}, d[3];
  clone->transform(diag, d, 1);
  for (int j = 0; j < 3; ++j) {
    size_t far = (1 + 17 + 17 * 17) * 3 + size_t(j);
    double f = 8 / 15.9375;
    EXPECT_EQ(d[j], uint8_t(table[size_t(j)] + f * (int(table[far]) - int(table[size_t(j)])) + 0.5));
  }
}

// A stage that hands out fixed lines and counts its closes.
struct FakeStage : RstInstanceTolvane {
  TolvaneImageInfo description;
  Bytes line_bytes;
  int closes = 0;
  int32_t info(TolvaneImageInfo* info) override {
    *info = description;
    return 1;
  }
  int32_t line(uint8_t* buffer) override {
    std::memcpy(buffer, line_bytes.data(), line_bytes.size());
    return 1;
  }
  int32_t close() override {
    ++closes;
    return 1;
  }
};

TEST_F(MDLUT, TableStage) {
  Bytes table = identity_stage_table();
  MDLUTLinearParam param{8, 3, 3, 17, table.data()};
  FakeStage previous;
  previous.description = {2, 1, 24u << 16 | 8u, TolvaneOrder::normal, nullptr};
  previous.line_bytes = {250, 100, 7, 17, 33, 254};
  RstInstanceTolvane* stage = rstCreateInstanceMDLUTLinear(&previous, &param, 8);
  ASSERT_GT(stage->status, 0);
  TolvaneImageInfo info;
  EXPECT_EQ(stage->info(&info), 1);
  EXPECT_EQ(info.format, 24u << 16 | 8u);
  EXPECT_EQ(info.width, 2);
  EXPECT_EQ(info.height, 1);
  Bytes out(6);
  EXPECT_EQ(stage->line(out.data()), 1);
  EXPECT_EQ(out, previous.line_bytes);
  stage->close();
  EXPECT_EQ(previous.closes, 1);
  // Refusals: the error instance carries the status, the previous stage closed.
  struct Case {
    const char* name;
    MDLUTLinearParam param;
    uint32_t format;
    uint8_t* colormap;
    int32_t status;
  } cases[] = {
      {"one output", {8, 3, 1, 17, table.data()}, 24u << 16, nullptr, -2},
      {"two inputs", {8, 2, 3, 17, table.data()}, 16u << 16, nullptr, -2},
      {"no table", {8, 3, 3, 17, nullptr}, 24u << 16, nullptr, -2},
      {"N - 1 not a power of two", {8, 3, 3, 16, table.data()}, 24u << 16, nullptr, -2},
      {"4 bits", {4, 3, 3, 17, table.data()}, 12u << 16, nullptr, -2},
      {"bilevel pixels", {8, 3, 3, 17, table.data()}, 1u << 16, nullptr, -13},
      {"indexed pixels", {8, 3, 3, 17, table.data()}, 8u << 16, table.data(), -13},
      {"other pixel bits", {8, 3, 3, 17, table.data()}, 32u << 16, nullptr, -13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeStage p;
    p.description = {2, 1, c.format, TolvaneOrder::normal, c.colormap};
    RstInstanceTolvane* e = rstCreateInstanceMDLUTLinear(&p, &c.param, 8);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->status, c.status);
    EXPECT_EQ(p.closes, 1);
    e->close();
  }
}

TEST_F(MDLUT, TableStageAllocationFailures) {
  Bytes table = identity_stage_table();
  MDLUTLinearParam param{8, 3, 3, 17, table.data()};
  bool made = false;
  for (int64_t n = 1; n < 16 && !made; ++n) {
    SCOPED_TRACE(n);
    FakeStage previous;
    previous.description = {2, 1, 24u << 16 | 8u, TolvaneOrder::normal, nullptr};
    previous.line_bytes = {250, 100, 7, 17, 33, 254};
    RstAllocFault::fail_nth(n);
    RstInstanceTolvane* stage = rstCreateInstanceMDLUTLinear(&previous, &param, 8);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    ASSERT_NE(stage, nullptr);
    if (stage->status <= 0) {
      EXPECT_TRUE(reached);
      EXPECT_EQ(stage->status, -1);
      EXPECT_EQ(previous.closes, 1);
    } else {
      made = true;
      Bytes out(6);
      EXPECT_EQ(stage->line(out.data()), 1);
      EXPECT_EQ(out, previous.line_bytes);
    }
    stage->close();
  }
  EXPECT_TRUE(made);
}

TEST_F(MDLUT, RoutesOfTheTableNode) {
  Bytes stage = identity_stage_table();
  Bytes transformer_order(stage.size());
  std::unique_ptr<uint8_t, void (*)(void*)> reversed(
      RstTransformColorMDLUTLinear::reverse_axes(stage.data(), 8, 3, 3, 17), rst_free);
  std::memcpy(transformer_order.data(), reversed.get(), stage.size());
  Bytes px{250, 100, 7, 17, 33, 254};
  for (uint8_t stage_order : {0, 1}) {
    SCOPED_TRACE(int(stage_order));
    const Bytes& table = stage_order ? stage : transformer_order;
    Held<> node(RstTransformColorMDLUTLinear::create(rgb_source(px), 3, 17, table.data(), nullptr, stage_order));
    ASSERT_NE(node, nullptr);
    EXPECT_NE(dynamic_cast<RstReadTolvane*>(node.get()), nullptr);
    EXPECT_EQ(RstHeader(node.get()).color_type, RstColorType::s_rgb());
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{px});
    // A reset makes a fresh stage: the first line again.
    node->reset();
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{px});
  }
  // N = 16 takes the transformer route; the table in either order gives
  // the same transformer.
  Bytes sixteen(16 * 16 * 16 * 3);
  for (size_t i = 0; i < sixteen.size(); ++i) sixteen[i] = uint8_t(i * 13 % 256);
  std::unique_ptr<uint8_t, void (*)(void*)> sixteen_stage(
      RstTransformColorMDLUTLinear::reverse_axes(sixteen.data(), 8, 3, 3, 16), rst_free);
  Held<> a(RstTransformColorMDLUTLinear::create(rgb_source(px), 3, 16, sixteen.data(), nullptr, 0));
  Held<> b(RstTransformColorMDLUTLinear::create(rgb_source(px), 3, 16, sixteen_stage.get(), nullptr, 1));
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  auto* ta = dynamic_cast<RstTransformColor*>(a.get());
  ASSERT_NE(ta, nullptr);
  EXPECT_EQ(typeid(*ta->transformer()), typeid(Lut8x3));
  EXPECT_EQ(pull(a.get()), pull(b.get()));
  // One channel: the transformer route whatever N.
  const uint8_t ramp[] = {0, 100, 200, 250, 255};
  Held<> gray(RstTransformColorMDLUTLinear::create(rgb_source({0, 32, 64, 200, 255}, 8, RstColorType::s_gray(), 1), 1,
                                                   5, ramp, nullptr, 1));
  ASSERT_NE(gray, nullptr);
  EXPECT_EQ(pull(gray.get()), std::vector<Bytes>{Bytes({0, 50, 100, 251, 255})});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MDLUT, TableNodeRefusals) {
  Bytes table = identity_stage_table();
  Bytes big(size_t(257) * 257 * 257 * 3 / 64);
  struct Case {
    const char* name;
    RstRead* source;
    unsigned outputs, n;
    const void* table;
    RstColorType* type;
    uint8_t stage_order;
    RstReport report;
  } cases[] = {
      {"no table", rgb_source({1, 2, 3}), 3, 17, nullptr, nullptr, 1, {-2, "RstTransformColorMDLUTLinear::create()"}},
      {"N 1", rgb_source({1, 2, 3}), 3, 1, table.data(), nullptr, 1, {-2, "RstTransformColorMDLUTLinear::create()"}},
      {"hsl on the stage route",
       rgb_source({1, 2, 3}),
       3,
       17,
       table.data(),
       RstColorType::hsl(),
       1,
       {-2, "RstTransformColorMDLUTLinear::create()"}},
      {"N 257", rgb_source({1, 2, 3}), 3, 257, big.data(), nullptr, 1, {-2, "RstTransformColorMDLUTLinear::create()"}},
      {"4-bit source",
       rgb_source({0x12, 0x30}, 4),
       3,
       17,
       table.data(),
       nullptr,
       1,
       {-50, "RstTransformColorMDLUTLinear::create()"}},
      {"two channels, N 17, transformer order",
       rgb_source({1, 2}, 8, RstColorType::none(), 2),
       3,
       17,
       table.data(),
       RstColorType::s_rgb(),
       0,
       {-1, "RstTransformColorMDLUTLinear::create()"}},
      {"two channels, N 16",
       rgb_source({1, 2}, 8, RstColorType::none(), 2),
       3,
       16,
       table.data(),
       RstColorType::s_rgb(),
       0,
       {-50, "RstTransformColorMDLUTLinear::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    EXPECT_EQ(RstTransformColorMDLUTLinear::create(c.source, c.outputs, c.n, c.table, c.type, c.stage_order), nullptr);
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().front(), c.report);
    // The source is still the caller's.
    EXPECT_GT(c.source->line_size(), 0);
    c.source->end();
  }
}

// The itu_lab -> sRGB conversion through the 17^3 table against the chain.
RstLabConversionParam default_param() { return {RstLabRange::default_range(), white_point_d50, RstColorType::s_rgb()}; }
using ByTable = RstTransformColorByMDLUT<RstTransformColorITULABToSRGB, RstTransformColorMDLUTLinear>;

Bytes direct(const Bytes& lab) {
  Held<> chain(RstTransformColorITULABToSRGB::create(rgb_source(lab, 8, RstColorType::itu_lab()),
                                                     &RstLabRange::default_range(), white_point_d50,
                                                     RstColorType::s_rgb()));
  return first_line(chain.get());
}

TEST_F(MDLUT, GridSampledLabConversion) {
  Bytes lab;
  for (int l = 0; l < 256; ++l) lab.insert(lab.end(), {uint8_t(l), 128, 96});
  // Grid colours come out exactly as the chain converts them.
  lab.insert(lab.end(), {16, 128, 240, 255, 255, 255, 0, 0, 0, 64, 32, 208});
  Held<> node(ByTable::create(rgb_source(lab, 8, RstColorType::itu_lab()), default_param(), 17));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(RstHeader(node.get()).color_type, RstColorType::s_rgb());
  Bytes got = first_line(node.get());
  Bytes want = direct(lab);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < 256 * 3; ++i) EXPECT_LE(std::abs(int(got[i]) - int(want[i])), 8) << "gray " << i / 3;
  EXPECT_EQ(Bytes(got.end() - 12, got.end()), Bytes(want.end() - 12, want.end()));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MDLUT, GridSampledRefusalsAndColormaps) {
  struct Case {
    const char* name;
    RstRead* source;
    int n;
    RstReport report;
  } cases[] = {
      {"N 1",
       rgb_source({1, 2, 3}, 8, RstColorType::itu_lab()),
       1,
       {-2, "RstTransformColorByMDLUT<T,MDLUT>::create()"}},
      {"16 bits",
       rgb_source(Bytes(6, 0), 16, RstColorType::itu_lab()),
       17,
       {-50, "RstTransformColorByMDLUT<T,MDLUT>::create()"}},
      {"four channels",
       rgb_source(Bytes(4, 0), 8, RstColorType::itu_lab(), 4),
       17,
       {-50, "RstTransformColorByMDLUT<T,MDLUT>::create()"}},
      {"coded lines",
       new LineSource(image_header(8, 1, 8, 3, RstColorType::itu_lab(), RstDataForm::jpeg), {Bytes(8, 0)}),
       17,
       {-3, "RstTransformColorByMDLUT<T,MDLUT>::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    EXPECT_EQ(ByTable::create(c.source, default_param(), c.n), nullptr);
    EXPECT_EQ(status.errors(), std::vector<RstReport>{c.report});
    EXPECT_GT(c.source->line_size(), 0);
    c.source->end();
  }
  EXPECT_EQ(ByTable::create(nullptr, default_param(), 17), nullptr);
  // An indexed source goes through the chain directly.
  status.clear();
  RstHeader h = indexed_header(2, 1, 8, colormap_of(8, 3, {100, 128, 96, 50, 100, 150}), RstColorType::itu_lab());
  h.samples_per_pixel = 3;
  Held<> node(ByTable::create(new LineSource(h, {Bytes{0, 1}}), default_param(), 17));
  ASSERT_NE(node, nullptr);
  EXPECT_NE(dynamic_cast<RstTransformColorITULABToSRGB*>(node.get()), nullptr);
}

TEST_F(MDLUT, GridSampledAllocationFailures) {
  Bytes lab{0, 128, 96, 255, 128, 96, 16, 128, 240};
  Bytes want = direct(lab);
  check_allocation_failures(
      [&] { return rgb_source(lab, 8, RstColorType::itu_lab()); },
      [](RstRead* s) { return ByTable::create(s, default_param(), 17); }, {want},
      {"RstTransformColorByMDLUT<T,MDLUT>::create()", "RstTransformColorMDLUTLinear::create()",
       "RstReadTolvaneCreator::initiate()", "rst_create_end()", "RstReadColormap::create()", "RstColormap::init()",
       "RstTransformColor::initiate()", "RstTransformColor::create()", "RstWriteMemory::RstWriteMemory()",
       "RstCreateGuard::RstCreateGuard()", "RstInputCreatingRead<Input,Reader>::create()",
       "RstTransformColor::create_previous()", "RstWriteRaw::initiate()", "RstReadData::initiate()",
       "RstTransformColorITULABToSRGB::create()"},
      400);
}

}  // namespace
