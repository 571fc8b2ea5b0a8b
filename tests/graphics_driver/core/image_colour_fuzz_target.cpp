// The colour stage's fuzz entry, and the fixed-budget run of it in the test
// program: random inputs and mutations of images whose indexes pass their
// palettes.
#include "image_colour_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/rotation_buffer.h"
#include "graphics_driver/job_output/page_color_set.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"

namespace {

constexpr size_t kHead = 8;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

size_t RowBytes(uint32_t width, uint32_t bits) { return (size_t(width) * bits + 7) / 8; }

}  // namespace

void image_colour_fuzz_one(const uint8_t* data, size_t size) {
  if (size < kHead) return;
  static const uint32_t kBits[] = {1, 2, 4, 8, 16, 24, 32};
  const uint32_t width = data[0] % 80;
  const uint32_t rows = data[1] % 20;
  const uint32_t bits = kBits[data[2] % 7];
  const uint32_t paletteCount = data[3] | uint32_t(data[4] & 1) << 8;
  const int mode = data[5] % 4;
  const int paletteFlag = data[6] & 1;
  const uint16_t runFlags = data[6] & 0x22;
  const uint32_t align = data[7] % 9;
  const uint16_t limit = data[0] % 16;
  const uint32_t countsWhite = data[1] & 1;
  const SHORT brightness = SHORT(data[0] % 201 - 100), contrast = SHORT(data[1] % 201 - 100);
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  data += kHead;
  size -= kHead;

  // The palette holds exactly its entries; the pixels exactly their rows.
  const size_t paletteBytes = std::min(size, size_t(paletteCount) * 3);
  auto palette = std::make_unique<BYTE[]>(paletteBytes + 1);
  std::memcpy(palette.get(), data, paletteBytes);
  const uint32_t entries = uint32_t(paletteBytes / 3);
  const size_t pixelBytes = RowBytes(width, bits) * rows;
  auto pixels = std::make_unique<BYTE[]>(pixelBytes + 1);
  std::memcpy(pixels.get(), data + paletteBytes, std::min(pixelBytes, size - paletteBytes));

  const int indexed = ScanIndexedGrey(pixels.get(), width, rows, palette.get(), entries, bits, mode);
  Check(indexed >= 1 && indexed <= 4);
  if (bits == 24) {
    const int rgb = ScanRgbGrey(pixels.get(), width, rows, mode);
    Check(rgb >= 1 && rgb <= 4);
  }

  PageColorSet set;
  Check(InitPageColorSet(&set, 1, limit, countsWhite) == 0);
  const uint32_t setEntries = paletteFlag ? entries : uint32_t(paletteBytes);
  const int collected =
      CollectDistinctColors(&set, pixels.get(), width, rows, bits, paletteFlag, palette.get(), setEntries);
  Check(collected == 0 || collected == -1);
  Check(set.count <= set.limit + 1u && (set.on == 1) == (set.count <= set.limit));

  auto* converter = static_cast<ColorConverter*>(GlobalAlloc(GPTR, sizeof(ColorConverter)));
  Check(converter != nullptr);
  converter->runFlags = runFlags;
  converter->matrix[2] = &converter->matrixStorage[2];
  BuildColorAdjustMatrix(converter->matrix[2], brightness, 0, contrast);
  auto paletteOut = std::make_unique<BYTE[]>(paletteBytes + 1);
  const int converted = ConvertImage(converter, nullptr, nullptr, width, rows, palette.get(), paletteOut.get(), entries,
                                     kImageKindIndexed, bits);
  Check(converted == 1 || converted == 2 || converted == -1);
  GlobalFree(converter);

  RotationBuffer* buffer = CreateRotationBuffer();
  Check(buffer != nullptr);
  BYTE* out = nullptr;
  const int turned = RotateImage(buffer, width, rows, uint32_t(RowBytes(width, bits)), bits, pixels.get(), align, &out);
  Check(turned == 0 || turned == 1);
  Check(turned == 1 || bits % 8 == 0);
  Check(FreeRotationBuffer(buffer) == 0);
  Check(pk::seams::GlobalLiveBlocks() == live);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  image_colour_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

// The fixed budget: random inputs, and images whose indexes run past short
// palettes.
TEST(ImageColourFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(37);
  for (int iter = 0; iter < 20000; ++iter) {
    std::vector<uint8_t> input(kHead + rng() % 600);
    for (auto& b : input) b = static_cast<uint8_t>(rng());
    if (iter % 2) input[3] = static_cast<uint8_t>(rng() % 4);  // a palette of a few entries
    image_colour_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
