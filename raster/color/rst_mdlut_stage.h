// The table interpolation stage: a codec-protocol stage that converts the
// lines of the stage before it through a multi-dimensional lookup table with
// exact integer kernels. Its table is in stage order (the last input channel
// varies fastest) on the stage grid: with N - 1 = 2^k and shift = b - k, node
// i stands at i << shift, the last one at 2^b - 1.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_stage.h"

struct MDLUTLinearParam {
  uint8_t bits = 0;     // b: 8 or 16
  uint8_t inputs = 0;   // K
  uint8_t outputs = 0;  // M
  uint8_t grid_points = 0;
  // N^K x M samples of b bits in stage order; read only while the stage is made.
  const void* table = nullptr;
};

// The stage over previous, or an error instance carrying the failing status
// (previous then closed): -1 no memory; -2 missing arguments, N - 1 not a
// power of two, b other than 8 or 16, or K, M outside {3, 4}; -13 pixels of
// another layout than K samples of b bits; the previous stage's status. Null
// only when not even the error instance could be made. The caller closes
// what it gets.
RstInstanceTolvane* rstCreateInstanceMDLUTLinear(RstInstanceTolvane* previous, const MDLUTLinearParam* param,
                                                 uint16_t color_code);

// One line of width pixels of K samples (V: uint8_t or uint16_t of b bits)
// through a stage-order table of M outputs and n grid points: the exact
// floor of the simplex interpolation, computed in integers wide enough for
// b + K x shift bits.
template <int K, int M, class V>
void rst_mdlut_interpolate(const V* in, V* out, int32_t width, const V* table, int n, int shift);

// Kernels of any M for tests and other callers.
extern template void rst_mdlut_interpolate<3, 1, uint8_t>(const uint8_t*, uint8_t*, int32_t, const uint8_t*, int, int);
extern template void rst_mdlut_interpolate<3, 3, uint8_t>(const uint8_t*, uint8_t*, int32_t, const uint8_t*, int, int);
extern template void rst_mdlut_interpolate<4, 3, uint16_t>(const uint16_t*, uint16_t*, int32_t, const uint16_t*, int,
                                                           int);
