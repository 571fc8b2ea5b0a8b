// RstReadData: common base of the nodes that read their lines from a byte
// storage. Reads go through a window over the storage (from its position at
// construction) and, built at initiate, an input buffer and a bit reverser.
#pragma once

#include <cstdint>

#include "raster/core/bit_reverse.h"
#include "raster/core/input_storage.h"
#include "raster/core/nested_input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/core/input_storage_buffer.h"

class RstReadData : public RstRead {
 public:
  // A window of `length` bytes from the storage's current position. The
  // storage is not owned and must outlive the node.
  RstReadData(InputStorage* storage, const RstHeader& header, int32_t length, bool bit_reverse, int32_t buffer_size);
  // A window from the storage's current position to its end.
  RstReadData(InputStorage* storage, const RstHeader& header, bool bit_reverse, int32_t buffer_size);
  ~RstReadData() override;

  void header(RstHeader& h) override { h = header_; }
  // Builds the buffer and the bit reverser in front of the data as asked.
  bool initiate() override;

  int32_t buffer_size() const { return buffer_size_; }
  bool bit_reverse() const { return bit_reverse_; }

 protected:
  // The storage every read goes to.
  InputStorage* input() const { return input_; }
  const RstHeader& stored_header() const { return header_; }

 private:
  // Reads go through the window only when it differs from the whole storage.
  bool window_needed() const;

  RstHeader header_;
  bool bit_reverse_;
  int32_t buffer_size_;
  InputStorage* storage_;
  NestedInputStorage window_;
  InputStorageBuffer<>* input_buffer_ = nullptr;
  BitReverseInput<>* bit_reverser_ = nullptr;
  InputStorage* input_;
};
