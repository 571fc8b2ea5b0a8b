// Text conversions to and from the OEM code page into new blocks: the bytes
// iconv gives for the same text, the counts, and the outputs after a failure.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "settings/services/code_pages.h"
#include "settings/services/settings_build.h"

namespace {

// The text (UTF-8) in the code page, as iconv writes it.
std::string Iconv(const std::string& utf8, const char* codePage) {
  std::string command = "printf '%s' '" + utf8 + "' | iconv -f UTF-8 -t " + codePage;
  FILE* p = popen(command.c_str(), "r");
  std::string out;
  if (!p) return out;
  char buffer[64];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

TEST(OemText, ConvertsAsIconvDoes) {
  struct Case {
    UINT ansi, oem;
    const char16_t* wide;
    const char* utf8;
    const char* iconvName;
  } cases[] = {
      {1252, 437, u"Caf\u00e9", "Caf\xc3\xa9", "CP437"},
      {932, 932, u"\u65e5\u672c", "\xe6\x97\xa5\xe6\x9c\xac", "CP932"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iconvName);
    pk::seams::SetCodePages(c.ansi, c.oem);
    LPSTR oem = nullptr;
    int length = -1;
    ASSERT_EQ(WideToOemAlloc(c.wide, &oem, &length), 1);
    std::string expected = Iconv(c.utf8, c.iconvName);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(std::string(oem, size_t(length)), expected);
    EXPECT_EQ(oem[length], 0);
    LPWSTR back = nullptr;
    int count = -1;
    ASSERT_EQ(OemToWideAlloc(oem, &back, &count), 1);
    EXPECT_EQ(std::u16string(back), std::u16string(c.wide));
    EXPECT_EQ(count, int(std::u16string(c.wide).size() + 1));
    GlobalFree(back);
    GlobalFree(oem);
  }
}

// Whenever a conversion answers 0 its block is null and its count 0.
TEST(OemText, FailuresLeaveNoBlock) {
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  LPSTR oem = reinterpret_cast<LPSTR>(1);
  int length = 7;
  EXPECT_EQ(WideToOemAlloc(nullptr, &oem, &length), 0);  // through the conversion in the driver's build
  EXPECT_EQ(oem, nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(WideToOemAlloc(u"x", nullptr, &length), 0);
  EXPECT_EQ(WideToOemAlloc(u"x", &oem, nullptr), 0);
  LPWSTR wide = reinterpret_cast<LPWSTR>(1);
  int count = 7;
  EXPECT_EQ(OemToWideAlloc(nullptr, &wide, &count), 0);
  EXPECT_EQ(wide, nullptr);
  EXPECT_EQ(count, 0);
  pk::seams::FailNthAllocation(1);
  oem = reinterpret_cast<LPSTR>(1);
  EXPECT_EQ(WideToOemAlloc(u"text", &oem, &length), 0);
  EXPECT_EQ(oem, nullptr);
  EXPECT_EQ(length, 0);
  pk::seams::FailNthAllocation(1);
  wide = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(OemToWideAlloc("text", &wide, &count), 0);
  EXPECT_EQ(wide, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

}  // namespace
