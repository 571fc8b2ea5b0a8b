// The EDMICS RLC reader: a big-endian header in one of two forms (magic
// "Sane", or "RLC" and a zero byte), then per line a run count and the runs'
// start and end columns. The private header is the probe of format detection;
// the reader node is a code reader over the bytes after the header, the RLC
// decoder and the run painter.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_edmics_headers.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

class RstReadEdmicsRLCHeader : public RstEdmicsRLCHeader {
 public:
  static constexpr uint32_t kMagicSane = 0x53616E65;
  static constexpr uint32_t kMagicRLC = 0x524C4300;

  // Reads the header from the storage's position and leaves the storage at
  // the first coded byte. Status -12: another magic or fewer than 4 bytes;
  // -11: the header is cut short after the magic; -13: no line or no pixel.
  explicit RstReadEdmicsRLCHeader(InputStorage* storage);

  // Width pels, height lines, one bit of one sample, RLC coded, reverse gray
  // (0 white, 1 black), no colormap.
  void rst_header(RstHeader& out) const;

 private:
  void read(InputStorage* storage);
};

class RstReadEdmicsRLC {
 public:
  // The header, or null. Storage missing or closed: -2; no memory: -1; a
  // broken header: its status; all "RstReadEdmicsRLC". Another format: null
  // without a report.
  static RstReadEdmicsRLCHeader* private_header(InputStorage* storage);
  // The reader node (packed 1-bit rows), or null. Storage missing or in
  // error: -2; no header and none found: -12; both
  // "RstReadEdmicsRLC::create()". With a header the storage must stand at the
  // first coded byte; the header stays the caller's.
  static RstRead* create(InputStorage* storage, RstReadEdmicsRLCHeader* header);
};

class RstReadEdmicsRLCAndConvertToRLE {
 public:
  // The RLC decoder (run lines) over the rest of the storage. Storage missing
  // or in error, no header or a broken one: -2
  // "RstReadEdmicsRLCAndConvertToRLE::create()".
  static RstRead* create(InputStorage* storage, RstReadEdmicsRLCHeader* header);
};
