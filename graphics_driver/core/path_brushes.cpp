// The pen, brush and line style of a path drawing (see path_drawing.h).
#include <algorithm>
#include <cmath>

#include "graphics_driver/core/brushes.h"
#include "graphics_driver/core/path_drawing.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/core/raster_ops.h"

namespace {

// Longest line width and style entry taken, in dots: far past any page, and
// small enough that sums of entries cannot overflow.
constexpr int32_t kMaxLineWidth = 0x7FFF;
constexpr int64_t kMaxStyleLength = 1 << 28;

}  // namespace

int32_t PathLineWidth(const LINEATTRS* lineattrs) {
  if (!lineattrs) return 1;
  double width = 0;
  if (lineattrs->fl & LA_GEOMETRIC) {
    const double e = lineattrs->elWidth.e;
    width = std::isnan(e) ? 0 : std::trunc(e);
  } else {
    width = lineattrs->elWidth.l;
  }
  if (width < 1) return 1;
  return int32_t(std::min<double>(width, kMaxLineWidth));
}

int32_t StyleEntryLength(const LineStyle& style, uint32_t index) {
  if (!style.entries || index >= style.count) return std::max(style.width, 1);
  int64_t length = 0;
  if (style.geometric) {
    const double e = style.entries[index].e;
    length = std::isnan(e) ? 0 : int64_t(std::clamp<double>(std::trunc(e), -1, double(kMaxStyleLength)));
  } else {
    length = int64_t(style.entries[index].l) * style.scale;
  }
  // Nothing shorter than a dot: a step of zero or less would never end.
  if (length < 1) return std::max(style.width, 1);
  return int32_t(std::min(length, kMaxStyleLength));
}

LineStyle PrepareLineStyle(const PdevState* pdev, const LINEATTRS* lineattrs) {
  LineStyle style;
  style.width = PathLineWidth(lineattrs);
  if (!lineattrs || lineattrs->cstyle == 0 || !lineattrs->pstyle) return style;  // solid
  style.entries = lineattrs->pstyle;
  style.count = lineattrs->cstyle;
  style.geometric = (lineattrs->fl & LA_GEOMETRIC) != 0;
  if (!style.geometric && !(lineattrs->fl & LA_ALTERNATE)) {
    // A style unit of about a millimetre.
    style.scale = pdev ? GetPdevSettingShort(pdev, 21) / 25 : 1;
  }
  return style;
}

void ApplyThinLineEmphasis(PdevState* pdev, const LINEATTRS* lineattrs) {
  if (!pdev || !pdev->jobOutput) return;
  if (IsFlag479(pdev)) return;
  const WORD mode = GetSetting356(pdev);
  if (mode == 0 || PathLineWidth(lineattrs) > int32_t(GetSetting355(pdev))) return;
  uint32_t& grey = pdev->jobOutput->tiffJob.penLevel;
  if (mode == 1) grey = 0;
  else if (mode == 2) grey /= 2;
}

int RealizePathBrushes(PdevState* pdev, BRUSHOBJ* pboStroke, const LINEATTRS* lineattrs, BRUSHOBJ* pboFill,
                       const POINTL* brushOrigin, MIX mix, FLONG flOptions, int kind, LineStyle* style) {
  if (!pdev || !style) return 0;
  const bool strokes = kind == kPathStroke || kind == kPathStrokeAndFill;
  const bool fills = kind == kPathFill || kind == kPathStrokeAndFill;
  if (!strokes && !fills) return 0;
  // Either mode fills even-odd; anything else is refused.
  if (fills && flOptions != FP_ALTERNATEMODE && flOptions != FP_WINDINGMODE) return 0;
  *style = strokes ? PrepareLineStyle(pdev, lineattrs) : LineStyle{};
  const ROP4 rop4 = MixToRop4(mix);
  if (strokes) {
    if (!SelectBrush(pdev, kBrushRoleStroke, brushOrigin, pboStroke, rop4)) return 0;
    if (kind == kPathStroke) ApplyThinLineEmphasis(pdev, lineattrs);
  }
  // The fill brush takes the one drawing state: a stroke and fill strokes
  // with it too.
  if (fills && !SelectBrush(pdev, kBrushRoleFill, brushOrigin, pboFill, rop4)) return 0;
  return 1;
}
