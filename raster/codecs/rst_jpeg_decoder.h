// The JPEG decoder stage: created over a stream at the start of JPEG data, it
// parses the headers, sets the core up for the frame (entropy decoder,
// inverse DCTs by scale, planes of one MCU row, resamplers) and hands out one
// decoded line per request, decoding an MCU row whenever the last one is used
// up. Progressive frames decode every scan into a coefficient store at the
// first request.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_jpeg_context.h"
#include "raster/codecs/rst_stage.h"

// The decoder stage, or an error instance carrying the failing code (the
// stream then back where it was). holder: preloaded tables (borrowed; null
// for none). color_code 0xFFFF: YCbCr for three components, gray for one.
// kinds: the accepted header kinds (1 JFIF, 4 G3FAX, 8 none). luminance_only:
// the first component only. data_size: coded bytes from the stream's
// position. rgb: YCbCr delivered as RGB. scale: 1, 2, 4 or 8.
RstInstanceTolvane* rst_jpeg_create_decoder(BrenvoldStream* stream, int32_t first_line, JpegCodecContext* holder,
                                            uint32_t color_code, int32_t kinds, int32_t luminance_only,
                                            int32_t lookahead_bits, int64_t data_size, int32_t rgb, int32_t scale);

// Makes the context use the holder's tables, borrowed: the context copies an
// array before changing it.
void rst_jpeg_preload_tables(JpegCodecContext* c, JpegCodecContext* holder);

// Set-up steps of the decoder, in their order after the header: the output
// size and line routine, then MCU geometry, block buffer or coefficient store
// and planes (-1 without memory or above the store limit).
int32_t rst_jpeg_init_lines(JpegCodecContext* c);
int32_t rst_jpeg_init_mcu_geometry(JpegCodecContext* c);

// The MCU-row producers: 1, 3 when coded data ended early (grey blocks in
// place of the missing ones), or a failure code.
int32_t rst_jpeg_baseline_mcu_row(JpegCodecContext* c);
int32_t rst_jpeg_baseline_luminance_mcu_row(JpegCodecContext* c);
int32_t rst_jpeg_progressive_mcu_row(JpegCodecContext* c);
int32_t rst_jpeg_progressive_luminance_mcu_row(JpegCodecContext* c);
// Every scan of a progressive frame into the coefficient store.
int32_t rst_jpeg_decode_all_scans(JpegCodecContext* c);

// Line output: one plane, three planes interleaved, the first plane only, and
// three planes converted from YCbCr to RGB.
void rst_jpeg_get_line1(JpegCodecContext* c, uint8_t* line);
void rst_jpeg_get_line3(JpegCodecContext* c, uint8_t* line);
void rst_jpeg_get_line_luma(JpegCodecContext* c, uint8_t* line);
void rst_jpeg_get_line_rgb(JpegCodecContext* c, uint8_t* line);
