// Forms: the built-in set in paper-code order, lookups by name, and the forms
// users add after them.
#include <set>

#include "tests/platform/spooler/spooler_test_support.h"

namespace {

using pk::test::FetchBlock;
using pk::test::TextInBlock;

class SpoolerForms : public pk::test::SpoolerTest {
 protected:
  std::vector<BYTE> Forms(HANDLE h, DWORD* count) {
    return FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return EnumFormsW(h, 1, p, n, need, count); });
  }
};

TEST_F(SpoolerForms, BuiltinFormsSitAtTheirPaperCodes) {
  HANDLE h = Open();
  DWORD count = 0;
  std::vector<BYTE> block = Forms(h, &count);
  ASSERT_EQ(count, 118u);
  auto forms = reinterpret_cast<FORM_INFO_1W*>(block.data());
  struct Expected {
    int code;
    const char16_t* name;
    LONG cx, cy;
  };
  const Expected table[] = {
      {1, u"Letter", 215900, 279400},    {3, u"Tabloid", 279400, 431800},   {5, u"Legal", 215900, 355600},
      {8, u"A3", 297000, 420000},        {9, u"A4", 210000, 297000},        {11, u"A5", 148000, 210000},
      {12, u"B4 (JIS)", 257000, 364000}, {13, u"B5 (JIS)", 182000, 257000}, {42, u"B4 (ISO)", 250000, 353000},
      {66, u"A2", 420000, 594000},       {70, u"A6", 105000, 148000},       {4, u"Ledger", 431800, 279400},
  };
  for (const Expected& e : table) {
    const FORM_INFO_1W& f = forms[e.code - 1];
    EXPECT_EQ(std::u16string(f.pName), e.name) << e.code;
    EXPECT_EQ(f.Flags, static_cast<DWORD>(FORM_BUILTIN)) << e.code;
    EXPECT_EQ(f.Size.cx, e.cx) << e.code;
    EXPECT_EQ(f.Size.cy, e.cy) << e.code;
  }
  // Every position is filled with a distinct name and the whole form printable.
  std::set<std::u16string> names;
  for (DWORD i = 0; i < count; ++i) {
    const FORM_INFO_1W& f = forms[i];
    ASSERT_TRUE(TextInBlock(block, f.pName)) << i;
    EXPECT_TRUE(names.insert(f.pName).second) << i;
    EXPECT_GT(f.Size.cx, 0);
    EXPECT_GT(f.Size.cy, 0);
    EXPECT_EQ(f.ImageableArea.left, 0);
    EXPECT_EQ(f.ImageableArea.top, 0);
    EXPECT_EQ(f.ImageableArea.right, f.Size.cx);
    EXPECT_EQ(f.ImageableArea.bottom, f.Size.cy);
  }
}

TEST_F(SpoolerForms, GetFormGivesTheSameRecordAsTheList) {
  HANDLE h = Open();
  std::vector<BYTE> block =
      FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return GetFormW(h, u"A4", 1, p, n, need); });
  ASSERT_EQ(block.size() > sizeof(FORM_INFO_1W), true);
  auto f = reinterpret_cast<FORM_INFO_1W*>(block.data());
  EXPECT_TRUE(TextInBlock(block, f->pName));
  EXPECT_EQ(std::u16string(f->pName), u"A4");
  EXPECT_EQ(f->Flags, static_cast<DWORD>(FORM_BUILTIN));
  EXPECT_EQ(f->Size.cx, 210000);
  EXPECT_EQ(f->Size.cy, 297000);
  EXPECT_EQ(f->ImageableArea.right, 210000);

  DWORD needed = 0;
  BYTE buffer[256];
  for (const char16_t* unknown : {u"A4 Huge", u""}) {
    EXPECT_FALSE(GetFormW(h, unknown, 1, buffer, sizeof buffer, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_NAME));
  }
  EXPECT_FALSE(GetFormW(h, u"A4", 2, buffer, sizeof buffer, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  DWORD count = 0;
  EXPECT_FALSE(EnumFormsW(h, 2, buffer, sizeof buffer, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  EXPECT_FALSE(EnumFormsW(nullptr, 1, buffer, sizeof buffer, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SpoolerForms, UserFormsFollowTheBuiltinOnesAndKeepTheirArea) {
  HANDLE h = Open();
  FORM_INFO_1W form{FORM_BUILTIN, const_cast<LPWSTR>(u"Custom 1"), {100000, 150000}, {5000, 6000, 95000, 140000}};
  ASSERT_TRUE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&form)));
  FORM_INFO_1W second{FORM_USER, const_cast<LPWSTR>(u"Custom 2"), {200000, 100000}, {0, 0, 200000, 100000}};
  ASSERT_TRUE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&second)));

  DWORD count = 0;
  std::vector<BYTE> block = Forms(h, &count);
  ASSERT_EQ(count, 120u);
  auto forms = reinterpret_cast<FORM_INFO_1W*>(block.data());
  EXPECT_EQ(std::u16string(forms[118].pName), u"Custom 1");
  EXPECT_EQ(forms[118].Flags, static_cast<DWORD>(FORM_USER));
  EXPECT_EQ(forms[118].Size.cy, 150000);
  EXPECT_EQ(forms[118].ImageableArea.left, 5000);
  EXPECT_EQ(forms[118].ImageableArea.bottom, 140000);
  EXPECT_EQ(std::u16string(forms[119].pName), u"Custom 2");

  // A name in use, built in or added, any case.
  for (const char16_t* taken : {u"Custom 1", u"CUSTOM 2", u"A4", u"letter"}) {
    FORM_INFO_1W again = form;
    again.pName = const_cast<LPWSTR>(taken);
    EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&again)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS)) << static_cast<int>(taken[0]);
  }
  // Looked up by name, also through another handle.
  HANDLE other = Open();
  std::vector<BYTE> one =
      FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return GetFormW(other, u"custom 1", 1, p, n, need); });
  EXPECT_EQ(std::u16string(reinterpret_cast<FORM_INFO_1W*>(one.data())->pName), u"Custom 1");
}

TEST_F(SpoolerForms, AddingNeedsAnAdministratorAndASoundForm) {
  HANDLE h = Open();
  FORM_INFO_1W form{FORM_USER, const_cast<LPWSTR>(u"Mine"), {100000, 100000}, {0, 0, 100000, 100000}};
  EXPECT_FALSE(AddFormW(h, 2, reinterpret_cast<LPBYTE>(&form)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  FORM_INFO_1W empty = form;
  empty.Size.cx = 0;
  EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&empty)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_SIZE));
  EXPECT_FALSE(AddFormW(h, 1, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  pk::seams::SetUserIsAdministrator(false);
  EXPECT_FALSE(AddFormW(h, 1, reinterpret_cast<LPBYTE>(&form)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  DWORD needed = 0;
  EXPECT_FALSE(GetFormW(h, u"Mine", 1, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FORM_NAME));
}

}  // namespace
