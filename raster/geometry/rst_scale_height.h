// Height scaling, one output line at a time. RstScaleHeight is the base of
// the height scalers: positions are 20.12 fixed point source lines, and a
// scaler ends once it has produced the output height, without touching the
// source again. RstScaleHeight0D picks the nearest source line for each output
// line whatever the line form (raw, run lines or valued runs): RstScaleHeight0DE
// enlarges (a repeated line is copied from a saved line), RstScaleHeight0DR
// reduces (the lines between are skipped by the source).
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"
#include "raster/formats/rst_tiff_types.h"

class RstScaleHeight : public RstProcess {
 public:
  RstScaleHeight(RstRead* source, int32_t height);
  // The output height is floor(source height * factor), exact.
  RstScaleHeight(RstRead* source, RstRational factor);

  // The source's header with the output height.
  void header(RstHeader& h) override;
  void reset() override;
  int line_size() override { return int(line_size_); }
  // Sets step and position for the first output line.
  virtual void start() = 0;

 protected:
  // Counts one more output line; false once the output height is reached.
  bool count_line() {
    if (produced_ >= output_height_) return false;
    ++produced_;
    return true;
  }

  uint32_t consumed_ = 0;
  uint32_t produced_ = 0;
  int32_t step_ = 0;
  int32_t position_ = 0;
  uint32_t source_height_ = 0;
  uint32_t output_height_ = 0;
  uint32_t line_size_ = 0;
};

class RstScaleHeight0D : public RstScaleHeight {
 public:
  // The source itself for an equal height. No source, a height of 0 or
  // below: -2; lines neither raw, run lines nor valued runs, or a source or
  // target height of 2^19 or more (positions would leave 32 bits), or a
  // target so tall that the step rounds to 0: -3; "RstScaleHeight0D::create()".
  // With start_from_top, output line i takes source line i * step; otherwise
  // the line at the middle of its step.
  static RstRead* create(RstRead* source, int32_t height, int start_from_top = 0);

  RstScaleHeight0D(RstRead* source, int32_t height, int start_from_top);
  // Moves the output on without reading: the next read catches up through
  // the source's skip.
  int skip(int n) override;
  void start() override;

 protected:
  // The checks shared by the creates; false after a report at where.
  static bool check(RstRead* source, int32_t height, const char* where);
  // Skips the source up to line `to`; false when it could not get there
  // (its next line would be another line than the one asked for).
  bool catch_up(uint32_t to);

  uint8_t start_from_top_ = 0;
};

class RstScaleHeight0DE : public RstScaleHeight0D {
 public:
  // As RstScaleHeight0D::create, and -2 unless the target is taller;
  // "RstScaleHeight0DE::create()".
  static RstScaleHeight0DE* create(RstRead* source, int32_t height, int start_from_top);

  RstScaleHeight0DE(RstRead* source, int32_t height, int start_from_top)
      : RstScaleHeight0D(source, height, start_from_top) {}
  ~RstScaleHeight0DE() override;
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  uint8_t* saved_ = nullptr;
  int32_t saved_length_ = 0;
};

class RstScaleHeight0DR : public RstScaleHeight0D {
 public:
  // As RstScaleHeight0D::create, and -2 unless the target is shorter;
  // "RstScaleHeight0DR::create()".
  static RstScaleHeight0DR* create(RstRead* source, int32_t height, int start_from_top);

  RstScaleHeight0DR(RstRead* source, int32_t height, int start_from_top)
      : RstScaleHeight0D(source, height, start_from_top) {}
  int read(uint8_t* line) override;
};
