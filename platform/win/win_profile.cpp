// Private profile files (see win_profile.h). The whole file is read, changed
// in memory and written back through a temporary file beside it, so a failed
// write leaves the old file as it was.
#include "platform/win/win_profile.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win/name_text.h"
#include "platform/win/win_error.h"
#include "platform/win/win_path.h"

namespace {

std::string Trim(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// The section name of a "[name]" line; false for any other line.
bool SectionOf(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

// Key and value of a "key=value" line; false for any other line.
bool EntryOf(const std::string& line, std::string* key, std::string* value) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(line.substr(0, eq));
  if (value) *value = Trim(line.substr(eq + 1));
  return !key->empty();
}

bool HostPath(LPCSTR file, std::string* host) {
  if (!file || !*file) return false;
  return PkResolveWindowsPath(pk::AnsiToWide(file).c_str(), nullptr, host) == 0;
}

// The file's lines without their line ends; false when it cannot be read
// (missing is reported through *missing).
bool ReadLines(const std::string& host, std::vector<std::string>* lines, bool* missing) {
  *missing = false;
  std::ifstream in(host, std::ios::binary);
  if (!in) {
    *missing = errno == ENOENT;
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
  }
  return !in.bad();
}

bool WriteLines(const std::string& host, const std::vector<std::string>& lines) {
  std::string temp = host + ".pk-new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const auto& line : lines) out << line << "\r\n";
    out.flush();
    if (!out) {
      out.close();
      unlink(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), host.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

extern "C" {

UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) {
  std::string host;
  std::vector<std::string> lines;
  bool missing = false;
  if (!lpAppName || !lpKeyName || !HostPath(lpFileName, &host) || !ReadLines(host, &lines, &missing))
    return static_cast<UINT>(nDefault);
  bool inSection = false;
  for (const auto& line : lines) {
    std::string name, key, value;
    if (SectionOf(line, &name)) {
      inSection = SameName(name, lpAppName);
      continue;
    }
    if (!inSection || !EntryOf(line, &key, &value) || !SameName(key, lpKeyName)) continue;
    if (value.empty()) return static_cast<UINT>(nDefault);
    // An optional sign and the leading digits; the sum wraps as 32 bits do.
    size_t i = 0;
    bool negative = false;
    if (value[0] == '-' || value[0] == '+') {
      negative = value[0] == '-';
      ++i;
    }
    uint32_t n = 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i)
      n = n * 10u + static_cast<uint32_t>(value[i] - '0');
    return negative ? 0u - n : n;
  }
  return static_cast<UINT>(nDefault);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) {
  std::string host;
  if (!lpAppName || !HostPath(lpFileName, &host)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<std::string> lines;
  bool missing = false;
  if (!ReadLines(host, &lines, &missing) && !missing) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // The section's header line and the end of its lines (the next section).
  size_t header = lines.size(), end = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (!SectionOf(lines[i], &name)) continue;
    if (header != lines.size()) {
      end = i;
      break;
    }
    if (SameName(name, lpAppName)) header = i;
  }
  if (!lpKeyName) {
    if (header == lines.size()) return TRUE;
    lines.erase(lines.begin() + static_cast<long>(header), lines.begin() + static_cast<long>(end));
  } else if (header == lines.size()) {
    if (!lpString) return TRUE;
    lines.push_back(std::string("[") + lpAppName + "]");
    lines.push_back(std::string(lpKeyName) + "=" + lpString);
  } else {
    size_t found = end, last = header;
    for (size_t i = header + 1; i < end; ++i) {
      std::string key;
      if (!EntryOf(lines[i], &key, nullptr)) continue;
      last = i;
      if (found == end && SameName(key, lpKeyName)) found = i;
    }
    if (found != end) {
      if (lpString) lines[found] = std::string(lpKeyName) + "=" + lpString;
      else lines.erase(lines.begin() + static_cast<long>(found));
    } else if (lpString) {
      lines.insert(lines.begin() + static_cast<long>(last + 1), std::string(lpKeyName) + "=" + lpString);
    } else {
      return TRUE;
    }
  }
  if (!WriteLines(host, lines)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"
