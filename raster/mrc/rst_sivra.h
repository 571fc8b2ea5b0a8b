// The Sivra stage: a gray page split into two candidate masks, the pixels
// lighter and the pixels darker than their local background (a box mean
// whose window follows the resolution), cut into stripes, each stripe's
// masks cleaned by dependency removal and their shared components given to
// one mask by background removal.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_read.h"
#include "raster/core/rst_window.h"
#include "raster/mrc/rst_average_filter.h"

// The stage's parameter record. Word n (1..11) is at index n, index 0 is
// unused: dependency removal reads the words it needs by their numbers.
class RstSivraParam {
 public:
  static constexpr int kRows = 1;             // lines per stripe
  static constexpr int kOverlap = 2;          // lines shared by neighbouring stripes
  static constexpr int kResolution = 3;       // dots per inch
  static constexpr int kDarkThreshold = 4;    // how far below its background a dark pixel lies
  static constexpr int kToneRange = 5;        // contour tones within +-range are alike
  static constexpr int kContourShare = 6;     // percent of alike contour allowed
  static constexpr int kRemovalType = 7;      // 0 second mask, 1 first mask, 2 both
  static constexpr int kClosingRadius = 8;    // closing of the masks' union
  static constexpr int kWindowSize = 9;       // (resolution x 15) / 40 + 1
  static constexpr int kSmallSize = 10;       // (resolution x 3 + 200) / 400
  static constexpr int kLightThreshold = 11;  // how far above its background a light pixel lies
  static constexpr int kWords = 11;

  // Words 9 and 10 follow the resolution; the usual overlap of 75 lines
  // becomes half a window at resolutions other than 400.
  RstSivraParam(int32_t resolution, int32_t rows, int32_t overlap, int32_t dark_threshold, int32_t tone_range,
                int32_t contour_share, int32_t removal_type, int32_t closing_radius);
  // The segmentation's record: 30, 30, 10, 2, 1 and light threshold 20.
  static RstSivraParam segmentation(int32_t resolution, int32_t rows, int32_t overlap);

  int32_t word(int n) const { return words_[n]; }
  void set_word(int n, int32_t value) { words_[n] = value; }
  // The record as dependency removal reads it.
  const int32_t* data() const { return words_; }

 private:
  int32_t words_[kWords + 1] = {};
};

// Box mean over the window clipped to the image: the mean of the pixels
// the centred window covers inside the image, rounded half up. Near the
// border fewer pixels count instead of copies of the outermost ones.
class RstAverageFilterForSivra : public RstAverageFilterN<1> {
 public:
  // No source: -2; a 1 x 1 window: the source itself; not raw 8 bits of one
  // sample kind 0 without colormap: -3; all
  // "RstAverageFilterForSivra::create()". The window's anchor is its centre
  // whatever the anchor given.
  static RstRead* create(RstRead* source, const RstWindow& window);

  RstAverageFilterForSivra(RstRead* source, const RstWindow& window);
  ~RstAverageFilterForSivra() override;
  // No memory for the column sums: -1 "RstAverageFilterForSivra::initiate()".
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  uint32_t* columns_ = nullptr;  // per image column, over the window's lines inside the image
  int32_t window_width_;
  int32_t window_height_;
  int32_t hw_;
  int32_t hh_;
};

class RstSivraCore {
 public:
  // image: 8 bits, raw, no colormap, any colour type that converts to gray.
  // count > 0: one mask per stripe of record's rows and overlap, exactly
  // count of them (a page giving fewer stripes: -3); count 0: one mask of the
  // whole page. No image: -2; another image or too few stripes: -3; both
  // "RstSivraCore::create()". Bilevel run-line masks, or empty on failure
  // (the image then left to the caller).
  static std::vector<RstRead*> create(RstRead* image, const RstSivraParam& record, int32_t count);
};

class RstSivraStrip {
 public:
  // image: 8-bit gray; first (lighter) and second (darker) masks: 1 bit raw;
  // one sample kind 0, no colormap, gray or L* colour type, one size. A
  // missing input or a removal type other than 0, 1, 2: -2; other inputs:
  // -3; both "RstSivraStrip::create()". The cleaned mask as run lines.
  static RstRead* create(RstRead* image, RstRead* first, RstRead* second, const RstSivraParam& record);
};

class RstRemoveBackground {
 public:
  // A component in both masks goes to the mask under which its tone lies
  // farther from the tone around it. image: 8 bits; masks: 1 bit raw or run
  // lines; one sample kind 0, no colormap, one size. A missing input, radius
  // 0 or a type other than 0, 1, 2: -2; other inputs: -3; no memory: -1; all
  // "RstRemoveBackground::create()". Type 0 gives the new second mask, 1
  // the new first, 2 their union, as run lines.
  static RstRead* create(RstRead* image, RstRead* first, RstRead* second, uint32_t radius, int32_t type);
};
