// The code byte buffer.
#include "raster/codecs/rst_code_buffer.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"

RstCodeBuffer::RstCodeBuffer(RstRead* src) : source(src), buffer(nullptr), size(0), fill(0), position(0), ended(false) {
  int32_t n = source ? source->line_size() : 0;
  size = n > 0 ? n : 1;
  buffer = static_cast<uint8_t*>(rst_malloc(static_cast<size_t>(size)));
  if (!buffer) {
    size = 0;
    rst_report(RstCode::no_memory, "RstCodeBuffer::RstCodeBuffer()");
  }
}

RstCodeBuffer::~RstCodeBuffer() { rst_free(buffer); }

int32_t RstCodeBuffer::refill() {
  if (ended || !buffer || !source) return -1;
  int n = source->read(buffer);
  // A source that claims more than its line size is cut to the buffer.
  if (n > size) n = size;
  if (n <= 0) {
    ended = true;
    fill = 0;
    position = 0;
    return -1;
  }
  fill = n;
  position = 1;
  return buffer[0];
}
