// The geometry nodes handed to the format readers (run-line painting,
// side-by-side joining, column clips) and to the JPEG writer's chroma filter
// (convolution, plane merging).
#include "raster/geometry/rst_geometry_creators.h"

#include <new>
#include <vector>

#include "raster/codecs/rst_codec_creators.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_align_x.h"
#include "raster/geometry/rst_clip_width.h"
#include "raster/geometry/rst_convolution_filter.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_merge_8bit_planes.h"
#include "raster/geometry/rst_mirror_y.h"
#include "raster/geometry/rst_scale.h"

namespace {
RstRead* decode_rle(RstRead* source) { return RstDecodeRLE::create(source); }
// A negative width acts as a very large one: the rest of the line.
RstRead* clip_width(RstRead* source, int32_t x, int32_t width) {
  return RstClipWidth::create(source, x, uint32_t(width));
}
RstRead* mirror_y(RstRead* source) { return RstMirrorY::create(source); }
RstRead* align_x(const std::vector<RstRead*>& nodes) { return RstAlignX::create(nodes); }
// The writer's kernels are filters of plain low-pass weights: no magnitude.
RstRead* convolution_filter(RstRead* source, const RstCodecKernel& k) {
  RstKernel kernel;
  if (k.weights)
    kernel.set(uint32_t(k.width), uint32_t(k.height), uint32_t(k.anchor_x), uint32_t(k.anchor_y), k.weights);
  return RstConvolutionFilter::create(source, kernel, false);
}
RstRead* merge_8bit_planes(RstRead* first, RstRead* second, RstRead* third, RstColorType* type) {
  std::vector<RstRead*> planes;
  try {
    planes = {first, second, third};
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstMerge8bitPlanes::create()");
    return nullptr;
  }
  return RstMerge8bitPlanes::create(planes, type);
}
}  // namespace

void rst_register_geometry_creators() {
  rst_format_creators().decode_rle = &decode_rle;
  rst_format_creators().clip_width = &clip_width;
  rst_format_creators().mirror_y = &mirror_y;
  rst_format_creators().align_x = &align_x;
  rst_format_creators().scale_nn = &RstScaleNN::create;
  rst_codec_creators().convolution_filter = &convolution_filter;
  rst_codec_creators().merge_8bit_planes = &merge_8bit_planes;
}
