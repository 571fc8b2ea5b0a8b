// The line coder: the driver's own lossless coding of 8-, 24- and 32-bit
// images, row by row, into a bit stream. Every pixel is either part of a run
// that repeats a prediction (left, above, above-left, above-right, far) or a
// literal written as byte differences to its left neighbour; the predictions
// sit in a move-to-front list and the codes of a literal and of a run of the
// front prediction swap when one of them dominates.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

// Bytes kept before and after each row buffer's pixels.
constexpr uint32_t kLineCoderLead = 8;
constexpr uint32_t kLineCoderTail = 12;
// The longest run one run code holds.
constexpr uint32_t kLineCoderMaxRun = 17057;

struct LineCoder {
  int32_t status;   // 1 usable, 0 more rows than the image has, -4 a write failed
  uint32_t height;  // 0: no limit
  uint32_t rowsCoded;
  uint32_t width;
  uint32_t rowBytes;
  uint32_t bytesPerPixel;  // 1, 3 or 4
  uint32_t pixelStep;      // 1 or 4
  BYTE fill;
  BYTE* previous;  // each kLineCoderLead + rowBytes + kLineCoderTail bytes
  BYTE* current;
  // Bit stream.
  uint16_t pendingBitCount;
  uint32_t pendingBits;
  uint32_t flag;
  BYTE* out;
  uint32_t capacity;
  uint32_t written;
  // The run waiting for the next row (count 0: none) and its list position.
  uint32_t pendingRun;
  uint32_t pendingEntry;
  uint32_t continuation;
  BYTE list[5];  // prediction numbers: 1 left, 2 above, 3 above-left, 4 above-right, 5 far
};

// The coder for rows of `width` pixels (`height` rows, 0 for no limit) at 8,
// 24 or 32 bits per pixel; null for another depth, a width of 0, rows whose
// bytes + 20 exceed 65,535, or no memory.
LineCoder* CreateLineCoder(uint32_t width, uint32_t height, uint32_t bitsPerPixel);
// Codes one row (24 bits: 3 bytes a pixel) into out: the bytes stored for
// it, or -1 (status -4 when they did not fit, 0 after the last row).
int CodeLineCoderRow(LineCoder* coder, const BYTE* sourceRow, BYTE* out, uint32_t capacity);
// Writes the pending run and the end code, frees the coder: the bytes
// stored, or -1 without a buffer or when they did not fit.
int FinishLineCoder(LineCoder* coder, BYTE* out, uint32_t capacity);
