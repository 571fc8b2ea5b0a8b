// The transformer chain: shared members and the inverse rule.
#include "raster/color/rst_color_transformer_chain.h"

#include <gtest/gtest.h>

#include "test_transformers.h"

namespace {

RstColorTransformerChain chain_of(std::initializer_list<Step*> steps) {
  RstColorTransformerChain chain;
  for (Step* s : steps) EXPECT_TRUE(chain.push_back(RstCountedPtr<ColorTransformer>(s)));
  return chain;
}

std::vector<int> tags(const RstColorTransformerChain& chain) {
  std::vector<int> v;
  for (const auto& m : chain) v.push_back(static_cast<Step*>(m.get())->tag);
  return v;
}

TEST(TransformerChain, InverseIsReversedInverses) {
  int before = LiveCount::live;
  {
    RstColorTransformerChain chain = chain_of({new Step(1), new Step(2), new Step(3)});
    RstColorTransformerChainInverse inv = chain.inverse();
    EXPECT_EQ(inv.status, 0);
    EXPECT_EQ(tags(inv.chain), (std::vector<int>{-3, -2, -1}));
    EXPECT_EQ(tags(chain), (std::vector<int>{1, 2, 3})) << "the input is unchanged";
    for (const auto& m : chain) EXPECT_EQ(m.use_count(), 1);
    EXPECT_EQ(LiveCount::live, before + 6);
    std::vector<int> reverse;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) reverse.push_back(static_cast<Step*>(it->get())->tag);
    EXPECT_EQ(reverse, (std::vector<int>{3, 2, 1}));
  }
  EXPECT_EQ(LiveCount::live, before);
}

TEST(TransformerChain, EmptyAndFailingInverses) {
  RstColorTransformerChainInverse empty = RstColorTransformerChain().inverse();
  EXPECT_TRUE(empty.chain.empty());
  EXPECT_EQ(empty.status, 0);

  int before = LiveCount::live;
  {
    RstColorTransformerChain chain = chain_of({new Step(1), new Step(2, CtInverseStatus::lookup_table), new Step(3)});
    RstColorTransformerChainInverse inv = chain.inverse();
    EXPECT_TRUE(inv.chain.empty());
    EXPECT_EQ(inv.status, 3);
    // The inverse made for the third member is gone again.
    EXPECT_EQ(LiveCount::live, before + 3);
    EXPECT_EQ(chain.size(), 3u);
  }
  EXPECT_EQ(LiveCount::live, before);
}

TEST(TransformerChain, InverseOutOfMemoryIsAFailure) {
  RstColorTransformerChain chain = chain_of({new Step(1), new Step(2)});
  int before = LiveCount::live;
  for (int n = 1; n <= 4; ++n) {
    RstAllocFault::fail_nth(n);
    RstColorTransformerChainInverse inv = chain.inverse();
    RstAllocFault::clear();
    if (inv.status == 0) {
      EXPECT_EQ(inv.chain.size(), 2u);
    } else {
      EXPECT_EQ(inv.status, -1) << n;
      EXPECT_TRUE(inv.chain.empty());
    }
  }
  EXPECT_EQ(LiveCount::live, before);
}

TEST(TransformerChain, CopiesShareMembers) {
  int before = LiveCount::live;
  auto* first = new RstColorTransformerChain(chain_of({new Step(5), new Step(6)}));
  RstColorTransformerChain second(*first);
  EXPECT_EQ(second.front().get(), first->front().get());
  EXPECT_EQ(second.front().use_count(), 2);
  delete first;
  EXPECT_EQ(LiveCount::live, before + 2);
  uint8_t in = 1, out = 0;
  second.back()->transform(&in, &out, 1);
  EXPECT_EQ(out, 8);
  second = RstColorTransformerChain();
  EXPECT_EQ(LiveCount::live, before);
}

}  // namespace
