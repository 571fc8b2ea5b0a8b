// Relabelling of a node's lines.
#include "raster/core/rst_reinterpret.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"

namespace {

// Bytes of one raw line; 64-bit so hostile sizes cannot wrap into a match.
int64_t raw_line_bytes(const RstHeader& h) {
  return (int64_t(h.width) * h.samples_per_pixel * h.bits_per_sample + 7) >> 3;
}

}  // namespace

RstRead* RstReinterpret::create(RstRead* source, const RstHeader& header) {
  const char* where = "RstReinterpret::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.height != header.height || raw_line_bytes(h) != raw_line_bytes(header)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end(rst_new<RstReinterpret>(source, header), guard);
}
