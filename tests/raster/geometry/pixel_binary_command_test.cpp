// Binary pixel operations by command: B anywhere on A (clipped, or A itself
// when B misses), colormaps expanded or kept for paste, depths and colour
// types brought together without A losing any, refusals; a sweep of offsets
// and sizes against a pixel-by-pixel model, by command and by dispatcher; and
// random pages against Leptonica's pixRasterop and pixSubtractGray.
#include <functional>
#include <random>
#include <string>

#include "pixel_binary_support.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_pixel_same_size.h"

namespace {

class PixelBinaryCommand : public RstStatusTest {
 protected:
  void SetUp() override { rst_register_color_creators(); }
};

// A source that notes when it is deleted.
class WatchedSource : public LineSource {
 public:
  WatchedSource(const Image& im, bool* gone)
      : LineSource(image_header(im.width, im.height, im.bits, im.samples, typed_color(im)), im.lines), gone_(gone) {}
  ~WatchedSource() override { *gone_ = true; }

 private:
  bool* gone_;
};

TEST_F(PixelBinaryCommand, BThatMissesAGivesAItself) {
  Image a = random_image(20, 4, 1, 1, 1), b = random_image(6, 2, 1, 1, 2);
  struct Case {
    int32_t x, y;
  } cases[] = {{-6, 0}, {0, 4}, {20, 0}, {0, -2}, {-100, -100}, {INT32_MIN, 0}, {INT32_MAX, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "x = " << c.x << ", y = " << c.y);
    bool gone = false;
    auto* sa = typed_source(a);
    Held<> node(by_command(sa, new WatchedSource(b, &gone), PixelOp::and_op, c.x, c.y));
    EXPECT_EQ(node.get(), sa);
    EXPECT_TRUE(gone) << "B was not released";
    EXPECT_EQ(pull(node.get()), a.lines);
  }
  // One column or row of B on A is enough.
  Held<> edge(by_command(typed_source(a), typed_source(b), PixelOp::paste, -5, 3));
  EXPECT_EQ(image_of(edge.get()).lines, reference_op(a, b, -5, 3, PixelOp::paste).lines);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryCommand, BIsClippedToA) {
  Image a = random_image(24, 5, 8, 1, 3), b = random_image(10, 3, 8, 1, 4);
  // x = -3: B's columns 3 on land on A's columns 0 on.
  Held<> left(by_command(typed_source(a), typed_source(b), PixelOp::paste, -3, 1));
  Image out = image_of(left.get());
  EXPECT_EQ(out.lines, reference_op(a, b, -3, 1, PixelOp::paste).lines);
  EXPECT_EQ(out.lines[1][0], b.lines[0][3]);
  // B larger than A at (0, 0): clipped to A, the exact-cover node.
  Image big = random_image(30, 7, 8, 1, 5);
  Held<> cover(by_command(typed_source(a), typed_source(big), PixelOp::and_op, 0, 0));
  EXPECT_NE(dynamic_cast<RstPixelAndSameSize*>(cover.get()), nullptr);
  EXPECT_EQ(image_of(cover.get()).lines, reference_op(a, big, 0, 0, PixelOp::and_op).lines);
  // A same-size paste is B itself.
  auto* same = typed_source(big);
  Held<> paste(by_command(typed_source(big), same, PixelOp::paste, 0, 0));
  EXPECT_EQ(paste.get(), same);
  // The variant follows the offset left after clipping.
  Image a1 = random_image(40, 3, 1, 1, 6), b1 = random_image(12, 3, 1, 1, 7);
  Held<> aligned(by_command(typed_source(a1), typed_source(b1), PixelOp::and_op, 8, 0));
  EXPECT_NE(dynamic_cast<RstPixelAnd1xoff8*>(aligned.get()), nullptr);
  Held<> shifted(by_command(typed_source(a1), typed_source(b1), PixelOp::and_op, 9, 0));
  EXPECT_NE(dynamic_cast<RstPixelAnd1xoffnon8*>(shifted.get()), nullptr);
  Held<> clipped(by_command(typed_source(a1), typed_source(b1), PixelOp::and_op, -4, -1));
  EXPECT_NE(dynamic_cast<RstPixelAnd1xoff8*>(clipped.get()), nullptr);
  EXPECT_EQ(image_of(clipped.get()).lines, reference_op(a1, b1, -4, -1, PixelOp::and_op).lines);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryCommand, DepthsAndColourTypesMeet) {
  // A bilevel A (1 is black) under an 8-bit gray B: A becomes 8-bit gray,
  // black 0 and white 255.
  Image a1{8, 1, 1, 1, {{0xF0}}}, g{2, 1, 8, 1, {{100, 200}}};
  Held<> widened(by_command(typed_source(a1), typed_source(g), PixelOp::paste, 3, 0));
  ASSERT_NE(widened, nullptr);
  RstHeader h(widened.get());
  EXPECT_EQ(h.bits_per_sample, 8);
  EXPECT_EQ(h.color_type, RstColorType::s_gray());
  EXPECT_EQ(pull(widened.get()), (std::vector<Bytes>{{0, 0, 0, 100, 200, 255, 255, 255}}));
  // An 8-bit A keeps its depth: a bilevel B is widened to it.
  Held<> onto8(by_command(typed_source(g), typed_source(a1), PixelOp::paste, 0, 0));
  EXPECT_EQ(pull(onto8.get()), (std::vector<Bytes>{{0, 0}}));

  // Gray and reverse gray bilevel: B is inverted first and takes A's type.
  Image white_black{8, 1, 1, 1, {{0xF0}}};  // in gray: 4 white, 4 black
  Image blank{16, 1, 1, 1, {{0x00, 0x00}}};
  Held<> inverted(
      by_command(typed_source(blank), typed_source(white_black, RstColorType::s_gray()), PixelOp::paste, 4, 0));
  ASSERT_NE(inverted, nullptr);
  EXPECT_EQ(RstHeader(inverted.get()).color_type, RstColorType::s_gray_reverse());
  EXPECT_EQ(pull(inverted.get()), (std::vector<Bytes>{{0x00, 0xF0}}));
  // Other bilevel types are relabelled without inversion.
  Held<> relabelled(
      by_command(typed_source(blank), typed_source(white_black, RstColorType::none()), PixelOp::or_op, 8, 0));
  ASSERT_NE(relabelled, nullptr);
  EXPECT_EQ(pull(relabelled.get()), (std::vector<Bytes>{{0x00, 0xF0}}));

  // RGB with gray, both ways: the result is RGB.
  Image rgb{2, 1, 8, 3, {{10, 20, 30, 40, 50, 60}}}, gray{1, 1, 8, 1, {{77}}};
  Held<> rgb_a(by_command(typed_source(rgb), typed_source(gray), PixelOp::paste, 1, 0));
  ASSERT_NE(rgb_a, nullptr);
  EXPECT_EQ(RstHeader(rgb_a.get()).color_type, RstColorType::s_rgb());
  EXPECT_EQ(pull(rgb_a.get()), (std::vector<Bytes>{{10, 20, 30, 77, 77, 77}}));
  Image gray2{2, 1, 8, 1, {{5, 9}}}, one_rgb{1, 1, 8, 3, {{1, 2, 3}}};
  Held<> gray_a(by_command(typed_source(gray2), typed_source(one_rgb), PixelOp::paste, 0, 0));
  ASSERT_NE(gray_a, nullptr);
  RstHeader gh(gray_a.get());
  EXPECT_EQ(gh.color_type, RstColorType::s_rgb());
  EXPECT_EQ(gh.samples_per_pixel, 3);
  EXPECT_EQ(pull(gray_a.get()), (std::vector<Bytes>{{1, 2, 3, 9, 9, 9}}));

  // Sub of 8-bit samples: 10 - 20 = 0, 20 - 10 = 10.
  Image s1{2, 1, 8, 1, {{10, 20}}}, s2{2, 1, 8, 1, {{20, 10}}};
  Held<> sub(by_command(typed_source(s1), typed_source(s2), PixelOp::sub, 0, 0));
  EXPECT_EQ(pull(sub.get()), (std::vector<Bytes>{{0, 10}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryCommand, Colormaps) {
  // Two-entry RGB colormaps over 8-bit indices.
  const uint8_t red_blue[] = {255, 0, 0, 0, 0, 255};
  const uint8_t green_white[] = {0, 255, 0, 255, 255, 255};
  auto indexed = [](const Bytes& line, const uint8_t* colors) {
    RstHeader h = image_header(int32_t(line.size()), 1, 8, 1, RstColorType::s_rgb());
    h.colormap = RstCountedPtr<RstColormap>(new RstColormap(8, 3, 2, colors));
    return new LineSource(h, {line});
  };
  // Paste over equal colormaps keeps the indices.
  Held<> kept(by_command(indexed({0, 0, 0}, red_blue), indexed({1}, red_blue), PixelOp::paste, 1, 0));
  ASSERT_NE(kept, nullptr);
  EXPECT_TRUE(bool(RstHeader(kept.get()).colormap));
  EXPECT_EQ(pull(kept.get()), (std::vector<Bytes>{{0, 1, 0}}));
  // Other colormaps, and every And, are expanded to their colours.
  Held<> expanded(by_command(indexed({0, 0, 0}, red_blue), indexed({1}, green_white), PixelOp::paste, 1, 0));
  ASSERT_NE(expanded, nullptr);
  EXPECT_FALSE(bool(RstHeader(expanded.get()).colormap));
  EXPECT_EQ(pull(expanded.get()), (std::vector<Bytes>{{255, 0, 0, 255, 255, 255, 255, 0, 0}}));
  Held<> anded(by_command(indexed({0, 1}, red_blue), indexed({1, 1}, red_blue), PixelOp::and_op, 0, 0));
  ASSERT_NE(anded, nullptr);
  EXPECT_EQ(pull(anded.get()), (std::vector<Bytes>{{0, 0, 0, 0, 0, 255}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryCommand, Refusals) {
  Image a = random_image(16, 2, 8, 1, 1), b = random_image(4, 1, 8, 1, 2);
  RstHeader two_channels = image_header(4, 1, 8, 2, RstColorType::s_gray());
  RstHeader sixteen = image_header(4, 1, 16, 1, RstColorType::s_gray());
  RstHeader rgb_as_gray = image_header(4, 1, 8, 3, RstColorType::s_gray());
  struct Case {
    const char* name;
    std::function<RstRead*()> a, b;
    std::function<RstRead*(RstRead*, RstRead*)> make;
    std::vector<RstReport> reports;
  } cases[] = {
      {"B missing",
       [&] { return typed_source(a); },
       [] { return nullptr; },
       [](RstRead* x, RstRead* y) { return by_command(x, y, PixelOp::and_op, 0, 0); },
       {{-2, "RstPixelBinaryOperation::create()"}}},
      {"command without A",
       [] { return nullptr; },
       [&] { return typed_source(b); },
       [](RstRead* x, RstRead* y) {
         RstPixelOrCommand command;
         return command.create(x, y, 0, 0);
       },
       {{-2, "RstPixelOrCommand::create()"}}},
      {"two channels",
       [&] { return typed_source(a); },
       [&] { return new LineSource(two_channels, {Bytes(8)}); },
       [](RstRead* x, RstRead* y) { return by_command(x, y, PixelOp::sub, 1, 0); },
       {{-3, "RstPixelBinaryOperationCommand::unify_attribute()"},
        {-3, "RstPixelSub::create()"},
        {-1, "rst_create_end()"},
        {-1, "rst_create_end()"}}},
      {"16 bits",
       [&] { return typed_source(a); },
       [&] { return new LineSource(sixteen, {Bytes(8)}); },
       [](RstRead* x, RstRead* y) { return by_command(x, y, PixelOp::and_op, 1, 0); },
       {{-3, "RstPixelBinaryOperationCommand::unify_attribute()"},
        {-3, "RstPixelAnd::create()"},
        {-1, "rst_create_end()"},
        {-1, "rst_create_end()"}}},
      {"one colour type, other channels",
       [&] { return typed_source(a); },
       [&] { return new LineSource(rgb_as_gray, {Bytes(12)}); },
       [](RstRead* x, RstRead* y) { return by_command(x, y, PixelOp::paste, 1, 0); },
       {{-50, "RstPixelBinaryOperationCommand::unify_attribute()"},
        {-3, "RstPaste::create()"},
        {-1, "rst_create_end()"},
        {-1, "rst_create_end()"}}},
      // A command called directly with B off A keeps the offset, which its
      // dispatcher refuses.
      {"command with B off A",
       [&] { return typed_source(a); },
       [&] { return typed_source(b); },
       [](RstRead* x, RstRead* y) {
         RstPixelAndCommand command;
         return command.create(x, y, -10, 0);
       },
       {{-2, "RstPixelBinaryOperationCommand::unify_attribute()"},
        {-2, "RstPixelAnd::create()"},
        {-1, "rst_create_end()"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstStatusRecorder local;
    RstRead* x = c.a();
    RstRead* y = c.b();
    EXPECT_EQ(c.make(x, y), nullptr);
    EXPECT_EQ(local.errors(), c.reports);
    for (RstRead* input : {x, y}) {
      if (!input) continue;
      Bytes line(size_t(input->line_size()) + 8);
      EXPECT_GT(input->read(line.data()), 0);
      input->end();
    }
  }
}

// With the default observer every failure throws: the nodes the command put
// in place of A and B are ended on the way out, A and B go back to the
// caller readable, and nothing leaks (ASan).
TEST_F(PixelBinaryCommand, ThrownFailuresLeaveTheInputsToTheCaller) {
  Image a{12, 2, 1, 1, {{0xF0, 0x30}, {0x0F, 0xC0}}}, g = random_image(5, 3, 8, 1, 9);
  std::vector<Bytes> expected;
  {
    Held<> node(by_command(typed_source(a), typed_source(g), PixelOp::paste, -2, 1));
    ASSERT_NE(node, nullptr);
    expected = pull(node.get());
  }
  ASSERT_EQ(expected.size(), 2u);
  RstObserver thrower;
  struct Restore {
    RstObserver* old;
    ~Restore() { RstStatusContext::instance()->set_observer(old); }
  } restore{RstStatusContext::instance()->set_observer(&thrower)};
  int failures = 0;
  for (int64_t n = 1;; ++n) {
    ASSERT_LT(n, 200) << "the create never stopped allocating";
    SCOPED_TRACE("allocation " + std::to_string(n) + " fails");
    RstRead* sa = typed_source(a);
    RstRead* sg = typed_source(g);
    RstAllocFault::fail_nth(n);
    RstRead* node = nullptr;
    bool thrown = false;
    try {
      node = by_command(sa, sg, PixelOp::paste, -2, 1);
    } catch (const RstStatus& s) {
      thrown = true;
      EXPECT_EQ(s.code(), -1);
    }
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (thrown || !node) {
      EXPECT_TRUE(thrown);
      ++failures;
      EXPECT_EQ(first_line(sa), a.lines[0]);
      EXPECT_EQ(first_line(sg), g.lines[0]);
      sa->end();
      sg->end();
      continue;
    }
    Held<> held(node);
    EXPECT_EQ(pull(node), expected);
    if (!reached) break;
  }
  // Widening, colour, clip and operation nodes each failed once at least.
  EXPECT_GE(failures, 4);
}

// Every offset from -17 to 17 on both axes, B 1 to 40 wide and 1 to 5 high,
// on A of 40 x 6, bilevel and 8-bit with 1, 3 and 4 channels, all four
// operations, against the model; by command, and by dispatcher where B lies
// inside A. Spare bits are random and left out of the comparison.
TEST_F(PixelBinaryCommand, SweepAgainstThePixelModel) {
  struct Kind {
    int32_t bits, samples;
  } kinds[] = {{1, 1}, {8, 1}, {8, 3}, {8, 4}};
  const PixelOp ops[] = {PixelOp::and_op, PixelOp::or_op, PixelOp::sub, PixelOp::paste};
  int checked = 0;
  for (const Kind& k : kinds) {
    Image a = random_image(40, 6, k.bits, k.samples, uint32_t(k.bits * 10 + k.samples));
    std::vector<Image> bs;
    for (int32_t h = 1; h <= 5; ++h)
      for (int32_t w = 1; w <= 40; ++w) bs.push_back(random_image(w, h, k.bits, k.samples, uint32_t(w * 7 + h)));
    auto check = [&](int32_t x, int32_t y, int32_t w, int32_t h) {
      const Image& b = bs[size_t((h - 1) * 40 + (w - 1))];
      for (PixelOp op : ops) {
        Image expected = clean_pad(reference_op(a, b, x, y, op));
        {
          Held<> node(by_command(typed_source(a), typed_source(b), op, x, y));
          ASSERT_NE(node, nullptr);
          ASSERT_EQ(clean_pad(image_of(node.get())).lines, expected.lines)
              << op_name(op) << " by command, " << k.bits << "x" << k.samples << ", B " << w << " x " << h << " at ("
              << x << ", " << y << ")";
        }
        bool inside = x >= 0 && y >= 0 && x + w <= a.width && y + h <= a.height;
        if (!inside) continue;
        Held<> node(by_dispatcher({typed_source(a), typed_source(b)}, op, x, y));
        ASSERT_NE(node, nullptr);
        ASSERT_EQ(clean_pad(image_of(node.get())).lines, expected.lines)
            << op_name(op) << " by dispatcher, " << k.bits << "x" << k.samples << ", B " << w << " x " << h << " at ("
            << x << ", " << y << ")";
        ++checked;
      }
    };
    // Every x with every width, y and height turning over; then every y
    // with every height, x and width turning over.
    for (int32_t x = -17; x <= 17; ++x)
      for (int32_t w = 1; w <= 40; ++w) check(x, ((x + 17) * 3 + w) % 12 - 4, w, 1 + (x + 17 + w) % 5);
    for (int32_t y = -17; y <= 17; ++y)
      for (int32_t h = 1; h <= 5; ++h)
        for (int32_t x : {-9, 0, 3, 8, 13}) check(x, y, 1 + (y + 17 + h * 7 + x + 9) % 40, h);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(checked, 1000);
  EXPECT_TRUE(status.errors().empty());
}

#ifdef PK_HAVE_LEPTONICA
// Random bilevel and 8-bit gray pages, B inside A and across every edge, by
// command against pixRasterop (And PIX_MASK, Or PIX_PAINT, Paste PIX_SRC and
// for bilevel Sub PIX_SUBTRACT); 8-bit same-size Sub against pixSubtractGray.
TEST_F(PixelBinaryCommand, RandomPagesMatchLeptonica) {
  struct Offset {
    int32_t x, y;
  } offsets[] = {{0, 0}, {5, 3}, {8, 0}, {37, 11}, {-13, -7}, {-64, 20}, {400, 150}, {300, -30}, {-5, 190}};
  for (int32_t bits : {1, 8}) {
    Image a = clean_pad(random_image(bits == 1 ? 613 : 157, bits == 1 ? 217 : 61, bits, 1, uint32_t(bits)));
    Image b = clean_pad(random_image(bits == 1 ? 205 : 53, bits == 1 ? 72 : 20, bits, 1, uint32_t(bits + 1)));
    struct OpPair {
      PixelOp op;
      int lept;
    } pairs[] = {{PixelOp::and_op, PIX_MASK},
                 {PixelOp::or_op, PIX_PAINT},
                 {PixelOp::paste, PIX_SRC},
                 {PixelOp::sub, PIX_SUBTRACT}};
    for (const OpPair& p : pairs) {
      if (p.op == PixelOp::sub && bits == 8) continue;  // Leptonica's is bitwise
      for (const Offset& o : offsets) {
        int32_t x = bits == 1 ? o.x : o.x / 4, y = bits == 1 ? o.y : o.y / 4;
        SCOPED_TRACE(testing::Message() << op_name(p.op) << " " << bits << "-bit at (" << x << ", " << y << ")");
        PIX* pa = pix_of(a);
        PIX* pb = pix_of(b);
        ASSERT_EQ(pixRasterop(pa, x, y, b.width, b.height, p.lept, pb, 0, 0), 0);
        Image theirs = image_of_pix(pa);
        pixDestroy(&pa);
        pixDestroy(&pb);
        Held<> node(by_command(typed_source(a), typed_source(b), p.op, x, y));
        ASSERT_NE(node, nullptr);
        EXPECT_TRUE(clean_pad(image_of(node.get())).lines == clean_pad(theirs).lines);
      }
    }
  }
  Image g1 = random_image(157, 61, 8, 1, 21), g2 = random_image(157, 61, 8, 1, 22);
  PIX* p1 = pix_of(g1);
  PIX* p2 = pix_of(g2);
  PIX* pd = pixSubtractGray(nullptr, p1, p2);
  ASSERT_NE(pd, nullptr);
  Held<> sub(by_command(typed_source(g1), typed_source(g2), PixelOp::sub, 0, 0));
  EXPECT_NE(dynamic_cast<RstPixelSubSameSize*>(sub.get()), nullptr);
  EXPECT_TRUE(image_of(sub.get()).lines == image_of_pix(pd).lines);
  pixDestroy(&p1);
  pixDestroy(&p2);
  pixDestroy(&pd);
  EXPECT_TRUE(status.errors().empty());
}
#endif

}  // namespace
