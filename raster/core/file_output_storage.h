// Output storage over a file, written through the C run-time's descriptor
// functions. Write errors show only as short counts.
#pragma once

#include <string>

#include "raster/core/namable.h"
#include "raster/core/output_storage.h"
#include "raster/core/posix_low_level_io.h"

class FileOutputStorage : public OutputStorage, public PosixStorage<PosixLowLevelFile>, public Namable {
  using Posix = PosixStorage<PosixLowLevelFile>;

 public:
  FileOutputStorage() = default;

  // Opens the file write-only, created or truncated; true when it opened.
  bool open(const char* path);
  bool open(const std::string& path) { return open(path.c_str()); }

  bool is_closed() const override { return Posix::is_closed(); }
  void close() override { Posix::close(); }
  int32_t put(int32_t byte) override;
  int32_t write(const void* buffer, int32_t n) override;
  // Beyond the end the file grows with zero bytes; existing bytes are passed over.
  int32_t skip(int32_t n) override;
  int32_t tell() const override { return Posix::tell(); }
  int32_t size() const override { return Posix::size(); }
  bool rewind() override { return Posix::rewind(); }
  bool seek_end() override { return Posix::seek_end(); }
  int32_t move(int32_t offset) override { return Posix::move(offset); }
  // An input storage over the same path; this storage is closed. When that
  // open fails the returned storage is closed.
  InputStorage* to_input_storage() override;
  std::string name() const override { return name_; }

 private:
  std::string name_;
};
