// Label rectangles: one bounding rectangle and pixel count per label, filled
// in the same step that labels a mask. RstGetLabelRectInfo labels into a raw
// 32-bit label image, RstGetLabelRectInfoRLE into valued runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/core/rst_create.h"
#include "raster/mrc/rst_labeling.h"
#include "raster/mrc/rst_labeling_rle.h"

// A label's pixels span left..right and top..bottom; count of them. Index 0
// of a rectangle set is the background and is never updated.
struct RstLabelRect {
  uint32_t left;
  uint32_t right;
  uint32_t top;
  uint32_t bottom;
  uint32_t count;
};

class RstGetLabelRectInfo : public RstLabeling {
 public:
  // Source: 8 bits raw (foreground = target) or 1 bit raw or run lines; one
  // channel, sample kind 0. No source: -2, another: -3, both
  // "RstGetLabelRectInfo::create()". The count and the records (label count
  // + 1 of them) are complete when the node is returned.
  static RstGetLabelRectInfo* create(RstRead* source, uint8_t target, uint32_t* count_out,
                                     std::vector<RstLabelRect>* rects);
  // The same, each record separately allocated; the vector's owner deletes
  // them (records held before are deleted first).
  static RstGetLabelRectInfo* create(RstRead* source, uint8_t target, uint32_t* count_out,
                                     std::vector<RstLabelRect*>* rects);

  RstGetLabelRectInfo(RstRead* source, uint8_t target, uint32_t* count_out, std::vector<RstLabelRect>* rects);
  bool initiate() override;

 private:
  // The second form's records, each a copy of the node's own.
  static RstGetLabelRectInfo* hand_out(RstGetLabelRectInfo* node, const std::vector<RstLabelRect>& own,
                                       std::vector<RstLabelRect*>* rects, RstCreateGuard& guard);

  std::vector<RstLabelRect>* rects_;
};

class RstGetLabelRectInfoRLE {
 public:
  // A bilevel source as RstLabelingRLE::create takes; any failure: -2
  // "RstGetLabelRectInfoRLE::create()". Returns the labelling node, reset to
  // row 0, with the records filled.
  static RstLabelingRLE* create(RstRead* source, uint32_t* count_out, std::vector<RstLabelRect>* rects);

  // Fills rects from a valued-run label node, reading every row once.
  static bool initiate(RstLabelingRLE* labels, uint32_t count, std::vector<RstLabelRect>* rects);
};
