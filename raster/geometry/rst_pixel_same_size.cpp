// The same-size binary pixel operations.
#include "raster/geometry/rst_pixel_same_size.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_pixel_binary_kernels.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/geometry/rst_pixel_pair.h"
#include "raster/geometry/rst_pixel_rle_binary.h"

namespace {

// The checks of And and Or, then their raw node or run-line node.
template <class Node, class RunNode>
RstRead* create_same_size(const std::vector<RstRead*>& inputs, const char* where) {
  RstCreateGuard guard(inputs);
  RstHeader a, b;
  if (!rst_check_pixel_vector(inputs, where, a, b)) return nullptr;
  if (!rst_pair_equal(a, b)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (a.data_form == RstDataForm::rle) {
    RstRead* node = RunNode::create(inputs);
    if (!node) return nullptr;
    return rst_create_end(node, guard);
  }
  return rst_create_end_node_or_drop(rst_new<Node>(inputs), guard);
}

// Both lines are read whole; a B line shorter than A's limits the bytes.
int32_t common_size(int a, int b) { return a < b ? a : b; }

}  // namespace

RstRead* RstPixelAndSameSize::create(const std::vector<RstRead*>& inputs) {
  return create_same_size<RstPixelAndSameSize, RstPixelAndSameSizeRLE1>(inputs, "RstPixelAndSameSize::create()");
}

void RstPixelAndSameSize::apply_line(uint8_t* line) {
  rst_bytes_apply<RstBitAnd>(line, b_line_, common_size(line_size_, b_line_size_));
}

RstRead* RstPixelOrSameSize::create(const std::vector<RstRead*>& inputs) {
  return create_same_size<RstPixelOrSameSize, RstPixelOrSameSizeRLE1>(inputs, "RstPixelOrSameSize::create()");
}

void RstPixelOrSameSize::apply_line(uint8_t* line) {
  rst_bytes_apply<RstBitOr>(line, b_line_, common_size(line_size_, b_line_size_));
}

RstRead* RstPixelSubSameSize::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstPixelSubSameSize::create()";
  RstCreateGuard guard(inputs);
  RstHeader a, b;
  if (!rst_check_pixel_vector(inputs, where, a, b)) return nullptr;
  if (!rst_pair_equal(a, b) || (a.bits_per_sample == 8 && a.data_form != RstDataForm::raw)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (a.bits_per_sample == 8) return rst_create_end_node_or_drop(rst_new<RstPixelSubSameSize>(inputs), guard);
  if (a.bits_per_sample != 1) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  // A AND NOT B; run lines are inverted as run lines.
  RstOwner<RstRead> inverted(RstPixelNot::create(inputs[1]));
  if (!inverted) return nullptr;
  RstRead* node = RstPixelAndSameSize::create({inputs[0], inverted.get()});
  if (!node) return nullptr;
  inverted.release();
  return rst_create_end(node, guard);
}

void RstPixelSubSameSize::apply_line(uint8_t* line) {
  rst_bytes_subtract(line, b_line_, common_size(line_size_, b_line_size_));
}
