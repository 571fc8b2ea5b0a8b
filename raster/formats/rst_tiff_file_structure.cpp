// Reading the TIFF image file header, directories and entries, and the value
// converters of entries.
#include "raster/formats/rst_tiff_file_structure.h"

#include <cstring>
#include <limits>
#include <type_traits>

#include "raster/core/rst_status_context.h"

bool rst_tiff_seek(InputStorage& input, uint32_t offset) {
  if (offset > uint32_t(std::numeric_limits<int32_t>::max())) return false;
  int32_t position = int32_t(offset);
  return input.seek(position) == position && input.tell() == position;
}

bool rst_tiff_fits(const InputStorage& input, uint64_t offset, uint64_t length) {
  int32_t size = input.size();
  return size >= 0 && offset <= uint64_t(size) && length <= uint64_t(size) - offset;
}

bool read_image_file_header(InputStorage* input, RstTIFFImageFileHeader& ifh) {
  if (!input) return false;
  uint8_t order[2];
  if (input->read(order, 2) != 2) return false;
  if (!((order[0] == 0x49 && order[1] == 0x49) || (order[0] == 0x4D && order[1] == 0x4D))) return false;
  uint32_t byte_order = order[0] == 0x4D ? 0x4D4D : 0x4949;
  RstTIFFDataInput data(input, rst_tiff_data_order(byte_order));
  uint16_t version = 0;
  uint32_t first = 0;
  if (!data.read_value(&version, 2) || !data.read_value(&first, 4)) return false;
  ifh = RstTIFFImageFileHeader(byte_order, version, first);
  return true;
}

bool RstReadTIFFIFDEntry::read(RstTIFFDataInput& input, bool strict) {
  uint16_t tag16 = 0, type16 = 0;
  bool ok = input.read_value(&tag16, 2);
  ok = input.read_value(&type16, 2) && ok;
  ok = input.read_value(&count, 4) && ok;
  tag = tag16;
  type = type16;
  value_word = 0;
  if (byte_size() > 4) {
    ok = input.read_value(&value_word, 4) && ok;
  } else {
    switch (type) {
      case type_byte:
      case type_ascii:
      case type_sbyte:
      case type_undefined: {
        uint8_t bytes[4] = {0, 0, 0, 0};
        ok = input.read(bytes, 4) == 4 && ok;
        std::memcpy(&value_word, bytes, 4);
        break;
      }
      case type_short:
      case type_sshort: {
        uint16_t halves[2] = {0, 0};
        ok = input.read_value(&halves[0], 2) && ok;
        ok = input.read_value(&halves[1], 2) && ok;
        value_word = uint32_t(halves[0]) | uint32_t(halves[1]) << 16;
        break;
      }
      default: ok = input.read_value(&value_word, 4) && ok; break;
    }
  }
  if (!ok && strict) rst_report(RstCode::io_failure, "RstReadTIFFIFDEntry::read()");
  return ok;
}

uint32_t RstReadTIFFIFDEntry::value() const {
  if (count >= 2 || values_at_offset()) return value_word;
  switch (type) {
    case type_byte:
    case type_ascii:
    case type_undefined: return value_word & 0xFF;
    case type_short: return value_word & 0xFFFF;
    case type_sbyte: return uint32_t(int32_t(int8_t(value_word & 0xFF)));
    case type_sshort: return uint32_t(int32_t(int16_t(value_word & 0xFFFF)));
    default: return value_word;
  }
}

