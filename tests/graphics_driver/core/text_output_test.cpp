// DrvTextOut drawing the engine's DejaVu glyph bitmaps into a band: the
// passes of the text colour, fixed-pitch positions, opaque and extra
// rectangles, clips, the glyph memory pool, and the text measures.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "drawing_fixture.h"
#include "graphics_driver/core/escapes.h"
#include "graphics_driver/core/text_output.h"
#include "graphics_driver/job_output/memory_pool.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_memory.h"

namespace {

using pk::test::DrawingTest;

constexpr uint32_t kWidth = 256;
constexpr uint32_t kRows = 160;

// A glyph of a string: its handle and baseline point.
struct Placed {
  HGLYPH hg;
  POINTL at;
};

class TextOutTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    pdev()->heap = HeapCreate(0, 0, 0);
    ASSERT_NE(pdev()->heap, nullptr);
    UseBand(0, kRows, kWidth);
  }
  void TearDown() override {
    for (STROBJ* s : strings_) pkgdi::DeleteString(s);
    for (FONTOBJ* f : fonts_) pkgdi::DeleteFont(f);
    HeapDestroy(pdev()->heap);
    pdev()->heap = nullptr;
    DrawingTest::TearDown();
  }

  FONTOBJ* Font(pkgdi::FontFamily family = pkgdi::FontFamily::Sans, LONG em = 100) {
    pkgdi::FontRequest request;
    request.family = family;
    request.emDots = em;
    FONTOBJ* f = pkgdi::CreateTrueTypeFont(request);
    EXPECT_NE(f, nullptr) << "DejaVu fonts are installed";
    fonts_.push_back(f);
    return f;
  }
  // The glyphs of text along a baseline at (x, y), each advancing by `step`
  // dots.
  std::vector<Placed> Layout(FONTOBJ* f, const std::u16string& text, LONG x, LONG y, LONG step) {
    std::vector<Placed> out;
    for (size_t i = 0; i < text.size(); ++i)
      out.push_back(Placed{pkgdi::FontGlyphIndex(f, text[i]), POINTL{x + LONG(i) * step, y}});
    return out;
  }
  STROBJ* String(FONTOBJ* f, const std::vector<Placed>& glyphs, const std::u16string& text = u"", FLONG accel = 0,
                 ULONG charInc = 0, ULONG batch = 0) {
    std::vector<pkgdi::StringGlyph> g;
    for (const Placed& p : glyphs) g.push_back(pkgdi::StringGlyph{p.hg, p.at});
    STROBJ* s = pkgdi::CreateString(f, g, text, accel, charInc, RECTL{0, 0, 0, 0}, batch);
    EXPECT_NE(s, nullptr);
    strings_.push_back(s);
    return s;
  }
  BOOL Text(STROBJ* s, FONTOBJ* f, ULONG colour, CLIPOBJ* clip = nullptr, RECTL* extra = nullptr,
            RECTL* opaque = nullptr, BRUSHOBJ* opaqueBrush = nullptr) {
    POINTL origin{0, 0};
    return DrvTextOut(target_, s, f, clip, extra, opaque, Solid(colour), opaqueBrush, &origin, 0x0D0D);
  }

  // The dots the glyphs' bitmaps ink at their positions, optionally only
  // those inside one of the rectangles.
  std::set<std::pair<LONG, LONG>> GlyphDots(FONTOBJ* f, const std::vector<Placed>& glyphs,
                                            const std::vector<RECTL>* within = nullptr) {
    std::set<std::pair<LONG, LONG>> dots;
    for (const Placed& p : glyphs) {
      HGLYPH hg = p.hg;
      PVOID data = nullptr;
      EXPECT_EQ(FONTOBJ_cGetGlyphs(f, FO_GLYPHBITS, 1, &hg, &data), 1u);
      const GLYPHBITS* gb = static_cast<GLYPHDATA*>(data)->gdf.pgb;
      const LONG rowBytes = (gb->sizlBitmap.cx + 7) / 8;
      for (LONG r = 0; r < gb->sizlBitmap.cy; ++r)
        for (LONG c = 0; c < gb->sizlBitmap.cx; ++c) {
          if (!((gb->aj[r * rowBytes + c / 8] >> (7 - c % 8)) & 1)) continue;
          const LONG x = p.at.x + gb->ptlOrigin.x + c, y = p.at.y + gb->ptlOrigin.y + r;
          bool inside = !within;
          if (within)
            for (const RECTL& w : *within) inside |= x >= w.left && x < w.right && y >= w.top && y < w.bottom;
          if (inside) dots.insert({x, y});
        }
    }
    return dots;
  }
  // The band inked exactly at the dots (inside the band).
  bool InkedAt(const std::set<std::pair<LONG, LONG>>& dots) {
    size_t wrong = 0;
    for (uint32_t y = 0; y < kRows; ++y)
      for (uint32_t x = 0; x < kWidth; ++x)
        if (Ink(y, x) != (dots.count({LONG(x), LONG(y)}) != 0) && wrong++ < 5)
          ADD_FAILURE() << "dot " << x << "," << y << (Ink(y, x) ? " inked" : " not inked");
    return wrong == 0;
  }
  size_t InkCount() {
    size_t n = 0;
    for (uint32_t y = 0; y < kRows; ++y)
      for (uint32_t x = 0; x < kWidth; ++x) n += Ink(y, x);
    return n;
  }
  WORD Setting292() {
    uint64_t v = 0;
    SettingValueType type = 0;
    UINT size = 0;
    EXPECT_EQ(GetSettingValue(292, &pdev()->devmode, settings_.data(), &type, &size, &v), kSettingOk);
    return WORD(v);
  }

  std::vector<FONTOBJ*> fonts_;
  std::vector<STROBJ*> strings_;
};

