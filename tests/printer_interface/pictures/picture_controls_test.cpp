// The picture controls on a headless page: subclassing, the composition
// over pattern, snapshot and face colour with magenta cut out at display
// depths 32 and 8, the plain static, GDI objects after many paints, the state
// icons and the colour sample.
#include <cstring>
#include <tuple>

#include "picture_fixture.h"
#include "platform/ui/win_controls.h"
#include "settings/model/color_adjust.h"
#include "settings/model/stamp_colors.h"

namespace pk::test {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// What a paint of the list over this background gives: the background, then
// every entry's non-magenta pixels in list order.
pk::gdi::Pixels Compose(pk::gdi::Pixels background, const PictureEntry* list) {
  for (const PictureEntry* e = list; e->bitmap; ++e) {
    const pk::gdi::Pixels s = PixelsOf(e->bitmap);
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) {
        const int tx = e->x + x, ty = e->y + y;
        if (tx < 0 || ty < 0 || tx >= background.width || ty >= background.height) continue;
        if (At(s, x, y) != kMagenta) background.colour[static_cast<size_t>(ty) * background.width + tx] = At(s, x, y);
      }
  }
  return background;
}

pk::gdi::Pixels Tiled(const pk::gdi::Pixels& tile, int w, int h) {
  pk::gdi::Pixels p = Solid(w, h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.colour[static_cast<size_t>(y) * w + x] = At(tile, x % tile.width, y % tile.height);
  return p;
}

struct GdiCounts {
  SIZE_T bitmaps = pk::seams::LiveBitmaps(), dcs = pk::seams::LiveMemoryDcs(), windowDcs = pk::seams::LiveWindowDcs(),
         palettes = pk::seams::LivePalettes(), blocks = pk::seams::GlobalLiveBlocks();
  bool operator==(const GdiCounts&) const = default;
};

using PictureControlTest = PictureTest;

TEST_F(PictureControlTest, ServedControlsAreSubclassedOnceAndTheIconsAreNot) {
  HWND page = OpenPicturePage();
  const WNDPROC staticProc = sheet_->state->staticProcedure;
  ASSERT_NE(staticProc, nullptr);
  EXPECT_NE(staticProc, &PreviewControlWndProc);
  for (INT id : {kRowPictureControl, kLayoutControl, kModelPictureControl, kDevicePictureControl, kColourSampleControl,
                 kPlainStaticControl, kRowPictureControl1})
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(GetDlgItem(page, id), GWLP_WNDPROC)), &PreviewControlWndProc)
        << id;
  for (INT id : {kStateIconControlA, kStateIconControlB})
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(GetDlgItem(page, id), GWLP_WNDPROC)), staticProc) << id;
  // Another page of the sheet keeps the class's own procedure.
  HWND second = OpenPicturePage();
  EXPECT_EQ(sheet_->state->staticProcedure, staticProc);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(GetDlgItem(second, kLayoutControl), GWLP_WNDPROC)),
            &PreviewControlWndProc);
  // Other messages reach the static.
  SetWindowTextW(GetDlgItem(page, kPlainStaticControl), u"text");
  EXPECT_EQ(pk::ui::Text(GetDlgItem(page, kPlainStaticControl)), u"text");
}

TEST_F(PictureControlTest, LayoutControlIsThePatternThenTheSpritesWithMagentaCutOut) {
  HWND page = OpenPicturePage();
  ListLayoutSettings();
  Set(295, 4);
  Set(18, 1);
  HWND control = GetDlgItem(page, kLayoutControl);
  const pk::gdi::Pixels shown = Paint(control);

  PictureEntry* list = nullptr;
  ASSERT_EQ(BuildLayoutPicture(GetPagesResourceModule(), page, sheet_->working.devMode, &list), 0);
  HBITMAP pattern = LoadBitmapW(GetPagesResourceModule(), MAKEINTRESOURCEW(kPatternBitmap));
  ASSERT_NE(pattern, nullptr);
  const pk::gdi::Pixels expected = Compose(Tiled(PixelsOf(pattern), kControlWidth, kControlHeight), list);
  DeleteObject(pattern);
  int entries = 0;
  for (const PictureEntry* e = list; e->bitmap; ++e) ++entries;
  EXPECT_GE(entries, 5);
  FreePictureList(list);
  ASSERT_EQ(shown.width, expected.width);
  int differing = 0;
  for (size_t k = 0; k < shown.colour.size(); ++k) differing += shown.colour[k] != expected.colour[k];
  EXPECT_EQ(differing, 0);
  EXPECT_TRUE(pk::ui::RenderToPng(page, ::testing::TempDir() + "layout_page.png"));
}

