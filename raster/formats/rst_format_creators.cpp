// The table of creators registered by the colour and geometry folders.
#include "raster/formats/rst_format_creators.h"

RstFormatCreators& rst_format_creators() {
  static RstFormatCreators creators;
  return creators;
}
