// Shared pieces of the page reading tests: files written with the libtiff API
// into memory, reading every line of a node, the registered creators, a
// fixture that records reports and restores the format enables, and running
// the shell tools and the decode_page harness.
#pragma once

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
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
#include "tiff_builder.h"
#include "tiff_reader_support.h"

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
  std::string dir = temp_dir();
  std::string path = dir + "/page.tif";
  TIFF* tif = TIFFOpen(path.c_str(), mode);
  if (!tif) return {};
  fill(tif);
  TIFFClose(tif);
  std::vector<uint8_t> bytes = file_bytes(path);
  std::remove(path.c_str());
  rmdir(dir.c_str());
  return bytes;
}

// Sets the usual tags of one page.
inline void page_tags(TIFF* tif, uint32_t width, uint32_t length, uint16_t bits, uint16_t samples, uint16_t photometric,
                      uint16_t compression, uint32_t rows_per_strip) {
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

// The coded strips libtiff makes of `rows` (one per strip of rows_per_strip);
// `more` sets further tags (T4Options, Predictor) before the rows are written.
inline std::vector<std::vector<uint8_t>> coded_strips(uint32_t width, uint16_t bits, uint16_t samples,
                                                      uint16_t photometric, uint16_t compression,
                                                      uint32_t rows_per_strip, const Rows& rows,
                                                      const std::function<void(TIFF*)>& more = {}) {
  std::string dir = temp_dir();
  std::string path = dir + "/strips.tif";
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return {};
  page_tags(tif, width, uint32_t(rows.size()), bits, samples, photometric, compression, rows_per_strip);
  if (more) more(tif);
  write_rows(tif, rows);
  TIFFClose(tif);
  std::vector<std::vector<uint8_t>> strips;
  tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return {};
  for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
    std::vector<uint8_t> strip(size_t(TIFFRawStripSize(tif, s)));
    TIFFReadRawStrip(tif, s, strip.data(), tmsize_t(strip.size()));
    strips.push_back(strip);
  }
  TIFFClose(tif);
  std::remove(path.c_str());
  rmdir(dir.c_str());
  return strips;
}

// A one-page file of given strips laid one after another after the IFD, with
// the page entries given and StripOffsets and StripByteCounts filled in (the
// byte counts given replace the true ones when not empty).
inline std::vector<uint8_t> strip_file(std::vector<TiffEntry> entries, const std::vector<std::vector<uint8_t>>& strips,
                                       std::vector<uint32_t> byte_counts = {}, bool big_endian = false) {
  // The IFD is written twice: first to learn where the strips will start.
  std::vector<uint32_t> offsets(strips.size(), 0), counts;
  for (const auto& s : strips) counts.push_back(uint32_t(s.size()));
  if (byte_counts.empty()) byte_counts = counts;
  auto build = [&](const std::vector<uint32_t>& at) {
    TiffBuilder b(big_endian);
    std::vector<TiffEntry> all = entries;
    all.push_back(TiffEntry::longs(273, at));
    all.push_back(TiffEntry::longs(279, byte_counts));
    std::sort(all.begin(), all.end(), [](const TiffEntry& x, const TiffEntry& y) { return x.tag < y.tag; });
    b.add_ifd(all);
    return b;
  };
  TiffBuilder first = build(offsets);
  uint32_t position = uint32_t(first.bytes.size());
  for (size_t i = 0; i < strips.size(); ++i) {
    offsets[i] = position;
    position += uint32_t(strips[i].size());
  }
  TiffBuilder b = build(offsets);
  for (const auto& s : strips) b.add_bytes(s);
  return b.bytes;
}

// The usual entries of a page, without the strip entries.
inline std::vector<TiffEntry> page_entries(uint32_t width, uint32_t length, uint32_t bits, uint32_t samples,
                                           uint32_t photometric, uint32_t compression, uint32_t rows_per_strip) {
  std::vector<uint32_t> bps(samples, bits);
  return {TiffEntry::longs(256, {width}),
          TiffEntry::longs(257, {length}),
          TiffEntry::shorts(258, bps),
          TiffEntry::shorts(259, {compression}),
          TiffEntry::shorts(262, {photometric}),
          TiffEntry::shorts(277, {samples}),
          TiffEntry::longs(278, {rows_per_strip}),
          TiffEntry::rational(282, 200, 1),
          TiffEntry::rational(283, 200, 1),
          TiffEntry::shorts(296, {2})};
}

// One page of pages_file: its entries (without the strip entries) and strips.
struct PageSpec {
  std::vector<TiffEntry> entries;
  std::vector<std::vector<uint8_t>> strips;
};

// A file of several pages: every strip first, then the IFDs in a chain.
inline std::vector<uint8_t> pages_file(const std::vector<PageSpec>& pages, bool big_endian = false) {
  TiffBuilder b(big_endian, 0);
  std::vector<std::vector<uint32_t>> offsets;
  for (const PageSpec& p : pages) {
    std::vector<uint32_t> at;
    for (const auto& s : p.strips) at.push_back(b.add_bytes(s));
    offsets.push_back(at);
  }
  uint32_t next_field = 4;
  for (size_t i = 0; i < pages.size(); ++i) {
    std::vector<TiffEntry> all = pages[i].entries;
    std::vector<uint32_t> counts;
    for (const auto& s : pages[i].strips) counts.push_back(uint32_t(s.size()));
    all.push_back(TiffEntry::longs(273, offsets[i]));
    all.push_back(TiffEntry::longs(279, counts));
    std::sort(all.begin(), all.end(), [](const TiffEntry& x, const TiffEntry& y) { return x.tag < y.tag; });
    uint32_t at = b.add_ifd(all);
    b.patch32(next_field, at);
    next_field = b.last_next_field;
  }
  return b.bytes;
}

// A bilevel G4 page of `rows` in strips of rows_per_strip.
inline PageSpec g4_page(uint32_t width, const Rows& rows, uint32_t rows_per_strip) {
  return {page_entries(width, uint32_t(rows.size()), 1, 1, 0, 4, rows_per_strip),
          coded_strips(width, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, rows_per_strip, rows)};
}
