// Reading documents and PNM images: statements and their faults with line and
// column, bounds on untrusted numbers, and images handed to the driver.
#include "host/pnm_image.h"
#include "host_fixture.h"

namespace hosttest {
namespace {

using DocumentImageTest = HostTest;

std::string ParseError(const std::string& text) {
  pkhost::Document d;
  std::string error;
  EXPECT_FALSE(pkhost::ParseDocument(text, "doc.txt", "", &d, &error));
  return error;
}

TEST(DocumentParseTest, FaultsNameLineAndColumn) {
  const std::pair<const char*, const char*> cases[] = {
      {"page\n# comment\n      bogus 1 2\n", "doc.txt:3:7: unknown statement"},
      {"unit inch\n", "doc.txt:1:6: unit pt, mm or dot expected"},
      {"rect 1 2 3\n", "doc.txt:1:11: number expected"},
      {"rect 1 2 3 1e9\n", "doc.txt:1:12: bad number \"1e9\" (at most 100000)"},
      {"text 1 2 \"open\n", "doc.txt:1:10: unterminated string"},
      {"brush hatch zigzag #000000\n", "doc.txt:1:13: hatch style expected"},
      {"pen 1 red\n", "doc.txt:1:7: colour #RRGGBB expected"},
      {"pen 1 #000000 wavy\n", "doc.txt:1:15: pen style expected (solid, dash, dot, dashdot)"},
      {"polygon 1 2 3 4\n", "doc.txt:1:16: at least 3 points expected"},
      {"path move 1 1 line 2 2\n", "doc.txt:1:23: path ends without stroke, fill or strokefill"},
      {"escape 0x5001 in 0G\n", "doc.txt:1:20: hex bytes expected"},
      {"resetdc set 8\n", "doc.txt:1:13: id=value expected"},
      {"font sans 10 wavy\n", "doc.txt:1:14: unknown font option \"wavy\""},
      {"image 0 0 10 10 \"missing.ppm\"\n", "doc.txt:1:17: missing.ppm: cannot open the image"},
      {"rop 0x10000\n", "doc.txt:1:5: bad integer \"0x10000\""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseError(text), expected) << text;
}

TEST(DocumentParseTest, DocumentSizeIsBounded) {
  std::string line = "polygon";
  for (int i = 0; i < 5000; ++i) line += " 1 2";
  std::string text;
  for (int i = 0; i < 101; ++i) text += line + "\n";
  pkhost::Document d;
  std::string error;
  EXPECT_FALSE(pkhost::ParseDocument(text, "big", "", &d, &error));
  EXPECT_EQ(error, "big:101:1: document too large");
  std::string tooMany = "line";
  for (int i = 0; i < 10001; ++i) tooMany += " 1 2";
  EXPECT_EQ(ParseError(tooMany + "\n").substr(0, 9), "doc.txt:1");
  EXPECT_NE(ParseError(tooMany + "\n").find("too many points"), std::string::npos);
}

TEST(DocumentParseTest, GoodDocumentReadsEveryStatement) {
  pkhost::Document d;
  std::string error;
  ASSERT_TRUE(pkhost::ParseDocument(
      "document \"Report \\\"Q1\\\"\"\nunit mm\npage\npen 0.5 #102030 dashdot\nbrush pattern 8142241818244281 #FF0000\n"
      "font mono 12 bold italic underline strikeout angle 90\ntextcolor #000000\nbackground transparent\n"
      "text 10 10 \"Grüße\"  # trailing comment\nrect 1 2 3 4\nellipse 1 2 3 4\npolygon winding 0 0 10 0 5 5\n"
      "line 0 0 10 10\npath alternate move 0 0 bezier 1 1 2 2 3 3 line 4 4 close strokefill\nclip 0 0 10 10\n"
      "clip none\nrop 0x5A5A\nescape 0x5001 in 00000000 out 44\nresetdc set 8=11 387=1\nabort\n",
      "doc", "", &d, &error))
      << error;
  EXPECT_EQ(d.name, u"Report \"Q1\"");
  ASSERT_EQ(d.statements.size(), 18u);
  const pkhost::Statement& font = d.statements[3];
  EXPECT_TRUE(font.font.bold && font.font.italic && font.font.underline && font.font.strikeout);
  EXPECT_EQ(font.font.angle, 90);
  EXPECT_EQ(d.statements[2].brush.pattern[0], 0x81);
  EXPECT_EQ(d.statements[6].text, u"Grüße");
  EXPECT_EQ(d.statements[6].unit, pkhost::Unit::Millimetre);
  EXPECT_EQ(d.statements[9].fillMode, 2u);
  EXPECT_TRUE(d.statements[11].stroke && d.statements[11].fill);
  EXPECT_EQ(d.statements[15].data.size(), 4u);
  EXPECT_EQ(d.statements[15].outSize, 44u);
  EXPECT_EQ(d.statements[16].settings, (std::vector<std::pair<int, long long>>{{8, 11}, {387, 1}}));
}

TEST(PnmTest, FormsAndDepths) {
  std::string error;
  // P3 with maxval 65535: 16-bit samples scaled to 8 bits, stored blue-green-red.
  auto p3 = pkhost::ReadPnm("P3 2 1 65535\n65535 0 0  0 32896 65535\n", &error);
  ASSERT_TRUE(p3) << error;
  EXPECT_EQ(p3->bpp, 24u);
  EXPECT_EQ(std::vector<uint8_t>(p3->bits.begin(), p3->bits.begin() + 6),
            (std::vector<uint8_t>{0, 0, 255, 255, 128, 0}));
  // Raw 16-bit grey, most significant byte first.
  auto p5 = pkhost::ReadPnm(std::string("P5 2 1 1000\n\x03\xE8\x01\xF4", 16), &error);
  ASSERT_TRUE(p5) << error;
  EXPECT_EQ(p5->bits[0], 255);
  EXPECT_EQ(p5->bits[1], 128);
  // Plain bitmap with the digits run together, and a comment in the header.
  auto p1 = pkhost::ReadPnm("P1\n# c\n3 2\n101\n010\n", &error);
  ASSERT_TRUE(p1) << error;
  EXPECT_EQ(p1->bits[0], 0xA0);
  EXPECT_EQ(p1->bits[4], 0x40);
  // Raw bitmap: padding bits of the last byte are cleared.
  auto p4 = pkhost::ReadPnm(std::string("P4 3 1\n\xFF", 8), &error);
  ASSERT_TRUE(p4) << error;
  EXPECT_EQ(p4->bits[0], 0xE0);
}

TEST(PnmTest, BadImagesAreRefusedWithTheirRow) {
  const std::pair<std::string, std::string> cases[] = {
      {"P7 1 1 255\n", "not a PNM image"},
      {"P6 0 1 255\n", "bad or too large image size (at most 16384 per side)"},
      {"P6 20000 1 255\n", "bad or too large image size (at most 16384 per side)"},
      {"P6 16384 16384 255\n", "image too large"},
      {"P5 1 1 70000\n", "bad maxval (1 to 65535)"},
      {std::string("P6 3 2 255\n") + std::string(9, 'x') + "ab", "image data ends or is bad in row 2 of 2"},
      {"P2 2 2 255\n1 2\n3 x\n", "image data ends or is bad in row 2 of 2"},
      {"P2 1 1 10\n11\n", "image data ends or is bad in row 1 of 1"},
      // Headers claiming far more pixels than follow are refused at the row
      // where the data ends, before a bitmap of their size is made.
      {std::string("P5 8192 8192 255\n") + std::string(8192 * 3 + 5, 'x'),
       "image data ends or is bad in row 4 of 8192"},
      {"P4 16384 4096\n\x01", "image data ends or is bad in row 1 of 4096"},
      {"P2 8192 8192 255\n1 2 3", "image data ends or is bad in row 1 of 8192"},
  };
  for (const auto& [bytes, why] : cases) {
    std::string error;
    EXPECT_FALSE(pkhost::ReadPnm(bytes, &error));
    EXPECT_EQ(error, why) << bytes.substr(0, 12);
  }
}

TEST_F(DocumentImageTest, SameSizeImageIsCopiedAndScaledImageStretched) {
  // 3 x 2 pixels: red, green, blue / white, black, grey.
  WriteFile("a.ppm", std::string("P6 3 2 255\n") + std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF", 9) +
                         std::string("\xFF\xFF\xFF\x00\x00\x00\x80\x80\x80", 9));
  RunResult r = Run("unit dot\nimage 10 20 3 2 \"a.ppm\"\nimage 10 20 6 4 \"a.ppm\"\n");
  ASSERT_EQ(r.result, pkhost::PlayResult::Printed);
  EXPECT_EQ(Matching(r.driver, "DrvCopyBits"),
            std::vector<std::string>{"DrvCopyBits dest=(10,20,13,22) clip=DC_TRIVIAL src=BMF_24BPP 3x2 "
                                     "bits=0000FF00FF00FF0000/FFFFFF000000808080"});
  auto stretch = Matching(r.driver, "DrvStretchBlt");
  ASSERT_EQ(stretch.size(), 1u);
  EXPECT_EQ(stretch[0].rfind(
                "DrvStretchBlt dest=(10,20,16,24) srcrect=(0,0,3,2) mode=4 clip=DC_TRIVIAL src=BMF_24BPP 3x2", 0),
            0u)
      << stretch[0];
}

TEST_F(DocumentImageTest, BitmapImageComesWithItsTwoColourTable) {
  WriteFile("b.pbm", std::string("P4 8 1\n\xA5", 8));
  RunResult r = Run("unit dot\nimage 0 0 8 1 \"b.pbm\"\n");
  EXPECT_EQ(Matching(r.driver, "DrvCopyBits"),
            std::vector<std::string>{"DrvCopyBits dest=(0,0,8,1) clip=DC_TRIVIAL src=BMF_1BPP 8x1 bits=A5 "
                                     "table=FFFFFF,000000"});
}

TEST_F(DocumentImageTest, ImageWithAnotherRopGoesThroughBitBlt) {
  WriteFile("g.pgm", "P2 2 1 255\n0 255\n");
  RunResult r = Run("unit dot\nrop 0x6666\nimage 0 0 2 1 \"g.pgm\"\n");
  auto blts = Matching(r.driver, "DrvBitBlt");
  ASSERT_EQ(blts.size(), 1u);
  EXPECT_EQ(blts[0], "DrvBitBlt rop=6666 trg=(0,0,2,1) clip=DC_TRIVIAL brush=none src=BMF_8BPP 2x1 bits=00FF");
}

TEST_F(DocumentImageTest, TruncatedImageStopsTheDocumentBeforeAnyDriverCall) {
  WriteFile("t.ppm", std::string("P6 3 2 255\n") + std::string(12, '\x10'));
  pkhost::Document d;
  std::string error;
  EXPECT_FALSE(pkhost::ParseDocument("page\nimage 0 0 3 2 \"t.ppm\"\n", "doc", dir_, &d, &error));
  EXPECT_EQ(error, "doc:2:15: t.ppm: image data ends or is bad in row 2 of 2");
  EXPECT_TRUE(DriverTrace().empty());
}

}  // namespace
}  // namespace hosttest
