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
