// Device fonts: the PDEV's tables built from the model's font records, the
// DEVINFO's default fonts, the entry of one metrics block (its widths,
// IFIMETRICS, simulations and kerning pairs), the four font queries with the
// engine's faceless FONTOBJ, and blocks or resources that point past their end.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "driver_fixture.h"
#include "graphics_driver/core/device_fonts.h"
#include "graphics_driver/core/glyph_set_cache.h"
#include "models/writer/ddd_writer.h"
#include "platform/gdi/display_dc.h"
#include "platform/gdi/eng_services.h"
#include "platform/gdi/printer_dc.h"
#include "platform/win/win_error.h"
#include "platform/win/win_module.h"
#include "settings/services/module_state.h"

namespace {

using pk::test::DriverTest;

// One font record of the model description.
std::string FontRecord(int key, const std::string& name, const std::string& family, const std::string& fields,
                       const std::string& extra = "") {
  std::ostringstream s;
  s << "font " << key << " \"" << name << "\" \"\"\n";
  s << "  block face \"" << name << "\" family \"" << family << "\" " << fields << "\n";
  s << extra;
  return s.str();
}
const std::string kSwissFields =
    "id \"1\" ascender 750 descender 0 height 1150 weight 0 charset 0 pitch 0x22 first 32 last 35 "
    "strike 900 max 700";
std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}
const std::string kSwissWidths = "  widths 300 600 400 500\n";

class DeviceFontsTest : public DriverTest {
 protected:
  void TearDown() override {
    ReleaseModule();
    if (own_) FreeLibrary(own_);
    own_ = nullptr;
    DriverTest::TearDown();
  }

  // The printer's model becomes the default description with its font
  // records replaced by `fonts` and the default device font id `defaultId`;
  // the DEVMODE is the driver's default for it, Letter, at `dpi`.
  void UseFonts(const std::string& fonts, int defaultId = 1, int dpi = 300) {
    std::ifstream in(PK_DEFAULT_MODEL_TEXT);
    std::string text, line;
    bool cut = false;
    while (std::getline(in, line)) {
      if (line.rfind("font 1 ", 0) == 0) cut = true;
      if (line.rfind("  option \"400 x 400 dpi\"", 0) == 0) line += "\n  option \"300 x 300 dpi\" 0 0 u32 0x012C012C";
      if (!cut) text += line + "\n";
    }
    text += fonts;
    text += "feature 4 384 \"Default device font\" 1 1\n  option \"Font\" 0 0 u16 " + std::to_string(defaultId) + "\n";
    const std::string dir = std::filesystem::temp_directory_path() / ("fonts_model_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/model.txt") << text;
    const std::string command =
        std::string("'") + PK_DDDWRITE + "' '" + dir + "/model.txt' '" + dir + "/model.ddd' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << text;
    WCHAR* dataFile = GetModelDataFileName(printer_);
    ASSERT_NE(dataFile, nullptr);
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(dataFile, nullptr, &host), 0u);
    GlobalFree(dataFile);
    std::filesystem::remove(host);
    std::filesystem::copy_file(dir + "/model.ddd", host);
    std::filesystem::remove_all(dir);
    UseDefaultDevMode();
    DEVMODEW* dm = Dm();
    dm->dmFields = DM_PAPERSIZE | DM_FORMNAME | DM_ORIENTATION | DM_PRINTQUALITY | DM_YRESOLUTION | DM_SCALE;
    dm->dmPaperSize = 1;
    std::memset(dm->dmFormName, 0, sizeof dm->dmFormName);
    std::memcpy(dm->dmFormName, u"Letter", sizeof u"Letter");
    dm->dmOrientation = 1;
    dm->dmPrintQuality = short(dpi);
    dm->dmYResolution = short(dpi);
    dm->dmScale = 100;
  }

  // The driver's module state as at process attach, so that the resource
  // module can be found.
  void UseModuleState() {
    const std::u16string ownPath = std::u16string(PK_DRIVER_FOLDER) + u"CoreOwn.vbn";
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(ownPath.c_str(), nullptr, &host), 0u);
    std::ifstream in(PK_CORE_OWN_STRINGS, std::ios::binary);
    std::ofstream(host, std::ios::binary) << in.rdbuf();
    own_ = LoadLibraryW(ownPath.c_str());
    ASSERT_NE(own_, nullptr);
    InitModule(own_, ownPath.c_str());
  }

  static std::u16string Name(const IFIMETRICS* m, LONG offset) {
    return std::u16string(reinterpret_cast<const char16_t*>(reinterpret_cast<const BYTE*>(m) + offset));
  }

  HMODULE own_ = nullptr;
};

