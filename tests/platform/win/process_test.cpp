// Starting the preview program: exit codes, a program that cannot start, and
// a Windows path argument (with a space) arriving as one host path.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

std::string HostText(const char16_t* windowsPath) {
  std::string host;
  if (PkResolveWindowsPath(windowsPath, nullptr, &host) != 0) return "<bad path>";
  std::ifstream in(host);
  std::stringstream s;
  s << in.rdbuf();
  return in ? s.str() : "<none>";
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Driver", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Temp Files", nullptr));
    HANDLE h = CreateFileW(u"C:\\Temp Files\\job 1.tif", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(h, "II*\0page", 8, &n, nullptr);
    CloseHandle(h);
  }
};

TEST_F(ProcessTest, ExitCodeOfTheStub) {
  for (int code : {1, 0, 3}) {
    ASSERT_TRUE(pk::seams::InstallProgramStub(u"C:\\Driver\\Lindvar.exe", code, u"C:\\Driver\\seen.tif"));
    EXPECT_EQ(
        _spawnlp(P_WAIT, "C:\\Driver\\Lindvar.exe", "C:\\Driver\\Lindvar.exe", "C:\\Temp Files\\job 1.tif", nullptr),
        code);
  }
  // One argument, the host path of the job file; the copy is the file itself.
  std::string args = HostText(u"C:\\Driver\\Lindvar.args");
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Temp Files\\job 1.tif", nullptr, &host), 0u);
  EXPECT_EQ(args, host + "\n");
  EXPECT_EQ(HostText(u"C:\\Driver\\seen.tif"), std::string("II*\0page", 8));
}

TEST_F(ProcessTest, StubReplacesALinkedProgramNotItsTarget) {
  // The driver folder hard-links the built programs; the stand-in must not
  // write through the link into the build.
  std::string program, outside;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Driver\\Lindvar", nullptr, &program), 0u);
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Temp Files\\built", nullptr, &outside), 0u);
  std::ofstream(outside) << "the real program";
  ASSERT_EQ(link(outside.c_str(), program.c_str()), 0);
  ASSERT_TRUE(pk::seams::InstallProgramStub(u"C:\\Driver\\Lindvar.exe", 1, nullptr));
  EXPECT_EQ(HostText(u"C:\\Temp Files\\built"), "the real program");
  EXPECT_EQ(_spawnlp(P_WAIT, "C:\\Driver\\Lindvar.exe", "Lindvar.exe", nullptr), 1);
}

TEST_F(ProcessTest, MissingProgramAnswersMinusOne) {
  EXPECT_EQ(_spawnlp(P_WAIT, "C:\\Driver\\Absent.exe", "C:\\Driver\\Absent.exe", "C:\\x.tif", nullptr), -1);
  EXPECT_EQ(_spawnlp(P_WAIT, "C:\\NoFolder\\Lindvar.exe", "Lindvar.exe", nullptr), -1);
  // A program killed by a signal counts as one that failed.
  ASSERT_TRUE(pk::seams::InstallProgramStub(u"C:\\Driver\\Crash.exe", 0, nullptr));
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Driver\\Crash", nullptr, &host), 0u);
  { std::ofstream(host, std::ios::trunc) << "#!/bin/sh\nkill -KILL $$\n"; }
  EXPECT_EQ(_spawnlp(P_WAIT, "C:\\Driver\\Crash.exe", "Crash.exe", nullptr), -1);
}

TEST_F(ProcessTest, ChildInheritsTheRoot) {
  // A stand-in that checks the root it was given, through a file of the root.
  ASSERT_TRUE(pk::seams::InstallProgramStub(u"C:\\Driver\\Probe.exe", 0, nullptr));
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Driver\\Probe", nullptr, &host), 0u);
  {
    std::ofstream(host, std::ios::trunc) << "#!/bin/sh\n[ -f \"$PK_MACHINE_ROOT/c/Driver/Probe\" ] && exit 5\nexit 6\n";
  }
  EXPECT_EQ(_spawnlp(P_WAIT, "C:\\Driver\\Probe.exe", "Probe.exe", nullptr), 5);
}

}  // namespace
