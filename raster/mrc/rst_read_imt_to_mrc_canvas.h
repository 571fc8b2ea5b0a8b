// From an IMS/IMT object image to an MRC canvas. The object image lies in
// one storage, the coded data of its objects in another (the PDF file): each
// canvas object gets a reader of a window over the data storage, and nothing
// is decoded until the canvas is composed.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/mrc/rst_mrc_canvas.h"
#include "raster/mrc/rst_read_ims_header.h"

class RstReadIMTToMRCCanvas {
 public:
  // The canvas, or null. Either storage missing or closed: -2
  // "RstReadIMTToMRCCanvas::create()"; without a header one is read from
  // the header storage (none: -12, same text) and released afterwards; a
  // header passed in stays the caller's.
  static RstMRCCanvas* create(InputStorage* header_storage, InputStorage* data_storage, RstReadIMTHeader* header);
  // The object image read from the storage's position; null when it is none
  // or broken (reported with "RstReadIMTToMRCCanvas::private_header()"
  // except when it is not an object image at all). A header with failed
  // records (status 13) is returned after a warning.
  static RstReadIMTHeader* private_header(InputStorage* storage);
};

class RstReadIMSToMRCCanvasCore {
 public:
  // The canvas of the header's records in paint order, or null (reported
  // with "RstReadIMSToMRCCanvasCore::convert_to_canvas()": -3 for no
  // records, a truncated list, a record failing its kind test or of zero
  // pixel size, a mask without its image; -50 for an unknown tag; -1 when
  // the object list cannot grow). A record of tag 3 whose word 10 is 1 is a
  // mask painted where its delivered bit is clear.
  static RstMRCCanvas* convert_to_canvas(InputStorage* data_storage, const RstReadIMSHeaderCore* header);
  // The reader of one object's data with the object header: raw lines
  // (data form 0) or the coded bytes (MH, MMR, JPEG); null for any other
  // form. A window ending past the data storage: -3, -1 without memory; both
  // "RstReadIMSToMRCCanvasCore::create_object_reader()".
  static RstRead* create_object_reader(InputStorage* data_storage, const RstIMSRecord& record, const RstHeader& header);
  // The coded bytes of a window, data_length of them, as a node that owns
  // the window once initiated; null when the code reader cannot be made.
  static RstRead* create_code_reader(InputStorage* window, const RstHeader& header, int32_t data_length);
};
