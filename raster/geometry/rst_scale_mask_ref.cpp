// Masked scaling: the front, the row window shared by both scalers, linear
// interpolation and cubic convolution with the usable-tap substitution.
#include "raster/geometry/rst_scale_mask_ref.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_interim_node.h"
#include "raster/geometry/rst_scale.h"
#include "raster/geometry/rst_scale_check.h"
#include "raster/geometry/rst_scale_li.h"

namespace {

const char kFront[] = "RstScaleMaskRef::create()";

// floor(u * v / 4096) from the exact product.
inline int32_t m12(int64_t u, int64_t v) { return int32_t((u * v) >> 12); }

// Keys' cubic convolution kernel (a = -1) at distance d in 4096ths.
inline int32_t cubic_weight(int32_t d) {
  if (d <= 4096) return 4096 - m12(m12(8192 - d, d), d);
  if (d < 8192) return 16384 - m12(32768 - m12(20480 - d, d), d);
  return 0;
}

bool plain_8bit(const RstHeader& h) {
  return h.bits_per_sample == 8 && !h.colormap && h.sample_kind == RstSampleKind::unsigned_int &&
         h.data_form == RstDataForm::raw;
}

bool image_form(const RstHeader& h) {
  return plain_8bit(h) && (h.samples_per_pixel == 1 || h.samples_per_pixel == 3 || h.samples_per_pixel == 4);
}

bool fits(int64_t size) { return size > 0 && size < kRstScaleMaxSize; }

// A reference of the image's size, and sizes whose 20.12 steps and
// positions stay in 32 bits.
bool reference_and_sizes_fit(const RstHeader& image, const RstHeader& reference, int32_t width, int32_t height) {
  return plain_8bit(reference) && reference.samples_per_pixel == 1 && reference.width == image.width &&
         reference.height == image.height && fits(image.width) && fits(image.height) && fits(width) && fits(height);
}

// The checks and the build of a scaler variant T of C samples; the image
// itself for its own size.
template <class T, uint32_t C>
RstRead* create_variant(RstRead* image, RstRead* reference, int32_t width, int32_t height, const char* where) {
  RstCreateGuard guard(image, reference);
  if (!image || !reference || width <= 0 || height <= 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader hi(image), hr(reference);
  if (width == hi.width && height == hi.height) {
    reference->end();
    return rst_create_end(image, guard);
  }
  if (!image_form(hi) || hi.samples_per_pixel != int32_t(C) || !reference_and_sizes_fit(hi, hr, width, height)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  std::vector<RstRead*> inputs;
  if (!rst_make_inputs(inputs, {image, reference}, where)) return nullptr;
  return rst_create_end_node_or_drop(rst_new<T>(inputs, width, height), guard);
}

}  // namespace

// --- the front ---

RstRead* RstScaleMaskRef::create(RstRead* image, RstRead* mask, int mode) {
  RstCreateGuard guard(image, mask);
  if (!image || !mask || (mode != 0 && mode != 1)) {
    rst_report(RstCode::bad_argument, kFront);
    return nullptr;
  }
  RstHeader hi(image), hm(mask);
  bool mask_form = (hm.bits_per_sample == 1 || hm.bits_per_sample == 8) && hm.samples_per_pixel == 1 && !hm.colormap &&
                   hm.data_form == RstDataForm::raw && hm.sample_kind == RstSampleKind::unsigned_int;
  if (!image_form(hi) || !mask_form || uint32_t(hm.width) < uint32_t(hi.width) ||
      uint32_t(hm.height) < uint32_t(hi.height) || !fits(hi.width) || !fits(hi.height) || !fits(hm.width) ||
      !fits(hm.height)) {
    rst_report(RstCode::unsupported_form, kFront);
    return nullptr;
  }
  RstRead* mask8 = mask;
  RstInterimNode keep_mask8(mask8);
  if (hm.bits_per_sample == 1) {
    auto widen = rst_format_creators().convert_bits_1_to_8;
    if (!widen) {
      rst_report(RstCode::unsupported_option, kFront);
      return nullptr;
    }
    mask8 = widen(mask, 0, 255);
    if (!mask8) return nullptr;
  }

  RstRead* reference = nullptr;
  if (mode == 0) {
    // The mask reduced to the image's size with itself as reference: 255
    // wherever a reduced pixel's footprint touches a 255.
    RstDivide* divide = RstDivide::create(mask8, 2, 8);
    if (!divide) return nullptr;
    keep_mask8.keep();  // the fan-out holds it now
    RstOwner<RstDivide> fan(divide);
    RstOwner<RstRead> first(RstDivideReader::create(divide));
    if (!first) return nullptr;
    fan.release();  // the readers hold it now
    RstOwner<RstRead> second(RstDivideReader::create(divide));
    if (!second) return nullptr;
    reference = RstScaleMaskRefLI::create(second.get(), first.get(), hi.width, hi.height);
    if (!reference) return nullptr;
    second.release();
    first.release();
  } else {
    reference = RstScaleNN::create(mask8, hi.width, hi.height);
    if (!reference) return nullptr;
    keep_mask8.keep();
  }
  RstOwner<RstRead> held(reference);
  RstRead* result = mode == 0 ? RstScaleMaskRefLI::create(image, reference, hm.width, hm.height)
                              : RstScaleMaskRefCC::create(image, reference, hm.width, hm.height);
  if (!result) return nullptr;
  held.release();
  return rst_create_end(result, guard);
}

// --- the row window ---

RstScaleMaskRefBasic::RstScaleMaskRefBasic(const std::vector<RstRead*>& inputs, int32_t width, int32_t height,
                                           uint32_t border)
    : RstCompose(inputs), width_(uint32_t(width)), height_(uint32_t(height)), border_(border) {
  RstHeader hi(input(0)), hr(input(1));
  image_width_ = uint32_t(hi.width);
  image_height_ = uint32_t(hi.height);
  reference_width_ = uint32_t(hr.width);
  reference_height_ = uint32_t(hr.height);
  image_line_size_ = uint32_t(std::max(input(0)->line_size(), 0));
  reference_line_size_ = uint32_t(std::max(input(1)->line_size(), 0));
  samples_ = uint32_t(hi.samples_per_pixel);
  output_line_size_ = samples_ * width_;
}

RstScaleMaskRefBasic::~RstScaleMaskRefBasic() {
  for (uint8_t* row : image_rows_) rst_free(row);
  for (uint8_t* row : reference_rows_) rst_free(row);
}

void RstScaleMaskRefBasic::header(RstHeader& h) {
  input(0)->header(h);
  h.width = int32_t(width_);
  h.height = int32_t(height_);
}

void RstScaleMaskRefBasic::reset() {
  input(0)->reset();
  input(1)->reset();
  consumed_ = 0;
  produced_ = 0;
  next_source_row_ = 0;
  filled_ = false;
  failed_ = false;
}

bool RstScaleMaskRefBasic::allocate_rows(uint32_t window, const char* where) {
  const size_t image_bytes =
      std::max<size_t>(image_line_size_, size_t(image_width_) * samples_) + 2 * size_t(border_) * samples_;
  const size_t reference_bytes = std::max<size_t>(reference_line_size_, reference_width_) + 2 * size_t(border_);
  try {
    image_rows_.reserve(window);
    reference_rows_.reserve(window);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  for (uint32_t i = 0; i < window; ++i) {
    uint8_t* image_row = static_cast<uint8_t*>(rst_calloc(image_bytes));
    if (image_row) image_rows_.push_back(image_row);
    uint8_t* reference_row = image_row ? static_cast<uint8_t*>(rst_calloc(reference_bytes)) : nullptr;
    if (reference_row) reference_rows_.push_back(reference_row);
    if (!image_row || !reference_row) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
  }
  window_ = window;
  return true;
}

bool RstScaleMaskRefBasic::read_row(RstRead* input, uint8_t* row, uint32_t size, uint32_t line_size, uint32_t samples) {
  uint8_t* pixels = row + size_t(border_) * samples;
  if (input->read(pixels) != int(line_size)) return false;
  // The edge pixels repeated into the borders.
  const size_t bytes = size_t(size) * samples;
  for (uint32_t b = 0; b < border_; ++b) {
    std::memcpy(row + size_t(b) * samples, pixels, samples);
    std::memcpy(pixels + bytes + size_t(b) * samples, pixels + bytes - samples, samples);
  }
  return true;
}

bool RstScaleMaskRefBasic::load_row(int64_t b) {
  std::rotate(image_rows_.begin(), image_rows_.begin() + 1, image_rows_.end());
  std::rotate(reference_rows_.begin(), reference_rows_.begin() + 1, reference_rows_.end());
  uint8_t* image_row = image_rows_.back();
  uint8_t* reference_row = reference_rows_.back();
  const int64_t source = std::clamp<int64_t>(b - border_, 0, int64_t(image_height_) - 1);
  if (source < int64_t(next_source_row_)) {
    // A border row: a copy of the row loaded just before.
    const size_t image_bytes =
        std::max<size_t>(image_line_size_, size_t(image_width_) * samples_) + 2 * size_t(border_) * samples_;
    const size_t reference_bytes = std::max<size_t>(reference_line_size_, reference_width_) + 2 * size_t(border_);
    std::memcpy(image_row, image_rows_[window_ - 2], image_bytes);
    std::memcpy(reference_row, reference_rows_[window_ - 2], reference_bytes);
    return true;
  }
  if (source > int64_t(next_source_row_)) {
    // Rows the window jumps over.
    const int n = int(source - next_source_row_);
    if (input(0)->skip(n) != n || input(1)->skip(n) != n) return false;
  }
  if (!read_row(input(0), image_row, image_width_, image_line_size_, samples_) ||
      !read_row(input(1), reference_row, reference_width_, reference_line_size_, 1))
    return false;
  next_source_row_ = uint32_t(source + 1);
  return true;
}

bool RstScaleMaskRefBasic::move_window(int64_t last) {
  if (last < int64_t(consumed_)) return true;
  // Rows that would leave the window before they are used are not loaded.
  if (last - int64_t(consumed_) + 1 > int64_t(window_)) consumed_ = uint32_t(last - window_ + 1);
  for (; int64_t(consumed_) <= last; ++consumed_)
    if (!load_row(consumed_)) return false;
  return true;
}

bool RstScaleMaskRefBasic::prepare_line(int64_t last) {
  if (!move_window(last)) {
    failed_ = true;
    return false;
  }
  return true;
}

namespace {

// The front of a variant family: checks the arguments and the forms, then
// picks the variant by the image's samples per pixel.
template <class Node8, class Node24, class Node32>
RstRead* create_front(RstRead* image, RstRead* reference, int32_t width, int32_t height, const char* where) {
  if (!image || !reference || width <= 0 || height <= 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader hi(image), hr(reference);
  if (!image_form(hi) || !reference_and_sizes_fit(hi, hr, width, height)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  switch (hi.samples_per_pixel) {
    case 1: return Node8::create(image, reference, width, height);
    case 3: return Node24::create(image, reference, width, height);
    default: return Node32::create(image, reference, width, height);
  }
}

}  // namespace

// --- linear interpolation ---

RstRead* RstScaleMaskRefLI::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_front<RstScaleMaskRefLI8, RstScaleMaskRefLI24, RstScaleMaskRefLI32>(image, reference, width, height,
                                                                                    "RstScaleMaskRefLI::create()");
}

RstRead* RstScaleMaskRefLI8::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_variant<RstScaleMaskRefLI8, 1>(image, reference, width, height, "RstScaleMaskRefLI8::create()");
}
RstRead* RstScaleMaskRefLI24::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_variant<RstScaleMaskRefLI24, 3>(image, reference, width, height, "RstScaleMaskRefLI24::create()");
}
RstRead* RstScaleMaskRefLI32::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_variant<RstScaleMaskRefLI32, 4>(image, reference, width, height, "RstScaleMaskRefLI32::create()");
}

RstScaleMaskRefLI::RstScaleMaskRefLI(const std::vector<RstRead*>& inputs, int32_t width, int32_t height)
    : RstScaleMaskRefBasic(inputs, width, height, 1) {}

bool RstScaleMaskRefLI::initiate() {
  if (!allocate_rows(2, "RstScaleMaskRefLI::initiate()")) return false;
  if (!RstScaleWidthLI::make_table(image_width_, int32_t(width_), 1, single_table_)) return false;
  return samples_ == 1 || RstScaleWidthLI::make_table(image_width_, int32_t(width_), samples_, samples_table_);
}

bool RstScaleMaskRefLI::fill_window() {
  consumed_ = 0;
  next_source_row_ = 0;
  if (!move_window(1)) return false;
  vertical_step_ = (image_height_ << 12) / height_;
  vertical_position_ = vertical_step_ / 2 + 2048;
  filled_ = true;
  return true;
}

template <uint32_t C>
int RstScaleMaskRefLI::interpolate(uint8_t* line) {
  if (failed_ || produced_ >= height_) return 0;
  if (!filled_ && !fill_window()) {
    failed_ = true;
    return 0;
  }
  const uint32_t r = vertical_position_ >> 12;
  if (!prepare_line(std::min<int64_t>(int64_t(r) + 1, int64_t(image_height_) + 1))) return 0;
  const uint8_t* lower = image_rows_[1];
  const uint8_t* lower_ref = reference_rows_[1];
  const uint8_t* upper = image_rows_[0];
  const uint8_t* upper_ref = reference_rows_[0];
  int32_t a = int32_t(vertical_position_ & 0xFFF);
  if (r == 0 || r >= image_height_) {
    // Above the first or below the last row: the lower row alone.
    upper = lower;
    upper_ref = lower_ref;
    a = 4096;
  }
  const int32_t* single = single_table_.data();
  const int32_t* multi = C > 1 ? samples_table_.data() : single;
  for (uint32_t j = 0; j < width_; ++j, line += C) {
    const uint32_t e = uint32_t(single[j]);
    const uint32_t ri = e >> 12;
    const int32_t fx = int32_t(e & 0xFFF);
    const uint32_t ie = C == 1 ? ri : uint32_t(multi[j]) >> 12;
    const int32_t w[4] = {m12(4096 - a, 4096 - fx), m12(4096 - a, fx), m12(a, 4096 - fx), m12(a, fx)};
    const uint8_t* p[4] = {upper + ie, upper + ie + C, lower + ie, lower + ie + C};
    const unsigned usable = unsigned(upper_ref[ri] == 255) | unsigned(upper_ref[ri + 1] == 255) << 1 |
                            unsigned(lower_ref[ri] == 255) << 2 | unsigned(lower_ref[ri + 1] == 255) << 3;
    if (usable != 0 && usable != 15) {
      // Taps the mask excludes take the value of the usable tap of the
      // smallest weight.
      int k = -1;
      for (int t = 0; t < 4; ++t)
        if ((usable >> t & 1) && (k < 0 || w[t] < w[k])) k = t;
      for (int t = 0; t < 4; ++t)
        if (!(usable >> t & 1)) p[t] = p[k];
    }
    for (uint32_t q = 0; q < C; ++q)
      line[q] = uint8_t((w[0] * p[0][q] + w[1] * p[1][q] + w[2] * p[2][q] + w[3] * p[3][q] + 2048) >> 12);
  }
  vertical_position_ += vertical_step_;
  ++produced_;
  return int(output_line_size_);
}

// --- cubic convolution ---

RstRead* RstScaleMaskRefCC::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_front<RstScaleMaskRefCC8, RstScaleMaskRefCC24, RstScaleMaskRefCC32>(image, reference, width, height,
                                                                                    "RstScaleMaskRefCC::create()");
}

