// Spooler forms against the model's papers: the paper code of a form, the
// form matching a paper by name, size or number, and the check of a paper.
#include <gtest/gtest.h>

#include "defaults_fixture.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/spooler_seams.h"
#include "settings/services/form_matching.h"
#include "settings/services/user_paper.h"

namespace {

class FormMatchingTest : public pk::test::DefaultsTest {
 protected:
  void SetUp() override {
    // The forms as the spooler alone has them: the driver adds none.
    pk::seams::SetPrinterEventCalls(false);
    DefaultsTest::SetUp();
    ASSERT_TRUE(OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &printer_, nullptr));
    FORM_INFO_1W* forms = nullptr;
    ASSERT_EQ(EnumPrinterForms(printer_, &forms, nullptr, &builtins_), 1);
    GlobalFree(forms);
  }
  void TearDown() override {
    if (printer_) ClosePrinter(printer_);
    DefaultsTest::TearDown();
  }
  // Adds a user form (size in 0.1 mm); its number follows the others.
  DWORD AddUserForm(const WCHAR* name, LONG width, LONG height) {
    FORM_INFO_1W form = {
        FORM_USER, const_cast<LPWSTR>(name), {width * 100, height * 100}, {0, 0, width * 100, height * 100}};
    EXPECT_TRUE(AddFormW(printer_, 1, reinterpret_cast<const BYTE*>(&form)));
    return builtins_ + ++added_;
  }
  HANDLE printer_ = nullptr;
  DWORD builtins_ = 0;
  DWORD added_ = 0;
};

TEST_F(FormMatchingTest, PaperCodeOfAForm) {
  DWORD wide = AddUserForm(u"Postcard Wide", 2100, 2970);
  DWORD user = AddUserForm(u"User defined size 2", 1000, 1500);
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  WORD code = 0;
  EXPECT_EQ(FormIndexToPaperCode(printer_, 9, &code), 1);  // built in: its number
  EXPECT_EQ(code, 9);
  code = 0;
  EXPECT_EQ(FormIndexToPaperCode(printer_, user, &code), 1);  // named like a model paper
  EXPECT_EQ(code, 263);
  code = 0;
  EXPECT_EQ(FormIndexToPaperCode(printer_, wide, &code), 2);  // no paper of that name
  EXPECT_EQ(code, 0);
  EXPECT_EQ(FormIndexToPaperCode(printer_, 0, &code), 10);
  EXPECT_EQ(FormIndexToPaperCode(printer_, user + 1, &code), 2);
  EXPECT_EQ(FormIndexToPaperCode(printer_, 9, nullptr), 10);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);

  // A printer whose model cannot be opened.
  ASSERT_EQ(pk::spooler::AddPrinter(u"Broken", u"C:\\models\\absent.ddd"), 0u);
  HANDLE broken = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Broken", &broken, nullptr));
  EXPECT_EQ(FormIndexToPaperCode(broken, wide, &code), 10);
  EXPECT_EQ(FormIndexToPaperCode(broken, 9, &code), 1);
  ClosePrinter(broken);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

TEST_F(FormMatchingTest, MatchByNameNumberAndSize) {
  PaperMatch found = {};
  PaperMatch query = {0, 0, 0, const_cast<WCHAR*>(u"A5"), nullptr};
  ASSERT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormByName, &query, &found), 1);
  EXPECT_EQ(found.key, 11);
  EXPECT_EQ(found.width, 1480);
  EXPECT_EQ(found.height, 2100);
  EXPECT_EQ(pk::test::Wide(found.name), u"A5");
  FreePaperMatch(&found);

  query = {55, 0, 0, nullptr, nullptr};
  ASSERT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormByNumber, &query, &found), 1);
  EXPECT_EQ(pk::test::Wide(found.name), u"A4 Transverse");
  FreePaperMatch(&found);

  // Among the forms of A4's size the query's name or number decides.
  query = {0, 2100, 2970, const_cast<WCHAR*>(u"A4 Small"), nullptr};
  ASSERT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormBySize, &query, &found), 1);
  EXPECT_EQ(found.key, 10);
  FreePaperMatch(&found);
  query = {55, 2100, 2970, nullptr, nullptr};
  ASSERT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormBySize, &query, &found), 1);
  EXPECT_EQ(found.key, 55);
  FreePaperMatch(&found);

  SIZE_T live = pk::seams::GlobalLiveBlocks();
  query = {0, 1234, 1234, nullptr, nullptr};
  EXPECT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormBySize, &query, &found), 0);
  query = {0, 0, 0, const_cast<WCHAR*>(u"No such form"), nullptr};
  EXPECT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormByName, &query, &found), 0);
  query = {0, 0, 0, nullptr, nullptr};
  EXPECT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormByName, &query, &found), 0);
  query = {static_cast<WORD>(builtins_ + 1), 0, 0, nullptr, nullptr};
  EXPECT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormByNumber, &query, &found), 0);
  EXPECT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, 3, &query, &found), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

