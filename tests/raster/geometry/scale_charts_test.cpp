// The ITU charts, raw and as run lines, through the scaling fronts, the
// run-line scalers and the nearest-line scaler, against ImageMagick's
// sampling and Leptonica's rank reduction on the same pages; random gray and
// RGB images against ImageMagick's sampling.
#include <random>
#include <string>

#include "charts.h"
#include "line_source.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_scale.h"
#include "raster/geometry/rst_scale_height.h"
#include "raster/geometry/rst_scale_height_rle.h"
#include "raster/geometry/rst_scale_width_rle.h"

#ifdef PK_HAVE_LEPTONICA
#include <leptonica/allheaders.h>
#endif

namespace {

class ChartScaling : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    path_ = chart_file(GetParam());
    ASSERT_FALSE(path_.empty());
    ASSERT_TRUE(read_pnm(path_, chart_));
    ASSERT_EQ(chart_.magic, "P4");
  }
  // The chart as raw lines (kept) and as run lines.
  RstRead* raw() {
    RstHeader h = image_header(chart_.width, chart_.height, 1, 1, RstColorType::s_gray_reverse());
    return RstReadRawFromByteArray::create(chart_.rows.data(), h, chart_.stride(), false, false);
  }
  RstRead* runs() { return RstEncodeRLE::create(raw()); }
  // Every line of a raw node, joined.
  static Bytes rows(RstRead* node) {
    Bytes out;
    for (const Bytes& line : pull(node)) out.insert(out.end(), line.begin(), line.end());
    return out;
  }

  std::string path_;
  PnmImage chart_;
};

TEST_P(ChartScaling, NearestNeighbourMatchesSample) {
  for (int32_t height : {792, 1584}) {
    SCOPED_TRACE(height);
    int32_t width = 3456;
    std::string out = ::testing::TempDir() + "scale_rle_sample" + std::to_string(GetParam()) + ".pbm";
    std::string cmd =
        "/usr/bin/convert " + path_ + " -sample " + std::to_string(width) + "x" + std::to_string(height) + "! " + out;
    PnmImage theirs;
    ASSERT_TRUE(run_to_pnm(cmd, out, theirs));
    ASSERT_EQ(theirs.width, width);
    ASSERT_EQ(theirs.height, height);
    Held<> node(RstDecodeRLE::create(RstScaleWidthRLENN::create(RstScaleHeightRLENN::create(runs(), height), width)));
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(rows(node.get()) == theirs.rows);
  }
}

