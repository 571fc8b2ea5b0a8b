// The block background: block rows read, analysed one ahead and filled.
#include "raster/mrc/rst_generate_block_back_from_mask.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char kCreate[] = "RstGenerateBlockBackFromMask::create()";
const char kInitiate[] = "RstGenerateBlockBackFromMask::initiate()";

bool plain8(const RstHeader& h) { return h.bits_per_sample == 8 && h.data_form == RstDataForm::raw && !h.colormap; }

bool image_accepted(const RstHeader& h) {
  if (!plain8(h) || !h.color_type) return false;
  if (h.samples_per_pixel == 1) return h.color_type->is_gray() || h.color_type->is_gray_reverse();
  if (h.samples_per_pixel == 3) return h.color_type == RstColorType::itu_lab() || h.color_type->is_ycbcr();
  return false;
}

uint64_t blocks(uint32_t size, uint32_t block) { return (uint64_t(size) + block - 1) / block; }

void repeat(uint8_t* dst, const uint8_t* pixel, size_t count, size_t channels) {
  for (size_t i = 0; i < count; ++i) std::memcpy(dst + i * channels, pixel, channels);
}

}  // namespace

RstRead* RstGenerateBlockBackFromMask::create(RstRead* image, RstRead* mask, uint32_t block_width,
                                              uint32_t block_height) {
  if (!image || !mask || block_width == 0 || block_height == 0) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  const RstHeader i(image), m(mask);
  const bool mask_ok = plain8(m) && m.samples_per_pixel == 1;
  // The block rows and their extension must stay addressable with 32 bits.
  const uint64_t row_bytes = blocks(uint32_t(i.width), block_width) * block_width * uint64_t(block_height) *
                             uint64_t(uint32_t(i.samples_per_pixel));
  const bool fits =
      i.width >= 0 && i.height >= 0 && row_bytes <= uint64_t(std::numeric_limits<int32_t>::max()) &&
      blocks(uint32_t(i.height), block_height) * block_height <= uint64_t(std::numeric_limits<int32_t>::max());
  if (!image_accepted(i) || !mask_ok || i.width != m.width || i.height != m.height || !fits) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  RstCreateGuard guard(image, mask);
  std::vector<RstRead*> inputs;
  if (!rst_make_inputs(inputs, {image, mask}, kCreate)) return nullptr;
  return rst_create_end_node_or_drop(rst_new<RstGenerateBlockBackFromMask>(inputs, block_width, block_height), guard);
}

RstGenerateBlockBackFromMask::RstGenerateBlockBackFromMask(const std::vector<RstRead*>& inputs, uint32_t block_width,
                                                           uint32_t block_height)
    : RstCompose(inputs), bw_(block_width), bh_(block_height) {
  const RstHeader h(inputs[0]);
  width_ = uint32_t(h.width);
  height_ = uint32_t(h.height);
  channels_ = uint32_t(h.samples_per_pixel);
  block_size_ = bw_ * bh_;
  nbx_ = uint32_t(blocks(width_, bw_));
  nby_ = uint32_t(blocks(height_, bh_));
  pw_ = size_t(nbx_) * bw_;
  ph_ = size_t(nby_) * bh_;
  image_line_ = inputs[0]->line_size();
  mask_line_ = inputs[1]->line_size();
  out_line_ = size_t(channels_) * width_;
  ext_line_ = pw_ * channels_;
}

RstGenerateBlockBackFromMask::~RstGenerateBlockBackFromMask() {
  rst_free(image_block_);
  rst_free(mask_block_);
  rst_free(out_block_);
  rst_free(count_block_);
  rst_free(colour_block_);
}

void RstGenerateBlockBackFromMask::header(RstHeader& h) { input(0)->header(h); }

