// The 1-bit page files both outside raster libraries work on: single-page G4
// TIFFs in reverse gray (a set bit is black) whose strips hold the page's full
// band height, read back into packed rows and written from them. Windows paths
// of the record are resolved to host paths here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A 1-bit image held as packed rows, most significant bit leftmost.
struct PackedRows {
  uint32_t width = 0;     // dots
  uint32_t rowBytes = 0;  // (width + 7) / 8
  uint32_t rows = 0;
  std::vector<uint8_t> bits;  // rows x rowBytes
};

// The host path of a zero-ended ANSI Windows path; empty when it has none.
std::string OutsideHostPath(const char* ansiPath);
// A new empty file with the prefix in the Windows folder, its ANSI Windows
// path in `ansiOut` (260 bytes): false when none can be made.
bool MakeOutsideTempFile(const char* ansiFolder, const char16_t* prefix, char* ansiOut);
bool DeleteOutsideFile(const char* ansiPath);

// Writes the rows as one G4 page with `rowsPerStrip` rows per strip at
// `resolution` dots per inch: false on any failure.
bool WriteOnePageTiff(const std::string& hostPath, const PackedRows& image, uint32_t resolution, uint32_t rowsPerStrip);
// The same page written through the Windows file calls into the file of the
// ANSI Windows path (made or emptied first): false on any failure.
bool WriteOnePageTiffFile(const char* ansiPath, const PackedRows& image, uint32_t resolution, uint32_t rowsPerStrip);
// Reads the first page of a file made by WriteOnePageTiff: false when it is
// not a 1-bit page of `width` dots (any width for 0) that decodes whole.
bool ReadOnePageTiff(const std::string& hostPath, uint32_t width, PackedRows& image);
