// Source image capture and replay (see source_image.h).
#include "graphics_driver/core/source_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/colour_detection.h"
#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/rotation_buffer.h"
#include "graphics_driver/core/spool_file_state.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_memory.h"

namespace {

constexpr uint32_t kKindGrey = 3;
constexpr uint32_t kKindIndexedGrey = 10;
constexpr uint32_t kWhiteGrey = 255;

// Polarity and operation numbers of the band's raster operation.
constexpr uint32_t kPolarityNormal = 1;
constexpr uint32_t kPolarityInverted = 2;
constexpr uint32_t kOperationOr = 1;
constexpr uint32_t kOperationXor = 3;

bool RegionClip(const CLIPOBJ* pco) { return pco && (pco->iDComplexity == DC_RECT || pco->iDComplexity == DC_COMPLEX); }

// Draws the captured rows at the header's place: through every batch of the
// clip's rectangles (the one that comes with the end of the enumeration
// too), or row by row without a clip region.
int DrawCapturedRows(JobOutputStream* stream, CLIPOBJ* pco, ULONG batch) {
  const StreamWorkArea& work = stream->work;
  const BYTE* image = work.capturedImage;
  if (!image) return 0;
  TiffJobRecord* r = &stream->tiffJob;
  if (r->penLevel == kWhiteGrey) r->penLevel = 0;  // solid black ink
  const CapturedImageHeader& h = work.capturedHeader;
  const uint32_t bytesPerRow = (uint32_t(h.width) + 7) / 8;
  // Never more rows than the capture holds.
  const uint32_t rows = bytesPerRow ? std::min<uint32_t>(h.rows, work.capturedImageBytes / bytesPerRow) : 0;
  const int32_t left = h.left, top = int32_t(h.top), width = h.width;
  if (RegionClip(pco)) {
    const RECTL area{left, top, left + width, top + int32_t(rows)};
    ENUMRECTS300 rects;
    const ULONG bytes = batch == kDirectClipBatch ? ULONG(sizeof(ENUMRECTS50)) : ULONG(sizeof(ENUMRECTS300));
    batch = std::min<ULONG>(batch, kReplayClipBatch);
    CLIPOBJ_cEnumStart(pco, TRUE, CT_RECTANGLES, CD_ANY, 0);
    for (;;) {
      rects.c = 0;
      const BOOL more = CLIPOBJ_bEnum(pco, bytes, reinterpret_cast<ULONG*>(&rects));
      const ULONG count = std::min(rects.c, batch);
      for (ULONG i = 0; i < count; ++i) {
        const RECTL& c = rects.arcl[i];
        const RECTL clip{std::min(c.left, c.right), std::min(c.top, c.bottom), std::max(c.left, c.right),
                         std::max(c.top, c.bottom)};
        RectQuad cut{};
        int32_t kind = 0;
        if (IntersectRectangles(QuadOfRect(area), QuadOfRect(clip), &cut, &kind) == 0 || kind != kRectsOverlap)
          continue;
        const RECTL overlap = RectOfQuad(cut);
        for (int32_t y = std::max(overlap.top, top); y < overlap.bottom && y < top + int32_t(rows); ++y) {
          DrawBitmapRowClipped(stream, left, y, width, 1, image + size_t(y - top) * bytesPerRow, bytesPerRow,
                               overlap.left, overlap.right, 1);
        }
      }
      // An engine that claims more but delivers nothing would never end.
      if (more != TRUE || count == 0) break;
    }
  } else {
    for (uint32_t i = 0; i < rows; ++i)
      DrawBitmapRow(stream, left, top + int32_t(i), width, 1, image + size_t(i) * bytesPerRow, bytesPerRow, 1);
  }
  r->penLevel = 0;
  return 1;
}

// Turns rows of 1 or 4 bits into a byte a pixel and back.
void UnpackBits(const BYTE* in, BYTE* out, uint32_t width, uint32_t bits) {
  for (uint32_t x = 0; x < width; ++x)
    out[x] = bits == 1 ? BYTE((in[x / 8] >> (7 - x % 8)) & 1) : BYTE(x % 2 ? in[x / 2] & 0x0F : in[x / 2] >> 4);
}
void PackBits(const BYTE* in, BYTE* out, uint32_t width, uint32_t bits) {
  std::memset(out, 0, (size_t(width) * bits + 7) / 8);
  for (uint32_t x = 0; x < width; ++x) {
    if (bits == 1) out[x / 8] |= BYTE((in[x] & 1) << (7 - x % 8));
    else out[x / 2] |= BYTE(x % 2 ? in[x] & 0x0F : (in[x] & 0x0F) << 4);
  }
}

// A quarter turn clockwise of width x rows pixels of `bits` into `image`
// (replaced): 1, 0 when the rotation buffer cannot take it.
int TurnImage(PdevState* pdev, std::vector<BYTE>* image, uint32_t width, uint32_t rows, uint32_t bits) {
  if (!pdev->rotationBuffer) return 0;
  const size_t rowBytes = (size_t(width) * bits + 7) / 8;
  const bool packed = bits < 8;
  std::vector<BYTE> bytes;
  const BYTE* pixels = image->data();
  if (packed) {
    bytes.resize(size_t(width) * rows);
    for (uint32_t y = 0; y < rows; ++y)
      UnpackBits(image->data() + y * rowBytes, bytes.data() + size_t(y) * width, width, bits);
    pixels = bytes.data();
  }
  const uint32_t turnBits = packed ? 8 : bits;
  BYTE* turned = nullptr;
  if (RotateImage(pdev->rotationBuffer, width, rows, uint32_t(packed ? width : rowBytes), turnBits, pixels, 1,
                  &turned) != 0) {
    return 0;
  }
  // The turned image has `width` rows of `rows` pixels.
  const size_t turnedRowBytes = (size_t(rows) * bits + 7) / 8;
  std::vector<BYTE> result(turnedRowBytes * width);
  for (uint32_t y = 0; y < width; ++y) {
    const BYTE* row = turned + size_t(y) * rows * (turnBits / 8);
    if (packed) PackBits(row, result.data() + y * turnedRowBytes, rows, bits);
    else std::memcpy(result.data() + y * turnedRowBytes, row, turnedRowBytes);
  }
  image->swap(result);
  return 1;
}

// The image as read, converted and (maybe) turned, before it is captured.
struct SourceImage {
  std::vector<BYTE> bytes;
  std::vector<BYTE> palette;
  uint32_t paletteCount = 0;
  uint32_t kind = 0;
  uint32_t bits = 0;  // sample bits
  uint32_t width = 0, rows = 0;
};

// Reads the rectangle and runs colour detection and conversion: 1, 0.
int ReadAndConvert(PdevState* pdev, SURFOBJ* psoSrc, SIZEL size, POINTL origin, XLATEOBJ* pxlo,
                   ImageScalerRecord* scaler, SourceImage* out) {
  const uint32_t p0 = BitsPerPixelOfFormat(psoSrc->iBitmapFormat);
  if (p0 == 0) return 0;
  const uint32_t packing = pdev->spoolFile ? pdev->spoolFile->pixelPacking : 1;
  const uint32_t p = p0 == 4 && packing != 1 ? 8 : p0;
  out->bits = p <= 8 ? p : 24;
  out->kind = out->bits <= 8 ? kImageKindIndexed : kImageKindRgb;
  const bool scaling = scaler && scaler->on && scaler->scaler && p0 >= 16;
  out->width = scaling ? scaler->scaledWidth : uint32_t(size.cx);
  out->rows = scaling ? scaler->scaledHeight : uint32_t(size.cy);
  if (out->width == 0 || out->rows == 0 || out->width > 0xFFFF || out->rows > 0xFFFF) return 0;
  const size_t imageBytes = (size_t(out->bits) * out->width + 7) / 8 * out->rows;

  HGLOBAL handle = nullptr;
  BYTE* read = ReadSourceRect(psoSrc, size, origin, pxlo, out->bits, &handle, scaler, packing);
  if (!read) return 0;
  out->bytes.assign(read, read + imageBytes);
  FreeSourceRect(handle);

  if (out->kind == kImageKindIndexed) {
    const uint32_t most = 1u << out->bits;
    const bool table = pxlo && pxlo->pulXlate;
    out->paletteCount = table ? std::min(pxlo->cEntries, most) : most;
    out->palette.resize(size_t(out->paletteCount) * 3);
    for (uint32_t i = 0; i < out->paletteCount; ++i) {
      const ULONG c = table ? pxlo->pulXlate[i] : XLATEOBJ_iXlate(pxlo, i);
      out->palette[3 * i] = BYTE(c);
      out->palette[3 * i + 1] = BYTE(c >> 8);
      out->palette[3 * i + 2] = BYTE(c >> 16);
    }
    if (out->paletteCount == 0) return 0;
  }

  if (DetectColourContent(static_cast<ColorCounter*>(pdev->colorCounter), &pdev->pipeline.pageColorSet, pdev,
                          out->bytes.data(), out->width, out->rows, out->palette.data(), out->paletteCount, out->kind,
                          out->bits) != 0) {
    return 0;
  }
  if (out->kind == kImageKindRgb) {
    std::vector<BYTE> converted(out->bytes.size());
    const int result = ConvertImage(pdev->colorConverter, out->bytes.data(), converted.data(), out->width, out->rows,
                                    nullptr, nullptr, 0, out->kind, out->bits);
    if (result == 2) {
      // One grey byte a pixel.
      converted.resize(size_t(out->width) * out->rows);
      out->kind = kKindGrey;
      out->bits = 8;
    } else if (result != 1) {
      return 0;
    }
    out->bytes.swap(converted);
  } else {
    std::vector<BYTE> converted(out->palette.size());
    const int result = ConvertImage(pdev->colorConverter, nullptr, nullptr, out->width, out->rows, out->palette.data(),
                                    converted.data(), out->paletteCount, out->kind, out->bits);
    if (result == 2) {
      converted.resize(out->paletteCount);  // a grey byte an entry
      out->kind = kKindIndexedGrey;
    } else if (result != 1) {
      return 0;
    }
    out->palette.swap(converted);
  }
  return 1;
}

void FreeScalerRecord(ImageScalerRecord* record) {
  if (record->scaler) FreeScaler(record->scaler);
  record->scaler = nullptr;
  record->on = 0;
}

}  // namespace

