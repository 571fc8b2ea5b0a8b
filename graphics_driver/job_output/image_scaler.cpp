// The image down-scaler (see image_scaler.h).
#include "graphics_driver/job_output/image_scaler.h"

#include <algorithm>
#include <cstring>

#include "platform/win/win_memory.h"

namespace {

// A zeroed movable block, locked: its address, or null.
void* LockedBlock(size_t bytes) {
  HGLOBAL h = GlobalAlloc(GHND, bytes ? bytes : 1);
  if (!h) return nullptr;
  void* p = GlobalLock(h);
  if (!p) GlobalFree(h);
  return p;
}

void FreeLocked(void* p) {
  if (!p) return;
  HGLOBAL h = GlobalHandle(p);
  if (!h) return;
  GlobalUnlock(h);
  GlobalFree(h);
}

// One averaged value of the source values at index * step + offset.
BYTE Average(const ScalerWeight& w, const BYTE* values, size_t step) {
  uint64_t sum = uint64_t(values[size_t(w.first) * step]) * w.firstWeight;
  uint64_t total = w.firstWeight;
  if (w.last > w.first) {
    for (uint32_t m = uint32_t(w.first) + 1; m < w.last; ++m) sum += uint64_t(values[size_t(m) * step]) * 256;
    sum += uint64_t(values[size_t(w.last) * step]) * w.lastWeight;
    total += 256ull * (uint32_t(w.last) - w.first - 1) + w.lastWeight;
  }
  if (total == 0) return values[size_t(w.first) * step];
  return BYTE((sum + total / 2) / total);
}

// A buffer of at least `bytes`, made on first use.
BYTE* EnsureBuffer(BYTE** slot, uint32_t* size, uint32_t bytes) {
  if (*slot && *size >= bytes) return *slot;
  FreeLocked(*slot);
  *slot = static_cast<BYTE*>(LockedBlock(bytes));
  *size = *slot ? bytes : 0;
  return *slot;
}

}  // namespace

void BuildScalerWeights(uint32_t s, uint32_t t, ScalerWeight* table) {
  if (!table || t == 0 || s < t) return;
  uint64_t b = 0, k = 0;
  for (uint32_t i = 0; i < t; ++i) {
    table[i].first = uint16_t(k);
    table[i].firstWeight = uint16_t(256 - b * 256 / t);
    b += s;
    while (b >= t) {
      ++k;
      b -= t;
    }
  }
  for (uint32_t i = 0; i + 1 < t; ++i) {
    const ScalerWeight& next = table[i + 1];
    if (next.firstWeight == 256) {
      table[i].last = uint16_t(next.first - 1);
      table[i].lastWeight = 256;
    } else {
      table[i].last = next.first;
      table[i].lastWeight = uint16_t(256 - next.firstWeight);
    }
  }
  table[t - 1].last = uint16_t(s - 1);
  table[t - 1].lastWeight = 256;
}

ImageScaler* CreateScaler() { return static_cast<ImageScaler*>(LockedBlock(sizeof(ImageScaler))); }

int SetScalerResolution(ImageScaler* scaler, uint16_t kind, uint16_t sourceXdpi, uint16_t sourceYdpi,
                        uint16_t targetDpi) {
  if (!scaler || kind != kScalerKindArea || !sourceXdpi || !sourceYdpi || !targetDpi) return 0;
  scaler->kind = kind;
  scaler->sourceXdpi = sourceXdpi;
  scaler->sourceYdpi = sourceYdpi;
  scaler->targetDpi = targetDpi;
  return 1;
}

int GetScaledSize(const ImageScaler* scaler, uint32_t imageWidth, uint32_t imageHeight, uint32_t destWidth,
                  uint32_t destHeight, uint32_t* outWidth, uint32_t* outHeight) {
  if (!scaler || scaler->kind != kScalerKindArea || !outWidth || !outHeight || !imageWidth || !imageHeight ||
      !destWidth || !destHeight || !scaler->sourceXdpi || !scaler->sourceYdpi || !scaler->targetDpi) {
    return 0;
  }
  const auto scaled = [&](uint32_t image, uint32_t dest, uint32_t sourceDpi) {
    uint64_t v = uint64_t(dest) * scaler->targetDpi / sourceDpi;
    if (v == 0) v = 1;
    if (image / v > kScalerMaxRatio) v = image / kScalerMaxRatio + 1;
    return uint32_t(std::min<uint64_t>(v, image));
  };
  *outWidth = scaled(imageWidth, destWidth, scaler->sourceXdpi);
  *outHeight = scaled(imageHeight, destHeight, scaler->sourceYdpi);
  return 1;
}

