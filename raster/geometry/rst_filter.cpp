// The windowed filter base: ring buffer, line count, skip and reset.
#include "raster/geometry/rst_filter.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

template <int N>
RstFilter<N>::RstFilter(RstRead* source, const RstWindow& window, const uint8_t* fill) : RstProcess(source) {
  if (source) {
    RstHeader h(source);
    width_ = h.width;
    height_ = h.height;
  }
  if (fill) ring_ = rst_new<RstRingBufferConstantFill>(source, window, fill);
  else ring_ = rst_new<RstRingBufferOutlineCopy>(source, window);
  if (!ring_) rst_report(RstCode::no_memory, "RstFilter::RstFilter()");
}

template <int N>
RstFilter<N>::~RstFilter() {
  delete ring_;
}

template <int N>
bool RstFilter<N>::initiate() {
  return ring_ && ring_->valid();
}

template <int N>
int RstFilter<N>::skip(int n) {
  int done = 0;
  while (done < n && lines_produced_ < uint32_t(height_)) {
    if (!ring_->advance()) break;
    ++lines_produced_;
    ++done;
  }
  return done;
}

template <int N>
void RstFilter<N>::reset() {
  lines_produced_ = 0;
  if (ring_) ring_->set_lines_read(0);
  source()->reset();
}

template class RstFilter<1>;
template class RstFilter<3>;
template class RstFilter<4>;
