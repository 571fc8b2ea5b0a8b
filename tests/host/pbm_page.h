// A bilevel page as tifftopnm writes a page TIFF of a job: P4, bit set is ink.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win/windows.h"

namespace hosttest {

struct PbmPage {
  LONG width = 0, height = 0;
  std::vector<uint8_t> bits;
  bool Ink(LONG x, LONG y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    return (bits[size_t(y) * size_t((width + 7) / 8) + size_t(x / 8)] >> (7 - x % 8)) & 1;
  }
};

inline bool ReadPbmPage(const std::string& path, PbmPage* page) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  in >> magic >> page->width >> page->height;
  in.get();
  if (magic != "P4" || page->width <= 0 || page->height <= 0) return false;
  page->bits.resize(size_t((page->width + 7) / 8) * size_t(page->height));
  in.read(reinterpret_cast<char*>(page->bits.data()), std::streamsize(page->bits.size()));
  return bool(in);
}

}  // namespace hosttest