TEST_F(PictureControlTest, HundredPaintsLeaveNoGdiObjectOrPalette) {
  HWND page = OpenPicturePage();
  ListLayoutSettings();
  Notify(page, PSN_SETACTIVE);
  for (INT id : {kLayoutControl, kColourSampleControl, kDevicePictureControl, kModelPictureControl, kRowPictureControl})
    Paint(GetDlgItem(page, id), true);
  const GdiCounts before;
  for (int i = 0; i < 100; ++i)
    for (INT id : {kLayoutControl, kColourSampleControl, kDevicePictureControl, kModelPictureControl,
                   kRowPictureControl, kPlainStaticControl})
      Paint(GetDlgItem(page, id), i % 10 == 0);
  EXPECT_EQ(GdiCounts{}, before);
}

// Depth 32 and 8: magenta shows the background, near-magenta the sprite;
// a sprite without pure green or without magenta draws as well.
class TransparencyTest : public PictureTest, public ::testing::WithParamInterface<int> {};

TEST_P(TransparencyTest, MagentaShowsTheBackgroundNearMagentaTheSprite) {
  pk::seams::SetDisplayDepth(GetParam());
  struct Case {
    std::vector<COLORREF> sprite;  // 4 x 1
    std::vector<COLORREF> shown;
  };
  constexpr COLORREF kBack = RGB(10, 20, 30);
  const Case cases[] = {
      {{kMagenta, RGB(254, 0, 255), RGB(0, 255, 0), RGB(255, 255, 255)},
       {kBack, RGB(254, 0, 255), RGB(0, 255, 0), RGB(255, 255, 255)}},
      {{RGB(200, 0, 0), kMagenta, kMagenta, RGB(0, 0, 0)}, {RGB(200, 0, 0), kBack, kBack, RGB(0, 0, 0)}},
      {{RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), RGB(255, 0, 254)},
       {RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9), RGB(255, 0, 254)}},
      {{kMagenta, kMagenta, kMagenta, kMagenta}, {kBack, kBack, kBack, kBack}},
  };
  for (const Case& c : cases) {
    pk::gdi::Pixels sprite = Solid(4, 1, 0);
    sprite.colour = c.sprite;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = pk::gdi::NewBitmap(Solid(6, 3, kBack));
    HGDIOBJ old = SelectObject(dc, target);
    PictureEntry entry{pk::gdi::NewBitmap(sprite), 1, 1};
    ASSERT_EQ(DrawPictureEntry(nullptr, dc, &entry, nullptr, TRUE), 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    const pk::gdi::Pixels out = PixelsOf(target);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(At(out, 1 + x, 1), c.shown[x]) << GetParam() << " pixel " << x;
    EXPECT_EQ(At(out, 0, 0), kBack);
    EXPECT_EQ(At(out, 5, 1), kBack);
    DeleteObject(entry.bitmap);
    DeleteObject(target);
  }
}

INSTANTIATE_TEST_SUITE_P(DisplayDepths, TransparencyTest, ::testing::Values(32, 8));

// What lay under the control stays under its sprites.
TEST_F(PictureControlTest, SnapshotControlsPaintOverWhatLayUnderThem) {
  HWND page = OpenPicturePage();
  HWND control = GetDlgItem(page, kRowPictureControl);
  HDC dc = GetDC(control);
  HBRUSH brush = CreateSolidBrush(RGB(0, 128, 64));
  RECT all{0, 0, kControlWidth, kControlHeight};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  ReleaseDC(control, dc);
  const pk::gdi::Pixels shown = Paint(control, true);
  EXPECT_EQ(At(shown, 0, 0), RGB(0, 128, 64));  // the sprite's magenta corner
  EXPECT_EQ(At(shown, 100, 100), RGB(0, 128, 64));
  EXPECT_NE(At(shown, 5, 5), RGB(0, 128, 64));  // the sprite itself
  EXPECT_NE(FindControlResource(sheet_->state, kRowPictureControl), nullptr);
  // A refresh keeps the snapshot and the picture.
  Refresh(page);
  EXPECT_EQ(At(Paint(control), 100, 100), RGB(0, 128, 64));
}

