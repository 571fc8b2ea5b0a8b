// Paper selection on the default printer: by form name, by size, by paper
// code and by default; the centred printable area of a user size; continuous
// forms and their scaled length; landscape; the output paper.
#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/paper_selection.h"
#include "settings/model/model_queries.h"
#include "pdev_fixture.h"
#include "platform/win/win_devmode.h"

namespace {

using pk::test::PdevTest;

uint32_t Dev(int32_t tenths) { return uint32_t(MicronsToDeviceUnits(tenths * 100)); }

class PaperTest : public PdevTest {
 protected:
  void TearDown() override {
    ReleasePaperInfo(&pdev()->documentPaper);
    ReleasePaperInfo(&pdev()->outputPaper);
    PdevTest::TearDown();
  }
  void Fields(DWORD fields) { Set(6, fields); }
  // Selects the document paper afresh.
  int Select() {
    ReleasePaperInfo(&pdev()->documentPaper);
    ReleasePaperInfo(&pdev()->outputPaper);
    return SetupPaperInfo(pdev());
  }
  const PaperInfo& doc() { return pdev()->documentPaper; }
  WORD RecordKey() { return doc().paperRecord ? static_cast<const ModelRecord*>(doc().paperRecord)->key : WORD(0); }
};

TEST_F(PaperTest, ByFormNameSizeCodeAndDefault) {
  Fields(DM_FORMNAME);
  SetText(19, u"A4");
  ASSERT_EQ(Select(), 1);
  EXPECT_EQ(std::u16string(doc().formName), u"A4");
  EXPECT_EQ(RecordKey(), 9);
  EXPECT_EQ(doc().width, Dev(2100));
  EXPECT_EQ(doc().height, Dev(2970));
  EXPECT_EQ(doc().left, Dev(42));
  EXPECT_EQ(doc().right, Dev(2100 - 42));

  Fields(DM_PAPERSIZE);
  Set(8, 1);
  ASSERT_EQ(Select(), 1);
  EXPECT_EQ(std::u16string(doc().formName), u"Letter");
  EXPECT_EQ(RecordKey(), 1);

  // A size within 1 mm of a record takes the record.
  Fields(DM_PAPERWIDTH | DM_PAPERLENGTH);
  Set(10, 2105);
  Set(9, 2965);
  ASSERT_EQ(Select(), 1);
  EXPECT_EQ(RecordKey(), 9);
  EXPECT_EQ(doc().width, Dev(2100));

  // A size no record matches is centred from the custom paper record, its
  // right and bottom margins grown to the model's alignment of 8.
  Set(10, 2500);
  Set(9, 3000);
  ASSERT_EQ(Select(), 1);
  EXPECT_EQ(doc().paperRecord, nullptr);
  EXPECT_EQ(std::u16string(doc().formName), u"");
  EXPECT_EQ(doc().width, Dev(2500));
  EXPECT_EQ(doc().left, Dev(42));
  EXPECT_EQ(doc().right, Dev(2500 - 46));
  EXPECT_EQ(doc().top, Dev(42));
  EXPECT_EQ(doc().bottom, Dev(3000 - 42));

  Fields(0);
  ASSERT_EQ(Select(), 1);
  EXPECT_EQ(doc().paperRecord, nullptr);
  EXPECT_GT(doc().width, 0u);
  EXPECT_GT(doc().right, doc().left);
}

// A continuous form (exactly 1000 mm long) is as long as setting 373 asks,
// scaled; a length that cannot be computed fails the selection.
TEST_F(PaperTest, ContinuousForms) {
  FORM_INFO_1W form = {FORM_USER, const_cast<LPWSTR>(u"Endless"), {210000, 1000000}, {0, 0, 210000, 1000000}};
  ASSERT_TRUE(AddFormW(printer_, 1, reinterpret_cast<const BYTE*>(&form)));
  Fields(DM_FORMNAME);
  SetText(19, u"Endless");
  struct Case {
    int64_t length, scale, flag453;
    int answer;
    int32_t height;  // 0.1 mm
  } cases[] = {
      {0, 100, 0, 1, 150000}, {2000, 80, 0, 1, 25000}, {2000, 80, 1, 1, 150000},
      {2000, 0, 0, 0, 0},     {5000000, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    Set(373, c.length);
    Set(263, c.scale);
    Set(453, c.flag453);
    ASSERT_EQ(Select(), c.answer);
    if (c.answer) EXPECT_EQ(doc().height, Dev(c.height));
  }
}

TEST_F(PaperTest, LandscapeTurnsTheDocumentPaper) {
  Fields(DM_FORMNAME);
  SetText(19, u"A4");
  ASSERT_EQ(Select(), 1);
  PaperInfo portrait = doc();
  Fields(DM_FORMNAME | DM_ORIENTATION);
  Set(7, 2);
  ASSERT_EQ(Select(), 1);
  EXPECT_EQ(doc().rotated, 1u);
  EXPECT_EQ(doc().width, portrait.height);
  EXPECT_EQ(doc().height, portrait.width);
  EXPECT_EQ(doc().left, portrait.top);
  EXPECT_EQ(doc().top, portrait.width - portrait.right);
  EXPECT_EQ(doc().right, portrait.bottom);
  EXPECT_EQ(doc().bottom, portrait.width - portrait.left);
}

TEST_F(PaperTest, OutputPaperFollowsOrTakesItsOwn) {
  Fields(DM_FORMNAME);
  SetText(19, u"A4");
  for (int code : {267, 305}) {
    Set(262, code);
    ASSERT_EQ(Select(), 1);
    const PaperInfo& out = pdev()->outputPaper;
    EXPECT_EQ(std::u16string(out.formName), u"A4") << code;
    EXPECT_EQ(out.width, doc().width);
    EXPECT_EQ(out.right, doc().right);
  }
  Set(262, 8);  // A3
  ASSERT_EQ(Select(), 1);
  EXPECT_EQ(std::u16string(pdev()->outputPaper.formName), u"A3");
  EXPECT_EQ(pdev()->outputPaper.width, Dev(2970));
}

TEST_F(PaperTest, RecordSearches) {
  ModelRecord* record = nullptr;
  ASSERT_EQ(FindPaperRecordByName(model_->primary, model_->secondary, u"Letter", &record), 0);
  EXPECT_EQ(record->key, 1);
  EXPECT_EQ(IsVariableSizePaper(record), 0);
  ReleaseModelRecord(record);
  EXPECT_EQ(FindPaperRecordByName(model_->primary, model_->secondary, u"letter", &record), 2);
  ASSERT_EQ(FindPaperRecordById(model_->primary, model_->secondary, 262, &record), 0);
  EXPECT_EQ(IsVariableSizePaper(record), 1);
  EXPECT_EQ(IsSizeWithinPaperRange(record, Dev(2000), Dev(3000)), 1);
  EXPECT_EQ(IsSizeWithinPaperRange(record, Dev(800), Dev(3000)), 0);
  ReleaseModelRecord(record);
  ASSERT_EQ(FindPaperRecordBySize(model_->primary, model_->secondary, Dev(2159), Dev(3556), &record), 0);
  EXPECT_EQ(std::u16string(GetModelRecordText(record)), u"Legal");
  ReleaseModelRecord(record);
  EXPECT_EQ(FindPaperRecordBySize(model_->primary, model_->secondary, Dev(2159), Dev(3570), &record), 2);
  ASSERT_EQ(FindDefaultPaperRecord(model_->primary, model_->secondary, &record), 0);
  EXPECT_EQ(record->type, 10);
  ReleaseModelRecord(record);
}

}  // namespace
