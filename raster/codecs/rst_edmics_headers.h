// Private header records of EDMICS files with their defaults: the RLC header
// and the three MMR descriptor blocks. The EDMICS readers fill them from the
// file; the blocks are kept as bytes with accessors by offset.
#pragma once

#include <cstdint>
#include <cstring>

#include "raster/core/rst_private_header.h"

class InputStorage;

class RstEDMICSRLCTypes {};

class RstEdmicsRLCHeader : public RstPrivateHeader, public RstEDMICSRLCTypes {
 public:
  RstEdmicsRLCHeader() = default;

  uint16_t lines = 0;       // height
  uint16_t pels = 0;        // width
  uint32_t resolution = 0;  // a 16-bit value
  uint32_t entry_count = 0;
  uint32_t header_word1 = 0;
  uint32_t header_word2 = 0;
  int32_t status = 1;  // -11 read failure, -12 not an RLC file
};

// A descriptor block of N bytes and the status the reader sets (1, -11, -12).
template <int N>
class RstEdmicsMMRBlock {
 public:
  static constexpr int kSize = N;

  int16_t get16(int offset) const {
    int16_t v;
    std::memcpy(&v, block + offset, 2);
    return v;
  }
  int32_t get32(int offset) const {
    int32_t v;
    std::memcpy(&v, block + offset, 4);
    return v;
  }
  void set16(int offset, int16_t v) { std::memcpy(block + offset, &v, 2); }
  void set32(int offset, int32_t v) { std::memcpy(block + offset, &v, 4); }

  uint8_t block[N] = {};
  int32_t status = 1;

 protected:
  RstEdmicsMMRBlock(int16_t type, int length_offset, int32_t length) {
    set16(0, type);
    set16(2, 1);  // version
    set32(length_offset, length);
  }
};

// Type -1, length 132 at offset 48, the 16-bit word at 44 set to 1.
class RstReadEdmicsMMRFileDesc : public RstEdmicsMMRBlock<132> {
 public:
  RstReadEdmicsMMRFileDesc() : RstEdmicsMMRBlock(-1, 48, 132) { set16(44, 1); }
  // Reads the block from the storage's position (defined with the EDMICS
  // MMR reader); the bytes read (the block's size), or 0 with the status set.
  int32_t read(InputStorage* storage);
};

// Type -2, length 476 at offset 468.
class RstEdmicsMMRDescriptor2 : public RstEdmicsMMRBlock<476> {
 public:
  RstEdmicsMMRDescriptor2() : RstEdmicsMMRBlock(-2, 468, 476) {}
  int32_t read(InputStorage* storage);
};

// Type -3, length 132 at offset 112, the 16-bit word at 10 set to 2.
class RstEdmicsMMRDescriptor3 : public RstEdmicsMMRBlock<132> {
 public:
  RstEdmicsMMRDescriptor3() : RstEdmicsMMRBlock(-3, 112, 132) { set16(10, 2); }
  int32_t read(InputStorage* storage);
};
