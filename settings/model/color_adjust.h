// The user's brightness, saturation and contrast as one 3 x 3 fixed-point
// matrix with offsets, applied to 24-bit pixels; and the check that a file
// chosen as colour profile is an ICC profile the driver can use.
#pragma once

#include "platform/win/win_types.h"

// Twelve 16.16 fixed-point values: the red, green and blue output rows (each
// for red, green and blue input), then the red, green and blue offsets.
struct ColorAdjustMatrix {
  LONG values[12];
};
static_assert(sizeof(ColorAdjustMatrix) == 48);

// Each adjustment is clamped to -100..100. 0, or -1 without a matrix.
int BuildColorAdjustMatrix(ColorAdjustMatrix* matrix, SHORT brightness, SHORT saturation, SHORT contrast);
// Converts `count` pixels of three bytes (blue, green, red); without a
// matrix the pixels are copied; without input or output nothing happens.
void ApplyColorAdjustMatrix(const ColorAdjustMatrix* matrix, const BYTE* input, BYTE* output, DWORD count);

// 0 usable; -1 no path; -2 cannot be opened; -3 shorter than its 132-byte
// header; -4 usable but closing failed; -5 not an ICC profile; -6 wrong
// colour space or device class; -7 wrong connection space.
int CheckIccProfileFile(const char* path);