namespace {

// Source group of a field type: the width of one value on file and whether
// it is signed; width 0 for types that belong to no group.
struct Group {
  uint32_t width = 0;
  bool is_signed = false;
};

Group group_of(uint32_t type) {
  switch (type) {
    case RstTIFFTypes::type_byte:
    case RstTIFFTypes::type_ascii:
    case RstTIFFTypes::type_undefined: return {1, false};
    case RstTIFFTypes::type_sbyte: return {1, true};
    case RstTIFFTypes::type_short: return {2, false};
    case RstTIFFTypes::type_sshort: return {2, true};
    case RstTIFFTypes::type_long:
    case RstTIFFTypes::type_ifd: return {4, false};
    case RstTIFFTypes::type_slong: return {4, true};
    default: return {};
  }
}

// One value of the group from its bytes in host order, extended to 32 bits.
uint32_t extend(const uint8_t* p, Group g) {
  if (g.width == 1) return g.is_signed ? uint32_t(int32_t(int8_t(p[0]))) : p[0];
  if (g.width == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return g.is_signed ? uint32_t(int32_t(int16_t(v))) : v;
  }
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

template <class Target>
bool convert_values(RstTIFFDataInput& input, Target& out, const RstReadTIFFIFDEntry& entry) {
  static const char* const where = "rst_read_tiff_ifd_entry_values()";
  using Element = typename Target::value_type;
  Group g = group_of(entry.type);
  if (g.width == 0) {
    rst_report(14, "rst_read_tiff_ifd_entry_values() - unsupported TIFF Tag Type");
    return false;
  }
  uint64_t bytes = uint64_t{g.width} * entry.count;
  bool at_offset = bytes > 4;
  // Values that would lie past the end of the data are refused before any
  // array is sized from the count.
  if (at_offset && !rst_tiff_fits(input, entry.value_word, bytes)) {
    out.clear();
    rst_report(13, where);
    return false;
  }
  size_t n = entry.count;
  if constexpr (std::is_same_v<Target, std::string>) {
    try {
      out.resize(n);
    } catch (const std::exception&) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
  } else {
    if (!rst_resize(out, n)) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
  }
  if (n == 0) return true;
  if (at_offset) {
    std::vector<uint8_t> raw;
    if (!rst_resize(raw, size_t(bytes))) {
      rst_report(RstCode::no_memory, where);
      return false;
    }
    if (rst_tiff_seek(input, entry.value_word)) input.read(raw.data(), int32_t(bytes));
    for (size_t i = 0; i < n; ++i) {
      uint8_t* p = raw.data() + i * g.width;
      input.convert(p, int32_t(g.width));
      out[i] = Element(extend(p, g));
    }
  } else {
    // Inline: the bytes as stored, the two converted halves, or the word.
    uint8_t word[4];
    std::memcpy(word, &entry.value_word, 4);
    for (size_t i = 0; i < n; ++i) out[i] = Element(extend(word + i * g.width, g));
  }
  return true;
}

}  // namespace

bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::vector<uint8_t>& out,
                                    const RstReadTIFFIFDEntry& entry) {
  return convert_values(input, out, entry);
}
bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::vector<uint16_t>& out,
                                    const RstReadTIFFIFDEntry& entry) {
  return convert_values(input, out, entry);
}
bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::vector<uint32_t>& out,
                                    const RstReadTIFFIFDEntry& entry) {
  return convert_values(input, out, entry);
}
bool rst_read_tiff_ifd_entry_values(RstTIFFDataInput& input, std::string& out, const RstReadTIFFIFDEntry& entry) {
  return convert_values(input, out, entry);
}

bool RstReadTIFFIFDEntry::read_bytes(RstTIFFDataInput& input, std::vector<uint8_t>& out) const {
  return rst_read_tiff_ifd_entry_values(input, out, *this);
}
bool RstReadTIFFIFDEntry::read_u16s(RstTIFFDataInput& input, std::vector<uint16_t>& out) const {
  return rst_read_tiff_ifd_entry_values(input, out, *this);
}
bool RstReadTIFFIFDEntry::read_u32s(RstTIFFDataInput& input, std::vector<uint32_t>& out) const {
  return rst_read_tiff_ifd_entry_values(input, out, *this);
}

bool RstReadTIFFIFDEntry::read_string(RstTIFFDataInput& input, std::string& out) const {
  if (!rst_read_tiff_ifd_entry_values(input, out, *this)) return false;
  if (!out.empty() && out.back() == '\0') out.pop_back();
  return true;
}

namespace {

bool read_one_rational(RstTIFFDataInput& input, RstRational& out) {
  uint32_t n = 0, d = 0;
  bool ok = input.read_value(&n, 4);
  ok = ok && input.read_value(&d, 4);
  if (ok) out = {n, d};
  return ok;
}

}  // namespace

bool RstReadTIFFIFDEntry::read_rational(RstTIFFDataInput& input, RstRational& out) const {
  return rst_tiff_seek(input, value_word) && read_one_rational(input, out);
}

bool RstReadTIFFIFDEntry::read_values(RstTIFFDataInput& input, std::vector<RstRational>& out) const {
  static const char* const where = "RstReadTIFFIFDEntry::read_values()";
  if (count != 0 && !rst_tiff_fits(input, value_word, uint64_t{count} * 8)) {
    out.clear();
    rst_report(13, where);
    return false;
  }
  if (!rst_resize(out, count, RstRational{0, 1})) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  if (count == 0) return true;
  if (!rst_tiff_seek(input, value_word)) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (!read_one_rational(input, out[i])) return false;
  return true;
}

uint32_t RstReadTIFFImageFileDirectory::read(RstTIFFDataInput& input, bool strict) {
  uint16_t n = 0;
  if (!input.read_value(&n, 2)) n = 0;
  if (n == 0 || n > 1024) {
    if (strict) rst_report(RstCode::io_failure, "RstReadTIFFImageFileDirectory::read() - can't get # of IFD");
    return 0;
  }
  entries.clear();
  if (!rst_resize(entries, n) || entries.size() < n) {
    rst_report(RstCode::no_memory, "RstReadTIFFImageFileDirectory::read()");
    return 0;
  }
  for (auto& entry : entries) entry.read(input, strict);
  next_ifd_offset = 0;
  if (!input.read_value(&next_ifd_offset, 4)) {
    next_ifd_offset = 0;
    if (strict) rst_report(RstCode::io_failure, "RstReadTIFFImageFileDirectory::read() - can't get Next IFD Offset.");
  }
  return n;
}
