// Input storage over a file, read through the C run-time's descriptor
// functions. Its size is remembered at open (input files are not changed
// while they are read), so moves cost one seek.
#pragma once

#include <string>

#include "raster/core/input_storage.h"
#include "raster/core/namable.h"
#include "raster/core/posix_low_level_io.h"

class FileInputStorage : public PosixStorage<PosixLowLevelFile>, public InputStorage, public Namable {
  using Posix = PosixStorage<PosixLowLevelFile>;

 public:
  FileInputStorage() = default;

  // Opens the file read-only; false, with nothing reported, when it is missing,
  // unreadable or larger than a storage can address. The path is kept either way.
  bool open(const char* path);
  bool open(const std::string& path) { return open(path.c_str()); }

  bool is_closed() const override { return Posix::is_closed(); }
  void close() override;
  int32_t get() override;
  int32_t read(void* buffer, int32_t n) override;
  int32_t tell() const override { return Posix::tell(); }
  int32_t move(int32_t offset) override { return Posix::move(offset); }
  int32_t size() const override { return Posix::size(); }
  bool rewind() override { return Posix::rewind(); }
  bool seek_end() override { return Posix::seek_end(); }
  // Clamped above only: a negative position fails (0, position unchanged).
  int32_t seek(int32_t position) override;
  int32_t seek_from_end(int32_t offset) override;
  std::string name() const override { return name_; }

 private:
  std::string name_;
};
