// Byte input interfaces: sequential streams, the step-back mix-in, streams with
// a position, and storages with a size and absolute positioning. Positions,
// sizes and counts are signed 32-bit byte counts. End of data is not an error:
// get returns -1 and read/skip return short counts; storages throw nothing.
#pragma once

#include <cstdint>

class InputStream {
 public:
  virtual ~InputStream() = default;
  // True when the stream has no data source any more.
  virtual bool is_closed() const = 0;
  virtual void close() {}
  // The next byte as 0..255, or -1 at the end of the data or on failure.
  virtual int32_t get() = 0;
  // Bytes copied into the buffer, 0..count; short only at the end or on failure.
  virtual int32_t read(void* buffer, int32_t count) = 0;
  // Bytes passed over.
  virtual int32_t skip(int32_t count) = 0;
};

class Ungettable {
 public:
  virtual ~Ungettable() = default;
  // Steps back one byte; false when that was not possible.
  virtual bool unget() = 0;
};

class MovableInputStream : public InputStream, public Ungettable {
 public:
  int32_t skip(int32_t count) override { return move(count); }
  // Current position, 0 = first byte.
  virtual int32_t tell() const = 0;
  // Signed distance actually moved; a move stops at the first byte or at the end.
  virtual int32_t move(int32_t offset) = 0;
  bool unget() override { return move(-1) == -1; }
};

class InputStorage : public MovableInputStream {
 public:
  virtual int32_t size() const = 0;
  virtual bool rewind() = 0;
  virtual bool seek_end() = 0;
  // The distance moved from position 0: the new position when the data is long enough.
  virtual int32_t seek(int32_t position) {
    if (rewind()) return move(position);
    return tell();
  }
  // The (zero or negative) distance moved back from the end.
  virtual int32_t seek_from_end(int32_t offset) {
    if (seek_end()) return move(offset);
    return tell() - size();
  }
  virtual bool at_end() const {
    int32_t n = size();
    return n == 0 || tell() == n;
  }
};
