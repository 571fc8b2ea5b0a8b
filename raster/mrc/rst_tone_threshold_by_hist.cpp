// The histogram threshold: smoothing, the peak of the light end and the
// search for the valley after it.
#include "raster/mrc/rst_tone_threshold_by_hist.h"

#include <cmath>

#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/mrc/rst_histogram.h"

uint8_t RstReduceTone256To2ThresholdByHist::threshold(const RstHistogramData& h, uint64_t pixels) {
  // Width 3, cut to two bins at both ends.
  int64_t s[256];
  for (int i = 0; i < 256; ++i) {
    int lo = i == 0 ? 0 : i - 1, hi = i == 255 ? 255 : i + 1;
    double sum = 0;
    for (int k = lo; k <= hi; ++k) sum += h.count(uint32_t(k));
    s[i] = int64_t(std::floor(sum / (hi - lo + 1) + 0.5));
  }
  const int limit = kSearchLimit;
  int peak = 0;
  for (int i = 1; i <= limit; ++i)
    if (s[i] > s[peak]) peak = i;
  const int64_t l1 = int64_t(std::floor(kTotalRatio * double(pixels)));
  const int64_t l2 = int64_t(std::floor(kPeakRatio * double(s[peak])));
  if (peak >= limit) return uint8_t(limit);
  auto low = [&](int j) { return s[j] < l1 && s[j] < l2; };
  // The first bin that falls into a valley below both limits.
  for (int j = peak; j < limit; ++j) {
    int64_t rise = j == 0 ? -1 : s[j] - s[j - 1];
    int64_t next = s[j + 1] - s[j];
    if (rise < 0 && next >= 0 && low(j)) return uint8_t(j);
  }
  // Else the first bin low enough, or the limit.
  for (int k = peak; k < limit; ++k)
    if (low(k)) return uint8_t(k);
  return uint8_t(limit);
}

RstRead* RstReduceTone256To2ThresholdByHist::create(RstRead* source) {
  const char* where = "RstReduceTone256To2ThresholdByHist::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 1 || h.sample_kind != RstSampleKind::unsigned_int ||
      h.data_form != RstDataForm::raw || h.colormap) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  std::vector<RstHistogramData> bins;
  RstRead* hist = RstHistogram::create(source, &bins);
  if (!hist) return nullptr;
  RstOwner<RstRead> held(hist);
  uint8_t t = threshold(bins[0], uint64_t(h.width) * uint64_t(h.height));
  RstRead* result = RstReduceTone256To2Threshold::create(hist, t, 0, 255);
  if (!result) return nullptr;
  held.release();
  return rst_create_end(result, guard);
}
