// The header snapshot of the transformer factories.
#include "raster/color/rst_color_attributes.h"

#include "raster/core/rst_header.h"

RstColorAttributes::RstColorAttributes(RstRoot* node) {
  if (!node) return;
  RstHeader h(node);
  bits_ = h.bits_per_sample;
  channels_ = h.samples_per_pixel;
  sample_kind_ = h.sample_kind;
}
