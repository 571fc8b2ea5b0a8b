// The stripe chain of the Halvex segmentation. Every decision is taken while
// the chain is built: the labeling, the label filters and the histogram node
// read their stripes when they are made.
#include "raster/mrc/rst_halvex_strip.h"

#include <new>

#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/mrc/rst_create_chain.h"
#include "raster/core/rst_reinterpret.h"
#include "raster/core/rst_window.h"
#include "raster/color/rst_convert_bits.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/geometry/rst_expansion_filter.h"
#include "raster/geometry/rst_expansion_filter1.h"
#include "raster/geometry/rst_pixel_binary_command.h"
#include "raster/geometry/rst_pixel_binary_operation.h"
#include "raster/mrc/rst_average_filter.h"
#include "raster/mrc/rst_convert_bits32_to1.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_remove_label.h"
#include "raster/mrc/rst_sobel_filter.h"

namespace {

constexpr const char* kCreate = "RstHalvexStrip::create()";
constexpr const char* kJudge = "RstHalvexStrip::judge_solid_clabel()";

bool plain(const RstHeader& h, int32_t bits, int32_t samples) {
  return h.bits_per_sample == bits && h.samples_per_pixel == samples && h.sample_kind == 0 &&
         h.data_form == RstDataForm::raw && !h.colormap;
}

// A rectangle set whose records are deleted with it.
struct Rects {
  std::vector<RstLabelRect*> v;
  ~Rects() {
    for (RstLabelRect* r : v) delete r;
  }
};

// The chain; on success keeper receives the reader that holds the tone
// stripe, to be ended once the create's pins are gone.
RstRead* build(RstRead* ilab, RstRead* l, RstRead* tone, RstRead* sivra, uint32_t res, uint8_t dilate,
               RstOwner<RstRead>& keeper) {
  if (!ilab || !l || !tone || !sivra) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  RstHeader hi(ilab), hl(l), ht(tone), hs(sivra);
  const bool forms = plain(hi, 8, 3) && hi.color_type && hi.color_type->is_lab() && plain(hl, 8, 1) &&
                     plain(ht, 8, 1) && plain(hs, 1, 1);
  const bool sizes = hl.width == hi.width && hl.height == hi.height && ht.width == hi.width && ht.height == hi.height &&
                     hs.width == hi.width && hs.height == hi.height;
  if (!forms || !sizes) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  RstCreateGuard guard(ilab, l, tone, sivra);
  RstColorType* reverse = RstColorType::default_gray_reverse();

  // Dark regions: components of the tone stripe, the small and thin ones
  // dropped, the rest numbered 1 .. K.
  // The labels are read through a fan-out of the tone stripe, whose keeper
  // lets the stripe go only once this create no longer pins it: a stripe
  // ended while pinned would take the label filters reading it with it.
  RstOwner<RstDivide> d0(RstDivide::create(tone, 0, 0));
  if (!d0) return nullptr;
  RstDivide* fan0 = d0.get();
  RstCreateChain tone_keeper;
  if (!tone_keeper.step(fan0->create_reader())) return nullptr;
  d0.release();
  Rects rects1;
  uint32_t c1 = 0;
  RstCreateChain labels1;
  if (!labels1.step(fan0->create_reader())) return nullptr;
  if (!labels1.step(RstGetLabelRectInfo::create(labels1.node.get(), 255, &c1, &rects1.v))) return nullptr;
  if (c1 > 0) {
    const uint32_t a = res * 80 / 400;
    const uint32_t area[3] = {a, a, a};
    if (!labels1.step(RstRemoveArea::create(labels1.node.get(), &rects1.v, area, false, nullptr))) return nullptr;
    if (!labels1.step(RstRemoveThinLine::create(labels1.node.get(), &rects1.v, res * 50 / 400, true))) return nullptr;
  }

  RstCreateChain result;
  // Holds the node that reads the iLab stripe, released once the result
  // stands: the histogram node when one is made, else the stripe itself.
  RstRead* ilab_holder = ilab;
  RstRead* l_owned = l;  // ended with the result when the edges do not take it
  if (rects1.v.size() == 1) {
    // No dark region: the candidate mask stands as it is.
    labels1.node.reset();
    result.node.attach(sivra);
  } else {
    // The dark regions' mask, and a second reader of their labels for the
    // picture step.
    RstOwner<RstDivide> d1(RstDivide::create(labels1.node.get(), 4, 8));
    if (!d1) return nullptr;
    labels1.node.release();
    RstDivide* fan1 = d1.get();
    RstCreateChain r1;
    if (!r1.step(d1->create_reader())) return nullptr;
    d1.release();
    RstCreateChain dark;
    if (!dark.step(fan1->create_reader())) return nullptr;
    if (!dark.step(RstConvertBits32To1Threshold::create(dark.node.get(), 0, reverse))) return nullptr;

    // Edges of the lightness in both directions.
    RstOwner<RstDivide> d2(RstDivide::create(l, 2, 3));
    if (!d2) return nullptr;
    l_owned = nullptr;
    RstDivide* fan2 = d2.get();
    RstCreateChain keep2;  // holds the 3-line fan-out until both filters read it
    if (!keep2.step(d2->create_reader())) return nullptr;
    d2.release();
    RstCreateChain ex, ey;
    if (!ex.step(fan2->create_reader())) return nullptr;
    if (!ex.step(RstSobelFilter3x3::create(ex.node.get(), 1))) return nullptr;
    if (!ex.step(RstConvertBits8To1Threshold::create(ex.node.get(), 120))) return nullptr;
    if (!ey.step(fan2->create_reader())) return nullptr;
    if (!ey.step(RstSobelFilter3x3::create(ey.node.get(), 0))) return nullptr;
    if (!ey.step(RstConvertBits8To1Threshold::create(ey.node.get(), 120))) return nullptr;
    keep2.node.reset();
    RstPixelOrCommand or_command;
    RstCreateChain edges;
    RstRead* both = RstPixelBinaryOperation::create(ex.node.get(), ey.node.get(), or_command, 0, 0);
    if (!both) return nullptr;
    ex.node.release();
    ey.node.release();
    edges.step(both);
    RstHeader he(edges.node.get());
    he.color_type = reverse;
    if (!edges.step(RstReinterpret::create(edges.node.get(), he))) return nullptr;

    // The candidate mask: one reader for the result, one for the detail.
    RstOwner<RstDivide> d3(RstDivide::create(sivra, 4, 8));
    if (!d3) return nullptr;
    RstDivide* fan3 = d3.get();
    RstCreateChain r3;
    if (!r3.step(d3->create_reader())) return nullptr;
    d3.release();
    RstCreateChain detail;
    if (!detail.step(fan3->create_reader())) return nullptr;
    RstRead* joined = RstPixelBinaryOperation::create(detail.node.get(), edges.node.get(), or_command, 0, 0);
    if (!joined) return nullptr;
    edges.node.release();
    detail.step(joined);

    // The inside of the dark regions, away from detail and edges by 2 pixels.
    if (!detail.step(RstExpansionFilter1::create(detail.node.get(), 2))) return nullptr;
    RstPixelSubCommand sub_command;
    RstCreateChain inside;
    RstRead* away = RstPixelBinaryOperation::create(dark.node.get(), detail.node.get(), sub_command, 0, 0);
    if (!away) return nullptr;
    dark.node.release();
    detail.node.release();
    inside.step(away);

    // Interior regions large enough to judge.
    Rects rects2;
    uint32_t c2 = 0;
    if (!inside.step(RstConvertBits1To8::create(inside.node.get(), 0, 255))) return nullptr;
    RstCreateChain labels2;
    RstRead* l2 = RstGetLabelRectInfo::create(inside.node.get(), 255, &c2, &rects2.v);
    if (!l2) return nullptr;
    inside.node.release();
    labels2.step(l2);
    if (c2 > 0) {
      const uint32_t b = res * 30 / 400;
      const uint32_t area[3] = {b, b, b};
      if (!labels2.step(RstRemoveArea::create(labels2.node.get(), &rects2.v, area, true, nullptr))) return nullptr;
    }
    const uint32_t k2 = rects2.v.empty() ? 0 : uint32_t(rects2.v.size() - 1);

    if (rects1.v.size() < 2 || k2 == 0) {
      r1.node.reset();
      labels2.node.reset();
      result.step(r3.node.release());
    } else {
      // Colour histograms of every interior region over the 3 x 3 mean.
      RstCreateChain smooth;
      const RstWindow window{3, 3, 1, 1};
      if (!smooth.step(RstAverageFilter::create(ilab, window, nullptr))) return nullptr;
      RstLabelHistogramList histograms;
      RstRead* counted =
          RstLabelHistogramForAllLabel::create(smooth.node.get(), labels2.node.get(), &histograms, k2, nullptr);
      if (!counted) {
        // The mean filter goes, the stripe stays the caller's.
        return nullptr;
      }
      smooth.node.release();
      labels2.node.release();
      RstCreateChain holder;
      holder.step(counted);

      // The interior regions inside each dark region's rectangle.
      std::vector<std::vector<uint32_t>> contained;
      std::vector<uint8_t> textured;
      try {
        contained.resize(rects1.v.size());
        for (size_t j = 1; j < rects1.v.size(); ++j) {
          const RstLabelRect& o = *rects1.v[j];
          for (uint32_t i = 1; i <= k2; ++i) {
            const RstLabelRect& n = *rects2.v[i];
            if (o.left <= n.left && o.top <= n.top && n.right <= o.right && n.bottom <= o.bottom)
              contained[j].push_back(i);
          }
        }
      } catch (const std::bad_alloc&) {
        rst_report(RstCode::no_memory, kCreate);
        return nullptr;
      }
      if (!RstHalvexStrip::judge_solid_clabel(histograms, textured, RstHalvexStrip::kTextureThresholds)) {
        rst_report(RstCode::unsupported_form, kCreate);
        return nullptr;
      }
      // Dark regions without a textured interior are no pictures.
      for (size_t j = 1; j < rects1.v.size(); ++j) {
        bool picture = false;
        for (uint32_t i : contained[j]) picture = picture || textured[i] != 0;
        if (!picture) *rects1.v[j] = RstLabelRect{0, 0, 0, 0, 0};
      }
      RstCreateChain pictures;
      RstRead* kept = RstRemoveArea::create(r1.node.get(), &rects1.v, false, nullptr);
      if (!kept) return nullptr;
      r1.node.release();
      pictures.step(kept);
      if (!pictures.step(RstConvertBits32To1Threshold::create(pictures.node.get(), 0, reverse))) return nullptr;
      RstRead* cleared = RstPixelBinaryOperation::create(r3.node.get(), pictures.node.get(), sub_command, 0, 0);
      if (!cleared) return nullptr;
      r3.node.release();
      pictures.node.release();
      result.step(cleared);
      ilab_holder = holder.node.release();
    }
  }

  // A pixel is set when it or its right, lower or lower-right neighbour is.
  if (dilate) {
    const bool input = result.node.get() == sivra;
    if (!result.step(RstConvertBits1To8::create(result.node.get(), 0, 255))) {
      // The candidate stripe is still the caller's.
      if (input) result.node.release();
      return nullptr;
    }
    const RstWindow window{2, 2, 0, 0};
    const uint8_t border = 0;
    if (!result.step(RstExpansionFilter::create(result.node.get(), window, &border, 255, 255))) return nullptr;
    if (!result.step(RstConvertBits8To1Threshold::create(result.node.get(), 128))) return nullptr;
  }

  // The result never reads the iLab stripe (nor, without edges, the L one).
  if (ilab_holder) ilab_holder->end();
  if (l_owned) l_owned->end();
  RstRead* out = rst_create_end(result.node);
  if (!out) return nullptr;
  guard.disarm();
  keeper.take(tone_keeper.node);
  return out;
}

}  // namespace

RstRead* RstHalvexStrip::create(RstRead* ilab, RstRead* l, RstRead* tone, RstRead* sivra, uint32_t res,
                                uint8_t dilate) {
  RstOwner<RstRead> keeper;
  RstRead* out = build(ilab, l, tone, sivra, res, dilate, keeper);
  // The tone stripe goes now that nothing pins it.
  keeper.reset();
  return out;
}

bool RstHalvexStrip::judge_solid_clabel(const RstLabelHistogramList& results, std::vector<uint8_t>& flags,
                                        const double* thresholds) {
  try {
    flags.resize(results.size());
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kJudge);
    return false;
  }
  if (flags.size() != results.size()) {
    rst_report(RstCode::no_memory, kJudge);
    return false;
  }
  for (size_t i = 1; i < results.size(); ++i) {
    flags[i] = 0;
    if (!results[i]) continue;
    const auto& channels = results[i]->channels;
    for (size_t c = 0; c < channels.size() && c < 3; ++c) {
      const RstHistogramData* h = channels[c].get();
      // An empty histogram has no variance to judge.
      if (h && h->total() != 0 && h->variance() >= thresholds[c]) {
        flags[i] = 1;
        break;
      }
    }
  }
  return true;
}
