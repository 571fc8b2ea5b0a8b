// The sheets' small services: the keyed list, typed text in the OEM code
// page (932 and 1252/437 through the code-page seam), decimal parsing,
// resource texts, message boxes, display scaling and unit labels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/printer_dc.h"
#include "platform/ui/win_window.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/interface_fixture.h"
#include "printer_interface/text/keyed_list.h"
#include "printer_interface/text/oem_text.h"
#include "printer_interface/text/resource_text.h"
#include "settings/services/code_pages.h"

namespace pk::test {
namespace {

// ---- Keyed list -----------------------------------------------------------

struct KeyedListFixture : ::testing::Test {
  void SetUp() override {
    list = CreateKeyedList();
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(KeyedListPush(list, 10 + i, i % 2, &values[i]), 1);
  }
  void TearDown() override {
    EXPECT_EQ(FreeKeyedList(&list), 1);
    EXPECT_EQ(list, nullptr);
  }
  std::vector<int*> ByIndex() {
    std::vector<int*> out;
    for (int i = 0; i < list->count; ++i) out.push_back(static_cast<int*>(KeyedListAt(list, i)));
    return out;
  }
  KeyedList* list = nullptr;
  int values[6] = {0, 1, 2, 3, 4, 5};
};

TEST_F(KeyedListFixture, IndexesCountFromTheOldest) {
  EXPECT_EQ(KeyedListAt(list, 0), &values[0]);
  EXPECT_EQ(KeyedListAt(list, 3), &values[3]);
  EXPECT_EQ(KeyedListAt(list, 4), nullptr);
  EXPECT_EQ(KeyedListAt(list, -1), nullptr);
  // The walk runs from the newest.
  KeyedListNode* next = nullptr;
  EXPECT_EQ(KeyedListFirst(list, &next), &values[3]);
  EXPECT_EQ(KeyedListNext(next, &next), &values[2]);
}

TEST_F(KeyedListFixture, InsertAtKeepsOlderIndexesAndMovesNewerUp) {
  ASSERT_EQ(KeyedListInsertAt(list, 1, 99, 0, &values[4]), 1);
  EXPECT_EQ(ByIndex(), (std::vector<int*>{&values[0], &values[4], &values[1], &values[2], &values[3]}));
  EXPECT_EQ(KeyedListInsertAt(list, 5, 99, 0, &values[5]), 0);  // the index must be below the count
  ASSERT_EQ(KeyedListInsertAt(list, 0, 98, 0, &values[5]), 1);
  EXPECT_EQ(KeyedListAt(list, 0), &values[5]);
  EXPECT_EQ(KeyedListAt(list, 1), &values[0]);
}

TEST_F(KeyedListFixture, RemoveAtTheLastIndexWorksAndAtTheCountFails) {
  EXPECT_EQ(KeyedListRemoveAt(list, 4), 0);
  EXPECT_EQ(KeyedListRemoveAt(list, 3), 1);
  EXPECT_EQ(ByIndex(), (std::vector<int*>{&values[0], &values[1], &values[2]}));
  EXPECT_EQ(KeyedListRemoveAt(list, 0), 1);
  EXPECT_EQ(ByIndex(), (std::vector<int*>{&values[1], &values[2]}));
}

TEST_F(KeyedListFixture, FindsByKeyAndSubkeyOrAnySubkey) {
  KeyedListNode* previous = nullptr;
  KeyedListNode* node = KeyedListFindNode(list, 11, 1, &previous);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->data, &values[1]);
  EXPECT_EQ(previous->data, &values[2]);
  EXPECT_EQ(KeyedListFindData(list, 11, 0), nullptr);
  EXPECT_EQ(KeyedListFindData(list, 12, kAnySubkey), &values[2]);
  EXPECT_EQ(KeyedListRemove(list, 13, kAnySubkey), 1);
  EXPECT_EQ(KeyedListRemove(list, 13, kAnySubkey), 0);
  EXPECT_EQ(list->count, 3);
}

TEST(KeyedList, RefusesMissingArgumentsAndLeavesNothingOnFailure) {
  int v = 0;
  EXPECT_EQ(KeyedListPush(nullptr, 1, 0, &v), 0);
  KeyedList* list = CreateKeyedList();
  EXPECT_EQ(KeyedListPush(list, 1, 0, nullptr), 0);
  const SIZE_T before = pk::seams::GlobalLiveBlocks();
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(KeyedListPush(list, 1, 0, &v), 0);
  EXPECT_EQ(list->count, 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  KeyedList* none = nullptr;
  EXPECT_EQ(FreeKeyedList(&none), 1);
  FreeKeyedList(&list);
}

// ---- Parsing and validation -------------------------------------------------

TEST(ParseDecimalInt, AcceptsOnlyTextsWithinThirtyTwoBits) {
  const struct {
    const char* text;
    int valid;
    DWORD value;
  } cases[] = {
      {"4294967295", 1, 0xFFFFFFFFu},
      {"4294967296", 0, 0},
      {"+4294967296", 0, 0},
      {"-2147483648", 1, 0x80000000u},
      {"-2147483649", 0, 0},
      {"", 0, 0},
      {"12a", 0, 0},
      {"-", 0, 0},
      {"+7", 1, 7},
      {"-12", 1, DWORD(-12)},
      {"00000000001", 0, 0},
      {"0000000001", 1, 1},
  };
  for (const auto& c : cases) {
    DWORD value = 12345;
    EXPECT_EQ(ParseDecimalInt(c.text, &value), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

TEST(ValidateText, SignDecimalBlankAndEmptyRules) {
  const BYTE digits[] = {'0', '9', 0};
  const struct {
    const char16_t* text;
    DWORD flags;
    int decimals;
    int valid;
  } cases[] = {
      {u"-1.5", 0x051, 1, 1}, {u"1.55", 0x051, 1, 0}, {u"1.2.3", 0x051, 1, 0},
      {u"1.55", 0x251, 1, 1},  // 0x200 lifts the decimal limit
      {u"-1.5", 0x041, 1, 0},  // a sign looked at but not skipped is a character like any
      {u"-15", 0x021, 0, 0},  {u"+15", 0x011, 0, 1},  {u"15", 0x021, 0, 1},
      {u"", 0x000, 0, 0},     {u"", 0x200, 0, 1},     {u"1a", 0x000, 0, 0},
      {u"  ", 0x100, 0, 0},   {u" 1", 0x100, 0, 0},  // the blank is not a digit
  };
  for (const auto& c : cases)
    EXPECT_EQ(ValidateText(c.text, digits, nullptr, nullptr, nullptr, c.flags, c.decimals), c.valid)
        << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)) << " flags " << c.flags;
  // Flags 0x041 without ranges: the sign is a character like any other.
  EXPECT_EQ(ValidateText(u"-1.5", nullptr, nullptr, nullptr, nullptr, 0x041, 1), 1);
  EXPECT_EQ(ValidateText(u"1.55", nullptr, nullptr, nullptr, nullptr, 0x041, 1), 0);
  EXPECT_EQ(ValidateText(u"1.2.3", nullptr, nullptr, nullptr, nullptr, 0x041, 1), 0);
  // Without ranges any single byte passes; blanks alone are refused with 0x100.
  EXPECT_EQ(ValidateText(u" \t ", nullptr, nullptr, nullptr, nullptr, 0x100, 0), 0);
  EXPECT_EQ(ValidateText(u" \t ", nullptr, nullptr, nullptr, nullptr, 0, 0), 1);
  const BYTE forbidden[] = {'/', '\\', 0};
  EXPECT_EQ(ValidateText(u"a/b", nullptr, nullptr, forbidden, nullptr, 0, 0), 0);
  EXPECT_EQ(ValidateText(u"ab", nullptr, nullptr, forbidden, nullptr, 0, 0), 1);
  EXPECT_EQ(ValidateText(nullptr, nullptr, nullptr, nullptr, nullptr, 0x200, 0), 0);
}

TEST(ValidateText, DoubleByteRangesAndPairsInCodePage932) {
  pk::seams::SetCodePages(932, 932);
  // Ten full-width digits: 20 OEM bytes.
  const std::u16string text(10, u'\uFF11');
  LPSTR oem = nullptr;
  int length = 0;
  ASSERT_EQ(WideToOemAlloc(text.c_str(), &oem, &length), 1);
  EXPECT_EQ(length, 20);
  GlobalFree(oem);
  const BYTE range[] = {0x81, 0x40, 0xFC, 0xFC, 0};
  const BYTE reversed[] = {0xFC, 0xFC, 0x81, 0x40, 0};
  EXPECT_EQ(ValidateText(text.c_str(), nullptr, range, nullptr, nullptr, 0, 0), 1);
  EXPECT_EQ(ValidateText(text.c_str(), nullptr, reversed, nullptr, nullptr, 0, 0), 0);
  EXPECT_EQ(ValidateText(text.c_str(), nullptr, nullptr, nullptr, nullptr, 0, 0), 0);
  // A list cut short inside an entry ends there (ASan would see a read past it).
  const BYTE cut[] = {0x81, 0x40, 0};
  EXPECT_EQ(ValidateText(text.c_str(), nullptr, cut, nullptr, nullptr, 0, 0), 0);
  // U+FF11 is 0x82 0x50 in 932.
  const BYTE pairs[] = {0x82, 0x50, 0};
  EXPECT_EQ(ValidateText(text.c_str(), nullptr, range, nullptr, pairs, 0, 0), 0);
  // The full-width space alone is blank.
  EXPECT_EQ(ValidateText(u"\u3000", nullptr, range, nullptr, nullptr, 0x100, 0), 0);
  EXPECT_EQ(ValidateText(u"\u3000", nullptr, range, nullptr, nullptr, 0, 0), 1);
}

TEST(StripCharacters, KeepsTrailBytesOfDoubleByteCharacters) {
  pk::seams::SetCodePages(932, 932);
  // U+30BD is 0x83 0x5C: its trail byte is a backslash.
  std::u16string text = u"a\u30BD\\b\u30BD";
  ASSERT_EQ(StripCharacters(text.data(), u"\\"), 1);
  EXPECT_EQ(std::u16string(text.c_str()), u"a\u30BDb\u30BD");
  pk::seams::SetCodePages(1252, 437);
  std::u16string plain = u"a-b-c";
  ASSERT_EQ(StripCharacters(plain.data(), u"-c"), 1);
  EXPECT_EQ(std::u16string(plain.c_str()), u"ab");
}

TEST(FileNamePart, AfterTheLastBackslash) {
  EXPECT_EQ(std::u16string(FileNamePart(u"C:\\a\\b.txt")), u"b.txt");
  EXPECT_EQ(std::u16string(FileNamePart(u"name")), u"name");
  EXPECT_EQ(std::u16string(FileNamePart(u"dir\\")), u"");
}

TEST(WideToOemAlloc, InterfaceBuildRefusesAMissingText) {
  LPSTR oem = reinterpret_cast<LPSTR>(1);
  int length = 5;
  EXPECT_EQ(WideToOemAlloc(nullptr, &oem, &length), 0);
  EXPECT_EQ(oem, nullptr);
  LPWSTR wide = reinterpret_cast<LPWSTR>(1);
  int count = 5;
  EXPECT_EQ(OemToWideAlloc(nullptr, &wide, &count), 0);
  EXPECT_EQ(wide, nullptr);
}

// ---- Resource texts -------------------------------------------------------

class ResourceTextTest : public InterfaceTest {};

TEST_F(ResourceTextTest, FormatsAResourceStringWithinItsMaximum) {
  WCHAR out[256];
  const int n = FormatResourceString(out, 256, 730, u"25", u"400", u"mm");
  EXPECT_EQ(std::u16string(out), u"(25 to 400 mm)");
  EXPECT_EQ(n, 14);
  // A long insert is refused by the bounded formatter, never written past.
  const std::u16string insert(600, u'u');
  std::vector<WCHAR> small(256, u'#');
  EXPECT_EQ(FormatResourceString(small.data(), 256, 730, insert.c_str(), u"1", u"mm"), 0);
  EXPECT_EQ(small[0], 0);
  // Just within: the maximum less 2 characters (the format adds 10).
  const std::u16string fits(256 - 2 - 10, u'u');
  EXPECT_EQ(FormatResourceString(small.data(), 256, 730, fits.c_str(), u"1", u"mm"), 254);
  const std::u16string over(256 - 1 - 10, u'u');
  EXPECT_EQ(FormatResourceString(small.data(), 256, 730, over.c_str(), u"1", u"mm"), 0);
  EXPECT_EQ(FormatResourceString(small.data(), 256, 59999), 0);
}

TEST_F(ResourceTextTest, MessageBoxTakesResourceOrGivenTexts) {
  pk::seams::QueueMessageBoxAnswer(IDOK);
  EXPECT_EQ(ShowResourceMessageBox(nullptr, 460, nullptr, MB_OK, kGivenText, u"message"), IDOK);
  pk::seams::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(ShowResourceMessageBox(nullptr, kGivenText, u"caption", MB_OKCANCEL, 461, nullptr), IDCANCEL);
  EXPECT_EQ(ShowResourceMessageBox(nullptr, 59999, nullptr, MB_OK, kGivenText, u"message"), -1);
  EXPECT_EQ(ShowResourceMessageBox(nullptr, kGivenText, u"caption", MB_OK, kGivenText, nullptr), -1);
  const auto calls = pk::seams::MessageBoxCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].caption, u"mm");
  EXPECT_EQ(calls[0].text, u"message");
  EXPECT_EQ(calls[1].caption, u"caption");
  EXPECT_EQ(calls[1].text, u"in");
}

class DpiDc : public pkgdi::PrinterDcBackEnd {
 public:
  int Escape(int, int, const void*, int, void*) override { return 0; }
  int StartPage() override { return 1; }
  int EndPage() override { return 1; }
  bool TextOut(const pkgdi::DcState&, POINT, const std::u16string&) override { return true; }
  bool MeasureText(const pkgdi::DcState&, const std::u16string&, SIZE*) override { return false; }
  bool Polygon(const pkgdi::DcState&, const std::vector<POINT>&) override { return true; }
  bool Ellipse(const pkgdi::DcState&, const RECT&) override { return true; }
  bool Rectangle(const pkgdi::DcState&, const RECT&) override { return true; }
  int DeviceCaps(int index) override { return index == LOGPIXELSX ? 144 : index == LOGPIXELSY ? 120 : 0; }
};

TEST(ScaleForDpi, ScalesFromNinetySixDotsPerInch) {
  DpiDc backEnd;
  HDC dc = pkgdi::CreatePrinterDc(&backEnd);
  EXPECT_EQ(ScaleForDpi(dc, 10, LOGPIXELSX), 15);
  EXPECT_EQ(ScaleForDpi(dc, 10, LOGPIXELSY), 12);
  EXPECT_EQ(ScaleForDpi(dc, 7, 0), 8);  // another axis counts as vertical; truncated
  EXPECT_EQ(ScaleForDpi(nullptr, 10, LOGPIXELSX), 10);
  pkgdi::DeletePrinterDc(dc);
}

TEST_F(ResourceTextTest, UnitLabelsSetEveryControlOfTheList) {
  HWND page = CreateWindowExW(0, u"STATIC", u"page", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(page, nullptr);
  for (int id : {101, 102, 103})
    ASSERT_NE(CreateWindowExW(0, u"STATIC", u"", WS_CHILD, 0, 0, 10, 10, page, reinterpret_cast<HMENU>(intptr_t(id)),
                              nullptr, nullptr),
              nullptr);
  const int labels[] = {101, 103, 0};
  ASSERT_EQ(SetUnitLabels(page, 1, labels), 1);
  WCHAR text[32];
  GetDlgItemTextW(page, 101, text, 32);
  EXPECT_EQ(std::u16string(text), u"in");
  GetDlgItemTextW(page, 102, text, 32);
  EXPECT_EQ(std::u16string(text), u"");
  ASSERT_EQ(SetUnitLabels(page, 0, labels), 1);
  GetDlgItemTextW(page, 103, text, 32);
  EXPECT_EQ(std::u16string(text), u"mm");
  DestroyWindow(page);
}

}  // namespace
}  // namespace pk::test

namespace pk::test {
namespace {

// Each allocation failing in turn: the helper answers 0 and leaves no block.
TEST(TextHelpers, AllocationFailuresLeaveNoBlock) {
  pk::seams::SetCodePages(932, 932);
  for (unsigned n = 1; n <= 3; ++n) {
    const SIZE_T before = pk::seams::GlobalLiveBlocks();
    std::u16string text = u"a\\b\u30BD";
    pk::seams::FailNthAllocation(n);
    const int stripped = StripCharacters(text.data(), u"\\");
    pk::seams::FailNthAllocation(0);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before) << n;
    if (!stripped) {
      EXPECT_EQ(text, u"a\\b\u30BD") << n;  // unchanged on failure
    }
    EXPECT_TRUE(stripped == 0 || text.c_str() == std::u16string(u"ab\u30BD")) << n;
  }
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(ValidateText(u"12", nullptr, nullptr, nullptr, nullptr, 0, 0), 0);
  pk::seams::FailNthAllocation(0);
}

}  // namespace
}  // namespace pk::test
