// The fuzz entry over the JPEG probes, the Exif probe and the option made from
// a header. The test program runs it for a fixed budget; built with
// -fsanitize=fuzzer and PK_LIBFUZZER defined, the same file is a libFuzzer
// target:
//   clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DPK_LIBFUZZER -I. -Itests
//     tests/raster/formats/jpeg_header_fuzz_target.cpp raster/codecs/*.cpp raster/formats/*.cpp
//     raster/core/*.cpp platform/win/*.cpp -lsqlite3 -o jpeg_header_fuzz
//   ./jpeg_header_fuzz -max_total_time=60 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// Probes data[1..] as Exif and as a JPEG stream: the first byte picks a throwing or a
// recording observer and where the stream starts. A header must come back
// with a good or warning status, its tables and option must be usable, and
// the storage must be back where the probe began; anything else traps.
// Returns 1 when a header was found.
int jpeg_header_fuzz_one(const uint8_t* data, size_t size);
