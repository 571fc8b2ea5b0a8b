// The colour conversion state of one document, built from the colour settings
// at document start: which colour stages apply to images and to the two kinds
// of solid colour (kind 0 text colours, kind 1 brush and fill colours; kind 2
// is images). The stages are the colour adjustment matrices and
// brightness/contrast pairs, the white point and gamma or ICC profile
// transforms, a conversion to grey and an outside colour library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics_driver/core/color_transform.h"
#include "graphics_driver/core/page_image_list.h"
#include "graphics_driver/core/pdev_state.h"
#include "platform/win/win_module.h"
#include "settings/model/color_adjust.h"

// Setup flags: the stages the settings ask for.
constexpr uint16_t kSetupKind0Matrix = 0x1;
constexpr uint16_t kSetupKind0Pair = 0x2;
constexpr uint16_t kSetupKind1Matrix = 0x4;
constexpr uint16_t kSetupKind1Pair = 0x8;
constexpr uint16_t kSetupKind2Matrix = 0x10;
constexpr uint16_t kSetupCommonMatrix = 0x20;
constexpr uint16_t kSetupCommonPair = 0x40;
constexpr uint16_t kSetupWhitePoint = 0x80;
constexpr uint16_t kSetupSourceProfile = 0x100;
constexpr uint16_t kSetupSecondProfile = 0x200;
constexpr uint16_t kSetupColorLibrary = 0x400;

// Run flags: the stages the next image goes through.
constexpr uint16_t kRunImageMatrix = 0x2;
constexpr uint16_t kRunFirstTransform = 0x8;
constexpr uint16_t kRunSecondTransform = 0x10;
constexpr uint16_t kRunGrey = 0x20;
constexpr uint16_t kRunColorLibrary = 0x100;

// Answers of CheckLibraryParams.
constexpr int kLibraryParamsNotUsed = 8;
constexpr int kLibraryParamsNew = 6;
constexpr int kLibraryParamsKept = 7;

// Brightness and contrast in 16.16 fixed point: out = gain * in + offset.
struct BrightnessContrastPair {
  int32_t gain;
  int32_t offset;
};
static_assert(sizeof(BrightnessContrastPair) == 8);

struct ColorConverter {
  uint16_t setupFlags;
  uint16_t solidWord[2];  // processing word of the last solid colour of kind 0, 1
  uint16_t runFlags;
  ColorTransform* firstTransform;   // white point and gamma, or null
  ColorTransform* sourceTransform;  // source profile, or null
  ColorTransform* secondTransform;  // second profile (may be the source one), or null
  ColorAdjustMatrix* matrix[3];     // by kind
  BrightnessContrastPair* pair[2];  // by kind
  uint32_t libraryHandle;           // 0: none
  uint32_t reserved1;
  ColorTransform transformStorage1;  // white point and gamma, or source profile
  ColorTransform transformStorage2;  // second profile
  ColorAdjustMatrix matrixStorage[3];
  BrightnessContrastPair pairStorage[2];
  HMODULE library;
  // CLX_LoadCLX32, CLX_FreeCLX32, CLX_CreateParam_Begin32, CLX_CreateParam32,
  // CLX_CreateParam_End32, CLX_DeleteParam32, CLX_ColorConvert32.
  FARPROC libraryEntries[7];
  uint16_t libraryMode;  // setting 291 at the last image
  BYTE reserved2[6];
};
static_assert(sizeof(ColorConverter) == 3704);
static_assert(offsetof(ColorConverter, solidWord) == 2);
static_assert(offsetof(ColorConverter, runFlags) == 6);
static_assert(offsetof(ColorConverter, firstTransform) == 8);
static_assert(offsetof(ColorConverter, sourceTransform) == 16);
static_assert(offsetof(ColorConverter, secondTransform) == 24);
static_assert(offsetof(ColorConverter, matrix) == 32);
static_assert(offsetof(ColorConverter, pair) == 56);
static_assert(offsetof(ColorConverter, libraryHandle) == 72);
static_assert(offsetof(ColorConverter, transformStorage1) == 80);
static_assert(offsetof(ColorConverter, transformStorage2) == 1776);
static_assert(offsetof(ColorConverter, matrixStorage) == 3472);
static_assert(offsetof(ColorConverter, pairStorage) == 3616);
static_assert(offsetof(ColorConverter, library) == 3632);
static_assert(offsetof(ColorConverter, libraryEntries) == 3640);
static_assert(offsetof(ColorConverter, libraryMode) == 3696);

