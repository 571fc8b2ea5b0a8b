// Test side of the CCITT tests: a small coder that writes T.4/T.6 code from
// our own table entries (so the tables are proven by a peer decoder), and a
// driver that decodes coded bytes through our decoder nodes, checking every
// line against the run-line invariants.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "node_support.h"
#include "raster/codecs/rst_ccitt_bw_tables.h"
#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_decode_ccitt.h"
#include "run_line_support.h"

// Bits written most significant first.
class BitWriter {
 public:
  void put(uint32_t code, uint32_t length) {
    for (uint32_t i = length; i-- > 0;) put_bit((code >> i) & 1u);
  }
  void put_bit(uint32_t b) {
    if (fill_ == 0) bytes.push_back(0);
    if (b) bytes.back() |= static_cast<uint8_t>(0x80 >> fill_);
    fill_ = (fill_ + 1) % 8;
  }
  void align() { fill_ = 0; }
  std::vector<uint8_t> bytes;

 private:
  uint32_t fill_ = 0;
};

// Codes of a run length (make-up codes as needed) from the table entries.
inline void put_run(BitWriter& w, bool black, int32_t length) {
  const RstHuffmanTable& t = black ? *RstCCITTBWTables::mh_black_table() : *RstCCITTBWTables::mh_white_table();
  auto put_value = [&](int32_t v) {
    const RstHuffmanCode& e = t.entries()[static_cast<size_t>(t.position_of(v))];
    w.put(e.code, e.length);
  };
  while (length >= 2624) {
    put_value(2560);
    length -= 2560;
  }
  if (length >= 64) {
    put_value(length / 64 * 64);
    length %= 64;
  }
  put_value(length);
}

inline void put_mode(BitWriter& w, int32_t value, int32_t* counts = nullptr) {
  const RstHuffmanTable& t = *RstCCITTBWTables::mr_mode_table();
  const RstHuffmanCode& e = t.entries()[static_cast<size_t>(t.position_of(value))];
  w.put(e.code, e.length);
  if (counts) ++counts[value + 3];
}

inline void put_eol(BitWriter& w) { w.put(1, 12); }

// One line of one-dimensional code: alternating runs from white.
inline void put_mh_line(BitWriter& w, const Runs& runs, int32_t width) {
  int32_t x = 0;
  for (auto [f, l] : runs) {
    put_run(w, false, f - x);
    put_run(w, true, l - f + 1);
    x = l + 1;
  }
  if (x < width || runs.empty()) put_run(w, false, width - x);
}

// One line of two-dimensional code against a reference line. counts (nine
// slots, VL3 first) tallies the modes used.
void put_2d_line(BitWriter& w, const Runs& ref, const Runs& cur, int32_t width, int32_t* counts = nullptr);

// All lines of a T.6 image, EOFB after the last when asked.
std::vector<uint8_t> encode_mmr(const std::vector<Runs>& lines, int32_t width, bool eofb, int32_t* counts = nullptr);

// The result of decoding with our nodes.
struct Decoded {
  std::vector<Runs> lines;
  bool invariants = true;
  std::string violation;
  ReportLog* log = nullptr;
};

// Decodes coded bytes of the given data form (1, 2, 3) through the code
// reader (chunk bytes at a time, each byte's bits reversed when asked) and
// our decoder; reads until the decoder returns 0 or max_lines.
Decoded decode_ccitt(const std::vector<uint8_t>& code, int32_t form, int32_t width, int32_t height,
                     const RstCodingOption* option, size_t chunk = 8192, int32_t max_lines = 1 << 30,
                     bool bit_reverse = false);

// Packed rows of decoded lines.
std::vector<uint8_t> paint_rows(const std::vector<Runs>& lines, int32_t width);

// A folder removed when the test ends.
struct TempDir {
  TempDir();
  ~TempDir();
  std::string file(const std::string& name) const { return path + "/" + name; }
  std::string path;
};
