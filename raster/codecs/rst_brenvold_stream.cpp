// The input and output byte streams of the codec stages.
#include "raster/codecs/rst_brenvold_stream.h"

#include "raster/core/input_storage.h"
#include "raster/core/output_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

// Bytes of size x count, or -1 when that is no valid request.
int64_t request_bytes(int32_t size, int32_t count) {
  if (size < 0 || count < 0) return -1;
  int64_t n = int64_t{size} * count;
  return n <= INT32_MAX ? n : -1;
}

// Both storages answer a seek with the distance they moved.
template <class S>
int32_t seek_storage(S* storage, int32_t offset, int32_t whence) {
  int32_t moved;
  switch (whence) {
    case 0: moved = storage->seek(offset); break;
    case 1: moved = storage->move(offset); break;
    case 2: moved = storage->seek_from_end(offset); break;
    default: return -1;
  }
  return moved == offset ? 0 : -1;
}

class InputBrenvoldStream final : public BrenvoldStream {
 public:
  explicit InputBrenvoldStream(InputStorage* storage) : storage_(storage) {}

  void* handle() const override { return storage_; }
  int32_t read(void* buffer, int32_t size, int32_t count) override {
    int64_t n = request_bytes(size, count);
    if (n < 0) return 0;
    if (n == 0) return count;
    return storage_->read(buffer, static_cast<int32_t>(n)) == n ? count : 0;
  }
  int32_t write(const void*, int32_t, int32_t) override { return 0; }
  int32_t read_available(void* buffer, int32_t max) override {
    if (max <= 0) return 0;
    int32_t n = storage_->read(buffer, max);
    return n > 0 ? n : 0;
  }
  int32_t getc() override { return storage_->get(); }
  int32_t putc(int32_t) override { return -1; }
  int32_t get16() override {
    uint8_t b[2];
    if (storage_->read(b, 2) != 2) return -1;
    return static_cast<int32_t>(decode(b, 2));
  }
  int32_t put16(uint16_t) override { return -1; }
  int64_t get32() override {
    uint8_t b[4];
    if (storage_->read(b, 4) != 4) return -1;
    return decode(b, 4);
  }
  int64_t put32(uint32_t) override { return -1; }
  int32_t seek(int32_t offset, int32_t whence) override { return seek_storage(storage_, offset, whence); }
  int32_t tell() override { return storage_->tell(); }

 private:
  InputStorage* storage_;
};

class OutputBrenvoldStream final : public BrenvoldStream {
 public:
  explicit OutputBrenvoldStream(OutputStorage* storage) : storage_(storage) {}

  void* handle() const override { return storage_; }
  int32_t read(void*, int32_t, int32_t) override { return 0; }
  int32_t write(const void* buffer, int32_t size, int32_t count) override {
    int64_t n = request_bytes(size, count);
    if (n < 0) return 0;
    if (n == 0) return count;
    return storage_->write(buffer, static_cast<int32_t>(n)) == n ? count : 0;
  }
  int32_t read_available(void*, int32_t) override { return 0; }
  int32_t getc() override { return -1; }
  int32_t putc(int32_t byte) override { return storage_->put(byte); }
  int32_t get16() override { return -1; }
  int32_t put16(uint16_t value) override {
    uint8_t b[2];
    encode(value, b, 2);
    return storage_->write(b, 2) == 2 ? value : -1;
  }
  int64_t get32() override { return -1; }
  int64_t put32(uint32_t value) override {
    uint8_t b[4];
    encode(value, b, 4);
    return storage_->write(b, 4) == 4 ? int64_t{value} : -1;
  }
  int32_t seek(int32_t offset, int32_t whence) override { return seek_storage(storage_, offset, whence); }
  int32_t tell() override { return storage_->tell(); }

 private:
  OutputStorage* storage_;
};

}  // namespace

int32_t BrenvoldStream::close() {
  delete this;
  return 1;
}

int32_t BrenvoldStream::set_byte_order(int32_t little) {
  int32_t previous = get_byte_order();
  little_ = little == 1;
  return previous;
}

uint32_t BrenvoldStream::decode(const uint8_t* b, int n) const {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v |= uint32_t{b[little_ ? i : n - 1 - i]} << (8 * i);
  return v;
}

void BrenvoldStream::encode(uint32_t value, uint8_t* b, int n) const {
  for (int i = 0; i < n; ++i) b[little_ ? i : n - 1 - i] = static_cast<uint8_t>(value >> (8 * i));
}

BrenvoldStream* rstCreateStreamByBrenvoldInputStorage(InputStorage* storage) {
  if (!storage) return nullptr;
  BrenvoldStream* s = rst_new<InputBrenvoldStream>(storage);
  if (!s) rst_report(RstCode::no_memory, "rstCreateStreamByBrenvoldInputStorage()");
  return s;
}

BrenvoldStream* rstCreateStreamByBrenvoldOutputStorage(OutputStorage* storage) {
  if (!storage) return nullptr;
  BrenvoldStream* s = rst_new<OutputBrenvoldStream>(storage);
  if (!s) rst_report(RstCode::no_memory, "rstCreateStreamByBrenvoldOutputStorage()");
  return s;
}
