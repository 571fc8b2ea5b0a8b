// The raw-line nodes of the binary pixel operations: the byte-aligned,
// shifted, 8-bit and same-size kernels on their worked cases, B narrower than
// a byte, the rows B covers, skip and reset, the checks of the dispatchers
// and variant creates called directly, and allocation failures.
#include <gmock/gmock.h>

#include <functional>
#include <typeinfo>

#include "pixel_binary_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_pixel_same_size.h"

namespace {

class PixelBinaryNodes : public RstStatusTest {};

Image bits_of(int32_t width, std::vector<Bytes> lines) {
  Image im{width, int32_t(lines.size()), 1, 1, std::move(lines)};
  return im;
}

Image filled(int32_t width, int32_t height, int32_t bits, int32_t samples, uint8_t value) {
  Image im = blank_image(width, height, bits, samples);
  for (Bytes& l : im.lines) std::fill(l.begin(), l.end(), value);
  return im;
}

TEST_F(PixelBinaryNodes, BilevelKernelsOnTheirWorkedCases) {
  struct Case {
    const char* name;
    PixelOp op;
    int32_t a_width, x;
    Bytes a, b;
    int32_t b_width;
    Bytes out;
    bool aligned;
  } cases[] = {
      // Byte 0 keeps pixels 0-2, byte 1 takes B's pixels 5-9 and keeps
      // A's 13-15. B's spare bits are set and must not reach A.
      {"And x=3, B 10 px", PixelOp::and_op, 24, 3, {0xFF, 0xFF, 0xFF}, {0x00, 0x3F}, 10, {0xE0, 0x07, 0xFF}, false},
      {"And x=8, B 16 px",
       PixelOp::and_op,
       32,
       8,
       {0xFF, 0xFF, 0xFF, 0xFF},
       {0x00, 0x00},
       16,
       {0xFF, 0x00, 0x00, 0xFF},
       true},
      {"Paste x=6, B 10 px", PixelOp::paste, 24, 6, {0xFF, 0xFF, 0xFF}, {0x00, 0x3F}, 10, {0xFC, 0x00, 0xFF}, false},
      {"Or x=1, B 15 px", PixelOp::or_op, 24, 1, {0x00, 0x00, 0x00}, {0xFF, 0xFF}, 15, {0x7F, 0xFF, 0x00}, false},
      {"And x=7, B 9 px", PixelOp::and_op, 24, 7, {0xFF, 0xFF, 0xFF}, {0x00, 0x7F}, 9, {0xFE, 0x00, 0xFF}, false},
      {"Or x=8, B 11 px", PixelOp::or_op, 24, 8, {0x00, 0x00, 0x00}, {0xFF, 0xFF}, 11, {0x00, 0xFF, 0xE0}, true},
      {"Paste x=16, B 3 px", PixelOp::paste, 24, 16, {0x00, 0x00, 0x00}, {0xFF}, 3, {0x00, 0x00, 0xE0}, true},
      {"Sub x=4, B 8 px", PixelOp::sub, 16, 4, {0xFF, 0xFF}, {0xA5}, 8, {0xF5, 0xAF}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image a = bits_of(c.a_width, {c.a}), b = bits_of(c.b_width, {c.b});
    Held<> node(by_dispatcher({typed_source(a), typed_source(b)}, c.op, c.x, 0));
    ASSERT_NE(node, nullptr);
    if (c.op != PixelOp::sub) {
      bool aligned = dynamic_cast<RstBitsAlignedNode<RstPixelAnd, RstBitAnd>*>(node.get()) ||
                     dynamic_cast<RstBitsAlignedNode<RstPixelOr, RstBitOr>*>(node.get()) ||
                     dynamic_cast<RstBitsAlignedNode<RstPaste, RstBitPaste>*>(node.get());
      EXPECT_EQ(aligned, c.aligned);
    }
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryNodes, EightBitKernels) {
  // RGB, 4 pixels; B 2 pixels at x = 2: bytes 6 on.
  Bytes a(12, 100);
  Image ia{4, 1, 8, 3, {a}}, ib{2, 1, 8, 3, {{10, 20, 30, 100, 150, 255}}};
  struct Case {
    PixelOp op;
    Bytes out;
  } cases[] = {
      {PixelOp::sub, {100, 100, 100, 100, 100, 100, 90, 80, 70, 0, 0, 0}},
      {PixelOp::and_op, {100, 100, 100, 100, 100, 100, 0, 4, 4, 100, 4, 100}},
      {PixelOp::or_op, {100, 100, 100, 100, 100, 100, 110, 116, 126, 100, 246, 255}},
      {PixelOp::paste, {100, 100, 100, 100, 100, 100, 10, 20, 30, 100, 150, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(op_name(c.op));
    Held<> node(by_dispatcher({typed_source(ia), typed_source(ib)}, c.op, 2, 0));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  // Same size: 10 - 20 = 0, 20 - 10 = 10.
  Image g1{2, 1, 8, 1, {{10, 20}}}, g2{2, 1, 8, 1, {{20, 10}}};
  Held<> sub(RstPixelSub::create({typed_source(g1), typed_source(g2)}, 0, 0));
  ASSERT_NE(dynamic_cast<RstPixelSubSameSize*>(sub.get()), nullptr);
  EXPECT_EQ(pull(sub.get()), (std::vector<Bytes>{{0, 10}}));
  EXPECT_TRUE(status.errors().empty());
}

// B narrower than a byte at a shifted offset: only its pixels change, and
// nothing outside B's line is read (ASan).
TEST_F(PixelBinaryNodes, NarrowOperandChangesOnlyItsPixels) {
  Image a = random_image(40, 2, 1, 1, 7);
  for (int32_t width = 1; width <= 9; ++width)
    for (int32_t x = 0; x + width <= 40; ++x)
      for (PixelOp op : {PixelOp::and_op, PixelOp::or_op, PixelOp::paste, PixelOp::sub}) {
        SCOPED_TRACE(testing::Message() << op_name(op) << " B " << width << " px at x = " << x);
        Image b = random_image(width, 2, 1, 1, uint32_t(width * 100 + x));
        Held<> node(by_dispatcher({typed_source(a), typed_source(b)}, op, x, 0));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(image_of(node.get()).lines, reference_op(a, b, x, 0, op).lines);
      }
  // The cases of the fix, written out: 3 pixels at x = 5 and 13.
  Image ones = filled(24, 1, 1, 1, 0xFF), zeros = filled(24, 1, 1, 1, 0x00);
  Image b3 = bits_of(3, {{0x1F}});  // pixels clear, spare bits set
  Held<> and5(RstPixelAnd::create({typed_source(ones), typed_source(b3)}, 5, 0));
  EXPECT_EQ(first_line(and5.get()), (Bytes{0xF8, 0xFF, 0xFF}));
  Held<> and13(RstPixelAnd::create({typed_source(ones), typed_source(b3)}, 13, 0));
  EXPECT_EQ(first_line(and13.get()), (Bytes{0xFF, 0xF8, 0xFF}));
  Image b3set = bits_of(3, {{0xE0}});
  Held<> or5(RstPixelOr::create({typed_source(zeros), typed_source(b3set)}, 5, 0));
  EXPECT_EQ(first_line(or5.get()), (Bytes{0x07, 0x00, 0x00}));
  Held<> or13(RstPixelOr::create({typed_source(zeros), typed_source(b3set)}, 13, 0));
  EXPECT_EQ(first_line(or13.get()), (Bytes{0x00, 0x07, 0x00}));
  Held<> paste13(RstPaste::create({typed_source(ones), typed_source(b3)}, 13, 0));
  EXPECT_EQ(first_line(paste13.get()), (Bytes{0xFF, 0xF8, 0xFF}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryNodes, ReadsBOnlyOnItsRows) {
  // B one row high on A's last row.
  Image a = filled(16, 4, 1, 1, 0xFF), b = bits_of(8, {{0x00}});
  auto* sa = typed_source(a);
  auto* sb = typed_source(b);
  Held<> node(RstPixelAnd::create({sa, sb}, 8, 3));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{0xFF, 0xFF}, {0xFF, 0xFF}, {0xFF, 0xFF}, {0xFF, 0x00}}));
  EXPECT_EQ(sb->reads, 1);

  // skip(5) from row 0 with B at y = 3: A passes 5 rows, B 2.
  Image tall = blank_image(8, 10, 8, 1), small = blank_image(2, 4, 8, 1);
  for (int32_t r = 0; r < 10; ++r) tall.lines[size_t(r)].assign(8, uint8_t(r));
  for (int32_t r = 0; r < 4; ++r) small.lines[size_t(r)].assign(2, uint8_t(50 + r));
  auto* ta = typed_source(tall);
  auto* tb = typed_source(small);
  Held<> paste(RstPaste::create({ta, tb}, 1, 3));
  ASSERT_NE(paste, nullptr);
  EXPECT_EQ(paste->skip(5), 5);
  EXPECT_EQ(ta->last_skip, 5);
  EXPECT_EQ(tb->last_skip, 2);
  EXPECT_EQ(first_line(paste.get()), (Bytes{5, 52, 52, 5, 5, 5, 5, 5}));
  EXPECT_EQ(paste->skip(0), 0);
  // Rows 6 to 8: B passes its last row only.
  EXPECT_EQ(paste->skip(3), 3);
  EXPECT_EQ(tb->last_skip, 1);
  EXPECT_EQ(first_line(paste.get()), Bytes(8, 9));
  // reset starts again at row 0, both sources reset.
  paste->reset();
  EXPECT_EQ(ta->resets, 1);
  EXPECT_EQ(tb->resets, 1);
  Image expected = reference_op(tall, small, 1, 3, PixelOp::paste);
  EXPECT_EQ(pull(paste.get()), expected.lines);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryNodes, SameSizeNodes) {
  Image a = random_image(21, 3, 1, 1, 3), b = random_image(21, 3, 1, 1, 4);
  struct Case {
    PixelOp op;
    bool b_itself;
  } cases[] = {{PixelOp::and_op, false}, {PixelOp::or_op, false}, {PixelOp::sub, false}, {PixelOp::paste, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(op_name(c.op));
    auto* sb = typed_source(b);
    Held<> node(by_dispatcher({typed_source(a), sb}, c.op, 0, 0));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node.get() == sb, c.b_itself);
    // Whole bytes: the spare bits are combined as well.
    std::vector<Bytes> expected = a.lines;
    for (size_t r = 0; r < expected.size(); ++r)
      for (size_t i = 0; i < expected[r].size(); ++i) {
        uint8_t x = a.lines[r][i], y = b.lines[r][i];
        expected[r][i] = c.op == PixelOp::and_op  ? uint8_t(x & y)
                         : c.op == PixelOp::or_op ? uint8_t(x | y)
                         : c.op == PixelOp::sub   ? uint8_t(x & ~y)
                                                  : y;
      }
    EXPECT_EQ(pull(node.get()), expected);
    // skip passes both.
    node->reset();
    EXPECT_EQ(node->skip(2), 2);
    EXPECT_EQ(first_line(node.get()), expected[2]);
  }
  // 16-bit images of one size: And and Or combine their bytes.
  RstHeader h16 = image_header(2, 1, 16, 1, RstColorType::s_gray());
  Held<> and16(RstPixelAnd::create(
      {new LineSource(h16, {{0xF0, 0x0F, 0xFF, 0x00}}), new LineSource(h16, {{0x3C, 0x3C, 0x0F, 0xFF}})}, 0, 0));
  ASSERT_NE(dynamic_cast<RstPixelAndSameSize*>(and16.get()), nullptr);
  EXPECT_EQ(first_line(and16.get()), (Bytes{0x30, 0x0C, 0x0F, 0x00}));
  Held<> or16(RstPixelOr::create(
      {new LineSource(h16, {{0xF0, 0x0F, 0xFF, 0x00}}), new LineSource(h16, {{0x3C, 0x3C, 0x0F, 0xFF}})}, 0, 0));
  EXPECT_EQ(first_line(or16.get()), (Bytes{0xFC, 0x3F, 0xFF, 0xFF}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryNodes, VariantChoice) {
  Image a = random_image(32, 2, 1, 1, 1), b = random_image(9, 2, 1, 1, 2);
  Held<> aligned(RstPixelAnd::create({typed_source(a), typed_source(b)}, 8, 0));
  EXPECT_NE(dynamic_cast<RstPixelAnd1xoff8*>(aligned.get()), nullptr);
  Held<> shifted(RstPixelAnd::create({typed_source(a), typed_source(b)}, 9, 0));
  EXPECT_NE(dynamic_cast<RstPixelAnd1xoffnon8*>(shifted.get()), nullptr);
  Held<> or_shifted(RstPixelOr::create({typed_source(a), typed_source(b)}, 9, 0));
  EXPECT_NE(dynamic_cast<RstPixelOr1xoffnon8*>(or_shifted.get()), nullptr);
  Held<> paste_aligned(RstPaste::create({typed_source(a), typed_source(b)}, 16, 0));
  EXPECT_NE(dynamic_cast<RstPaste1xoff8*>(paste_aligned.get()), nullptr);
  Image g = random_image(8, 2, 8, 1, 5), gb = random_image(3, 1, 8, 1, 6);
  Held<> n(RstPixelOr::create({typed_source(g), typed_source(gb)}, 1, 1));
  EXPECT_NE(dynamic_cast<RstPixelOrN*>(n.get()), nullptr);
  Held<> sub(RstPixelSub::create({typed_source(g), typed_source(gb)}, 1, 1));
  EXPECT_EQ(typeid(*sub), typeid(RstPixelSub));
  // The bilevel subtract is the And with B inverted.
  Held<> sub1(RstPixelSub::create({typed_source(a), typed_source(b)}, 3, 0));
  EXPECT_NE(dynamic_cast<RstPixelAnd1xoffnon8*>(sub1.get()), nullptr);
  EXPECT_EQ(image_of(sub1.get()).lines, reference_op(a, b, 3, 0, PixelOp::sub).lines);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryNodes, DirectCallsAreChecked) {
  Image a1 = random_image(32, 4, 1, 1, 1), b1 = random_image(8, 2, 1, 1, 2);
  Image a8 = random_image(8, 4, 8, 1, 3), b8 = random_image(4, 2, 8, 1, 4);
  auto colormapped = [](const Image& im) {
    RstHeader h = image_header(im.width, im.height, im.bits, im.samples, typed_color(im));
    h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 1, 2));
    return new LineSource(h, im.lines);
  };
  RstHeader h16 = image_header(4, 2, 16, 1, RstColorType::s_gray());
  RstHeader h16small = image_header(2, 1, 16, 1, RstColorType::s_gray());
  using Make = std::function<RstRead*(RstRead*, RstRead*)>;
  struct Case {
    const char* name;
    std::function<RstRead*()> a, b;
    Make make;
    RstReport report;
  } cases[] = {
      {"paste at x = -8",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPaste::create({a, b}, -8, 0);
       },
       {-2, "RstPaste::create()"}},
      {"and at y = -1",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd::create({a, b}, 0, -1);
       },
       {-2, "RstPixelAnd::create()"}},
      {"a missing entry",
       [&] { return typed_source(a1); },
       [] { return nullptr; },
       [](RstRead* a, RstRead*) {
         return RstPixelOr::create({a, nullptr}, 0, 0);
       },
       {-2, "RstPixelOr::create()"}},
      {"three entries",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelSub::create({a, b, b}, 0, 0);
       },
       {-2, "RstPixelSub::create()"}},
      {"B sticking out",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd::create({a, b}, 25, 0);
       },
       {-2, "RstPixelAnd::create()"}},
      {"B below A",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPaste::create({a, b}, 0, 3);
       },
       {-2, "RstPaste::create()"}},
      {"depths differ",
       [&] { return typed_source(a8); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd::create({a, b}, 0, 0);
       },
       {-3, "RstPixelAnd::create()"}},
      {"colour types differ",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1, RstColorType::s_gray()); },
       [](RstRead* a, RstRead* b) {
         return RstPixelOr::create({a, b}, 8, 0);
       },
       {-3, "RstPixelOr::create()"}},
      {"colormap on And",
       [&] { return colormapped(a8); },
       [&] { return colormapped(b8); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd::create({a, b}, 0, 0);
       },
       {-3, "RstPixelAnd::create()"}},
      {"colormap on one for paste",
       [&] { return colormapped(a8); },
       [&] { return typed_source(b8); },
       [](RstRead* a, RstRead* b) {
         return RstPaste::create({a, b}, 0, 0);
       },
       {-3, "RstPaste::create()"}},
      {"16-bit of other sizes",
       [&] {
         return new LineSource(h16, {Bytes(8), Bytes(8)});
       },
       [&] { return new LineSource(h16small, {Bytes(4)}); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd::create({a, b}, 0, 0);
       },
       {-2, "RstPixelAnd::create()"}},
      {"16-bit same-size subtract",
       [&] {
         return new LineSource(h16, {Bytes(8), Bytes(8)});
       },
       [&] {
         return new LineSource(h16, {Bytes(8), Bytes(8)});
       },
       [](RstRead* a, RstRead* b) {
         return RstPixelSubSameSize::create({a, b});
       },
       {-2, "RstPixelSubSameSize::create()"}},
      {"same size of other sizes",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAndSameSize::create({a, b});
       },
       {-3, "RstPixelAndSameSize::create()"}},
      {"aligned variant at x = 3",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd1xoff8::create({a, b}, 3, 0);
       },
       {-2, "RstPixelAnd1xoff8::create()"}},
      {"shifted variant at x = 8",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPaste1xoffnon8::create({a, b}, 8, 0);
       },
       {-2, "RstPaste1xoffnon8::create()"}},
      {"shifted variant sticking out",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelOr1xoffnon8::create({a, b}, 27, 0);
       },
       {-2, "RstPixelOr1xoffnon8::create()"}},
      {"8-bit variant on bilevel",
       [&] { return typed_source(a1); },
       [&] { return typed_source(b1); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAndN::create({a, b}, 8, 0);
       },
       {-3, "RstPixelAndN::create()"}},
      {"bilevel variant on 8-bit",
       [&] { return typed_source(a8); },
       [&] { return typed_source(b8); },
       [](RstRead* a, RstRead* b) {
         return RstPixelOr1xoff8::create({a, b}, 0, 1);
       },
       {-3, "RstPixelOr1xoff8::create()"}},
      {"8-bit variant at x = -1",
       [&] { return typed_source(a8); },
       [&] { return typed_source(b8); },
       [](RstRead* a, RstRead* b) {
         return RstPasteN::create({a, b}, -1, 0);
       },
       {-2, "RstPasteN::create()"}},
      {"a line shorter than its pixels",
       [&] { return new LineSource(header_of(a8), a8.lines, 4); },
       [&] { return typed_source(b8); },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd::create({a, b}, 1, 1);
       },
       {-3, "RstPixelAnd::create()"}},
      {"run lines not covering",
       [&] {
         return rle_source(16, {run_line({{0, 3}})});
       },
       [&] {
         return rle_source(8, {run_line({{1, 2}})});
       },
       [](RstRead* a, RstRead* b) {
         return RstPixelAnd::create({a, b}, 8, 0);
       },
       {-3, "RstPixelAnd::create()"}},
      {"run lines of one size at an offset",
       [&] {
         return rle_source(16, {run_line({{0, 3}})});
       },
       [&] {
         return rle_source(16, {run_line({{1, 2}})});
       },
       [](RstRead* a, RstRead* b) {
         return RstPaste::create({a, b}, 8, 0);
       },
       {-3, "RstPaste::create()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    RstRead* a = c.a();
    RstRead* b = c.b();
    EXPECT_EQ(c.make(a, b), nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), c.report);
    // The inputs are still the caller's, unread.
    for (RstRead* input : {a, b}) {
      if (!input) continue;
      Bytes line(size_t(input->line_size()) + 8);
      EXPECT_GT(input->read(line.data()), 0);
      input->end();
    }
  }
}

