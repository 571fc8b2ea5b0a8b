// Line range clips: the lines kept, skipping within the range, reset, the
// form checks and the refusals.
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_clip_height.h"

namespace {

class ClipHeight : public RstStatusTest {};

// A raw 8-bit image, one pixel wide, whose line i holds the value i.
LineSource* numbered(int32_t height, int32_t form = RstDataForm::raw) {
  std::vector<Bytes> lines;
  for (int32_t i = 0; i < height; ++i) lines.push_back({uint8_t(i)});
  return new LineSource(image_header(1, height, 8, 1, RstColorType::s_gray(), form), std::move(lines), 1);
}

Bytes kept(RstRead* node) {
  Bytes out;
  for (const Bytes& line : pull(node)) out.push_back(line.at(0));
  return out;
}

TEST_F(ClipHeight, KeepsTheRange) {
  struct Case {
    const char* name;
    int32_t y;
    uint32_t n;
    Bytes lines;
  } cases[] = {
      {"inside", 2, 3, {2, 3, 4}},
      {"from the top", 0, 2, {0, 1}},
      {"past the end", 4, 10, {4, 5}},
      {"last line", 5, 1, {5}},
      {"count that would wrap", 3, 0xFFFFFFFF, {3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstClipHeight::create(numbered(6), c.y, c.n));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).height, int32_t(c.lines.size()));
    EXPECT_EQ(kept(node.get()), c.lines);
    node->reset();
    EXPECT_EQ(kept(node.get()), c.lines) << "reset repeats";
  }
  LineSource* whole = numbered(6);
  EXPECT_EQ(RstClipHeight::create(whole, 0, 6), whole);
  EXPECT_EQ(RstClipHeight::create(whole, 0, 100), whole);
  whole->end();
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ClipHeight, SkipStaysInsideTheRange) {
  Held<> node(RstClipHeight::create(numbered(10), 2, 5));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->skip(2), 2);
  EXPECT_EQ(first_line(node.get()), Bytes{4});
  EXPECT_EQ(node->skip(100), 2) << "never past the last kept line";
  Bytes line(4);
  EXPECT_EQ(node->read(line.data()), 0);
  EXPECT_EQ(node->skip(1), 0);
}

// A source that cannot pass the lines asked of it would hand out the wrong
// ones from then on: the clip ends instead, at the start as within.
TEST_F(ClipHeight, ShortSkipEndsTheClip) {
  struct Case {
    const char* name;
    int from_skip;  // the source's first skip that passes nothing
    Bytes lines;
  } cases[] = {{"at the start", 1, {}}, {"within the range", 2, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> lines;
    for (uint8_t i = 0; i < 10; ++i) lines.push_back({i});
    Held<> node(RstClipHeight::create(
        new StumblingSource(image_header(1, 10, 8, 1, RstColorType::s_gray()), lines, c.from_skip), 2, 5));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->skip(2), 0);
    EXPECT_EQ(kept(node.get()), c.lines);
  }
}

TEST_F(ClipHeight, FormChecksAndRefusals) {
  for (int32_t form : {RstDataForm::rle, RstDataForm::rle_n}) {
    auto* src = form == RstDataForm::rle ? rle_source(8, {run_line({}), run_line({{1, 2}}), run_line({})})
                                         : numbered(3, RstDataForm::rle_n);
    Held<> node(form == RstDataForm::rle ? RstClipHeightRLE::create(src, 1, 1) : RstClipHeightRLEN::create(src, 1, 1));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()).size(), 1u);
  }
  struct Case {
    const char* name;
    int which;  // 0: RstClipHeight, 1: ...RLE, 2: ...RLEN
    int32_t form, y;
    uint32_t n;
    RstReport report;
  } cases[] = {
      {"count 0", 0, RstDataForm::raw, 1, 0, {-2, "RstClipHeight::create()"}},
      {"negative first line", 0, RstDataForm::raw, -1, 2, {-2, "RstClipHeight::create()"}},
      {"first line past the image", 0, RstDataForm::raw, 4, 1, {-2, "RstClipHeight::create()"}},
      {"coded lines", 0, RstDataForm::packbits, 1, 1, {-3, "RstClipHeight::create()"}},
      {"raw into the run clip", 1, RstDataForm::raw, 1, 1, {-3, "RstClipHeightRLE::create()"}},
      {"raw into the valued-run clip", 2, RstDataForm::raw, 1, 1, {-3, "RstClipHeightRLEN::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    LineSource* src = numbered(4, c.form);
    RstRead* made = c.which == 0   ? RstClipHeight::create(src, c.y, c.n)
                    : c.which == 1 ? RstClipHeightRLE::create(src, c.y, c.n)
                                   : RstClipHeightRLEN::create(src, c.y, c.n);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(local.errors(), std::vector<RstReport>{c.report});
    Bytes line(4);
    EXPECT_EQ(src->read(line.data()), 1);
    EXPECT_EQ(line[0], 0) << "the caller's source reads from line 0";
    src->end();
  }
  RstStatusRecorder local;
  EXPECT_EQ(RstClipHeight::create(nullptr, 0, 1), nullptr);
  EXPECT_EQ(RstClipHeightRLEN::create(nullptr, 0, 1), nullptr);
  EXPECT_EQ(local.errors(),
            (std::vector<RstReport>{{-2, "RstClipHeight::create()"}, {-2, "RstClipHeightRLEN::create()"}}));
}

}  // namespace
