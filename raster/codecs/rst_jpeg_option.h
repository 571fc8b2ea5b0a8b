// The JPEG coding options: the table set and colour type a decoder or encoder
// codes with, and the encoder's quality and chroma sampling.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_jpeg_tables.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_counted_ptr.h"

class RstJPEGTypes {};

class RstJPEGOption : public RstCodingOption, public RstJPEGTypes {
 public:
  // With a table set: a set of its own whose arrays share the given tables;
  // when that set cannot be made, -1 "RstJPEGOption::RstJPEGOption()" and no
  // tables. Without one the codec's defaults apply.
  RstJPEGOption(const RstJPEGTables* tables, RstColorType* color_type);
  // Copies share the table set.
  RstJPEGOption(const RstJPEGOption&) = default;
  RstJPEGOption& operator=(const RstJPEGOption&) = default;
  ~RstJPEGOption() override = default;

  int32_t encode_type() const override { return 4; }
  // A copy over a table set of its own (same tables); none when memory runs
  // out, including for the copy's table set.
  RstCodingOption* clone() const override;

  RstCountedPtr<RstJPEGTables> tables;  // empty: the codec's defaults
  RstColorType* color_type = nullptr;   // not owned; null when none
};

// Chroma sampling codes of the JPEG encoder and the TIFF YCbCrSubSampling
// each stands for.
namespace RstJPEGSampling {
inline constexpr uint32_t s444 = 0x11101110;
inline constexpr uint32_t s422 = 0x12201110;
inline constexpr uint32_t s420 = 0x12201220;
inline constexpr uint32_t s411 = 0x14401110;

struct Entry {
  uint32_t code;
  int32_t horizontal;  // YCbCrSubSampling
  int32_t vertical;
};
inline constexpr Entry table[] = {{s444, 1, 1}, {s422, 2, 1}, {s420, 2, 2}, {s411, 4, 1}};

// The entry of a code, or none.
const Entry* find(uint32_t code);
// The entry of a subsampling pair, or none.
const Entry* find(int32_t horizontal, int32_t vertical);
}  // namespace RstJPEGSampling

class RstEncodeJPEGOption : public RstJPEGOption {
 public:
  // No tables, no colour type, averaging down-sampling.
  RstEncodeJPEGOption(int32_t quality, uint32_t sampling)
      : RstJPEGOption(nullptr, nullptr), quality(quality), sampling(sampling) {}

  // A copy sharing the table set.
  RstCodingOption* clone() const override;

  int32_t quality;
  uint32_t sampling;
  // 0 decimation, 2 chroma low-pass before the encoder, any other value
  // averaging inside the encoder.
  int32_t down_sampling_mode = 1;
};

// The options of the JPEG writers: the encoder's settings plus the
// resolution the application segment carries and whether one is written.
class RstWriteJPEGOption : public RstEncodeJPEGOption {
 public:
  // Quality and sampling as RstEncodeJPEGOption; header flag 1.
  RstWriteJPEGOption(int32_t x_resolution, int32_t y_resolution, int32_t quality, uint32_t sampling)
      : RstEncodeJPEGOption(quality, sampling), x_resolution(x_resolution), y_resolution(y_resolution) {}

  int32_t x_resolution;  // dots per inch
  int32_t y_resolution;
  // 1: a JFIF or G3FAX segment as the image's colour type asks; 0: none.
  uint8_t header_flag = 1;
};
