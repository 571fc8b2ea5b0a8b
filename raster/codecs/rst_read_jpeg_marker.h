// The readers of the JPEG header segments and the segment lists a header
// parse fills: each reader takes the big-endian data input over the header's
// storage and reads one marker code, segment or table. Every length, count
// and table is checked against the segment it lies in, so that a reader
// never reads past its segment's end; a failed read makes the parse fail.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/codecs/rst_jpeg_marker.h"
#include "raster/core/data_input.h"
#include "raster/core/rst_counted_ptr.h"

// Multi-byte JPEG fields are big-endian.
using RstJPEGDataInput = DataInput<>;
inline constexpr int32_t rst_jpeg_byte_order = 0;

// Reads 0xFF and a code byte; codes 0xFFC0 .. 0xFFFE are markers.
class RstReadJPEGMarkerCode {
 public:
  // True for a marker; else status -11 (end of data) or -13 (no marker; fill
  // bytes are not skipped, so 0xFF 0xFF is none).
  bool read(RstJPEGDataInput& in);

  uint32_t code = 0;
  int32_t status = 1;
};

class RstReadJPEGMarkerFrameHeader : public RstJPEGMarkerFrameHeader {
 public:
  struct ReadFrameComponent : FrameComponent {
    bool read(RstJPEGDataInput& in);
  };
  // The segment after the SOFn code: precision 8 or 12, 1 to 4 components,
  // and a length that holds exactly those components.
  bool read(RstJPEGDataInput& in, uint32_t code);

  bool was_read = false;
};

class RstReadJPEGMarkerScanHeader : public RstJPEGMarkerScanHeader {
 public:
  struct ReadScanComponent : ScanComponent {
    bool read(RstJPEGDataInput& in);
  };
  // Ns 1 to 4 in a length that holds them, table selectors below 4,
  // Ss <= Se <= 63, Ah <= 13.
  bool read(RstJPEGDataInput& in);
};

class RstReadJPEGMarkerQuantizationTable : public RstJPEGMarkerQuantizationTable {
 public:
  struct ReadQTableData : QTableData {
    // One table within the remaining bytes of its segment: 65 (Pq 0) or 129
    // (Pq 1) bytes consumed, or 0 with the input back at the table's start.
    int32_t read(RstJPEGDataInput& in, int32_t remaining);
  };
  // The segment after the DQT code; its tables end exactly at its length.
  bool read(RstJPEGDataInput& in);
};

class RstReadJPEGMarkerHuffmanTable : public RstJPEGMarkerHuffmanTable {
 public:
  // One table within the remaining bytes of the segment, appended to the
  // segment's tables: 17 + its symbol count, or 0 with the input back at the
  // table's start. BITS add up to at most 256, the canonical codes fit their
  // lengths (no all-ones code), DC symbols lie below 16.
  int32_t read(RstJPEGDataInput& in, int32_t remaining);
};

// The DQT segments in stream order, and the table array made from them.
class RstReadJPEGMarkerQuantizationTableArray {
 public:
  // Reads one segment and appends it.
  bool read(RstJPEGDataInput& in);
  // Slot count 4, made on the first call: each table in the slot of its id,
  // later ones replacing earlier ones; an id of 4 or more is reported as -4.
  // None without any DQT segment.
  RstCountedPtr<RstJPEGQTableArray> tables();
  const std::vector<std::unique_ptr<RstReadJPEGMarkerQuantizationTable>>& segments() const { return segments_; }

 private:
  std::vector<std::unique_ptr<RstReadJPEGMarkerQuantizationTable>> segments_;
  RstCountedPtr<RstJPEGQTableArray> tables_;
  bool made_ = false;
};

// The DHT segments in stream order, and the DC and AC arrays made from them.
class RstReadJPEGMarkerHuffmanTableArray {
 public:
  bool read(RstJPEGDataInput& in);
  // Makes both arrays once (ids of 4 or more are passed over); false when
  // memory ran out.
  bool make_huffman_tables();
  // None without any DHT segment.
  RstCountedPtr<RstHuffmanTableArray> dc_tables();
  RstCountedPtr<RstHuffmanTableArray> ac_tables();
  const std::vector<std::unique_ptr<RstReadJPEGMarkerHuffmanTable>>& segments() const { return segments_; }

 private:
  std::vector<std::unique_ptr<RstReadJPEGMarkerHuffmanTable>> segments_;
  RstCountedPtr<RstHuffmanTableArray> dc_;
  RstCountedPtr<RstHuffmanTableArray> ac_;
  bool made_ = false;
};

// The APPn records in stream order.
class RstReadJPEGMarkerApplicationArray {
 public:
  explicit RstReadJPEGMarkerApplicationArray(bool interchange) : interchange(interchange) {}
  // Reads the segment after the APPn code into a new record appended.
  bool read(RstJPEGDataInput& in, uint32_t code);

  bool interchange;
  std::vector<std::unique_ptr<RstJPEGMarkerApplication>> records;
};

// The header's one comment; a later comment replaces an earlier one.
class RstReadJPEGMarkerComment : public RstJPEGMarkerApplication {
 public:
  RstReadJPEGMarkerComment() : RstJPEGMarkerApplication(0xFFFE) {}
  bool read(RstJPEGDataInput& in);
};

class RstReadJPEGMarkerRestartInterval : public RstJPEGMarkerRestartInterval {
 public:
  // Length 4 and the interval.
  bool read(RstJPEGDataInput& in);
};
