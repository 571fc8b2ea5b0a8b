// The fuzz entry over the IMS/IMT object image: reading it, building the
// canvas of its records and composing the page. The test program runs it for
// a fixed budget; built with -fsanitize=fuzzer and PK_LIBFUZZER defined, the
// same file is a libFuzzer target (see tests/raster/formats/tiff_fuzz_target.h
// for the command).
#pragma once

#include <cstddef>
#include <cstdint>

// Reads data (after two control bytes) as an object image whose coded data
// lie in the same bytes, builds its canvas and, for a small page, composes it
// at a magnification the second byte chooses and pulls every line. The first
// byte chooses whether reports throw. Returns the number of page lines read.
int ims_fuzz_one(const uint8_t* data, size_t size);