TEST_F(TextOutTest, BlackTextOrsExactlyTheGlyphDots) {
  FONTOBJ* f = Font();
  const auto glyphs = Layout(f, u"HH", 20, 100, 80);
  ASSERT_TRUE(Text(String(f, glyphs, u"HH"), f, 0x000000));
  const auto dots = GlyphDots(f, glyphs);
  EXPECT_GT(dots.size(), 1000u);
  EXPECT_TRUE(InkedAt(dots));
  EXPECT_TRUE(pkgdi::EngineCalls().empty());
}

TEST_F(TextOutTest, WhiteTextClearsTheGlyphDotsOfABlackBox) {
  FONTOBJ* f = Font();
  const auto glyphs = Layout(f, u"HH", 20, 100, 80);
  ASSERT_TRUE(Blt(RECTL{0, 0, LONG(kWidth), LONG(kRows)}, 0x0000));
  ASSERT_TRUE(Text(String(f, glyphs, u"HH"), f, 0xFFFFFF));
  const auto glyphDots = GlyphDots(f, glyphs);
  for (uint32_t y = 0; y < kRows; ++y)
    for (uint32_t x = 0; x < kWidth; ++x)
      ASSERT_EQ(Ink(y, x), glyphDots.count({LONG(x), LONG(y)}) == 0) << x << "," << y;
}

