// One stamp or label text drawn into the application's DC: measured in its
// converted font, placed once or tiled by the stamp placement geometry, each
// copy announced to the graphics driver by its mark offset, optionally framed.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/gdi/printer_dc.h"
#include "platform/win/win_muldiv.h"
#include "printer_interface/stamps/stamp_drawing.h"

namespace {

// tan 15 degrees: the slant an italic face adds to a text's width.
constexpr float kItalicSlant = 0.2679492f;
// Frame pens are this share of the converted font height.
constexpr double kBoldPenShare = 0.07;
constexpr double kPenShare = 0.06;
// Coordinates are kept within this bound, so the differences of two of them
// and the DC's origins still fit 32 bits.
constexpr float kCoordinateBound = 536870912.0f;

// Truncation toward zero that stays defined for any float.
LONG Trunc(float v) {
  if (std::isnan(v)) return 0;
  if (v >= kCoordinateBound) return static_cast<LONG>(kCoordinateBound);
  if (v <= -kCoordinateBound) return -static_cast<LONG>(kCoordinateBound);
  return static_cast<LONG>(v);
}

// Points to dots, negated as the font wants it (a size in dots, not cells).
LONG NegatedDots(LONG points, int resolution) {
  const int64_t dots = MulDiv(points, resolution, 72);
  return static_cast<LONG>(dots == INT32_MIN ? INT32_MAX : -dots);
}

// Everything the drawing changes is undone on every way out: the created
// objects are deselected and deleted, then the saved DC state comes back.
struct DcScope {
  HDC hdc = nullptr;
  int saved = 0;
  HGDIOBJ oldFont = nullptr, oldPen = nullptr, oldBrush = nullptr;
  HFONT font = nullptr;
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  ~DcScope() {
    if (oldBrush) SelectObject(hdc, oldBrush);
    if (oldPen) SelectObject(hdc, oldPen);
    if (oldFont) SelectObject(hdc, oldFont);
    if (brush) DeleteObject(brush);
    if (pen) DeleteObject(pen);
    if (font) DeleteObject(font);
    if (saved) RestoreDC(hdc, saved);
  }
};

bool SendMarkOffset(HDC hdc, LONG x, LONG y) {
  const int32_t offset[2] = {x, y};
  return ExtEscape(hdc, ESC_SET_MARK_OFFSET, sizeof offset, reinterpret_cast<LPCSTR>(offset), 0, nullptr) > 0;
}

}  // namespace

int ComputeStampFrame(const StampPlacement* placement, int frameKind, const float origin[2], const float box[2],
                      int penWidth, uint32_t copy, POINT corners[4]) {
  if (!placement || !origin || !box || !corners) return 0;
  const float bw = box[0], bh = box[1];
  const float h2 = static_cast<float>(penWidth / 2);
  float q[2];
  if (frameKind == kStampFrameEllipse) {
    const float centre[2] = {origin[0] + bw / 2, origin[1] + bh / 2};
    if (PlaceStampCopy(placement, centre, copy, q) != 0) return 0;
    corners[0] = POINT{Trunc(q[0] - bw / 2 + h2), Trunc(q[1] - bh / 2 + h2)};
    corners[1] = POINT{Trunc(q[0] + bw / 2 - h2), Trunc(q[1] + bh / 2 - h2)};
    return 1;
  }
  if (frameKind != kStampFrameRectangle) return 0;
  // Walk the box's edges pen width / 2 inside it, each corner turned with the copy.
  const float inner[2] = {bw - static_cast<float>(penWidth), bh - static_cast<float>(penWidth)};
  float p[2] = {origin[0] + h2, origin[1] + h2};
  const float steps[4][2] = {{0, 0}, {inner[0], 0}, {0, inner[1]}, {-inner[0], 0}};
  for (int i = 0; i < 4; ++i) {
    p[0] += steps[i][0];
    p[1] += steps[i][1];
    if (PlaceStampCopy(placement, p, copy, q) != 0) return 0;
    corners[i] = POINT{Trunc(q[0]), Trunc(q[1])};
  }
  return 1;
}

