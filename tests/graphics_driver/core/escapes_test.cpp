// The driver's escapes on PDEVs made by DrvEnablePDEV: the standard queries,
// the private blocks of the interface library (DEVMODE, printer settings,
// page count, paper margins), the page marks query through a job's pages,
// the label texts, the drawing brackets and the mark offset. Blocks are held
// at exactly the size the call states, so that a read or write past it
// shows under ASan.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "graphics_driver/core/device_units.h"
#include "graphics_driver/core/image_store.h"
#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/job_output_for_core.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "platform/win/win_error.h"
#include "settings/services/escape_records.h"

namespace {

using pk::test::DriverTest;
using pk::test::ModelLine;

constexpr ULONG kFailed = 0xFFFFFFFF;

int g_emits = 0;
int CountingEmit() {
  ++g_emits;
  return 0;
}

class EscapeTest : public DriverTest {
 protected:
  // A Letter model at 300 dpi whose maximum copy count is `maxCopies`.
  void UseModelWithCopies(int maxCopies) {
    UseModel({pk::test::kLetterMargins, pk::test::kResolution300,
              ModelLine{"field 4 ", "field 4 " + std::to_string(maxCopies)}});
  }
  // The model at 300 dpi on A4, portrait.
  void UseA4() {
    UseModel();
    Dm()->dmPaperSize = 9;
    std::memset(Dm()->dmFormName, 0, sizeof Dm()->dmFormName);
    std::memcpy(Dm()->dmFormName, u"A4", sizeof u"A4");
  }

  SURFOBJ* Enabled() {
    pdev_ = Enable();
    EXPECT_NE(pdev_, nullptr);
    return pdev_ ? Surface(pdev_) : nullptr;
  }

  // An escape with an input block of exactly `in` and an answer block of
  // `outSize` bytes (none for 0), kept in out_.
  ULONG Esc(SURFOBJ* so, ULONG code, std::vector<uint8_t> in, size_t outSize = 0) {
    out_.assign(outSize, 0xEE);
    return DrvEscape(so, code, ULONG(in.size()), in.empty() ? nullptr : in.data(), ULONG(outSize),
                     outSize ? out_.data() : nullptr);
  }
  static std::vector<uint8_t> U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
  static std::vector<uint8_t> U32(uint32_t v) {
    std::vector<uint8_t> b(4);
    std::memcpy(b.data(), &v, 4);
    return b;
  }
  uint32_t OutU32() const {
    uint32_t v = 0;
    std::memcpy(&v, out_.data(), 4);
    return v;
  }
  PageMarkQuery Marks(SURFOBJ* so, uint32_t request, ULONG* answer = nullptr) {
    const ULONG r = Esc(so, ESC_QUERY_PAGE_MARKS, U32(request), sizeof(PageMarkQuery));
    if (answer) *answer = r;
    PageMarkQuery q;
    std::memcpy(&q, out_.data(), sizeof q);
    return q;
  }

  void SetPdevText(SettingId id, const std::u16string& text) {
    const WCHAR* p = text.c_str();
    ASSERT_EQ(
        SetSettingValue(id, &pdev_->devmode, pdev_->printerSettings, kSettingTypeText, UINT((text.size() + 1) * 2), &p),
        kSettingOk)
        << id;
  }
  // Both stamp texts, stamped per sheet or per page.
  void SetStamps(bool perSheet) {
    SetPdevText(297, u"CONFIDENTIAL");
    SetPdevText(299, u"Arial");
    SetPdev(pdev_, 456, perSheet ? 1 : 0);
  }

  PdevState* pdev_ = nullptr;
  std::vector<uint8_t> out_;
};

// ---- QUERYESCSUPPORT --------------------------------------------------------

TEST_F(EscapeTest, SupportQueryAnswersPerCode) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  struct Case {
    uint16_t code;
    ULONG answer;
  } cases[] = {{SETCOPYCOUNT, 999}, {GETTECHNOLOGY, 4209}, {0x1071, 1}, {0x1072, 0}, {0x1073, 0}, {0x1074, 0},
               {0x5001, 1},         {0x5005, 1},           {0x500B, 1}, {0x5010, 1}, {0x500C, 0}, {0x500D, 0},
               {0x500F, 0},         {0x5011, 0},           {0x2000, 0}, {8, 0},      {0x5000, 0}};
  for (const Case& c : cases) EXPECT_EQ(Esc(so, QUERYESCSUPPORT, U16(c.code)), c.answer) << std::hex << c.code;
  // The layout escapes past the first follow the PDEV's layout mode.
  pdev_->pipeline.layoutOverride.enabled = 1;
  for (uint16_t code : {0x1072, 0x1073, 0x1074}) EXPECT_EQ(Esc(so, QUERYESCSUPPORT, U16(code)), 1u);
  // A DWORD code reads its low two bytes.
  EXPECT_EQ(Esc(so, QUERYESCSUPPORT, U32(0x5002)), 1u);