class OldSystemPictureTest : public PictureTest {
 protected:
  void SetUp() override {
    pk::seams::SetOsVersion(5, 0);
    PictureTest::SetUp();
  }
};

TEST_F(OldSystemPictureTest, SnapshotControlsPaintOnTheFaceColour) {
  HWND page = OpenPicturePage();
  HWND control = GetDlgItem(page, kRowPictureControl);
  HDC dc = GetDC(control);
  HBRUSH brush = CreateSolidBrush(RGB(0, 128, 64));
  RECT all{0, 0, kControlWidth, kControlHeight};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  ReleaseDC(control, dc);
  const pk::gdi::Pixels shown = Paint(control, true);
  EXPECT_EQ(At(shown, 0, 0), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(At(shown, 100, 100), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(FindControlResource(sheet_->state, kRowPictureControl), nullptr);
}

TEST_F(PictureControlTest, ThePlainStaticControlShowsOnlyTheStatic) {
  HWND page = OpenPicturePage();
  HWND plain = CreateWindowExW(0, u"Static", u"Plain", WS_CHILD | WS_VISIBLE, 0, 0, kControlWidth, kControlHeight, page,
                               nullptr, nullptr, nullptr);
  for (INT id : {kPlainStaticControl}) {
    HWND control = GetDlgItem(page, id);
    SetWindowTextW(control, u"Plain");
    const pk::gdi::Pixels shown = Paint(control, true);
    const pk::gdi::Pixels reference = Paint(plain, true);
    ASSERT_EQ(shown.colour.size(), reference.colour.size());
    size_t first = 0;
    while (first < shown.colour.size() && shown.colour[first] == reference.colour[first]) ++first;
    EXPECT_EQ(first, shown.colour.size()) << id << " " << first % kControlWidth << "," << first / kControlWidth << " "
                                          << std::hex << shown.colour[first] << " " << reference.colour[first];
  }
}

TEST_F(PictureControlTest, RowPicturesComeFromTheRowsParameterBlock) {
  HWND page = OpenPicturePage();
  PictureEntry* list = nullptr;
  ASSERT_EQ(LoadRowPicture(GetPagesResourceModule(), page, kRowPictureControl1, &list), 0);
  HBITMAP expected = LoadBitmapW(GetPagesResourceModule(), MAKEINTRESOURCEW(1017));
  EXPECT_EQ(PixelsOf(list[0].bitmap).colour, PixelsOf(expected).colour);
  EXPECT_EQ(list[1].bitmap, nullptr);
  DeleteObject(expected);
  FreePictureList(list);
  EXPECT_EQ(LoadRowPicture(GetPagesResourceModule(), page, kRowPictureControl2, &list), kPictureMissing);
  EXPECT_EQ(list, nullptr);
}

// ---- State icons ---------------------------------------------------------------------------------

TEST_F(PictureControlTest, StateIconsFollowSettings267And437) {
  HWND page = OpenPicturePage();
  HMODULE module = GetPagesResourceModule();
  struct Case {
    uint64_t value, variant;
    WORD first, second;
  };
  const Case cases[] = {{5, 2, 996, 366}, {5, 3, 996, 372}, {0, 0, 358, 363}, {3, 1, 359, 369},
                        {7, 0, 362, 367}, {8, 2, 996, 366}, {2, 3, 997, 370}, {6, 1, 362, 371}};
  for (const Case& c : cases) {
    Set(267, c.value);
    Set(437, c.variant);
    ASSERT_EQ(Get(267), c.value);
    Refresh(page);
    EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageW(page, kStateIconControlA, STM_GETICON, 0, 0)),
              LoadIconW(module, MAKEINTRESOURCEW(c.first)))
        << c.value << "/" << c.variant;
    EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageW(page, kStateIconControlB, STM_GETICON, 0, 0)),
              LoadIconW(module, MAKEINTRESOURCEW(c.second)))
        << c.value << "/" << c.variant;
  }
  // 267 outside 0-8 leaves both icons.
  const LRESULT first = SendDlgItemMessageW(page, kStateIconControlA, STM_GETICON, 0, 0);
  const LRESULT second = SendDlgItemMessageW(page, kStateIconControlB, STM_GETICON, 0, 0);
  for (BYTE outside : {9, 200}) {
    // The settings layer refuses such values; a DEVMODE may carry them (the
    // field is one byte at 308).
    static_cast<BYTE*>(sheet_->working.devMode)[308] = outside;
    ASSERT_EQ(Get(267), outside);
    EXPECT_EQ(SetStateIcon(module, page, sheet_->working.devMode, kStateIconControlA), kPictureBadArguments);
    Notify(page, PSN_SETACTIVE);
    Refresh(page);
    EXPECT_EQ(SendDlgItemMessageW(page, kStateIconControlA, STM_GETICON, 0, 0), first);
    EXPECT_EQ(SendDlgItemMessageW(page, kStateIconControlB, STM_GETICON, 0, 0), second);
  }
}

