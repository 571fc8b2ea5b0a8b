// RstHeader: how an image node describes its image (size, sample layout, data
// form, colormap, colour type). Nodes hand headers out by value; copies share
// the colormap.
#pragma once

#include <cstdint>

#include "raster/core/rst_color_type.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"

class RstRoot;

// How the lines of an image are represented.
namespace RstDataForm {
inline constexpr int32_t raw = 0;  // samples packed MSB first, line by line
inline constexpr int32_t mh = 1;
inline constexpr int32_t mr = 2;
inline constexpr int32_t mmr = 3;
inline constexpr int32_t jpeg = 4;
inline constexpr int32_t jpeg2000 = 5;
inline constexpr int32_t jbig = 6;
inline constexpr int32_t jbig_color = 7;
inline constexpr int32_t jbig2 = 8;
inline constexpr int32_t byte_encode = 9;
inline constexpr int32_t packbits = 10;
inline constexpr int32_t lzw = 11;
inline constexpr int32_t lzw_2 = 12;
inline constexpr int32_t flate = 13;
inline constexpr int32_t windows_rle = 14;
inline constexpr int32_t rle = 15;    // run-length lines, 1 bit, 1 channel
inline constexpr int32_t rle_n = 16;  // run-length lines with sample values
inline constexpr int32_t alla = 17;
inline constexpr int32_t ascii85 = 18;
inline constexpr int32_t ascii_hex = 19;
inline constexpr int32_t base64 = 20;
inline constexpr int32_t rlc = 21;
inline constexpr int32_t mrc = 22;
}  // namespace RstDataForm

namespace RstSampleKind {
inline constexpr int32_t unsigned_int = 0;
inline constexpr int32_t fixed_point = 2;
inline constexpr int32_t floating_point = 3;
}  // namespace RstSampleKind

class RstHeader {
 public:
  RstHeader() = default;
  RstHeader(const RstHeader& other) { *this = other; }
  // Asks the node's header slot to fill this header.
  explicit RstHeader(RstRoot* node);
  virtual ~RstHeader() = default;
  // Copies the numbers and the colour type and shares the colormap.
  RstHeader& operator=(const RstHeader& other);

  int32_t width = 0;
  int32_t height = 0;
  int32_t bits_per_sample = 0;
  int32_t samples_per_pixel = 0;
  int32_t sample_kind = 0;
  int32_t data_form = 0;
  RstCountedPtr<RstColormap> colormap;  // empty when not indexed
  RstColorType* color_type = nullptr;   // not owned; null when none
};
