// EngComputeGlyphSet: code points of single bytes as sorted runs whose handles
// are the bytes, in one global block laid out as callers rebase it.
#include <gtest/gtest.h>

#include <map>

#include "platform/gdi/eng_services.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

std::map<WCHAR, HGLYPH> Handles(const FD_GLYPHSET* gs) {
  std::map<WCHAR, HGLYPH> out;
  const WCRUN* runs = gs->awcrun;
  for (ULONG r = 0; r < gs->cRuns; ++r)
    for (USHORT k = 0; k < runs[r].cGlyphs; ++k) out[static_cast<WCHAR>(runs[r].wcLow + k)] = runs[r].phg[k];
  return out;
}

}  // namespace

TEST(GlyphSet, AnsiCodePageBytesBecomeHandles) {
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  FD_GLYPHSET* gs = EngComputeGlyphSet(0, 0, 256);
  ASSERT_NE(gs, nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live + 1);
  EXPECT_EQ(gs->cGlyphsSupported, 256u);
  auto h = Handles(gs);
  EXPECT_EQ(h.size(), 256u);
  EXPECT_EQ(h.at(u'A'), 0x41u);
  EXPECT_EQ(h.at(u'\u20AC'), 0x80u);
  EXPECT_EQ(h.at(u'\u00FF'), 0xFFu);

  // Sorted disjoint runs; run i's handles lie after the run table, behind the
  // handles of the runs before it.
  const BYTE* base = reinterpret_cast<const BYTE*>(gs);
  const WCRUN* runs = gs->awcrun;
  ULONG before = 0;
  for (ULONG r = 0; r < gs->cRuns; ++r) {
    EXPECT_EQ(reinterpret_cast<const BYTE*>(runs[r].phg), base + (gs->cRuns + 1) * 16 + 4 * before) << r;
    if (r) {
      EXPECT_GT(runs[r].wcLow, runs[r - 1].wcLow + runs[r - 1].cGlyphs - 1);
    }
    before += runs[r].cGlyphs;
  }
  EXPECT_EQ(gs->cjThis, (gs->cRuns + 1) * 16 + 4 * before);
  EXPECT_EQ(GlobalSize(gs), gs->cjThis);
  EXPECT_EQ(GlobalFree(gs), nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

TEST(GlyphSet, LeadBytesAndRangesAndFailures) {
  pk::seams::SetCodePages(932, 932);
  FD_GLYPHSET* gs = EngComputeGlyphSet(0, 0, 256);
  ASSERT_NE(gs, nullptr);
  auto h = Handles(gs);
  for (auto& [wc, hg] : h) EXPECT_FALSE(IsDBCSLeadByteEx(932, static_cast<BYTE>(hg))) << std::hex << hg;
  EXPECT_EQ(h.at(u'A'), 0x41u);
  EXPECT_EQ(h.at(u'\uFF66'), 0xA6u);  // half-width katakana stand alone
  GlobalFree(gs);
  pk::seams::SetCodePages(1252, 437);

  gs = EngComputeGlyphSet(1252, 0x30, 10);
  ASSERT_NE(gs, nullptr);
  EXPECT_EQ(gs->cRuns, 1u);
  EXPECT_EQ(gs->awcrun[0].wcLow, u'0');
  EXPECT_EQ(gs->awcrun[0].cGlyphs, 10u);
  GlobalFree(gs);

  EXPECT_EQ(EngComputeGlyphSet(1252, 0, 0), nullptr);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(EngComputeGlyphSet(1252, 0, 256), nullptr);
}
