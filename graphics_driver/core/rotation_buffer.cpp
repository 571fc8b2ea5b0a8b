// The rotation buffer (see rotation_buffer.h).
#include "graphics_driver/core/rotation_buffer.h"

#include <cstring>

#include "platform/win/win_memory.h"

RotationBuffer* CreateRotationBuffer() {
  return static_cast<RotationBuffer*>(GlobalAlloc(GPTR, sizeof(RotationBuffer)));
}

int FreeRotationBuffer(RotationBuffer* buffer) {
  if (!buffer) return 0;
  const int result = buffer->capacity != 0 && !buffer->block ? 1 : 0;
  if (buffer->block) GlobalFree(buffer->block);
  GlobalFree(buffer);
  return result;
}

int RotateImage(RotationBuffer* buffer, uint32_t width, uint32_t rows, uint32_t rowBytes, uint32_t bitsPerPixel,
                const BYTE* pixels, uint32_t align, BYTE** out) {
  if (!buffer || !pixels || !out) return 1;
  if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return 1;
  const uint64_t bytesPerPixel = bitsPerPixel / 8;
  if (uint64_t(rowBytes) < uint64_t(width) * bytesPerPixel) return 1;
  if (align == 0) align = 1;
  // Sizes in 64 bits: a large image must not wrap to a small block.
  const uint64_t destinationRowBytes = (uint64_t(rows) * bytesPerPixel + align - 1) / align * align;
  const uint64_t need = destinationRowBytes * width;
  if (need > UINT32_MAX) return 1;
  if (buffer->capacity < need || !buffer->block) {
    auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, need ? static_cast<SIZE_T>(need) : 1));
    if (!block) return 1;
    if (buffer->block) GlobalFree(buffer->block);
    buffer->block = block;
    buffer->capacity = static_cast<uint32_t>(need);
  }
  std::memset(buffer->block, 0, static_cast<size_t>(need));
  for (uint32_t y = 0; y < rows; ++y) {
    const BYTE* source = pixels + size_t(y) * rowBytes;
    const size_t column = size_t(rows - 1 - y) * bytesPerPixel;
    for (uint32_t x = 0; x < width; ++x)
      std::memcpy(buffer->block + size_t(x) * destinationRowBytes + column, source + size_t(x) * bytesPerPixel,
                  bytesPerPixel);
  }
  *out = buffer->block;
  return 0;
}
