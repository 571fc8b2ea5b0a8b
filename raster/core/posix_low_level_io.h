// The descriptor layer under the file storages: the read loop, the owned
// descriptor, and position, size and move over it through the C run-time's
// low-level file functions.
#pragma once

#include <cstdint>

class PosixLowLevelIO {
 public:
  // Reads until n bytes have arrived or a call gives 0 or less; a read error
  // is reported (-11). Returns the bytes that arrived.
  int32_t read(int descriptor, void* buffer, int32_t n);
};

class PosixLowLevelFile : public PosixLowLevelIO {
 public:
  PosixLowLevelFile() = default;
  ~PosixLowLevelFile();
  PosixLowLevelFile(const PosixLowLevelFile&) = delete;
  PosixLowLevelFile& operator=(const PosixLowLevelFile&) = delete;

  bool is_closed() const { return descriptor_ == -1; }
  // Closes the descriptor if open.
  void close();
  int descriptor() const { return descriptor_; }

 protected:
  int descriptor_ = -1;
};

template <class F>
class PosixStorage : public F {
 public:
  int32_t tell() const;
  // The file size: three seeks, or the size remembered by remember_size().
  int32_t size() const;
  // Distance actually moved; the target is clamped to 0..size(). 0 on failure.
  int32_t move(int32_t offset);
  bool rewind();
  bool seek_end();

 protected:
  // For files that do not change while open (inputs): size() costs no seek.
  void remember_size() {
    known_size_ = -1;
    known_size_ = size();
  }
  void forget_size() { known_size_ = -1; }

 private:
  int32_t known_size_ = -1;
};

extern template class PosixStorage<PosixLowLevelFile>;