// ---- Tables ----------------------------------------------------------------------

TEST_F(DeviceFontsTest, ModelWithoutFontRecordsHasEmptyTables) {
  UseFonts("");
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(pdev->deviceFontCount, 0u);
  EXPECT_EQ(pdev->fontFaceCount, 0u);
  EXPECT_EQ(pdev->deviceFonts, nullptr);
  const LOGFONTW zero{};
  for (const LOGFONTW* f : {&devInfo_.lfDefaultFont, &devInfo_.lfAnsiVarFont, &devInfo_.lfAnsiFixFont})
    EXPECT_EQ(std::memcmp(f, &zero, sizeof zero), 0);
  SetLastError(0);
  ULONG_PTR id = 5;
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 1, &id), nullptr);
  EXPECT_EQ(GetLastError(), 0u);  // no device fonts is no error
  EXPECT_EQ(id, 0u);
}

TEST_F(DeviceFontsTest, OneFamilyTwoRecordsIsOneFontTwoFaces) {
  UseFonts(FontRecord(1, "Orvalis Sans", "Orvalis", kSwissFields, kSwissWidths) +
           FontRecord(2, "Orvalis Sans Bold", "Orvalis", kSwissFields + " weight 700", kSwissWidths) +
           FontRecord(3, "Kestrel", "Kestrel", "id \"2\" charset 0x80 pitch 0x30 max 1000"));
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  ASSERT_EQ(pdev->deviceFontCount, 2u);
  ASSERT_EQ(pdev->fontFaceCount, 3u);
  EXPECT_EQ(pdev->deviceFonts[0]->fontId, 1u);
  EXPECT_EQ(pdev->deviceFonts[1]->fontId, 2u);
  EXPECT_EQ(pdev->fontFaceIds[0], 1);
  EXPECT_EQ(pdev->fontFaceIds[2], 3);
  EXPECT_EQ(pdev->fontFaceIds[3], 0);
  EXPECT_EQ(std::u16string(pdev->fontFaces[1]->faceName), u"Orvalis Sans Bold");
  EXPECT_EQ(pdev->fontFaces[1]->weight, 700);
  EXPECT_EQ(pdev->fontFaces[2]->charSet, 0x80);
  EXPECT_EQ(pdev->fontFaces[2]->pitchAndFamily, 0x30);
}

TEST_F(DeviceFontsTest, InstalledFaceNameIsAFaceButNoDeviceFont) {
  UseFonts(FontRecord(1, "DejaVu Sans", "DejaVu", "id \"7\" max 600") +
           FontRecord(2, "Orvalis Sans", "Orvalis", kSwissFields, kSwissWidths));
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  ASSERT_EQ(pdev->deviceFontCount, 1u);
  EXPECT_EQ(pdev->deviceFonts[0]->fontId, 1u);
  ASSERT_EQ(pdev->fontFaceCount, 2u);
  EXPECT_EQ(std::u16string(pdev->fontFaces[0]->faceName), u"DejaVu Sans");
}

