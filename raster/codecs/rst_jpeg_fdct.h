// The JPEG encoder's forward DCT: integer-only, two passes of an 8-point
// transform (rows into columns of a work block, then again), so the block
// ends in natural order with the vertical frequency as row and coefficients
// scaled as T.81 defines them.
#pragma once

#include <cstdint>

// In place on 64 integers (samples level-shifted by -128).
void rst_jpeg_fdct(int32_t* block);
