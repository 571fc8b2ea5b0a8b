// The checks of a TIFF page option.
#include "raster/formats/rst_write_tiff.h"

bool RstWriteTIFF::valid_option(RstWriteTIFFHeader& h, int32_t& status, std::string* message) {
  status = 1;
  auto fail = [&](int32_t code, const char* reason) {
    status = code;
    if (message) *message = std::string("RstWriteTIFF::valid_option() - ") + reason;
    return false;
  };
  uint32_t c = h.compression.value();
  if (!h.validate_attributes()) return fail(-2, "invalid parameters.");
  if (h.tile_width != 0) return fail(-50, "tiling is not supported.");
  if ((c == 3 && (h.t4_options & 2)) || (c == 4 && (h.t6_options & 2)))
    return fail(-50, "not supported UncompressedMode in G3 or G4 compression.");
  if (c == 6 && h.strip_count() != 1)
    return fail(-50, "not supported multiple strips in JPEG compression(Compression=6).");
  size_t n = h.ycbcr_subsampling.size();
  if (n != 0 && n != 2) return fail(-2, "sub-sampling's size is illegal.");
  if (c != 6 && c != 7 && n == 2 && (h.ycbcr_subsampling[0] != 1 || h.ycbcr_subsampling[1] != 1))
    return fail(-50, "not supported sub-sampling for non-jpeg.");
  return true;
}
