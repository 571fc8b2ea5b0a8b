// The fuzz entry over format detection. The test program runs it for a fixed
// budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the same
// file is a libFuzzer target (pk_add_fuzzer detection_fuzz). PDF needs a
// named storage and is left to the PDF module's own targets.
#pragma once

#include <cstddef>
#include <cstdint>

// Describes data from a memory storage with RstImageInfo::create (and its
// page count), then reads every line of the RstReadRaster::create reader,
// a reset and the lines again. The first byte chooses whether reports throw
// or are only recorded. Returns the number of lines read.
int detection_fuzz_one(const uint8_t* data, size_t size);
