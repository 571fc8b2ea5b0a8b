// Rotation of run lines by multiples of 90 degrees.
#include "raster/geometry/rst_rotate90_rle.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/codecs/rst_rle_line.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_whole_source_node.h"
#include "raster/geometry/rst_rotate90.h"
#include "raster/geometry/rst_run_line_source.h"

EdgeVector::~EdgeVector() { rst_free(items); }

bool EdgeVector::push(int32_t first, int32_t end) {
  if (count + 2 > capacity) {
    // Geometric growth, at least 128 ints: a dithered page with a run in
    // every other pixel does not copy its lists over and over.
    uint64_t grown = uint64_t(capacity) + std::max<uint64_t>(128, capacity);
    int32_t* bigger =
        grown <= UINT32_MAX ? static_cast<int32_t*>(rst_malloc(size_t(grown) * sizeof(int32_t))) : nullptr;
    if (!bigger) {
      rst_report(RstCode::no_memory, "EdgeVector::push()");
      return false;
    }
    if (count) std::memcpy(bigger, items, size_t(count) * sizeof(int32_t));
    rst_free(items);
    items = bigger;
    capacity = uint32_t(grown);
  }
  items[count] = first;
  items[count + 1] = end;
  count += 2;
  return true;
}

void EdgeVector::turn(int32_t b) {
  uint32_t n = count / 2;
  for (uint32_t i = 0, j = n - 1; n > 0 && i <= j; ++i, --j) {
    int32_t s1 = items[2 * i], e1 = items[2 * i + 1];
    int32_t s2 = items[2 * j], e2 = items[2 * j + 1];
    items[2 * i] = b - e2;
    items[2 * i + 1] = b - s2;
    items[2 * j] = b - e1;
    items[2 * j + 1] = b - s1;
    if (j == 0) break;
  }
}

RstEdgeList::RstEdgeList(uint32_t count) {
  if (count == 0) return;
  if (!RstAllocFault::next_fails()) vectors_ = new (std::nothrow) EdgeVector[count];
  if (!vectors_) {
    failed_ = true;
    rst_report(RstCode::no_memory, "RstEdgeList::RstEdgeList()");
    return;
  }
  count_ = count;
}

RstEdgeList::~RstEdgeList() { delete[] vectors_; }

RstRead* RstRotate90RLE::create(RstRead* source, int angle) {
  const char* where = "RstRotate90RLE::create()";
  int32_t a = rst_normalize_angle(angle);
  if (a == 0) return source;
  if (!source || a % 90 != 0) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!rst_check_run_line_source(source, where)) return nullptr;
  if (RstHeader(source).height < 0) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_whole_source_node<RstRotate90RLE>(source, a);
}

RstRotate90RLE::RstRotate90RLE(RstRead* source, int32_t angle) : RstProcess(source), header_(source), angle_(angle) {}

RstRotate90RLE::~RstRotate90RLE() { delete edges_; }

void RstRotate90RLE::header(RstHeader& h) {
  h = header_;
  h.width = out_width_;
  h.height = out_height_;
}

int RstRotate90RLE::line_size() { return rst_rle_line_bound(out_width_); }

bool RstRotate90RLE::initiate() {
  const int32_t W = header_.width, H = header_.height;
  out_width_ = angle_ == 180 ? W : H;
  out_height_ = angle_ == 180 ? H : W;
  edges_ = rst_new<RstEdgeList>(uint32_t(out_height_));
  if (!edges_) {
    rst_report(RstCode::no_memory, "RstRotate90RLE::initiate()");
    return false;
  }
  bool done = edges_->ok() && (angle_ == 90 ? rotate90() : angle_ == 180 ? rotate180() : rotate270());
  if (!done) {
    next_line_ = out_height_;
    return false;
  }
  return true;
}

template <class Take>
bool RstRotate90RLE::walk_source(const char* where, Take take) {
  int32_t size = std::max(source()->line_size(), 8);
  RstOwner<int32_t> line(static_cast<int32_t*>(rst_malloc(size_t(size))));
  if (!line) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  const int32_t last_x = header_.width - 1;
  for (int32_t r = 0; r < header_.height; ++r) {
    int n = source()->read(reinterpret_cast<uint8_t*>(line.get()));
    if (n <= 0) return false;
    // Only whole pairs, up to the ending pair; each run clamped to the
    // width, and merged into the previous one when it starts inside it or
    // right after it.
    const int32_t pairs = std::min(n, size) / 8;
    const int32_t* p = line.get();
    int32_t next = 0;  // first column not covered yet
    for (int32_t k = 0; k < pairs; ++k, p += 2) {
      int32_t first = p[0], last = p[1];
      if (first == -1) break;
      if (first < next) first = next;
      if (last > last_x) last = last_x;
      if (first > last) continue;
      if (!take(r, first, last, first == next && next > 0)) return false;
      next = last + 1;
    }
  }
  return true;
}

bool RstRotate90RLE::rotate90() {
  EdgeVector* v = edges_->data();
  bool ok = walk_source("RstRotate90RLE::rotate90()", [v](int32_t r, int32_t first, int32_t last, bool) {
    for (int32_t x = first; x <= last; ++x)
      if (!v[x].extend(r)) return false;
    return true;
  });
  if (!ok) return false;
  for (int32_t y = 0; y < out_height_; ++y) {
    if (!v[y].close()) return false;
    v[y].turn(out_width_ - 1);
  }
  return true;
}

bool RstRotate90RLE::rotate270() {
  EdgeVector* v = edges_->data();
  const int32_t last_x = out_height_ - 1;
  bool ok = walk_source("RstRotate90RLE::rotate270()", [v, last_x](int32_t r, int32_t first, int32_t last, bool) {
    for (int32_t x = first; x <= last; ++x)
      if (!v[last_x - x].extend(r)) return false;
    return true;
  });
  if (!ok) return false;
  for (int32_t y = 0; y < out_height_; ++y)
    if (!v[y].close()) return false;
  return true;
}

bool RstRotate90RLE::rotate180() {
  EdgeVector* v = edges_->data();
  const int32_t H = out_height_;
  bool ok = walk_source("RstRotate90RLE::rotate180()", [v, H](int32_t r, int32_t first, int32_t last, bool touches) {
    EdgeVector& e = v[H - 1 - r];
    if (touches) {
      e.items[e.count - 1] = last;
      return true;
    }
    return e.push(first, last);
  });
  if (!ok) return false;
  for (int32_t y = 0; y < H; ++y) v[y].turn(out_width_ - 1);
  return true;
}

int RstRotate90RLE::read(uint8_t* line) {
  if (next_line_ >= out_height_) return 0;
  const EdgeVector& v = (*edges_)[uint32_t(next_line_++)];
  const int32_t end[2] = {-1, -1};
  if (v.count) std::memcpy(line, v.items, size_t(v.count) * sizeof(int32_t));
  std::memcpy(line + size_t(v.count) * sizeof(int32_t), end, sizeof(end));
  return int(v.count + 2) * 4;
}

int RstRotate90RLE::skip(int n) {
  if (n <= 0) return 0;
  int32_t left = out_height_ > next_line_ ? out_height_ - next_line_ : 0;
  if (n > left) n = left;
  next_line_ += n;
  return n;
}
