// A straightforward LZW encoder for the decoder tests.
#include "lzw_support.h"

#include <algorithm>
#include <map>
#include <utility>

void CodePacker::put(uint32_t code, int width) {
  if (lsb_) {
    bits_ |= uint64_t{code} << count_;
    count_ += width;
    while (count_ >= 8) {
      out_.push_back(static_cast<uint8_t>(bits_));
      bits_ >>= 8;
      count_ -= 8;
    }
  } else {
    bits_ = (bits_ << width) | code;
    count_ += width;
    while (count_ >= 8) {
      out_.push_back(static_cast<uint8_t>(bits_ >> (count_ - 8)));
      count_ -= 8;
    }
    bits_ &= (uint64_t{1} << count_) - 1;
  }
}

std::vector<uint8_t> CodePacker::finish() {
  if (count_ > 0) out_.push_back(static_cast<uint8_t>(lsb_ ? bits_ : bits_ << (8 - count_)));
  count_ = 0;
  bits_ = 0;
  return std::move(out_);
}

std::vector<uint8_t> lzw_encode(const std::vector<uint8_t>& data, const LzwEncodeOptions& o) {
  const bool gif = o.variant == 7;
  const uint32_t clear = 1u << o.min_bits;
  const uint32_t end = clear + 1;
  const int initial = o.min_bits == 1 ? 3 : o.min_bits + 1;
  const int early = o.variant == 1 ? 1 : 0;
  // The encoder clears where its peers do: TIFF when the next code reaches
  // 4094, GIF with the table full.
  const uint32_t full = o.variant == 1 ? 4094 : 4096;
  CodePacker packer(gif || o.lsb);
  std::map<std::pair<uint32_t, uint8_t>, uint32_t> table;
  int width = initial;
  uint32_t next = clear + 2;          // the encoder's next entry
  uint32_t decoder_next = clear + 2;  // the decoder's, one code behind
  uint32_t limit = (1u << width) - early;
  bool first = true;
  int since_clear = 0;

  auto restart = [&] {
    packer.put(clear, width);
    table.clear();
    width = initial;
    next = decoder_next = clear + 2;
    limit = (1u << width) - early;
    first = true;
    since_clear = 0;
  };
  // Sends a data code, then follows what the decoder does on reading it.
  auto send = [&](uint32_t code) {
    packer.put(code, width);
    ++since_clear;
    if (first) {
      first = false;
      return;
    }
    if (decoder_next == 4096) return;
    ++decoder_next;
    if (decoder_next == limit && decoder_next != 4096 && width < 12) {
      ++width;
      limit = (1u << width) - early;
    }
  };

  restart();
  if (!data.empty()) {
    uint32_t prefix = data[0];
    for (size_t i = 1; i < data.size(); ++i) {
      uint8_t c = data[i];
      auto it = table.find({prefix, c});
      if (it != table.end()) {
        prefix = it->second;
        continue;
      }
      send(prefix);
      if (next < 4096) table[{prefix, c}] = next++;
      prefix = c;
      if ((!o.never_clear && next >= full) || (o.clear_after && since_clear >= o.clear_after)) restart();
    }
    send(prefix);
  }
  if (o.end_code) packer.put(end, width);
  std::vector<uint8_t> bytes = packer.finish();
  return gif ? gif_blocks(bytes) : bytes;
}

std::vector<uint8_t> gif_blocks(const std::vector<uint8_t>& bytes, size_t block) {
  std::vector<uint8_t> out;
  for (size_t at = 0; at < bytes.size(); at += block) {
    size_t n = std::min(block, bytes.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + n));
  }
  out.push_back(0);
  return out;
}

TolvaneImageInfo gray_info(int32_t width, int32_t height) {
  TolvaneImageInfo info;
  info.width = width;
  info.height = height;
  info.format = (8u << 16) | 0x48;
  info.component_order = TolvaneOrder::normal;
  return info;
}
