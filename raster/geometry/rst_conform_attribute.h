// Attribute conforming: a set of images brought to one depth, colour type,
// colormap and line form before one is written into another. The target is
// the richest attribute among them; each image is then wrapped in the
// conversions that give it that attribute. A binarize command supplies the
// step back to 1 bit when the target is bilevel.
#pragma once

#include <vector>

#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"

namespace RstBinarize {

class BinarizeCommand {
 public:
  virtual ~BinarizeCommand() = default;
  // A 1-bit node made from the given one; null after a report, the node left
  // to the caller.
  virtual RstRead* binarize(RstRead* node) = 0;
  // A new command of the same kind, the caller's; null when out of memory.
  virtual BinarizeCommand* clone() const = 0;
};

// Floyd-Steinberg error diffusion of an 8-bit, one-channel raw image.
class EDFloyd : public BinarizeCommand {
 public:
  RstRead* binarize(RstRead* node) override;
  BinarizeCommand* clone() const override;
};

}  // namespace RstBinarize

class RstConformAttribute {
 public:
  // The command is held, not owned. Null: -2
  // "RstConformAttribute::RstConformAttribute()"; the conformer is still
  // made, and a bilevel target then stays at the depth the conversions give.
  explicit RstConformAttribute(RstBinarize::BinarizeCommand* binarize);

  // Replaces the present entries in place by nodes of one attribute. Fewer
  // than two entries, no present one, or every one over the first one's
  // colormap: nothing changes.
  void conform_all(std::vector<RstRead*>& nodes);
  // Wraps node in the conversions to target's attribute. A target depth other
  // than 1 and 8: -50 "RstConformAttribute::conform()". When a conversion
  // fails, the node stays as it was.
  void conform(RstRead*& node, const RstHeader& target);

  // Widens target by one node's attribute: raw lines if either has them, the
  // larger depth, the colour type with more channels.
  static void merge_attribute(RstHeader& target, const RstHeader& h);
  // Both carry colormaps of one depth that are the same object or equal.
  static bool same_colormap(const RstHeader& a, const RstHeader& b);

 private:
  RstBinarize::BinarizeCommand* binarize_;
};
