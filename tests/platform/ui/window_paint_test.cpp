// Painting of windows made from the compiled test dialogs: controls paint
// their state into their backing bitmaps, owner-drawn lines reach the owner
// with a DC on the control's bitmap, a subclassed control's own painting is
// what the parent's DC reads back, no GDI object outlives a paint, and
// windows and property sheets are written to PNG files that peers accept.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/ui/property_sheet.h"
#include "platform/ui/ui_test_support.h"
#include "platform/ui/win_common_controls.h"
#include "platform/ui/win_controls.h"
#include "platform/ui/win_paint.h"

namespace {

COLORREF Sys(int index) { return GetSysColor(index) & 0xFFFFFF; }

// What the window's DC reads, through a memory DC, as the picture controls
// capture a background.
pk::gdi::Pixels ReadBack(HWND h, RECT r) {
  HDC dc = GetDC(h);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bm = CreateCompatibleBitmap(dc, r.right - r.left, r.bottom - r.top);
  HGDIOBJ old = SelectObject(mem, bm);
  EXPECT_TRUE(BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, dc, r.left, r.top, SRCCOPY));
  SelectObject(mem, old);
  pk::gdi::Pixels p;
  pk::gdi::ReadBitmapPixels(bm, &p);
  DeleteObject(bm);
  DeleteDC(mem);
  ReleaseDC(h, dc);
  return p;
}

int Count(const pk::gdi::Pixels& p, COLORREF c, RECT r) {
  int n = 0;
  for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, p.height); ++y)
    for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, p.width); ++x)
      n += p.colour[size_t(y) * p.width + x] == c;
  return n;
}

RECT ClientOf(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  return r;
}

struct LiveCounts {
  size_t objects = pkgdi::LiveGdiObjects();
  SIZE_T bitmaps = pk::seams::LiveBitmaps(), memoryDcs = pk::seams::LiveMemoryDcs(),
         windowDcs = pk::seams::LiveWindowDcs(), palettes = pk::seams::LivePalettes(), icons = pk::seams::LiveIcons();
  bool operator==(const LiveCounts&) const = default;
};

class PaintTest : public pk::test::UiTest {
 protected:
  HWND OpenPainted() {
    HWND dlg = Open(400);
    EXPECT_NE(dlg, nullptr);
    UpdateWindow(dlg);
    return dlg;
  }
};

TEST_F(PaintTest, AClickOnACheckBoxPaintsTheMark) {
  HWND dlg = OpenPainted();
  HWND check = GetDlgItem(dlg, 401);
  const RECT c = ClientOf(check);
  const LONG top = (c.bottom - 13) / 2;
  const RECT box{1, top + 1, 12, top + 12};
  pk::gdi::Pixels before = ReadBack(check, c);
  EXPECT_EQ(Count(before, Sys(COLOR_WINDOWTEXT), box), 0);
  EXPECT_GT(Count(before, Sys(COLOR_WINDOW), box), 100);
  pk::ui::Click(check);
  ASSERT_EQ(pk::ui::CheckState(check), BST_CHECKED);
  pk::gdi::Pixels after = ReadBack(check, c);
  EXPECT_EQ(Count(after, Sys(COLOR_WINDOWTEXT), box), 14);
  // The label's ink lies right of the box.
  EXPECT_GT(Count(after, Sys(COLOR_BTNTEXT), RECT{17, 0, c.right, c.bottom}), 10);
  pk::ui::Click(check);
  EXPECT_EQ(Count(ReadBack(check, c), Sys(COLOR_WINDOWTEXT), box), 0);
}

TEST_F(PaintTest, TheSelectedLineIsDrawnInTheHighlightColour) {
  HWND dlg = OpenPainted();
  HWND list = GetDlgItem(dlg, 402);
  for (const char16_t* s : {u"A4\t210", u"Letter\t216", u"Legal\t216"})
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessageW(list, LB_SETCURSEL, 1, 0);
  const RECT c = ClientOf(list);
  pk::gdi::Pixels p = ReadBack(list, c);
  EXPECT_EQ(Count(p, Sys(COLOR_HIGHLIGHT), RECT{1, 0, c.right - 1, 16}), 0);
  const int lit = Count(p, Sys(COLOR_HIGHLIGHT), RECT{1, 16, c.right - 1, 32});
  EXPECT_GT(lit, (c.right - 2) * 16 / 2);
  EXPECT_GT(Count(p, Sys(COLOR_HIGHLIGHTTEXT), RECT{1, 16, c.right - 1, 32}), 5);
  EXPECT_GT(Count(p, Sys(COLOR_WINDOWTEXT), RECT{1, 0, c.right - 1, 16}), 5);
  // The second column starts at the first tab stop, past the first column's text.
  EXPECT_EQ(Count(p, Sys(COLOR_HIGHLIGHT), RECT{1, 16, c.right - 1, 32}) +
                Count(p, Sys(COLOR_HIGHLIGHTTEXT), RECT{1, 16, c.right - 1, 32}),
            (c.right - 2) * 16);
}

