// PNG and GIF files written by netpbm, ImageMagick and gifbuild in the test
// run, read through our readers and compared with the peers' decoders:
// pngtopnm and a libpng run for PNG, giflib and giftopnm for GIF.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "gif_support.h"
#include "png_support.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_gif.h"
#include "raster/formats/rst_read_png.h"

namespace {

void write_pnm(const std::string& path, int type, uint32_t w, uint32_t h, const Rows& rows, int maxval = 255) {
  std::ostringstream head;
  head << 'P' << type << '\n' << w << ' ' << h << '\n';
  if (type != 4) head << maxval << "\n";
  std::string text = head.str();
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (const auto& r : rows) bytes.insert(bytes.end(), r.begin(), r.end());
  write_bytes(path, bytes);
}

// Many colours, one per few pixels, so that no tool picks a palette.
Rows rich_rows(uint32_t w, uint32_t h) {
  Rows rows(h, std::vector<uint8_t>(w * 3));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t i = 0; i < w * 3; ++i) rows[y][i] = uint8_t((i * 53 + y * 97 + (i % 3) * y * 7) & 0xFF);
  return rows;
}

class RealFiles : public PageTest {
 protected:
  void SetUp() override {
    dir = temp_dir();
    write_pnm(dir + "/g1.pbm", 4, w, h, bilevel_rows(w, h));
    write_pnm(dir + "/g8.pgm", 5, w, h, byte_rows(w, h, 1, 5));
    write_pnm(dir + "/rgb.ppm", 6, w, h, rich_rows(w, h));
    // 16-bit samples whose low bytes differ from their high bytes.
    write_pnm(dir + "/g16.pgm", 5, w, h, byte_rows(w * 2, h, 1, 6), 65535);
    write_pnm(dir + "/rgb16.ppm", 6, w, h, rich_rows(w * 2, h), 65535);
    ASSERT_TRUE(run("cd " + dir +
                    " && pnmdepth 3 g8.pgm > g2.pgm && pnmdepth 15 g8.pgm > g4.pgm"
                    " && for n in 2 4 16 256; do pnmquant -quiet $n rgb.ppm > q$n.ppm; done 2>/dev/null"));
  }
  void TearDown() override { run("rm -rf " + dir); }

  std::vector<uint8_t> made(const std::string& command, const std::string& out) {
    if (!run("cd " + dir + " && (" + command + ") 2>/dev/null")) return {};
    return file_bytes(dir + "/" + out);
  }

  const uint32_t w = 45, h = 19;
  std::string dir;
};

