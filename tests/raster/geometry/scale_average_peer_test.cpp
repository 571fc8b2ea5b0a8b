// The averaging scalers beside peer programs on random netpbm images:
// libvips' shrink for the integer-factor reduction (byte for byte),
// ImageMagick's -scale for area averaging and its bilinear
// -interpolative-resize for linear interpolation (within one level).
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "average_support.h"
#include "line_source.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_scale.h"

namespace {

class ScaleAveragePeers : public RstStatusTest {};

bool have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Reads a PGM or PPM that may carry comment lines in its header (vips
// writes one); an empty image on failure.
Image read_pnm(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  size_t pos = 0;
  auto token = [&]() {
    for (;;) {
      while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
      if (pos < data.size() && data[pos] == '#') {
        while (pos < data.size() && data[pos] != '\n') ++pos;
        continue;
      }
      break;
    }
    size_t begin = pos;
    while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
    return data.substr(begin, pos - begin);
  };
  std::string magic = token();
  if (magic != "P5" && magic != "P6") return {};
  Image im;
  im.width = std::atoi(token().c_str());
  im.height = std::atoi(token().c_str());
  if (token() != "255") return {};
  ++pos;
  im.samples = magic == "P6" ? 3 : 1;
  if (im.width <= 0 || im.height <= 0 || data.size() - pos < im.line_bytes() * size_t(im.height)) return {};
  for (int32_t y = 0; y < im.height; ++y, pos += im.line_bytes())
    im.lines.emplace_back(data.begin() + long(pos), data.begin() + long(pos + im.line_bytes()));
  return im;
}

// Runs "program IN arguments OUT" (arguments_after: "program IN OUT
// arguments") over the image written as netpbm; the result, or an empty
// image when the program failed.
Image run_peer(const Image& in, const std::string& program, const std::string& arguments, bool arguments_after,
               const std::string& tag) {
  std::string ext = in.samples == 1 ? ".pgm" : ".ppm";
  std::string src = ::testing::TempDir() + "avg_" + tag + ".in" + ext;
  std::string out = ::testing::TempDir() + "avg_" + tag + ".out" + ext;
  write_netpbm(in, src);
  std::string cmd = arguments_after ? program + " " + src + " " + out + " " + arguments
                                    : program + " " + src + " " + arguments + " " + out;
  Image result = std::system((cmd + " >/dev/null 2>&1").c_str()) == 0 ? read_pnm(out) : Image{};
  std::remove(src.c_str());
  std::remove(out.c_str());
  return result;
}

int max_level_difference(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height || a.samples != b.samples) return 1000;
  int worst = 0;
  for (size_t y = 0; y < a.lines.size(); ++y)
    for (size_t k = 0; k < a.lines[y].size(); ++k) worst = std::max(worst, std::abs(a.lines[y][k] - b.lines[y][k]));
  return worst;
}

TEST_F(ScaleAveragePeers, IntegerFactorsMatchVipsShrink) {
  if (!have("vips")) GTEST_SKIP() << "vips (libvips-tools) not installed";
  setenv("VIPS_CONCURRENCY", "1", 1);
  // Every factor from 2 to 9 on each axis, gray and RGB.
  for (int32_t nx = 2; nx <= 9; ++nx) {
    int32_t ny = (nx * 5) % 8 + 2;
    for (int32_t samples : {1, 3}) {
      SCOPED_TRACE(std::to_string(nx) + " x " + std::to_string(ny) + ", " + std::to_string(samples) + " samples");
      Image in = random_image(nx * (3 + nx % 4), ny * (2 + ny % 3), 8, samples, uint32_t(nx * 100 + ny + samples));
      Image peer = run_peer(in, "vips shrink", std::to_string(nx) + " " + std::to_string(ny), true,
                            "vips_" + std::to_string(nx) + "_" + std::to_string(samples));
      ASSERT_FALSE(peer.lines.empty()) << "vips failed";
      Held<> node(RstScaleIAR::create(source_of(in), uint32_t(nx), uint32_t(ny)));
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(image_of(node.get()), peer);
    }
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleAveragePeers, AreaAveragingNearImageMagickScale) {
  if (!have("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick not installed";
  struct Case {
    int32_t from_w, from_h, samples, to_w, to_h;
  } cases[] = {{90, 60, 3, 31, 23}, {50, 50, 1, 20, 20}, {77, 41, 1, 30, 17}, {64, 48, 3, 25, 19}};
  for (const Case& c : cases) {
    std::string name = std::to_string(c.from_w) + "x" + std::to_string(c.from_h) + " -> " + std::to_string(c.to_w) +
                       "x" + std::to_string(c.to_h);
    SCOPED_TRACE(name);
    Image in = random_image(c.from_w, c.from_h, 8, c.samples, uint32_t(c.to_w * c.to_h));
    std::string size = std::to_string(c.to_w) + "x" + std::to_string(c.to_h) + "!";
    Image peer = run_peer(in, "/usr/bin/convert", "-scale " + size, false, "pp_" + std::to_string(c.to_w));
    ASSERT_FALSE(peer.lines.empty()) << "convert failed";
    Held<> node(RstScalePP::create(source_of(in), c.to_w, c.to_h));
    ASSERT_NE(node, nullptr);
    EXPECT_LE(max_level_difference(image_of(node.get()), peer), 1);
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ScaleAveragePeers, LinearNearImageMagickBilinear) {
  if (!have("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick not installed";
  struct Case {
    int32_t from_w, from_h, samples, to_w, to_h;
  } cases[] = {{20, 14, 1, 40, 28}, {20, 14, 3, 10, 7}, {16, 22, 3, 32, 11}, {30, 12, 1, 15, 24}};
  for (const Case& c : cases) {
    std::string name = std::to_string(c.from_w) + "x" + std::to_string(c.from_h) + " -> " + std::to_string(c.to_w) +
                       "x" + std::to_string(c.to_h);
    SCOPED_TRACE(name);
    Image in = random_image(c.from_w, c.from_h, 8, c.samples, uint32_t(c.to_w * 7 + c.to_h));
    std::string size = std::to_string(c.to_w) + "x" + std::to_string(c.to_h) + "!";
    Image peer = run_peer(in, "/usr/bin/convert", "-interpolate bilinear -interpolative-resize " + size, false,
                          "li_" + std::to_string(c.to_w));
    ASSERT_FALSE(peer.lines.empty()) << "convert failed";
    Held<> node(RstScaleLI::create(source_of(in), c.to_w, c.to_h));
    ASSERT_NE(node, nullptr);
    Image got = image_of(node.get());
    EXPECT_LE(max_level_difference(got, peer), 1);
    // And the model of the same positions, in both orders of the axes.
    EXPECT_LE(max_difference(got, li_model(in, c.to_w, c.to_h)), 1.0);
  }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
