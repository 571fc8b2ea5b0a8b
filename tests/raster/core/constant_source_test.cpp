// Constant-colour sources: the line of every depth and layout, colormap
// bounds, skip/read/reset, the choice by data form, run lines, and refused
// headers.
#include <gtest/gtest.h>

#include <cstring>

#include "lines_test_nodes.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_generate_constant_color_raster.h"
#include "raster/core/rst_node_handle.h"
#include "rst_status_recorder.h"

using namespace lines_test;

namespace {
class ConstantSource : public RstStatusTest {};
}  // namespace

TEST_F(ConstantSource, LinesOfEveryDepth) {
  struct Case {
    const char* name;
    int32_t width, bits, samples;
    Bytes pixel;
    Bytes line;
  };
  const Case cases[] = {
      {"1-bit set", 10, 1, 1, {1}, {0xFF, 0xFF}},
      {"1-bit any non-zero", 3, 1, 1, {7}, {0xFF}},
      {"1-bit clear", 10, 1, 1, {0}, {0x00, 0x00}},
      {"8-bit RGB", 4, 8, 3, {10, 20, 30}, {10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30}},
      {"8-bit gray", 3, 8, 1, {9}, {9, 9, 9}},
      {"4-bit gray", 3, 4, 1, {5}, {0x55, 0x50}},
      {"2-bit gray", 5, 2, 1, {3}, {0xFF, 0xC0}},
      {"2-bit three samples", 2, 2, 3, {1, 2, 3}, {0x6D, 0xB0}},
      {"4-bit two samples", 1, 4, 2, {0xA, 0x3}, {0xA3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstHeader h = raw_header(c.width, 2, c.bits, c.samples);
    RstNodeHandle<RstRead> source(RstGenerateConstantColorRaster::create(h, c.pixel.data()));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->line_size(), static_cast<int>(c.line.size()));
    EXPECT_EQ(pull(source.get()), (std::vector<Bytes>{c.line, c.line}));
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(ConstantSource, SkipReadAndReset) {
  const uint8_t pixel = 1;
  RstNodeHandle<RstRead> source(RstGenerateConstantColorRasterRaw::create(raw_header(8, 5), &pixel));
  ASSERT_TRUE(source);
  EXPECT_EQ(pull(source.get(), 2).size(), 2u);
  EXPECT_EQ(source->skip(10), 3);
  Bytes line(8);
  EXPECT_EQ(source->read(line.data()), 0);
  source->reset();
  EXPECT_EQ(source->read(line.data()), 8);
  EXPECT_EQ(line, Bytes(8, 1));
  EXPECT_EQ(source->skip(0), 0);
}

TEST_F(ConstantSource, IndexedPixelMustNameAnEntry) {
  RstHeader h = raw_header(4, 1, 8, 1);
  h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 16));
  const uint8_t last = 15, beyond = 16;
  RstNodeHandle<RstRead> ok(RstGenerateConstantColorRasterRaw::create(h, &last));
  EXPECT_TRUE(ok);
  EXPECT_EQ(RstGenerateConstantColorRasterRaw::create(h, &beyond), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstGenerateConstantColorRasterRaw::create()"}}));
}

TEST_F(ConstantSource, RunLinesForBilevelHeaders) {
  struct Case {
    uint8_t pixel;
    std::vector<int32_t> runs;
  };
  for (const Case& c : {Case{1, {0, 9, -1, -1}}, Case{0, {-1, -1}}}) {
    RstHeader h = raw_header(10, 3, 1);
    h.data_form = 15;
    RstNodeHandle<RstRead> source(RstGenerateConstantColorRaster::create(h, &c.pixel));
    ASSERT_TRUE(source);
    RstHeader got(source.get());
    EXPECT_EQ(got.data_form, 15);
    std::vector<Bytes> lines = pull(source.get());
    ASSERT_EQ(lines.size(), 3u);
    for (const Bytes& l : lines) {
      std::vector<int32_t> runs(l.size() / 4);
      std::memcpy(runs.data(), l.data(), l.size());
      EXPECT_EQ(runs, c.runs);
    }
  }

  // Out of memory anywhere on the way: no node, never raw lines in place of
  // run lines.
  RstHeader h = raw_header(10, 3, 1);
  h.data_form = 15;
  const uint8_t set = 1;
  for (int n = 1;; ++n) {
    status.clear();
    RstAllocFault::fail_nth(n);
    RstRead* source = RstGenerateConstantColorRaster::create(h, &set);
    RstAllocFault::clear();
    if (source) {
      source->end();
      break;
    }
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors().back().code, -1);
  }
}

TEST_F(ConstantSource, RefusedHeaders) {
  const uint8_t pixel[3] = {1, 1, 1};
  struct Case {
    const char* name;
    RstHeader header;
    const uint8_t* pixel;
    std::vector<RstReport> reports;  // empty: refused without a report
  };
  auto with = [](RstHeader h, auto change) {
    change(h);
    return h;
  };
  const char* raw = "RstGenerateConstantColorRasterRaw::create()";
  const Case cases[] = {
      {"MMR data", with(raw_header(8, 2, 1), [](RstHeader& h) { h.data_form = 3; }), pixel, {}},
      {"run lines of 8 bits",
       with(raw_header(8, 2, 8), [](RstHeader& h) { h.data_form = 15; }),
       pixel,
       {{-2, "RstGenerateConstantColorRaster::RstGenerateConstantColorRaster()"}}},
      {"run lines with a colormap",
       with(raw_header(8, 2, 1),
            [](RstHeader& h) {
              h.data_form = 15;
              h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2));
            }),
       pixel,
       {{-2, "RstGenerateConstantColorRasterRLE::create()"}}},
      {"16 bits", raw_header(8, 2, 16), pixel, {{-50, raw}}},
      {"3 bits", raw_header(8, 2, 3), pixel, {{-50, raw}}},
      {"no pixel", raw_header(8, 2), nullptr, {{-2, raw}}},
      {"float samples", with(raw_header(8, 2), [](RstHeader& h) { h.sample_kind = 3; }), pixel, {{-2, raw}}},
      {"no colour type", with(raw_header(8, 2), [](RstHeader& h) { h.color_type = nullptr; }), pixel, {{-2, raw}}},
      {"4-bit value 16", raw_header(8, 2, 4), (const uint8_t*)"\x10", {{-2, raw}}},
      {"2-bit value 4", raw_header(8, 2, 2), (const uint8_t*)"\x04", {{-2, raw}}},
      {"negative width", raw_header(-8, 2), pixel, {{-2, raw}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    EXPECT_EQ(RstGenerateConstantColorRaster::create(c.header, c.pixel), nullptr);
    EXPECT_EQ(status.errors(), c.reports);
  }
}
