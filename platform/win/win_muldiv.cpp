// MulDiv over a 64-bit product.
#include "platform/win/win_muldiv.h"

#include <climits>

extern "C" int MulDiv(int nNumber, int nNumerator, int nDenominator) {
  if (nDenominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(nNumber) * nNumerator;
  int64_t quotient = product / nDenominator;
  const int64_t remainder = product % nDenominator;
  const int64_t absRemainder = remainder < 0 ? -remainder : remainder;
  const int64_t absDenominator = nDenominator < 0 ? -static_cast<int64_t>(nDenominator) : nDenominator;
  if (2 * absRemainder >= absDenominator) quotient += ((product < 0) != (nDenominator < 0)) ? -1 : 1;
  if (quotient > INT_MAX || quotient < INT_MIN) return -1;
  return static_cast<int>(quotient);
}
