// The nodes of higher folders (colour, geometry) that the codec writers put
// in front of their encoders. The codecs cannot name those folders, so the
// folders that own the nodes register their creators here; a writer that
// needs a creator nobody has registered reports the gap instead of writing
// other data than asked.
#pragma once

#include <cstdint>

class RstColorType;
class RstRead;

// A convolution kernel: width x height weights, row by row, in 12-bit fixed
// point (4096 is 1.0), and the sample the result belongs to.
struct RstCodecKernel {
  int32_t width = 0;
  int32_t height = 0;
  int32_t anchor_x = 0;
  int32_t anchor_y = 0;
  const int32_t* weights = nullptr;  // null: a kernel without weights
};

struct RstCodecCreators {
  // Channel `channel` of the source as a one-channel 8-bit gray image.
  RstRead* (*select_channel)(RstRead* source, int32_t channel) = nullptr;
  // The source filtered with the kernel (one-channel 8-bit images).
  RstRead* (*convolution_filter)(RstRead* source, const RstCodecKernel& kernel) = nullptr;
  // Three one-channel 8-bit images interleaved into one of the colour type.
  RstRead* (*merge_8bit_planes)(RstRead* first, RstRead* second, RstRead* third, RstColorType* type) = nullptr;
};

// The process-wide table; the folders that own the nodes fill it in.
RstCodecCreators& rst_codec_creators();
