// The head of T.43 data: the start marker 0xFF 0xA8 and the "G3FAX"
// application segments (G3FAX0 colour space and components, G3FAX1 gamut,
// G3FAX2 illuminant, G3FAX3 palette, 0xFF end of segments) in front of the
// JBIG image, and the closing marker 0xFF 0xA9 after it.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/codecs/rst_jbig_context.h"
#include "raster/codecs/rst_jbig_stage.h"

class BrenvoldStream;

// The bytes of the head. digit4 puts '4' in place of '3' into every
// identifier; a palette (planar 3 x 256) is written for colour space 0x10 only.
std::vector<uint8_t> rst_jbig_t43_head_bytes(const JbigT43Form& form, uint32_t resolution, const uint8_t* palette,
                                             bool digit4);

// What a head said.
struct JbigT43Head {
  bool has_form = false;  // a G3FAX0 segment came
  uint8_t color_space = 0;
  uint8_t bytes[4] = {0, 0, 0, 0};
  uint8_t* palette = nullptr;  // planar 3 x 256, rst_malloc'd, or null
};

// Reads a head through the codec record's byte input: 1, or -12 when the
// data does not start with 0xFF 0xA8, -3 for a segment that is not a G3FAX
// segment or whose counts do not fit its length, -50 for a palette of more
// than 256 entries, -11 when the bytes run out, -1 without memory. The
// palette, when one came, is the caller's to free even on failure.
int32_t rst_jbig_t43_read_head(JbigCodecContext* ctx, JbigT43Head* head);
