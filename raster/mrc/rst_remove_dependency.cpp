// Dependency removal: labelling, the small-component step, the tone test
// against the outer contour and the shape and frame tests.
#include "raster/mrc/rst_remove_dependency.h"

#include <cmath>
#include <new>
#include <vector>

#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/mrc/rst_convert_bits32_to1.h"
#include "raster/mrc/rst_label_contour_histogram.h"
#include "raster/mrc/rst_label_histogram.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_modify_label_rle.h"

namespace {

const char kCreate[] = "RstRemoveDependency::create()";

// Without a record.
constexpr int32_t kToneRange = 20;
constexpr int32_t kContourShare = 10;
constexpr uint32_t kMinimumSize = 400;
// Shape limits.
constexpr uint32_t kAspectLimit = 10;
constexpr uint64_t kFillLimit = 20;
constexpr int64_t kLineShare = 100;
constexpr double kLineAngle = 5;

bool raw_one_channel(const RstHeader& h) {
  return h.samples_per_pixel == 1 && h.sample_kind == RstSampleKind::unsigned_int && h.data_form == RstDataForm::raw &&
         !h.colormap;
}

// Does one axis hold a line near each end? counts: the set pixels of each
// column (or row), k the half window, limit the count a line must exceed.
void find_lines(const std::vector<uint32_t>& counts, int64_t k, int64_t limit, bool& low, bool& high) {
  const int64_t n = int64_t(counts.size());
  if (k >= n) {
    int64_t sum = 0;
    for (uint32_t c : counts) sum += c;
    if (sum > limit) low = high = true;
    return;
  }
  for (int64_t x = 0; x < n; ++x) {
    int64_t from = x - k + 1 < 0 ? 0 : x - k + 1;
    int64_t to = x + k > n - 1 ? n - 1 : x + k;
    int64_t sum = 0;
    for (int64_t i = from; i <= to; ++i) sum += counts[size_t(i)];
    if (sum <= limit) continue;
    if (x < n / 2) low = true;
    else high = true;
  }
}

// Ends what a failed step of the create leaves; the guard keeps the inputs.
struct Chain {
  RstOwner<RstRead> node;
  void step(RstRead* next) {
    if (next != node.get()) {
      node.release();
      node.attach(next);
    }
  }
};

// The frame test of label i inside the grown rectangle: the label image
// clipped to it, that label alone, as bilevel runs, profiled. False after a
// report when a node of the way cannot be made.
bool frame_of(RstDivide* divide, uint32_t label, uint32_t max_label, int32_t left, int32_t top, uint32_t w, uint32_t h,
              bool& framed) {
  RstRead* reader = divide->create_reader();
  if (!reader) return false;
  Chain chain;
  chain.node.attach(reader);
  RstRead* clip = RstClip::create(reader, left, top, w, h);
  if (!clip) return false;
  chain.step(clip);
  std::vector<uint32_t> one;
  try {
    one.push_back(label);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kCreate);
    return false;
  }
  RstRead* only = RstExtractLabelRLE::create(clip, one, max_label, false);
  if (!only) return false;
  chain.step(only);
  RstRead* bits = RstConvertBits32To1ThresholdRLE::create(only, 0, RstColorType::default_gray_reverse());
  if (!bits) return false;
  chain.step(bits);
  RstProjectionData profiles;
  RstRead* projection = RstProjectionDistribution::create(bits, &profiles);
  if (!projection) return false;
  chain.step(projection);
  framed = RstRemoveDependency::framed(profiles);
  return true;
}

}  // namespace

bool RstRemoveDependency::tone_differs(uint32_t mean, const RstHistogramData& contour, int32_t range, int32_t share) {
  int64_t lo = int64_t(mean) - range, hi = int64_t(mean) + range;
  if (lo < 0) lo = 0;
  if (hi > 255) hi = 255;
  uint64_t alike = 0;
  for (int64_t v = lo; v <= hi; ++v) alike += contour.count(uint32_t(v));
  if (alike == 0) return true;
  return !(int64_t(share) < int64_t(alike * 100 / contour.total()));
}

bool RstRemoveDependency::framed(const RstProjectionData& d) {
  double angle = std::fmod(kLineAngle, 360.0);
  if (angle < 0) angle += 360.0;
  const double t = std::tan(angle * 0.017453292519943295);
  const int64_t w = d.width, h = d.height;
  const int64_t kc = int64_t(double(h) * t * 0.5), kr = int64_t(double(w) * t * 0.5);
  bool left = false, right = false, top = false, bottom = false;
  find_lines(d.columns, kc, kLineShare * h / 100, left, right);
  find_lines(d.rows, kr, kLineShare * w / 100, top, bottom);
  return int(left) + int(right) + int(top) + int(bottom) >= 3;
}

