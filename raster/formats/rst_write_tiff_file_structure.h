// The write side of the TIFF file structure: the 8-byte image file header,
// directory entries with their values inline or out of line, and directories
// laid out with every out-of-line block at an even offset. Multi-byte values
// go through a DataOutput that turns them into the file's byte order.
#pragma once

#include <cstdint>

#include "raster/core/data_output.h"
#include "raster/core/output_storage.h"
#include "raster/formats/rst_tiff_file_structure.h"
#include "raster/formats/rst_tiff_types.h"

using RstTIFFDataOutput = DataOutput<>;

class RstWriteTIFFImageFileHeader : public RstTIFFImageFileHeader {
 public:
  explicit RstWriteTIFFImageFileHeader(uint32_t byte_order, uint32_t first_ifd_offset = 8)
      : RstTIFFImageFileHeader(byte_order, 42, first_ifd_offset) {}

  // Bytes written (8), 0 after reporting -11.
  uint32_t write(OutputStorage* output) const;
};

class RstWriteTIFFIFDEntry : public RstTIFFTypes {
 public:
  RstWriteTIFFIFDEntry() = default;
  RstWriteTIFFIFDEntry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value, const void* data = nullptr)
      : tag(tag), type(type), count(count), value(value), data(data) {}

  // Bytes of the values, in 64 bits so that a huge count cannot wrap.
  uint64_t byte_size() const { return uint64_t{type_size(type)} * count; }
  bool values_out_of_line() const { return byte_size() > 4; }

  // Writes the 12 bytes of the entry; out-of-line values are given the even
  // offset at or after `next_block`, which then moves past them.
  bool write(RstTIFFDataOutput& output, uint64_t& next_block);
  // Writes the out-of-line values at the entry's offset, zero-filling up to
  // it when the output ends before.
  bool write_values(RstTIFFDataOutput& output) const;

  uint32_t tag = 0;
  uint32_t type = type_long;
  uint32_t count = 0;
  uint32_t value = 0;          // the value itself, or the offset of the values once written
  const void* data = nullptr;  // the values when they are not in `value`; not owned
};

class RstWriteTIFFImageFileDirectory : public RstTIFFImageFileDirectory<RstWriteTIFFIFDEntry> {
 public:
  // 12N + 6 plus every out-of-line block rounded up to even: the bytes the
  // directory takes when it starts at an even position.
  uint64_t size() const;

  // Writes the directory at the output's position and its out-of-line values
  // behind it. The positions of the StripOffsets (or TileOffsets),
  // StripByteCounts (or TileByteCounts) and JPEGInterchangeFormatLength values
  // go to the three out-positions. The number of entries when everything went
  // out; the index of a failing entry, or 0 when the count, the next-IFD
  // offset, a value block or the fill byte could not be written (reported).
  uint32_t write(RstTIFFDataOutput& output, uint32_t& strip_offsets_position, uint32_t& strip_byte_counts_position,
                 uint32_t& jpeg_interchange_format_length_position);

  uint32_t next_ifd_slot_position = 0;  // where the next-IFD offset was written
};
