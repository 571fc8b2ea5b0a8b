// The MRC nodes handed to the format readers: the composed page of a TIFF-FX
// mixed raster content mask page.
#include "raster/mrc/rst_mrc_creators.h"

#include "raster/formats/rst_format_creators.h"
#include "raster/mrc/rst_read_and_decode_tiff_mrc.h"

void rst_register_mrc_creators() { rst_format_creators().read_tiff_mrc = &RstReadAndDecodeTIFFMRC::create; }
