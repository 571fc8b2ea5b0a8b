// The fuzz entry over Movrane's page finishing: a page file read back as the
// library reads it, then turned, reduced, shifted, placed on 2-up and 4-up
// sheets and converted to another resolution. The test program runs it for a
// fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the
// same file is a libFuzzer target.
#pragma once

#include <cstddef>
#include <cstdint>

// data[0] chooses the steps' numbers, the rest is the page file. Returns the
// rows of the page read, 0 when it was refused.
uint32_t movrane_page_fuzz_one(const uint8_t* data, size_t size);
