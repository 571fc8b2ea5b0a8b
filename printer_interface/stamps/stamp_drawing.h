// Drawing the stamp and the labels onto the application's device context at
// the end of a page, with ordinary GDI calls, so that they pass through the
// graphics driver like any other drawing. Bracket escapes tell the driver
// which calls belong to a stamp or to the labels, and a mark offset escape
// tells it where each tiled copy or label goes; the text itself is drawn
// where copy 0 (or, for a label, the origin) goes.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/win/win_logfont.h"
#include "platform/win/win_types.h"
#include "settings/services/escape_records.h"
#include "settings/store/stamp_placement.h"

// Frame kinds of a stamp.
constexpr int kStampFrameNone = 0;
constexpr int kStampFrameRectangle = 1;
constexpr int kStampFrameEllipse = 2;

// 1 drawn, -1 failed. `devMode` is the driver's 4700-byte working DEVMODE.
int DrawStampMark(HDC hdc, const void* devMode, const PageMarkQuery* query);
int DrawLabelMarks(HDC hdc, const void* devMode, const PageMarkQuery* query);

// Draws `text` in `font` (sizes in points, converted at `resolution` dots per
// inch; escapement in tenths of a degree) at the position code in the
// query's first rectangle (`firstRectangle`) or the second, tiled when the
// code is 0, with an optional frame. The DC is left as it was. 1 drawn (also
// when the text measures empty and nothing is drawn), -1 failed.
int DrawStampText(HDC hdc, const PageMarkQuery* query, int resolution, WORD positionCode, const LOGFONTW* font,
                  std::u16string_view text, COLORREF colour, int frameKind, bool firstRectangle);

// The frame of copy `copy`: for a rectangle the four corners (pen width / 2
// inside the box of size `box` at `origin`, turned with the copy), for an
// ellipse the bounding box as corners[0] (left, top) and corners[1] (right,
// bottom). 1, or 0 for any other kind or a missing argument.
int ComputeStampFrame(const StampPlacement* placement, int frameKind, const float origin[2], const float box[2],
                      int penWidth, uint32_t copy, POINT corners[4]);
