// Binarization of one-channel 8-bit images. RstConvertBits8To1EDType1 is
// Floyd-Steinberg error diffusion to 1 bit (every line left to right, shares
// rounded by magnitude, the remainder below right, so a line's shares add
// up to its error); RstConvertBits8To1Threshold sets a bit for every sample
// above a fixed threshold; RstReduceTone256To2Threshold keeps 8 bits and maps
// each sample to one of two given values. Output bits are packed most
// significant first, a 1 bit standing for a high sample.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

// The error-diffusion base: the input line and the line count.
class RstConvertBits8To1ED : public RstProcess {
 public:
  explicit RstConvertBits8To1ED(RstRead* source) : RstProcess(source) {}
  ~RstConvertBits8To1ED() override;
  // The source's header at 1 bit per sample.
  void header(RstHeader& h) override;
  // No memory for the input line: -1 "RstConvertBits8To1ED::initiate()".
  bool initiate() override;
  // skip is RstRead's: it reads the lines, so the diffusion runs over them.
  void reset() override;
  int line_size() override { return (width_ + 7) >> 3; }

 protected:
  uint8_t* input_ = nullptr;
  uint32_t line_count_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

class RstConvertBits8To1EDType1 : public RstConvertBits8To1ED {
 public:
  // No source: -2; a 1-bit source: itself; not 8 bits, 1 sample, raw and
  // without colormap: -3; all "RstConvertBits8To1EDType1::create()".
  static RstRead* create(RstRead* source);

  explicit RstConvertBits8To1EDType1(RstRead* source) : RstConvertBits8To1ED(source) {}
  ~RstConvertBits8To1EDType1() override;
  // No memory for the error rows: -1 "RstConvertBits8To1EDType1::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  void reset() override;

 private:
  // width + 2 errors each; element x + 1 belongs to pixel x, the two ends are
  // guards that swallow the shares falling off the line.
  int32_t* current_ = nullptr;
  int32_t* next_ = nullptr;
};

class RstConvertBits8To1Threshold : public RstProcess {
 public:
  // No source or threshold 255: -2; a 1-bit source: itself; not 8-bit
  // unsigned, 1 sample, raw and without colormap: -3; all
  // "RstConvertBits8To1Threshold::create()". A bit is set for a sample above
  // the threshold.
  static RstRead* create(RstRead* source, uint8_t threshold);

  RstConvertBits8To1Threshold(RstRead* source, uint8_t threshold) : RstProcess(source), threshold_(threshold) {}
  ~RstConvertBits8To1Threshold() override;
  void header(RstHeader& h) override;
  // No memory for the input line: -1 "RstConvertBits8To1Threshold::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return int(output_bytes_); }

 private:
  uint32_t output_bytes_ = 0;
  uint8_t threshold_;
  // 8 x output bytes: one source line, then zeros up to a whole byte of bits.
  uint8_t* input_ = nullptr;
  int source_size_ = 0;
};

class RstReduceTone256To2Threshold : public RstProcess {
 public:
  // No source: -2; not 8 bits, 1 sample, raw and without colormap: -3; both
  // "RstReduceTone256To2Threshold::create()". A sample above the threshold
  // becomes high, any other low.
  static RstRead* create(RstRead* source, uint8_t threshold, uint8_t low, uint8_t high);

  RstReduceTone256To2Threshold(RstRead* source, uint8_t threshold, uint8_t low, uint8_t high);
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return n == 0 ? 0 : source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return int(line_bytes_); }

 private:
  uint8_t threshold_, low_, high_;
  uint32_t line_bytes_ = 0;
  uint8_t map_[256];
};
