// The C run-time's descriptor file functions: flags, 32-bit offsets that never
// wrap, file facts, Windows paths below the machine root, and the fault seam.
#include "platform/win/crt_io.h"
#include "platform/win/win_seams.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>

namespace {

class CrtIo : public ::testing::Test {
 protected:
  CrtIo() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pk-crt-XXXXXX").string();
    dir_ = mkdtemp(tmpl.data());
  }
  ~CrtIo() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    pk::seams::FailCrtReadAfter(-1);
    pk::seams::FailCrtWriteAfter(-1);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(CrtIo, OpensWithTheRuntimesFlags) {
  std::string p = path("f.bin");
  { std::ofstream(p) << "old contents"; }
  int fd = _open(p.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0644);  // 0x8301
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_lseek(fd, 0, SEEK_END), 0);  // truncated
  EXPECT_EQ(_write(fd, "abcdef", 6), 6);
  EXPECT_EQ(_tell(fd), 6);
  EXPECT_EQ(_close(fd), 0);
  struct stat st;
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0700, 0600);  // the owner's bits of 0644

  fd = _open(p.c_str(), _O_RDONLY | _O_BINARY);  // 0x8000
  ASSERT_GE(fd, 0);
  char buf[8] = {};
  EXPECT_EQ(_write(fd, "x", 1), -1);  // read-only
  EXPECT_EQ(_lseek(fd, 2, SEEK_SET), 2);
  EXPECT_EQ(_read(fd, buf, 8), 4);
  EXPECT_STREQ(buf, "cdef");
  EXPECT_EQ(_read(fd, buf, 8), 0);
  EXPECT_EQ(_lseek(fd, -1, SEEK_SET), -1);
  EXPECT_EQ(_tell(fd), 6);
  EXPECT_EQ(_close(fd), 0);

  EXPECT_EQ(_open(path("missing").c_str(), _O_RDONLY), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(CrtIo, OffsetsBeyondThirtyTwoBitsFailInsteadOfWrapping) {
  std::string p = path("big.bin");
  { std::ofstream(p) << "x"; }
  std::error_code ec;
  std::filesystem::resize_file(p, (uint64_t{1} << 31) + 100, ec);  // sparse
  if (ec) GTEST_SKIP() << ec.message();
  struct _stat st;
  errno = 0;
  EXPECT_EQ(_stat(p.c_str(), &st), -1);
  EXPECT_EQ(errno, EOVERFLOW);
  int fd = _open(p.c_str(), _O_RDONLY | _O_BINARY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_lseek(fd, 100, SEEK_SET), 100);
  errno = 0;
  EXPECT_EQ(_lseek(fd, 0, SEEK_END), -1);
  EXPECT_EQ(errno, EOVERFLOW);
  EXPECT_EQ(_tell(fd), 100);  // the position is left as it was
  EXPECT_EQ(_lseeki64(fd, 0, SEEK_END), (int64_t{1} << 31) + 100);
  EXPECT_EQ(_tell(fd), -1);
  EXPECT_EQ(_telli64(fd), (int64_t{1} << 31) + 100);
  _close(fd);
}

TEST_F(CrtIo, StatGivesSizeAndKind) {
  std::string p = path("s.bin");
  { std::ofstream(p) << "12345"; }
  struct _stat st;
  ASSERT_EQ(_stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 5);
  EXPECT_EQ(st.st_mode & _S_IFMT, _S_IFREG);
  EXPECT_TRUE(st.st_mode & _S_IREAD);
  ASSERT_EQ(_stat(dir_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & _S_IFMT, _S_IFDIR);
  EXPECT_EQ(_stat(path("none").c_str(), &st), -1);
}

TEST_F(CrtIo, WindowsPathsLiveBelowTheMachineRoot) {
  std::filesystem::create_directories(dir_ / "c" / "Temp" / "Brisca");
  { std::ofstream(dir_ / "c" / "Temp" / "Brisca" / "Job.tif") << "page"; }
  const char* old = std::getenv("PK_MACHINE_ROOT");
  std::string saved = old ? old : "";
  setenv("PK_MACHINE_ROOT", dir_.c_str(), 1);
  struct _stat st;
  for (const char* p : {"C:\\Temp\\Brisca\\Job.tif", "c:/TEMP/BRISCA/job.TIF", "\\temp\\brisca\\job.tif"}) {
    SCOPED_TRACE(p);
    ASSERT_EQ(_stat(p, &st), 0);
    EXPECT_EQ(st.st_size, 4);
  }
  int fd = _open("C:\\Temp\\brisca\\new.bin", _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0644);
  ASSERT_GE(fd, 0);
  _close(fd);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "c" / "Temp" / "Brisca" / "new.bin"));
  if (old) {
    setenv("PK_MACHINE_ROOT", saved.c_str(), 1);
  } else {
    unsetenv("PK_MACHINE_ROOT");
  }
}

TEST_F(CrtIo, FaultSeamCutsReadsAndWritesShort) {
  std::string p = path("fault.bin");
  int fd = _open(p.c_str(), _O_RDWR | _O_CREAT | _O_BINARY, 0644);
  ASSERT_GE(fd, 0);
  pk::seams::FailCrtWriteAfter(4);
  EXPECT_EQ(_write(fd, "abcdef", 6), 4);
  errno = 0;
  EXPECT_EQ(_write(fd, "ef", 2), -1);
  EXPECT_EQ(errno, ENOSPC);
  pk::seams::FailCrtWriteAfter(-1);
  EXPECT_EQ(_write(fd, "ef", 2), 2);
  ASSERT_EQ(_lseek(fd, 0, SEEK_SET), 0);
  pk::seams::FailCrtReadAfter(3);
  char buf[8] = {};
  EXPECT_EQ(_read(fd, buf, 8), 3);
  errno = 0;
  EXPECT_EQ(_read(fd, buf, 8), -1);
  EXPECT_EQ(errno, EIO);
  pk::seams::ResetAll();
  EXPECT_EQ(_read(fd, buf, 8), 3);
  EXPECT_EQ(std::string(buf, 3), "def");
  _close(fd);
}

}  // namespace
