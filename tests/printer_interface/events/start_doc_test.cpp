// Document start: the label block handed to the graphics driver, field by
// field, from the settings of its DEVMODE and the machine's names and clock.
#include "event_fixture.h"

namespace pk::test {
namespace {

const char16_t* const kWinlogon = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

class StartDocTest : public EventTest {
 protected:
  void SetUp() override {
    EventTest::SetUp();
    for (SettingId id = 464; id <= 469; ++id) Set(devMode_, id, 0);
    seams::SetClock(SYSTEMTIME{2026, 1, 1, 5, 7, 4, 30, 0}, 1000);
  }
  // Runs STARTDOC; the label block sent, or none.
  bool Run(LabelInfoBlock* block) {
    ScriptedDc dc;
    dc.Answer(ESC_GET_DEVMODE, Working());
    EXPECT_EQ(Event(DOCUMENTEVENT_STARTDOC, dc.hdc()), 1);
    std::vector<int> codes = dc.EscapeCodes();
    if (codes.size() == 1) {
      EXPECT_EQ(codes[0], static_cast<int>(ESC_GET_DEVMODE));
      return false;
    }
    EXPECT_EQ(codes, std::vector<int>({ESC_GET_DEVMODE, ESC_SET_LABEL_INFO}));
    std::vector<uint8_t> in = dc.InputOf(ESC_SET_LABEL_INFO);
    EXPECT_EQ(in.size(), sizeof(LabelInfoBlock));
    std::memcpy(block, in.data(), std::min(in.size(), sizeof *block));
    return true;
  }
  void SetDefaultUserName(const std::u16string& name, bool terminated) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kWinlogon, &key), ERROR_SUCCESS);
    const DWORD bytes = static_cast<DWORD>((name.size() + (terminated ? 1 : 0)) * 2);
    ASSERT_EQ(RegSetValueExW(key, u"DefaultUserName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()), bytes),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

// Every byte of the block but those of the given field is zero.
void ExpectOnly(const LabelInfoBlock& block, const WCHAR* field, const std::u16string& text) {
  EXPECT_EQ(std::u16string(field), text);
  LabelInfoBlock rest = block;
  std::memset(const_cast<WCHAR*>(field) - reinterpret_cast<const WCHAR*>(&block) + reinterpret_cast<WCHAR*>(&rest), 0,
              (text.size() + 1) * 2);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&rest);
  EXPECT_EQ(std::count(bytes, bytes + sizeof rest, 0), static_cast<long>(sizeof rest));
}

TEST_F(StartDocTest, DateAndTimeFields) {
  LabelInfoBlock block;
  Set(devMode_, 468, 1);
  ASSERT_TRUE(Run(&block));
  ExpectOnly(block, block.date, u"2026/1/5");
  Set(devMode_, 468, 0);
  Set(devMode_, 469, 1);
  ASSERT_TRUE(Run(&block));
  ExpectOnly(block, block.time, u"07:04");
}

TEST_F(StartDocTest, UserAndComputerFields) {
  seams::SetUserName(u"kato");
  seams::SetComputerName(u"WS-7");
  Set(devMode_, 464, 1);
  Set(devMode_, 465, 1);
  LabelInfoBlock block;
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(std::u16string(block.user), u"kato");
  EXPECT_EQ(std::u16string(block.computer), u"kato\\WS-7");
  EXPECT_EQ(block.date[0], 0);

  // A computer name that cannot be read.
  seams::FailComputerName(5);
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(std::u16string(block.computer), u"kato\\UnkownHost");

  // A name the field cannot hold in 63 ANSI bytes gives an empty field.
  seams::SetUserName(std::u16string(64, u'n').c_str());
  Set(devMode_, 465, 0);
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(block.user[0], 0);
  seams::SetUserName(std::u16string(63, u'n').c_str());
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(std::u16string(block.user), std::u16string(63, u'n'));
}

// The service account takes the machine's default logon user; a value stored
// without its terminator still gives exactly its characters.
TEST_F(StartDocTest, ServiceAccountTakesTheDefaultLogonUser) {
  seams::SetUserName(u"SYSTEM");
  Set(devMode_, 464, 1);
  LabelInfoBlock block;
  // The root's own default logon user.
  WCHAR rootUser[256] = {};
  DWORD bytes = sizeof rootUser - 2, type = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryValueExW(key, u"DefaultUserName", nullptr, &type, reinterpret_cast<BYTE*>(rootUser), &bytes),
            ERROR_SUCCESS);
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(std::u16string(block.user), std::u16string(rootUser));
  // No default user: the fallback text never shows.
  ASSERT_EQ(RegDeleteValueW(key, u"DefaultUserName"), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(block.user[0], 0);
  SetDefaultUserName(u"tanaka0123", false);
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(std::u16string(block.user), u"tanaka0123");
  SetDefaultUserName(u"sato", true);
  seams::FailUserName(5);
  ASSERT_TRUE(Run(&block));
  EXPECT_EQ(std::u16string(block.user), u"sato");

  WCHAR name[16];
  DWORD chars = 16;
  SetDefaultUserName(u"", true);
  EXPECT_EQ(GetLogonUserName(name, &chars), 0);
  EXPECT_EQ(std::u16string(name), u"UnknownUser");
  EXPECT_EQ(chars, 11u);
}

TEST_F(StartDocTest, NothingSentWhenNoLabelIsOnOrTheDevModeIsNotAnswered) {
  LabelInfoBlock block;
  EXPECT_FALSE(Run(&block));
  Set(devMode_, 468, 1);
  ScriptedDc dc;
  EXPECT_EQ(Event(DOCUMENTEVENT_STARTDOC, dc.hdc()), 1);
  EXPECT_EQ(dc.EscapeCodes(), std::vector<int>({ESC_GET_DEVMODE}));
  EXPECT_EQ(Event(DOCUMENTEVENT_STARTDOC, nullptr), -1);
}

TEST(RoundTripAnsi, KeepsWhatTheCodePageShowsWithinTheRoom) {
  WCHAR out[8];
  EXPECT_EQ(RoundTripAnsi(u"caf\u00e9", out, 7), 1);
  EXPECT_EQ(std::u16string(out), u"caf\u00e9");
  RoundTripAnsi(u"a\u4e00b", out, 7);
  EXPECT_EQ(std::u16string(out), u"a?b");
  RoundTripAnsi(u"12345678", out, 7);
  EXPECT_EQ(out[0], 0);
  out[0] = u'#';
  EXPECT_EQ(RoundTripAnsi(u"x", out, 1024), 0);
  EXPECT_EQ(out[0], u'#');
}

}  // namespace
}  // namespace pk::test
