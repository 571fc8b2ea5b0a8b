// The selection of a brush into the band's drawing state, and the colour
// steps every brush colour goes through (see brushes.h).
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/raster_ops.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/gdi/eng_services.h"

namespace {

constexpr ULONG kNotSolid = 0xFFFFFFFF;

// A device colour 0x00RRGGBB as the setters take it: blue, green, red.
void BgrOf(ULONG colour, BYTE out[3]) {
  out[0] = BYTE(colour);
  out[1] = BYTE(colour >> 8);
  out[2] = BYTE(colour >> 16);
}

// One colour converted: its kind for the setters, 0 when conversion failed.
uint32_t ConvertOne(PdevState* pdev, ULONG colour, BYTE out[3]) {
  BYTE in[3];
  BgrOf(colour, in);
  const int result =
      ConvertBrushColours(pdev, static_cast<ColorCounter*>(pdev->colorCounter), pdev->colorConverter, in, 1, 1, out);
  if (result == 0) return 0;
  return result == 1 ? kColourBgr : kColourGrey;
}

}  // namespace

int ConvertBrushColours(PdevState* pdev, ColorCounter* counter, ColorConverter* converter, const BYTE* colours,
                        uint32_t width, uint32_t rows, BYTE* out) {
  if (!pdev) return 0;
  if (DetectColourContent(counter, &pdev->pipeline.pageColorSet, pdev, colours, width, rows, nullptr, 0, kImageKindRgb,
                          24) != 0) {
    return 0;
  }
  const int result = ConvertSolidColors(converter, counter, pdev, &pdev->devmode, colours, out, width, rows, 0, 1, 1);
  return result == 1 || result == 2 ? result : 0;
}

int SetHatchColour(PdevState* pdev, ULONG colour, uint32_t role, ROP4 rop4) {
  BYTE bgr[3];
  uint32_t kind = kColourBgr;
  if (rop4 != kNoRop4 && (RopToMix(rop4) >> 8) == kR2Nop) {
    BgrOf(colour, bgr);
  } else if ((kind = ConvertOne(pdev, colour, bgr)) == 0) {
    return 0;
  }
  return SetHatchBackground(pdev->imageStore, role, kind, 0, bgr) == 0 ? 1 : 0;
}

int SetHatchStyle(PdevState* pdev, ULONG colour, uint32_t, uint32_t iHatch, const POINTL*) {
  BYTE unused[3];
  if (iHatch >= kHatchStyleCount || ConvertOne(pdev, colour, unused) == 0) return 0;
  SetDrawImageKind(pdev->jobOutput, kPatternFirstHatch + iHatch);
  return 1;
}

int SelectBrush(PdevState* pdev, uint32_t role, const POINTL* brushOrigin, BRUSHOBJ* pbo, ROP4 rop4) {
  if (!pbo || !pdev || !pdev->imageStore || !pdev->jobOutput) return 0;
  const RealizedBrush* brush = nullptr;
  if (pbo->iSolidColor == kNotSolid) {
    brush = static_cast<const RealizedBrush*>(BRUSHOBJ_pvGetRbrush(pbo));
    if (!brush) return 0;
  }
  // The foreground mix decides the raster operation.
  if (rop4 != kNoRop4) SelectRasterOp(pdev->imageStore, kRopTwoOperand, RopToMix(rop4) & 0xFF);

  if (!brush) {
    BYTE colour[3];
    const uint32_t kind = ConvertOne(pdev, pbo->iSolidColor, colour);
    return kind != 0 && SetSolidColor(pdev->imageStore, role, kind, colour) == 0 ? 1 : 0;
  }
  if (brush->iHatch < kHatchStyleCount) {
    return SetHatchColour(pdev, RealizedBrushColour(brush, 0), role, rop4) == 1 &&
                   SetHatchStyle(pdev, RealizedBrushColour(brush, 1), role, brush->iHatch, brushOrigin) == 1
               ? 1
               : 0;
  }
  if (brush->format == BMF_1BPP) {
    const auto colorRef = [](ULONG c) { return ((c >> 16) & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16; };
    return BuildTwoColourCell(pdev, role, colorRef(RealizedBrushColour(brush, 0)),
                              colorRef(RealizedBrushColour(brush, 1)), brushOrigin, brush);
  }
  return BuildColourPattern(pdev, brush, role, brushOrigin);
}