int ReplayCapturedImage(PdevState* pdev, CLIPOBJ* pco, ULONG batch) {
  if (!pdev || !pdev->jobOutput) return 0;
  return DrawCapturedRows(pdev->jobOutput, pco, batch);
}

int DrawSourceImage(PdevState* pdev, SURFOBJ* psoSrc, SURFOBJ*, SIZEL size, POINTL srcOrigin, POINTL,
                    const RECTL* prclTrg, XLATEOBJ* pxlo, const float matrix[6], CLIPOBJ* pco,
                    ImageScalerRecord* scaler) {
  JobOutputStream* stream = pdev ? pdev->jobOutput : nullptr;
  if (!stream || !psoSrc || !prclTrg) return 0;
  SourceImage image;
  CapturedImageHeader h{};
  h.left = prclTrg->left;
  h.top = float(prclTrg->top);
  if (matrix) std::memcpy(h.matrix, matrix, sizeof h.matrix);
  try {
    if (!ReadAndConvert(pdev, psoSrc, size, srcOrigin, pxlo, scaler, &image)) return 0;
    // Images of more than 64 dots each way are turned on pages with image
    // rotation.
    if (pdev->pipeline.feedRotation && image.width > 64 && image.rows > 64) {
      const uint32_t bits = image.kind == kImageKindRgb ? 24 : image.kind == kKindGrey ? 8 : image.bits;
      if (!TurnImage(pdev, &image.bytes, image.width, image.rows, bits)) return 0;
      std::swap(image.width, image.rows);
      h.top = float(prclTrg->bottom);
      const float m[6] = {h.matrix[0], h.matrix[1], h.matrix[2], h.matrix[3], h.matrix[4], h.matrix[5]};
      const float turned[6] = {-m[1], m[0], -m[3], m[2], 0, 0};
      std::memcpy(h.matrix, turned, sizeof h.matrix);
    }
  } catch (...) {
    return 0;  // out of memory
  }
  h.width = uint16_t(image.width);
  h.rows = uint16_t(image.rows);
  h.maskFlag = 1;
  h.sourceFlag = 2;
  h.kind = uint8_t(image.kind);
  h.bitsPerSample = uint8_t(image.kind == kImageKindRgb ? 8 : image.bits);
  h.paletteCount = image.paletteCount;
  h.paletteBytes = uint32_t(image.palette.size());
  h.imageBytes = uint32_t(image.bytes.size());

  FreeStreamScratch(stream);
  auto* captured = static_cast<BYTE*>(GlobalAlloc(GPTR, image.bytes.empty() ? 1 : image.bytes.size()));
  if (!captured) return 0;
  std::memcpy(captured, image.bytes.data(), image.bytes.size());
  StreamWorkArea& work = stream->work;
  work.capturedImage = captured;
  work.capturedHeader = h;
  work.capturedImageBytes = h.imageBytes;
  // The capture waits for the replay with the caller's raster operation.
  if (work.spanMode == kSpanCapture) return 1;

  if (IsBlackWhitePalette(pxlo))
    for (uint32_t i = 0; i < work.capturedImageBytes; ++i) captured[i] = BYTE(~captured[i]);
  DrawCapturedRows(stream, pco, kDirectClipBatch);
  stream->tiffJob.penLevel = 0;
  FreeStreamScratch(stream);
  work.capturedImageBytes = 0;
  return 1;
}

