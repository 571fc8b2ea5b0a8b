// The ITU charts as run lines through the run-line scalers and the
// nearest-line scaler, against ImageMagick's sampling and Leptonica's rank
// reduction on the same pages.
#include <string>

#include "charts.h"
#include "line_source.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_decode_rle.h"
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
TEST_P(ChartScaling, OrHalvingMatchesLeptonica) {
  PIX* pix = pixRead(path_.c_str());
  ASSERT_NE(pix, nullptr);
  PIX* half = pixReduceRankBinary2(pix, 1, nullptr);
  pixDestroy(&pix);
  ASSERT_NE(half, nullptr);
  int32_t w = int32_t(pixGetWidth(half)), h = int32_t(pixGetHeight(half));
  ASSERT_EQ(w, chart_.width / 2);
  ASSERT_EQ(h, chart_.height / 2);
  int32_t stride = (w + 7) / 8, wpl = pixGetWpl(half);
  Bytes theirs(size_t(stride) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const l_uint32* line = pixGetData(half) + size_t(y) * size_t(wpl);
    for (int32_t i = 0; i < stride; ++i) theirs[size_t(y) * stride + i] = uint8_t(GET_DATA_BYTE(line, i));
  }
  pixDestroy(&half);
  Held<> node(RstDecodeRLE::create(RstScaleWidthRLEOR::create(RstScaleHeightRLEOR::create(runs(), h), w)));
  ASSERT_NE(node, nullptr);
  EXPECT_TRUE(rows(node.get()) == theirs);
}
#endif

INSTANTIATE_TEST_SUITE_P(Charts, ChartScaling, ::testing::Range(1, 9));

}  // namespace
