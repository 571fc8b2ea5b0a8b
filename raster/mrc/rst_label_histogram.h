// Label histogram nodes: they pass an 8-bit image through unchanged and,
// while they are initiated, count per label and per channel the image values
// under the label's pixels. RstLabelHistogramForAllLabel takes a raw 32-bit
// label image (optionally within a rectangle range), and
// RstLabelHistogramForAllLabelRLE a valued-run one, skipping the image rows
// whose label row is empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/core/rst_process.h"
#include "raster/mrc/rst_histogram_data.h"
#include "raster/mrc/rst_rectangle_range.h"

// The histograms of one label, one per image channel.
struct RstLabelChannelHistograms {
  std::vector<std::unique_ptr<RstHistogramData>> channels;
};
// Indexed by label; entry 0 (the background) stays empty.
using RstLabelHistogramList = std::vector<std::unique_ptr<RstLabelChannelHistograms>>;

class RstLabelHistogram : public RstProcess {
 public:
  // image becomes the node's source; labels is taken over and ended once
  // the histograms are made.
  RstLabelHistogram(RstRead* image, RstRead* labels);
  ~RstLabelHistogram() override;

  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { image()->reset(); }
  int line_size() override { return channels_ * width_; }

  // Ends the label node, once the histograms are made.
  void release_labels();

 protected:
  RstRead* image() const { return static_cast<RstRead*>(source()); }
  void rewind_once();

  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t channels_ = 0;
  RstRead* labels_;
  bool rewound_ = false;
};

class RstLabelHistogramForAllLabel : public RstLabelHistogram {
 public:
  // image: 8 bits, raw, sample kind 0, any channels; labels: 32 bits, one
  // channel, raw, no colormap, colour type none, the image's size. Missing
  // input: -2, other inputs: -3, both
  // "RstLabelHistogramForAllLabel::create()". Labels above max_label are not
  // counted. The result holds max_label + 1 entries when the node is returned.
  static RstLabelHistogramForAllLabel* create(RstRead* image, RstRead* labels, RstLabelHistogramList* result,
                                              uint32_t max_label, const RstRectangleRange* range);

  RstLabelHistogramForAllLabel(RstRead* image, RstRead* labels, RstLabelHistogramList* result, uint32_t max_label,
                               const RstRectangleRange* range);
  bool initiate() override;

 private:
  bool create_histogram();

  uint32_t max_label_;
  const RstRectangleRange* range_;
  RstLabelHistogramList* result_;
};

class RstLabelHistogramForAllLabelRLE : public RstLabelHistogram {
 public:
  // As the raw form, with labels in valued runs (data form 16); the result
  // holds one set per image channel, each for labels 1..max_label. Errors
  // are reported at "RstLabelHistogramForAllLabelRLE::create()".
  static RstLabelHistogramForAllLabelRLE* create(RstRead* image, RstRead* labels,
                                                 std::vector<RstLabelHistogramSet>* result, uint32_t max_label);

  RstLabelHistogramForAllLabelRLE(RstRead* image, RstRead* labels, std::vector<RstLabelHistogramSet>* result,
                                  uint32_t max_label);
  bool initiate() override;

 private:
  bool create_histogram();

  uint32_t max_label_;
  int32_t bits_ = 8;
  std::vector<RstLabelHistogramSet>* result_;
};
