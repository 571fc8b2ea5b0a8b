// The plane resamplers of the JPEG core and their choice per component. Each
// works on one component plane of 8-bit samples; source and target may share
// their memory (widening runs bottom-up and right to left, narrowing top-down
// and left to right). Averages are sums shifted right by half the factor.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_context.h"

void rst_jpeg_replicate_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_replicate_v(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_replicate_hv(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_average_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_average_v(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_average_hv(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_average_v_replicate_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width,
                                    int32_t rows);
void rst_jpeg_average_8(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_pick_hv(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);
void rst_jpeg_pick_h(const JpegPlane& s, JpegPlane& t, int32_t h, int32_t v, int32_t width, int32_t rows);

// Per component: the resampler and its factors. Encoding (downsampling mode
// 0 and 2 pick, others average) works from the sampling divisors; decoding
// brings each plane to the size of the first component's plane.
void rst_jpeg_select_resamplers(JpegCodecContext* c, int32_t encoding, int32_t mode = 1);
