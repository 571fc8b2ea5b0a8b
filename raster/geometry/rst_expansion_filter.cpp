// The 8-bit window dilation: the plain rule and its skip-ahead.
#include "raster/geometry/rst_expansion_filter.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {
const char kCreate[] = "RstExpansionFilter::create()";
}  // namespace

RstRead* RstExpansionFilter::create(RstRead* source, const RstWindow& window, const uint8_t* border, uint8_t target,
                                    uint8_t fill) {
  // The anchor places every source line in its ring row: outside the window
  // the lines would not fit.
  if (!source || window.width < 2 || window.height < 2 || window.anchor_x < 0 || window.anchor_x >= window.width ||
      window.anchor_y < 0 || window.anchor_y >= window.height) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form != RstDataForm::raw || h.bits_per_sample != 8 || h.samples_per_pixel != 1) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstExpansionFilter>(source, window, border, target, fill), guard);
}

RstExpansionFilter::RstExpansionFilter(RstRead* source, const RstWindow& window, const uint8_t* border, uint8_t target,
                                       uint8_t fill)
    : RstFilter<1>(source, window, border), window_(window), target_(target), fill_(fill) {}

int RstExpansionFilter::read(uint8_t* line) {
  if (lines_produced_ >= uint32_t(height_) || !ring_->advance()) return 0;
  expand_skip_ahead(ring_->lines(), width_, window_, target_, fill_, line);
  ++lines_produced_;
  return width_;
}

void RstExpansionFilter::expand_plain(const uint8_t* const* rows, int32_t width, const RstWindow& window,
                                      uint8_t target, uint8_t fill, uint8_t* out) {
  const uint8_t* centre = rows[window.anchor_y] + window.anchor_x;
  for (int32_t x = 0; x < width; ++x) {
    bool hit = false;
    for (int32_t r = 0; r < window.height && !hit; ++r)
      for (int32_t j = 0; j < window.width && !hit; ++j) hit = rows[r][x + j] == target;
    out[x] = hit ? fill : centre[x];
  }
}

void RstExpansionFilter::expand_skip_ahead(const uint8_t* const* rows, int32_t width, const RstWindow& window,
                                           uint8_t target, uint8_t fill, uint8_t* out) {
  const uint8_t* centre = rows[window.anchor_y] + window.anchor_x;
  const int32_t ww = window.width, wh = window.height;
  // Row columns up to clean are known to hold no target in any window row.
  int64_t clean = -1;
  int32_t x = 0;
  while (x < width) {
    // Window columns from the right-most to the left-most, each from its
    // bottom row up; the ones already known clean are not searched again.
    int32_t found = -1;
    for (int32_t i = ww - 1; i >= 0 && x + i > clean && found < 0; --i) {
      const int32_t c = x + i;
      for (int32_t r = wh - 1; r >= 0; --r)
        if (rows[r][c] == target) {
          found = i;
          break;
        }
    }
    if (found >= 0) {
      // The outputs x .. x + found all have the hit in their windows.
      int32_t end = x + found < width ? x + found + 1 : width;
      std::memset(out + x, fill, size_t(end - x));
      clean = int64_t(x) + ww - 1 > clean ? int64_t(x) + ww - 1 : clean;
      // The right-most hit is at x + found; what lies to its right was
      // searched clean, but the hit column itself is not.
      x = end;
      continue;
    }
    out[x] = centre[x];
    clean = int64_t(x) + ww - 1;
    ++x;
  }
}
