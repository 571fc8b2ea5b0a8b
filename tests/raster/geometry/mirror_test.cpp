// Mirroring left to right and top to bottom: the 1-bit shift pass, pixels of
// every byte width, the fronts' routes and refusals, the reading protocol of
// both kinds of node, run lines kept at their own lengths, short sources, and
// failed allocations.
#include "raster/geometry/rst_mirror_x.h"
#include "raster/geometry/rst_mirror_y.h"

#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_mirror_x_rle.h"
#include "turn_support.h"

namespace {

class Mirror : public RstStatusTest {};

TEST_F(Mirror, OneBitLines) {
  struct Case {
    const char* name;
    int32_t width;
    Bytes in, out;
  } cases[] = {
      // Pixels 0, 1 and 9 become 9, 8 and 0; the spare bits end 0.
      {"width 10", 10, {0xC0, 0x40}, {0x80, 0xC0}},
      {"width 10, spare bits set", 10, {0xC0, 0x7F}, {0x80, 0xC0}},
      // Whole bytes: only byte and bit order change.
      {"width 16", 16, {0x80, 0x0F}, {0xF0, 0x01}},
      {"width 24", 24, {0x01, 0x80, 0x3C}, {0x3C, 0x01, 0x80}},
      {"width 1", 1, {0xFF}, {0x80}},
      {"width 13", 13, {0xA0, 0x08}, {0x80, 0x28}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image im = blank_image(c.width, 1, 1, 1);
    im.lines[0] = c.in;
    Held<> node(RstMirrorX::create(source_of(im)));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(first_line(node.get()), c.out);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Mirror, EveryKindMatchesTheReference) {
  struct Kind {
    int32_t bits, samples;
  } kinds[] = {{1, 1}, {8, 1}, {8, 2}, {8, 3}, {8, 4}, {8, 5}};
  std::mt19937 rng(11);
  for (const Kind& k : kinds)
    for (int i = 0; i < 10; ++i) {
      int32_t w = 1 + int32_t(rng() % 70), h = 1 + int32_t(rng() % 9);
      SCOPED_TRACE(testing::Message() << k.bits << "x" << k.samples << " " << w << " x " << h);
      Image im = random_image(w, h, k.bits, k.samples, rng());
      Held<> x(RstMirrorX::create(source_of(im)));
      ASSERT_NE(x, nullptr);
      EXPECT_EQ(image_of(x.get()), reference_mirror_x(im));
      Held<> y(RstMirrorY::create(source_of(im)));
      ASSERT_NE(y, nullptr);
      EXPECT_EQ(image_of(y.get()), reference_mirror_y(im));
      // Two mirrors give the input back (spare bits aside).
      Held<> xx(RstMirrorX::create(RstMirrorX::create(source_of(im))));
      ASSERT_NE(xx, nullptr);
      EXPECT_EQ(image_of(xx.get()), clean_pad(im));
      Held<> yy(RstMirrorY::create(RstMirrorY::create(source_of(im))));
      ASSERT_NE(yy, nullptr);
      EXPECT_EQ(image_of(yy.get()), im);
    }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Mirror, FrontsRouteAndRefuse) {
  // Two samples go through the any-count class, two bytes a pixel.
  Image two = blank_image(3, 1, 8, 2);
  two.lines[0] = {1, 2, 3, 4, 5, 6};
  Held<> any(RstMirrorX::create(source_of(two)));
  ASSERT_NE(any, nullptr);
  EXPECT_NE(dynamic_cast<RstMirrorXany*>(any.get()), nullptr);
  EXPECT_EQ(first_line(any.get()), (Bytes{5, 6, 3, 4, 1, 2}));
  // Run lines go to the run-line mirror.
  Held<> runs(RstMirrorX::create(rle_source(10, {run_line({{2, 4}, {7, 7}})})));
  ASSERT_NE(runs, nullptr);
  EXPECT_NE(dynamic_cast<RstMirrorXRLE*>(runs.get()), nullptr);
  EXPECT_EQ(first_line(runs.get()), run_line({{2, 2}, {5, 7}}));
  // 16- and 32-bit raw lines are moved whole by the vertical mirror.
  for (int32_t bits : {16, 32}) {
    Image im = random_image(3, 4, bits, 1, uint32_t(bits));
    Held<> y(RstMirrorY::create(source_of(im)));
    ASSERT_NE(y, nullptr);
    EXPECT_EQ(pull(y.get()), reference_mirror_y(im).lines);
  }
  EXPECT_TRUE(status.errors().empty());

  struct Refusal {
    const char* name;
    RstRead* (*make)(RstRead*);
    RstHeader header;  // width 0: no source
    RstReport report;
  } refusals[] = {
      {"X, no source", &RstMirrorX::create, RstHeader(), {-2, "RstMirrorX::create()"}},
      {"X, 16-bit", &RstMirrorX::create, image_header(4, 2, 16, 1), {-50, "RstMirrorX::create()"}},
      {"X, 1-bit 2 samples", &RstMirrorX::create, image_header(4, 2, 1, 2), {-50, "RstMirrorX::create()"}},
      {"X, 8-bit coded",
       &RstMirrorX::create,
       image_header(4, 2, 8, 1, nullptr, RstDataForm::jpeg),
       {-50, "RstMirrorX::create()"}},
      {"Y, no source", &RstMirrorY::create, RstHeader(), {-2, "RstMirrorY::create()"}},
      {"Y, coded",
       &RstMirrorY::create,
       image_header(4, 2, 1, 1, nullptr, RstDataForm::mmr),
       {-3, "RstMirrorY::create()"}},
      {"Y, 8-bit runs",
       &RstMirrorY::create,
       image_header(4, 2, 8, 1, nullptr, RstDataForm::rle),
       {-3, "RstMirrorY::create()"}},
      {"X8, no source",
       [](RstRead* s) -> RstRead* { return RstMirrorX8::create(s); },
       RstHeader(),
       {-2, "RstMirrorX8::create()"}},
      {"X8, 3 samples",
       [](RstRead* s) -> RstRead* { return RstMirrorX8::create(s); },
       image_header(4, 2, 8, 3),
       {-3, "RstMirrorX8::create()"}},
      {"X1, 8-bit",
       [](RstRead* s) -> RstRead* { return RstMirrorX1::create(s); },
       image_header(4, 2, 8, 1),
       {-3, "RstMirrorX1::create()"}},
      {"X24, 4 samples",
       [](RstRead* s) -> RstRead* { return RstMirrorX24::create(s); },
       image_header(4, 2, 8, 4),
       {-3, "RstMirrorX24::create()"}},
      {"X32, runs",
       [](RstRead* s) -> RstRead* { return RstMirrorX32::create(s); },
       image_header(4, 2, 1, 1, nullptr, RstDataForm::rle),
       {-3, "RstMirrorX32::create()"}},
      {"Xany, 16-bit",
       [](RstRead* s) -> RstRead* { return RstMirrorXany::create(s); },
       image_header(4, 2, 16, 2),
       {-3, "RstMirrorXany::create()"}},
      {"YRLE, raw",
       [](RstRead* s) -> RstRead* { return RstMirrorYRLE::create(s); },
       image_header(4, 2, 1, 1),
       {-3, "RstMirrorYRLE::create()"}},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    status.clear();
    LineSource* src = r.header.width ? new LineSource(r.header, {Bytes(16), Bytes(16)}) : nullptr;
    EXPECT_EQ(r.make(src), nullptr);
    if (src) {
      EXPECT_EQ(src->reads, 0);
      src->end();
    }
    EXPECT_EQ(status.errors(), std::vector<RstReport>{r.report});
  }
  // Sample kind 2 is refused whatever the form.
  status.clear();
  RstHeader fixed = image_header(4, 2, 16, 1);
  fixed.sample_kind = RstSampleKind::fixed_point;
  LineSource* src = new LineSource(fixed, {Bytes(8), Bytes(8)});
  EXPECT_EQ(RstMirrorY::create(src), nullptr);
  src->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstMirrorY::create()"}}));
}

TEST_F(Mirror, HorizontalPassesThroughTheSource) {
  Image im = random_image(12, 5, 8, 3, 12);
  LineSource* src = source_of(im);
  Held<> node(RstMirrorX::create(src));
  ASSERT_NE(node, nullptr);
  Image expected = reference_mirror_x(im);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(src->skips, 0);
  EXPECT_EQ(node->skip(2), 2);
  EXPECT_EQ(src->last_skip, 2) << "skip reaches the source";
  EXPECT_EQ(first_line(node.get()), expected.lines[2]);
  EXPECT_EQ(node->skip(9), 2);
  node->reset();
  EXPECT_EQ(src->resets, 1);
  EXPECT_EQ(pull(node.get()), expected.lines);
  // A source line of another length ends the image.
  std::vector<Bytes> lines = im.lines;
  lines[1].pop_back();
  Held<> cut(RstMirrorX::create(new LineSource(header_of(im), lines)));
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(pull(cut.get()).size(), 1u);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Mirror, VerticalReadsOnceAndServesFromMemory) {
  Image im = random_image(9, 6, 1, 1, 13);
  LineSource* src = source_of(im);
  Held<> node(RstMirrorY::create(src));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->sources().size(), 0u) << "the source is ended once read";
  Image expected = reference_mirror_y(im);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(4), 4);
  EXPECT_EQ(node->skip(4), 2) << "stops at the height";
  EXPECT_EQ(node->skip(1), 0);
  Bytes line(8, 0x33);
  EXPECT_EQ(node->read(line.data()), 0);
  EXPECT_EQ(line, Bytes(8, 0x33));
  node->reset();
  EXPECT_EQ(pull(node.get()), expected.lines);

  // Short sources and wrong lengths fail.
  for (size_t keep : {size_t(0), size_t(4)}) {
    status.clear();
    LineSource* s =
        new LineSource(header_of(im), std::vector<Bytes>(im.lines.begin(), im.lines.begin() + ptrdiff_t(keep)));
    EXPECT_EQ(RstMirrorY::create(s), nullptr);
    s->end();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstMirrorY::initiate()"}}));
  }
  // A huge header asks for its full size, before any read.
  status.clear();
  LineSource* huge = new LineSource(image_header(65536, 65537, 8, 1), {});
  RstAllocFault::fail_nth(2);
  EXPECT_EQ(RstMirrorY::create(huge), nullptr);
  EXPECT_EQ(RstAllocFault::last_size(), size_t(4295032832u));
  RstAllocFault::clear();
  EXPECT_EQ(huge->reads, 0);
  huge->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstMirrorY::initiate()"}}));
}

TEST_F(Mirror, RunLinesKeepTheirLengths) {
  std::vector<Bytes> lines{run_line({{0, 3}}), run_line({}), run_line({{1, 1}, {4, 5}, {8, 9}})};
  RstRead* src = rle_source(10, lines);
  Held<> node(RstMirrorY::create(src));
  ASSERT_NE(node, nullptr);
  EXPECT_NE(dynamic_cast<RstMirrorYRLE*>(node.get()), nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  EXPECT_EQ(h.height, 3);
  EXPECT_EQ(node->line_size(), rst_rle_line_bound(10));
  std::vector<Bytes> reversed{lines[2], lines[1], lines[0]};
  EXPECT_EQ(pull(node.get()), reversed);
  Bytes line(64, 0x11);
  EXPECT_EQ(node->read(line.data()), 0);
  EXPECT_EQ(node->skip(1), 0);
  node->reset();
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(first_line(node.get()), lines[1]);
  node->reset();
  EXPECT_EQ(pull(node.get()), reversed);
  EXPECT_TRUE(status.errors().empty());

  // A source that ends early, or gives a count that is no run line, fails.
  struct Case {
    const char* name;
    std::vector<Bytes> lines;
    int line_size;
  } bad[] = {
      {"ends early", {run_line({{0, 1}})}, -1},
      {"empty", {}, -1},
      {"not whole pairs", {run_line({{0, 1}}), Bytes{1, 2, 3, 4, 5}, run_line({})}, -1},
      {"zero bytes", {run_line({}), Bytes{}, run_line({})}, -1},
  };
  for (const Case& c : bad) {
    SCOPED_TRACE(c.name);
    status.clear();
    RstRead* s = new LineSource(image_header(10, 3, 1, 1, nullptr, RstDataForm::rle), c.lines,
                                c.line_size >= 0 ? c.line_size : rst_rle_line_bound(10));
    EXPECT_EQ(RstMirrorY::create(s), nullptr);
    s->end();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstMirrorYRLE::initiate()"}}));
  }
}

TEST_F(Mirror, AllocationFailures) {
  Image bits = random_image(13, 3, 1, 1, 14);
  check_allocation_failures([&] { return source_of(bits); }, [](RstRead* s) { return RstMirrorX::create(s); },
                            reference_mirror_x(bits).lines, {"RstMirrorX1::initiate()", "rst_create_end()"});
  check_allocation_failures([&] { return source_of(bits); }, [](RstRead* s) { return RstMirrorY::create(s); },
                            reference_mirror_y(bits).lines, {"RstMirrorY::initiate()", "rst_create_end()"});
  std::vector<Bytes> lines{run_line({{0, 3}}), run_line({}), run_line({{1, 1}, {4, 5}})};
  check_allocation_failures([&] { return rle_source(10, lines); }, [](RstRead* s) { return RstMirrorY::create(s); },
                            {lines[2], lines[1], lines[0]}, {"RstMirrorYRLE::initiate()", "rst_create_end()"});
}

}  // namespace
