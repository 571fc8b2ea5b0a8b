// The image store on the default printer's settings: the pool and its
// rebuild at page boundaries, the cached page transform and the runs of the
// emit hook, the feature level, and every creator of the document's drawing
// records failing at each of its allocations without leaving a block behind.
#include <cstring>
#include <functional>

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/spool_file_state.h"
#include "graphics_driver/job_output/feature_level.h"
#include "pdev_fixture.h"

namespace {

using pk::test::PdevTest;

int g_emits = 0;
int CountingEmit() {
  ++g_emits;
  return 0;
}
int FailingEmit() { return -1; }

class ImageStoreTest : public PdevTest {
 protected:
  void TearDown() override {
    FreeImageStore(store_);
    PdevTest::TearDown();
  }
  ImageStore* Make(uint32_t poolSize) {
    store_ = CreateImageStore(pdev(), poolSize);
    if (store_) store_->emit = CountingEmit;
    g_emits = 0;
    return store_;
  }
  int64_t Alloc() {
    uint32_t record = 0;
    return AllocFromStorePool(store_, 1, 2, 3, &record, 64, true);
  }
  ImageStore* store_ = nullptr;
};

constexpr PageTransform kZero{};
constexpr PageTransform kTurn{0, 1, -1, 0, 100, 0};
constexpr PageTransform kScale{2, 0, 0, 2, 0, 0};

TEST_F(ImageStoreTest, CreationSetsModesStreamAndCache) {
  JobOutputStream* stream = reinterpret_cast<JobOutputStream*>(0x1000);
  pdev()->jobOutput = stream;
  ASSERT_NE(Make(0), nullptr);
  EXPECT_EQ(store_->modeA, 1u);
  EXPECT_EQ(store_->modeB, 1u);
  EXPECT_EQ(store_->stream, stream);
  ASSERT_NE(store_->stateCache, nullptr);
  EXPECT_EQ(store_->stateCache->cacheMode, 1u);
  pdev()->jobOutput = nullptr;
}

TEST_F(ImageStoreTest, WithoutPoolNothingIsAllocatedOrRebuilt) {
  ASSERT_NE(Make(0), nullptr);
  EXPECT_EQ(PoolActive(store_), 0);
  EXPECT_EQ(store_->pool, nullptr);
  EXPECT_EQ(Alloc(), -1);
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(ResetImageStore(store_), 0);
  EXPECT_EQ(store_->pool, nullptr);
  EXPECT_EQ(PoolActive(store_), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

TEST_F(ImageStoreTest, ResetRebuildsThePoolOnlyWithModeBOne) {
  ASSERT_NE(Make(64 * 16), nullptr);
  EXPECT_EQ(PoolActive(store_), 1);
  const int64_t first = Alloc();
  ASSERT_GE(first, 0);
  EXPECT_NE(Alloc(), first);

  // Rebuilt: the pool is empty again and hands out the first place again.
  SetStoreModes(store_, 1, 1);
  EXPECT_EQ(ResetImageStore(store_), 0);
  EXPECT_EQ(PoolActive(store_), 1);
  EXPECT_EQ(Alloc(), first);

  // Kept: the place is still taken.
  SetStoreModes(store_, 1, 0);
  EXPECT_EQ(ResetImageStore(store_), 0);
  EXPECT_NE(Alloc(), first);
  EXPECT_EQ(store_->modeA, 1u);
}

TEST_F(ImageStoreTest, PoolThatCannotBeRebuiltFailsTheReset) {
  ASSERT_NE(Make(64 * 16), nullptr);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(ResetImageStore(store_), -1);
  pk::seams::FailNthAllocation(0);
  EXPECT_EQ(PoolActive(store_), 0);
  EXPECT_EQ(Alloc(), -1);
}

TEST_F(ImageStoreTest, CachedTransformIsNotSentAgain) {
  ASSERT_NE(Make(0), nullptr);
  // A fresh cache holds the zero transform.
  EXPECT_EQ(SetPageTransform(store_, &kZero), 0);
  EXPECT_EQ(g_emits, 0);
  EXPECT_EQ(SetPageTransform(store_, &kTurn), 0);
  EXPECT_EQ(SetPageTransform(store_, &kTurn), 0);
  EXPECT_EQ(g_emits, 1);
  PageTransform got{};
  EXPECT_EQ(GetPageTransform(store_, &got), 0);
  EXPECT_EQ(std::memcmp(&got, &kTurn, sizeof got), 0);

  // The reset forgets the transform but keeps the cache mode.
  EXPECT_EQ(ResetImageStore(store_), 0);
  EXPECT_EQ(store_->stateCache->cacheMode, 1u);
  EXPECT_EQ(SetPageTransform(store_, &kTurn), 0);
  EXPECT_EQ(g_emits, 2);

  // Updating caches without sending.
  EXPECT_EQ(UpdatePageTransform(store_, &kScale), 0);
  EXPECT_EQ(g_emits, 2);
  EXPECT_EQ(GetPageTransform(store_, &got), 0);
  EXPECT_EQ(std::memcmp(&got, &kScale, sizeof got), 0);
  EXPECT_EQ(SetPageTransform(store_, &kScale), 0);
  EXPECT_EQ(g_emits, 2);
}

TEST_F(ImageStoreTest, CacheModeZeroSendsEveryTransform) {
  ASSERT_NE(Make(0), nullptr);
  EXPECT_EQ(SetStateCacheMode(store_, 0), 1);
  EXPECT_EQ(SetPageTransform(store_, &kZero), 0);
  EXPECT_EQ(SetPageTransform(store_, &kZero), 0);
  EXPECT_EQ(SetPageTransform(store_, &kTurn), 0);
  EXPECT_EQ(g_emits, 3);
  EXPECT_EQ(SetStateCacheMode(store_, 1), 0);
  EXPECT_EQ(SetPageTransform(store_, &kTurn), 0);
  EXPECT_EQ(g_emits, 3);
}

TEST_F(ImageStoreTest, FailingEmitHookFailsTheCalls) {
  ASSERT_NE(Make(0), nullptr);
  EXPECT_EQ(FlushPageState(store_), 0);
  EXPECT_EQ(g_emits, 1);
  store_->emit = FailingEmit;
  EXPECT_EQ(SetPageTransform(store_, &kTurn), -1);
  EXPECT_EQ(FlushPageState(store_), -1);
  // The transform that was not sent is sent with the next call.
  store_->emit = CountingEmit;
  EXPECT_EQ(SetPageTransform(store_, &kTurn), 0);
  EXPECT_EQ(g_emits, 2);
  EXPECT_EQ(NoOperation(), 0);
}

TEST_F(ImageStoreTest, PendingStateAndImageOutputValues) {
  ASSERT_NE(Make(0), nullptr);
  BYTE value1 = 9;
  DWORD value2 = 9;
  EXPECT_EQ(GetImageOutputValues(store_, &value1, &value2), 0);
  EXPECT_EQ(value1, 0);
  EXPECT_EQ(value2, 0u);
  store_->stateCache->outputValue1 = 0x1234;
  store_->stateCache->outputValue2 = 0x56789;
  EXPECT_EQ(GetImageOutputValues(store_, &value1, &value2), 0);
  EXPECT_EQ(value1, 0x34);
  EXPECT_EQ(value2, 0x56789u);

  store_->stateCache->pending.a = 1;
  store_->stateCache->pending.c = 2;
  store_->stateCache->pending.bytes[23] = 3;
  EXPECT_EQ(ClearPendingState(store_), 0);
  EXPECT_EQ(store_->stateCache->pending.a, 0);
  EXPECT_EQ(store_->stateCache->pending.c, 0u);
  EXPECT_EQ(store_->stateCache->pending.bytes[23], 0);

  // The reset frees the attribute buffer.
  store_->stateCache->attributeBuffer = GlobalAlloc(GPTR, 32);
  EXPECT_EQ(ResetImageStore(store_), 0);
  EXPECT_EQ(store_->stateCache->attributeBuffer, nullptr);
}

TEST_F(ImageStoreTest, FeatureLevelIsComparedSigned) {
  const struct {
    int64_t level;
    int expected;
  } cases[] = {{0x01010801, 1}, {0x01010800, 0}, {0x01020001, 1}, {int64_t(0x80000000), 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    Set(1308, c.level);
    EXPECT_EQ(HasFeatureLevel(pdev(), kExtendedFeatureLevel), c.expected);
    ASSERT_NE(Make(0), nullptr);
    EXPECT_EQ(store_->extendedLevel, uint32_t(c.expected));
    EXPECT_EQ(store_->featureLevel, uint32_t(c.level));
    FreeImageStore(store_);
    store_ = nullptr;
  }
  EXPECT_EQ(HasFeatureLevel(nullptr, 0), 0);
}

// Each allocation of each creator fails in turn: the creator answers its
// failure code and no block is left; once all succeed, freeing leaves none.
TEST_F(ImageStoreTest, EveryAllocationFailureLeavesNothingBehind) {
  struct Creator {
    const char* name;
    std::function<int()> make;  // 0 made, else the failure code
    std::function<void()> release;
    int failure;
    int allocations;  // at least this many
  };
  ImageStore* store = nullptr;
  SpoolFileState* state = nullptr;
  PageImageList* list = nullptr;
  ColorConverter* converter = nullptr;
  const Creator creators[] = {
      {"image store with pool",
       [&] {
         store = CreateImageStore(pdev(), 64 * 32);
         return store ? 0 : -1;
       },
       [&] { FreeImageStore(store); }, -1, 3},
      {"image store without pool",
       [&] {
         store = CreateImageStore(pdev(), 0);
         return store ? 0 : -1;
       },
       [&] { FreeImageStore(store); }, -1, 2},
      {"spool-file state", [&] { return CreateSpoolFileState(&state, &list, &pdev()->devmode, nullptr); },
       [&] { FreeSpoolFileState(&state, &list); }, -2, 2},
      {"colour converter", [&] { return CreateColorConverter(&converter, &pdev()->devmode, nullptr, nullptr); },
       [&] { FreeColorConverter(&converter); }, -2, 1},
  };
  for (const Creator& c : creators) {
    SCOPED_TRACE(c.name);
    const SIZE_T live = pk::seams::GlobalLiveBlocks();
    int failures = 0;
    for (unsigned n = 1; n < 20; ++n) {
      pk::seams::FailNthAllocation(n);
      const int result = c.make();
      pk::seams::FailNthAllocation(0);
      if (result == 0) break;
      ++failures;
      EXPECT_EQ(result, c.failure) << n;
      EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live) << n;
    }
    EXPECT_GE(failures, c.allocations);
    c.release();
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  }
}

}  // namespace
