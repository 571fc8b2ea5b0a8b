// Reading built TIFF files in the tests.
#pragma once

#include <memory>
#include <vector>

#include "raster/core/byte_array_storage.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "tiff_builder.h"

// The first IFD of a one-page file of `entries`, read at `level`; `result`
// receives what the IFD read returned.
inline std::unique_ptr<RstReadTIFFFXHeader> read_ifd(const std::vector<TiffEntry>& entries, int32_t level,
                                                     uint32_t* result = nullptr, bool big_endian = false) {
  TiffBuilder b(big_endian);
  b.add_ifd(entries);
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  auto h = std::make_unique<RstReadTIFFFXHeader>();
  uint32_t r = h->read(&in, b.byte_order(), 8, false, level);
  if (result) *result = r;
  return h;
}

// Offsets of the IFDs of a little-endian file's chain, in order.
inline std::vector<uint32_t> chain_offsets(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> offsets;
  ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
  RstTIFFDataInput data(&in, 1);
  RstReadTIFFImageFileDirectory dir;
  uint32_t offset = uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 | uint32_t(bytes[7]) << 24;
  while (offset != 0 && offsets.size() < 100 && in.seek(int32_t(offset)) == int32_t(offset)) {
    offsets.push_back(offset);
    if (dir.read(data, false) == 0) break;
    offset = dir.next_ifd_offset;
  }
  return offsets;
}

// Entries of `base` with `extra` added (an entry of the same tag replaced).
inline std::vector<TiffEntry> with(std::vector<TiffEntry> base, const std::vector<TiffEntry>& extra) {
  for (const TiffEntry& e : extra) {
    bool replaced = false;
    for (TiffEntry& b : base)
      if (b.tag == e.tag) {
        b = e;
        replaced = true;
      }
    if (!replaced) base.push_back(e);
  }
  return base;
}

// Entries of `base` without the given tags.
inline std::vector<TiffEntry> without(std::vector<TiffEntry> base, const std::vector<uint16_t>& tags) {
  std::vector<TiffEntry> out;
  for (const TiffEntry& e : base) {
    bool drop = false;
    for (uint16_t t : tags) drop = drop || e.tag == t;
    if (!drop) out.push_back(e);
  }
  return out;
}
