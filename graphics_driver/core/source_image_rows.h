// Reading a source bitmap for the band: its rows cut to the drawn
// rectangle, shifted to a byte boundary, translated to 24 bits where the
// colour translation asks, optionally shrunk by the down-scaler, and the
// tests that tell a black-and-white source or an inverting translation.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/image_scaler.h"
#include "platform/gdi/ddi_types.h"

// Flags of ClassifyXlate: the caller adds 1 for a row that needs a bit
// shift.
constexpr uint32_t kXlateShift = 1;
constexpr uint32_t kXlateTranslate = 2;
constexpr uint32_t kXlateSwap = 4;
constexpr uint32_t kXlateDropFourth = 8;

// The scaling of one image: on, the scaler and the scaled size.
struct ImageScalerRecord {
  uint32_t on;
  ImageScaler* scaler;
  uint32_t scaledWidth;
  uint32_t scaledHeight;
};

// 1, 4, 8, 16, 24, 32 by BMF_ format; 0 for any other.
uint32_t BitsPerPixelOfFormat(ULONG iBitmapFormat);
// How rows of p bits a pixel become 24-bit rows (see the flags).
uint32_t ClassifyXlate(XLATEOBJ* pxlo, uint32_t p);
// n pixels of p bits (16, 24, 32) into 3-byte pixels (blue, green, red).
void ConvertRowTo24(const BYTE* src, BYTE* dst, XLATEOBJ* pxlo, uint32_t flags, uint32_t p, uint32_t n);
// A bit row moved left by shift (0-7) bits: (bits + 7) / 8 bytes are
// written; src is read up to the byte that holds bit shift + bits - 1.
void ShiftBitsLeft(const BYTE* src, BYTE* dst, uint32_t bits, uint32_t shift);

// Exactly two entries, black then white.
bool IsBlackWhitePalette(const XLATEOBJ* pxlo);
// Trivial, or a table whose first or last entry is 0.
bool IsInvertingXlate(const XLATEOBJ* pxlo);
// 1 for type 2, code 0xB8 or 0xE2, a solid brush and a source whose every
// pixel in the rectangle is black or white; 0 otherwise. A 4- or 8-bit
// pixel past the translation's entries is neither.
int IsBlackWhiteSource(SURFOBJ* pso, SIZEL size, POINTL origin, XLATEOBJ* pxlo, BRUSHOBJ* pbo, POINTL* pptlBrush,
                       uint32_t type, uint32_t code);

// The rectangle size x origin of the source as rows of toBits a pixel (24
// for 16/24/32-bit sources; a 4-bit source read with a packing other than 1
// becomes a byte a pixel), through the scaler when its record is on (then
// the rows are scaledWidth x scaledHeight). A movable block, locked, its
// handle in *handle; a fixed zeroed block when that cannot be had. Null for
// a rectangle outside the bitmap or no memory.
BYTE* ReadSourceRect(SURFOBJ* pso, SIZEL size, POINTL origin, XLATEOBJ* pxlo, uint32_t toBits, HGLOBAL* handle,
                     ImageScalerRecord* scaler, uint32_t packing);
// Unlocks and frees a block of ReadSourceRect.
void FreeSourceRect(HGLOBAL handle);
