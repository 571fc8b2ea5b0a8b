// The colour stages of images and the processing words of solid colours (see
// color_converter.h).
#include "graphics_driver/core/color_converter.h"

#include <cstring>

#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/driver_helpers.h"
#include "platform/win/win_memory.h"

namespace {

constexpr uint32_t kMaxSide = 0xFFFF;

// Runs width x rows 3-byte pixels (or palette entries) through the run
// flags' stages into out: 3 bytes each, or one grey byte each after the grey
// stage.
int RunStages(const ColorConverter* c, const BYTE* in, BYTE* out, uint32_t width, uint32_t rows) {
  const size_t count = size_t(width) * rows;
  const uint16_t run = c->runFlags;
  const bool matrix = (run & kRunImageMatrix) && c->matrix[2];
  if (!(run & kRunGrey)) {
    if (matrix) ApplyColorAdjustMatrix(c->matrix[2], in, out, static_cast<DWORD>(count));
    else std::memmove(out, in, count * 3);
    return 1;
  }
  const BYTE* source = in;
  BYTE* scratch = nullptr;
  if (matrix) {
    scratch = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, count > 0 ? count * 3 : 1));
    if (!scratch) return -1;
    ApplyColorAdjustMatrix(c->matrix[2], in, scratch, static_cast<DWORD>(count));
    source = scratch;
  }
  BgrToInvertedGray(source, out, static_cast<int>(width), static_cast<int>(rows));
  if (scratch) GlobalFree(scratch);
  return 2;
}

}  // namespace

int ConvertImage(ColorConverter* converter, const BYTE* image, BYTE* out, uint32_t width, uint32_t rows,
                 const BYTE* paletteIn, BYTE* paletteOut, uint32_t paletteCount, uint32_t kind, uint32_t bits) {
  if (!converter) return -1;
  if (width > kMaxSide || rows > kMaxSide) return -5;
  if (kind == kImageKindRgb && bits == 24) {
    if (!image || !out) return -1;
    return RunStages(converter, image, out, width, rows);
  }
  if (kind == kImageKindIndexed && (bits == 1 || bits == 4 || bits == 8)) {
    if (!paletteIn || !paletteOut) return -1;
    if (paletteCount > (1u << bits)) paletteCount = 1u << bits;
    return RunStages(converter, paletteIn, paletteOut, paletteCount, 1);
  }
  return -1;
}

int ConvertSolidColors(ColorConverter* converter, ColorCounter* counter, PdevState* pdev,
                       const WorkingDevMode* settings, const BYTE* colours, BYTE* out, uint32_t width, uint32_t rows,
                       uint32_t ignored, uint32_t kind, int recheck) {
  (void)pdev;
  (void)ignored;
  if (!converter || !settings || !colours || !out || kind > 1) return -1;
  if (width > kMaxSide || rows > kMaxSide) return -5;
  int32_t s270 = 0, greyOn = 0, greyOutput = 0;
  if (ReadColourSetting(settings, 270, &s270) != 0 || ReadColourSetting(settings, kind ? 477 : 474, &greyOn) != 0 ||
      ReadColourSetting(settings, kind ? 479 : 476, &greyOutput) != 0) {
    return -1;
  }
  uint16_t word = 0;
  const bool allGrey =
      greyOn == 1 && CheckColourCounter(counter, colours, width, rows, kImageKindRgb, 24, recheck) == 2;
  if (allGrey) {
    word = 1;
    if (converter->pair[kind]) word |= 4;
  } else if (s270 != 1 || greyOutput == 0) {
    if (converter->matrix[kind]) word |= 2;
    if (converter->firstTransform) word |= 8;
    if (converter->sourceTransform) word |= 0x10;
  }
  if (greyOutput == 1) word |= 0x20;
  converter->solidWord[kind] = word;
  std::memmove(out, colours, size_t(width) * rows * 3);
  return 1;
}
