// BrenvoldStream: the byte stream a codec stage reads its code from or writes
// it to, without knowing the storage behind it. One kind reads an
// InputStorage, the other writes an OutputStorage; operations of the other
// direction answer with their failure value. Neither owns its storage.
// 16- and 32-bit values go in the stream's byte order (big-endian when made).
#pragma once

#include <cstdint>

class InputStorage;
class OutputStorage;

class BrenvoldStream {
 public:
  BrenvoldStream(const BrenvoldStream&) = delete;
  BrenvoldStream& operator=(const BrenvoldStream&) = delete;

  // The storage (InputStorage or OutputStorage).
  virtual void* handle() const = 0;

  // size x count bytes; count when all of them moved, else 0.
  virtual int32_t read(void* buffer, int32_t size, int32_t count) = 0;
  virtual int32_t write(const void* buffer, int32_t size, int32_t count) = 0;
  // Up to max bytes as they come; the number read (0 at the end).
  virtual int32_t read_available(void* buffer, int32_t max) = 0;
  // A byte 0..255, or -1.
  virtual int32_t getc() = 0;
  // The byte written, or -1.
  virtual int32_t putc(int32_t byte) = 0;
  // 0..65535, or -1 when fewer than 2 bytes came.
  virtual int32_t get16() = 0;
  // The value written (0..65535), or -1 when the write fell short.
  virtual int32_t put16(uint16_t value) = 0;
  // 0..0xFFFFFFFF, or -1 when fewer than 4 bytes came.
  virtual int64_t get32() = 0;
  // The value written, or -1.
  virtual int64_t put32(uint32_t value) = 0;
  // whence 0 from the start, 1 from the current position, 2 from the end;
  // 0 when the storage moved exactly as asked, else -1.
  virtual int32_t seek(int32_t offset, int32_t whence) = 0;
  virtual int32_t tell() = 0;

  // Frees the record (never the storage); 1.
  int32_t close();
  // 1 little-endian, 0 big-endian; returns the previous order.
  int32_t set_byte_order(int32_t little);
  int32_t get_byte_order() const { return little_ ? 1 : 0; }
  int32_t flush() { return 1; }

 protected:
  BrenvoldStream() = default;
  virtual ~BrenvoldStream() = default;

  // Value of the n bytes at b in the stream's byte order.
  uint32_t decode(const uint8_t* b, int n) const;
  // value as n bytes at b in the stream's byte order.
  void encode(uint32_t value, uint8_t* b, int n) const;

 private:
  bool little_ = false;
};

// An input stream over the storage from its current position; null for a null
// storage, and after reporting -1 when memory runs out.
BrenvoldStream* rstCreateStreamByBrenvoldInputStorage(InputStorage* storage);
// An output stream over the storage; null likewise.
BrenvoldStream* rstCreateStreamByBrenvoldOutputStorage(OutputStorage* storage);
