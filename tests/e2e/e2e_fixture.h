// The whole system end to end: a fresh machine root whose default printer
// runs the built graphics driver, interface library, outside libraries and
// preview program; gdihost prints documents of tests/e2e/docs through them
// and jobcheck judges every job and save file. After a run the driver's
// temporary folder holds nothing but the preview's settings file and the
// temp-file register is empty.
#pragma once

#include <gtest/gtest.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win/machine_root.h"
#include "platform/win/name_text.h"
#include "platform/win/win_path.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace e2e {

namespace fs = std::filesystem;

inline std::string OutDir() { return fs::read_symlink("/proc/self/exe").parent_path().string(); }

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

inline bool HaveTool(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

struct HostRun {
  int exit = -1;
  std::string err;
  std::vector<std::string> trace;
};

class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = pk::seams::UseTemporaryMachineRoot();
    fs::copy(PK_E2E_DOCS, root_ + "/docs", fs::copy_options::recursive);
  }
  void TearDown() override {
    if (expectClean_ && !HasFatalFailure()) ExpectClean();
  }

  // A shell command in the root folder: its exit status; its stdout and
  // stderr in `output`.
  int Shell(const std::string& command, std::string* output = nullptr) const {
    const std::string file = root_ + "/shell.out";
    const int status = std::system(("cd '" + root_ + "' && (" + command + ") > '" + file + "' 2>&1").c_str());
    if (output) *output = ReadAll(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string GdihostCommand(const std::string& options, const std::string& trace) const {
    return "'" + OutDir() + "/gdihost' -q --root '" + root_ + "' --trace '" + trace + "' " + options;
  }

  // gdihost with `options` in the root folder (documents under docs/).
  HostRun Gdihost(const std::string& options) {
    HostRun r;
    const std::string trace = root_ + "/trace" + std::to_string(++runs_) + ".txt";
    r.exit = Shell(GdihostCommand(options, trace), &r.err);
    r.trace = SplitLines(ReadAll(trace));
    return r;
  }

  // jobcheck with `arguments`; its output in `output`.
  int JobCheck(const std::string& arguments, std::string* output = nullptr) const {
    std::string out;
    const int code = Shell("'" + OutDir() + "/jobcheck' " + arguments, &out);
    if (output) *output = out;
    if (code != 0) ADD_FAILURE() << "jobcheck " << arguments << ": " << out;
    return code;
  }

  // The host file of a Windows path in the root.
  std::string Host(const std::u16string& windowsPath) const {
    std::string host;
    EXPECT_EQ(PkResolveWindowsPath(windowsPath.c_str(), nullptr, &host), 0u);
    return host;
  }

  // The driver's temporary folder, as the driver names it.
  std::string Brisca() const {
    WCHAR temp[MAX_PATH];
    EXPECT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    return Host(std::u16string(temp) + u"BRISCA");
  }

  // Files in the temporary folder, but the preview's settings file.
  std::vector<std::string> BriscaFiles() const {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(Brisca(), ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (strcasecmp(name.c_str(), "Brisca.ini") != 0) files.push_back(name);
    }
    return files;
  }

  // The temp-file register's entries.
  std::vector<std::string> RegisteredTempFiles() const {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, u"Software\\Caldrix\\KZ TRD Printer Driver\\TempFile", &key) != ERROR_SUCCESS)
      return names;
    WCHAR name[300];
    for (DWORD i = 0; RegEnumKeyW(key, i, name, 300) == ERROR_SUCCESS; ++i) names.push_back(pk::Utf16ToUtf8(name));
    RegCloseKey(key);
    return names;
  }

  void ExpectClean() const {
    const std::vector<std::string> left = BriscaFiles();
    EXPECT_TRUE(left.empty()) << "left in BRISCA: " << left.front();
    const std::vector<std::string> registered = RegisteredTempFiles();
    EXPECT_TRUE(registered.empty()) << "still registered: " << registered.front();
  }

  // Lines of the trace that start with `prefix`.
  static std::vector<std::string> Lines(const HostRun& r, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : r.trace)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }

  std::string root_;
  bool expectClean_ = true;
  int runs_ = 0;
};

}  // namespace e2e
