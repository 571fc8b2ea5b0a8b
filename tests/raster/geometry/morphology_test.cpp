// Morphology on bilevel and 8-bit masks: run widening and line joining of
// run lines, the raw and run-line dilation and erosion by a square, the 8-bit
// window dilation with its skip-ahead against the plain rule, and the
// refusals, untrusted run lines and allocation failures of each.
#include <climits>
#include <random>
#include <string>

#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_expansion_filter.h"
#include "raster/geometry/rst_expansion_filter1.h"
#include "raster/geometry/rst_filter1_rle.h"
#include "raster/geometry/rst_rle_line_ex.h"
#include "turn_support.h"

namespace {

class Morphology : public RstStatusTest {};

// The pairs of a run line up to its terminator, and whether it ends there.
Pairs pairs_of(const int32_t* runs, int32_t bytes) {
  Pairs p;
  for (int32_t k = 0; k < bytes / 8 && runs[2 * k] != -1; ++k) p.emplace_back(runs[2 * k], runs[2 * k + 1]);
  return p;
}

// A run line in a buffer with a guard zone after capacity bytes.
struct LineBuffer {
  std::vector<int32_t> words;
  int32_t capacity;
  LineBuffer(const Pairs& pairs, int32_t capacity, bool terminated = true) : capacity(capacity) {
    words.assign(size_t(capacity) / 4 + 8, 0x5A5A5A5A);
    Bytes b = run_line(pairs, terminated);
    std::memcpy(words.data(), b.data(), std::min(b.size(), size_t(capacity)));
  }
  int32_t bytes(const Pairs& pairs, bool terminated) const { return int32_t(pairs.size() * 8 + (terminated ? 8 : 0)); }
  bool guard_intact() const {
    for (size_t i = size_t(capacity) / 4; i < words.size(); ++i)
      if (words[i] != 0x5A5A5A5A) return false;
    return true;
  }
};

TEST_F(Morphology, SifhtXWidensNarrowsAndRefuses) {
  struct Case {
    const char* name;
    int32_t width, d;
    Pairs in, out;
  } cases[] = {
      {"widen joins", 8, 2, {{0, 1}, {4, 5}}, {{0, 7}}},
      {"narrow drops short runs", 8, -1, {{0, 1}, {4, 6}}, {{5, 5}}},
      {"widen clamps to the line", 10, 1, {{0, 0}, {9, 9}}, {{0, 1}, {8, 9}}},
      {"no runs", 8, 3, {}, {}},
      {"zero keeps", 8, 0, {{2, 3}, {5, 5}}, {{2, 3}, {5, 5}}},
      {"narrow by more than half a run", 20, -3, {{0, 5}, {10, 16}}, {{13, 13}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Pairs& out = c.out;
    LineBuffer buf(c.in, rst_rle_line_bound(c.width));
    RstRLELineEx line(buf.words.data(), c.width, buf.bytes(c.in, true), buf.capacity);
    line.sifht_x(c.d);
    EXPECT_EQ(pairs_of(line.runs, line.byte_count), out);
    EXPECT_EQ(line.byte_count, int32_t(out.size() * 8 + 8));
    EXPECT_TRUE(buf.guard_intact());
  }
  EXPECT_TRUE(status.errors().empty());
  // Amounts of the width or more are refused and the line stays.
  for (int32_t d : {8, -8, 100, INT32_MIN}) {
    status.clear();
    LineBuffer buf({{1, 2}}, rst_rle_line_bound(8));
    RstRLELineEx line(buf.words.data(), 8, 16, buf.capacity);
    line.sifht_x(d);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstRLELineEx::sifht_x()"}}));
    EXPECT_EQ(pairs_of(line.runs, line.byte_count), (Pairs{{1, 2}}));
    EXPECT_EQ(line.byte_count, 16);
  }
}

TEST_F(Morphology, AppendShiftsAndJoins) {
  struct Case {
    const char* name;
    int32_t w1;
    Pairs a;
    int32_t w2;
    Pairs b, out;
  } cases[] = {
      {"touching runs join", 4, {{1, 3}}, 4, {{0, 2}}, {{1, 6}}},
      {"apart", 4, {{2, 3}}, 5, {{1, 1}}, {{2, 3}, {5, 5}}},
      {"empty other only widens", 4, {{0, 0}}, 6, {}, {{0, 0}}},
      {"empty this shifts other", 3, {}, 4, {{0, 1}}, {{3, 4}}},
      {"last run not at the edge", 4, {{1, 2}}, 4, {{0, 0}}, {{1, 2}, {4, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LineBuffer a(c.a, rst_rle_line_bound(c.w1 + c.w2)), b(c.b, rst_rle_line_bound(c.w2));
    RstRLELineEx la(a.words.data(), c.w1, a.bytes(c.a, true), a.capacity);
    RstRLELineEx lb(b.words.data(), c.w2, b.bytes(c.b, true), b.capacity);
    la.append(lb);
    EXPECT_EQ(pairs_of(la.runs, la.byte_count), c.out);
    EXPECT_EQ(la.width, c.w1 + c.w2);
    EXPECT_TRUE(a.guard_intact());
  }
  // A line of its own starts empty and grows by what is appended.
  RstRLELineEx own(nullptr, 0, 0, 64);
  ASSERT_TRUE(own.valid());
  LineBuffer b({{0, 1}}, 16);
  RstRLELineEx lb(b.words.data(), 5, 16, 16);
  own.append(lb);
  own.append(lb);
  EXPECT_EQ(pairs_of(own.runs, own.byte_count), (Pairs{{0, 1}, {5, 6}}));
  EXPECT_EQ(own.width, 10);
  EXPECT_TRUE(status.errors().empty());
}

// Runs past the width, negative, reversed, touching, and no terminator.
const Pairs kDirty = {{9, 40}, {-3, 1}, {6, 2}, {0, 3}, {4, 5}};

TEST_F(Morphology, UntrustedRunLinesStayInsideTheirBuffers) {
  // sifht_x over the whole pairs only, clean output, nothing past the buffer.
  // As the painters walk such lines, a run that starts left of the runs
  // already walked is cut to what lies right of them.
  for (int32_t d : {0, 1, -1}) {
    SCOPED_TRACE(d);
    LineBuffer buf(kDirty, 40, false);  // the pairs fill the buffer exactly
    RstRLELineEx line(buf.words.data(), 12, 40, 40);
    line.sifht_x(d);
    Pairs got = pairs_of(line.runs, line.byte_count);
    EXPECT_LE(line.byte_count, 40);
    EXPECT_EQ(line.runs[line.byte_count / 4 - 2], -1);
    for (size_t k = 0; k < got.size(); ++k) {
      EXPECT_LE(0, got[k].first);
      EXPECT_LE(got[k].first, got[k].second);
      EXPECT_LE(got[k].second, 11);
      if (k) {
        EXPECT_GT(got[k].first, got[k - 1].second + 1);
      }
    }
    EXPECT_TRUE(buf.guard_intact());
  }
  LineBuffer buf(kDirty, 40, false);
  RstRLELineEx line(buf.words.data(), 12, 40, 40);
  line.sifht_x(0);
  EXPECT_EQ(pairs_of(line.runs, line.byte_count), (Pairs{{9, 11}}));
  // append of a dirty line onto a dirty line: both cleaned, the join inside
  // the capacity.
  LineBuffer a(kDirty, 48, false), b(kDirty, 40, false);
  RstRLELineEx la(a.words.data(), 12, 40, 48);
  RstRLELineEx lb(b.words.data(), 12, 40, 40);
  la.append(lb);
  EXPECT_EQ(pairs_of(la.runs, la.byte_count), (Pairs{{9, 11}, {21, 23}}));
  EXPECT_TRUE(a.guard_intact());
  // A capacity too small for the joined runs keeps what fits and ends.
  LineBuffer small({{0, 0}, {2, 2}}, 24);
  RstRLELineEx ls(small.words.data(), 4, 24, 24);
  LineBuffer other({{0, 0}, {2, 2}}, 24);
  RstRLELineEx lo(other.words.data(), 4, 24, 24);
  ls.append(lo);
  EXPECT_EQ(pairs_of(ls.runs, ls.byte_count), (Pairs{{0, 0}, {2, 2}}));
  EXPECT_EQ(ls.byte_count, 24);
  EXPECT_TRUE(small.guard_intact());
  EXPECT_TRUE(status.errors().empty());

  // Both filters on a page of such lines: clean, bounded lines.
  for (bool dilate : {true, false}) {
    SCOPED_TRACE(dilate ? "dilation" : "erosion");
    RstRead* src = rle_source(12, {run_line(kDirty, false), run_line(kDirty, false), run_line({{0, 11}})}, 40);
    RstRead* node = dilate ? RstExpansionFilter1RLE::create(src, 1) : RstShrinkFilter1RLE::create(src, 1);
    ASSERT_NE(node, nullptr);
    Held<> held(node);
    auto lines = pull(node);
    ASSERT_EQ(lines.size(), 3u);
    for (const Bytes& l : lines) {
      Pairs p = pairs_of(reinterpret_cast<const int32_t*>(l.data()), int32_t(l.size()));
      EXPECT_EQ(l.size(), p.size() * 8 + 8);
      for (auto [f, e] : p) EXPECT_TRUE(0 <= f && f <= e && e <= 11);
    }
    if (dilate) {
      EXPECT_EQ(lines[0], run_line({{8, 11}}));
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

Image single_pixel(int32_t w, int32_t h, int32_t x, int32_t y) {
  Image im = blank_image(w, h, 1, 1);
  im.set_bit(x, y, true);
  return im;
}

Image block(int32_t w, int32_t h, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  Image im = blank_image(w, h, 1, 1);
  for (int32_t y = std::max(y0, 0); y <= std::min(y1, h - 1); ++y)
    for (int32_t x = std::max(x0, 0); x <= std::min(x1, w - 1); ++x) im.set_bit(x, y, true);
  return im;
}

// Dilation or erosion through the raw or the run-line route, back as packed
// lines.
Image morph(const Image& im, uint32_t n, bool dilate, bool runs, RstColorType* type = nullptr) {
  RstHeader h = header_of(im);
  if (type) h.color_type = type;
  RstRead* src = new LineSource(h, im.lines);
  if (runs) src = RstEncodeRLE::create(src);
  RstRead* node = dilate ? RstExpansionFilter1::create(src, n) : RstShrinkFilter1::create(src, n);
  EXPECT_NE(node, nullptr);
  if (!node) return {};
  EXPECT_EQ(RstHeader(node).data_form, runs ? RstDataForm::rle : RstDataForm::raw);
  if (runs) return image_of_runs(node);
  Held<> held(node);
  return clean_pad(image_of(node));
}

TEST_F(Morphology, SquareDilationAndErosionEdges) {
  for (bool runs : {false, true}) {
    SCOPED_TRACE(runs ? "run lines" : "raw");
    // One pixel dilated by 1: a 3 x 3 block, clipped at the corner.
    EXPECT_EQ(morph(single_pixel(9, 7, 4, 3), 1, true, runs), block(9, 7, 3, 2, 5, 4));
    EXPECT_EQ(morph(single_pixel(9, 7, 0, 0), 1, true, runs), block(9, 7, 0, 0, 1, 1));
    EXPECT_EQ(morph(single_pixel(9, 7, 8, 6), 2, true, runs), block(9, 7, 6, 4, 8, 6));
    // A radius beyond the image covers it all.
    EXPECT_EQ(morph(single_pixel(5, 4, 2, 1), 40, true, runs), block(5, 4, 0, 0, 4, 3));
    // A 2-line image dilated by 2 keeps both lines.
    Image two = morph(single_pixel(6, 2, 2, 1), 2, true, runs);
    EXPECT_EQ(two, block(6, 2, 0, 0, 4, 1));
  }
  // Set pixels touching the left edge: the run-line erosion removes the edge
  // column; typed gray (set = white) and raw, the outside counts as set.
  Image left = block(10, 8, 0, 0, 4, 7);
  EXPECT_EQ(morph(left, 1, false, true), block(10, 8, 1, 1, 3, 6));
  EXPECT_EQ(morph(left, 1, false, true, RstColorType::default_gray()), block(10, 8, 0, 0, 3, 7));
  EXPECT_EQ(morph(left, 1, false, false), block(10, 8, 0, 0, 3, 7));
  // Erosion by the width or more leaves nothing on run lines.
  EXPECT_EQ(morph(block(4, 3, 0, 0, 3, 2), 4, false, true), blank_image(4, 3, 1, 1));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Morphology, RunLineFilterSkipAndReset) {
  Image im = random_image(30, 9, 1, 1, 7, true);
  for (bool dilate : {true, false}) {
    SCOPED_TRACE(dilate ? "dilation" : "erosion");
    auto make = [&] {
      RstRead* src = rle_source_of(im);
      return dilate ? RstExpansionFilter1RLE::create(src, 2) : RstShrinkFilter1RLE::create(src, 2);
    };
    Held<> all(make());
    auto lines = pull(all.get());
    ASSERT_EQ(lines.size(), 9u);
    Held<> node(make());
    Bytes buf(size_t(node->line_size()));
    // Three skipped, then line 3.
    EXPECT_EQ(node->skip(3), 3);
    int n = node->read(buf.data());
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + n), lines[3]);
    // Past the end: exactly the last line stays.
    EXPECT_EQ(node->skip(100), 4);
    n = node->read(buf.data());
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + n), lines[8]);
    EXPECT_EQ(node->read(buf.data()), 0);
    EXPECT_EQ(node->skip(1), 0);
    node->reset();
    EXPECT_EQ(pull(node.get()), lines);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Morphology, RefusalsByEachCreate) {
  using Create = RstRead* (*)(RstRead*, uint32_t);
  const struct {
    Create create;
    const char* where;
    bool runs_only;
  } creates[] = {
      {&RstExpansionFilter1::create, "RstExpansionFilter1::create()", false},
      {&RstShrinkFilter1::create, "RstShrinkFilter1::create()", false},
      {&RstExpansionFilter1RLE::create, "RstExpansionFilter1RLE::create()", true},
      {&RstShrinkFilter1RLE::create, "RstShrinkFilter1RLE::create()", true},
  };
  for (const auto& c : creates) {
    SCOPED_TRACE(c.where);
    status.clear();
    EXPECT_EQ(c.create(nullptr, 1), nullptr);
    RstRead* ok = c.runs_only ? rle_source(8, {run_line({})}) : source_of(blank_image(8, 1, 1, 1));
    EXPECT_EQ(c.create(ok, 0), nullptr);
    ok->end();
    // 16-bit and coded sources.
    RstRead* deep = new LineSource(image_header(8, 1, 16, 1), {Bytes(16)});
    EXPECT_EQ(c.create(deep, 1), nullptr);
    deep->end();
    RstRead* coded = new LineSource(image_header(8, 1, 1, 1, nullptr, RstDataForm::mmr), {Bytes(1)});
    EXPECT_EQ(c.create(coded, 1), nullptr);
    coded->end();
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, c.where}, {-2, c.where}, {-3, c.where}, {-3, c.where}}));
  }
}

TEST_F(Morphology, LargeRadiusAsksForTheWholeWindow) {
  // 2n + 1 lines of the source line size, in 64 bits: the first allocation
  // of initiate is the window storage.
  const uint32_t n = 1u << 31;
  RstRead* src = rle_source(16, {run_line({{1, 2}})});
  const int32_t line = rst_rle_line_bound(16);
  RstAllocFault::fail_nth(2);  // the node itself is the first
  RstRead* node = RstExpansionFilter1RLE::create(src, n);
  size_t asked = RstAllocFault::last_size();
  RstAllocFault::clear();
  EXPECT_EQ(node, nullptr);
  EXPECT_EQ(asked, (2 * uint64_t(n) + 1) * uint64_t(line));
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().front(), (RstReport{-1, "RstFilter1RLE::initiate()"}));
  // The source is the caller's again.
  EXPECT_EQ(pull(src), std::vector<Bytes>{run_line({{1, 2}})});
  src->end();
}

TEST_F(Morphology, AllocationFailures) {
  Image im = random_image(21, 6, 1, 1, 3, true);
  const std::vector<std::string> wheres = {"RstExpansionFilter1::create()",
                                           "RstShrinkFilter1::create()",
                                           "RstFilter1RLE::initiate()",
                                           "rst_create_end()",
                                           "RstDivideReader::create()",
                                           "BlockBuffer::BlockBuffer()",
                                           "RstDivideOneBuffer::initiate()",
                                           "RstPixelBinaryOperation::initiate()",
                                           "RstDivide::create()",
                                           "RstClip::create()",
                                           "RstPixelNotRLE::initiate()",
                                           "RstCreateGuard::RstCreateGuard()",
                                           "RstDivideNBuffer::read()",
                                           "RstClipWidth::create()",
                                           "RstClipHeight::create()",
                                           "RstEncodeRLE::initiate()",
                                           "RstClipWidth::initiate()",
                                           "RstClipHeight::initiate()"};
  for (bool runs : {false, true})
    for (bool dilate : {true, false}) {
      SCOPED_TRACE(std::string(runs ? "runs " : "raw ") + (dilate ? "dilation" : "erosion"));
      Image expected = morph(im, 2, dilate, runs);
      std::vector<Bytes> lines;
      if (runs) {
        Held<> ref(dilate ? RstExpansionFilter1::create(rle_source_of(im), 2)
                          : RstShrinkFilter1::create(rle_source_of(im), 2));
        lines = pull(ref.get());
      } else {
        lines = expected.lines;
      }
      auto make_source = [&]() -> RstRead* { return runs ? rle_source_of(im) : source_of(im); };
      auto make = [dilate](RstRead* s) {
        return dilate ? RstExpansionFilter1::create(s, 2) : RstShrinkFilter1::create(s, 2);
      };
      if (runs) {
        check_allocation_failures(make_source, make, lines, wheres, 400);
      } else {
        // Raw lines: pad bits of the result are not compared.
        check_allocation_failures(
            make_source, [&](RstRead* s) { return make(s); }, lines, wheres, 400);
      }
    }
  // The gray-typed erosion goes through two inversions.
  RstHeader gray = header_of(im);
  gray.color_type = RstColorType::default_gray();
  auto gray_source = [&]() -> RstRead* { return RstEncodeRLE::create(new LineSource(gray, im.lines)); };
  Held<> ref(RstShrinkFilter1RLE::create(gray_source(), 1));
  auto lines = pull(ref.get());
  check_allocation_failures(gray_source, [](RstRead* s) { return RstShrinkFilter1RLE::create(s, 1); }, lines,
                            {"rst_create_end()", "RstFilter1RLE::initiate()", "RstPixelNotRLE::initiate()",
                             "RstCreateGuard::RstCreateGuard()"});
  EXPECT_EQ(RstRLELineEx(nullptr, 8, 0).valid(), true);
  RstAllocFault::fail_nth(1);
  RstRLELineEx none(nullptr, 8, 0);
  RstAllocFault::clear();
  EXPECT_FALSE(none.valid());
  EXPECT_EQ(status.errors().back(), (RstReport{-1, "RstRLELineEx::RstRLELineEx()"}));
}

// ---- 8-bit window dilation

struct Gray {
  int32_t width, height;
  Bytes pixels;
  std::vector<Bytes> lines() const {
    std::vector<Bytes> l;
    for (int32_t y = 0; y < height; ++y)
      l.emplace_back(pixels.begin() + size_t(y) * size_t(width), pixels.begin() + size_t(y + 1) * size_t(width));
    return l;
  }
};

RstRead* gray_source(const Gray& g) {
  return new LineSource(image_header(g.width, g.height, 8, 1, RstColorType::s_gray()), g.lines());
}

TEST_F(Morphology, WindowDilationOfMasks) {
  // 2 x 2 anchored at (0, 0): each 255 also sets its left, upper and
  // upper-left neighbours.
  Gray g{5, 4, Bytes(20, 0)};
  g.pixels[size_t(2 * 5 + 3)] = 255;
  g.pixels[0] = 255;
  uint8_t zero = 0;
  Held<> node(RstExpansionFilter::create(gray_source(g), {2, 2, 0, 0}, &zero, 255, 255));
  ASSERT_TRUE(node);
  std::vector<Bytes> expected = {{255, 0, 0, 0, 0}, {0, 0, 255, 255, 0}, {0, 0, 255, 255, 0}, {0, 0, 0, 0, 0}};
  EXPECT_EQ(pull(node.get()), expected);
  // Fill other than the target, and other pixels kept.
  Gray h{4, 1, {7, 9, 200, 9}};
  Held<> other(RstExpansionFilter::create(gray_source(h), {3, 2, 1, 1}, nullptr, 200, 1));
  ASSERT_TRUE(other);
  EXPECT_EQ(pull(other.get()), (std::vector<Bytes>{{7, 1, 1, 1}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Morphology, WindowDilationRefusals) {
  const char* where = "RstExpansionFilter::create()";
  Gray g{4, 3, Bytes(12, 0)};
  const struct {
    RstWindow window;
    int32_t code;
  } cases[] = {
      {{1, 3, 0, 0}, -2}, {{3, 1, 0, 0}, -2},  {{3, 3, 3, 1}, -2},
      {{3, 3, 1, 3}, -2}, {{3, 3, -1, 0}, -2}, {{3, 3, 0, -1}, -2},
  };
  for (const auto& c : cases) {
    status.clear();
    RstRead* src = gray_source(g);
    EXPECT_EQ(RstExpansionFilter::create(src, c.window, nullptr, 255, 255), nullptr);
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.code, where}}));
    EXPECT_EQ(pull(src).size(), 3u);  // still the caller's, whole
    src->end();
  }
  status.clear();
  EXPECT_EQ(RstExpansionFilter::create(nullptr, {3, 3, 1, 1}, nullptr, 255, 255), nullptr);
  RstRead* rgb = new LineSource(image_header(4, 1, 8, 3), {Bytes(12)});
  EXPECT_EQ(RstExpansionFilter::create(rgb, {3, 3, 1, 1}, nullptr, 255, 255), nullptr);
  rgb->end();
  RstRead* bits = source_of(blank_image(8, 1, 1, 1));
  EXPECT_EQ(RstExpansionFilter::create(bits, {3, 3, 1, 1}, nullptr, 255, 255), nullptr);
  bits->end();
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, where}, {-3, where}, {-3, where}}));
  // No ring buffer object: the filter base's report.
  status.clear();
  check_allocation_failures([&] { return gray_source(g); },
                            [](RstRead* s) {
                              return RstExpansionFilter::create(s, {2, 2, 1, 1}, nullptr, 255, 9);
                            },
                            g.lines(),
                            {"RstFilter::RstFilter()", "rst_create_end()", "RstRingBuffer::RstRingBuffer()"});
}

