// Netpbm files for the cross-checks: reading P4 (packed bits), P5 and P6
// (8 or 16 bits) images, writing them, and the eight ITU charts made by
// jbgtopbm from the jbigkit test data.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

struct PnmImage {
  std::string magic;
  int32_t width = 0, height = 0, maxval = 1;
  std::vector<uint8_t> rows;  // packed rows as in the file
  int32_t stride() const {
    if (magic == "P4") return (width + 7) / 8;
    int32_t bytes = maxval > 255 ? 2 : 1;
    return width * bytes * (magic == "P6" ? 3 : 1);
  }
};

// A P4, P5 or P6 file; false when it cannot be read whole.
inline bool read_pnm(const std::string& path, PnmImage& image) {
  std::ifstream f(path, std::ios::binary);
  f >> image.magic >> image.width >> image.height;
  if (image.magic != "P4") f >> image.maxval;
  f.get();
  if (!f || (image.magic != "P4" && image.magic != "P5" && image.magic != "P6")) return false;
  image.rows.assign(size_t(image.stride()) * size_t(image.height), 0);
  f.read(reinterpret_cast<char*>(image.rows.data()), std::streamsize(image.rows.size()));
  return size_t(f.gcount()) == image.rows.size();
}

inline bool write_pnm(const std::string& path, const PnmImage& image) {
  std::ofstream f(path, std::ios::binary);
  f << image.magic << "\n" << image.width << " " << image.height << "\n";
  if (image.magic != "P4") f << image.maxval << "\n";
  f.write(reinterpret_cast<const char*>(image.rows.data()), std::streamsize(image.rows.size()));
  return bool(f);
}

// The n-th ITU chart (1 to 8) as a P4 file in the test's temporary folder,
// made once per run; its path, empty when jbgtopbm fails.
inline std::string chart_file(int n) {
  std::string pbm = ::testing::TempDir() + "geometry_ccitt" + std::to_string(n) + ".pbm";
  std::ifstream exists(pbm);
  if (exists.good()) return pbm;
  // Made under a name of this process and renamed, so that tests running
  // side by side never see half a file.
  std::string part = pbm + "." + std::to_string(getpid());
  std::string cmd = "jbgtopbm /usr/share/jbigkit-testdata/ccitt" + std::to_string(n) + ".jbg " + part;
  if (std::system(cmd.c_str()) != 0 || std::rename(part.c_str(), pbm.c_str()) != 0) return std::string();
  return pbm;
}

// Runs a shell command that writes a netpbm file, and reads it.
inline bool run_to_pnm(const std::string& cmd, const std::string& out, PnmImage& image) {
  if (std::system(cmd.c_str()) != 0) return false;
  bool ok = read_pnm(out, image);
  std::remove(out.c_str());
  return ok;
}
