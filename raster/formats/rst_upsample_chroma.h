// YCbCr chroma upsampling of uncompressed TIFF strips: the packed data units of
// a subsampled page (each a block of Y samples followed by one Cb and one Cr)
// become full lines of Y, Cb, Cr bytes, each chroma pair repeated over the
// pixels of its unit. Data that ends early reads as 255.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_code_buffer.h"
#include "raster/core/rst_process.h"

class RstUpsampleChroma : public RstProcess, public RstCodeBuffer {
 public:
  // Sampling codes (those of the JPEG options).
  static constexpr uint32_t sampling_none = 0x11101110;  // 1, 1
  static constexpr uint32_t sampling_422 = 0x12201110;   // 2, 1
  static constexpr uint32_t sampling_420 = 0x12201220;   // 2, 2
  static constexpr uint32_t sampling_411 = 0x14401110;   // 4, 1

  // 1, 1 gives the source back. No source or another code: -2; a source that
  // is not raw 8-bit 3-sample data without colormap: -3; "RstUpsampleChroma::create()".
  static RstRead* create(RstRead* source, uint32_t sampling);

  explicit RstUpsampleChroma(RstRead* source) : RstProcess(source), RstCodeBuffer(source) {}

  bool initiate() override;
  void reset() override;
  int line_size() override { return int(line_bytes_); }

 protected:
  // The checks of create, reported with where.
  static bool check(RstRead* source, const char* where);
  // The next data byte; 255 once the data has ended.
  uint8_t next_byte() {
    int32_t b = take_byte();
    return b < 0 ? 255 : uint8_t(b);
  }
  // Stores pixel x of a line when it lies inside the width.
  void put(uint8_t* line, uint32_t x, uint8_t y, uint8_t cb, uint8_t cr) const {
    if (x >= width_) return;
    line[3 * x] = y;
    line[3 * x + 1] = cb;
    line[3 * x + 2] = cr;
  }

  uint32_t buffered_line_ = 2;  // 4:2:0: next buffered line to deliver; 2 = none
  uint32_t line_bytes_ = 0;
  uint32_t width_ = 0;
};

// Units Y0 Y1 Cb Cr: two pixels of one line.
class RstUpsampleChroma422 : public RstUpsampleChroma {
 public:
  static RstUpsampleChroma422* create(RstRead* source);
  using RstUpsampleChroma::RstUpsampleChroma;
  int read(uint8_t* line) override;
};

// Units Y0 Y1 Y2 Y3 Cb Cr: four pixels of one line.
class RstUpsampleChroma411 : public RstUpsampleChroma {
 public:
  static RstUpsampleChroma411* create(RstRead* source);
  using RstUpsampleChroma::RstUpsampleChroma;
  int read(uint8_t* line) override;
};

// Units Y00 Y01 Y10 Y11 Cb Cr: two pixels of two lines; one row of units
// fills two line buffers, delivered one after the other.
class RstUpsampleChroma420 : public RstUpsampleChroma {
 public:
  static RstUpsampleChroma420* create(RstRead* source);
  using RstUpsampleChroma::RstUpsampleChroma;
  ~RstUpsampleChroma420() override;
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  uint8_t* line_buffers_[2] = {nullptr, nullptr};
};
