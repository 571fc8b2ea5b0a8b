// render_page FILE PAGE PERCENT MODE ANGLE OUT.ppm: renders page PAGE
// (1-based) of an image file as the preview does (zoom percent, zoom mode 0
// pixels, 1 72 dots per inch, 2 fit; clockwise angle added to the file's
// orientation) and writes the bitmap top-down as a PPM. A failure prints the
// library's code and where-text and ends the program with exit code 2.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "preview/rst_interface.h"
#include "raster/color/rst_color_creators.h"
#include "raster/geometry/rst_geometry_creators.h"

namespace {

int fail(const CRstInterface& bridge, const std::string& text) {
  const CRstInterface::Failure& f = bridge.GetLastFailure();
  if (f.reported) std::fprintf(stderr, "error %d: %s\n", int(f.code), f.where.c_str());
  else std::fprintf(stderr, "%s\n", text.c_str());
  return 2;
}

bool write_ppm(const CRstInterface& bridge, const char* path) {
  const int width = bridge.GetDisplayWidth(), height = bridge.GetDisplayHeight(), stride = bridge.GetRowStride();
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fprintf(f, "P6\n%d %d\n255\n", width, height) > 0;
  std::string row(size_t(width) * 3, '\0');
  // Bitmap rows are bottom-up and blue-green-red.
  for (int y = 0; ok && y < height; ++y) {
    const uint8_t* src = bridge.GetBits() + size_t(height - 1 - y) * size_t(stride);
    for (int x = 0; x < width; ++x) {
      row[size_t(x) * 3] = char(src[x * 3 + 2]);
      row[size_t(x) * 3 + 1] = char(src[x * 3 + 1]);
      row[size_t(x) * 3 + 2] = char(src[x * 3]);
    }
    ok = std::fwrite(row.data(), 1, row.size(), f) == row.size();
  }
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: render_page FILE PAGE PERCENT MODE ANGLE OUT.ppm\n");
    return 2;
  }
  rst_register_color_creators();
  rst_register_geometry_creators();
  const uint32_t page = uint32_t(std::strtoul(argv[2], nullptr, 10));
  CRstInterface bridge;
  if (!bridge.OpenPage(argv[1], page)) return fail(bridge, std::string("cannot open page of ") + argv[1]);
  if (!bridge.RenderPage(argv[1], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), page))
    return fail(bridge, "cannot render the page");
  if (!write_ppm(bridge, argv[6])) {
    std::fprintf(stderr, "cannot write %s\n", argv[6]);
    return 2;
  }
  return 0;
}
