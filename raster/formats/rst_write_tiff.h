// The TIFF writer's entry: the check a page option must pass before a page
// is written with it.
#pragma once

#include <cstdint>
#include <string>

#include "raster/core/rst_write.h"
#include "raster/formats/rst_write_tiff_header.h"
#include "raster/formats/rst_write_tiff_multi_page_manager.h"
#include "raster/formats/rst_write_tiff_option.h"

class RstWriteTIFF {
 public:
  // The writer node of one page of `source`, initiated (its IFD written), or
  // none: coded data is copied, raw lines without option or under
  // Compression 1 written as they are, other lines coded. No manager, source
  // or open output: -2 "RstWriteTIFF::create()"; run lines under another
  // Compression than 2, 3, 4: -3 "RstWriteTIFF::create() - link's encode
  // type is invalid."; an option whose header is a mask page goes to the
  // profile M writer as a page of mask and foreground.
  static RstWrite* create(RstRead* source, RstWriteTIFFMultiPageManager* manager, const RstWriteTIFFOption* option);

  // True when a page with this header can be written. Otherwise `status`
  // receives the failure's code and `message` (when given)
  // "RstWriteTIFF::valid_option() - " and the reason; nothing is reported.
  static bool valid_option(RstWriteTIFFHeader& header, int32_t& status, std::string* message);
};

// The library's public way to a TIFF page writer: RstWriteTIFF::create with
// the same arguments, for callers outside the library's node classes.
RstWrite* rst_write_tiff_create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                const RstWriteTIFFOption* option);
