// The JPEG probes: each private_header tries one JPEG flavour at the storage's
// position and returns its header when the stream is of that flavour and its
// header parsed (a warning is reported and the header kept). A stream that is
// not of the flavour gives none without a report, so detection can go on.
#pragma once

#include "raster/codecs/rst_read_jfif_header.h"
#include "raster/codecs/rst_read_jpeg_fax_header.h"
#include "raster/codecs/rst_read_jpeg_header.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_read.h"

class RstReadExifJPEGHeader;

class RstReadJPEG {
 public:
  // JFIF, then JPEG fax, then a plain stream, the storage put back before
  // each attempt and at the end. No storage: -2 "RstReadJPEG::private_header()".
  static RstReadJPEGHeader* private_header(InputStorage* storage);
  // Keeps a header of status 1; reports a warning (2 or more) with
  // "RstReadJPEG::check_header()" and keeps the header; releases a header of
  // any other status, reporting it unless it is -12. None: -1.
  static RstReadJPEGHeader* check_header(RstReadJPEGHeader* header);
  // The JPEG reader node over the storage from its position (RstReadJPEG23);
  // the header is not passed on, the node parses the stream itself. No
  // storage: -2 "RstReadJPEG::create()".
  static RstRead* create(InputStorage* storage, RstReadJPEGHeader* header, const RstJPEGOption* option);
  // The same for an Exif JPEG header: its JPEG part (none stays none), no
  // option.
  static RstRead* create(InputStorage* storage, RstReadExifJPEGHeader* header);
};

// The arguments a read-process bridge keeps to build a JPEG reader later.
class RstReadJPEGArgs {
 public:
  explicit RstReadJPEGArgs(RstReadJPEGHeader* header = nullptr, const RstJPEGOption* option = nullptr)
      : header_(header), option_(option) {}
  // RstReadJPEG::create over the storage; the storage stays the caller's.
  RstRead* create_reader(InputStorage* storage) const { return RstReadJPEG::create(storage, header_, option_); }

 private:
  RstReadJPEGHeader* header_;
  const RstJPEGOption* option_;
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
