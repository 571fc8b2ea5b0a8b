// Brushes: how a GDI brush becomes ink in the band. The realisation keeps a
// copy of the pattern and the colour table in memory GDI owns; the selection
// turns the brush of a drawing call into the band engine's drawing state: a
// grey for a solid brush, a background grey and a hatch style for a hatch
// brush, a 24 x 24 cell for a two-colour pattern, or a 1-bit bitmap for a
// colour pattern. Brush origins are not used: patterns are anchored to the
// page.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

// The realised brush: this header, the pattern bits (rows of
// ((width * bits + 31) / 32) * 4 bytes), and from paletteOffset the colour
// table (device colours 0x00RRGGBB).
struct RealizedBrush {
  int32_t width, rows;     // pattern brushes only
  uint32_t format;         // BMF_ value; BMF_24BPP for converted 16/32-bit patterns
  uint32_t flags;          // the pattern's fjBitmap (BMF_TOPDOWN added when converted)
  uint32_t paletteCount;   // entries of the translation's table, 0 without one
  uint32_t paletteOffset;  // bits size + 40
  uint32_t iHatch;
};
static_assert(sizeof(RealizedBrush) == 28);
constexpr size_t kRealizedBrushBitsOffset = 28;
constexpr size_t kRealizedBrushExtraBytes = 40;
constexpr uint32_t kHatchStyleCount = 6;  // iHatch 0-5; 6 and above are pattern brushes

// Roles of a selection (passed on; the setters ignore them).
constexpr uint32_t kBrushRoleStroke = 1;
constexpr uint32_t kBrushRoleFill = 2;
// A selection without a raster operation.
constexpr ROP4 kNoRop4 = 0xFFFFFFFF;

// Sizes of a pattern the selection takes: 1..0x7FFF dots either way.
constexpr int32_t kMaxPatternSide = 0x7FFF;

// The worker of DrvRealizeBrush: TRUE with pbo's pvRbrush set; FALSE (with
// ERROR_INVALID_PARAMETER for missing objects or a PDEV that is not valid)
// for a pattern format it cannot take or when memory runs out.
BOOL RealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                  ULONG iHatch);
const BYTE* RealizedBrushBits(const RealizedBrush* brush);
// Entry i of the brush's colour table; 0 (black) past its count.
ULONG RealizedBrushColour(const RealizedBrush* brush, uint32_t i);

// Makes the brush the band's drawing state; with a rop4 (not kNoRop4) the
// raster operation follows the foreground mix of it. 1 done, 0 failed.
int SelectBrush(PdevState* pdev, uint32_t role, const POINTL* brushOrigin, BRUSHOBJ* pbo, ROP4 rop4);

// Colour detection over width x rows colours (3 bytes: blue, green, red)
// and their conversion as solid colours of kind 1 into out: 1 colour result,
// 2 grey result, 0 failed.
int ConvertBrushColours(PdevState* pdev, ColorCounter* counter, ColorConverter* converter, const BYTE* colours,
                        uint32_t width, uint32_t rows, BYTE* out);
// The hatch colour (0x00RRGGBB) becomes the background grey; unconverted
// when the background mix of rop4 is R2_NOP. 1, 0 failed.
int SetHatchColour(PdevState* pdev, ULONG colour, uint32_t role, ROP4 rop4);
// The hatch style iHatch (0-5) becomes the pattern index; the colour only
// takes part in the colour detection. 1, 0 failed.
int SetHatchStyle(PdevState* pdev, ULONG colour, uint32_t role, uint32_t iHatch, const POINTL* origin);
// A 1-bit pattern brush of colours fore and back (red | green << 8 |
// blue << 16) as the 24 x 24 brush cell. 1, 0 failed.
int BuildTwoColourCell(PdevState* pdev, uint32_t role, uint32_t fore, uint32_t back, const POINTL* origin,
                       const RealizedBrush* brush);
// A 4, 8 or 24-bit pattern brush as the 1-bit brush bitmap. 1, 0 failed.
int BuildColourPattern(PdevState* pdev, const RealizedBrush* brush, uint32_t role, const POINTL* origin);
// table[i] for i < n: a curve from the identity (strength 0) towards a square
// root curve (strength 100).
void MakeToneCurve(int32_t* table, uint32_t n, int32_t strength);
