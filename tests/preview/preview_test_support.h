// Test support for the preview core: creators registered, a scratch folder of
// fixtures made by peer tools (ImageMagick, netpbm, libtiff), and the rendered
// bitmap and peer images as top-down RGB for comparisons.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "preview/rst_interface.h"
#include "raster/color/rst_color_creators.h"
#include "raster/geometry/charts.h"
#include "raster/geometry/rst_geometry_creators.h"

struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top-down, 3 bytes a pixel
  bool operator==(const RgbImage&) const = default;
  const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

inline void PrintTo(const RgbImage& image, std::ostream* os) { *os << image.width << " x " << image.height; }

// The bitmap of a bridge, turned top-down and RGB.
inline RgbImage BitmapImage(const CRstInterface& bridge) {
  RgbImage out;
  out.width = bridge.GetDisplayWidth();
  out.height = bridge.GetDisplayHeight();
  if (!bridge.GetBits()) return out;
  out.rgb.resize(size_t(out.width) * size_t(out.height) * 3);
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* row = bridge.GetBits() + size_t(out.height - 1 - y) * size_t(bridge.GetRowStride());
    for (int x = 0; x < out.width; ++x)
      for (int c = 0; c < 3; ++c)
        out.rgb[(size_t(y) * size_t(out.width) + size_t(x)) * 3 + size_t(c)] = row[x * 3 + 2 - c];
  }
  return out;
}

// A P4 (1 is black), P5 or P6 image of 8-bit samples as RGB.
inline RgbImage PnmAsRgb(const PnmImage& p) {
  RgbImage out;
  out.width = p.width;
  out.height = p.height;
  out.rgb.reserve(size_t(p.width) * size_t(p.height) * 3);
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* row = p.rows.data() + size_t(y) * size_t(p.stride());
    for (int x = 0; x < p.width; ++x) {
      uint8_t r, g, b;
      if (p.magic == "P4") {
        r = g = b = ((row[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
      } else if (p.magic == "P5") {
        r = g = b = uint8_t(uint32_t(row[x]) * 255 / uint32_t(p.maxval));
      } else {
        r = row[x * 3], g = row[x * 3 + 1], b = row[x * 3 + 2];
      }
      out.rgb.insert(out.rgb.end(), {r, g, b});
    }
  }
  return out;
}

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rst_register_color_creators();
    rst_register_geometry_creators();
    dir_ = ::testing::TempDir() + "preview-XXXXXX";
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Runs a shell command in the scratch folder; false when it fails.
  bool Sh(const std::string& command) const {
    std::string full = "cd '" + dir_ + "' && (" + command + ") >/dev/null 2>&1";
    return std::system(full.c_str()) == 0;
  }
  // A P5 or P6 file of the given size, pixel by pixel.
  std::string Pnm(const std::string& name, int width, int height, bool color,
                  const std::function<std::vector<uint8_t>(int, int)>& pixel, int maxval = 255) const {
    std::ofstream f(Path(name), std::ios::binary);
    f << (color ? "P6" : "P5") << "\n" << width << " " << height << "\n" << maxval << "\n";
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        std::vector<uint8_t> v = pixel(x, y);
        f.write(reinterpret_cast<const char*>(v.data()), std::streamsize(v.size()));
      }
    return Path(name);
  }
  // A P4 file, black where the function says so.
  std::string Pbm(const std::string& name, int width, int height, const std::function<bool(int, int)>& black) const {
    std::ofstream f(Path(name), std::ios::binary);
    f << "P4\n" << width << " " << height << "\n";
    for (int y = 0; y < height; ++y) {
      std::vector<uint8_t> row(size_t(width + 7) / 8, 0);
      for (int x = 0; x < width; ++x)
        if (black(x, y)) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
      f.write(reinterpret_cast<const char*>(row.data()), std::streamsize(row.size()));
    }
    return Path(name);
  }
  // The peer's image of a file: `command` writes peer.pnm.
  RgbImage Peer(const std::string& command) const {
    EXPECT_TRUE(Sh(command + " > peer.pnm")) << command;
    PnmImage p;
    EXPECT_TRUE(read_pnm(Path("peer.pnm"), p)) << command;
    return PnmAsRgb(p);
  }

  std::string dir_;
};
