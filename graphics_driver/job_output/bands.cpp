// Bands (see bands.h).
#include "graphics_driver/job_output/bands.h"

#include "platform/win/win_memory.h"

namespace {

constexpr uint64_t kLargestProbe = 76000000;
constexpr uint64_t kProbeStep = 2000000;

// The largest block the process can allocate now, probed downward in steps;
// 0 when not even the last positive step can be had.
uint64_t LargestBlock() {
  for (uint64_t size = kLargestProbe; size > 0; size -= kProbeStep) {
    void* block = GlobalAlloc(GPTR, size);
    if (block) {
      GlobalFree(block);
      return size;
    }
  }
  return 0;
}

}  // namespace

int32_t ComputeBandHeight(uint32_t widthDots, uint32_t heightDots) {
  uint64_t block = LargestBlock();
  if (block == 0) return 0;
  uint64_t rowBytes = widthDots / 8;
  if (rowBytes == 0 || uint64_t(heightDots) * rowBytes < block) return int32_t(heightDots > 0 ? heightDots : 1);
  uint64_t rows = block / rowBytes;
  return int32_t(rows > 0 ? (rows > INT32_MAX ? INT32_MAX : rows) : 1);
}
