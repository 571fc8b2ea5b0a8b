// The parameter record of the three-layer MRC split: the stripe height of the
// mask segmentation and the block modes of the foreground and background
// layer makers. RstMRCParamWhiteBG is the record of a split whose page
// background is white.
#pragma once

#include <cstdint>

class RstMRCParam {
 public:
  RstMRCParam() = default;
  RstMRCParam(int32_t rows, int32_t fore, int32_t back)
      : rows_per_stripe(rows), foreground_mode(fore), background_mode(back) {}
  virtual ~RstMRCParam() = default;

  // 0 or above the page height: the page is one stripe.
  int32_t rows_per_stripe = 0;
  // 1: blocks of 8 pixels, 8: blocks of 32, other values: blocks of 16.
  int32_t foreground_mode = 0;
  // 0: window fill, 1: 16 x 16 blocks.
  int32_t background_mode = 0;
};

class RstMRCParamWhiteBG : public RstMRCParam {
 public:
  using RstMRCParam::RstMRCParam;
};
