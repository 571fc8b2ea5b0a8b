// The JBIG coding options: stripe height and adaptive-template reach for both
// JBIG encoders, plus the option flags of each.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_coding_option.h"

class RstJBIGTypes {};

class RstEncodeJBIGOption : public RstCodingOption, public RstJBIGTypes {
 public:
  RstEncodeJBIGOption(uint32_t l0, uint32_t mx) : l0(l0), mx(mx) {}

  uint32_t l0;  // lines per stripe; 0 keeps the encoder's default
  uint32_t mx;  // adaptive template reach (at most 127); 0 keeps the default
};

// Option flags the JBIG encoders pass on to the coder.
namespace RstJBIGFlags {
inline constexpr uint32_t lrltwo = 0x40;
inline constexpr uint32_t vlength = 0x20;
inline constexpr uint32_t tpbon = 0x08;
}  // namespace RstJBIGFlags

// Bilevel JBIG (T.85).
class RstEncodeJBIGT85Option : public RstEncodeJBIGOption {
 public:
  RstEncodeJBIGT85Option(uint32_t l0, uint32_t mx, uint32_t options) : RstEncodeJBIGOption(l0, mx), options(options) {}

  int32_t encode_type() const override { return 6; }
  RstCodingOption* clone() const override;

  uint32_t options;  // only LRLTWO, VLENGTH and TPBON are passed on
};

// Colour JBIG (T.43).
class RstEncodeJBIGT43Option : public RstEncodeJBIGOption {
 public:
  RstEncodeJBIGT43Option(uint32_t l0, uint32_t mx, uint32_t header_word, uint32_t options)
      : RstEncodeJBIGOption(l0, mx), options(options), header_word(header_word) {}

  int32_t encode_type() const override { return 7; }
  RstCodingOption* clone() const override;

  // LRLTWO, VLENGTH and TPBON go to the coder; 0x01 and 0x80 choose the
  // coding order and identifier.
  uint32_t options;
  uint32_t header_word;  // flag word of the output header record
};
