// The JBIG writers and readers against jbigkit: our T.85 code decodes with
// jbgtopbm, pbmtojbg85 code of the ITU charts and pbmtojbg's gray planes
// (behind a T.43 head) read through our readers, and the read-process bridge
// decodes T.85 code it collects from a node.
#include <gtest/gtest.h>

#include <string>

#include "jbig_stage_support.h"
#include "node_support.h"
#include "raster/core/rst_read_process_bridge.h"

namespace {

const std::string kData = "/usr/share/jbigkit-testdata/";

// Chart n as a PBM, made once per run; empty when jbgtopbm failed.
std::string chart_pbm(int n) {
  static std::string paths[9];
  std::string& p = paths[n];
  if (p.empty()) {
    std::string pbm = jbig_temp_dir() + "/chart" + std::to_string(n) + ".pbm";
    if (jbig_run("jbgtopbm " + kData + "ccitt" + std::to_string(n) + ".jbg " + pbm)) p = pbm;
  }
  return p;
}

JbigLines lines_of(const JbigImage& image) {
  JbigLines lines;
  for (uint32_t y = 0; y < image.yd; ++y) lines.emplace_back(image.line(0, y), image.line(0, y) + image.line_bytes());
  return lines;
}

TEST(JbigStagePeer, OurT85CodeDecodesWithJbgtopbm) {
  RstEncodeJBIGT85Option options[] = {{128, 0, 0}, {32, 0, 0x08}, {7, 127, 0x48}, {1000, 0, 0x20}};
  std::string dir = jbig_temp_dir();
  int n = 0;
  for (const RstEncodeJBIGT85Option& o : options)
    for (uint32_t width : {1u, 13u, 1001u}) {
      RstHeader h = jbig_header(int32_t(width), 77, 1, 1, RstColorType::default_gray_reverse());
      JbigLines lines = jbig_random_lines(h, width + o.l0);
      std::string jbg = dir + "/w" + std::to_string(n) + ".jbg", pbm = dir + "/w" + std::to_string(n++) + ".pbm";
      ASSERT_TRUE(jbig_write_file(jbg, jbig_write_t85(h, lines, &o)));
      ASSERT_TRUE(jbig_run("jbgtopbm " + jbg + " " + pbm)) << width << " " << o.l0;
      JbigImage back;
      ASSERT_TRUE(jbig_read_pbm(pbm, &back));
      EXPECT_EQ(back.xd, width);
      EXPECT_EQ(lines_of(back), lines) << width << " " << o.l0;
    }
}

TEST(JbigStagePeer, Pbmtojbg85ChartsReadThroughTheT85Reader) {
  std::string dir = jbig_temp_dir();
  for (int n = 1; n <= 8; ++n) {
    std::string pbm = chart_pbm(n);
    ASSERT_FALSE(pbm.empty());
    JbigImage chart;
    ASSERT_TRUE(jbig_read_pbm(pbm, &chart));
    std::string jbg = dir + "/c85_" + std::to_string(n) + ".jbg";
    ASSERT_TRUE(jbig_run("pbmtojbg85 " + pbm + " " + jbg));
    JbigRead r = jbig_read<RstReadJBIGT85>(jbig_read_file(jbg));
    ASSERT_TRUE(r.made) << n;
    EXPECT_EQ(r.header.width, int32_t(chart.xd));
    EXPECT_EQ(r.lines, lines_of(chart)) << n;
  }
}

TEST(JbigStagePeer, GrayPlanesOfPbmtojbgBehindAT43Head) {
  // jbigkit codes the planes of a PGM Gray-coded, most significant first,
  // as T.43 does for colour space 0x20.
  std::string dir = jbig_temp_dir();
  RstHeader h = jbig_header(50, 30, 8, 1, RstColorType::default_gray());
  JbigLines lines = jbig_random_lines(h, 21);
  std::string pgm = dir + "/g.pgm", jbg = dir + "/g.jbg";
  JbigBytes file = {'P', '5', '\n', '5', '0', ' ', '3', '0', '\n', '2', '5', '5', '\n'};
  for (const auto& l : lines) file.insert(file.end(), l.begin(), l.end());
  ASSERT_TRUE(jbig_write_file(pgm, file));
  ASSERT_TRUE(jbig_run("pbmtojbg -q " + pgm + " " + jbg));
  JbigBytes code = {0xFF, 0xA8, 0xFF, 0xE1, 0x00, 0x12, 'G',  '3',  'F',  'A',  'X', 0x00, 0x07, 0xCD, 0x00, 200,
                    0x00, 0x20, 8,    0,    0,    0,    0xFF, 0xE1, 0x00, 0x08, 'G', '3',  'F',  'A',  'X',  0xFF};
  JbigBytes bie = jbig_read_file(jbg);
  code.insert(code.end(), bie.begin(), bie.end());
  code.insert(code.end(), {0xFF, 0xA9});
  JbigRead r = jbig_read<RstReadJBIGT43>(code);
  ASSERT_TRUE(r.made);
  EXPECT_EQ(r.header.color_type, RstColorType::default_lstar());
  EXPECT_EQ(r.lines, lines);
}

TEST(JbigStagePeer, BridgeDecodesCodeItCollects) {
  std::string pbm = chart_pbm(1), jbg = jbig_temp_dir() + "/bridge.jbg";
  ASSERT_FALSE(pbm.empty());
  ASSERT_TRUE(jbig_run("pbmtojbg85 " + pbm + " " + jbg));
  JbigBytes code = jbig_read_file(jbg);
  JbigImage chart;
  ASSERT_TRUE(jbig_read_pbm(pbm, &chart));
  std::vector<std::vector<uint8_t>> chunks;
  for (size_t at = 0; at < code.size(); at += 1000)
    chunks.emplace_back(code.begin() + long(at), code.begin() + long(std::min(code.size(), at + 1000)));
  RstHeader coded = jbig_header(int32_t(chart.xd), int32_t(chart.yd), 1, 1, RstColorType::default_gray_reverse());
  coded.data_form = RstDataForm::jbig;
  // The source says when it goes.
  struct Code : ChunkSource {
    using ChunkSource::ChunkSource;
    bool* gone = nullptr;
    ~Code() override { *gone = true; }
  };
  bool ended = false;
  auto* source = new Code(coded, chunks, 1000);
  source->gone = &ended;
  RstInputOwningRead<RstReadJBIGT85>* node = RstReadProcessBridge<RstReadJBIGT85>::create(source);
  ASSERT_NE(node, nullptr);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(node->owns());
  RstHeader h(node);
  EXPECT_EQ(h.width, int32_t(chart.xd));
  EXPECT_EQ(h.height, int32_t(chart.yd));
  JbigLines got;
  JbigBytes line(size_t(node->line_size()));
  while (node->read(line.data()) > 0) got.push_back(line);
  EXPECT_EQ(got, lines_of(chart));
  node->end();
}

}  // namespace