  // No code to ask about, or one byte of it: -1.
  EXPECT_EQ(Esc(so, QUERYESCSUPPORT, {}), kFailed);
  EXPECT_EQ(Esc(so, QUERYESCSUPPORT, {0x01}), kFailed);
  uint16_t code = 0x5001;
  EXPECT_EQ(DrvEscape(so, QUERYESCSUPPORT, 2, nullptr, 0, nullptr), kFailed);
  EXPECT_EQ(DrvEscape(nullptr, QUERYESCSUPPORT, 2, &code, 0, nullptr), kFailed);
  EXPECT_EQ(DrvEscape(nullptr, GETTECHNOLOGY, 2, &code, 4, &code), kFailed);
}

// The layout mode is read only from a PDEV that is one: a foreign block or a
// PDEV with a broken trailer answers -1, as no PDEV does, and nothing past
// the block is read.
TEST_F(EscapeTest, SupportQueryChecksThePdevBeforeReadingItsLayoutMode) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  pdev_->pipeline.layoutOverride.enabled = 1;
  pdev_->trailerSignature = 0;
  for (uint16_t code : {0x1072, 0x1073, 0x1074}) EXPECT_EQ(Esc(so, QUERYESCSUPPORT, U16(code)), kFailed);
  // Codes that need no PDEV are still answered.
  EXPECT_EQ(Esc(so, QUERYESCSUPPORT, U16(0x1071)), 1u);
  EXPECT_EQ(Esc(so, QUERYESCSUPPORT, U16(0x5001)), 1u);
  pdev_->trailerSignature = kPdevSignature;

  std::vector<uint8_t> foreign(16, 0);
  SURFOBJ alien{};
  alien.dhpdev = reinterpret_cast<DHPDEV>(foreign.data());
  EXPECT_EQ(Esc(&alien, QUERYESCSUPPORT, U16(0x1073)), kFailed);
  SURFOBJ none{};
  EXPECT_EQ(Esc(&none, QUERYESCSUPPORT, U16(0x1073)), kFailed);
  EXPECT_EQ(Esc(&none, QUERYESCSUPPORT, U16(0x500A)), 1u);
}

// Every escape but the support query needs a valid PDEV: 0 and error 87.
TEST_F(EscapeTest, InvalidPdevRefusesEveryOtherEscape) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  const ULONG copies = pdev_->copies;
  pdev_->trailerSignature = 0;
  std::vector<uint8_t> foreign(8, 0);
  SURFOBJ alien{}, none{};
  alien.dhpdev = reinterpret_cast<DHPDEV>(foreign.data());
  for (SURFOBJ* target : {so, &alien, &none})
    for (ULONG code : std::vector<ULONG>{SETCOPYCOUNT, GETTECHNOLOGY, 0x1071, 0x1073, 0x5001, 0x5002, 0x5003, 0x5004,
                                         0x5005, 0x5006, 0x5007, 0x5008, 0x5009, 0x500A, 0x500B, 0x5010}) {
      std::vector<uint8_t> in(8, 1), out(8, 0xEE);
      SetLastError(0);
      EXPECT_EQ(DrvEscape(target, code, 8, in.data(), 8, out.data()), 0u) << std::hex << code;
      EXPECT_EQ(GetLastError(), 87u) << std::hex << code;
      EXPECT_EQ(out, std::vector<uint8_t>(8, 0xEE));
    }
  pdev_->trailerSignature = kPdevSignature;
  EXPECT_EQ(pdev_->copies, copies);
}

// ---- SETCOPYCOUNT and GETTECHNOLOGY -----------------------------------------

