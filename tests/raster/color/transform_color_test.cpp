// The colour transformation node: header, line sizes, reading through the
// transformer, forwarding, refusals, the pipeline built from a chain, and
// that no transformer outlives its node on any path.
#include "raster/color/rst_transform_color.h"

#include "../geometry/line_source.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_create_node.h"
#include "test_transformers.h"

namespace {

class TransformColor : public RstStatusTest {
 protected:
  TransformColor() : live_before_(LiveCount::live) {}
  ~TransformColor() override { EXPECT_EQ(LiveCount::live, live_before_) << "a transformer was left alive"; }

  static RstRead* gray_source(std::vector<Bytes> lines, int32_t width = 3) {
    int32_t height = int32_t(lines.size());
    return new LineSource(image_header(width, height, 8, 1, RstColorType::s_gray()), std::move(lines));
  }
  // A node built with the chain constructor, through the create protocol.
  static RstRead* chain_node(RstRead* src, const RstColorTransformerChain& chain, RstColorType* type = nullptr) {
    RstCreateGuard guard(src);
    return rst_create_end_node_or_drop(rst_new<RstTransformColor>(src, chain, type), guard);
  }

  int live_before_;
};

RstColorTransformerChain steps(std::initializer_list<int> tags, int unusable_at = -1) {
  RstColorTransformerChain chain;
  int i = 0;
  for (int t : tags) chain.push_back(RstCountedPtr<ColorTransformer>(new Step(t, 0, i++ != unusable_at)));
  return chain;
}

uint8_t apply_steps(uint8_t x, std::initializer_list<int> tags) {
  for (int t : tags) x = uint8_t(x * 2 + t);
  return x;
}

TEST_F(TransformColor, ThreeSamplesToOne) {
  auto* src = new LineSource(image_header(4, 2, 8, 3, RstColorType::s_rgb()),
                             {{3, 6, 9, 0, 0, 0, 255, 255, 255, 1, 2, 3}, {30, 60, 90, 1, 1, 1, 2, 2, 2, 9, 9, 9}});
  Held<RstTransformColor> node(RstTransformColor::create(src, new Mean3, RstColorType::s_gray()));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.samples_per_pixel, 1);
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(h.sample_kind, 0);
  EXPECT_EQ(h.width, 4);
  EXPECT_EQ(h.height, 2);
  EXPECT_EQ(h.color_type, RstColorType::s_gray());
  EXPECT_EQ(node->line_size(), 4);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{6, 0, 255, 2}, {60, 1, 2, 9}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TransformColor, EndOfSourceSkipAndReset) {
  auto* src = static_cast<LineSource*>(gray_source({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}));
  auto* step = new Step(0);
  Held<RstTransformColor> node(RstTransformColor::create(src, step, nullptr));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(RstHeader(node.get()).color_type, RstColorType::s_gray()) << "null keeps the source's colour type";
  EXPECT_EQ(node->skip(5), 5);
  EXPECT_EQ(src->last_skip, 5);
  EXPECT_EQ(src->reads, 0) << "skipped lines are not read";
  EXPECT_EQ(first_line(node.get()), (Bytes{6, 6, 6}));
  EXPECT_EQ(step->calls, 1);
  Bytes line(3);
  EXPECT_EQ(node->read(line.data()), 0);
  EXPECT_EQ(step->calls, 1) << "no transform at the end of the source";
  node->reset();
  EXPECT_EQ(src->resets, 1);
  EXPECT_EQ(first_line(node.get()), (Bytes{2, 4, 6}));
}

TEST_F(TransformColor, SubBytePixelsFollowTheBytesRead) {
  auto* src = new LineSource(image_header(10, 1, 1, 1, RstColorType::s_gray()), {{0xA5, 0xC0}});
  auto* bits = new BitNot;
  Held<RstTransformColor> node(RstTransformColor::create(src, bits, nullptr));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->line_size(), 2);
  EXPECT_EQ(first_line(node.get()), (Bytes{0x5A, 0x3F})) << "spare bits transformed too";
  EXPECT_EQ(bits->last_pixels, 16u);
}

TEST_F(TransformColor, RefusalsDeleteTheTransformer) {
  EXPECT_EQ(RstTransformColor::create(nullptr, new Step(1), nullptr), nullptr);
  RstRead* src = gray_source({});
  EXPECT_EQ(RstTransformColor::create(src, nullptr, nullptr), nullptr);
  src->end();
  src = new LineSource(image_header(8, 1, 1, 1, nullptr, RstDataForm::rle), {});
  EXPECT_EQ(RstTransformColor::create(src, new BitNot, nullptr), nullptr);
  src->end();
  std::vector<RstReport> expected{
      {-2, "RstTransformColor::create()"}, {-2, "RstTransformColor::create()"}, {-3, "RstTransformColor::create()"}};
  EXPECT_EQ(status.errors(), expected);
  // An unusable transformer: the node is made and fails at initiate.
  src = gray_source({{1, 2, 3}});
  EXPECT_EQ(RstTransformColor::create(src, new Step(1, 0, false), nullptr), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-1, "RstTransformColor::initiate()"}));
  EXPECT_TRUE(src->sinks().empty()) << "the failed node is gone";
  src->end();
}

