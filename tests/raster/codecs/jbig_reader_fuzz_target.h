// The fuzz entry over the JBIG reader nodes. The test program runs it for a
// fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the
// same file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/codecs/{jbig_reader_fuzz_target,jbig_support}.cpp -Lbuild/lib -lraster -o jbig_reader_fuzz
//   ./jbig_reader_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first byte picks the reader (bit 0: T.43) and whether the node is reset
// half way (bit 1); the rest is the code. Every line is pulled within a pixel
// budget; a read that answers other than 0 or the line size, or a header
// whose line size disagrees with its samples, traps. Returns the lines read.
int jbig_reader_fuzz_one(const uint8_t* data, size_t size);