TEST_F(EscapeTest, CopyCountKeepsWithinTheModelMaximum) {
  UseModelWithCopies(250);
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  struct Case {
    uint32_t requested, copies;
  } cases[] = {{3, 3}, {1000, 250}, {0xFFFFFFFF, 250}, {250, 250}, {0, 1}, {1, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(Esc(so, SETCOPYCOUNT, U32(c.requested), 4), 1u) << c.requested;
    EXPECT_EQ(pdev_->copies, c.copies) << c.requested;
    EXPECT_EQ(OutU32(), c.copies) << c.requested;
  }
  // The answer block is optional; a short one is not written.
  EXPECT_EQ(Esc(so, SETCOPYCOUNT, U32(7)), 1u);
  EXPECT_EQ(pdev_->copies, 7u);
  EXPECT_EQ(Esc(so, SETCOPYCOUNT, U32(8), 3), 1u);
  EXPECT_EQ(pdev_->copies, 8u);
  EXPECT_EQ(out_, std::vector<uint8_t>(3, 0xEE));
}

TEST_F(EscapeTest, CopyCountWithoutModelMaximumStays) {
  UseModelWithCopies(0);
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  pdev_->copies = 7;
  EXPECT_EQ(Esc(so, SETCOPYCOUNT, U32(3), 4), 1u);
  EXPECT_EQ(pdev_->copies, 7u);
  EXPECT_EQ(OutU32(), 7u);
  pdev_->copies = 0;
  EXPECT_EQ(Esc(so, SETCOPYCOUNT, U32(3), 4), 1u);
  EXPECT_EQ(pdev_->copies, 1u);
}

// The default printer's model allows 999 copies.
TEST_F(EscapeTest, DefaultPrinterCopyCountAndTechnology) {
  UseDefaultDevMode();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  EXPECT_EQ(Esc(so, SETCOPYCOUNT, U32(5000), 4), 1u);
  EXPECT_EQ(OutU32(), 999u);
  EXPECT_EQ(Esc(so, SETCOPYCOUNT, U32(0), 4), 1u);
  EXPECT_EQ(OutU32(), 1u);
  EXPECT_EQ(Esc(so, GETTECHNOLOGY, {0}, 4), 1u);
  EXPECT_EQ(std::memcmp(out_.data(), "TRD", 4), 0);
  EXPECT_EQ(Esc(so, QUERYESCSUPPORT, U16(SETCOPYCOUNT)), 999u);
}

TEST_F(EscapeTest, TechnologyWritesFourBytesOnly) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  EXPECT_EQ(Esc(so, GETTECHNOLOGY, {0}, 8), 1u);
  EXPECT_EQ(out_, (std::vector<uint8_t>{'T', 'R', 'D', 0, 0xEE, 0xEE, 0xEE, 0xEE}));
  SetLastError(0);
  EXPECT_EQ(Esc(so, GETTECHNOLOGY, {0}, 3), 0u);
  EXPECT_EQ(GetLastError(), 87u);
  EXPECT_EQ(out_, std::vector<uint8_t>(3, 0xEE));
  EXPECT_EQ(Esc(so, GETTECHNOLOGY, {0}, 0), 0u);
  EXPECT_EQ(Esc(so, GETTECHNOLOGY, {}, 4), 0u);
  EXPECT_EQ(out_, std::vector<uint8_t>(4, 0xEE));
}

// ---- Blocks of the interface library -----------------------------------------

TEST_F(EscapeTest, WorkingDevModeGoesOutAndComesBack) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  ASSERT_EQ(Esc(so, ESC_GET_DEVMODE, {}, 4700), 1u);
  ASSERT_EQ(std::memcmp(out_.data(), &pdev_->devmode, 4700), 0);
  EXPECT_NE(GetScalePercent(pdev_), 150);

  std::vector<uint8_t> copy = out_;
  std::vector<uint8_t> settings(pdev_->printerSettings, pdev_->printerSettings + kPrinterSettingsBlockSize);
  SetIn(copy.data(), settings.data(), 263, 150);
  EXPECT_EQ(Esc(so, ESC_SET_DEVMODE, copy), 1u);
  EXPECT_EQ(GetScalePercent(pdev_), 150);

  // Any other size is refused and nothing is copied.
  for (size_t size : {4701u, 2628u, 4699u}) {
    EXPECT_EQ(Esc(so, ESC_GET_DEVMODE, {}, size), kFailed) << size;
    EXPECT_EQ(out_, std::vector<uint8_t>(size, 0xEE));
  }
  EXPECT_EQ(DrvEscape(so, ESC_GET_DEVMODE, 0, nullptr, 4700, nullptr), kFailed);
  std::vector<uint8_t> shortBlock(100, 0);
  EXPECT_EQ(Esc(so, ESC_SET_DEVMODE, shortBlock), kFailed);
  EXPECT_EQ(DrvEscape(so, ESC_SET_DEVMODE, 4700, nullptr, 0, nullptr), kFailed);
  EXPECT_EQ(GetScalePercent(pdev_), 150);
}

TEST_F(EscapeTest, PrinterSettingsPageCountAndFaxMode) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  std::vector<uint8_t> settings(pdev_->printerSettings, pdev_->printerSettings + kPrinterSettingsBlockSize);
  settings[1000] ^= 0x5A;
  EXPECT_EQ(Esc(so, ESC_SET_PRINTER_SETTINGS, settings), 1u);
  EXPECT_EQ(std::memcmp(pdev_->printerSettings, settings.data(), settings.size()), 0);

  pdev_->pipeline.pageCount = 0x1234;
  EXPECT_EQ(Esc(so, ESC_GET_PAGE_COUNT, {}, 4), 1u);
  EXPECT_EQ(OutU32(), 0x1234u);

  EXPECT_EQ(Esc(so, ESC_GET_FAX_MODE, {}, 4), 1u);
  EXPECT_EQ(OutU32(), 0u);
  pdev_->faxState.faxJob = 1;
  EXPECT_EQ(Esc(so, ESC_GET_FAX_MODE, {}, 8), 1u);
  EXPECT_EQ(OutU32(), 1u);
  SetLastError(0);
  EXPECT_EQ(Esc(so, ESC_GET_FAX_MODE, {}, 2), 0u);
  EXPECT_EQ(GetLastError(), 87u);
  EXPECT_EQ(out_, std::vector<uint8_t>(2, 0xEE));
}

