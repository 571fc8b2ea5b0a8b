// The geometry nodes handed to the format readers: run-line painting.
#include "raster/geometry/rst_geometry_creators.h"

#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_decode_rle.h"

namespace {
RstRead* decode_rle(RstRead* source) { return RstDecodeRLE::create(source); }
}  // namespace

void rst_register_geometry_creators() { rst_format_creators().decode_rle = &decode_rle; }
