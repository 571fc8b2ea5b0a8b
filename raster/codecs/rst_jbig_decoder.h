// The JBIG decoder: reads a T.82 image entity byte by byte (one layer, the
// two- or three-line template, typical prediction, SDNORM and SDRST, and the
// floating ABORT, NEWLEN, ATMOVE and COMMENT segments) and returns its
// lines one at a time.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jbig_context.h"

int32_t rst_jbig_dec_init(JbigCodecContext* ctx, int32_t mode, int32_t major, int32_t minor, uint32_t size);
int32_t rst_jbig_dec_set_input(JbigCodecContext* ctx, JbigByteIn in, void* user);
int32_t rst_jbig_dec_read_header(JbigCodecContext* ctx);
int32_t rst_jbig_dec_start(JbigCodecContext* ctx);
// Decodes the next line of plane rst_jbig_plane into (xd + 7) / 8 bytes;
// 0 without touching pixels once every line is decoded.
int32_t rst_jbig_dec_line(JbigCodecContext* ctx, uint8_t* pixels);
int32_t rst_jbig_dec_finish(JbigCodecContext* ctx);
