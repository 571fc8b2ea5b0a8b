// RstLabelHistogramForAllLabelOuterContourRLE: per label of a valued-run label
// image, the histogram of the image values just outside the component: the
// pixels that do not carry the label but touch one of its pixels (of the
// eight neighbours). One top-to-bottom pass with three label rows; image rows
// whose three label rows are empty are skipped, not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/codecs/rst_rle_line.h"
#include "raster/mrc/rst_histogram_data.h"
#include "raster/mrc/rst_label_histogram.h"

class RstLabelHistogramForAllLabelOuterContourRLE : public RstLabelHistogram {
 public:
  // image: 8 bits, raw, sample kind 0 (one byte per pixel is read); labels:
  // 32 bits, one channel, data form 16, no colormap, colour type none, the
  // image's size. No image, labels or set, or label_count 0: -2, other
  // inputs: -3, both "RstLabelHistogramForAllLabelOuterContourRLE::create()".
  // The counts go into result (labels above its count are not counted) and
  // are complete when the node is returned; the node then passes the image.
  static RstLabelHistogramForAllLabelOuterContourRLE* create(RstRead* image, RstRead* labels,
                                                             RstLabelHistogramSet* result, uint32_t label_count);
  RstLabelHistogramForAllLabelOuterContourRLE(RstRead* image, RstRead* labels, RstLabelHistogramSet* result,
                                              uint32_t label_count);

  bool initiate() override;

 private:
  using Line = RstRLELineN<uint32_t>;
  // A label's run in one of the three rows.
  struct Piece {
    uint32_t label;
    int32_t first;
    int32_t last;
    bool centre;  // of the row being counted
  };

  bool create_histogram_rle();
  // Reads a label row into line, its runs cleaned: inside the image, in
  // order, not overlapping, label 0 dropped. False when nothing came.
  bool read_labels(uint8_t* buffer, int32_t size, Line& line);
  // Counts the contour pixels of one row from its runs and its neighbours'.
  bool count_row(const Line* previous, const Line& current, const Line* next, const uint8_t* pixels);

  RstLabelHistogramSet* result_;
  uint32_t label_count_;
  std::vector<Piece> pieces_;
  std::vector<Piece> ranges_;
};
