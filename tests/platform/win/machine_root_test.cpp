// The machine root: chosen by a call or the environment, and its set-up steps,
// which run once per root (also when registered late, also across processes).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/win/machine_root.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

int gRuns = 0;
std::string gLastRoot;
void CountingStep(const std::string& root) {
  ++gRuns;
  gLastRoot = root;
}

TEST(MachineRootTest, SetUpStepsRunOncePerRoot) {
  gRuns = 0;
  std::string first = pk::seams::UseTemporaryMachineRoot();
  EXPECT_EQ(PkMachineRoot(), first);
  PkAddRootSetupStep("test-counting-step", CountingStep);  // registered late: runs at the next use
  EXPECT_EQ(PkMachineRoot(), first);
  PkMachineRoot();
  EXPECT_EQ(gRuns, 1);
  EXPECT_EQ(gLastRoot, first);
  EXPECT_EQ(getenv(PK_MACHINE_ROOT_ENV), first);  // children inherit it

  // Another process on the same root finds the steps done.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    PkSetMachineRoot(nullptr);  // look again: the environment names the root
    int before = gRuns;
    _exit(PkMachineRoot() == first && gRuns == before ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  // A fresh root runs them again; the reset removes the temporary root.
  std::string second = pk::seams::UseTemporaryMachineRoot();
  EXPECT_NE(second, first);
  EXPECT_FALSE(std::filesystem::exists(first));
  PkMachineRoot();
  EXPECT_EQ(gRuns, 2);
  EXPECT_EQ(gLastRoot, second);
  pk::seams::ResetAll();
  EXPECT_FALSE(std::filesystem::exists(second));
}

TEST(MachineRootTest, HandlesOfOtherKindsRefuseCloseHandle) {
  pk::seams::UseTemporaryMachineRoot();
  HKEY key;
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, u"Software\\Kinds", &key), ERROR_SUCCESS);
  EXPECT_FALSE(CloseHandle(key));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  WIN32_FIND_DATAW d;
  HANDLE find = FindFirstFileW(u"C:\\*", &d);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(CloseHandle(find));
  EXPECT_TRUE(FindClose(find));
  EXPECT_FALSE(FindClose(find));
}

}  // namespace