// No sampling centre lies on a pixel border at these sizes (ImageMagick
// rounds such a centre down, the scalers up).
TEST_P(ChartScaling, NearestNeighbourFrontMatchesSample) {
  for (auto [width, height] : {std::pair{576, 792}, {1152, 1584}, {3456, 4752}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    std::string out = ::testing::TempDir() + "scale_nn_sample" + std::to_string(GetParam()) + ".pbm";
    std::string cmd =
        "/usr/bin/convert " + path_ + " -sample " + std::to_string(width) + "x" + std::to_string(height) + "! " + out;
    PnmImage theirs;
    ASSERT_TRUE(run_to_pnm(cmd, out, theirs));
    ASSERT_EQ(theirs.width, width);
    ASSERT_EQ(theirs.height, height);
    Held<> node(RstScaleNN::create(raw(), width, height));
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(rows(node.get()) == theirs.rows);
  }
}

TEST_P(ChartScaling, NearestLineIsTheSameForRawAndRunLines) {
  for (int32_t height : {792, 1000, 4000}) {
    SCOPED_TRACE(height);
    Held<> from_raw(RstScaleHeight0D::create(raw(), height));
    Held<> from_runs(RstDecodeRLE::create(RstScaleHeight0D::create(runs(), height)));
    ASSERT_NE(from_raw, nullptr);
    ASSERT_NE(from_runs, nullptr);
    EXPECT_TRUE(rows(from_raw.get()) == rows(from_runs.get()));
  }
}

#ifdef PK_HAVE_LEPTONICA
// Leptonica's 2 x 2 rank reduction of the chart as packed rows: level 1 sets
// a pixel for any set pixel of its block (OR), level 4 for all four (AND).
Bytes leptonica_half(const std::string& path, int level, int32_t& w, int32_t& h) {
  PIX* pix = pixRead(path.c_str());
  if (!pix) return {};
  PIX* half = pixReduceRankBinary2(pix, level, nullptr);
  pixDestroy(&pix);
  if (!half) return {};
  w = int32_t(pixGetWidth(half));
  h = int32_t(pixGetHeight(half));
  int32_t stride = (w + 7) / 8, wpl = pixGetWpl(half);
  Bytes out(size_t(stride) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const l_uint32* line = pixGetData(half) + size_t(y) * size_t(wpl);
    for (int32_t i = 0; i < stride; ++i) out[size_t(y) * stride + i] = uint8_t(GET_DATA_BYTE(line, i));
  }
  pixDestroy(&half);
  return out;
}

TEST_P(ChartScaling, HalvingMatchesLeptonica) {
  int32_t w = 0, h = 0;
  Bytes any = leptonica_half(path_, 1, w, h), all = leptonica_half(path_, 4, w, h);
  ASSERT_EQ(w, chart_.width / 2);
  ASSERT_EQ(h, chart_.height / 2);
  Held<> or_raw(RstScaleOR::create(raw(), w, h));
  Held<> and_raw(RstScaleAND::create(raw(), w, h));
  Held<> or_runs(RstDecodeRLE::create(RstScaleRLEOR::create(runs(), w, h)));
  Held<> or_pair(RstDecodeRLE::create(RstScaleWidthRLEOR::create(RstScaleHeightRLEOR::create(runs(), h), w)));
  ASSERT_NE(or_raw, nullptr);
  ASSERT_NE(and_raw, nullptr);
  ASSERT_NE(or_runs, nullptr);
  ASSERT_NE(or_pair, nullptr);
  EXPECT_TRUE(rows(or_raw.get()) == any);
  EXPECT_TRUE(rows(and_raw.get()) == all);
  EXPECT_TRUE(rows(or_runs.get()) == any);
  EXPECT_TRUE(rows(or_pair.get()) == any);
}
#endif

INSTANTIATE_TEST_SUITE_P(Charts, ChartScaling, ::testing::Range(1, 9));

// Random 8-bit gray and RGB images at 1/3, 2/3, 2 and 4 times their size
// against ImageMagick's sampling.
TEST(ScaleNNImages, MatchesSample) {
  std::mt19937 rng(32);
  for (const char* magic : {"P5", "P6"}) {
    PnmImage image;
    image.magic = magic;
    image.width = 48;
    image.height = 36;
    image.maxval = 255;
    image.rows.resize(size_t(image.stride()) * size_t(image.height));
    for (uint8_t& p : image.rows) p = uint8_t(rng());
    std::string in = ::testing::TempDir() + "scale_nn_in.pnm", out = ::testing::TempDir() + "scale_nn_out.pnm";
    ASSERT_TRUE(write_pnm(in, image));
    int32_t spp = image.magic == "P6" ? 3 : 1;
    RstHeader h =
        image_header(image.width, image.height, 8, spp, spp == 3 ? RstColorType::s_rgb() : RstColorType::s_gray());
    for (auto [num, den] : {std::pair{1, 3}, {2, 3}, {2, 1}, {4, 1}}) {
      int32_t width = image.width * num / den, height = image.height * num / den;
      SCOPED_TRACE(std::string(magic) + " " + std::to_string(width) + " x " + std::to_string(height));
      std::string cmd =
          "/usr/bin/convert " + in + " -sample " + std::to_string(width) + "x" + std::to_string(height) + "! " + out;
      PnmImage theirs;
      ASSERT_TRUE(run_to_pnm(cmd, out, theirs));
      RstRead* src = RstReadRawFromByteArray::create(image.rows.data(), h, image.stride(), false, false);
      Held<> node(RstScaleNN::create(src, width, height));
      ASSERT_NE(node, nullptr);
      Bytes ours;
      for (const Bytes& line : pull(node.get())) ours.insert(ours.end(), line.begin(), line.end());
      EXPECT_TRUE(ours == theirs.rows);
    }
    std::remove(in.c_str());
  }
}

}  // namespace