TEST_F(DeviceFontsTest, DefaultFontIdWithoutDeviceFontFailsThePdev) {
  UseFonts(FontRecord(1, "Orvalis Sans", "Orvalis", kSwissFields, kSwissWidths), 9);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks(), heaps = pk::seams::LiveHeaps();
  EXPECT_EQ(Enable(), nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(pk::seams::LiveHeaps(), heaps);
}

TEST_F(DeviceFontsTest, WidthsWithAndWithoutTable) {
  UseFonts(FontRecord(1, "Orvalis Sans", "Orvalis", kSwissFields + " break 2", "  widths 300 0x8000 400 500\n") +
           FontRecord(2, "Kestrel", "Kestrel", "id \"2\" charset 0x80 pitch 0x30 max 1000 first 32 last 126"));
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  ASSERT_EQ(pdev->deviceFontCount, 2u);
  const uint16_t* table = pdev->deviceFonts[0]->widths;
  for (int c = 0; c < 256; ++c) {
    const uint16_t expected = c == 32 ? 300 : c == 33 ? 0 : c == 35 ? 500 : 400;  // the break character's elsewhere
    ASSERT_EQ(table[c], expected) << c;
  }
  const uint16_t* half = pdev->deviceFonts[1]->widths;
  EXPECT_TRUE(std::all_of(half, half + 256, [](uint16_t w) { return w == 500; }));
}

TEST_F(DeviceFontsTest, DefaultPrinterDevInfoAndCountsBack) {
  UseModel();
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks(), heaps = pk::seams::LiveHeaps();
  const auto handles = pk::seams::LiveHandles();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(pdev->deviceFontCount, 2u);
  EXPECT_EQ(pdev->fontFaceCount, 2u);
  EXPECT_EQ(devInfo_.cFonts, 0u);
  const LOGFONTW& d = devInfo_.lfDefaultFont;
  EXPECT_EQ(d.lfHeight, -41);
  EXPECT_EQ(d.lfWidth, 0);
  EXPECT_EQ(d.lfWeight, 400);
  EXPECT_EQ(d.lfItalic, 0);
  EXPECT_EQ(d.lfCharSet, 0);
  EXPECT_EQ(d.lfPitchAndFamily, 0x22);
  EXPECT_EQ(std::u16string(d.lfFaceName), u"Courier");
  const LOGFONTW& v = devInfo_.lfAnsiVarFont;
  EXPECT_EQ(v.lfHeight, -41);
  EXPECT_EQ(v.lfCharSet, 0);
  EXPECT_EQ(v.lfPitchAndFamily, 0x22);
  EXPECT_EQ(std::u16string(v.lfFaceName), u"Helvetica");
  const LOGFONTW& f = devInfo_.lfAnsiFixFont;
  EXPECT_EQ(f.lfCharSet, 0);
  EXPECT_EQ(f.lfPitchAndFamily, 0x31);
  EXPECT_EQ(std::u16string(f.lfFaceName), u"Courier");
  // The default model's widths are DejaVu's.
  EXPECT_EQ(pdev->deviceFonts[0]->widths['A'], 684);
  EXPECT_EQ(pdev->deviceFonts[1]->widths['A'], 602);
  EXPECT_EQ(pdev->deviceFonts[0]->widths[0x7F], 0);  // no glyph
  EXPECT_EQ(DeviceFontMetrics(pdev->deviceFonts[1])->jWinPitchAndFamily, 0x31);
  Disable(pdev);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(pk::seams::LiveHeaps(), heaps);
  EXPECT_EQ(pk::seams::LiveHandles(), handles);
}

// ---- One entry ------------------------------------------------------------------

TEST_F(DeviceFontsTest, IfiMetricsOfAVariablePitchSwissFont) {
  UseFonts(FontRecord(1, "Orvalis Sans", "Orvalis", kSwissFields, kSwissWidths + "  kern 65 86 -80 84 111 -40\n"));
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  ASSERT_EQ(pdev->deviceFontCount, 1u);
  DeviceFontEntry* e = pdev->deviceFonts[0];
  EXPECT_EQ(e->version, 0x10000u);
  EXPECT_EQ(e->ifiOffset, 696u);
  EXPECT_EQ(e->hasWidthRecord, 1u);
  const IFIMETRICS* m = DeviceFontMetrics(e);
  const LONG face = LONG(std::u16string(u"Orvalis Sans").size());
  EXPECT_EQ(m->dpwszFaceName, 192);
  EXPECT_EQ(m->dpwszFamilyName, 192 + ((2 * face + 5 + 3) & ~3));
  EXPECT_EQ(Name(m, m->dpwszFaceName), u"Orvalis Sans");
  EXPECT_EQ(Name(m, m->dpwszFamilyName), u"Orvalis");
  // The style and unique names are empty strings inside the metrics.
  for (LONG at : {m->dpwszStyleName, m->dpwszUniqueName}) {
    EXPECT_EQ(Name(m, at), u"");
    EXPECT_EQ(at % 2, 0);
    EXPECT_GT(at, m->dpwszFamilyName);
    EXPECT_LE(at + 2, m->dpFontSim);
  }
  EXPECT_EQ(m->cjThis, ULONG(m->dpFontSim) + 72);
  EXPECT_EQ(m->usWinWeight, 400);
  EXPECT_EQ(m->fwdUnitsPerEm, 1000);
  EXPECT_EQ(m->fwdWinAscender, 750);
  EXPECT_EQ(m->fwdWinDescender, 250);
  EXPECT_EQ(m->fwdMacDescender, -250);
  EXPECT_EQ(m->fwdTypoDescender, -250);
  EXPECT_EQ(m->fwdMacLineGap, 1150);
  EXPECT_EQ(m->fwdAveCharWidth, 450);  // (300 + 600 + 400 + 500) / 4
  EXPECT_EQ(m->fwdMaxCharInc, 700);
  EXPECT_EQ(m->fwdStrikeoutPosition, 225);
  EXPECT_EQ(m->jWinPitchAndFamily, 0x22);
  EXPECT_EQ(m->flInfo, 0x82010u);
  EXPECT_EQ(m->fsType, FM_NO_EMBEDDING);
  EXPECT_EQ(m->panose.bWeight, 5);
  EXPECT_EQ(m->panose.bSerifStyle, 11);
  EXPECT_EQ(m->panose.bProportion, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m->achVendId), 4), "Unkn");
  EXPECT_EQ(m->chFirstChar, 32);
  EXPECT_EQ(m->wcBreakChar, u' ');
  EXPECT_EQ(m->ptlCaret.x, 0);
  EXPECT_EQ(m->ptlCaret.y, 1);
  EXPECT_EQ(m->rclFontBox.top, 750);
  EXPECT_EQ(m->rclFontBox.bottom, -250);
  EXPECT_EQ(m->rclFontBox.right, 700);
  EXPECT_EQ(m->cKerningPairs, 2u);

  const auto* sim = reinterpret_cast<const FONTSIM*>(reinterpret_cast<const BYTE*>(m) + m->dpFontSim);
  EXPECT_EQ(sim->dpBold, 12);
  EXPECT_EQ(sim->dpItalic, 32);
  EXPECT_EQ(sim->dpBoldItalic, 52);
  auto diff = [&](LONG at) { return reinterpret_cast<const FONTDIFF*>(reinterpret_cast<const BYTE*>(sim) + at); };
  EXPECT_EQ(diff(sim->dpBold)->usWinWeight, 700);
  EXPECT_EQ(diff(sim->dpBold)->bWeight, 6);
  EXPECT_EQ(diff(sim->dpBold)->fsSelection, m->fsSelection | 0x20);
  EXPECT_EQ(diff(sim->dpBold)->fwdAveCharWidth, 451);
  EXPECT_EQ(diff(sim->dpBold)->fwdMaxCharInc, 701);
  EXPECT_EQ(diff(sim->dpItalic)->ptlCaret.x, 1);
  EXPECT_EQ(diff(sim->dpItalic)->ptlCaret.y, 3);
  EXPECT_EQ(diff(sim->dpItalic)->usWinWeight, 400);
  EXPECT_EQ(diff(sim->dpBoldItalic)->fsSelection, m->fsSelection | 0x21);

  // The kerning pairs, a zero pair last.
  ULONG_PTR id = 9;
  auto* pairs =
      static_cast<FD_KERNINGPAIR*>(DrvQueryFontTree(reinterpret_cast<DHPDEV>(pdev), 0, 1, QFT_KERNPAIRS, &id));
  ASSERT_NE(pairs, nullptr);
  EXPECT_EQ(id, 0u);
  EXPECT_EQ(pairs[0].wcFirst, u'A');
  EXPECT_EQ(pairs[0].wcSecond, u'V');
  EXPECT_EQ(pairs[0].fwdKern, -80);
  EXPECT_EQ(pairs[1].wcSecond, u'o');
  EXPECT_EQ(pairs[2].wcFirst, 0);
  EXPECT_EQ(pairs[2].fwdKern, 0);
  EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 1, &id), m);
}

