// Test support: the IMS/IMT object image written from a table of records
// (header, 96-byte records, end record), and a data storage the records'
// coded data are appended to. The PDF page tests build their images with it.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/mrc/rst_read_ims_header.h"

struct ImsImage {
  bool imt = true;
  uint32_t version = RstIMS::version;
  uint32_t page_width = 100;
  uint32_t page_height = 80;
  uint32_t x_resolution = 300;
  uint32_t y_resolution = 300;
  uint32_t kind = 1;
  std::vector<RstIMSRecord> records;
  bool with_end = true;
  int64_t end_count = -1;  // -1: records + 1

  static void put(std::vector<uint8_t>& out, uint32_t word) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(word >> (8 * i)));
  }

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out;
    for (uint32_t w : {imt ? RstIMS::magic_imt : RstIMS::magic_ims, version, page_width, page_height, x_resolution,
                       y_resolution, kind})
      put(out, w);
    for (const RstIMSRecord& r : records) {
      uint32_t words[24];
      std::memcpy(words, &r, sizeof words);
      for (uint32_t w : words) put(out, w);
    }
    if (with_end) {
      put(out, RstIMS::end_tag);
      put(out, uint32_t(end_count < 0 ? records.size() + 1 : uint64_t(end_count)));
    }
    return out;
  }
};

// A record placed at (x, y) with a size of w x h page pixels, written for
// both variants: words 1 to 4 for ".ims", origin and matrix for ".imt".
inline RstIMSRecord ims_record(uint32_t tag, uint32_t color_space, uint32_t compression, uint32_t pixel_width,
                               uint32_t pixel_height, int32_t x, int32_t y, uint32_t w, uint32_t h) {
  RstIMSRecord r;
  r.tag = tag;
  r.color_space = color_space;
  r.compression = compression;
  r.pixel_width = pixel_width;
  r.pixel_height = pixel_height;
  r.x = uint32_t(x);
  r.y = uint32_t(y);
  r.width = w;
  r.height = h;
  r.a = float(w);
  r.d = -float(h);
  r.x_origin = x;
  r.y_origin = y + int32_t(h);
  return r;
}

// The data storage's bytes: each object's data appended, its offset and
// length written into the record.
struct ImsData {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(16, 0xA5);  // data never starts at 0
  void add(RstIMSRecord& r, const std::vector<uint8_t>& data) {
    r.data_offset = uint32_t(bytes.size());
    r.data_length = uint32_t(data.size());
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.push_back(0x5A);  // a gap between objects
  }
};
