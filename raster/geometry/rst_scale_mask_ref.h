// Masked scaling: an 8-bit image (1, 3 or 4 samples) enlarged to the size of
// a mask, its values taken only from the source pixels the mask allows. Mode
// 0 interpolates linearly from the pixels whose reduced mask is 255; mode 1
// uses cubic convolution from those whose reduced mask is 0. Where some taps
// around an output pixel are not usable, they take the value of a usable one
// first, so that the result is not pulled toward excluded pixels.
//
// Fixed point throughout: positions, steps, weights and distances in 4096ths,
// every product m(x, y) = floor(x * y / 4096) from the exact 64-bit product.
// Rows and columns are bordered by copies of the edge pixels: one on each
// side for the linear scaler (bordered index r + 1 is source r), two for the
// cubic one (r + 2 is source r).
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

class RstScaleMaskRef {
 public:
  // The image scaled to the mask's size. No image or mask, or a mode other
  // than 0 and 1: -2; a mask smaller than the image, an image that is not
  // 8-bit raw with 1, 3 or 4 samples and no colormap, a mask that is not
  // 1- or 8-bit raw with 1 sample and no colormap, or a size of 2^19 or more:
  // -3; all "RstScaleMaskRef::create()". The image itself for its own size.
  static RstRead* create(RstRead* image, RstRead* mask, int mode);
};

// Inputs {image, reference}; the reference is 8-bit, 1 sample, of the image's
// size, and tells for each source pixel whether it may be used.
class RstScaleMaskRefBasic : public RstCompose {
 public:
  RstScaleMaskRefBasic(const std::vector<RstRead*>& inputs, int32_t width, int32_t height, uint32_t border);
  ~RstScaleMaskRefBasic() override;
  // The image's header at the target size.
  void header(RstHeader& h) override;
  // Both inputs from their first line; the window is filled again at the next
  // read.
  void reset() override;
  int line_size() override { return int(output_line_size_); }

 protected:
  // The row window for the first line.
  virtual bool fill_window() = 0;
  // The row buffers: `window` of each input, bordered by `border_` pixels.
  bool allocate_rows(uint32_t window, const char* where);
  // Moves the window so that its last row is bordered row last; rows
  // already held are reused, rows passed over are skipped in the inputs.
  bool move_window(int64_t last);
  // move_window for the next line; a short input ends the output until a
  // reset.
  bool prepare_line(int64_t last);

  uint32_t consumed_ = 0;  // bordered rows taken into the window
  uint32_t produced_ = 0;
  uint32_t width_, height_;
  uint32_t vertical_step_ = 0;
  uint32_t vertical_position_ = 0;
  uint32_t image_width_ = 0, image_height_ = 0;
  uint32_t reference_width_ = 0, reference_height_ = 0;
  uint32_t image_line_size_ = 0, reference_line_size_ = 0;
  uint32_t output_line_size_ = 0;
  uint32_t samples_ = 1;
  uint32_t border_;
  uint32_t window_ = 0;           // rows of each input in the window
  uint32_t next_source_row_ = 0;  // the next row the inputs deliver
  bool filled_ = false;
  bool failed_ = false;
  // Oldest first; the last one is the newest row.
  std::vector<uint8_t*> image_rows_;
  std::vector<uint8_t*> reference_rows_;

 private:
  // Bordered row b into the last buffers after the window turned by one.
  bool load_row(int64_t b);
  bool read_row(RstRead* input, uint8_t* row, uint32_t size, uint32_t line_size, uint32_t samples);
};

class RstScaleMaskRefLI : public RstScaleMaskRefBasic {
 public:
  // Reference usable where 255. No image or reference, or a target size of 0:
  // -2; an image that is not 8-bit raw with 1, 3 or 4 samples and no
  // colormap, a reference that is not 8-bit raw with 1 sample, not of the
  // image's size, or a size of 2^19 or more: -3; all
  // "RstScaleMaskRefLI::create()".
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);

  RstScaleMaskRefLI(const std::vector<RstRead*>& inputs, int32_t width, int32_t height);
  // Row buffers and column tables; -1 "RstScaleMaskRefLI::initiate()".
  bool initiate() override;

 protected:
  bool fill_window() override;
  template <uint32_t C>
  int interpolate(uint8_t* line);

  std::vector<int32_t> single_table_;   // 1-sample column positions
  std::vector<int32_t> samples_table_;  // byte offsets for 3 or 4 samples
};

class RstScaleMaskRefLI8 : public RstScaleMaskRefLI {
 public:
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);
  using RstScaleMaskRefLI::RstScaleMaskRefLI;
  int read(uint8_t* line) override { return interpolate<1>(line); }
};

class RstScaleMaskRefLI24 : public RstScaleMaskRefLI {
 public:
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);
  using RstScaleMaskRefLI::RstScaleMaskRefLI;
  int read(uint8_t* line) override { return interpolate<3>(line); }
};

class RstScaleMaskRefLI32 : public RstScaleMaskRefLI {
 public:
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);
  using RstScaleMaskRefLI::RstScaleMaskRefLI;
  int read(uint8_t* line) override { return interpolate<4>(line); }
};

class RstScaleMaskRefCC : public RstScaleMaskRefBasic {
 public:
  // Reference usable where 0; as RstScaleMaskRefLI::create otherwise,
  // "RstScaleMaskRefCC::create()".
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);
  // 5 entries per output column: the 4096-fold bordered index of its first
  // tap, then the distances of its four taps. -1
  // "RstScaleMaskRefCC::make_distance_table()" when out of memory.
  static bool make_distance_table(uint32_t image_width, uint32_t width, std::vector<int32_t>& table);

  RstScaleMaskRefCC(const std::vector<RstRead*>& inputs, int32_t width, int32_t height);
  // Row buffers and tables; -1 "RstScaleMaskRefCC::initiate()".
  bool initiate() override;

 protected:
  bool fill_window() override;
  template <uint32_t C>
  int convolve(uint8_t* line);

  std::vector<int32_t> cubic_table_;
  std::vector<int32_t> distance_table_;
};

class RstScaleMaskRefCC8 : public RstScaleMaskRefCC {
 public:
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);
  using RstScaleMaskRefCC::RstScaleMaskRefCC;
  int read(uint8_t* line) override { return convolve<1>(line); }
};

class RstScaleMaskRefCC24 : public RstScaleMaskRefCC {
 public:
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);
  using RstScaleMaskRefCC::RstScaleMaskRefCC;
  int read(uint8_t* line) override { return convolve<3>(line); }
};

class RstScaleMaskRefCC32 : public RstScaleMaskRefCC {
 public:
  static RstRead* create(RstRead* image, RstRead* reference, int32_t width, int32_t height);
  using RstScaleMaskRefCC::RstScaleMaskRefCC;
  int read(uint8_t* line) override { return convolve<4>(line); }
};
