// The matrix transformer instances and the tests of whether a matrix fits
// the fixed-point sums of the 8-bit ones.
#include "raster/color/ct_matrix.h"

#include <cmath>
#include <cstdlib>

namespace {

// 255 x sum |raw coefficient| + |raw offset| of every computed output below
// 2^31: the largest sum a pixel can make stays in 32 bits.
int64_t raw_of(CtFixed v) { return v.raw(); }
int64_t raw_of(double v) { return CtFixed(v).raw(); }

template <class T>
bool rows_fit(const RstMatrix<T>& m) {
  uint32_t rows = m.affine() ? m.rows() - (m.rows() > 0) : m.rows();
  uint32_t cols = m.affine() ? m.cols() - (m.cols() > 0) : m.cols();
  for (uint32_t j = 0; j < rows; ++j) {
    int64_t sum = 0;
    for (uint32_t k = 0; k < cols; ++k) sum += std::llabs(raw_of(m(j, k)));
    sum *= 255;
    if (m.affine() && m.cols() > 0) sum += std::llabs(raw_of(m(j, m.cols() - 1)) * 255);
    if (sum >= (int64_t(1) << 31)) return false;
  }
  return true;
}

}  // namespace

bool ct_matrix_is_finite(const RstMatrix<double>& m) {
  for (size_t i = 0; i < m.size(); ++i)
    if (!std::isfinite(m.elements()[i])) return false;
  return true;
}

bool ct_matrix_fits_fixed(const RstMatrix<double>& m) {
  // FixedReal clamps from 2^19 on, so such an element would silently change.
  for (size_t i = 0; i < m.size(); ++i)
    if (!(std::fabs(m.elements()[i]) < 524288.0)) return false;
  return rows_fit(m);
}

bool ct_matrix_fits_fixed(const RstMatrix<CtFixed>& m) {
  // A clamped element is at the edge of the range; the row test catches it.
  return rows_fit(m);
}

CT_MATRIX_FAMILY(, UIntNBit<8>, UIntNBit<8>, CtFixed, CT_MATRIX_WITH)
CT_MATRIX_FAMILY(, UIntNBit<16>, UIntNBit<16>, double, CT_MATRIX_WITH)
CT_MATRIX_FAMILY(, UIntNBit<16>, UIntNBit<8>, double, CT_MATRIX_WITH)
CT_MATRIX_FAMILY(, UIntNBit<8>, UIntNBit<16>, double, CT_MATRIX_WITHOUT)
