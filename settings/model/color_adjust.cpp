// Building and applying the colour adjustment matrix.
#include "settings/model/color_adjust.h"

#include <cstring>

namespace {

constexpr double kWeights[3] = {0.3, 0.59, 0.11};  // red, green, blue luminance
constexpr double kRests[3] = {0.7, 0.41, 0.89};    // 1 - weight

SHORT Clamp(SHORT v) { return v < -100 ? -100 : v > 100 ? 100 : v; }

LONG Fixed(double v) { return static_cast<LONG>(v * 65536.0); }  // truncates toward zero

BYTE ClampByte(int64_t v) { return v < 1 ? 0 : v >= 255 ? 255 : static_cast<BYTE>(v); }

}  // namespace

int BuildColorAdjustMatrix(ColorAdjustMatrix* matrix, SHORT brightness, SHORT saturation, SHORT contrast) {
  if (!matrix) return -1;
  brightness = Clamp(brightness);
  saturation = Clamp(saturation);
  contrast = Clamp(contrast);
  double s = saturation < 0 ? 1 + saturation * 0.005 : 1 + saturation * 0.01;
  double k = 1 + contrast * 0.003;
  double offset = brightness * 0.5 + (1 - k) * 255;
  // Each coefficient mixes the contrast-scaled luminance weight of the input
  // channel with the saturation-scaled rest of it.
  for (int out = 0; out < 3; ++out) {
    for (int in = 0; in < 3; ++in) {
      double w = kWeights[in];
      double c = out == in ? kRests[in] * s + w * k : w * k - w * s;
      matrix->values[out * 3 + in] = Fixed(c);
    }
    matrix->values[9 + out] = Fixed(offset);
  }
  return 0;
}

void ApplyColorAdjustMatrix(const ColorAdjustMatrix* matrix, const BYTE* input, BYTE* output, DWORD count) {
  if (!input || !output) return;
  if (!matrix) {
    memmove(output, input, static_cast<size_t>(count) * 3);
    return;
  }
  const LONG* m = matrix->values;
  for (DWORD n = 0; n < count; ++n) {
    const BYTE* p = input + static_cast<size_t>(n) * 3;
    // Widened to 16 bits; pixels are blue, green, red.
    int64_t rgb[3] = {p[2] * 257, p[1] * 257, p[0] * 257};
    BYTE result[3];
    for (int out = 0; out < 3; ++out) {
      int64_t sum = 0;
      for (int in = 0; in < 3; ++in) sum += rgb[in] * (m[out * 3 + in] >> 2);
      result[out] = ClampByte((sum >> 22) + (m[9 + out] >> 16));
    }
    BYTE* q = output + static_cast<size_t>(n) * 3;
    q[0] = result[2];
    q[1] = result[1];
    q[2] = result[0];
  }
}
