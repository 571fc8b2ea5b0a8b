// Stripe cutting over one fan-out of the page.
#include "raster/mrc/rst_stripe.h"

#include <limits>
#include <new>

#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/geometry/rst_clip_height.h"

namespace {

constexpr const char* kCreate = "RstStripe::create()";

// The stripes built so far; ended unless handed out.
struct StripeList {
  std::vector<RstRead*> nodes;
  ~StripeList() {
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) RstOwner<RstRead> drop(*it);
  }
};

// One clip per (start, height) over readers of one divide of the source.
std::vector<RstRead*> cut(RstRead* source, const std::vector<uint32_t>& heights, const std::vector<int32_t>& starts,
                          int mode, int count, RstCreateGuard& guard) {
  RstOwner<RstDivide> divide(RstDivide::create(source, mode, count));
  if (!divide) {
    rst_report(RstCode::no_memory, kCreate);
    return {};
  }
  RstDivide* fan = divide.get();
  StripeList list;
  try {
    list.nodes.reserve(heights.size());
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kCreate);
    return {};
  }
  // The divide stays alive through its readers from the first one on.
  bool handed = false;
  for (size_t i = 0; i < heights.size(); ++i) {
    RstRead* reader = fan->create_reader();
    if (!reader) return {};
    if (!handed) {
      divide.release();
      handed = true;
    }
    RstRead* clip = RstClipHeight::create(reader, starts[i], heights[i]);
    if (!clip) {
      RstOwner<RstRead> drop(reader);
      return {};
    }
    list.nodes.push_back(clip);
  }
  std::vector<RstRead*> out = rst_create_end_nodes(guard, list.nodes);
  if (!out.empty()) list.nodes.clear();
  return out;
}

}  // namespace

std::vector<RstRead*> RstStripe::create(RstRead* source, const std::vector<uint32_t>& heights, int mode, int count) {
  if (!source || heights.empty()) {
    rst_report(RstCode::bad_argument, kCreate);
    return {};
  }
  RstCreateGuard guard(source);
  std::vector<int32_t> starts;
  try {
    starts.reserve(heights.size());
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kCreate);
    return {};
  }
  int64_t next = 0;
  for (uint32_t h : heights) {
    // A start beyond 32 bits lies past any page.
    if (next > std::numeric_limits<int32_t>::max()) {
      rst_report(RstCode::bad_argument, kCreate);
      return {};
    }
    starts.push_back(int32_t(next));
    next += h;
  }
  return cut(source, heights, starts, mode, count, guard);
}

std::vector<RstRead*> RstStripe::create(RstRead* source, const std::vector<uint32_t>& heights,
                                        const std::vector<int32_t>& starts, int mode, int count) {
  if (!source || heights.empty() || starts.size() != heights.size()) {
    rst_report(RstCode::bad_argument, kCreate);
    return {};
  }
  RstCreateGuard guard(source);
  return cut(source, heights, starts, mode, count, guard);
}

std::vector<RstRead*> RstStripe::create(RstRead* source, int32_t height, int32_t overlap, int mode, int count) {
  // A negative overlap would leave lines between the stripes out.
  if (!source || overlap < 0 || (height != 0 && overlap >= height)) {
    rst_report(RstCode::bad_argument, kCreate);
    return {};
  }
  const int32_t h = RstHeader(source).height;
  if (height == 0 || h < height) {
    RstCreateGuard guard(source);
    return rst_create_end_nodes(guard, std::vector<RstRead*>{source});
  }

  const int32_t step = height - overlap;
  const int32_t n = h / step + (h % step > overlap ? 1 : 0);
  std::vector<uint32_t> heights;
  std::vector<int32_t> starts;
  try {
    heights.assign(size_t(n), uint32_t(height));
    if (overlap > 0) {
      starts.reserve(size_t(n));
      for (int32_t i = 0; i < n; ++i) starts.push_back(i * step);
    }
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kCreate);
    return {};
  }
  if (overlap > 0) return create(source, heights, starts, mode, count);
  return create(source, heights, mode, 8);
}
