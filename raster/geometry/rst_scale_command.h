// Scaling by command: RstScale::create scales a node to a size with the
// method a small command object chooses. The commands hold no state; a caller
// keeps them on its stack and may clone them.
#pragma once

#include <cstdint>

#include "raster/core/rst_read.h"

class RstScale {
 public:
  class ScaleCommand {
   public:
    virtual ~ScaleCommand() = default;
    // Builds the scaling chain over source; its last node, or null (the
    // source left to the caller).
    virtual RstRead* scale(RstRead* source, int32_t width, int32_t height) = 0;
    // A new heap copy of the same command.
    virtual ScaleCommand* clone() const = 0;
  };

  // RstScaleNN::create.
  class NearestNeighbor : public ScaleCommand {
   public:
    RstRead* scale(RstRead* source, int32_t width, int32_t height) override;
    ScaleCommand* clone() const override;
  };

  // RstScaleLI::create over the source with 1-bit samples widened to 0 and
  // 255 and a colormap applied, so that any 1-bit, 8-bit or indexed image
  // is interpolated as direct 8-bit samples.
  class Linear : public ScaleCommand {
   public:
    RstRead* scale(RstRead* source, int32_t width, int32_t height) override;
    ScaleCommand* clone() const override;
  };

  // RstScaleLightness::create with the darkest pixel kept.
  class MinLightness : public ScaleCommand {
   public:
    RstRead* scale(RstRead* source, int32_t width, int32_t height) override;
    ScaleCommand* clone() const override;
  };

  // RstScaleOR::create: bilevel only.
  class BinaryOr : public ScaleCommand {
   public:
    RstRead* scale(RstRead* source, int32_t width, int32_t height) override;
    ScaleCommand* clone() const override;
  };

  // command.scale(source, width, height); the command is not kept. No
  // source, width 0 or height 0: -2 "RstScale::create()" and no command call.
  static RstRead* create(RstRead* source, int32_t width, int32_t height, ScaleCommand& command);
};
