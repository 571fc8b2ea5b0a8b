// The fax cover page blocks on a PDEV of the default model (its two device
// fonts with metrics and its A4 record of key 9): the tagged text block's
// records and sizes, the layout of the rows by table and kind, the line
// splitting with its byte and line limits, the name block, the cover-sheet
// file's pieces, the page frame and the fax entry taken from a fax block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "graphics_driver/job_output/fax_cover_blocks.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "pipeline_fixture.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "settings/store/settings_blob.h"

namespace {

using pk::test::PipelineTest;

FaxTextEntry Entry(const std::u16string& text, uint16_t font = 1, uint16_t size = 100, int16_t x = 0, int16_t y = 0) {
  FaxTextEntry e{};
  e.x = x;
  e.y = y;
  e.size = size;
  e.font = font;
  std::memcpy(e.text, text.c_str(), (std::min<size_t>(text.size(), 128) + 1) * 2);
  e.text[128] = 0;
  return e;
}

float BigEndianFloat(const BYTE* p) {
  const uint32_t v = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

// The tags of a text block's records after its 19-byte head, in order.
std::vector<std::string> Tags(const std::vector<BYTE>& block) {
  std::vector<std::string> tags;
  size_t at = 19;
  while (at + 2 <= block.size()) {
    const std::string tag(reinterpret_cast<const char*>(&block[at]), 2);
    tags.push_back(tag);
    if (tag == "DA") at += 4;
    else if (tag == "Db") at += 26;
    else if (tag == "Dd") {
      const size_t n = size_t(block[at + 11]) << 8 | block[at + 12];
      const size_t m = size_t(block[at + 13 + 4 * n]) << 8 | block[at + 14 + 4 * n];
      at += 15 + 4 * n + m;
    } else break;
  }
  return tags;
}

std::u16string Text(const WCHAR* t) { return t; }

// A fax block of the given entries: kind, number line, prefix selector,
// addressee; the head's two sender texts.
std::vector<BYTE> FaxBlock(const std::vector<std::u16string>& addressees) {
  std::vector<BYTE> b(kFaxBlockHeadSize + kFaxBlockEntrySize * addressees.size());
  std::memcpy(b.data(), u"ORVA001", 16);
  b[16] = BYTE(addressees.size());
  std::memcpy(&b[18], u"Sender", 14);
  std::memcpy(&b[100], u"Sender info", 24);
  for (size_t i = 0; i < addressees.size(); ++i) {
    BYTE* e = &b[kFaxBlockHeadSize + kFaxBlockEntrySize * i];
    e[0] = 2;
    std::memcpy(e + 2, u"0123", 10);
    e[260] = 1;
    std::memcpy(e + 262, addressees[i].c_str(), (addressees[i].size() + 1) * 2);
  }
  return b;
}

class FaxCoverBlocksTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    ASSERT_NE(Open(), nullptr);
  }
  std::vector<BYTE> Write(const std::vector<FaxTextEntry>& entries, int* size = nullptr) {
    const int need = ComputeFaxTextEntriesSize(entries.data(), int(entries.size()));
    if (size) *size = need;
    std::vector<BYTE> out(need > 0 ? size_t(need) : 1);
    const int written =
        WriteFaxTextEntries(pdev_, entries.data(), int(entries.size()), out.data(), uint32_t(out.size()));
    if (written < 0) return {};
    out.resize(size_t(written));
    return out;
  }
  // The entries one row places.
  std::vector<FaxTextEntry> Place(const FaxLayoutRow& row, const std::u16string& text) {
    std::vector<FaxTextEntry> list(kFaxTextEntryMax);
    int count = 0;
    EXPECT_EQ(PlaceFaxTextLines(row, text.c_str(), list.data(), &count), 1);
    list.resize(size_t(count));
    return list;
  }
  // The row of a table by kind (the first such row).
  static FaxLayoutRow Row(int variantB, int table, int kind) {
    for (const FaxLayoutRow* r = GetFaxLayoutTable(variantB, table); r->kind != 11; ++r)
      if (r->kind == kind) return *r;
    FaxLayoutRow none{};
    none.kind = 11;
    return none;
  }
  static bool HasRow(int variantB, int table, int kind) { return Row(variantB, table, kind).kind != 11; }
};

