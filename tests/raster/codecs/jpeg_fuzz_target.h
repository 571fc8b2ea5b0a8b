// The fuzz entry over the JPEG reader node. The test program runs it for a
// fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the
// same file is a libFuzzer target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/codecs/jpeg_fuzz_target.cpp raster/codecs/*.cpp raster/core/*.cpp
//     platform/win/*.cpp -lsqlite3 -o jpeg_fuzz
//   ./jpeg_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data[1..] from a memory storage with RstReadJPEG23, every line: the
// first byte picks a throwing or a recording observer and the option (none,
// the standard tables, an RGB colour type). No node must come with a report;
// a node must deliver exactly its height in lines of its line size; anything
// else traps. Returns the number of lines read.
int jpeg_fuzz_one(const uint8_t* data, size_t size);