// Blocks shorter than their escape's, or missing, are refused with -1 and
// change nothing; an escape's block is never read or written past the size
// its caller gives.
TEST_F(EscapeTest, ShortOrMissingBlocksAreRefusedAndChangeNothing) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  pdev_->copies = 4;
  pdev_->pipeline.pageCount = 3;
  pdev_->paperMargins = PdevPaperMargins{1, 2, 3, 4, 5};
  struct Case {
    ULONG code;
    ULONG cjIn, cjOut;
    bool noIn, noOut;
    ULONG answer;
  } cases[] = {
      {QUERYESCSUPPORT, 1, 0, false, true, kFailed},
      {QUERYESCSUPPORT, 2, 0, true, true, kFailed},
      {SETCOPYCOUNT, 3, 4, false, false, kFailed},
      {SETCOPYCOUNT, 4, 4, true, false, kFailed},
      {SETCOPYCOUNT, 0, 0, true, true, kFailed},
      {ESC_QUERY_PAGE_MARKS, 4, 40, false, false, kFailed},
      {ESC_QUERY_PAGE_MARKS, 4, 44, false, true, kFailed},
      {ESC_GET_DEVMODE, 0, 4699, true, false, kFailed},
      {ESC_SET_DEVMODE, 4699, 0, false, true, kFailed},
      {ESC_GET_LABEL_INFO, 0, 767, true, false, kFailed},
      {ESC_SET_LABEL_INFO, 767, 0, false, true, kFailed},
      {ESC_SET_LABEL_INFO, 768, 0, true, true, kFailed},
      {ESC_GET_PAGE_COUNT, 0, 3, true, false, kFailed},
      {ESC_GET_PAGE_COUNT, 0, 4, true, true, kFailed},
      {ESC_SET_PRINTER_SETTINGS, 2839, 0, false, true, kFailed},
      {ESC_SET_PRINTER_SETTINGS, 2841, 0, false, true, kFailed},
      {ESC_SET_PRINTER_SETTINGS, 2840, 0, true, true, kFailed},
      {ESC_SET_PAPER_MARGINS, 9, 0, false, true, kFailed},
      {ESC_SET_PAPER_MARGINS, 12, 0, false, true, kFailed},
      {ESC_SET_PAPER_MARGINS, 10, 0, true, true, kFailed},
      {ESC_GET_FAX_MODE, 0, 4, true, true, 0},
      // Inputs of other sizes leave the brackets and the mark offset alone.
      {ESC_STAMP_BRACKET, 2, 2, false, false, 1},
      {ESC_LABEL_BRACKET, 8, 0, false, true, 1},
      {ESC_SET_MARK_OFFSET, 4, 0, false, true, 1},
      {ESC_SET_MARK_OFFSET, 8, 0, true, true, 1},
  };
  const std::vector<uint8_t> devmode(reinterpret_cast<uint8_t*>(&pdev_->devmode),
                                     reinterpret_cast<uint8_t*>(&pdev_->devmode) + sizeof pdev_->devmode);
  const std::vector<uint8_t> settings(pdev_->printerSettings, pdev_->printerSettings + kPrinterSettingsBlockSize);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code << std::dec << " in " << c.cjIn << " out " << c.cjOut);
    std::vector<uint8_t> in(c.cjIn, 0x41), out(c.cjOut, 0xEE);
    const ULONG r =
        DrvEscape(so, c.code, c.cjIn, c.noIn ? nullptr : in.data(), c.cjOut, c.noOut ? nullptr : out.data());
    EXPECT_EQ(r, c.answer);
    EXPECT_EQ(out, std::vector<uint8_t>(c.cjOut, 0xEE));
    EXPECT_EQ(pdev_->copies, 4u);
    EXPECT_EQ(std::memcmp(&pdev_->devmode, devmode.data(), devmode.size()), 0);
    EXPECT_EQ(std::memcmp(pdev_->printerSettings, settings.data(), settings.size()), 0);
    EXPECT_EQ(pdev_->paperMargins.left, 1);
    EXPECT_EQ(pdev_->paperMargins.paperCode, 5);
    EXPECT_EQ(pdev_->labelInfo, nullptr);
    EXPECT_EQ(pdev_->pipeline.stampBracket, 0u);
    EXPECT_EQ(pdev_->pipeline.labelBracket, 0u);
  }
}

// ---- Paper margins -----------------------------------------------------------