TEST_F(PaintTest, AnOwnerDrawnComboAsksForEachVisibleLineAndItsEditPart) {
  HWND dlg = OpenPainted();
  HWND combo = GetDlgItem(dlg, 403);
  for (LPARAM v : {0x11, 0x22, 0x33}) SendMessageW(combo, CB_ADDSTRING, 0, v);
  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  struct Draw {
    UINT item, action, state;
    HDC dc;
    RECT rect;
    ULONG_PTR data;
  };
  std::vector<Draw> drawn;
  log_.answer = [&](HWND, UINT msg, WPARAM, LPARAM lp) -> INT_PTR {
    if (msg != WM_DRAWITEM) return FALSE;
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    EXPECT_EQ(d->CtlType, UINT(ODT_COMBOBOX));
    EXPECT_EQ(d->hwndItem, combo);
    drawn.push_back({d->itemID, d->itemAction, d->itemState, d->hDC, d->rcItem, d->itemData});
    // The owner draws on the DC it is given.
    HBRUSH b = CreateSolidBrush(RGB(200, 0, 0));
    FillRect(d->hDC, &d->rcItem, b);
    DeleteObject(b);
    return TRUE;
  };
  UpdateWindow(dlg);
  ASSERT_EQ(drawn.size(), 4u);
  EXPECT_EQ(drawn[0].item, 2u);
  EXPECT_EQ(drawn[0].state, UINT(ODS_COMBOBOXEDIT));
  EXPECT_EQ(drawn[0].data, 0x33u);
  for (UINT i = 0; i < 3; ++i) {
    EXPECT_EQ(drawn[i + 1].item, i);
    EXPECT_EQ(drawn[i + 1].action, UINT(ODA_DRAWENTIRE));
    EXPECT_EQ(drawn[i + 1].state, i == 2 ? UINT(ODS_SELECTED) : 0u);
    EXPECT_EQ(drawn[i + 1].rect.top, drawn[1].rect.top + LONG(16 * i));
    EXPECT_NE(drawn[i + 1].dc, nullptr);
  }
  pk::gdi::Pixels p = ReadBack(combo, ClientOf(combo));
  const RECT edit = drawn[0].rect;
  EXPECT_EQ(Count(p, RGB(200, 0, 0), edit), (edit.right - edit.left) * (edit.bottom - edit.top));
}

// A static whose own WM_PAINT fills it, then passes the message on.
WNDPROC gStaticProc = nullptr;
LRESULT PaintedStatic(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HBRUSH b = CreateSolidBrush(RGB(12, 34, 56));
    RECT r;
    GetClientRect(h, &r);
    FillRect(dc, &r, b);
    DeleteObject(b);
    EndPaint(h, &ps);
  }
  return CallWindowProcW(gStaticProc, h, msg, wp, lp);
}

TEST_F(PaintTest, ASubclassedStaticsPaintingIsWhatItsParentsDcReads) {
  HWND dlg = OpenPainted();
  HWND stat = GetDlgItem(dlg, 404);
  gStaticProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(stat, GWLP_WNDPROC, LONG_PTR(&PaintedStatic)));
  InvalidateRect(stat, nullptr, FALSE);
  UpdateWindow(dlg);
  RECT r;
  GetWindowRect(stat, &r);
  POINT at{r.left, r.top};
  ScreenToClient(dlg, &at);
  const RECT inParent{at.x, at.y, at.x + r.right - r.left, at.y + r.bottom - r.top};
  pk::gdi::Pixels p = ReadBack(dlg, inParent);
  EXPECT_EQ(Count(p, RGB(12, 34, 56), RECT{0, 0, p.width, p.height}), p.width * p.height);
  // Around it the dialog's face shows.
  pk::gdi::Pixels wider = ReadBack(dlg, RECT{inParent.left - 2, inParent.top, inParent.left, inParent.bottom});
  EXPECT_EQ(Count(wider, Sys(COLOR_BTNFACE), RECT{0, 0, wider.width, wider.height}), wider.width * wider.height);
}

