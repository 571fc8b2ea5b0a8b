// The rotation buffer: a scratch block, grown as needed, into which images
// are turned a quarter turn clockwise before they go out.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

struct RotationBuffer {
  uint32_t capacity;  // bytes of block
  uint32_t reserved;
  BYTE* block;
};
static_assert(sizeof(RotationBuffer) == 16);

RotationBuffer* CreateRotationBuffer();
// 0, or 1 when the record claims a capacity without a block (it is freed all
// the same).
int FreeRotationBuffer(RotationBuffer* buffer);
// Turns width x rows pixels of 8, 16, 24 or 32 bits (rows rowBytes apart) a
// quarter turn clockwise into the buffer: source pixel (x, y) lands in row x,
// column rows - 1 - y, the rows of the result rounded up to a multiple of
// align bytes. 0 with *out at the result; 1, with nothing written, for
// another depth, rows shorter than their pixels, a result larger than 4 GB
// or one that cannot be allocated.
int RotateImage(RotationBuffer* buffer, uint32_t width, uint32_t rows, uint32_t rowBytes, uint32_t bitsPerPixel,
                const BYTE* pixels, uint32_t align, BYTE** out);
