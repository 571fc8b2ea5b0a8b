// The JFIF flavour of the JPEG header: an APP0 "JFIF" segment (version 1,
// density and its units, an optional RGB thumbnail) or its "JFXX" extension
// (JPEG-coded, palette or RGB thumbnail) gives the resolution; one component
// is gray, more are YCbCr.
#pragma once

#include <cstdint>
#include <memory>

#include "raster/codecs/rst_read_jpeg_header.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_colormap.h"

class RstReadJFIFAppMarker {
 public:
  // The segment bytes after the identifier and its zero byte.
  bool read_JFIF_segment(const uint8_t* bytes, int32_t count);
  bool read_JFXX_segment(const uint8_t* bytes, int32_t count);
  // Reads every JFIF and JFXX record in stream order; the last one decides.
  bool set(const RstReadJPEGMarkerApplicationArray& applications);

  uint32_t marker_code = 0xFFE0;
  uint16_t length = 0;
  uint8_t major_version = 0;
  uint8_t minor_version = 0;
  uint8_t units = 1;  // 0 aspect ratio only, 1 dots per inch, 2 dots per cm
  uint16_t x_density = 0;
  uint16_t y_density = 0;
  uint8_t thumbnail_width = 0;
  uint8_t thumbnail_height = 0;
  int32_t thumbnail_kind = 0;                     // 0 none, 0x10 JPEG-coded, 0x11 palette, 0x13 RGB
  RstCountedPtr<RstColormap> palette;             // kind 0x11: 256 entries, 3 x 8 bits
  std::unique_ptr<MemoryInputStorage> thumbnail;  // the thumbnail bytes

 private:
  // The bytes from `from` on as the thumbnail data; false out of memory.
  bool keep_thumbnail(const uint8_t* from, int32_t count, const char* where);
};

class RstReadJFIFHeader : public RstReadJPEGHeader {
 public:
  // Parses with the interchange flag; no valid JFIF or JFXX segment: -12.
  explicit RstReadJFIFHeader(InputStorage* storage);

  uint32_t x_resolution() const override { return resolution(app_marker.x_density); }
  uint32_t y_resolution() const override { return resolution(app_marker.y_density); }
  RstColorType* rst_color_type() const override;

  RstReadJFIFAppMarker app_marker;

 private:
  // Dots per inch of a density in the segment's units (per cm rounded).
  uint32_t resolution(uint16_t density) const;
};
