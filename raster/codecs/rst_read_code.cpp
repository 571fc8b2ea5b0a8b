// The code byte reader.
#include "raster/codecs/rst_read_code.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

RstReadCode* finish(RstReadCode* made) {
  RstOwner<RstReadCode> owner(made);
  return rst_create_end(owner);
}

}  // namespace

RstReadCode::RstReadCode(InputStorage* storage, const RstHeader& header, bool bit_reverse, int32_t chunk_size)
    : RstReadData(storage, header, bit_reverse, chunk_size), chunk_size_(chunk_size) {}

RstReadCode::RstReadCode(InputStorage* storage, const RstHeader& header, int32_t byte_count, bool bit_reverse)
    : RstReadData(storage, header, byte_count, bit_reverse, kDefaultChunk), chunk_size_(kDefaultChunk) {}

RstReadCode* RstReadCode::create(InputStorage* storage, const RstHeader& header, bool bit_reverse) {
  return create(storage, kDefaultChunk, header, bit_reverse);
}

RstReadCode* RstReadCode::create(InputStorage* storage, int32_t chunk_size, const RstHeader& header, bool bit_reverse) {
  if (!storage || storage->is_closed() || chunk_size <= 0) {
    rst_report(RstCode::bad_argument, "RstReadCode::create()");
    return nullptr;
  }
  return finish(rst_new<RstReadCode>(storage, header, bit_reverse, chunk_size));
}

RstReadCode* RstReadCode::create(InputStorage* storage, const RstHeader& header, int32_t byte_count, bool bit_reverse) {
  if (!storage || byte_count < 0) {
    rst_report(RstCode::bad_argument, "RstReadCode::create()");
    return nullptr;
  }
  return finish(rst_new<RstReadCode>(storage, header, byte_count, bit_reverse));
}

int RstReadCode::read(uint8_t* line) {
  int32_t n = input()->read(line, chunk_size_);
  return n > 0 ? n : 0;
}

int RstReadCode::skip(int) {
  rst_report(RstCode::unsupported_operation, "RstReadCode::skip()");
  return 0;
}

void RstReadCode::reset() {
  if (!input()->rewind()) rst_report(RstCode::io_failure, "RstReadCode::reset() - cannot seek.");
}

RstReadCode* RstReadCodeSpec::create_reader(InputStorage* storage) const {
  if (bounded) return RstReadCode::create(storage, header, byte_count, bit_reverse != 0);
  if (byte_count > 0) return RstReadCode::create(storage, byte_count, header, bit_reverse != 0);
  return RstReadCode::create(storage, header, bit_reverse != 0);
}
