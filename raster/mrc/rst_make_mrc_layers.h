// The splits of an 8-bit ITU Lab page into the layers of a mixed raster
// content page, one per option mode of the MRC page writer: three layers
// over the Halvex mask, mask and foreground for colour text, mask and
// background for text on photographs. Each returns its layers as a vector of
// nodes, empty after a report.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/core/rst_read.h"
#include "raster/mrc/rst_mrc_param.h"

class RstMakeMRC3Layers {
 public:
  // create with RstMRCParamWhiteBG (rows, 4, 1).
  static std::vector<RstRead*> create_white_bg(RstRead* source, int32_t rows);
  // [mask, background, foreground] over page buffers of the page and of the
  // mask. No source or a buffer that cannot be made: -1; a source other than
  // 8 bits, 3 samples, sample kind 0, raw, ITU Lab without colormap: -3;
  // both "RstMakeMRC3Layers::create()".
  static std::vector<RstRead*> create(RstRead* source, const RstMRCParam& param);
};

class RstMakeMRC2LayersFore {
 public:
  // [mask, foreground]: the mask sets L <= 180, the foreground has blocks of
  // 16; the page is read through an 8-line cache. Codes as above with
  // "RstMakeMRC2LayersFore::create()".
  static std::vector<RstRead*> create(RstRead* source);
};

class RstMakeMRC2LayersBack {
 public:
  // [mask, background]: the mask sets dark, nearly neutral pixels (L < 155,
  // chroma within 25), the background fills them from a 5 x 5 window; the
  // page is read through a 27-line cache, the mask through 16 lines. Codes
  // as above with "RstMakeMRC2LayersBack::create()".
  static std::vector<RstRead*> create(RstRead* source);
};
