// Label filters on raw 32-bit label images: RstRemoveArea drops components
// that are too small (or whose records the caller emptied), RstRemoveThinLine
// those without a solid square core. Both rewrite labels through a table
// built from the caller's rectangle set (record i for label i), which they
// update in place: removed records are emptied and, with renumbering, the
// set is compacted so that record i describes new label i.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_process.h"
#include "raster/mrc/rst_label_rect.h"
#include "raster/mrc/rst_rectangle_range.h"

class RstRemoveLabel : public RstProcess {
 public:
  // True for a raw label image: 32 bits, one channel, sample kind 0, data
  // form 0, colour type none.
  static bool is_label_image(RstRead* source);

  RstRemoveLabel(RstRead* source, std::vector<RstLabelRect*>* rects, bool renumber);
  ~RstRemoveLabel() override;

  bool initiate() override;

 protected:
  // Builds the table from the records: kept labels keep their numbers, or
  // are renumbered 1..K with the set compacted to K + 1 records.
  bool make_table();
  // The new label of a label; a label beyond the set is removed.
  uint32_t relabel(uint32_t label) const { return label < records_ ? table_[label] : 0; }
  static void empty_record(RstLabelRect* r) {
    if (r) *r = RstLabelRect{0, 0, 0, 0, 0};
  }

  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t line_size_ = 0;
  int32_t row_ = 0;
  uint32_t records_;  // E: the set's size when the filter was made
  bool renumber_;
  std::vector<RstLabelRect*>* rects_;
  uint32_t* table_ = nullptr;
};

class RstRemoveArea : public RstRemoveLabel {
 public:
  // Removes the labels with fewer pixels than thresholds[0], narrower than
  // thresholds[1] or lower than thresholds[2], and those already emptied.
  // Only the columns of range (when given) are relabelled; others pass
  // unchanged. No source, no thresholds or fewer than two records: -2,
  // another source: -3, both "RstRemoveArea::create()".
  static RstRemoveArea* create(RstRead* source, std::vector<RstLabelRect*>* rects, const uint32_t* thresholds,
                               bool renumber, const RstRectangleRange* range);
  // Removes only the labels whose records the caller has emptied.
  static RstRemoveArea* create(RstRead* source, std::vector<RstLabelRect*>* rects, bool renumber,
                               const RstRectangleRange* range);
  RstRemoveArea(RstRead* source, std::vector<RstLabelRect*>* rects, const uint32_t* thresholds, bool renumber,
                const RstRectangleRange* range);

  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override;
  int line_size() override { return static_cast<RstRead*>(source())->line_size(); }

 private:
  bool criteria_;
  uint32_t min_count_ = 0;
  uint32_t min_width_ = 0;
  uint32_t min_height_ = 0;
  const RstRectangleRange* caller_range_;
  std::unique_ptr<RstRectangleRange> range_;
};

class RstRemoveThinLine : public RstRemoveLabel {
 public:
  // Removes the labels that hold no window of 2h + 1 rows by 2h columns
  // (h = size / 2) wholly of their own pixels. The whole label image is read
  // while the node is made. No source, fewer than two records or size 0:
  // -2, another source: -3, both "RstRemoveThinLine::create()".
  static RstRemoveThinLine* create(RstRead* source, std::vector<RstLabelRect*>* rects, uint32_t size, bool renumber);
  RstRemoveThinLine(RstRead* source, std::vector<RstLabelRect*>* rects, uint32_t size, bool renumber);
  ~RstRemoveThinLine() override;

  void header(RstHeader& h) override { h = header_; }
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override { row_ = 0; }
  int line_size() override { return line_size_; }

 private:
  bool has_core(uint32_t label, const RstLabelRect& r) const;

  int64_t half_;
  RstHeader header_;
  uint32_t* image_ = nullptr;
  uint8_t* check_ = nullptr;
  bool source_released_ = false;
};
