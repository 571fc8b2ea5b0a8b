// Rotation by multiples of 90 degrees, plain route: angle handling, the
// refusals of the front, the depth fronts and the angle classes, 1-bit line
// layout, the reading protocol, short sources, sizes that do not fit, and
// failed allocations.
#include "raster/geometry/rst_rotate90.h"

#include "raster/core/rst_status_recorder.h"
#include "turn_support.h"

namespace {

class Rotate90 : public RstStatusTest {};

TEST_F(Rotate90, AnglesAreNormalised) {
  Image im = random_image(7, 5, 8, 1, 1);
  for (int angle : {0, 360, -360, 720}) {
    LineSource* src = source_of(im);
    EXPECT_EQ(RstRotate90::create(src, angle, false), src) << angle;
    EXPECT_EQ(RstRotate90::create(src, angle, true), src) << angle;
    EXPECT_EQ(src->reads, 0);
    src->end();
  }
  struct Case {
    int angle, as;
  } cases[] = {{-90, 270}, {450, 90}, {-270, 90}, {-180, 180}, {630, 270}};
  for (const Case& c : cases) {
    Held<> node(RstRotate90::create(source_of(im), c.angle, false));
    ASSERT_NE(node, nullptr) << c.angle;
    EXPECT_EQ(image_of(node.get()), reference_turn(im, c.as)) << c.angle;
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90, Refusals) {
  Image im = random_image(4, 3, 8, 1, 2);
  struct Case {
    const char* name;
    RstHeader header;  // width 0: no source
    int angle;
    RstReport report;
  } cases[] = {
      {"45 degrees", header_of(im), 45, {-2, "RstRotate90::create()"}},
      {"100 degrees", header_of(im), 100, {-2, "RstRotate90::create()"}},
      {"no source, angle 0", RstHeader(), 0, {-2, "RstRotate90::create()"}},
      {"no source", RstHeader(), 90, {-2, "RstRotate90::create()"}},
      {"8-bit 2 samples", image_header(4, 3, 8, 2), 90, {-50, "RstRotate90::create()"}},
      {"16-bit", image_header(4, 3, 16, 1), 90, {-50, "RstRotate90::create()"}},
      {"1-bit 3 samples", image_header(4, 3, 1, 3), 90, {-50, "RstRotate90::create()"}},
      {"1-bit coded", image_header(4, 3, 1, 1, nullptr, RstDataForm::mmr), 180, {-50, "RstRotate90::create()"}},
      {"8-bit coded", image_header(4, 3, 8, 1, nullptr, RstDataForm::jpeg), 90, {-3, "RstRotate90_8::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    for (bool block : {false, true}) {
      LineSource* src = c.header.width ? new LineSource(c.header, im.lines) : nullptr;
      EXPECT_EQ(RstRotate90::create(src, c.angle, block), nullptr);
      if (src) {
        EXPECT_EQ(src->reads, 0);
        EXPECT_EQ(src->mode(), RstRoot::mode_free) << "the source stays the caller's";
        src->end();
      }
    }
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{c.report, c.report}));
  }
}

TEST_F(Rotate90, DepthFrontsAndAngleClasses) {
  Image gray = random_image(3, 2, 8, 1, 3);
  using Front = RstRead* (*)(RstRead*, int);
  struct FrontCase {
    const char* name;
    Front front;
    RstHeader wrong;
  } fronts[] = {
      {"RstRotate90_1", &RstRotate90_1::create, image_header(3, 2, 8, 1)},
      {"RstRotate90_8", &RstRotate90_8::create, image_header(3, 2, 8, 3)},
      {"RstRotate90_24", &RstRotate90_24::create, image_header(3, 2, 8, 1)},
      {"RstRotate90_32", &RstRotate90_32::create, image_header(3, 2, 1, 1)},
  };
  for (const FrontCase& f : fronts) {
    SCOPED_TRACE(f.name);
    status.clear();
    std::string where = std::string(f.name) + "::create()";
    LineSource* src = new LineSource(f.wrong, gray.lines);
    EXPECT_EQ(f.front(src, 0), src);
    EXPECT_EQ(f.front(nullptr, 90), nullptr);
    EXPECT_EQ(f.front(src, 30), nullptr);
    EXPECT_EQ(f.front(src, 90), nullptr);
    src->end();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, where}, {-2, where}, {-3, where}}));
  }
  using Make = RstRead* (*)(RstRead*);
  struct ClassCase {
    const char* name;
    Make make;
    RstHeader wrong;
  } classes[] = {
      {"RstRotate90_1_90", [](RstRead* s) -> RstRead* { return RstRotate90_1_90::create(s); },
       image_header(3, 2, 8, 1)},
      {"RstRotate90_1_180", [](RstRead* s) -> RstRead* { return RstRotate90_1_180::create(s); },
       image_header(3, 2, 1, 1, nullptr, RstDataForm::rle)},
      {"RstRotate90_8_270", [](RstRead* s) -> RstRead* { return RstRotate90_8_270::create(s); },
       image_header(3, 2, 8, 4)},
      {"RstRotate90_24_90", [](RstRead* s) -> RstRead* { return RstRotate90_24_90::create(s); },
       image_header(3, 2, 8, 1)},
      {"RstRotate90_32_180", [](RstRead* s) -> RstRead* { return RstRotate90_32_180::create(s); },
       image_header(3, 2, 8, 3)},
  };
  for (const ClassCase& c : classes) {
    SCOPED_TRACE(c.name);
    status.clear();
    LineSource* src = new LineSource(c.wrong, gray.lines);
    EXPECT_EQ(c.make(nullptr), nullptr);
    EXPECT_EQ(c.make(src), nullptr);
    src->end();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, std::string(c.name) + "::create"},
                                                       {-3, std::string(c.name) + "::create()"}}));
  }
}

