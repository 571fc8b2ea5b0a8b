// The checks shared by the creates of the binary pixel operations.
#include "raster/geometry/rst_pixel_pair.h"

#include "raster/core/rst_status_context.h"

namespace {

// Bytes of a raw line of the header's pixels.
int64_t packed_bytes(const RstHeader& h) {
  return (int64_t(h.width) * h.samples_per_pixel * h.bits_per_sample + 7) / 8;
}

}  // namespace

bool rst_check_pixel_vector(const std::vector<RstRead*>& inputs, const char* where, RstHeader& a, RstHeader& b) {
  if (inputs.size() != 2 || !inputs[0] || !inputs[1]) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  a = RstHeader(inputs[0]);
  b = RstHeader(inputs[1]);
  return true;
}

RstPairVerdict rst_check_pixel_pair(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, const char* where,
                                    RstPairRoute route, bool paste, RstHeader& a, RstHeader& b) {
  bool aligned = x % 8 == 0;
  if (x < 0 || y < 0 || (route == RstPairRoute::aligned_1bit && !aligned) ||
      (route == RstPairRoute::shifted_1bit && aligned)) {
    rst_report(RstCode::bad_argument, where);
    return RstPairVerdict::refused;
  }
  if (!rst_check_pixel_vector(inputs, where, a, b)) return RstPairVerdict::refused;
  bool depth = true;
  if (route == RstPairRoute::aligned_1bit || route == RstPairRoute::shifted_1bit)
    depth = a.bits_per_sample == 1 && a.samples_per_pixel == 1;
  else if (route == RstPairRoute::depth_8bit) depth = a.bits_per_sample == 8;
  bool colormaps = paste ? rst_pair_colormaps_paste(a, b) : rst_pair_colormaps_strict(a, b);
  if (!rst_pair_compatible(a, b) || !depth || !colormaps) {
    rst_report(RstCode::unsupported_form, where);
    return RstPairVerdict::refused;
  }
  if (rst_pair_covers_exactly(a, b, x, y)) return RstPairVerdict::covers;
  // Only the exact cover has run-line nodes; the offset nodes read raw bits.
  if (a.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, where);
    return RstPairVerdict::refused;
  }
  if (!rst_pair_fits(a, b, x, y)) {
    rst_report(RstCode::bad_argument, where);
    return RstPairVerdict::refused;
  }
  if (inputs[0]->line_size() < packed_bytes(a) || inputs[1]->line_size() < packed_bytes(b)) {
    rst_report(RstCode::unsupported_form, where);
    return RstPairVerdict::refused;
  }
  return RstPairVerdict::inside;
}