TEST_F(TextOutTest, ColouredTextLeavesTheHalftoneOfItsGreyInTheGlyphs) {
  FONTOBJ* f = Font();
  // Glyph rows are masked with the halftone from their first column: boxes
  // starting on a byte boundary meet the page's halftone exactly.
  auto glyphs = Layout(f, u"HH", 20, 100, 80);
  HGLYPH hg = glyphs[0].hg;
  PVOID data = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(f, FO_GLYPHBITS, 1, &hg, &data), 1u);
  const LONG originX = static_cast<GLYPHDATA*>(data)->gdf.pgb->ptlOrigin.x;
  glyphs[0].at.x = 24 - originX;
  glyphs[1].at.x = 104 - originX;
  ASSERT_TRUE(Blt(RECTL{0, 0, LONG(kWidth), LONG(kRows)}, 0x0000));
  ASSERT_TRUE(Text(String(f, glyphs, u"HH"), f, 0x0080FF));  // red 0, green 128, blue 255
  // (300 * 0 + 590 * 128 + 110 * 255) / 999.6
  EXPECT_EQ(Record()->penLevel, 103u);
  const std::vector<BYTE> text(band_);
  // The halftone of grey 103 over the whole band, as spans paint it.
  UseBand(0, kRows, kWidth);
  Grey(103);
  Rop('n', 'c');
  for (uint32_t y = 0; y < kRows; ++y) FillSpan(Stream(), 0, int32_t(y), int32_t(kWidth));
  const auto glyphDots = GlyphDots(f, glyphs);
  size_t halftoneInk = 0, glyphClear = 0;
  for (uint32_t y = 0; y < kRows; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      const bool inked = (text[y * (kWidth / 8) + x / 8] >> (7 - x % 8)) & 1;
      const bool inGlyph = glyphDots.count({LONG(x), LONG(y)}) != 0;
      ASSERT_EQ(inked, inGlyph ? Ink(y, x) : true) << x << "," << y;
      halftoneInk += inGlyph && inked;
      glyphClear += inGlyph && !inked;
    }
  EXPECT_GT(halftoneInk, 0u);
  EXPECT_GT(glyphClear, 0u);
}

TEST_F(TextOutTest, FixedPitchPositions) {
  FONTOBJ* mono = Font(pkgdi::FontFamily::SansMono, 40);
  // The engine's own positions, deliberately uneven.
  const std::vector<Placed> engine = {{pkgdi::FontGlyphIndex(mono, u'A'), POINTL{100, 60}},
                                      {pkgdi::FontGlyphIndex(mono, u'B'), POINTL{137, 63}},
                                      {pkgdi::FontGlyphIndex(mono, u'C'), POINTL{151, 55}}};
  const auto stepped = [&](LONG dx, LONG dy) {
    std::vector<Placed> g = engine;
    for (size_t i = 1; i < g.size(); ++i)
      g[i].at = POINTL{engine[0].at.x + dx * LONG(i), engine[0].at.y + dy * LONG(i)};
    return g;
  };
  const struct {
    const char* name;
    FLONG accel;
    ULONG charInc;
    bool device;
    std::vector<Placed> expected;
  } cases[] = {
      {"increment 0 keeps the engine's positions", SO_HORIZONTAL, 0, false, engine},
      {"reversed steps to the left", SO_HORIZONTAL | SO_REVERSED, 20, false, stepped(-20, 0)},
      {"vertical steps down", SO_VERTICAL, 20, false, stepped(0, 20)},
      {"a device font keeps its positions", SO_HORIZONTAL, 20, true, engine},
  };
  for (const auto& c : cases) {
    UseBand(0, kRows, kWidth);
    const FLONG type = mono->flFontType;
    if (c.device) mono->flFontType |= DEVICE_FONTTYPE;
    STROBJ* s = String(mono, engine, u"ABC", c.accel, c.charInc);
    BRUSHOBJ* black = Solid(0x000000);
    const SIZE_T global = pk::seams::GlobalLiveBlocks(), heap = pk::seams::HeapLiveBlocks(pdev()->heap);
    POINTL origin{0, 0};
    const BOOL ok = DrvTextOut(target_, s, mono, nullptr, nullptr, nullptr, black, nullptr, &origin, 0x0D0D);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), global) << c.name;
    EXPECT_EQ(pk::seams::HeapLiveBlocks(pdev()->heap), heap) << c.name;
    mono->flFontType = type;
    ASSERT_TRUE(ok) << c.name;
    EXPECT_TRUE(InkedAt(GlyphDots(mono, c.expected))) << c.name;
  }
  // Without memory for the rebuilt positions the call fails, leaving nothing.
  UseBand(0, kRows, kWidth);
  STROBJ* s = String(mono, engine, u"ABC", SO_HORIZONTAL, 20);
  BRUSHOBJ* black = Solid(0x000000);
  POINTL origin{0, 0};
  pk::seams::FailNthAllocation(1);
  EXPECT_FALSE(DrvTextOut(target_, s, mono, nullptr, nullptr, nullptr, black, nullptr, &origin, 0x0D0D));
  pk::seams::FailNthAllocation(0);
  EXPECT_TRUE(BandBlank());
}

