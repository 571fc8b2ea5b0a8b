// Files on the machine root: path mapping, creation and share modes (also
// across processes), temp names, OpenFile, mappings, listing, the C run-time
// calls and the write-fault seam.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win/machine_root.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

bool HostExists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0;
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { root_ = pk::seams::UseTemporaryMachineRoot(); }
  HANDLE Create(const char16_t* path, DWORD access, DWORD share, DWORD creation) {
    return CreateFileW(path, access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  void WriteAll(const char16_t* path, const std::string& text) {
    HANDLE h = Create(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr));
    CloseHandle(h);
  }
  std::string ReadAll(const char16_t* path) {
    HANDLE h = Create(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) return "<none>";
    char buf[512];
    DWORD n = 0;
    ReadFile(h, buf, sizeof buf, &n, nullptr);
    CloseHandle(h);
    return std::string(buf, n);
  }
  std::string root_;
};

TEST_F(FilesTest, PathsMapOntoTheRoot) {
  struct Case {
    const char16_t* in;
    const char* windows;  // null: refused
    DWORD error;
  } cases[] = {
      {u"C:\\Temp\\BRISCA\\PRV.pjl", "C:\\Temp\\BRISCA\\PRV.pjl", 0},
      {u"c:/temp/Brisca//prv.pjl", "C:\\temp\\Brisca\\prv.pjl", 0},
      {u"C:\\..\\..\\x", "C:\\x", 0},
      {u"C:\\a\\.\\b\\..\\c\\", "C:\\a\\c", 0},
      {u"d:\\temp\\", "D:\\temp", 0},
      {u"\\Windows", "C:\\Windows", 0},
      {u"rel\\f.txt", "C:\\rel\\f.txt", 0},
      {u"\\\\server\\share\\f", nullptr, ERROR_INVALID_NAME},
      {u"\\\\?\\C:\\f", nullptr, ERROR_INVALID_NAME},
      {u"C:\\temp\\NUL.txt", nullptr, ERROR_INVALID_NAME},
      {u"C:\\temp\\com1", nullptr, ERROR_INVALID_NAME},
      {u"C:\\a?b", nullptr, ERROR_INVALID_NAME},
      {u"", nullptr, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    std::u16string win;
    std::string host;
    DWORD e = PkResolveWindowsPath(c.in, &win, &host);
    SCOPED_TRACE(Narrow(c.in));
    if (!c.windows) {
      EXPECT_EQ(e, c.error);
      continue;
    }
    ASSERT_EQ(e, 0u);
    EXPECT_EQ(Narrow(win), c.windows);
  }
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\..\\..\\x", nullptr, &host), 0u);
  EXPECT_EQ(host, root_ + "/c/x");
}

TEST_F(FilesTest, OneFileUnderTwoSpellings) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Temp", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Temp\\BRISCA", nullptr));
  WriteAll(u"C:\\Temp\\BRISCA\\PRV.pjl", "job");
  EXPECT_EQ(ReadAll(u"c:/temp/Brisca//prv.pjl"), "job");
  // A second folder differing only in case: the exact spelling wins.
  ASSERT_EQ(mkdir((root_ + "/c/Temp/Brisca").c_str(), 0755), 0);
  WriteAll(u"C:\\Temp\\Brisca\\PRV.pjl", "other");
  EXPECT_EQ(ReadAll(u"C:\\Temp\\BRISCA\\prv.PJL"), "job");
  EXPECT_EQ(ReadAll(u"C:\\Temp\\Brisca\\prv.pjl"), "other");
}

TEST_F(FilesTest, CurrentDirectoryAnchorsRelativePaths) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
  EXPECT_FALSE(SetCurrentDirectoryW(u"C:\\Missing"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  ASSERT_TRUE(SetCurrentDirectoryW(u"c:\\work"));
  WCHAR buf[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buf), 7u);
  EXPECT_EQ(std::u16string(buf), u"C:\\work");
  EXPECT_EQ(GetCurrentDirectoryW(3, buf), 8u);  // too small: the size needed
  WriteAll(u"note.txt", "n");
  EXPECT_TRUE(HostExists(root_ + "/c/Work/note.txt"));
  WriteAll(u"C:sub.txt", "s");  // drive-relative: the current folder of C
  EXPECT_TRUE(HostExists(root_ + "/c/Work/sub.txt"));
}

