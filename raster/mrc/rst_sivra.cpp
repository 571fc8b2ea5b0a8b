// The Sivra stage: the parameter record, the clipped box mean, the stage
// itself, its stripe step and background removal.
#include "raster/mrc/rst_sivra.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "raster/codecs/rst_encode_rle.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/geometry/rst_expansion_filter1.h"
#include "raster/geometry/rst_pixel_or.h"
#include "raster/geometry/rst_pixel_rle_binary.h"
#include "raster/geometry/rst_pixel_sub.h"
#include "raster/mrc/rst_convert_bits32_to1.h"
#include "raster/mrc/rst_create_chain.h"
#include "raster/mrc/rst_label_contour_histogram.h"
#include "raster/mrc/rst_label_histogram.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_modify_label_rle.h"
#include "raster/mrc/rst_remove_dependency.h"
#include "raster/mrc/rst_stripe.h"

namespace {

const char kFilter[] = "RstAverageFilterForSivra::create()";
const char kCore[] = "RstSivraCore::create()";
const char kStrip[] = "RstSivraStrip::create()";
const char kRemove[] = "RstRemoveBackground::create()";

bool plain(const RstHeader& h, int32_t bits) {
  return h.bits_per_sample == bits && h.samples_per_pixel == 1 && h.sample_kind == 0 && !h.colormap;
}

bool gray_type(const RstHeader& h) {
  return h.color_type && (h.color_type->is_gray() || h.color_type->is_gray_reverse() || h.color_type->is_lstar());
}

// Nodes of a list, ended (last first) unless taken out.
struct NodeList {
  std::vector<RstRead*> nodes;
  NodeList() = default;
  explicit NodeList(std::vector<RstRead*> n) : nodes(std::move(n)) {}
  NodeList(const NodeList&) = delete;
  NodeList& operator=(const NodeList&) = delete;
  ~NodeList() {
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) RstOwner<RstRead> drop(*it);
  }
  size_t size() const { return nodes.size(); }
};

// A pair for the two-input nodes; false (reported) without memory.
bool pair_of(std::vector<RstRead*>& out, RstRead* a, RstRead* b, const char* where) {
  try {
    out = {a, b};
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  return true;
}

// A fan-out held by a reader of it, so it outlives the readers handed on.
bool fan_out(RstRead* source, int mode, int n, RstCreateChain& keeper, RstDivide*& divide, const char* where) {
  RstOwner<RstDivide> d(RstDivide::create(source, mode, n));
  if (!d) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (!keeper.step(d->create_reader())) return false;
  divide = d.release();
  return true;
}

}  // namespace

// The record.

RstSivraParam::RstSivraParam(int32_t resolution, int32_t rows, int32_t overlap, int32_t dark_threshold,
                             int32_t tone_range, int32_t contour_share, int32_t removal_type, int32_t closing_radius) {
  words_[kRows] = rows;
  words_[kResolution] = resolution;
  words_[kDarkThreshold] = dark_threshold;
  words_[kToneRange] = tone_range;
  words_[kContourShare] = contour_share;
  words_[kRemovalType] = removal_type;
  words_[kClosingRadius] = closing_radius;
  words_[kWindowSize] = resolution * 15 / 40 + 1;
  words_[kSmallSize] = (resolution * 3 + 200) / 400;
  words_[kOverlap] = overlap == 75 && resolution != 400 ? words_[kWindowSize] >> 1 : overlap;
}

RstSivraParam RstSivraParam::segmentation(int32_t resolution, int32_t rows, int32_t overlap) {
  RstSivraParam p(resolution, rows, overlap, 30, 30, 10, 2, 1);
  p.set_word(kLightThreshold, 20);
  return p;
}

// The clipped box mean.

RstRead* RstAverageFilterForSivra::create(RstRead* source, const RstWindow& window) {
  if (!source) {
    rst_report(RstCode::bad_argument, kFilter);
    return nullptr;
  }
  RstCreateGuard guard(source);
  if (window.width == 1 && window.height == 1) return rst_create_end(source, guard);
  if (window.width <= 0 || window.height <= 0 ||
      uint64_t(window.width) * uint64_t(window.height) > (uint64_t(1) << 24)) {
    rst_report(RstCode::bad_argument, kFilter);
    return nullptr;
  }
  RstHeader h(source);
  if (!plain(h, 8) || h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, kFilter);
    return nullptr;
  }
  return rst_create_end(rst_new<RstAverageFilterForSivra>(source, window), guard);
}

