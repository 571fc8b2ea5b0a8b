// Private profile files and the ANSI temp path: reads with their defaults and
// number rules, in-place updates, appended keys and sections, and a file that
// is made while its folder never is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = pk::seams::UseTemporaryMachineRoot();
    std::filesystem::create_directories(root_ + "/c/cfg");
  }
  void Put(const std::string& text) { std::ofstream(root_ + "/c/cfg/a.ini", std::ios::binary) << text; }
  std::string Get() {
    std::ifstream in(root_ + "/c/cfg/a.ini", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string root_;
};

TEST_F(ProfileTest, ReadsIntegersWithDefaultsAndNumberRules) {
  Put("; comment\r\n[Other]\r\nX=1\r\n[ WindowInfo ]\r\n xpoint = -20 \r\nY=12abc\r\nE=\r\nP=+7\r\nN=abc\r\n");
  const char* file = "C:\\CFG\\A.INI";  // names fold like the host's file names
  struct Case {
    const char* section;
    const char* key;
    UINT want;
  } cases[] = {
      {"WINDOWINFO", "XPOINT", UINT(-20)},
      {"windowinfo", "y", 12u},
      {"WINDOWINFO", "E", 99u},
      {"WINDOWINFO", "P", 7u},
      {"WINDOWINFO", "N", 0u},
      {"WINDOWINFO", "MISSING", 99u},
      {"NOSECTION", "XPOINT", 99u},
      {"OTHER", "XPOINT", 99u},
      {"OTHER", "x", 1u},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetPrivateProfileIntA(c.section, c.key, 99, file), c.want) << c.section << "/" << c.key;
  EXPECT_EQ(GetPrivateProfileIntA("WINDOWINFO", "XPOINT", 80, "C:\\cfg\\none.ini"), 80u);
  EXPECT_EQ(GetPrivateProfileIntA("WINDOWINFO", "XPOINT", 80, "C:\\nofolder\\a.ini"), 80u);
}

TEST_F(ProfileTest, WritesInPlaceAppendsKeysAndSections) {
  const char* file = "C:\\cfg\\a.ini";
  EXPECT_TRUE(WritePrivateProfileStringA("WINDOWINFO", "WINDOWFLAG", "5", file));
  EXPECT_TRUE(WritePrivateProfileStringA("WINDOWINFO", "XPOINT", "10", file));
  EXPECT_TRUE(WritePrivateProfileStringA("Other", "K", "v", file));
  EXPECT_TRUE(WritePrivateProfileStringA("windowinfo", "windowflag", "3", file));
  EXPECT_TRUE(WritePrivateProfileStringA("WINDOWINFO", "YPOINT", "-20", file));
  EXPECT_EQ(Get(), "[WINDOWINFO]\r\nwindowflag=3\r\nXPOINT=10\r\nYPOINT=-20\r\n[Other]\r\nK=v\r\n");
  EXPECT_EQ(GetPrivateProfileIntA("WINDOWINFO", "YPOINT", 0, file), UINT(-20));

  EXPECT_TRUE(WritePrivateProfileStringA("WINDOWINFO", "XPOINT", nullptr, file));
  EXPECT_TRUE(WritePrivateProfileStringA("Other", nullptr, nullptr, file));
  EXPECT_EQ(Get(), "[WINDOWINFO]\r\nwindowflag=3\r\nYPOINT=-20\r\n");
}

TEST_F(ProfileTest, NeverMakesTheFolder) {
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", "C:\\missing\\a.ini"));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/c/missing"));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "1", nullptr));
}

TEST_F(ProfileTest, AnsiTempPathMatchesTheWideOne) {
  pk::seams::SetTempPath(u"C:\\Temp");
  char16_t wide[MAX_PATH];
  char narrow[MAX_PATH];
  DWORD n = GetTempPathA(MAX_PATH, narrow);
  ASSERT_EQ(n, GetTempPathW(MAX_PATH, wide));
  EXPECT_EQ(std::string(narrow), "C:\\Temp\\");
  // Too small a buffer: the size it needs, with the terminator.
  EXPECT_EQ(GetTempPathA(3, narrow), n + 1);
}

}  // namespace