TEST_F(DeviceFontsTest, FixedPitchDoubleByteFont) {
  UseFonts(FontRecord(1, "Kestrel", "Kestrel", "id \"1\" charset 0x80 pitch 0x30 max 1000 ascender 880"));
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  const IFIMETRICS* m = DeviceFontMetrics(pdev->deviceFonts[0]);
  EXPECT_TRUE(m->flInfo & FM_INFO_DBCS_FIXED_PITCH);
  EXPECT_FALSE(m->flInfo & FM_INFO_CONSTANT_WIDTH);
  EXPECT_TRUE(m->flInfo & FM_INFO_OPTICALLY_FIXED_PITCH);
  EXPECT_EQ(m->wcBreakChar, 0xFF65);
  EXPECT_EQ(m->wcDefaultChar, 0x20);
  EXPECT_EQ(m->wcLastChar, 0xFFE5);
  EXPECT_EQ(m->jWinPitchAndFamily, 0x31);
  EXPECT_EQ(m->panose.bProportion, 3);  // FF_MODERN
  EXPECT_EQ(m->cKerningPairs, 0u);
  EXPECT_EQ(DrvQueryFontTree(reinterpret_cast<DHPDEV>(pdev), 0, 1, QFT_KERNPAIRS, nullptr), nullptr);
}