TEST_F(TextOutTest, ExtraAndOpaqueRectangles) {
  FONTOBJ* f = Font();
  STROBJ* empty = String(f, {});
  RECTL extra[] = {{10, 20, 50, 23}, {0, 0, 0, 0}, {60, 60, 70, 70}};
  ASSERT_TRUE(Text(empty, f, 0x000000, nullptr, extra));
  EXPECT_TRUE(InkedExactly(RECTL{10, 20, 50, 23}, kRows, kWidth));

  UseBand(0, kRows, kWidth);
  RECTL opaque{30, 8, 10, 2};  // right to left, bottom to top
  ASSERT_TRUE(Text(empty, f, 0xFFFFFF, nullptr, nullptr, &opaque, Solid(0x000000)));
  EXPECT_TRUE(InkedExactly(RECTL{10, 2, 30, 8}, kRows, kWidth));
  EXPECT_EQ(opaque.left, 30) << "the caller's rectangle is only read";

  // The opaque rectangle of text over a clip stays inside the clip.
  UseBand(0, kRows, kWidth);
  RECTL wide{0, 0, 100, 10};
  ASSERT_TRUE(Text(empty, f, 0x000000, Clip({RECTL{20, 2, 40, 6}}), nullptr, &wide, Solid(0x000000)));
  EXPECT_TRUE(InkedExactly(RECTL{20, 2, 40, 6}, kRows, kWidth));

  // A brush the selection refuses fails the call before any text.
  UseBand(0, kRows, kWidth);
  const auto glyphs = Layout(f, u"H", 20, 100, 0);
  EXPECT_FALSE(Text(String(f, glyphs, u"H"), f, 0x000000, nullptr, nullptr, &opaque, nullptr));
  EXPECT_TRUE(BandBlank());
}

TEST_F(TextOutTest, GlyphsAreCutToTheClip) {
  FONTOBJ* f = Font();
  const auto glyphs = Layout(f, u"H", 20, 100, 0);
  const auto all = GlyphDots(f, glyphs);
  LONG left = LONG(kWidth), right = 0;
  for (const auto& d : all) left = std::min(left, d.first), right = std::max(right, d.first + 1);
  const LONG middle = (left + right) / 2;

  const std::vector<RECTL> half = {RECTL{0, 0, middle, LONG(kRows)}};
  ASSERT_TRUE(Text(String(f, glyphs, u"H"), f, 0x000000, Clip(half)));
  const auto cut = GlyphDots(f, glyphs, &half);
  EXPECT_LT(cut.size(), all.size());
  EXPECT_TRUE(InkedAt(cut));

  // A clip rectangle that only touches the glyph's box holds none of it.
  HGLYPH hg = glyphs[0].hg;
  PVOID data = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(f, FO_GLYPHBITS, 1, &hg, &data), 1u);
  const GLYPHBITS* gb = static_cast<GLYPHDATA*>(data)->gdf.pgb;
  const LONG boxLeft = glyphs[0].at.x + gb->ptlOrigin.x;
  UseBand(0, kRows, kWidth);
  ASSERT_TRUE(Text(String(f, glyphs, u"H"), f, 0x000000, Clip({RECTL{0, 0, boxLeft, LONG(kRows)}})));
  EXPECT_TRUE(BandBlank());
}

