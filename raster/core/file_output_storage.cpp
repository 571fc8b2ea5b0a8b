// File output storage: writes, zero-filling skips and positioning over a
// descriptor.
#include "raster/core/file_output_storage.h"

#include "platform/win/crt_io.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_alloc.h"

bool FileOutputStorage::open(const char* path) {
  close();
  name_ = path ? path : "";
  Posix::close();
  if (!path) return false;
  descriptor_ = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0644);
  return descriptor_ != -1;
}

int32_t FileOutputStorage::put(int32_t byte) {
  uint8_t b = static_cast<uint8_t>(byte);
  return _write(descriptor_, &b, 1) == 1 ? b : -1;
}

int32_t FileOutputStorage::write(const void* buffer, int32_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < n) {
    int w = _write(descriptor_, p + done, static_cast<unsigned int>(n - done));
    if (w <= 0) break;
    done += w;
  }
  return done;
}

int32_t FileOutputStorage::skip(int32_t n) {
  if (n <= 0) return 0;
  LONG old = _tell(descriptor_);
  if (old < 0) return 0;
  int64_t target = int64_t{old} + n;
  if (target > INT32_MAX) target = INT32_MAX;
  int32_t end = size();
  if (target <= end) {
    // Inside the data the bytes are kept: only the position moves.
    LONG at = _lseek(descriptor_, static_cast<LONG>(target), SEEK_SET);
    return at < 0 ? 0 : at - old;
  }
  // Beyond the end: the last byte is written, so the file grows and the gap
  // reads as zeros.
  LONG at = _lseek(descriptor_, static_cast<LONG>(target - 1), SEEK_SET);
  if (at < 0) return 0;
  uint8_t zero = 0;
  int written = _write(descriptor_, &zero, 1) == 1 ? 1 : 0;
  return at + written - old;
}

InputStorage* FileOutputStorage::to_input_storage() {
  FileInputStorage* in = rst_new<FileInputStorage>();
  close();
  if (in) in->open(name_);
  return in;
}
