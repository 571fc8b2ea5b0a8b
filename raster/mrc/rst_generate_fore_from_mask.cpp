// Mask thinning, gap middles and the block foreground.
#include "raster/mrc/rst_generate_fore_from_mask.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/core/rst_window.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char kShrinkCreate[] = "RstShrinkMask::create()";
const char kMidCreate[] = "RstMoveMid::create()";
const char kForeCreate[] = "RstGenerateForeFromMask::create()";
const char kForeInitiate[] = "RstGenerateForeFromMask::initiate()";

constexpr RstWindow kShrinkWindow{5, 5, 2, 2};
const uint8_t kZero = 0;

bool plain8(const RstHeader& h, int32_t samples) {
  return h.bits_per_sample == 8 && h.samples_per_pixel == samples && h.sample_kind == RstSampleKind::unsigned_int &&
         h.data_form == RstDataForm::raw && !h.colormap;
}

bool other(uint8_t v) { return v != 0 && v != 255; }

// One output byte of the thinning for the centre c and its neighbours
// p0 p1 (left) and p3 p4 (right); s is the state carried along the line.
uint8_t shrink_pixel(uint8_t p0, uint8_t p1, uint8_t c, uint8_t p3, uint8_t p4, uint8_t& s) {
  if (c == 0) {
    s = 0;
    return 0;
  }
  if (c != 255) {
    s = 0;
    return c;
  }
  if (other(p0)) return 255;
  if (p0 == 255) {
    if (p1 == 0) return p3 == 255 ? 0 : 255;
    if (other(p1)) return 255;
    if (p3 == 0) return 0;
    if (other(p3)) return 255;
    if (other(p4)) return 255;
    if (p4 == 255) {
      s = 0;
      return 255;
    }
    // p4 = 0: the run ends two pixels on.
    if (s == 0) return 0;
    if (s == 1) {
      s = 0;
      return 255;
    }
    return 255;
  }
  // p0 = 0.
  if (p1 == 0) return p3 == 255 ? 0 : 255;
  if (other(p1)) return 255;
  if (p3 == 255 && p4 == 255) {
    s = 1;
    return 0;
  }
  return 255;
}

}  // namespace

// Thinning.

RstRead* RstShrinkMask::create(RstRead* source) {
  if (!source) {
    rst_report(RstCode::bad_argument, kShrinkCreate);
    return nullptr;
  }
  if (!plain8(RstHeader(source), 1)) {
    rst_report(RstCode::unsupported_form, kShrinkCreate);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstShrinkMask>(source), guard);
}

RstShrinkMask::RstShrinkMask(RstRead* source) : RstFilter<1>(source, kShrinkWindow, &kZero) {}

int RstShrinkMask::read(uint8_t* line) {
  if (lines_produced_ >= uint32_t(height_)) return 0;
  if (!ring_->advance()) return 0;
  // Source pixel x sits at x + 2 of the centre row, with two zeros each side.
  const uint8_t* row = ring_->line(kShrinkWindow.anchor_y);
  uint8_t s = 0;
  for (int32_t x = 0; x < width_; ++x) {
    const uint8_t* p = row + x;
    line[x] = shrink_pixel(p[0], p[1], p[2], p[3], p[4], s);
  }
  ++lines_produced_;
  return width_;
}

// Gap middles.

RstRead* RstMoveMid::create(RstRead* source) {
  if (!source) {
    rst_report(RstCode::bad_argument, kMidCreate);
    return nullptr;
  }
  if (!plain8(RstHeader(source), 1)) {
    rst_report(RstCode::unsupported_form, kMidCreate);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstMoveMid>(source), guard);
}

RstMoveMid::RstMoveMid(RstRead* source) : RstProcess(source), line_size_(source->line_size()) {}

RstMoveMid::~RstMoveMid() { rst_free(in_); }

bool RstMoveMid::initiate() {
  in_ = static_cast<uint8_t*>(rst_malloc(size_t(line_size_) + 1));
  if (!in_) {
    rst_report(RstCode::no_memory, "RstMoveMid::initiate()");
    return false;
  }
  return true;
}

int RstMoveMid::read(uint8_t* line) {
  std::memset(line, 0, size_t(line_size_));
  if (source()->read(in_) != line_size_) return 0;
  // count holds the non-255 pixels since the last run start; a run that
  // starts after a zero marks the middle of that gap. Pixel 0 is never
  // counted, so count stays below x and the mark stays on the line.
  uint32_t count = 0;
  for (int32_t x = 1; x < line_size_; ++x) {
    if (in_[x] != 255) {
      ++count;
    } else if (in_[x - 1] == 0) {
      line[uint32_t(x) - count / 2] = 255;
      count = 0;
    }
  }
  return line_size_;
}

