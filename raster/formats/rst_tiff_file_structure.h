// The read side of the TIFF file structure: the 8-byte image file header,
// directory entries with their values inline or at an offset, directories and
// the conversion of an entry's values into the forms page headers store.
// Every count, offset and length comes from the file and is checked against
// the input before anything is allocated from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/core/data_input.h"
#include "raster/core/input_storage.h"
#include "raster/formats/rst_tiff_types.h"

using RstTIFFDataInput = DataInput<>;

// The data input's byte order code of a TIFF byte order word ("MM" reverses).
inline int32_t rst_tiff_data_order(uint32_t byte_order) { return byte_order == 0x4D4D ? 0 : 1; }

// Puts the input at a file offset; false when the offset lies beyond the data
// (the input then stands wherever the move stopped).
bool rst_tiff_seek(InputStorage& input, uint32_t offset);
// True when `length` bytes from `offset` lie inside the input.
bool rst_tiff_fits(const InputStorage& input, uint64_t offset, uint64_t length);
// True when an IFD named by another one can lie at `offset`: past the image
// file header and with its entry count inside the input.
inline bool rst_tiff_ifd_offset_usable(const InputStorage& input, uint32_t offset) {
  return offset >= 8 && rst_tiff_fits(input, offset, 2);
}

struct RstTIFFImageFileHeader {
  RstTIFFImageFileHeader() = default;
  RstTIFFImageFileHeader(uint32_t byte_order, uint16_t version, uint32_t first_ifd_offset)
      : byte_order(byte_order), version(version), first_ifd_offset(first_ifd_offset) {}
  uint32_t byte_order = 0x4949;
  uint16_t version = 42;
  uint32_t first_ifd_offset = 8;
};

// Reads the image file header at the input's current position; any version
// is accepted.
bool read_image_file_header(InputStorage* input, RstTIFFImageFileHeader& ifh);

class RstReadTIFFIFDEntry : public RstTIFFTypes {
 public:
  RstReadTIFFIFDEntry() = default;
  RstReadTIFFIFDEntry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value)
      : tag(tag), type(type), count(count), value_word(value) {}

  // Reads one 12-byte entry; a short read is reported (-11) when strict.
  bool read(RstTIFFDataInput& input, bool strict);

  // Bytes of the values, in 64 bits so that a huge count cannot wrap to
  // something that looks inline.
  uint64_t byte_size() const { return uint64_t{type_size(type)} * count; }
  bool values_at_offset() const { return byte_size() > 4; }
  // The single-value form: the first inline value extended to 32 bits, or the
  // stored word itself for several values or values at an offset.
  uint32_t value() const;

  bool read_bytes(RstTIFFDataInput& input, std::vector<uint8_t>& out) const;
  bool read_u16s(RstTIFFDataInput& input, std::vector<uint16_t>& out) const;
  bool read_u32s(RstTIFFDataInput& input, std::vector<uint32_t>& out) const;
  // The characters without one trailing NUL.
  bool read_string(RstTIFFDataInput& input, std::string& out) const;
  // One rational at the value offset; neither type nor count is looked at.
  bool read_rational(RstTIFFDataInput& input, RstRational& out) const;
  // `count` rationals at the value offset.
  bool read_values(RstTIFFDataInput& input, std::vector<RstRational>& out) const;

  uint32_t tag = 0;
  uint32_t type = type_long;
  uint32_t count = 0;
  // Inline values as read (bytes as stored, shorts converted into the two
  // halves, else one converted word), or the offset of the values.
  uint32_t value_word = 0;
};

// The integer converters: the entry's values, whatever their field type's
// group, into a byte, 16-bit, 32-bit or character array.
bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::vector<uint8_t>& out,
                                    const RstReadTIFFIFDEntry& entry);
bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::vector<uint16_t>& out,
                                    const RstReadTIFFIFDEntry& entry);
bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::vector<uint32_t>& out,
                                    const RstReadTIFFIFDEntry& entry);
bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::string& out, const RstReadTIFFIFDEntry& entry);

template <class Entry>
class RstTIFFImageFileDirectory {
 public:
  virtual ~RstTIFFImageFileDirectory() = default;
  uint32_t next_ifd_offset = 0;
  std::vector<Entry> entries;
};

class RstReadTIFFImageFileDirectory : public RstTIFFImageFileDirectory<RstReadTIFFIFDEntry> {
 public:
  // Reads the directory at the input's position and its next-IFD offset;
  // the number of entries (1 to 1024), 0 when there is no directory.
  uint32_t read(RstTIFFDataInput& input, bool strict);
};
