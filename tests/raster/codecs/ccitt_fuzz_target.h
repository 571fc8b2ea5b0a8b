// The fuzz entry over the three CCITT decoders. The test program runs it for
// a fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the
// same file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/codecs/{ccitt_fuzz_target,ccitt_support,tiff_peer}.cpp raster/codecs/*.cpp
//     raster/core/*.cpp platform/win/*.cpp -lgtest -o ccitt_fuzz
//   ./ccitt_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes data as CCITT code: the first bytes pick the form (MH, MR, MMR),
// the width (1 to 5000), the height, the option flags, the chunk size and the
// bit order. Every line is checked against the run-line invariants; a broken
// line traps. Returns the number of lines decoded.
int ccitt_fuzz_one(const uint8_t* data, size_t size);
