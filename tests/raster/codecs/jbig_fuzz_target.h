// The fuzz entry over the JBIG decoder core. The test program runs it for a
// fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the
// same file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/codecs/{jbig_fuzz_target,jbig_support}.cpp raster/codecs/rst_jbig_*.cpp -o jbig_fuzz
//   ./jbig_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes data as a JBIG image entity: the first byte picks the mode and
// whether the next bytes are a raw BIH or the fields of a valid one (small
// width and height, any stripe height, options and plane count); the rest is
// stripe data and marker segments. Every line is pulled; a line call that
// answers other than 0 or the sticky error, a line with bits set past the
// width, or a line count beyond the height traps. Returns the lines decoded.
int jbig_fuzz_one(const uint8_t* data, size_t size);
