// The in-place line operation base and bitwise inversion.
#include "raster/geometry/rst_pixel_not.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/codecs/rst_rle_line.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_run_line_source.h"

RstPixelUnaryOperation::RstPixelUnaryOperation(RstRead* source) : RstProcess(source) {
  if (source) line_size_ = source->line_size();
}

RstPixelUnaryOperation* RstPixelNot::create(RstRead* source) {
  const char* where = "RstPixelNot::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  // Run lines go to their own node, which pins the source itself.
  if (!h.colormap && h.data_form == RstDataForm::rle) return RstPixelNotRLE::create(source);
  RstCreateGuard guard(source);
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

RstPixelNotRLE* RstPixelNotRLE::create(RstRead* source) {
  if (!rst_check_run_line_source(source, "RstPixelNotRLE::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstPixelNotRLE>(source), guard);
}

RstPixelNotRLE::~RstPixelNotRLE() { rst_free(runs_); }

bool RstPixelNotRLE::initiate() {
  RstHeader h(source());
  last_ = h.width - 1;
  runs_size_ = line_size_ > 8 ? line_size_ : 8;
  runs_ = static_cast<int32_t*>(rst_malloc(size_t(runs_size_)));
  if (!runs_) {
    rst_report(RstCode::no_memory, "RstPixelNotRLE::initiate()");
    return false;
  }
  return true;
}

int RstPixelNotRLE::read(uint8_t* line) {
  int n = source()->read(reinterpret_cast<uint8_t*>(runs_));
  if (n <= 0 || line_size_ < 8) return 0;
  int32_t pairs = (n < runs_size_ ? n : runs_size_) / 8;
  // Room for the gaps, the terminator kept apart.
  int32_t room = line_size_ / 8 - 1;
  RstRLELine out(line, 0);
  int32_t next = 0;  // first column not yet covered by a run
  const int32_t* p = runs_;
  for (int32_t k = 0; k < pairs && out.byte_count / 8 < room; ++k, p += 2) {
    int32_t first = p[0], last = p[1];
    if (first == -1) break;
    if (first < 0) first = 0;
    if (last > last_) last = last_;
    if (first > last || last < next) continue;  // empty, or already covered
    if (first > next) out.append(next, first - 1);
    next = last + 1;
  }
  if (next <= last_ && out.byte_count / 8 < room) out.append(next, last_);
  out.end_line();
  return out.byte_count;
}
