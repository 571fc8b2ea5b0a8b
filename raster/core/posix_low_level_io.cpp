// Descriptor-level reading, closing and positioning of the file storages.
#include "raster/core/posix_low_level_io.h"

#include "platform/win/crt_io.h"
#include "raster/core/rst_status_context.h"

int32_t PosixLowLevelIO::read(int descriptor, void* buffer, int32_t n) {
  if (n <= 0) return 0;
  uint8_t* p = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < n) {
    int r = _read(descriptor, p + done, static_cast<unsigned int>(n - done));
    if (r <= 0) {
      if (r == -1) rst_report(RstCode::io_failure, "PosixLowLevelIO::read()");
      break;
    }
    done += r;
  }
  return done;
}

PosixLowLevelFile::~PosixLowLevelFile() { close(); }

void PosixLowLevelFile::close() {
  if (descriptor_ != -1) {
    _close(descriptor_);
    descriptor_ = -1;
  }
}

template <class F>
int32_t PosixStorage<F>::tell() const {
  return _tell(this->descriptor_);
}

template <class F>
int32_t PosixStorage<F>::size() const {
  if (known_size_ >= 0) return known_size_;
  LONG here = _tell(this->descriptor_);
  LONG end = _lseek(this->descriptor_, 0, SEEK_END);
  if (here >= 0) _lseek(this->descriptor_, here, SEEK_SET);
  return end;
}

template <class F>
int32_t PosixStorage<F>::move(int32_t offset) {
  if (offset == 0) return 0;
  int32_t old = tell();
  if (old < 0) return 0;
  int64_t target = int64_t{old} + offset;
  if (target < 0) target = 0;
  int32_t n = size();
  if (target > n) target = n < old ? old : n;
  if (_lseek(this->descriptor_, static_cast<LONG>(target), SEEK_SET) < 0) return 0;
  return static_cast<int32_t>(target - old);
}

template <class F>
bool PosixStorage<F>::rewind() {
  return _lseek(this->descriptor_, 0, SEEK_SET) == 0;
}

template <class F>
bool PosixStorage<F>::seek_end() {
  return _lseek(this->descriptor_, 0, SEEK_END) != -1;
}

template class PosixStorage<PosixLowLevelFile>;
