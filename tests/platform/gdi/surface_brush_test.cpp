// Device surfaces and palettes, brushes realised by the driver, colour
// translations, and the drawing calls the engine can only record.
#include <gtest/gtest.h>

#include "fake_driver.h"
#include "platform/win/win_seams.h"

using namespace pkgdi;

TEST(Surface, DeviceSurfaceIsBoundToThePdevAndDeletedOnce) {
  DHPDEV pdev = reinterpret_cast<DHPDEV>(0x1234);
  DRVFN fns[] = {{INDEX_DrvCopyBits, reinterpret_cast<PFN>(&fake::DrvCopyBits)}};
  HDEV hdev = CreateDevice(fns, 1, pdev);
  HSURF hs = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{800, 600}, BMF_24BPP);
  ASSERT_NE(hs, nullptr);
  SURFOBJ* so = SurfaceObject(hs);
  ASSERT_NE(so, nullptr);
  EXPECT_EQ(so->iType, STYPE_DEVICE);
  EXPECT_EQ(so->iBitmapFormat, 5u);
  EXPECT_EQ(so->sizlBitmap.cx, 800);
  EXPECT_EQ(so->sizlBitmap.cy, 600);
  EXPECT_EQ(so->pvBits, nullptr);
  EXPECT_EQ(so->pvScan0, nullptr);
  EXPECT_EQ(so->hsurf, hs);
  EXPECT_EQ(so->dhpdev, nullptr);

  ASSERT_TRUE(EngAssociateSurface(hs, hdev, 0x42B));
  EXPECT_EQ(so->dhpdev, pdev);
  EXPECT_EQ(so->hdev, hdev);
  EXPECT_EQ(SurfaceHooks(hs), FLONG(HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_COPYBITS));
  EXPECT_FALSE(SurfaceIsBanded(hs));
  EXPECT_TRUE(EngMarkBandingSurface(hs));
  EXPECT_TRUE(SurfaceIsBanded(hs));

  ClearEngineCalls();
  RECTL rc{1, 2, 3, 4};
  EXPECT_TRUE(EngBitBlt(so, nullptr, nullptr, nullptr, nullptr, &rc, nullptr, nullptr, nullptr, nullptr, 0xCCAA));
  SetEngineFallbackResult(FALSE);
  EXPECT_FALSE(EngEraseSurface(so, &rc, 0xFFFFFFFF));
  SetEngineFallbackResult(TRUE);
  auto calls = EngineCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, EngineCall::BitBlt);
  EXPECT_EQ(calls[0].pso, so);
  EXPECT_EQ(calls[0].rop4, 0xCCAAu);
  EXPECT_EQ(calls[0].rcl.bottom, 4);
  EXPECT_EQ(calls[1].kind, EngineCall::EraseSurface);
  EXPECT_EQ(calls[1].iColor, 0xFFFFFFFFu);
  // The seam reset forgets the record and restores the default answer.
  SetEngineFallbackResult(FALSE);
  pk::seams::ResetAll();
  EXPECT_TRUE(EngineCalls().empty());
  EXPECT_TRUE(EngEraseSurface(so, &rc, 0));

  EXPECT_TRUE(EngDeleteSurface(hs));
  EXPECT_FALSE(EngDeleteSurface(hs));
  EXPECT_EQ(SurfaceObject(hs), nullptr);
  EXPECT_FALSE(EngAssociateSurface(hs, hdev, 0));
  EXPECT_EQ(EngCreateDeviceSurface(nullptr, SIZEL{0, 600}, BMF_24BPP), nullptr);
  EXPECT_TRUE(DeleteDevice(hdev));
}

TEST(Surface, BitmapsAndPalettes) {
  struct Case {
    ULONG format;
    LONG cx;
    LONG stride;
  };
  for (Case c : {Case{BMF_1BPP, 33, 8}, Case{BMF_4BPP, 9, 8}, Case{BMF_8BPP, 5, 8}, Case{BMF_16BPP, 3, 8},
                 Case{BMF_24BPP, 3, 12}, Case{BMF_32BPP, 3, 12}}) {
    SURFOBJ* td = CreateBitmap({c.cx, 4}, c.format, true);
    SURFOBJ* bu = CreateBitmap({c.cx, 4}, c.format, false);
    ASSERT_TRUE(td && bu);
    EXPECT_EQ(td->lDelta, c.stride);
    EXPECT_EQ(td->fjBitmap, BMF_TOPDOWN);
    EXPECT_EQ(td->pvScan0, td->pvBits);
    EXPECT_EQ(bu->lDelta, -c.stride);
    EXPECT_EQ(static_cast<BYTE*>(bu->pvScan0), static_cast<BYTE*>(bu->pvBits) + 3 * c.stride);
    EXPECT_EQ(td->cjBits, ULONG(4 * c.stride));
    DeleteBitmap(td);
    DeleteBitmap(bu);
  }
  EXPECT_EQ(CreateBitmap({4, 4}, 0, true), nullptr);

  HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
  ULONG colors[2] = {0x000000, 0xFFFFFF};
  HPALETTE idx = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
  ASSERT_TRUE(bgr && idx);
  ULONG mode = 0;
  std::vector<ULONG> got;
  ASSERT_TRUE(PaletteInfo(idx, &mode, &got));
  EXPECT_EQ(mode, ULONG(PAL_INDEXED));
  EXPECT_EQ(got, (std::vector<ULONG>{0, 0xFFFFFF}));
  EXPECT_EQ(EngCreatePalette(77, 0, nullptr, 0, 0, 0), nullptr);
  EXPECT_TRUE(EngDeletePalette(bgr));
  EXPECT_FALSE(EngDeletePalette(bgr));
  EXPECT_TRUE(EngDeletePalette(idx));
}