int SetUpImageScaler(const PdevState* pdev, ImageScalerRecord* record, const SURFOBJ* source, SIZEL size, SIZEL target,
                     uint32_t type, uint32_t code) {
  if (!pdev || !record || !source || type != 2 || code != 0xCC) return 0;
  const uint32_t p = BitsPerPixelOfFormat(source->iBitmapFormat);
  if (p != 16 && p != 24 && p != 32) return 0;
  const BYTE on = BYTE(GetPdevSettingLong(pdev, 470));
  const uint16_t targetDpi = uint16_t(GetPdevSettingShort(pdev, 350));
  if (on == 0 || targetDpi == 0) return 0;
  record->scaler = CreateScaler();
  if (!record->scaler) return 0;
  if (SetScalerResolution(record->scaler, kScalerKindArea, uint16_t(GetPdevSettingShort(pdev, 20)),
                          uint16_t(GetPdevSettingShort(pdev, 21)), targetDpi) != 1) {
    return 0;
  }
  uint32_t width = 0, height = 0;
  if (size.cx <= 0 || size.cy <= 0 || target.cx <= 0 || target.cy <= 0 ||
      GetScaledSize(record->scaler, uint32_t(size.cx), uint32_t(size.cy), uint32_t(target.cx), uint32_t(target.cy),
                    &width, &height) != 1) {
    return 0;
  }
  if (width >= uint32_t(size.cx) && height >= uint32_t(size.cy)) return 0;
  record->scaledWidth = width;
  record->scaledHeight = height;
  return 1;
}

