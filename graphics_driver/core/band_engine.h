// The band engine: every dot the driver draws itself ends here, in the
// current band of the page held by the job's TIFF record (one bit a dot, set
// bit = ink, most significant bit leftmost). A span is a run of dots on one
// band row filled with the current grey, hatch or brush pattern; a bitmap row
// is one row of a 1-bit source (a glyph or image row) masked with the current
// grey. Both combine with the band by the current raster operation, and
// patterns are anchored to the page's row 0 and column 0. Coordinates are
// band-relative dots: the page row is y + the band top.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/ddi_types.h"

// Span modes of the stream's work area.
constexpr uint32_t kSpanIdle = 0;
constexpr uint32_t kSpanCapture = 1;
constexpr uint32_t kSpanReplay = 2;
constexpr uint32_t kSpanXorSaved = 3;

// Pattern indexes (the record's imageKind).
constexpr uint32_t kPatternGrey = 0;
constexpr uint32_t kPatternBrushCell = 1;
constexpr uint32_t kPatternFirstHatch = 2;
constexpr uint32_t kPatternBrushBitmap = 12;

// Fills the dots [x, x + width) of band row y: 1, or 0 when nothing was
// drawn (no band, a row outside the band, a span that misses the band after
// the cut to its columns, a raster operation other than 1-4).
int FillSpan(JobOutputStream* stream, int32_t x, int32_t y, int32_t width);

// Combines the first width bits of source with band row y from column x
// (mode 1 image rows, mode 0 glyph rows); rows is checked against the band,
// sourceRowBytes is not used. A row starting left of the band is cut by the
// exact overhang. 1 drawn (or a null source), 0 nothing drawn. The source is
// only read.
int DrawBitmapRow(JobOutputStream* stream, int32_t x, int32_t y, int32_t width, int32_t rows, const BYTE* source,
                  uint32_t sourceRowBytes, int mode);
// The same, limited to the columns clipLeft <= c < clipRight. The row is
// composed byte by byte, so no scratch block is ever needed: 1 or 0.
int DrawBitmapRowClipped(JobOutputStream* stream, int32_t x, int32_t y, int32_t width, int32_t rows, const BYTE* source,
                         uint32_t sourceRowBytes, int32_t clipLeft, int32_t clipRight, int mode);

// Saves the band bytes under [topLeft, bottomRight) (band-relative), cut to
// the band, for XOR spans against the saved area: 1, or 0 when nothing of the
// rectangle lies in the band or memory runs out (nothing is saved then and
// the span mode must stay as it is). A previous saved area is freed.
int SaveBandArea(JobOutputStream* stream, POINTL topLeft, POINTL bottomRight);

// Grey = (300 red + 590 green + 110 blue) / 999.6, truncated (white is 255).
uint32_t GreyLevel(BYTE red, BYTE green, BYTE blue);
// The foreground grey; the pattern index goes back to plain grey. 1, 0
// without a stream.
int SetForegroundGrey(JobOutputStream* stream, BYTE red, BYTE green, BYTE blue);
// The background grey (0: no background pass); the pattern index stays.
int SetBackgroundGrey(JobOutputStream* stream, BYTE red, BYTE green, BYTE blue);
