// RstTransformColorMatrix: the node that multiplies every pixel by a colour
// matrix, and the factory of the matrix transformers. The matrix works on
// normalised samples (value / largest value), so one matrix serves every
// depth; an affine matrix holds each output's constant term in its last
// column. An exact identity makes no node at all.
#pragma once

#include "raster/color/ct_matrix.h"
#include "raster/color/rst_matrix.h"
#include "raster/color/rst_transform_color.h"

class RstTransformColorMatrix : public RstTransformColor {
 public:
  // The node, the source itself for an identity matrix (color_type then not
  // applied), or null after a report "RstTransformColorMatrix::create()":
  // check's -2 or -3; -50 for samples other than unsigned 8 or 16 bits
  // (then -1 "RstTransformColor::initiate()").
  static RstRead* create(RstRead* source, const RstMatrix<double>& matrix, RstColorType* color_type);

  // The first rule that applies: no source -2; channels other than the
  // matrix's inputs (C - 1 affine, C otherwise) -2; 1 bit per sample or less
  // -3; a non-finite element -2; on 8-bit samples a matrix whose pixel sums
  // could leave 32 bits in fixed point -2; identity 0; otherwise 1.
  static int check(RstRead* source, const RstMatrix<double>& matrix);

  // Not affine, every element and every row sum in [0, 1] (NaN fails).
  static bool is_reducible(const RstMatrix<double>& matrix);

  // A new transformer owned by the caller, reading samples described by
  // input (bits and sample kind): 8 -> 8 in fixed point, 16 -> 16 in double;
  // null after -50 for other samples, after -2 for a matrix without inputs
  // or outputs or one that does not fit the arithmetic (see check), or
  // without a report when memory ran out.
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& input,
                                                    const RstMatrix<double>& matrix);
  // The 8-bit-output form: Out = UIntNBit<8> only; 16-bit input then gives
  // 16 -> 8 transformers, 8-bit input the same as the form above.
  template <class Out>
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& input,
                                                    const RstMatrix<double>& matrix);

  RstTransformColorMatrix(RstRead* source, const RstMatrix<double>& matrix, RstColorType* color_type);
};

template <>
ColorTransformer* RstTransformColorMatrix::create_color_transformer<UIntNBit<8>>(const ColorOutputAttributes& input,
                                                                                 const RstMatrix<double>& matrix);