TEST_F(PictureControlTest, RowIconsComeFromTheCallback) {
  HWND page = OpenPicturePage();
  HandlerContext context = ContextOf(page, 0);
  const ControlRow* row = &kPictureRows[8];
  static INT seen = -1;
  auto callback = [](HandlerContext*, INT index, INT, INT* icon) {
    seen = index;
    *icon = 998;
    return 0;
  };
  SetRowIcon(&context, WM_COMMAND, 0, 0, row, callback);
  EXPECT_EQ(seen, -1);
  SetRowIcon(&context, PSN_SETACTIVE, 0, 0, row, callback);
  EXPECT_EQ(seen, 8);
  EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageW(page, row->controlId, STM_GETICON, 0, 0)),
            LoadIconW(GetPagesResourceModule(), MAKEINTRESOURCEW(998)));
}

// ---- The colour sample -----------------------------------------------------------------------------

struct Rgb3 {
  BYTE b, g, r;
};

// The colour of each sample index as the adjustments should give it.
std::vector<COLORREF> Adjusted(const std::vector<COLORREF>& table, int first, int last, SHORT a, SHORT b, SHORT c,
                               bool grey, std::vector<COLORREF> out) {
  for (int i = first; i <= last && i < static_cast<int>(table.size()); ++i) {
    BYTE in[3] = {GetBValue(table[i]), GetGValue(table[i]), GetRValue(table[i])}, res[3];
    if (a || b || c) {
      ColorAdjustMatrix m{};
      BuildColorAdjustMatrix(&m, a, b, c);
      ApplyColorAdjustMatrix(&m, in, res, 1);
    } else {
      std::memcpy(res, in, 3);
    }
    if (grey) {
      BYTE g = 0;
      ConvertRowToGrey(res, &g, 1, 1);
      res[0] = res[1] = res[2] = g;
    }
    out[i] = RGB(res[2], res[1], res[0]);
  }
  return out;
}

class ColourSampleTest : public PictureTest {
 protected:
  // The colour of index i in the sample bitmap (cells of 8 pixels, 16 a row).
  std::vector<COLORREF> SampleColours(HWND page, int colours) {
    PictureEntry* list = nullptr;
    HPALETTE palette = nullptr;
    EXPECT_EQ(LoadColourSamplePicture(GetPagesResourceModule(), GetDlgItem(page, kColourSampleControl), page,
                                      sheet_->working.devMode, &list, &palette),
              0);
    std::vector<COLORREF> out;
    if (!list) return out;
    const pk::gdi::Pixels p = PixelsOf(list[0].bitmap);
    for (int i = 0; i < colours; ++i) out.push_back(At(p, (i % 16) * 8 + 3, (i / 16) * 8 + 3));
    FreePictureList(list);
    EXPECT_NE(palette, nullptr);
    DeleteObject(palette);
    return out;
  }
  void ZeroAdjustments() {
    for (WORD id = 274; id <= 285; ++id) Set(id, 0);
  }
};

