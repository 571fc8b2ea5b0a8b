// The matrix node: when a node is made, and which matrix transformer it runs.
#include "raster/color/rst_transform_color_matrix.h"

#include <cmath>
#include <new>

#include "raster/color/rst_color_attributes.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char* const kWhere = "RstTransformColorMatrix::create()";

enum class Kind { linear, reduce, affine };

// The class for the kind and the channel counts: fixed-size forms for
// 3 -> 3, 3 -> 1 and 1 -> 3, the general class otherwise.
template <class In, class Out, class Real>
ColorTransformer* make(Kind kind, const RstMatrix<Real>& a, int n, int m) {
  using Conv = CtMatrixConv<Real, Out>;
#define CT_PICK(General, Sized)                                              \
  if (n == 3 && m == 3) return rst_new<Sized<In, Out, 3, 3, Real, Conv>>(a); \
  if (n == 3 && m == 1) return rst_new<Sized<In, Out, 3, 1, Real, Conv>>(a); \
  if (n == 1 && m == 3) return rst_new<Sized<In, Out, 1, 3, Real, Conv>>(a); \
  return rst_new<General<In, Out, Real, Conv>>(a);
  switch (kind) {
    case Kind::affine: CT_PICK(CtMatrixAffine, CtMatrixAffineMToN)
    case Kind::reduce: CT_PICK(CtReduceMatrixLinear, CtReduceMatrixLinearMToN)
    case Kind::linear: break;
  }
  CT_PICK(CtMatrixLinear, CtMatrixLinearMToN)
#undef CT_PICK
}

template <bool EightBitOutput>
ColorTransformer* create_transformer(const ColorOutputAttributes& input, const RstMatrix<double>& a) {
  int bits = input.bits();
  if (input.sample_kind() != RstSampleKind::unsigned_int || (bits != 8 && bits != 16)) {
    rst_report(RstCode::unsupported_option, kWhere);
    return nullptr;
  }
  int a1 = a.affine() ? 1 : 0;
  int n = int(a.cols()) - a1, m = int(a.rows()) - a1;
  bool fits = bits == 8 ? ct_matrix_fits_fixed(a) : ct_matrix_is_finite(a);
  if (n < 1 || m < 1 || !fits) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  Kind kind = a.affine() ? Kind::affine : RstTransformColorMatrix::is_reducible(a) ? Kind::reduce : Kind::linear;
  try {
    if (bits == 8) return make<UIntNBit<8>, UIntNBit<8>, CtFixed>(kind, rst_fixed_matrix(a), n, m);
    if (EightBitOutput) return make<UIntNBit<16>, UIntNBit<8>, double>(kind, a, n, m);
    return make<UIntNBit<16>, UIntNBit<16>, double>(kind, a, n, m);
  } catch (const std::bad_alloc&) {
    return nullptr;  // the fixed-point copy of the matrix
  }
}

}  // namespace

bool RstTransformColorMatrix::is_reducible(const RstMatrix<double>& matrix) {
  if (matrix.affine()) return false;
  for (uint32_t i = 0; i < matrix.rows(); ++i) {
    double sum = 0.0;
    for (uint32_t j = 0; j < matrix.cols(); ++j) {
      double x = matrix(i, j);
      if (!(x >= 0.0 && x <= 1.0)) return false;
      sum += x;
    }
    if (!(sum >= 0.0 && sum <= 1.0)) return false;
  }
  return true;
}

int RstTransformColorMatrix::check(RstRead* source, const RstMatrix<double>& matrix) {
  if (!source) return RstCode::bad_argument;
  RstColorAttributes attributes(source);
  int inputs = int(matrix.cols()) - (matrix.affine() ? 1 : 0);
  if (attributes.channels() != inputs) return RstCode::bad_argument;
  if (attributes.bits() <= 1) return RstCode::unsupported_form;
  // A NaN or infinite coefficient has no defined result at any depth, and
  // fixed point would clamp a large one or wrap its sums.
  if (!ct_matrix_is_finite(matrix)) return RstCode::bad_argument;
  if (attributes.bits() == 8 && attributes.sample_kind() == RstSampleKind::unsigned_int &&
      !ct_matrix_fits_fixed(matrix))
    return RstCode::bad_argument;
  if (matrix.is_identity()) return 0;
  return 1;
}

RstRead* RstTransformColorMatrix::create(RstRead* source, const RstMatrix<double>& matrix, RstColorType* color_type) {
  RstCreateGuard guard(source);
  int status = check(source, matrix);
  if (status == 0) return rst_create_end(source, guard);
  if (status < 0) {
    rst_report(status, kWhere);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstTransformColorMatrix>(source, matrix, color_type), guard);
}

ColorTransformer* RstTransformColorMatrix::create_color_transformer(const ColorOutputAttributes& input,
                                                                    const RstMatrix<double>& matrix) {
  return create_transformer<false>(input, matrix);
}

template <>
ColorTransformer* RstTransformColorMatrix::create_color_transformer<UIntNBit<8>>(const ColorOutputAttributes& input,
                                                                                 const RstMatrix<double>& matrix) {
  return create_transformer<true>(input, matrix);
}

RstTransformColorMatrix::RstTransformColorMatrix(RstRead* source, const RstMatrix<double>& matrix,
                                                 RstColorType* color_type)
    : RstTransformColor(source, create_color_transformer(RstColorAttributes(source), matrix), color_type) {}
