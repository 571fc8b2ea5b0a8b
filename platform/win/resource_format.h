// The layout of a resource table, shared by the resource compiler and the
// loader: a resource module file (Tarquen.vbn) is one table; a library
// carries its own table as data behind an exported accessor.
//
//   0  8 bytes  magic "PKRES\0\r\n"
//   8  u16      version (1)
//  10  u16      reserved (0)
//  12  u32      entry count n
//  16  n x 12   directory, sorted by (type, id), no repeats:
//               u16 type, u16 id, u32 offset (from the table start), u32 size
//  ..           data; strings (type 6) are UTF-16LE without a terminator
//
// All numbers are little-endian. The loader checks every offset and size
// before it hands out any resource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace pk::resources {

inline constexpr unsigned char kMagic[8] = {'P', 'K', 'R', 'E', 'S', 0, '\r', '\n'};
inline constexpr uint16_t kVersion = 1;
inline constexpr size_t kHeaderSize = 16;
inline constexpr size_t kEntrySize = 12;
inline constexpr uint16_t kTypeString = 6;
// Accessor a library exports for its own table:
//   extern "C" const unsigned char* PkModuleResources(size_t* size);
inline constexpr char kTableSymbol[] = "PkModuleResources";

struct Entry {
  uint16_t type;
  uint16_t id;
  uint32_t offset;
  uint32_t size;
};

inline uint16_t ReadU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

inline bool HasMagic(const unsigned char* data, size_t size) {
  return size >= sizeof kMagic && std::memcmp(data, kMagic, sizeof kMagic) == 0;
}

// Checks a whole table and lists its directory; false for any damage.
inline bool ParseTable(const unsigned char* data, size_t size, std::vector<Entry>* entries) {
  entries->clear();
  if (!data || size < kHeaderSize || !HasMagic(data, size)) return false;
  if (ReadU16(data + 8) != kVersion) return false;
  uint64_t count = ReadU32(data + 12);
  uint64_t dirEnd = kHeaderSize + count * kEntrySize;
  if (dirEnd > size) return false;
  entries->reserve(static_cast<size_t>(count));
  for (uint64_t i = 0; i < count; ++i) {
    const unsigned char* e = data + kHeaderSize + i * kEntrySize;
    Entry entry{ReadU16(e), ReadU16(e + 2), ReadU32(e + 4), ReadU32(e + 8)};
    if (entry.offset < dirEnd || static_cast<uint64_t>(entry.offset) + entry.size > size) return false;
    if (entry.type == kTypeString && entry.size % 2 != 0) return false;
    if (!entries->empty()) {
      const Entry& prev = entries->back();
      if (entry.type < prev.type || (entry.type == prev.type && entry.id <= prev.id)) return false;
    }
    entries->push_back(entry);
  }
  return true;
}

}  // namespace pk::resources