TEST_F(ColourSampleTest, RangesFollowTheirGroups) {
  HWND page = OpenPicturePage();
  ASSERT_NE(sheet_->state->colourSample, nullptr);
  ZeroAdjustments();
  Set(270, 0);
  Set(482, 1);
  const std::vector<COLORREF> original = SampleColours(page, 160);
  ASSERT_EQ(original.size(), 160u);
  EXPECT_EQ(original[1], RGB(255, 255, 255));
  // All adjustments 0: the colours of bitmap 373 itself.
  HBITMAP sample = LoadBitmapW(GetPagesResourceModule(), MAKEINTRESOURCEW(kColourSampleBitmap));
  const pk::gdi::Pixels own = PixelsOf(sample);
  DeleteObject(sample);
  for (int i = 0; i < 160; ++i) EXPECT_EQ(original[i], At(own, (i % 16) * 8 + 3, (i / 16) * 8 + 3)) << i;

  struct Case {
    uint64_t split;
    WORD settings[3];
    int first, last;  // the indices that follow
  };
  const Case cases[] = {{1, {277, 281, 285}, 2, 97},
                        {1, {275, 279, 283}, 98, 113},
                        {1, {276, 280, 284}, 114, 127},
                        {0, {274, 278, 282}, 2, 127}};
  for (const Case& c : cases) {
    ZeroAdjustments();
    Set(482, c.split);
    Set(c.settings[0], 30);
    Set(c.settings[1], static_cast<uint64_t>(static_cast<uint16_t>(-40)));
    Set(c.settings[2], 25);
    const std::vector<COLORREF> want = Adjusted(original, c.first, c.last, 30, -40, 25, false, original);
    EXPECT_EQ(SampleColours(page, 160), want) << c.settings[0];
    EXPECT_NE(want[c.first], original[c.first]);
  }
  // Grey: every index of the ranges, adjusted or not.
  ZeroAdjustments();
  Set(482, 0);
  Set(270, 1);
  const std::vector<COLORREF> grey = SampleColours(page, 160);
  EXPECT_EQ(grey, Adjusted(original, 2, 127, 0, 0, 0, true, original));
  for (int i = 2; i <= 127; ++i)
    EXPECT_TRUE(GetRValue(grey[i]) == GetGValue(grey[i]) && GetGValue(grey[i]) == GetBValue(grey[i]));
  EXPECT_EQ(grey[140], original[140]);

  // The sample lives while its page is active.
  Notify(page, PSN_KILLACTIVE);
  EXPECT_EQ(sheet_->state->colourSample, nullptr);
  PictureEntry* list = nullptr;
  HPALETTE palette = nullptr;
  EXPECT_EQ(LoadColourSamplePicture(GetPagesResourceModule(), GetDlgItem(page, kColourSampleControl), page,
                                    sheet_->working.devMode, &list, &palette),
            kPictureMissing);
  Notify(page, PSN_SETACTIVE);
  EXPECT_NE(sheet_->state->colourSample, nullptr);
  Notify(page, PSN_RESET);
  EXPECT_EQ(sheet_->state->colourSample, nullptr);
}

// A sample of 64 colours: the ranges stop at its table's end.
TEST_F(ColourSampleTest, RangesStayWithinASmallerColourTable) {
  std::vector<COLORREF> table;
  for (int i = 0; i < 64; ++i) table.push_back(RGB(i * 4, 255 - i * 4, 128));
  HMODULE module =
      MakeModule("Sample64", {{373, Bmp8(128, 32, table, [](int x, int y) { return (y / 8) * 16 + x / 8; })}});
  ASSERT_NE(module, nullptr);
  HWND page = OpenPicturePage();
  FreeColourSampleData(sheet_->state);
  ASSERT_EQ(LoadColourSampleData(module, sheet_->state), 0);
  EXPECT_EQ(sheet_->state->colourSample->colours, 64u);
  ZeroAdjustments();
  Set(482, 0);
  Set(270, 0);
  Set(274, 50);
  PictureEntry* list = nullptr;
  HPALETTE palette = nullptr;
  ASSERT_EQ(LoadColourSamplePicture(module, GetDlgItem(page, kColourSampleControl), page, sheet_->working.devMode,
                                    &list, &palette),
            0);
  const pk::gdi::Pixels p = PixelsOf(list[0].bitmap);
  std::vector<COLORREF> shown;
  for (int i = 0; i < 64; ++i) shown.push_back(At(p, (i % 16) * 8 + 3, (i / 16) * 8 + 3));
  EXPECT_EQ(shown, Adjusted(table, 2, 63, 50, 0, 0, false, table));
  FreePictureList(list);
  DeleteObject(palette);
  FreeColourSampleData(sheet_->state);
}

TEST_F(ColourSampleTest, AMissingSampleIsReported) {
  HMODULE module = MakeModule("NoSample", {{374, Bmp24(Solid(8, 8, RGB(1, 2, 3)))}});
  OpenPicturePage();
  FreeColourSampleData(sheet_->state);
  EXPECT_EQ(LoadColourSampleData(module, sheet_->state), kPictureMissing);
  EXPECT_EQ(sheet_->state->colourSample, nullptr);
}

}  // namespace
}  // namespace pk::test
