// Shared pieces of the CALS and EDMICS reader tests: the files built from the
// formats' definitions (CALS header records, EDMICS MMR header blocks, EDMICS
// RLC headers of both forms and run lists), and T.6 code made by libtiff.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "page_support.h"

using Bytes = std::vector<uint8_t>;

inline uint8_t reversed_bits(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= uint8_t(0x80 >> i);
  return r;
}

inline Bytes bit_reversed(Bytes bytes) {
  for (uint8_t& b : bytes) b = reversed_bits(b);
  return bytes;
}

inline void put16(Bytes& out, size_t at, uint32_t v) {
  out[at] = uint8_t(v >> 8);
  out[at + 1] = uint8_t(v);
}

inline void put32(Bytes& out, size_t at, uint32_t v) {
  put16(out, at, v >> 16);
  put16(out, at + 2, v & 0xFFFF);
}

inline void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

// The T.6 code libtiff writes for packed rows (first code bit in the most
// significant bit, ended by EOFB).
inline Bytes g4_code(uint32_t width, const Rows& rows) {
  std::vector<Bytes> strips =
      coded_strips(width, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, uint32_t(rows.size()), rows);
  return strips.empty() ? Bytes() : strips[0];
}

// ---- CALS ----

// The sixteen 128-byte records of a CALS header; each is its text padded with
// spaces.
struct CalsRecords {
  std::string text[16] = {"srcdocid: NONE",         "dstdocid: NONE", "txtfilid: NONE", "figid: NONE",
                          "srcgph: NONE",           "doccls: NONE",   "rtype: 1",       "rorient: 000,270",
                          "rpelcnt: 000000,000000", "rdensty: 0200",  "notes: NONE"};

  CalsRecords(uint32_t pels = 0, uint32_t lines = 0) {
    char count[64];
    std::snprintf(count, sizeof count, "rpelcnt: %06u,%06u", pels, lines);
    text[8] = count;
  }
  Bytes bytes() const {
    Bytes out;
    for (const std::string& t : text) {
      std::string record = t.substr(0, 128);
      record.resize(128, ' ');
      out.insert(out.end(), record.begin(), record.end());
    }
    return out;
  }
};

inline Bytes cals_file(const CalsRecords& records, const Bytes& code) {
  Bytes out = records.bytes();
  append(out, code);
  return out;
}

// ---- EDMICS MMR ----

// The three header blocks (740 bytes) of a page; every number big-endian.
struct MmrBlocks {
  int32_t lines = 0, pels = 0;
  int16_t dpi = 0, per_cm = 0;
  int16_t types[3] = {-1, -2, -3};
  int16_t versions[3] = {1, 1, 1};

  Bytes bytes() const {
    Bytes out(740, 0);
    const size_t starts[3] = {0, 132, 608};
    for (int b = 0; b < 3; ++b) {
      put16(out, starts[b], uint16_t(types[b]));
      put16(out, starts[b] + 2, uint16_t(versions[b]));
    }
    put32(out, 48, 132);
    put32(out, 132 + 468, 476);
    put16(out, 608 + 6, uint16_t(dpi));
    put16(out, 608 + 8, uint16_t(per_cm));
    put32(out, 608 + 112, 132);
    put32(out, 608 + 124, uint32_t(lines));
    put32(out, 608 + 128, uint32_t(pels));
    return out;
  }
};

// A page of packed rows: the blocks, then libtiff's T.6 code with the bits of
// every byte reversed.
inline Bytes mmr_file(uint32_t width, const Rows& rows, int16_t dpi = 300) {
  MmrBlocks blocks;
  blocks.lines = int32_t(rows.size());
  blocks.pels = int32_t(width);
  blocks.dpi = dpi;
  Bytes out = blocks.bytes();
  append(out, bit_reversed(g4_code(width, rows)));
  return out;
}

// ---- EDMICS RLC ----

// The "Sane" header (524 bytes).
inline Bytes rlc_sane_header(uint16_t lines, uint16_t pels, uint16_t dpi) {
  Bytes out(524, 0);
  put32(out, 0, 0x53616E65);
  put16(out, 4, lines);
  put16(out, 6, pels);
  put16(out, 270, dpi);
  return out;
}

// The "RLC" header with `entries` table entries (24 + 8 x entries bytes).
inline Bytes rlc_form_header(uint16_t lines, uint16_t pels, uint32_t resolution_word, uint32_t entries,
                             uint32_t entry_count_field) {
  Bytes out(24 + 8 * size_t(entries), 0x5A);
  put32(out, 0, 0x524C4300);
  put32(out, 4, 0x11223344);
  put16(out, 8, lines);
  put16(out, 10, pels);
  put32(out, 12, resolution_word);
  put32(out, 16, entry_count_field);
  put32(out, 20 + 8 * size_t(entries), 0x55667788);
  return out;
}

// The run lists of packed rows: per line the run count, then each run's first
// column and its end + 1.
inline Bytes rlc_lines(uint32_t width, const Rows& rows) {
  Bytes out;
  for (const auto& row : rows) {
    std::vector<uint32_t> runs;
    for (uint32_t x = 0; x < width;) {
      if (!(row[x / 8] & (0x80 >> (x % 8)))) {
        ++x;
        continue;
      }
      uint32_t start = x;
      while (x < width && (row[x / 8] & (0x80 >> (x % 8)))) ++x;
      runs.push_back(start);
      runs.push_back(x);
    }
    size_t at = out.size();
    out.resize(at + 2 + 2 * runs.size());
    put16(out, at, uint32_t(runs.size() / 2));
    for (size_t i = 0; i < runs.size(); ++i) put16(out, at + 2 + 2 * i, runs[i]);
  }
  return out;
}
