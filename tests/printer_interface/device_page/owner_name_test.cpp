// The owner name made from the logon user and the computer, fitted to the
// characters an owner name may hold.
#include <string>

#include "device_page_fixture.h"

namespace pk::test {
namespace {

constexpr BYTE kSingle[] = {0x20, 0x7E, 0xA1, 0xDF, 0};
constexpr BYTE kDouble[] = {0x81, 0x40, 0xFC, 0xFC, 0};

class OwnerNameTest : public DevicePageTest {
 protected:
  std::u16string Owner(int limit = kOwnerNameBytes) {
    WCHAR out[80] = {};
    const int n = FormatLogonOwnerName(out, limit, kSingle, kDouble);
    EXPECT_EQ(n, static_cast<int>(std::u16string(out).size()));
    return out;
  }
  void SetWinlogonUser(const char16_t* name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::u16string text(name);
    ASSERT_EQ(RegSetValueExW(key, u"DefaultUserName", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() * 2 + 2)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

TEST_F(OwnerNameTest, UserAndComputerAreJoinedAndFitted) {
  pk::seams::SetComputerName(u"WS-7");
  const std::u16string name31(31, u'n');
  struct Case {
    std::u16string user;
    std::u16string owner;
  };
  for (const Case& c :
       {Case{u"kato", u"kato\\WS-7"}, Case{u"caf\u00e9", u"UnknownUser\\WS-7"}, Case{u"   ", u"UnknownUser\\WS-7"},
        Case{name31, name31}, Case{std::u16string(30, u'n'), std::u16string(30, u'n') + u"\\"},
        Case{std::u16string(40, u'a'), std::u16string(31, u'a')}}) {
    pk::seams::SetUserName(c.user.c_str());
    EXPECT_EQ(Owner(), c.owner) << std::string(c.user.begin(), c.user.end());
  }
  // The computer name is cut to 35 characters less the user's.
  pk::seams::SetUserName(u"kato");
  pk::seams::SetComputerName(u"A-VERY-LONG-COMPUTER-NAME-OF-THE-OFFICE");
  EXPECT_EQ(Owner(64), u"kato\\A-VERY-LONG-COMPUTER-NAME-OF-TH");
  EXPECT_EQ(Owner(), u"kato\\A-VERY-LONG-COMPUTER-NAME-");
  pk::seams::FailComputerName(5);
  EXPECT_EQ(Owner(), u"kato\\UnknownHost");
}

TEST_F(OwnerNameTest, TheSystemAccountTakesTheWinlogonDefaultUser) {
  pk::seams::SetComputerName(u"WS-7");
  SetWinlogonUser(u"admin");
  for (const char16_t* system : {u"SYSTEM", u"System"}) {
    pk::seams::SetUserName(system);
    EXPECT_EQ(Owner(), u"admin\\WS-7");
  }
  pk::seams::FailUserName(5);
  EXPECT_EQ(Owner(), u"admin\\WS-7");
  // "system" in other letters is a user of that name.
  pk::seams::SetUserName(u"system");
  EXPECT_EQ(Owner(), u"system\\WS-7");
  // Without the Winlogon value the user is unknown.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0,
                          KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  RegDeleteValueW(key, u"DefaultUserName");
  RegCloseKey(key);
  pk::seams::SetUserName(u"SYSTEM");
  EXPECT_EQ(Owner(), u"UnknownUser\\WS-7");
}

TEST_F(OwnerNameTest, DoubleByteNamesAreFittedWithoutSplittingACharacter) {
  pk::seams::SetCodePages(932, 932);
  char out[40] = {};
  // Two full-width letters, then a third that passes the limit of 5 bytes.
  EXPECT_EQ(FitNameToCharset(u"\uFF21\uFF22\uFF23", out, 5, kSingle, kDouble), 4);
  EXPECT_EQ(FitNameToCharset(u"\u3000\u3000", out, 31, kSingle, kDouble), 0);  // blanks only
  EXPECT_EQ(FitNameToCharset(u"a\uFF21", out, 31, kSingle, kDouble), 3);
  // A character the code page lacks is no '?'.
  pk::seams::SetCodePages(1252, 437);
  EXPECT_EQ(FitNameToCharset(u"a\u4E2D", out, 31, kSingle, kDouble), 0);
  EXPECT_EQ(FitNameToCharset(u"", out, 31, kSingle, kDouble), 0);
}

}  // namespace
}  // namespace pk::test
