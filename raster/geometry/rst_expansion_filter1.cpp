// The raw-line morphology fronts: shifted copies over shared fan-outs.
#include "raster/geometry/rst_expansion_filter1.h"

#include <climits>

#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_filter1_rle.h"
#include "raster/geometry/rst_pixel_binary_command.h"
#include "raster/geometry/rst_pixel_binary_operation.h"

namespace {

// One pass: src combined with its copies at +-1 .. +-k along one axis. A
// fan-out that cannot be made reports -1 at where. On failure every node
// made here is ended, and src with them when owns_src (a node of this
// factory); the caller's own source is never ended here.
RstRead* pass(RstRead* src, uint32_t k, bool horizontal, RstPixelBinaryOperationCommand& command, bool owns_src,
              const char* where) {
  if (k == 0) return src;
  // The horizontal copies all read the line the base reads; the vertical
  // ones reach k lines up and down.
  uint64_t lines = horizontal ? 1 : 2 * uint64_t(k) + 1;
  RstDivide* divide = lines <= INT_MAX ? RstDivide::create(src, horizontal ? 1 : 2, int(lines)) : nullptr;
  if (!divide) {
    rst_report(RstCode::no_memory, where);
    if (owns_src) src->end();
    return nullptr;
  }
  RstRead* r = divide->create_reader();
  if (!r) {
    divide->end();
    return nullptr;
  }
  for (uint32_t i = 1; i <= k; ++i) {
    for (int32_t sign : {1, -1}) {
      RstRead* b = divide->create_reader();
      if (!b) {
        r->end();
        return nullptr;
      }
      int32_t offset = sign * int32_t(i);
      RstRead* node = RstPixelBinaryOperation::create(r, b, command, horizontal ? offset : 0, horizontal ? 0 : offset);
      if (!node) {
        b->end();
        r->end();
        return nullptr;
      }
      r = node;
    }
  }
  return r;
}

RstRead* morphology(RstRead* source, uint32_t n, bool dilate, const char* where) {
  if (!source || n == 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 1 || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (h.data_form == RstDataForm::rle)
    return dilate ? RstExpansionFilter1RLE::create(source, n) : RstShrinkFilter1RLE::create(source, n);
  // A colormap would turn the copies into colour pixels.
  if (h.data_form != RstDataForm::raw || h.colormap || h.width < 0 || h.height < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  // Copies shifted by the image's size or more miss it and change nothing:
  // the passes stop before them.
  uint32_t nx = h.width > 0 && uint32_t(h.width - 1) < n ? uint32_t(h.width - 1) : (h.width > 0 ? n : 0);
  uint32_t ny = h.height > 0 && uint32_t(h.height - 1) < n ? uint32_t(h.height - 1) : (h.height > 0 ? n : 0);
  RstPixelOrCommand or_command;
  RstPixelAndCommand and_command;
  RstPixelBinaryOperationCommand& command = dilate ? static_cast<RstPixelBinaryOperationCommand&>(or_command)
                                                   : static_cast<RstPixelBinaryOperationCommand&>(and_command);
  RstRead* across = pass(source, nx, true, command, false, where);
  if (!across) return nullptr;
  RstRead* result = pass(across, ny, false, command, across != source, where);
  if (!result) return nullptr;
  return rst_create_end(result, guard);
}

}  // namespace

RstRead* RstExpansionFilter1::create(RstRead* source, uint32_t n) {
  return morphology(source, n, true, "RstExpansionFilter1::create()");
}

RstRead* RstShrinkFilter1::create(RstRead* source, uint32_t n) {
  return morphology(source, n, false, "RstShrinkFilter1::create()");
}
