// BMP and Sun raster files written by netpbm and ImageMagick in the test run,
// and RLE4 files made by hand, read through format detection by the
// decode_page harness and compared pixel for pixel with bmptopnm, rasttopnm
// or ImageMagick; files the peers refuse are refused or read with warnings
// here too, never shown as something else.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "bmp_sunras_support.h"
#include "png_support.h"

namespace {

void write_pnm(const std::string& path, int type, uint32_t w, uint32_t h, const Rows& rows) {
  std::ostringstream head;
  head << 'P' << type << '\n' << w << ' ' << h << '\n';
  if (type != 4) head << "255\n";
  std::string text = head.str();
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (const auto& r : rows) bytes.insert(bytes.end(), r.begin(), r.end());
  write_bytes(path, bytes);
}

// Many colours, so that 24-bit writers keep them and pnmquant has work.
Rows rich_rows(uint32_t w, uint32_t h) {
  Rows rows(h, std::vector<uint8_t>(w * 3));
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t i = 0; i < w * 3; ++i) rows[y][i] = uint8_t((i * 53 + y * 97 + (i % 3) * y * 7) & 0xFF);
  return rows;
}

// Every pixel of a PBM, PGM or PPM as 8-bit RGB (PBM's 1 is black), so that
// a peer writing PBM for a black and white palette compares with our RGB.
std::vector<uint8_t> rgb_pixels(const Pnm& p) {
  std::vector<uint8_t> out;
  for (const auto& row : p.rows) {
    for (uint32_t x = 0; x < p.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        uint32_t v = 0;
        if (p.type == 4) v = row[x] ? 0 : 255;
        else if (p.type == 5) v = row[x] * 255 / p.maxval;
        else v = row[3 * x + c] * 255 / p.maxval;
        out.push_back(uint8_t(v));
      }
    }
  }
  return out;
}

struct Header {
  uint32_t header_size = 0, bits = 0, compression = 0;
};

// The info header fields of a BMP file that say which kind of file a peer wrote.
Header bmp_header(const std::vector<uint8_t>& f) {
  Header h;
  if (f.size() < 34) return h;
  auto le = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | f[at + size_t(i)];
    return v;
  };
  h.header_size = le(14, 4);
  h.bits = h.header_size == 12 ? le(24, 2) : le(28, 2);
  h.compression = h.header_size == 12 ? 0 : le(30, 4);
  return h;
}

class BmpSunrasRealFiles : public PageTest {
 protected:
  void SetUp() override { dir = temp_dir(); }
  void TearDown() override { run("rm -rf " + dir); }

  // Sources of width w: g1.pbm, g8.pgm, rgb.ppm and q2/q16/q256.ppm, the
  // RGB image cut down to that many colours.
  void sources(uint32_t w, uint32_t h) {
    write_pnm(dir + "/g1.pbm", 4, w, h, bilevel_rows(w, h));
    write_pnm(dir + "/g8.pgm", 5, w, h, byte_rows(w, h, 1, 5));
    write_pnm(dir + "/rgb.ppm", 6, w, h, rich_rows(w, h));
    ASSERT_TRUE(run("cd " + dir + " && for n in 2 16 256; do pnmquant -quiet $n rgb.ppm > q$n.ppm; done 2>/dev/null"));
  }
  bool sh(const std::string& command) { return run("cd " + dir + " && (" + command + ") >/dev/null 2>&1"); }
  std::vector<uint8_t> bytes_of(const std::string& name) { return file_bytes(dir + "/" + name); }

