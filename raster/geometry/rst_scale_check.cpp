// The one-axis scalers' create checks.
#include "raster/geometry/rst_scale_check.h"

#include "raster/core/rst_status_context.h"

RstScaleVerdict rst_scale_check(RstRead* source, int32_t size, RstScaleAxis axis, const char* where,
                                bool (*layout)(const RstHeader&), RstScaleDirection direction) {
  bool width = axis == RstScaleAxis::width;
  // A negative height would be taken as about 4 billion lines.
  if (!source || size == 0 || (!width && size < 0)) {
    rst_report(RstCode::bad_argument, where);
    return RstScaleVerdict::refused;
  }
  RstHeader h(source);
  int64_t from = width ? h.width : h.height;
  if (size == from) return RstScaleVerdict::same;
  int64_t to = size < 0 ? -int64_t(size) : int64_t(size);
  if ((direction == RstScaleDirection::enlarge && to <= from) ||
      (direction == RstScaleDirection::reduce && to >= from)) {
    rst_report(RstCode::bad_argument, where);
    return RstScaleVerdict::refused;
  }
  if (layout && !layout(h)) {
    rst_report(RstCode::unsupported_form, where);
    return RstScaleVerdict::refused;
  }
  // A source width of 0 would divide by zero; a step of 0 (beyond 4096:1)
  // would put everything on the first pixel or line.
  bool size_ok = from >= 0 && from < kRstScaleMaxSize && to < kRstScaleMaxSize && !(width && from == 0);
  if (!size_ok || (from > 1 && to > 1 && ((from << 12) / to == 0 || (to << 12) / from == 0))) {
    rst_report(RstCode::unsupported_form, where);
    return RstScaleVerdict::refused;
  }
  return RstScaleVerdict::build;
}

bool rst_scale_bilevel_raw(const RstHeader& h) {
  return h.bits_per_sample == 1 && h.samples_per_pixel == 1 && h.data_form == RstDataForm::raw;
}

bool rst_scale_bilevel_runs(const RstHeader& h) {
  return h.bits_per_sample == 1 && h.samples_per_pixel == 1 && h.data_form == RstDataForm::rle;
}

uint64_t rst_scale_size(uint32_t size, RstRational factor) {
  factor.reduce();
  if (!factor.denominator) return 0;
  return uint64_t(size) * factor.numerator / factor.denominator;
}
