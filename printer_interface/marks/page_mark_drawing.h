// Drawing the stamp and the labels onto the application's device context at
// the end of a page, from the page mark query the graphics driver answered.
#pragma once

#include "platform/win/win_types.h"
#include "settings/services/escape_records.h"

// 1 drawn, -1 failed. `devMode` is the driver's 4700-byte working DEVMODE.
int DrawStampMark(HDC hdc, const void* devMode, const PageMarkQuery* query);
int DrawLabelMarks(HDC hdc, const void* devMode, const PageMarkQuery* query);