TEST_F(TextOutTest, EveryClipBatchIsDrawn) {
  FONTOBJ* f = Font(pkgdi::FontFamily::Sans, 150);
  const auto glyphs = Layout(f, u"\u2588", 20, 130, 0);  // full block
  const auto all = GlyphDots(f, glyphs);
  ASSERT_GT(all.size(), 5000u);
  for (size_t n : {size_t(1), size_t(50), size_t(51)}) {
    // Single dots on every third column and row of the block's ink.
    std::vector<RECTL> rects;
    for (const auto& d : all) {
      if (rects.size() == n) break;
      if (d.first % 3 == 0 && d.second % 3 == 0 && d.second >= 0 && d.second < LONG(kRows))
        rects.push_back(RECTL{d.first, d.second, d.first + 1, d.second + 1});
    }
    ASSERT_EQ(rects.size(), n);
    UseBand(0, kRows, kWidth);
    CLIPOBJ* clip = Clip(rects);
    clip->iDComplexity = DC_COMPLEX;
    ASSERT_EQ(CLIPOBJ_cEnumStart(clip, TRUE, CT_RECTANGLES, CD_ANY, 0), n);
    ASSERT_TRUE(Text(String(f, glyphs, u"\u2588"), f, 0x000000, clip)) << n;
    EXPECT_EQ(InkCount(), n);
    EXPECT_TRUE(InkedAt(GlyphDots(f, glyphs, &rects))) << n;
  }
}

TEST_F(TextOutTest, TheLastRunOfAStringIsDrawn) {
  FONTOBJ* f = Font(pkgdi::FontFamily::Sans, 20);
  const auto glyphs = Layout(f, u"HHHHHHHHHH", 10, 40, 20);
  ASSERT_TRUE(Text(String(f, glyphs, u"HHHHHHHHHH", 0, 0, 4), f, 0x000000));
  EXPECT_TRUE(InkedAt(GlyphDots(f, glyphs)));
  // The tenth glyph, alone in the run that came with FALSE, has ink.
  const std::vector<RECTL> last = {RECTL{glyphs[9].at.x, 0, LONG(kWidth), LONG(kRows)}};
  EXPECT_FALSE(GlyphDots(f, glyphs, &last).empty());
}

TEST_F(TextOutTest, GlyphMemoryPoolIsAskedButNotTaken) {
  // A glyph whose record takes at most 64 bytes: asked as one granule.
  FONTOBJ* f = Font(pkgdi::FontFamily::Sans, 16);
  const auto glyphs = Layout(f, u"H", 20, 40, 0);
  GlyphBitmap bits{};
  ASSERT_EQ(GetGlyphBits(pdev(), f, glyphs[0].hg, &bits), 1);
  ASSERT_LE(GlyphRecordSize(bits), 64u);
  EXPECT_EQ(GlyphRecordSize(GlyphBitmap{{0, 0}, 10, 12, 2, nullptr}), 44u);

  const auto usePool = [&](uint32_t size) {
    FreeImageStore(pdev()->imageStore);
    pdev()->imageStore = CreateImageStore(pdev(), size);
    ASSERT_NE(pdev()->imageStore, nullptr);
    ASSERT_EQ(PoolActive(pdev()->imageStore), 1);
  };
  usePool(64);
  EXPECT_FALSE(Text(String(f, glyphs, u"H"), f, 0x000000));
  EXPECT_TRUE(BandBlank());

  usePool(128);
  const MemoryPool before = *pdev()->imageStore->pool;
  const PoolBlock firstBlock = *before.first;
  ASSERT_TRUE(Text(String(f, glyphs, u"H"), f, 0x000000));
  EXPECT_TRUE(InkedAt(GlyphDots(f, glyphs)));
  const MemoryPool* after = pdev()->imageStore->pool;
  EXPECT_EQ(after->first, before.first);
  EXPECT_EQ(after->last, before.last);
  EXPECT_EQ(after->first->size, firstBlock.size);
  EXPECT_EQ(after->first->next, nullptr);

  // The pool is asked for the characters: a string without them fails.
  UseBand(0, kRows, kWidth);
  EXPECT_FALSE(Text(String(f, glyphs), f, 0x000000));
  EXPECT_TRUE(BandBlank());
}

