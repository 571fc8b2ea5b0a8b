// The scaling fronts.
#include "raster/geometry/rst_scale.h"

#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_height_rle.h"
#include "raster/geometry/rst_scale_iar.h"
#include "raster/geometry/rst_scale_li.h"
#include "raster/geometry/rst_scale_or_and.h"
#include "raster/geometry/rst_scale_pp.h"
#include "raster/geometry/rst_scale_width_nn.h"
#include "raster/geometry/rst_scale_width_rle.h"

namespace {

using AxisCreate = RstRead* (*)(RstRead*, int32_t);

RstRead* height_0d(RstRead* source, int32_t height) { return RstScaleHeight0D::create(source, height, 0); }

bool sizes_ok(RstRead* source, int32_t width, int32_t height, const char* where) {
  // A negative height would be taken as about 4 billion lines.
  if (!source || width == 0 || height <= 0) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  return true;
}

// Chains the two scalers by the order rule. A scaler that fails has
// reported; the one built before it is ended, leaving the source as the
// caller gave it.
RstRead* chain(RstRead* source, int32_t width, int32_t height, AxisCreate width_create, AxisCreate height_create) {
  RstCreateGuard guard(source);
  bool height_first = uint32_t(height) < uint32_t(RstHeader(source).height);
  RstRead* first = height_first ? height_create(source, height) : width_create(source, width);
  if (!first) return nullptr;
  // Held until the second scaler holds it, also when a report throws.
  RstOwner<RstRead> held(first != source ? first : nullptr);
  RstRead* second = height_first ? width_create(first, width) : height_create(first, height);
  if (!second) return nullptr;
  held.release();
  return rst_create_end(second, guard);
}

RstRead* raw_or_runs(RstRead* source, int32_t width, int32_t height, const char* where, AxisCreate width_create,
                     AxisCreate height_create, RstRead* (*runs)(RstRead*, int32_t, int32_t)) {
  if (!sizes_ok(source, width, height, where)) return nullptr;
  int32_t form = RstHeader(source).data_form;
  if (form == RstDataForm::rle) return runs(source, width, height);
  if (form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return chain(source, width, height, width_create, height_create);
}

}  // namespace

RstRead* RstScaleNN::create(RstRead* source, int32_t width, int32_t height) {
  return raw_or_runs(source, width, height, "RstScaleNN::create()", RstScaleWidthNN::create, height_0d,
                     RstScaleRLENN::create);
}

RstRead* RstScaleLI::create(RstRead* source, int32_t width, int32_t height) {
  if (!sizes_ok(source, width, height, "RstScaleLI::create()")) return nullptr;
  return chain(source, width, height, RstScaleWidthLI::create, RstScaleHeightLI::create);
}

RstRead* RstScalePP::create(RstRead* source, int32_t width, int32_t height) {
  if (!sizes_ok(source, width, height, "RstScalePP::create()")) return nullptr;
  return chain(source, width, height, RstScaleWidthPP::create, RstScaleHeightPP::create);
}

RstRead* RstScaleIAR::create(RstRead* source, uint32_t x_factor, uint32_t y_factor) {
  if (!source || x_factor == 0 || y_factor == 0) {
    rst_report(RstCode::bad_argument, "RstScaleIAR::create()");
    return nullptr;
  }
  // Always the lines first: the width scaler then sees 1 / y_factor of them.
  RstCreateGuard guard(source);
  RstRead* lines = RstScaleHeightIAR::create(source, y_factor);
  if (!lines) return nullptr;
  RstOwner<RstRead> held(lines != source ? lines : nullptr);
  RstRead* pixels = RstScaleWidthIAR::create(lines, x_factor);
  if (!pixels) return nullptr;
  held.release();
  return rst_create_end(pixels, guard);
}

RstRead* RstScaleOR::create(RstRead* source, int32_t width, int32_t height) {
  return raw_or_runs(source, width, height, "RstScaleOR::create()", RstScaleWidthOR::create, RstScaleHeightOR::create,
                     RstScaleRLEOR::create);
}

RstRead* RstScaleAND::create(RstRead* source, int32_t width, int32_t height) {
  return raw_or_runs(source, width, height, "RstScaleAND::create()", RstScaleWidthAND::create,
                     RstScaleHeightAND::create, RstScaleRLEAND::create);
}

RstRead* RstScaleRLENN::create(RstRead* source, int32_t width, int32_t height) {
  if (!sizes_ok(source, width, height, "RstScaleRLENN::create()")) return nullptr;
  return chain(source, width, height, RstScaleWidthRLENN::create, RstScaleHeightRLENN::create);
}

RstRead* RstScaleRLEOR::create(RstRead* source, int32_t width, int32_t height) {
  if (!sizes_ok(source, width, height, "RstScaleRLEOR::create()")) return nullptr;
  return chain(source, width, height, RstScaleWidthRLEOR::create, RstScaleHeightRLEOR::create);
}

RstRead* RstScaleRLEAND::create(RstRead* source, int32_t width, int32_t height) {
  if (!sizes_ok(source, width, height, "RstScaleRLEAND::create()")) return nullptr;
  return chain(source, width, height, RstScaleWidthRLEAND::create, RstScaleHeightRLEAND::create);
}
