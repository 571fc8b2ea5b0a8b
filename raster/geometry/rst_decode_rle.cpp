// Painting run lines into packed bilevel lines.
#include "raster/geometry/rst_decode_rle.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_run_line_source.h"

RstDecodeRLE* RstDecodeRLE::create(RstRead* source) {
  if (!rst_check_run_line_source(source, "RstDecodeRLE::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstDecodeRLE>(source), guard);
}

RstDecodeRLE::~RstDecodeRLE() { rst_free(runs_); }

void RstDecodeRLE::header(RstHeader& h) {
  RstProcess::header(h);
  h.data_form = RstDataForm::raw;
}

bool RstDecodeRLE::initiate() {
  RstHeader h(source());
  width_ = h.width;
  line_bytes_ = int32_t((int64_t(h.width) + 7) >> 3);
  int32_t size = source()->line_size();
  runs_size_ = size > 8 ? size : 8;
  runs_ = static_cast<int32_t*>(rst_malloc(size_t(runs_size_)));
  if (!runs_) {
    rst_report(RstCode::no_memory, "RstDecodeRLE::initiate()");
    return false;
  }
  return true;
}

int RstDecodeRLE::read(uint8_t* line) {
  int n = source()->read(reinterpret_cast<uint8_t*>(runs_));
  if (n <= 0) return 0;
  std::memset(line, 0, size_t(line_bytes_));
  // Only the whole pairs delivered; a line without its ending pair stops
  // there instead of walking on through the buffer.
  int32_t pairs = (n < runs_size_ ? n : runs_size_) / 8;
  const int32_t* p = runs_;
  const int32_t last_pixel = width_ - 1;
  for (int32_t k = 0; k < pairs; ++k, p += 2) {
    int32_t first = p[0], last = p[1];
    if (first == -1) break;
    if (first < 0) first = 0;
    if (last > last_pixel) last = last_pixel;
    if (first > last) continue;  // empty once clamped
    uint32_t e = uint32_t(first) >> 3, q = uint32_t(last) >> 3;
    uint8_t head = uint8_t(0xFF >> (first & 7));
    uint8_t tail = uint8_t(0xFF << (7 - (last & 7)));
    if (e == q) {
      line[e] |= uint8_t(head & tail);
    } else {
      line[e] |= head;
      if (q > e + 1) std::memset(line + e + 1, 0xFF, q - e - 1);
      // ORed, not set: an overlapping run keeps its bits.
      line[q] |= tail;
    }
  }
  return line_bytes_;
}

int RstDecodeRLE::skip(int n) {
  if (n == 0) return 0;
  return source()->skip(n);
}
