// The GIF reader: the first image of a GIF87a or GIF89a file as 8-bit
// palette indices with the colour table as colormap. A small decoder stage
// parses the file up to the first image descriptor and hands the image data
// to the LZW stage in its GIF variant.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_read_tolvane.h"
#include "raster/codecs/rst_stage.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"

// The GIF decoder stage over the stream from its position: lines first_line
// to first_line + line_count - 1 (cut to the image) of one byte per pixel.
// The error instance of the failure otherwise: -12 not a GIF, -3 no colour
// table, a zero size or a stray block, -1 no memory, or the LZW stage's.
RstInstanceTolvane* rst_gif_open_stage(BrenvoldStream* stream, int32_t first_line, int32_t line_count);
// Entries of the colour table an open GIF stage uses (0 for another stage).
int32_t rst_gif_stage_table_entries(RstInstanceTolvane* stage);

class RstReadGIFHeader : public RstPrivateHeader {
 public:
  // Parses the storage from its position; the storage is left at its start.
  explicit RstReadGIFHeader(InputStorage* storage);

  // 1 good, below 1 the failure (-12: not a GIF).
  int32_t status = 1;
  // 1-bit gray or reversed gray for a two-colour table, else 8-bit indices;
  // data form LZW.
  RstHeader header;
};

class RstReadGIF23 : public RstReadRasterTolvane {
 public:
  static RstReadGIFHeader* private_header(InputStorage* storage);
  // The reader over the whole storage; the header is not used.
  static RstReadGIF23* create(InputStorage* storage, RstReadGIFHeader* header);

  explicit RstReadGIF23(InputStorage* storage) : RstReadRasterTolvane(storage) {}

 protected:
  RstInstanceTolvane* create_stage() override;
  // The colormap holds the table's entries only.
  bool describe() override;
};

// The entries format detection calls.
struct RstReadGIF {
  static RstReadGIFHeader* private_header(InputStorage* storage) { return RstReadGIF23::private_header(storage); }
  static RstRead* create(InputStorage* storage, RstReadGIFHeader* header) {
    return RstReadGIF23::create(storage, header);
  }
};
