// The nearest-entry search behind the inverse colour map.
#include "raster/color/rst_colormap_index_finder.h"

#include <new>

#include "raster/core/rst_status_context.h"

RstColormapIndexFinder::RstColormapIndexFinder(const RstCountedPtr<RstColormap>& colormap) : colormap_(colormap) {
  const RstColormap* map = colormap_.get();
  if (!map || map->bits() != 8 || map->channels() != 3) {
    rst_report(RstCode::bad_argument, "RstColormapIndexFinder::RstColormapIndexFinder()");
    return;
  }
  const uint8_t* data = map->data();
  size_t entries = data && map->entries() > 0 ? size_t(map->entries()) : 0;
  try {
    e0_.resize(entries);
    e1_.resize(entries);
    e2_.resize(entries);
    distances_.resize(entries);
    part_.resize(entries);
  } catch (const std::bad_alloc&) {
    e0_.clear();
    e1_.clear();
    e2_.clear();
    distances_.clear();
    part_.clear();
    rst_report(RstCode::no_memory, "RstColormapIndexFinder::RstColormapIndexFinder()");
    return;
  }
  for (size_t e = 0; e < entries; ++e) {
    e0_[e] = data[3 * e];
    e1_[e] = data[3 * e + 1];
    e2_[e] = data[3 * e + 2];
  }
}

int RstColormapIndexFinder::index(const std::vector<int>& colour) const {
  if (colour.size() != 3) {
    rst_report(RstCode::bad_argument, "RstColormapIndexTable::ColormapIndexFinder::index()");
    return 0;
  }
  return nearest(colour[0], colour[1], colour[2]);
}

int RstColormapIndexFinder::nearest(int c0, int c1, int c2) const {
  const size_t n = e0_.size();
  const int32_t* a = e0_.data();
  const int32_t* b = e1_.data();
  const int32_t* c = e2_.data();
  uint32_t* d = distances_.data();
  // The distances first, in a loop the compiler can vectorise; then the
  // first smallest one. Differences are taken in 64 bits so that colours far
  // outside the sample range cannot overflow.
  for (size_t e = 0; e < n; ++e) {
    int64_t x = int64_t(a[e]) - c0, y = int64_t(b[e]) - c1, z = int64_t(c[e]) - c2;
    d[e] = uint32_t(x * x + y * y + z * z);
  }
  uint32_t best_distance = UINT32_MAX;
  int best = 0;
  for (size_t e = 0; e < n; ++e) {
    if (d[e] < best_distance) {
      best_distance = d[e];
      best = int(e);
    }
  }
  return best;
}

void RstColormapIndexFinder::nearest_run(int c0, int c1, int c2, int step, int n, uint8_t* out) const {
  const size_t entries = e0_.size();
  if (entries == 0) {
    for (int m = 0; m < n; ++m) out[m] = 0;
    return;
  }
  const int32_t* a = e0_.data();
  const int32_t* b = e1_.data();
  const int32_t* c = e2_.data();
  uint32_t* d = distances_.data();
  // Components within 0 .. 255 keep every sum below 2^18: 32-bit lanes. The
  // first two components' part is shared by the whole run.
  std::vector<int32_t>& part = part_;
  for (size_t e = 0; e < entries; ++e) {
    int32_t x = a[e] - c0, y = b[e] - c1;
    part[e] = x * x + y * y;
  }
  for (int m = 0; m < n; ++m) {
    const int32_t z0 = c2 + m * step;
    uint32_t smallest = UINT32_MAX;
    for (size_t e = 0; e < entries; ++e) {
      int32_t z = c[e] - z0;
      d[e] = uint32_t(part[e] + z * z);
      smallest = d[e] < smallest ? d[e] : smallest;
    }
    // The first entry at the smallest distance.
    size_t e = 0;
    while (d[e] != smallest) ++e;
    out[m] = uint8_t(e);
  }
}
