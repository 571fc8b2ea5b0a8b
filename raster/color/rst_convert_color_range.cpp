#include "raster/color/rst_convert_color_range.h"

#include <cmath>
#include <memory>
#include <new>

#include "raster/color/rst_transform_color_matrix.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

namespace {

const char* const kNotSame = "RstConvertColorRange::create()\nInput and output channels must be same.";
const char* const kSingular = "RstConvertColorRange::create()\nInput matrix must be inversible.";
const char* const kWhere = "RstConvertColorRange::create()";

bool all_finite(const RstMatrix<double>& m) {
  for (size_t i = 0; i < m.size(); ++i)
    if (!std::isfinite(m.elements()[i])) return false;
  return true;
}

}  // namespace

RstRead* RstConvertColorRange::create(RstRead* source, const RstMatrix<double>& input, const RstMatrix<double>& output,
                                      RstColorType* color_type) {
  RstCreateGuard guard(source);
  if (input.cols() != output.cols() || input.rows() != input.cols() || output.rows() != output.cols()) {
    rst_report(RstCode::bad_argument, kNotSame);
    return nullptr;
  }
  // A range of 0 makes an infinite element: its inverse would hold zeros
  // where the scale belongs, a singular encoding in disguise.
  if (!all_finite(input) || !all_finite(output)) {
    rst_report(RstCode::bad_argument, kSingular);
    return nullptr;
  }
  std::unique_ptr<RstMatrix<double>> decode;
  RstMatrix<double> m(1, 1);
  try {
    decode.reset(input.inverse());
    if (!decode || !all_finite(*decode)) {
      rst_report(RstCode::bad_argument, kSingular);
      return nullptr;
    }
    m = output * *decode;
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kWhere);
    return nullptr;
  }
  decode.reset();
  RstRead* made = create(source, m, color_type);
  return made ? rst_create_end(made, guard) : nullptr;
}

RstRead* RstConvertColorRange::create(RstRead* source, const RstMatrix<double>& matrix, RstColorType* color_type) {
  RstCreateGuard guard(source);
  if (matrix.rows() != matrix.cols()) {
    rst_report(RstCode::bad_argument, kNotSame);
    return nullptr;
  }
  RstHeader h;
  if (source) source->header(h);
  uint32_t n = source ? uint32_t(h.samples_per_pixel) : 0;
  uint32_t k = matrix.affine() ? n + 1 : n;
  RstRead* made = nullptr;
  if (k >= matrix.rows()) {
    made = RstTransformColorMatrix::create(source, matrix, color_type);
  } else {
    try {
      RstMatrix<double> cut(k, k, matrix.affine());
      for (uint32_t i = 0; i < n; ++i) {
        for (uint32_t j = 0; j < n; ++j) cut.set(i, j, matrix(i, j));
        if (matrix.affine()) cut.set(i, n, matrix(i, matrix.cols() - 1));
      }
      made = RstTransformColorMatrix::create(source, cut, color_type);
    } catch (const std::bad_alloc&) {
      rst_report(RstCode::no_memory, kWhere);
      return nullptr;
    }
  }
  return made ? rst_create_end(made, guard) : nullptr;
}
