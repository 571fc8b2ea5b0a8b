// The matrix value: storage, products, determinant and inverse for doubles
// and for 20.12 fixed point.
#include "raster/color/rst_matrix.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "raster/core/rst_alloc.h"

namespace {

template <class T>
T* allocate(size_t n) {
  void* block = rst_calloc(n > 0 ? n * sizeof(T) : 1);
  if (!block) throw std::bad_alloc();
  return static_cast<T*>(block);  // all-zero bytes are 0.0 and raw 0
}

template <class T>
T* copy_of(const T* from, size_t n) {
  if (!from) return nullptr;
  T* to = allocate<T>(n);
  if (n > 0) std::memcpy(static_cast<void*>(to), from, n * sizeof(T));
  return to;
}

// The sum of the terms, smallest magnitude first; the terms are reordered.
double sorted_sum(double* terms, size_t n) {
  std::sort(terms, terms + n, [](double a, double b) { return std::fabs(a) < std::fabs(b); });
  double s = 0.0;
  for (size_t i = 0; i < n; ++i) s += terms[i];
  return s;
}

// An integer sum does not depend on the order; it wraps like the type.
CtFixed sorted_sum(CtFixed* terms, size_t n) {
  CtFixed s;
  for (size_t i = 0; i < n; ++i) s += terms[i];
  return s;
}

double to_double(double v) { return v; }
double to_double(CtFixed v) { return v.to_double(); }

template <class T>
T from_double(double v) {
  return T(v);
}

// The element (i, j) of a matrix of the given column count.
template <class T>
T at(const T* e, uint32_t cols, uint32_t i, uint32_t j) {
  return e[size_t(i) * cols + j];
}

// Inverts a in place (double elements, n x n with n from 1 to 4, cols = n);
// d is its determinant, not 0.
void invert_doubles(double* a, uint32_t n, bool affine, double d) {
  if (n == 1) {
    a[0] = 1.0 / a[0];
    return;
  }
  if (n == 2) {
    double a00 = a[0], a01 = a[1], a10 = a[2], a11 = a[3];
    if (affine) {
      // One input with an offset: x' = (x - t) / a; the last row is kept.
      a[0] = 1.0 / a00;
      a[1] = -a01 / a00;
    } else {
      a[0] = a11 / d;
      a[1] = -a01 / d;
      a[2] = -a10 / d;
      a[3] = a00 / d;
    }
    return;
  }
  // 3 x 3, or the linear part of a 4 x 4 read in its 4-column layout.
  double c[3][3];
  for (uint32_t i = 0; i < 3; ++i)
    for (uint32_t j = 0; j < 3; ++j) c[i][j] = at(a, n, i, j);
  double inv[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      int j1 = (j + 1) % 3, j2 = (j + 2) % 3, i1 = (i + 1) % 3, i2 = (i + 2) % 3;
      inv[i][j] = (c[j1][i1] * c[j2][i2] - c[j1][i2] * c[j2][i1]) / d;
    }
  if (n == 4) {
    double t0 = a[3], t1 = a[7], t2 = a[11];
    for (int i = 0; i < 3; ++i) a[size_t(i) * 4 + 3] = -((inv[i][0] * t0 + inv[i][2] * t2) + inv[i][1] * t1);
  }
  for (uint32_t i = 0; i < 3; ++i)
    for (uint32_t j = 0; j < 3; ++j) a[size_t(i) * n + j] = inv[i][j];
}

template <class T>
T product(T a, T b) {
  return a * b;
}

// A new matrix for inverse(); the allocation hook of the tests reaches it.
template <class T>
RstMatrix<T>* new_matrix(uint32_t rows, uint32_t cols, const T* elements, bool affine) {
  if (RstAllocFault::next_fails()) throw std::bad_alloc();
  return new RstMatrix<T>(rows, cols, elements, affine);
}

template <class T>
double double_determinant(const RstMatrix<T>& m) {
  double work[16];
  for (size_t i = 0; i < m.size(); ++i) work[i] = to_double(m.elements()[i]);
  return RstMatrix<double>(m.rows(), m.cols(), work, m.affine()).determinant();
}

}  // namespace

