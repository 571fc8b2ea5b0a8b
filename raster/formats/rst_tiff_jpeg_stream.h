// The one place where the TIFF tag readers hand an embedded JPEG stream (the
// JPEGTables field, or the interchange stream of an old-style JPEG page) to the
// JPEG readers. The JPEG probes parse by default; with no parser installed no
// stream parses, and the readers go their quiet way: no tables, no nested
// image, no report.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_tables.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"

// What the TIFF readers take from a parsed JPEG stream.
struct RstTIFFJPEGStream {
  virtual ~RstTIFFJPEGStream() = default;
  int32_t status = 1;         // the JPEG header's status
  RstHeader header;           // the stream's image header
  uint32_t x_resolution = 0;  // dots per inch; 0 when the stream carries none
  uint32_t y_resolution = 0;
  RstCountedPtr<RstJPEGTables> tables;  // the table set of the stream's coding option
};

// Parses the stream at the window's start; a new record the caller owns, or
// none when the stream does not parse.
using RstTIFFJPEGStreamParser = RstTIFFJPEGStream* (*)(InputStorage* window);

RstTIFFJPEGStream* rst_tiff_parse_jpeg_stream(InputStorage* window);
// The default parser: the JPEG probes over the window, the header's image,
// resolution and tables (a kind the stream lacks as empty slots).
RstTIFFJPEGStream* rst_tiff_read_jpeg_stream(InputStorage* window);
// Installs the parser (none: streams never parse); returns the previous one.
RstTIFFJPEGStreamParser rst_tiff_set_jpeg_stream_parser(RstTIFFJPEGStreamParser parser);
