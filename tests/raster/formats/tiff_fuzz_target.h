// The fuzz entry over TIFF page header reading. The test program runs it for
// a fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the
// same file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/formats/tiff_fuzz_target.cpp raster/formats/*.cpp raster/codecs/*.cpp
//     raster/core/*.cpp platform/win/*.cpp -lgtest -o tiff_fuzz
//   ./tiff_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data as a TIFF file from a memory storage: the whole chain, one page
// and one IFD at an offset, then asks every page read for its derived views.
// The first byte chooses whether reports throw (the default observer) or are
// only recorded. Returns the number of page headers read.
int tiff_fuzz_one(const uint8_t* data, size_t size);