TEST_F(PaintTest, APasswordEditShowsStarsAndNoObjectOutlivesAPaint) {
  HWND dlg = OpenPainted();
  HWND edit = GetDlgItem(dlg, 405);
  const LiveCounts before;
  UpdateWindow(dlg);
  pk::ui::Click(GetDlgItem(dlg, 401));
  SendMessageW(GetDlgItem(dlg, 402), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Tray"));
  EXPECT_TRUE(LiveCounts() == before);
  // Six stars are narrower than "secret" and all of one ink.
  pk::gdi::Pixels p = ReadBack(edit, ClientOf(edit));
  EXPECT_GT(Count(p, Sys(COLOR_WINDOWTEXT), RECT{0, 0, p.width, p.height}), 6);
  SetWindowTextW(edit, u"");
  EXPECT_EQ(Count(ReadBack(edit, ClientOf(edit)), Sys(COLOR_WINDOWTEXT), RECT{0, 0, p.width, p.height}), 0);
}

std::string Shell(const std::string& command) {
  std::string out;
  FILE* f = popen(command.c_str(), "r");
  if (!f) return out;
  char buf[512];
  while (size_t n = fread(buf, 1, sizeof buf, f)) out.append(buf, n);
  return pclose(f) == 0 ? out : "failed: " + out;
}

// The PNG's pixels as ImageMagick reads them.
pk::gdi::Pixels ReadPng(const std::string& path, int w, int h) {
  const std::string raw = path + ".rgb";
  EXPECT_EQ(Shell("/usr/bin/convert '" + path + "' -depth 8 'rgb:" + raw + "'"), "");
  std::ifstream in(raw, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  pk::gdi::Pixels p;
  p.width = w;
  p.height = h;
  if (bytes.size() != size_t(w) * h * 3) return p;
  for (size_t i = 0; i < size_t(w) * h; ++i)
    p.colour.push_back(RGB(BYTE(bytes[3 * i]), BYTE(bytes[3 * i + 1]), BYTE(bytes[3 * i + 2])));
  return p;
}

// The part of a window's screen content at a child's place equals the child's
// (its first `rows` rows, when others lie over the rest).
void ExpectChildInPicture(const pk::gdi::Pixels& picture, HWND parent, HWND child, int rows = -1) {
  RECT r;
  GetWindowRect(child, &r);
  POINT at{r.left, r.top};
  ScreenToClient(parent, &at);
  pk::gdi::Pixels own = ReadBack(child, ClientOf(child));
  ASSERT_FALSE(own.colour.empty());
  int differ = 0;
  for (int y = 0; y < (rows < 0 ? own.height : std::min(rows, own.height)); ++y)
    for (int x = 0; x < own.width; ++x)
      differ += picture.colour[size_t(at.y + y) * picture.width + at.x + x] != own.colour[size_t(y) * own.width + x];
  EXPECT_EQ(differ, 0);
}

TEST_F(PaintTest, ADialogIsWrittenToAPngOfItsSize) {
  HWND dlg = OpenPainted();
  pk::ui::Click(GetDlgItem(dlg, 401));
  HWND list = GetDlgItem(dlg, 402);
  for (const char16_t* s : {u"One", u"Two"}) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  const std::string path = ::testing::TempDir() + "paint_dialog.png";
  ASSERT_TRUE(pk::ui::RenderToPng(dlg, path));
  EXPECT_EQ(Shell("pngcheck -q '" + path + "'"), "");
  RECT r;
  GetWindowRect(dlg, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  EXPECT_EQ(Shell("/usr/bin/identify -format '%w %h' '" + path + "'"), std::to_string(w) + " " + std::to_string(h));
  const pk::gdi::Pixels png = ReadPng(path, w, h);
  ASSERT_EQ(png.colour.size(), size_t(w) * h);
  ExpectChildInPicture(png, dlg, GetDlgItem(dlg, 401));
  ExpectChildInPicture(png, dlg, list);
  EXPECT_FALSE(pk::ui::RenderToPng(dlg, "/nonexistent-folder/x.png"));
  EXPECT_FALSE(pk::ui::RenderToPng(nullptr, path));
}

HMODULE gPagesModule = nullptr;
INT_PTR PlainPage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A sheet of the three test pages.
LONG SheetPages(PPROPSHEETUI_INFO info, LPARAM lp) {
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    for (int id : {300, 310, 320}) {
      PROPSHEETPAGEW page{};
      page.dwSize = sizeof page;
      page.hInstance = gPagesModule;
      page.pszTemplate = MAKEINTRESOURCEW(id);
      page.pfnDlgProc = &PlainPage;
      HPROPSHEETPAGE h = CreatePropertySheetPageW(&page);
      if (!h || !info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE, reinterpret_cast<LPARAM>(h), 0))
        return -1;
    }
  }
  if (info->Reason == PROPSHEETUI_REASON_GET_INFO_HEADER)
    reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lp)->pTitle = const_cast<LPWSTR>(u"Printer Properties");
  return 1;
}

