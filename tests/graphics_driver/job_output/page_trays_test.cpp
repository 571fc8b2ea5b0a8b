// Trays and papers of the sheets over a small device model: the tray of each
// page, tray and paper changes, duplex permission, tray device codes, the
// paper announcement and the feed check.
#include "graphics_driver/job_output/page_trays.h"

#include <gtest/gtest.h>

#include "graphics_driver/job_output/job_fixture.h"
#include "graphics_driver/job_output/page_records.h"
#include "settings/model/model_records.h"

namespace pk::test {
namespace {

using ddd::Pair;
using ddd::Text;
using ddd::Value;

// Trays 1, 4 (bypass), 7 (automatic) and 15 with their device codes, duplex
// bytes, papers and feed codes; values 1 and 2 of setting 266; media types
// of setting 388 naming bytes 1 and 0.
ddd::ModelWriter TrayWriter(uint32_t capabilities) {
  ddd::ModelWriter w;
  w.modelName = "Trays";
  w.SetField(26, {capabilities});
  w.AddRange(5, 1, Text::Plain("Tray 1"), Pair{}, 0x1201, {9, 11}, {1, 2}, 1);
  w.AddRange(5, 4, Text::Plain("Bypass"), Pair{}, 0x1204, {9}, {3}, 1);
  w.AddRange(5, 7, Text::Plain("Automatic"), Pair{}, 0x1207, {9}, {2}, 1);
  w.AddRange(5, 15, Text::Plain("Tray 3"), Pair{}, 0x1203, {}, {}, 0);
  w.AddRange(6, 1, Text::Plain("Plain"), Pair{}, 0, {}, {}, 1);
  w.AddRange(6, 2, Text::Plain("Labels"), Pair{}, 0, {}, {}, 0);
  w.AddNamedByte(1, Text::Plain("Plain"), 1);
  w.AddNamedByte(2, Text::Plain("Film"), 0);
  const uint16_t plain = w.AddOption(14, Text::Plain("Plain"), 19, 1, Value::U16(0));
  const uint16_t film = w.AddOption(14, Text::Plain("Film"), 19, 2, Value::U16(1));
  w.AddFeature(4, 388, Text::Plain("Media type"), 1, 1, {plain, film});
  return w;
}

class TrayTest : public JobTest {
 protected:
  void UseTrayModel(uint32_t capabilities) {
    const std::u16string path = std::u16string(PK_DRIVER_FOLDER) + u"Trays.ddd";
    trayModel_ = LoadWriterModel(TrayWriter(capabilities), path);
    ASSERT_NE(trayModel_, nullptr);
    pdev()->primaryModelFile = trayModel_->primary;
    pdev()->secondaryModelFile = trayModel_->secondary;
    ASSERT_EQ(pk::spooler::AddPrinter(u"Trays", path), 0u);
    ASSERT_TRUE(OpenPrinterW(u"Trays", &trayPrinter_, nullptr));
    pdev()->printer = trayPrinter_;
  }
  void TearDown() override {
    if (trayModel_) CloseDeviceModel(trayModel_);
    if (trayPrinter_) ClosePrinter(trayPrinter_);
    JobTest::TearDown();
  }
  PageLayoutRecord& page() { return pdev()->currentPage; }

