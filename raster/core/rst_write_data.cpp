// Common base of the line writers: output buffer, bit reverser, line buffer,
// and the write-out when the writer is ended.
#include "raster/core/rst_write_data.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_output_chain.h"
#include "raster/core/rst_status_context.h"

RstWriteData::RstWriteData(RstRead* source, OutputStorage* target, bool bit_reverse, int32_t buffer_size)
    : RstWrite(source), target_(target), bit_reverse_(bit_reverse), buffer_size_(buffer_size), output_(target) {}

RstWriteData::~RstWriteData() { release(); }

bool RstWriteData::initiate() {
  return rst_build_output_chain(target_, buffer_size_, bit_reverse_, "RstWriteData::initiate()", output_buffer_,
                                bit_reverser_, output_);
}

bool RstWriteData::make_line_buffer(int64_t size) {
  rst_free(line_buffer_);
  line_buffer_ = size > 0 ? static_cast<uint8_t*>(rst_calloc(static_cast<size_t>(size))) : nullptr;
  return line_buffer_ != nullptr;
}

bool RstWriteData::release() {
  if (released_) return true;
  released_ = true;
  rst_free(line_buffer_);
  line_buffer_ = nullptr;
  delete bit_reverser_;
  bit_reverser_ = nullptr;
  output_ = target_;
  if (!output_buffer_) return true;
  int32_t expected = output_buffer_->tell();
  delete output_buffer_;  // writes its bytes out
  output_buffer_ = nullptr;
  return target_->tell() == expected;
}

void RstWriteData::end(RstRoot* user) {
  if (!release()) {
    set_status(RstCode::io_failure);
    // The teardown goes on even when the report throws.
    try {
      rst_report(RstCode::io_failure, "RstWriteData::end() - can't write data.");
    } catch (...) {
      RstWrite::end(user);
      throw;
    }
  }
  RstWrite::end(user);
}
