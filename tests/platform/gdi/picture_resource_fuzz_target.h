// The fuzz entry over the pictures of a module's resources: packed DIBs
// (RT_BITMAP) and icon images (RT_ICON). The test program runs it for a fixed
// budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the same file
// is a libFuzzer target (see pk_add_fuzzer):
//   ./picture_resource_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>

// The first byte chooses the kind (bit 0: an icon image, else a packed DIB)
// and the display depth (bits 1-2: 32, 8, 16, 24); the rest are the
// resource's bytes. A picture that is made is drawn onto a memory bitmap and
// read back at 8 bits. Returns whether a picture was made.
bool picture_resource_fuzz_one(const uint8_t* data, size_t size);
