// The scaling fronts.
#include "raster/geometry/rst_scale.h"

#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_height_rle.h"
#include "raster/geometry/rst_scale_or_and.h"
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
