// MulDiv: scaling by a ratio without intermediate overflow.
#pragma once

#include "platform/win/win_types.h"

extern "C" {
// nNumber * nNumerator / nDenominator over a 64-bit product, rounded to the
// nearest (halves away from zero); -1 for a zero divisor or a result outside
// 32 bits.
PKAPI int MulDiv(int nNumber, int nNumerator, int nDenominator);
}
