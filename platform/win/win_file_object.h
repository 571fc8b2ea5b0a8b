// The file object behind a file handle, and the host-side open that applies
// the creation and share rules (internal to the file services).
#pragma once

#include <memory>
#include <string>

#include "platform/win/win_handle_table.h"
#include "platform/win/win_types.h"

namespace pk {

class FileObject : public win::KernelObject {
 public:
  FileObject(int fd, DWORD access, std::u16string path) : fd_(fd), access_(access), path_(std::move(path)) {}
  ~FileObject() override;
  BOOL OnClose() override;
  int fd() const { return fd_; }
  DWORD access() const { return access_; }  // GENERIC_READ | GENERIC_WRITE
  const std::u16string& path() const { return path_; }

 private:
  int fd_;
  DWORD access_;
  std::u16string path_;  // full Windows path
};

// Reduces an access mask to GENERIC_READ | GENERIC_WRITE.
DWORD NormalizeAccess(DWORD access);
// Opens a host file under the creation and share rules; the descriptor or -1
// with *error set. *existed tells whether the file was there before.
int OpenHostFile(const std::string& host, DWORD access, DWORD share, DWORD creation, DWORD* error, bool* existed);
// 2 when the folder of a missing host path exists, else 3.
DWORD MissingPathError(const std::string& host);
DWORD ErrnoToError(int err);
std::shared_ptr<FileObject> LookupFile(HANDLE handle);

}  // namespace pk
