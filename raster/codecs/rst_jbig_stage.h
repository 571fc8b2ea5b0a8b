// What the JBIG codec stages share: the status a codec error stands for, the
// codec record's allocation, the bound on plane buffers, and the colour forms
// of T.43 data (bit-planes per component, colour space of the G3FAX0 segment,
// the stage format word).
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jbig_context.h"

namespace RstJbigStatus {
inline constexpr int32_t bad_depth = -203;  // bits per pixel the coding has no form for
inline constexpr int32_t bad_color = -204;  // colour code or colour space without form
}  // namespace RstJbigStatus

// Plane buffers of a T.43 stage together; beyond this a stage is refused.
inline constexpr uint64_t kJbigPlaneBufferLimit = uint64_t{1} << 30;

// 1 for no error; 1, 3, 7, 8, 9 -> -3; 4, 5 -> -11; 10 to 19 -> -2; any
// other -3.
int32_t rst_jbig_stage_status(int32_t codec_error);

// A zero-filled codec record, or null; freed with rst_jbig_free_context.
JbigCodecContext* rst_jbig_new_context();
void rst_jbig_free_context(JbigCodecContext* ctx);

struct JbigT43Form {
  uint8_t color_space;
  uint8_t components;
  uint8_t component_bits;  // 1 or 8; each bit one plane
  uint8_t bytes[4];        // the four component bytes of G3FAX0
  uint32_t format;         // bits per pixel << 16 | stage colour code
  bool gray_code;          // components of several bits are Gray-coded planes
  uint32_t planes() const { return uint32_t(components) * component_bits; }
};

// The form of an input of the colour code and bits per pixel: true and the
// form; else false and -204 (colour code) or -203 (bits, or a colormap on
// anything but an 8-bit Lab palette).
bool rst_jbig_t43_form_of_input(uint16_t color_code, uint32_t bits_per_pixel, bool colormap, JbigT43Form* form,
                                int32_t* status);

// The form of T.43 data of the colour space and component bytes: true only
// when it is one of the readable forms and its planes add up to p.
bool rst_jbig_t43_form_of_data(uint8_t color_space, const uint8_t bytes[4], uint32_t p, JbigT43Form* form);
