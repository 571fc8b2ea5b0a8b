// The JBIG code writers: sink nodes that pull raw lines from a source and
// write them as T.85 or T.43 code, a JBIG push writer behind a push/pull
// bridge. The TIFF writers use them as the coding chain of a strip.
#pragma once

#include "raster/codecs/rst_jbig_option.h"
#include "raster/core/output_storage.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_write.h"

class RstWriteJBIGT85 {
 public:
  // A coded source (code reader): -5; no source, no output or a closed one:
  // -2; both "RstWriteJBIGT85::create()". Else the push writer's refusals.
  // bit_reverse writes every byte bit-reversed (TIFF FillOrder 2).
  static RstWrite* create(RstRead* source, OutputStorage* output, const RstEncodeJBIGT85Option* option,
                          bool bit_reverse);
};

class RstWriteJBIGT43 {
 public:
  // As RstWriteJBIGT85, with "RstWriteJBIGT43::create()".
  static RstWrite* create(RstRead* source, OutputStorage* output, const RstEncodeJBIGT43Option* option,
                          bool bit_reverse);
};
