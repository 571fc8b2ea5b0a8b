// A fresh machine root with the fake driver and interface library installed,
// the fake driver loaded (so a test configures it and reads its trace), and a
// run of a document through a print session.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/devmode_edit.h"
#include "host/document.h"
#include "host/document_player.h"
#include "host/print_session.h"
#include "platform/win/machine_root.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace hosttest {

inline std::string BuildOut() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  return out;
}

inline std::string FirstWord(const std::string& line) { return line.substr(0, line.find(' ')); }

// Lines that start with `prefix`.
inline std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& l : lines)
    if (l.rfind(prefix, 0) == 0) out.push_back(l);
  return out;
}

class RecordingJob : public pkhost::JobPort {
 public:
  DWORD StartDoc(const std::u16string&) override {
    events.push_back("start");
    return 7;
  }
  bool EndDoc() override {
    events.push_back("end");
    return true;
  }
  void AbortDoc() override { events.push_back("abort"); }
  std::vector<std::string> events;
};

struct RunResult {
  pkhost::PlayResult result = pkhost::PlayResult::Failed;
  std::string createError;
  std::vector<std::string> host;    // the host's trace
  std::vector<std::string> driver;  // the fake driver's trace
  std::vector<std::string> failures, warnings, job;
};

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    dir_ = PkMachineRoot() + "/docs";
    Install("FakeDriver.so", u"C:\\Driver\\FakeDriver.so");
    Install("FakeInterface.so", u"C:\\Driver\\FakeInterface.so");
    driver_ = LoadLibraryW(kDriver);
    ASSERT_NE(driver_, nullptr);
    interface_ = LoadLibraryW(kInterface);
    ASSERT_NE(interface_, nullptr);
    Call<void (*)()>(driver_, "FakeDriverReset")();
    Call<void (*)(int)>(interface_, "FakeInterfaceReset")(0);
  }
  void TearDown() override {
    if (driver_) FreeLibrary(driver_);
    if (interface_) FreeLibrary(interface_);
  }

  template <typename F>
  static F Call(HMODULE h, const char* name) {
    return reinterpret_cast<F>(GetProcAddress(h, name));
  }
  static void Install(const std::string& built, const char16_t* windowsPath) {
    std::string host;
    ASSERT_EQ(PkResolveWindowsPath(windowsPath, nullptr, &host), 0u);
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::filesystem::copy_file(BuildOut() + "/" + built, host, std::filesystem::copy_options::overwrite_existing);
  }
  void Configure(const std::string& text) { Call<void (*)(const char*)>(driver_, "FakeDriverConfigure")(text.c_str()); }
  std::vector<std::string> DriverTrace() { return Lines(Call<const char* (*)()>(driver_, "FakeDriverTrace")()); }
  std::string InterfaceEvents() { return Call<const char* (*)()>(interface_, "FakeInterfaceEvents")(); }

  // Parses the document (it must be good) and prints it.
  RunResult Run(const std::string& doc, bool withInterface = false,
                std::vector<uint8_t> devMode = pkhost::BareDevMode()) {
    RunResult r;
    pkhost::Document d;
    std::string error;
    EXPECT_TRUE(pkhost::ParseDocument(doc, "doc", dir_, &d, &error)) << error;
    pkhost::RunLog log;
    RecordingJob job;
    {
      pkhost::PrintSession session(log, &job);
      pkhost::PrinterSetup setup;
      setup.printerName = u"Fake printer";
      setup.driverPath = kDriver;
      if (withInterface) setup.interfacePath = kInterface;
      setup.devMode = devMode;
      if (session.CreateDc(setup, &r.createError)) r.result = pkhost::PlayDocument(d, session, devMode, log);
      session.DeleteDc();
    }
    r.host = log.trace();
    r.failures = log.failures();
    r.warnings = log.warnings();
    r.driver = DriverTrace();
    r.job = job.events;
    return r;
  }

  // A file in the test's folder of the machine root.
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    return dir_ + "/" + name;
  }

  static constexpr const char16_t* kDriver = u"C:\\Driver\\FakeDriver.dll";
  static constexpr const char16_t* kInterface = u"C:\\Driver\\FakeInterface.dll";
  HMODULE driver_ = nullptr;
  HMODULE interface_ = nullptr;
  std::string dir_;
};

}  // namespace hosttest
