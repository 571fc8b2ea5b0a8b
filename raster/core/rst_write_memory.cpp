// Raw writer into a caller's byte array.
#include "raster/core/rst_write_memory.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"

RstWriteMemory::RstWriteMemory(RstRead* source, ByteArrayOutputStorage* storage, int32_t stride)
    : RstWriteRaw(source, storage, stride, false, false), storage_(storage) {}

RstWriteMemory::~RstWriteMemory() {
  // Nothing is buffered in front of a byte array, so the storage can go
  // before the writer part.
  delete storage_;
}

RstWriteMemory* RstWriteMemory::create(RstRead* source, void* array, int32_t stride, int32_t array_size) {
  RstCreateGuard guard(source);
  const char* where = "RstWriteMemory::create";
  if (!source || !array || stride <= 0 || array_size <= 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (dynamic_cast<RstCodeSource*>(source)) {
    rst_report(RstCode::unsupported_operation, where);
    return nullptr;
  }
  if (!check_source(source, stride, where)) return nullptr;
  auto* storage = rst_new<ByteArrayOutputStorage>(array, array_size);
  if (!storage) {
    rst_report(RstCode::no_memory, "RstWriteMemory::RstWriteMemory()");
    return nullptr;
  }
  auto* node = rst_new<RstWriteMemory>(source, storage, stride);
  if (!node) delete storage;
  return rst_create_end(node, guard);
}