TEST_F(EscapeTest, PaperMarginsReachTheNextLogicalPage) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  SetPdev(pdev_, 387, 1);
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  const PdevPaperMargins before = pdev_->paperMargins;
  std::vector<uint8_t> twelve(12, 7);
  EXPECT_EQ(Esc(so, ESC_SET_PAPER_MARGINS, twelve), kFailed);
  EXPECT_EQ(std::memcmp(&pdev_->paperMargins, &before, sizeof before), 0);

  // The wire form has the code first; the PDEV keeps the margins first.
  const PaperMarginRecord record{9, 50, 60, 70, 80};
  std::vector<uint8_t> in(sizeof record);
  std::memcpy(in.data(), &record, sizeof record);
  EXPECT_EQ(Esc(so, ESC_SET_PAPER_MARGINS, in), 1u);
  const int16_t held[5] = {50, 60, 70, 80, 9};
  EXPECT_EQ(std::memcmp(&pdev_->paperMargins, held, sizeof held), 0);

  ASSERT_TRUE(DrvStartPage(so));
  const PaperBlock& logical = pdev_->currentPage.logical;
  EXPECT_EQ(logical.paperId, 9);
  EXPECT_EQ(logical.leftMargin, 50);
  EXPECT_EQ(logical.rightMargin, 60);
  EXPECT_EQ(logical.topMargin, 70);
  EXPECT_EQ(logical.bottomMargin, 80);
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
}

// ---- Page marks ----------------------------------------------------------------

TEST_F(EscapeTest, PageMarksOfATwoUpJobWithStampsPerSheet) {
  for (bool firstOnly : {false, true}) {
    SCOPED_TRACE(firstOnly);
    UseModel();
    SURFOBJ* so = Enabled();
    ASSERT_NE(so, nullptr);
    SetPdev(pdev_, 295, 2);
    SetStamps(true);
    SetPdev(pdev_, 454, firstOnly ? 1 : 0);
    SetPdev(pdev_, 464, 1);  // the user label item
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));

    // Before the job output starts nothing is due.
    ULONG answer = 0;
    PageMarkQuery q = Marks(so, 0, &answer);
    EXPECT_EQ(answer, 1u);
    EXPECT_EQ(std::vector<uint8_t>(out_.begin(), out_.end()), std::vector<uint8_t>(44, 0));

    const uint32_t expected[2][4] = {{0, 1, 0, 1}, {0, 1, 0, 0}};
    for (int page = 0; page < 4; ++page) {
      ASSERT_TRUE(DrvStartPage(so));
      q = Marks(so, 0, &answer);
      EXPECT_EQ(answer, 1u);
      EXPECT_EQ(q.sheetStamp, expected[firstOnly][page]) << page;
      EXPECT_EQ(q.pageStamp, 0u);
      // The label comes with each completed sheet, stamped or not.
      EXPECT_EQ(q.label, page % 2 == 1 ? 1u : 0u) << page;
      ASSERT_TRUE(DrvSendPage(so));
      if (page == 2) {
        // The end of the document after three pages completes the half sheet.
        q = Marks(so, 1);
        EXPECT_EQ(q.sheetStamp, firstOnly ? 0u : 1u);
        EXPECT_EQ(q.label, 1u);
        EXPECT_EQ(q.pageStamp, 0u);
      }
    }

    // A wrong answer size, or a job without pages per sheet, is refused.
    ASSERT_TRUE(DrvStartPage(so));
    out_.assign(40, 0xEE);
    EXPECT_EQ(DrvEscape(so, ESC_QUERY_PAGE_MARKS, 0, nullptr, 40, out_.data()), kFailed);
    EXPECT_EQ(out_, std::vector<uint8_t>(40, 0xEE));
    pdev_->jobSetup.pagesPerSheet = 0;
    EXPECT_EQ(Esc(so, ESC_QUERY_PAGE_MARKS, U32(0), 44), kFailed);
    pdev_->jobSetup.pagesPerSheet = 2;
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    Disable(pdev_);
  }
}

TEST_F(EscapeTest, PageMarkGeometryWithoutPageStamp) {
  for (short orientation : {1, 2}) {
    SCOPED_TRACE(orientation);
    UseA4();
    Dm()->dmOrientation = orientation;
    SURFOBJ* so = Enabled();
    ASSERT_NE(so, nullptr);
    ASSERT_EQ(pdev_->documentPaper.width, orientation == 1 ? 152390u : 215523u);
    SetStamps(true);
    ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
    ASSERT_TRUE(DrvStartPage(so));
    PageMarkQuery q = Marks(so, 0);
    EXPECT_EQ(q.pageStamp, 0u);
    const bool turned = IsPageTurned(pdev_) != 0;
    EXPECT_EQ(turned, orientation == 2);
    EXPECT_EQ(q.stampArea[0], 0.0f);
    EXPECT_EQ(q.stampArea[1], 0.0f);
    EXPECT_EQ(q.stampArea[2], float(DeviceUnitsToDots(pdev_->documentPaper.width, 300)));
    EXPECT_EQ(q.stampArea[3], float(DeviceUnitsToDots(pdev_->documentPaper.height, 300)));
    if (orientation == 1) {
      EXPECT_EQ(q.stampArea[2], 2480.0f);
      EXPECT_EQ(q.stampArea[3], 3507.0f);
    }
    const float outW = float(DeviceUnitsToDots(pdev_->outputPaper.width, 300));
    const float outH = float(DeviceUnitsToDots(pdev_->outputPaper.height, 300));
    EXPECT_EQ(q.sheetArea[0], 0.0f);
    EXPECT_EQ(q.sheetArea[1], 0.0f);
    EXPECT_EQ(q.sheetArea[2], turned ? outH : outW);
    EXPECT_EQ(q.sheetArea[3], turned ? outW : outH);
    ASSERT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvEndDoc(so, 0));
    Disable(pdev_);
  }
}