TEST(Brush, RealisedOnceByTheTargetDriver) {
  fake::Device dev({64, 64});
  size_t before = LiveEngineObjects();

  // A pattern brush asked twice: one DrvRealizeBrush, the same realisation.
  SURFOBJ* pattern = CreateBitmap({8, 8}, BMF_8BPP, true);
  ULONG table[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  XLATEOBJ* pxlo = CreateXlateTable(table, 3);
  BRUSHOBJ* pat = CreatePatternBrush(pattern, pxlo);
  SetBrushTarget(pat, dev.surface());
  EXPECT_EQ(pat->iSolidColor, 0xFFFFFFFFu);
  void* first = BRUSHOBJ_pvGetRbrush(pat);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(pat), first);
  ASSERT_EQ(fake::state().realizes.size(), 1u);
  EXPECT_EQ(fake::state().realizes[0].iHatch, 6u);
  EXPECT_EQ(fake::state().realizes[0].table, (std::vector<ULONG>{0xFF0000, 0xFF00, 0xFF}));
  EXPECT_FALSE(fake::state().realizes[0].mask);

  // A hatch brush: iHatch, its 8 x 8 1-bpp pattern and {hatch colour, background}.
  BRUSHOBJ* hatch = CreateHatchBrush(0, 0x00FF0000, 0x00FFFFFF);
  SetBrushTarget(hatch, dev.surface());
  ASSERT_NE(BRUSHOBJ_pvGetRbrush(hatch), nullptr);
  ASSERT_EQ(fake::state().realizes.size(), 2u);
  const fake::RealizeCall& h = fake::state().realizes[1];
  EXPECT_EQ(h.iHatch, 0u);
  EXPECT_EQ(h.patternFormat, ULONG(BMF_1BPP));
  EXPECT_EQ(h.patternSize.cx, 8);
  EXPECT_EQ(h.patternSize.cy, 8);
  EXPECT_EQ(h.table, (std::vector<ULONG>{0xFF0000, 0xFFFFFF}));
  for (int r = 0; r < 8; ++r) EXPECT_EQ(h.rows[r][0], r == 4 ? 0x00 : 0xFF) << r;

  // A failed realisation is not tried again.
  fake::state().realizeResult = FALSE;
  BRUSHOBJ* failing = CreateHatchBrush(5, 0, 0xFFFFFF);
  SetBrushTarget(failing, dev.surface());
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(failing), nullptr);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(failing), nullptr);
  EXPECT_EQ(fake::state().realizes.size(), 3u);

  // Without a live target nothing is realised (and nothing is read).
  fake::state().realizeResult = TRUE;
  BRUSHOBJ* orphan = CreateHatchBrush(1, 0, 0xFFFFFF);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(orphan), nullptr);
  BRUSHOBJ* late = CreateHatchBrush(1, 0, 0xFFFFFF);
  {
    fake::Device gone({8, 8});
    SetBrushTarget(late, gone.surface());
  }
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(late), nullptr);
  EXPECT_EQ(fake::state().realizes.size(), 0u);  // the second device reset the record
  DeleteBrush(orphan);
  DeleteBrush(late);

  // A solid brush carries its device colour and has nothing to realise.
  BRUSHOBJ* red = CreateSolidBrush(0x00FF0000);
  EXPECT_EQ(red->iSolidColor, 0x00FF0000u);
  EXPECT_EQ(BRUSHOBJ_pvGetRbrush(red), nullptr);
  EXPECT_EQ(fake::state().realizes.size(), 0u);

  // Realisation memory is zeroed and freed with the brush.
  auto* mem = static_cast<BYTE*>(BRUSHOBJ_pvAllocRbrush(red, 40));
  ASSERT_NE(mem, nullptr);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(mem[i], 0);
  for (BRUSHOBJ* b : {pat, hatch, failing, red}) DeleteBrush(b);
  DeleteXlate(pxlo);
  DeleteBitmap(pattern);
  EXPECT_EQ(LiveEngineObjects(), before);
}

TEST(Xlate, TranslatesIndexesAndPixelsToDeviceColours) {
  ULONG entries[2] = {0x000000, 0xFFFFFF};
  XLATEOBJ* table = CreateXlateTable(entries, 2);
  XLATEOBJ* x555 = CreateXlateBitfields(0x7C00, 0x03E0, 0x001F);
  XLATEOBJ* x565 = CreateXlateBitfields(0xF800, 0x07E0, 0x001F);
  XLATEOBJ* rgb = CreateXlateRgb(PAL_RGB);
  XLATEOBJ* trivial = CreateXlateTrivial();
  EXPECT_EQ(table->flXlate, ULONG(XO_TABLE));
  EXPECT_EQ(table->cEntries, 2u);
  EXPECT_EQ(trivial->flXlate, ULONG(XO_TRIVIAL));
  struct Case {
    XLATEOBJ* x;
    ULONG in, out;
  };
  for (Case c : {Case{table, 1, 0xFFFFFF}, Case{table, 0, 0}, Case{table, 2, 0}, Case{table, 0xFFFFFFFF, 0},
                 Case{x555, 0x7C00, 0x00FF0000}, Case{x555, 0x7FFF, 0x00FFFFFF}, Case{x555, 0x001F, 0x0000FF},
                 Case{x565, 0x07E0, 0x00FF00}, Case{rgb, 0x0000FF, 0xFF0000}, Case{trivial, 0x123456, 0x123456}})
    EXPECT_EQ(XLATEOBJ_iXlate(c.x, c.in), c.out) << std::hex << c.in;
  for (XLATEOBJ* x : {table, x555, x565, rgb, trivial}) DeleteXlate(x);
}