  // decode_page's exit code on the first page of `name`, its pixels in `out`
  // and what it wrote to stderr in `said`.
  int decode(const std::string& name, std::vector<uint8_t>& out, std::string& said) {
    std::string target = dir + "/decoded.pnm";
    std::remove(target.c_str());
    int rc =
        std::system((harness_path() + " " + dir + "/" + name + " 1 " + target + " 2>" + dir + "/stderr.txt").c_str());
    rc = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::vector<uint8_t> err = bytes_of("stderr.txt");
    said.assign(err.begin(), err.end());
    if (rc == 0) out = rgb_pixels(parse_pnm(bytes_of("decoded.pnm")));
    return rc;
  }
  // The peer's pixels of `name`: `peer` is a command writing PNM to standard
  // output, reading the file named at its {} or else named last.
  std::vector<uint8_t> peer_pixels(std::string peer, const std::string& name) {
    size_t at = peer.find("{}");
    if (at == std::string::npos) peer += " " + name;
    else peer.replace(at, 2, name);
    return rgb_pixels(parse_pnm(command_output("cd " + dir + " && " + peer + " 2>/dev/null")));
  }
  void expect_same(const std::string& name, const std::string& peer) {
    std::vector<uint8_t> ours;
    std::string said;
    ASSERT_EQ(decode(name, ours, said), 0) << said;
    EXPECT_EQ(said, "");
    std::vector<uint8_t> want = peer_pixels(peer, name);
    ASSERT_FALSE(want.empty());
    EXPECT_TRUE(ours == want);
  }

  std::string dir;
};

