// The inverse DCTs of the JPEG decoder: full size (8 x 8), half (4 x 4),
// quarter (2 x 2) and eighth (1 x 1). The full-size one is the AAN scaled
// transform on coefficients dequantised with the AAN-scaled multipliers
// (10 fractional bits; 8-bit constants, truncating shifts); the reduced ones
// are the accurate integer transforms (13-bit constants) on plain multipliers,
// whose DC-only rows and the 1 x 1 truncate.
// The block holds 64 coefficients in natural order; multipliers, when given,
// dequantise them on the way in (null: the block is dequantised already).
// Products are taken in 64 bits, so hostile coefficients cannot overflow.
// Outputs go through the sample range table into out, rows stride bytes apart.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_context.h"

// Full size on a block already dequantised with the AAN multipliers (the
// multipliers argument is unused), and the same dequantising on the way in
// (progressive frames, whose stored coefficients are unscaled).
void rst_jpeg_idct_fast(const int32_t* block, const int32_t* multipliers, const int32_t* range, uint8_t* out,
                        int32_t stride);
void rst_jpeg_idct_fast_dequant(const int32_t* block, const int32_t* multipliers, const int32_t* range, uint8_t* out,
                                int32_t stride);
void rst_jpeg_idct_4x4(const int32_t* block, const int32_t* multipliers, const int32_t* range, uint8_t* out,
                       int32_t stride);
void rst_jpeg_idct_2x2(const int32_t* block, const int32_t* multipliers, const int32_t* range, uint8_t* out,
                       int32_t stride);
void rst_jpeg_idct_1x1(const int32_t* block, const int32_t* multipliers, const int32_t* range, uint8_t* out,
                       int32_t stride);

// Per component the inverse DCT and its reduction for the decode scale and
// the sampling pattern, and the divisors left to the resamplers; -2 for a
// scale other than 1, 2, 4 or 8.
int32_t rst_jpeg_select_idct(JpegCodecContext* c);
