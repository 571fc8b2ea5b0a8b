// RstMatrix: the small dense matrix value of the colour code, over doubles or
// over 20.12 fixed point (the 8-bit matrix transformers). Products and
// determinants add their terms smallest magnitude first, so that results do
// not depend on the order the terms happen to come in. An affine matrix keeps
// its offsets in the last column; a matrix made by inverse() remembers the
// matrix it came from, so that inverting it again gives that one back exactly.
//
// Memory: the constructors and every operation that makes or grows a matrix
// throw std::bad_alloc when memory runs out (inverse included); nothing is
// changed then.
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/color/rst_sample_types.h"

template <class T>
class RstMatrix {
 public:
  // rows x cols elements copied from elements (row-major), or zeros for null.
  RstMatrix(uint32_t rows, uint32_t cols, const T* elements, bool affine);
  RstMatrix(uint32_t rows, uint32_t cols, bool affine = false);
  RstMatrix(const RstMatrix& other);
  RstMatrix(RstMatrix&& other) noexcept;
  RstMatrix& operator=(const RstMatrix& other);
  RstMatrix& operator=(RstMatrix&& other) noexcept;
  ~RstMatrix();

  uint32_t rows() const { return rows_; }
  uint32_t cols() const { return cols_; }
  size_t size() const { return size_t(rows_) * cols_; }
  bool affine() const { return affine_; }
  void set_affine(bool affine) { affine_ = affine; }
  const T* elements() const { return elements_; }
  T operator()(uint32_t i, uint32_t j) const { return elements_[size_t(i) * cols_ + j]; }
  // Writing an element drops the cached inverse.
  void set(uint32_t i, uint32_t j, T value);
  bool has_cached_inverse() const { return cached_inverse_ != nullptr; }

  // this := this x right (this.cols = right.rows); drops the cached inverse.
  RstMatrix& operator*=(const RstMatrix& right);
  // Every element times the scalar (the fixed-point product rounds down);
  // drops the cached inverse.
  RstMatrix& operator*=(T scalar);
  friend RstMatrix operator*(const RstMatrix& left, const RstMatrix& right) {
    RstMatrix m(left);
    m *= right;
    return m;
  }

  // Square, exactly 1 on the diagonal and exactly 0 elsewhere.
  bool is_identity() const;
  // 1 x 1, 2 x 2 (an affine 2 x 2 by its linear part), 3 x 3 and 4 x 4 (by
  // its upper-left 3 x 3, as an affine matrix); 0 for every other shape.
  T determinant() const;
  // The inverse, owned by the caller, or null when the matrix has none: not
  // square, determinant exactly 0, or a size without an inverse (above 4 x 4).
  RstMatrix* inverse() const;
  // (rows + 1) x (cols + 1): this in the top-left corner, a last row of 0 ... 0 1;
  // not affine.
  RstMatrix augmented() const;
  // The upper-left (rows - 1) x (cols - 1) block; not affine.
  RstMatrix linear_part() const;

 private:
  // Inverts in place; the caller has checked the shape and the determinant.
  void invert();
  void drop_cached_inverse();

  T* elements_ = nullptr;
  uint32_t rows_ = 0;
  uint32_t cols_ = 0;
  T* cached_inverse_ = nullptr;
  bool affine_ = false;
};

// A double matrix turned into 20.12 fixed point (each element truncated
// toward zero), same shape and flag.
RstMatrix<CtFixed> rst_fixed_matrix(const RstMatrix<double>& m);

extern template class RstMatrix<double>;
extern template class RstMatrix<CtFixed>;
