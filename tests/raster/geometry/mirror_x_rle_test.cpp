// Left-right mirroring of run lines: run shapes, malformed lines that must
// give sorted runs inside the line, the protocol and the refusals.
#include "raster/geometry/rst_mirror_x_rle.h"

#include "line_source.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class MirrorXRLE : public RstStatusTest {};

struct Case {
  const char* name;
  int32_t width;
  Bytes in;
  Pairs out;
};

TEST_F(MirrorXRLE, MirrorsRuns) {
  const Case cases[] = {
      {"two runs", 10, run_line({{2, 4}, {7, 7}}), {{2, 2}, {5, 7}}},
      {"no runs", 10, run_line({}), {}},
      {"whole line", 10, run_line({{0, 9}}), {{0, 9}}},
      {"edges", 10, run_line({{0, 0}, {9, 9}}), {{0, 0}, {9, 9}}},
      // Malformed lines.
      {"run past the width", 10, run_line({{8, 30}}), {{0, 1}}},
      {"run wholly past the width", 10, run_line({{12, 30}}), {}},
      {"negative first", 10, run_line({{-5, 2}}), {{7, 9}}},
      {"reversed run dropped", 10, run_line({{6, 3}, {1, 1}}), {{8, 8}}},
      {"overlapping", 10, run_line({{2, 5}, {4, 7}}), {{2, 7}}},
      {"touching", 10, run_line({{2, 3}, {4, 5}}), {{4, 7}}},
      {"out of order", 10, run_line({{7, 7}, {3, 4}}), {{2, 2}}},
      {"no terminator", 10, run_line({{2, 4}}, false), {{5, 7}}},
      {"short count", 10, Bytes{1, 2, 3}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstMirrorXRLE::create(rle_source(c.width, {c.in})));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(first_line(node.get()), run_line(c.out));
  }
  // A full line without terminator: the runs that fit with the terminator.
  Held<> node(RstMirrorXRLE::create(rle_source(10, {run_line({{0, 0}, {2, 2}, {4, 4}}, false)}, 24)));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(first_line(node.get()), run_line({{7, 7}, {9, 9}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(MirrorXRLE, ProtocolAndRefusals) {
  auto* src = rle_source(10, {run_line({{0, 1}}), run_line({{2, 3}}), run_line({{4, 5}})});
  auto* lines = static_cast<LineSource*>(src);
  Held<> node(RstMirrorXRLE::create(src));
  ASSERT_NE(node, nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  EXPECT_EQ(node->line_size(), rst_rle_line_bound(10));
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(lines->last_skip, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{run_line({{6, 7}}), run_line({{4, 5}})}));
  node->reset();
  EXPECT_EQ(lines->resets, 1);
  EXPECT_EQ(first_line(node.get()), run_line({{8, 9}}));

  EXPECT_EQ(RstMirrorXRLE::create(nullptr), nullptr);
  for (const RstHeader& wh : {image_header(8, 1, 1, 1), image_header(8, 1, 8, 1, nullptr, RstDataForm::rle_n)}) {
    auto* s = new LineSource(wh, {{0xF0}});
    EXPECT_EQ(RstMirrorXRLE::create(s), nullptr);
    Bytes line(8);
    EXPECT_EQ(s->read(line.data()), 1) << "the caller's source reads from line 0";
    s->end();
  }
  std::vector<RstReport> expected{
      {-2, "RstMirrorXRLE::create()"}, {-3, "RstMirrorXRLE::create()"}, {-3, "RstMirrorXRLE::create()"}};
  EXPECT_EQ(status.errors(), expected);
}

TEST_F(MirrorXRLE, AllocationFailures) {
  std::vector<Bytes> lines{run_line({{0, 3}, {9, 20}}), run_line({})};
  check_allocation_failures(
      [&] { return rle_source(21, lines); }, [](RstRead* s) { return static_cast<RstRead*>(RstMirrorXRLE::create(s)); },
      {run_line({{0, 11}, {17, 20}}), run_line({})}, {"RstMirrorXRLE::initiate()", "rst_create_end()"});
}

}  // namespace
