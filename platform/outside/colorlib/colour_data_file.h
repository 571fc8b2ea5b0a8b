// The colour library's data file: for each conversion mode (1-255) a 17^3
// RGB table. Layout, little-endian:
//   0   8 bytes  "ORVCLX1\0"
//   8   u16      version 1
//   10  u16      grid points, 17
//   12  u16      table count n (at most 255)
//   14  u16      0
//   16  n x 8    directory: u16 mode, u16 0, u32 offset of the mode's table
//   ... tables   17^3 nodes of red, green, blue bytes; the node (r, g, b)
//                at ((r x 17) + g) x 17 + b, node i standing for the input
//                value round(i x 255 / 16)
// The file is read whole and checked before any of it is used.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int kColourGrid = 17;
constexpr size_t kColourTableBytes = size_t(kColourGrid) * kColourGrid * kColourGrid * 3;
constexpr size_t kColourDataMaxBytes = 16 + 255 * 8 + 255 * kColourTableBytes;

using ColourTable = std::vector<uint8_t>;  // kColourTableBytes

struct ColourData {
  std::array<std::shared_ptr<const ColourTable>, 256> tables;  // by mode; 0 has none
};

// Parses a data file: true with the tables, false (data untouched) for a file
// that is not one: bad signature, version or grid, a directory or table that
// does not fit, mode 0 or a mode given twice.
bool ParseColourData(const uint8_t* bytes, size_t size, ColourData* data);
// Reads and parses the file at a host path (at most kColourDataMaxBytes).
bool LoadColourData(const std::string& hostPath, ColourData* data);

// The table that leaves every colour as it is.
const ColourTable& IdentityColourTable();

// Writes a data file from a text description, one mode a line:
//   mode <n> identity
//   mode <n> swap-red-blue
//   mode <n> matrix <9 numbers: rows giving red, green, blue from r, g, b in 0..1>
// '#' starts a comment. False with a message in *error for a bad line.
bool WriteColourData(const std::string& description, std::vector<uint8_t>* out, std::string* error);
