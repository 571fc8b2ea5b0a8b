// The JPEG probes: each private_header tries one JPEG flavour at the storage's
// position and returns its header when the stream is of that flavour and its
// header parsed (a warning is reported and the header kept). A stream that is
// not of the flavour gives none without a report, so detection can go on.
#pragma once

#include "raster/codecs/rst_read_jfif_header.h"
#include "raster/codecs/rst_read_jpeg_fax_header.h"
#include "raster/codecs/rst_read_jpeg_header.h"
#include "raster/core/input_storage.h"

class RstReadJPEG {
 public:
  // JFIF, then JPEG fax, then a plain stream, the storage put back before
  // each attempt and at the end. No storage: -2 "RstReadJPEG::private_header()".
  static RstReadJPEGHeader* private_header(InputStorage* storage);
  // Keeps a header of status 1; reports a warning (2 or more) with
  // "RstReadJPEG::check_header()" and keeps the header; releases a header of
  // any other status, reporting it unless it is -12. None: -1.
  static RstReadJPEGHeader* check_header(RstReadJPEGHeader* header);
};

class RstReadJFIF {
 public:
  // No storage or a closed one: -2 "RstReadJFIF::private_header()".
  static RstReadJPEGHeader* private_header(InputStorage* storage);
};

class RstReadJPEGFax {
 public:
  // No storage or a closed one: -2 "RstReadJPEGFax::private_header()".
  static RstReadJPEGHeader* private_header(InputStorage* storage);
};
