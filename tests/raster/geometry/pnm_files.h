// Netpbm files for the cross-checks with outside tools: random 8-bit PGM and
// PPM images written and read back (comments in headers skipped), and a node
// over an image's samples.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "line_source.h"
#include "raster/core/rst_read_raw_from_byte_array.h"

struct PnmImage {
  int32_t width = 0, height = 0, samples = 1;  // samples 1: PGM, 3: PPM
  Bytes pixels;
};

inline PnmImage random_pnm(int32_t width, int32_t height, int32_t samples, uint32_t seed) {
  std::mt19937 rng(seed);
  PnmImage img{width, height, samples, Bytes(size_t(width) * size_t(height) * size_t(samples))};
  for (uint8_t& b : img.pixels) b = uint8_t(rng());
  return img;
}

inline bool write_pnm(const std::string& path, const PnmImage& img) {
  std::ofstream f(path, std::ios::binary);
  f << (img.samples == 3 ? "P6" : "P5") << "\n" << img.width << " " << img.height << "\n255\n";
  f.write(reinterpret_cast<const char*>(img.pixels.data()), std::streamsize(img.pixels.size()));
  return bool(f);
}

// P5 or P6 at maxval 255, or an empty image.
inline PnmImage read_pnm(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  PnmImage img;
  std::string magic;
  f >> magic;
  auto number = [&f]() {
    f >> std::ws;
    while (f.peek() == '#') {
      std::string skip;
      std::getline(f, skip);
      f >> std::ws;
    }
    int32_t v = -1;
    f >> v;
    return v;
  };
  img.samples = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
  img.width = number();
  img.height = number();
  int32_t maxval = number();
  f.get();
  if (img.samples == 0 || img.width <= 0 || img.height <= 0 || maxval != 255) return {};
  img.pixels.resize(size_t(img.width) * size_t(img.height) * size_t(img.samples));
  f.read(reinterpret_cast<char*>(img.pixels.data()), std::streamsize(img.pixels.size()));
  if (size_t(f.gcount()) != img.pixels.size()) return {};
  return img;
}

// A raw node over the image's samples (which must outlive it).
inline RstRead* pnm_source(const PnmImage& img) {
  RstHeader h = image_header(img.width, img.height, 8, img.samples,
                             img.samples == 3 ? RstColorType::s_rgb() : RstColorType::s_gray());
  return RstReadRawFromByteArray::create(img.pixels.data(), h, img.width * img.samples, false, false);
}

// Every line of a node, one after the other.
inline Bytes pull_all(RstRead* node) {
  Bytes all;
  for (const Bytes& line : pull(node)) all.insert(all.end(), line.begin(), line.end());
  return all;
}

inline std::string temp_path(const std::string& name) { return ::testing::TempDir() + name; }