TEST_F(RealFiles, PngFilesEqualPngtopnm) {
  struct Case {
    const char* command;   // writes out.png
    const char* pngcheck;  // what pngcheck says the file is
  } cases[] = {
      {"pnmtopng -force g1.pbm > out.png", "1-bit grayscale"},
      {"pnmtopng -force g2.pgm > out.png", "2-bit grayscale"},
      {"pnmtopng -force g4.pgm > out.png", "4-bit grayscale"},
      {"pnmtopng -force g8.pgm > out.png", "8-bit grayscale"},
      {"pnmtopng -force g16.pgm > out.png", "16-bit grayscale"},
      {"pnmtopng -force rgb.ppm > out.png", "24-bit RGB"},
      {"pnmtopng -force rgb16.ppm > out.png", "48-bit RGB"},
      {"pnmquant -quiet 2 rgb.ppm | pnmtopng > out.png", "1-bit palette"},
      {"pnmtopng q4.ppm > out.png", "2-bit palette"},
      {"pnmtopng q16.ppm > out.png", "4-bit palette"},
      {"pnmtopng q256.ppm > out.png", "8-bit palette"},
      {"pamtopng g8.pgm > out.png", "8-bit grayscale"},
      {"pamtopng rgb16.ppm > out.png", "48-bit RGB"},
      {"convert g8.pgm out.png", "8-bit grayscale"},
      {"convert g16.pgm out.png", "16-bit grayscale"},
      {"convert rgb.ppm PNG24:out.png", "24-bit RGB"},
      {"convert rgb16.ppm PNG48:out.png", "48-bit RGB"},
      {"convert q256.ppm PNG8:out.png", "8-bit palette"},
  };
  for (const Case& c : cases)
    for (bool interlaced : {false, true}) {
      std::string command = c.command;
      if (interlaced) {
        size_t at = command.rfind("pnmtopng");
        if (at == std::string::npos) at = command.rfind("pamtopng");
        if (at != std::string::npos) command.insert(at + 8, " -interlace");
        else command.insert(7, " -interlace PNG");
      }
      SCOPED_TRACE(command);
      std::vector<uint8_t> file = made(command, "out.png");
      ASSERT_FALSE(file.empty());
      std::vector<uint8_t> check = command_output("pngcheck " + dir + "/out.png");
      std::string said(check.begin(), check.end());
      EXPECT_NE(said.find(std::string(c.pngcheck) + ", " + (interlaced ? "interlaced" : "non-interlaced")),
                std::string::npos)
          << said;
      Pnm peer = parse_pnm(command_output("pngtopnm " + dir + "/out.png"));
      ByteArrayInputStorage in(file.data(), int32_t(file.size()));
      RstOwner<RstRead> node(RstReadPNG::create(&in, nullptr));
      ASSERT_TRUE(node);
      EXPECT_EQ(node_samples(node.get()), pnm_samples(peer));
    }
  EXPECT_TRUE(status.errors().empty());
}

// A file gamma of 1.0 is corrected to the screen as pngtopnm -gamma 2.2 does.
TEST_F(RealFiles, PngGammaOneEqualsPngtopnmGamma) {
  std::vector<uint8_t> file = made("pnmtopng -force -gamma 1.0 rgb.ppm > gamma.png", "gamma.png");
  ASSERT_FALSE(file.empty());
  Pnm peer = parse_pnm(command_output("pngtopnm -gamma 2.2 " + dir + "/gamma.png"));
  Pnm plain = parse_pnm(command_output("pngtopnm " + dir + "/gamma.png"));
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(RstReadPNG::create(&in, nullptr));
  ASSERT_TRUE(node);
  auto ours = node_samples(node.get());
  EXPECT_EQ(ours, pnm_samples(peer));
  EXPECT_NE(ours, pnm_samples(plain));
}

