// Transforms, DejaVu font realisations (metrics, transform, glyph bitmaps) and
// strings of glyphs in runs.
#include <gtest/gtest.h>

#include "platform/gdi/engine_host.h"

using namespace pkgdi;

namespace {

FONTOBJ* Sans(LONG em = 100, double angle = 0, bool bold = false) {
  FontRequest r;
  r.family = FontFamily::Sans;
  r.emDots = em;
  r.angleDegrees = angle;
  r.bold = bold;
  return CreateTrueTypeFont(r);
}

POINTL Apply(XFORMOBJ* pxo, ULONG mode, POINTL in) {
  POINTL out{12345, 12345};
  EXPECT_TRUE(XFORMOBJ_bApplyXform(pxo, mode, 1, &in, &out));
  return out;
}

GLYPHBITS* Glyph(FONTOBJ* pfo, char32_t ch) {
  HGLYPH hg = FontGlyphIndex(pfo, ch);
  void* pv = nullptr;
  if (FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hg, &pv) != 1) return nullptr;
  return static_cast<GLYPHDATA*>(pv)->gdf.pgb;
}

}  // namespace

TEST(Xform, AppliesInAllFourModes) {
  XFORMOBJ* pxo = CreateXform(XFORML{2, 0, 0, 2, 0, 0});
  struct Case {
    ULONG mode;
    POINTL in, out;
  };
  for (Case c : {Case{XF_LTOFX, {4096, 0}, {131072, 0}}, Case{XF_LTOL, {3, -5}, {6, -10}},
                 Case{XF_INV_LTOL, {7, 8}, {4, 4}},  // 3.5 rounds to 4
                 Case{XF_INV_FXTOL, {320, -160}, {10, -5}}}) {
    POINTL got = Apply(pxo, c.mode, c.in);
    EXPECT_EQ(got.x, c.out.x) << c.mode;
    EXPECT_EQ(got.y, c.out.y) << c.mode;
  }
  POINTL p{1, 1};
  EXPECT_FALSE(XFORMOBJ_bApplyXform(pxo, 4, 1, &p, &p));
  DeleteXform(pxo);
  XFORMOBJ* singular = CreateXform(XFORML{0, 0, 0, 0, 0, 0});
  EXPECT_FALSE(XFORMOBJ_bApplyXform(singular, XF_INV_LTOL, 1, &p, &p));
  DeleteXform(singular);
}

TEST(Font, TransformAndMetricsOfDejaVuSans) {
  // 12 pt at 600 dpi: an em of 100 dots.
  FONTOBJ* pfo = Sans(100);
  ASSERT_NE(pfo, nullptr) << "DejaVu fonts in " << FontFolder();
  EXPECT_EQ(pfo->flFontType & TRUETYPE_FONTTYPE, ULONG(TRUETYPE_FONTTYPE));
  EXPECT_EQ(pfo->iFace, 0u);
  EXPECT_GT(pfo->cxMax, 100u);
  XFORMOBJ* pxo = FONTOBJ_pxoGetXform(pfo);
  POINTL up = Apply(pxo, XF_LTOFX, {0, 2048});
  EXPECT_EQ(up.x, 0);
  EXPECT_EQ(up.y, -1600);
  POINTL along = Apply(pxo, XF_LTOL, {2048, 0});
  EXPECT_EQ(along.x, 100);
  EXPECT_EQ(along.y, 0);
  IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
  ASSERT_NE(ifi, nullptr);
  EXPECT_EQ(ifi->fwdUnitsPerEm, 2048);
  EXPECT_EQ(ifi->usWinWeight, 400);
  EXPECT_GT(ifi->fwdWinAscender, 0);
  const WCHAR* family = reinterpret_cast<const WCHAR*>(reinterpret_cast<BYTE*>(ifi) + ifi->dpwszFamilyName);
  EXPECT_EQ(std::u16string(family), u"DejaVu Sans");

  FONTOBJ* turned = Sans(100, 90);
  POINTL t = Apply(FONTOBJ_pxoGetXform(turned), XF_LTOL, {2048, 0});
  EXPECT_EQ(t.x, 0);
  EXPECT_EQ(t.y, -100);
  FONTOBJ* bold = Sans(100, 0, true);
  EXPECT_EQ(FONTOBJ_pifi(bold)->usWinWeight, 700);
  EXPECT_NE(bold->iUniq, pfo->iUniq);
  for (FONTOBJ* f : {pfo, turned, bold}) DeleteFont(f);
}

