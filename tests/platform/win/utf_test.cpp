// UTF-8 and UTF-16 conversion: well-formed texts round-trip, malformed bytes
// become U+FFFD one lead byte at a time and are told to the caller.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/name_text.h"

TEST(WinUtf, MalformedBytesBecomeReplacementCharacters) {
  struct Case {
    const char* what;
    std::string in;
    std::u16string out;
    bool clean;
  };
  const Case cases[] = {
      {"ascii", "abc", u"abc", true},
      {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00E9\u20AC\U0001F600", true},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD", false},
      {"overlong three-byte zero", "\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD", false},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
      {"past the last code point", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},
      {"cut at the end", "a\xE2\x82", u"a\uFFFD\uFFFD", false},
      {"stray continuation", "\x80z", u"\uFFFDz", false},
      {"bad continuation", "\xC3(", u"\uFFFD(", false},
  };
  for (const Case& c : cases) {
    std::u16string out;
    EXPECT_EQ(pk::Utf8ToUtf16(c.in, &out), c.clean) << c.what;
    EXPECT_EQ(out, c.out) << c.what;
    EXPECT_EQ(pk::Utf8ToUtf16(c.in), c.out) << c.what;
  }
}

TEST(WinUtf, Utf16RoundTripsAndLoneSurrogatesAreReplaced) {
  const std::u16string text = u"Dr\u00FCcker \u20AC \U0001F5A8";
  EXPECT_EQ(pk::Utf8ToUtf16(pk::Utf16ToUtf8(text)), text);
  EXPECT_EQ(pk::Utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(pk::Utf16ToUtf8(u"x" + std::u16string(1, u'\xDC00')), "x\xEF\xBF\xBD");
}
