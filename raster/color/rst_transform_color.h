// RstTransformColor: the node that runs a colour transformer over every line
// of its source. Its header is the source's with the transformer's output
// layout and a target colour type. Every per-pixel colour node derives from
// it and only picks the transformer; the chain constructor turns a chain of
// transformers into a pipeline of such nodes.
#pragma once

#include <cstdint>

#include "raster/color/color_transformer.h"
#include "raster/color/rst_color_transformer_chain.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_process.h"

class RstTransformColor : public RstProcess {
 public:
  // The node owns transformer from here on: every failure deletes it. A null
  // color_type keeps the source's colour type. Source or transformer missing:
  // -2; source not raw lines: -3; both "RstTransformColor::create()".
  static RstTransformColor* create(RstRead* source, ColorTransformer* transformer, RstColorType* color_type);

  // The node that applies every member of the chain but the last (one node
  // per member, each keeping its source's colour type), the source itself
  // for fewer than two members, or null after a report. On failure the nodes
  // made so far are ended and the source is left to the caller.
  static RstRead* create_previous(RstRead* source, const RstColorTransformerChain& chain);

  // transformer may be null (a subclass that found none); the node then fails
  // at initiate.
  RstTransformColor(RstRead* source, ColorTransformer* transformer, RstColorType* color_type);
  // Built on create_previous(source, chain) with a clone of the chain's last
  // member. When create_previous gives no node the node has no source and
  // fails at initiate.
  RstTransformColor(RstRead* source, const RstColorTransformerChain& chain, RstColorType* color_type);
  ~RstTransformColor() override;

  void header(RstHeader& h) override;
  bool initiate() override;
  int read(uint8_t* line) override;
  int skip(int n) override;
  void reset() override;
  int line_size() override { return output_line_size_; }

  // null: the colour type of the source's header.
  void set_color_type(RstColorType* color_type);
  void set_transformer(ColorTransformer* transformer) { transformer_ = transformer; }
  ColorTransformer* transformer() const { return transformer_; }

 private:
  int input_pixel_bits_ = 0;
  int output_pixel_bits_ = 0;
  int output_line_size_ = 0;
  int input_line_size_ = 0;
  uint8_t* input_line_ = nullptr;
  ColorTransformer* transformer_ = nullptr;
  RstColorType* color_type_ = nullptr;
};
