// RstHalvexStrip: the mask of one stripe of the Halvex segmentation. The
// stripe's candidate mask is cleared over every large dark region whose
// inside, away from edges and detail, is textured in colour (a picture); the
// mask then grows by one pixel to the right and down.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_read.h"
#include "raster/mrc/rst_label_histogram.h"

class RstHalvexStrip {
 public:
  // Variance thresholds of the texture test, in channel order.
  static constexpr double kTextureThresholds[3] = {80.0, 100.0, 100.0};

  // ilab: 8 bits, 3 samples, raw, Lab, no colormap; l and tone: 8 bits, 1
  // sample, raw, no colormap; sivra: 1 bit, 1 sample, raw, no colormap; all
  // of ilab's size; sample kind 0. Sizes are for res dots per inch. A missing
  // input: -2; other inputs or a failed texture test: -3; both
  // "RstHalvexStrip::create()". Returns a 1-bit mask of the stripe; the
  // inputs are then the node's (ilab and l released), or left to the caller
  // on failure.
  static RstRead* create(RstRead* ilab, RstRead* l, RstRead* tone, RstRead* sivra, uint32_t res, uint8_t dilate);

  // flags[i] = 1 for every region i >= 1 of results whose smoothed channel
  // variance reaches its threshold in any channel (tested in order). flags
  // is sized to results; when it cannot be: -1
  // "RstHalvexStrip::judge_solid_clabel()", false.
  static bool judge_solid_clabel(const RstLabelHistogramList& results, std::vector<uint8_t>& flags,
                                 const double* thresholds);
};