// A colour setting of the DEVMODE as it applies under the current choices
// (one that does not apply reads 0), sign-extended for signed types: 0, or -1
// when it cannot be read.
int ReadColourSetting(const WorkingDevMode* settings, SettingId id, int32_t* value);

// Contrast and brightness are clamped to -100..100; gain = 1 + 0.003 contrast,
// offset = 0.5 brightness + (1 - gain) 255, both truncated in 16.16. 0, or -1
// without a pair.
int BuildBrightnessContrastPair(BrightnessContrastPair* pair, int16_t brightness, int16_t contrast);

// Builds the converter from the settings: 0 (also when one of the deciding
// settings cannot be read: then every stage is off), -1 for bad arguments,
// -2 when memory runs out, -3 (-4) when the source (second) profile cannot
// be used and the user chose not to go on without it; the converter is
// freed then. The colour library the device model names is bound from the
// printer's driver folder.
int CreateColorConverter(ColorConverter** converter, const WorkingDevMode* settings, HMODULE resourceModule,
                         HANDLE printer);
// Frees each transform once and releases the colour library: 0, or -1 for a
// null address; a null converter is fine.
int FreeColorConverter(ColorConverter** converter);

// Sets the run flags before an image is drawn. 0, or -1 when the page images
// had to be flushed and that failed.
int PrepareImageColor(ColorConverter* converter, PageImageList* list, const WorkingDevMode* settings, PdevState* pdev,
                      const void* pixels, uint32_t width, uint32_t rows, uint32_t bitsPerPixel, uint32_t type,
                      uint32_t code, uint32_t pass);
// Whether the colour library's parameters still fit the next image: 8 the
// image takes no part (the record is cleared), 6 new parameters, 7 kept.
int CheckLibraryParams(ColorLibraryParams* record, uint32_t width, uint32_t rows, uint32_t bitsPerPixel, uint32_t type,
                       uint32_t code, uint32_t pass);
// 4 while the colour library converts, 3 otherwise, -1 without a converter.
int ConverterMode(const ColorConverter* converter);
// The colour library stage over the page image list: 0 done, -1 list
// errors, -2 no memory, -6 a library error.
int FlushImageColours(ColorConverter* converter, PageImageList* list, int keep);

// Image kinds of the colour stage.
constexpr uint32_t kImageKindRgb = 4;       // 3 bytes a pixel: blue, green, red
constexpr uint32_t kImageKindIndexed = 11;  // 1, 4 or 8 bits through a 3-byte palette

// Runs the image's stages: kind 4 (24 bits) converts width x rows pixels
// into out, kind 11 (1, 4 or 8 bits) the palette entries into paletteOut,
// never the pixels. The grey stage gives one byte a pixel (or entry). 1
// converted, 2 converted to grey, -1 bad arguments or no memory, -5 width or
// rows above 0xFFFF.
int ConvertImage(ColorConverter* converter, const BYTE* image, BYTE* out, uint32_t width, uint32_t rows,
                 const BYTE* paletteIn, BYTE* paletteOut, uint32_t paletteCount, uint32_t kind, uint32_t bits);

struct ColorCounter;

// Decides the processing word of a solid colour kind (0 or 1) and copies
// width x rows x 3 bytes of colours to out unchanged: 1, -1 bad arguments,
// another kind or a setting that cannot be read, -5 width or rows above 0xFFFF.
int ConvertSolidColors(ColorConverter* converter, ColorCounter* counter, PdevState* pdev,
                       const WorkingDevMode* settings, const BYTE* colours, BYTE* out, uint32_t width, uint32_t rows,
                       uint32_t ignored, uint32_t kind, int recheck);
