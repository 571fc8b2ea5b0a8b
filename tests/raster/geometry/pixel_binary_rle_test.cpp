// Binary pixel operations on run lines: AND and OR merges and the labelled
// AND on their cases and on malformed lines, the output kept inside the
// caller's line, run-line subtract as the AND with B inverted, the routing of
// the same-size dispatchers, refusals, allocation failures, and the ITU charts
// against Leptonica and the raw same-size nodes.
#include <array>
#include <functional>
#include <string>

#include "charts.h"
#include "pixel_binary_support.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_pixel_rle_binary.h"
#include "raster/geometry/rst_pixel_same_size.h"

namespace {

class PixelBinaryRLE : public RstStatusTest {};

using Triples = std::vector<std::array<int32_t, 3>>;

// A valued-run line; the terminator (0, -1, -1) unless left out.
Bytes valued_line(const Triples& triples, bool terminated = true) {
  std::vector<int32_t> v;
  for (const auto& t : triples) v.insert(v.end(), t.begin(), t.end());
  if (terminated) v.insert(v.end(), {0, -1, -1});
  Bytes b(v.size() * 4);
  std::memcpy(b.data(), v.data(), b.size());
  return b;
}

RstRead* labels_source(int32_t width, std::vector<Bytes> lines, int line_size = -1) {
  int32_t height = int32_t(lines.size());
  return new LineSource(image_header(width, height, 32, 1, nullptr, RstDataForm::rle_n), std::move(lines),
                        line_size >= 0 ? line_size : 12 * (width + 1));
}

struct MergeCase {
  const char* name;
  int32_t width;
  Bytes a, b;
  Pairs out;
};

TEST_F(PixelBinaryRLE, AndMerge) {
  const MergeCase cases[] = {
      {"overlaps", 20, run_line({{2, 9}}), run_line({{0, 3}, {6, 12}}), {{2, 3}, {6, 9}}},
      {"empty A", 20, run_line({}), run_line({{0, 5}}), {}},
      {"empty B", 20, run_line({{0, 19}}), run_line({}), {}},
      {"disjoint", 20, run_line({{0, 3}, {10, 12}}), run_line({{5, 8}, {14, 19}}), {}},
      {"equal ends", 20, run_line({{1, 5}, {8, 9}}), run_line({{3, 5}, {7, 9}}), {{3, 5}, {8, 9}}},
      // Malformed lines give what their clean form gives.
      {"no terminator", 20, run_line({{2, 9}}, false), run_line({{0, 3}, {6, 12}}, false), {{2, 3}, {6, 9}}},
      {"run past the width", 20, run_line({{12, 40}}), run_line({{0, 19}}), {{12, 19}}},
      {"negative first", 20, run_line({{-4, 1}}), run_line({{0, 19}}), {{0, 1}}},
      {"reversed run", 20, run_line({{5, 2}}), run_line({{0, 19}}), {}},
      {"touching runs", 20, run_line({{0, 3}, {4, 6}}), run_line({{0, 19}}), {{0, 6}}},
      {"overlapping runs", 20, run_line({{0, 5}, {3, 8}}), run_line({{4, 6}}), {{4, 6}}},
      {"half a pair", 20, Bytes{1, 0, 0, 0}, run_line({{0, 19}}), {}},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstPixelAndSameSizeRLE1::create({rle_source(c.width, {c.a}), rle_source(c.width, {c.b})}));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line(c.out)});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryRLE, OrMerge) {
  const MergeCase cases[] = {
      {"touching runs join", 20, run_line({{0, 3}}), run_line({{4, 6}}), {{0, 6}}},
      {"one run spans two", 20, run_line({{0, 3}, {10, 12}}), run_line({{2, 11}}), {{0, 12}}},
      {"empty B copies A", 20, run_line({{1, 2}, {5, 6}}), run_line({}), {{1, 2}, {5, 6}}},
      {"empty A copies B", 20, run_line({}), run_line({{1, 2}, {5, 6}}), {{1, 2}, {5, 6}}},
      {"both empty", 20, run_line({}), run_line({}), {}},
      {"interleaved", 20, run_line({{0, 1}, {8, 9}}), run_line({{4, 5}, {12, 19}}), {{0, 1}, {4, 5}, {8, 9}, {12, 19}}},
      {"chain through both", 20, run_line({{0, 2}, {6, 8}}), run_line({{3, 5}, {9, 9}}), {{0, 9}}},
      {"no terminator", 20, run_line({{0, 3}}, false), run_line({{4, 6}}, false), {{0, 6}}},
      {"run past the width", 20, run_line({{12, 40}}), run_line({}), {{12, 19}}},
      {"negative and reversed", 20, run_line({{-4, 1}}), run_line({{5, 2}}), {{0, 1}}},
      {"touching runs in A", 20, run_line({{0, 3}, {4, 6}}), run_line({{10, 11}}), {{0, 6}, {10, 11}}},
      {"out of order", 20, run_line({{10, 12}, {2, 3}}), run_line({}), {{10, 12}}},
  };
  for (const MergeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstPixelOrSameSizeRLE1::create({rle_source(c.width, {c.a}), rle_source(c.width, {c.b})}));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{run_line(c.out)});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryRLE, LabelledAnd) {
  struct Case {
    const char* name;
    int32_t width;
    Bytes a, b;
    Triples out;
  } cases[] = {
      {"two labels", 20, valued_line({{5, 0, 9}, {6, 10, 19}}), run_line({{8, 12}}), {{5, 8, 9}, {6, 10, 12}}},
      {"empty A", 20, valued_line({}), run_line({{0, 19}}), {}},
      {"empty B", 20, valued_line({{5, 0, 9}}), run_line({}), {}},
      {"one label, two runs", 20, valued_line({{7, 0, 19}}), run_line({{1, 2}, {5, 6}}), {{7, 1, 2}, {7, 5, 6}}},
      {"touching runs of B", 20, valued_line({{7, 0, 9}}), run_line({{0, 3}, {4, 6}}), {{7, 0, 6}}},
      {"run past the width", 20, valued_line({{7, 12, 40}}), run_line({{0, 19}}), {{7, 12, 19}}},
      {"negative first", 20, valued_line({{7, -4, 1}}), run_line({{0, 19}}), {{7, 0, 1}}},
      {"reversed run", 20, valued_line({{7, 5, 2}}), run_line({{0, 19}}), {}},
      {"no terminators",
       20,
       valued_line({{5, 0, 9}, {6, 10, 19}}, false),
       run_line({{8, 12}}, false),
       {{5, 8, 9}, {6, 10, 12}}},
      {"overlapping labels", 20, valued_line({{5, 0, 9}, {6, 5, 19}}), run_line({{0, 19}}), {{5, 0, 9}, {6, 10, 19}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(RstPixelAndSameSizeRLEN32_RLE1::create({labels_source(c.width, {c.a}), rle_source(c.width, {c.b})}));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{valued_line(c.out)});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryRLE, OutputStaysInsideTheLine) {
  // A's line of 24 bytes holds two runs and the terminator; B's has more.
  Bytes many = run_line({{0, 0}, {2, 2}, {4, 4}, {6, 6}, {8, 8}});
  Held<> or_node(RstPixelOrSameSizeRLE1::create({rle_source(9, {run_line({})}, 24), rle_source(9, {many}, 48)}));
  ASSERT_NE(or_node, nullptr);
  EXPECT_EQ(or_node->line_size(), 24);
  EXPECT_EQ(pull(or_node.get()), std::vector<Bytes>{run_line({{0, 0}, {2, 2}})});
  Held<> and_node(
      RstPixelAndSameSizeRLE1::create({rle_source(9, {run_line({{0, 8}})}, 24), rle_source(9, {many}, 48)}));
  EXPECT_EQ(pull(and_node.get()), std::vector<Bytes>{run_line({{0, 0}, {2, 2}})});
  // Labelled: a line of 36 bytes holds two triples.
  Held<> labels(RstPixelAndSameSizeRLEN32_RLE1::create(
      {labels_source(9, {valued_line({{1, 0, 8}})}, 36), rle_source(9, {many})}));
  EXPECT_EQ(pull(labels.get()), std::vector<Bytes>{valued_line({{1, 0, 0}, {1, 2, 2}})});
  // A full line without terminator whose runs outnumber the output line.
  Held<> claim(RstPixelOrSameSizeRLE1::create(
      {rle_source(9, {run_line({{1, 1}, {3, 3}}, false)}, 16), rle_source(9, {run_line({})})}));
  EXPECT_EQ(pull(claim.get()), std::vector<Bytes>{run_line({{1, 1}})});
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryRLE, ProtocolAndDispatch) {
  auto* a = static_cast<LineSource*>(rle_source(10, {run_line({{0, 9}}), run_line({{2, 3}}), run_line({})}));
  auto* b = static_cast<LineSource*>(rle_source(10, {run_line({{1, 1}}), run_line({{3, 8}}), run_line({{0, 9}})}));
  Held<> node(RstPixelAnd::create({a, b}, 0, 0));
  ASSERT_NE(dynamic_cast<RstPixelAndSameSizeRLE1*>(node.get()), nullptr);
  RstHeader h(node.get());
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  EXPECT_EQ(node->line_size(), rst_rle_line_bound(10));
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(a->last_skip, 1);
  EXPECT_EQ(b->last_skip, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{run_line({{3, 3}}), run_line({})}));
  node->reset();
  EXPECT_EQ(a->resets, 1);
  EXPECT_EQ(b->resets, 1);
  EXPECT_EQ(first_line(node.get()), run_line({{1, 1}}));

  // Or goes to the run-line OR; paste of a covering B gives B itself.
  Held<> or_node(
      RstPixelOr::create({rle_source(10, {run_line({{0, 1}})}), rle_source(10, {run_line({{2, 3}})})}, 0, 0));
  EXPECT_NE(dynamic_cast<RstPixelOrSameSizeRLE1*>(or_node.get()), nullptr);
  EXPECT_EQ(first_line(or_node.get()), run_line({{0, 3}}));
  RstRead* pasted = rle_source(10, {run_line({{2, 3}})});
  Held<> paste(RstPaste::create({rle_source(10, {run_line({{0, 1}})}), pasted}, 0, 0));
  EXPECT_EQ(paste.get(), pasted);
  EXPECT_TRUE(status.errors().empty());

  struct Refusal {
    const char* name;
    std::function<RstRead*()> a, b;
    std::function<RstRead*(RstRead*, RstRead*)> make;
    RstReport report;
  } refusals[] = {
      {"AND of other widths",
       [] { return rle_source(10, {run_line({})}); },
       [] { return rle_source(11, {run_line({})}); },
       [](RstRead* x, RstRead* y) {
         return RstPixelAndSameSizeRLE1::create({x, y});
       },
       {-3, "RstPixelAndSameSizeRLE1::create()"}},
      {"OR of raw lines",
       [] { return new LineSource(image_header(8, 1, 1, 1), {Bytes(1)}); },
       [] { return new LineSource(image_header(8, 1, 1, 1), {Bytes(1)}); },
       [](RstRead* x, RstRead* y) {
         return RstPixelOrSameSizeRLE1::create({x, y});
       },
       {-3, "RstPixelOrSameSizeRLE1::create()"}},
      {"OR with a missing entry",
       [] { return rle_source(10, {run_line({})}); },
       [] { return nullptr; },
       [](RstRead* x, RstRead*) {
         return RstPixelOrSameSizeRLE1::create({x, nullptr});
       },
       {-2, "RstPixelOrSameSizeRLE1::create()"}},
      {"labelled AND of two run lines",
       [] { return rle_source(10, {run_line({})}); },
       [] { return rle_source(10, {run_line({})}); },
       [](RstRead* x, RstRead* y) {
         return RstPixelAndSameSizeRLEN32_RLE1::create({x, y});
       },
       {-3, "RstPixelAndSameSizeRLEN32_RLE1::create()"}},
      {"labelled AND of one entry",
       [] { return labels_source(10, {valued_line({})}); },
       [] { return nullptr; },
       [](RstRead* x, RstRead*) { return RstPixelAndSameSizeRLEN32_RLE1::create({x}); },
       {-2, "RstPixelAndSameSizeRLEN32_RLE1::create()"}},
      {"dispatcher at (8, 0)",
       [] {
         return rle_source(16, {run_line({{0, 15}})});
       },
       [] { return rle_source(8, {run_line({})}); },
       [](RstRead* x, RstRead* y) {
         return RstPixelAnd::create({x, y}, 8, 0);
       },
       {-3, "RstPixelAnd::create()"}},
      {"shifted variant",
       [] {
         return rle_source(16, {run_line({{0, 15}})});
       },
       [] { return rle_source(8, {run_line({})}); },
       [](RstRead* x, RstRead* y) {
         return RstPixelOr1xoffnon8::create({x, y}, 3, 0);
       },
       {-3, "RstPixelOr1xoffnon8::create()"}},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    RstStatusRecorder local;
    RstRead* x = r.a();
    RstRead* y = r.b();
    EXPECT_EQ(r.make(x, y), nullptr);
    ASSERT_FALSE(local.errors().empty());
    EXPECT_EQ(local.errors().front(), r.report);
    for (RstRead* input : {x, y})
      if (input) input->end();
  }
}

// Subtract of run lines: the run-line AND of A with B inverted, equal to the
// raw subtract of the painted pages.
TEST_F(PixelBinaryRLE, SubtractIsAndWithInvertedB) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    Image a = clean_pad(random_image(37 + int32_t(seed), 9, 1, 1, seed));
    Image b = clean_pad(random_image(37 + int32_t(seed), 9, 1, 1, seed + 10));
    Held<> node(RstPixelSubSameSize::create({rle_source_of(a), rle_source_of(b)}));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(RstHeader(node.get()).data_form, RstDataForm::rle);
    EXPECT_NE(dynamic_cast<RstPixelAndSameSizeRLE1*>(node.get()), nullptr);
    Image runs = image_of_runs(node.release());
    Held<> raw(RstPixelSubSameSize::create({source_of(a), source_of(b)}));
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(runs.lines, image_of(raw.get()).lines);
    EXPECT_EQ(runs.lines, reference_op(a, b, 0, 0, PixelOp::sub).lines);
    // The same through the dispatcher and the command.
    Held<> by_sub(RstPixelSub::create({rle_source_of(a), rle_source_of(b)}, 0, 0));
    EXPECT_EQ(image_of_runs(by_sub.release()).lines, runs.lines);
    Held<> command(by_command(rle_source_of(a), rle_source_of(b), PixelOp::sub, 0, 0));
    EXPECT_EQ(image_of_runs(command.release()).lines, runs.lines);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelBinaryRLE, AllocationFailures) {
  std::vector<Bytes> a{run_line({{0, 3}, {9, 20}}), run_line({})}, b{run_line({{2, 10}}), run_line({{0, 20}})};
  const std::vector<std::string> wheres{"RstPixelBinaryOperation::initiate()", "rst_create_end()",
                                        "RstPixelNotRLE::initiate()"};
  struct Case {
    const char* name;
    std::function<RstRead*(RstRead*, RstRead*)> make;
    std::vector<Bytes> out;
  } cases[] = {
      {"AND",
       [](RstRead* x, RstRead* y) {
         return RstPixelAnd::create({x, y}, 0, 0);
       },
       {run_line({{2, 3}, {9, 10}}), run_line({})}},
      {"OR",
       [](RstRead* x, RstRead* y) {
         return RstPixelOr::create({x, y}, 0, 0);
       },
       {run_line({{0, 20}}), run_line({{0, 20}})}},
      {"subtract",
       [](RstRead* x, RstRead* y) {
         return RstPixelSubSameSize::create({x, y});
       },
       {run_line({{0, 1}, {11, 20}}), run_line({})}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int64_t n = 1;; ++n) {
      ASSERT_LT(n, 64) << "the create never stopped allocating";
      RstStatusRecorder local;
      RstRead* x = rle_source(21, a);
      RstRead* y = rle_source(21, b);
      RstAllocFault::fail_nth(n);
      RstRead* node = c.make(x, y);
      bool reached = RstAllocFault::calls() >= n;
      RstAllocFault::clear();
      if (!node) {
        ASSERT_FALSE(local.errors().empty());
        EXPECT_EQ(local.errors().front().code, -1);
        EXPECT_THAT(wheres, ::testing::Contains(local.errors().front().where));
        // Both inputs are the caller's and read from their start.
        EXPECT_EQ(first_line(x), a[0]);
        EXPECT_EQ(first_line(y), b[0]);
        x->end();
        y->end();
        continue;
      }
      Held<> held(node);
      EXPECT_EQ(pull(node), c.out);
      if (!reached) break;
    }
  }
}