TEST_F(Morphology, SkipAheadEqualsThePlainRule) {
  std::mt19937 rng(71);
  for (int trial = 0; trial < 400; ++trial) {
    RstWindow w{2 + int32_t(rng() % 6), 2 + int32_t(rng() % 5), 0, 0};
    w.anchor_x = int32_t(rng() % uint32_t(w.width));
    w.anchor_y = int32_t(rng() % uint32_t(w.height));
    int32_t width = 1 + int32_t(rng() % 40);
    uint8_t target = uint8_t(rng() % 3), fill = uint8_t(rng());
    // Sparse or dense targets among a few values.
    uint32_t density = 1 + rng() % 12;
    std::vector<Bytes> rows(size_t(w.height), Bytes(size_t(width + w.width - 1)));
    std::vector<const uint8_t*> ptrs;
    for (Bytes& r : rows) {
      for (uint8_t& b : r) b = rng() % density == 0 ? target : uint8_t(3 + rng() % 4);
      ptrs.push_back(r.data());
    }
    Bytes plain(static_cast<size_t>(width)), ahead(static_cast<size_t>(width));
    RstExpansionFilter::expand_plain(ptrs.data(), width, w, target, fill, plain.data());
    RstExpansionFilter::expand_skip_ahead(ptrs.data(), width, w, target, fill, ahead.data());
    ASSERT_EQ(plain, ahead) << "trial " << trial;
  }
}

}  // namespace
