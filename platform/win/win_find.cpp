// Folder listing (see win_find.h). The matching entries are gathered when the
// search starts, sorted by name, and handed out one by one.
#include "platform/win/win_find.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle_table.h"
#include "platform/win/win_path.h"

namespace {

class FindObject : public pk::win::KernelObject {
 public:
  bool ClosedByCloseHandle() const override { return false; }  // FindClose closes it
  std::vector<WIN32_FIND_DATAW> entries;
  size_t next = 0;
};

// Windows wildcard match over folded text: * any run, ? one unit.
bool Match(std::u16string_view pat, std::u16string_view name) {
  size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pat.size() && (pat[p] == u'?' || pat[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pat.size() && pat[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pat.size() && (pat[p] == u'*' || pat[p] == u'.' || pat[p] == u'?')) ++p;  // "x.*" matches "x"
  return p == pat.size();
}

FILETIME ToFileTime(const struct timespec& t) {
  uint64_t v = (static_cast<uint64_t>(t.tv_sec) + 11644473600ULL) * 10000000ULL + t.tv_nsec / 100;
  return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

bool Fill(const std::string& host, const std::u16string& name, WIN32_FIND_DATAW* d) {
  struct stat st;
  if (stat(host.c_str(), &st) != 0 || name.size() >= MAX_PATH) return false;
  std::memset(d, 0, sizeof *d);
  d->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(st.st_mode & S_IWUSR)) d->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
  d->ftCreationTime = ToFileTime(st.st_ctim);
  d->ftLastAccessTime = ToFileTime(st.st_atim);
  d->ftLastWriteTime = ToFileTime(st.st_mtim);
  uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  d->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  d->nFileSizeLow = static_cast<DWORD>(size);
  std::copy(name.begin(), name.end(), d->cFileName);
  return true;
}

}  // namespace

extern "C" {

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  if (!lpFileName || !lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string full(pk::WideView(lpFileName));
  size_t sep = full.find_last_of(u"\\/");
  std::u16string folder = sep == std::u16string::npos ? u"." : full.substr(0, sep + 1);
  std::u16string pattern = pk::FoldName(sep == std::u16string::npos ? full : full.substr(sep + 1));
  if (folder.size() == 2 && folder[1] == u':') folder += u'\\';
  std::u16string winFolder;
  std::string hostFolder;
  DWORD e = PkResolveWindowsPath(folder.c_str(), &winFolder, &hostFolder);
  DIR* dir = e ? nullptr : opendir(hostFolder.c_str());
  if (!dir) {
    SetLastError(e ? e : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  bool driveRoot = winFolder.size() == 3;
  std::vector<std::string> names;
  while (dirent* d = readdir(dir)) names.push_back(d->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const auto& n : names) {
    if (driveRoot && (n == "." || n == "..")) continue;
    std::u16string wide = pk::Utf8ToUtf16(n);
    if (pattern.empty() || !Match(pattern, pk::FoldName(wide))) continue;
    WIN32_FIND_DATAW data;
    if (Fill(hostFolder + "/" + n, wide, &data)) find->entries.push_back(data);
  }
  if (find->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *lpFindFileData = find->entries[0];
  find->next = 1;
  SetLastError(ERROR_SUCCESS);
  return pk::win::RegisterHandle(find);
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  auto find = pk::win::LookupHandle<FindObject>(hFindFile);
  if (!find) return FALSE;
  if (!lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *lpFindFileData = find->entries[find->next++];
  return TRUE;
}

BOOL FindClose(HANDLE hFindFile) { return pk::win::UnregisterHandleOf<FindObject>(hFindFile) ? TRUE : FALSE; }

}  // extern "C"