int DrawStampText(HDC hdc, const PageMarkQuery* query, int resolution, WORD positionCode, const LOGFONTW* font,
                  std::u16string_view text, COLORREF colour, int frameKind, bool firstRectangle) {
  if (!hdc || !query || !font) return -1;
  // 1. A plain DC: device units, text by its top-left, origin at the corner,
  // no background, no clip.
  DcScope scope;
  scope.hdc = hdc;
  scope.saved = SaveDC(hdc);
  if (scope.saved == 0) return -1;
  SetMapMode(hdc, MM_TEXT);
  SetTextAlign(hdc, TA_LEFT | TA_TOP);
  SetViewportOrgEx(hdc, 0, 0, nullptr);
  SetBkMode(hdc, TRANSPARENT);
  SelectClipRgn(hdc, nullptr);

  // 2. The font in dots; the face name cut to its field and terminated.
  LOGFONTW lf = *font;
  lf.lfWidth = NegatedDots(font->lfWidth, resolution);
  lf.lfHeight = NegatedDots(font->lfHeight, resolution);
  lf.lfFaceName[LF_FACESIZE - 1] = 0;
  scope.font = CreateFontIndirectW(&lf);
  if (!scope.font) return -1;
  scope.oldFont = SelectObject(hdc, scope.font);
  if (!scope.oldFont) return -1;

  // 3. The text's size; an italic face leans out by tan 15 degrees of its height.
  const std::u16string whole(text);
  RECT rect{0, 0, 0, 0};
  if (DrawTextW(hdc, whole.c_str(), static_cast<int>(whole.size()), &rect, DT_CALCRECT | DT_NOCLIP) == 0) return -1;
  float w = static_cast<float>(rect.right - rect.left), h = static_cast<float>(rect.bottom - rect.top);
  // An empty text has nothing to place and would give an empty tile.
  if (!(w > 0) || !(h > 0)) return 1;
  if (lf.lfItalic) w = w + h * kItalicSlant;

  // 4. The area and 5. the origin everything is placed from.
  const float* r = firstRectangle ? query->stampArea : query->sheetArea;
  float area[2] = {std::fabs(r[2] - r[0]), std::fabs(r[3] - r[1])};
  // A positioned page stamp goes on the logical page as the application
  // draws it: the DC's printable area, which the driver places into the
  // page's cell. The cell's own size is in sheet dots (half a sheet on two
  // pages per sheet) and the paper runs past the printable area, so either
  // would put a corner stamp off the page or inside it. A label is moved by
  // the driver within the same page: placed on the paper, one at the right
  // or bottom would fall past the page and be lost. Tiles may run past it.
  // Labels belong to the sheet, whose frame the sheet rectangle gives: on
  // two pages per sheet it is turned against the page, and so is the
  // printable area they are placed in.
  if (firstRectangle || positionCode != kStampTile) {
    int width = GetDeviceCaps(hdc, HORZRES), height = GetDeviceCaps(hdc, VERTRES);
    if (!firstRectangle && (area[0] > area[1]) != (width > height)) std::swap(width, height);
    if (width > 0 && height > 0) area[0] = static_cast<float>(width), area[1] = static_cast<float>(height);
  }
  POINT windowOrg{0, 0};
  if (!GetWindowOrgEx(hdc, &windowOrg)) return -1;
  const float o[2] = {static_cast<float>(windowOrg.x), static_cast<float>(windowOrg.y)};

  // 6. The frame: a pen of a share of the font height, a hollow brush, and a
  // box with the text centred in it.
  const bool framed = frameKind == kStampFrameRectangle || frameKind == kStampFrameEllipse;
  int pw = 0;
  float anchor[2] = {o[0], o[1]};
  float item[2] = {w, h};
  if (framed) {
    // The height's magnitude: a negative stored height means the same size.
    const double dots = std::fabs(static_cast<double>(MulDiv(font->lfHeight, resolution, 72)));
    pw = static_cast<int>(dots * (font->lfWeight == FW_BOLD ? kBoldPenShare : kPenShare));
    const LOGPEN lp{PS_SOLID, POINT{pw, 0}, colour};
    const LOGBRUSH lb{BS_NULL, 0, 0};
    scope.pen = CreatePenIndirect(&lp);
    scope.brush = CreateBrushIndirect(&lb);
    if (!scope.pen || !scope.brush) return -1;
    scope.oldPen = SelectObject(hdc, scope.pen);
    if (!scope.oldPen) return -1;
    scope.oldBrush = SelectObject(hdc, scope.brush);
    if (!scope.oldBrush) return -1;
    const float fpw = static_cast<float>(pw);
    if (frameKind == kStampFrameRectangle) {
      item[0] = w * 1.2f + fpw;
      item[1] = h * 1.2f + fpw;
    } else {
      item[0] = item[1] = std::sqrt(w * w + h * h) + 2 * fpw;
    }
    anchor[0] = o[0] + item[0] / 2 - w / 2;
    anchor[1] = o[1] + item[1] / 2 - h / 2;
  }

  // 7. and 8. The copies.
  const int16_t angle = static_cast<int16_t>(lf.lfEscapement / 10);
  StampPlacement placement;
  const int copies =
      ComputeStampPlacement(area, item, angle, static_cast<uint16_t>(frameKind), positionCode, &placement);
  if (copies < 0) return -1;

  // 9. Ink.
  SetROP2(hdc, R2_COPYPEN);
  SetTextColor(hdc, colour);

  // 10. Each copy: its offset to the driver (not for a positioned stamp),
  // the text where copy 0 goes (a label at the origin), and its frame.
  const bool tiled = positionCode == kStampTile;
  float first[2];
  if (PlaceStampCopy(&placement, anchor, 0, first) != 0) return -1;
  for (int i = 0; i < copies; ++i) {
    float q[2];
    if (PlaceStampCopy(&placement, anchor, static_cast<uint32_t>(i), q) != 0) return -1;
    // Whatever the driver is told to move by is taken off the drawing, so
    // that a copy is not moved twice (also for a stamp tiled over the first
    // rectangle).
    LONG d[2] = {0, 0};
    if (tiled || !firstRectangle) {
      for (int k = 0; k < 2; ++k) d[k] = tiled ? Trunc(q[k] - first[k]) : Trunc(first[k]);
      if (!SendMarkOffset(hdc, d[0], d[1])) return -1;
      q[0] -= static_cast<float>(d[0]);
      q[1] -= static_cast<float>(d[1]);
    }
    if (!TextOutW(hdc, Trunc(q[0]), Trunc(q[1]), whole.c_str(), static_cast<int>(whole.size()))) return -1;
    if (!framed) continue;
    POINT corners[4] = {};
    if (ComputeStampFrame(&placement, frameKind, o, item, pw, static_cast<uint32_t>(i), corners) != 1) return -1;
    if (tiled)
      for (POINT& c : corners) {
        c.x -= d[0];
        c.y -= d[1];
      }
    const BOOL drawn = frameKind == kStampFrameRectangle
                           ? Polygon(hdc, corners, 4)
                           : Ellipse(hdc, corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    if (!drawn) return -1;
  }
  // 11. The DC comes back as it was (DcScope).
  return 1;
}
