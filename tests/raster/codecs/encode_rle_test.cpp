// The raw-to-run-line node and the labelled run line's growth.
#include "raster/codecs/rst_encode_rle.h"

#include "node_support.h"
#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "run_line_support.h"

namespace {

TEST(EncodeRLE, ConvertsRowsAndEndsAtShortLine) {
  const int32_t width = 13;
  Runs r0{{0, 12}}, r1{{3, 4}, {9, 9}};
  std::vector<std::vector<uint8_t>> rows{paint_row(r0, width), paint_row(r1, width), {0x00}};
  auto* src = new ChunkSource(make_header(width, 3, RstDataForm::raw), rows, 2);
  RstEncodeRLE* node = RstEncodeRLE::create(src);
  ASSERT_NE(node, nullptr);
  RstHeader h(node);
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  EXPECT_EQ(h.width, width);
  EXPECT_EQ(node->line_size(), rst_rle_line_bound(width));
  std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
  int n = node->read(line.data());
  EXPECT_EQ(runs_of(line.data(), n), r0);
  n = node->read(line.data());
  EXPECT_EQ(runs_of(line.data(), n), r1);
  EXPECT_EQ(node->read(line.data()), 0) << "a short source line ends the image";
  node->reset();
  EXPECT_EQ(src->resets, 1);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(5), 3);
  node->end();
}

TEST(EncodeRLE, RefusesMissingAndWrongSources) {
  ReportLog log;
  EXPECT_EQ(RstEncodeRLE::create(nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstEncodeRLE::create()"));
  const RstHeader wrong[] = {make_header(8, 1, RstDataForm::raw, 8), make_header(8, 1, RstDataForm::raw, 1, 3),
                             make_header(8, 1, RstDataForm::mh)};
  for (const RstHeader& h : wrong) {
    auto* src = new ChunkSource(h, {}, 8);
    log.reports.clear();
    EXPECT_EQ(RstEncodeRLE::create(src), nullptr);
    EXPECT_TRUE(log.has(-3, "RstEncodeRLE::create()"));
    src->end();
  }
}

TEST(EncodeRLE, RowBufferAllocationFailureFailsCreate) {
  ReportLog log;
  auto* src = new ChunkSource(make_header(8, 1, RstDataForm::raw), {}, 1);
  // The node itself, then its row buffer.
  RstAllocFault::fail_nth(2);
  EXPECT_EQ(RstEncodeRLE::create(src), nullptr);
  RstAllocFault::clear();
  EXPECT_TRUE(log.has(-1, "RstEncodeRLE::initiate()"));
  src->end();
}

template <typename T>
void check_labelled_growth() {
  RstRLELineN<T> line;
  EXPECT_EQ(line.capacity, 0);
  ASSERT_TRUE(line.append(T(7), 1, 2));
  EXPECT_EQ(line.capacity, 128);
  for (int32_t i = 1; i < 128; ++i) ASSERT_TRUE(line.append(T(1), 4 * i, 4 * i + 1));
  ASSERT_TRUE(line.expand_buf());
  EXPECT_EQ(line.capacity, 256);
  EXPECT_EQ(line.items[0].label, T(7));
  EXPECT_EQ(line.items[0].first, 1);
  for (int32_t i = 128; i <= 256; ++i) {
    EXPECT_EQ(line.items[i].first, -1);
    EXPECT_EQ(line.items[i].last, -1);
  }
  {
    ReportLog log;
    RstAllocFault::fail_nth(1);
    RstLabelRun<T>* before = line.items;
    EXPECT_FALSE(line.expand_buf());
    RstAllocFault::clear();
    EXPECT_TRUE(log.has(-1, "RstRLELineN::expand_buf()"));
    EXPECT_EQ(line.capacity, 256);
    EXPECT_EQ(line.items, before);
  }
  // Over a caller's buffer nothing grows and the run is dropped.
  RstLabelRun<T> buf[3];
  RstRLELineN<T> fixed(buf, 36);
  EXPECT_EQ(fixed.capacity, 2);
  EXPECT_TRUE(fixed.append(T(1), 0, 0));
  EXPECT_TRUE(fixed.append(T(2), 2, 3));
  EXPECT_FALSE(fixed.expand_buf());
  EXPECT_FALSE(fixed.append(T(3), 5, 5));
  EXPECT_EQ(fixed.capacity, 2);
  EXPECT_EQ(fixed.end_line(), 36);
  EXPECT_EQ(buf[2].first, -1);
}

TEST(RunLineN, GrowsBy128AndKeepsOldArrayOnFailure) {
  check_labelled_growth<uint8_t>();
  check_labelled_growth<uint16_t>();
  check_labelled_growth<uint32_t>();
}

}  // namespace
