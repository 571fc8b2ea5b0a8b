// The records of the JPEG header segments from SOI to the first SOS: frame
// and scan headers, quantisation and Huffman table segments, application and
// comment payloads, restart interval and line count. Each keeps the fields of
// its segment as they stand in the stream; the table segments also make the
// table objects a JPEG option carries.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/codecs/rst_huffman_table.h"
#include "raster/codecs/rst_jpeg_tables.h"

class RstJPEGMarker {
 public:
  explicit RstJPEGMarker(uint32_t code) : marker_code(code) {}
  virtual ~RstJPEGMarker() = default;

  uint32_t marker_code;  // 0xFFC0 .. 0xFFFE
};

// SOFn.
class RstJPEGMarkerFrameHeader : public RstJPEGMarker {
 public:
  struct FrameComponent {
    virtual ~FrameComponent() = default;
    uint8_t id = 0;
    uint8_t quantization_table_id = 0;
    uint8_t sampling_factors = 0;  // H in the high nibble, V in the low
  };

  RstJPEGMarkerFrameHeader() : RstJPEGMarker(0xFFC0) {}

  uint16_t length = 0;
  uint8_t precision = 0;
  uint16_t lines = 0;             // Y
  uint16_t samples_per_line = 0;  // X
  uint8_t component_count = 0;
  std::vector<FrameComponent> components;
};

// SOS.
class RstJPEGMarkerScanHeader : public RstJPEGMarker {
 public:
  struct ScanComponent {
    virtual ~ScanComponent() = default;
    uint8_t selector = 0;
    uint8_t table_selectors = 0;  // DC table in the high nibble, AC in the low
  };

  RstJPEGMarkerScanHeader() : RstJPEGMarker(0xFFDA) {}

  uint16_t length = 0;
  uint8_t component_count = 0;  // Ns
  uint8_t spectral_start = 0;   // Ss
  uint8_t spectral_end = 0;     // Se
  uint8_t approximation = 0;    // Ah in the high nibble, Al in the low
  std::vector<ScanComponent> components;
};

// DQT: the tables of one segment, values in segment (zig-zag) order.
class RstJPEGMarkerQuantizationTable : public RstJPEGMarker {
 public:
  struct QTableData {
    virtual ~QTableData() = default;
    // A new table in natural order, or none (no values, or out of memory:
    // -1 "RstJPEGMarkerQuantizationTable::QTableData::quantization_table()").
    RstJPEGQTable* quantization_table() const;
    int32_t id() const { return precision_and_id & 15; }

    uint8_t precision_and_id = 0;    // Pq in the high nibble, Tq in the low
    std::vector<uint8_t> values8;    // 64 when Pq is 0
    std::vector<uint16_t> values16;  // 64 when Pq is 1
  };

  RstJPEGMarkerQuantizationTable() : RstJPEGMarker(0xFFDB) {}

  uint16_t length = 0;
  std::vector<QTableData> tables;
};

// DHT: the tables of one segment.
class RstJPEGMarkerHuffmanTable : public RstJPEGMarker {
 public:
  struct HuffmanTableData {
    HuffmanTableData() = default;
    HuffmanTableData(const HuffmanTableData& other) { *this = other; }
    virtual ~HuffmanTableData() = default;
    // Copies the class byte, BITS and the symbols; out of memory: -1
    // "RstJPEGMarkerHuffmanTable::HuffmanTableData()::operator=()" and the
    // target left empty.
    HuffmanTableData& operator=(const HuffmanTableData& other);
    // A new canonical table, or none (out of memory: -1
    // "RstJPEGMarkerHuffmanTable::HuffmanTableData::huffman_table()").
    RstHuffmanTable* huffman_table() const;
    bool is_ac() const { return class_and_id > 15; }
    int32_t id() const { return class_and_id & 15; }

    uint8_t class_and_id = 0;   // Tc in the high nibble, Th in the low
    std::vector<uint8_t> bits;  // 16 counts
    std::vector<uint8_t> huffval[16];
  };

  RstJPEGMarkerHuffmanTable() : RstJPEGMarker(0xFFC4) {}

  uint16_t length = 0;
  std::vector<HuffmanTableData> tables;
};

// APPn, and the comment (COM), which has the same layout.
class RstJPEGMarkerApplication : public RstJPEGMarker {
 public:
  explicit RstJPEGMarkerApplication(uint32_t code = 0xFFE0) : RstJPEGMarker(code) {}

  uint16_t length = 0;
  std::vector<uint8_t> payload;  // length - 2 bytes
};

// DRI.
class RstJPEGMarkerRestartInterval : public RstJPEGMarker {
 public:
  RstJPEGMarkerRestartInterval() : RstJPEGMarker(0xFFDD) {}
  uint16_t length = 0;
  uint16_t interval = 0;
};

// DNL; kept by the header, filled by no reader.
class RstJPEGMarkerLineCount : public RstJPEGMarker {
 public:
  RstJPEGMarkerLineCount() : RstJPEGMarker(0xFFDC) {}
  uint16_t length = 0;
  uint16_t lines = 0;
};
