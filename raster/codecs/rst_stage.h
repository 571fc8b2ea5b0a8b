// The codec stage protocol: procedural codecs (LZW, JPEG, the JBIG adapters)
// are stages with a status and three operations (describe the image, pass
// one line, close) that exchange a small image description with colour codes
// of their own. Reader nodes wrap stages, and a reader node is a stage itself.
#pragma once

#include <cstdint>

class RstColorType;

// The image a stage delivers or receives.
struct TolvaneImageInfo {
  int32_t width = 0;
  int32_t height = 0;
  // High 16 bits: bits per pixel (all channels); low 16 bits: colour code.
  uint32_t format = 0;
  // 0x00010200 is the normal order; the four-channel orders are below.
  uint32_t component_order = 0;
  // Planar 3 x 256 bytes (all first-channel values, then the second, then
  // the third), or null for an image without colormap. Not owned.
  uint8_t* colormap = nullptr;
};

namespace TolvaneOrder {
inline constexpr uint32_t normal = 0x00010200;
// True for the four orders with one 0xFF byte, which mean four channels.
bool is_four_channel(uint32_t order);
}  // namespace TolvaneOrder

namespace TolvaneColorCode {
inline constexpr uint16_t rgb = 0x0008;
inline constexpr uint16_t icc_lab = 0x0025;
inline constexpr uint16_t itu_lab = 0x0027;
inline constexpr uint16_t ycbcr = 0x0028;
inline constexpr uint16_t icc_lstar = 0x0047;
inline constexpr uint16_t gray = 0x0048;
inline constexpr uint16_t gray_reverse = 0x0049;
inline constexpr uint16_t cmyk = 0x0060;
inline constexpr uint16_t none = 0xFFFF;

// The code of a colour type; none for a type outside the table (or null).
uint16_t from_color_type(const RstColorType* type);
// The colour type of a code (its low 16 bits, compared as a signed 16-bit
// value); the plain type without channels for a code outside the table.
RstColorType* to_color_type(uint32_t code);
}  // namespace TolvaneColorCode

// The head of every stage. status: 1 ready, below 1 failed (a status code),
// above 1 a warning. Operation results follow the same rule.
class RstInstanceTolvane {
 public:
  RstInstanceTolvane() = default;
  RstInstanceTolvane(const RstInstanceTolvane&) = delete;
  RstInstanceTolvane& operator=(const RstInstanceTolvane&) = delete;

  // A decoding stage fills the description of its image; an encoding stage
  // receives its header record here (its first words are a description).
  virtual int32_t info(TolvaneImageInfo* info) = 0;
  // A decoding stage writes the next line; an encoding stage consumes one.
  virtual int32_t line(uint8_t* buffer) = 0;
  // Ends the stage. A procedural stage frees itself; a reader node used as
  // a stage stays alive.
  virtual int32_t close() = 0;

  int32_t status = 1;

 protected:
  virtual ~RstInstanceTolvane() = default;
};

// A stage whose status is the given code and whose info and line return it;
// close frees it. Null only when even this could not be allocated.
RstInstanceTolvane* rst_create_error_instance(int32_t status);

// Closes a stage: its close result, or -2 for a null stage.
int32_t rst_close_instance(RstInstanceTolvane* instance);