// With a page stamp the positioned stamp's area is the page's cell: on a
// 1-up page the whole page, on a 2-up sheet each page's half.
TEST_F(EscapeTest, PageStampAreaIsTheCellRectangle) {
  UseA4();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  SetStamps(false);
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  ASSERT_TRUE(DrvStartPage(so));
  PageMarkQuery q = Marks(so, 0);
  EXPECT_EQ(q.pageStamp, 1u);
  EXPECT_EQ(q.sheetStamp, 0u);
  const float whole[4] = {0, 0, 2480, 3507};
  for (int i = 0; i < 4; ++i) EXPECT_LE(std::fabs(q.stampArea[i] - whole[i]), 1.0f) << i;
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));
  Disable(pdev_);

  // 2-up: both pages' cells are halves of the sheet, one above the other.
  UseA4();
  so = Enabled();
  ASSERT_NE(so, nullptr);
  SetStamps(false);
  SetPdev(pdev_, 295, 2);
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  PageMarkQuery cells[2];
  for (PageMarkQuery& cell : cells) {
    ASSERT_TRUE(DrvStartPage(so));
    cell = Marks(so, 0);
    EXPECT_EQ(cell.pageStamp, 1u);
    ASSERT_TRUE(DrvSendPage(so));
  }
  ASSERT_TRUE(DrvEndDoc(so, 0));
  for (const PageMarkQuery& cell : cells) {
    EXPECT_LE(std::fabs(std::fabs(cell.stampArea[2] - cell.stampArea[0]) - 2480), 1.0f);
    EXPECT_LE(std::fabs(std::fabs(cell.stampArea[3] - cell.stampArea[1]) - 3507 / 2.0f), 1.5f);
  }
  Disable(pdev_);

  // A landscape page: the area is the page in its own frame, as wide and as
  // high as the document paper.
  UseA4();
  Dm()->dmOrientation = 2;
  so = Enabled();
  ASSERT_NE(so, nullptr);
  SetStamps(false);
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  ASSERT_TRUE(DrvStartPage(so));
  q = Marks(so, 0);
  EXPECT_EQ(q.pageStamp, 1u);
  EXPECT_LE(std::fabs(std::fabs(q.stampArea[2] - q.stampArea[0]) - 3507), 1.0f);
  EXPECT_LE(std::fabs(std::fabs(q.stampArea[3] - q.stampArea[1]) - 2480), 1.0f);
  ASSERT_TRUE(DrvSendPage(so));
  ASSERT_TRUE(DrvEndDoc(so, 0));

  const float top0 = std::fmin(cells[0].stampArea[1], cells[0].stampArea[3]);
  const float top1 = std::fmin(cells[1].stampArea[1], cells[1].stampArea[3]);
  EXPECT_LE(std::fabs(std::fabs(top1 - top0) - 3507 / 2.0f), 1.5f);
  EXPECT_LE(std::fmin(top0, top1), 1.0f);
}

// ---- Labels ------------------------------------------------------------------------

std::vector<uint8_t> LabelBlock(const std::u16string& user, const std::u16string& computer, const std::u16string& date,
                                const std::u16string& time) {
  LabelInfoBlock b{};
  std::memcpy(b.user, user.c_str(), user.size() * 2);
  std::memcpy(b.computer, computer.c_str(), computer.size() * 2);
  std::memcpy(b.date, date.c_str(), date.size() * 2);
  std::memcpy(b.time, time.c_str(), time.size() * 2);
  std::vector<uint8_t> v(sizeof b);
  std::memcpy(v.data(), &b, sizeof b);
  return v;
}

class LabelTest : public EscapeTest {
 protected:
  LabelInfoBlock Labels(SURFOBJ* so, ULONG* answer) {
    *answer = Esc(so, ESC_GET_LABEL_INFO, {}, sizeof(LabelInfoBlock));
    LabelInfoBlock b;
    std::memcpy(&b, out_.data(), sizeof b);
    return b;
  }
};

