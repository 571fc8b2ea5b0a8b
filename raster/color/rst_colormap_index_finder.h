// RstColormapIndexFinder: the exhaustive nearest-entry search over an 8-bit,
// 3-channel colormap, by plain squared distance in the colormap's space.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"

class RstColormapIndexFinder {
 public:
  // Shares colormap. Missing, not 8 bits per sample or not 3 channels: -2
  // "RstColormapIndexFinder::RstColormapIndexFinder()", and every search
  // gives 0.
  explicit RstColormapIndexFinder(const RstCountedPtr<RstColormap>& colormap);

  // The entry nearest to colour (exactly three values; otherwise -2
  // "RstColormapIndexTable::ColormapIndexFinder::index()" and 0). Every entry
  // is measured; among equal distances the lowest index wins; no entries: 0.
  int index(const std::vector<int>& colour) const;
  // The same search without the argument check.
  int nearest(int c0, int c1, int c2) const;

 private:
  RstCountedPtr<RstColormap> colormap_;
  // The entries' first three samples, one array each, so that the distance
  // loop runs over plain arrays.
  std::vector<int32_t> e0_, e1_, e2_;
  mutable std::vector<uint32_t> distances_;
};