// Two inputs of a pair made afresh for every try.
using PairMaker = std::function<std::vector<RstRead*>()>;
using PairCreate = std::function<RstRead*(RstRead*, RstRead*)>;

// The n-th allocation failing, n = 1, 2, ...: a failed create reports -1
// first at one of wheres (any where when wheres is empty) and leaves both
// inputs to the caller, readable; a made node reads the expected lines.
void check_pair_allocation_failures(const PairMaker& make_inputs, const PairCreate& make,
                                    const std::vector<Bytes>& expected, const std::vector<std::string>& wheres) {
  for (int64_t n = 1; n < 200; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    RstStatusRecorder status;
    std::vector<RstRead*> in = make_inputs();
    RstAllocFault::fail_nth(n);
    RstRead* node = make(in[0], in[1]);
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (!node) {
      EXPECT_TRUE(reached);
      ASSERT_FALSE(status.errors().empty());
      EXPECT_EQ(status.errors().front().code, -1);
      if (!wheres.empty()) {
        EXPECT_THAT(wheres, ::testing::Contains(status.errors().front().where));
      }
      for (RstRead* input : in) {
        input->reset();
        Bytes line(size_t(input->line_size()) + 8);
        EXPECT_GT(input->read(line.data()), 0);
        input->end();
      }
      continue;
    }
    Held<> held(node);
    EXPECT_EQ(pull(node), expected);
    if (!reached) return;
  }
  ADD_FAILURE() << "the create never stopped allocating";
}