template <class T>
RstMatrix<T>::RstMatrix(uint32_t rows, uint32_t cols, const T* elements, bool affine)
    : rows_(rows), cols_(cols), affine_(affine) {
  elements_ = elements ? copy_of(elements, size()) : allocate<T>(size());
}

template <class T>
RstMatrix<T>::RstMatrix(uint32_t rows, uint32_t cols, bool affine) : RstMatrix(rows, cols, nullptr, affine) {}

template <class T>
RstMatrix<T>::RstMatrix(const RstMatrix& other) : rows_(other.rows_), cols_(other.cols_), affine_(other.affine_) {
  elements_ = copy_of(other.elements_, size());
  try {
    cached_inverse_ = copy_of(other.cached_inverse_, size());
  } catch (...) {
    rst_free(elements_);
    throw;
  }
}

template <class T>
RstMatrix<T>::RstMatrix(RstMatrix&& other) noexcept
    : elements_(std::exchange(other.elements_, nullptr)),
      rows_(std::exchange(other.rows_, 0)),
      cols_(std::exchange(other.cols_, 0)),
      cached_inverse_(std::exchange(other.cached_inverse_, nullptr)),
      affine_(other.affine_) {}

template <class T>
RstMatrix<T>& RstMatrix<T>::operator=(const RstMatrix& other) {
  if (this != &other) {
    RstMatrix copy(other);
    *this = std::move(copy);
  }
  return *this;
}

template <class T>
RstMatrix<T>& RstMatrix<T>::operator=(RstMatrix&& other) noexcept {
  if (this != &other) {
    rst_free(elements_);
    rst_free(cached_inverse_);
    elements_ = std::exchange(other.elements_, nullptr);
    cached_inverse_ = std::exchange(other.cached_inverse_, nullptr);
    rows_ = std::exchange(other.rows_, 0);
    cols_ = std::exchange(other.cols_, 0);
    affine_ = other.affine_;
  }
  return *this;
}

template <class T>
RstMatrix<T>::~RstMatrix() {
  rst_free(cached_inverse_);
  rst_free(elements_);
}

template <class T>
void RstMatrix<T>::drop_cached_inverse() {
  rst_free(cached_inverse_);
  cached_inverse_ = nullptr;
}

template <class T>
void RstMatrix<T>::set(uint32_t i, uint32_t j, T value) {
  elements_[size_t(i) * cols_ + j] = value;
  drop_cached_inverse();
}

template <class T>
RstMatrix<T>& RstMatrix<T>::operator*=(const RstMatrix& right) {
  uint32_t n = cols_, c = right.cols_;
  size_t count = size_t(rows_) * c;
  T* result = allocate<T>(count);
  T small[8];
  T* terms = small;
  if (n > 8) {
    try {
      terms = allocate<T>(n);
    } catch (...) {
      rst_free(result);
      throw;
    }
  }
  for (uint32_t i = 0; i < rows_; ++i)
    for (uint32_t j = 0; j < c; ++j) {
      for (uint32_t k = 0; k < n; ++k) terms[k] = product(at(elements_, n, i, k), at(right.elements_, c, k, j));
      result[size_t(i) * c + j] = sorted_sum(terms, n);
    }
  if (terms != small) rst_free(terms);
  rst_free(elements_);
  elements_ = result;
  cols_ = c;
  drop_cached_inverse();
  return *this;
}

template <class T>
RstMatrix<T>& RstMatrix<T>::operator*=(T scalar) {
  for (size_t i = 0, n = size(); i < n; ++i) elements_[i] = product(elements_[i], scalar);
  drop_cached_inverse();
  return *this;
}

template <class T>
bool RstMatrix<T>::is_identity() const {
  if (rows_ != cols_) return false;
  for (uint32_t i = 0; i < rows_; ++i)
    for (uint32_t j = 0; j < cols_; ++j)
      if (!(at(elements_, cols_, i, j) == T(i == j ? 1.0 : 0.0))) return false;
  return true;
}

