// Status mapping, record allocation and the T.43 colour forms.
#include "raster/codecs/rst_jbig_stage.h"

#include "raster/codecs/rst_stage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

int32_t rst_jbig_stage_status(int32_t codec_error) {
  if (codec_error == 0) return RstCode::good;
  if (codec_error == kJbigIoFailed || codec_error == kJbigAborted) return RstCode::io_failure;
  if (codec_error >= kJbigBadDl && codec_error <= kJbigBadTy) return RstCode::bad_argument;
  return RstCode::unsupported_form;
}

JbigCodecContext* rst_jbig_new_context() {
  return static_cast<JbigCodecContext*>(rst_calloc(sizeof(JbigCodecContext)));
}

void rst_jbig_free_context(JbigCodecContext* ctx) { rst_free(ctx); }

namespace {

// The forms our writers produce and our readers deliver.
constexpr JbigT43Form kRgb = {0x00, 3, 1, {3, 0, 0, 0}, 0x30000u | TolvaneColorCode::rgb, false};
constexpr JbigT43Form kCmy = {0x01, 3, 1, {3, 0, 0, 0}, 0x30000u | TolvaneColorCode::cmyk, false};
constexpr JbigT43Form kCmyk = {0x02, 4, 1, {4, 0, 0, 0}, 0x40000u | TolvaneColorCode::cmyk, false};
constexpr JbigT43Form kPalette = {0x10, 1, 8, {8, 0, 0, 0}, 0x80000u | TolvaneColorCode::itu_lab, false};
constexpr JbigT43Form kLab = {0x30, 3, 8, {8, 8, 8, 0}, 0x180000u | TolvaneColorCode::itu_lab, true};
constexpr JbigT43Form kLstar = {0x20, 1, 8, {8, 0, 0, 0}, 0x80000u | TolvaneColorCode::icc_lstar, true};

}  // namespace

bool rst_jbig_t43_form_of_input(uint16_t color_code, uint32_t bits_per_pixel, bool colormap, JbigT43Form* form,
                                int32_t* status) {
  const JbigT43Form* f = nullptr;
  switch (color_code) {
    case TolvaneColorCode::rgb:
      if (bits_per_pixel == 3) f = &kRgb;
      break;
    case TolvaneColorCode::cmyk:
      if (bits_per_pixel == 3) f = &kCmy;
      if (bits_per_pixel == 4) f = &kCmyk;
      break;
    case TolvaneColorCode::itu_lab:
      if (bits_per_pixel == 8 && colormap) f = &kPalette;
      if (bits_per_pixel == 24) f = &kLab;
      break;
    case TolvaneColorCode::icc_lstar:
    case TolvaneColorCode::gray:
      if (bits_per_pixel == 8) f = &kLstar;
      break;
    default: *status = RstJbigStatus::bad_color; return false;
  }
  // Only the palette form carries a colormap; any other would be coded
  // as if its indices were colours.
  if (!f || (colormap && f != &kPalette)) {
    *status = RstJbigStatus::bad_depth;
    return false;
  }
  *form = *f;
  *status = RstCode::good;
  return true;
}

bool rst_jbig_t43_form_of_data(uint8_t color_space, const uint8_t bytes[4], uint32_t p, JbigT43Form* form) {
  const JbigT43Form* f = nullptr;
  switch (color_space) {
    case 0x00: f = &kRgb; break;
    case 0x01: f = &kCmy; break;
    case 0x02: f = &kCmyk; break;
    case 0x10:
    case 0x11: f = &kPalette; break;
    case 0x20: f = &kLstar; break;
    case 0x30: f = &kLab; break;
    default: return false;
  }
  // The line layout comes from the component bytes and the plane buffers
  // from P: both must be the form's, or the rebuild reads planes that do
  // not exist. The one-bit forms do not use the component bytes.
  if (f->component_bits == 8)
    for (int c = 0; c < f->components; ++c)
      if (bytes[c] != 8) return false;
  if (f->planes() != p) return false;
  *form = *f;
  form->color_space = color_space;
  return true;
}
