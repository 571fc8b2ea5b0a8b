// The preset colours of stamps and the grey conversion of pixel rows that
// the sample pictures use.
#pragma once

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/win/win_types.h"

// The preset colour of key 1-7 (index -1) or of index 0-6: 1 with the
// colour; 0 for another key or index (key 8 is a known key without a colour).
int GetPresetColor(int key, COLORREF* colour, int index);

// One grey byte per three bytes (c0, c1, c2): the common value when all
// three are equal, else ((c0 + c2) x 85 + c1 x 86) / 256. Rows follow each
// other without padding.
void ConvertRowToGrey(const BYTE* pixels, BYTE* grey, int pixelsPerRow, int rows);
