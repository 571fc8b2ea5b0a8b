// The colour stages of images and the processing words of solid colours (see
// color_converter.h).
#include "graphics_driver/core/color_converter.h"

#include <cstring>

#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/driver_helpers.h"
#include "platform/win/win_memory.h"

namespace {

constexpr uint32_t kMaxSide = 0xFFFF;

// The colour stages in their order (first transform, second transform,
// image matrix) from in to out, 3 bytes a pixel; out may be in.
void RunColourStages(const ColorConverter* c, const BYTE* in, BYTE* out, size_t count) {
  const uint16_t run = c->runFlags;
  const BYTE* source = in;
  if ((run & kRunFirstTransform) && c->firstTransform) {
    ApplyTransform(c->firstTransform, source, out, count);
    source = out;
  }
  if ((run & kRunSecondTransform) && c->secondTransform) {
    ApplyTransform(c->secondTransform, source, out, count);
    source = out;
  }
  if ((run & kRunImageMatrix) && c->matrix[2]) ApplyColorAdjustMatrix(c->matrix[2], source, out, DWORD(count));
  else if (source != out) std::memmove(out, source, count * 3);
}

bool AnyColourStage(const ColorConverter* c) {
  const uint16_t run = c->runFlags;
  return ((run & kRunFirstTransform) && c->firstTransform) || ((run & kRunSecondTransform) && c->secondTransform) ||
         ((run & kRunImageMatrix) && c->matrix[2]);
}

// Runs width x rows 3-byte pixels (or palette entries) through the run
// flags' stages into out: 3 bytes each, or one grey byte each after the grey
// stage.
int RunStages(const ColorConverter* c, const BYTE* in, BYTE* out, uint32_t width, uint32_t rows) {
  const size_t count = size_t(width) * rows;
  if (!(c->runFlags & kRunGrey)) {
    RunColourStages(c, in, out, count);
    return 1;
  }
  const BYTE* source = in;
  BYTE* scratch = nullptr;
  if (AnyColourStage(c)) {
    scratch = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, count > 0 ? count * 3 : 1));
    if (!scratch) return -1;
    RunColourStages(c, in, scratch, count);
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
