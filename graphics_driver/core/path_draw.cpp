// The path walk behind DrvStrokePath, DrvFillPath and DrvStrokeAndFillPath
// (see path_drawing.h).
#include <algorithm>
#include <cstdint>
#include <limits>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/clip_cache.h"
#include "graphics_driver/core/clip_overlaps.h"
#include "graphics_driver/core/driver_entry.h"
#include "graphics_driver/core/path_drawing.h"
#include "graphics_driver/core/sheet_marks.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/gdi/eng_services.h"
#include "platform/win/win_error.h"
#include "platform/win/win_memory.h"

namespace {

// Set by nothing in this driver: a call then succeeds without drawing.
constexpr uint32_t kDdiSkipDrawing = 0x200000;
// Outline points per curve of the path.
constexpr uint64_t kOutlinePointsPerCurve = 3;

LONG DotOf(FIX v) { return LONG(v >> 4); }

BOOL InvalidParameter() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

// Everything a path walk draws with.
struct PathWalk {
  PdevState* pdev;
  JobOutputStream* stream;
  const LINEATTRS* lineattrs;
  LineStyle* style;
  RECTL bounds;
  int32_t width;
  const POINTL* clipPoints;  // the complex clip polygon, or null
  uint32_t clipCount;
  POINTL shift;     // the mark offset: the path and its clip are drawn this far away
  POINTL* outline;  // null when the kind fills nothing
  uint32_t outlineCount, outlineCapacity;

  // One segment: cut to the clip polygon, drawn, and appended to the fill
  // outline unless it closes a figure (the fill closes its outline itself).
  void Segment(POINTL a, POINTL b, bool closing) {
    if (a.x == b.x && a.y == b.y) return;
    if (int64_t(a.y) + shift.y < 0 && int64_t(b.y) + shift.y < 0) return;  // wholly above the band
    PolySegment s{a.x, a.y, b.x, b.y};
    if (clipPoints) {
      // A segment that cannot be cut is not drawn past the clip.
      const int cut = ClipSegmentToPolygon(&s, clipPoints, clipCount);
      if (cut == 2 || cut < 0) return;
    }
    // Cut where the clip is, drawn where the mark goes.
    s = MoveSegment(s, shift.x, shift.y);
    if (style->count != 0) {
      DrawStyledSegment(stream, s, bounds, width, style);
    } else {
      DrawWideSegment(stream, s, bounds, width);
    }
    if (outline && !closing) {
      const int32_t count = AppendOutlineSegment(s, outline, outlineCount, outlineCapacity);
      if (count >= 0) outlineCount = uint32_t(count);
    }
  }

  // Every record, the one that comes with FALSE included: it is the last
  // (for most paths the only) one.
  void Walk(PATHOBJ* ppo) {
    PATHOBJ_vEnumStart(ppo);
    POINTL last{0, 0}, first{0, 0};
    bool haveLast = false;
    BOOL more = FALSE;
    do {
      PATHDATA record{};
      more = PATHOBJ_bEnum(ppo, &record);
      if (record.count == 0 || !record.pptfx) continue;
      const POINTL start{DotOf(record.pptfx[0].x), DotOf(record.pptfx[0].y)};
      if (record.flags & PD_BEGINSUBPATH) {
        first = start;
      } else if (haveLast) {
        Segment(last, start, false);
      }
      POINTL p = start;
      for (ULONG i = 1; i < record.count; ++i) {
        const POINTL q{DotOf(record.pptfx[i].x), DotOf(record.pptfx[i].y)};
        Segment(p, q, false);
        p = q;
      }
      last = p;
      haveLast = true;
      // On in the direction of travel, so that the style and the wide
      // line's sides run on round the figure.
      if (record.flags & PD_CLOSEFIGURE) Segment(last, first, true);
    } while (more == TRUE);
  }
};

}  // namespace

int DrawPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ*, BRUSHOBJ* pboStroke, LINEATTRS* plineattrs,
             BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mix, FLONG flOptions, int kind) {
  PdevState* pdev = PdevOfSurface(pso);
  if (!IsValidPdev(pdev) || !ppo) return 0;
  if (pdev->ddiFlags & kDdiDocumentFailed) return 0;
  if (pdev->ddiFlags & kDdiSkipDrawing) return 1;
  JobOutputStream* stream = pdev->jobOutput;
  if (!stream || kind < kPathStroke || kind > kPathStrokeAndFill) return 0;
  if (PrepareClipForPath(pdev, ppo, pco, kind) != 1) return 0;

  const POINTL origin = pptlBrushOrg ? *pptlBrushOrg : POINTL{0, 0};
  const LINEATTRS* lineattrs = kind == kPathFill ? nullptr : plineattrs;
  LineStyle style;
  if (!RealizePathBrushes(pdev, pboStroke, lineattrs, pboFill, &origin, mix, flOptions, kind, &style)) {
    FreeClipPointBuffer(pdev);
    return 0;
  }

  RECTFX fx{0, 0, 0, 0};
  PATHOBJ_vGetBounds(ppo, &fx);
  // The drawing bounds reach the line's width past the path's points: the
  // ink of a line lies partly beside them.
  const int32_t width = lineattrs ? PathLineWidth(lineattrs) : 1;
  const auto grown = [](LONG v, int64_t by) {
    return LONG(
        std::clamp<int64_t>(int64_t(v) + by, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
  };
  RECTL bounds{grown(DotOf(fx.xLeft), -width), grown(DotOf(fx.yTop), -width), grown(DotOf(fx.xRight), width),
               grown(DotOf(fx.yBottom), width)};
  // A tiled stamp copy or a label is drawn its mark offset away, its clip
  // moved with it.
  const POINTL shift = MarkShift(pdev);
  if (ClipBoundsToClipObject(pco, &bounds) == 0) {
    FreeClipPointBuffer(pdev);
    return 1;  // the path misses the clip
  }
  bounds = MoveRect(bounds, shift.x, shift.y);
  bounds.top = std::max<LONG>(0, bounds.top);
  if (bounds.top > bounds.bottom) {
    FreeClipPointBuffer(pdev);
    return 1;  // the path lies above the band
  }

  int result = 1;
  StreamWorkArea& work = stream->work;
  const bool fills = kind != kPathStroke;
  if (fills) {
    const uint64_t capacity = uint64_t(ppo->cCurves) * kOutlinePointsPerCurve;
    if (capacity > 0 && capacity <= std::numeric_limits<uint32_t>::max() / sizeof(POINTL)) {
      work.fillOutline = static_cast<POINTL*>(GlobalAlloc(GPTR, SIZE_T(capacity) * sizeof(POINTL)));
    }
    work.fillOutlineCapacity = work.fillOutline ? uint32_t(capacity) : 0;
    work.fillOutlineCount = 0;
    // A fill that cannot be drawn is not reported drawn; a stroke and fill
    // still draws its strokes.
    if (!work.fillOutline && capacity > 0) {
      if (kind == kPathFill) {
        FreeClipPointBuffer(pdev);
        return 0;
      }
      result = 0;
    }
  }

  PathWalk walk{pdev,    stream, lineattrs, &style,           bounds, width,
                nullptr, 0,      shift,     work.fillOutline, 0,      work.fillOutlineCapacity};
  if (pdev->clipCache.state == kClipStateComplex && work.clipPoints && work.clipPointCount >= 3) {
    walk.clipPoints = work.clipPoints;
    walk.clipCount = work.clipPointCount;
  }
  walk.Walk(ppo);

  if (work.fillOutline) {
    FillPolygon(stream, work.fillOutline, walk.outlineCount, &bounds, 0);
    GlobalFree(work.fillOutline);
  }
  work.fillOutline = nullptr;
  work.fillOutlineCapacity = work.fillOutlineCount = 0;
  FreeClipPointBuffer(pdev);
  // Patterns are for this drawing only.
  SetDrawImageKind(stream, kPatternGrey);
  stream->tiffJob.brushLevel = 0;
  return result;
}

BOOL DrawStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                    LINEATTRS* plineattrs, MIX mix) {
  if (!pso || !ppo || !plineattrs || ((plineattrs->fl & LA_GEOMETRIC) && !pxo)) return InvalidParameter();
  if (mix == kMixNop) return TRUE;
  return DrawPath(pso, ppo, pco, pxo, pbo, plineattrs, nullptr, pptlBrushOrg, mix, 0, kPathStroke) == 1 ? TRUE : FALSE;
}

BOOL DrawFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                  FLONG flOptions) {
  if (!pso || !ppo) return InvalidParameter();
  return DrawPath(pso, ppo, pco, nullptr, nullptr, nullptr, pbo, pptlBrushOrg, mix, flOptions, kPathFill) == 1 ? TRUE
                                                                                                               : FALSE;
}

BOOL DrawStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                           LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                           FLONG flOptions) {
  if (!pso || !ppo || !plineattrs || ((plineattrs->fl & LA_GEOMETRIC) && !pxo)) return InvalidParameter();
  return DrawPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill, flOptions,
                  kPathStrokeAndFill) == 1
             ? TRUE
             : FALSE;
}