RstAverageFilterForSivra::RstAverageFilterForSivra(RstRead* source, const RstWindow& window)
    : RstAverageFilterN<1>(source, RstWindow{window.width, window.height, window.width / 2, window.height / 2},
                           nullptr),
      window_width_(window.width),
      window_height_(window.height),
      hw_(window.width / 2),
      hh_(window.height / 2) {}

RstAverageFilterForSivra::~RstAverageFilterForSivra() { rst_free(columns_); }

bool RstAverageFilterForSivra::initiate() {
  if (!RstAverageFilterN<1>::initiate()) return false;
  columns_ = static_cast<uint32_t*>(rst_calloc(size_t(width_) * sizeof(uint32_t) + 1));
  if (!columns_) {
    rst_report(RstCode::no_memory, "RstAverageFilterForSivra::initiate()");
    return false;
  }
  return true;
}

int RstAverageFilterForSivra::read(uint8_t* line) {
  if (lines_produced_ >= uint32_t(height_)) return 0;
  // Ring row r holds image line y - hh + r, column x at x + hw; rows and
  // columns outside the image are outline copies and never counted.
  const int32_t y = int32_t(lines_produced_);
  const size_t w = size_t(width_);
  if (y == 0) {
    if (!ring_->advance()) return 0;
    std::memset(columns_, 0, w * sizeof(uint32_t));
    for (int32_t r = hh_; r < window_height_ && r - hh_ < height_; ++r) {
      const uint8_t* row = ring_->line(r) + hw_;
      for (size_t x = 0; x < w; ++x) columns_[x] += row[x];
    }
  } else {
    if (y - 1 - hh_ >= 0) {
      const uint8_t* leaving = ring_->line(0) + hw_;
      for (size_t x = 0; x < w; ++x) columns_[x] -= leaving[x];
    }
    if (!ring_->advance()) return 0;
    if (y - hh_ + window_height_ - 1 < height_) {
      const uint8_t* entering = ring_->line(window_height_ - 1) + hw_;
      for (size_t x = 0; x < w; ++x) columns_[x] += entering[x];
    }
  }
  const int32_t top = y - hh_ < 0 ? 0 : y - hh_;
  const int32_t bottom = y - hh_ + window_height_ - 1 < height_ ? y - hh_ + window_height_ - 1 : height_ - 1;
  const uint32_t rows = uint32_t(bottom - top + 1);
  // The running sum over columns x - hw .. x - hw + window width - 1 inside
  // the image.
  const int32_t right_reach = window_width_ - 1 - hw_;
  uint32_t s = 0;
  for (int32_t x = 0; x <= right_reach && x < width_; ++x) s += columns_[x];
  for (int32_t x = 0; x < width_; ++x) {
    if (x > 0) {
      if (x + right_reach < width_) s += columns_[x + right_reach];
      if (x - hw_ - 1 >= 0) s -= columns_[x - hw_ - 1];
    }
    const int32_t left = x - hw_ < 0 ? 0 : x - hw_;
    const int32_t right = x + right_reach < width_ ? x + right_reach : width_ - 1;
    const uint32_t n = rows * uint32_t(right - left + 1);
    line[x] = uint8_t((s + n / 2) / n);
  }
  ++lines_produced_;
  return width_;
}

// The stage.

