// RstPushWrite: base of the encoders that take lines one at a time (pushed)
// and emit bytes into an output storage when they have enough. It is not an
// image node: RstPushPullWriteBridge drives one as a sink node. The target is
// not owned; an output buffer and a bit reverser are built in front of it at
// initiate.
#pragma once

#include <concepts>
#include <cstdint>

#include "raster/core/bit_reverse.h"
#include "raster/core/output_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/output_storage_buffer.h"

class RstPushWrite {
 public:
  RstPushWrite(OutputStorage* target, const RstHeader& header, bool bit_reverse, int32_t buffer_size);
  RstPushWrite(const RstPushWrite&) = delete;
  RstPushWrite& operator=(const RstPushWrite&) = delete;

  // Takes one line; false when it cannot take it.
  virtual bool write(const uint8_t* line) = 0;
  // The header of the lines pushed.
  virtual void header(RstHeader& out) { out = header_; }
  // Finishes and deletes the writer; subclasses finish their encoder first.
  virtual void end() { delete this; }
  // Writes the output buffer out, then frees the decorators.
  virtual ~RstPushWrite();
  // initiate the first time; every later call returns that first result.
  virtual bool initiate_once();
  // Builds the output buffer (not for memory targets) and the bit reverser.
  virtual bool initiate();

  OutputStorage* target() const { return target_; }
  bool has_output_buffer() const { return output_buffer_ != nullptr; }

 protected:
  // The storage the encoded bytes go to.
  OutputStorage* output() const { return output_; }
  const RstHeader& stored_header() const { return header_; }

 private:
  bool initiated_ = false;
  bool initiate_result_ = false;
  RstHeader header_;
  OutputStorage* target_;
  OutputStorage* output_;
  bool bit_reverse_;
  int32_t buffer_size_;
  BitReverseOutput<>* bit_reverser_ = nullptr;
  OutputStorageBuffer<>* output_buffer_ = nullptr;
};

// The last step of a push writer's factory: its initiate_once; on success the
// writer is taken out of the holder and returned, on failure it stays there
// and goes with the holder. A null writer reports -1 "rst_create_end()".
RstPushWrite* rst_create_end_push_writer(RstPushWrite* writer);

template <class T>
requires std::derived_from<T, RstPushWrite> T* rst_create_end(RstOwner<T>& owner) {
  return rst_create_end_push_writer(owner.get()) ? owner.release() : nullptr;
}
