// The layers of one strip of a TIFF-FX mixed raster content page: the bands
// of the child images that meet the strip pasted in list order over a default
// layer, each band a child image placed at its position and resolution on
// the page over its DefaultImageColor, and the default layers themselves.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"
#include "raster/formats/rst_read_tiff_mrc.h"
#include "raster/mrc/rst_rect.h"

class RstReadTIFFMRCChild {
 public:
  using ChildHeader = RstReadTIFFMRC::RstReadTIFFMRCChildHeader;

  // Children wider than this many columns once placed are not composed.
  static constexpr int64_t max_placed_width = int64_t{1} << 24;

  // The layer of the strip from its children (the i-th child read through
  // the i-th storage), of the strip's size. mask: the strip's mask lines,
  // used with mask-referenced scaling only; taken over in every case (may be
  // null without the option). First child failing the child test (storage
  // closed, no header, empty strip, neither background nor foreground): -2;
  // a child without a usable resolution or position, or placed beyond 2^31 -
  // 1 rows: -3; both "RstReadTIFFMRCChild::create()".
  static RstRead* create(const RstReadTIFFMRC::Storages& storages, const RstReadTIFFMRC::ChildList& children,
                         const RstRect& strip, RstRead* mask, double x_resolution, double y_resolution,
                         bool mask_referenced);
  // The band of one child, of the band's size: its DefaultImageColor (or
  // the layer's default colour) with the child image pasted at its place.
  // strip: the page rows of the mask lines (mask-referenced scaling). The
  // child test: -2; a DefaultImageColor count other than the samples per
  // pixel, an unusable resolution or position, a placed size too large: -3;
  // "RstReadTIFFMRCChild::create()".
  static RstRead* create(InputStorage* storage, ChildHeader* child, const RstRect& band, RstRead* mask,
                         double x_resolution, double y_resolution, bool mask_referenced, const RstRect& strip);
  // A constant layer: (255, 128, 96) for the background, (0, 128, 96) for
  // the foreground, 8-bit ITU Lab. An empty rectangle: -2
  // "RstReadTIFFMRCChild::create()".
  static RstRead* create(const RstRect& rect, bool background);
};
