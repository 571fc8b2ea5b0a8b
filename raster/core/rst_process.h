// RstProcess: a reading node built on exactly one source, and
// RstReadDecorator, which forwards everything to that source.
#pragma once

#include "raster/core/rst_read.h"

class RstProcess : public RstRead {
 public:
  // Links source (when not null) as the only source.
  explicit RstProcess(RstRead* source);
  // The source, or null when there is none.
  RstRead* source() const;
  // The source's header (an empty header without source).
  void header(RstHeader& h) override;
};

class RstReadDecorator : public RstProcess {
 public:
  explicit RstReadDecorator(RstRead* source) : RstProcess(source) {}
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override;
  int line_size() override;
};