// Blocks cut at every tenth byte build entries without reading past their end.
TEST_F(DeviceFontsTest, CutBlocksStayInside) {
  UseModel();
  PdevState* pdev = Enable();
  ASSERT_NE(pdev, nullptr);
  ddd::FontMetrics metrics;
  metrics.face = "Orvalis Sans";
  metrics.family = "Orvalis";
  metrics.id = "2a";
  metrics.first = 32;
  metrics.last = 90;
  metrics.maxWidth = 800;
  metrics.widths.assign(59, 500);
  metrics.kerning = {{65, 86, -80}, {84, 111, -40}, {76, 84, -60}};
  metrics.pairs = {{0x100, 300}};
  const ddd::Bytes whole = ddd::BuildFontMetricsBlock(metrics);
  for (size_t length = 0; length <= whole.size(); length += 10) {
    std::vector<BYTE> cut(whole.begin(), whole.begin() + length);  // exactly the length: ASan sees past it
    DeviceFontEntry* e = BuildDeviceFontEntry(pdev, cut.empty() ? nullptr : cut.data(), uint32_t(length));
    ASSERT_NE(e, nullptr) << length;
    EXPECT_LE(e->kerningCount, 3u);
    EXPECT_EQ(e->hasWidthRecord, length > 6 ? 1u : 0u) << length;
    const IFIMETRICS* m = DeviceFontMetrics(e);
    EXPECT_LE(Name(m, m->dpwszFaceName).size(), 32u);
    for (uint32_t code : {32u, 60u, 0x100u}) GetDeviceFontCharWidth(&e->widthRecord, code);
    HeapFree(pdev->heap, 0, e);
  }
  // Whole, the id, the widths and all pairs are there.
  DeviceFontEntry* e = BuildDeviceFontEntry(pdev, whole.data(), uint32_t(whole.size()));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->fontId, 0x2Au);
  EXPECT_EQ(e->kerningCount, 3u);
  EXPECT_EQ(e->widths[60], 500);
  EXPECT_EQ(GetDeviceFontCharWidth(&e->widthRecord, 0x100), 300);
  HeapFree(pdev->heap, 0, e);
}