TEST_F(PaintTest, APropertySheetIsWrittenWithItsFrameTabsAndActivePage) {
  gPagesModule = module_;
  const std::string path = ::testing::TempDir() + "paint_sheet.png";
  bool rendered = false;
  pk::ui::QueueSheetScript([&](pk::ui::PropertySheet& sheet) {
    ASSERT_TRUE(sheet.ShowPage(1));
    pk::ui::Click(GetDlgItem(sheet.Page(1), 311));
    rendered = pk::ui::RenderToPng(sheet.Frame(), path);
    RECT r;
    GetWindowRect(sheet.Frame(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(Shell("/usr/bin/identify -format '%w %h' '" + path + "'"), std::to_string(w) + " " + std::to_string(h));
    const pk::gdi::Pixels png = ReadPng(path, w, h);
    ASSERT_EQ(png.colour.size(), size_t(w) * h);
    ExpectChildInPicture(png, sheet.Frame(), GetDlgItem(sheet.Page(1), 311));
    // The active tab is drawn in the window colour, the others on the face.
    HWND tabs = sheet.TabControl();
    pk::gdi::Pixels t = ReadBack(tabs, ClientOf(tabs));
    EXPECT_GT(Count(t, Sys(COLOR_WINDOW), RECT{0, 0, t.width, 24}), 100);
    ExpectChildInPicture(png, sheet.Frame(), tabs, 24);  // the page lies over the rest
    sheet.PressCancel();
  });
  HMODULE compstui = LoadLibraryW(u"compstui.dll");
  ASSERT_NE(compstui, nullptr);
  auto entry = reinterpret_cast<decltype(&CommonPropertySheetUIW)>(GetProcAddress(compstui, "CommonPropertySheetUIW"));
  ASSERT_NE(entry, nullptr);
  DWORD result = 0;
  entry(nullptr, &SheetPages, 0, &result);
  FreeLibrary(compstui);
  EXPECT_TRUE(rendered);
  EXPECT_EQ(Shell("pngcheck -q '" + path + "'"), "");
}

}  // namespace

namespace {

// Records the paint cycle's messages and what BeginPaint gave.
std::vector<UINT>* gHeard = nullptr;
PAINTSTRUCT gLastPaint{};
WNDPROC gEditProc = nullptr;
LRESULT HearingEdit(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (gHeard && (msg == WM_ERASEBKGND || msg == WM_PAINT)) gHeard->push_back(msg);
  if (msg == WM_PAINT) {
    BeginPaint(h, &gLastPaint);
    EndPaint(h, &gLastPaint);
    return 0;
  }
  return CallWindowProcW(gEditProc, h, msg, wp, lp);
}

TEST_F(PaintTest, InvalidateRectAsksForEraseOnlyWhenTold) {
  HWND dlg = OpenPainted();
  HWND edit = GetDlgItem(dlg, 405);
  std::vector<UINT> heard;
  gHeard = &heard;
  gEditProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, LONG_PTR(&HearingEdit)));
  struct Case {
    RECT rect;
    BOOL erase;
    std::vector<UINT> heard;
  };
  const Case cases[] = {{{2, 3, 10, 8}, FALSE, {WM_PAINT}}, {{1, 1, 4, 4}, TRUE, {WM_PAINT, WM_ERASEBKGND}}};
  for (const Case& c : cases) {
    heard.clear();
    ASSERT_TRUE(InvalidateRect(edit, &c.rect, c.erase));
    PumpMessages();  // an idle queue paints what waits
    EXPECT_EQ(heard, c.heard);
    EXPECT_EQ(gLastPaint.rcPaint.left, c.rect.left);
    EXPECT_EQ(gLastPaint.rcPaint.bottom, c.rect.bottom);
    EXPECT_EQ(gLastPaint.fErase, FALSE);  // the default procedure erased
  }
  // Two rectangles wait as their union; once painted nothing waits.
  RECT a{1, 1, 3, 3}, b{5, 6, 9, 7};
  InvalidateRect(edit, &a, FALSE);
  InvalidateRect(edit, &b, FALSE);
  heard.clear();
  PumpMessages();
  EXPECT_EQ(gLastPaint.rcPaint.right, 9);
  EXPECT_EQ(gLastPaint.rcPaint.top, 1);
  heard.clear();
  PumpMessages();
  EXPECT_TRUE(heard.empty());
  gHeard = nullptr;
}

