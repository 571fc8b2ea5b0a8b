// The scaling fronts: refusals, the source itself at its own size, the order
// of the two scalers, mirroring at exact ratios, run lines kept as run
// lines, a failing second scaler, and allocation failures.
#include <random>

#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_scale.h"
#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_height_rle.h"
#include "raster/geometry/rst_scale_or_and.h"
#include "raster/geometry/rst_scale_width_nn.h"
#include "raster/geometry/rst_scale_width_rle.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_process.h"

namespace {

class Scale : public RstStatusTest {};

using Front = RstRead* (*)(RstRead*, int32_t, int32_t);
struct NamedFront {
  const char* name;
  Front create;
};
const NamedFront kFronts[] = {
    {"RstScaleNN", RstScaleNN::create},       {"RstScaleOR", RstScaleOR::create},
    {"RstScaleAND", RstScaleAND::create},     {"RstScaleRLENN", RstScaleRLENN::create},
    {"RstScaleRLEOR", RstScaleRLEOR::create}, {"RstScaleRLEAND", RstScaleRLEAND::create},
};

// A random bilevel page of raw lines.
std::vector<Bytes> random_rows(int32_t width, int32_t height, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Bytes> rows;
  for (int32_t y = 0; y < height; ++y) {
    Bytes row(size_t(width + 7) / 8);
    for (uint8_t& b : row) b = uint8_t(rng() & rng());
    if (width & 7) row.back() &= uint8_t(0xFF << (8 - (width & 7)));
    rows.push_back(row);
  }
  return rows;
}

LineSource* raw_page(int32_t width, const std::vector<Bytes>& rows) {
  return new LineSource(image_header(width, int32_t(rows.size()), 1, 1, RstColorType::s_gray_reverse()), rows);
}

bool bit(const Bytes& row, int32_t x) { return (row[size_t(x) >> 3] >> (7 - (x & 7))) & 1; }

TEST_F(Scale, Refusals) {
  for (const NamedFront& f : kFronts) {
    std::string where = std::string(f.name) + "::create()";
    for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {4, -5}}) {
      SCOPED_TRACE(where + " " + std::to_string(w) + " x " + std::to_string(h));
      RstStatusRecorder local;
      LineSource* src = raw_page(8, {{0xF0}, {0x0F}});
      EXPECT_EQ(f.create(src, w, h), nullptr);
      EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, where}}));
      EXPECT_EQ(src->reads + src->skips + src->resets, 0) << "the source untouched";
      src->end();
    }
    RstStatusRecorder local;
    EXPECT_EQ(f.create(nullptr, 4, 4), nullptr);
    EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-2, where}}));
  }
  for (const NamedFront& f : {kFronts[0], kFronts[1], kFronts[2]}) {
    RstStatusRecorder local;
    auto* src = new LineSource(image_header(8, 2, 8, 1, nullptr, RstDataForm::rle_n), {});
    EXPECT_EQ(f.create(src, 4, 1), nullptr);
    EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-3, std::string(f.name) + "::create()"}}));
    src->end();
  }
}