bool RstGenerateBlockBackFromMask::initiate() {
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    sums_.assign(channels_, 0);
    means_.assign(channels_, 0.0);
    current_.assign(channels_, 0);
    white_.assign(channels_, 0);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kInitiate);
    return false;
  }
  const RstHeader h(input(0));
  if (channels_ == 1) {
    white_[0] = h.color_type->is_gray_reverse() ? 0 : 255;
  } else {
    white_[0] = 255;
    white_[1] = 128;
    white_[2] = h.color_type->is_ycbcr() ? 128 : 96;
  }
  const size_t row_block = size_t(bh_) * ext_line_;
  const size_t slots = size_t(nbx_) + 2;
  image_block_ = static_cast<uint8_t*>(rst_malloc(row_block + 1));
  if (image_block_) mask_block_ = static_cast<uint8_t*>(rst_malloc(size_t(bh_) * pw_ + 1));
  if (mask_block_) out_block_ = static_cast<uint8_t*>(rst_malloc(2 * row_block + 1));
  if (out_block_) count_block_ = static_cast<uint32_t*>(rst_malloc(3 * slots * sizeof(uint32_t)));
  if (count_block_) colour_block_ = static_cast<uint8_t*>(rst_malloc(3 * slots * channels_));
  if (!colour_block_) {
    rst_report(RstCode::no_memory, kInitiate);
    return false;
  }
  return start();
}

bool RstGenerateBlockBackFromMask::start() {
  const size_t row_block = size_t(bh_) * ext_line_;
  const size_t slots = size_t(nbx_) + 2;
  source_lines_ = block_rows_ = out_lines_ = 0;
  failed_ = false;
  current_ = white_;
  std::memset(mask_block_, 0, size_t(bh_) * pw_);
  std::memset(count_block_, 0, 3 * slots * sizeof(uint32_t));
  repeat(image_block_, white_.data(), row_block / channels_, channels_);
  repeat(out_block_, white_.data(), 2 * row_block / channels_, channels_);
  repeat(colour_block_, white_.data(), 3 * slots, channels_);
  // A page without lines has no block row to read.
  if (nby_ > 0 && !read_block_row()) return false;
  for (size_t i = 0; i < 3; ++i) {
    counts_[i] = count_block_ + i * slots;
    colours_[i] = colour_block_ + i * slots * channels_;
  }
  analyse_into_next();
  out_[0] = out_block_;
  out_[1] = out_block_ + row_block;
  std::memcpy(out_[1], image_block_, row_block);
  return true;
}

bool RstGenerateBlockBackFromMask::read_block_row() {
  for (uint32_t i = 0; i < bh_; ++i) {
    uint8_t* image_row = image_block_ + size_t(i) * ext_line_;
    uint8_t* mask_row = mask_block_ + size_t(i) * pw_;
    const size_t global = size_t(block_rows_) * bh_ + i;
    if (source_lines_ < height_) {
      // The extension columns keep the white and the 0 set at the start.
      if (input(0)->read(image_row) != image_line_) return false;
      if (input(1)->read(mask_row) != mask_line_) return false;
      ++source_lines_;
    } else if (global < ph_) {
      std::memset(mask_row, 0, pw_);
      repeat(image_row, white_.data(), pw_, channels_);
    } else {
      return false;
    }
  }
  ++block_rows_;
  return true;
}

