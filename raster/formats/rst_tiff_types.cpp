// Rational reduction and the making of rationals from floating point.
#include "raster/formats/rst_tiff_types.h"

#include <cmath>
#include <limits>

uint32_t rst_gcd(uint32_t a, uint32_t b) {
  if (a == 1 || b == 1) return 1;
  if (a == 0) return b;
  if (b == 0) return a;
  while (b != 0) {
    uint32_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

void RstRational::reduce() {
  if (numerator == 0) {
    denominator = 1;
    return;
  }
  uint32_t g = rst_gcd(numerator, denominator);
  if (g > 1) {
    numerator /= g;
    denominator /= g;
  }
}

void RstSRational::reduce() {
  if (numerator == 0) {
    denominator = 1;
    return;
  }
  uint32_t an = numerator < 0 ? 0u - uint32_t(numerator) : uint32_t(numerator);
  uint32_t ad = denominator < 0 ? 0u - uint32_t(denominator) : uint32_t(denominator);
  uint32_t g = rst_gcd(an, ad);
  if (g > 1) {
    numerator /= int32_t(g);
    denominator /= int32_t(g);
  }
}

namespace {

// Exponent f of the scheme: how many of the denominator's bits the integer
// part of x needs (1 when |x| is at most 1).
int denominator_shift(double x) {
  double whole = 0;
  std::modf(x, &whole);
  double i = std::fabs(whole);
  if (i <= 1) return 1;
  double p = 1;
  while (p < i) p *= 2;
  double h = p == i ? std::log2(p) : std::log(i) / std::log(2.0);
  return int(std::ceil(h)) + 1;
}

}  // namespace

RstRational RstRational::from_double(double x) {
  // Outside the unsigned range (negative, too large, not a number) there is
  // no fraction to choose: the nearest end of the range stands in.
  if (!(x > 0)) return {0, 1};
  if (x >= 4294967295.0) return {0xFFFFFFFFu, 1};
  uint32_t t = uint32_t(x);
  if (double(t) == x) return {t, 1};
  int exponent = 32 - denominator_shift(x);  // at most 31: the shift is at least 1
  if (exponent < 0) exponent = 0;
  uint32_t d = uint32_t{1} << exponent;
  double scaled = x * double(d);
  uint32_t n = scaled >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(scaled);
  if (n == 0) return {0, 1};
  uint32_t g = (n == 1 || d == 1) ? 1 : rst_gcd(n, d);
  return {n / g, d / g};
}

RstSRational RstSRational::from_double(double x) {
  if (std::isnan(x)) return {0, 1};
  if (x >= 2147483647.0) return {std::numeric_limits<int32_t>::max(), 1};
  if (x <= -2147483648.0) return {std::numeric_limits<int32_t>::min(), 1};
  int32_t t = int32_t(x);
  if (double(t) == x) return {t, 1};
  int exponent = 31 - denominator_shift(x);
  if (exponent < 0) exponent = 0;
  int32_t d = int32_t(uint32_t{1} << exponent);
  double scaled = x * double(d);
  if (scaled >= 2147483647.0) scaled = 2147483647.0;
  if (scaled <= -2147483648.0) scaled = -2147483648.0;
  int32_t n = int32_t(scaled);
  if (n == 0) return {0, 1};
  uint32_t an = n < 0 ? 0u - uint32_t(n) : uint32_t(n);
  uint32_t g = (an == 1 || d == 1) ? 1 : rst_gcd(an, uint32_t(d));
  return {n / int32_t(g), d / int32_t(g)};
}
