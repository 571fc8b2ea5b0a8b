// LZW code streams for the decoder tests: a bit packer for hand-made codes,
// an encoder that follows the decoder's code-width rules (with options to
// clear mid-stream or never), and the GIF sub-block framing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/codecs/rst_stage.h"

// Packs codes of the given widths, least or most significant bit first.
class CodePacker {
 public:
  explicit CodePacker(bool lsb) : lsb_(lsb) {}
  void put(uint32_t code, int width);
  // The bytes, the last one padded with zero bits.
  std::vector<uint8_t> finish();

 private:
  bool lsb_;
  uint64_t bits_ = 0;
  int count_ = 0;
  std::vector<uint8_t> out_;
};

struct LzwEncodeOptions {
  int min_bits = 8;
  int variant = 1;           // 1 TIFF (early change), 7 GIF, other plain
  bool lsb = false;          // GIF is always least significant bit first
  int clear_after = 0;       // a clear code after this many data codes (0: only when full)
  bool never_clear = false;  // keep sending codes with the table full
  bool end_code = true;
};

// The code of data; for GIF framed in sub-blocks with the zero block at the end.
std::vector<uint8_t> lzw_encode(const std::vector<uint8_t>& data, const LzwEncodeOptions& options);
// Bytes framed in GIF sub-blocks of up to 255 bytes, then the zero block.
std::vector<uint8_t> gif_blocks(const std::vector<uint8_t>& bytes, size_t block = 255);

// An 8-bit gray description of width x height.
TolvaneImageInfo gray_info(int32_t width, int32_t height);