// The block foreground.

RstRead* RstGenerateForeFromMask::create(const std::vector<RstRead*>& inputs, uint32_t block_width,
                                         uint32_t block_height) {
  if (inputs.size() != 3 || !inputs[0] || !inputs[1] || !inputs[2] || block_width == 0 || block_height == 0) {
    rst_report(RstCode::bad_argument, kForeCreate);
    return nullptr;
  }
  const RstHeader image(inputs[0]), thin(inputs[1]), middle(inputs[2]);
  const bool image_ok =
      plain8(image, 3) && image.color_type && (image.color_type->is_lab() || image.color_type->is_ycbcr());
  const bool sizes = image.width == thin.width && image.width == middle.width && image.height == thin.height &&
                     image.height == middle.height;
  if (!image_ok || !plain8(thin, 1) || !plain8(middle, 1) || !sizes) {
    rst_report(RstCode::unsupported_form, kForeCreate);
    return nullptr;
  }
  RstCreateGuard guard(inputs);
  return rst_create_end_node_or_drop(rst_new<RstGenerateForeFromMask>(inputs, block_width, block_height), guard);
}

RstGenerateForeFromMask::RstGenerateForeFromMask(const std::vector<RstRead*>& inputs, uint32_t block_width,
                                                 uint32_t block_height)
    : RstCompose(inputs), bw_(block_width), bh_(block_height) {
  const RstHeader h(inputs[0]);
  color_type_ = h.color_type;
  width_ = uint32_t(h.width);
  height_ = uint32_t(h.height);
  channels_ = uint32_t(h.samples_per_pixel);
  nb_ = width_ / bw_;
  nr_ = height_ / bh_;
  line_size_ = inputs[0]->line_size();
}

RstGenerateForeFromMask::~RstGenerateForeFromMask() {
  rst_free(image_rows_);
  rst_free(thin_rows_);
  rst_free(middle_rows_);
  rst_free(image_block_);
  rst_free(thin_block_);
  rst_free(middle_block_);
  rst_free(colours_);
  rst_free(has_colour_);
  rst_free(has_middle_);
  rst_free(class_);
}

void RstGenerateForeFromMask::header(RstHeader& h) { input(0)->header(h); }

bool RstGenerateForeFromMask::initiate() {
  const size_t rows = bh_;
  const size_t blocks = size_t(nb_) + 1;  // never a block of 0 bytes
  const size_t line = size_t(line_size_) + 1;
  image_rows_ = static_cast<uint8_t**>(rst_malloc(rows * sizeof(uint8_t*)));
  if (image_rows_) thin_rows_ = static_cast<uint8_t**>(rst_malloc(rows * sizeof(uint8_t*)));
  if (thin_rows_) middle_rows_ = static_cast<uint8_t**>(rst_malloc(rows * sizeof(uint8_t*)));
  // The products stay far inside size_t: rows and lines are 32-bit counts.
  if (middle_rows_) image_block_ = static_cast<uint8_t*>(rst_malloc(rows * line));
  if (image_block_) thin_block_ = static_cast<uint8_t*>(rst_malloc(rows * width_ + 1));
  if (thin_block_) middle_block_ = static_cast<uint8_t*>(rst_malloc(rows * width_ + 1));
  if (middle_block_) colours_ = static_cast<uint8_t*>(rst_malloc(blocks * channels_));
  if (colours_) has_colour_ = static_cast<uint8_t*>(rst_malloc(blocks));
  if (has_colour_) has_middle_ = static_cast<uint8_t*>(rst_malloc(blocks));
  if (has_middle_) class_ = static_cast<uint8_t*>(rst_malloc(blocks));
  if (!class_) {
    rst_report(RstCode::no_memory, kForeInitiate);
    return false;
  }
  for (size_t r = 0; r < rows; ++r) {
    image_rows_[r] = image_block_ + r * line;
    thin_rows_[r] = thin_block_ + r * width_;
    middle_rows_[r] = middle_block_ + r * width_;
  }
  return true;
}

