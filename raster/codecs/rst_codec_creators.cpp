// The table of creators registered by the colour and geometry folders.
#include "raster/codecs/rst_codec_creators.h"

RstCodecCreators& rst_codec_creators() {
  static RstCodecCreators creators;
  return creators;
}
