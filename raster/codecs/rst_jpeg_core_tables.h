// The process-wide tables of the JPEG codec core: the quantisation and
// Huffman tables of ITU-T T.81 Annex K, the active base quantisation tables
// the encoder scales by quality, the zig-zag order, and the sample range
// table that clamps inverse-DCT outputs to samples.
#pragma once

#include <cstdint>

// ITU-T T.81 Tables K.1 (luminance) and K.2 (chrominance), natural order.
extern const int32_t rst_jpeg_k1_luminance[64];
extern const int32_t rst_jpeg_k2_chrominance[64];

// A standard Huffman table as BITS (16 counts) and HUFFVAL.
struct JpegStandardHuffman {
  const uint8_t* bits;
  const uint8_t* values;
  int32_t count;
};
// Tables K.3 (DC luminance), K.4 (DC chrominance), K.5 (AC luminance) and
// K.6 (AC chrominance).
const JpegStandardHuffman& rst_jpeg_k3_dc_luminance();
const JpegStandardHuffman& rst_jpeg_k4_dc_chrominance();
const JpegStandardHuffman& rst_jpeg_k5_ac_luminance();
const JpegStandardHuffman& rst_jpeg_k6_ac_chrominance();

// Natural index of zig-zag position k (the table of RstJPEGQTable).
const uint8_t* rst_jpeg_zigzag();

// The active base tables (64 values, natural order). A null argument keeps
// that table; the defaults are K.1 and K.2.
void rst_jpeg_set_base_qtables(const int32_t* luminance, const int32_t* chrominance);
void rst_jpeg_default_base_qtables();
// Luminance for chroma 0, chrominance otherwise.
const int32_t* rst_jpeg_base_qtable(int32_t chroma);

// The scale factor of a quality: q <= 0 (a quality 0..100 negated) gives
// 2 + 0.02 q, q > 0 gives q / 8.
float rst_jpeg_quality_scale(int32_t quality);
// Each base value times the factor, rounded, held to 1..255.
void rst_jpeg_scale_qtable(const int32_t* base, float factor, int32_t* out);

// The sample range table, built once per process under its mutex: the
// returned pointer lies 640 entries in, so that entry x of an inverse-DCT
// output (before the level shift) is x + 128 for -128..127, 255 for
// 128..639 and 0 for -640..-129 and 640..767. None when memory runs out.
const int32_t* rst_jpeg_build_range_limit();
// Builds the table under its lock when it is missing and has it freed at
// exit (once); 1, or -1 without memory. The JPEG writers call it before their
// first coder runs.
int32_t rst_jpeg_range_table_acquire();
// Frees the table under its lock; the next coder builds it again.
void rst_jpeg_range_table_release();
// The sample of an output through the table; outputs below -511 or above
// 767 give 0 without a look-up.
inline int32_t rst_jpeg_range_sample(const int32_t* range, int32_t output) {
  return output < -511 || output > 767 ? 0 : range[output];
}