TEST_F(DeviceFontsTest, NameHelpers) {
  WCHAR name[5];
  ConvertFontName(name, "Orvalis", 5);
  EXPECT_EQ(std::u16string(name), u"Orva");
  ConvertFontName(name, "\xE9t\xE9", 5);
  EXPECT_EQ(std::u16string(name), u"\u00E9t\u00E9");
  WCHAR wide[8];
  uint32_t bytes = 0;
  EXPECT_EQ(AnsiToWideAcp(wide, sizeof wide, &bytes, "abc", 3), 6);
  EXPECT_EQ(bytes, 6u);
}

TEST_F(DeviceFontsTest, TrueTypeFaceList) {
  WCHAR* list = BuildTrueTypeFaceList();
  ASSERT_NE(list, nullptr);
  std::vector<std::u16string> names;
  for (const WCHAR* n = list; *n; n += names.back().size() + 1) names.emplace_back(n);
  GlobalFree(list);
  for (const std::u16string want : {u"DejaVu Sans", u"DejaVu Sans Bold", u"DejaVu Sans Mono"})
    EXPECT_EQ(std::count(names.begin(), names.end(), want), 1);
  // The screen's DC is the display's.
  HDC dc = GetDC(GetDesktopWindow());
  EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
  EXPECT_EQ(GetDC(nullptr), dc);
  EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
}

// ---- Queries --------------------------------------------------------------------

class FontQueriesTest : public DeviceFontsTest {
 protected:
  void SetUp() override {
    DeviceFontsTest::SetUp();
    UseModuleState();
    UseFonts(FontRecord(1, "Orvalis Sans", "Orvalis", kSwissFields + " first 32 last 126",
                        "  widths 600" + Repeat(" 500", 94) + "\n") +
                 FontRecord(2, "Kestrel", "Kestrel", "id \"2\" charset 0x80 pitch 0x30 max 1000"),
             1, 600);
    pdev_ = Enable();
    ASSERT_NE(pdev_, nullptr);
    ASSERT_EQ(pdev_->deviceFontCount, 2u);
    // 1000 font units to 100 dots, y up in font units.
    for (ULONG face = 1; face <= 2; ++face)
      fonts_[face - 1] = pkgdi::CreateDeviceFont(face, XFORML{0.1f, 0, 0, -0.1f, 0, 0},
                                                 DeviceFontMetrics(pdev_->deviceFonts[face - 1]), 0);
  }
  void TearDown() override {
    for (FONTOBJ* f : fonts_)
      if (f) pkgdi::DeleteFont(f);
    DeviceFontsTest::TearDown();
  }
  DHPDEV dh() { return reinterpret_cast<DHPDEV>(pdev_); }

  PdevState* pdev_ = nullptr;
  FONTOBJ* fonts_[2] = {};
};

