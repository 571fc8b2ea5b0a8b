// The plain fixed look of the standard controls (control_paint.cpp).
#pragma once

#include "platform/ui/win_window.h"

namespace pk::ui {

// Paints the control's look on `dc` (a DC on its backing bitmap); owner-drawn
// parts go to the owner as WM_DRAWITEM.
void PaintControl(HWND h, HDC dc);
// The part of a window's client area that shows on its parent (a closed
// combo box shows only its field).
RECT VisiblePart(HWND h);
// The system colour a window's background is erased with.
int BackgroundColour(HWND h);

}  // namespace pk::ui
