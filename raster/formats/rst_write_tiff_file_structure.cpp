// Writing the TIFF file structure: image file header, entries, directories.
#include "raster/formats/rst_write_tiff_file_structure.h"

#include <algorithm>
#include <cstring>

#include "raster/core/rst_status_context.h"

namespace {

// Positions the storages can reach are 32-bit signed.
constexpr uint64_t max_position = 0x7FFFFFFF;

uint64_t round_even(uint64_t x) { return (x + 1) & ~uint64_t{1}; }

}  // namespace

uint32_t RstWriteTIFFImageFileHeader::write(OutputStorage* output) const {
  static const char* const where = "RstWriteTIFFImageFileHeader::write()";
  if (!output || output->is_closed()) {
    rst_report(RstCode::io_failure, where);
    return 0;
  }
  RstTIFFDataOutput out(output, byte_order == RstTIFFTypes::big_endian ? 0 : 1);
  int32_t start = out.tell();
  // The byte order word reads the same both ways; version and offset follow
  // the order it names.
  uint16_t order = uint16_t(byte_order);
  uint32_t first = first_ifd_offset;
  if (!out.write_value(&order, 2) || !out.write_value(&version, 2) || !out.write_value(&first, 4)) {
    rst_report(RstCode::io_failure, where);
    return 0;
  }
  return uint32_t(out.tell() - start);
}

bool RstWriteTIFFIFDEntry::write(RstTIFFDataOutput& output, uint64_t& next_block) {
  static const char* const where = "RstWriteTIFFIFDEntry::write()";
  uint16_t tag16 = uint16_t(tag);
  uint16_t type16 = uint16_t(type);
  uint32_t count32 = count;
  if (!output.write_value(&tag16, 2) || !output.write_value(&type16, 2) || !output.write_value(&count32, 4)) {
    rst_report(RstCode::io_failure, where);
    return false;
  }
  if (values_out_of_line()) {
    uint64_t offset = round_even(next_block);
    if (offset + byte_size() > max_position) {
      rst_report(RstCode::io_failure, where);
      return false;
    }
    value = uint32_t(offset);
    next_block = offset + byte_size();
    if (!output.write_value(&value, 4)) {
      rst_report(RstCode::io_failure, where);
      return false;
    }
    return true;
  }
  bool ok = true;
  switch (type) {
    case type_byte:
    case type_ascii:
    case type_sbyte:
    case type_undefined: {
      // Bytes stand as they are, left-justified, whatever the byte order.
      uint8_t field[4] = {0, 0, 0, 0};
      std::memcpy(field, data ? data : &value, count);
      ok = output.write(field, 4) == 4;
      break;
    }
    case type_short:
    case type_sshort: {
      uint16_t first = 0, second = 0;
      if (data) {
        const uint16_t* v = static_cast<const uint16_t*>(data);
        if (count >= 1) first = v[0];
        if (count == 2) second = v[1];
      } else {
        first = uint16_t(value);
        if (count == 2) second = uint16_t(value >> 16);
      }
      ok = output.write_value(&first, 2) && output.write_value(&second, 2);
      break;
    }
    case type_long:
    case type_slong:
    case type_float: {
      uint32_t v = value;
      if (data && count >= 1) std::memcpy(&v, data, 4);
      ok = output.write_value(&v, 4);
      break;
    }
    default: return false;  // an 8-byte type without values, or one IFD offset
  }
  if (!ok) rst_report(RstCode::io_failure, where);
  return ok;
}

bool RstWriteTIFFIFDEntry::write_values(RstTIFFDataOutput& output) const {
  static const char* const where = "RstWriteTIFFIFDEntry::write_values()";
  int32_t at = int32_t(value);
  if (output.seek(at) != at || output.tell() != at) {
    // The output ends before the block: grow it with zero bytes.
    int32_t here = output.tell();
    if (here < at) output.skip(at - here);
    if (output.tell() != at) {
      rst_report(RstCode::io_failure, "RstWriteTIFFIFDEntry::write_values() - can't seek.");
      return false;
    }
  }
  uint32_t size = type_size(type);
  if (size == 0 || type == type_ifd) {
    rst_report(RstCode::unsupported_option, "RstWriteTIFFIFDEntry::write_values() - tag value's type is unknown.");
    return false;
  }
  if (!data) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  const uint8_t* p = static_cast<const uint8_t*>(data);
  bool ok = true;
  if (size == 1) {
    uint64_t left = count;
    while (ok && left > 0) {
      int32_t n = int32_t(std::min<uint64_t>(left, 1 << 20));
      ok = output.write(p, n) == n;
      p += n;
      left -= uint64_t(n);
    }
  } else {
    // Rationals are two 4-byte words, each in file order.
    uint32_t unit = (type == type_rational || type == type_srational) ? 4 : size;
    uint64_t units = byte_size() / unit;
    for (uint64_t i = 0; ok && i < units; ++i, p += unit) ok = output.write_value(p, int32_t(unit));
  }
  if (!ok) rst_report(RstCode::io_failure, where);
  return ok;
}

uint64_t RstWriteTIFFImageFileDirectory::size() const {
  uint64_t n = 12 * uint64_t(entries.size()) + 6;
  for (const RstWriteTIFFIFDEntry& e : entries)
    if (e.values_out_of_line()) n += round_even(e.byte_size());
  return n;
}

uint32_t RstWriteTIFFImageFileDirectory::write(RstTIFFDataOutput& output, uint32_t& strip_offsets_position,
                                               uint32_t& strip_byte_counts_position,
                                               uint32_t& jpeg_interchange_format_length_position) {
  static const char* const where = "RstWriteTIFFImageFileDirectory::write()";
  uint64_t start = uint64_t(output.tell());
  uint64_t next_block = start + 12 * uint64_t(entries.size()) + 6;
  uint16_t n = uint16_t(entries.size());
  if (entries.size() > 0xFFFF || !output.write_value(&n, 2)) {
    rst_report(RstCode::io_failure, "RstWriteTIFFImageFileDirectory::write() - can't write # of IFD");
    return 0;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    RstWriteTIFFIFDEntry& e = entries[i];
    if (!e.write(output, next_block)) {
      rst_report(RstCode::io_failure, "RstWriteTIFFImageFileDirectory::write() - can't write IFD Entry");
      return uint32_t(i);
    }
    uint32_t at = e.values_out_of_line() ? e.value : uint32_t(output.tell() - 4);
    if (e.tag == 273 || e.tag == 324) strip_offsets_position = at;
    if (e.tag == 279 || e.tag == 325) strip_byte_counts_position = at;
    if (e.tag == 514) jpeg_interchange_format_length_position = at;
  }
  next_ifd_slot_position = uint32_t(output.tell());
  uint32_t next = next_ifd_offset;
  if (!output.write_value(&next, 4)) {
    rst_report(RstCode::io_failure, "RstWriteTIFFImageFileDirectory::write() - can't write Next IFD Offset.");
    return 0;
  }
  for (const RstWriteTIFFIFDEntry& e : entries)
    if (e.values_out_of_line() && !e.write_values(output)) return 0;
  // The directory ends at an even offset, so whatever follows can start there.
  if ((output.tell() & 1) && output.put(0) != 0) {
    rst_report(RstCode::io_failure, where);
    return 0;
  }
  return n;
}