std::vector<RstRead*> RstSivraCore::create(RstRead* image, const RstSivraParam& record, int32_t count) {
  if (!image) {
    rst_report(RstCode::bad_argument, kCore);
    return {};
  }
  const RstHeader h(image);
  if (h.bits_per_sample != 8 || h.data_form != RstDataForm::raw || h.colormap) {
    rst_report(RstCode::unsupported_form, kCore);
    return {};
  }
  if (count < 0) count = 0;
  RstCreateGuard guard(image);

  RstCreateChain gray;
  if (!gray.step(RstTransformColorTo::create(image, RstColorType::s_gray()))) return {};
  if (record.word(RstSivraParam::kResolution) >= 400) {
    const uint8_t* outline = nullptr;
    if (!gray.step(RstAverageFilterN<1>::create(gray.node.get(), RstWindow{3, 2, 1, 0}, outline))) return {};
  }

  const int32_t b = record.word(RstSivraParam::kWindowSize);
  const int32_t rows = record.word(RstSivraParam::kRows);
  RstCreateChain keep_d;
  RstDivide* d = nullptr;
  if (!fan_out(gray.node.get(), count > 0 ? 2 : 4, count > 0 ? b + rows - 1 : 8, keep_d, d, kCore)) return {};
  gray.node.release();

  // The local background.
  RstCreateChain mean;
  if (!mean.step(d->create_reader())) return {};
  if (!mean.step(RstAverageFilterForSivra::create(mean.node.get(), RstWindow{b, b, b >> 1, b >> 1}))) return {};
  RstCreateChain keep_e;
  RstDivide* e = nullptr;
  if (!fan_out(mean.node.get(), count > 0 ? 2 : 4, count > 0 ? rows : 8, keep_e, e, kCore)) return {};
  mean.node.release();

  // Pixels above and below their background by more than the thresholds.
  auto stand_out = [&](bool lighter, int32_t threshold, RstCreateChain& mask) {
    RstCreateChain pixel, background;
    if (!pixel.step(d->create_reader()) || !background.step(e->create_reader())) return false;
    std::vector<RstRead*> inputs;
    if (!pair_of(inputs, lighter ? pixel.node.get() : background.node.get(),
                 lighter ? background.node.get() : pixel.node.get(), kCore))
      return false;
    if (!mask.step(RstPixelSub::create(inputs, 0, 0))) return false;
    pixel.node.release();
    background.node.release();
    return mask.step(RstConvertBits8To1Threshold::create(mask.node.get(), uint8_t(threshold)));
  };
  RstCreateChain t1, t2;
  if (!stand_out(true, record.word(RstSivraParam::kLightThreshold), t1)) return {};
  if (!stand_out(false, record.word(RstSivraParam::kDarkThreshold), t2)) return {};
  keep_e.node.reset();

  NodeList out;
  RstCreateChain page;
  if (!page.step(d->create_reader())) return {};
  if (count == 0) {
    RstRead* one = RstSivraStrip::create(page.node.get(), t1.node.get(), t2.node.get(), record);
    if (!one) return {};
    page.node.release();
    t1.node.release();
    t2.node.release();
    out.nodes.push_back(one);
  } else {
    const int32_t overlap = record.word(RstSivraParam::kOverlap);
    NodeList images(RstStripe::create(page.node.get(), rows, overlap, 2, overlap));
    if (images.size() == 0) return {};
    page.node.release();
    NodeList lights(RstStripe::create(t1.node.get(), rows, overlap, 2, overlap));
    if (lights.size() == 0) return {};
    t1.node.release();
    NodeList darks(RstStripe::create(t2.node.get(), rows, overlap, 2, overlap));
    if (darks.size() == 0) return {};
    t2.node.release();
    const size_t n = size_t(count);
    if (images.size() < n || lights.size() < n || darks.size() < n) {
      rst_report(RstCode::unsupported_form, kCore);
      return {};
    }
    try {
      out.nodes.reserve(n);
    } catch (const std::bad_alloc&) {
      rst_report(RstCode::no_memory, kCore);
      return {};
    }
    // Exactly count stripes: the lists are checked for that many.
    for (size_t i = 0; i < n; ++i) {
      RstRead* strip = RstSivraStrip::create(images.nodes[i], lights.nodes[i], darks.nodes[i], record);
      if (!strip) return {};
      images.nodes[i] = lights.nodes[i] = darks.nodes[i] = nullptr;
      out.nodes.push_back(strip);
    }
  }
  keep_d.node.reset();
  std::vector<RstRead*> result = rst_create_end_nodes(guard, out.nodes);
  if (!result.empty()) out.nodes.clear();
  return result;
}

// One stripe.

RstRead* RstSivraStrip::create(RstRead* image, RstRead* first, RstRead* second, const RstSivraParam& record) {
  if (!image || !first || !second) {
    rst_report(RstCode::bad_argument, kStrip);
    return nullptr;
  }
  const RstHeader hi(image), h1(first), h2(second);
  const auto mask_ok = [&](const RstHeader& m) {
    return plain(m, 1) && m.data_form == RstDataForm::raw && gray_type(m) && m.width == hi.width &&
           m.height == hi.height;
  };
  if (!plain(hi, 8) || hi.data_form != RstDataForm::raw || !gray_type(hi) || !mask_ok(h1) || !mask_ok(h2)) {
    rst_report(RstCode::unsupported_form, kStrip);
    return nullptr;
  }
  const int32_t type = record.word(RstSivraParam::kRemovalType);
  if (type < 0 || type > 2) {
    rst_report(RstCode::bad_argument, kStrip);
    return nullptr;
  }
  RstCreateGuard guard(image, first, second);

  RstCreateChain keep;
  RstDivide* d = nullptr;
  if (!fan_out(image, 0, 0, keep, d, kStrip)) return nullptr;

  uint8_t k1 = 0, k2 = 0;
  RstCreateChain i1, m1, i2, m2;
  if (!i1.step(d->create_reader())) return nullptr;
  if (!m1.step(RstRemoveDependency::create(i1.node.get(), first, 1, record.data(), &k1))) return nullptr;
  i1.node.release();
  if (!i2.step(d->create_reader())) return nullptr;
  if (!m2.step(RstRemoveDependency::create(i2.node.get(), second, 1, record.data(), &k2))) return nullptr;
  i2.node.release();

  RstCreateChain result;
  if (k1 && k2) {
    RstCreateChain reader;
    if (!reader.step(d->create_reader())) return nullptr;
    const auto radius = uint32_t(record.word(RstSivraParam::kClosingRadius));
    if (!result.step(RstRemoveBackground::create(reader.node.get(), m1.node.get(), m2.node.get(), radius, type)))
      return nullptr;
    reader.node.release();
    m1.node.release();
    m2.node.release();
  } else if (type == 1 || (type == 2 && k1)) {
    m2.node.reset();
    if (!result.step(RstEncodeRLE::create(m1.node.get()))) return nullptr;
    m1.node.release();
  } else {
    m1.node.reset();
    if (!result.step(RstEncodeRLE::create(m2.node.get()))) return nullptr;
    m2.node.release();
  }
  keep.node.reset();
  guard.disarm();
  return result.node.release();
}

