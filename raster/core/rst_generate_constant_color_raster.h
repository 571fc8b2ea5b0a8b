// Constant-colour raster sources: an image of a given header in which every
// pixel has one value, made without reading anything. The raw source packs
// 1-, 2-, 4- and 8-bit samples; the run-length source turns the raw lines of
// a bilevel image into run lines.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

class RstGenerateConstantColorRaster {
 public:
  // Data form 0: the raw source; data form 15: the run-length source (1 bit,
  // 1 sample, else -2
  // "RstGenerateConstantColorRaster::RstGenerateConstantColorRaster()"); any
  // other data form: null without a report.
  static RstRead* create(const RstHeader& header, const uint8_t* pixel);
};

class RstGenerateConstantColorRasterRaw : public RstRead {
 public:
  // -2 "RstGenerateConstantColorRasterRaw::create()" for no pixel, a sample
  // kind or data form other than 0, no colour type, an index not below the
  // colormap's entry count, a sample too big for 2 or 4 bits, a negative size
  // or a line above 2^31 - 1 bytes; -50 (same text) for depths other than 1,
  // 2, 4 and 8. pixel: one byte per sample, read at initiate.
  static RstGenerateConstantColorRasterRaw* create(const RstHeader& header, const uint8_t* pixel);

  RstGenerateConstantColorRasterRaw(const RstHeader& header, const uint8_t* pixel);
  ~RstGenerateConstantColorRasterRaw() override;

  void header(RstHeader& h) override { h = header_; }
  // Prepares the one line every read copies.
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { line_number_ = 0; }
  int line_size() override { return line_bytes_; }

 private:
  uint8_t* pixel_ = nullptr;
  int32_t line_number_ = 0;
  uint8_t* line_ = nullptr;
  int32_t line_bytes_;
  const uint8_t* pixel_value_;
  RstHeader header_;
};

class RstGenerateConstantColorRasterRLE {
 public:
  // The header must have sample kind 0, 1 bit, 1 sample, data form 15 and
  // no colormap, else -2 "RstGenerateConstantColorRasterRLE::create()".
  // Null when the run-length encoder cannot be made (it has reported).
  static RstRead* create(const RstHeader& header, uint8_t pixel);
};
