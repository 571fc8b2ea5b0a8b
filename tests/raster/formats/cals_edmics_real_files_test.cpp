// CALS and EDMICS files of the eight ITU test charts (1728 x 2376), made in
// the test run: CALS files written by ImageMagick, the same with every code
// byte reversed and the "up" sentence in the notes, EDMICS MMR files around
// ImageMagick's raw T.6 streams, and EDMICS RLC files of both forms. Each
// reads equal to the chart as jbigkit decodes it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cals_edmics_support.h"
#include "pnm_support.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_cals_raster.h"
#include "raster/formats/rst_read_edmics_mmr.h"
#include "raster/formats/rst_read_edmics_rlc.h"
#include "raster/formats/rst_read_raster.h"

namespace {

constexpr uint32_t kWidth = 1728, kHeight = 2376;

struct Chart {
  Rows rows;
  Bytes cals;  // as ImageMagick writes it
  Bytes g4;    // ImageMagick's raw T.6 stream, the code of its CALS file
};

// Every line of the file read through format detection.
Rows detected(const Bytes& file) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> reader(RstReadRaster::create(&in, 1));
  if (!reader) return {};
  return read_lines(reader.get());
}

// The eight charts. ImageMagick's CALS writer is slow, so they are made side
// by side (the raw T.6 stream once they are all there), and once for all the checks (each test case runs in a process
// of its own). Its raw T.6 stream is the code of its CALS files (checked on the first chart), so the EDMICS MMR files
// take the code from there.
std::vector<Chart> make_charts(Bytes& raw_g4) {
  std::string dir = temp_dir();
  run("cd " + dir +
      " && for n in 1 2 3 4 5 6 7 8; do (jbgtopbm /usr/share/jbigkit-testdata/ccitt$n.jbg c$n.pbm"
      " && /usr/bin/convert c$n.pbm cals:c$n.cal) & done; wait; /usr/bin/convert c1.pbm group4:c1.g4");
  std::vector<Chart> charts;
  for (int n = 1; n <= 8; ++n) {
    std::string c = dir + "/c" + std::to_string(n);
    Pnm pnm;
    if (!read_pnm(c + ".pbm", pnm) || pnm.width != int(kWidth) || pnm.height != int(kHeight)) break;
    Chart chart;
    for (uint32_t y = 0; y < kHeight; ++y)
      chart.rows.emplace_back(pnm.data.begin() + long(y * kWidth / 8), pnm.data.begin() + long((y + 1) * kWidth / 8));
    chart.cals = file_bytes(c + ".cal");
    if (chart.cals.size() <= 2048) break;
    chart.g4.assign(chart.cals.begin() + 2048, chart.cals.end());
    charts.push_back(chart);
  }
  raw_g4 = file_bytes(dir + "/c1.g4");
  run("rm -rf " + dir);
  return charts;
}

class ChartFiles : public PageTest {};

TEST_F(ChartFiles, EveryFormReadsEqualToTheChart) {
  Bytes raw_g4;
  std::vector<Chart> charts = make_charts(raw_g4);
  ASSERT_EQ(charts.size(), 8u) << "the charts could not be made";
  EXPECT_EQ(raw_g4, charts[0].g4);
  const std::string up = "notes: This file is written by up bit ordering in a byte.";
  for (size_t i = 0; i < charts.size(); ++i) {
    SCOPED_TRACE("chart " + std::to_string(i + 1));
    const Chart& chart = charts[i];
    // CALS as ImageMagick writes it.
    EXPECT_EQ(detected(chart.cals), chart.rows);
    // CALS with every code byte reversed, as the notes say.
    Bytes up_file(chart.cals.begin(), chart.cals.begin() + 2048);
    std::fill(up_file.begin() + 1280, up_file.begin() + 1408, ' ');
    std::copy(up.begin(), up.end(), up_file.begin() + 1280);
    append(up_file, bit_reversed(chart.g4));
    EXPECT_EQ(detected(up_file), chart.rows);
    // EDMICS MMR.
    MmrBlocks blocks;
    blocks.lines = int32_t(kHeight);
    blocks.pels = int32_t(kWidth);
    blocks.dpi = 200;
    Bytes mmr = blocks.bytes();
    append(mmr, bit_reversed(chart.g4));
    EXPECT_EQ(detected(mmr), chart.rows);
    // EDMICS RLC of both forms.
    Bytes runs = rlc_lines(kWidth, chart.rows);
    Bytes sane = rlc_sane_header(uint16_t(kHeight), uint16_t(kWidth), 200);
    append(sane, runs);
    EXPECT_EQ(detected(sane), chart.rows);
    Bytes rlc = rlc_form_header(uint16_t(kHeight), uint16_t(kWidth), 200, uint32_t(i), uint32_t(i));
    append(rlc, runs);
    EXPECT_EQ(detected(rlc), chart.rows);
  }
  EXPECT_TRUE(status.messages().empty());

  // Cut in the middle of the code: the lines before the cut, white lines
  // after it, and the decoder's warning; never an error.
  const Chart& chart = charts[0];
  MmrBlocks blocks;
  blocks.lines = int32_t(kHeight);
  blocks.pels = int32_t(kWidth);
  Bytes mmr = blocks.bytes();
  append(mmr, bit_reversed(Bytes(chart.g4.begin(), chart.g4.begin() + long(chart.g4.size() / 2))));
  Bytes cals(chart.cals.begin(), chart.cals.begin() + long(2048 + chart.g4.size() / 2));
  for (const Bytes* file : {&mmr, &cals}) {
    status.clear();
    Rows got = detected(*file);
    ASSERT_EQ(got.size(), size_t(kHeight));
    size_t same = 0;
    while (same < got.size() && got[same] == chart.rows[same]) ++same;
    EXPECT_GT(same, 100u);
    EXPECT_LT(same, size_t(kHeight));
    EXPECT_EQ(got.back(), std::vector<uint8_t>(kWidth / 8, 0));
    EXPECT_TRUE(status.errors().empty());
    EXPECT_FALSE(status.messages().empty());
  }
}

}  // namespace
