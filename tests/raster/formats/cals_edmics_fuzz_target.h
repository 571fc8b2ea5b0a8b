// The fuzz entry over the CALS and EDMICS readers. The test program runs it
// for a fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined,
// the same file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/formats/cals_edmics_fuzz_target.cpp raster/*/*.cpp platform/win/*.cpp -lgtest
//     -o cals_edmics_fuzz
//   ./cals_edmics_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data from a memory storage as a CALS, an EDMICS MMR and an EDMICS RLC
// file, every line of each, a reset and the lines again, then through format
// detection. The first byte chooses whether reports throw (the default
// observer) or are only recorded, and the bit-order mode of the CALS reader.
// Returns the number of lines read.
int cals_edmics_fuzz_one(const uint8_t* data, size_t size);