TEST_F(FaxCoverBlocksTest, TextBlockRecordsAndSizes) {
  // One entry "abc" in font 1 at size 100: head 19, DA 4, Db 26, Dd 30.
  int size = 0;
  const std::vector<BYTE> block = Write({Entry(u"abc")}, &size);
  ASSERT_EQ(block.size(), 79u);
  EXPECT_EQ(size, 79);
  const BYTE head[19] = {'A', 'R', 'A', 'K', 2, 'A', 'L', 1, 0, 0, 0, 13, 'A', 'M', 2, 4, 0, 0, 0};
  EXPECT_EQ(std::memcmp(block.data(), head, 19), 0);
  EXPECT_EQ(Tags(block), (std::vector<std::string>{"DA", "Db", "Dd"}));
  // The font key with bit 1 set, big-endian.
  EXPECT_EQ(block[21], 0);
  EXPECT_EQ(block[22], 3);
  // Db at 600 dpi: 100 x 600 / 720 and its negation for y, big-endian floats.
  EXPECT_FLOAT_EQ(BigEndianFloat(&block[25]), 83.333336f);
  EXPECT_EQ(BigEndianFloat(&block[25]), float(100.0 * 600 / 720));
  EXPECT_EQ(BigEndianFloat(&block[37]), -float(100.0 * 600 / 720));
  for (int i : {1, 2, 4, 5}) EXPECT_EQ(BigEndianFloat(&block[25 + 4 * i]), 0.0f) << i;
  // The Dd record: 2 + 8 + 1 + 2 + 3 x 4 + 2 + 3 bytes, advances from the
  // font's widths ('a' 613 units), then the text.
  const size_t dd = 49;
  EXPECT_EQ(block.size() - dd, 30u);
  EXPECT_EQ(block[dd + 10], 2);
  EXPECT_EQ(block[dd + 12], 3);
  EXPECT_NEAR(BigEndianFloat(&block[dd + 13]), 613.0 * 100 / 1000 * 600 / 72 / 10, 1e-3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[dd + 27]), 3), "abc");

  // Two entries of the same font and size: one DA and one Db before the first
  // Dd only; a change of size writes a Db, a change of font a DA.
  EXPECT_EQ(Tags(Write({Entry(u"ab"), Entry(u"cd", 1, 100, 0, 50)})),
            (std::vector<std::string>{"DA", "Db", "Dd", "Dd"}));
  EXPECT_EQ(Tags(Write({Entry(u"ab"), Entry(u"cd", 1, 120), Entry(u"ef", 2, 120)})),
            (std::vector<std::string>{"DA", "Db", "Dd", "Db", "Dd", "DA", "Dd"}));

  // A character the font gives no width fails the block.
  EXPECT_EQ(Write({Entry(u"a\tb")}).size(), 0u);
  // A block larger than the room given is refused, never written past it.
  std::vector<BYTE> small(78, 0xEE);
  const FaxTextEntry abc = Entry(u"abc");
  EXPECT_EQ(WriteFaxTextEntries(pdev_, &abc, 1, small.data(), uint32_t(small.size() - 1)), -1);
  EXPECT_EQ(small.back(), 0xEE);
}

