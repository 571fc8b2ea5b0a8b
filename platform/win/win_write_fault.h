// The write-fault seam's side inside the file services (internal): how many
// bytes a WriteFile to a path may write before it fails with 112.
#pragma once

#include <string>

#include "platform/win/win_types.h"

namespace pk {
// Returns how many of `count` bytes the write may do; *fail is set when it
// must then fail with ERROR_DISK_FULL.
DWORD WriteFaultAllowance(const std::u16string& path, DWORD count, bool* fail);
}  // namespace pk