RstRead* RstScaleMaskRefCC8::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_variant<RstScaleMaskRefCC8, 1>(image, reference, width, height, "RstScaleMaskRefCC8::create()");
}
RstRead* RstScaleMaskRefCC24::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_variant<RstScaleMaskRefCC24, 3>(image, reference, width, height, "RstScaleMaskRefCC24::create()");
}
RstRead* RstScaleMaskRefCC32::create(RstRead* image, RstRead* reference, int32_t width, int32_t height) {
  return create_variant<RstScaleMaskRefCC32, 4>(image, reference, width, height, "RstScaleMaskRefCC32::create()");
}

bool RstScaleMaskRefCC::make_distance_table(uint32_t image_width, uint32_t width, std::vector<int32_t>& table) {
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    table.assign(size_t(width) * 5, 0);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstScaleMaskRefCC::make_distance_table()");
    return false;
  }
  const uint32_t step = (image_width << 12) / width;
  uint32_t p = step / 2 + 6144;
  for (uint32_t j = 0; j < width; ++j, p += step) {
    const int32_t f = int32_t(p & 0xFFF);
    int32_t* e = table.data() + size_t(j) * 5;
    e[0] = int32_t(p & ~0xFFFu) - 4096;
    e[1] = f + 4096;
    e[2] = f;
    e[3] = 4096 - f;
    e[4] = 8192 - f;
  }
  return true;
}