TEST_F(PixelBinaryRLE, LabelledAndAllocationFailures) {
  std::vector<Bytes> labels{valued_line({{5, 0, 9}, {6, 10, 19}}), valued_line({})};
  std::vector<Bytes> mask{run_line({{8, 12}}), run_line({{0, 19}})};
  const std::vector<std::string> wheres{"RstPixelBinaryOperation::initiate()", "rst_create_end()"};
  for (int64_t n = 1;; ++n) {
    ASSERT_LT(n, 64) << "the create never stopped allocating";
    RstStatusRecorder local;
    RstRead* x = labels_source(20, labels);
    RstRead* y = rle_source(20, mask);
    RstAllocFault::fail_nth(n);
    RstRead* node = RstPixelAndSameSizeRLEN32_RLE1::create({x, y});
    bool reached = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    if (!node) {
      ASSERT_FALSE(local.errors().empty());
      EXPECT_EQ(local.errors().front().code, -1);
      EXPECT_THAT(wheres, ::testing::Contains(local.errors().front().where));
      EXPECT_EQ(first_line(x), labels[0]);
      EXPECT_EQ(first_line(y), mask[0]);
      x->end();
      y->end();
      continue;
    }
    Held<> held(node);
    EXPECT_EQ(pull(node), (std::vector<Bytes>{valued_line({{5, 8, 9}, {6, 10, 12}}), valued_line({})}));
    if (!reached) break;
  }
}

