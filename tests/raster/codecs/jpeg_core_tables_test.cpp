// The JPEG core's shared tables: the Annex K data equal libjpeg's standard
// tables, quality scaling equals the tables cjpeg writes, the base tables keep
// what a null argument leaves, and the range table clamps as specified.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <regex>
#include <sstream>
#include <vector>

#include "jpeg_stream_builder.h"
#include "raster/codecs/rst_jpeg_core_tables.h"

namespace {

std::vector<unsigned> table_values(const int32_t* t) { return std::vector<unsigned>(t, t + 64); }

TEST(JpegCoreTables, AnnexKEqualsLibjpegDefaults) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  cinfo.in_color_space = JCS_RGB;
  cinfo.input_components = 3;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 50, TRUE);  // scale 100: the tables as printed
  for (int i = 0; i < 2; ++i) {
    std::vector<unsigned> q(cinfo.quant_tbl_ptrs[i]->quantval, cinfo.quant_tbl_ptrs[i]->quantval + 64);
    EXPECT_EQ(table_values(i ? rst_jpeg_k2_chrominance : rst_jpeg_k1_luminance), q) << i;
  }
  const JpegStandardHuffman* ours[2][2] = {{&rst_jpeg_k3_dc_luminance(), &rst_jpeg_k4_dc_chrominance()},
                                           {&rst_jpeg_k5_ac_luminance(), &rst_jpeg_k6_ac_chrominance()}};
  for (int ac = 0; ac < 2; ++ac)
    for (int i = 0; i < 2; ++i) {
      JHUFF_TBL* t = ac ? cinfo.ac_huff_tbl_ptrs[i] : cinfo.dc_huff_tbl_ptrs[i];
      ASSERT_TRUE(t);
      const JpegStandardHuffman& h = *ours[ac][i];
      int count = 0;
      for (int l = 0; l < 16; ++l) {
        EXPECT_EQ(h.bits[l], t->bits[l + 1]) << ac << i << l;
        count += h.bits[l];
      }
      ASSERT_EQ(count, h.count);
      for (int k = 0; k < count; ++k) EXPECT_EQ(h.values[k], t->huffval[k]) << ac << i << k;
    }
  jpeg_destroy_compress(&cinfo);
  // The zig-zag order is the quantisation tables' one.
  EXPECT_EQ(rst_jpeg_zigzag()[2], 8);
  EXPECT_EQ(rst_jpeg_zigzag()[63], 63);
}

// The first two tables of a cjpeg file as djpeg traces them (natural order).
std::vector<std::vector<unsigned>> cjpeg_tables(const std::string& dir, int quality) {
  std::string path = dir + "/q.jpg";
  if (!shell("cjpeg -baseline -quality " + std::to_string(quality) + " -outfile '" + path + "' '" + dir + "/p.ppm'"))
    return {};
  std::istringstream lines(shell_output("djpeg -verbose -verbose -outfile /dev/null '" + path + "'"));
  std::vector<std::vector<unsigned>> tables;
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find("Define Quantization Table") == std::string::npos) continue;
    std::vector<unsigned> v;
    while (v.size() < 64 && std::getline(lines, line)) {
      std::istringstream row(line);
      unsigned n;
      while (row >> n) v.push_back(n);
    }
    tables.push_back(v);
  }
  return tables;
}

TEST(JpegCoreTables, QualityScalingEqualsCjpeg) {
  std::string dir = jpeg_temp_dir();
  ASSERT_TRUE(make_picture(dir + "/p.ppm", "plasma:", 16, 16));
  for (int quality : {60, 90, 50, 75}) {
    std::vector<std::vector<unsigned>> expected = cjpeg_tables(dir, quality);
    ASSERT_EQ(expected.size(), 2u) << quality;
    float factor = rst_jpeg_quality_scale(-quality);
    for (int i = 0; i < 2; ++i) {
      int32_t scaled[64];
      rst_jpeg_scale_qtable(i ? rst_jpeg_k2_chrominance : rst_jpeg_k1_luminance, factor, scaled);
      EXPECT_EQ(table_values(scaled), expected[size_t(i)]) << quality << " table " << i;
    }
  }
  shell("rm -rf '" + dir + "'");
  // Quality 0 doubles (held to 255), quality 100 makes every value 1.
  int32_t doubled[64], ones[64];
  rst_jpeg_scale_qtable(rst_jpeg_k2_chrominance, rst_jpeg_quality_scale(0), doubled);
  rst_jpeg_scale_qtable(rst_jpeg_k1_luminance, rst_jpeg_quality_scale(-100), ones);
  for (int k = 0; k < 64; ++k) {
    EXPECT_EQ(doubled[k], std::min(255, 2 * rst_jpeg_k2_chrominance[k])) << k;
    EXPECT_EQ(ones[k], 1) << k;
  }
  EXPECT_FLOAT_EQ(rst_jpeg_quality_scale(-75), 0.5f);
  EXPECT_FLOAT_EQ(rst_jpeg_quality_scale(12), 1.5f);
  // 255.6 rounds to 256 and is held to 255.
  int32_t big[64], base[64];
  std::fill(base, base + 64, 213);
  rst_jpeg_scale_qtable(base, 1.2f, big);
  EXPECT_EQ(big[0], 255);
}

TEST(JpegCoreTables, BaseTablesKeepWhatANullLeaves) {
  int32_t mine[64];
  for (int k = 0; k < 64; ++k) mine[k] = k + 1;
  rst_jpeg_set_base_qtables(nullptr, mine);
  EXPECT_EQ(table_values(rst_jpeg_base_qtable(0)), table_values(rst_jpeg_k1_luminance));
  EXPECT_EQ(table_values(rst_jpeg_base_qtable(1)), table_values(mine));
  rst_jpeg_set_base_qtables(mine, nullptr);
  EXPECT_EQ(table_values(rst_jpeg_base_qtable(0)), table_values(mine));
  EXPECT_EQ(table_values(rst_jpeg_base_qtable(2)), table_values(mine));
  rst_jpeg_default_base_qtables();
  EXPECT_EQ(table_values(rst_jpeg_base_qtable(0)), table_values(rst_jpeg_k1_luminance));
  EXPECT_EQ(table_values(rst_jpeg_base_qtable(1)), table_values(rst_jpeg_k2_chrominance));
}

TEST(JpegCoreTables, RangeTableClampsOutputs) {
  const int32_t* range = rst_jpeg_build_range_limit();
  ASSERT_TRUE(range);
  EXPECT_EQ(rst_jpeg_build_range_limit(), range);  // built once
  struct Case {
    int32_t output, sample;
  } cases[] = {{-129, 0}, {-128, 0}, {0, 128}, {127, 255}, {128, 255}, {300, 255}, {639, 255},
               {640, 0},  {700, 0},  {767, 0}, {800, 0},   {-200, 0},  {-640, 0},  {-5000, 0}};
  for (const Case& c : cases) EXPECT_EQ(rst_jpeg_range_sample(range, c.output), c.sample) << c.output;
  for (int32_t x = -128; x < 128; ++x) EXPECT_EQ(rst_jpeg_range_sample(range, x), x + 128);
}

}  // namespace
