// Label filters on valued-run label images (32-bit labels, data form 16):
// RstModifyLabelRLE maps every run's label through a table and drops the runs
// whose label maps to 0; RstRemoveLabelRLE drops the labels whose rectangle
// record is empty, RstExtractLabelRLE keeps a listed set of labels. With
// renumbering, the surviving labels become 1..K.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/core/rst_process.h"
#include "raster/mrc/rst_label_rect.h"

class RstModifyLabelRLE : public RstProcess {
 public:
  // True for a valued-run label image: 32 bits, one channel, sample kind 0,
  // data form 16, colour type none.
  static bool is_label_image(RstRead* source);

  RstModifyLabelRLE(RstRead* source, uint32_t max_label, bool renumber);
  ~RstModifyLabelRLE() override;

  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override { return static_cast<RstRead*>(source())->skip(n); }
  void reset() override { static_cast<RstRead*>(source())->reset(); }
  int line_size() override { return static_cast<RstRead*>(source())->line_size(); }

 protected:
  // Fill table()[0..max_label()]; false fails the initiate.
  virtual bool make_table() = 0;
  virtual bool make_table_renumber() = 0;
  uint32_t* table() const { return table_; }
  uint32_t max_label() const { return max_label_; }

 private:
  uint32_t max_label_;
  bool renumber_;
  int32_t line_size_ = 0;
  uint8_t* line_ = nullptr;
  uint32_t* table_ = nullptr;
};

class RstRemoveLabelRLE : public RstModifyLabelRLE {
 public:
  // rects describes the labels the source delivers (record i for label i);
  // it must hold at least two records. No source or fewer records: -2,
  // another source: -3, both "RstRemoveLabelRLE::create()". With renumber
  // the set is compacted in place so that record i describes new label i.
  static RstRemoveLabelRLE* create(RstRead* source, std::vector<RstLabelRect>* rects, bool renumber);
  RstRemoveLabelRLE(RstRead* source, std::vector<RstLabelRect>* rects, bool renumber);

 protected:
  bool make_table() override;
  bool make_table_renumber() override;

 private:
  std::vector<RstLabelRect>* rects_;
};

class RstExtractLabelRLE : public RstModifyLabelRLE {
 public:
  // Keeps the listed labels, none above max_label. No source, an empty list,
  // max_label 0 or a listed label above it: -2, another source: -3, both
  // "RstExtractLabelRLE::create()". With renumber a label becomes its list
  // position + 1 (the later one when it is listed twice).
  static RstExtractLabelRLE* create(RstRead* source, const std::vector<uint32_t>& labels, uint32_t max_label,
                                    bool renumber);
  RstExtractLabelRLE(RstRead* source, std::vector<uint32_t> labels, uint32_t max_label, bool renumber);

 protected:
  bool make_table() override;
  bool make_table_renumber() override;

 private:
  std::vector<uint32_t> labels_;
};
