// Tile specs: where each strip of a TIFF page lies in the file, how many bytes
// it has and how many pixels wide and lines high it is. Headers make the list,
// strip readers and writers walk it; it is shared through a counted pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct RstTileSpec {
  uint32_t byte_count = 0;  // 0: not given
  uint32_t width = 0;
  uint32_t rows = 0;
  uint32_t offset = 0;  // 0: not given yet
  bool operator==(const RstTileSpec&) const = default;
};

class RstTileSpecArray {
 public:
  RstTileSpecArray(const RstTileSpecArray& other);
  // One entry per offset. A byte count or row count missing from a shorter
  // list is taken as 0: no entry reads past its list.
  RstTileSpecArray(const std::vector<uint32_t>& offsets, const std::vector<uint32_t>& byte_counts, uint32_t width,
                   const std::vector<uint32_t>& rows);
  // One entry per byte count, every one `rows` lines high, offsets not given.
  RstTileSpecArray(const std::vector<uint32_t>& byte_counts, uint32_t width, uint32_t rows);
  // One entry per byte count with its own rows (0 past a shorter rows list).
  RstTileSpecArray(const std::vector<uint32_t>& byte_counts, uint32_t width, const std::vector<uint32_t>& rows);
  virtual ~RstTileSpecArray() = default;
  RstTileSpecArray& operator=(const RstTileSpecArray&) = delete;

  uint32_t size() const { return uint32_t(specs_.size()); }
  const RstTileSpec& operator[](uint32_t i) const { return specs_[i]; }
  RstTileSpec& operator[](uint32_t i) { return specs_[i]; }

 private:
  // Makes n zeroed entries; on failure reports -1 and leaves the list empty.
  bool make(size_t n);

  std::vector<RstTileSpec> specs_;
};