TEST(Font, GlyphBitmapsSitOnTheBaselineAndAreCached) {
  FONTOBJ* pfo = Sans(100);
  ASSERT_NE(pfo, nullptr);
  GLYPHBITS* h = Glyph(pfo, U'H');
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->ptlOrigin.y + h->sizlBitmap.cy, 0);  // stands on the baseline
  EXPECT_GE(h->sizlBitmap.cy, 72);
  EXPECT_LE(h->sizlBitmap.cy, 74);
  // Ink in the rows: the crossbar row of H is mostly ink, rows are (cx + 7) / 8 bytes.
  LONG rowBytes = (h->sizlBitmap.cx + 7) / 8;
  const BYTE* mid = h->aj + rowBytes * (h->sizlBitmap.cy / 2);
  int ink = 0;
  for (LONG x = 0; x < h->sizlBitmap.cx; ++x) ink += (mid[x >> 3] >> (7 - (x & 7))) & 1;
  EXPECT_GT(ink, h->sizlBitmap.cx * 3 / 4);

  GLYPHBITS* g = Glyph(pfo, U'g');
  ASSERT_NE(g, nullptr);
  EXPECT_GT(g->ptlOrigin.y + g->sizlBitmap.cy, 10);  // descends below the baseline

  GLYPHBITS* space = Glyph(pfo, U' ');
  ASSERT_NE(space, nullptr);
  EXPECT_EQ(space->sizlBitmap.cx, 1);
  EXPECT_EQ(space->sizlBitmap.cy, 1);
  EXPECT_EQ(space->aj[0], 0);

  EXPECT_EQ(Glyph(pfo, U'H'), h);  // cached for the font's life

  // The advance: along the baseline, in 28.4 and as the high part of ptqD.
  HGLYPH hH = FontGlyphIndex(pfo, U'H');
  void* data = nullptr;
  ASSERT_EQ(FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hH, &data), 1u);
  auto* gd = static_cast<GLYPHDATA*>(data);
  EXPECT_EQ(gd->hg, hH);
  EXPECT_EQ(gd->gdf.pgb, h);
  EXPECT_NEAR(gd->ptqD.x.HighPart, 73, 2);  // 1542 / 2048 of the em
  EXPECT_EQ(gd->ptqD.y.HighPart, 0);
  EXPECT_NEAR(gd->fxD, gd->ptqD.x.HighPart * 16, 16);

  // Bad handle, bad mode, device font: nothing.
  HGLYPH bad = 0x7FFFFFFF;
  void* pv = nullptr;
  EXPECT_EQ(FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &bad, &pv), 0u);
  HGLYPH hg = FontGlyphIndex(pfo, U'H');
  EXPECT_EQ(FONTOBJ_cGetGlyphs(pfo, FO_PATHOBJ, 1, &hg, &pv), 0u);
  IFIMETRICS dummy{};
  dummy.fwdUnitsPerEm = 1000;
  FONTOBJ* dev = CreateDeviceFont(3, XFORML{0.1f, 0, 0, -0.1f, 0, 0}, &dummy, 50);
  EXPECT_EQ(dev->iFace, 3u);
  EXPECT_EQ(dev->flFontType, ULONG(DEVICE_FONTTYPE));
  EXPECT_EQ(FONTOBJ_pifi(dev), &dummy);
  EXPECT_EQ(Apply(FONTOBJ_pxoGetXform(dev), XF_LTOL, {0, 1000}).y, -100);
  EXPECT_EQ(FONTOBJ_cGetGlyphs(dev, FO_GLYPHBITS, 1, &hg, &pv), 0u);
  DeleteFont(dev);

  // A turned font's H lies on its side: wider than high.
  FONTOBJ* turned = Sans(100, 90);
  GLYPHBITS* th = Glyph(turned, U'H');
  ASSERT_NE(th, nullptr);
  EXPECT_GT(th->sizlBitmap.cx, th->sizlBitmap.cy);
  EXPECT_NEAR(th->sizlBitmap.cx, h->sizlBitmap.cy, 2);
  DeleteFont(turned);
  DeleteFont(pfo);
}

