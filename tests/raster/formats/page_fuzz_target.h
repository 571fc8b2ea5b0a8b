// The fuzz entry over page reading. The test program runs it for a fixed
// budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the same
// file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/formats/page_fuzz_target.cpp raster/*/*.cpp platform/win/*.cpp -lgtest -o page_fuzz
//   ./page_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data as an image file from a memory storage: the page count, then
// page 1 and page 2 through format detection, every line of each. The first
// byte chooses whether reports throw (the default observer) or are only
// recorded. Returns the number of lines read.
int page_fuzz_one(const uint8_t* data, size_t size);
