// The in-place line operation base and bitwise inversion.
#include "raster/geometry/rst_pixel_not.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

RstPixelUnaryOperation::RstPixelUnaryOperation(RstRead* source) : RstProcess(source) {
  if (source) line_size_ = source->line_size();
}

RstPixelNot* RstPixelNot::create(RstRead* source) {
  const char* where = "RstPixelNot::create()";
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.colormap || h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  return rst_create_end(rst_new<RstPixelNot>(source), guard);
}

int RstPixelNot::read(uint8_t* line) {
  int n = source()->read(line);
  if (n != line_size_ || n <= 0) return 0;
  // Eight bytes at a time, then the tail.
  size_t i = 0, size = size_t(n);
  for (; i + 8 <= size; i += 8) {
    uint64_t w;
    std::memcpy(&w, line + i, 8);
    w = ~w;
    std::memcpy(line + i, &w, 8);
  }
  for (; i < size; ++i) line[i] = uint8_t(~line[i]);
  return n;
}
