// Run lines with a width: in-place run widening and line concatenation.
#include "raster/geometry/rst_rle_line_ex.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_run_walk.h"

RstRLELineEx::RstRLELineEx(void* buffer, int32_t width, int32_t byte_count, int32_t capacity)
    : RstRLELine(buffer, byte_count), width(width), capacity_(capacity >= 0 ? capacity : rst_rle_line_bound(width)) {
  if (buffer) return;
  own_ = static_cast<int32_t*>(rst_malloc(size_t(capacity_ > 8 ? capacity_ : 8)));
  runs = own_;
  if (!own_) {
    this->byte_count = 0;
    capacity_ = 0;
    rst_report(RstCode::no_memory, "RstRLELineEx::RstRLELineEx()");
    return;
  }
  if (capacity_ < 8) capacity_ = 8;
  // A fresh line of its own starts without runs.
  this->byte_count = 8;
  own_[0] = own_[1] = -1;
}

RstRLELineEx::~RstRLELineEx() { rst_free(own_); }

void RstRLELineEx::assign(const RstRLELine& other) {
  if (!runs) return;
  read_offset = other.read_offset;
  int32_t bytes = other.byte_count < 0 ? 0 : other.byte_count;
  if (bytes > capacity_) bytes = capacity_ / 8 * 8;
  byte_count = bytes;
  if (bytes > 0 && runs != other.runs) std::memmove(runs, other.runs, size_t(bytes));
}

void RstRLELineEx::assign(const RstRLELineEx& other) {
  assign(static_cast<const RstRLELine&>(other));
  width = other.width;
}

void RstRLELineEx::sifht_x(int32_t d) {
  if (int64_t(d) <= -int64_t(width) || int64_t(d) >= int64_t(width)) {
    rst_report(RstCode::bad_argument, "RstRLELineEx::sifht_x()");
    return;
  }
  if (!runs || capacity_ < 8) return;
  int32_t bytes = byte_count < 0 ? 0 : (byte_count > capacity_ ? capacity_ : byte_count);
  const int32_t pairs = bytes / 8, room = capacity_ / 8 - 1;
  const int64_t last_column = int64_t(width) - 1;
  // Each run written has consumed at least one pair, so the writing never
  // overtakes the reading.
  int32_t kept = 0;
  bool have = false;
  int64_t cf = 0, cl = 0;
  for (int32_t k = 0; k < pairs; ++k) {
    int32_t a = runs[2 * k], b = runs[2 * k + 1];
    if (a == -1) break;
    int64_t f = int64_t(a) - d, l = int64_t(b) + d;
    if (f < 0) f = 0;
    if (l > last_column) l = last_column;
    if (f > l) continue;
    if (have && f <= cl + 1) {
      if (l > cl) cl = l;
      continue;
    }
    if (have && kept < room) {
      runs[2 * kept] = int32_t(cf);
      runs[2 * kept + 1] = int32_t(cl);
      ++kept;
    }
    have = true;
    cf = f;
    cl = l;
  }
  if (have && kept < room) {
    runs[2 * kept] = int32_t(cf);
    runs[2 * kept + 1] = int32_t(cl);
    ++kept;
  }
  runs[2 * kept] = -1;
  runs[2 * kept + 1] = -1;
  byte_count = kept * 8 + 8;
  read_offset = 0;
}

void RstRLELineEx::append(RstRLELineEx& other) {
  other.read_offset = 0;
  if (!runs || capacity_ < 8) return;
  // This line is the running result: made clean first, so that its last run
  // is where the join looks for it.
  byte_count = rst_clean_run_line(runs, byte_count, capacity_, width < 0 ? 0 : width);
  int32_t kept = byte_count / 8 - 1;
  const int32_t room = capacity_ / 8 - 1;
  const int64_t shift = width < 0 ? 0 : width;
  int64_t total = shift + (other.width < 0 ? 0 : other.width);
  if (total > INT32_MAX) total = INT32_MAX;
  if (other.runs) {
    int32_t bytes = other.byte_count > other.capacity_ ? other.capacity_ : other.byte_count;
    RstRunWalk walk(other.runs, bytes, other.width);
    int32_t f = 0, l = 0;
    bool first = true;
    while (walk.next(f, l)) {
      int64_t nf = f + shift, nl = l + shift;
      if (nf >= total) break;
      if (nl >= total) nl = total - 1;
      if (first && f == 0 && kept > 0 && runs[2 * kept - 1] == shift - 1) {
        runs[2 * kept - 1] = int32_t(nl);
      } else if (kept < room) {
        runs[2 * kept] = int32_t(nf);
        runs[2 * kept + 1] = int32_t(nl);
        ++kept;
      } else {
        break;
      }
      first = false;
    }
  }
  runs[2 * kept] = -1;
  runs[2 * kept + 1] = -1;
  byte_count = kept * 8 + 8;
  width = int32_t(total);
  other.read_offset = 0;
}