TEST_F(LabelTest, LabelTextsGoInAndComeBackWithTheJobsItems) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  // User, text, page number and time on; computer and date off.
  const int on[6] = {1, 0, 1, 1, 0, 1};
  for (int i = 0; i < 6; ++i) {
    SetPdev(pdev_, SettingId(464 + i), on[i]);
    SetPdev(pdev_, SettingId(351 + i), 2 + i);
  }
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"Quarterly report"), 1));
  pdev_->pipeline.pageCount = 3;
  ULONG answer = 0;
  LabelInfoBlock b = Labels(so, &answer);
  EXPECT_EQ(answer, kFailed);
  EXPECT_EQ(b.pageNumber, 3);
  EXPECT_EQ(b.labelOn, 0);
  EXPECT_EQ(b.user[0], 0);
  EXPECT_EQ(b.text[0], 0);

  EXPECT_EQ(Esc(so, ESC_SET_LABEL_INFO, LabelBlock(u"kato", u"WS-7", u"25/11/03", u"14:05")), 1u);
  b = Labels(so, &answer);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(b.labelOn, 1);
  EXPECT_EQ(std::memcmp(b.itemPositions, pdev_->jobSetup.labelItemPositions, 12), 0);
  EXPECT_EQ(b.itemPositions[0], 2);
  EXPECT_EQ(b.itemPositions[1], -1);
  EXPECT_EQ(std::u16string(b.user), u"kato");
  EXPECT_EQ(std::u16string(b.computer), u"");  // item off
  EXPECT_EQ(std::u16string(b.text), u"Quarterly report");
  EXPECT_EQ(std::u16string(b.date), u"");  // item off
  EXPECT_EQ(std::u16string(b.time), u"14:05");
  EXPECT_EQ(b.pageNumber, 4);
  ASSERT_TRUE(DrvEndDoc(so, 0));
  EXPECT_EQ(pdev_->labelInfo, nullptr);
}

TEST_F(LabelTest, ComputerPartFromTheOwnerNameAndTextsEndInTheirFields) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  for (int i = 0; i < 6; ++i) SetPdev(pdev_, SettingId(464 + i), 1);
  SetPdevText(1025, u"Accounts-PC");
  SetPdevText(1054, u"Second owner");
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  ULONG answer = 0;
  for (int source : {1, 5, 0}) {
    SCOPED_TRACE(source);
    SetPdev(pdev_, 1031, source);
    EXPECT_EQ(Esc(so, ESC_SET_LABEL_INFO, LabelBlock(u"kato", u"WS-7", u"25/11/03", u"14:05")), 1u);
    LabelInfoBlock b = Labels(so, &answer);
    EXPECT_EQ(answer, 1u);
    EXPECT_EQ(std::u16string(b.computer), source == 1 ? u"Accounts-PC" : source == 5 ? u"Second owner" : u"WS-7");
  }
  // A 32-character owner name is cut to fit the computer field.
  SetPdevText(1025, std::u16string(32, u'x'));
  SetPdev(pdev_, 1031, 1);
  // Texts that fill their fields to the last unit are cut to end inside them.
  std::vector<uint8_t> full = LabelBlock(std::u16string(64, u'u'), u"", std::u16string(11, u'd'), u"");
  EXPECT_EQ(Esc(so, ESC_SET_LABEL_INFO, full), 1u);
  LabelInfoBlock b = Labels(so, &answer);
  EXPECT_EQ(std::u16string(b.computer), std::u16string(31, u'x'));
  EXPECT_EQ(std::u16string(b.user), std::u16string(63, u'u'));
  EXPECT_EQ(b.date[10], 0);
  EXPECT_EQ(std::u16string(b.time), u"14:05");  // kept from before
  ASSERT_TRUE(DrvEndDoc(so, 0));
}

