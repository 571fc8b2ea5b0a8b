// Byte output interfaces: sequential streams, the step-back mix-in and storages
// with a position, a size and absolute positioning. Storages that can extend
// their data fill what lies beyond the old end with zero bytes when skipping.
#pragma once

#include <cstdint>

class InputStorage;

// Empty base of the output streams.
class StreamBase {
 public:
  virtual ~StreamBase() = default;
};

class OutputStream : public StreamBase {
 public:
  virtual bool is_closed() const = 0;
  virtual void close() {}
  // The byte written as 0..255, or -1 when it was not written.
  virtual int32_t put(int32_t byte) = 0;
  // Bytes written, 0..count.
  virtual int32_t write(const void* buffer, int32_t count) = 0;
  // Bytes passed over.
  virtual int32_t skip(int32_t count) = 0;
};

class Unputtable {
 public:
  virtual ~Unputtable() = default;
  virtual bool unput() = 0;
};

class OutputStorage : public OutputStream, public Unputtable {
 public:
  virtual int32_t tell() const = 0;
  virtual int32_t size() const = 0;
  virtual bool rewind() = 0;
  virtual bool seek_end() = 0;
  // Signed distance actually moved, clamped to 0..size().
  virtual int32_t move(int32_t offset) = 0;
  virtual int32_t seek(int32_t position) {
    rewind();
    return move(position);
  }
  virtual int32_t seek_from_end(int32_t offset) {
    seek_end();
    return move(offset);
  }
  // A new input storage over the bytes written, owned by the caller (none when it
  // cannot be made). This storage is closed by the call and must not be written
  // afterwards.
  virtual InputStorage* to_input_storage() = 0;
  bool unput() override { return move(-1) == -1; }
};