TEST_F(BmpSunrasRealFiles, BmpFilesEqualBmptopnm) {
  struct Case {
    const char* command;  // writes out.bmp
    Header header;        // what the peer wrote
    bool width_of_4;      // RLE8 by ImageMagick: only at widths of multiples of 4
  } cases[] = {
      {"ppmtobmp -bpp 1 g1.pbm > out.bmp", {40, 1, 0}, false},
      {"ppmtobmp -bpp 1 q2.ppm > out.bmp", {40, 1, 0}, false},
      {"ppmtobmp -bpp 4 q16.ppm > out.bmp", {40, 4, 0}, false},
      {"ppmtobmp -bpp 8 q256.ppm > out.bmp", {40, 8, 0}, false},
      {"ppmtobmp -bpp 24 rgb.ppm > out.bmp", {40, 24, 0}, false},
      {"ppmtobmp -os2 -bpp 1 g1.pbm > out.bmp", {12, 1, 0}, false},
      {"ppmtobmp -os2 -bpp 4 q16.ppm > out.bmp", {12, 4, 0}, false},
      {"ppmtobmp -os2 -bpp 8 q256.ppm > out.bmp", {12, 8, 0}, false},
      {"ppmtobmp -os2 -bpp 24 rgb.ppm > out.bmp", {12, 24, 0}, false},
      {"/usr/bin/convert q2.ppm -type palette bmp3:out.bmp", {40, 1, 0}, false},
      {"/usr/bin/convert q16.ppm -type palette bmp3:out.bmp", {40, 4, 0}, false},
      {"/usr/bin/convert q256.ppm -type palette -compress None bmp3:out.bmp", {40, 8, 0}, false},
      {"/usr/bin/convert rgb.ppm bmp3:out.bmp", {40, 24, 0}, false},
      {"/usr/bin/convert g8.pgm bmp3:out.bmp", {40, 24, 0}, false},
      {"/usr/bin/convert rgb.ppm bmp:out.bmp", {124, 24, 0}, false},
      {"/usr/bin/convert rgb.ppm bmp2:out.bmp", {12, 24, 0}, false},
      {"/usr/bin/convert q256.ppm -type palette -compress RLE bmp3:out.bmp", {40, 8, 1}, true},
  };
  for (uint32_t width : {45u, 48u}) {
    sources(width, 19);
    for (const Case& c : cases) {
      if (c.width_of_4 && width % 4) continue;
      SCOPED_TRACE(std::string(c.command) + " at width " + std::to_string(width));
      ASSERT_TRUE(sh(c.command));
      Header h = bmp_header(bytes_of("out.bmp"));
      EXPECT_EQ(h.header_size, c.header.header_size);
      EXPECT_EQ(h.bits, c.header.bits);
      EXPECT_EQ(h.compression, c.header.compression);
      expect_same("out.bmp", "bmptopnm");
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

// ImageMagick codes an RLE8 row of a width that is no multiple of 4 with its
// pad bytes as pixels past the row end: bmptopnm refuses the file, we read
// it with warning 4 and zero rows, never as another picture.
TEST_F(BmpSunrasRealFiles, OverlongRle8RowsAreReportedAsPeersRefuseThem) {
  sources(45, 19);
  ASSERT_TRUE(sh("/usr/bin/convert q256.ppm -type palette -compress RLE bmp3:out.bmp"));
  EXPECT_EQ(bmp_header(bytes_of("out.bmp")).compression, 1u);
  EXPECT_FALSE(sh("bmptopnm out.bmp"));
  std::vector<uint8_t> ours;
  std::string said;
  ASSERT_EQ(decode("out.bmp", ours, said), 0) << said;
  EXPECT_NE(said.find("warning 4"), std::string::npos) << said;
  EXPECT_EQ(ours.size(), size_t(45) * 19 * 3);
}

// RLE4 made by hand: odd runs, absolute runs of odd and even lengths with
// their word padding, every row complete (bmptopnm takes no deltas); and a
// file with deltas, a row end inside a row and a jump over rows, checked
// with ImageMagick, which skips as we do.
TEST_F(BmpSunrasRealFiles, HandMadeRle4EqualsPeers) {
  BmpSpec s;
  s.width = 7;
  s.bits = 4;
  s.compression = 2;
  s.palette = {0x000000, 0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0x00ffff, 0xff00ff, 0xffffff,
               0x808080, 0x800000, 0x008000, 0x000080, 0x808000, 0x008080, 0x800080, 0xc0c0c0};
  s.height = 5;
  s.data = {3, 0x12, 0,    4,    0x34, 0x56, 0, 0,                  // odd run, even absolute run
            7, 0xab, 0,    0,                                       // one run over the row
            0, 3,    0x78, 0x90, 4,    0xcd, 0, 0,                  // odd absolute run, no padding
            0, 5,    0x12, 0x34, 0x50, 0,    2, 0xef, 0, 0,         // absolute run with its pad byte
            1, 0xf0, 0,    3,    0x9a, 0xb0, 3, 0x21, 0, 0, 0, 1};  // pixel by pixel to the end
  write_bytes(dir + "/runs.bmp", bmp_bytes(s));
  expect_same("runs.bmp", "bmptopnm");

  s.height = 6;
  s.data = {3, 0x12, 0, 4, 0x34, 0x56, 0, 0,           //
            1, 0x10, 0, 2, 2,    0,    4, 0xef, 0, 0,  // delta right inside the row
            0, 2,    3, 1,                             // delta: on at column 3 of the next row
            4, 0x77, 0, 0,                             //
            0, 2,    0, 1,                             // delta over a row left zero
            7, 0x5a, 0, 1};
  write_bytes(dir + "/deltas.bmp", bmp_bytes(s));
  EXPECT_FALSE(sh("bmptopnm deltas.bmp"));
  expect_same("deltas.bmp", "/usr/bin/convert {} -depth 8 ppm:-");
}

TEST_F(BmpSunrasRealFiles, SunFilesEqualRasttopnm) {
  struct Case {
    const char* command;   // writes out.ras
    uint32_t type, depth;  // what the peer wrote
  } cases[] = {
      {"pnmtorast -standard g1.pbm > out.ras", 1, 1},
      {"pnmtorast -standard q256.ppm > out.ras", 1, 8},
      {"pnmtorast -standard rgb.ppm > out.ras", 1, 24},
      {"pnmtorast -rle g1.pbm > out.ras", 2, 1},
      {"pnmtorast -rle q256.ppm > out.ras", 2, 8},
      {"/usr/bin/convert rgb.ppm sun:out.ras", 3, 24},
      {"/usr/bin/convert q256.ppm -type palette sun:out.ras", 1, 8},
  };
  for (uint32_t width : {45u, 48u}) {
    sources(width, 19);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.command) + " at width " + std::to_string(width));
      ASSERT_TRUE(sh(c.command));
      std::vector<uint8_t> f = bytes_of("out.ras");
      ASSERT_GE(f.size(), 32u);
      auto be = [&](size_t at) {
        return uint32_t(f[at]) << 24 | uint32_t(f[at + 1]) << 16 | f[at + 2] << 8 | f[at + 3];
      };
      EXPECT_EQ(be(20), c.type);
      EXPECT_EQ(be(12), c.depth);
      expect_same("out.ras", "rasttopnm");
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
