// The node of one ordinary TIFF page: the choice between the raw strip reader
// and the decoder chain, the predictor undo on top, and the decoder chain
// itself, which builds for every strip the decoder its Compression names over
// that strip's bytes and checks what the decoder delivers against the strip.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/codecs/rst_coding_option.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/formats/rst_read_tiles.h"

class RstReadTIFFOneIFD : public RstReadTIFF {
 public:
  // Input or header missing: -2; a Compression without a reader: -305; a page
  // of width or length 0, or whose row or run line exceeds 2^31 - 1 bytes: -3;
  // bits per sample other than 1, 2, 4, 8, 16, or samples per pixel 0 or above
  // 4 plus the extra samples: -50; all "RstReadTIFFOneIFD::create()". Checked
  // before any buffer is sized. A failing predictor undo gives no node.
  static RstRead* create(InputStorage* input, RstReadTIFFHeader* header);
};

class RstReadTIFFRaw {
 public:
  // The raw strip reader of a Compression 1 page; else -2 "RstReadTIFFRaw::create()".
  static RstRead* create(InputStorage* input, RstReadTIFFHeader* header);
};

class RstReadAndDecodeCodeTiles : public RstReadTilesAndAlignX {
 public:
  RstReadAndDecodeCodeTiles(InputStorage* input, const RstHeader& header, const RstCountedPtr<RstTileSpecArray>& specs,
                            const RstCountedPtr<RstCodingOption>& option, bool reverse_bits);

  // The page header with the coding the chain delivers: MH, MR, MMR give run
  // lines, the other decoders raw lines; a coding without decoder says raw and
  // reports -305 "RstReadAndDecodeCodeTiles::header()".
  void header(RstHeader& h) override;
  // The band node's line size, asked once; the page's own bound while no band
  // node can be made.
  int line_size() override;
  // The decoder of the next strip, checked against the strip's header.
  RstRead* next_link() override;

 protected:
  // The decoder of the current spec's strip over its window.
  RstRead* decoder(const RstHeader& expected);

  int32_t line_size_ = 0;
  RstCountedPtr<RstCodingOption> option_;
};

class RstReadAndDecodeTIFFCode : public RstReadTIFFOneIFD, public RstReadAndDecodeCodeTiles {
 public:
  // Input or header missing: -2 "RstReadAndDecodeTIFFCode::create()".
  static RstReadAndDecodeTIFFCode* create(InputStorage* input, RstReadTIFFHeader* header);

  RstReadAndDecodeTIFFCode(InputStorage* input, const RstHeader& header, const RstCountedPtr<RstTileSpecArray>& specs,
                           const RstCountedPtr<RstCodingOption>& option, bool reverse_bits,
                           const std::vector<uint16_t>& ycbcr_subsampling);

  // Uncompressed strips of a subsampled YCbCr or Lab page go through the
  // chroma upsampler (an unknown subsampling: -50
  // "RstReadAndDecodeTIFFCode::next_link()"); every other strip to its decoder.
  RstRead* next_link() override;

 private:
  std::vector<uint16_t> ycbcr_subsampling_;
};
