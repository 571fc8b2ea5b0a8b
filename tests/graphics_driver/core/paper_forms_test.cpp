// The spooler's forms as the paper selection reads them, on the platform's
// standard forms and a user form with a long name.
#include "graphics_driver/core/paper_forms.h"
#include "pdev_fixture.h"
#include "platform/win/win_memory.h"

namespace {

using pk::test::PdevTest;

TEST_F(PdevTest, FormsByNameAndIndex) {
  FORM_INFO_1W* form = nullptr;
  ASSERT_EQ(GetFormByName(printer_, u"A4", &form), 1);
  EXPECT_EQ(form->Size.cx, 210000);
  GlobalFree(form);
  EXPECT_EQ(GetFormByName(printer_, u"No such form", &form), 2);
  EXPECT_EQ(form, nullptr);
  EXPECT_EQ(GetFormByName(printer_, nullptr, &form), 10);

  FormSize size{};
  ASSERT_EQ(GetFormSize(printer_, u"A4", 0, &size), 1);
  EXPECT_EQ(size.width, 2100);
  EXPECT_EQ(size.height, 2970);
  EXPECT_EQ(GetFormSize(printer_, nullptr, 0, &size), 10);

  // The copy of form 9 stands alone once the list is gone.
  ASSERT_EQ(GetFormByIndex(printer_, 9, &form), 1);
  EXPECT_EQ(std::u16string(form->pName), u"A4");
  GlobalFree(form);
  EXPECT_EQ(GetFormByIndex(printer_, 100000, &form), 2);
  EXPECT_EQ(GetFormByIndex(printer_, 0, &form), 10);

  EXPECT_EQ(FindBuiltinFormIndex(printer_, u"A4"), 9u);
  EXPECT_EQ(FindBuiltinFormIndex(printer_, u"a4"), 0u);
}

// A user form's name may be far longer than a paper's: its copy holds it whole.
TEST_F(PdevTest, UserFormWithALongName) {
  std::u16string name(60, u'n');
  FORM_INFO_1W user = {FORM_USER, const_cast<LPWSTR>(name.c_str()), {100000, 200000}, {0, 0, 100000, 200000}};
  ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<const BYTE*>(&user))) << GetLastError();
  FORM_INFO_1W* forms = nullptr;
  DWORD count = 0;
  ASSERT_EQ(EnumPrinterForms(printer_, &forms, nullptr, &count), 1);
  GlobalFree(forms);
  FORM_INFO_1W* form = nullptr;
  ASSERT_EQ(GetFormByIndex(printer_, count, &form), 1);
  EXPECT_EQ(std::u16string(form->pName), name);
  GlobalFree(form);
  EXPECT_EQ(FindBuiltinFormIndex(printer_, name.c_str()), 0u);  // not built in
  FormSize size{};
  ASSERT_EQ(GetFormSize(printer_, nullptr, count, &size), 1);
  EXPECT_EQ(size.width, 1000);
  EXPECT_EQ(size.height, 2000);
}

}  // namespace
