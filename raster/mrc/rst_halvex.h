// Halvex: the segmentation that turns an 8-bit Lab page into the 1-bit mask
// of a mixed raster content page, text and small dark detail set, paper and
// pictures clear. The page is worked in stripes: the inverted-lightness page,
// its lightness, the tone image and the Sivra candidate masks are cut alike,
// each stripe goes through RstHalvexStrip, and RstMergeStrip pastes the
// stripe masks into one page.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"
#include "raster/mrc/rst_mrc_param.h"

class RstHalvex {
 public:
  // Sizes of the chain are for this resolution, whatever the page's.
  static constexpr uint32_t kResolution = 400;

  // page: 8 bits, 3 samples, sample kind 0, raw, Lab, no colormap. No page
  // or no record: -2; another page, one of no lines, or fewer stripes or
  // candidate masks than the stripe count: -3; a fan-out that cannot be
  // made: -1; all "RstHalvex::create()". Returns the page's mask: 1 bit,
  // reversed gray, the page's size.
  static RstRead* create(RstRead* page, const RstMRCParam* param, int32_t polarity);
};

// The Lab page with its lightness inverted (255 - L), a and b unchanged.
class RstConvertLabToiLab : public RstProcess {
 public:
  // No source: -2; not 8 bits, 3 samples, sample kind 0, raw, Lab and
  // without colormap: -3; both "RstConvertLabToiLab::create()".
  static RstConvertLabToiLab* create(RstRead* source);
  explicit RstConvertLabToiLab(RstRead* source);
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
  int line_size() override { return line_size_; }

 private:
  int32_t line_size_;
};

class RstSivraForHalvex {
 public:
  // The candidate masks of the stripes of rows lines (0 or more than the
  // height: one stripe): pixels darker than their 121 x 121 mean (lighter for
  // polarity 1) lying on extracted strokes, cleaned by dependency removal.
  // No source: -1; not 8 bits, 1 sample, sample kind 0, raw, no colormap:
  // -3; a fan-out or a stripe list that cannot be made: -1; all
  // "RstSivraForHalvex::create()". Empty on failure.
  static std::vector<RstRead*> create(RstRead* l, int32_t rows, int32_t polarity);
};

class RstMergeStrip {
 public:
  // A page of header filled with the fill colour, strip i pasted at line
  // i x step. No or an empty list, or no fill: -2 "RstMergeStrip::create()".
  static RstRead* create(const std::vector<RstRead*>& strips, const RstHeader& header, int32_t step,
                         const uint8_t* fill);
};