RstScaleMaskRefCC::RstScaleMaskRefCC(const std::vector<RstRead*>& inputs, int32_t width, int32_t height)
    : RstScaleMaskRefBasic(inputs, width, height, 2) {}

bool RstScaleMaskRefCC::initiate() {
  if (!allocate_rows(4, "RstScaleMaskRefCC::initiate()")) return false;
  if (!RstScaleWidthCC::make_table(image_width_, int32_t(width_), samples_, cubic_table_)) return false;
  return make_distance_table(image_width_, width_, distance_table_);
}

bool RstScaleMaskRefCC::fill_window() {
  consumed_ = 0;
  next_source_row_ = 0;
  if (!move_window(3)) return false;
  vertical_step_ = (image_height_ << 12) / height_;
  vertical_position_ = vertical_step_ / 2 + 6144;
  filled_ = true;
  return true;
}

template <uint32_t C>
int RstScaleMaskRefCC::convolve(uint8_t* line) {
  if (failed_ || produced_ >= height_) return 0;
  if (!filled_ && !fill_window()) {
    failed_ = true;
    return 0;
  }
  const uint32_t r = vertical_position_ >> 12;
  // The window holds bordered rows r - 1 to r + 2.
  if (!prepare_line(int64_t(r) + 2)) return 0;
  const int32_t f = int32_t(vertical_position_ & 0xFFF);
  const int32_t row_distance[4] = {4096 + f, f, 4096 - f, 8192 - f};
  const int32_t row_weight[4] = {cubic_weight(row_distance[0]), cubic_weight(row_distance[1]),
                                 cubic_weight(row_distance[2]), cubic_weight(row_distance[3])};
  const uint8_t* rows[4] = {image_rows_[0], image_rows_[1], image_rows_[2], image_rows_[3]};
  const uint8_t* refs[4] = {reference_rows_[0], reference_rows_[1], reference_rows_[2], reference_rows_[3]};
  const int32_t* cubic = cubic_table_.data();
  const int32_t* distance = distance_table_.data();
  for (uint32_t j = 0; j < width_; ++j, line += C, cubic += 5, distance += 5) {
    const uint32_t ie = uint32_t(cubic[0]) >> 12;
    const uint32_t ri = uint32_t(distance[0]) >> 12;
    const uint8_t* p[16];
    unsigned usable = 0;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        p[y * 4 + x] = rows[y] + ie + uint32_t(x) * C;
        usable |= unsigned(refs[y][ri + uint32_t(x)] == 0) << (y * 4 + x);
      }
    if (usable != 0 && usable != 0xFFFF) {
      // Taps the mask excludes take the value of the usable tap nearest the
      // output position.
      int k = -1;
      int32_t best = 0;
      for (int t = 0; t < 16; ++t) {
        if (!(usable >> t & 1)) continue;
        const int32_t d = m12(row_distance[t / 4], distance[1 + t % 4]);
        if (k < 0 || d < best) k = t, best = d;
      }
      for (int t = 0; t < 16; ++t)
        if (!(usable >> t & 1)) p[t] = p[k];
    }
    for (uint32_t q = 0; q < C; ++q) {
      int64_t total = 0;
      for (int y = 0; y < 4; ++y) {
        const int32_t s = cubic[1] * p[y * 4][q] + cubic[2] * p[y * 4 + 1][q] + cubic[3] * p[y * 4 + 2][q] +
                          cubic[4] * p[y * 4 + 3][q];
        total += m12(row_weight[y], s);
      }
      const int64_t v = (total + 2048) >> 12;
      line[q] = uint8_t(v <= 0 ? 0 : v >= 255 ? 255 : v);
    }
  }
  vertical_position_ += vertical_step_;
  ++produced_;
  return int(output_line_size_);
}
