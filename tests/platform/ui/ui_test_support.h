// Shared setup of the window layer's tests: a temporary machine root with
// the compiled test dialogs as a module, and a dialog procedure that records
// what it hears and answers as a test tells it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/user.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace pk::test {

inline std::string BuildOut() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

inline HMODULE LoadTestDialogs() {
  std::string host;
  EXPECT_EQ(PkResolveWindowsPath(u"C:\\Driver\\TestDialogs.vbn", nullptr, &host), 0u);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::filesystem::copy_file(BuildOut() + "/TestDialogs.vbn", host, std::filesystem::copy_options::overwrite_existing);
  return LoadLibraryExW(u"C:\\Driver\\TestDialogs.vbn", nullptr, DONT_RESOLVE_DLL_REFERENCES);
}

// What the test dialog procedure heard, and how it answers.
struct DialogLog {
  std::vector<UINT> messages;
  std::vector<std::pair<int, int>> commands;  // (id, code)
  std::vector<std::pair<UINT, WPARAM>> scrolls;
  LPARAM initParam = 0;
  std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> answer;
};
inline DialogLog* gLog = nullptr;

inline INT_PTR LoggingDialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (!gLog) return FALSE;
  gLog->messages.push_back(msg);
  if (msg == WM_INITDIALOG) gLog->initParam = lp;
  if (msg == WM_COMMAND) gLog->commands.push_back({LOWORD(wp), HIWORD(wp)});
  if (msg == WM_VSCROLL || msg == WM_HSCROLL) gLog->scrolls.push_back({msg, wp});
  return gLog->answer ? gLog->answer(h, msg, wp, lp) : FALSE;
}

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    module_ = LoadTestDialogs();
    ASSERT_NE(module_, nullptr);
    gLog = &log_;
  }
  void TearDown() override {
    gLog = nullptr;
    FreeLibrary(module_);
  }
  HWND Open(int id, LPARAM param = 0) {
    return CreateDialogParamW(module_, MAKEINTRESOURCEW(id), nullptr, &LoggingDialogProc, param);
  }
  HMODULE module_ = nullptr;
  DialogLog log_;
};

}  // namespace pk::test
