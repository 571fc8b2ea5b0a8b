// The EDMICS MMR reader: three big-endian header blocks (file descriptor,
// second block, image block; 740 bytes), then the page as one T.6 stream
// stored with the bits of every byte reversed. The private header is the
// probe of format detection; the reader node is a code reader over the bytes
// after the header, the T.6 decoder and the run painter.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_edmics_headers.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"
#include "raster/core/rst_read.h"

class RstReadEdmicsMMRHeader : public RstPrivateHeader {
 public:
  static constexpr int32_t kHeaderBytes = 740;

  // Reads the three blocks from the storage's position and leaves the
  // storage after them. The status is the first failing block's (-12 another
  // format, -11 cut short), or -13 for a page without a line or a pixel.
  explicit RstReadEdmicsMMRHeader(InputStorage* storage);

  // Width pels, height lines, one bit of one sample, T.6 coded, reverse gray
  // (0 white, 1 black), no colormap.
  void rst_header(RstHeader& out) const;
  // Dots per inch of the image block; else its dots per centimetre x 2.54,
  // rounded; 0 when neither is given (a negative value is not given).
  int32_t resolution() const;
  int32_t lines() const { return image.get32(124); }
  int32_t pels() const { return image.get32(128); }

  RstReadEdmicsMMRFileDesc file_desc;
  RstEdmicsMMRDescriptor2 descriptor2;
  RstEdmicsMMRDescriptor3 image;
  int32_t status = 1;

 private:
  void read(InputStorage* storage);
};

class RstReadEdmicsMMR {
 public:
  // The header, or null. Storage missing or closed: -2; no memory: -1; a
  // broken header: its status; all "RstReadEdmicsMMR". Another format: null
  // without a report.
  static RstReadEdmicsMMRHeader* private_header(InputStorage* storage);
  // The reader node (packed 1-bit rows), or null. Storage missing or closed:
  // -2; no header and none found: -12; both "RstReadEdmicsMMR::create()".
  // With a header the storage must stand after it; the header stays the
  // caller's.
  static RstRead* create(InputStorage* storage, RstReadEdmicsMMRHeader* header);
};

class RstReadEdmicsMMRAndConvertToRLE {
 public:
  // The T.6 decoder (run lines) over the rest of the storage, the bits of
  // every byte reversed. Storage missing or closed, no header or a broken
  // one: -2 "RstReadEdmicsMMRAndConvertToRLE::create()".
  static RstRead* create(InputStorage* storage, RstReadEdmicsMMRHeader* header);
};
