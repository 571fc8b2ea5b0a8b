// Paper selection on the default printer: by form name, by size, by paper
// code and by default; the centred printable area of a user size; continuous
// forms and their scaled length; landscape; the output paper.
#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/paper_selection.h"
#include "settings/model/model_queries.h"
#include "models/writer/ddd_writer.h"
#include "pdev_fixture.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
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
    if (c.answer) {
      EXPECT_EQ(doc().height, Dev(c.height));
    }
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

namespace {

// A writer-made model beside the default printer's, loaded into the PDEV.
class WriterPaperTest : public PaperTest {
 protected:
  void Use(const ddd::ModelWriter& w) {
    if (writer_model_) CloseDeviceModel(writer_model_);
    writer_model_ = pk::test::LoadWriterModel(w, u"C:\\paper.ddd");
    ASSERT_NE(writer_model_, nullptr);
    pdev()->primaryModelFile = writer_model_->primary;
    pdev()->secondaryModelFile = writer_model_->secondary;
  }
  void TearDown() override {
    PaperTest::TearDown();
    if (writer_model_) CloseDeviceModel(writer_model_);
  }
  DeviceModel* writer_model_ = nullptr;
};

ddd::ModelWriter CustomPaperWriter(uint32_t alignment) {
  ddd::ModelWriter w;
  w.modelName = "Papers";
  w.SetField(10, {alignment});
  w.AddPaper(262, ddd::Text::Plain("Custom"), 0, ddd::Pair{{900, 1480}, {3000, 4200}}, ddd::Pair{{50, 60}, {50, 60}},
             ddd::Pair{{0, 0}, {2000, 2800}}, 262, 0, 1);
  return w;
}

TEST_F(WriterPaperTest, CentredAreaAndItsAlignment) {
  struct Case {
    uint32_t alignment;
    int32_t left, right, top, bottom;  // margins, 0.1 mm
  } cases[] = {{16, 250, 254, 100, 108}, {1, 250, 250, 100, 100}, {0, 250, 250, 100, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alignment);
    Use(CustomPaperWriter(c.alignment));
    PaperInfo paper{};
    ASSERT_EQ(CenterPrintableArea(pdev(), 2500, 3000, &paper), 1);
    EXPECT_EQ(paper.left, Dev(c.left));
    EXPECT_EQ(paper.right, Dev(2500 - c.right));
    EXPECT_EQ(paper.top, Dev(c.top));
    EXPECT_EQ(paper.bottom, Dev(3000 - c.bottom));
  }
  // A paper narrower than the largest printable size keeps the record's margins.
  PaperInfo paper{};
  ASSERT_EQ(CenterPrintableArea(pdev(), 2000, 2800, &paper), 1);
  EXPECT_EQ(paper.left, Dev(50));
  EXPECT_EQ(paper.top, Dev(60));
  // Without the custom record there is nothing to centre from.
  ddd::ModelWriter none;
  none.modelName = "No custom paper";
  Use(none);
  EXPECT_EQ(CenterPrintableArea(pdev(), 2500, 3000, &paper), 0);
}

// A size comes back through device units one tenth short: 2100 x 2970 finds a
// record 0.5 mm off, but not one 1 mm off in width.
TEST_F(WriterPaperTest, SizesWithinOneMillimetre) {
  for (const auto& [recordWidth, found] : {std::pair{2095, true}, std::pair{2110, false}}) {
    ddd::ModelWriter w = CustomPaperWriter(1);
    w.AddPaper(9, ddd::Text::Plain("Near A4"), 0, ddd::Pair{{int16_t(recordWidth), 2975}, {int16_t(recordWidth), 2975}},
               ddd::Pair{{10, 10}, {10, 10}}, ddd::Pair{{0, 0}, {2000, 2900}}, 9, 0, 0);
    Use(w);
    ModelRecord* record = nullptr;
    ModelStatus s =
        FindPaperRecordBySize(pdev()->primaryModelFile, pdev()->secondaryModelFile, Dev(2100), Dev(2970), &record);
    EXPECT_EQ(s, found ? 0 : 2) << recordWidth;
    if (record) ReleaseModelRecord(record);
  }
}

}  // namespace
