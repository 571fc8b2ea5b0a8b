// The pattern tables of the band engine, built once: the grey halftone cells
// (16 x 16 dots, set bit = ink), the hatch cells of the six hatch styles and
// the grey cells of two-colour brushes (24 x 24 dots, set bit = white).
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

constexpr uint32_t kHalftoneCellCount = 257;
constexpr uint32_t kHalftoneRowBytes = 2;
constexpr uint32_t kHalftoneRows = 16;
constexpr uint32_t kLargeCellRowBytes = 3;
constexpr uint32_t kLargeCellRows = 24;
constexpr uint32_t kLargeCellBytes = kLargeCellRowBytes * kLargeCellRows;
constexpr uint32_t kHatchSlotCount = 8;
constexpr uint32_t kGreyCellCount = 21;

// Cell g (clamped to 256): ink where the threshold exceeds g, so cell 0 is
// solid and cell 256 blank. 32 bytes, top row first.
const BYTE* HalftoneCell(uint32_t grey);
// Hatch slot 0-7 (slots 2-7 are the styles in iHatch order, 0 and 1 repeat
// slot 2); a later slot reads as slot 2. 72 bytes.
const BYTE* HatchCell(uint32_t slot);
// Grey cell 0-20 (a later index reads as 20): set bits are white. 72 bytes.
const BYTE* GreyCell(uint32_t index);