TEST(String, RunsOfAtMostTheBatchLimit) {
  FONTOBJ* pfo = Sans(50);
  ASSERT_NE(pfo, nullptr);
  std::vector<StringGlyph> glyphs;
  std::u16string text = u"HelloWorld";
  for (size_t i = 0; i < text.size(); ++i)
    glyphs.push_back(StringGlyph{FontGlyphIndex(pfo, text[i]), POINTL{LONG(30 * i), 100}});
  size_t before = LiveEngineObjects();

  STROBJ* whole = CreateString(pfo, glyphs, text, SO_HORIZONTAL, 0, RECTL{0, 50, 300, 110}, 0);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->cGlyphs, 10u);
  ASSERT_NE(whole->pgp, nullptr);
  EXPECT_EQ(whole->pgp[9].ptl.x, 270);
  ASSERT_NE(whole->pgp[0].pgdf, nullptr);
  EXPECT_NE(whole->pgp[0].pgdf->pgb, nullptr);
  EXPECT_EQ(std::u16string(whole->pwszOrg, 10), text);
  ULONG c = 0;
  GLYPHPOS* gp = nullptr;
  STROBJ_vEnumStart(whole);
  EXPECT_FALSE(STROBJ_bEnum(whole, &c, &gp));
  EXPECT_EQ(c, 10u);

  STROBJ* batched = CreateString(pfo, glyphs, text, SO_HORIZONTAL, 0, RECTL{0, 50, 300, 110}, 4);
  EXPECT_EQ(batched->pgp, nullptr);
  for (int pass = 0; pass < 2; ++pass) {
    STROBJ_vEnumStart(batched);
    std::vector<std::pair<ULONG, BOOL>> runs;
    BOOL more;
    do {
      more = STROBJ_bEnum(batched, &c, &gp);
      runs.emplace_back(c, more);
    } while (more);
    EXPECT_EQ(runs, (std::vector<std::pair<ULONG, BOOL>>{{4, TRUE}, {4, TRUE}, {2, FALSE}}));
    EXPECT_EQ(gp[1].ptl.x, 270);
  }
  EXPECT_FALSE(STROBJ_bEnum(batched, &c, &gp));
  EXPECT_EQ(c, 0u);
  DeleteString(whole);
  DeleteString(batched);
  EXPECT_EQ(LiveEngineObjects(), before);
  DeleteFont(pfo);
}

TEST(Font, FacesFolderAndSimulatedItalic) {
  struct Case {
    FontFamily family;
    bool bold;
    USHORT weight;
    bool fixed;
  };
  for (Case c : {Case{FontFamily::Sans, false, 400, false}, Case{FontFamily::Sans, true, 700, false},
                 Case{FontFamily::SansMono, false, 400, true}, Case{FontFamily::SansMono, true, 700, true},
                 Case{FontFamily::Serif, false, 400, false}, Case{FontFamily::Serif, true, 700, false}}) {
    FontRequest r;
    r.family = c.family;
    r.bold = c.bold;
    FONTOBJ* pfo = CreateTrueTypeFont(r);
    ASSERT_NE(pfo, nullptr);
    IFIMETRICS* ifi = FONTOBJ_pifi(pfo);
    EXPECT_EQ(ifi->usWinWeight, c.weight);
    EXPECT_EQ((ifi->flInfo & FM_INFO_CONSTANT_WIDTH) != 0, c.fixed);
    EXPECT_EQ((ifi->jWinPitchAndFamily & 3) == FIXED_PITCH, c.fixed);
    // A monospaced face's advance is every glyph's (1233 / 2048 of the em).
    EXPECT_EQ(FontFixedAdvance(pfo), c.fixed ? 60u : 0u);
    DeleteFont(pfo);
  }

  // Simulated italic slants the glyph: the same rows, wider.
  FontRequest upright;
  FontRequest italic;
  italic.simulatedItalic = true;
  FONTOBJ* a = CreateTrueTypeFont(upright);
  FONTOBJ* b = CreateTrueTypeFont(italic);
  EXPECT_EQ(b->flFontType & FO_SIM_ITALIC, ULONG(FO_SIM_ITALIC));
  GLYPHBITS* ga = Glyph(a, U'l');
  GLYPHBITS* gb = Glyph(b, U'l');
  ASSERT_TRUE(ga && gb);
  EXPECT_NEAR(gb->sizlBitmap.cy, ga->sizlBitmap.cy, 1);
  EXPECT_GT(gb->sizlBitmap.cx, ga->sizlBitmap.cx + 10);
  DeleteFont(a);
  DeleteFont(b);

  // The folder is configurable; a folder without the faces gives no font.
  std::string folder = FontFolder();
  SetFontFolder("/nonexistent");
  EXPECT_EQ(CreateTrueTypeFont(upright), nullptr);
  SetFontFolder(folder);
  FONTOBJ* again = CreateTrueTypeFont(upright);
  EXPECT_NE(again, nullptr);
  DeleteFont(again);
}
