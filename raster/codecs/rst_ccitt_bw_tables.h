// The three bilevel code tables (white runs, black runs, two-dimensional
// modes), built once per process under one mutex and shared through counted
// pointers, and the decode tables with their flat lookup arrays.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_huffman_table.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_mutex.h"

// White terminating, make-up and extended make-up codes, then EOL: 105 entries.
class RstMHWhiteTable : public RstHuffmanTable {
 public:
  RstMHWhiteTable();
};

// The same layout with the black codes.
class RstMHBlackTable : public RstHuffmanTable {
 public:
  RstMHBlackTable();
};

// VL3 .. VR3 (values -3 .. 3), horizontal (4) and pass (5).
class RstMRModeTable : public RstHuffmanTable {
 public:
  RstMRModeTable();
};

class RstCCITTBWTables {
 public:
  // The process-wide counted pointers; the first call builds the table.
  // Empty after an allocation failure (reported), so that a later call
  // tries again.
  static RstCountedPtr<RstHuffmanTable>& mh_white_table();
  static RstCountedPtr<RstHuffmanTable>& mh_black_table();
  static RstCountedPtr<RstHuffmanTable>& mr_mode_table();

  // The mutex that guards building (and sharing) the tables; re-entrant.
  static RstMutex& mutex();
  // Tables built so far in this process (white, black, mode, decode
  // tables): a count that lets tests see that each is built once.
  static int32_t builds();
};

// A flat lookup array of 2^bits slots: slot w holds the length and value of
// the code that begins the bits-wide window w, or {0, sentinel}.
class RstDecodeHuffmanLUT {
 public:
  struct Slot {
    int32_t length;
    int32_t value;
  };
  RstDecodeHuffmanLUT(int32_t bits, const RstHuffmanTable& table, int32_t sentinel);
  ~RstDecodeHuffmanLUT();
  RstDecodeHuffmanLUT(const RstDecodeHuffmanLUT&) = delete;
  RstDecodeHuffmanLUT& operator=(const RstDecodeHuffmanLUT&) = delete;

  bool ok() const { return slots != nullptr; }

  int32_t bits;
  Slot* slots;
};

// {min code, max code} per code length, for tables with per-length counts;
// empty for tables built entry by entry.
class RstHuffmanMinMaxCodeTable {
 public:
  struct Range {
    int32_t min;
    int32_t max;
  };
  explicit RstHuffmanMinMaxCodeTable(const RstHuffmanTable& table);
  bool ok = true;
  std::vector<Range> ranges;
};

class RstDecodeHuffmanTable : public RstHuffmanTable {
 public:
  RstDecodeHuffmanTable(const RstHuffmanTable& table, int32_t bits, int32_t sentinel);
  ~RstDecodeHuffmanTable() override;

  // Replaces the lookup table; false (and the old one kept) for bits
  // outside 1 to 16 or when memory runs out.
  bool create_lut(int32_t bits, int32_t sentinel);

  const RstDecodeHuffmanLUT* lut() const { return lut_; }
  bool ok() const { return RstHuffmanTable::ok() && lut_ != nullptr && min_max.ok; }

  RstHuffmanMinMaxCodeTable min_max;

 private:
  RstDecodeHuffmanLUT* lut_ = nullptr;
  bool lut_borrowed_ = false;
};

class RstDecodeCCITTBWTables {
 public:
  // Decode tables over the mode (7 bits), black (13) and white (12) tables;
  // the first call builds with its sentinel, later ones return that table.
  static RstCountedPtr<RstDecodeHuffmanTable>& mode_huffman_table(int32_t sentinel);
  static RstCountedPtr<RstDecodeHuffmanTable>& black_huffman_table(int32_t sentinel);
  static RstCountedPtr<RstDecodeHuffmanTable>& white_huffman_table(int32_t sentinel);
};
