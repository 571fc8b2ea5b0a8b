// DrvBitBlt's destination-only and pattern operations drawn into a 64-dot
// band through the engine's clip objects, what it hands back to the engine,
// and the clip cache the blits keep.
#include <gtest/gtest.h>

#include "drawing_fixture.h"
#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/clip_cache.h"
#include "platform/win/win_error.h"

namespace {

using pk::test::DrawingTest;

class BitBltTest : public DrawingTest {};

TEST_F(BitBltTest, BlacknessIsCutToARectangularClipAndWhitenessClears) {
  UseBand(0, 40);
  CLIPOBJ* clip = Clip({RECTL{20, 0, 40, 40}});
  ASSERT_TRUE(Blt(RECTL{10, 10, 30, 30}, 0x0000, nullptr, clip));
  EXPECT_TRUE(InkedExactly(RECTL{20, 10, 30, 30}, 40));
  EXPECT_EQ(pdev()->clipCache.state, kClipStateNone);
  ASSERT_TRUE(Blt(RECTL{10, 10, 30, 30}, 0xFFFF, nullptr, clip));
  EXPECT_TRUE(BandBlank());
  EXPECT_TRUE(pkgdi::EngineCalls().empty());
  // A target wholly inside the clip is drawn whole; one beside it not at all.
  ASSERT_TRUE(Blt(RECTL{22, 2, 24, 4}, 0x0000, nullptr, clip));
  EXPECT_TRUE(InkedExactly(RECTL{22, 2, 24, 4}, 40));
  ASSERT_TRUE(Blt(RECTL{22, 2, 24, 4}, 0xFFFF, nullptr, clip));
  ASSERT_TRUE(Blt(RECTL{0, 0, 10, 10}, 0x0000, nullptr, clip));
  EXPECT_TRUE(BandBlank());
}

TEST_F(BitBltTest, BlacknessThroughAComplexRegionInksOnlyInsideIt) {
  CLIPOBJ* clip = Clip({RECTL{0, 0, 10, 16}, RECTL{10, 10, 30, 16}});
  ASSERT_EQ(clip->iDComplexity, DC_COMPLEX);
  ASSERT_TRUE(Blt(RECTL{-5, -5, 100, 100}, 0x0000, nullptr, clip));
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 64; ++x) EXPECT_EQ(Ink(y, x), x < 10 || (y >= 10 && x < 30)) << x << "," << y;
  EXPECT_TRUE(pkgdi::EngineCalls().empty());
}

TEST_F(BitBltTest, PatternFillDrawsEveryEnumeratedBatch) {
  std::vector<RECTL> dots;
  for (LONG i = 0; i < 301; ++i) dots.push_back(RECTL{i % 64, i / 64, i % 64 + 1, i / 64 + 1});
  CLIPOBJ* clip = Clip(dots);
  ASSERT_TRUE(Blt(RECTL{0, 0, 64, 16}, 0xF0F0, Solid(0x000000), clip));
  int inked = 0;
  for (uint32_t y = 0; y < 16; ++y)
    for (uint32_t x = 0; x < 64; ++x) {
      inked += Ink(y, x);
      EXPECT_EQ(Ink(y, x), y * 64 + x < 301) << x << "," << y;
    }
  EXPECT_EQ(inked, 301);
  // The pattern state is back to plain grey after the fill.
  EXPECT_EQ(Record()->imageKind, 0u);
  EXPECT_EQ(Record()->brushLevel, 0u);
}

TEST_F(BitBltTest, PatternFillWithoutClipOrTrivialClip) {
  ASSERT_TRUE(Blt(RECTL{3, 1, 13, 2}, 0xF0F0, Solid(0x000000)));
  EXPECT_EQ(Hex(1, 2), "1F F8");
  ASSERT_TRUE(Blt(RECTL{13, 1, 3, 2}, 0xF0F0, Solid(0xFFFFFF), Trivial()));
  EXPECT_TRUE(BandBlank());
  // A rectangle reaching far past the band fills the band only.
  ASSERT_TRUE(Blt(RECTL{-100000, -100000, 100000, 100000}, 0xF0F0, Solid(0x000000)));
  EXPECT_TRUE(InkedExactly(RECTL{0, 0, 64, 17}, 17));
}

