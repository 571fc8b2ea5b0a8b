// The JBIG encoding stages: T.85 (a bare bilevel image entity) and T.43 (the
// head, the bit-planes of a colour, palette or gray image as one multi-plane
// JBIG image, then 0xFF 0xA9). Each receives its header record through info
// and one raw line per line call, and writes through the stream's put-byte.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_stage.h"

// l0 and mx 0 keep the encoder's defaults; of options only LRLTWO, VLENGTH
// and TPBON reach the coder, and for T.43 bit 0x01 codes each plane whole
// before the next, bit 0x80 writes the identifiers with the digit 4. On
// failure the stream is put back and the result is the error stage (-1).
RstInstanceTolvane* rst_jbig_t85_encoder_create(BrenvoldStream* stream, uint32_t l0, uint32_t mx, uint32_t options);
RstInstanceTolvane* rst_jbig_t43_encoder_create(BrenvoldStream* stream, uint32_t l0, uint32_t mx, uint32_t options);
