// Histogram bins, moments and the per-label set.
#include "raster/mrc/rst_histogram_data.h"

#include <new>

#include "raster/core/rst_status_context.h"

RstHistogramData::RstHistogramData(int32_t bits) {
  if (bits <= 0 || bits > 16) {
    rst_report(RstCode::bad_argument, "RstHistogramData");
    return;
  }
  try {
    bins_.assign(size_t(1) << bits, 0);
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "RstHistogramData");
  }
}

double RstHistogramData::first_moment() const {
  double sum = 0;
  for (size_t i = 0; i < bins_.size(); ++i) sum += double(i) * double(bins_[i]);
  return sum;
}

double RstHistogramData::second_moment() const {
  double sum = 0;
  for (size_t i = 0; i < bins_.size(); ++i) sum += double(i) * double(i) * double(bins_[i]);
  return sum;
}

double RstHistogramData::variance() const {
  double m = mean();
  return second_moment() / total_ - m * m;
}

RstLabelHistogramSet::RstLabelHistogramSet(uint32_t label_count, int32_t bits)
    : label_count_(label_count), bits_(bits) {
  set();
}

bool RstLabelHistogramSet::set() {
  try {
    if (histograms_.size() > label_count_) histograms_.erase(histograms_.begin() + label_count_, histograms_.end());
    histograms_.reserve(label_count_);
    while (histograms_.size() < label_count_) histograms_.emplace_back(bits_);
  } catch (const std::bad_alloc&) {
  }
  return histograms_.size() == label_count_;
}
