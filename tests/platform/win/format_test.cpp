// The wide-text formatter: the directives the system's formats use, the
// 1,024-character limit of wsprintfW and the bounded wnsprintfW.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/win/windows.h"

namespace {

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

}  // namespace

TEST(WinFormat, DirectiveTable) {
  struct Case {
    const char* name;
    std::function<int(WCHAR*)> format;
    std::u16string expected;
  };
  const LONG minusFive = -5;
  const DWORD one = 1, five = 5;
  const Case cases[] = {
      {"favourite value name", [](WCHAR* b) { return wsprintfW(b, u"User%2dDEVMODE", 5); }, u"User 5DEVMODE"},
      {"registration time",
       [](WCHAR* b) { return wsprintfW(b, u"[%04d,%02d/%02d,%02d:%02d:%02d]", 2024, 3, 5, 7, 8, 9); },
       u"[2024,03/05,07:08:09]"},
      {"two decimals", [&](WCHAR* b) { return wsprintfW(b, u"%lu.%02lu", one, five); }, u"1.05"},
      {"file number", [](WCHAR* b) { return wsprintfW(b, u"-%03d", 7); }, u"-007"},
      {"model id", [](WCHAR* b) { return wsprintfW(b, u"DDMID = 0x%0x%s", 0x1A2, u" x"); }, u"DDMID = 0x1a2 x"},
      {"long", [&](WCHAR* b) { return wsprintfW(b, u"%ld", minusFive); }, u"-5"},
      {"upper hex", [](WCHAR* b) { return wsprintfW(b, u"%X", 255); }, u"FF"},
      {"percent", [](WCHAR* b) { return wsprintfW(b, u"%%"); }, u"%"},
      {"null text", [](WCHAR* b) { return wsprintfW(b, u"<%s>", static_cast<const WCHAR*>(nullptr)); }, u"<(null)>"},
      {"character", [](WCHAR* b) { return wsprintfW(b, u"%c%c", u'A', u'\u30e6'); }, u"A\u30e6"},
      {"unsigned max", [](WCHAR* b) { return wsprintfW(b, u"%u", 0xFFFFFFFFu); }, u"4294967295"},
      {"int min", [](WCHAR* b) { return wsprintfW(b, u"%d", INT32_MIN); }, u"-2147483648"},
      {"negative zero pad", [](WCHAR* b) { return wsprintfW(b, u"%04d", -7); }, u"-007"},
      {"width wider than digits only", [](WCHAR* b) { return wsprintfW(b, u"%2d", 123); }, u"123"},
      {"padded minute", [&](WCHAR* b) { return wsprintfW(b, u"%02ld:%02lu", static_cast<LONG>(4), one); }, u"04:01"},
      {"texts", [](WCHAR* b) { return wsprintfW(b, u"%s%d", u"Paper", 10); }, u"Paper10"},
  };
  for (const Case& c : cases) {
    WCHAR buf[WSPRINTF_LIMIT];
    int n = c.format(buf);
    EXPECT_EQ(std::u16string(buf), c.expected) << c.name << ": " << Narrow(buf);
    EXPECT_EQ(n, static_cast<int>(c.expected.size())) << c.name;
  }
}

// wsprintfW stops at 1,023 characters and the terminator: a 1,500-character
// result writes nothing past the 1,024th character.
TEST(WinFormat, UnboundedFormStopsAtItsLimit) {
  std::u16string insert(1500, u'a');
  std::u16string buf(2000, u'#');
  int n = wsprintfW(buf.data(), u"%s", insert.c_str());
  EXPECT_EQ(n, 1023);
  EXPECT_EQ(lstrlenW(buf.c_str()), 1023);
  EXPECT_EQ(buf[1024], u'#');
}

// The bounded form never writes past its capacity: a 2,000-character insert
// into a 64-character block gives 63 characters, the terminator and -1. The
// block is exactly 64 characters long, so the sanitizer sees any overrun.
TEST(WinFormat, BoundedFormCutsAndTerminates) {
  std::u16string insert(2000, u'n');
  auto block = std::make_unique<WCHAR[]>(64);
  EXPECT_EQ(wnsprintfW(block.get(), 64, u"Feature %s missing", insert.c_str()), -1);
  EXPECT_EQ(lstrlenW(block.get()), 63);
  EXPECT_EQ(std::u16string(block.get(), 8), u"Feature ");

  // A text that fits is returned with its length; one character too many is cut.
  EXPECT_EQ(wnsprintfW(block.get(), 64, u"%s-%03d", u"Job", 7), 7);
  EXPECT_EQ(std::u16string(block.get()), u"Job-007");
  std::u16string exact(63, u'x');
  EXPECT_EQ(wnsprintfW(block.get(), 64, u"%s", exact.c_str()), 63);
  EXPECT_EQ(wnsprintfW(block.get(), 64, u"%s!", exact.c_str()), -1);
  EXPECT_EQ(std::u16string(block.get()), exact);
  EXPECT_EQ(wnsprintfW(block.get(), 3, u"%d", 12345), -1);
  EXPECT_EQ(std::u16string(block.get()), u"12");
  EXPECT_EQ(wnsprintfW(block.get(), 0, u"x"), -1);
}

// A directive outside the supported set is a programming error: debug builds
// stop on it, release builds copy it as it stands.
TEST(WinFormat, UnsupportedDirective) {
  WCHAR buf[WSPRINTF_LIMIT];
#ifdef NDEBUG
  EXPECT_EQ(wsprintfW(buf, u"a%qb%", 1), 5);
  EXPECT_EQ(std::u16string(buf), u"a%qb%");
#else
  EXPECT_DEATH(wsprintfW(buf, u"a%qb", 1), "unsupported directive");
#endif
}
