// RstMirrorY: top-bottom mirroring. The node reads its whole source when it
// is initiated, ends it, and hands the lines out last first. Run lines go to
// RstMirrorYRLE, which keeps each line at the byte count it came with.
#pragma once

#include <cstdint>

#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"

class RstMirrorY : public RstProcess {
 public:
  // No source: -2; sample kind not 0, or neither raw lines nor 1-bit
  // 1-sample run lines: -3; "RstMirrorY::create()".
  static RstRead* create(RstRead* source);

  explicit RstMirrorY(RstRead* source);
  ~RstMirrorY() override;

  void header(RstHeader& h) override { h = header_; }
  // No memory (or a size beyond any buffer): -1; a source line of another
  // length than line_size: -3; "RstMirrorY::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { next_line_ = 0; }
  int line_size() override { return line_bytes_; }

 private:
  uint8_t* image_ = nullptr;
  RstHeader header_;
  int32_t line_bytes_ = 0;
  int32_t next_line_ = 0;
};

class RstMirrorYRLE : public RstProcess {
 public:
  // No source: -2; not 1 bit, 1 sample, run lines: -3; "RstMirrorYRLE::create()".
  static RstMirrorYRLE* create(RstRead* source);

  explicit RstMirrorYRLE(RstRead* source);
  ~RstMirrorYRLE() override;

  void header(RstHeader& h) override { h = header_; }
  // No memory: -1; a source line of 0 bytes, of a count that is not a whole
  // number of pairs, or longer than line_size (a source ending early
  // included): -3; "RstMirrorYRLE::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { next_line_ = 0; }
  int line_size() override { return line_bytes_; }

 private:
  int32_t line_bytes_ = 0;
  uint8_t* image_ = nullptr;     // the lines one after another, each at its own length
  int32_t* lengths_ = nullptr;   // byte count of each line
  uint64_t* offsets_ = nullptr;  // where each line starts in image_
  RstHeader header_;
  int32_t height_ = 0;
  int32_t next_line_ = 0;
};
