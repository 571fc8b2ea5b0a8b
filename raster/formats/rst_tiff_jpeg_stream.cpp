// The embedded JPEG stream hand-over of the TIFF readers.
#include "raster/formats/rst_tiff_jpeg_stream.h"

namespace {
RstTIFFJPEGStreamParser g_parser = rst_tiff_read_jpeg_stream;
}  // namespace

RstTIFFJPEGStream* rst_tiff_parse_jpeg_stream(InputStorage* window) {
  if (!window || !g_parser) return nullptr;
  return g_parser(window);
}

RstTIFFJPEGStreamParser rst_tiff_set_jpeg_stream_parser(RstTIFFJPEGStreamParser parser) {
  RstTIFFJPEGStreamParser old = g_parser;
  g_parser = parser;
  return old;
}
