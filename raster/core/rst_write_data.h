// RstWriteData: common base of the sink nodes that put their source's lines
// into an output storage. It owns the line buffer and, built at initiate, an
// output buffer and a bit reverser in front of the target. The buffered bytes
// reach the target when the writer is ended, so the target is complete only
// after that.
#pragma once

#include <cstdint>

#include "raster/core/bit_reverse.h"
#include "raster/core/output_storage.h"
#include "raster/core/rst_write.h"
#include "raster/core/output_storage_buffer.h"

class RstWriteData : public RstWrite {
 public:
  using RstRoot::end;
  // Releases the buffers and writes the output buffer out (once, however
  // often end reaches the writer); a short write-out sets the status to -11
  // and reports "RstWriteData::end() - can't write data.". Then ends as
  // every node does.
  void end(RstRoot* user) override;
  bool initiate() override;

  OutputStorage* target() const { return target_; }
  bool has_output_buffer() const { return output_buffer_ != nullptr; }

 protected:
  RstWriteData(RstRead* source, OutputStorage* target, bool bit_reverse, int32_t buffer_size);
  ~RstWriteData() override;

  // The storage every write goes to.
  OutputStorage* output() const { return output_; }
  // Allocates the zeroed line buffer; false (nothing reported) when it fails.
  bool make_line_buffer(int64_t size);
  uint8_t* line_buffer() const { return line_buffer_; }
  // True once end has released the buffers: nothing may be written then.
  bool released() const { return released_; }

 private:
  // Frees the buffers and writes out; false when the write-out came short.
  bool release();

  OutputStorage* target_;
  bool bit_reverse_;
  int32_t buffer_size_;
  uint8_t* line_buffer_ = nullptr;
  OutputStorageBuffer<>* output_buffer_ = nullptr;
  BitReverseOutput<>* bit_reverser_ = nullptr;
  OutputStorage* output_;
  bool released_ = false;
};
