// Image header copies and the header of a node.
#include "raster/core/rst_header.h"

#include "raster/core/rst_root.h"

RstHeader::RstHeader(RstRoot* node) {
  if (node) node->header(*this);
}

RstHeader& RstHeader::operator=(const RstHeader& other) {
  if (this == &other) return *this;
  width = other.width;
  height = other.height;
  bits_per_sample = other.bits_per_sample;
  samples_per_pixel = other.samples_per_pixel;
  sample_kind = other.sample_kind;
  data_form = other.data_form;
  color_type = other.color_type;
  colormap = other.colormap;
  return *this;
}