bool RstGenerateForeFromMask::compute_block_row() {
  RstRead* image = input(0);
  uint8_t* out = image_rows_[0];
  if (done_ >= nr_) {
    // Below the last whole block row: the image line itself.
    if (image->read(out) != line_size_) return false;
    ++done_;
    return true;
  }
  RstRead* thin = input(1);
  RstRead* middle = input(2);
  for (uint32_t r = 0; r < bh_; ++r) {
    if (image->read(image_rows_[r]) != line_size_) return false;
    if (thin->read(thin_rows_[r]) != int(width_)) return false;
    if (middle->read(middle_rows_[r]) != int(width_)) return false;
  }
  std::memset(has_colour_, 0, nb_);
  std::memset(has_middle_, 0, nb_);
  for (uint32_t b = 0; b < nb_; ++b) {
    const uint32_t x0 = b * bw_;
    uint64_t n = 0;
    uint64_t sum[3] = {0, 0, 0};
    for (uint32_t r = 0; r < bh_; ++r) {
      const uint8_t* t = thin_rows_[r] + x0;
      const uint8_t* m = middle_rows_[r] + x0;
      const uint8_t* p = image_rows_[r] + size_t(x0) * channels_;
      for (uint32_t x = 0; x < bw_; ++x) {
        if (m[x] == 255) has_middle_[b] = 1;
        if (t[x] != 255) continue;
        ++n;
        for (uint32_t c = 0; c < channels_; ++c) sum[c] += p[size_t(x) * channels_ + c];
      }
    }
    if (n > 0) {
      has_colour_[b] = 1;
      // The mean rounded half up, in 12-bit fixed point; 64 bits so that
      // large blocks cannot wrap.
      for (uint32_t c = 0; c < channels_; ++c)
        colours_[size_t(b) * channels_ + c] = uint8_t((sum[c] * 4096 / n + 2048) >> 12);
    }
  }
  for (uint32_t b = 0; b < nb_; ++b) class_[b] = has_colour_[b] ? 2 : has_middle_[b] ? 1 : 0;
  for (uint32_t b = 1; b < nb_; ++b)
    if (class_[b] == 0) class_[b] = class_[b - 1];
  paint_row();
  ++done_;
  return true;
}

void RstGenerateForeFromMask::paint_row() {
  uint8_t* out = image_rows_[0];
  const size_t c = channels_;
  auto fill = [&](size_t from, size_t to, const uint8_t* colour) {
    for (size_t x = from; x < to; ++x) std::memcpy(out + x * c, colour, c);
  };
  size_t x0 = 0;
  uint32_t last = 0;
  for (uint32_t b = 0; b < nb_; ++b) {
    const size_t end = size_t(b + 1) * bw_;
    if (has_colour_[b]) {
      fill(x0, end, colours_ + size_t(b) * c);
      last = b;
      x0 = end;
    } else if (class_[b] == 2) {
      fill(x0, end, colours_ + size_t(last) * c);
      x0 = end;
    }
  }
  if (x0 == 0) {
    // No coloured block on the row: white of the colour space. ITU Lab
    // keeps its neutral b at 96; the others are neutral at 128.
    const uint8_t white[3] = {255, 128, uint8_t(color_type_ == RstColorType::itu_lab() ? 96 : 128)};
    fill(0, width_, white);
  } else if (x0 < width_) {
    uint8_t colour[3];
    std::memcpy(colour, out + (x0 - 1) * c, c);
    fill(x0, width_, colour);
  }
}

int RstGenerateForeFromMask::read(uint8_t* line) {
  if (failed_ || line_ >= height_) return 0;
  if (line_ % bh_ == 0 && line_ / bh_ + 1 != done_) {
    if (!compute_block_row()) {
      failed_ = true;
      return 0;
    }
  }
  std::memcpy(line, image_rows_[0], size_t(line_size_));
  ++line_;
  return line_size_;
}

void RstGenerateForeFromMask::rewind() {
  done_ = 0;
  line_ = 0;
  failed_ = false;
  for (size_t i = 0; i < input_count(); ++i) input(i)->reset();
}

int RstGenerateForeFromMask::skip(int n) {
  if (n <= 0 || failed_ || line_ >= height_) return 0;
  uint32_t target;
  if (uint64_t(line_) + uint32_t(n) < height_) {
    target = line_ + uint32_t(n);
  } else {
    // The skip stops on the last line, which is still to be read.
    n = int(height_ - line_ - 1);
    target = height_ - 1;
  }
  // The sources are skipped by whole block rows from line 0; after lines
  // were read they stand elsewhere, so they start again.
  if (line_ != 0 || done_ != 0) rewind();
  line_ = target;
  done_ = line_ / bh_;
  const int lines = int(done_ * bh_);
  if (lines > 0) {
    for (size_t i = 0; i < input_count(); ++i) {
      if (input(i)->skip(lines) != lines) {
        failed_ = true;
        return n;
      }
    }
  }
  if (line_ % bh_ != 0 && !compute_block_row()) failed_ = true;
  return n;
}

void RstGenerateForeFromMask::reset() { rewind(); }
