// RstWriteMemory: a raw writer into a caller's byte array, top-down at a
// fixed stride, without bit reversal. The node owns the storage over the
// array, never the array.
#pragma once

#include <cstdint>

#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_write_raw.h"

class RstWriteMemory : public RstWriteRaw {
 public:
  // Any argument none or 0 (or negative): -2 "RstWriteMemory::create"; the
  // storage not made: -1 "RstWriteMemory::RstWriteMemory()"; then the source
  // checks of RstWriteRaw with the first text.
  static RstWriteMemory* create(RstRead* source, void* array, int32_t stride, int32_t array_size);

  RstWriteMemory(RstRead* source, ByteArrayOutputStorage* storage, int32_t stride);
  ~RstWriteMemory() override;

 private:
  ByteArrayOutputStorage* storage_;
};