template <class T>
T RstMatrix<T>::determinant() const {
  const T* a = elements_;
  if (rows_ != cols_) return T(0.0);
  if (rows_ == 1) return a[0];
  if (rows_ == 2) {
    if (affine_) return a[0];
    T terms[2] = {product(a[0], a[3]), -product(a[1], a[2])};
    return sorted_sum(terms, 2);
  }
  if (rows_ != 3 && rows_ != 4) return T(0.0);
  uint32_t n = cols_;
  auto e = [&](uint32_t i, uint32_t j) { return at(a, n, i, j); };
  T terms[6] = {
      product(product(e(0, 0), e(1, 1)), e(2, 2)),  product(product(e(0, 1), e(1, 2)), e(2, 0)),
      product(product(e(0, 2), e(1, 0)), e(2, 1)),  -product(product(e(0, 0), e(1, 2)), e(2, 1)),
      -product(product(e(0, 1), e(1, 0)), e(2, 2)), -product(product(e(0, 2), e(1, 1)), e(2, 0)),
  };
  return sorted_sum(terms, 6);
}

template <class T>
void RstMatrix<T>::invert() {
  size_t n = size();
  double work[16];
  for (size_t i = 0; i < n; ++i) work[i] = to_double(elements_[i]);
  // The fixed-point matrix is inverted in doubles, with a double determinant.
  double d = std::is_same_v<T, double> ? to_double(determinant()) : double_determinant(*this);
  invert_doubles(work, rows_, affine_, d);
  for (size_t i = 0; i < n; ++i) elements_[i] = from_double<T>(work[i]);
}

template <class T>
RstMatrix<T>* RstMatrix<T>::inverse() const {
  if (cached_inverse_) {
    // The inverse of a computed inverse is the matrix it came from, exactly.
    std::unique_ptr<RstMatrix> m(new_matrix(cols_, rows_, cached_inverse_, affine_));
    m->cached_inverse_ = copy_of(elements_, size());
    return m.release();
  }
  if (rows_ != cols_ || rows_ < 1 || rows_ > 4) return nullptr;
  if (determinant() == T(0.0)) return nullptr;
  // A fixed-point determinant may be non-zero where the double one is not.
  if (!std::is_same_v<T, double> && double_determinant(*this) == 0.0) return nullptr;
  std::unique_ptr<RstMatrix> m(new_matrix(rows_, cols_, elements_, affine_));
  m->cached_inverse_ = copy_of(elements_, size());
  m->invert();
  return m.release();
}

template <class T>
RstMatrix<T> RstMatrix<T>::augmented() const {
  RstMatrix m(rows_ + 1, cols_ + 1, false);
  for (uint32_t i = 0; i < rows_; ++i)
    for (uint32_t j = 0; j < cols_; ++j) m.elements_[size_t(i) * m.cols_ + j] = at(elements_, cols_, i, j);
  m.elements_[m.size() - 1] = T(1.0);
  return m;
}

template <class T>
RstMatrix<T> RstMatrix<T>::linear_part() const {
  uint32_t r = rows_ > 0 ? rows_ - 1 : 0, c = cols_ > 0 ? cols_ - 1 : 0;
  RstMatrix m(r, c, false);
  for (uint32_t i = 0; i < r; ++i)
    for (uint32_t j = 0; j < c; ++j) m.elements_[size_t(i) * c + j] = at(elements_, cols_, i, j);
  return m;
}

RstMatrix<CtFixed> rst_fixed_matrix(const RstMatrix<double>& m) {
  RstMatrix<CtFixed> f(m.rows(), m.cols(), m.affine());
  for (uint32_t i = 0; i < m.rows(); ++i)
    for (uint32_t j = 0; j < m.cols(); ++j) f.set(i, j, CtFixed(m(i, j)));
  return f;
}

template class RstMatrix<double>;
template class RstMatrix<CtFixed>;
