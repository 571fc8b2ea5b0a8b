// Host-path mode: off, a path without drive letter names a file below the
// machine root for the Windows calls; on, it names the host's file. Drive
// letters map onto the root either way; the C run-time calls take host paths
// in both.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

class HostPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(PkHostPathMode());  // every test starts with it off
    root_ = pk::seams::UseTemporaryMachineRoot();
    dir_ = ::testing::TempDir() + "hostpath-" + std::to_string(getpid());
    std::filesystem::create_directories(dir_);
    std::filesystem::create_directories(root_ + "/c" + dir_);
    std::ofstream(dir_ + "/x") << "host";
    std::ofstream(root_ + "/c" + dir_ + "/x") << "root";
    std::filesystem::create_directories(root_ + "/c/Temp");
    std::ofstream(root_ + "/c/Temp/x") << "temp";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string ReadWide(const std::u16string& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<none>";
    char buf[16];
    DWORD n = 0;
    ReadFile(h, buf, sizeof buf, &n, nullptr);
    CloseHandle(h);
    return std::string(buf, n);
  }
  std::string ReadCrt(const std::string& path) {
    int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
    if (fd < 0) return "<none>";
    char buf[16];
    int n = _read(fd, buf, sizeof buf);
    _close(fd);
    return std::string(buf, n > 0 ? size_t(n) : 0);
  }
  std::string root_, dir_;
};

TEST_F(HostPathTest, ModeDecidesWhereAPathWithoutDriveLeads) {
  std::u16string plain(dir_.begin(), dir_.end());
  plain += u"/x";
  std::string crtWindows = "C:" + dir_ + "/x";
  for (BOOL on : {FALSE, TRUE}) {
    PkSetHostPathMode(on);
    EXPECT_EQ(ReadWide(plain), on ? "host" : "root") << on;
    EXPECT_EQ(ReadWide(u"C:\\Temp\\x"), "temp") << on;
    EXPECT_EQ(ReadCrt(dir_ + "/x"), "host") << on;
    EXPECT_EQ(ReadCrt(crtWindows), "root") << on;
  }
}

TEST_F(HostPathTest, ResetAllSwitchesItOff) {
  PkSetHostPathMode(TRUE);
  pk::seams::ResetAll();
  EXPECT_FALSE(PkHostPathMode());
}

}  // namespace
