// The fuzz entry over the colour library's data file: the bytes are the
// file. The test program runs it for a fixed budget; in a clang build
// configured with -DPK_LIBFUZZER=ON the same file is the libFuzzer program
// `colour_data_fuzz`:
//   ninja -C build-fuzz colour_data_fuzz && build-fuzz/out/colour_data_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Parses the bytes; every table of a file that parses has its full size.
void colour_data_fuzz_one(const uint8_t* data, size_t size);