TEST_F(FaxCoverBlocksTest, RowLayout) {
  // A 10-byte title at size 100, centred: x 1750 - trunc(10 x 0.35277 x 5 x 10).
  const std::vector<FaxTextEntry> title = Place(Row(0, 0, 1), u"Cover Page");
  ASSERT_EQ(title.size(), 1u);
  EXPECT_EQ(title[0].x, 1750 - 176);
  EXPECT_EQ(title[0].y, 518);
  EXPECT_EQ(title[0].size, 100);
  EXPECT_EQ(Text(title[0].text), u"Cover Page");

  // The baseline flag lifts a line by 0.86 of its size: trunc(10 x 0.35277 x
  // 0.86 x 10) at size 100; an empty text places nothing.
  FaxLayoutRow baseline{1, 0, 2, 0, 2, 100, 300, 400, 0, 1, 0};
  const std::vector<FaxTextEntry> lifted = Place(baseline, u"x");
  ASSERT_EQ(lifted.size(), 1u);
  EXPECT_EQ(lifted[0].x, 300);
  EXPECT_EQ(lifted[0].y, 400 - 30);
  EXPECT_EQ(lifted[0].font, 2);
  EXPECT_TRUE(Place(baseline, u"").empty());

  // Variant b: string 1775 for the title, x 1715 for its second row, no kind 3
  // and 5 rows; the other strings change too.
  EXPECT_EQ(Row(0, 0, 1).stringId, 1774);
  EXPECT_EQ(Row(1, 0, 1).stringId, 1775);
  EXPECT_EQ(Row(0, 0, 0).x, 1397);
  EXPECT_EQ(Row(1, 0, 0).x, 1715);
  EXPECT_TRUE(HasRow(0, 1, 3) && HasRow(0, 1, 5));
  EXPECT_FALSE(HasRow(1, 1, 3) || HasRow(1, 1, 5));
  EXPECT_EQ(Row(1, 1, 7).stringId, 1779);
  EXPECT_EQ(Row(1, 3, 1).stringId, 1787);

  // Row texts by table and kind: an entry of kind 2 with a number and a
  // prefix; the one-addressee option; an entry of kind 1.
  std::vector<BYTE> block = FaxBlock({u"Kato"});
  std::vector<BYTE> entry(kFaxEntryBytes);
  ASSERT_EQ(CopyFaxEntry(block.data(), 0, entry.data()), 1);
  FaxCoverOptions options{};
  options.addresseeLabel = 1;
  options.formLabel = 2;
  options.numberPrefix = 1;
  std::memcpy(options.addressee, u"All staff", 20);
  FaxPrefixes prefixes{};
  std::memcpy(prefixes.prefix1, u"0-", 6);
  struct Case {
    const char* what;
    int kind;
    uint16_t oneAddressee;
    uint16_t entryKind;
    std::u16string text;
  };
  const Case cases[] = {
      {"addressee", 2, 0, 2, u"Kato"},
      {"label 1770", 3, 0, 2, u"Company"},
      {"label 1773", 5, 0, 2, u"For review"},
      {"fax label", 7, 0, 2, u"Fax:"},
      {"number with prefix", 8, 0, 2, u"0-0123"},
      {"one addressee: 526", 2, 1, 2, u"All staff"},
      {"one addressee: no 3", 3, 1, 2, u""},
      {"one addressee: no 4", 4, 1, 2, u""},
      {"one addressee: no 5", 5, 1, 2, u""},
      {"one addressee: no 7", 7, 1, 2, u""},
      {"one addressee: no 8", 8, 1, 2, u""},
      {"entry kind 1: no 7", 7, 0, 1, u""},
      {"entry kind 1: no 8", 8, 0, 1, u""},
      {"entry kind 1 keeps 3", 3, 0, 1, u"Company"},
  };
  for (const Case& c : cases) {
    options.oneAddressee = c.oneAddressee;
    entry[0] = BYTE(c.entryKind);
    WCHAR text[300];
    GetFaxRowText(1, Row(0, 1, c.kind), entry.data(), options, prefixes, text, 300);
    EXPECT_EQ(Text(text), c.text) << c.what;
  }
  // The sender rows take the head's texts.
  WCHAR text[300];
  GetFaxRowText(3, Row(0, 3, 9), entry.data(), options, prefixes, text, 300);
  EXPECT_EQ(Text(text), u"Sender");
  GetFaxRowText(3, Row(0, 3, 10), entry.data(), options, prefixes, text, 300);
  EXPECT_EQ(Text(text), u"Sender info");
}

