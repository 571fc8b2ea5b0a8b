// RstColormap: the colour table of an indexed image. Entries lie one after
// the other with their channels interleaved, packed most significant bit
// first: (bits x channels x entries + 7) / 8 bytes, owned by the colormap.
// Its colour space is the colour type of the header that carries it.
#pragma once

#include <cstdint>

class RstColormap {
 public:
  // Zeroed entries, for the caller to fill.
  RstColormap(int bits, int channels, int entries);
  // Entries copied from data (packed size in bytes).
  RstColormap(int bits, int channels, int entries, const uint8_t* data);
  virtual ~RstColormap();
  RstColormap(const RstColormap&) = delete;
  RstColormap& operator=(const RstColormap&) = delete;

  // Stores the counts and allocates zeroed packed data; on failure reports
  // -1 "RstColormap::init()" and leaves the data empty.
  bool init(int bits, int channels, int entries);

  // Same counts and same packed samples; the unused low bits of the last byte
  // never make two colormaps differ.
  bool operator==(const RstColormap& other) const;
  bool operator!=(const RstColormap& other) const { return !(*this == other); }

  int bits() const { return bits_; }
  int channels() const { return channels_; }
  int entries() const { return entries_; }
  uint8_t* data() { return data_; }
  const uint8_t* data() const { return data_; }
  // Bytes of packed data held (0 when the data could not be allocated).
  int32_t size() const { return data_ ? size_ : 0; }
  // Bits of packed samples: bits x channels x entries (0 without data).
  int64_t sample_bits() const;

 private:
  int bits_ = 0;
  int channels_ = 0;
  int entries_ = 0;
  int32_t size_ = 0;
  uint8_t* data_ = nullptr;
};
