// Wide-text helpers: length, bounded copy, comparisons, number conversion
// and path splitting.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/win/windows.h"

TEST(WinText, LengthAndBoundedCopy) {
  EXPECT_EQ(lstrlenW(u"abc"), 3);
  EXPECT_EQ(lstrlenW(nullptr), 0);
  WCHAR buf[5];
  for (WCHAR& c : buf) c = u'#';
  EXPECT_EQ(lstrcpynW(buf, u"abcdefg", 4), buf);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(buf[4], u'#');
  lstrcpynW(buf, u"xy", 5);
  EXPECT_EQ(std::u16string(buf), u"xy");
}

TEST(WinText, Comparisons) {
  struct Case {
    const WCHAR* a;
    const WCHAR* b;
    int cmp, cmpi;
  };
  const Case cases[] = {
      {u"abc", u"abc", 0, 0},
      {u"abc", u"ABC", 1, 0},
      {u"abc", u"abd", -1, -1},
      {u"ab", u"abc", -1, -1},
      {u"\u00e9t\u00e9", u"\u00c9T\u00c9", 1, 0},
      {u"\u0431", u"\u0411", 1, 0},
      {nullptr, u"a", -1, -1},
      {u"", u"", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lstrcmpW(c.a, c.b), c.cmp);
    EXPECT_EQ(lstrcmpiW(c.a, c.b), c.cmpi);
    EXPECT_EQ(lstrcmpiW(c.b, c.a), -c.cmpi);
  }
  EXPECT_EQ(_wcsnicmp(u"Letter Size", u"LETTER", 6), 0);
  EXPECT_LT(_wcsnicmp(u"A4", u"B4", 2), 0);
  EXPECT_EQ(_wcsnicmp(u"ab", u"ab", 10), 0);
  EXPECT_NE(_wcsnicmp(u"ab", u"abc", 3), 0);
  EXPECT_EQ(_wcsnicmp(nullptr, u"a", 1), INT_MAX);
}

TEST(WinText, NumberConversion) {
  struct Case {
    const WCHAR* text;
    int value;
  };
  const Case cases[] = {
      {u"  -42ab", -42},
      {u"+17", 17},
      {u"\t\n9", 9},
      {u"x1", 0},
      {u"", 0},
      {u"2147483647", INT_MAX},
      {u"99999999999", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"-99999999999", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(_wtoi(c.text), c.value) << std::string(c.text, c.text + lstrlenW(c.text));

  WCHAR buf[34];
  EXPECT_EQ(std::u16string(_itow(-305, buf, 10)), u"-305");
  EXPECT_EQ(std::u16string(_itow(255, buf, 16)), u"ff");
  EXPECT_EQ(std::u16string(_itow(-1, buf, 16)), u"ffffffff");
  EXPECT_EQ(std::u16string(_itow(INT_MIN, buf, 10)), u"-2147483648");
  EXPECT_EQ(std::u16string(_itow(5, buf, 2)), u"101");
}

TEST(WinText, SplitPath) {
  struct Case {
    const WCHAR* path;
    const WCHAR* drive;
    const WCHAR* dir;
    const WCHAR* fname;
    const WCHAR* ext;
  };
  const Case cases[] = {
      {u"C:\\Temp\\BRISCA\\job.kwv", u"C:", u"\\Temp\\BRISCA\\", u"job", u".kwv"},
      {u"report.final.pdf", u"", u"", u"report.final", u".pdf"},
      {u"d:/a.b/name", u"d:", u"/a.b/", u"name", u""},
      {u"\\\\server\\share\\", u"", u"\\\\server\\share\\", u"", u""},
      {u"", u"", u"", u"", u""},
  };
  for (const Case& c : cases) {
    WCHAR drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _wsplitpath(c.path, drive, dir, fname, ext);
    EXPECT_EQ(std::u16string(drive), c.drive);
    EXPECT_EQ(std::u16string(dir), c.dir);
    EXPECT_EQ(std::u16string(fname), c.fname);
    EXPECT_EQ(std::u16string(ext), c.ext);
  }
  WCHAR fname[_MAX_FNAME];
  _wsplitpath(u"C:\\x\\only.txt", nullptr, nullptr, fname, nullptr);
  EXPECT_EQ(std::u16string(fname), u"only");

  // A base name longer than its buffer is cut, never written past it.
  std::u16string longName(600, u'n');
  std::u16string path = u"C:\\" + longName + u".txt";
  _wsplitpath(path.c_str(), nullptr, nullptr, fname, nullptr);
  EXPECT_EQ(lstrlenW(fname), _MAX_FNAME - 1);
}
