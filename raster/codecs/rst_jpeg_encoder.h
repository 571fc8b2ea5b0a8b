// The JPEG encoder: the header record its stage receives, the core's set-up
// and per-line steps (line input, MCU rows, block extraction), and the
// encoder stage of the codec stage protocol. Lines of 8-bit samples (one
// gray component or three) become one baseline sequential JPEG stream with
// an interleaved scan and restart markers.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_jpeg_context.h"
#include "raster/codecs/rst_stage.h"

// What the encoder stage's info receives (through its first member).
struct JpegEncoderParams {
  // Width, height, format word and component order; no colormap.
  TolvaneImageInfo image;
  int32_t x_resolution = 0;  // dots per inch, for JFIF or G3FAX
  int32_t y_resolution = 0;
  // At most 0: a quality 0..100 negated; above 0: eighths of the base tables.
  int32_t quality = 0;
  // Horizontal divisors of components 0, 1, 2, then vertical; 1, 2 or 4.
  uint8_t divisors[6] = {1, 1, 1, 1, 1, 1};
  // MCUs per interval; 0 asks for one MCU row. The interval used comes back.
  int32_t restart_interval = 0;
  // Stream positions of the tables components 0, 1, 2 use: quantisation
  // (identifier byte), DC and AC Huffman (counts).
  int32_t table_positions[9] = {};
};

// Header kinds: what application segment the stream starts with.
namespace JpegHeaderKind {
inline constexpr int32_t jfif = 1;
inline constexpr int32_t g3fax = 4;
inline constexpr int32_t none = 8;
}  // namespace JpegHeaderKind

// The encoder stage over stream (not owned, not closed); the error instance
// with -1 without memory. Nothing is written before info.
RstInstanceTolvane* rst_jpeg_create_encoder(BrenvoldStream* stream, int32_t header_kind, int32_t down_sampling_mode);

// Set-up steps (encoder 1; encoder 0 runs the decoder's). Lines: one plane
// per component (width rounded up to whole MCUs, one MCU row high) and the
// line input routine. MCU geometry: block factors, blocks per MCU, MCUs per
// row and the block buffer. -1 without memory, -2 for data without a line
// input routine.
int32_t rst_jpeg_init_lines(JpegCodecContext* c, int32_t encoder);
// The planes: width rounded up to 8 x the largest horizontal divisor, 8 x the
// largest vertical divisor rows. -1 without memory.
int32_t rst_jpeg_alloc_lines(JpegCodecContext* c);
int32_t rst_jpeg_init_mcu_geometry(JpegCodecContext* c, int32_t encoder);
void rst_jpeg_free_lines(JpegCodecContext* c);
void rst_jpeg_free_block_buffer(JpegCodecContext* c);

// Line input: one gray line, or interleaved triples into three planes; the
// rest of each plane row repeats the last pixel.
void rst_jpeg_put_line1(JpegCodecContext* c, const uint8_t* line);
void rst_jpeg_put_line3(JpegCodecContext* c, const uint8_t* line);
// Fills the rest of a partial MCU row with its last line; the rows added.
int32_t rst_jpeg_pad_rows(JpegCodecContext* c);
// Points every plane's row back at its start.
void rst_jpeg_rewind_lines(JpegCodecContext* c);
// The 8 x 8 blocks of MCU mcu, level-shifted by -128, into blocks (65 ints
// apart): one component, or every component's blocks in order.
void rst_jpeg_extract_block_gray(JpegCodecContext* c, int32_t mcu, int32_t* blocks);
void rst_jpeg_extract_blocks(JpegCodecContext* c, int32_t mcu, int32_t* blocks);
// Resamples the planes and codes every MCU of the buffered row, with the
// restart markers between intervals. 1 or the first failure.
int32_t rst_jpeg_encode_mcu_row(JpegCodecContext* c);
