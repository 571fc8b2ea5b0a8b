// RstRLELineEx: a run line that knows its width in pixels, for the run-line
// morphology and the side-by-side joining of run-line images. sifht_x widens
// (or narrows) every run in place; append adds another line's runs on the
// right. Neither trusts the runs it is given: only the whole pairs up to the
// byte count are walked, up to the first terminator; runs are clamped to the
// width, empty ones dropped, touching or overlapping ones joined, and nothing
// is written past the line's capacity.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_rle_line.h"

class RstRLELineEx : public RstRLELine {
 public:
  // Over buffer, which holds capacity bytes (capacity < 0: the bound of
  // width). Without buffer the line allocates one of its own of that size;
  // no memory: -1 "RstRLELineEx::RstRLELineEx()", and the line is left
  // without runs (valid() false).
  RstRLELineEx(void* buffer, int32_t width, int32_t byte_count, int32_t capacity = -1);
  virtual ~RstRLELineEx();
  RstRLELineEx(const RstRLELineEx&) = delete;
  RstRLELineEx& operator=(const RstRLELineEx&) = delete;

  // The RstRLELine copy: read offset, byte count and pairs, no more than the
  // capacity holds.
  void assign(const RstRLELine& other) override;
  // The same, and the width.
  virtual void assign(const RstRLELineEx& other);

  // Every run (f, l) becomes (f - d, l + d) clamped to the line, empty runs
  // dropped, runs that meet joined; the line is rewritten in place. d not
  // strictly between -width and width: -2 "RstRLELineEx::sifht_x()", the
  // line unchanged.
  void sifht_x(int32_t d);
  // other's runs added on the right, shifted by this line's width (a run of
  // this line ending at its last column and one of other starting at 0
  // become one run); the width grows by other's width.
  void append(RstRLELineEx& other);

  bool valid() const { return runs != nullptr; }
  int32_t capacity() const { return capacity_; }

  int32_t width;

 private:
  int32_t capacity_;
  int32_t* own_ = nullptr;
};
