// The fuzz entry over the host's document parser and its image statements.
// The test program runs it for a fixed budget; in a clang build configured
// with -DPK_LIBFUZZER=ON the same file is the libFuzzer program `document_fuzz`:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSANITIZE=ON -DPK_LIBFUZZER=ON
//   ninja -C build-fuzz document_fuzz && build-fuzz/out/document_fuzz -max_total_time=600 corpus/
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bytes up to the first zero byte are a document, the rest the file
// "f.pnm" beside it, which the document's image statements may name; the
// rest is also read as an image on its own. The parse must succeed or fail
// with an error of the documented form; anything else traps. Returns 1 when
// the document parsed.
int document_fuzz_one(const uint8_t* data, size_t size, const std::string& folder);