TEST_F(FontQueriesTest, GlyphMetricsAndAdvanceWidths) {
  GLYPHDATA gd{};
  gd.hg = 0;
  // Code 32 has the 600-unit width: 60 dots.
  EXPECT_EQ(DrvQueryFontData(dh(), fonts_[0], QFD_GLYPHANDBITMAP, 32, &gd, nullptr, 0), 0);
  EXPECT_EQ(gd.fxD, 960);
  EXPECT_EQ(gd.fxAB, 960);
  EXPECT_EQ(gd.fxA, 0);
  EXPECT_EQ(gd.hg, 32u);
  EXPECT_EQ(gd.ptqD.x.HighPart, 960);
  EXPECT_EQ(gd.ptqD.y.HighPart, 0);
  EXPECT_EQ(gd.fxInkTop, 1200);     // 75 dots
  EXPECT_EQ(gd.fxInkBottom, -400);  // 25 dots below
  HGLYPH glyphs[3] = {32, 32, 32};
  USHORT widths[3] = {};
  EXPECT_TRUE(DrvQueryAdvanceWidths(dh(), fonts_[0], QAW_GETWIDTHS, glyphs, widths, 3));
  for (USHORT w : widths) EXPECT_EQ(w, 960);
  EXPECT_TRUE(DrvQueryAdvanceWidths(dh(), fonts_[0], QAW_GETEASYWIDTHS, glyphs, widths, 0));
  SetLastError(0);
  EXPECT_FALSE(DrvQueryAdvanceWidths(dh(), fonts_[0], 7, glyphs, widths, 3));
  EXPECT_EQ(GetLastError(), ULONG(ERROR_INVALID_PARAMETER));
  // A code without a width: the average width.
  EXPECT_EQ(DrvQueryFontData(dh(), fonts_[0], QFD_GLYPHANDBITMAP, 200, &gd, nullptr, 0), 0);
  EXPECT_EQ(gd.fxD, ((DeviceFontMetrics(pdev_->deviceFonts[0])->fwdAveCharWidth * 16 / 10) + 8) & ~15);
}

TEST_F(FontQueriesTest, MaxExtents) {
  std::vector<BYTE> buffer(200, 0xAB);
  EXPECT_EQ(DrvQueryFontData(dh(), fonts_[0], QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), 124);
  // A buffer too short for the answer is refused untouched.
  EXPECT_EQ(DrvQueryFontData(dh(), fonts_[0], QFD_MAXEXTENTS, 0, nullptr, buffer.data(), 100), LONG(FD_ERROR));
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](BYTE b) { return b == 0xAB; }));
  std::fill(buffer.begin(), buffer.end(), 0);
  ASSERT_EQ(DrvQueryFontData(dh(), fonts_[0], QFD_MAXEXTENTS, 0, nullptr, buffer.data(), 124), 124);
  const auto* dm = reinterpret_cast<const FD_DEVICEMETRICS*>(buffer.data());
  // 100 dots at 600 dpi is 12 points: FF_SWISS leads by 2 points, 16 dots.
  EXPECT_EQ(dm->lNonLinearExtLeading, 16 * 16);
  EXPECT_EQ(dm->lNonLinearIntLeading, 0);
  EXPECT_EQ(dm->lD, 0);  // variable pitch
  EXPECT_EQ(dm->fxMaxAscender, 1200);
  EXPECT_EQ(dm->fxMaxDescender, 400);
  EXPECT_EQ(dm->cxMax, 70u);
  EXPECT_FLOAT_EQ(dm->pteBase.x, 1.0f);
  EXPECT_FLOAT_EQ(dm->pteSide.y, 1.0f);
  EXPECT_NEAR(dm->ptlStrikeOut.y, 22, 1);  // 225 units up: y down
  // The fixed-pitch font: no external leading.
  ASSERT_EQ(DrvQueryFontData(dh(), fonts_[1], QFD_MAXEXTENTS, 0, nullptr, buffer.data(), 124), 124);
  EXPECT_EQ(dm->lNonLinearExtLeading, 0);
  EXPECT_EQ(DrvQueryFontData(dh(), fonts_[0], QFD_GLYPHANDOUTLINE, 0, nullptr, buffer.data(), 124), LONG(FD_ERROR));
}

