// RstColormapIndexTable: an inverse colour map. The colour cube is cut into
// (2^b)^3 cells; each cell holds the index of the colormap entry nearest to
// its centre, so that reducing a pixel onto the colormap is one look-up.
#pragma once

#include <cstdint>

#include "raster/color/rst_colormap_index_finder.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"

class RstColormapIndexTable {
 public:
  using ColormapIndexFinder = RstColormapIndexFinder;

  // Builds every cell from colormap. b outside 2..8, or a colormap missing,
  // not 8-bit 3-channel, without entries or of more than 256 entries (an
  // index is one byte): -2 "RstColormapIndexTable::RstColormapIndexTable()",
  // cells all 0. Cells not allocated: -1 with the same text, no cells.
  RstColormapIndexTable(const RstCountedPtr<RstColormap>& colormap, int b);
  // Copies the cells and shares the colormap; cells not allocated: -1
  // "RstColormapIndexTable::RstColormapIndexTable()", no cells.
  RstColormapIndexTable(const RstColormapIndexTable& other);
  RstColormapIndexTable& operator=(const RstColormapIndexTable&) = delete;
  ~RstColormapIndexTable();

  // Fills every cell with the entry nearest to the cell's centre.
  void create_by_cmap();

  int cell_bits() const { return cell_bits_; }
  int shift() const { return shift_; }
  int first_shift() const { return first_shift_; }
  int second_shift() const { return second_shift_; }
  const RstCountedPtr<RstColormap>& colormap() const { return colormap_; }
  // The cells, null when they could not be allocated.
  const uint8_t* cells() const { return cells_; }
  int64_t cell_count() const { return cells_ ? cell_count_ : 0; }

  // The cell of a colour: the first component is the most significant.
  uint32_t cell_of(uint32_t c0, uint32_t c1, uint32_t c2) const {
    return ((c0 >> shift_) << first_shift_) | ((c1 >> shift_) << second_shift_) | (c2 >> shift_);
  }
  uint8_t index_of(uint32_t c0, uint32_t c1, uint32_t c2) const { return cells_[cell_of(c0, c1, c2)]; }

 private:
  int cell_bits_;
  int shift_;
  int first_shift_;
  int second_shift_;
  RstCountedPtr<RstColormap> colormap_;
  uint8_t* cells_ = nullptr;
  int64_t cell_count_ = 0;
};
