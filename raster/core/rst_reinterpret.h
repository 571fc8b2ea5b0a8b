// RstReinterpret gives a node another description without touching its bytes:
// readers use it to relabel data whose layout is right but whose header is
// not (a black-and-white 1-bit bitmap as gray, a JPEG strip whose stream
// gives no height, inverted run lines under their new colour type).
#pragma once

#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"

class RstReinterpret : public RstReadDecorator {
 public:
  // The source's lines under header. No source, or a height or raw line size
  // ((width x samples x bits + 7) / 8) other than the source's: -2
  // "RstReinterpret::create()", null, the source still the caller's.
  static RstRead* create(RstRead* source, const RstHeader& header);

  RstReinterpret(RstRead* source, const RstHeader& header) : RstReadDecorator(source), header_(header) {}

  void header(RstHeader& h) override { h = header_; }

 private:
  RstHeader header_;
};
