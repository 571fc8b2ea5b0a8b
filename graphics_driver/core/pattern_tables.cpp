// The pattern tables (see pattern_tables.h), computed from their threshold
// matrices on first use.
#include "graphics_driver/core/pattern_tables.h"

#include <algorithm>

namespace {

// Threshold of each dot of the 16 x 16 halftone cell: every value 1..256 once.
constexpr uint16_t kThreshold[16][16] = {
    {31, 63, 149, 245, 229, 197, 109, 13, 29, 61, 151, 247, 231, 199, 111, 15},
    {127, 95, 181, 213, 133, 165, 77, 45, 125, 93, 183, 215, 135, 167, 79, 47},
    {203, 171, 67, 99, 51, 83, 186, 154, 202, 170, 66, 98, 50, 82, 187, 155},
    {235, 139, 35, 3, 19, 115, 218, 250, 234, 138, 34, 2, 18, 114, 219, 251},
    {227, 195, 107, 11, 27, 59, 146, 242, 226, 194, 106, 10, 26, 58, 147, 243},
    {131, 163, 75, 43, 123, 91, 178, 210, 130, 162, 74, 42, 122, 90, 179, 211},
    {54, 86, 192, 160, 208, 176, 72, 104, 56, 88, 190, 158, 206, 174, 70, 102},
    {22, 118, 224, 256, 240, 144, 40, 8, 24, 120, 222, 254, 238, 142, 38, 6},
    {30, 62, 152, 248, 232, 200, 112, 16, 32, 64, 150, 246, 230, 198, 110, 14},
    {126, 94, 184, 216, 136, 168, 80, 48, 128, 96, 182, 214, 134, 166, 78, 46},
    {201, 169, 65, 97, 49, 81, 188, 156, 204, 172, 68, 100, 52, 84, 185, 153},
    {233, 137, 33, 1, 17, 113, 220, 252, 236, 140, 36, 4, 20, 116, 217, 249},
    {225, 193, 105, 9, 25, 57, 148, 244, 228, 196, 108, 12, 28, 60, 145, 241},
    {129, 161, 73, 41, 121, 89, 180, 212, 132, 164, 76, 44, 124, 92, 177, 209},
    {55, 87, 189, 157, 205, 173, 69, 101, 53, 85, 191, 159, 207, 175, 71, 103},
    {23, 119, 221, 253, 237, 141, 37, 5, 21, 117, 223, 255, 239, 143, 39, 7},
};

// Whitening order of the 6 x 6 block of the grey cells; 0 stands for the dot
// that turns white at 19 or 20 by the parity of its block.
constexpr uint8_t kGreyOrder[6][6] = {
    {18, 13, 2, 3, 12, 19}, {17, 10, 7, 6, 9, 16}, {5, 8, 15, 14, 11, 4},
    {3, 12, 0, 18, 13, 2},  {6, 9, 16, 17, 10, 7}, {14, 11, 4, 5, 8, 15},
};

void SetDot(BYTE* cell, uint32_t rowBytes, uint32_t r, uint32_t c) {
  cell[r * rowBytes + c / 8] |= BYTE(0x80 >> (c % 8));
}

struct Tables {
  BYTE halftone[kHalftoneCellCount][kHalftoneRowBytes * kHalftoneRows] = {};
  BYTE hatch[kHatchSlotCount][kLargeCellBytes] = {};
  BYTE grey[kGreyCellCount][kLargeCellBytes] = {};

  Tables() {
    for (uint32_t g = 0; g < kHalftoneCellCount; ++g)
      for (uint32_t r = 0; r < 16; ++r)
        for (uint32_t c = 0; c < 16; ++c)
          if (kThreshold[r][c] > g) SetDot(halftone[g], kHalftoneRowBytes, r, c);

    for (uint32_t r = 0; r < kLargeCellRows; ++r)
      for (uint32_t c = 0; c < kLargeCellRows; ++c) {
        const bool horizontal = r == 11 || r == 12, vertical = c == 11 || c == 12;
        const bool forward = c == r, backward = c == 23 - r;
        if (horizontal) SetDot(hatch[2], kLargeCellRowBytes, r, c);
        if (vertical) SetDot(hatch[3], kLargeCellRowBytes, r, c);
        if (forward) SetDot(hatch[4], kLargeCellRowBytes, r, c);
        if (backward) SetDot(hatch[5], kLargeCellRowBytes, r, c);
        if (horizontal || vertical) SetDot(hatch[6], kLargeCellRowBytes, r, c);
        if (forward || backward) SetDot(hatch[7], kLargeCellRowBytes, r, c);
        uint32_t order = kGreyOrder[r % 6][c % 6];
        if (order == 0) order = (r / 6 + c / 6) % 2 == 0 ? 19 : 20;
        for (uint32_t i = 2; i < kGreyCellCount; ++i)
          if (order <= i) SetDot(grey[i], kLargeCellRowBytes, r, c);
      }
    std::copy(hatch[2], hatch[2] + kLargeCellBytes, hatch[0]);
    std::copy(hatch[2], hatch[2] + kLargeCellBytes, hatch[1]);
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

const BYTE* HalftoneCell(uint32_t grey) { return TheTables().halftone[std::min(grey, kHalftoneCellCount - 1)]; }

const BYTE* HatchCell(uint32_t slot) { return TheTables().hatch[slot < kHatchSlotCount ? slot : 2]; }

const BYTE* GreyCell(uint32_t index) { return TheTables().grey[std::min(index, kGreyCellCount - 1)]; }
