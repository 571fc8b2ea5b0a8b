// RstHeaderTolvane: an image header kept in step with its stage description,
// so that a node's header can be handed to a stage and a stage's description
// taken as a node's header. An indexed description points at the planar
// colormap this object holds.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_stage.h"
#include "raster/core/rst_header.h"

class RstHeaderTolvane : public RstHeader {
 public:
  static constexpr int32_t kPlanarBytes = 3 * 256;

  // An empty header.
  RstHeaderTolvane();
  // The header a description stands for: colour type from the code,
  // channels from it (1 with a colormap, 4 for a four-channel order), bits
  // per sample from the bits per pixel. A description without a channel
  // count (a code outside the table, no colormap, normal order) gives no
  // channels and no bits: usable() is false.
  explicit RstHeaderTolvane(const TolvaneImageInfo& info);
  explicit RstHeaderTolvane(const RstHeader& header);
  // The node's header.
  explicit RstHeaderTolvane(RstRoot* node);
  RstHeaderTolvane(const RstHeaderTolvane& other);
  RstHeaderTolvane& operator=(const RstHeaderTolvane& other);

  // Copy of the description (its colormap points into this object).
  TolvaneImageInfo image_info() const { return info_; }
  // Sets the colour type and the colour code of the description.
  void set_color_type(RstColorType* type);
  // Low 16 bits of the format word.
  uint16_t color_code() const { return static_cast<uint16_t>(info_.format & 0xFFFFu); }
  // True when the header has channels and bits to size a line by.
  bool usable() const { return samples_per_pixel > 0 && bits_per_sample > 0; }

  // Bytes of one line of packed raw samples of the header (0 when it
  // cannot be sized).
  static int32_t packed_line_bytes(const RstHeader& header);
  // True when the colormap (if any) fits the planar buffer: at most 256
  // entries of at most three channels of at most 8 bits.
  static bool colormap_fits(const RstHeader& header);

 private:
  // Derives the description from the header.
  void derive();

  TolvaneImageInfo info_;
  uint8_t planar_[kPlanarBytes];
};
