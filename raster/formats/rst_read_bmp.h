// Windows bitmaps: BMP files (a 14-byte file header, then a DIB) and bare DIBs
// (info header, colour table, pixel data). The reader is a chain: a raw line
// reader at the pixel data or, for BI_RLE8 and BI_RLE4, a code reader and the
// run-length decoder, then the nodes that make 8-bit samples of the rows.
// Every field comes from the file and is checked before it sizes anything.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"
#include "raster/core/rst_read.h"

class RstBMPHeader : public RstPrivateHeader {
 public:
  static constexpr uint32_t kRGB = 0;
  static constexpr uint32_t kRLE8 = 1;
  static constexpr uint32_t kRLE4 = 2;

  // Width, absolute height, bits and samples by bit count, default RGB, raw
  // or Windows RLE, the colormap shared.
  RstHeader* rst_header();

  // File header (BMP only).
  uint16_t magic = 0;
  uint32_t file_size = 0;
  uint32_t reserved = 0;
  uint32_t data_offset = 0;  // from the file header's start
  // Info header.
  uint32_t header_size = 0;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows stored bottom-up
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t image_size = 0;
  int32_t x_pels_per_meter = 0;
  int32_t y_pels_per_meter = 0;
  uint32_t colors_used = 0;
  uint32_t colors_important = 0;
  // The 12-byte core header: 16-bit sizes, 3-byte colour entries.
  bool core_header = false;
  // Storage position of the pixel data.
  int32_t data_position = 0;
  // Colour table entries read (the colormap holds 2^bits, zero beyond).
  uint32_t table_entries = 0;
  RstCountedPtr<RstColormap> colormap;
  // 1 good; -11 short skip; -12 not a BMP file; -13 invalid sizes or layout;
  // -14 planes or compression; -303 bit count; -1 memory.
  int32_t status = 1;
  // Bytes the parse read.
  int32_t parsed = 0;

 protected:
  // Reads the info header and colour table from the storage's position; the
  // file header, when there is one, began at `start`.
  void read_dib(InputStorage* storage, int32_t start, bool has_file_header);

 private:
  bool read_colormap(InputStorage* storage);
  RstHeader header_;
};

class RstReadDIBHeader : public RstBMPHeader {
 public:
  explicit RstReadDIBHeader(InputStorage* storage);

 protected:
  RstReadDIBHeader() = default;
};

class RstReadBMPHeader : public RstReadDIBHeader {
 public:
  explicit RstReadBMPHeader(InputStorage* storage);
};

class RstReadDIB {
 public:
  // Null or closed storage: -2; no memory: -1; an invalid header: its status;
  // all "RstReadDIB::private_header()". Null also when nothing was read.
  static RstBMPHeader* private_header(InputStorage* storage);
  // The last node of the reader chain, or null. Null or closed storage: -2;
  // no header and none found: -12; both "RstReadDIB::create()". top_down
  // non-zero delivers bottom-up files top row first. A header passed in
  // stays the caller's.
  static RstRead* create(InputStorage* storage, RstBMPHeader* header, int32_t top_down);
};

class RstReadBMP {
 public:
  // As RstReadDIB with the file header first; where-text "RstReadBMP"; a
  // file that is no BMP gives null without a report.
  static RstBMPHeader* private_header(InputStorage* storage);
  static RstRead* create(InputStorage* storage, RstBMPHeader* header, int32_t top_down);
};

class RstReadDIBRaw {
 public:
  // The raw line reader of the pixel data (rows of 32-bit aligned stride).
  // Null or closed storage or null header: -2 "RstReadDIBRaw::create()".
  static RstRead* create(InputStorage* storage, RstBMPHeader* header, int32_t top_down);
};

class RstReadDIBRLE {
 public:
  // The code reader of the run-length data: the image size from the data
  // offset, or the rest of the storage when the size is 0. Null or closed
  // storage or null header: -2 "RstReadDIBRLE::create()".
  static RstRead* create(InputStorage* storage, RstBMPHeader* header);
};
