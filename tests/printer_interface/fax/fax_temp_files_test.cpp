// The fax temp file records in the current user's registry: one record per
// file and window, clean-up of the records whose window is gone, and the
// files it may delete.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/win_window.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/fax/fax_temp_files.h"
#include "printer_interface/interface_fixture.h"

namespace pk::test {
namespace {

class FaxTempFilesTest : public InterfaceTest {
 protected:
  void TearDown() override {
    for (HWND w : windows_)
      if (IsWindow(w)) DestroyWindow(w);
    InterfaceTest::TearDown();
  }
  HWND Window(HINSTANCE instance, HWND parent = nullptr) {
    HWND w = CreateWindowExW(0, u"STATIC", u"sheet", parent ? WS_CHILD : 0, 0, 0, 10, 10, parent, nullptr, instance,
                             nullptr);
    EXPECT_NE(w, nullptr);
    windows_.push_back(w);
    return w;
  }
  std::u16string TempFile() {
    WCHAR folder[MAX_PATH], path[MAX_PATH];
    EXPECT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    EXPECT_NE(GetTempFileNameW(folder, u"KZF", 0, path), 0u);
    return path;
  }
  static bool Exists(const std::u16string& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    CloseHandle(f);
    return true;
  }
  static void MakeFile(const std::u16string& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
  }
  static void SetValue(const std::u16string& name, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, kFaxTempKey, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void SetRecord(const std::u16string& name, const std::u16string& path, uint64_t window, uint64_t instance) {
    FaxTempFileRecord r{};
    std::memcpy(r.path, path.c_str(), std::min<size_t>(path.size(), kFaxTempPathChars) * 2);
    r.window = window;
    r.instance = instance;
    SetValue(name, &r, sizeof r);
  }
  // The value names under the key with their records' paths.
  static std::vector<std::u16string> Names() {
    std::vector<std::u16string> names;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_CURRENT_USER, kFaxTempKey, &key) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
      WCHAR name[400];
      DWORD chars = 400;
      if (RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.push_back(name);
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
  }
  static FaxTempFileRecord Record(const std::u16string& name) {
    FaxTempFileRecord r{};
    std::vector<BYTE> data;
    EXPECT_TRUE(ReadUserKeyValue(kFaxTempKey, name.c_str(), &data));
    EXPECT_EQ(data.size(), sizeof r);
    if (data.size() == sizeof r) std::memcpy(&r, data.data(), sizeof r);
    return r;
  }
  static uint64_t U64(const void* p) { return reinterpret_cast<uintptr_t>(p); }

  HINSTANCE module_ = reinterpret_cast<HINSTANCE>(0x4000);
  std::vector<HWND> windows_;
};

TEST(FaxTempValueName, NeedsThePrefixWithItsUnderscore) {
  EXPECT_TRUE(IsFaxTempValueName(u"OrvaInfo_1"));
  EXPECT_TRUE(IsFaxTempValueName(u"OrvaInfo_"));
  EXPECT_FALSE(IsFaxTempValueName(u"OrvaInfo1"));
  EXPECT_FALSE(IsFaxTempValueName(u"orvainfo_1"));
  EXPECT_FALSE(IsFaxTempValueName(u"Orva"));
  EXPECT_FALSE(IsFaxTempValueName(nullptr));
}

TEST_F(FaxTempFilesTest, RegisteringTwiceFromOneWindowAddsOneRecordOfTheTopLevelWindow) {
  HWND top = Window(module_);
  HWND child = Window(nullptr, top);
  const std::u16string path = TempFile();
  ASSERT_EQ(RegisterFaxTempFile(child, path.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(RegisterFaxTempFile(child, path.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(Names(), std::vector<std::u16string>{u"OrvaInfo_1"});
  const FaxTempFileRecord r = Record(u"OrvaInfo_1");
  EXPECT_EQ(std::u16string(r.path), path);
  EXPECT_EQ(r.window, U64(top));
  EXPECT_EQ(r.instance, U64(module_));
  EXPECT_TRUE(Exists(path));  // its window is open: kept
  // Another file takes the next free number.
  const std::u16string second = TempFile();
  ASSERT_EQ(RegisterFaxTempFile(top, second.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"OrvaInfo_1", u"OrvaInfo_2"}));
}

TEST_F(FaxTempFilesTest, CleanupDeletesTheFilesOfClosedWindowsOnly) {
  HWND closed = Window(module_);
  HWND open = Window(module_);
  HWND otherInstance = Window(reinterpret_cast<HINSTANCE>(0x5000));
  const std::u16string stale = TempFile(), live = TempFile(), moved = TempFile();
  ASSERT_EQ(StoreFaxTempRecord(stale.c_str(), closed, module_), ERROR_SUCCESS);
  ASSERT_EQ(StoreFaxTempRecord(live.c_str(), open, module_), ERROR_SUCCESS);
  // A window of that handle now belongs to another module instance.
  ASSERT_EQ(StoreFaxTempRecord(moved.c_str(), otherInstance, module_), ERROR_SUCCESS);
  SetRecord(u"OrvaInfo1", stale, U64(closed), U64(module_));  // not ours: untouched
  DestroyWindow(closed);

  const std::u16string next = TempFile();
  ASSERT_EQ(RegisterFaxTempFile(open, next.c_str()), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(stale));
  EXPECT_FALSE(Exists(moved));
  EXPECT_TRUE(Exists(live));
  EXPECT_TRUE(Exists(next));
  // The walk starts again after each delete; the free number 1 is reused.
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"OrvaInfo1", u"OrvaInfo_1", u"OrvaInfo_2"}));
  EXPECT_EQ(std::u16string(Record(u"OrvaInfo_2").path), live);
  EXPECT_EQ(std::u16string(Record(u"OrvaInfo_1").path), next);
}

TEST_F(FaxTempFilesTest, RecordsOfGoneFilesGoWithoutADelete) {
  const std::u16string gone = TempFile();
  HWND open = Window(module_);
  ASSERT_EQ(StoreFaxTempRecord(gone.c_str(), open, module_), ERROR_SUCCESS);
  ASSERT_TRUE(DeleteFileW(gone.c_str()));
  CleanupFaxTempFiles();
  EXPECT_TRUE(Names().empty());
  CleanupFaxTempFiles();  // an empty key, and then none at all, are fine
  RegDeleteKeyW(HKEY_CURRENT_USER, kFaxTempKey);
  CleanupFaxTempFiles();
}

TEST_F(FaxTempFilesTest, OnlyTheSheetsOwnTempFilesAreDeleted) {
  WCHAR folder[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  CreateDirectoryW(u"C:\\Users", nullptr);
  CreateDirectoryW(u"C:\\Users\\kato", nullptr);
  const std::vector<std::u16string> kept = {
      u"C:\\Users\\kato\\report.doc",
      u"C:\\Users\\kato\\KZF1.tmp",            // the right name in another folder
      std::u16string(folder) + u"report.doc",  // another name in the temp folder
      std::u16string(folder) + u"KZF2.tmp.doc",
  };
  int n = 1;
  for (const auto& path : kept) {
    MakeFile(path);
    SetRecord(u"OrvaInfo_" + std::u16string(1, char16_t(u'0' + n++)), path, 0x1234, U64(module_));
  }
  const std::u16string own = std::u16string(folder) + u"kzf3.TMP";
  MakeFile(own);
  SetRecord(u"OrvaInfo_9", own, 0x1234, U64(module_));
  CleanupFaxTempFiles();
  EXPECT_TRUE(Names().empty());  // every record goes: their windows are closed
  for (const auto& path : kept) EXPECT_TRUE(Exists(path)) << std::string(path.begin(), path.end());
  EXPECT_FALSE(Exists(own));
}

TEST_F(FaxTempFilesTest, PathsAreReadWithinTheirUnitsAndOddValuesAreLeft) {
  // A path filling all 264 units has no terminator in the registry.
  SetRecord(u"OrvaInfo_1", std::u16string(kFaxTempPathChars, u'A'), 0x1234, U64(module_));
  const BYTE small[10] = {};
  SetValue(u"OrvaInfo_2", small, sizeof small);  // not a whole record
  const std::u16string longName = u"OrvaInfo_" + std::u16string(300, u'7');
  const std::u16string stale = TempFile();
  SetRecord(longName, stale, 0x1234, U64(module_));  // a name too long to be read is skipped
  CleanupFaxTempFiles();
  const auto names = Names();
  EXPECT_EQ(names, (std::vector<std::u16string>{u"OrvaInfo_2", longName}));
  EXPECT_TRUE(Exists(stale));
  // A path that does not fit a record is refused.
  const std::u16string tooLong(kFaxTempPathChars, u'B');
  EXPECT_EQ(StoreFaxTempRecord(tooLong.c_str(), nullptr, module_), ERROR_FILENAME_EXCED_RANGE);
}

}  // namespace
}  // namespace pk::test
