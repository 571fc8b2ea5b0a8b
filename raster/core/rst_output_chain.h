// The output chain of the writers that end a line pipeline: an optional
// storage buffer (a storage that buffers itself only gets its capacity; memory
// targets are written directly, a buffer would only copy twice) and an
// optional bit reverser in front of the target.
#pragma once

#include <cstdint>

#include "raster/core/bit_reverse.h"
#include "raster/core/output_storage.h"
#include "raster/core/output_storage_buffer.h"

// Builds the chain before `target` into `buffer`, `reverser` and `output`
// (which starts as the target). False, with -1 reported under `where`, when
// a piece cannot be had; what was made stays in the out-arguments for the
// caller to release.
bool rst_build_output_chain(OutputStorage* target, int32_t buffer_size, bool bit_reverse, const char* where,
                            OutputStorageBuffer<>*& buffer, BitReverseOutput<>*& reverser, OutputStorage*& output);