// Background removal.

RstRead* RstRemoveBackground::create(RstRead* image, RstRead* first, RstRead* second, uint32_t radius, int32_t type) {
  if (!image || !first || !second || radius == 0 || type < 0 || type > 2) {
    rst_report(RstCode::bad_argument, kRemove);
    return nullptr;
  }
  const RstHeader hi(image), h1(first), h2(second);
  const auto mask_ok = [&](const RstHeader& m) {
    return plain(m, 1) && (m.data_form == RstDataForm::raw || m.data_form == RstDataForm::rle) && m.width == hi.width &&
           m.height == hi.height;
  };
  if (!plain(hi, 8) || hi.data_form != RstDataForm::raw || !mask_ok(h1) || !mask_ok(h2)) {
    rst_report(RstCode::unsupported_form, kRemove);
    return nullptr;
  }
  RstCreateGuard guard(image, first, second);

  // Run-line masks are kept whole, raw ones a page at a time.
  RstCreateChain keep1, keep2;
  RstDivide* d1 = nullptr;
  RstDivide* d2 = nullptr;
  if (!fan_out(first, h1.data_form == RstDataForm::rle ? 3 : 4, 8, keep1, d1, kRemove)) return nullptr;
  if (!fan_out(second, h2.data_form == RstDataForm::rle ? 3 : 4, 8, keep2, d2, kRemove)) return nullptr;
  // Run lines of a mask, through a reader of its fan-out.
  const auto runs_of = [](RstDivide* d, RstCreateChain& chain) {
    return chain.step(d->create_reader()) && chain.step(RstEncodeRLE::create(chain.node.get()));
  };
  const auto union_of = [](RstCreateChain& a, RstCreateChain& b, RstCreateChain& out) {
    std::vector<RstRead*> both;
    if (!pair_of(both, a.node.get(), b.node.get(), kRemove)) return false;
    if (!out.step(RstPixelOr::create(both, 0, 0))) return false;
    a.node.release();
    b.node.release();
    return true;
  };

  // The masks' union, closed, and its components.
  RstCreateChain u1, u2, closed;
  if (!runs_of(d1, u1) || !runs_of(d2, u2) || !union_of(u1, u2, closed)) return nullptr;
  if (!closed.step(RstExpansionFilter1::create(closed.node.get(), radius))) return nullptr;
  if (!closed.step(RstShrinkFilter1::create(closed.node.get(), radius))) return nullptr;
  uint32_t n = 0;
  std::vector<RstLabelRect> rects;
  RstCreateChain labels;
  if (!labels.step(RstGetLabelRectInfoRLE::create(closed.node.get(), &n, &rects))) return nullptr;
  closed.node.release();

  RstCreateChain result;
  if (n == 0) {
    labels.node.reset();
    RstCreateChain a, b;
    if (type == 1) {
      if (!runs_of(d1, result)) return nullptr;
    } else if (type == 0) {
      if (!runs_of(d2, result)) return nullptr;
    } else if (!runs_of(d1, a) || !runs_of(d2, b) || !union_of(a, b, result)) {
      return nullptr;
    }
    keep1.node.reset();
    keep2.node.reset();
    image->end();
    guard.disarm();
    return result.node.release();
  }

  // Labels under each mask and the image's tones under them, one image pass
  // for both.
  RstCreateChain keep_l;
  RstDivide* dl = nullptr;
  if (!fan_out(labels.node.get(), 0, 0, keep_l, dl, kRemove)) return nullptr;
  labels.node.release();
  RstDivide* under[2] = {nullptr, nullptr};
  RstCreateChain keep_under[2];
  std::vector<RstLabelHistogramSet> sets[2];
  RstCreateChain tones;
  RstRead* tone_source = image;
  for (int m = 0; m < 2; ++m) {
    RstCreateChain l, mask, both;
    if (!l.step(dl->create_reader()) || !runs_of(m == 0 ? d1 : d2, mask)) return nullptr;
    std::vector<RstRead*> inputs;
    if (!pair_of(inputs, l.node.get(), mask.node.get(), kRemove)) return nullptr;
    if (!both.step(RstPixelAndSameSizeRLEN32_RLE1::create(inputs))) return nullptr;
    l.node.release();
    mask.node.release();
    if (!fan_out(both.node.get(), 0, 0, keep_under[m], under[m], kRemove)) return nullptr;
    both.node.release();
    RstCreateChain histogram_labels;
    if (!histogram_labels.step(under[m]->create_reader())) return nullptr;
    if (!tones.step(RstLabelHistogramForAllLabelRLE::create(tone_source, histogram_labels.node.get(), &sets[m], n)))
      return nullptr;
    histogram_labels.node.release();
    tone_source = tones.node.get();
  }

  // The copies say what each mask loses; the records keep the shared labels.
  std::vector<RstLabelRect> q[2];
  try {
    q[0] = rects;
    q[1] = rects;
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kRemove);
    return nullptr;
  }
  uint32_t last_shared = 0;
  for (uint32_t i = 1; i <= n; ++i) {
    if (sets[0][0].total(i) && sets[1][0].total(i)) last_shared = i;
    else rects[i] = RstLabelRect{};
  }
  uint32_t removed[2] = {0, 0};
  RstCreateChain shared;
  if (!shared.step(dl->create_reader())) return nullptr;
  if (last_shared > 0) {
    if (!shared.step(RstRemoveLabelRLE::create(shared.node.get(), &rects, false))) return nullptr;
    RstLabelHistogramSet contour(last_shared, 8);
    if (!tones.step(RstLabelHistogramForAllLabelOuterContourRLE::create(tones.node.get(), shared.node.get(), &contour,
                                                                        last_shared)))
      return nullptr;
    shared.node.release();
    for (uint32_t i = 1; i <= last_shared; ++i) {
      const RstLabelRect& r = rects[i];
      if (r.left == 0 && r.right == 0 && r.top == 0 && r.bottom == 0 && r.count == 0) continue;
      bool to_first;
      if (contour.total(i) > 0) {
        const double c = contour.mean(i);
        to_first = std::abs(int64_t(c - sets[0][0].mean(i))) < std::abs(int64_t(c - sets[1][0].mean(i)));
      } else {
        to_first = sets[0][0].total(i) < sets[1][0].total(i);
      }
      // The label leaves the mask whose tone is nearer its surroundings.
      const int from = to_first ? 0 : 1;
      q[from][i] = RstLabelRect{};
      ++removed[from];
    }
  } else {
    shared.node.reset();
  }
  tones.node.reset();
  keep_l.node.reset();

  // The new masks.
  RstCreateChain masks[2];
  for (int m = 0; m < 2; ++m) {
    if ((m == 0 && type == 0) || (m == 1 && type == 1)) continue;
    if (removed[m] > 0) {
      if (!masks[m].step(under[m]->create_reader())) return nullptr;
      if (!masks[m].step(RstRemoveLabelRLE::create(masks[m].node.get(), &q[m], false))) return nullptr;
      // In the mask's own colour type, so that it unites with the other mask.
      RstColorType* kind = (m == 0 ? h1 : h2).color_type;
      if (!kind) kind = RstColorType::default_gray_reverse();
      if (!masks[m].step(RstConvertBits32To1ThresholdRLE::create(masks[m].node.get(), 0, kind))) return nullptr;
    } else if (!runs_of(m == 0 ? d1 : d2, masks[m])) {
      return nullptr;
    }
  }
  keep_under[0].node.reset();
  keep_under[1].node.reset();
  if (type == 1) result.step(masks[0].node.release());
  else if (type == 0) result.step(masks[1].node.release());
  else if (!union_of(masks[0], masks[1], result)) return nullptr;
  // The image went with the histogram chain.
  keep1.node.reset();
  keep2.node.reset();
  guard.disarm();
  return result.node.release();
}
