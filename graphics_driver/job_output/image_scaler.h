// The image down-scaler: shrinks 8-bit and 24-bit images row by row by area
// averaging with 8-bit weights, so that an image drawn smaller than itself
// is stored at the output resolution. Source rows are pushed one by one; each
// finished output row is taken before the next is pushed. The ratio between
// source and target is at most 14 each way.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

constexpr uint16_t kScalerKindArea = 1;
constexpr uint32_t kScalerMaxRows = 16;
constexpr uint32_t kScalerMaxRatio = 14;

// One target pixel (or row): the source indexes it covers and the weights
// (in 1/256) of the first and last; those between count whole.
struct ScalerWeight {
  uint16_t first;
  uint16_t firstWeight;
  uint16_t last;
  uint16_t lastWeight;
};
static_assert(sizeof(ScalerWeight) == 8);

// The state and every buffer are movable blocks kept locked until
// FreeScaler.
struct ImageScaler {
  uint16_t kind;
  uint16_t sourceWidth, sourceHeight, targetWidth, targetHeight;
  uint16_t sourceXdpi, sourceYdpi, targetDpi;
  BYTE* rows[kScalerMaxRows];
  uint16_t bufferedRows;
  BYTE* outputRow;
  uint16_t nextOutputRow;
  uint16_t receivedRows;
  BYTE* scaledRows[kScalerMaxRows];
  ScalerWeight* horizontal;
  ScalerWeight* vertical;
  // Byte counts of the buffers, the pixel size the rows came with.
  uint32_t rowBytes[kScalerMaxRows];
  uint32_t scaledRowBytes;
  uint32_t outputRowBytes;
  uint32_t bytesPerPixel;
};

// The zeroed state, or null when memory runs out.
ImageScaler* CreateScaler();
// Kind 1 and nonzero resolutions: stored, 1; else 0.
int SetScalerResolution(ImageScaler* scaler, uint16_t kind, uint16_t sourceXdpi, uint16_t sourceYdpi,
                        uint16_t targetDpi);
// The size an image of imageWidth x imageHeight drawn into destWidth x
// destHeight device dots takes at the target resolution, limited by the
// ratio and never larger than the image: 1, or 0 for a missing or zero
// argument or a scaler not of kind 1.
int GetScaledSize(const ImageScaler* scaler, uint32_t imageWidth, uint32_t imageHeight, uint32_t destWidth,
                  uint32_t destHeight, uint32_t* outWidth, uint32_t* outHeight);
// Sizes and weight tables: 1, or 0 for zero sizes, a target larger than the
// source, a ratio above 14 or no memory.
int SetScalerSizes(ImageScaler* scaler, uint32_t sourceWidth, uint32_t sourceHeight, uint32_t targetWidth,
                   uint32_t targetHeight);
// Takes one source row (8 or 24 bits a pixel): the byte count of a finished
// output row, 0 when more source rows are needed, -1 on failure (a 17th
// buffered row, a short row, no memory, a scaler not of kind 1).
int PushScalerRow(ImageScaler* scaler, const BYTE* sourceRow, uint32_t rowBytes, uint32_t bitsPerPixel);
// Copies up to n bytes of the output row, never more than the row holds: 1,
// or 0 for missing arguments or no output row yet.
int GetScaledRow(const ImageScaler* scaler, BYTE* destination, uint32_t n);
void FreeScaler(ImageScaler* scaler);

// The weight table of source size s onto target size t (s >= t >= 1) into
// table (t entries).
void BuildScalerWeights(uint32_t s, uint32_t t, ScalerWeight* table);
