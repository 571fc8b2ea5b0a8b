// The fuzz entry over labelling of run lines from outside. The test program
// runs it for a fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER
// defined, the same file is a libFuzzer target (see
// tests/raster/formats/tiff_fuzz_target.h for the command).
#pragma once

#include <cstddef>
#include <cstdint>

// Turns data into a bilevel image of run lines (any pairs, in any order, with
// or without terminator) and labels it with both labelling nodes, fills the
// rectangles, the profiles and the label histograms. The first byte chooses
// whether reports throw. Returns the number of labels found, or -1 when the
// two label images differ.
int64_t labeling_fuzz_one(const uint8_t* data, size_t size);
