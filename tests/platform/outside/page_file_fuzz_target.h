// The fuzz entry over the outside libraries' page file reading, the step
// that takes a page file back in before a band or white part joins it. The
// test program runs it for a fixed budget; built with -fsanitize=fuzzer and
// PK_LIBFUZZER defined, the same file is a libFuzzer target (see the raster
// library's fuzz entries for the command line).
#pragma once

#include <cstddef>
#include <cstdint>

// Writes data (after its first byte) to a file and reads it back as a page
// file of the width the first byte chooses (64 or any), as the libraries
// read them (reports end the read, never thrown). Returns the rows read, 0
// when refused.
uint32_t page_file_fuzz_one(const uint8_t* data, size_t size);
