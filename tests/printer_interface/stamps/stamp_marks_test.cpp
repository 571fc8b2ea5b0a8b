// The stamp and the labels of a page end with their settings read from the
// driver's working DEVMODE: the escapes and calls in order, positioned and
// tiled stamps, labels sharing a position, the label bracket kept balanced,
// and DEVMODE texts used only within their fields.
#include <algorithm>

#include "printer_interface/interface_fixture.h"
#include "printer_interface/stamps/stamp_drawing.h"
#include "stamp_dc.h"

namespace pk::test {
namespace {

class StampMarksTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    work_ = Working();
    dc_.Answer(ESC_STAMP_BRACKET, {0, 0, 0, 0});
    dc_.Answer(ESC_LABEL_BRACKET, {0, 0, 0, 0});
    dc_.Answer(ESC_SET_MARK_OFFSET);
    SetText(kText, u"STAMP");  // 50 x 40
    LOGFONTW lf{};
    lf.lfHeight = 12;
    lf.lfWeight = FW_NORMAL;
    std::memcpy(lf.lfFaceName, u"Sans", 10);
    SetFont(304, lf);
    SetFont(357, lf);
  }
  BYTE* Field(SettingId id, UINT* bytes = nullptr) {
    const BYTE* at = nullptr;
    UINT size = 0;
    EXPECT_EQ(LookupSettingField(id, nullptr, nullptr, nullptr, &size, work_.data(), nullptr, &at, nullptr, nullptr),
              kSettingOk);
    if (bytes) *bytes = size;
    return const_cast<BYTE*>(at);
  }
  void SetText(SettingId id, const std::u16string& text) {
    UINT bytes = 0;
    BYTE* at = Field(id, &bytes);
    ASSERT_LE((text.size() + 1) * 2, bytes);
    std::memcpy(at, text.c_str(), (text.size() + 1) * 2);
  }
  void SetFont(SettingId id, const LOGFONTW& lf) { std::memcpy(Field(id), &lf, sizeof lf); }
  void SetNumber(SettingId id, long long value) { Set(work_, id, value); }
  void AnswerLabels(const LabelInfoBlock& block) { dc_.AnswerWith(ESC_GET_LABEL_INFO, block); }
  static LabelInfoBlock Labels() {
    LabelInfoBlock b{};
    for (int16_t& p : b.itemPositions) p = -1;
    return b;
  }
  static PageMarkQuery Query(float sheetW, float sheetH, float x0 = 0, float y0 = 0, float x1 = 0, float y1 = 0) {
    PageMarkQuery q{};
    q.stampArea[0] = x0, q.stampArea[1] = y0, q.stampArea[2] = x1, q.stampArea[3] = y1;
    q.sheetArea[2] = sheetW, q.sheetArea[3] = sheetH;
    return q;
  }
  static constexpr SettingId kText = 299;
  std::vector<uint8_t> work_;
  StampDc dc_;
};

const std::string kStampOn = "esc" + std::to_string(ESC_STAMP_BRACKET) + ":1";
const std::string kStampOff = "esc" + std::to_string(ESC_STAMP_BRACKET) + ":0";
const std::string kLabelOn = "esc" + std::to_string(ESC_LABEL_BRACKET) + ":1";
const std::string kLabelOff = "esc" + std::to_string(ESC_LABEL_BRACKET) + ":0";
const std::string kInfo = "esc" + std::to_string(ESC_GET_LABEL_INFO);
const std::string kOffset = "esc" + std::to_string(ESC_SET_MARK_OFFSET);

// A framed stamp tiled over the sheet: bracket, measure, then per copy its
// offset, its text and its frame, bracket closed; the DC as before.
TEST_F(StampMarksTest, TiledFramedStampInOrder) {
  SetNumber(456, 1);
  SetNumber(302, 1);
  SetNumber(301, 0x0000FF);
  const size_t objects = pkgdi::LiveGdiObjects();
  const PageMarkQuery q = Query(200, 120);
  ASSERT_EQ(DrawStampMark(dc_.hdc(), work_.data(), &q), 1);
  const auto seq = dc_.Sequence();
  ASSERT_GE(seq.size(), 3u);
  EXPECT_EQ(seq.front(), kStampOn);
  EXPECT_EQ(seq[1], "measure");
  EXPECT_EQ(seq.back(), kStampOff);
  const size_t copies = (seq.size() - 3) / 3;
  ASSERT_GT(copies, 0u);
  ASSERT_EQ(seq.size(), 3 + 3 * copies);
  for (size_t i = 0; i < copies; ++i) {
    EXPECT_EQ(seq[2 + 3 * i], kOffset) << i;
    EXPECT_EQ(seq[3 + 3 * i], "text") << i;
    EXPECT_EQ(seq[4 + 3 * i], "polygon") << i;
  }
  for (const auto& t : dc_.Of("text")) {
    EXPECT_EQ(t.text, u"STAMP");
    EXPECT_EQ(t.state.textColor, COLORREF(0x0000FF));
    EXPECT_EQ(t.state.rop2, R2_COPYPEN);
  }
  EXPECT_EQ(pkgdi::LiveGdiObjects(), objects);
}