// Alpha and tRNS: byte for byte what libpng gives with the same
// transformations; opaque pixels are the source, transparent ones white.
TEST_F(RealFiles, AlphaIsCompositedAsLibpngDoes) {
  Rows mask = byte_rows(w, h, 1, 9);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) mask[y][x] = x % 3 == 0 ? 0 : x % 3 == 1 ? 255 : mask[y][x];
  write_pnm(dir + "/mask.pgm", 5, w, h, mask);
  Pnm q16 = parse_pnm(file_bytes(dir + "/q16.ppm"));
  char colour[64];
  std::snprintf(colour, sizeof colour, "rgb:%02x/%02x/%02x", q16.rows[0][0], q16.rows[0][1], q16.rows[0][2]);
  struct Case {
    std::string name, command;
    bool own;  // our own source and mask: opaque and transparent checked
  } cases[] = {
      {"pngtest", "cp /usr/share/doc/libpng-dev/examples/pngtest.png out.png", false},
      {"gray alpha", "pnmtopng -force -alpha=mask.pgm g8.pgm > out.png", true},
      {"rgba", "pnmtopng -force -alpha=mask.pgm rgb.ppm > out.png", true},
      {"palette tRNS", std::string("pnmtopng -transparent ") + colour + " q16.ppm > out.png", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = made(c.command, "out.png");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(run("pngcheck -q " + dir + "/out.png"));
    PngReference ref = png_reference(file);
    ASSERT_TRUE(ref.ok);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> node(RstReadPNG::create(&in, nullptr));
    ASSERT_TRUE(node);
    RstHeader header(node.get());
    EXPECT_EQ(header.samples_per_pixel, ref.channels);
    EXPECT_EQ(read_lines(node.get()), ref.rows);
    if (!c.own) continue;
    Pnm source = parse_pnm(command_output("pngtopnm " + dir + "/out.png"));
    node->reset();
    auto ours = node_samples(node.get());
    uint32_t channels = uint32_t(header.samples_per_pixel);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        for (uint32_t k = 0; k < channels; ++k) {
          if (mask[y][x] == 255) {
            EXPECT_EQ(ours[y][x * channels + k], source.rows[y][x * channels + k]);
          }
          if (mask[y][x] == 0) {
            EXPECT_EQ(ours[y][x * channels + k], 255u);
          }
        }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(RealFiles, GifFilesEqualGiflibAndGiftopnm) {
  write_pnm(dir + "/w1.ppm", 6, 1, 13, rich_rows(1, 13));
  write_pnm(dir + "/w7.ppm", 6, 7, 13, rich_rows(7, 13));
  write_pnm(dir + "/w1001.ppm", 6, 1001, 13, rich_rows(1001, 13));
  ASSERT_TRUE(run("cd " + dir + " && for n in 1 7 1001; do pnmquant -quiet 16 w$n.ppm > v$n.ppm; done 2>/dev/null"));
  std::ostringstream text;
  text << "screen width 6\nscreen height 4\nscreen colors 4\nscreen background 0\npixel aspect byte 0\n\n"
       << "comment\nbefore the image\nend\n\nimage # 1\nimage left 0\nimage top 0\nimage interlaced\nimage map\n"
       << "\tsort flag off\n\trgb 255 000 000 is 0\n\trgb 000 128 127 is 1\n\trgb 181 074 000 is 2\n"
       << "\trgb 000 000 000 is 3\nend\nimage bits 6 by 4\n012301\n123012\n230123\n301230\n";
  std::string s = text.str();
  write_bytes(dir + "/local.txt", std::vector<uint8_t>(s.begin(), s.end()));
  const char* commands[] = {
      "convert q2.ppm out.gif",
      "convert q16.ppm out.gif",
      "convert q256.ppm out.gif",
      "convert q256.ppm -interlace GIF out.gif",
      "pamtogif q2.ppm > out.gif",
      "pamtogif q16.ppm > out.gif",
      "pamtogif q256.ppm > out.gif",
      "pamtogif -interlace q256.ppm > out.gif",
      "pamtogif -interlace q16.ppm > out.gif",
      "convert q16.ppm q2.ppm q256.ppm out.gif",
      "pamtogif v1.ppm > out.gif",
      "pamtogif v7.ppm > out.gif",
      "pamtogif -interlace v1001.ppm > out.gif",
      "convert v1001.ppm out.gif",
      "gifbuild local.txt > out.gif",
      "pamtogif q16.ppm > a.gif && gifbuild -d a.gif > a.txt && gifbuild a.txt > out.gif",
  };
  for (const char* command : commands) {
    SCOPED_TRACE(command);
    std::vector<uint8_t> file = made(command, "out.gif");
    ASSERT_FALSE(file.empty());
    GifDecoded peer = giflib_first_image(file);
    ASSERT_TRUE(peer.ok);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstReadGIFHeader> header(RstReadGIF::private_header(&in));
    ASSERT_TRUE(header);
    RstOwner<RstRead> node(RstReadGIF::create(&in, header.get()));
    ASSERT_TRUE(node);
    EXPECT_EQ(read_lines(node.get()), peer.rows);
    RstHeader nh(node.get());
    ASSERT_TRUE(nh.colormap);
    EXPECT_EQ(nh.colormap->entries(), int(peer.colors.size()));
    node->reset();
    Pnm pixels = parse_pnm(command_output("giftopnm " + dir + "/out.gif 2>/dev/null | ppmtoppm"));
    EXPECT_EQ(node_samples(node.get()), pnm_samples(pixels));
  }
  EXPECT_TRUE(status.messages().empty());
}

}  // namespace
