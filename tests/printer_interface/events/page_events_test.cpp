// Page start, page end and document end: the escapes sent, in order, with
// their bytes, and the event's result when the graphics driver does not
// answer.
#include "event_fixture.h"

#include "settings/model/device_model.h"
#include "settings/store/printer_settings_data.h"

namespace pk::test {
namespace {

class PageEventsTest : public EventTest {
 protected:
  void SetUp() override {
    EventTest::SetUp();
    dc_.Answer(ESC_GET_DEVMODE, Working());
    dc_.Answer(ESC_SET_PAPER_MARGINS, {});
    dc_.Answer(ESC_SET_PRINTER_SETTINGS, {});
    dc_.AnswerWith(ESC_GET_PAGE_COUNT, uint32_t{0});
  }
  ScriptedDc dc_;
};

TEST_F(PageEventsTest, FirstPageSendsMarginsThenPrinterSettings) {
  const WORD paper = static_cast<WORD>(dm()->dmPaperSize);
  StoreMargins(paper, 11, 22, 33, 44);
  EXPECT_EQ(Event(DOCUMENTEVENT_STARTPAGE, dc_.hdc()), 1);
  EXPECT_EQ(dc_.EscapeCodes(),
            std::vector<int>({ESC_GET_DEVMODE, ESC_SET_PAPER_MARGINS, ESC_GET_PAGE_COUNT, ESC_SET_PRINTER_SETTINGS}));
  const std::vector<uint8_t> record = dc_.InputOf(ESC_SET_PAPER_MARGINS);
  ASSERT_EQ(record.size(), sizeof(PaperMarginRecord));
  const PaperMarginRecord r = RecordAt(record.data());
  EXPECT_EQ(std::vector<int>({r.paperCode, r.left, r.right, r.top, r.bottom}),
            std::vector<int>({paper, 33, 44, 11, 22}));

  std::vector<uint8_t> expected(2840, 0);
  DeviceModel* model = OpenDeviceModel(printer_);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(LoadPrinterSettings(printer_, expected.data(), model), 1);
  CloseDeviceModel(model);
  EXPECT_EQ(dc_.InputOf(ESC_SET_PRINTER_SETTINGS), expected);
}

TEST_F(PageEventsTest, LaterPagesSendNoPrinterSettings) {
  dc_.AnswerWith(ESC_GET_PAGE_COUNT, uint32_t{3});
  EXPECT_EQ(Event(DOCUMENTEVENT_STARTPAGE, dc_.hdc()), 1);
  EXPECT_EQ(dc_.EscapeCodes(), std::vector<int>({ESC_GET_DEVMODE, ESC_SET_PAPER_MARGINS, ESC_GET_PAGE_COUNT}));
}

TEST_F(PageEventsTest, UnansweredEscapesFailThePageStart) {
  // The margins cannot be sent: -1, and the page count is still asked.
  dc_.Unanswer(ESC_SET_PAPER_MARGINS);
  EXPECT_EQ(Event(DOCUMENTEVENT_STARTPAGE, dc_.hdc()), -1);
  EXPECT_EQ(dc_.EscapeCodes(),
            std::vector<int>({ESC_GET_DEVMODE, ESC_SET_PAPER_MARGINS, ESC_GET_PAGE_COUNT, ESC_SET_PRINTER_SETTINGS}));
  dc_.Answer(ESC_SET_PAPER_MARGINS, {});
  const struct {
    ULONG unanswered;
    std::vector<int> codes;
  } cases[] = {
      {ESC_GET_DEVMODE, {ESC_GET_DEVMODE, ESC_GET_PAGE_COUNT, ESC_SET_PRINTER_SETTINGS}},
      {ESC_GET_PAGE_COUNT, {ESC_GET_DEVMODE, ESC_SET_PAPER_MARGINS, ESC_GET_PAGE_COUNT}},
      {ESC_SET_PRINTER_SETTINGS,
       {ESC_GET_DEVMODE, ESC_SET_PAPER_MARGINS, ESC_GET_PAGE_COUNT, ESC_SET_PRINTER_SETTINGS}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unanswered);
    ScriptedDc dc;
    dc.Answer(ESC_GET_DEVMODE, Working());
    dc.Answer(ESC_SET_PAPER_MARGINS, {});
    dc.Answer(ESC_SET_PRINTER_SETTINGS, {});
    dc.AnswerWith(ESC_GET_PAGE_COUNT, uint32_t{0});
    dc.Unanswer(c.unanswered);
    EXPECT_EQ(Event(DOCUMENTEVENT_STARTPAGE, dc.hdc()), -1);
    EXPECT_EQ(dc.EscapeCodes(), c.codes);
  }
  for (int event = DOCUMENTEVENT_STARTDOC; event <= DOCUMENTEVENT_ENDDOC; ++event)
    EXPECT_EQ(Event(event, nullptr), -1) << event;
  EXPECT_EQ(Event(9, nullptr), 1);
}

TEST_F(PageEventsTest, EndEventsWithoutMarksSendNothingMore) {
  for (int event : {DOCUMENTEVENT_ENDPAGE, DOCUMENTEVENT_ENDDOC}) {
    SCOPED_TRACE(event);
    ScriptedDc dc;
    EXPECT_EQ(Event(event, dc.hdc()), 1);
    EXPECT_EQ(dc.EscapeCodes(), std::vector<int>({ESC_QUERY_PAGE_MARKS}));
    const uint32_t when = event == DOCUMENTEVENT_ENDDOC ? 1 : 0;
    std::vector<uint8_t> in(4);
    std::memcpy(in.data(), &when, 4);
    EXPECT_EQ(dc.InputOf(ESC_QUERY_PAGE_MARKS), in);
    dc.Clear();
    dc.AnswerWith(ESC_QUERY_PAGE_MARKS, PageMarkQuery{});
    EXPECT_EQ(Event(event, dc.hdc()), 1);
    EXPECT_EQ(dc.Sequence(), std::vector<std::string>({"esc" + std::to_string(ESC_QUERY_PAGE_MARKS)}));
  }
}

// At the document's end the sheet-end stamp and the labels share one page of
// their own. The driver here takes neither (their first escapes go
// unanswered), so the event reports -1.
TEST_F(PageEventsTest, DocumentEndOpensOnePageForStampAndLabels) {
  PageMarkQuery query{};
  query.sheetStamp = 1;
  query.label = 1;
  dc_.AnswerWith(ESC_QUERY_PAGE_MARKS, query);
  EXPECT_EQ(Event(DOCUMENTEVENT_ENDDOC, dc_.hdc()), -1);
  const std::string q = "esc" + std::to_string(ESC_QUERY_PAGE_MARKS), d = "esc" + std::to_string(ESC_GET_DEVMODE);
  const std::string stamp = "esc" + std::to_string(ESC_STAMP_BRACKET),
                    label = "esc" + std::to_string(ESC_GET_LABEL_INFO);
  EXPECT_EQ(dc_.Sequence(), std::vector<std::string>({q, d, "StartPage", stamp, label, "EndPage"}));
  // At a page's end the marks go on that page.
  dc_.Clear();
  EXPECT_EQ(Event(DOCUMENTEVENT_ENDPAGE, dc_.hdc()), -1);
  EXPECT_EQ(dc_.Sequence(), std::vector<std::string>({q, d, stamp, label}));
  // Without the DEVMODE nothing is drawn and the event succeeds.
  dc_.Unanswer(ESC_GET_DEVMODE);
  dc_.Clear();
  EXPECT_EQ(Event(DOCUMENTEVENT_ENDDOC, dc_.hdc()), 1);
  EXPECT_EQ(dc_.Sequence(), std::vector<std::string>({q, d}));
}

}  // namespace
}  // namespace pk::test
