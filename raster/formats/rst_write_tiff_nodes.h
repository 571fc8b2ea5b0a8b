// The TIFF writer nodes: each writes one page of its source through a
// multi-page manager, the IFD at initiate and then the strips, each strip by
// a fresh chain over a window: RstWriteTIFFCode copies coded bytes,
// RstWriteTIFFRaw writes uncompressed lines, RstEncodeAndWriteTIFF codes
// lines (MH, MR, MMR, PackBits).
#pragma once

#include <cstdint>

#include "raster/codecs/rst_coding_option.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/formats/rst_tiff_types.h"
#include "raster/formats/rst_write_tiff_header.h"
#include "raster/formats/rst_write_tiff_multi_page_manager.h"
#include "raster/formats/rst_write_tiff_option.h"
#include "raster/formats/rst_write_tiles.h"

class RstWriteTIFFBase : public RstTIFFTypes, public RstTIFFFXTypes, public RstTIFF6Types {
 public:
  RstWriteTIFFHeader header;
  RstWriteTIFFMultiPageManager* manager = nullptr;  // not owned
  OutputStorage* output = nullptr;                  // the manager's
  uint8_t first_strip = 1;
  RstCountedPtr<RstCodingOption> coding_option;
};

class RstWriteTIFFBridge : public RstWriteTiles, public RstWriteTIFFBase {
 public:
  RstWriteTIFFBridge(RstNestedProcess* window, RstWriteTIFFMultiPageManager* manager, const RstWriteTIFFOption& page);
  // The page is counted in the manager.
  ~RstWriteTIFFBridge() override;

  // initialize: NewSubfileType by the expected page count, then the header.
  bool initiate() override;
  // The file header of a new file, the link, the IFD; bytes written, 0 on failure.
  uint32_t write_header();
  // Records the previous strip's end and the next strip's start around the
  // generic step.
  bool next_tile() override;
  bool begin_strip();
  bool end_strip();
};

class RstWriteTIFFCode : public RstWriteTIFFBridge {
 public:
  // No manager, source, open output or option: -2; a source of height 0: -3;
  // "RstWriteTIFFCode::create()". A page option that fails gives none.
  static RstWriteTIFFCode* create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                  const RstWriteTIFFOption* option);
  using RstWriteTIFFBridge::RstWriteTIFFBridge;
  RstWrite* create_encoder(RstRead* window, OutputStorage* output) override;
};

class RstWriteTIFFRaw : public RstWriteTIFFBridge {
 public:
  // No manager, source or open output, or an option of another Compression
  // than 1: -2; coded data or a source of height 0: -3; "RstWriteTIFFRaw::create()".
  static RstWriteTIFFRaw* create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                 const RstWriteTIFFOption* option);
  using RstWriteTIFFBridge::RstWriteTIFFBridge;
  void header(RstHeader& h) override;
  RstWrite* create_encoder(RstRead* window, OutputStorage* output) override;
};

class RstEncodeAndWriteTIFF : public RstWriteTIFFBridge {
 public:
  // No manager, source or open output, no option or one of Compression 1:
  // -2; an image the option cannot write or of height 0: -3;
  // "RstEncodeAndWriteTIFF::create()". A Compression without encoder: -50
  // "RstEncodeAndWriteTIFF::create_encoder()". Nothing is written on refusal.
  static RstEncodeAndWriteTIFF* create(RstRead* source, RstWriteTIFFMultiPageManager* manager,
                                       const RstWriteTIFFOption* option);
  using RstWriteTIFFBridge::RstWriteTIFFBridge;
  void header(RstHeader& h) override;
  RstWrite* create_encoder(RstRead* window, OutputStorage* output) override;
  // Whether this writer has a chain for the Compression.
  static bool has_encoder(uint32_t compression);
};

// The bilevel strip chains that page and mask writers share: Compression 3
// (MH, or MR with K 2 at 100 dpi or less and 4 above, by the header's
// T4Options), 4 (MMR) and 9 (T.85 with the coding option when it is one,
// else (128, 0, 0)), bit-reversed for FillOrder 2.
bool rst_tiff_bilevel_strip_compression(uint32_t compression);
// The chain of a strip for one of those Compressions; none for another one
// (not reported) or when a chain cannot be made (reported by it).
RstWrite* rst_tiff_bilevel_strip_writer(const RstWriteTIFFHeader& header, const RstCodingOption* coding,
                                        RstRead* window, OutputStorage* output);