  DeviceModel* trayModel_ = nullptr;
  HANDLE trayPrinter_ = nullptr;
};

TEST_F(TrayTest, TrayFromSourceOrSetting) {
  UseTrayModel(0x10);
  EXPECT_EQ(HasModelCapability(pdev(), 0x10), 1);
  EXPECT_EQ(HasModelCapability(pdev(), 0x20), 0);
  // With the capability the source decides; source 15 hands over to 265.
  Set(13, 15);
  Set(265, 4);
  EXPECT_EQ(SelectPageTray(pdev()), 4);
  Set(13, 1);
  EXPECT_EQ(SelectPageTray(pdev()), 1);
  EXPECT_EQ(pdev()->jobSetup.firstPageTray, 1);
}

TEST_F(TrayTest, TraySettingHandsOverToSource) {
  UseTrayModel(0);
  EXPECT_EQ(HasModelCapability(pdev(), 0x10), 0);
  Set(265, 258);
  Set(13, 3);
  EXPECT_EQ(SelectPageTray(pdev()), 3);
  Set(265, 1);
  EXPECT_EQ(SelectPageTray(pdev()), 1);
}

TEST_F(TrayTest, NUpKeepsTheFirstPageTray) {
  UseTrayModel(0);
  pdev()->jobSetup.pagesPerSheet = 4;
  pdev()->jobSetup.trayFollowsPage = 1;
  Set(265, 1);
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), 1);
  EXPECT_EQ(page().currentTray, 1);
  pdev()->pipeline.pageCount = 1;
  Set(265, 4);
  EXPECT_EQ(SelectPageTray(pdev()), 1);
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), 0);
  EXPECT_EQ(page().currentTray, 1);
  // Only the first cell of a sheet checks.
  pdev()->pipeline.cellIndex = 1;
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), -1);
}

TEST_F(TrayTest, ChangesOfTrayAndPaper) {
  UseTrayModel(0);
  pdev()->jobSetup.trayFollowsPage = 1;
  Set(265, 258);
  Set(13, -1);  // no tray: counts as the automatic one
  page().currentTray = 1;
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), 1);
  EXPECT_EQ(page().currentTray, kAutomaticTray);
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), 0);

  // Paper that follows the page: the sheet takes the page's paper, and with
  // the automatic tray that is a change.
  pdev()->jobSetup.samePaperOut = 1;
  page().logical.paperId = 11;
  page().logical.width = 1480;
  page().sheet.paperId = 9;
  page().sheet.width = 2100;
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), 1);
  EXPECT_EQ(page().sheet.paperId, 11);
  EXPECT_EQ(page().sheet.width, 1480);
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), 0);
  // A user-defined page size is not copied.
  pdev()->pipeline.paperIsCustom = 1;
  page().logical.width = 1234;
  EXPECT_EQ(CheckTrayAndPaperChange(pdev()), 1);
  EXPECT_EQ(page().sheet.width, 1480);
}

TEST_F(TrayTest, DuplexAllowed) {
  UseTrayModel(0);
  struct Case {
    int16_t tray;
    int32_t sizeFlag;
    int media;     // value of setting 388
    int value266;  // value of setting 266
    int expected;
  };
  const Case cases[] = {
      {7, 0, 0, 0, 0},  {7, 1, 0, 0, 1},                   // the automatic tray needs a size in range
      {15, 1, 0, 0, 0},                                    // the tray's record forbids it
      {2, 1, 0, 0, 1},                                     // a tray without record allows it
      {4, 0, 0, 0, 0},  {4, 1, 1, 0, 0}, {4, 1, 0, 0, 1},  // bypass: size and media type
      {1, 1, 0, 2, 0},  {1, 1, 0, 1, 1}, {0, 1, 0, 3, 1},  // setting 266's record
  };
  for (const Case& c : cases) {
    Set(388, c.media);
    Set(266, c.value266);
    PaperBlock sheet{};
    sheet.sizeFlag = c.sizeFlag;
    EXPECT_EQ(IsDuplexAllowed(pdev(), &sheet, c.tray), c.expected)
        << "tray " << c.tray << " size " << c.sizeFlag << " media " << c.media << " 266 " << c.value266;
  }
  EXPECT_EQ(GetOptionFlag(pdev(), 15, kTrayList), 0);
  EXPECT_EQ(GetOptionFlag(pdev(), 1, kTrayList), 1);
  EXPECT_EQ(GetOptionFlag(pdev(), 99, kTrayList), 1);
  EXPECT_EQ(GetOptionFlag(pdev(), 2, kMediaValueList), 0);
}

