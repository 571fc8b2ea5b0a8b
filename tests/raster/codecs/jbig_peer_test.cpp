// The JBIG core against jbigkit: our encoder writes what pbmtojbg writes, our
// decoder reads what pbmtojbg and pbmtojbg85 write, on the ITU test charts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "jbig_support.h"

namespace {

const std::string kData = "/usr/share/jbigkit-testdata/";

// The eight charts as PBM (made once per run) and test-t82.pbm.
std::vector<std::string> chart_pbms() {
  static std::vector<std::string> paths = [] {
    std::vector<std::string> out;
    for (int n = 1; n <= 8; ++n) {
      std::string pbm = jbig_temp_dir() + "/ccitt" + std::to_string(n) + ".pbm";
      if (jbig_run("jbgtopbm " + kData + "ccitt" + std::to_string(n) + ".jbg " + pbm)) out.push_back(pbm);
    }
    out.push_back(kData + "test-t82.pbm");
    return out;
  }();
  return paths;
}

TEST(JbigPeer, EncoderWritesWhatPbmtojbgWrites) {
  ASSERT_EQ(chart_pbms().size(), 9u);
  for (const std::string& pbm : chart_pbms()) {
    JbigImage image;
    ASSERT_TRUE(jbig_read_pbm(pbm, &image)) << pbm;
    for (uint32_t options : {0u, 8u, 64u, 72u}) {
      std::string out = jbig_temp_dir() + "/peer.jbg";
      ASSERT_TRUE(jbig_run("pbmtojbg -q -s 128 -m 0 -o 0 -p " + std::to_string(options) + " " + pbm + " " + out));
      JbigBytes ours = jbig_encode(image, {128, options, 0, 0});
      JbigBytes theirs = jbig_read_file(out);
      EXPECT_EQ(ours, theirs) << pbm << " options " << options;
      std::string back = jbig_temp_dir() + "/back.pbm";
      JbigImage decoded;
      ASSERT_TRUE(jbig_write_file(out, ours) && jbig_run("jbgtopbm " + out + " " + back));
      ASSERT_TRUE(jbig_read_pbm(back, &decoded));
      EXPECT_TRUE(decoded.planes == image.planes) << pbm << " options " << options;
    }
  }
}

// pbmtojbg85 keeps the zero bytes that end the last stripe's data, which we
// leave out: otherwise its bytes are ours.
TEST(JbigPeer, Pbmtojbg85DiffersOnlyByTrailingZeros) {
  JbigImage image;
  ASSERT_TRUE(jbig_read_pbm(chart_pbms()[7], &image));
  for (uint32_t options : {0u, 64u}) {
    std::string out = jbig_temp_dir() + "/peer85.jbg";
    ASSERT_TRUE(jbig_run("pbmtojbg85 -s 128 -m 0 -p " + std::to_string(options) + " " + chart_pbms()[7] + " " + out));
    JbigBytes theirs = jbig_read_file(out);
    JbigBytes ours = jbig_encode(image, {128, options, 0, 0});
    ASSERT_GT(theirs.size(), ours.size());
    size_t tail = ours.size() - 2;  // where our final SDNORM starts
    EXPECT_TRUE(std::equal(ours.begin(), ours.begin() + static_cast<long>(tail), theirs.begin()));
    EXPECT_TRUE(
        std::all_of(theirs.begin() + static_cast<long>(tail), theirs.end() - 2, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(theirs[theirs.size() - 2], 0xFF);
    EXPECT_EQ(theirs.back(), 0x02);
  }
}

TEST(JbigPeer, DecoderReadsPbmtojbgOutput) {
  const std::vector<std::string> tools = {
      "pbmtojbg -q",         "pbmtojbg -q -p 64",   "pbmtojbg -q -p 72", "pbmtojbg -q -r",
      "pbmtojbg -q -C text", "pbmtojbg -q -Y 3000", "pbmtojbg85 -s 1",   "pbmtojbg85 -Y 3000 2000",
  };
  for (const std::string& pbm : chart_pbms()) {
    JbigImage image;
    ASSERT_TRUE(jbig_read_pbm(pbm, &image)) << pbm;
    for (const std::string& tool : tools) {
      // Its NEWLEN comes after line 2000: only the 2376-line charts reach it.
      if (tool.find("2000") != std::string::npos && image.yd <= 2000) continue;
      std::string out = jbig_temp_dir() + "/peer.jbg";
      ASSERT_TRUE(jbig_run(tool + " " + pbm + " " + out)) << tool;
      JbigDecoded decoded = jbig_decode(jbig_read_file(out));
      ASSERT_EQ(decoded.error, 0) << pbm << " " << tool;
      EXPECT_EQ(decoded.image.yd, image.yd) << pbm << " " << tool;
      EXPECT_TRUE(decoded.image.planes == image.planes) << pbm << " " << tool;
    }
  }
}

}  // namespace

namespace {

// sandra.pgm (maxval 63) as six Gray-coded planes, most significant first.
bool sandra_planes(JbigImage* image) {
  JbigBytes file = jbig_read_file(kData + "sandra.pgm");
  std::string head(file.begin(), file.begin() + std::min<size_t>(file.size(), 64));
  unsigned w = 0, h = 0, maxval = 0;
  int used = 0;
  if (std::sscanf(head.c_str(), "P5 %u %u %u%n", &w, &h, &maxval, &used) != 3 || maxval != 63) return false;
  size_t at = static_cast<size_t>(used) + 1;
  if (file.size() < at + size_t(w) * h) return false;
  image->xd = w;
  image->yd = h;
  image->planes.assign(6, JbigBytes(size_t(h) * image->line_bytes()));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t v = file[at + size_t(y) * w + x];
      uint32_t gray = v ^ (v >> 1);
      for (uint32_t p = 0; p < 6; ++p)
        if ((gray >> (5 - p)) & 1) image->line(p, y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  return true;
}

TEST(JbigPeer, SixPlaneSandraBothWays) {
  JbigImage image;
  ASSERT_TRUE(sandra_planes(&image));
  std::string out = jbig_temp_dir() + "/sandra.jbg";
  ASSERT_TRUE(jbig_run("pbmtojbg -q -s 128 -m 0 -o 3 -p 0 " + kData + "sandra.pgm " + out));
  EXPECT_EQ(jbig_encode(image, {128, 0, 3, 3}), jbig_read_file(out));
  ASSERT_TRUE(jbig_run("pbmtojbg -q " + kData + "sandra.pgm " + out));
  JbigDecoded decoded = jbig_decode(jbig_read_file(out), 3);
  ASSERT_EQ(decoded.error, 0);
  EXPECT_TRUE(decoded.image.planes == image.planes);
}

TEST(JbigPeer, AdaptiveTemplateMovesOfMxJbg) {
  std::string pbm = jbig_temp_dir() + "/mx.pbm";
  ASSERT_TRUE(jbig_run("jbgtopbm " + kData + "mx.jbg " + pbm));
  JbigImage expected;
  ASSERT_TRUE(jbig_read_pbm(pbm, &expected));
  JbigDecoded decoded = jbig_decode(jbig_read_file(kData + "mx.jbg"));
  ASSERT_EQ(decoded.error, 0);
  EXPECT_EQ(decoded.image.xd, 1200u);
  EXPECT_TRUE(decoded.image.planes == expected.planes);
}

TEST(JbigPeer, DifferentialLayersAreRefused) {
  for (const char* name : {"ccitt1.jbg", "xvlogo.jbg"})
    EXPECT_EQ(jbig_decode(jbig_read_file(kData + name)).error, kJbigBadD) << name;
}

}  // namespace
