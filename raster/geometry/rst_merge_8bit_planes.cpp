// Interleaving of one-channel 8-bit planes.
#include "raster/geometry/rst_merge_8bit_planes.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char kCreate[] = "RstMerge8bitPlanes::create()";

bool plain_plane(const RstHeader& h) {
  return h.bits_per_sample == 8 && h.samples_per_pixel == 1 && !h.colormap && h.data_form == RstDataForm::raw;
}

}  // namespace

RstRead* RstMerge8bitPlanes::create(const std::vector<RstRead*>& planes, RstColorType* color_type) {
  RstCreateGuard guard(planes);
  if (planes.empty() || !color_type) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  if (planes.size() == 1) {
    if (!planes[0]) {
      rst_report(RstCode::no_memory, kCreate);
      return nullptr;
    }
    return rst_create_end(planes[0], guard);
  }
  if (!planes[0]) {
    rst_report(RstCode::no_memory, kCreate);
    return nullptr;
  }
  RstHeader first(planes[0]);
  // Each plane's line lands in its width of the line buffer.
  if (!plain_plane(first) || planes[0]->line_size() != first.width ||
      int64_t(first.width) * int64_t(planes.size()) > INT32_MAX) {
    rst_report(RstCode::unsupported_form, kCreate);
    return nullptr;
  }
  for (size_t k = 1; k < planes.size(); ++k) {
    if (!planes[k]) {
      rst_report(RstCode::no_memory, kCreate);
      return nullptr;
    }
    RstHeader h(planes[k]);
    if (!plain_plane(h) || h.width != first.width || h.height != first.height || planes[k]->line_size() != h.width) {
      rst_report(RstCode::unsupported_form, kCreate);
      return nullptr;
    }
  }
  return rst_create_end_node_or_drop(rst_new<RstMerge8bitPlanes>(planes, color_type), guard);
}

RstMerge8bitPlanes::RstMerge8bitPlanes(const std::vector<RstRead*>& planes, RstColorType* color_type)
    : RstCompose(planes), color_type_(color_type) {
  planes_ = uint32_t(planes.size());
  RstHeader h(planes[0]);
  width_ = uint32_t(h.width);
  line_size_ = planes_ * width_;
}

RstMerge8bitPlanes::~RstMerge8bitPlanes() { rst_free(buffer_); }

void RstMerge8bitPlanes::header(RstHeader& h) {
  input(0)->header(h);
  h.samples_per_pixel = int32_t(planes_);
  h.color_type = color_type_;
}

bool RstMerge8bitPlanes::initiate() {
  buffer_ = static_cast<uint8_t*>(rst_malloc(line_size_ > 0 ? line_size_ : 1));
  if (!buffer_) {
    rst_report(RstCode::no_memory, "RstMerge8bitPlanes::initiate()");
    return false;
  }
  return true;
}

int RstMerge8bitPlanes::read(uint8_t* line) {
  const size_t w = width_, n = planes_;
  for (size_t k = 0; k < n; ++k)
    if (input(k)->read(buffer_ + k * w) != int(w)) return 0;
  if (n == 3) {
    const uint8_t *a = buffer_, *b = buffer_ + w, *c = buffer_ + 2 * w;
    for (size_t x = 0; x < w; ++x, line += 3) {
      line[0] = a[x];
      line[1] = b[x];
      line[2] = c[x];
    }
  } else {
    for (size_t k = 0; k < n; ++k) {
      const uint8_t* p = buffer_ + k * w;
      for (size_t x = 0; x < w; ++x) line[x * n + k] = p[x];
    }
  }
  return int(line_size_);
}

int RstMerge8bitPlanes::skip(int n) {
  int last = 0;
  for (size_t k = 0; k < planes_; ++k) last = input(k)->skip(n);
  return last;
}

void RstMerge8bitPlanes::reset() {
  for (size_t k = 0; k < planes_; ++k) input(k)->reset();
}
