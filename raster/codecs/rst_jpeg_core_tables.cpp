// The JPEG core's process-wide tables.
#include "raster/codecs/rst_jpeg_core_tables.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "raster/codecs/rst_jpeg_tables.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_mutex.h"

const int32_t rst_jpeg_k1_luminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                           14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                           18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                           49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

const int32_t rst_jpeg_k2_chrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                             24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                             99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                             99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

namespace {

const uint8_t kDcLuminanceBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kDcChrominanceBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
const uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

const uint8_t kAcLuminanceBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
const uint8_t kAcLuminanceValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

const uint8_t kAcChrominanceBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
const uint8_t kAcChrominanceValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

// The active base tables, plus a spare slot each.
int32_t g_base[2][65];
bool g_base_set = false;

void ensure_base() {
  if (g_base_set) return;
  rst_jpeg_default_base_qtables();
}

RstMutex& range_mutex() {
  // Made on first use and never destroyed, as the table it guards.
  static RstMutex* m = new RstMutex();
  return *m;
}

int32_t* g_range = nullptr;

}  // namespace

const JpegStandardHuffman& rst_jpeg_k3_dc_luminance() {
  static const JpegStandardHuffman t{kDcLuminanceBits, kDcValues, 12};
  return t;
}
const JpegStandardHuffman& rst_jpeg_k4_dc_chrominance() {
  static const JpegStandardHuffman t{kDcChrominanceBits, kDcValues, 12};
  return t;
}
const JpegStandardHuffman& rst_jpeg_k5_ac_luminance() {
  static const JpegStandardHuffman t{kAcLuminanceBits, kAcLuminanceValues, 162};
  return t;
}
const JpegStandardHuffman& rst_jpeg_k6_ac_chrominance() {
  static const JpegStandardHuffman t{kAcChrominanceBits, kAcChrominanceValues, 162};
  return t;
}

const uint8_t* rst_jpeg_zigzag() { return RstJPEGQTable::zigzag_order(); }

void rst_jpeg_set_base_qtables(const int32_t* luminance, const int32_t* chrominance) {
  ensure_base();
  if (luminance) std::memcpy(g_base[0], luminance, 64 * sizeof(int32_t));
  if (chrominance) std::memcpy(g_base[1], chrominance, 64 * sizeof(int32_t));
}

void rst_jpeg_default_base_qtables() {
  std::memcpy(g_base[0], rst_jpeg_k1_luminance, sizeof rst_jpeg_k1_luminance);
  std::memcpy(g_base[1], rst_jpeg_k2_chrominance, sizeof rst_jpeg_k2_chrominance);
  g_base_set = true;
}

const int32_t* rst_jpeg_base_qtable(int32_t chroma) {
  ensure_base();
  return g_base[chroma == 0 ? 0 : 1];
}

float rst_jpeg_quality_scale(int32_t quality) {
  if (quality <= 0) return 2.0f - float(-2 * quality) * 0.01f;
  return float(quality) * 0.125f;
}

void rst_jpeg_scale_qtable(const int32_t* base, float factor, int32_t* out) {
  for (int k = 0; k < 64; ++k) {
    float scaled = float(base[k]) * factor + 0.5f;
    // Held before the conversion, so that a huge value never overflows it.
    int32_t v = scaled >= 256.0f ? 255 : int32_t(scaled);
    out[k] = v <= 0 ? 1 : v;
  }
}

namespace {

// Frees the table at exit, under its lock.
void release_at_exit() { rst_jpeg_range_table_release(); }

}  // namespace

int32_t rst_jpeg_range_table_acquire() {
  std::lock_guard<RstMutex> lock(range_mutex());
  if (!g_range) {
    int32_t* table = static_cast<int32_t*>(rst_calloc(2048 * sizeof(int32_t)));
    if (!table) return -1;
    for (int32_t i = 0; i < 256; ++i) table[512 + i] = i;
    for (int32_t i = 768; i < 1280; ++i) table[i] = 255;
    g_range = table;
    static const bool registered = std::atexit(release_at_exit) == 0;
    (void)registered;
  }
  return 1;
}

void rst_jpeg_range_table_release() {
  std::lock_guard<RstMutex> lock(range_mutex());
  rst_free(g_range);
  g_range = nullptr;
}

const int32_t* rst_jpeg_build_range_limit() {
  if (rst_jpeg_range_table_acquire() < 1) return nullptr;
  std::lock_guard<RstMutex> lock(range_mutex());
  return g_range ? g_range + 640 : nullptr;
}
