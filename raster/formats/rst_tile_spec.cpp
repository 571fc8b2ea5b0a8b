// Construction of tile spec lists.
#include "raster/formats/rst_tile_spec.h"

#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_tiff_types.h"

namespace {

uint32_t at_or_zero(const std::vector<uint32_t>& list, size_t i) { return i < list.size() ? list[i] : 0; }

}  // namespace

bool RstTileSpecArray::make(size_t n) {
  if (rst_resize(specs_, n)) return true;
  rst_report(-1, "RstTileSpecArray::RstTileSpecArray()");
  return false;
}

RstTileSpecArray::RstTileSpecArray(const RstTileSpecArray& other) {
  if (make(other.specs_.size())) specs_ = other.specs_;
}

RstTileSpecArray::RstTileSpecArray(const std::vector<uint32_t>& offsets, const std::vector<uint32_t>& byte_counts,
                                   uint32_t width, const std::vector<uint32_t>& rows) {
  if (!make(offsets.size())) return;
  for (size_t i = 0; i < offsets.size(); ++i)
    specs_[i] = {at_or_zero(byte_counts, i), width, at_or_zero(rows, i), offsets[i]};
}

RstTileSpecArray::RstTileSpecArray(const std::vector<uint32_t>& byte_counts, uint32_t width, uint32_t rows) {
  if (!make(byte_counts.size())) return;
  for (size_t i = 0; i < byte_counts.size(); ++i) specs_[i] = {byte_counts[i], width, rows, 0};
}

RstTileSpecArray::RstTileSpecArray(const std::vector<uint32_t>& byte_counts, uint32_t width,
                                   const std::vector<uint32_t>& rows) {
  if (!make(byte_counts.size())) return;
  for (size_t i = 0; i < byte_counts.size(); ++i) specs_[i] = {byte_counts[i], width, at_or_zero(rows, i), 0};
}
