// Internals of the path mapping shared by the file services.
#pragma once

#include <string>
#include <vector>

#include "platform/win/win_types.h"

namespace pk {
std::u16string CurrentDirectory();
// Splits and normalises a Windows path; 0 or an error code.
DWORD NormalizePath(std::u16string_view in, char16_t* drive, std::vector<std::u16string>* comps);
std::u16string JoinWindowsPath(char16_t drive, const std::vector<std::u16string>& comps);
std::string HostPathFor(char16_t drive, const std::vector<std::u16string>& comps);
}  // namespace pk
