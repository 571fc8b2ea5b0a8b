// The JBIG encoder: bit-planes given one line at a time become a T.82 image
// entity (BIH, then each stripe's arithmetic-coded data closed by SDNORM),
// restricted to what T.85 allows: one layer, the two- or three-line template
// with the adaptive pixel at its default place, optional typical prediction.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jbig_context.h"

// Checks the version pair (1, 4) and the record size, else error 1.
int32_t rst_jbig_enc_init(JbigCodecContext* ctx, int32_t mode, int32_t major, int32_t minor, uint32_t size);
int32_t rst_jbig_enc_set_output(JbigCodecContext* ctx, JbigByteOut out, void* user);
int32_t rst_jbig_enc_write_header(JbigCodecContext* ctx);
int32_t rst_jbig_enc_start(JbigCodecContext* ctx);
// Codes the next line of plane rst_jbig_plane; 0 without effect after the last.
int32_t rst_jbig_enc_line(JbigCodecContext* ctx, const uint8_t* pixels);
// Error 3 when lines are missing: an open stripe must not pass as written.
int32_t rst_jbig_enc_finish(JbigCodecContext* ctx);