TEST_F(FaxCoverBlocksTest, LineSplittingAndLimits) {
  // A 5-line form text at 40 bytes a line: cut at CR LF and before the 41st
  // byte, 40 tenths of a millimetre apart; a sixth line is dropped.
  const FaxLayoutRow form = Row(0, 2, 4);
  ASSERT_EQ(form.maxBytes, 40);
  ASSERT_EQ(form.maxLines, 5);
  const std::u16string longLine(50, u'x');
  const std::vector<FaxTextEntry> lines = Place(form, u"first\r\nsecond\r\n" + longLine + u"\r\nfifth\r\nsixth");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(Text(lines[0].text), u"first");
  EXPECT_EQ(Text(lines[1].text), u"second");
  EXPECT_EQ(Text(lines[2].text), std::u16string(40, u'x'));
  EXPECT_EQ(Text(lines[3].text), std::u16string(10, u'x'));
  EXPECT_EQ(Text(lines[4].text), u"fifth");
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].y, form.y + 40 * int(i)) << i;

  // Code page 932: a double-byte character that would end past byte 40 goes
  // to the next line whole.
  pk::seams::SetCodePages(932, 932);
  const std::u16string japanese = std::u16string(39, u'a') + u"\u3042\u3044";
  const std::vector<FaxTextEntry> split = Place(form, japanese);
  ASSERT_EQ(split.size(), 2u);
  EXPECT_EQ(Text(split[0].text), std::u16string(39, u'a'));
  EXPECT_EQ(Text(split[1].text), u"\u3042\u3044");
  pk::seams::SetCodePages(1252, 437);

  // A kind-8 number line of 60 OEM bytes is set smaller: size 101.
  const FaxLayoutRow number = Row(0, 1, 8);
  const std::vector<FaxTextEntry> sixty = Place(number, std::u16string(60, u'7'));
  ASSERT_EQ(sixty.size(), 1u);
  EXPECT_EQ(sixty[0].size, 101);
  EXPECT_EQ(Place(number, std::u16string(51, u'7'))[0].size, 120);

  // A 128-character number with a 6-character prefix: the line is cut to 128
  // characters and its terminator.
  std::vector<BYTE> block = FaxBlock({u"Kato"});
  for (int i = 0; i < 128; ++i) block[kFaxBlockHeadSize + 2 + 2 * i] = BYTE('0' + i % 10);
  std::vector<BYTE> entry(kFaxEntryBytes);
  ASSERT_EQ(CopyFaxEntry(block.data(), 0, entry.data()), 1);
  entry[260] = 2;
  FaxCoverOptions options{};
  options.numberPrefix = 1;
  FaxPrefixes prefixes{};
  std::memcpy(prefixes.prefix2, u"+81-3-", 14);
  WCHAR text[300];
  GetFaxRowText(1, number, entry.data(), options, prefixes, text, 300);
  ASSERT_EQ(Text(text).size(), 134u);
  const std::vector<FaxTextEntry> placed = Place(number, text);
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(Text(placed[0].text), Text(text).substr(0, 128));
  EXPECT_EQ(placed[0].size, int(107.0 / 134 * 2 / 0.35277777777777775 * 10));
}

TEST_F(FaxCoverBlocksTest, ComposedCoverMatchesItsSize) {
  // The whole cover of an entry: the written block has exactly the size the
  // computation gave, and the list never holds more than 40 lines.
  std::vector<BYTE> block = FaxBlock({u"Kato", u"Sato"});
  std::vector<BYTE> entry(kFaxEntryBytes);
  ASSERT_EQ(CopyFaxEntry(block.data(), 1, entry.data()), 1);
  FaxCoverOptions options{};
  options.addresseeLabel = 2;
  std::memcpy(options.title, u"Memo", 10);
  std::u16string many;
  for (int i = 0; i < 30; ++i) many += u"line\r\n";
  std::memcpy(options.form541, many.c_str(), 2 * std::min<size_t>(many.size(), 209));
  FaxPrefixes prefixes{};
  FaxTextEntry* list = nullptr;
  int count = 0;
  ASSERT_EQ(ComposeFaxTextLines(entry.data(), options, prefixes, &list, &count), 1);
  EXPECT_LE(count, kFaxTextEntryMax);
  bool sato = false;
  for (int i = 0; i < count; ++i) sato = sato || Text(list[i].text) == u"Sato";
  EXPECT_TRUE(sato);
  GlobalFree(list);
  const int size = ComputeFaxTextBlockSize(entry.data(), options, prefixes);
  ASSERT_GT(size, 19);
  std::vector<BYTE> out(size_t(size) + 16, 0xEE);
  FaxCoverFrame frame{};
  EXPECT_EQ(WriteFaxTextBlock(entry.data(), options, prefixes, pdev_, frame, out.data(), uint32_t(size)), size);
  EXPECT_EQ(out[size_t(size)], 0xEE);
  // One byte less of room: refused.
  EXPECT_EQ(WriteFaxTextBlock(entry.data(), options, prefixes, pdev_, frame, out.data(), uint32_t(size - 1)), -1);
}

