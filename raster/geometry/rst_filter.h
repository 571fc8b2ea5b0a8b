// RstFilter<N>: the base of the windowed filters over 8-bit images of N
// interleaved channels (N = 1, 3, 4). A ring buffer keeps the source lines
// the window covers; the border is a constant pixel when one is given, else
// copies of the image's outermost pixels and lines. Subclasses compute one
// output line per read from the ring's rows.
#pragma once

#include <cstdint>

#include "raster/core/rst_process.h"
#include "raster/core/rst_ring_buffer.h"
#include "raster/core/rst_window.h"

template <int N>
class RstFilter : public RstProcess {
 public:
  static_assert(N == 1 || N == 3 || N == 4);

  // fill: N bytes of border pixel, or null for outline copies. A ring buffer
  // object that cannot be allocated: -1 "RstFilter::RstFilter()".
  RstFilter(RstRead* source, const RstWindow& window, const uint8_t* fill);
  ~RstFilter() override;

  // False when the ring buffer is missing or could not take its rows: such a
  // node has nothing to read from and is never handed out.
  bool initiate() override;
  // Advances the window over up to n lines; stops at the end or at a short
  // source line.
  int skip(int n) override;
  // Back to the first line; the window refills from it.
  void reset() override;
  int line_size() override { return width_ * N; }

 protected:
  RstRingBuffer* ring() const { return ring_; }

  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t lines_produced_ = 0;
  RstRingBuffer* ring_ = nullptr;
};

extern template class RstFilter<1>;
extern template class RstFilter<3>;
extern template class RstFilter<4>;
