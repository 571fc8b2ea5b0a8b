// Nested windows: line windows cut a source into strips, code windows cut
// coded bytes into strips, reset restarts the current strip, and ending the
// strip writer ends the current strip's chain.
#include "raster/formats/rst_nested_process.h"

#include <gtest/gtest.h>

#include "raster/core/lines_test_nodes.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/core/rst_write.h"
#include "raster/core/rst_write_raw.h"

namespace {

using namespace lines_test;

class NestedProcess : public RstStatusTest {};

TEST_F(NestedProcess, LineWindowsCutTheSourceIntoStrips) {
  SourceLog log;
  RstNestedProcessRaw* window = RstNestedProcessRaw::create(counting_source(4, 1000, &log), 300);
  ASSERT_TRUE(window);
  std::vector<int> sizes;
  int next_line = 0;
  while (window->set_window(300)) {
    RstHeader h(window);
    std::vector<Bytes> lines = pull(window);
    EXPECT_EQ(int(lines.size()), h.height);
    EXPECT_EQ(lines.front()[0], uint8_t(next_line));
    next_line += int(lines.size());
    sizes.push_back(int(lines.size()));
  }
  EXPECT_EQ(sizes, (std::vector<int>{300, 300, 300, 100}));
  window->end();
  EXPECT_TRUE(log.ended);

  RstRead* refused = counting_source(4, 10, nullptr);
  EXPECT_EQ(RstNestedProcessRaw::create(refused, 0), nullptr);
  refused->end();  // still the caller's
  EXPECT_EQ(RstNestedProcessRaw::create(nullptr, 5), nullptr);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-2, "RstNestedProcessRaw::create()"}, {-2, "RstNestedProcessRaw::create()"}}));
}

TEST_F(NestedProcess, ResetRestartsTheCurrentStrip) {
  SourceLog log;
  RstNestedProcessRaw* window = RstNestedProcessRaw::create(counting_source(4, 1000, &log), 300);
  ASSERT_TRUE(window);
  for (int strip = 0; strip < 2; ++strip) {
    ASSERT_TRUE(window->set_window(300));
    pull(window);
  }
  ASSERT_TRUE(window->set_window(300));
  EXPECT_EQ(firsts(pull(window, 10)), (std::vector<int>{600 % 256, 601 % 256, 602 % 256, 603 % 256, 604 % 256,
                                                        605 % 256, 606 % 256, 607 % 256, 608 % 256, 609 % 256}));
  window->reset();
  std::vector<Bytes> again = pull(window);
  ASSERT_EQ(again.size(), 300u);
  EXPECT_EQ(again.front()[0], uint8_t(600 % 256));
  EXPECT_EQ(again.back()[0], uint8_t(899 % 256));
  // Skips stay inside the window.
  ASSERT_TRUE(window->set_window(300));
  EXPECT_EQ(window->skip(500), 100);
  EXPECT_FALSE(window->set_window(300));
  window->end();
}

// Coded bytes: lines of 1024 bytes, byte i of the data holding i % 251.
LineSource* code_source(size_t total) {
  RstHeader h = raw_header(1024 * 8, 0, 1, 1);
  h.data_form = RstDataForm::mmr;
  std::vector<Bytes> lines;
  for (size_t at = 0; at < total; at += 1024) {
    Bytes line(std::min<size_t>(1024, total - at));
    for (size_t i = 0; i < line.size(); ++i) line[i] = uint8_t((at + i) % 251);
    lines.push_back(line);
  }
  return new LineSource(h, lines, nullptr, 1024);
}

std::vector<int> read_sizes(RstRead* node, Bytes* all = nullptr) {
  std::vector<int> sizes;
  Bytes line(1024);
  for (;;) {
    int n = node->read(line.data());
    sizes.push_back(n);
    if (all) all->insert(all->end(), line.begin(), line.begin() + n);
    if (n == 0) return sizes;
  }
}

TEST_F(NestedProcess, CodeWindows) {
  RstNestedProcessCode* window = RstNestedProcessCode::create(code_source(8000), 5000);
  ASSERT_TRUE(window);
  Bytes first;
  EXPECT_EQ(read_sizes(window, &first), (std::vector<int>{1024, 1024, 1024, 1024, 904, 0}));
  // The next window continues where this one stopped; reset starts it again.
  ASSERT_TRUE(window->set_window(2000));
  Bytes second;
  EXPECT_EQ(read_sizes(window, &second), (std::vector<int>{1024, 976, 0}));
  EXPECT_EQ(second.front(), uint8_t(5000 % 251));
  window->reset();
  Bytes again;
  read_sizes(window, &again);
  EXPECT_EQ(again, second);
  // A window of 0 bytes has no limit: the rest of the source.
  ASSERT_TRUE(window->set_window(0));
  Bytes rest;
  read_sizes(window, &rest);
  EXPECT_EQ(rest.size(), 1000u);
  EXPECT_EQ(rest.front(), uint8_t(7000 % 251));
  EXPECT_EQ(window->skip(3), 0);
  window->end();
  EXPECT_EQ(RstNestedProcessCode::create(nullptr, 5), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstNestedProcessCode::create()"}}));
}

// A sink that only holds its source, as the strip writer does.
class HoldingSink : public RstWrite {
 public:
  explicit HoldingSink(RstRead* source) : RstWrite(source) {}
  int write() override { return 0; }
};

TEST_F(NestedProcess, EndingTheWriterEndsTheStripChain) {
  SourceLog log;
  RstNestedProcessRaw* window = RstNestedProcessRaw::create(counting_source(4, 100, &log), 30);
  ASSERT_TRUE(window);
  HoldingSink* writer = new HoldingSink(window);
  ASSERT_TRUE(window->set_window(30));
  MemoryOutputStorage out;
  RstWriteRaw* chain = RstWriteRaw::create(window, &out, 4, false, false);
  ASSERT_TRUE(chain);
  EXPECT_EQ(chain->write(), 4);
  writer->end();
  EXPECT_TRUE(log.ended);  // nothing holds the window any more
}

}  // namespace
