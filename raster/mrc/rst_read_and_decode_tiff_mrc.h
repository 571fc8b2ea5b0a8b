// The page node of a TIFF-FX mixed raster content page: the mask decoded
// strip by strip like any TIFF page, and for every mask strip a small graph
// that selects the foreground layer where the mask bit is set and the
// background layer elsewhere. The page comes out at the mask's size as 8-bit
// ITU Lab.
#pragma once

#include <cstdint>

#include "raster/formats/rst_read_tiff_mrc.h"
#include "raster/formats/rst_read_tiff_strips.h"

class RstReadAndDecodeTIFFMRC : public RstReadTIFFMRC, public RstReadAndDecodeCodeTiles {
 public:
  // The factory behind RstReadTIFFMRC::create: not an MRC mask page or no
  // usable input: -2 "RstReadTIFFMRC::create()"; none.
  static RstRead* create(InputStorage* input, RstReadTIFFHeader* header, bool mask_referenced);

  RstReadAndDecodeTIFFMRC(InputStorage* input, RstReadTIFFHeader* header, bool mask_referenced);

  // The mask's size, 8 bits, 3 samples, ITU Lab, raw lines.
  void header(RstHeader& h) override;
  // Back to the page's first strip.
  void reset() override;
  // The composed lines of the next mask strip; none at the end of the page
  // or when a layer cannot be built. The input vector not allocated: -1
  // "RstReadAndDecodeTIFFMRC::next_link()".
  RstRead* next_link() override;

 private:
  bool mask_referenced_;
};
