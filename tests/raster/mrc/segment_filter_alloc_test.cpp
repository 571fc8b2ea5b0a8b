// The segmentation filters with every allocation of their creates failing in
// turn: each failure is reported as -1 and leaves the inputs to the caller,
// every node that is made reads the same lines, and reading allocates
// nothing.
#include <gmock/gmock.h>

#include "mask_support.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/mrc/rst_average_filter.h"
#include "raster/mrc/rst_convert_bits32_to1.h"
#include "raster/mrc/rst_extract_line.h"
#include "raster/mrc/rst_labeling_rle.h"
#include "raster/mrc/rst_remove_dependency.h"
#include "raster/mrc/rst_sobel_filter.h"
#include "raster/mrc/rst_tone_threshold_by_hist.h"

namespace {

class SegmentFilterAlloc : public RstStatusTest {};

// Where-texts of the -1 reports the chains can make.
const std::vector<std::string> kWheres = {
    "RstFilter::RstFilter()",
    "RstRingBuffer::RstRingBuffer()",
    "RstRingBufferConstantFill::RstRingBufferConstantFill()",
    "rst_create_end()",
    "RstConvertBits1To8::initiate()",
    "RstConvertBits32To1Threshold::initiate()",
    "RstConvertBits32To1ThresholdRLE::initiate()",
    "RstAverageFilterN::initiate()",
    "RstHistogram::initiate()",
    "RstHistogramData",
    "RstReduceTone256To2Threshold::initiate()",
    "RstSivraPatternMatch::initiate()",
    "RstKernel::set()",
    "RstScaleHeightIAR::RstScaleHeightIAR()",
    "RstScaleWidthIAR::RstScaleWidthIAR()",
    "RstScaleWidthNN::RstScaleWidthNN()",
    "RstScaleHeight0DE::initiate()",
};

Mask sample_mask() {
  return draw({"..........", ".###...#..", ".#.#..###.", ".###...#..", "..........", "##......##"});
}

// A gray page with dark strokes on light paper.
RstRead* sample_gray() { return source8(sample_mask(), 20, 230); }

std::vector<Bytes> reference(RstRead* node) {
  Held<> held(node);
  return pull(node);
}

TEST_F(SegmentFilterAlloc, NodesFailCleanly) {
  const uint8_t zero = 0;
  struct Case {
    const char* name;
    std::function<RstRead*()> source;
    std::function<RstRead*(RstRead*)> make;
  } cases[] = {
      {"sobel", [] { return source1(sample_mask()); }, [](RstRead* s) { return RstSobelFilter3x3::create(s, 1); }},
      {"box mean", sample_gray,
       [&](RstRead* s) {
         return RstAverageFilter::create(s, RstWindow{3, 3, 1, 1}, &zero);
       }},
      {"box mean repeating", sample_gray,
       [](RstRead* s) {
         return RstAverageFilter::create(s, RstWindow{5, 3, 2, 1}, nullptr);
       }},
      {"tone threshold", sample_gray, [](RstRead* s) { return RstReduceTone256To2ThresholdByHist::create(s); }},
      {"line extraction", sample_gray, [](RstRead* s) { return RstExtractLine::create(s, 2, 2, 1); }},
      {"run threshold",
       [] {
         uint32_t count = 0;
         return static_cast<RstRead*>(RstLabelingRLE::create(source1(sample_mask()), &count));
       },
       [](RstRead* s) { return RstConvertBits32To1ThresholdRLE::create(s, 0, RstColorType::s_gray_reverse()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> expected = reference(c.make(c.source()));
    ASSERT_FALSE(expected.empty());
    check_allocation_failures(c.source, c.make, expected, kWheres, 200);
  }
}

TEST_F(SegmentFilterAlloc, DependencyRemovalFailsCleanly) {
  const int32_t record[RstRemoveDependency::kRecordWords] = {0, 0, 0, 4, 0, 30, 10, 0, 0, 0, 0};
  Mask m = sample_mask();
  for (bool params : {false, true}) {
    uint8_t result = 0;
    auto make = [&](RstRead* image, RstRead* mask) {
      return RstRemoveDependency::create(image, mask, params, params ? record : nullptr, params ? &result : nullptr);
    };
    std::vector<Bytes> expected = reference(make(sample_gray(), source1(m)));
    ASSERT_EQ(expected.size(), 6u);
    bool finished = false;
    for (int64_t n = 1; n < 400 && !finished; ++n) {
      SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
      RstStatusRecorder status;
      RstRead* image = sample_gray();
      RstRead* mask = source1(m);
      RstAllocFault::fail_nth(n);
      RstRead* node = make(image, mask);
      finished = RstAllocFault::calls() < n;
      RstAllocFault::clear();
      if (!node) {
        ASSERT_FALSE(status.errors().empty());
        EXPECT_EQ(status.errors().front().code, -1);
        image->end();
        mask->end();
        continue;
      }
      Held<> held(node);
      EXPECT_EQ(pull(node), expected);
    }
    EXPECT_TRUE(finished);
  }
}

}  // namespace
