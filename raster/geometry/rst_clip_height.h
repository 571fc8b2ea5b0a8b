// RstClipHeight keeps a range of lines of an image: n lines from line y, fewer
// when the image ends first. The leading lines are skipped by the source on
// the first read or skip. RstClipHeightRLE and RstClipHeightRLEN are the same
// clip behind a check of the line form (run lines, valued runs).
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"

class RstClipHeight : public RstProcess {
 public:
  // The source itself when y = 0 and n covers the image. No source, n of 0,
  // a negative y, or y at or past the last line: -2; lines neither raw,
  // run lines nor valued runs: -3; "RstClipHeight::create()".
  static RstRead* create(RstRead* source, int32_t y, uint32_t n);

  RstClipHeight(RstRead* source, uint32_t y, uint32_t n) : RstProcess(source), y_(y), n_(n) {}

  // The source's header with the kept line count.
  void header(RstHeader& h) override;
  int read(uint8_t* line) override;
  // Never past the last kept line; returns the lines really skipped. A
  // short skip of the source ends the clip.
  int skip(int n) override;
  void reset() override;

 private:
  void begin();

  uint32_t y_;
  uint32_t n_;
  uint32_t delivered_ = 0;
  bool started_ = false;
};

class RstClipHeightRLE {
 public:
  // Not 1-bit, 1-sample run lines: -3 "RstClipHeightRLE::create()"; then as
  // RstClipHeight::create.
  static RstRead* create(RstRead* source, int32_t y, uint32_t n);
};

class RstClipHeightRLEN {
 public:
  // No source: -2; not valued runs: -3; "RstClipHeightRLEN::create()"; then
  // as RstClipHeight::create.
  static RstRead* create(RstRead* source, int32_t y, uint32_t n);
};