TEST_F(BitBltTest, XorThroughARegionIsWrittenAgainstTheSavedBand) {
  CLIPOBJ* clip = Clip({RECTL{0, 0, 3, 1}, RECTL{5, 0, 8, 1}});
  ASSERT_TRUE(Blt(RECTL{0, 0, 8, 1}, 0x5A5A, Solid(0xFFFFFF), clip));
  EXPECT_EQ(Row(0)[0], 0xE7);
  EXPECT_EQ(Stream()->work.spanMode, 0u);
  EXPECT_EQ(Stream()->work.capturedImage, nullptr);
}

TEST_F(BitBltTest, XorReachingPastTheBandChangesOnlyBandRows) {
  UseBand(100, 16);
  for (uint32_t y = 0; y <= 16; ++y) std::memset(Row(y), 0x5A, 8);
  CLIPOBJ* clip = Clip({RECTL{0, -40, 30, 56}, RECTL{34, -40, 64, 56}});
  ASSERT_TRUE(Blt(RECTL{0, -40, 64, 56}, 0x5A5A, Solid(0xFFFFFF), clip));
  // Columns 0-29 and 34-63 flip on every row of the band, the spare row too.
  for (uint32_t y = 0; y <= 16; ++y) EXPECT_EQ(Hex(y), "A5 A5 A5 A6 65 A5 A5 A5") << y;
}

TEST_F(BitBltTest, DestinationOnlyDrawsNothing) {
  ASSERT_TRUE(Blt(RECTL{0, 0, 64, 16}, 0xAAAA));
  EXPECT_TRUE(BandBlank());
  EXPECT_TRUE(pkgdi::EngineCalls().empty());
}

