// The registry in the machine database: key paths, values, enumeration order,
// size rules, deletion, the read-only machine seam, the seeded logon user and
// sharing between processes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

const char16_t kTempFiles[] = u"Software\\Caldrix\\KZ TRD Printer Driver\\TempFile";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { pk::seams::UseTemporaryMachineRoot(); }
};

LONG SetDword(HKEY key, const char16_t* name, DWORD v) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

std::vector<std::u16string> SubKeys(HKEY key, LONG* end) {
  std::vector<std::u16string> out;
  WCHAR name[261];
  for (DWORD i = 0;; ++i) {
    LONG rc = RegEnumKeyW(key, i, name, 261);
    if (rc != ERROR_SUCCESS) {
      *end = rc;
      return out;
    }
    out.push_back(name);
  }
}

TEST_F(RegistryTest, SlashesStayInsideOneKeyName) {
  std::u16string path = std::u16string(kTempFiles) + u"\\d:/temp/KZP1A2.tmp";
  HKEY key;
  ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);  // parents made too
  RegCloseKey(key);
  ASSERT_EQ(RegSetValueW(HKEY_LOCAL_MACHINE, path.c_str(), REG_SZ, u"[2026,12/10,14:05:00]", 0), ERROR_SUCCESS);
  HKEY reg;
  ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, kTempFiles, &reg), ERROR_SUCCESS);
  LONG end = 0;
  EXPECT_EQ(SubKeys(reg, &end), std::vector<std::u16string>{u"d:/temp/KZP1A2.tmp"});
  EXPECT_EQ(end, ERROR_NO_MORE_ITEMS);
  // The subkey's default value holds the text, terminator included.
  HKEY sub;
  ASSERT_EQ(RegOpenKeyW(reg, u"D:/TEMP/kzp1a2.TMP", &sub), ERROR_SUCCESS);
  WCHAR text[64];
  DWORD size = sizeof text, type = 0;
  ASSERT_EQ(RegQueryValueExW(sub, u"", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 22u * 2);
  EXPECT_EQ(std::u16string(text), u"[2026,12/10,14:05:00]");
  RegCloseKey(sub);
  // Deleting by the same name (any case) empties the register again.
  EXPECT_EQ(RegDeleteKeyW(reg, u"d:/temp/kzp1a2.tmp"), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(reg, &end).size(), 0u);
  RegCloseKey(reg);
}

