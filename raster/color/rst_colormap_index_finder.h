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
  // The same search for the n colours (c0, c1, c2 + m x step), m = 0 .. n - 1,
  // into out; every component within 0 .. 255.
  void nearest_run(int c0, int c1, int c2, int step, int n, uint8_t* out) const;

 private:
  RstCountedPtr<RstColormap> colormap_;
  // The entries' first three samples, one array each, so that the distance
  // loop runs over plain arrays.
  std::vector<int32_t> e0_, e1_, e2_;
  mutable std::vector<uint32_t> distances_;
  mutable std::vector<int32_t> part_;
};
