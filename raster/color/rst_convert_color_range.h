// RstConvertColorRange: re-encodes linearly encoded samples (encoded Lab)
// from one range to another with one matrix node. An encoding is the affine
// matrix from decoded values to encoded samples (RstLabRange::matrix).
#pragma once
#include "raster/color/rst_matrix.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_read.h"

class RstConvertColorRange {
 public:
  // Decodes with input's inverse and encodes with output. The node, the
  // source itself for an identity, or null after a report: -2 "...\nInput
  // and output channels must be same." for matrices not square and of one
  // size; -2 "...\nInput matrix must be inversible." for an input without
  // an inverse or with a non-finite element; or RstTransformColorMatrix's.
  static RstRead* create(RstRead* source, const RstMatrix<double>& input, const RstMatrix<double>& output,
                         RstColorType* color_type);
  // Applies one conversion matrix, cut down to the source's channels when
  // it has more.
  static RstRead* create(RstRead* source, const RstMatrix<double>& matrix, RstColorType* color_type);
};