int RenderSourceBlt(PdevState* pdev, CLIPOBJ* pco, SURFOBJ* psoSrc, SURFOBJ* psoMask, SIZEL size, POINTL* pptlSrc,
                    POINTL* pptlMask, RECTL* prclTrg, XLATEOBJ* pxlo, BRUSHOBJ* pbo, POINTL* pptlBrush, uint32_t type,
                    uint32_t code) {
  if (!pdev || !pdev->jobOutput || !pdev->imageStore || !prclTrg) return 0;
  JobOutputStream* stream = pdev->jobOutput;
  POINTL origin = pptlSrc ? *pptlSrc : POINTL{0, 0};
  if (psoSrc) {
    if (!pxlo && psoSrc->iBitmapFormat != BMF_24BPP) return 0;
    // A negative origin shrinks the image by the overhang; it is not moved.
    if (origin.x < 0) {
      size.cx += origin.x;
      origin.x = 0;
    }
    if (origin.y < 0) {
      size.cy += origin.y;
      origin.y = 0;
    }
    size.cx = LONG(std::min<int64_t>(size.cx, int64_t(psoSrc->sizlBitmap.cx) - origin.x));
    size.cy = LONG(std::min<int64_t>(size.cy, int64_t(psoSrc->sizlBitmap.cy) - origin.y));
    // Nothing of the source is left: nothing to read or draw.
    if (size.cx <= 0 || size.cy <= 0) return 1;
  }
  const int bw = IsBlackWhiteSource(psoSrc, size, origin, pxlo, pbo, pptlBrush, type, code);
  if (SelectRasterOp(pdev->imageStore, type, code) != 0) return 0;
  POINTL brushOrigin = pptlBrush ? *pptlBrush : POINTL{0, 0};
  if (pbo && !SelectBrush(pdev, kBrushRoleFill, &brushOrigin, pbo, kNoRop4)) return 0;
  if (ConverterMode(pdev->colorConverter) != 4 && UpdateClipState(pdev, pco, nullptr, prclTrg, nullptr) != 1) return 0;

  const LONG targetWidth = prclTrg->right - prclTrg->left, targetHeight = prclTrg->bottom - prclTrg->top;
  ImageScalerRecord scaler{};
  SIZEL scaled = size;
  if (psoSrc && SetUpImageScaler(pdev, &scaler, psoSrc, size, SIZEL{targetWidth, targetHeight}, type, code) == 1) {
    if (SetScalerSizes(scaler.scaler, uint32_t(size.cx), uint32_t(size.cy), scaler.scaledWidth, scaler.scaledHeight) ==
        1) {
      scaler.on = 1;
      scaled = SIZEL{LONG(scaler.scaledWidth), LONG(scaler.scaledHeight)};
    }
  }
  float matrix[6] = {0, 0, 0, 0, 0, 0};
  if (targetWidth) matrix[0] = float(scaled.cx) / float(targetWidth);
  if (targetHeight) matrix[3] = float(scaled.cy) / float(targetHeight);

  int result;
  if (stream->work.spanMode == kSpanReplay) {
    StreamWorkArea& work = stream->work;
    if (IsInvertingXlate(pxlo) && work.capturedImage)
      for (uint32_t i = 0; i < work.capturedImageBytes; ++i) work.capturedImage[i] = BYTE(~work.capturedImage[i]);
    TiffJobRecord* r = &stream->tiffJob;
    if (bw) {
      // White over a black-and-white source: the ink of the source is drawn
      // in an extra pass before the XOR.
      if (r->penLevel == kWhiteGrey && r->ropPolarity == kPolarityInverted && r->ropOperation == kOperationXor) {
        SetRasterOp(stream, 'i', 'o');
        ReplayCapturedImage(pdev, pco);
        SetRasterOp(stream, 'n', 'e');
      }
      if (r->penLevel == kWhiteGrey && r->ropPolarity == kPolarityNormal && r->ropOperation == kOperationOr) {
        SetRasterOp(stream, 'n', 'o');
        ReplayCapturedImage(pdev, pco);
        SetRasterOp(stream, 'n', 'e');
      }
    }
    result = ReplayCapturedImage(pdev, pco);
  } else {
    result = DrawSourceImage(pdev, psoSrc, psoMask, size, origin, pptlMask ? *pptlMask : POINTL{0, 0}, prclTrg, pxlo,
                             matrix, pco, &scaler);
  }
  FreeScalerRecord(&scaler);
  return result == 0 ? 0 : 1;
}
