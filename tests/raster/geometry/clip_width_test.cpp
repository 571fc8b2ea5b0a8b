// Column clips of raw lines: whole-byte copies and bit shifts, the right
// edge, lines of the wrong length, refusals and allocation failures.
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_clip_width.h"

namespace {

class ClipWidth : public RstStatusTest {};

TEST_F(ClipWidth, CutsColumns) {
  struct Case {
    const char* name;
    int32_t width, bits, spp;
    Bytes in;
    int32_t x;
    uint32_t w;
    Bytes out;
  } cases[] = {
      {"1-bit inside a byte", 24, 1, 1, {0xAA, 0xCC, 0xFC}, 12, 10, {0xCF, 0xC0}},
      {"1-bit from a byte edge", 32, 1, 1, {0xAA, 0xCC, 0xFC, 0x5A}, 16, 10, {0xFC, 0x40}},
      {"1-bit to the line end", 24, 1, 1, {0xAA, 0xCC, 0xFC}, 20, 4, {0xC0}},
      {"1-bit shift, last byte without a next", 20, 1, 1, {0xAA, 0xCC, 0xF0}, 5, 15, {0x59, 0x9E}},
      {"width that would wrap", 20, 1, 1, {0xAA, 0xCC, 0xF0}, 5, 0xFFFFFFFF, {0x59, 0x9E}},
      {"8-bit", 4, 8, 1, {1, 2, 3, 4}, 1, 2, {2, 3}},
      {"8-bit past the edge", 4, 8, 1, {1, 2, 3, 4}, 2, 9, {3, 4}},
      {"RGB", 3, 8, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 1, 1, {4, 5, 6}},
      {"16-bit", 3, 16, 1, {1, 2, 3, 4, 5, 6}, 2, 1, {5, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* src = new LineSource(image_header(c.width, 1, c.bits, c.spp, RstColorType::s_gray()), {c.in});
    Held<> node(RstClipWidth::create(src, c.x, c.w));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(node->line_size(), int(c.out.size()));
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
    if (c.bits == 1) {
      EXPECT_EQ(h.width, int32_t(c.w < uint32_t(c.width - c.x) ? c.w : uint32_t(c.width - c.x)));
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ClipWidth, WholeLineWrongLengthAndProtocol) {
  auto* whole = new LineSource(image_header(8, 1, 8, 1), {});
  EXPECT_EQ(RstClipWidth::create(whole, 0, 8), whole);
  EXPECT_EQ(RstClipWidth::create(whole, 0, 100), whole);
  whole->end();

  auto* src = new LineSource(image_header(4, 4, 8, 1), {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 9}, {1, 1, 1, 1}});
  auto* lines = static_cast<LineSource*>(src);
  Held<> node(RstClipWidth::create(src, 2, 2));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(lines->last_skip, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{7, 8}})) << "a short line ends the image";
  node->reset();
  EXPECT_EQ(lines->resets, 1);
  EXPECT_EQ(first_line(node.get()), (Bytes{3, 4}));
}

TEST_F(ClipWidth, Refusals) {
  struct Case {
    const char* name;
    int variant;  // 0: RstClipWidth, 1: ...BS, 2: ...IS
    int32_t bits, spp, form, x;
    uint32_t w;
    RstReport report;
  } cases[] = {
      {"width 0", 0, 8, 1, RstDataForm::raw, 1, 0, {-2, "RstClipWidth::create()"}},
      {"negative x", 0, 8, 1, RstDataForm::raw, -1, 2, {-2, "RstClipWidth::create()"}},
      {"x past the line", 0, 8, 1, RstDataForm::raw, 8, 1, {-2, "RstClipWidth::create()"}},
      {"coded lines", 0, 8, 1, RstDataForm::packbits, 1, 1, {-3, "RstClipWidth::create()"}},
      {"4-bit", 0, 4, 1, RstDataForm::raw, 1, 1, {-50, "RstClipWidth::create()"}},
      {"2-channel 1-bit", 0, 1, 2, RstDataForm::raw, 1, 1, {-50, "RstClipWidth::create()"}},
      {"shifted into the byte copy", 1, 1, 1, RstDataForm::raw, 3, 2, {-3, "RstClipWidthBS::create()"}},
      {"aligned into the shifter", 2, 1, 1, RstDataForm::raw, 0, 2, {-3, "RstClipWidthIS::create()"}},
      {"8-bit into the shifter", 2, 8, 1, RstDataForm::raw, 1, 2, {-3, "RstClipWidthIS::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(image_header(8, 1, c.bits, c.spp, nullptr, c.form), {{0xAB}}, 1);
    RstRead* made = c.variant == 0   ? RstClipWidth::create(src, c.x, c.w)
                    : c.variant == 1 ? RstClipWidthBS::create(src, c.x, c.w)
                                     : RstClipWidthIS::create(src, c.x, c.w);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(local.errors(), std::vector<RstReport>{c.report});
    Bytes line(8);
    EXPECT_EQ(src->read(line.data()), 1) << "the caller's source reads from line 0";
    src->end();
  }
}

TEST_F(ClipWidth, AllocationFailures) {
  auto make_source = [] { return static_cast<RstRead*>(new LineSource(image_header(16, 1, 1, 1), {{0x0F, 0xF0}})); };
  for (int32_t x : {4, 8}) {
    SCOPED_TRACE(x);
    Bytes expected = x == 4 ? Bytes{0xFF} : Bytes{0xF0};
    check_allocation_failures(make_source, [x](RstRead* s) { return RstClipWidth::create(s, x, 8); }, {expected},
                              {"RstClipWidth::initiate()", "rst_create_end()"});
  }
}

TEST_F(ClipWidth, MapsRuns) {
  struct Case {
    const char* name;
    Bytes in;
    int32_t x;
    uint32_t w;
    Pairs out;
  } cases[] = {
      {"run over the kept columns", run_line({{3, 9}}), 5, 3, {{0, 2}}},
      {"run past the kept columns drops the rest", run_line({{1, 2}, {9, 12}, {14, 15}}), 0, 8, {{1, 2}}},
      {"runs before x dropped", run_line({{0, 1}, {4, 6}}), 3, 10, {{1, 3}}},
      {"no runs", run_line({}), 2, 4, {}},
      {"width that would wrap", run_line({{10, 19}}), 5, 0xFFFFFFFF, {{5, 14}}},
      // Malformed lines.
      {"overlapping", run_line({{2, 6}, {4, 8}}), 1, 10, {{1, 7}}},
      {"touching", run_line({{2, 3}, {4, 5}}), 1, 10, {{1, 4}}},
      {"negative and reversed", run_line({{-7, 3}, {9, 5}}), 2, 10, {{0, 1}}},
      {"out of order", run_line({{8, 9}, {2, 3}}), 0, 12, {{8, 9}}},
      {"run past the width", run_line({{15, 400}}), 10, 100, {{5, 9}}},
      {"no terminator", run_line({{3, 4}}, false), 2, 5, {{1, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstClipWidth::create(rle_source(20, {c.in}), c.x, c.w));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    int32_t kept = int32_t(c.w < uint32_t(20 - c.x) ? c.w : uint32_t(20 - c.x));
    EXPECT_EQ(h.width, kept);
    EXPECT_EQ(node->line_size(), rst_rle_line_bound(kept));
    EXPECT_EQ(first_line(node.get()), run_line(c.out));
  }
  EXPECT_TRUE(status.errors().empty());
  RstStatusRecorder local;
  auto* raw = new LineSource(image_header(8, 1, 1, 1), {{0xAB}});
  EXPECT_EQ(RstClipWidthRLE::create(raw, 1, 2), nullptr);
  EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-3, "RstClipWidthRLE::create()"}}));
  raw->end();
  check_allocation_failures(
      [] {
        return rle_source(20, {run_line({{3, 9}})});
      },
      [](RstRead* s) { return RstClipWidth::create(s, 5, 3); }, {run_line({{0, 2}})},
      {"RstClipWidthRLECommon::initiate()", "rst_create_end()"});
}

}  // namespace
