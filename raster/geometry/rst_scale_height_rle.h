// Height scaling of bilevel run lines. Positions are 20.12 fixed point source
// lines. RstScaleHeightRLENN shows the nearest source line for each output
// line; RstScaleHeightRLEOR and RstScaleHeightRLEAND do the same when
// enlarging and, when reducing, combine the source lines of each output line
// by union or intersection of their runs. Every line read is cleaned with
// RstRunWalk, so the output is valid whatever the source's runs.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstScaleHeightRLE : public RstProcess {
 public:
  RstScaleHeightRLE(RstRead* source, int32_t height);
  ~RstScaleHeightRLE() override;

  // The source's header with the target height.
  void header(RstHeader& h) override;
  void reset() override;
  // The source's line size, at least the largest run line of the width.
  int line_size() override { return line_size_; }

 protected:
  enum class Mode { or_, and_, nn };
  // The checks and the build shared by the three creates; where is the
  // variant's create where-text.
  static RstRead* create(RstRead* source, int32_t height, Mode mode, const char* where);

  // Counts one more output line; false once the target height is reached.
  bool count_line() {
    if (produced_ >= height_) return false;
    ++produced_;
    return true;
  }
  // Sets the position of the first output line.
  virtual void start() = 0;
  // Reads the next source line into line and cleans it; its byte count, 0 at
  // the end of the source.
  int32_t read_source(uint8_t* line);
  // Skips the source up to line `to`.
  void catch_up(uint32_t to);

  // The OR and AND scalers: the held line and, when reducing, the
  // accumulator, allocated by their constructors.
  void allocate_combined();
  bool has_combined() const { return held_ && (accumulator_ || !reducing_); }
  void start_combined() { position_ = reducing_ ? 0 : step_ / 2; }
  // The nearest line when enlarging; when reducing, the union (OR) or the
  // intersection of the output line's source lines.
  int read_combined(uint8_t* line, bool union_of_lines);

  uint32_t height_ = 0;
  uint32_t consumed_ = 0;
  uint32_t produced_ = 0;
  int32_t step_ = 0;
  int32_t position_ = 0;
  int32_t width_ = 0;
  int32_t line_size_ = 0;
  bool reducing_ = false;
  int32_t* held_ = nullptr;
  int32_t held_bytes_ = 0;
  int32_t* accumulator_ = nullptr;
};

class RstScaleHeightRLEOR : public RstScaleHeightRLE {
 public:
  // The source itself for its own height. No source, a height of 0 or
  // below: -2; scaling needed and not 1-bit, 1-sample run lines, a source or
  // target height of 2^19 or more, or a step that rounds to 0: -3;
  // "RstScaleHeightRLEOR::create()".
  static RstRead* create(RstRead* source, int32_t height);

  RstScaleHeightRLEOR(RstRead* source, int32_t height);
  // False (after the constructor's report) when a line buffer is missing.
  bool initiate() override;
  int read(uint8_t* line) override { return read_combined(line, true); }

 protected:
  void start() override { start_combined(); }
};

class RstScaleHeightRLEAND : public RstScaleHeightRLE {
 public:
  // As RstScaleHeightRLEOR::create; "RstScaleHeightRLEAND::create()".
  static RstRead* create(RstRead* source, int32_t height);

  RstScaleHeightRLEAND(RstRead* source, int32_t height);
  bool initiate() override;
  int read(uint8_t* line) override { return read_combined(line, false); }

 protected:
  void start() override { start_combined(); }
};

class RstScaleHeightRLENN : public RstScaleHeightRLE {
 public:
  // As RstScaleHeightRLEOR::create; "RstScaleHeightRLENN::create()".
  static RstRead* create(RstRead* source, int32_t height);

  RstScaleHeightRLENN(RstRead* source, int32_t height);
  ~RstScaleHeightRLENN() override;
  // False (after the constructor's report) when the saved line is missing.
  bool initiate() override;
  int read(uint8_t* line) override;

 protected:
  void start() override;

 private:
  uint8_t* saved_ = nullptr;  // only when enlarging
  int32_t saved_bytes_ = 0;
};
