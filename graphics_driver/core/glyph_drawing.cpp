// Glyphs into the band (see text_output.h): each glyph's rows go straight
// from the engine's bitmap to the band, whole without a clip, else cut to
// every clip rectangle the engine enumerates, 50 at a time.
#include <algorithm>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/clip_overlaps.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/polygon_geometry.h"
#include "graphics_driver/core/text_output.h"
#include "graphics_driver/core/sheet_marks.h"
#include "graphics_driver/job_output/tiff_job_record.h"
#include "platform/gdi/eng_services.h"

namespace {

// The largest glyph side taken: far beyond any band, small enough that row
// arithmetic in 64 bits cannot overflow.
constexpr int32_t kMaxGlyphSide = 1 << 24;

// The band rows [first, last) a glyph whose top row is y can reach: the
// band's rows and its spare row.
void BandRows(const JobOutputStream* stream, int64_t y, int64_t cy, int64_t* first, int64_t* last) {
  const TiffJobRecord& r = stream->tiffJob;
  const int64_t rows = int64_t(r.bandBottom) - r.bandTop + 1;
  *first = std::max<int64_t>(y, 0);
  *last = std::min<int64_t>(y + cy, rows);
}

bool FitsLong(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

}  // namespace

int GetGlyphBits(PdevState*, FONTOBJ* pfo, HGLYPH hglyph, GlyphBitmap* glyph) {
  if (!pfo || !glyph) return 0;
  HGLYPH hg = hglyph;
  PVOID data = nullptr;
  if (FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hg, &data) != 1 || !data) return 0;
  const GLYPHBITS* bits = static_cast<const GLYPHDATA*>(data)->gdf.pgb;
  if (!bits) return 0;
  const LONG cx = bits->sizlBitmap.cx, cy = bits->sizlBitmap.cy;
  if (cx < 0 || cy < 0 || cx > kMaxGlyphSide || cy > kMaxGlyphSide) return 0;
  glyph->origin = bits->ptlOrigin;
  glyph->cx = cx;
  glyph->cy = cy;
  glyph->bytesPerRow = (uint32_t(cx) + 7) / 8;
  glyph->rows = bits->aj;
  return 1;
}

uint32_t GlyphRecordSize(const GlyphBitmap& glyph) {
  const uint64_t bytes = uint64_t(glyph.bytesPerRow) * uint64_t(std::max(glyph.cy, 0)) + 21;
  return uint32_t(std::min<uint64_t>(bytes, UINT32_MAX) & ~uint64_t(3));
}

int DrawGlyph(PdevState* pdev, FONTOBJ* pfo, const GLYPHPOS* position, CLIPOBJ* pco) {
  if (!pdev || !position) return 0;
  GlyphBitmap glyph{};
  if (GetGlyphBits(pdev, pfo, position->hg, &glyph) != 1) return 0;
  JobOutputStream* stream = pdev->jobOutput;
  if (!stream || glyph.cx == 0 || glyph.cy == 0) return 1;
  // A tiled stamp copy or a label is drawn its mark offset away.
  const POINTL shift = MarkShift(pdev);
  const int64_t x = int64_t(position->ptl.x) + glyph.origin.x + shift.x;
  const int64_t y = int64_t(position->ptl.y) + glyph.origin.y + shift.y;
  // A glyph placed beyond the coordinate range lies off every band.
  if (!FitsLong(x) || !FitsLong(x + glyph.cx) || !FitsLong(y) || !FitsLong(y + glyph.cy)) return 1;
  int64_t first = 0, last = 0;
  BandRows(stream, y, glyph.cy, &first, &last);

  if (!pco || pco->iDComplexity == DC_TRIVIAL) {
    for (int64_t row = first; row < last; ++row)
      DrawBitmapRow(stream, int32_t(x), int32_t(row), glyph.cx, 1, glyph.rows + size_t(row - y) * glyph.bytesPerRow,
                    glyph.bytesPerRow, 0);
    return 1;
  }

  // Every batch is drawn, the one that comes with FALSE included.
  const RECTL box{LONG(x), LONG(y), LONG(x + glyph.cx), LONG(y + glyph.cy)};
  ForEachMovedClipOverlap<kGlyphClipBatch>(pco, box, shift, [&](const RECTL& overlap) {
    const int64_t top = std::max<int64_t>(overlap.top, first);
    const int64_t bottom = std::min<int64_t>(overlap.bottom, last);
    for (int64_t row = top; row < bottom; ++row)
      DrawBitmapRowClipped(stream, int32_t(x), int32_t(row), glyph.cx, 1,
                           glyph.rows + size_t(row - y) * glyph.bytesPerRow, glyph.bytesPerRow, overlap.left,
                           overlap.right, 0);
    return true;
  });
  return 1;
}

int DrawGlyphs(PdevState* pdev, ULONG count, const GLYPHPOS* positions, FONTOBJ* pfo, CLIPOBJ* pco) {
  if (count == 0) return 1;
  if (!positions) return 0;
  for (ULONG i = 0; i < count; ++i)
    if (DrawGlyph(pdev, pfo, &positions[i], pco) != 1) return 0;
  return 1;
}

int DrawGlyphsPoolLimited(PdevState* pdev, ULONG count, const GLYPHPOS* positions, FONTOBJ* pfo, const WCHAR* chars,
                          CLIPOBJ* pco) {
  if (!pdev || !chars || !pfo) return 0;
  if (count == 0) return 1;
  if (!positions) return 0;
  for (ULONG i = 0; i < count; ++i) {
    GlyphBitmap glyph{};
    if (GetGlyphBits(pdev, pfo, positions[i].hg, &glyph) != 1) return 0;
    // Only asked: the glyph is never downloaded, so nothing is taken.
    if (AllocFromStorePool(pdev->imageStore, int16_t(chars[i]), int16_t(pfo->iUniq), 0, nullptr, GlyphRecordSize(glyph),
                           false) < 0) {
      return 0;
    }
    if (DrawGlyph(pdev, pfo, &positions[i], pco) != 1) return 0;
  }
  return 1;
}