// One stamp at the position code of the first rectangle: no offsets, the
// rectangle's size counts, its corner does not.
TEST_F(StampMarksTest, PositionedStamp) {
  SetNumber(456, 0);
  const struct {
    long long code;
    LONG x, y;
  } cases[] = {{0x202, 475, 380}, {0x303, 950, 760}, {0x101, 0, 0}};
  for (const auto& c : cases) {
    SetNumber(303, c.code);
    dc_.Clear();
    const PageMarkQuery q = Query(5000, 5000, 100, 50, 1100, 850);
    ASSERT_EQ(DrawStampMark(dc_.hdc(), work_.data(), &q), 1);
    EXPECT_EQ(dc_.Sequence(), std::vector<std::string>({kStampOn, "measure", "text", kStampOff})) << c.code;
    const auto t = dc_.Of("text");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].at.x, c.x) << c.code;
    EXPECT_EQ(t[0].at.y, c.y) << c.code;
  }
}

TEST_F(StampMarksTest, UnansweredStampBracketDrawsNothing) {
  dc_.Unanswer(ESC_STAMP_BRACKET);
  const PageMarkQuery q = Query(1000, 1000);
  EXPECT_EQ(DrawStampMark(dc_.hdc(), work_.data(), &q), -1);
  EXPECT_EQ(dc_.Sequence(), std::vector<std::string>({kStampOn}));
  // A failed drawing still closes an opened bracket.
  dc_.Answer(ESC_STAMP_BRACKET, {0, 0, 0, 0});
  dc_.Clear();
  SetNumber(456, 1);
  dc_.FailNth("text", 1);
  EXPECT_EQ(DrawStampMark(dc_.hdc(), work_.data(), &q), -1);
  EXPECT_EQ(dc_.Sequence().back(), kStampOff);
}

// Items at one position are one text, joined by " : " in item order; each
// label is drawn at the origin and its place goes to the driver.
TEST_F(StampMarksTest, LabelsShareAPosition) {
  LabelInfoBlock b = Labels();
  std::memcpy(b.user, u"alice", 12);
  std::memcpy(b.computer, u"host", 10);
  std::memcpy(b.date, u"2024/3/7", 18);
  b.pageNumber = 12;
  b.itemPositions[kLabelUser] = 0x101;
  b.itemPositions[kLabelDate] = 0x101;
  b.itemPositions[kLabelComputer] = 0x303;
  b.itemPositions[kLabelPageNumber] = 0x202;
  AnswerLabels(b);
  const PageMarkQuery q = Query(1000, 800);
  ASSERT_EQ(DrawLabelMarks(dc_.hdc(), work_.data(), &q), 1);
  EXPECT_EQ(dc_.Sequence(), std::vector<std::string>({kInfo, kLabelOn, "measure", kOffset, "text", "measure", kOffset,
                                                      "text", "measure", kOffset, "text", kLabelOff}));
  const auto texts = dc_.Of("text");
  const auto offsets = dc_.Of("esc", ESC_SET_MARK_OFFSET);
  ASSERT_EQ(texts.size(), 3u);
  const struct {
    std::u16string text;
    int32_t x, y;
  } expected[] = {{u"alice : 2024/3/7", 0, 0}, {u"host", 960, 760}, {u"12", 490, 380}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(texts[i].text, expected[i].text) << i;
    EXPECT_EQ(texts[i].at.x, 0) << i;
    EXPECT_EQ(texts[i].at.y, 0) << i;
    EXPECT_EQ(offsets[i].InWord(0), expected[i].x) << i;
    EXPECT_EQ(offsets[i].InWord(1), expected[i].y) << i;
  }
}

// An opening bracket asks for the drawing state (4 bytes back), a closing one
// offers no output block, so that a banding GDI keeps it with the drawing
// it ends, as it keeps the mark offsets.
TEST_F(StampMarksTest, ClosingBracketsOfferNoOutput) {
  SetNumber(456, 1);
  LabelInfoBlock b = Labels();
  std::memcpy(b.user, u"alice", 12);
  b.itemPositions[kLabelUser] = 0x303;
  AnswerLabels(b);
  const PageMarkQuery q = Query(300, 200);
  ASSERT_EQ(DrawStampMark(dc_.hdc(), work_.data(), &q), 1);
  ASSERT_EQ(DrawLabelMarks(dc_.hdc(), work_.data(), &q), 1);
  for (const int code : {ESC_STAMP_BRACKET, ESC_LABEL_BRACKET}) {
    const auto brackets = dc_.Of("esc", code);
    ASSERT_EQ(brackets.size(), 2u) << code;
    EXPECT_EQ(brackets[0].InWord(0), 1) << code;
    EXPECT_EQ(brackets[0].outSize, 4) << code;
    EXPECT_EQ(brackets[1].InWord(0), 0) << code;
    EXPECT_EQ(brackets[1].outSize, 0) << code;
  }
  for (const auto& offset : dc_.Of("esc", ESC_SET_MARK_OFFSET)) EXPECT_EQ(offset.outSize, 0);
}

