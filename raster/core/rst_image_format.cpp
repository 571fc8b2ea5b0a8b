// Display names of the file formats.
#include "raster/core/rst_image_format.h"

std::string RstImageFormat::name() const {
  static const char* const names[] = {
      "TIFF",       "JFIF", "JPEG_FAX", "SunRaster", "WindowsBitmap", "CALSRasterType1", "PNG",   "GIF",
      "EDMICS-MMR", "EXIF", "RTL",      "MNG",       "PDF",           "EDMICS-RLC",      "Kelvor"};
  constexpr int32_t count = sizeof names / sizeof names[0];
  return code >= 0 && code < count ? names[code] : "Unknown";
}
