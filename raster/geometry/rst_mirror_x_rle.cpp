// Left-right mirroring of run lines.
#include "raster/geometry/rst_mirror_x_rle.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_run_line_source.h"

RstMirrorXRLE* RstMirrorXRLE::create(RstRead* source) {
  if (!rst_check_run_line_source(source, "RstMirrorXRLE::create()")) return nullptr;
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstMirrorXRLE>(source), guard);
}

RstMirrorXRLE::~RstMirrorXRLE() { rst_free(runs_); }

bool RstMirrorXRLE::initiate() {
  RstHeader h(source());
  last_x_ = h.width - 1;
  line_bytes_ = source()->line_size();
  runs_size_ = line_bytes_ > 8 ? line_bytes_ : 8;
  runs_ = static_cast<int32_t*>(rst_malloc(size_t(runs_size_)));
  if (!runs_) {
    rst_report(RstCode::no_memory, "RstMirrorXRLE::initiate()");
    return false;
  }
  return true;
}

int RstMirrorXRLE::read(uint8_t* line) {
  int n = source()->read(reinterpret_cast<uint8_t*>(runs_));
  if (n <= 0 || line_bytes_ < 8) return 0;
  int32_t pairs = (n < runs_size_ ? n : runs_size_) / 8;
  // Clean the runs in place first (never more than were read), keeping room
  // for the terminator in the caller's line.
  int32_t room = line_bytes_ / 8 - 1, kept = 0;
  int32_t next = 0;  // first column not covered yet
  for (int32_t k = 0; k < pairs; ++k) {
    int32_t first = runs_[2 * k], last = runs_[2 * k + 1];
    if (first == -1) break;
    if (first < next) first = next;
    if (last > last_x_) last = last_x_;
    if (first > last) continue;
    if (kept > 0 && first == next) {
      runs_[2 * kept - 1] = last;  // touches the previous run
    } else {
      if (kept == room) break;
      runs_[2 * kept] = first;
      runs_[2 * kept + 1] = last;
      ++kept;
    }
    next = last + 1;
  }
  int32_t* out = reinterpret_cast<int32_t*>(line);
  for (int32_t k = 0; k < kept; ++k) {
    const int32_t* r = runs_ + 2 * (kept - 1 - k);
    out[2 * k] = last_x_ - r[1];
    out[2 * k + 1] = last_x_ - r[0];
  }
  out[2 * kept] = -1;
  out[2 * kept + 1] = -1;
  return kept * 8 + 8;
}
