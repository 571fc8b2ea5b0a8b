// The fuzz entry over the LZW stage. The test program runs it for a fixed
// budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the same
// file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/codecs/{lzw_fuzz_target,lzw_support}.cpp raster/codecs/*.cpp
//     raster/core/*.cpp platform/win/*.cpp -lsqlite3 -o lzw_fuzz
//   ./lzw_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes data as LZW code: the first bytes pick the variant, the bit order,
// the minimum code bits (also outside the valid range), the line bytes, the
// first line, the count and the height. A stage must refuse bad arguments,
// deliver lines or fail, and stay failed once it has; anything else traps.
// Returns the number of lines delivered.
int lzw_fuzz_one(const uint8_t* data, size_t size);