// The ITU charts as run lines: AND and OR of chart pairs, painted, equal
// Leptonica's pixAnd and pixOr and the raw same-size nodes.
class ChartMerge : public ::testing::TestWithParam<int> {};

TEST_P(ChartMerge, MatchesLeptonicaAndTheRawNodes) {
  RstStatusRecorder status;
  int first = GetParam(), second = GetParam() % 8 + 1;
  Image a = read_netpbm(chart_file(first)), b = read_netpbm(chart_file(second));
  ASSERT_EQ(a.width, 1728);
  ASSERT_EQ(b.width, a.width);
  ASSERT_EQ(b.height, a.height);
  a = clean_pad(a);
  b = clean_pad(b);
  for (PixelOp op : {PixelOp::and_op, PixelOp::or_op}) {
    SCOPED_TRACE(op_name(op));
    Held<> runs(by_dispatcher({rle_source_of(a), rle_source_of(b)}, op, 0, 0));
    ASSERT_NE(runs, nullptr);
    EXPECT_TRUE(op == PixelOp::and_op ? dynamic_cast<RstPixelAndSameSizeRLE1*>(runs.get()) != nullptr
                                      : dynamic_cast<RstPixelOrSameSizeRLE1*>(runs.get()) != nullptr);
    Image painted = image_of_runs(runs.release());
    Held<> raw(by_dispatcher({source_of(a), source_of(b)}, op, 0, 0));
    ASSERT_NE(raw, nullptr);
    EXPECT_TRUE(painted.lines == image_of(raw.get()).lines) << "run lines and raw lines differ";
#ifdef PK_HAVE_LEPTONICA
    PIX* pa = pix_of(a);
    PIX* pb = pix_of(b);
    PIX* pd = op == PixelOp::and_op ? pixAnd(nullptr, pa, pb) : pixOr(nullptr, pa, pb);
    ASSERT_NE(pd, nullptr);
    EXPECT_TRUE(painted.lines == image_of_pix(pd).lines) << "Leptonica differs";
    pixDestroy(&pa);
    pixDestroy(&pb);
    pixDestroy(&pd);
#endif
  }
  EXPECT_TRUE(status.errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Charts, ChartMerge, ::testing::Range(1, 9));

}  // namespace
