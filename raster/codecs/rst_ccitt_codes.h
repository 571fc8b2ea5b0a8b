// The ITU-T T.4 code words of bilevel coding as constant arrays of (code,
// length) pairs, the code's first bit being the most significant of its
// length bits: terminating and make-up codes of both colours, the extended
// make-up codes both colours share, EOL and the two-dimensional mode codes.
#pragma once

#include <cstdint>

struct RstCCITTCodeWord {
  uint16_t code;
  uint16_t length;
};

// Run lengths 0 to 63, by run length.
extern const RstCCITTCodeWord rst_ccitt_white_terminating[64];
extern const RstCCITTCodeWord rst_ccitt_black_terminating[64];
// Run lengths 64 to 1728 in steps of 64.
extern const RstCCITTCodeWord rst_ccitt_white_makeup[27];
extern const RstCCITTCodeWord rst_ccitt_black_makeup[27];
extern const uint16_t rst_ccitt_makeup_lengths[27];
// Run lengths 1792 to 2560 in steps of 64, for both colours.
extern const RstCCITTCodeWord rst_ccitt_extended_makeup[13];
extern const uint16_t rst_ccitt_extended_makeup_lengths[13];
// 000000000001
extern const RstCCITTCodeWord rst_ccitt_eol;
// Mode codes VL3, VL2, VL1, V0, VR1, VR2, VR3, horizontal, pass with their
// values -3 .. 3, 4, 5.
extern const RstCCITTCodeWord rst_ccitt_mode_codes[9];
extern const int32_t rst_ccitt_mode_values[9];

// Value of the EOL entries of the run tables.
inline constexpr int32_t RST_CCITT_EOL_VALUE = -1000;
