// The JPEG-fax flavour of the JPEG header (ITU-T T.4 Annex E): the first
// application segment is APP1 "G3FAX" of version 1994 with the resolution in
// dots per inch; one component is L*, more are CIELAB.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_read_jpeg_header.h"

class RstReadJPEGFAXAppMarker {
 public:
  // Looks at the first application record only.
  bool set(const RstReadJPEGMarkerApplicationArray& applications);

  uint32_t marker_code = 0xFFE0;
  uint16_t version = 0;
  uint16_t resolution = 0;  // dots per inch
};

class RstReadJPEGFaxHeader : public RstReadJPEGHeader {
 public:
  // Parses with the interchange flag; no valid G3FAX segment: -12.
  explicit RstReadJPEGFaxHeader(InputStorage* storage);

  uint32_t x_resolution() const override { return app_marker.resolution; }
  uint32_t y_resolution() const override { return app_marker.resolution; }
  RstColorType* rst_color_type() const override;

  RstReadJPEGFAXAppMarker app_marker;
};