TEST_F(TextOutTest, TrueTypeOptionAndFailedDocument) {
  Set(292, 0);
  FONTOBJ* f = Font();
  const auto glyphs = Layout(f, u"H", 20, 100, 0);
  ASSERT_TRUE(Text(String(f, glyphs, u"H"), f, 0x000000));
  EXPECT_EQ(Setting292(), 1);

  UseBand(0, kRows, kWidth);
  Set(292, 0);
  pdev()->ddiFlags |= kDdiDocumentFailed;
  const uint32_t pen = Record()->penLevel, polarity = Record()->ropPolarity;
  EXPECT_FALSE(Text(String(f, glyphs, u"H"), f, 0x0080FF));
  EXPECT_EQ(Setting292(), 1);
  EXPECT_TRUE(BandBlank());
  EXPECT_EQ(Record()->penLevel, pen);
  EXPECT_EQ(Record()->ropPolarity, polarity);
  pdev()->ddiFlags &= ~kDdiDocumentFailed;

  // Required objects.
  POINTL origin{0, 0};
  EXPECT_FALSE(DrvTextOut(target_, nullptr, f, nullptr, nullptr, nullptr, Solid(0), nullptr, &origin, 0x0D0D));
  EXPECT_FALSE(
      DrvTextOut(target_, String(f, glyphs), nullptr, nullptr, nullptr, nullptr, Solid(0), nullptr, &origin, 0x0D0D));
  EXPECT_FALSE(DrvTextOut(target_, String(f, glyphs), f, nullptr, nullptr, nullptr, nullptr, nullptr, &origin, 0x0D0D));
  EXPECT_FALSE(
      DrvTextOut(nullptr, String(f, glyphs), f, nullptr, nullptr, nullptr, Solid(0), nullptr, &origin, 0x0D0D));
}

TEST_F(TextOutTest, ColourTextMarksARecordedPage) {
  PdevPipeline& p = pdev()->pipeline;
  p.pipelineFlags = 0xF;
  p.spoolState = 0x8001 | 0x04;
  p.spoolMode = 1;
  InitPageColorSet(&p.pageColorSet, 0, 15, 0);
  FONTOBJ* f = Font();
  ASSERT_TRUE(Text(String(f, Layout(f, u"H", 20, 100, 0), u"H"), f, 0x0080FF));
  EXPECT_EQ(static_cast<ColorCounter*>(pdev()->colorCounter)->result, kColourFound);
  EXPECT_EQ(p.spoolMode, 2u);
}

TEST_F(TextOutTest, TextMeasures) {
  const struct {
    LONG a, b, r;
  } hypot[] = {{3, 4, 5}, {0, -7, 7}, {1, 1, 2}, {-6, 8, 10}, {5, 0, 5}, {2, 3, 4}, {-2147483647, 1, 2147483647}};
  for (const auto& h : hypot) EXPECT_EQ(CeilHypot(h.a, h.b), h.r) << h.a << "," << h.b;

  RECTL r;
  MakeRectangle(&r, 30, 8, 10, 2);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 8);

  pdev()->devmode.devMode.publicPart.dmYResolution = 600;
  LONG points = -1;
  ASSERT_EQ(GetFontEmHeightPoints(pdev(), Font(), &points), 1);
  EXPECT_EQ(points, 12);
  FONTOBJ bare{};
  EXPECT_EQ(GetFontEmHeightPoints(pdev(), &bare, &points), 0);
}