TEST_F(FilesTest, CreationModes) {
  struct Case {
    DWORD creation;
    bool exists;
    bool opens;
    DWORD error;          // last error after the call
    const char* content;  // what the file holds afterwards (null: no file)
  } cases[] = {
      {CREATE_NEW, false, true, 0, ""},
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_ALWAYS, false, true, 0, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {OPEN_EXISTING, true, true, 0, "old"},
      {OPEN_ALWAYS, false, true, 0, ""},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {TRUNCATE_EXISTING, true, true, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.creation << (c.exists ? " existing" : " missing"));
    DeleteFileW(u"C:\\f.bin");
    if (c.exists) WriteAll(u"C:\\f.bin", "old");
    HANDLE h = Create(u"C:\\f.bin", GENERIC_READ | GENERIC_WRITE, 0, c.creation);
    DWORD e = GetLastError();
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(e, c.error);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (c.content) EXPECT_EQ(ReadAll(u"C:\\f.bin"), c.content);
    else EXPECT_FALSE(HostExists(root_ + "/c/f.bin"));
  }
  // A missing folder is 3, a folder itself 5.
  EXPECT_EQ(Create(u"C:\\no\\f", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Create(u"C:\\Windows", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FilesTest, ReadWriteSeekAndSize) {
  HANDLE h = Create(u"C:\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
  EXPECT_EQ(n, 10u);
  DWORD high = 7;
  EXPECT_EQ(GetFileSize(h, &high), 10u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
  EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_CURRENT), 2u);
  char buf[16] = {};
  ASSERT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "234");
  EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_END), 7u);
  ASSERT_TRUE(ReadFile(h, buf, 16, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "789");
  ASSERT_TRUE(ReadFile(h, buf, 16, &n, nullptr));  // at the end: success, nothing read
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  LONG hi = 1;  // 64-bit move: 4 GiB + 0 from the start
  EXPECT_EQ(SetFilePointer(h, 0, &hi, FILE_BEGIN), 0u);
  EXPECT_EQ(hi, 1);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // A read-only handle refuses writes.
  h = Create(u"C:\\rw.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(h);
}

TEST_F(FilesTest, ShareModesAmongHandles) {
  WriteAll(u"C:\\s.bin", "s");
  struct Case {
    DWORD access1, share1, access2, share2;
    bool second;
  } cases[] = {
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
      {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, FILE_SHARE_READ, false},
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, false},  // the second denies the writer
      {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      {GENERIC_READ, 0, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, false},
      {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE,
       FILE_SHARE_READ | FILE_SHARE_WRITE, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.access1 << "/" << c.share1 << " then " << c.access2 << "/"
                                    << c.share2);
    HANDLE a = Create(u"C:\\s.bin", c.access1, c.share1, OPEN_EXISTING);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    HANDLE b = Create(u"C:\\S.BIN", c.access2, c.share2, OPEN_EXISTING);
    EXPECT_EQ(b != INVALID_HANDLE_VALUE, c.second);
    if (b == INVALID_HANDLE_VALUE) EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    else CloseHandle(b);
    CloseHandle(a);
  }
  // CREATE_ALWAYS on a held file neither opens nor truncates it.
  HANDLE a = Create(u"C:\\s.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_EQ(Create(u"C:\\s.bin", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(a);
  EXPECT_EQ(ReadAll(u"C:\\s.bin"), "s");
}

// A handle with share 0, held here or by another process, keeps the file from
// being opened or deleted until it is closed.
TEST_F(FilesTest, ExclusiveHoldBlocksOpenAndDeleteAcrossProcesses) {
  WriteAll(u"C:\\held.tmp", "data");
  for (bool inChild : {false, true}) {
    SCOPED_TRACE(inChild ? "held by a forked process" : "held here");
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    HANDLE held = INVALID_HANDLE_VALUE;
    pid_t pid = -1;
    if (inChild) {
      pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        HANDLE h = Create(u"C:\\held.tmp", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
        char c = h != INVALID_HANDLE_VALUE ? 'y' : 'n';
        (void)!write(toParent[1], &c, 1);
        (void)!read(toChild[0], &c, 1);
        CloseHandle(h);
        (void)!write(toParent[1], &c, 1);
        _exit(0);
      }
      char c = 0;
      ASSERT_EQ(read(toParent[0], &c, 1), 1);
      ASSERT_EQ(c, 'y');
    } else {
      held = Create(u"C:\\held.tmp", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
      ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(Create(u"C:\\held.tmp", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileW(u"C:\\held.tmp"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(HostExists(root_ + "/c/held.tmp"));
    if (inChild) {
      char c = 'x';
      ASSERT_EQ(write(toChild[1], &c, 1), 1);
      ASSERT_EQ(read(toParent[0], &c, 1), 1);
      int status = 0;
      waitpid(pid, &status, 0);
    } else {
      EXPECT_TRUE(CloseHandle(held));
    }
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) close(fd);
    HANDLE h = Create(u"C:\\held.tmp", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    if (inChild) {
      EXPECT_TRUE(DeleteFileW(u"C:\\held.tmp"));
      EXPECT_FALSE(HostExists(root_ + "/c/held.tmp"));
    }
  }
  // A holder that shares delete lets the file go.
  WriteAll(u"C:\\shared.tmp", "x");
  HANDLE h = Create(u"C:\\shared.tmp", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  EXPECT_TRUE(DeleteFileW(u"C:\\shared.tmp"));
  CloseHandle(h);
  EXPECT_FALSE(DeleteFileW(u"C:\\shared.tmp"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, TempNamesAndSystemFolders) {
  WCHAR temp[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, temp);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(temp[n - 1], u'\\');
  pk::seams::SetTempPath(u"d:\\temp\\");
  n = GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(std::u16string(temp), u"D:\\temp\\");
  EXPECT_EQ(GetTempPathW(2, temp), n + 1);

  WCHAR a[MAX_PATH], b[MAX_PATH];
  UINT ua = GetTempFileNameW(u"d:\\temp\\", u"KZP", 0, a);
  UINT ub = GetTempFileNameW(u"d:\\temp\\", u"KZP", 0, b);
  ASSERT_NE(ua, 0u);
  ASSERT_NE(ub, 0u);
  EXPECT_NE(std::u16string(a), std::u16string(b));
  for (const WCHAR* name : {a, b}) {
    std::u16string s(name);
    SCOPED_TRACE(Narrow(s));
    ASSERT_EQ(s.rfind(u"d:\\temp\\KZP", 0), 0u);
    ASSERT_TRUE(s.ends_with(u".tmp"));
    std::u16string hex = s.substr(11, s.size() - 15);
    EXPECT_FALSE(hex.empty());
    EXPECT_LE(hex.size(), 4u);
    EXPECT_EQ(hex.find_first_not_of(u"0123456789ABCDEF"), std::u16string::npos);
    HANDLE h = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);  // created, empty
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    CloseHandle(h);
  }
  // With a number given only the name is made.
  EXPECT_EQ(GetTempFileNameW(u"d:\\temp", u"KZPX", 0x1A2, a), 0x1A2u);
  EXPECT_EQ(std::u16string(a), u"d:\\temp\\KZP1A2.tmp");
  EXPECT_FALSE(HostExists(root_ + "/d/temp/KZP1A2.tmp"));
  EXPECT_EQ(GetTempFileNameW(u"d:\\missing\\", u"KZP", 0, a), 0u);

  WCHAR dir[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectoryW(dir, MAX_PATH), 10u);
  EXPECT_EQ(std::u16string(dir), u"C:\\Windows");
  EXPECT_EQ(GetSystemDirectoryW(dir, MAX_PATH), 19u);
  EXPECT_EQ(std::u16string(dir), u"C:\\Windows\\System32");
  EXPECT_EQ(GetSystemDirectoryW(dir, 5), 20u);
  EXPECT_TRUE(HostExists(root_ + "/c/Windows/System32"));
}

TEST_F(FilesTest, FoldersCopyAndOpenFile) {
  EXPECT_TRUE(CreateDirectoryW(u"C:\\Out", nullptr));
  EXPECT_FALSE(CreateDirectoryW(u"c:\\out", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryW(u"C:\\No\\Out", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // TRUNCATE_EXISTING of a missing file: 2, nothing created.
  EXPECT_EQ(CreateFileW(u"C:\\Out\\gone.pjl", GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(HostExists(root_ + "/c/Out/gone.pjl"));

  WriteAll(u"C:\\Out\\a.pjl", "payload");
  EXPECT_TRUE(CopyFileW(u"C:\\Out\\a.pjl", u"C:\\Out\\b.pjl", TRUE));
  EXPECT_FALSE(CopyFileW(u"C:\\Out\\a.pjl", u"C:\\Out\\b.pjl", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  WriteAll(u"C:\\Out\\a.pjl", "second");
  EXPECT_TRUE(CopyFileW(u"C:\\Out\\a.pjl", u"C:\\Out\\b.pjl", FALSE));
  EXPECT_EQ(ReadAll(u"C:\\Out\\b.pjl"), "second");
  EXPECT_FALSE(CopyFileW(u"C:\\Out\\none", u"C:\\Out\\c.pjl", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  // OpenFile: the existence test leaves no handle; delete deletes.
  OFSTRUCT of;
  SIZE_T before = pk::seams::LiveHandles();
  EXPECT_NE(OpenFile("C:\\Out\\b.pjl", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_EQ(pk::seams::LiveHandles(), before);
  EXPECT_EQ(OpenFile("C:\\Out\\none.pjl", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_EQ(of.nErrCode, ERROR_FILE_NOT_FOUND);
  EXPECT_NE(OpenFile("C:\\Out\\b.pjl", &of, OF_DELETE), HFILE_ERROR);
  EXPECT_FALSE(HostExists(root_ + "/c/Out/b.pjl"));
  EXPECT_EQ(OpenFile("C:\\Out\\b.pjl", &of, OF_DELETE), HFILE_ERROR);

  // A created HFILE works with the handle calls; a 259-byte name is accepted.
  std::string longName = "C:\\Out\\" + std::string(259 - 7 - 4, 'n') + ".pjl";
  ASSERT_EQ(longName.size(), 259u);
  HFILE hf = OpenFile(longName.c_str(), &of, OF_CREATE | OF_WRITE);
  ASSERT_NE(hf, HFILE_ERROR);
  EXPECT_STREQ(of.szPathName, longName.c_str());
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(hf));
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "abc", 3, &n, nullptr));
  EXPECT_TRUE(CloseHandle(h));
  HFILE rd = OpenFile(longName.c_str(), &of, OF_READ);
  char buf[8] = {};
  EXPECT_TRUE(ReadFile(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(rd)), buf, 8, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "abc");
  CloseHandle(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(rd)));
  EXPECT_EQ(OpenFile((longName + "x").c_str(), &of, OF_CREATE | OF_WRITE), HFILE_ERROR);
}

TEST_F(FilesTest, ViewOutlivesItsHandles) {
  WriteAll(u"C:\\map.bin", "mapped bytes");
  HANDLE f = CreateFileW(u"C:\\map.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  HANDLE m = CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  const void* view = MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(CloseHandle(m));
  EXPECT_TRUE(CloseHandle(f));
  EXPECT_EQ(std::memcmp(view, "mapped bytes", 12), 0);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));
  // An empty file cannot be mapped; a view cannot be written.
  WriteAll(u"C:\\empty.bin", "");
  f = CreateFileW(u"C:\\empty.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(CreateFileMappingW(f, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_INVALID));
  CloseHandle(f);
}

TEST_F(FilesTest, FindListsMatchingNames) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\List", nullptr));
  for (const char16_t* n : {u"C:\\List\\KZP1.tmp", u"C:\\List\\kzp2.TMP", u"C:\\List\\other.txt"}) WriteAll(n, "x");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\List\\Sub", nullptr));
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(u"c:\\list\\*.tmp", &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::vector<std::string> names{Narrow(d.cFileName)};
  while (FindNextFileW(h, &d)) names.push_back(Narrow(d.cFileName));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  EXPECT_EQ(names, (std::vector<std::string>{"KZP1.tmp", "kzp2.TMP"}));
  h = FindFirstFileW(u"C:\\List\\S?b", &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  FindClose(h);
  EXPECT_EQ(FindFirstFileW(u"C:\\List\\*.none", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileW(u"C:\\Nowhere\\*", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, RuntimeFileCalls) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Rt", nullptr));
  int fd = _open("c:\\rt\\out.tif", _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_write(fd, "II*\0abcdef", 10), 10);
  EXPECT_EQ(_tell(fd), 10);
  EXPECT_EQ(_close(fd), 0);
  struct _stat st;
  ASSERT_EQ(_stat("C:\\RT\\OUT.TIF", &st), 0);
  EXPECT_EQ(st.st_size, 10);
  EXPECT_TRUE(st.st_mode & _S_IFREG);
  EXPECT_EQ(_stat("C:\\Rt\\none", &st), -1);
  fd = _open("C:\\Rt\\out.tif", _O_RDONLY | _O_BINARY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_lseek(fd, 0, SEEK_END), 10);
  EXPECT_EQ(_lseek(fd, 4, SEEK_SET), 4);
  char buf[8] = {};
  EXPECT_EQ(_read(fd, buf, 8), 6);
  EXPECT_EQ(std::string(buf, 6), "abcdef");
  // A handle that denies reading keeps the run-time open out too.
  HANDLE h = CreateFileW(u"C:\\Rt\\out.tif", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);  // fd shares read and write but reads
  _close(fd);
  h = CreateFileW(u"C:\\Rt\\out.tif", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(_open("C:\\Rt\\out.tif", _O_RDONLY), -1);
  CloseHandle(h);
  EXPECT_EQ(_open("C:\\Rt\\missing", _O_RDONLY), -1);
}

TEST_F(FilesTest, WriteFaults) {
  // After 10 more bytes: a write of 100 writes and reports 10, fails with 112;
  // the retry of the rest completes the file in order.
  std::string data;
  for (int i = 0; i < 100; ++i) data += static_cast<char>('A' + i % 26);
  pk::seams::FailWritesAfter(u"\\job", 10, false);
  HANDLE h = CreateFileW(u"C:\\job.tmp", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  EXPECT_FALSE(WriteFile(h, data.data(), 100, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(n, 10u);
  EXPECT_TRUE(WriteFile(h, data.data() + n, 100 - n, &n, nullptr));
  EXPECT_EQ(n, 90u);
  CloseHandle(h);
  EXPECT_EQ(ReadAll(u"C:\\job.tmp").substr(0, 100), data);

  // From the 2nd write on, always; other paths are untouched.
  pk::seams::FailWritesFrom(u"job", 2, true);
  h = CreateFileW(u"C:\\job.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  HANDLE other = CreateFileW(u"C:\\other.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_TRUE(WriteFile(h, "ab", 2, &n, nullptr));
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(WriteFile(h, "cd", 2, &n, nullptr));
    EXPECT_EQ(n, 0u);
  }
  EXPECT_TRUE(WriteFile(other, "ok", 2, &n, nullptr));
  pk::seams::ClearWriteFaults();
  EXPECT_TRUE(WriteFile(h, "ef", 2, &n, nullptr));
  CloseHandle(h);
  CloseHandle(other);
  EXPECT_EQ(ReadAll(u"C:\\job.tmp"), "abef");
}

// Paths taken from the registry (which any program can write) stay inside the
// root: climbing with ".." ends at the drive folder.
TEST_F(FilesTest, NoPathReachesOutsideTheRoot) {
  std::string outside = root_ + "-victim";
  { std::ofstream(outside) << "keep"; }
  std::string rel = outside.substr(1);  // without the leading slash
  std::u16string winPath = u"C:\\..\\..\\..\\..\\..\\..\\..\\..";
  for (char c : rel) winPath += c == '/' ? u'\\' : static_cast<char16_t>(c);
  HKEY key;
  ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"Software\\Test\\TempFile", &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(winPath.c_str()),
                           static_cast<DWORD>((winPath.size() + 1) * 2)),
            ERROR_SUCCESS);
  WCHAR stored[1024];
  DWORD size = sizeof stored;
  ASSERT_EQ(RegQueryValueExW(key, u"Path", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_FALSE(DeleteFileW(stored));
  EXPECT_EQ(CreateFileW(stored, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(stored, nullptr, &host), 0u);
  EXPECT_EQ(host.rfind(root_ + "/c/", 0), 0u);
  EXPECT_TRUE(HostExists(outside));
  unlink(outside.c_str());
}

}  // namespace
