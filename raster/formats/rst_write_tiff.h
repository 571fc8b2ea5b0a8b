// The TIFF writer's entry: the check a page option must pass before a page
// is written with it.
#pragma once

#include <cstdint>
#include <string>

#include "raster/formats/rst_write_tiff_header.h"

class RstWriteTIFF {
 public:
  // True when a page with this header can be written. Otherwise `status`
  // receives the failure's code and `message` (when given)
  // "RstWriteTIFF::valid_option() - " and the reason; nothing is reported.
  static bool valid_option(RstWriteTIFFHeader& header, int32_t& status, std::string* message);
};
