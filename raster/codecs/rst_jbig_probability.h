// The probability estimation of the JBIG arithmetic coder (ITU-T T.82,
// Table 24), shared by the encoder and the decoder.
#pragma once

#include <cstdint>

struct JbigProbabilityState {
  uint16_t lsz;   // size of the less probable symbol's sub-interval
  uint8_t nmps;   // next state after a more probable symbol
  uint8_t nlps;   // next state after a less probable symbol
  uint8_t swtch;  // 1: a less probable symbol flips the more probable one
};

inline constexpr int kJbigProbabilityStates = 113;

extern const JbigProbabilityState kJbigProbability[kJbigProbabilityStates];