TEST_F(TransformColor, ChainBecomesHiddenNodes) {
  RstRead* src = gray_source({{0, 1, 100}});
  Held<> node;
  {
    RstColorTransformerChain chain = steps({1, 2, 3});
    node.reset(chain_node(src, chain, RstColorType::s_gray_reverse()));
  }
  ASSERT_NE(node, nullptr);
  // node <- hidden (2) <- hidden (1) <- source
  auto* hidden2 = dynamic_cast<RstTransformColor*>(node->source());
  ASSERT_NE(hidden2, nullptr);
  auto* hidden1 = dynamic_cast<RstTransformColor*>(hidden2->source());
  ASSERT_NE(hidden1, nullptr);
  EXPECT_EQ(hidden1->source(), src);
  EXPECT_EQ(RstHeader(hidden1).color_type, RstColorType::s_gray()) << "hidden nodes keep the source's type";
  EXPECT_EQ(RstHeader(node.get()).color_type, RstColorType::s_gray_reverse());
  EXPECT_EQ(first_line(node.get()),
            (Bytes{apply_steps(0, {1, 2, 3}), apply_steps(1, {1, 2, 3}), apply_steps(100, {1, 2, 3})}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TransformColor, ShortChainsUseTheSourceItself) {
  RstRead* src = gray_source({{5, 6, 7}});
  EXPECT_EQ(RstTransformColor::create_previous(static_cast<RstRead*>(src), steps({4})), src);
  EXPECT_EQ(RstTransformColor::create_previous(static_cast<RstRead*>(src), RstColorTransformerChain()), src);
  Held<> node(chain_node(src, steps({4})));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->source(), src);
  EXPECT_EQ(first_line(node.get()), (Bytes{14, 16, 18}));
  // An empty chain gives a node without transformer: it fails at initiate.
  RstRead* other = gray_source({{1, 1, 1}});
  EXPECT_EQ(chain_node(other, RstColorTransformerChain()), nullptr);
  EXPECT_EQ(status.errors().back(), (RstReport{-1, "RstTransformColor::initiate()"}));
  other->end();
}

TEST_F(TransformColor, UnusableChainMemberLeavesNothingBehind) {
  for (int bad : {0, 1}) {
    SCOPED_TRACE(bad);
    status.clear();
    RstRead* src = gray_source({{1, 2, 3}});
    EXPECT_EQ(RstTransformColor::create_previous(src, steps({1, 2, 3}, bad)), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstTransformColor::create_previous()"}}));
    EXPECT_TRUE(src->sinks().empty()) << "the hidden nodes made are ended";
    EXPECT_EQ(first_line(static_cast<RstRead*>(src)), (Bytes{1, 2, 3})) << "the source is still the caller's";
    src->end();
    // The chain constructor is then left without a source.
    status.clear();
    src = gray_source({{1, 2, 3}});
    EXPECT_EQ(chain_node(src, steps({1, 2, 3}, bad)), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstTransformColor::create_previous()"},
                                                       {-1, "RstTransformColor::initiate()"}}));
    EXPECT_TRUE(src->sinks().empty());
    EXPECT_EQ(first_line(static_cast<RstRead*>(src)), (Bytes{1, 2, 3})) << "the source is still the caller's";
    src->end();
  }
}

TEST_F(TransformColor, AllocationFailures) {
  std::vector<Bytes> in{{10, 20, 30}, {40, 50, 60}};
  check_allocation_failures(
      [&] { return gray_source(in); },
      [](RstRead* s) { return static_cast<RstRead*>(RstTransformColor::create(s, new Step(1), nullptr)); },
      {{21, 41, 61}, {81, 101, 121}}, {"RstTransformColor::initiate()", "rst_create_end()"});
  RstColorTransformerChain chain = steps({1, 2, 3});
  auto expect = [](uint8_t x) { return apply_steps(x, {1, 2, 3}); };
  check_allocation_failures(
      [&] { return gray_source(in); }, [&](RstRead* s) { return chain_node(s, chain); },
      {{expect(10), expect(20), expect(30)}, {expect(40), expect(50), expect(60)}},
      {"RstTransformColor::initiate()", "RstTransformColor::create_previous()", "rst_create_end()"});
}

}  // namespace
