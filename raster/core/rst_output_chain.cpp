#include "raster/core/rst_output_chain.h"

#include "raster/core/bufferable.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

bool rst_build_output_chain(OutputStorage* target, int32_t buffer_size, bool bit_reverse, const char* where,
                            OutputStorageBuffer<>*& buffer, BitReverseOutput<>*& reverser, OutputStorage*& output) {
  bool wanted = buffer_size > 0 && target && !dynamic_cast<MemoryOutputStorage*>(target) &&
                !dynamic_cast<ByteArrayOutputStorage*>(target);
  if (wanted) {
    if (auto* bufferable = dynamic_cast<Bufferable*>(target)) {
      bufferable->set_capacity(buffer_size);
    } else {
      buffer = rst_new<OutputStorageBuffer<>>(target, buffer_size);
      if (!buffer || buffer->capacity() != buffer_size) {
        delete buffer;
        buffer = nullptr;
        rst_report(RstCode::no_memory, where);
        return false;
      }
      output = buffer;
    }
  }
  if (bit_reverse) {
    reverser = rst_new<BitReverseOutput<>>(output);
    if (!reverser) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
    output = reverser;
  }
  return true;
}
