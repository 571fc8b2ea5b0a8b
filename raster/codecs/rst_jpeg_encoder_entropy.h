// The JPEG encoder's entropy coding: the standard Huffman tables of T.81
// Annex K, quantisation through the reciprocal tables, baseline block coding
// and the bit output with 0x00 after every 0xFF byte.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_context.h"

// Clears the bit output, builds the four tables (DC 0, DC 1, AC 0, AC 1),
// gives component 0 tables 0 and the others tables 1, makes
// rst_jpeg_flush_bits the restart routine and clears the DC predictors.
// -1 without memory.
int32_t rst_jpeg_init_encoder_entropy(JpegCodecContext* c);
void rst_jpeg_free_encoder_entropy(JpegCodecContext* c);

// The low length bits of code, most significant first. 1, or -11 once a
// write has failed.
int32_t rst_jpeg_put_bits(JpegCodecContext* c, uint32_t code, int32_t length);
// Pads a started byte with 1 bits, writes every pending byte to the stream
// and clears the DC predictors; the bit output status.
int32_t rst_jpeg_flush_bits(JpegCodecContext* c);
// Writes the bytes gathered so far to the stream (a marker or a seek comes
// next); the bit output status.
int32_t rst_jpeg_drain_bits(JpegCodecContext* c);

// Quantises a transformed block (natural order) with quantisation table
// qtable and codes it with the DC and AC tables, predicting the DC from
// component's last block. 1 or -11.
int32_t rst_jpeg_encode_block(JpegCodecContext* c, const int32_t* block, const JpegHuffmanInfo* dc,
                              const JpegHuffmanInfo* ac, int32_t qtable, int32_t component);

// The number of bits of |v| (0 for 0).
inline int32_t rst_jpeg_category(int32_t v) {
  uint32_t m = uint32_t(v < 0 ? -v : v);
  int32_t n = 0;
  while (m) {
    ++n;
    m >>= 1;
  }
  return n;
}