TEST_F(TrayTest, TrayDeviceCodes) {
  UseTrayModel(0);
  EXPECT_EQ(GetTrayDeviceCode(pdev(), 15), 3);
  EXPECT_EQ(GetTrayDeviceCode(pdev(), 1), 1);
  EXPECT_EQ(GetTrayDeviceCode(pdev(), 4), 4);
  EXPECT_EQ(GetTrayDeviceCode(pdev(), 2), -1);
}

// The default printer: no capability bits, the automatic tray by default,
// the bin deciding when the paper source hands over, each tray's code, and
// no two-sided printing from the bypass.
TEST_F(JobTest, DefaultPrinterTrays) {
  EXPECT_EQ(HasModelCapability(pdev(), 0x10), 0);
  EXPECT_EQ(GetPdevSettingShort(pdev(), 13), 7);
  EXPECT_EQ(GetPdevSettingLong(pdev(), 265), 7);
  EXPECT_EQ(SelectPageTray(pdev()), 7);
  Set(265, 258);
  Set(13, 3);
  EXPECT_EQ(SelectPageTray(pdev()), 3);
  for (int16_t tray : {1, 3, 4, 7}) EXPECT_EQ(GetTrayDeviceCode(pdev(), tray), tray);
  EXPECT_EQ(GetTrayDeviceCode(pdev(), 2), -1);
  PaperBlock sheet{};
  sheet.sizeFlag = 1;
  EXPECT_EQ(IsDuplexAllowed(pdev(), &sheet, 4), 0);
  EXPECT_EQ(IsDuplexAllowed(pdev(), &sheet, 1), 1);
  EXPECT_EQ(IsDuplexAllowed(pdev(), &sheet, 7), 1);
  // A4 feeds along its length from tray 1; the bypass asks setting 1036.
  pdev()->currentPage.currentTray = 1;
  EXPECT_EQ(GetModelFeed(pdev(), 9), 1);
  pdev()->currentPage.currentTray = 4;
  Set(1036, 1);
  EXPECT_EQ(GetModelFeed(pdev(), 9), 2);
}

PaperRecord Lettered(BYTE letter, Pair size, Pair printable) {
  PaperRecord r{};
  r.type = 10;
  r.level = 0x300;
  r.paperByte = letter;
  r.pair1[0] = {519, size.a.x, size.a.y};
  r.pair1[1] = {519, size.b.x, size.b.y};
  r.pair3[0] = {519, printable.a.x, printable.a.y};
  r.pair3[1] = {519, printable.b.x, printable.b.y};
  return r;
}

TEST_F(TrayTest, PaperAnnouncement) {
  // A fixed A4 with margins (its printable size differs from its size).
  PaperRecord fixedA = Lettered('A', Pair{{2100, 2970}, {2100, 2970}}, Pair{{2000, 2870}, {2000, 2870}});
  PaperRecord custom = Lettered('Q', Pair{{900, 1480}, {3000, 4200}}, Pair{{800, 1380}, {2900, 4100}});
  PaperRecord plain = Lettered(0, Pair{{1480, 2100}, {1480, 2100}}, Pair{});
  PaperRecord variableB = Lettered('B', Pair{{900, 1480}, {3000, 4200}}, Pair{});
  struct Case {
    PaperRecord* record;
    int result;
    char letter;
    float w, h;
  };
  const Case cases[] = {
      {&fixedA, 0, 'A', 0, 0},           {&custom, 0, 'Q', 123.4f, 234.5f}, {&plain, 0, 'Q', 123.4f, 234.5f},
      {nullptr, 0, 'Q', 123.4f, 234.5f}, {&variableB, -1, 0, 0, 0},
  };
  PaperBlock sheet{};
  sheet.width = 1234;
  sheet.height = 2345;
  for (const Case& c : cases) {
    pdev()->outputPaper.paperRecord = c.record;
    char letter = 0;
    float w = -1, h = -1;
    ASSERT_EQ(GetPaperAnnouncement(pdev(), &sheet, &letter, &w, &h), c.result);
    if (c.result != 0) continue;
    EXPECT_EQ(letter, c.letter);
    EXPECT_FLOAT_EQ(w, c.w);
    EXPECT_FLOAT_EQ(h, c.h);
  }
  // The logical block announces the document paper.
  pdev()->outputPaper.paperRecord = &variableB;
  pdev()->documentPaper.paperRecord = &fixedA;
  char letter = 0;
  float w = -1, h = -1;
  ASSERT_EQ(GetPaperAnnouncement(pdev(), &page().logical, &letter, &w, &h), 0);
  EXPECT_EQ(letter, 'A');
}

