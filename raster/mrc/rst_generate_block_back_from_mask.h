// The block background of a mixed raster content page. The page is cut into
// blocks; in a block with selected and unselected pixels every selected
// pixel takes the colour of the unselected pixel nearest the mean of the
// unselected ones, and a block selected throughout takes the colour of a
// mixed neighbour, else of its left neighbour's slot. One block row is
// analysed ahead of the one being handed out.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_compose.h"

class RstGenerateBlockBackFromMask : public RstCompose {
 public:
  // A node missing or a block side of 0: -2; an image other than 8 bits,
  // raw, without colormap, of 1 sample gray or reversed gray or 3 samples
  // ITU Lab or YCbCr, a mask other than 8 bits, 1 sample, raw without
  // colormap, sizes that differ, or a block row above 2^31 - 1 bytes: -3;
  // no memory for the input list: -1; all
  // "RstGenerateBlockBackFromMask::create()".
  static RstRead* create(RstRead* image, RstRead* mask, uint32_t block_width, uint32_t block_height);

  RstGenerateBlockBackFromMask(const std::vector<RstRead*>& inputs, uint32_t block_width, uint32_t block_height);
  ~RstGenerateBlockBackFromMask() override;
  void header(RstHeader& h) override;
  // No memory: -1 "RstGenerateBlockBackFromMask::initiate()"; false as well
  // when the first block row cannot be read.
  bool initiate() override;
  int read(uint8_t* line) override;
  // Both sources and the first block row again: a second read equals the
  // first.
  void reset() override;
  int line_size() override { return int(out_line_); }

 private:
  // The state before the first line: white, cleared rows, block row 0 read
  // and analysed.
  bool start();
  bool read_block_row();
  void analyse_into_next();
  void fill_middle();
  bool mixed(uint32_t count) const { return count > 0 && count < block_size_; }

  uint32_t source_lines_ = 0, block_rows_ = 0, out_lines_ = 0;
  uint32_t width_ = 0, height_ = 0, channels_ = 0;
  uint32_t bw_, bh_, block_size_ = 0;
  uint32_t nbx_ = 0, nby_ = 0;
  size_t pw_ = 0, ph_ = 0;
  int32_t image_line_ = 0, mask_line_ = 0;
  size_t out_line_ = 0, ext_line_ = 0;
  bool failed_ = false;

  std::vector<uint64_t> sums_;
  std::vector<double> means_;
  std::vector<uint8_t> current_, white_;
  uint8_t* out_[2] = {nullptr, nullptr};
  uint32_t* counts_[3] = {nullptr, nullptr, nullptr};  // previous, middle, next
  uint8_t* colours_[3] = {nullptr, nullptr, nullptr};

  uint8_t* image_block_ = nullptr;
  uint8_t* mask_block_ = nullptr;
  uint8_t* out_block_ = nullptr;
  uint32_t* count_block_ = nullptr;
  uint8_t* colour_block_ = nullptr;
};
