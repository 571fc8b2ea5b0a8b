// Lightness-keeping reduction: in every block of source pixels that becomes
// one output pixel, the darkest (minimum) or the lightest pixel survives whole,
// colour and all, so thin dark strokes stay visible in a small preview.
// Bilevel images go to the OR and AND reducers; 8-bit images to a pipeline of
// an enlarging nearest-neighbour prescale, a one-line fan-out, a gray copy of
// the pixels and the reduction node RstScaleLightness8xNR<T>.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "raster/core/rst_compose.h"
#include "raster/core/rst_header.h"

class RstScaleLightness {
 public:
  // width negative: mirrored. No source, width 0 or height of 0 or below:
  // -2; neither 1 nor 8 bits per sample: -3; "RstScaleLightness::create()".
  // The colour steps come through the registered creators (-50 when none is
  // registered). Null on failure, the source left to the caller.
  static RstRead* create(RstRead* source, int32_t width, int32_t height, bool minimum);
};

// Inputs {image, gray copy}, both width x height of the source, 8-bit raw;
// the gray copy one sample, no colormap, s_gray. Per output pixel the image
// pixel whose gray value is the best (T: std::less darkest, std::greater
// lightest) of its block; the first in reading order among equals.
template <class T>
class RstScaleLightness8xNR : public RstCompose {
 public:
  // The image input itself (the gray input ended) when it has the size
  // already. Not two inputs, a null input, width or height 0: -2
  // "RstScaleLightness8xNR<T>::create()"; a larger target: -2, other input
  // forms: -3 "RstScaleLightness8xNR<T>::creat()"; a source side of 2^19 or
  // more: -3 "RstScaleLightness8xNR<T>::create()".
  static RstRead* create(const std::vector<RstRead*>& inputs, uint32_t width, uint32_t height);

  RstScaleLightness8xNR(const std::vector<RstRead*>& inputs, uint32_t width, uint32_t height);
  ~RstScaleLightness8xNR() override;
  void header(RstHeader& h) override;
  // False (with the constructor's -1) when a buffer is missing.
  bool initiate() override;
  int read(uint8_t* line) override;
  void reset() override;
  int line_size() override;

 private:
  RstHeader header_;
  uint8_t* image_line_ = nullptr;
  uint8_t* gray_line_ = nullptr;
  uint8_t* best_ = nullptr;
  uint32_t* columns_ = nullptr;  // output width + 1 source column boundaries
  uint32_t width_;
  uint32_t height_;
  uint32_t channels_;
  uint32_t produced_ = 0;
  // Source row position of the next output line and the step, 20.12 fixed
  // point in 64 bits so that large sides cannot overflow.
  int64_t row_position_ = 0;
  int64_t row_step_ = 0;
  int image_size_ = 0;
  int gray_size_ = 0;
};

extern template class RstScaleLightness8xNR<std::less<unsigned char>>;
extern template class RstScaleLightness8xNR<std::greater<unsigned char>>;
