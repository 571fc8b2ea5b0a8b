// The driver's escapes: the standard queries QUERYESCSUPPORT, SETCOPYCOUNT
// and GETTECHNOLOGY, the application layout escapes (layout_escapes.h), and
// the private protocol through which the interface library reads and writes
// the driver's state around the stamps and labels it draws. Every block an
// escape takes comes from an application or the library and is taken only at
// the size its caller states.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// What DrvEscape answers: positive when done, 0 when not handled (with
// ERROR_INVALID_PARAMETER for a PDEV that is not valid), 0xFFFFFFFF (-1)
// for missing or short blocks or a step that failed.
ULONG HandleEscape(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);

// The interface library draws every tiled stamp copy and every label where
// the first one goes and sends the device offset of the one it draws next
// (escape 0x5004): its text, fills and paths are drawn that many dots away
// (on an N-up sheet into the sheet's marks, see sheet_marks.h) until a stamp
// or label bracket escape, the page's start or end, a band's start or the
// document's end puts it back. GDI plays the page's calls again in every
// band, the offsets and the closing brackets among them.
void ClearMarkOffset(PdevState* pdev);
