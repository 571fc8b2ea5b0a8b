// Base of the push encoders: output decorators and the once-only initiate.
#include "raster/core/rst_push_write.h"

#include "raster/core/bufferable.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

RstPushWrite::RstPushWrite(OutputStorage* target, const RstHeader& header, bool bit_reverse, int32_t buffer_size)
    : header_(header), target_(target), output_(target), bit_reverse_(bit_reverse), buffer_size_(buffer_size) {}

RstPushWrite::~RstPushWrite() {
  delete output_buffer_;  // writes its bytes out
  delete bit_reverser_;
}

bool RstPushWrite::initiate_once() {
  // A failed initiate stays failed: its result is kept, not turned into true.
  if (initiated_) return initiate_result_;
  initiated_ = true;
  initiate_result_ = initiate();
  return initiate_result_;
}

bool RstPushWrite::initiate() {
  bool wanted = buffer_size_ > 0 && target_ && !dynamic_cast<MemoryOutputStorage*>(target_) &&
                !dynamic_cast<ByteArrayOutputStorage*>(target_);
  if (wanted) {
    if (auto* bufferable = dynamic_cast<Bufferable*>(target_)) {
      bufferable->set_capacity(buffer_size_);
    } else {
      output_buffer_ = rst_new<OutputStorageBuffer<>>(target_, buffer_size_);
      if (!output_buffer_ || output_buffer_->capacity() != buffer_size_) {
        delete output_buffer_;
        output_buffer_ = nullptr;
        rst_report(RstCode::no_memory, "RstPushWrite::initiate()");
        return false;
      }
      output_ = output_buffer_;
    }
  }
  if (bit_reverse_) {
    bit_reverser_ = rst_new<BitReverseOutput<>>(output_);
    if (!bit_reverser_) {
      rst_report(RstCode::no_memory, "RstPushWrite::initiate()");
      return false;
    }
    output_ = bit_reverser_;
  }
  return true;
}

RstPushWrite* rst_create_end_push_writer(RstPushWrite* writer) {
  if (!writer) {
    rst_report(RstCode::no_memory, "rst_create_end()");
    return nullptr;
  }
  return writer->initiate_once() ? writer : nullptr;
}
