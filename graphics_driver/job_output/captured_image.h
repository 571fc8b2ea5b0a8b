// The header of a captured source image: where the driver's source-image
// drawing put the halftoned rows it keeps until the replay with the caller's
// raster operation, and what kind of image they are.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_types.h"

struct CapturedImageHeader {
  int32_t left;     // destination column of the first row's first dot
  float top;        // destination row of the first row
  float matrix[6];  // placement: a, b, c, d, e, f
  uint16_t width;   // dots a row
  uint16_t rows;
  uint8_t maskFlag;    // 1: no mask
  uint8_t sourceFlag;  // 2 present, 1 none
  uint8_t kind;        // 11 indexed, 4 RGB, 10 indexed after grey, 3 grey
  uint8_t bitsPerSample;
  uint32_t maskBytes;
  uint32_t paletteCount;
  uint32_t paletteBytes;
  uint32_t reserved1;
  const BYTE* palette;
  uint32_t imageBytes;
  BYTE reserved2[12];
};
static_assert(sizeof(CapturedImageHeader) == 80);
static_assert(offsetof(CapturedImageHeader, width) == 32);
static_assert(offsetof(CapturedImageHeader, maskBytes) == 40);
static_assert(offsetof(CapturedImageHeader, palette) == 56);
static_assert(offsetof(CapturedImageHeader, imageBytes) == 64);
