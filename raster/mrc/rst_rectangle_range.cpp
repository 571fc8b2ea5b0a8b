// The full-image rectangle range.
#include "raster/mrc/rst_rectangle_range.h"

#include <new>

#include "raster/core/rst_status_context.h"

RstRectangleRange::RstRectangleRange(int32_t width, int32_t height)
    : width(width), height(height), first_y(0), last_y(height - 1) {
  try {
    size_t rows = size_t(height > 0 ? height : 0);
    first_x.assign(rows, 0);
    last_x.assign(rows, width - 1);
  } catch (const std::bad_alloc&) {
    first_x.clear();
    last_x.clear();
    rst_report(RstCode::no_memory, "RstRectangleRange::RstRectangleRange()");
  }
}