TEST_F(RegistryTest, ValuesAndTheirSizeRules) {
  HKEY key;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Caldrix\\Printer\\", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  BYTE sixteen[16];
  for (int i = 0; i < 16; ++i) sixteen[i] = static_cast<BYTE>(i * 3);
  ASSERT_EQ(RegSetValueExW(key, u"Blob", 0, REG_BINARY, sixteen, 16), ERROR_SUCCESS);

  BYTE four[4] = {};
  DWORD size = 4, type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"blob", nullptr, &type, four, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 16u);
  size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Blob", nullptr, &type, nullptr, &size), ERROR_SUCCESS);  // size query
  EXPECT_EQ(size, 16u);
  BYTE back[16];
  size = 16;
  EXPECT_EQ(RegQueryValueExW(key, u"BLOB", nullptr, &type, back, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::memcmp(back, sixteen, 16), 0);
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, &type, back, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(key, u"Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(key, u"Blob"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(key, u"Blob", nullptr, &type, back, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);

  // A second open finds the existing key; a missing one is 2.
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"software\\caldrix\\PRINTER", 0, nullptr, 0, KEY_READ, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(SetDword(key, u"X", 1), ERROR_ACCESS_DENIED);  // opened for reading only
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Nobody", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, EnumerationKeepsCreationOrder) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, u"Order", &key), ERROR_SUCCESS);
  const char16_t* names[] = {u"zeta", u"Alpha", u"mid"};
  for (const char16_t* n : names) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyW(key, n, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    ASSERT_EQ(SetDword(key, n, 1), ERROR_SUCCESS);
  }
  ASSERT_EQ(SetDword(key, u"ZETA", 2), ERROR_SUCCESS);  // an update keeps its place
  LONG end = 0;
  EXPECT_EQ(SubKeys(key, &end), (std::vector<std::u16string>{u"zeta", u"Alpha", u"mid"}));
  std::vector<std::u16string> values;
  WCHAR name[32];
  DWORD len = 32, type = 0, data = 0, size = 4;
  for (DWORD i = 0;
       RegEnumValueW(key, i, name, &len, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS;
       ++i, len = 32, size = 4)
    values.push_back(std::u16string(name) + (data == 2 ? u"=2" : u""));
  EXPECT_EQ(values, (std::vector<std::u16string>{u"ZETA=2", u"Alpha", u"mid"}));

  // A name too long for the buffer answers 234 and the walk goes on.
  len = 3;
  EXPECT_EQ(RegEnumValueW(key, 1, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  len = 3;
  EXPECT_EQ(RegEnumValueW(key, 2, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  len = 4;
  EXPECT_EQ(RegEnumValueW(key, 2, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(len, 3u);
  EXPECT_EQ(RegEnumValueW(key, 3, name, &len, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyW(key, 1, name, 5), ERROR_MORE_DATA);  // "Alpha" needs 6

  DWORD subKeys = 0, maxSub = 0, valueCount = 0, maxName = 0, maxData = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &valueCount, &maxName,
                             &maxData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(maxSub, 5u);
  EXPECT_EQ(valueCount, 3u);
  EXPECT_EQ(maxName, 5u);
  EXPECT_EQ(maxData, 4u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DeletingKeys) {
  HKEY key, child;
  ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"Software\\Caldrix\\Parent\\Child", &child), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"software\\caldrix", &key), ERROR_SUCCESS);  // any case
  EXPECT_EQ(RegDeleteKeyW(key, u"Parent"), ERROR_ACCESS_DENIED);                          // has a subkey
  EXPECT_EQ(RegDeleteKeyW(key, u"Parent\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(key, u"Parent\\Child"), ERROR_FILE_NOT_FOUND);
  // The deleted key's handle answers 1018.
  EXPECT_EQ(SetDword(child, u"v", 1), ERROR_KEY_DELETED);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(child, u"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(key, u"Parent"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);  // a root stays
  RegCloseKey(key);
}

TEST_F(RegistryTest, ReadOnlyMachineRefusesWrites) {
  HKEY soft;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_ALL_ACCESS, &soft), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(soft, u"WriteCheck", 1), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(soft, u"WriteCheck"), ERROR_SUCCESS);
  pk::seams::SetMachineRegistryReadOnly(true);
  EXPECT_EQ(SetDword(soft, u"WriteCheck", 1), ERROR_ACCESS_DENIED);
  HKEY k;
  EXPECT_EQ(RegCreateKeyW(soft, u"NewKey", &k), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, u"Software\\Fine", &k), ERROR_SUCCESS);  // the user's own
  RegCloseKey(k);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(soft, u"WriteCheck", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(soft);
}

TEST_F(RegistryTest, FreshRootSeedsTheLogonUser) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  WCHAR name[128];
  DWORD size = sizeof name, type = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"DefaultUserName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_GT(size, 2u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, ASecondProcessSharesItAndACrashLosesNothing) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"Software\\Shared", &key), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"Value", 0x1234), ERROR_SUCCESS);
  RegCloseKey(key);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The child reads the parent's value, answers with a value of its own and
    // dies at once: what a call reported as done survives the crash.
    HKEY k;
    DWORD v = 0, size = 4;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\SHARED", &k) == ERROR_SUCCESS &&
        RegQueryValueExW(k, u"value", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size) == ERROR_SUCCESS &&
        v == 0x1234)
      SetDword(k, u"FromChild", 7);
    kill(getpid(), SIGKILL);
    _exit(1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"Software\\Shared", &key), ERROR_SUCCESS);
  DWORD v = 0, size = 4;
  EXPECT_EQ(RegQueryValueExW(key, u"FromChild", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 7u);
  RegCloseKey(key);
}

}  // namespace

namespace {

TEST_F(RegistryTest, CurrentUserFollowsTheUserName) {
  DWORD value = 0, size = 4;
  HKEY key;
  pk::seams::SetUserName(u"Alice");
  EXPECT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, u"Software\\Caldrix", &key), ERROR_FILE_NOT_FOUND);  // nothing yet
  EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, u"Seen", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, u"Software\\Caldrix", &key), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"Seen", 1), ERROR_SUCCESS);
  RegCloseKey(key);
  pk::seams::SetUserName(u"Bob");
  EXPECT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, u"Software\\Caldrix", &key), ERROR_FILE_NOT_FOUND);
  pk::seams::SetUserName(u"alice");
  ASSERT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, u"Software\\Caldrix", &key), ERROR_SUCCESS);
  size = 4;
  EXPECT_EQ(RegQueryValueExW(key, u"Seen", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  RegCloseKey(key);
}

}  // namespace
