// RstCodeBuffer: the byte buffer through which byte-oriented decoders pull the
// code bytes of their source node, one source read at a time.
#pragma once

#include <cstdint>

class RstRead;

class RstCodeBuffer {
 public:
  // A buffer of the source's line size; out of memory: -1
  // "RstCodeBuffer::RstCodeBuffer()" and ok() false.
  explicit RstCodeBuffer(RstRead* source);
  virtual ~RstCodeBuffer();
  RstCodeBuffer(const RstCodeBuffer&) = delete;
  RstCodeBuffer& operator=(const RstCodeBuffer&) = delete;

  bool ok() const { return buffer != nullptr; }

  // The next byte, or -1 at the end of the data (a source read of 0 bytes).
  int32_t take_byte() {
    if (position < fill) return buffer[position++];
    return refill();
  }
  // Bytes buffered and not taken, where they start, and taking n of them
  // (n at most available()).
  int32_t available() const { return fill - position; }
  const uint8_t* next() const { return buffer + position; }
  void advance(int32_t n) { position += n; }
  // Forgets what is buffered (after the source was reset).
  void clear() {
    fill = 0;
    position = 0;
    ended = false;
  }

  RstRead* source;
  uint8_t* buffer;
  int32_t size;
  int32_t fill;
  int32_t position;
  bool ended;  // the source has delivered its last byte

 private:
  int32_t refill();
};
