// Code pages: the stored Japanese names read as 1252 characters and as 932
// text, round trips, buffer sizes, lead bytes and character sets.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/windows.h"
#include "platform/win/win_seams.h"

namespace {

std::u16string ToWide(UINT cp, const std::string& bytes) {
  int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<size_t>(n), u'\0');
  EXPECT_EQ(MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n), n);
  return out;
}

std::string ToBytes(UINT cp, const std::u16string& wide, BOOL* usedDefault = nullptr) {
  int n = WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, usedDefault);
  std::string out(static_cast<size_t>(n), '\0');
  EXPECT_EQ(WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, usedDefault),
            n);
  return out;
}

// Bytes of the user-defined paper base name and of the default face name.
const std::string kUserDefined = "\x83\x86\x81\x5B\x83\x55\x81\x5B\x92\xE8\x8B\x60";
const std::string kGothic = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

}  // namespace

TEST(WinCodePage, StoredNamesUnder1252And932) {
  struct Case {
    UINT cp;
    std::string bytes;
    std::u16string wide;
  };
  const Case cases[] = {
      {1252, kUserDefined, u"\u0192\u2020\u0081\u005B\u0192\u0055\u0081\u005B\u2019\u00E8\u2039\u0060"},
      {932, kUserDefined, u"\u30E6\u30FC\u30B6\u30FC\u5B9A\u7FA9"},
      {1252, kGothic, u"\u201A\u006C\u201A\u0072\u0020\u0192\u0053\u0192\u0056\u0192\u0062\u0192\u004E"},
      {1252, "\x81\x8D\x8F\x90\x9D\x80\xFF", u"\u0081\u008D\u008F\u0090\u009D\u20AC\u00FF"},
      {437, "\x80\xE1\xFF\xB0", u"\u00C7\u00DF\u00A0\u2591"},
      {932, "A\xB1\x5C", u"A\uFF71\\"},
      {CP_UTF8, "\xC3\xA9\xE3\x83\xA6\xF0\x9F\x98\x80", u"\u00E9\u30E6\U0001F600"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToWide(c.cp, c.bytes), c.wide) << c.cp;
    BOOL usedDefault = TRUE;
    EXPECT_EQ(ToBytes(c.cp, c.wide, c.cp == CP_UTF8 ? nullptr : &usedDefault), c.bytes) << c.cp;
    if (c.cp != CP_UTF8) {
      EXPECT_FALSE(usedDefault);
    }
  }
}

TEST(WinCodePage, EveryByteOf1252And437RoundTrips) {
  for (UINT cp : {1252u, 437u}) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::u16string wide = ToWide(cp, all);
    ASSERT_EQ(wide.size(), all.size());
    EXPECT_EQ(ToBytes(cp, wide), all) << cp;
  }
}

TEST(WinCodePage, SizesTerminatorsAndShortBuffers) {
  // -1 counts the terminator.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, nullptr, 0, nullptr, nullptr), 4);

  WCHAR wide[4] = {u'#', u'#', u'#', u'#'};
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "abcdef", -1, wide, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(wide[3], u'#');

  char bytes[4] = {'#', '#', '#', '#'};
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(932, 0, u"\u30E6\u30FC", -1, bytes, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  EXPECT_EQ(MultiByteToWideChar(1250, 0, "a", 1, wide, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WinCodePage, UnmappableCharactersUseTheDefault) {
  BOOL usedDefault = FALSE;
  EXPECT_EQ(ToBytes(1252, u"a\u30E6b", &usedDefault), "a?b");
  EXPECT_TRUE(usedDefault);
  char out[8];
  const char star = '*';
  int n = WideCharToMultiByte(437, 0, u"\u20AC\u00E9", 2, out, 8, &star, &usedDefault);
  EXPECT_EQ(std::string(out, static_cast<size_t>(n)), "*\x82");
  // A lead byte with nothing after it, and invalid bytes when they must fail.
  EXPECT_EQ(ToWide(932, "a\x83"), u"a\u30FB");
  WCHAR wide[4];
  EXPECT_EQ(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "a\x83", 2, wide, 4), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(WinCodePage, CodePageSeamAndLeadBytes) {
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetOEMCP(), 437u);
  EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x81));
  EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xA1));
  EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x81));
  EXPECT_FALSE(IsDBCSLeadByte(0x81));

  pk::seams::SetCodePages(932, 932);
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(GetOEMCP(), 932u);
  EXPECT_TRUE(IsDBCSLeadByte(0x81));
  EXPECT_EQ(ToWide(CP_ACP, kUserDefined), u"\u30E6\u30FC\u30B6\u30FC\u5B9A\u7FA9");
  EXPECT_EQ(ToBytes(CP_OEMCP, u"\u30E6\u30FC\u30B6\u30FC\u5B9A\u7FA9"), kUserDefined);
}

TEST(WinCodePage, CharsetToCodePage) {
  struct Case {
    DWORD charset;
    UINT codePage;
  };
  for (Case c : {Case{0, 1252}, Case{128, 932}, Case{204, 1251}}) {
    CHARSETINFO info = {};
    ASSERT_TRUE(
        TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(c.charset)), &info, TCI_SRCCHARSET));
    EXPECT_EQ(info.ciACP, c.codePage);
    EXPECT_EQ(info.ciCharset, c.charset);
  }
  CHARSETINFO info = {};
  EXPECT_TRUE(TranslateCharsetInfo(reinterpret_cast<DWORD*>(uintptr_t{932}), &info, TCI_SRCCODEPAGE));
  EXPECT_EQ(info.ciCharset, 128u);
  EXPECT_FALSE(TranslateCharsetInfo(reinterpret_cast<DWORD*>(uintptr_t{77}), &info, TCI_SRCCHARSET));
}
