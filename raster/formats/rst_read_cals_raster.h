// The CALS type 1 raster reader: a 2048-byte text header of sixteen 128-byte
// records, then the page as one T.6 stream. The private header is the probe
// of format detection; the reader node is a code reader over the bytes after
// the header, the T.6 decoder and the run painter.
#pragma once

#include <cstdint>
#include <string>

#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"
#include "raster/core/rst_read.h"

class RstCALSRasterHeader : public RstPrivateHeader {
 public:
  // Bit orders of the code bytes: as stored (0), reversed in every byte (1),
  // or not said by the notes (2, read as stored).
  static constexpr int32_t kBitOrderDown = 0;
  static constexpr int32_t kBitOrderUp = 1;
  static constexpr int32_t kBitOrderUnsaid = 2;
  // The header's size and that of one record.
  static constexpr int32_t kHeaderBytes = 2048;
  static constexpr int32_t kRecordBytes = 128;

  // Width pels, height lines, one bit of one sample, T.6 coded, reverse gray
  // (0 white, 1 black), no colormap.
  void rst_header(RstHeader& out) const;

  int32_t rtype = 1;
  int32_t pel_path = 0;
  int32_t line_progression = 270;
  int32_t pels = 0;
  int32_t lines = 0;
  int32_t density = 200;  // pels per inch
  int32_t bit_order = kBitOrderDown;
  std::string srcdocid, dstdocid, txtfilid, figid, srcgph, doccls;
  std::string notes;
  // 1 good, -12 not a CALS file, -13 invalid header.
  int32_t status = 1;
};

class RstReadCALSRasterHeader : public RstCALSRasterHeader {
 public:
  // Reads the header from the storage's position and leaves the storage after
  // it. Mode 0 or 1 is the bit order; mode 3 takes it from the notes.
  RstReadCALSRasterHeader(InputStorage* storage, int32_t mode);

  // Value n (0 or 1) of a record: the decimal number after the colon and n
  // commas, or at the record's start when one of them is missing. No digit
  // gives 0; a long number saturates.
  static int32_t value(const uint8_t* record, int n);
  // The bit order the notes say (kBitOrderUnsaid when neither sentence).
  static int32_t notes_bit_order(const uint8_t* notes);

 private:
  void read(InputStorage* storage, int32_t mode);
};

class RstReadCALSRaster {
 public:
  // The header read with mode 3, or null. Storage missing or closed: -2;
  // no memory: -1; an invalid header: its status; all "RstReadCALSRaster".
  // Another format: null without a report.
  static RstReadCALSRasterHeader* private_header(InputStorage* storage);
  // The reader node (packed 1-bit rows), or null. Storage missing or closed:
  // -2; no header and none found: -12; both "RstReadCALSRaster::create()".
  // With a header the storage must stand after it; the header stays the
  // caller's.
  static RstRead* create(InputStorage* storage, RstCALSRasterHeader* header, int32_t mode);
};

class RstReadCALSRasterAndConvertToRLE {
 public:
  // The T.6 decoder (run lines) over the rest of the storage, the bits of
  // every byte reversed for bit order 1. Mode 0 or 1 is the bit order; mode 3
  // takes the header's (2 read as 0). Storage missing or closed, no header or
  // an invalid one, another mode: -2
  // "RstReadCALSRasterAndConvertToRLE::create()".
  static RstRead* create(InputStorage* storage, RstCALSRasterHeader* header, int32_t mode);
};
