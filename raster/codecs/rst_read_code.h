// RstReadCode: the node that delivers the code bytes of one coded image from
// a storage window in chunks, under the coded image's header; and
// RstReadCodeSpec, the small record some callers build it from.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_data.h"

class RstReadCode : public RstReadData, public RstCodeSource {
 public:
  static constexpr int32_t kDefaultChunk = 8192;

  // From the storage's position to its end, in 8192-byte chunks.
  static RstReadCode* create(InputStorage* storage, const RstHeader& header, bool bit_reverse);
  // The same with a given chunk size.
  static RstReadCode* create(InputStorage* storage, int32_t chunk_size, const RstHeader& header, bool bit_reverse);
  // A window of byte_count bytes from the storage's position.
  static RstReadCode* create(InputStorage* storage, const RstHeader& header, int32_t byte_count, bool bit_reverse);

  RstReadCode(InputStorage* storage, const RstHeader& header, bool bit_reverse, int32_t chunk_size);
  RstReadCode(InputStorage* storage, const RstHeader& header, int32_t byte_count, bool bit_reverse);

  int read(uint8_t* line) override;
  // Not supported: -5 "RstReadCode::skip()".
  int skip(int n) override;
  // Back to the first code byte.
  void reset() override;
  int line_size() override { return chunk_size_; }

 private:
  int32_t chunk_size_;
};

struct RstReadCodeSpec {
  RstReadCodeSpec(const RstHeader& header, int32_t byte_count, bool bit_reverse)
      : header(header), byte_count(byte_count), bounded(1), bit_reverse(bit_reverse ? 1 : 0) {}

  // Bounded: a window of byte_count bytes; otherwise byte_count is the chunk
  // size (0: the default chunk) over the rest of the storage.
  RstReadCode* create_reader(InputStorage* storage) const;

  RstHeader header;
  int32_t byte_count;
  uint8_t bounded;
  uint8_t bit_reverse;
};
