// The Halvex segmentation: the page's streams, the Sivra candidate masks, the
// stripe cuts, the stripe chains and the merge into one page mask.
#include "raster/mrc/rst_halvex.h"

#include <limits>
#include <new>

#include "raster/color/rst_select_channel.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_generate_constant_color_raster.h"
#include "raster/core/rst_owner.h"
#include "raster/mrc/rst_create_chain.h"
#include "raster/core/rst_window.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/geometry/rst_pixel_and.h"
#include "raster/geometry/rst_pixel_binary_command.h"
#include "raster/geometry/rst_pixel_binary_operation.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/geometry/rst_pixel_or.h"
#include "raster/geometry/rst_pixel_sub.h"
#include "raster/mrc/rst_average_filter.h"
#include "raster/mrc/rst_extract_line.h"
#include "raster/mrc/rst_halvex_strip.h"
#include "raster/mrc/rst_remove_dependency.h"
#include "raster/mrc/rst_stripe.h"
#include "raster/mrc/rst_tone_threshold_by_hist.h"

namespace {

constexpr const char* kHalvex = "RstHalvex::create()";
constexpr const char* kLab = "RstConvertLabToiLab::create()";
constexpr const char* kSivra = "RstSivraForHalvex::create()";
constexpr const char* kMerge = "RstMergeStrip::create()";

bool plain(const RstHeader& h, int32_t bits, int32_t samples) {
  return h.bits_per_sample == bits && h.samples_per_pixel == samples && h.sample_kind == 0 &&
         h.data_form == RstDataForm::raw && !h.colormap;
}

bool lab_page(const RstHeader& h) { return plain(h, 8, 3) && h.color_type && h.color_type->is_lab(); }

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

// Ends a factory whose result is held in a chain: the node is initiated, and
// only then are the inputs the node's.
RstRead* finish(RstCreateChain& chain, RstCreateGuard& guard) {
  RstRead* out = rst_create_end(chain.node);
  if (out) guard.disarm();
  return out;
}

}  // namespace

// Inverted lightness.

RstConvertLabToiLab::RstConvertLabToiLab(RstRead* source) : RstProcess(source), line_size_(source->line_size()) {}

