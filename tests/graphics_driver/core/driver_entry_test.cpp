// The driver's outer shell: DrvEnableDriver and its table, the driver-wide
// queries, and the PDEV check of every entry that takes a PDEV.
#include "driver_fixture.h"
#include "graphics_driver/core/glyph_set_cache.h"
#include "platform/win/win_error.h"

namespace {

using pk::test::DriverTest;

TEST(DriverEntry, EnableDriverLevelsAndTable) {
  for (auto [version, cj] : {std::pair<ULONG, ULONG>{0x1FFFF, 16}, {0x20000, 15}}) {
    BYTE block[32];
    std::memset(block, 0xAB, sizeof block);
    SetLastError(0);
    EXPECT_FALSE(DrvEnableDriver(version, cj, reinterpret_cast<DRVENABLEDATA*>(block)));
    EXPECT_EQ(GetLastError(), 119u);
    EXPECT_EQ(std::count(block, block + sizeof block, 0xAB), 32);
  }

  BYTE block[32];
  std::memset(block, 0xAB, sizeof block);
  auto* ded = reinterpret_cast<DRVENABLEDATA*>(block);
  ASSERT_TRUE(DrvEnableDriver(0x20000, sizeof block, ded));
  EXPECT_EQ(ded->iDriverVersion, 0x20000u);
  ASSERT_EQ(ded->c, 24u);
  const ULONG indexes[] = {0, 7, 1, 2, 3, 4, 18, 20, 19, 23, 26, 27, 28, 53, 32, 14, 12, 33, 35, 24, 34, 37, 57, 58};
  for (ULONG i = 0; i < 24; ++i) {
    EXPECT_EQ(ded->pdrvfn[i].iFunc, indexes[i]) << i;
    EXPECT_NE(ded->pdrvfn[i].pfn, nullptr) << i;
  }
  EXPECT_EQ(ded->pdrvfn[0].pfn, reinterpret_cast<PFN>(&DrvEnablePDEV));
  EXPECT_EQ(ded->pdrvfn[22].pfn, reinterpret_cast<PFN>(&DrvStartBanding));
  EXPECT_EQ(std::count(block + 16, block + 32, 0xAB), 16);  // nothing past the three members
  // The default glyph set holds the code page's characters; the resource
  // glyph set of the device fonts is made on first use only.
  ASSERT_NE(GetDefaultGlyphSet(), nullptr);
  EXPECT_GT(GetDefaultGlyphSet()->cGlyphsSupported, 200u);
  const GlyphSetCacheRow* row = GetResourceGlyphSetRow();
  EXPECT_EQ(row->resourceName, 6);
  EXPECT_EQ(row->charsetCode, 17);
  EXPECT_EQ(row->glyphSet, nullptr);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  DrvDisableDriver();
  EXPECT_EQ(GetDefaultGlyphSet(), nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks - 1);

  // Without its default glyph set the driver cannot be enabled.
  pk::seams::FailNthAllocation(1);
  EXPECT_FALSE(DrvEnableDriver(0x20000, sizeof block, ded));
  pk::seams::FailNthAllocation(0);
  DrvDisableDriver();
}

TEST(DriverEntry, QueriesOfTheWholeDriver) {
  DWORD buffer = 0xFFFF, needed = 0;
  SetLastError(0);
  EXPECT_FALSE(DrvQueryDriverInfo(1, &buffer, 3, &needed));
  EXPECT_EQ(GetLastError(), 122u);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(buffer, 0xFFFFu);
  EXPECT_FALSE(DrvQueryDriverInfo(1, nullptr, 4, &needed));
  EXPECT_TRUE(DrvQueryDriverInfo(1, &buffer, 4, &needed));
  EXPECT_EQ(buffer, 1u);  // a user-mode driver
  SetLastError(0);
  EXPECT_FALSE(DrvQueryDriverInfo(2, &buffer, 4, &needed));
  EXPECT_EQ(GetLastError(), 87u);
  EXPECT_EQ(DrvGetGlyphMode(nullptr, nullptr), 1u);
}

class PdevCheckTest : public DriverTest {};

// With its trailer overwritten a PDEV is refused by every entry that takes
// one (87 and the failure value); the two that free things do nothing.
TEST_F(PdevCheckTest, BrokenTrailerIsRefusedEverywhere) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  ASSERT_NE(DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev)), nullptr);
  HSURF surface = pdev->surface;
  const auto dh = reinterpret_cast<DHPDEV>(pdev);
  SURFOBJ* so = Surface(pdev);
  SURFOBJ* bitmap = pkgdi::CreateBitmap(SIZEL{8, 8}, BMF_24BPP, true);
  ASSERT_NE(bitmap, nullptr);
  FONTOBJ font{};
  POINTL origin{};
  pdev->trailerSignature = 0;

  auto refused = [](bool failed, const char* name) {
    EXPECT_TRUE(failed) << name;
    EXPECT_EQ(GetLastError(), 87u) << name;
    SetLastError(0);
  };
  SetLastError(0);
  refused(DrvEnableSurface(dh) == nullptr, "DrvEnableSurface");
  refused(!DrvStartDoc(so, nullptr, 1), "DrvStartDoc");
  refused(!DrvStartPage(so), "DrvStartPage");
  refused(!DrvSendPage(so), "DrvSendPage");
  refused(!DrvEndDoc(so, 0), "DrvEndDoc");
  refused(!DrvResetPDEV(dh, dh), "DrvResetPDEV");
  DrvCompletePDEV(dh, nullptr);
  refused(pdev->engineDevice == hdev_, "DrvCompletePDEV");
  refused(!DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0xCCCC),
          "DrvBitBlt");
  // A bitmap target hands the check to the device source.
  refused(!DrvBitBlt(bitmap, so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0xCCCC),
          "DrvBitBlt from the device");
  refused(!DrvCopyBits(bitmap, so, nullptr, nullptr, nullptr, nullptr), "DrvCopyBits");
  refused(!DrvCopyBits(so, bitmap, nullptr, nullptr, nullptr, nullptr), "DrvCopyBits to the device");
  refused(!DrvStretchBlt(so, bitmap, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 4),
          "DrvStretchBlt");
  refused(!DrvStretchBltROP(so, bitmap, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 4,
                            nullptr, 0xCCCC),
          "DrvStretchBltROP");
  refused(!DrvRealizeBrush(nullptr, so, bitmap, nullptr, nullptr, 0), "DrvRealizeBrush");
  refused(!DrvTextOut(so, nullptr, &font, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), "DrvTextOut");
  refused(!DrvStrokePath(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), "DrvStrokePath");
  refused(!DrvFillPath(so, nullptr, nullptr, nullptr, nullptr, 0, 0), "DrvFillPath");
  refused(!DrvStrokeAndFillPath(so, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0),
          "DrvStrokeAndFillPath");
  refused(!DrvStartBanding(so, &origin), "DrvStartBanding");
  refused(!DrvNextBand(so, &origin), "DrvNextBand");
  refused(DrvEscape(so, 20, 0, nullptr, 0, nullptr) == 0, "DrvEscape");
  ULONG_PTR id = 5;
  refused(DrvQueryFont(dh, 0, 1, &id) == nullptr, "DrvQueryFont");
  refused(DrvQueryFontTree(dh, 0, 1, 3, &id) == nullptr, "DrvQueryFontTree");
  refused(DrvQueryFontData(dh, &font, 1, 0, nullptr, nullptr, 0) == LONG(FD_ERROR), "DrvQueryFontData");
  HGLYPH glyph = 0;
  USHORT width = 0;
  refused(!DrvQueryAdvanceWidths(dh, &font, 1, &glyph, &width, 1), "DrvQueryAdvanceWidths");

  // The freeing entries leave a refused PDEV alone.
  DrvDisableSurface(dh);
  EXPECT_EQ(pdev->surface, surface);
  EXPECT_NE(pkgdi::SurfaceObject(surface), nullptr);
  const SIZE_T heaps = pk::seams::LiveHeaps();
  DrvDisablePDEV(dh);
  EXPECT_EQ(pk::seams::LiveHeaps(), heaps);

  pdev->trailerSignature = kPdevSignature;
  DrvDisableSurface(dh);
  EXPECT_EQ(pdev->surface, nullptr);
  pkgdi::DeleteBitmap(bitmap);
}

// Until their workers come, the drawing, font, escape and banding entries
// answer their failure values for a sound PDEV too.
TEST_F(PdevCheckTest, EntriesWithoutWorkersAnswerTheirFailureValues) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  SURFOBJ* so = Surface(pdev);
  POINTL origin{};
  EXPECT_FALSE(DrvStartBanding(so, &origin));
  EXPECT_FALSE(DrvNextBand(so, &origin));
  EXPECT_EQ(DrvEscape(so, 0x500C, 0, nullptr, 0, nullptr), 0u);  // an escape no one handles
  // The font queries have workers now: a face past the device fonts fails.
  ULONG_PTR id = 5;
  SetLastError(0);
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 3, &id), nullptr);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(GetLastError(), 87u);
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontData(reinterpret_cast<DHPDEV>(pdev), nullptr, 1, 0, nullptr, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), 87u);
}

}  // namespace