void RstGenerateBlockBackFromMask::analyse_into_next() {
  uint32_t* counts = counts_[2];
  uint8_t* colours = colours_[2];
  const size_t c = channels_;
  for (uint32_t b = 0; b < nbx_; ++b) {
    const size_t x0 = size_t(b) * bw_;
    uint32_t n = 0;
    for (uint32_t r = 0; r < bh_; ++r) {
      const uint8_t* m = mask_block_ + size_t(r) * pw_ + x0;
      for (uint32_t x = 0; x < bw_; ++x) n += m[x] == 0;
    }
    if (mixed(n)) {
      std::fill(sums_.begin(), sums_.end(), 0);
      for (uint32_t r = 0; r < bh_; ++r) {
        const uint8_t* m = mask_block_ + size_t(r) * pw_ + x0;
        const uint8_t* p = image_block_ + size_t(r) * ext_line_ + x0 * c;
        for (uint32_t x = 0; x < bw_; ++x)
          if (m[x] == 0)
            for (size_t k = 0; k < c; ++k) sums_[k] += p[x * c + k];
      }
      for (size_t k = 0; k < c; ++k) means_[k] = double(sums_[k]) / double(n);
      // The unselected pixel nearest the mean; the first of equals wins.
      double best = 195075.0;
      for (uint32_t r = 0; r < bh_; ++r) {
        const uint8_t* m = mask_block_ + size_t(r) * pw_ + x0;
        const uint8_t* p = image_block_ + size_t(r) * ext_line_ + x0 * c;
        for (uint32_t x = 0; x < bw_; ++x) {
          if (m[x] != 0) continue;
          double d = 0.0;
          for (size_t k = 0; k < c; ++k) {
            const double e = double(p[x * c + k]) - means_[k];
            d += e * e;
          }
          if (d < best) {
            best = d;
            std::memcpy(current_.data(), p + x * c, c);
          }
        }
      }
      for (uint32_t r = 0; r < bh_; ++r) {
        const uint8_t* m = mask_block_ + size_t(r) * pw_ + x0;
        uint8_t* p = image_block_ + size_t(r) * ext_line_ + x0 * c;
        for (uint32_t x = 0; x < bw_; ++x)
          if (m[x] == 255) std::memcpy(p + x * c, current_.data(), c);
      }
    }
    std::memcpy(colours + (size_t(b) + 1) * c, current_.data(), c);
    counts[b + 1] = n;
  }
}

void RstGenerateBlockBackFromMask::fill_middle() {
  const size_t c = channels_;
  const uint32_t* above = counts_[0];
  const uint32_t* here = counts_[1];
  const uint32_t* below = counts_[2];
  for (uint32_t b = 0; b < nbx_; ++b) {
    const size_t s = size_t(b) + 1;
    if (here[s] != 0) continue;
    // Mixed neighbours in order: left, right, above, below and the corners.
    const struct {
      int row;
      size_t slot;
    } order[] = {{1, s - 1}, {1, s + 1}, {0, s}, {2, s}, {0, s - 1}, {0, s + 1}, {2, s - 1}, {2, s + 1}};
    const uint32_t* rows[3] = {above, here, below};
    const uint8_t* colour = colours_[1] + (s - 1) * c;
    for (const auto& o : order) {
      if (mixed(rows[o.row][o.slot])) {
        colour = colours_[o.row] + o.slot * c;
        break;
      }
    }
    std::memcpy(current_.data(), colour, c);
    for (uint32_t r = 0; r < bh_; ++r) repeat(out_[0] + size_t(r) * ext_line_ + size_t(b) * bw_ * c, colour, bw_, c);
  }
}

int RstGenerateBlockBackFromMask::read(uint8_t* line) {
  if (failed_ || out_lines_ >= height_) return 0;
  const uint32_t r = out_lines_ % bh_;
  ++out_lines_;
  if (r == 0) {
    std::swap(out_[0], out_[1]);
    uint32_t* old_counts = counts_[0];
    uint8_t* old_colours = colours_[0];
    counts_[0] = counts_[1], counts_[1] = counts_[2], counts_[2] = old_counts;
    colours_[0] = colours_[1], colours_[1] = colours_[2], colours_[2] = old_colours;
    if (block_rows_ < nby_) {
      if (!read_block_row()) {
        failed_ = true;
        return 0;
      }
      analyse_into_next();
      std::memcpy(out_[1], image_block_, size_t(bh_) * ext_line_);
    } else {
      const size_t slots = size_t(nbx_) + 2;
      std::memset(counts_[2], 0, slots * sizeof(uint32_t));
      repeat(colours_[2], white_.data(), slots, channels_);
    }
    fill_middle();
  }
  std::memcpy(line, out_[0] + size_t(r) * ext_line_, out_line_);
  return int(out_line_);
}

void RstGenerateBlockBackFromMask::reset() {
  input(0)->reset();
  input(1)->reset();
  // The buffered block rows and the current colour belong to the old pass.
  if (!start()) failed_ = true;
}
