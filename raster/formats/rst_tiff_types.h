// Small value types of TIFF fields: the two rational kinds and their making
// from floating point, the Decode pair of TIFF-FX, the Compression number with
// its family tests, the field types with their sizes and type-set bits, and a
// growable-array resize that reports nothing and never throws.
#pragma once

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "raster/core/rst_alloc.h"

// Empty scopes of TIFF names; readers, writers and records derive from them.
class RstTIFFTypes {
 public:
  // Field types of a directory entry.
  static constexpr uint32_t type_byte = 1;
  static constexpr uint32_t type_ascii = 2;
  static constexpr uint32_t type_short = 3;
  static constexpr uint32_t type_long = 4;
  static constexpr uint32_t type_rational = 5;
  static constexpr uint32_t type_sbyte = 6;
  static constexpr uint32_t type_undefined = 7;
  static constexpr uint32_t type_sshort = 8;
  static constexpr uint32_t type_slong = 9;
  static constexpr uint32_t type_srational = 10;
  static constexpr uint32_t type_float = 11;
  static constexpr uint32_t type_double = 12;
  static constexpr uint32_t type_ifd = 13;

  // Bytes of one value of a field type; 0 for a type outside 1 to 13.
  static uint32_t type_size(uint32_t type) {
    static constexpr uint8_t sizes[14] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < 14 ? sizes[type] : 0;
  }

  // Bit of a field type in a type set: 2^(type - 1); LONG and every unknown
  // type share the LONG bit, so an unknown type passes wherever LONG does.
  static uint32_t type_bit(uint32_t type) {
    if (type == type_long || type == 0 || type > 13) return 8;
    return 1u << (type - 1);
  }
  static constexpr uint32_t bit_byte = 1;
  static constexpr uint32_t bit_ascii = 2;
  static constexpr uint32_t bit_short = 4;
  static constexpr uint32_t bit_long = 8;
  static constexpr uint32_t bit_rational = 16;
  static constexpr uint32_t bit_sbyte = 32;
  static constexpr uint32_t bit_undefined = 64;
  static constexpr uint32_t bit_sshort = 128;
  static constexpr uint32_t bit_slong = 256;
  static constexpr uint32_t bit_srational = 512;
  static constexpr uint32_t bit_float = 1024;
  static constexpr uint32_t bit_double = 2048;
  static constexpr uint32_t bit_ifd = 4096;

  static constexpr uint32_t little_endian = 0x4949;  // "II"
  static constexpr uint32_t big_endian = 0x4D4D;     // "MM"
};

class RstTIFF6Types {};
class RstTIFFFXTypes {};

// TIFF RATIONAL: unsigned numerator over unsigned denominator.
struct RstRational {
  uint32_t numerator = 0;
  uint32_t denominator = 1;

  bool operator==(const RstRational&) const = default;
  // The value; a zero denominator counts as no value (0).
  double to_double() const { return denominator ? double(numerator) / double(denominator) : 0.0; }
  // Divides both words by their greatest common divisor (0/d becomes 0/1).
  void reduce();
  // A power-of-two denominator as fine as the integer part of x allows,
  // then reduced; integers give n/1.
  static RstRational from_double(double x);
};

// TIFF SRATIONAL: signed numerator over signed denominator.
struct RstSRational {
  int32_t numerator = 0;
  int32_t denominator = 1;

  bool operator==(const RstSRational&) const = default;
  double to_double() const { return denominator ? double(numerator) / double(denominator) : 0.0; }
  void reduce();
  static RstSRational from_double(double x);
};

// One channel of TIFF-FX Decode: its minimum and maximum.
struct RstDecodePair {
  RstSRational minimum{0, 1};
  RstSRational maximum{0, 1};
  bool operator==(const RstDecodePair&) const = default;
};

// The TIFF Compression number.
class RstTIFFCompression {
 public:
  RstTIFFCompression() = default;
  explicit RstTIFFCompression(uint32_t value) : value_(value) {}
  uint32_t value() const { return value_; }
  void set(uint32_t value) { value_ = value; }
  bool operator==(const RstTIFFCompression&) const = default;

  bool is_uncompressed() const { return value_ == 1; }
  bool is_modified_huffman() const { return value_ == 2; }
  bool is_ccitt() const { return value_ >= 2 && value_ <= 4; }
  bool is_jpeg() const { return value_ == 6 || value_ == 7; }
  bool is_jbig() const { return value_ == 9; }
  bool is_jbig_color() const { return value_ == 10; }

 private:
  uint32_t value_ = 1;
};

// Resizes a growable array; false (the array unchanged) when memory runs out.
// Goes through the allocation-failure hook so every such branch can be driven.
template <class T>
bool rst_resize(std::vector<T>& array, size_t count, const T& fill = T()) {
  if (RstAllocFault::next_fails()) return false;
  try {
    array.resize(count, fill);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

// The greatest common divisor of two unsigned numbers: 1 when either is 1,
// the other one when one is 0, else Euclid's.
uint32_t rst_gcd(uint32_t a, uint32_t b);
