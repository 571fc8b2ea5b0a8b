// A PDEV of the default printer drawing into one band (see band_fixture.h)
// through the document's drawing records (output stream, image store, colour
// converter and counter), and an engine device surface bound to the driver's
// DrvRealizeBrush, so that brushes made by the engine are realised by the
// driver. Every engine object is freed by the end of each test.
#pragma once

#include <gtest/gtest.h>

#include "band_fixture.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/image_store.h"
#include "pdev_fixture.h"
#include "platform/gdi/engine_host.h"
#include "platform/win/win_memory.h"

namespace pk::test {

class DrawingTest : public PdevTest, public BandFixture {
 protected:
  void SetUp() override {
    PdevTest::SetUp();
    liveObjects_ = pkgdi::LiveEngineObjects();
    pdev()->jobOutput = Stream();
    pdev()->imageStore = CreateImageStore(pdev(), 0);
    ASSERT_NE(pdev()->imageStore, nullptr);
    ASSERT_EQ(CreateColorConverter(&pdev()->colorConverter, &pdev()->devmode, nullptr, nullptr), 0);
    ColorCounter* counter = nullptr;
    ASSERT_EQ(CreateColorCounter(&counter), 0);
    pdev()->colorCounter = counter;
    const DRVFN fns[] = {{INDEX_DrvRealizeBrush, reinterpret_cast<PFN>(&DrvRealizeBrush)}};
    hdev_ = pkgdi::CreateDevice(fns, 1, reinterpret_cast<DHPDEV>(pdev()));
    hsurf_ = EngCreateDeviceSurface(nullptr, SIZEL{64, 64}, BMF_24BPP);
    ASSERT_TRUE(EngAssociateSurface(hsurf_, hdev_, 0));
    target_ = pkgdi::SurfaceObject(hsurf_);
    ASSERT_NE(target_, nullptr);
    pkgdi::ClearEngineCalls();
  }
  void TearDown() override {
    for (BRUSHOBJ* b : brushes_) pkgdi::DeleteBrush(b);
    for (CLIPOBJ* c : clips_) pkgdi::DeleteClip(c);
    for (SURFOBJ* s : bitmaps_) pkgdi::DeleteBitmap(s);
    for (XLATEOBJ* x : xlates_) pkgdi::DeleteXlate(x);
    EngDeleteSurface(hsurf_);
    pkgdi::DeleteDevice(hdev_);
    EXPECT_EQ(pkgdi::LiveEngineObjects(), liveObjects_);
    StreamWorkArea& work = Stream()->work;
    if (work.brushBitmap) GlobalFree(work.brushBitmap);
    work.brushBitmap = nullptr;
    FreeImageStore(pdev()->imageStore);
    FreeColorConverter(&pdev()->colorConverter);
    ColorCounter* counter = static_cast<ColorCounter*>(pdev()->colorCounter);
    FreeColorCounter(&counter);
    pdev()->jobOutput = nullptr;
    PdevTest::TearDown();
  }

  BRUSHOBJ* Keep(BRUSHOBJ* b) {
    brushes_.push_back(b);
    pkgdi::SetBrushTarget(b, target_);
    return b;
  }
  BRUSHOBJ* Solid(ULONG rgb) { return Keep(pkgdi::CreateSolidBrush(rgb)); }
  BRUSHOBJ* Hatch(ULONG iHatch, ULONG colour, ULONG background) {
    return Keep(pkgdi::CreateHatchBrush(iHatch, colour, background));
  }
  XLATEOBJ* Table(const std::vector<ULONG>& colours) {
    xlates_.push_back(pkgdi::CreateXlateTable(colours.data(), ULONG(colours.size())));
    return xlates_.back();
  }
  XLATEOBJ* KeepXlate(XLATEOBJ* x) {
    xlates_.push_back(x);
    return x;
  }
  SURFOBJ* Bitmap(LONG cx, LONG cy, ULONG format, bool topDown = true) {
    bitmaps_.push_back(pkgdi::CreateBitmap(SIZEL{cx, cy}, format, topDown));
    return bitmaps_.back();
  }
  BRUSHOBJ* Pattern(SURFOBJ* pattern, XLATEOBJ* pxlo) { return Keep(pkgdi::CreatePatternBrush(pattern, pxlo)); }
  CLIPOBJ* Clip(const std::vector<RECTL>& rects) {
    clips_.push_back(pkgdi::CreateClip(pkgdi::Region::FromRects(rects)));
    return clips_.back();
  }
  CLIPOBJ* Trivial() {
    clips_.push_back(pkgdi::CreateTrivialClip(RECTL{0, 0, 64, 16}));
    return clips_.back();
  }

  BOOL Blt(RECTL rect, ROP4 rop4, BRUSHOBJ* brush = nullptr, CLIPOBJ* clip = nullptr) {
    return DrvBitBlt(target_, nullptr, nullptr, clip, nullptr, &rect, nullptr, nullptr, brush, nullptr, rop4);
  }
  // Dots inked in band rows [0, rows) inside and outside a rectangle.
  bool InkedExactly(RECTL inked, uint32_t rows = 16, uint32_t width = 64) {
    for (uint32_t y = 0; y < rows; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        const bool inside =
            LONG(x) >= inked.left && LONG(x) < inked.right && LONG(y) >= inked.top && LONG(y) < inked.bottom;
        if (Ink(y, x) != inside) {
          ADD_FAILURE() << "dot " << x << "," << y << (inside ? " not inked" : " inked");
          return false;
        }
      }
    return true;
  }

  HDEV hdev_ = nullptr;
  HSURF hsurf_ = nullptr;
  SURFOBJ* target_ = nullptr;
  size_t liveObjects_ = 0;
  std::vector<BRUSHOBJ*> brushes_;
  std::vector<CLIPOBJ*> clips_;
  std::vector<SURFOBJ*> bitmaps_;
  std::vector<XLATEOBJ*> xlates_;
};

}  // namespace pk::test