// A stamp copy or label drawn where the first one goes lands its mark offset
// away: the glyphs, the opaque and extra rectangles, and the clip with them.
TEST_F(TextOutTest, MarkOffsetMovesTheTextWithItsClip) {
  FONTOBJ* f = Font(pkgdi::FontFamily::Sans, 40);
  const auto glyphs = Layout(f, u"HI", 10, 50, 30);
  struct Case {
    POINTL shift;
    bool clipped;
  };
  for (const Case& c : {Case{{0, 0}, false}, Case{{120, 70}, false}, Case{{-5, 60}, true}, Case{{90, -30}, true}}) {
    SCOPED_TRACE(std::to_string(c.shift.x) + "," + std::to_string(c.shift.y) + (c.clipped ? " clipped" : ""));
    UseBand(0, kRows, kWidth);
    pdev()->pipeline.markOffset = c.shift;
    // The left half of the first glyph's box, where the text is drawn.
    const std::vector<RECTL> clip = {RECTL{0, 0, 25, LONG(kRows)}};
    ASSERT_TRUE(Text(String(f, glyphs, u"HI"), f, 0x000000, c.clipped ? Clip(clip) : nullptr));
    std::vector<Placed> moved = glyphs;
    for (Placed& p : moved) p.at = POINTL{p.at.x + c.shift.x, p.at.y + c.shift.y};
    const std::vector<RECTL> movedClip = {RECTL{c.shift.x, c.shift.y, 25 + c.shift.x, LONG(kRows) + c.shift.y}};
    const auto dots = GlyphDots(f, moved, c.clipped ? &movedClip : nullptr);
    ASSERT_GT(dots.size(), 50u);
    EXPECT_TRUE(InkedAt(dots));
  }

  // Opaque and extra rectangles move, cut to the moved clip.
  STROBJ* empty = String(f, {});
  pdev()->pipeline.markOffset = POINTL{40, 30};
  UseBand(0, kRows, kWidth);
  RECTL extra[] = {{10, 20, 50, 23}, {0, 0, 0, 0}};
  ASSERT_TRUE(Text(empty, f, 0x000000, nullptr, extra));
  EXPECT_TRUE(InkedExactly(RECTL{50, 50, 90, 53}, kRows, kWidth));
  UseBand(0, kRows, kWidth);
  RECTL wide{0, 0, 100, 10};
  ASSERT_TRUE(Text(empty, f, 0x000000, Clip({RECTL{20, 2, 40, 6}}), nullptr, &wide, Solid(0x000000)));
  EXPECT_TRUE(InkedExactly(RECTL{60, 32, 80, 36}, kRows, kWidth));
  UseBand(0, kRows, kWidth);
  CLIPOBJ* complex = Clip({RECTL{20, 2, 40, 6}, RECTL{60, 2, 70, 6}});
  complex->iDComplexity = DC_COMPLEX;
  ASSERT_TRUE(Text(empty, f, 0x000000, complex, nullptr, &wide, Solid(0x000000)));
  EXPECT_EQ(InkCount(), size_t(20 * 4 + 10 * 4));
  EXPECT_TRUE(Ink(32, 60) && Ink(35, 79) && Ink(32, 100) && !Ink(2, 20));

  // An offset far beyond the page draws nothing and fails nothing.
  UseBand(0, kRows, kWidth);
  pdev()->pipeline.markOffset = POINTL{INT32_MAX, INT32_MIN};
  ASSERT_TRUE(Text(String(f, glyphs, u"HI"), f, 0x000000, nullptr, extra, &wide, Solid(0x000000)));
  EXPECT_TRUE(BandBlank());

  // Put back, the text is where it says.
  ClearMarkOffset(pdev());
  UseBand(0, kRows, kWidth);
  ASSERT_TRUE(Text(String(f, glyphs, u"HI"), f, 0x000000));
  EXPECT_TRUE(InkedAt(GlyphDots(f, glyphs)));
}

}  // namespace
