// Base of the push encoders: output decorators and the once-only initiate.
#include "raster/core/rst_push_write.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_output_chain.h"
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
  return rst_build_output_chain(target_, buffer_size_, bit_reverse_, "RstPushWrite::initiate()", output_buffer_,
                                bit_reverser_, output_);
}

RstPushWrite* rst_create_end_push_writer(RstPushWrite* writer) {
  if (!writer) {
    rst_report(RstCode::no_memory, "rst_create_end()");
    return nullptr;
  }
  return writer->initiate_once() ? writer : nullptr;
}