TEST_F(PixelBinaryNodes, AllocationFailures) {
  Image a = random_image(40, 3, 1, 1, 11), b = random_image(13, 2, 1, 1, 12);
  const std::vector<std::string> wheres{"RstPixelBinaryOperation::initiate()", "rst_create_end()"};
  struct Case {
    const char* name;
    PixelOp op;
    int32_t x, y;
    const Image &a, &b;
  } cases[] = {
      {"shifted And", PixelOp::and_op, 5, 1, a, b},
      {"aligned Or", PixelOp::or_op, 16, 0, a, b},
      {"bilevel Sub", PixelOp::sub, 3, 1, a, b},
      {"same-size Sub", PixelOp::sub, 0, 0, a, a},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> expected = reference_op(c.a, c.b, c.x, c.y, c.op).lines;
    if (&c.a == &c.b) expected = blank_image(40, 3, 1, 1).lines;
    check_pair_allocation_failures(
        [&] {
          return std::vector<RstRead*>{typed_source(c.a), typed_source(c.b)};
        },
        [&](RstRead* x, RstRead* y) {
          return by_dispatcher({x, y}, c.op, c.x, c.y);
        },
        expected, wheres);
    check_pair_allocation_failures(
        [&] {
          return std::vector<RstRead*>{typed_source(c.a), typed_source(c.b)};
        },
        [&](RstRead* x, RstRead* y) { return by_command(x, y, c.op, c.x - 20, c.y); },
        reference_op(c.a, c.b, c.x - 20, c.y, c.op).lines, {});
  }
}

}  // namespace
