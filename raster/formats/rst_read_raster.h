// Format detection: the file's format is recognised by its content alone (the
// probes of the format readers, in a fixed order) and the page handed to the
// reader of that format. RstImageInfo::create and page_count (declared with
// RstImageInfo) describe a page; RstReadRaster::create builds its reader.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/core/rst_image_info.h"

class RstRead;

class RstReadRaster {
 public:
  // The reader node of page `page` (1-based), initiated, or null. No storage,
  // a closed one or page 0: -2; nothing recognised: -12; both
  // "RstReadRaster::create()". Probes start at the storage's position.
  static RstRead* create(InputStorage* storage, uint32_t page);
};