TEST_F(Scale, OwnSizeReturnsTheSource) {
  for (RstHeader h : {image_header(6, 3, 16, 1), image_header(6, 3, 8, 2), image_header(6, 3, 4, 1),
                      image_header(6, 3, 8, 3), image_header(6, 3, 1, 1)}) {
    auto* src = new LineSource(h, {});
    EXPECT_EQ(RstScaleNN::create(src, 6, 3), src);
    if (h.bits_per_sample == 1) {
      EXPECT_EQ(RstScaleOR::create(src, 6, 3), src);
      EXPECT_EQ(RstScaleAND::create(src, 6, 3), src);
    }
    src->end();
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(Scale, OrderRule) {
  struct Case {
    const char* name;
    Front front;
    int32_t width, height;
    bool height_first;
  } cases[] = {
      {"NN shrinking height", RstScaleNN::create, 20, 5, true}, {"NN equal height", RstScaleNN::create, 20, 10, false},
      {"NN taller", RstScaleNN::create, 4, 30, false},          {"OR shrinking height", RstScaleOR::create, 8, 4, true},
      {"AND taller", RstScaleAND::create, 8, 12, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Held<> node(c.front(raw_page(16, random_rows(16, 10, 1)), c.width, c.height));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(h.width, c.width);
    EXPECT_EQ(h.height, c.height);
    auto* outer = dynamic_cast<RstProcess*>(node.get());
    ASSERT_NE(outer, nullptr);
    bool outer_is_width = dynamic_cast<RstScaleWidth*>(node.get()) != nullptr;
    bool inner_is_height = dynamic_cast<RstScaleHeight*>(outer->source()) != nullptr;
    EXPECT_EQ(outer_is_width && inner_is_height, c.height_first);
    EXPECT_EQ(pull(node.get()).size(), size_t(c.height));
  }
  // Run lines: the run-line scalers in the same order.
  Held<> runs(RstScaleOR::create(RstEncodeRLE::create(raw_page(16, random_rows(16, 10, 2))), 8, 5));
  ASSERT_NE(runs, nullptr);
  EXPECT_NE(dynamic_cast<RstScaleWidthRLE*>(runs.get()), nullptr);
  EXPECT_NE(dynamic_cast<RstScaleHeightRLE*>(static_cast<RstProcess*>(runs.get())->source()), nullptr);
  EXPECT_EQ(RstHeader(runs.get()).data_form, RstDataForm::rle);
}

TEST_F(Scale, NegativeWidthMirrorsAtExactRatios) {
  struct Case {
    int32_t from, to;
  } cases[] = {{1728, 1728}, {1728, 864}, {30, 10}, {30, 30}};
  for (const Case& c : cases) {
    std::vector<Bytes> rows = random_rows(c.from, 3, uint32_t(c.to));
    for (int f = 0; f < 6; ++f) {
      // The run-line scalers mirror the runs first and then map their
      // edges through a truncated factor: OR is exact where the factor is,
      // nearest neighbour and AND (which round edges) only at full size.
      bool exact_factor = (int64_t(c.to) << 12) % c.from == 0;
      if (f >= 3 && c.from != c.to && (f != 4 || !exact_factor)) continue;
      SCOPED_TRACE(std::string(kFronts[f].name) + " " + std::to_string(c.from) + " -> -" + std::to_string(c.to));
      auto make = [&](int32_t w) {
        RstRead* src = raw_page(c.from, rows);
        if (f >= 3) src = RstEncodeRLE::create(src);
        RstRead* scaled = kFronts[f].create(src, w, 3);
        return f >= 3 ? static_cast<RstRead*>(RstDecodeRLE::create(scaled)) : scaled;
      };
      Held<> plain(make(c.to)), mirrored(make(-c.to));
      ASSERT_NE(plain, nullptr);
      ASSERT_NE(mirrored, nullptr);
      std::vector<Bytes> a = pull(plain.get()), b = pull(mirrored.get());
      ASSERT_EQ(a.size(), b.size());
      for (size_t y = 0; y < a.size(); ++y)
        for (int32_t x = 0; x < c.to; ++x) ASSERT_EQ(bit(a[y], x), bit(b[y], c.to - 1 - x)) << y << " " << x;
    }
  }
}

TEST_F(Scale, RunLinesStayRunLines) {
  std::vector<Bytes> rows = random_rows(40, 9, 7);
  struct Case {
    Front front, runs;
  } cases[] = {{RstScaleNN::create, RstScaleRLENN::create},
               {RstScaleOR::create, RstScaleRLEOR::create},
               {RstScaleAND::create, RstScaleRLEAND::create}};
  for (const Case& c : cases) {
    for (auto [w, h] : {std::pair{17, 4}, {-25, 13}, {80, 9}}) {
      Held<> a(c.front(RstEncodeRLE::create(raw_page(40, rows)), w, h));
      Held<> b(c.runs(RstEncodeRLE::create(raw_page(40, rows)), w, h));
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(RstHeader(a.get()).data_form, RstDataForm::rle);
      EXPECT_EQ(pull(a.get()), pull(b.get()));
    }
  }
  // The run-line fronts test no form themselves: the scalers refuse.
  RstStatusRecorder local;
  LineSource* raw = raw_page(8, {{0xF0}, {0x0F}});
  EXPECT_EQ(RstScaleRLENN::create(raw, 4, 1), nullptr);
  EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-3, "RstScaleHeightRLENN::create()"}}));
  raw->end();
}

TEST_F(Scale, FailingSecondScalerLeavesTheSource) {
  RstStatusRecorder local;
  auto* page = new LineSource(image_header(4, 4, 16, 1), {Bytes(8, 1), Bytes(8, 2), Bytes(8, 3), Bytes(8, 4)});
  EXPECT_EQ(RstScaleNN::create(page, 2, 2), nullptr);
  EXPECT_EQ(local.errors(), (std::vector<RstReport>{{-3, "RstScaleWidthNN::create()"}}));
  EXPECT_EQ(page->reads + page->skips, 0);
  EXPECT_EQ(first_line(page), Bytes(8, 1)) << "the caller's page reads from line 0";
  page->end();  // frees everything: the leak check sees nothing left
}

TEST_F(Scale, AllocationFailures) {
  std::vector<Bytes> rows = random_rows(16, 6, 3);
  auto source = [&] { return static_cast<RstRead*>(raw_page(16, rows)); };
  auto expected = [&](Front f, int32_t w, int32_t h) {
    Held<> node(f(source(), w, h));
    return pull(node.get());
  };
  const std::vector<std::string> wheres{"RstScaleWidthNN::RstScaleWidthNN()",
                                        "RstScaleWidthOR::RstScaleWidthOR()",
                                        "RstScaleWidthAND::RstScaleWidthAND()",
                                        "RstScaleHeightOR::RstScaleHeightOR()",
                                        "RstScaleHeightAND::RstScaleHeightAND()",
                                        "RstScaleHeight0DE::initiate()",
                                        "rst_create_end()"};
  struct Case {
    const char* name;
    Front front;
    int32_t w, h;
  } cases[] = {{"NN", RstScaleNN::create, 5, 9},
               {"NN shrinking", RstScaleNN::create, 40, 2},
               {"OR", RstScaleOR::create, 8, 3},
               {"AND", RstScaleAND::create, -7, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Front f = c.front;
    int32_t w = c.w, h = c.h;
    check_allocation_failures(
        source, [f, w, h](RstRead* s) { return f(s, w, h); }, expected(f, w, h), wheres);
  }
}

}  // namespace