// The label bracket is opened only once the label texts came, and an
// opened bracket is always closed; nothing to draw is no failure.
TEST_F(StampMarksTest, LabelBracketStaysBalanced) {
  LabelInfoBlock two = Labels();
  std::memcpy(two.user, u"alice", 12);
  std::memcpy(two.time, u"09:05", 12);
  two.itemPositions[kLabelUser] = 0x101;
  two.itemPositions[kLabelTime] = 0x303;
  LabelInfoBlock emptyTiled = Labels();
  emptyTiled.itemPositions[kLabelUser] = 0;
  const struct {
    const char* name;
    LabelInfoBlock block;
    bool answerInfo, answerBracket;
    int failText;
    int result;
    std::vector<std::string> seq;
  } cases[] = {
      {"second text fails",
       two,
       true,
       true,
       2,
       -1,
       {kInfo, kLabelOn, "measure", kOffset, "text", "measure", kOffset, "text", kLabelOff}},
      {"no label texts", two, false, true, 0, -1, {kInfo}},
      {"bracket refused", two, true, false, 0, -1, {kInfo, kLabelOn}},
      {"all off", Labels(), true, true, 0, 1, {kInfo, kLabelOn, kLabelOff}},
      {"empty tiled user name", emptyTiled, true, true, 0, 1, {kInfo, kLabelOn, "measure", kLabelOff}},
  };
  for (const auto& c : cases) {
    StampDc dc;
    dc.Answer(ESC_SET_MARK_OFFSET);
    if (c.answerBracket) dc.Answer(ESC_LABEL_BRACKET, {0, 0, 0, 0});
    if (c.answerInfo) dc.AnswerWith(ESC_GET_LABEL_INFO, c.block);
    if (c.failText) dc.FailNth("text", c.failText);
    const size_t objects = pkgdi::LiveGdiObjects();
    const PageMarkQuery q = Query(1000, 800);
    EXPECT_EQ(DrawLabelMarks(dc.hdc(), work_.data(), &q), c.result) << c.name;
    EXPECT_EQ(dc.Sequence(), c.seq) << c.name;
    EXPECT_EQ(pkgdi::LiveGdiObjects(), objects) << c.name;
  }
}

// A stamp text filling its 130 bytes and a face name filling its 32 units,
// neither terminated: both are cut at their fields.
TEST_F(StampMarksTest, UnterminatedTextsStayInTheirFields) {
  UINT bytes = 0;
  BYTE* text = Field(kText, &bytes);
  ASSERT_EQ(bytes, 130u);
  for (UINT i = 0; i < bytes; i += 2) text[i] = 'A', text[i + 1] = 0;
  SetNumber(300, 0x41);  // the byte after the field is not 0 either
  LOGFONTW lf{};
  lf.lfHeight = 12;
  for (WCHAR& u : lf.lfFaceName) u = u'F';
  SetFont(304, lf);
  SetNumber(456, 0);
  SetNumber(303, 0x101);
  const PageMarkQuery q = Query(5000, 5000, 0, 0, 5000, 5000);
  ASSERT_EQ(DrawStampMark(dc_.hdc(), work_.data(), &q), 1);
  const auto t = dc_.Of("text");
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].text, std::u16string(65, u'A'));
  EXPECT_EQ(std::u16string(t[0].state.font.lfFaceName), std::u16string(31, u'F'));
}

// The document end completes a sheet: one page of its own takes the stamp
// and the labels, and the event reports the drawing's success.
TEST_F(StampMarksTest, DocumentEndDrawsOnAPageOfItsOwn) {
  SetNumber(456, 1);
  PageMarkQuery q = Query(200, 100);
  q.sheetStamp = 1;
  q.label = 1;
  dc_.AnswerWith(ESC_QUERY_PAGE_MARKS, q);
  dc_.Answer(ESC_GET_DEVMODE, work_);
  LabelInfoBlock b = Labels();
  std::memcpy(b.user, u"alice", 12);
  b.itemPositions[kLabelUser] = 0x101;
  AnswerLabels(b);
  EXPECT_EQ(DrvDocumentEvent(printer_, dc_.hdc(), DOCUMENTEVENT_ENDDOC, 0, nullptr, 0, nullptr), 1);
  std::vector<std::string> seq = dc_.Sequence();
  seq.erase(std::remove_if(seq.begin(), seq.end(), [](const std::string& c) { return c == kOffset || c == "text"; }),
            seq.end());
  EXPECT_EQ(seq, std::vector<std::string>({"esc" + std::to_string(ESC_QUERY_PAGE_MARKS),
                                           "esc" + std::to_string(ESC_GET_DEVMODE), "page", kStampOn, "measure",
                                           kStampOff, kInfo, kLabelOn, "measure", kLabelOff, "endpage"}));
  // 4 x 3 copies of the 50 x 40 stamp on 200 x 100, and the label.
  EXPECT_EQ(dc_.Of("text").size(), 12u + 1u);
}

}  // namespace
}  // namespace pk::test