TEST(FeedTest, ClassifyFeedBySettings) {
  struct Case {
    uint16_t a, b;
    int16_t paper;
    int expected;
  };
  const Case cases[] = {
      {0x0606, 0, 9, 2},       {0x0606, 0, 13, 2},     {0x0606, 0, 8, 1},      {0x0606, 0x0101, 11, 1},
      {0x0606, 0x0303, 11, 2}, {0x0606, 0, 11, 0},     {0x0101, 0x0303, 9, 1}, {0x0202, 0, 9, 1},
      {0x0303, 0, 9, 2},       {0x0404, 0x0101, 9, 2}, {0x0505, 0x0404, 9, 2}, {0, 0, 9, 0},
  };
  for (const Case& c : cases) {
    JobSetup job{};
    job.feedSettingA = c.a;
    job.feedSettingB = c.b;
    EXPECT_EQ(ClassifyFeedBySettings(&job, c.paper), c.expected)
        << std::hex << c.a << " " << c.b << std::dec << " " << c.paper;
  }
}

TEST_F(TrayTest, FeedFromTheTrayRecord) {
  UseTrayModel(0);
  page().currentTray = 1;
  EXPECT_EQ(GetModelFeed(pdev(), 9), 1);
  EXPECT_EQ(GetModelFeed(pdev(), 11), 2);
  EXPECT_EQ(GetModelFeed(pdev(), 5), 0);
  page().currentTray = 4;
  Set(1036, 1);
  EXPECT_EQ(GetModelFeed(pdev(), 9), 2);
  Set(1036, 0);
  EXPECT_EQ(GetModelFeed(pdev(), 9), 1);
  page().currentTray = 2;
  EXPECT_EQ(GetModelFeed(pdev(), 9), 0);
}

TEST_F(TrayTest, FeedRotation) {
  UseTrayModel(0);
  page().currentTray = 1;
  page().sheet.paperId = 11;  // feed 2 in tray 1
  struct Case {
    uint32_t turned;
    int16_t pages;
    uint32_t booklet;
    int expected;
  };
  for (const Case& c : {Case{0, 1, 0, 1}, Case{1, 1, 0, 0}, Case{0, 2, 0, 0}, Case{0, 1, 1, 0}, Case{1, 8, 0, 1}}) {
    page().turned = c.turned;
    page().pagesPerSheet = c.pages;
    pdev()->jobSetup.bookletMode = c.booklet;
    EXPECT_EQ(ComputeFeedRotation(pdev()), c.expected) << c.turned << " " << c.pages << " " << c.booklet;
    EXPECT_EQ(pdev()->pipeline.feedRotation, uint32_t(c.expected));
  }
  // Continuous paper takes the page's paper: A4 in tray 1 feeds 1.
  page().pagesPerSheet = 1;
  pdev()->jobSetup.bookletMode = 0;
  page().turned = 0;
  page().sheet.paperId = 267;
  page().logical.paperId = 9;
  EXPECT_EQ(ComputeFeedRotation(pdev()), 0);
  // The settings decide before the model.
  pdev()->jobSetup.feedSettingA = 0x0303;
  EXPECT_EQ(ComputeFeedRotation(pdev()), 1);
}

}  // namespace
}  // namespace pk::test