TEST_F(BitBltTest, WhatIsNotDrawnGoesToTheEngine) {
  // A source operation (until source bitmaps are drawn by the driver).
  ASSERT_TRUE(Blt(RECTL{0, 0, 8, 8}, 0xCCCC));
  // A pattern fill without a brush.
  ASSERT_TRUE(Blt(RECTL{0, 0, 8, 8}, 0xF0F0));
  // Every bitmap call after a failed document start.
  pdev()->ddiFlags |= kDdiDocumentFailed;
  ASSERT_TRUE(Blt(RECTL{0, 0, 8, 8}, 0x0000));
  ASSERT_TRUE(Blt(RECTL{0, 0, 8, 8}, 0xAAAA));
  const auto calls = pkgdi::EngineCalls();
  ASSERT_EQ(calls.size(), 4u);
  const ROP4 rops[] = {0xCCCC, 0xF0F0, 0x0000, 0xAAAA};
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].kind, pkgdi::EngineCall::BitBlt);
    EXPECT_EQ(calls[i].rop4, rops[i]);
    EXPECT_EQ(calls[i].pso, target_);
  }
  EXPECT_TRUE(BandBlank());
  // What the engine answers is the answer.
  pkgdi::SetEngineFallbackResult(FALSE);
  EXPECT_FALSE(Blt(RECTL{0, 0, 8, 8}, 0xCCCC));

  SetLastError(0);
  EXPECT_FALSE(DrvBitBlt(target_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(BitBltTest, ClipCacheStates) {
  pdev()->clipCache.state = kClipStateRect;
  ResetClipState(pdev());
  EXPECT_EQ(pdev()->clipCache.state, kClipStateReset);
  CLIPOBJ* rect = Clip({RECTL{10, 0, 20, 8}});
  const RECTL inside{12, 1, 14, 2}, across{0, 0, 30, 4};
  // State 3 reads as 0; a rectangle inside the clip needs nothing.
  EXPECT_EQ(UpdateClipState(pdev(), rect, nullptr, &inside, nullptr), 1);
  EXPECT_EQ(pdev()->clipCache.state, kClipStateNone);
  EXPECT_EQ(UpdateClipForRectangle(pdev(), rect, &across), 1);
  EXPECT_EQ(pdev()->clipCache.state, kClipStateRect);
  EXPECT_EQ(pdev()->clipCache.rect.left, 10);
  EXPECT_EQ(pdev()->clipCache.rect.right, 20);
  EXPECT_EQ(UpdateClipState(pdev(), Trivial(), nullptr, &across, nullptr), 1);
  EXPECT_EQ(pdev()->clipCache.state, kClipStateNone);
  EXPECT_EQ(UpdateClipState(pdev(), nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(NeedsRectClip(rect, &across), 1);
  EXPECT_EQ(NeedsRectClip(rect, &inside), 0);
  EXPECT_EQ(NeedsRectClip(Trivial(), &across), 0);
  RECTL cut = across;
  ClipRectToBounds(rect, &cut);
  EXPECT_EQ(cut.left, 10);
  EXPECT_EQ(cut.right, 20);
  EXPECT_EQ(cut.bottom, 4);
  RECTL beside{30, 0, 40, 4};
  ClipRectToBounds(rect, &beside);
  EXPECT_EQ(beside.right - beside.left, 0);
}

}  // namespace

namespace {

// The wide frame of a tiled stamp copy reaches the driver as a pattern blit
// through the frame's region: drawn where the first copy goes, it lands its
// mark offset away, cut to the clip moved with it, its pattern moved too.
TEST_F(BitBltTest, MarkOffsetMovesTheFillWithItsClip) {
  const auto moved = [](RECTL r, POINTL by) {
    return RECTL{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y};
  };
  struct Case {
    const char* name;
    ROP4 rop4;
    bool hatch;
    std::vector<RECTL> clip;  // none: no clip
    POINTL shift;
  };
  const RECTL target{2, 3, 30, 20};
  const Case cases[] = {
      {"solid fill", 0xF0F0, false, {}, {50, 20}},
      {"solid fill cut to a rectangle", 0xF0F0, false, {RECTL{10, 0, 20, 64}}, {-5, 30}},
      {"solid fill through a frame region",
       0xF0F0,
       false,
       {RECTL{2, 3, 30, 6}, RECTL{2, 6, 5, 17}, RECTL{27, 6, 30, 17}, RECTL{2, 17, 30, 20}},
       {70, 33}},
      {"hatched fill through a region", 0xF0F0, true, {RECTL{2, 3, 12, 20}, RECTL{20, 3, 30, 20}}, {13, 7}},
      {"blackness cut to a rectangle", 0x0000, false, {RECTL{0, 5, 64, 10}}, {40, 40}},
      {"blackness through a region", 0x0000, false, {RECTL{2, 3, 12, 20}, RECTL{20, 3, 30, 20}}, {90, -2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto draw = [&](RECTL rect, std::vector<RECTL> clip, POINTL origin) {
      for (RECTL& r : clip) r = moved(r, origin);
      CLIPOBJ* pco = clip.empty() ? nullptr : Clip(clip);
      BRUSHOBJ* brush = c.rop4 == 0x0000 ? nullptr : c.hatch ? Hatch(5, 0x000000, 0xFFFFFF) : Solid(0);
      return DrvBitBlt(target_, nullptr, nullptr, pco, nullptr, &rect, nullptr, nullptr, brush, &origin, c.rop4);
    };
    UseBand(0, 64, 128);
    pdev()->pipeline.markOffset = c.shift;
    ASSERT_TRUE(draw(target, c.clip, POINTL{0, 0}));
    const std::vector<BYTE> shifted = band_;
    UseBand(0, 64, 128);
    pdev()->pipeline.markOffset = POINTL{0, 0};
    ASSERT_TRUE(draw(moved(target, c.shift), c.clip, c.shift));
    EXPECT_FALSE(BandBlank());
    EXPECT_EQ(shifted, band_);
  }
  EXPECT_TRUE(pkgdi::EngineCalls().empty());

  // The closing stamp or label bracket, played in the band after the mark's
  // drawing, ends the offset: what is drawn after it stays where it says.
  for (const ULONG bracket : {0x5003ul, 0x5008ul}) {
    UseBand(0, 64, 128);
    pdev()->pipeline.markOffset = POINTL{40, 20};
    uint32_t off = 0;
    DrvEscape(target_, bracket, sizeof off, &off, 0, nullptr);
    ASSERT_TRUE(Blt(RECTL{2, 3, 30, 20}, 0xF0F0, Solid(0)));
    EXPECT_TRUE(InkedExactly(RECTL{2, 3, 30, 20}, 64, 128)) << bracket;
  }

  // An offset far off the page draws nothing and fails nothing.
  UseBand(0, 64, 128);
  pdev()->pipeline.markOffset = POINTL{INT32_MAX, INT32_MAX};
  RECTL rect = target;
  EXPECT_TRUE(Blt(rect, 0xF0F0, Solid(0)));
  EXPECT_TRUE(Blt(rect, 0x0000, nullptr, Clip({RECTL{0, 0, 10, 10}, RECTL{20, 20, 30, 30}})));
  EXPECT_TRUE(BandBlank());
  pdev()->pipeline.markOffset = POINTL{0, 0};
}

}  // namespace