RstConvertLabToiLab* RstConvertLabToiLab::create(RstRead* source) {
  if (!source) {
    rst_report(RstCode::bad_argument, kLab);
    return nullptr;
  }
  if (!lab_page(RstHeader(source))) {
    rst_report(RstCode::unsupported_form, kLab);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end(rst_new<RstConvertLabToiLab>(source), guard);
}

int RstConvertLabToiLab::read(uint8_t* line) {
  if (source()->read(line) != line_size_) return 0;
  for (int32_t i = 0; i + 2 < line_size_; i += 3) line[i] = uint8_t(~line[i]);
  return line_size_;
}

// The candidate masks.

std::vector<RstRead*> RstSivraForHalvex::create(RstRead* l, int32_t rows, int32_t polarity) {
  if (!l) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  const RstHeader h(l);
  if (!plain(h, 8, 1)) {
    rst_report(RstCode::unsupported_form, kSivra);
    return {};
  }
  RstCreateGuard guard(l);
  if (rows <= 0 || rows > h.height) rows = h.height;

  // The lightness fanned out over the height of the mean's window.
  RstOwner<RstDivide> d(RstDivide::create(l, 2, 121));
  if (!d) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  RstDivide* fan = d.get();
  RstCreateChain first;  // keeps the fan-out while the graph is built
  if (!first.step(fan->create_reader())) return {};
  d.release();

  // Pixels that stand out from their 121 x 121 mean, outside counting as 0.
  RstCreateChain mean, pixel;
  const RstWindow window{121, 121, 60, 60};
  const uint8_t zero = 0;
  if (!mean.step(fan->create_reader())) return {};
  if (!mean.step(RstAverageFilter::create(mean.node.get(), window, &zero))) return {};
  if (!pixel.step(fan->create_reader())) return {};
  std::vector<RstRead*> pair;
  try {
    if (polarity == 0) pair = {pixel.node.get(), mean.node.get()};
    else pair = {mean.node.get(), pixel.node.get()};
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  RstCreateChain dark;
  RstRead* difference = RstPixelSub::create(pair, 0, 0);
  if (!difference) return {};
  mean.node.release();
  pixel.node.release();
  dark.step(difference);
  if (!dark.step(RstReduceTone256To2Threshold::create(dark.node.get(), polarity == 1 ? 60 : 40, 0, 255))) return {};

  // Strokes of seven widths over a 150-line fan-out.
  RstCreateChain line_source;
  if (!line_source.step(fan->create_reader())) return {};
  if (polarity == 1 && !line_source.step(RstPixelNot::create(line_source.node.get()))) return {};
  RstOwner<RstDivide> d2(RstDivide::create(line_source.node.get(), 2, 150));
  if (!d2) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  line_source.node.release();
  RstDivide* fan2 = d2.get();
  RstCreateChain keep2;
  if (!keep2.step(fan2->create_reader())) return {};
  d2.release();
  static constexpr struct {
    uint32_t factor;
    uint8_t type;
  } kStrokes[] = {{2, 1}, {2, 2}, {4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 2}};
  RstCreateChain lines;
  for (const auto& s : kStrokes) {
    RstCreateChain one;
    if (!one.step(fan2->create_reader())) return {};
    if (!one.step(RstExtractLine::create(one.node.get(), s.factor, s.type, uint8_t(polarity)))) return {};
    if (!lines.node) {
      lines.step(one.node.release());
      continue;
    }
    std::vector<RstRead*> both;
    try {
      both = {lines.node.get(), one.node.get()};
    } catch (const std::bad_alloc&) {
      rst_report(RstCode::no_memory, kSivra);
      return {};
    }
    RstRead* joined = RstPixelOr::create(both, 0, 0);
    if (!joined) return {};
    lines.node.release();
    one.node.release();
    lines.step(joined);
  }
  keep2.node.reset();

  // Dark pixels on strokes.
  RstCreateChain detail;
  std::vector<RstRead*> on;
  try {
    on = {dark.node.get(), lines.node.get()};
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  RstRead* both = RstPixelAnd::create(on, 0, 0);
  if (!both) return {};
  dark.node.release();
  lines.node.release();
  detail.step(both);
  if (!detail.step(RstConvertBits8To1Threshold::create(detail.node.get(), 128))) return {};

  // Stripes of the lightness and of the detail, the detail cleaned per stripe.
  const size_t count = h.height > 0 ? size_t(h.height / rows + (h.height % rows ? 1 : 0)) : 0;
  std::vector<uint32_t> heights;
  try {
    heights.assign(count, uint32_t(rows));
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  RstCreateChain image;
  if (!image.step(fan->create_reader())) return {};
  NodeList a(RstStripe::create(image.node.get(), heights, 0, 8));
  if (a.size() != count || count == 0) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  image.node.release();
  NodeList b(RstStripe::create(detail.node.get(), heights, 0, 8));
  if (b.size() != count) {
    rst_report(RstCode::no_memory, kSivra);
    return {};
  }
  detail.node.release();
  for (size_t i = 0; i < count; ++i) {
    RstRead* cleaned = RstRemoveDependency::create(a.nodes[i], b.nodes[i], 0, nullptr, nullptr);
    if (!cleaned) return {};
    a.nodes[i] = nullptr;
    b.nodes[i] = cleaned;
  }
  first.node.reset();
  std::vector<RstRead*> out = rst_create_end_nodes(guard, b.nodes);
  if (!out.empty()) b.nodes.clear();
  return out;
}

// The merge.

RstRead* RstMergeStrip::create(const std::vector<RstRead*>& strips, const RstHeader& header, int32_t step,
                               const uint8_t* fill) {
  bool missing = strips.empty() || !fill;
  for (RstRead* s : strips) missing = missing || !s;
  if (missing) {
    rst_report(RstCode::bad_argument, kMerge);
    return nullptr;
  }
  RstCreateGuard guard(strips);
  RstCreateChain base;
  if (!base.step(RstGenerateConstantColorRaster::create(header, fill))) return nullptr;
  RstPixelOpaqueCommand paste;
  for (size_t i = 0; i < strips.size(); ++i) {
    const int64_t y = int64_t(i) * step;
    // A strip whose line offset leaves 32 bits lies below any page.
    if (y > std::numeric_limits<int32_t>::max()) {
      rst_report(RstCode::bad_argument, kMerge);
      return nullptr;
    }
    RstRead* next = RstPixelBinaryOperation::create(base.node.get(), strips[i], paste, 0, int32_t(y));
    if (!next) return nullptr;
    base.node.release();
    base.step(next);
  }
  return finish(base, guard);
}

// The segmentation.

RstRead* RstHalvex::create(RstRead* page, const RstMRCParam* param, int32_t polarity) {
  if (!page || !param) {
    rst_report(RstCode::bad_argument, kHalvex);
    return nullptr;
  }
  const RstHeader h(page);
  // A page without lines has no stripes to count.
  if (!lab_page(h) || h.height <= 0 || h.width <= 0) {
    rst_report(RstCode::unsupported_form, kHalvex);
    return nullptr;
  }
  RstCreateGuard guard(page);
  int32_t rows = param->rows_per_stripe;
  if (rows <= 0 || rows > h.height) rows = h.height;
  const size_t n = size_t(h.height / rows);
  const size_t count = size_t(h.height / rows + (h.height % rows ? 1 : 0));

  // iLab and its lightness, each a fan-out without buffer; one reader of
  // each is held while the graph is built.
  RstCreateChain inverted;
  if (!inverted.step(RstConvertLabToiLab::create(page))) {
    rst_report(RstCode::no_memory, kHalvex);
    return nullptr;
  }
  RstOwner<RstDivide> di(RstDivide::create(inverted.node.get(), 0, 8));
  if (!di) {
    rst_report(RstCode::no_memory, kHalvex);
    return nullptr;
  }
  inverted.node.release();
  RstDivide* ilab = di.get();
  RstCreateChain hold_ilab;
  if (!hold_ilab.step(ilab->create_reader())) return nullptr;
  di.release();
  RstCreateChain lightness;
  if (!lightness.step(ilab->create_reader())) return nullptr;
  if (!lightness.step(RstSelectChannel::create(lightness.node.get(), 0, RstColorType::icc_lstar()))) {
    rst_report(RstCode::no_memory, kHalvex);
    return nullptr;
  }
  RstOwner<RstDivide> dl(RstDivide::create(lightness.node.get(), 0, 8));
  if (!dl) {
    rst_report(RstCode::no_memory, kHalvex);
    return nullptr;
  }
  lightness.node.release();
  RstDivide* l = dl.get();
  RstCreateChain hold_l;
  if (!hold_l.step(l->create_reader())) return nullptr;
  dl.release();

  // The candidate masks: one per stripe, or no chain is built.
  RstCreateChain sivra_source;
  if (!sivra_source.step(l->create_reader())) return nullptr;
  NodeList masks(RstSivraForHalvex::create(sivra_source.node.get(), rows, polarity));
  if (masks.size() < count) {
    rst_report(RstCode::unsupported_form, kHalvex);
    return nullptr;
  }
  sivra_source.node.release();

  // The tone image and the three stripe cuts.
  RstCreateChain tone;
  if (!tone.step(l->create_reader())) return nullptr;
  if (!tone.step(RstReduceTone256To2ThresholdByHist::create(tone.node.get()))) return nullptr;
  NodeList tones(RstStripe::create(tone.node.get(), rows, 0, 2, 0));
  if (tones.size() == 0) return nullptr;
  tone.node.release();
  RstCreateChain l_source;
  if (!l_source.step(l->create_reader())) return nullptr;
  NodeList ls(RstStripe::create(l_source.node.get(), rows, 0, 2, 0));
  if (ls.size() == 0) return nullptr;
  l_source.node.release();
  RstCreateChain ilab_source;
  if (!ilab_source.step(ilab->create_reader())) return nullptr;
  NodeList is(RstStripe::create(ilab_source.node.get(), rows, 0, 2, 0));
  if (is.size() == 0) return nullptr;
  ilab_source.node.release();
  if (tones.size() < n || ls.size() < n || is.size() < n || tones.size() < is.size() || ls.size() < is.size() ||
      masks.size() < is.size()) {
    rst_report(RstCode::unsupported_form, kHalvex);
    return nullptr;
  }

  // One stripe chain per stripe.
  NodeList strips;
  try {
    strips.nodes.reserve(is.size());
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kHalvex);
    return nullptr;
  }
  for (size_t i = 0; i < is.size(); ++i) {
    RstRead* s = RstHalvexStrip::create(is.nodes[i], ls.nodes[i], tones.nodes[i], masks.nodes[i], kResolution, 1);
    if (!s) return nullptr;
    is.nodes[i] = ls.nodes[i] = tones.nodes[i] = masks.nodes[i] = nullptr;
    strips.nodes.push_back(s);
  }
  hold_ilab.node.reset();
  hold_l.node.reset();

  RstHeader mask = h;
  mask.bits_per_sample = 1;
  mask.samples_per_pixel = 1;
  mask.colormap.reset();
  mask.color_type = RstColorType::default_gray_reverse();
  const uint8_t fill = 0;
  RstCreateChain merged;
  if (!merged.step(RstMergeStrip::create(strips.nodes, mask, rows, &fill))) return nullptr;
  strips.nodes.clear();
  return finish(merged, guard);
}