int SetScalerSizes(ImageScaler* scaler, uint32_t sourceWidth, uint32_t sourceHeight, uint32_t targetWidth,
                   uint32_t targetHeight) {
  if (!scaler || !sourceWidth || !sourceHeight || !targetWidth || !targetHeight) return 0;
  if (sourceWidth > 0xFFFF || sourceHeight > 0xFFFF) return 0;
  if (sourceWidth < targetWidth || sourceHeight < targetHeight) return 0;
  if (sourceWidth / targetWidth > kScalerMaxRatio || sourceHeight / targetHeight > kScalerMaxRatio) return 0;
  scaler->sourceWidth = uint16_t(sourceWidth);
  scaler->sourceHeight = uint16_t(sourceHeight);
  scaler->targetWidth = uint16_t(targetWidth);
  scaler->targetHeight = uint16_t(targetHeight);
  if (scaler->kind == kScalerKindArea) {
    FreeLocked(scaler->horizontal);
    FreeLocked(scaler->vertical);
    scaler->horizontal = static_cast<ScalerWeight*>(LockedBlock(sizeof(ScalerWeight) * targetWidth));
    scaler->vertical = static_cast<ScalerWeight*>(LockedBlock(sizeof(ScalerWeight) * targetHeight));
    if (!scaler->horizontal || !scaler->vertical) return 0;
    BuildScalerWeights(sourceWidth, targetWidth, scaler->horizontal);
    BuildScalerWeights(sourceHeight, targetHeight, scaler->vertical);
  }
  return 1;
}

int PushScalerRow(ImageScaler* scaler, const BYTE* sourceRow, uint32_t rowBytes, uint32_t bitsPerPixel) {
  if (!scaler || scaler->kind != kScalerKindArea || !sourceRow || !scaler->horizontal || !scaler->vertical) return -1;
  if (bitsPerPixel != 8 && bitsPerPixel != 24) return -1;
  const uint32_t pixel = bitsPerPixel / 8;
  if (scaler->bytesPerPixel && scaler->bytesPerPixel != pixel) return -1;
  const uint32_t sourceBytes = scaler->sourceWidth * pixel;
  // Every output row is made already, or a row too short for the width.
  if (scaler->nextOutputRow >= scaler->targetHeight || rowBytes < sourceBytes) return -1;
  if (scaler->bufferedRows >= kScalerMaxRows) return -1;
  scaler->bytesPerPixel = pixel;

  const uint32_t slot = scaler->bufferedRows;
  if (!EnsureBuffer(&scaler->rows[slot], &scaler->rowBytes[slot], sourceBytes)) return -1;
  std::memcpy(scaler->rows[slot], sourceRow, sourceBytes);
  ++scaler->bufferedRows;
  ++scaler->receivedRows;

  const ScalerWeight& entry = scaler->vertical[scaler->nextOutputRow];
  if (scaler->receivedRows < uint32_t(entry.last) + 1) return 0;

  const uint32_t outBytes = pixel * scaler->targetWidth;
  for (uint32_t i = 0; i < scaler->bufferedRows; ++i) {
    uint32_t size = scaler->scaledRowBytes;
    if (!EnsureBuffer(&scaler->scaledRows[i], &size, sourceBytes)) return -1;
  }
  scaler->scaledRowBytes = std::max(scaler->scaledRowBytes, sourceBytes);
  if (!EnsureBuffer(&scaler->outputRow, &scaler->outputRowBytes, outBytes)) return -1;
  scaler->outputRowBytes = outBytes;

  for (uint32_t i = 0; i < scaler->bufferedRows; ++i) {
    BYTE* scaled = scaler->scaledRows[i];
    if (scaler->targetWidth < scaler->sourceWidth) {
      for (uint32_t x = 0; x < scaler->targetWidth; ++x)
        for (uint32_t c = 0; c < pixel; ++c)
          scaled[x * pixel + c] = Average(scaler->horizontal[x], scaler->rows[i] + c, pixel);
    } else {
      std::memcpy(scaled, scaler->rows[i], sourceBytes);
    }
  }

  if (scaler->targetHeight >= scaler->sourceHeight) {
    std::memcpy(scaler->outputRow, scaler->scaledRows[0], outBytes);
    scaler->bufferedRows = 0;
  } else {
    // The buffered rows are the entry's source rows first .. last.
    const uint32_t count = scaler->bufferedRows;
    ScalerWeight local = entry;
    local.first = 0;
    local.last = uint16_t(count - 1);
    BYTE column[kScalerMaxRows];
    for (uint32_t b = 0; b < outBytes; ++b) {
      for (uint32_t i = 0; i < count; ++i) column[i] = scaler->scaledRows[i][b];
      scaler->outputRow[b] = Average(local, column, 1);
    }
    if (entry.lastWeight != 256 && count > 1) {
      std::memcpy(scaler->rows[0], scaler->rows[count - 1], sourceBytes);
      scaler->bufferedRows = 1;
    } else {
      scaler->bufferedRows = entry.lastWeight != 256 ? 1 : 0;
    }
  }
  ++scaler->nextOutputRow;
  return int(outBytes);
}

int GetScaledRow(const ImageScaler* scaler, BYTE* destination, uint32_t n) {
  if (!scaler || !destination || !scaler->outputRow) return 0;
  // Never more than the output row holds: an 8-bit row is one byte a pixel.
  std::memcpy(destination, scaler->outputRow, std::min(n, scaler->outputRowBytes));
  return 1;
}

void FreeScaler(ImageScaler* scaler) {
  if (!scaler) return;
  for (uint32_t i = 0; i < kScalerMaxRows; ++i) {
    FreeLocked(scaler->rows[i]);
    FreeLocked(scaler->scaledRows[i]);
  }
  FreeLocked(scaler->outputRow);
  FreeLocked(scaler->horizontal);
  FreeLocked(scaler->vertical);
  FreeLocked(scaler);
}
