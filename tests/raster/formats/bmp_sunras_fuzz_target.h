// The fuzz entry over the BMP, DIB and Sun raster readers. The test program
// runs it for a fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER
// defined, the same file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/formats/bmp_sunras_fuzz_target.cpp raster/*/*.cpp platform/win/*.cpp -lgtest
//     -o bmp_sunras_fuzz
//   ./bmp_sunras_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data from a memory storage as a BMP file, a bare DIB and a Sun
// raster file, every line of each, a reset and the lines again, then through
// format detection. Bit 0 of the first byte chooses whether reports throw;
// bit 1 the top_down flag. Returns the number of lines read.
int bmp_sunras_fuzz_one(const uint8_t* data, size_t size);
