// The matrix value: sorted sums, determinants, inverses with their cached
// origin, the 4 x 4 offset rule, small and unsupported sizes, and the helpers
// that add or drop the affine row and column.
#include "raster/color/rst_matrix.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "raster/core/rst_alloc.h"

namespace {

using M = RstMatrix<double>;

M make(uint32_t r, uint32_t c, std::vector<double> e, bool affine = false) {
  EXPECT_EQ(e.size(), size_t(r) * c) << "a fixture of the wrong size";
  e.resize(size_t(r) * c);
  return M(r, c, e.data(), affine);
}

std::vector<double> elements(const M& m) { return std::vector<double>(m.elements(), m.elements() + m.size()); }

bool bit_equal(const M& a, const M& b) {
  return a.rows() == b.rows() && a.cols() == b.cols() &&
         std::memcmp(a.elements(), b.elements(), a.size() * sizeof(double)) == 0;
}

TEST(Matrix, InverseOfInverseIsBitEqualAndKeepsTheFlag) {
  for (bool affine : {false, true}) {
    SCOPED_TRACE(affine);
    M a = affine ? make(4, 4, {0.3, 0.7, 0.11, 0.2, -0.4, 1.3, 0.27, 0.5, 0.9, 0.05, 1.7, -0.1, 0, 0, 0, 1}, true)
                 : make(3, 3, {0.3, 0.7, 0.11, -0.4, 1.3, 0.27, 0.9, 0.05, 1.7});
    std::unique_ptr<M> inv(a.inverse());
    ASSERT_NE(inv, nullptr);
    EXPECT_TRUE(inv->has_cached_inverse());
    EXPECT_EQ(inv->affine(), affine);
    std::unique_ptr<M> back(inv->inverse());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(bit_equal(*back, a));
    EXPECT_EQ(back->affine(), affine);
    // The product is the identity within rounding, but not exactly.
    M product = a * *inv;
    for (uint32_t i = 0; i < product.rows(); ++i)
      for (uint32_t j = 0; j < product.cols(); ++j) EXPECT_NEAR(product(i, j), i == j ? 1.0 : 0.0, 1e-12);
  }
  EXPECT_FALSE(make(1, 1, {1.0 + 1e-16 * 2}).is_identity());
  EXPECT_TRUE(make(2, 2, {1, 0, 0, 1}).is_identity());
  EXPECT_FALSE(make(2, 3, {1, 0, 0, 0, 1, 0}).is_identity());
}

TEST(Matrix, ChangingAnInverseDropsItsCache) {
  M a = make(3, 3, {2, 1, 0, 0, 3, 1, 1, 0, 4});
  std::unique_ptr<M> inv(a.inverse());
  ASSERT_NE(inv, nullptr);
  M scaled(*inv);
  EXPECT_TRUE(scaled.has_cached_inverse()) << "a copy keeps it";
  scaled *= 2.0;
  EXPECT_FALSE(scaled.has_cached_inverse());
  std::unique_ptr<M> fresh(scaled.inverse());
  ASSERT_NE(fresh, nullptr);
  for (uint32_t i = 0; i < 3; ++i)
    for (uint32_t j = 0; j < 3; ++j) EXPECT_NEAR((*fresh)(i, j), a(i, j) / 2.0, 1e-14);
  M multiplied(*inv);
  multiplied *= make(3, 3, {1, 0, 0, 0, 1, 0, 0, 0, 1});
  EXPECT_FALSE(multiplied.has_cached_inverse());
}

TEST(Matrix, SingularIsNullTinyIsInverted) {
  EXPECT_EQ(make(3, 3, {1, 2, 3, 2, 4, 6, 0, 1, 1}).inverse(), nullptr);
  EXPECT_EQ(make(3, 3, {0, 0, 0, 0, 0, 0, 0, 0, 0}).inverse(), nullptr);
  M tiny = make(3, 3, {1e-100, 0, 0, 0, 1e-100, 0, 0, 0, 1e-100});
  EXPECT_EQ(tiny.determinant(), 1e-300);
  std::unique_ptr<M> inv(tiny.inverse());
  ASSERT_NE(inv, nullptr);
  EXPECT_DOUBLE_EQ((*inv)(0, 0), 1e100);
  EXPECT_EQ(make(2, 3, {1, 0, 0, 0, 1, 0}).inverse(), nullptr) << "not square";
}

TEST(Matrix, AffineInverseNegatesTheOffsetsAndCopiesTheLastRow) {
  M a = make(4, 4, {2, 0, 0, 1, 0, 4, 0, 2, 0, 0, 8, 3, 0, 0, 0, 2}, true);
  std::unique_ptr<M> inv(a.inverse());
  ASSERT_NE(inv, nullptr);
  EXPECT_EQ(elements(*inv), (std::vector<double>{0.5, 0, 0, -0.5, 0, 0.25, 0, -0.5, 0, 0, 0.125, -0.375, 0, 0, 0, 2}));
  // A general linear part: x' = A^-1 (x - t).
  M b = make(4, 4, {0.5, 0.2, 0.1, 0.3, 0.1, 0.9, 0.2, -0.2, 0.3, 0.1, 1.1, 0.7, 0, 0, 0, 1}, false);
  std::unique_ptr<M> binv(b.inverse());
  ASSERT_NE(binv, nullptr);
  double x[3] = {0.25, 0.5, 0.75}, y[3];
  for (int i = 0; i < 3; ++i) y[i] = b(i, 0) * x[0] + b(i, 1) * x[1] + b(i, 2) * x[2] + b(i, 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR((*binv)(i, 0) * y[0] + (*binv)(i, 1) * y[1] + (*binv)(i, 2) * y[2] + (*binv)(i, 3), x[i], 1e-14);
}

TEST(Matrix, SmallAndUnsupportedSizes) {
  std::unique_ptr<M> one(make(1, 1, {4}).inverse());
  ASSERT_NE(one, nullptr);
  EXPECT_EQ((*one)(0, 0), 0.25);
  std::unique_ptr<M> affine(make(2, 2, {2, 0.25, 0, 1}, true).inverse());
  ASSERT_NE(affine, nullptr);
  EXPECT_EQ(elements(*affine), (std::vector<double>{0.5, -0.125, 0, 1}));
  EXPECT_TRUE(affine->affine());
  std::unique_ptr<M> plain(make(2, 2, {1, 2, 3, 4}).inverse());
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(elements(*plain), (std::vector<double>{-2, 1, 1.5, -0.5}));
  EXPECT_EQ(make(2, 2, {1, 2, 2, 4}).inverse(), nullptr);
  EXPECT_EQ(make(1, 1, {0}).inverse(), nullptr);
  // Five channels (RGB to CMYK) have no inverse; nothing outside the
  // elements is read (ASan watches the 1 x 1 and 2 x 2 reads above).
  std::vector<double> five(25, 0.0);
  for (int i = 0; i < 5; ++i) five[size_t(i) * 6] = 1.0;
  EXPECT_EQ(M(5, 5, five.data(), true).inverse(), nullptr);
  EXPECT_EQ(M(5, 5, five.data(), true).determinant(), 0.0);
}

TEST(Matrix, AugmentedAndLinearPart) {
  M a = make(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  M aug = a.augmented();
  EXPECT_EQ(aug.rows(), 4u);
  EXPECT_EQ(aug.cols(), 4u);
  EXPECT_FALSE(aug.affine());
  EXPECT_EQ(elements(aug), (std::vector<double>{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 0, 0, 0, 1}));
  aug.set_affine(true);
  M lin = aug.linear_part();
  EXPECT_FALSE(lin.affine());
  EXPECT_TRUE(bit_equal(lin, a));
}

TEST(Matrix, ProductsAndDeterminantsAddSmallestFirst) {
  // 1.0 + 1e16 - 1e16 in ascending magnitude is 0; in the given order 1.
  M row = make(1, 3, {1e16, 1.0, -1e16});
  M ones = make(3, 1, {1, 1, 1});
  M p = row * ones;
  EXPECT_EQ(p.rows(), 1u);
  EXPECT_EQ(p.cols(), 1u);
  EXPECT_EQ(p(0, 0), 0.0);
  // Determinant terms 1e16, -1e16 and about 1 (the last): smallest first
  // the 1 is lost, in the written order it would remain.
  M d = make(3, 3, {1e8, -1e8, -1e-8, 0, 1e8, 1e8, 1, 0, 1});
  EXPECT_EQ(d.determinant(), 0.0);
  // A 3 x 2 times 2 x 2.
  M l = make(3, 2, {1, 2, 3, 4, 5, 6});
  l *= make(2, 2, {1, 0, 1, 1});
  EXPECT_EQ(elements(l), (std::vector<double>{3, 2, 7, 4, 11, 6}));
}

TEST(Matrix, FixedPointValue) {
  using F = RstMatrix<CtFixed>;
  M a = make(3, 3, {2, 0, 0, 0, 2, 0, 0, 0, 2});
  F f = rst_fixed_matrix(a);
  EXPECT_EQ(f(0, 0).raw(), 8192);
  EXPECT_EQ(f.determinant().raw(), 8 * 4096);
  std::unique_ptr<F> inv(f.inverse());
  ASSERT_NE(inv, nullptr);
  EXPECT_EQ((*inv)(1, 1).raw(), 2048);
  std::unique_ptr<F> back(inv->inverse());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ((*back)(2, 2).raw(), 8192);
  // Truncation toward zero; a fixed-point determinant of 0 is singular even
  // where the double one is not.
  F g = rst_fixed_matrix(make(3, 3, {0.299, -0.5, -0.0001, 0, 0.99999, 0, 0, 0, 0.01}));
  EXPECT_EQ(g(0, 0).raw(), 1224);
  EXPECT_EQ(g(0, 1).raw(), -2048);
  EXPECT_EQ(g(0, 2).raw(), 0);
  EXPECT_EQ(g(1, 1).raw(), 4095);
  EXPECT_EQ(g.determinant().raw(), 11);
  F h = rst_fixed_matrix(make(3, 3, {0.01, 0, 0, 0, 0.01, 0, 0, 0, 0.01}));
  EXPECT_EQ(h.determinant().raw(), 0);
  EXPECT_EQ(h.inverse(), nullptr);
  F s = f;
  s *= CtFixed(0.5);
  EXPECT_EQ(s(0, 0).raw(), 4096);
}

TEST(Matrix, AllocationFailuresThrowAndLeaveTheMatrix) {
  M a = make(3, 3, {2, 1, 0, 0, 3, 1, 1, 0, 4});
  for (int64_t n = 1; n < 8; ++n) {
    RstAllocFault::fail_nth(n);
    bool threw = false;
    try {
      std::unique_ptr<M> inv(a.inverse());
      std::unique_ptr<M> back(inv->inverse());
      M p = a * *back;
    } catch (const std::bad_alloc&) {
      threw = true;
    }
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    EXPECT_EQ(threw, reached) << n;
    EXPECT_EQ(elements(a), (std::vector<double>{2, 1, 0, 0, 3, 1, 1, 0, 4}));
  }
}

}  // namespace
