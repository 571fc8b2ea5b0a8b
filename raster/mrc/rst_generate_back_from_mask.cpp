// The multi ring, the masked-window base, the pixel background and the mask
// expansion.
#include "raster/mrc/rst_generate_back_from_mask.h"

#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char kMulti[] = "RstMultiRingBuffer::RstMultiRingBuffer()";
const char kBackCreate[] = "RstGenerateBackFromMask::create()";
const char kExpandCreate[] = "RstExpandMask::create()";

constexpr RstWindow kExpandWindow{5, 9, 2, 4};
const uint8_t kZero = 0;

bool plain8(const RstHeader& h, int32_t samples) {
  return h.bits_per_sample == 8 && h.samples_per_pixel == samples && h.sample_kind == RstSampleKind::unsigned_int &&
         h.data_form == RstDataForm::raw && !h.colormap;
}

// Lists sized under the allocation-failure hook, so that tests reach the
// branches.
template <class T>
bool size_list(std::vector<T>& list, size_t n) {
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    list.reserve(n);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

// The multi ring.

RstMultiRingBuffer::RstMultiRingBuffer(const std::vector<RstRead*>& sources, const RstWindow& window) {
  if (!size_list(windows_, sources.size())) {
    rst_report(RstCode::bad_argument, kMulti);
    return;
  }
  for (size_t i = 0; i < sources.size(); ++i) windows_.push_back(&window);
  if (!size_list(rings_, sources.size())) {
    rst_report(RstCode::no_memory, kMulti);
    return;
  }
  for (size_t i = 0; i < sources.size(); ++i) {
    RstRingBuffer* ring = rst_new<RstRingBufferOutlineCopy>(sources[i], *windows_[i]);
    if (!ring) {
      rst_report(RstCode::no_memory, kMulti);
      return;
    }
    rings_.push_back(ring);
    // A ring that could not take its rows has reported itself.
    if (!ring->valid()) return;
  }
  complete_ = true;
}

RstMultiRingBuffer::~RstMultiRingBuffer() {
  for (RstRingBuffer* ring : rings_) delete ring;
}

bool RstMultiRingBuffer::advance() {
  for (RstRingBuffer* ring : rings_)
    if (!ring->advance()) return false;
  return true;
}

void RstMultiRingBuffer::restart() {
  for (RstRingBuffer* ring : rings_) {
    ring->set_lines_read(0);
    ring->source()->reset();
  }
}

// The masked-window base.

RstFilterMaskRef::RstFilterMaskRef(const std::vector<RstRead*>& inputs, const RstWindow& window)
    : RstCompose(inputs), window_(window) {
  if (RstRead* first = input(0)) {
    const RstHeader h(first);
    width_ = h.width;
    height_ = h.height;
    line_size_ = first->line_size();
  }
}

RstFilterMaskRef::~RstFilterMaskRef() { delete rings_; }

void RstFilterMaskRef::header(RstHeader& h) { input(0)->header(h); }

bool RstFilterMaskRef::initiate() {
  std::vector<RstRead*> sources;
  if (!size_list(sources, input_count())) {
    rst_report(RstCode::no_memory, "RstFilterMaskRef::initiate()");
    return false;
  }
  for (size_t i = 0; i < input_count(); ++i) sources.push_back(input(i));
  rings_ = rst_new<RstMultiRingBuffer>(sources, window_);
  if (!rings_) {
    rst_report(RstCode::no_memory, "RstFilterMaskRef::initiate()");
    return false;
  }
  // Without all its rings the node would read nothing sound.
  return rings_->complete();
}

int RstFilterMaskRef::skip(int n) {
  int done = 0;
  while (done < n && line_ < height_) {
    if (!rings_->advance()) break;
    ++line_;
    ++done;
  }
  return done;
}

void RstFilterMaskRef::reset() {
  line_ = 0;
  rings_->restart();
}

// The pixel background.

RstRead* RstGenerateBackFromMask::create(RstRead* image, RstRead* expanded, RstRead* mask, const RstWindow& window) {
  if (!image || !expanded || !mask) {
    rst_report(RstCode::bad_argument, kBackCreate);
    return nullptr;
  }
  const RstHeader i(image), e(expanded), m(mask);
  const bool image_ok = plain8(i, 3) && i.color_type && i.color_type->is_lab();
  const bool sizes = i.width == e.width && i.width == m.width && i.height == e.height && i.height == m.height;
  if (!image_ok || !plain8(e, 1) || !plain8(m, 1) || !sizes) {
    rst_report(RstCode::unsupported_form, kBackCreate);
    return nullptr;
  }
  RstCreateGuard guard(image, expanded, mask);
  std::vector<RstRead*> inputs;
  if (!rst_make_inputs(inputs, {image, expanded, mask}, kBackCreate)) return nullptr;
  return rst_create_end_node_or_drop(rst_new<RstGenerateBackFromMask>(inputs, window), guard);
}

int RstGenerateBackFromMask::read(uint8_t* line) {
  if (line_ >= height_ || !rings_->advance()) return 0;
  const RstRingBuffer* image = rings_->ring(0);
  const RstRingBuffer* expanded = rings_->ring(1);
  const RstRingBuffer* mask = rings_->ring(2);
  const int32_t ww = window_.width, wh = window_.height;
  const uint8_t* centre_image = image->line(window_.anchor_y);
  const uint8_t* centre_expanded = expanded->line(window_.anchor_y);
  uint8_t colour[3] = {255, 128, 96};

  // The mean of the image pixels of the window whose value in ring is 0;
  // false when there are none.
  auto mean_where_clear = [&](const RstRingBuffer* ring, int32_t x) {
    // 64-bit sums: the caller's window may be large.
    uint64_t n = 0, sum[3] = {0, 0, 0};
    for (int32_t r = 0; r < wh; ++r) {
      const uint8_t* m = ring->line(r);
      const uint8_t* p = image->line(r);
      for (int32_t i = x; i < x + ww; ++i) {
        if (m[i] != 0) continue;
        ++n;
        sum[0] += p[i * 3];
        sum[1] += p[i * 3 + 1];
        sum[2] += p[i * 3 + 2];
      }
    }
    if (n == 0) return false;
    for (int c = 0; c < 3; ++c) colour[c] = uint8_t((sum[c] * 4096 / n + 2048) >> 12);
    return true;
  };

  for (int32_t x = 0; x < width_; ++x) {
    uint8_t* out = line + size_t(x) * 3;
    if (centre_expanded[x + window_.anchor_x] == 255) {
      if (!mean_where_clear(expanded, x)) mean_where_clear(mask, x);
      std::memcpy(out, colour, 3);
    } else {
      std::memcpy(out, centre_image + size_t(x + window_.anchor_x) * 3, 3);
    }
  }
  ++line_;
  return line_size_;
}

// The mask expansion.

RstRead* RstExpandMask::create(RstRead* source) {
  if (!source) {
    rst_report(RstCode::bad_argument, kExpandCreate);
    return nullptr;
  }
  if (!plain8(RstHeader(source), 1)) {
    rst_report(RstCode::unsupported_form, kExpandCreate);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstExpandMask>(source), guard);
}

RstExpandMask::RstExpandMask(RstRead* source) : RstFilter<1>(source, kExpandWindow, &kZero) {}

RstExpandMask::~RstExpandMask() {
  rst_free(band_lines_);
  rst_free(bands_);
}

bool RstExpandMask::initiate() {
  if (!RstFilter<1>::initiate()) return false;
  const size_t row = size_t(width_) + 4;
  band_lines_ = static_cast<uint8_t**>(rst_malloc(25 * sizeof(uint8_t*)));
  if (band_lines_) bands_ = static_cast<uint8_t*>(rst_calloc(25 * row));
  if (!bands_) {
    rst_report(RstCode::no_memory, "RstExpandMask::initiate()");
    return false;
  }
  for (size_t r = 0; r < 25; ++r) band_lines_[r] = bands_ + r * row;
  return true;
}

uint8_t* RstExpandMask::band_row(int32_t s, int32_t r) const {
  // The band of line s lives in group (s + 2) mod 5; s may be -2 or -1.
  const int32_t group = ((s + 2) % 5 + 5) % 5;
  return band_lines_[group * 5 + r];
}

void RstExpandMask::build_band(int32_t s, int32_t first) {
  const size_t row = size_t(width_) + 4;
  for (int32_t r = 0; r < 5; ++r) std::memcpy(band_row(s, r), ring_->line(first + r), row);
  // Pixel x of a ring row sits at x + 2; the ring's border and the lines
  // outside the image are 0.
  const uint8_t* above = ring_->line(first + 1);
  const uint8_t* centre = ring_->line(first + 2);
  const uint8_t* below = ring_->line(first + 3);
  for (int32_t x = 0; x < width_; ++x) {
    const int32_t i = x + 2;
    if (centre[i] != 255) continue;
    const uint8_t around =
        above[i - 1] | above[i] | above[i + 1] | centre[i - 1] | centre[i + 1] | below[i - 1] | below[i] | below[i + 1];
    const uint8_t v = around == 255 ? 255 : 0;
    for (int32_t r = 0; r < 5; ++r) std::memset(band_row(s, r) + x, v, 5);
  }
}

bool RstExpandMask::advance() {
  if (!ring_->advance()) return false;
  // The ring holds lines y - 4 .. y + 4.
  const int32_t y = int32_t(lines_produced_);
  if (y == 0) {
    for (int32_t s = -2; s <= 2; ++s) build_band(s, s + 2);
  } else {
    build_band(y + 2, 4);
  }
  return true;
}

int RstExpandMask::read(uint8_t* line) {
  if (lines_produced_ >= uint32_t(height_) || !advance()) return 0;
  const int32_t y = int32_t(lines_produced_);
  const uint8_t* b0 = band_row(y - 2, 4);
  const uint8_t* b1 = band_row(y - 1, 3);
  const uint8_t* b2 = band_row(y, 2);
  const uint8_t* b3 = band_row(y + 1, 1);
  const uint8_t* b4 = band_row(y + 2, 0);
  for (int32_t x = 0; x < width_; ++x) {
    const int32_t i = x + 2;
    line[x] = (b0[i] | b1[i] | b2[i] | b3[i] | b4[i]) == 255 ? 255 : 0;
  }
  ++lines_produced_;
  return width_;
}

int RstExpandMask::skip(int n) {
  int done = 0;
  while (done < n && lines_produced_ < uint32_t(height_)) {
    if (!advance()) break;
    ++lines_produced_;
    ++done;
  }
  return done;
}
