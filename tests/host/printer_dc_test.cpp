// Printer DCs over a recording back end: state handed with each drawing call,
// selection and deletion of GDI objects, saved states, the viewport origin,
// DrawTextW's measuring, and stale handles.
#include <gtest/gtest.h>

#include "platform/gdi/printer_dc.h"

namespace {

struct Recorder : pkgdi::PrinterDcBackEnd {
  std::vector<std::string> calls;
  pkgdi::DcState last;
  int Escape(int code, int cjIn, const void*, int cjOut, void*) override {
    calls.push_back("escape " + std::to_string(code) + " " + std::to_string(cjIn) + " " + std::to_string(cjOut));
    return 1;
  }
  int StartPage() override {
    calls.push_back("startpage");
    return 1;
  }
  int EndPage() override {
    calls.push_back("endpage");
    return 1;
  }
  bool TextOut(const pkgdi::DcState& dc, POINT at, const std::u16string& text) override {
    last = dc;
    calls.push_back("text " + std::to_string(at.x) + "," + std::to_string(at.y) + " " + std::to_string(text.size()));
    return true;
  }
  bool MeasureText(const pkgdi::DcState&, const std::u16string& text, SIZE* size) override {
    size->cx = static_cast<LONG>(10 * text.size());
    size->cy = 20;
    return true;
  }
  bool Polygon(const pkgdi::DcState& dc, const std::vector<POINT>& pts) override {
    last = dc;
    calls.push_back("polygon " + std::to_string(pts.size()) + " " + std::to_string(pts[0].x));
    return true;
  }
  bool Ellipse(const pkgdi::DcState& dc, const RECT& box) override {
    last = dc;
    calls.push_back("ellipse " + std::to_string(box.left) + "," + std::to_string(box.top));
    return true;
  }
  bool Rectangle(const pkgdi::DcState&, const RECT&) override { return true; }
  int DeviceCaps(int index) override { return index == LOGPIXELSX ? 600 : 0; }
};

TEST(PrinterDcTest, StateObjectsAndCallsReachTheBackEnd) {
  Recorder rec;
  size_t before = pkgdi::LiveGdiObjects();
  HDC dc = pkgdi::CreatePrinterDc(&rec);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
  EXPECT_EQ(ExtEscape(dc, 0x5001, 4, "abcd", 44, nullptr), 1);  // no output buffer: no output size
  EXPECT_EQ(StartPage(dc), 1);

  LOGFONTW lf{};
  lf.lfHeight = -50;
  lf.lfWeight = FW_BOLD;
  HFONT font = CreateFontIndirectW(&lf);
  HPEN pen = CreatePen(PS_DASH, 3, RGB(255, 0, 0));
  HGDIOBJ oldFont = SelectObject(dc, font);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  EXPECT_EQ(oldFont, GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  EXPECT_FALSE(DeleteObject(font));  // still selected
  SetTextColor(dc, RGB(0, 0, 255));
  SetBkMode(dc, TRANSPARENT);

  int saved = SaveDC(dc);
  EXPECT_EQ(saved, 1);
  SetViewportOrgEx(dc, 100, 200, nullptr);
  EXPECT_TRUE(TextOutW(dc, 5, 6, u"abc", 3));
  EXPECT_EQ(rec.last.font.lfHeight, -50);
  EXPECT_EQ(rec.last.pen.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(rec.last.textColor, RGB(0, 0, 255));
  EXPECT_EQ(rec.last.bkMode, TRANSPARENT);
  EXPECT_TRUE(RestoreDC(dc, saved));
  POINT pts[3] = {{1, 1}, {5, 1}, {3, 4}};
  EXPECT_TRUE(Polygon(dc, pts, 3));  // the viewport origin is back at (0, 0)
  EXPECT_FALSE(Polygon(dc, pts, 1));
  EXPECT_TRUE(Ellipse(dc, 7, 8, 20, 30));

  RECT r{10, 10, 10, 10};
  EXPECT_EQ(DrawTextW(dc, u"four", -1, &r, DT_CALCRECT | DT_NOCLIP), 20);
  EXPECT_EQ(r.right, 50);
  EXPECT_EQ(r.bottom, 30);
  EXPECT_EQ(EndPage(dc), 1);
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"escape 20481 4 0", "startpage", "text 105,206 3", "polygon 3 1",
                                                 "ellipse 7,8", "endpage"}));

