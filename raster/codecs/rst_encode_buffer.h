// The output buffers of the encoders: RstEncodeBuffer stores bytes into a
// caller's buffer up to its capacity, and the bit writer on it packs codes most
// significant bit first, keeping the bits of a partly filled byte pending.
#pragma once

#include <cstdint>
#include <cstring>

class RstEncodeBuffer {
 public:
  RstEncodeBuffer(uint8_t* data, int32_t capacity) : data(data), capacity(capacity < 0 ? 0 : capacity) {}
  virtual ~RstEncodeBuffer() = default;

  // Stores a byte and returns 1; at capacity stores nothing and returns -1.
  int put_char(uint8_t c) {
    if (count >= capacity) return -1;
    data[count++] = c;
    return 1;
  }
  // Stores n bytes, as many as fit; the number stored.
  int32_t put_bytes(const uint8_t* bytes, int32_t n) {
    int32_t room = capacity - count;
    if (n > room) n = room;
    if (n > 0) {
      std::memcpy(data + count, bytes, static_cast<size_t>(n));
      count += n;
    }
    return n;
  }
  int32_t room() const { return capacity - count; }

  uint8_t* data;
  int32_t capacity;
  int32_t count = 0;
};

// Bits written most significant first into a byte buffer. A byte is stored
// only when a further bit comes (or on flush), so 1 to 8 bits stay pending
// between puts; the pending byte and its bit count are handed in and out so
// that a line coder can carry them from one line to the next. Bits are
// gathered in a word and stored in bursts; what the buffer sees is the same
// as storing byte by byte.
template <class Buffer>
class RstBitsPuttableEncodeBufferT : public Buffer {
 public:
  RstBitsPuttableEncodeBufferT(uint8_t* data, int32_t capacity, uint8_t pending, int32_t pending_bits)
      : Buffer(data, capacity),
        bits_(pending_bits > 0 ? pending >> (8 - pending_bits) : 0),
        bit_count_(pending_bits > 0 ? pending_bits : 0) {}

  // Puts the n low bits of code (n <= 24); false once any byte did not fit.
  bool put_bits(uint32_t code, int32_t n) {
    bits_ = (bits_ << n) | (code & ((1u << n) - 1u));
    bit_count_ += n;
    if (bit_count_ > 32) store_full(8);
    return ok_;
  }
  // Zero bits; n may be any count.
  bool put_zeros(int32_t n) {
    while (n > 24) {
      put_bits(0, 24);
      n -= 24;
    }
    return n > 0 ? put_bits(0, n) : ok_;
  }
  // Stores every whole byte but the last (the pending byte keeps 1 to 8
  // bits); the state a line ends in.
  bool settle() {
    store_full(8);
    return ok_;
  }
  // Stores the pending byte, padded with zero bits, when it holds bits.
  bool flush() {
    store_full(0);
    if (bit_count_ > 0) {
      store(static_cast<uint8_t>(bits_ << (8 - bit_count_)));
      bit_count_ = 0;
      bits_ = 0;
    }
    return ok_;
  }
  int32_t pending_bits() const { return bit_count_ > 8 ? 8 : bit_count_; }
  // The pending byte, high-aligned (valid after settle or flush).
  uint8_t pending_byte() const { return bit_count_ > 0 ? static_cast<uint8_t>(bits_ << (8 - bit_count_)) : 0; }
  bool ok() const { return ok_; }

 private:
  // Stores whole bytes until at most keep bits are left.
  void store_full(int32_t keep) {
    while (bit_count_ > keep && bit_count_ >= 8) {
      bit_count_ -= 8;
      store(static_cast<uint8_t>(bits_ >> bit_count_));
    }
    bits_ &= (bit_count_ >= 64 ? ~0ull : ((1ull << bit_count_) - 1ull));
  }
  void store(uint8_t c) {
    if (this->put_char(c) < 0) ok_ = false;
  }

  uint64_t bits_;
  int32_t bit_count_;
  bool ok_ = true;
};