TEST_F(FontQueriesTest, BadFaceAndPdev) {
  FONTOBJ* outside[2] = {pkgdi::CreateDeviceFont(0, XFORML{0.1f, 0, 0, -0.1f, 0, 0}, nullptr, 0),
                         pkgdi::CreateDeviceFont(3, XFORML{0.1f, 0, 0, -0.1f, 0, 0}, nullptr, 0)};
  GLYPHDATA gd{};
  for (FONTOBJ* f : outside) {
    SetLastError(0);
    EXPECT_EQ(DrvQueryFontData(dh(), f, QFD_GLYPHANDBITMAP, 32, &gd, nullptr, 0), LONG(FD_ERROR));
    EXPECT_EQ(GetLastError(), ULONG(ERROR_INVALID_PARAMETER));
    pkgdi::DeleteFont(f);
  }
  for (ULONG face : {0u, 3u}) {
    SetLastError(0);
    EXPECT_EQ(DrvQueryFont(dh(), 0, face, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ULONG(ERROR_INVALID_PARAMETER));
  }
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontData(dh(), nullptr, QFD_GLYPHANDBITMAP, 32, &gd, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ULONG(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(DrvQueryFontTree(dh(), 0, 1, 1, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ULONG(ERROR_INVALID_PARAMETER));
  pdev_->trailerSignature = 0;
  EXPECT_EQ(DrvQueryFont(dh(), 0, 1, nullptr), nullptr);
  EXPECT_EQ(DrvQueryFontData(dh(), fonts_[0], QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), LONG(FD_ERROR));
  pdev_->trailerSignature = kPdevSignature;
}

TEST_F(FontQueriesTest, GlyphSets) {
  EXPECT_EQ(DrvQueryFontTree(dh(), 0, 1, QFT_GLYPHSET, nullptr), GetDefaultGlyphSet());
  auto* set = static_cast<FD_GLYPHSET*>(DrvQueryFontTree(dh(), 0, 2, QFT_GLYPHSET, nullptr));
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(DrvQueryFontTree(dh(), 0, 2, QFT_GLYPHSET, nullptr), set);  // cached
  EXPECT_GT(set->cGlyphsSupported, 7000u);
  const BYTE* base = reinterpret_cast<const BYTE*>(set);
  ULONG before = 0;
  for (ULONG r = 0; r < set->cRuns; ++r) {
    ASSERT_EQ(reinterpret_cast<const BYTE*>(set->awcrun[r].phg), base + (set->cRuns + 1) * 16 + 4 * before) << r;
    before += set->awcrun[r].cGlyphs;
  }
  EXPECT_EQ(before, set->cGlyphsSupported);
  // U+3042 HIRAGANA LETTER A is 0x82A0 in code page 932.
  bool found = false;
  for (ULONG r = 0; r < set->cRuns; ++r) {
    const WCRUN& run = set->awcrun[r];
    if (run.wcLow <= 0x3042 && 0x3042 < run.wcLow + run.cGlyphs) {
      EXPECT_EQ(run.phg[0x3042 - run.wcLow], 0x82A0u);
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

TEST(GlyphSetResource, RunsOrHandlesPastTheResourceGiveNone) {
  // A head claiming 1,000 runs in 64 bytes.
  std::vector<BYTE> claim(64, 0);
  const ULONG runs = 1000;
  std::memcpy(claim.data() + 12, &runs, 4);
  EXPECT_EQ(CopyGlyphSetResource(claim.data(), ULONG(claim.size())), nullptr);
  // One run of 20 glyphs whose handles do not fit.
  std::vector<BYTE> handles(32 + 4 * 19, 0);
  const ULONG one = 1;
  const USHORT twenty = 20;
  std::memcpy(handles.data() + 12, &one, 4);
  std::memcpy(handles.data() + 18, &twenty, 2);
  EXPECT_EQ(CopyGlyphSetResource(handles.data(), ULONG(handles.size())), nullptr);
  handles.resize(handles.size() + 4);
  FD_GLYPHSET* copy = CopyGlyphSetResource(handles.data(), ULONG(handles.size()));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(reinterpret_cast<BYTE*>(copy->awcrun[0].phg), reinterpret_cast<BYTE*>(copy) + 32);
  GlobalFree(copy);
  EXPECT_EQ(CopyGlyphSetResource(nullptr, 0), nullptr);
  EXPECT_EQ(CopyGlyphSetResource(claim.data(), 8), nullptr);
}

}  // namespace