TEST_F(FormMatchingTest, SizeMatchPrefersTheModelsPaperName) {
  // A model whose A4-sized paper is called "A4 Small".
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.AddPaper(1, ddd::Text::Plain("A4 Small"), 0, {{2100, 2970}, {2100, 2970}}, {}, {}, 10, 0, 0);
  uint16_t option = w.AddOption(14, ddd::Text::Plain("A4 Small"), 10, 1, ddd::Value::I16(10));
  w.AddFeature(4, 8, ddd::Text::Plain("Paper"), 1, 1, {option});
  ASSERT_EQ(Load(w), 0);
  PaperMatch query = {0, 2100, 2970, nullptr, nullptr};
  PaperMatch found = {};
  ASSERT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormBySize, &query, &found), 1);
  EXPECT_EQ(found.key, 10);
  EXPECT_EQ(pk::test::Wide(found.name), u"A4 Small");
  FreePaperMatch(&found);

  // Without a model paper of the size, a form named like a user paper slot
  // wins over the first form of that size.
  WCHAR slotName[15];
  FormatUserPaperName(3, slotName);
  DWORD slotForm = AddUserForm(slotName, 2159, 2794);
  query = {0, 2159, 2794, nullptr, nullptr};
  ASSERT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormBySize, &query, &found), 1);
  EXPECT_EQ(found.key, slotForm);
  FreePaperMatch(&found);

  // Nothing better: the first form of the size.
  query = {0, 2159, 3556, nullptr, nullptr};
  ASSERT_EQ(MatchPrinterForm(model_, nullptr, nullptr, printer_, kFormBySize, &query, &found), 1);
  EXPECT_EQ(found.key, 5);
  FreePaperMatch(&found);
}

TEST_F(FormMatchingTest, CandidatesByNameAndNumber) {
  FORM_INFO_1W* forms = nullptr;
  DWORD count = 0;
  ASSERT_EQ(EnumPrinterForms(printer_, &forms, nullptr, &count), 1);
  const DWORD candidates[] = {8, 9, 54};
  DWORD position = 0;
  PaperMatch query = {0, 0, 0, const_cast<WCHAR*>(u"A4 Small"), nullptr};
  EXPECT_EQ(MatchFormAmongCandidates(forms, candidates, 3, kFormByName, &query, &position), 1);
  EXPECT_EQ(position, 9u);
  query = {55, 0, 0, nullptr, nullptr};
  EXPECT_EQ(MatchFormAmongCandidates(forms, candidates, 3, kFormByNumber, &query, &position), 1);
  EXPECT_EQ(position, 54u);
  query = {11, 0, 0, const_cast<WCHAR*>(u"A5"), nullptr};
  EXPECT_EQ(MatchFormAmongCandidates(forms, candidates, 3, kFormByName, &query, &position), 0);
  EXPECT_EQ(MatchFormAmongCandidates(forms, candidates, 3, kFormByNumber, &query, &position), 0);
  EXPECT_EQ(MatchFormAmongCandidates(forms, candidates, 3, kFormBySize, &query, &position), 0);
  GlobalFree(forms);
}

TEST_F(FormMatchingTest, ResolveAPaperAgainstModelAndForms) {
  PaperMatch record = {0, 2159, 3556, const_cast<WCHAR*>(u"Legal"), nullptr};
  EXPECT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, kFormByName, &record), 1);
  EXPECT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, kFormBySize, &record), 1);
  record = {0, 2790, 4320, const_cast<WCHAR*>(u"Tabloid"), nullptr};
  EXPECT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, kFormByName, &record), 0);
  EXPECT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, kFormBySize, &record), 0);
  EXPECT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, 3, &record), 0);

  // Mode 4: built-in forms and model papers are kept as they are.
  record = {3, 2794, 4318, const_cast<WCHAR*>(u"Tabloid"), nullptr};
  EXPECT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, kFormByNumber, &record), 1);
  EXPECT_EQ(record.key, 3);

  // A user form of A4's size becomes the spooler's A4 form.
  DWORD wide = AddUserForm(u"Postcard Wide", 2100, 2970);
  SIZE_T live = pk::seams::GlobalLiveBlocks();
  PaperMatch user = {static_cast<WORD>(wide), 2100, 2970, CopyModelText(u"Postcard Wide"), nullptr};
  ASSERT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, kFormByNumber, &user), 1);
  EXPECT_EQ(user.key, 9);
  EXPECT_EQ(pk::test::Wide(user.name), u"A4");
  EXPECT_EQ(user.further, nullptr);
  FreePaperMatch(&user);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);

  // One of a size the model has no paper of stays as it is.
  DWORD odd = AddUserForm(u"Odd", 1234, 1234);
  user = {static_cast<WORD>(odd), 1234, 1234, const_cast<WCHAR*>(u"Odd"), nullptr};
  EXPECT_EQ(ResolvePaperForm(model_, nullptr, nullptr, printer_, kFormByNumber, &user), 0);
  EXPECT_EQ(user.key, odd);
}

}  // namespace