TEST_F(FaxCoverBlocksTest, FaxEntryOfTheBlock) {
  std::vector<BYTE> block = FaxBlock({u"Kato", u"Sato"});
  std::vector<BYTE> entry(kFaxEntryBytes, 0xEE);
  ASSERT_EQ(CopyFaxEntry(block.data(), 1, entry.data()), 1);
  EXPECT_EQ(std::memcmp(entry.data(), &block[kFaxBlockHeadSize + kFaxBlockEntrySize], kFaxBlockEntrySize), 0);
  EXPECT_EQ(Text(reinterpret_cast<const WCHAR*>(&entry[742])), u"Sender");
  EXPECT_EQ(Text(reinterpret_cast<const WCHAR*>(&entry[824])), u"Sender info");
  // Entries at or past the block's count, and no block, give none.
  EXPECT_EQ(CopyFaxEntry(block.data(), 2, entry.data()), 0);
  EXPECT_EQ(CopyFaxEntry(block.data(), 65535, entry.data()), 0);
  EXPECT_EQ(CopyFaxEntry(nullptr, 0, entry.data()), 0);
  // The PDEV's block.
  EXPECT_EQ(CopyPdevFaxEntry(pdev_, 0, entry.data()), -1);
  void* copy = GlobalAlloc(GPTR, block.size());
  std::memcpy(copy, block.data(), block.size());
  pdev_->faxState.faxDataLink = copy;
  EXPECT_EQ(CopyPdevFaxEntry(pdev_, 0, entry.data()), 0);
  EXPECT_EQ(Text(reinterpret_cast<const WCHAR*>(&entry[262])), u"Kato");
  EXPECT_EQ(CopyPdevFaxEntry(pdev_, 2, entry.data()), -1);
  ClearPdevFaxBlock(pdev_);
  EXPECT_EQ(pdev_->faxState.faxDataLink, nullptr);
  pdev_->faxState.faxDataLink = copy;
  FreePdevFaxBlock(pdev_);
  EXPECT_EQ(pdev_->faxState.faxDataLink, nullptr);
}

TEST_F(FaxCoverBlocksTest, NameBlockFrameAndCoverSheetFile) {
  // Setting 378 names the attachment: its base name in an Eg block.
  SetPdevText(378, u"C:\\docs\\Report.doc");
  ASSERT_EQ(ComputeNameBlockSize(pdev_), 35);
  std::vector<BYTE> name(35);
  ASSERT_EQ(BuildNameBlock(pdev_, name.data(), 35), 35);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(name.data()), 10), std::string("Eg\0\6Report", 10));
  EXPECT_EQ(BigEndianFloat(&name[10]), 1.0f);
  EXPECT_EQ(BigEndianFloat(&name[22]), 1.0f);
  EXPECT_EQ(name[34], 0);
  EXPECT_EQ(BuildNameBlock(pdev_, name.data(), 34), -1);

  // The A4 record of key 9: 2100 x 2970 with 4.2 mm margins.
  FaxCoverFrame frame{};
  ASSERT_EQ(MakeCoverPageFrame(pdev_, &frame), 0);
  EXPECT_EQ(frame.paperWidth, 2100);
  EXPECT_EQ(frame.paperHeight, 2970);
  EXPECT_EQ(frame.printableWidth, 2100 - 84);
  EXPECT_EQ(frame.printableHeight, 2970 - 84);
  EXPECT_EQ(frame.marginX, (2100 - 2016 + 1) / 2);
  EXPECT_EQ(frame.marginY, (2970 - 2886 + 1) / 2);

  // No cover-sheet file yet; then one of 40,000 bytes, read in pieces of
  // 16,384 bytes by reads of at most 512.
  EXPECT_EQ(OpenCoverSheetFile(pdev_), INVALID_HANDLE_VALUE);
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath((std::u16string(PK_DRIVER_FOLDER) + u"ORVC3600.CVR").c_str(), nullptr, &host), 0u);
  std::string bytes(40000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7);
  std::ofstream(host, std::ios::binary) << bytes;
  HANDLE file = OpenCoverSheetFile(pdev_);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::vector<int> pieces;
  std::string read;
  std::vector<BYTE> piece(kCoverSheetPieceBytes);
  for (int n; (n = ReadCoverSheetPiece(&file, kCoverSheetPieceBytes, piece.data())) > 0;) {
    pieces.push_back(n);
    read.append(reinterpret_cast<const char*>(piece.data()), size_t(n));
  }
  EXPECT_EQ(pieces, (std::vector<int>{16384, 16384, 7232}));
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  std::remove(host.c_str());
}

}  // namespace
