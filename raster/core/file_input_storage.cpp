// File input storage: byte, block and positioning operations over a descriptor.
#include "raster/core/file_input_storage.h"

#include <algorithm>

#include "platform/win/crt_io.h"

bool FileInputStorage::open(const char* path) {
  close();
  name_ = path ? path : "";
  Posix::close();
  struct _stat st;
  if (!path || _stat(path, &st) != 0) return false;  // missing, or too large to address
  descriptor_ = _open(path, _O_RDONLY | _O_BINARY);
  if (descriptor_ == -1) return false;
  remember_size();
  return true;
}

void FileInputStorage::close() {
  Posix::close();
  forget_size();
}

int32_t FileInputStorage::get() {
  uint8_t b;
  return _read(descriptor_, &b, 1) == 1 ? b : -1;
}

int32_t FileInputStorage::read(void* buffer, int32_t n) { return PosixLowLevelIO::read(descriptor_, buffer, n); }

int32_t FileInputStorage::seek(int32_t position) {
  int32_t n = size();
  if (position > n) position = n;
  LONG at = _lseek(descriptor_, position, SEEK_SET);
  return at < 0 ? 0 : at;
}

int32_t FileInputStorage::seek_from_end(int32_t offset) {
  int32_t n = size();
  int64_t target = std::max<int64_t>(0, int64_t{n} + offset);
  LONG at = _lseek(descriptor_, static_cast<LONG>(std::min<int64_t>(target, INT32_MAX)), SEEK_SET);
  return at < 0 ? 0 : at - n;
}