TEST_F(LabelTest, FailedPartKeepsTheOthersAndNothingLeaks) {
  UseModel();
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  for (int i = 0; i < 6; ++i) SetPdev(pdev_, SettingId(464 + i), 1);
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  ASSERT_EQ(Esc(so, ESC_SET_LABEL_INFO, LabelBlock(u"kato", u"", u"", u"")), 1u);
  // The computer part is the next allocation.
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(Esc(so, ESC_SET_LABEL_INFO, LabelBlock(u"sato", u"WS-7", u"25/11/03", u"14:05")), kFailed);
  pk::seams::FailNthAllocation(0);
  ULONG answer = 0;
  LabelInfoBlock b = Labels(so, &answer);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(std::u16string(b.user), u"sato");
  EXPECT_EQ(std::u16string(b.computer), u"");
  EXPECT_EQ(std::u16string(b.date), u"25/11/03");
  EXPECT_EQ(std::u16string(b.time), u"14:05");
  ASSERT_TRUE(DrvEndDoc(so, 0));

  // Texts received outside a document go with the PDEV.
  EXPECT_EQ(Esc(so, ESC_SET_LABEL_INFO, LabelBlock(u"kato", u"WS-7", u"25/11/03", u"14:05")), 1u);
  Disable(pdev_);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

// ---- Brackets and the mark offset -------------------------------------------------

TEST_F(EscapeTest, BracketsAndMarkOffset) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  SetStamps(true);
  ASSERT_TRUE(DrvStartDoc(so, const_cast<LPWSTR>(u"doc"), 1));
  // Before the first page no bracket opens.
  EXPECT_EQ(Esc(so, ESC_STAMP_BRACKET, U32(1)), kFailed);
  EXPECT_EQ(Esc(so, ESC_LABEL_BRACKET, U32(1)), kFailed);

  ASSERT_TRUE(DrvStartPage(so));
  EXPECT_EQ(Esc(so, ESC_STAMP_BRACKET, U32(1), 4), 1u);
  EXPECT_EQ(Esc(so, ESC_STAMP_BRACKET, {}, 4), 1u);
  EXPECT_EQ(OutU32(), 1u);
  EXPECT_EQ(IsStampDrawingOn(pdev_), 1);
  EXPECT_EQ(Esc(so, ESC_LABEL_BRACKET, U32(1), 4), 1u);
  EXPECT_EQ(Esc(so, ESC_LABEL_BRACKET, {}, 4), 1u);
  EXPECT_EQ(OutU32(), 1u);

  // The mark offset sets the sheet matrix at the offset as page transform.
  ASSERT_NE(pdev_->imageStore, nullptr);
  pdev_->imageStore->emit = CountingEmit;
  g_emits = 0;
  std::vector<uint8_t> xy(8);
  const int32_t point[2] = {100, 200};
  std::memcpy(xy.data(), point, 8);
  EXPECT_EQ(Esc(so, ESC_SET_MARK_OFFSET, xy), 1u);
  EXPECT_EQ(g_emits, 2);  // the transform, then the flush
  PlacementMatrix expected;
  ASSERT_EQ(MapPointToSheet(pdev_, 100, 200, uint32_t(IsPageTurned(pdev_)), &expected), 0);
  PageTransform held;
  ASSERT_EQ(GetPageTransform(pdev_->imageStore, &held), 0);
  EXPECT_EQ(std::memcmp(&held, expected.m, sizeof held), 0);
  // The text that follows is drawn that many dots away.
  EXPECT_EQ(pdev_->pipeline.markOffset.x, 100);
  EXPECT_EQ(pdev_->pipeline.markOffset.y, 200);
  g_emits = 0;
  EXPECT_EQ(Esc(so, ESC_SET_MARK_OFFSET, U32(5)), 1u);
  EXPECT_EQ(g_emits, 0);
  EXPECT_EQ(pdev_->pipeline.markOffset.x, 100);

  // Closing the brackets; each bracket escape puts the offset back.
  const auto offsetCleared = [this] { return pdev_->pipeline.markOffset.x == 0 && pdev_->pipeline.markOffset.y == 0; };
  EXPECT_EQ(Esc(so, ESC_STAMP_BRACKET, {}, 4), 1u);
  EXPECT_FALSE(offsetCleared()) << "a state query is no bracket";
  EXPECT_EQ(Esc(so, ESC_STAMP_BRACKET, U32(0), 4), 1u);
  EXPECT_TRUE(offsetCleared());
  EXPECT_EQ(Esc(so, ESC_STAMP_BRACKET, {}, 4), 1u);
  EXPECT_EQ(OutU32(), 0u);
  EXPECT_EQ(Esc(so, ESC_SET_MARK_OFFSET, xy), 1u);
  EXPECT_EQ(Esc(so, ESC_LABEL_BRACKET, U32(0)), 1u);
  EXPECT_EQ(pdev_->pipeline.labelBracket, 0u);
  EXPECT_TRUE(offsetCleared());
  pdev_->imageStore->emit = nullptr;
  // A page's start and a band's start put it back too (this job has no
  // sink for its bands: only the offset is looked at).
  ASSERT_TRUE(DrvSendPage(so));
  pdev_->pipeline.markOffset = POINTL{3, 4};
  ASSERT_TRUE(DrvStartPage(so));
  EXPECT_TRUE(offsetCleared());
  EXPECT_EQ(Esc(so, ESC_SET_MARK_OFFSET, xy), 1u);
  POINTL origin{};
  ASSERT_TRUE(DrvStartBanding(so, &origin));
  EXPECT_TRUE(offsetCleared());
  EXPECT_EQ(Esc(so, ESC_SET_MARK_OFFSET, xy), 1u);
  DrvNextBand(so, &origin);
  EXPECT_TRUE(offsetCleared());
  DrvEndDoc(so, ED_ABORTDOC);
  // Without a document the offset has no store to go to.
  EXPECT_EQ(Esc(so, ESC_SET_MARK_OFFSET, xy), kFailed);
}

// Codes nobody handles answer 0; so do the layout escapes past the first
// while the layout mode is off.
TEST_F(EscapeTest, UnhandledCodesAnswerZero) {
  UseModel();
  SURFOBJ* so = Enabled();
  ASSERT_NE(so, nullptr);
  for (ULONG code : std::vector<ULONG>{0x1072, 0x1073, 0x1074, 0x500C, 0x500D, 0x500E, 0x500F, 0x5011, 0})
    EXPECT_EQ(Esc(so, code, U32(1), 4), 0u) << std::hex << code;
}

}  // namespace
