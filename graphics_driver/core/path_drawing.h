// Path stroking and filling: the driver walks the engine's PATHOBJ segment by
// segment, cuts each segment to the complex clip polygon, draws it into the
// band as a solid wide line or as a dashed line whose style state runs on
// from segment to segment, and for fills collects the drawn segments into an
// outline that is filled even-odd. Coordinates are band-relative dots; path
// points arrive in 28.4 fixed point.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/ddi_types.h"

// Drawing kinds.
constexpr int kPathStroke = 1;
constexpr int kPathFill = 2;
constexpr int kPathStrokeAndFill = 3;

// The mix that leaves the destination alone for foreground and background.
constexpr MIX kMixNop = 0x0B0B;

// The workers of DrvStrokePath, DrvFillPath and DrvStrokeAndFillPath: the
// argument checks (ERROR_INVALID_PARAMETER and FALSE) and DrawPath.
BOOL DrawStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                    LINEATTRS* plineattrs, MIX mix);
BOOL DrawFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                  FLONG flOptions);
BOOL DrawStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                           LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                           FLONG flOptions);

// 1 drawn (or nothing to draw), 0 failure: an invalid PDEV, a failed
// document, a failed clip set-up or brush realisation, a fill mode other
// than FP_ALTERNATEMODE and FP_WINDINGMODE, and for fills a fill outline
// that cannot be had (a stroke and fill still draws its strokes then).
int DrawPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke, LINEATTRS* plineattrs,
             BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mix, FLONG flOptions, int kind);

// The line width in dots: a geometric width truncated, a cosmetic one as
// it stands; 1 without line attributes or for a width below 1.
int32_t PathLineWidth(const LINEATTRS* lineattrs);

// The driver's working view of a line's style array: the engine's
// LINEATTRS is never written. Every entry is read as its length in dots
// (cosmetic entries times scale, geometric ones truncated); a length below
// 1 counts as the line width, so every step of a dashed walk moves on.
struct LineStyle {
  const FLOAT_LONG* entries = nullptr;
  uint32_t count = 0;  // 0: the line is solid
  bool geometric = false;
  int32_t scale = 1;
  int32_t width = 1;
  // The state carried along the path: the entry in use, whether it is a
  // gap, and the dots left of it (0: take the next entry).
  uint32_t index = 0;
  bool inGap = false;
  int32_t remaining = 0;
};
int32_t StyleEntryLength(const LineStyle& style, uint32_t index);

// A working style for the line: solid without a style array; cosmetic
// lines without LA_ALTERNATE scale their entries by dmYResolution / 25, so
// that a style unit is about a millimetre. LA_STARTGAP changes nothing.
LineStyle PrepareLineStyle(const PdevState* pdev, const LINEATTRS* lineattrs);
// Realises the stroke brush (kinds 1 and 3) and the fill brush (kinds 2 and
// 3) into the one drawing state, so a stroke and fill strokes with the fill
// brush; the mix becomes the raster operation. 1, or 0 for a failed
// realisation or a fill mode other than 1 and 2 (both fill even-odd).
int RealizePathBrushes(PdevState* pdev, BRUSHOBJ* pboStroke, const LINEATTRS* lineattrs, BRUSHOBJ* pboFill,
                       const POINTL* brushOrigin, MIX mix, FLONG flOptions, int kind, LineStyle* style);
// Thin lines drawn darker: with setting 356 (1 black, 2 half the grey) for
// lines no wider than setting 355, unless the monochrome flag 479 is set.
void ApplyThinLineEmphasis(PdevState* pdev, const LINEATTRS* lineattrs);

// Direction code of a segment (see the table in path_segments.cpp): the
// units digit 1 right and up, 2 left and up, 3 left and down, 4 right and
// down; slanted segments add 10 (45 degrees), 20 (wider than tall) or 30.
int ClassifySegment(const PolySegment& s);
// The segment moved k dots across itself.
PolySegment OffsetSegment(const PolySegment& s, int32_t k);
// A solid line of width w, cut to bounds: horizontal and vertical ones as
// spans, slanted ones as the quadrilateral between two offset copies (the
// larger half of the width on the left of travel).
void DrawWideSegment(JobOutputStream* stream, const PolySegment& s, const RECTL& bounds, int32_t w);
// A dashed line of width w from the style state, which it advances.
void DrawStyledSegment(JobOutputStream* stream, const PolySegment& s, const RECTL& bounds, int32_t w, LineStyle* style);
// The point n dots on from `point` along the segment toward its end, put
// back onto the segment's line.
POINTL AdvancePointAlongSegment(POINTL point, const PolySegment& s, int32_t n);
int32_t Distance(POINTL a, POINTL b);
// Appends the segment to the fill outline: the new count, or -1 without an
// outline or when it is full (the count is unchanged then).
int32_t AppendOutlineSegment(const PolySegment& s, POINTL* outline, uint32_t count, uint32_t capacity);
// The band rows [0, limit) a span can be drawn on (the spare row included):
// the line loops stop there.
int64_t BandRowLimit(const JobOutputStream* stream);
