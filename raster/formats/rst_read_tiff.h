// The entry of TIFF reading: the private header of a page (checked against the
// format enables of the status context) and the node that delivers the page's
// lines, with the conversions every consumer relies on: run lines painted into
// 1-bit rows and 1-bit colour widened to bytes.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "raster/formats/rst_tiff_types.h"

class RstRead;

class RstReadTIFF : public RstTIFFTypes, public RstTIFFFXTypes, public RstTIFF6Types {
 public:
  virtual ~RstReadTIFF() = default;

  // The first page with every following page of the chain linked to it, or
  // none. A missing or closed input: -2 "RstReadTIFF::private_header()".
  static RstReadTIFFHeader* private_header(InputStorage* input, int32_t level);
  // Page `page` (1-based; 0 = the form above), or none; a page beyond the
  // chain gives none without a report.
  static RstReadTIFFHeader* private_header(InputStorage* input, uint32_t page, int32_t level);

  // The page's reader node, or none. Without a header the first page is parsed
  // here (and keep_rle is then false). The header stays the caller's.
  static RstRead* create(InputStorage* input, RstReadTIFFHeader* header, bool keep_rle);
  // One ordinary IFD with run lines painted; no enables, no colour steps.
  static RstRead* create(InputStorage* input, RstReadTIFFHeader* header);

  // The enables and the header's status: true when the page may be read.
  static bool check_page(RstReadTIFFHeader* header, const char* where);
};
