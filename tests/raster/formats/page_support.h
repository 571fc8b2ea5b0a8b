// Shared pieces of the page reading tests: files written with the libtiff API
// into memory, reading every line of a node, the registered creators, a
// fixture that records reports and restores the format enables, and running
// the shell tools and the decode_page harness.
#pragma once

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/geometry/rst_geometry_creators.h"

using Rows = std::vector<std::vector<uint8_t>>;

inline std::vector<uint8_t> file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fresh folder for one test's files.
inline std::string temp_dir() {
  char pattern[] = "/tmp/pk_pages_XXXXXX";
  const char* made = mkdtemp(pattern);
  return made ? made : "/tmp";
}

// Runs a shell command; true when it exits with 0.
inline bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// A TIFF file written through the libtiff API by `fill` (one call per page;
// `fill` sets the tags and writes the strips), read back as bytes.
inline std::vector<uint8_t> libtiff_file(const std::function<void(TIFF*)>& fill, const char* mode = "w") {
  std::string path = temp_dir() + "/page.tif";
  TIFF* tif = TIFFOpen(path.c_str(), mode);
  if (!tif) return {};
  fill(tif);
  TIFFClose(tif);
  std::vector<uint8_t> bytes = file_bytes(path);
  std::remove(path.c_str());
  return bytes;
}

// Sets the usual tags of one page.
inline void page_tags(TIFF* tif, uint32_t width, uint32_t length, uint16_t bits, uint16_t samples,
                      uint16_t photometric, uint16_t compression, uint32_t rows_per_strip) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, length);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows_per_strip);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 200.0);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 200.0);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
}

// Writes rows with TIFFWriteScanline (through a copy: libtiff's predictor
// works in the buffer it is given).
inline void write_rows(TIFF* tif, const Rows& rows) {
  for (size_t y = 0; y < rows.size(); ++y) {
    std::vector<uint8_t> copy = rows[y];
    TIFFWriteScanline(tif, copy.data(), uint32_t(y), 0);
  }
}

// Every line of a node, each cut to `bytes` (0: the whole line size).
inline Rows read_lines(RstRead* node, size_t bytes = 0, int limit = 1 << 20) {
  Rows rows;
  std::vector<uint8_t> line(size_t(node->line_size()) + 16, 0xEE);
  if (bytes == 0) bytes = size_t(node->line_size());
  for (int i = 0; i < limit; ++i) {
    if (node->read(line.data()) == 0) break;
    rows.emplace_back(line.begin(), line.begin() + long(bytes));
  }
  return rows;
}

// Packed 1-bit rows of a pattern that differs from row to row (1 = black).
inline Rows bilevel_rows(uint32_t width, uint32_t height, uint32_t seed = 1) {
  Rows rows(height, std::vector<uint8_t>((width + 7) / 8, 0));
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      if (((x / (3 + (y + seed) % 5)) + y / 2 + seed) % 3 == 0) rows[y][x / 8] |= uint8_t(0x80 >> (x % 8));
  for (auto& row : rows)
    if (width % 8) row.back() &= uint8_t(0xFF << (8 - width % 8));
  return rows;
}

// 8-bit rows of `samples` samples per pixel with varied values.
inline Rows byte_rows(uint32_t width, uint32_t height, uint32_t samples, uint32_t seed = 7) {
  Rows rows(height, std::vector<uint8_t>(size_t(width) * samples));
  for (uint32_t y = 0; y < height; ++y)
    for (size_t i = 0; i < rows[y].size(); ++i) rows[y][i] = uint8_t((i * 37 + y * 11 + seed * (i % 3)) & 0xFF);
  return rows;
}

// Reports recorded (errors return), the creators registered, the format
// enables restored afterwards.
class PageTest : public RstStatusTest {
protected:
  PageTest() {
    rst_register_color_creators();
    rst_register_geometry_creators();
    saved_ = RstStatusContext::instance()->format_enables;
  }
  ~PageTest() override { RstStatusContext::instance()->format_enables = saved_; }

  static void set_enable(int byte, uint8_t value) { RstStatusContext::instance()->format_enables.bytes[byte] = value; }
  bool reported(int32_t code, const std::string& where) const {
    for (const RstReport& r : status.messages())
      if (r.code == code && r.where == where) return true;
    return false;
  }

private:
  RstFormatEnables saved_;
};

// The decode_page harness beside the running test program.
inline std::string harness_path() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "decode_page";
  std::string path(self, size_t(n));
  return path.substr(0, path.rfind('/') + 1) + "decode_page";
}
