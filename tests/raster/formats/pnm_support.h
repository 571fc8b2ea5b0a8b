// Reading the PNM and PAM images the netpbm tools write, for comparing the
// pixels of TIFF files with what libtiff's tifftopnm makes of them.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "page_support.h"

// A PNM or PAM image: its kind, sizes and samples.
struct Pnm {
  std::string kind;
  int width = 0, height = 0, depth = 1, maxval = 1;
  std::vector<uint8_t> data;
  bool operator==(const Pnm&) const = default;
};

inline bool read_pnm(const std::string& path, Pnm& out) {
  std::vector<uint8_t> bytes = file_bytes(path);
  std::string text(bytes.begin(), bytes.end());
  std::istringstream in(text);
  in >> out.kind;
  if (out.kind == "P7") {
    std::string key;
    while (in >> key && key != "ENDHDR") {
      if (key == "WIDTH") in >> out.width;
      else if (key == "HEIGHT") in >> out.height;
      else if (key == "DEPTH") in >> out.depth;
      else if (key == "MAXVAL") in >> out.maxval;
      else if (key == "TUPLTYPE") in >> key;
    }
  } else {
    in >> out.width >> out.height;
    if (out.kind != "P4") in >> out.maxval;
    out.depth = out.kind == "P6" ? 3 : 1;
  }
  if (!in) return false;
  size_t start = size_t(in.tellg()) + 1;
  if (start > bytes.size()) return false;
  out.data.assign(bytes.begin() + long(start), bytes.end());
  return true;
}
