// Histograms of sample values: RstHistogramData (2^bits bins, their total,
// moments, mean and variance) and RstLabelHistogramSet, one histogram per
// label of a label image (histogram i - 1 for label i).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class RstHistogramData {
 public:
  // 2^bits empty bins. Bits 0, or above 16: -2, no memory: -1, both
  // "RstHistogramData"; the histogram is then empty (no bins).
  explicit RstHistogramData(int32_t bits);
  RstHistogramData(const RstHistogramData&) = default;
  RstHistogramData& operator=(const RstHistogramData&) = default;
  virtual ~RstHistogramData() = default;

  // Adds n to a bin; a bin outside the histogram is ignored.
  void add(uint32_t bin, uint32_t n = 1) {
    if (bin >= bins_.size()) return;
    bins_[bin] += n;
    total_ += n;
  }
  // A bin's count; 0 outside the histogram.
  uint32_t count(uint32_t bin) const { return bin < bins_.size() ? bins_[bin] : 0; }
  uint32_t total() const { return total_; }
  uint32_t bin_count() const { return uint32_t(bins_.size()); }

  double first_moment() const;
  double second_moment() const;
  // Only for a histogram whose total is not 0.
  double mean() const { return first_moment() / total_; }
  double variance() const;

 private:
  std::vector<uint32_t> bins_;
  uint32_t total_ = 0;
};

class RstLabelHistogramSet {
 public:
  RstLabelHistogramSet(uint32_t label_count, int32_t bits);

  // label_count histograms of 2^bits empty bins; true when all are there.
  bool set();
  // A value under label (1..label count); other labels are ignored.
  void add(uint32_t label, uint32_t value) {
    if (label == 0 || label > histograms_.size()) return;
    histograms_[label - 1].add(value);
  }
  // Of label 1..label count: a label outside gives 0.
  uint32_t total(uint32_t label) const { return valid(label) ? histograms_[label - 1].total() : 0; }
  double mean(uint32_t label) const { return valid(label) ? histograms_[label - 1].mean() : 0.0; }
  // The histogram of label 1..label count.
  const RstHistogramData& item(uint32_t label) const { return histograms_.at(label - 1); }

  uint32_t label_count() const { return label_count_; }
  int32_t bits() const { return bits_; }

 private:
  bool valid(uint32_t label) const { return label != 0 && label <= histograms_.size(); }

  uint32_t label_count_;
  int32_t bits_;
  std::vector<RstHistogramData> histograms_;
};
