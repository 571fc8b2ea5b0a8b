// DeleteObject over every kind of GDI object: palettes and the fonts, pens and
// brushes of device contexts share one handle sequence, so each handle is
// deleted once by its own kind and a stale one fails.
#include <gtest/gtest.h>

#include <set>

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/gdi/printer_dc.h"
#include "platform/win/win_error.h"

TEST(GdiObjects, DeleteObjectTakesPalettesPensAndBrushesOnce) {
  LOGPALETTE palette{0x300, 1, {{1, 2, 3, 0}}};
  HPALETTE pal = CreatePalette(&palette);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  ASSERT_TRUE(pal && pen && brush);
  std::set<HGDIOBJ> distinct{reinterpret_cast<HGDIOBJ>(pal), reinterpret_cast<HGDIOBJ>(pen),
                             reinterpret_cast<HGDIOBJ>(brush)};
  EXPECT_EQ(distinct.size(), 3u);
  const SIZE_T palettes = pk::seams::LivePalettes();
  for (HGDIOBJ h : distinct) EXPECT_TRUE(DeleteObject(h));
  EXPECT_EQ(pk::seams::LivePalettes(), palettes - 1);
  for (HGDIOBJ h : distinct) {
    SetLastError(0);
    EXPECT_FALSE(DeleteObject(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
}