TEST_F(PaintTest, TrackBarsScrollBarsAndDisabledButtonsShowTheirState) {
  HWND dlg = OpenPainted();
  HWND track = CreateWindowExW(0, TRACKBAR_CLASSW, u"", WS_CHILD | WS_VISIBLE, 10, 150, 120, 30, dlg, HMENU(500),
                               nullptr, nullptr);
  HWND button = CreateWindowExW(0, u"Button", u"Apply", WS_CHILD | WS_VISIBLE, 150, 150, 60, 24, dlg, HMENU(501),
                                nullptr, nullptr);
  ASSERT_TRUE(track && button);
  UpdateWindow(dlg);
  auto thumbAt = [&] {
    pk::gdi::Pixels p = ReadBack(track, ClientOf(track));
    for (int x = 0; x < p.width; ++x)
      if (p.colour[size_t(p.height / 2) * p.width + x] == Sys(COLOR_HIGHLIGHT)) return x;
    return -1;
  };
  SendMessageW(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  SendMessageW(track, TBM_SETPOS, TRUE, 0);
  const int left = thumbAt();
  SendMessageW(track, TBM_SETPOS, TRUE, 10);
  const int right = thumbAt();
  EXPECT_GE(left, 0);
  EXPECT_GT(right, left + 80);
  EXPECT_GT(Count(ReadBack(button, ClientOf(button)), Sys(COLOR_BTNTEXT), ClientOf(button)), 10);
  EnableWindow(button, FALSE);
  pk::gdi::Pixels off = ReadBack(button, ClientOf(button));
  EXPECT_EQ(Count(off, Sys(COLOR_BTNTEXT), RECT{1, 1, off.width - 1, off.height - 1}), 0);
  EXPECT_GT(Count(off, Sys(COLOR_GRAYTEXT), ClientOf(button)), 10);
}

TEST_F(PaintTest, SystemColourBrushesOutliveDeleteObject) {
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
  DeleteObject(face);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(GetDC(nullptr), 4, 4);
  HGDIOBJ old = SelectObject(dc, bm);
  RECT r{0, 0, 4, 4};
  EXPECT_EQ(FillRect(dc, &r, face), 1);
  pk::gdi::Pixels p;
  pk::gdi::ReadBitmapPixels(bm, &p);
  EXPECT_EQ(p.colour[15], Sys(COLOR_BTNFACE));
  // COLOR_x + 1 names the system colour.
  EXPECT_EQ(FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1)), 1);
  pk::gdi::ReadBitmapPixels(bm, &p);
  EXPECT_EQ(p.colour[0], Sys(COLOR_HIGHLIGHT));
  SelectObject(dc, old);
  DeleteObject(bm);
  DeleteDC(dc);
}

}  // namespace

namespace {

TEST_F(PaintTest, AWindowsDcDrawsOnItsWindowOnly) {
  HWND dlg = OpenPainted();
  HWND edit = GetDlgItem(dlg, 405);
  const SIZE_T dcs = pk::seams::LiveWindowDcs();
  HDC dc = GetDC(edit);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(pk::seams::LiveWindowDcs(), dcs + 1);
  HBITMAP bm = CreateCompatibleBitmap(dc, 4, 4);
  EXPECT_EQ(SelectObject(dc, bm), nullptr);
  EXPECT_FALSE(DeleteDC(dc));  // released, not deleted
  RECT r{0, 0, 3, 2};
  EXPECT_EQ(FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1)), 1);
  EXPECT_EQ(ReleaseDC(edit, dc), 1);
  EXPECT_EQ(pk::seams::LiveWindowDcs(), dcs);
  EXPECT_EQ(Count(ReadBack(edit, ClientOf(edit)), Sys(COLOR_HIGHLIGHT), ClientOf(edit)), 6);
  EXPECT_TRUE(DeleteObject(bm));
  // A destroyed window's DC is gone with it: GetDC then gives the display's.
  DestroyWindow(dlg);
  HDC after = GetDC(edit);
  EXPECT_NE(after, dc);
  EXPECT_EQ(pk::seams::LiveWindowDcs(), dcs);
  ReleaseDC(edit, after);
}

}  // namespace
