// Writes a window's screen content as an 8-bit RGB PNG through libpng.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include "platform/ui/win_paint.h"

namespace pk::ui {

bool RenderToPngFile(const pk::gdi::Pixels& pixels, const std::string& path) {
  if (pixels.width <= 0 || pixels.height <= 0 || pixels.colour.size() != size_t(pixels.width) * pixels.height)
    return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  std::vector<png_byte> row(size_t(pixels.width) * 3);
  // libpng reports failures by longjmp: nothing with a destructor is made
  // after this point.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::remove(path.c_str());
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(pixels.width), png_uint_32(pixels.height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const COLORREF c = pixels.colour[size_t(y) * pixels.width + x];
      row[3 * x] = GetRValue(c);
      row[3 * x + 1] = GetGValue(c);
      row[3 * x + 2] = GetBValue(c);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace pk::ui