  SelectObject(dc, oldFont);
  SelectObject(dc, oldPen);
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(pkgdi::LiveGdiObjects(), before);
  pkgdi::DeletePrinterDc(dc);
  // A deleted DC answers nothing.
  EXPECT_EQ(StartPage(dc), -1);
  EXPECT_FALSE(TextOutW(dc, 0, 0, u"x", 1));
  EXPECT_EQ(SaveDC(dc), 0);
}

TEST(PrinterDcTest, BadObjectsAreRefused) {
  LOGPEN badPen{99, {1, 0}, 0};
  EXPECT_EQ(CreatePenIndirect(&badPen), nullptr);
  LOGBRUSH badHatch{BS_HATCHED, 0, 9};
  EXPECT_EQ(CreateBrushIndirect(&badHatch), nullptr);
  Recorder rec;
  HDC dc = pkgdi::CreatePrinterDc(&rec);
  EXPECT_EQ(SelectObject(dc, reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
  EXPECT_FALSE(RestoreDC(dc, 1));
  EXPECT_EQ(ExtEscape(dc, 1, -1, nullptr, 0, nullptr), -1);
  pkgdi::DeletePrinterDc(dc);
}

// The raster operation is kept; the window origin moves drawing the other way
// from the viewport origin; both come back with a saved state.
TEST(PrinterDcTest, RasterOperationAndWindowOrigin) {
  Recorder rec;
  HDC dc = pkgdi::CreatePrinterDc(&rec);
  EXPECT_EQ(SetROP2(dc, R2_BLACK), R2_COPYPEN);
  EXPECT_EQ(SetROP2(dc, 0), 0);
  EXPECT_EQ(SetROP2(dc, 17), 0);
  POINT org{-1, -1};
  ASSERT_TRUE(GetWindowOrgEx(dc, &org));
  EXPECT_EQ(org.x, 0);
  EXPECT_EQ(org.y, 0);
  EXPECT_FALSE(GetWindowOrgEx(dc, nullptr));

  const int level = SaveDC(dc);
  ASSERT_GT(level, 0);
  ASSERT_TRUE(SetWindowOrgEx(dc, 30, 40, &org));
  EXPECT_EQ(org.x, 0);
  ASSERT_TRUE(SetViewportOrgEx(dc, 5, 6, nullptr));
  EXPECT_EQ(SetROP2(dc, R2_WHITE), R2_BLACK);
  ASSERT_TRUE(TextOutW(dc, 100, 100, u"abc", 3));
  POINT pts[3] = {{30, 40}, {31, 40}, {30, 41}};
  ASSERT_TRUE(Polygon(dc, pts, 3));
  EXPECT_EQ(rec.last.rop2, R2_WHITE);
  // Origins far apart do not overflow a coordinate.
  ASSERT_TRUE(SetWindowOrgEx(dc, INT32_MIN, 0, nullptr));
  ASSERT_TRUE(TextOutW(dc, INT32_MAX, 0, u"a", 1));
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"text 75,66 3", "polygon 3 5", "text 2147483647,6 1"}));

  ASSERT_TRUE(RestoreDC(dc, level));
  ASSERT_TRUE(GetWindowOrgEx(dc, &org));
  EXPECT_EQ(org.x, 0);
  EXPECT_EQ(org.y, 0);
  ASSERT_TRUE(TextOutW(dc, 1, 2, u"a", 1));
  EXPECT_EQ(rec.calls.back(), "text 1,2 1");
  EXPECT_EQ(rec.last.rop2, R2_BLACK);
  pkgdi::DeletePrinterDc(dc);
  EXPECT_FALSE(GetWindowOrgEx(dc, &org));
  EXPECT_FALSE(SetWindowOrgEx(dc, 1, 1, nullptr));
  EXPECT_EQ(SetROP2(dc, R2_COPYPEN), 0);
}

}  // namespace