TEST_F(Rotate90, OneBitLineLayout) {
  // 10 x 3, pixels 0, 1 and 9 set on line 0, pixel 4 on line 2; spare bits
  // set in the source to show they are never taken.
  Image im = blank_image(10, 3, 1, 1);
  im.lines = {{0xC0, 0x7F}, {0x00, 0x3F}, {0x08, 0x3F}};
  Held<> q(RstRotate90::create(source_of(im), 90, false));
  ASSERT_NE(q, nullptr);
  RstHeader h(q.get());
  EXPECT_EQ(h.width, 3);
  EXPECT_EQ(h.height, 10);
  EXPECT_EQ(q->line_size(), 1);
  // Output line x holds column x from the bottom line up, in bits 7 to 5.
  std::vector<Bytes> lines = pull(q.get());
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], Bytes{0x20});
  EXPECT_EQ(lines[1], Bytes{0x20});
  EXPECT_EQ(lines[4], Bytes{0x80});
  EXPECT_EQ(lines[9], Bytes{0x20});
  for (const Bytes& l : lines) EXPECT_EQ(l[0] & 0x1F, 0);

  Held<> half(RstRotate90::create(source_of(im), 180, false));
  ASSERT_NE(half, nullptr);
  EXPECT_EQ(half->line_size(), 2);
  EXPECT_EQ(pull(half.get()), (std::vector<Bytes>{{0x04, 0x00}, {0x00, 0x00}, {0x80, 0xC0}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90, PixelsKeepTheirBytesAndSizesSwap) {
  for (int32_t samples : {1, 3, 4}) {
    Image im = random_image(5, 3, 8, samples, uint32_t(samples));
    for (int angle : {90, 180, 270}) {
      SCOPED_TRACE(testing::Message() << samples << " samples, " << angle);
      Held<> node(RstRotate90::create(source_of(im), angle, false));
      ASSERT_NE(node, nullptr);
      RstHeader h(node.get());
      EXPECT_EQ(h.width, angle == 180 ? 5 : 3);
      EXPECT_EQ(h.height, angle == 180 ? 3 : 5);
      EXPECT_EQ(h.samples_per_pixel, samples);
      EXPECT_EQ(h.color_type, color_type_of(im));
      EXPECT_EQ(image_of(node.get()), reference_turn(im, angle));
    }
  }
  // (r, g, b) = (1, 2, 3) at the top left goes to the top right at 90.
  Image rgb = blank_image(2, 2, 8, 3);
  rgb.lines[0] = {1, 2, 3, 0, 0, 0};
  Held<> node(RstRotate90::create(source_of(rgb), 90, false));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(first_line(node.get()), (Bytes{0, 0, 0, 1, 2, 3}));
}

TEST_F(Rotate90, EveryDepthAndAngleMatchesTheReference) {
  struct Kind {
    int32_t bits, samples;
  } kinds[] = {{1, 1}, {8, 1}, {8, 3}, {8, 4}};
  std::mt19937 rng(7);
  for (const Kind& k : kinds)
    for (int i = 0; i < 12; ++i) {
      int32_t w = 1 + int32_t(rng() % 40), h = 1 + int32_t(rng() % 40);
      Image im = random_image(w, h, k.bits, k.samples, rng());
      for (int angle : {90, 180, 270}) {
        SCOPED_TRACE(testing::Message() << k.bits << "x" << k.samples << " " << w << " x " << h << " by " << angle);
        Held<> node(RstRotate90::create(source_of(im), angle, false));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(image_of(node.get()), reference_turn(im, angle));
      }
    }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Rotate90, ReadingProtocol) {
  Image im = random_image(4, 6, 8, 1, 9);
  LineSource* src = source_of(im);
  Held<> node(RstRotate90::create(src, 90, false));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->sources().size(), 0u) << "the source is ended once read";
  Image expected = reference_turn(im, 90);
  EXPECT_EQ(node->skip(0), 0);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(first_line(node.get()), expected.lines[1]);
  EXPECT_EQ(node->skip(10), 2) << "only the lines left";
  Bytes line(16, 0x5A);
  EXPECT_EQ(node->read(line.data()), 0);
  EXPECT_EQ(line, Bytes(16, 0x5A)) << "nothing written past the end";
  EXPECT_EQ(node->skip(1), 0);
  node->reset();
  EXPECT_EQ(pull(node.get()), expected.lines);
  node->reset();
  EXPECT_EQ(pull(node.get()), expected.lines);
}

TEST_F(Rotate90, ShortSourceFails) {
  Image im = random_image(9, 5, 1, 1, 4);
  for (int angle : {90, 180, 270}) {
    for (size_t keep : {size_t(0), size_t(3)}) {
      SCOPED_TRACE(testing::Message() << angle << ", " << keep << " lines");
      status.clear();
      std::vector<Bytes> lines(im.lines.begin(), im.lines.begin() + ptrdiff_t(keep));
      LineSource* src = new LineSource(header_of(im), lines);
      EXPECT_EQ(RstRotate90::create(src, angle, false), nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstRotate90::initiate()"}}));
      src->reset();
      Bytes line(8);
      EXPECT_EQ(src->read(line.data()), keep ? 2 : 0) << "the caller's source is usable";
      src->end();
    }
  }
  // A line of the wrong length fails the same way.
  status.clear();
  std::vector<Bytes> lines = im.lines;
  lines[2].pop_back();
  LineSource* src = new LineSource(header_of(im), lines);
  EXPECT_EQ(RstRotate90::create(src, 90, false), nullptr);
  src->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-3, "RstRotate90::initiate()"}}));
}

