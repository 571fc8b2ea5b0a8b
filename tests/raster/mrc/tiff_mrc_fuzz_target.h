// The fuzz entry over mixed raster content page reading. The test program
// runs it for a fixed budget over mutations of profile M files; built with
// -fsanitize=fuzzer and PK_LIBFUZZER defined, the same file is a libFuzzer
// target (tiff_mrc_fuzz).
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data as a TIFF file from a memory storage: pages 1 and 2, every line
// of each (at most 4096), with the page reader of the TIFF entry or, when
// bit 1 of the first byte is set, with mask-referenced layer scaling; reset
// and a second pass over the first lines. Bit 0 of the first byte chooses
// whether reports throw (the default observer) or are only recorded. Returns
// the number of lines read.
int tiff_mrc_fuzz_one(const uint8_t* data, size_t size);
