// The JPEG encoder's forward DCT.
#include "raster/codecs/rst_jpeg_fdct.h"

namespace {

// Rounds away the 10 fractional bits of a product.
inline int32_t r10(int32_t y) { return (y + 512) >> 10; }
// Rounds away the 11 fractional bits of an output.
inline int32_t r11(int32_t y) { return (y + 1024) >> 11; }

// One 8-point transform of in[0..7] (step apart); the k-th result goes to
// out[8 k] so that rows become columns.
inline void transform(const int32_t* in, int32_t* out) {
  int32_t s07 = in[0] + in[7], s16 = in[1] + in[6], s25 = in[2] + in[5], s34 = in[3] + in[4];
  int32_t d07 = in[0] - in[7], d16 = in[1] - in[6], d25 = in[2] - in[5], d34 = in[3] - in[4];
  int32_t t0 = s07 + s34, t1 = s16 + s25;
  int32_t e0 = 554 * (s07 - s34), e1 = 1337 * (s16 - s25);
  int32_t a = 522 * d07, b = 2624 * d34, c = 615 * d16, d = 921 * d25;
  int32_t u = a + b, v = c + d;
  int32_t f = r10(c - d) * 1337;
  int32_t g = r10(a - b) * 554;
  int32_t h = r10(g - f) * 724;
  int32_t z = f + h + g;
  int32_t m = r10(u - v) * 724;
  int32_t n = r10(e0 - e1) * 724;
  out[0] = r11(724 * (t0 + t1));
  out[32] = r11(724 * (t0 - t1));
  out[16] = r11(e1 + n + e0);
  out[48] = r11(n);
  out[8] = r11(z + v + u);
  out[24] = r11(z + m);
  out[40] = r11(h + m);
  out[56] = r11(h);
}

}  // namespace

void rst_jpeg_fdct(int32_t* block) {
  int32_t work[64];
  // Row r's results land in column r of the work block, and back again.
  for (int32_t r = 0; r < 8; ++r) transform(block + 8 * r, work + r);
  for (int32_t r = 0; r < 8; ++r) transform(work + 8 * r, block + r);
}
