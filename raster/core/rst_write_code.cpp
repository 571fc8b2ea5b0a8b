// Code writer: chunks of coded bytes copied unchanged.
#include "raster/core/rst_write_code.h"

#include <algorithm>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"

namespace {
constexpr int32_t kBufferBytes = 8192;
}

RstWriteCode::RstWriteCode(RstRead* source, OutputStorage* target, bool bit_reverse)
    : RstWriteData(source, target, bit_reverse, kBufferBytes) {}

RstWriteCode* RstWriteCode::create(RstRead* source, OutputStorage* target, bool bit_reverse) {
  RstCreateGuard guard(source);
  if (!source || !target || target->is_closed()) {
    rst_report(RstCode::bad_argument, "RstWriteCode::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstWriteCode>(source, target, bit_reverse), guard);
}

bool RstWriteCode::initiate() {
  if (!RstWriteData::initiate()) return false;
  if (!make_line_buffer(std::max(1, source()->line_size()))) {
    rst_report(RstCode::no_memory, "RstWriteCode::initiate()");
    return false;
  }
  return true;
}

int RstWriteCode::write() {
  if (released()) return 0;
  int n = source()->read(line_buffer());
  int written = n > 0 ? output()->write(line_buffer(), n) : 0;
  if (written == n) return written;
  set_status(RstCode::io_failure);
  rst_report(RstCode::io_failure, "RstWriteCode::write() - can't write.");
  return 0;
}