RstRead* RstRemoveDependency::create(RstRead* image, RstRead* mask, uint8_t with_parameters, const int32_t* record,
                                     uint8_t* result) {
  if (!image || !mask || (with_parameters && (!record || !result))) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  RstHeader hi(image), hm(mask);
  if (!raw_one_channel(hi) || hi.bits_per_sample != 8 || !raw_one_channel(hm) || hm.bits_per_sample != 1 ||
      hi.width != hm.width || hi.height != hm.height) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  const bool params = with_parameters != 0;
  const int32_t range = params ? record[kToneRangeWord] : kToneRange;
  const int32_t share = params ? record[kContourShareWord] : kContourShare;
  const int64_t minimum = params ? record[kResolutionWord] : kMinimumSize;
  const int64_t small = params ? record[kSmallSizeWord] : 0;
  RstCreateGuard guard(image, mask);

  // Label the mask.
  uint32_t n = 0;
  std::vector<RstLabelRect> rects;
  Chain labels;
  RstRead* labeled = RstGetLabelRectInfoRLE::create(mask, &n, &rects);
  if (!labeled) return nullptr;
  labels.node.attach(labeled);

  // Specks go before anything is measured.
  if (params && n > 0) {
    for (size_t i = 1; i < rects.size(); ++i) {
      RstLabelRect& r = rects[i];
      if (int64_t(r.right) - r.left + 1 <= small && int64_t(r.bottom) - r.top + 1 <= small) r = RstLabelRect{};
    }
    RstRead* kept = RstRemoveLabelRLE::create(labels.node.get(), &rects, true);
    if (!kept) return nullptr;
    labels.step(kept);
    n = uint32_t(rects.size() - 1);
  }

  // The tone and shape tests read the labels three ways through a fan-out;
  // the image goes through both histogram nodes.
  Chain tones;
  RstOwner<RstDivide> divide_hold;
  RstDivide* divide = nullptr;
  Chain output;
  if (n > 0) {
    divide = RstDivide::create(labels.node.get(), 0, 0);
    if (!divide) return nullptr;
    labels.node.release();
    divide_hold.attach(divide);
    // Holds the fan-out alive; the output reads through it at the end.
    RstRead* keeper = divide->create_reader();
    if (!keeper) return nullptr;
    divide_hold.release();
    output.node.attach(keeper);

    std::vector<RstLabelHistogramSet> image_sets;
    RstRead* r1 = divide->create_reader();
    if (!r1) return nullptr;
    RstRead* per_label = RstLabelHistogramForAllLabelRLE::create(image, r1, &image_sets, n);
    if (!per_label) {
      r1->end();
      return nullptr;
    }
    tones.node.attach(per_label);
    RstLabelHistogramSet contour(n, 8);
    RstRead* r2 = divide->create_reader();
    if (!r2) return nullptr;
    RstRead* around = RstLabelHistogramForAllLabelOuterContourRLE::create(per_label, r2, &contour, n);
    if (!around) {
      r2->end();
      return nullptr;
    }
    tones.step(around);

    uint32_t removed = 0;
    const uint32_t max_label = uint32_t(rects.size() - 1);
    for (uint32_t i = 1; i <= n; ++i) {
      RstLabelRect& r = rects[i];
      const RstHistogramData& hc = contour.item(i);
      bool keep;
      if (params && hc.total() == 0) {
        // Nothing around it: it fills its surroundings.
        keep = false;
      } else {
        uint32_t mean = uint32_t(std::floor(image_sets[0].mean(i) + 0.5));
        keep = tone_differs(mean, hc, range, share);
      }
      if (keep && params) {
        // The rectangle grown by the margin; the clip cuts it to the image.
        int64_t left = r.left > 0 ? int64_t(r.left) - 1 : 0, top = r.top > 0 ? int64_t(r.top) - 1 : 0;
        int64_t right = int64_t(r.right) + 1 < hm.width ? int64_t(r.right) + 1 : hm.width;
        int64_t bottom = int64_t(r.bottom) + 1 < hm.height ? int64_t(r.bottom) + 1 : hm.height;
        int64_t w = right - left + 1, h = bottom - top + 1;
        if (w < minimum && h < minimum) {
          keep = true;
        } else if (uint64_t(h / w) > kAspectLimit || uint64_t(w / h) > kAspectLimit) {
          keep = true;
        } else if (uint64_t(r.count) * 100 / uint64_t(w * h) > kFillLimit) {
          keep = false;
        } else {
          bool is_framed = false;
          if (!frame_of(divide, i, max_label, int32_t(left), int32_t(top), uint32_t(w), uint32_t(h), is_framed))
            return nullptr;
          keep = is_framed;
        }
      }
      if (!keep) {
        r = RstLabelRect{};
        ++removed;
      }
    }
    if (removed > 0) {
      RstRead* rest = RstRemoveLabelRLE::create(output.node.get(), &rects, false);
      if (!rest) return nullptr;
      output.step(rest);
      n -= removed;
    }
  } else {
    output.node.attach(labels.node.release());
  }

  RstRead* runs = RstConvertBits32To1ThresholdRLE::create(output.node.get(), 0, RstColorType::default_gray_reverse());
  if (!runs) return nullptr;
  output.step(runs);
  RstRead* bits = RstDecodeRLE::create(runs);
  if (!bits) return nullptr;
  output.step(bits);
  if (params) *result = n != 0;
  // The image is needed no more: through the histogram chain when there is
  // one, else directly (the guard ends it once it lets go).
  if (tones.node) tones.node.reset();
  else image->end();
  return rst_create_end(output.node.release(), guard);
}
