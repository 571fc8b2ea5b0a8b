// Linear interpolation: the position and cubic tables, the width and height
// scalers against a double-precision model of the same positions, edges,
// mirrors, byte order, refusals, size limits, a short first line and
// allocation failures.
#include "average_support.h"
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale_li.h"

namespace {

class ScaleLI : public RstStatusTest {};

LineSource* gray(int32_t width, std::vector<Bytes> lines) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, 8, 1, RstColorType::s_gray()), std::move(lines));
}

TEST_F(ScaleLI, PositionTable) {
  struct Case {
    uint32_t from;
    int32_t to;
    uint32_t channels;
    std::vector<int32_t> table;
  } cases[] = {
      {4, 4, 1, {4096, 8192, 12288, 16384}},
      {4, -4, 1, {16384, 12288, 8192, 4096}},
      // Positions 3072, 5120, 7168, 9216; integer parts times 3.
      {2, 4, 3, {3072, 3 * 4096 + 1024, 3 * 4096 + 3072, 6 * 4096 + 1024}},
      // Step -6144 truncates toward zero: -3072, then + 2048 + 12288.
      {3, -2, 1, {11264, 5120}},
      // Positions 7168 and 17408.
      {5, 2, 4, {(1 * 4) * 4096 + 3072, (4 * 4) * 4096 + 1024}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + " x" + std::to_string(c.channels));
    std::vector<int32_t> table(7, -1);
    ASSERT_TRUE(RstScaleWidthLI::make_table(c.from, c.to, c.channels, table));
    EXPECT_EQ(table, c.table);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLI, CubicTable) {
  std::vector<int32_t> table;
  ASSERT_TRUE(RstScaleWidthCC::make_table(4, 4, 1, table));
  ASSERT_EQ(table.size(), 20u);
  for (int i = 0; i < 4; ++i) {
    std::vector<int32_t> window(table.begin() + 5 * i, table.begin() + 5 * i + 5);
    EXPECT_EQ(window, (std::vector<int32_t>{(i + 1) * 4096, 0, 4096, 0, 0})) << i;
  }
  // Every fraction: from 1 pixel to 4096 the step is 1.
  ASSERT_TRUE(RstScaleWidthCC::make_table(1, 4096, 1, table));
  ASSERT_EQ(table.size(), 5u * 4096);
  auto weights = [&](int t) {
    // Entry i sits at 6144 + i (step 1, step / 2 = 0): fraction 2048 + i.
    int i = (t - 2048) & 0xFFF;
    return std::vector<int32_t>(table.begin() + 5 * i + 1, table.begin() + 5 * i + 5);
  };
  EXPECT_EQ(weights(0), (std::vector<int32_t>{0, 4096, 0, 0}));
  EXPECT_EQ(weights(1024), (std::vector<int32_t>{-576, 3648, 1216, -192}));
  EXPECT_EQ(weights(2048), (std::vector<int32_t>{-512, 2560, 2560, -512}));
  for (int t = 0; t < 4096; ++t) {
    auto w = weights(t);
    int32_t sum = w[0] + w[1] + w[2] + w[3];
    EXPECT_TRUE(sum >= 4096 && sum <= 4098) << "t " << t << " sums to " << sum;
  }
  // Three channels: the window offset is a byte offset.
  ASSERT_TRUE(RstScaleWidthCC::make_table(4, 4, 3, table));
  EXPECT_EQ(table[0], 3 * 4096);
  EXPECT_EQ(table[5], 6 * 4096);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLI, WidthValues) {
  struct Case {
    const char* name;
    int32_t from, to, samples;
    Bytes in, out;
  } cases[] = {
      {"2 -> 4", 2, 4, 1, {0, 255}, {0, 64, 191, 255}},
      {"2 -> -4", 2, -4, 1, {0, 255}, {255, 191, 64, 0}},
      {"4 -> 2, pair means", 4, 2, 1, {10, 20, 100, 201}, {15, 151}},
      {"5 -> -5 reverses", 5, -5, 1, {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
      // Output 1 sits at 6143: fraction 2047 of the second pixel.
      {"RGB keeps its order", 2, 3, 3, {0, 100, 200, 255, 50, 0}, {0, 100, 200, 127, 75, 100, 255, 50, 0}},
      {"4 bytes keep their order", 1, 2, 4, {1, 2, 3, 4}, {1, 2, 3, 4, 1, 2, 3, 4}},
      {"RGB reversed pixel by pixel", 3, -3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {7, 8, 9, 4, 5, 6, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* src = new LineSource(image_header(c.from, 1, 8, c.samples), {c.in});
    Held<> node(RstScaleWidthLI::create(src, c.to));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).width, c.to < 0 ? -c.to : c.to);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  // Variants by layout.
  Held<> rgb(RstScaleWidthLI::create(new LineSource(image_header(2, 1, 8, 3), {}), 4));
  EXPECT_NE(dynamic_cast<RstScaleWidthLI24*>(rgb.get()), nullptr);
  Held<> rgba(RstScaleWidthLI::create(new LineSource(image_header(2, 1, 8, 4), {}), 4));
  EXPECT_NE(dynamic_cast<RstScaleWidthLI32*>(rgba.get()), nullptr);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLI, HeightLines) {
  Bytes zero(3, 0), full(3, 255), mid(3, 100), dark(3, 20);
  // Doubling: line 0, 3/4 of 0 and 1/4 of 1, 1/4 and 3/4, the last line.
  Held<> tall(RstScaleHeightLI::create(gray(3, {zero, full}), 4));
  ASSERT_NE(tall, nullptr);
  EXPECT_EQ(pull(tall.get()), (std::vector<Bytes>{zero, Bytes(3, 64), Bytes(3, 191), full}));
  // Halving: rounded means of pairs.
  Held<> half(RstScaleHeightLI::create(gray(3, {zero, full, mid, dark}), 2));
  ASSERT_NE(half, nullptr);
  EXPECT_EQ(pull(half.get()), (std::vector<Bytes>{Bytes(3, 128), Bytes(3, 60)}));
  Bytes line(3);
  EXPECT_EQ(half->read(line.data()), 0) << "past the output height";
  half->reset();
  EXPECT_EQ(pull(half.get()), (std::vector<Bytes>{Bytes(3, 128), Bytes(3, 60)})) << "reset repeats";
  // A reduction skips the lines between through the source.
  std::vector<Bytes> lines;
  for (int i = 0; i < 12; ++i) lines.push_back(Bytes(3, uint8_t(i * 20)));
  LineSource* src = gray(3, lines);
  Held<> third(RstScaleHeightLI::create(src, 2));
  // Positions 14336 and 38912: lines 2-3 and 8-9, halfway.
  EXPECT_EQ(pull(third.get()), (std::vector<Bytes>{Bytes(3, 50), Bytes(3, 170)}));
  EXPECT_GT(src->skips, 0);
  EXPECT_EQ(src->reads, 5) << "lines 0, 2, 3, 8, 9";
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLI, AgreesWithModel) {
  struct Case {
    int32_t from_w, from_h, samples, to_w, to_h;
  } cases[] = {
      {17, 11, 1, 40, 29}, {40, 29, 1, 17, 11}, {33, 9, 3, -20, 31}, {12, 30, 4, 31, 7},
      {50, 50, 1, 49, 51}, {7, 5, 3, 7, 23},    {64, 3, 1, -64, 3},  {300, 4, 3, 7, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from_w) + "x" + std::to_string(c.from_h) + "x" + std::to_string(c.samples) + " -> " +
                 std::to_string(c.to_w) + "x" + std::to_string(c.to_h));
    Image in = random_image(c.from_w, c.from_h, 8, c.samples, uint32_t(c.from_w * 31 + c.to_w));
    // Width first, then height, as the model.
    RstRead* wide = RstScaleWidthLI::create(source_of(in), c.to_w);
    ASSERT_NE(wide, nullptr);
    Held<> node(RstScaleHeightLI::create(wide, c.to_h));
    ASSERT_NE(node, nullptr);
    Image got = image_of(node.get());
    EXPECT_LE(max_difference(got, li_model(in, c.to_w, c.to_h)), 1.0);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleLI, Refusals) {
  auto* same = new LineSource(image_header(8, 4, 16, 2), {});
  EXPECT_EQ(RstScaleWidthLI::create(same, 8), same) << "own width, any layout";
  EXPECT_EQ(RstScaleHeightLI::create(same, 4), same) << "own height, any layout";
  same->end();
  RstHeader mapped = image_header(8, 4, 8, 1, RstColorType::s_gray());
  mapped.colormap.reset(new RstColormap(8, 3, 2));
  struct Case {
    const char* name;
    int which;  // 0 width front, 1 height, 2 LI8, 3 LI24
    RstHeader header;
    int32_t size;
    RstReport report;
  } cases[] = {
      {"width 0", 0, image_header(8, 4, 8, 1), 0, {-2, "RstScaleWidthLI::create()"}},
      {"height 0", 1, image_header(8, 4, 8, 1), 0, {-2, "RstScaleHeightLI::create()"}},
      {"height -5", 1, image_header(8, 4, 8, 1), -5, {-2, "RstScaleHeightLI::create()"}},
      {"1-bit width", 0, image_header(8, 4, 1, 1), 4, {-3, "RstScaleWidthLI::create()"}},
      {"16-bit width", 0, image_header(8, 4, 16, 1), 4, {-3, "RstScaleWidthLI::create()"}},
      {"2 channels", 0, image_header(8, 4, 8, 2), 4, {-3, "RstScaleWidthLI::create()"}},
      {"colormap width", 0, mapped, 4, {-3, "RstScaleWidthLI::create()"}},
      {"colormap height", 1, mapped, 2, {-3, "RstScaleHeightLI::create()"}},
      {"colormap LI8", 2, mapped, 2, {-3, "RstScaleWidthLI8::create()"}},
      {"RGB into LI8", 2, image_header(8, 4, 8, 3), 2, {-3, "RstScaleWidthLI8::create()"}},
      {"gray into LI24", 3, image_header(8, 4, 8, 1), 2, {-3, "RstScaleWidthLI24::create()"}},
      {"run lines", 1, image_header(8, 4, 1, 1, nullptr, RstDataForm::rle), 2, {-3, "RstScaleHeightLI::create()"}},
      {"source of 600000", 0, image_header(600000, 1, 8, 1), 4, {-3, "RstScaleWidthLI8::create()"}},
      {"target of 600000", 0, image_header(8, 1, 8, 1), 600000, {-3, "RstScaleWidthLI8::create()"}},
      {"height of 600000", 1, image_header(8, 4, 8, 1), 600000, {-3, "RstScaleHeightLI::create()"}},
      {"RGB line of 200000", 0, image_header(200000, 1, 8, 3), 100, {-3, "RstScaleWidthLI24::create()"}},
      {"step 0", 0, image_header(2, 1, 8, 1), 10000, {-3, "RstScaleWidthLI8::create()"}},
      {"height step 0", 1, image_header(8, 2, 8, 1), 10000, {-3, "RstScaleHeightLI::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    auto* src = new LineSource(c.header, {Bytes(8, 7)});
    RstRead* made = c.which == 0   ? RstScaleWidthLI::create(src, c.size)
                    : c.which == 1 ? RstScaleHeightLI::create(src, c.size)
                    : c.which == 2 ? RstScaleWidthLI8::create(src, c.size)
                                   : RstScaleWidthLI24::create(src, c.size);
    EXPECT_EQ(made, nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), c.report);
    EXPECT_EQ(src->reads, 0) << "the source untouched";
    src->end();
  }
}

TEST_F(ScaleLI, TableLimits) {
  struct Case {
    const char* name;
    uint32_t from;
    int32_t to;
    uint32_t channels;
    int32_t code;
  } cases[] = {
      {"source of 600000", 600000, 4, 1, -3},
      {"target of 600000", 8, 600000, 1, -3},
      {"target of -600000", 8, -600000, 1, -3},
      {"RGB line of 200000", 200000, 100, 3, -3},
      {"step 0", 2, 10000, 1, -3},
      {"source 0", 0, 4, 1, -3},
      {"width 0", 8, 0, 1, -2},
      {"channels 0", 8, 4, 0, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int cubic = 0; cubic < 2; ++cubic) {
      RstStatusRecorder local;
      std::vector<int32_t> table{1, 2};
      bool made = cubic ? RstScaleWidthCC::make_table(c.from, c.to, c.channels, table)
                        : RstScaleWidthLI::make_table(c.from, c.to, c.channels, table);
      EXPECT_FALSE(made);
      ASSERT_EQ(local.errors().size(), 1u);
      EXPECT_EQ(local.errors().front(),
                (RstReport{c.code, cubic ? "RstScaleWidthCC::make_table()" : "RstScaleWidthLI::make_table()"}));
    }
  }
  // In range at the limit: an RGB line just below 2^19 bytes with margins.
  std::vector<int32_t> table;
  EXPECT_TRUE(RstScaleWidthLI::make_table(174760, 2, 3, table));
  EXPECT_TRUE(status.errors().empty());
}

// A source whose first line is short until it is repaired.
class RepairableSource : public RstRead {
 public:
  RepairableSource(Image im) : im_(std::move(im)) {}
  void header(RstHeader& h) override { h = header_of(im_); }
  int read(uint8_t* line) override {
    if (pos_ >= im_.lines.size()) return 0;
    const Bytes& l = im_.lines[pos_++];
    size_t n = broken && pos_ == 1 ? l.size() / 2 : l.size();
    std::memcpy(line, l.data(), n);
    return int(n);
  }
  void reset() override { pos_ = 0; }
  bool broken = true;

 private:
  Image im_;
  size_t pos_ = 0;
};

TEST_F(ScaleLI, ShortFirstLine) {
  Image in = random_image(6, 5, 8, 1, 3);
  for (int32_t height : {12, 2}) {
    SCOPED_TRACE(height);
    auto* src = new RepairableSource(in);
    Held<> node(RstScaleHeightLI::create(src, height));
    ASSERT_NE(node, nullptr);
    Bytes line(16, 0xA5);
    EXPECT_EQ(node->read(line.data()), 0) << "no line from a source that failed";
    EXPECT_EQ(node->read(line.data()), 0);
    src->broken = false;
    node->reset();
    Image got = image_of(node.get());
    EXPECT_LE(max_difference(got, li_model(in, in.width, height)), 1.0);
  }
}

TEST_F(ScaleLI, AllocationFailures) {
  Image in = random_image(9, 6, 8, 3, 5);
  std::vector<Bytes> wide;
  {
    Held<> w(RstScaleWidthLI::create(source_of(in), 14));
    wide = pull(w.get());
  }
  check_allocation_failures(
      [&] { return source_of(in); }, [](RstRead* s) { return RstScaleWidthLI::create(s, 14); }, wide,
      {"RstScaleWidthLI::RstScaleWidthLI()", "RstScaleWidthLI::make_table()", "rst_create_end()"});
  std::vector<Bytes> tall;
  {
    Held<> h(RstScaleHeightLI::create(source_of(in), 11));
    tall = pull(h.get());
  }
  // A failed create has read nothing: the source still starts at line 0.
  check_allocation_failures([&] { return source_of(in); },
                            [&](RstRead* s) {
                              RstRead* node = RstScaleHeightLI::create(s, 11);
                              if (!node) {
                                EXPECT_EQ(first_line(s), in.lines[0]);
                              }
                              return node;
                            },
                            tall, {"RstScaleHeightLI::RstScaleHeightLI()", "rst_create_end()"});
}

TEST_F(ScaleLI, NonThrowingObserverGetsNoNode) {
  // The recorder's observer returns: a failed buffer must still give null.
  auto* src = new LineSource(image_header(8, 2, 8, 1), {Bytes(8, 1), Bytes(8, 2)});
  RstAllocFault::fail_nth(2);
  RstRead* node = RstScaleWidthLI::create(src, 5);
  RstAllocFault::clear();
  EXPECT_EQ(node, nullptr);
  ASSERT_FALSE(status.errors().empty());
  EXPECT_EQ(status.errors().front(), (RstReport{-1, "RstScaleWidthLI::RstScaleWidthLI()"}));
  EXPECT_EQ(first_line(src), Bytes(8, 1));
  src->end();
}

}  // namespace
