// Coding options: small value objects that carry a codec's parameters from
// whoever chooses them to the codec. Each knows its encode type (the header's
// data form) and clones itself. A codec finds its own option by a dynamic
// cast; an option of another class counts as none. This file holds the root
// and the bilevel CCITT options; the JPEG and JBIG options have files of
// their own.
#pragma once

#include <cstdint>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

class RstCodingOption {
 public:
  virtual ~RstCodingOption() = default;
  virtual int32_t encode_type() const = 0;
  // A copy the caller owns, or none (reported) when memory runs out.
  virtual RstCodingOption* clone() const = 0;
};

// A copy of an option made by its copy constructor; out of memory: -1 with the
// class's clone where-text and no option.
template <class T>
RstCodingOption* rst_clone_option(const T& option, const char* where) {
  T* copy = rst_new<T>(option);
  if (!copy) rst_report(-1, where);
  return copy;
}

class RstCCITTBWOption : public RstCodingOption {
 public:
  RstCCITTBWOption(uint8_t end_code, uint8_t uncompressed_mode)
      : end_code(end_code), uncompressed_mode(uncompressed_mode) {}

  uint8_t end_code;           // RTC (T.4) or EOFB (T.6) ends the data
  uint8_t uncompressed_mode;  // carried, never produced
};

class RstMHOption : public RstCCITTBWOption {
 public:
  RstMHOption(uint8_t end_code, uint8_t uncompressed_mode, uint8_t eol, uint8_t reserved, uint8_t byte_align)
      : RstCCITTBWOption(end_code, uncompressed_mode), eol(eol), reserved(reserved), byte_align(byte_align) {}

  int32_t encode_type() const override { return 1; }
  RstCodingOption* clone() const override;

  uint8_t eol;         // an EOL precedes every line
  uint8_t reserved;    // carried and copied only
  uint8_t byte_align;  // EOLs end on byte boundaries; without EOLs lines start on one
};

class RstMROption : public RstMHOption {
 public:
  // The EOL flag is always set for two-dimensional coding.
  RstMROption(uint8_t end_code, uint8_t uncompressed_mode, uint8_t reserved, uint8_t byte_align, int32_t k)
      : RstMHOption(end_code, uncompressed_mode, 1, reserved, byte_align), k(k) {}

  int32_t encode_type() const override { return 2; }
  RstCodingOption* clone() const override;

  int32_t k;  // one one-dimensional line, then k - 1 two-dimensional ones
};

class RstMMROption : public RstCCITTBWOption {
 public:
  RstMMROption(uint8_t end_code, uint8_t uncompressed_mode) : RstCCITTBWOption(end_code, uncompressed_mode) {}

  int32_t encode_type() const override { return 3; }
  RstCodingOption* clone() const override;
};
