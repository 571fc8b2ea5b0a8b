// The geometry nodes handed to the format readers: run-line painting and
// column clips.
#include "raster/geometry/rst_geometry_creators.h"

#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_clip_width.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_mirror_y.h"

namespace {
RstRead* decode_rle(RstRead* source) { return RstDecodeRLE::create(source); }
// A negative width acts as a very large one: the rest of the line.
RstRead* clip_width(RstRead* source, int32_t x, int32_t width) {
  return RstClipWidth::create(source, x, uint32_t(width));
}
RstRead* mirror_y(RstRead* source) { return RstMirrorY::create(source); }
}  // namespace

void rst_register_geometry_creators() {
  rst_format_creators().decode_rle = &decode_rle;
  rst_format_creators().clip_width = &clip_width;
  rst_format_creators().mirror_y = &mirror_y;
}