TEST_F(Rotate90, HugeHeaderAsksForItsFullSize) {
  // 65,536 x 65,537 gray: 4,295,032,832 bytes, which a 32-bit product
  // would wrap to 65,536. The allocation is made to fail; nothing is read.
  for (int angle : {90, 180}) {
    status.clear();
    LineSource* src = new LineSource(image_header(65536, 65537, 8, 1), {});
    RstAllocFault::fail_nth(2);  // the node, then its image
    EXPECT_EQ(RstRotate90::create(src, angle, false), nullptr);
    EXPECT_EQ(RstAllocFault::last_size(), size_t(4295032832u));
    RstAllocFault::clear();
    EXPECT_EQ(src->reads, 0);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstRotate90::initiate()"}}));
    src->end();
  }
  // A line that would not fit a read's count is refused before any read.
  status.clear();
  LineSource* src = new LineSource(image_header(INT32_MAX, 2, 8, 4), {});
  EXPECT_EQ(RstRotate90::create(src, 270, false), nullptr);
  EXPECT_EQ(src->reads, 0);
  src->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstRotate90::initiate()"}}));
}

TEST_F(Rotate90, AllocationFailures) {
  Image bits = random_image(11, 6, 1, 1, 5);
  for (int angle : {90, 180, 270}) {
    SCOPED_TRACE(angle);
    check_allocation_failures([&] { return source_of(bits); },
                              [angle](RstRead* s) { return RstRotate90::create(s, angle, false); },
                              reference_turn(bits, angle).lines,
                              {"RstRotate90::initiate()", "RstRotate90_1_180::initiate()", "rst_create_end()"});
  }
  Image rgb = random_image(5, 4, 8, 3, 6);
  check_allocation_failures([&] { return source_of(rgb); },
                            [](RstRead* s) { return RstRotate90::create(s, 270, false); },
                            reference_turn(rgb, 270).lines, {"RstRotate90::initiate()", "rst_create_end()"});
}

}  // namespace
