// The inverse colour map: cells filled once by exhaustive search.
#include "raster/color/rst_colormap_index_table.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

const char* const kTable = "RstColormapIndexTable::RstColormapIndexTable()";

}  // namespace

RstColormapIndexTable::RstColormapIndexTable(const RstCountedPtr<RstColormap>& colormap, int b)
    : cell_bits_(b), shift_(8 - b), first_shift_(2 * b), second_shift_(b), colormap_(colormap) {
  // Cells for b up to 8 only: a larger b would ask for 2^27 bytes or more of
  // cells that stay 0; such a table has no cells and every user refuses it.
  bool bits_fit = b > 1 && b <= 8;
  if (b >= 1 && b <= 8) {
    cell_count_ = int64_t(1) << (3 * b);
    cells_ = static_cast<uint8_t*>(rst_calloc(size_t(cell_count_)));
    if (!cells_) {
      rst_report(RstCode::no_memory, kTable);
      return;
    }
  }
  const RstColormap* map = colormap_.get();
  // Indices are stored as one byte: at most 256 entries, and at least one for
  // an index to mean anything.
  bool map_fits =
      map && map->bits() == 8 && map->channels() == 3 && map->data() && map->entries() > 0 && map->entries() <= 256;
  if (!bits_fit || !map_fits) {
    rst_report(RstCode::bad_argument, kTable);
    return;
  }
  create_by_cmap();
}

RstColormapIndexTable::RstColormapIndexTable(const RstColormapIndexTable& other)
    : cell_bits_(other.cell_bits_),
      shift_(other.shift_),
      first_shift_(other.first_shift_),
      second_shift_(other.second_shift_),
      colormap_(other.colormap_) {
  if (!other.cells_) return;
  cells_ = static_cast<uint8_t*>(rst_malloc(size_t(other.cell_count_)));
  if (!cells_) {
    rst_report(RstCode::no_memory, kTable);
    return;
  }
  cell_count_ = other.cell_count_;
  std::memcpy(cells_, other.cells_, size_t(cell_count_));
}

RstColormapIndexTable::~RstColormapIndexTable() { rst_free(cells_); }

void RstColormapIndexTable::create_by_cmap() {
  if (!cells_) return;
  ColormapIndexFinder finder(colormap_);
  const int n = 1 << cell_bits_;
  // The centre of a cell: half a cell width past its lowest colour; a cell
  // of one colour is its own centre.
  const int h = shift_ > 0 ? 1 << (shift_ - 1) : 0;
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      uint8_t* row = cells_ + ((uint32_t(j) << first_shift_) | (uint32_t(i) << second_shift_));
      // One run of cells along the last component per (j, i).
      finder.nearest_run(h + (j << shift_), h + (i << shift_), h, 1 << shift_, n, row);
    }
  }
}
