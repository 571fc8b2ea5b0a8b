// The application's DEVMODE as the host edits it by id: a public field set
// raises its dmFields bit (else the driver's merge keeps its own value), a
// private setting leaves dmFields alone, and texts reach their fields.
#include "host/devmode_edit.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

#include "platform/win/win_devmode.h"
#include "settings/access/setting_access.h"

namespace {

DWORD Fields(const std::vector<uint8_t>& dm) {
  DWORD f = 0;
  std::memcpy(&f, dm.data() + offsetof(DEVMODEW, dmFields), sizeof f);
  return f;
}

TEST(DevModeEditTest, PublicFieldsRaiseTheirBits) {
  struct Row {
    int id;
    long long value;
    DWORD bit;
  };
  const Row rows[] = {{18, 0, DM_COLLATE}, {12, 2, DM_COPIES}, {16, 2, DM_DUPLEX}, {7, 2, DM_ORIENTATION}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    std::vector<uint8_t> dm = pkhost::BareDevMode();
    const DWORD before = Fields(dm) & ~row.bit;
    std::memcpy(dm.data() + offsetof(DEVMODEW, dmFields), &before, sizeof before);
    std::string why;
    ASSERT_TRUE(pkhost::ApplySetting(dm, row.id, row.value, &why)) << why;
    EXPECT_EQ(Fields(dm), before | row.bit);
  }
  // A private setting is no public field.
  std::vector<uint8_t> dm = pkhost::BareDevMode();
  const DWORD before = Fields(dm);
  std::string why;
  ASSERT_TRUE(pkhost::ApplySetting(dm, 451, 1, &why)) << why;
  EXPECT_EQ(Fields(dm), before);
}

TEST(DevModeEditTest, TextsReachTheirFieldsAndNumbersAreRefused) {
  std::vector<uint8_t> dm = pkhost::BareDevMode();
  std::string why;
  ASSERT_TRUE(pkhost::ApplyTextSetting(dm, 338, "job1", &why)) << why;
  SettingValueType type = 0;
  UINT size = 0;
  const WCHAR* text = nullptr;
  std::vector<uint8_t> work(dm);
  work.resize(4700, 0);
  ASSERT_EQ(GetSettingValue(338, work.data(), nullptr, &type, &size, &text), kSettingOk);
  EXPECT_EQ(std::u16string(text), u"job1");
  EXPECT_FALSE(pkhost::ApplyTextSetting(dm, 451, "x", &why));
  EXPECT_FALSE(pkhost::ApplyTextSetting(dm, 338, std::string(40, 'x'), &why));
  EXPECT_FALSE(pkhost::ApplySetting(dm, 338, 1, &why));
  // A field of the stamp's font record (its height) is a number.
  ASSERT_TRUE(pkhost::ApplySetting(dm, 306, 40, &why)) << why;
  std::vector<uint8_t> font(dm);
  font.resize(4700, 0);
  int32_t height = 0;
  ASSERT_EQ(GetSettingValue(306, font.data(), nullptr, &type, &size, &height), kSettingOk);
  EXPECT_EQ(height, 40);
}

}  // namespace
