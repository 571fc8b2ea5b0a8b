// Entropy decoding of the JPEG decoder: the bit reader over the coded bytes
// (stuffed zeros removed, a marker kept as pending and zero bits supplied
// after it), the lookahead tables of the Huffman decoder, and the block
// decoders of baseline frames and of the four kinds of progressive scans.
// Once 16 zero bits beyond the data have been consumed in an interval the
// block decoders fail: -3 when the data ran out, -9999 after a marker.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_context.h"

inline constexpr int32_t kJpegMarkerMet = -9999;

// Allocates the input buffer (-1 without memory), keeps the lookahead width
// and resets.
int32_t rst_jpeg_init_decoder_entropy(JpegCodecContext* c, int32_t lookahead_bits);
// Start of a scan or interval: bit state, predictors and end-of-band run
// cleared, the block decoder chosen by the scan, lookaheads rebuilt when the
// tables changed. 1 or -1.
int32_t rst_jpeg_reset_decoder_entropy(JpegCodecContext* c);
void rst_jpeg_free_decoder_entropy(JpegCodecContext* c);

// 2^bits entries: code length (0: longer than bits) and symbol; -1 without memory.
int32_t rst_jpeg_build_lookahead(JpegHuffmanInfo* table, int32_t bits);

// The next n bits (n <= 16), zero bits once the data ended.
int32_t rst_jpeg_get_bits(JpegCodecContext* c, int32_t n);
// The next symbol of the table, or -3.
int32_t rst_jpeg_decode_symbol(JpegCodecContext* c, const JpegHuffmanInfo* table);

// Block decoders: 1, or -3, or -9999. The sequential decoder writes the
// dequantised coefficients (count word 64); the progressive ones update the
// unscaled coefficients of the block.
int32_t rst_jpeg_decode_block(JpegCodecContext* c, int32_t* block, int32_t component);
int32_t rst_jpeg_decode_dc_first(JpegCodecContext* c, int32_t* block, int32_t component);
int32_t rst_jpeg_decode_dc_refine(JpegCodecContext* c, int32_t* block, int32_t component);
int32_t rst_jpeg_decode_ac_first(JpegCodecContext* c, int32_t* block, int32_t component);
int32_t rst_jpeg_decode_ac_refine(JpegCodecContext* c, int32_t* block, int32_t component);
