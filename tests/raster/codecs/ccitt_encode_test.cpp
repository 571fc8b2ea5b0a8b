// The CCITT encoders: exact code of small pages, EOLs, fill bits and end
// codes per option, K cycles, the pending byte between lines, skip and reset,
// the input test and the reported failures, and the property that every
// coded page stays within the node's line size and decodes to its source.
#include <gtest/gtest.h>

#include <memory>

#include "ccitt_encode_support.h"
#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_owner.h"

namespace {

std::vector<uint8_t> bytes_of(const std::string& bits) {
  std::vector<uint8_t> out((bits.size() + 7) / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') out[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
  return out;
}

std::vector<std::vector<uint8_t>> one_row(int32_t width, std::initializer_list<int32_t> black) {
  std::vector<uint8_t> row(static_cast<size_t>((width + 7) / 8), 0);
  for (int32_t x : black) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return {row};
}

TEST(BitWriter, PacksMostSignificantFirstAndKeepsAFullBytePending) {
  uint8_t out[4] = {};
  RstCCITTBitWriter w(out, 2, 0xA0, 3);  // 101 pending
  EXPECT_TRUE(w.put_bits(0x1F, 5));      // completes 10111111
  EXPECT_TRUE(w.settle());
  EXPECT_EQ(w.count, 0) << "a full byte waits for the next bit";
  EXPECT_EQ(w.pending_bits(), 8);
  EXPECT_EQ(w.pending_byte(), 0xBF);
  EXPECT_TRUE(w.put_bits(1, 1));
  EXPECT_TRUE(w.settle());
  EXPECT_EQ(w.count, 1);
  EXPECT_EQ(out[0], 0xBF);
  EXPECT_EQ(w.pending_byte(), 0x80);
  EXPECT_TRUE(w.put_zeros(15));
  EXPECT_FALSE(w.flush()) << "the third byte does not fit a capacity of 2";
  EXPECT_EQ(w.count, 2);
}

// Exact code of small pages, checked bit by bit.
TEST(CCITTEncode, ExactCodeOfSmallPages) {
  const std::string eol = "000000000001";
  const std::string rtc_mh = eol + eol + eol + eol + eol + eol;
  std::string rtc1;
  for (int i = 0; i < 6; ++i) rtc1 += eol + "1";
  struct Case {
    const char* name;
    Coding coding;
    int32_t width;
    std::vector<std::vector<uint8_t>> rows;
    std::string bits;
  };
  const std::string w0 = "00110101", b1 = "010";
  const std::vector<Case> cases = {
      {"MH defaults, 1x1 black", {Form::mh}, 1, one_row(1, {0}), eol + w0 + b1 + rtc_mh},
      {"MR defaults, 1x1 black", {Form::mr}, 1, one_row(1, {0}), eol + "1" + w0 + b1 + rtc1},
      {"MH eol and align: 4 fill bits", {Form::mh, 0, 1, 1}, 8, one_row(8, {}), "0000" + eol + "10011"},
      {"MR align: 3 fill bits", {Form::mr, 0, 1, 1, 4}, 8, one_row(8, {}), "000" + eol + "1" + "10011"},
      {"white 2600: 2560 then 40",
       {Form::mh, 0, 0, 0},
       2600,
       one_row(2600, {}),
       "000000011111"
       "00101001"},
      {"white 64: make-up 64 then 0",
       {Form::mh, 0, 0, 0},
       64,
       one_row(64, {}),
       "11011"
       "00110101"},
      {"black 5184: 2560 twice, then make-up 64 and 0",
       {Form::mh, 0, 0, 0},
       5184,
       {std::vector<uint8_t>(648, 0xFF)},
       w0 + "000000011111"
            "000000011111"
            "0000001111"
            "0000110111"},
      {"MMR white line: V0 and EOFB", {Form::mmr}, 5, one_row(5, {}), "1" + eol + eol},
      {"MMR first pixel black against white: VL3, VL2, V0",
       {Form::mmr, 0},
       3,
       one_row(3, {0}),
       "0000010"
       "000010"
       "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Encoded e = encode_rows(c.coding, c.width, c.rows);
    EXPECT_EQ(bit_string(e.bytes), bit_string(bytes_of(c.bits)));
    EXPECT_TRUE(e.within_line_size);
  }
  Encoded mh = encode_rows({Form::mh}, 1, one_row(1, {0}));
  EXPECT_EQ(mh.bytes, (std::vector<uint8_t>{0x00, 0x13, 0x54, 0x00, 0x20, 0x02, 0x00, 0x20, 0x02, 0x00, 0x20, 0x02}));
  EXPECT_EQ(mh.read_sizes, std::vector<int>{12});
  EXPECT_LE(12, mh.line_size);
  Encoded mr = encode_rows({Form::mr}, 1, one_row(1, {0}));
  EXPECT_EQ(mr.bytes.size(), 13u);
}

// Compression 2 style: lines start on byte boundaries, no EOL and no RTC.
TEST(CCITTEncode, LinesWithoutEolAreByteAligned) {
  std::vector<std::vector<uint8_t>> rows = {one_row(8, {0})[0], one_row(8, {})[0], one_row(8, {7})[0]};
  Encoded e = encode_rows({Form::mh, 0, 0, 1}, 8, rows);
  // white 0, black 1, white 7 | white 8 | white 7, black 1
  std::string expected = std::string(
                             "00110101"
                             "010"
                             "1111"
                             "0") +
                         "10011"
                         "000" +
                         "1111"
                         "010";
  EXPECT_EQ(bit_string(e.bytes), bit_string(bytes_of(expected)));
  EXPECT_EQ(e.read_sizes, (std::vector<int>{1, 1, 2})) << "a line's last bits go out with the next line";
}

// An all-white MMR page codes one V0 bit per line: a byte comes out only when
// the ninth line adds a bit to a full pending byte; the last read carries the
// pending bits, EOFB and the padding.
TEST(CCITTEncode, AllWhiteMMRPutsSeveralLinesIntoOneRead) {
  std::mt19937 rng(1);
  auto* source = new RowSource(100, make_rows(100, 20, 3, rng));
  RstOwner<RstRead> node(RstEncodeMMR::create(source, nullptr));
  ASSERT_TRUE(node);
  std::vector<uint8_t> buf(static_cast<size_t>(node->line_size()));
  struct Step {
    int bytes;
    int reads;
  };
  const Step steps[] = {{1, 9}, {1, 17}, {4, 20}, {0, 20}};
  std::vector<uint8_t> all;
  for (const Step& s : steps) {
    int n = node->read(buf.data());
    EXPECT_EQ(n, s.bytes);
    EXPECT_EQ(source->reads, s.reads);
    all.insert(all.end(), buf.begin(), buf.begin() + std::max(n, 0));
  }
  EXPECT_EQ(all, (std::vector<uint8_t>{0xFF, 0xFF, 0xF0, 0x01, 0x00, 0x10}));
}

// The tag bits after the EOLs of MR code give the K cycle; RTC adds six 1s.
TEST(CCITTEncode, MRKCycles) {
  std::mt19937 rng(5);
  auto rows = make_rows(40, 7, 4, rng);
  struct Case {
    int32_t k;
    std::vector<int> tags;
  };
  const Case cases[] = {
      {1, {1, 1, 1, 1, 1, 1, 1}}, {2, {1, 0, 1, 0, 1, 0, 1}},  {4, {1, 0, 0, 0, 1, 0, 0}},
      {0, {1, 0, 0, 0, 0, 0, 0}}, {-5, {1, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    for (uint8_t align : {0, 1}) {
      SCOPED_TRACE("K " + std::to_string(c.k) + " align " + std::to_string(align));
      Coding coding{Form::mr, 1, 1, align, c.k};
      Encoded e = encode_rows(coding, 40, rows);
      std::vector<int> expected = c.tags;
      expected.insert(expected.end(), 6, 1);
      EXPECT_EQ(eol_tags(e.bytes), expected);
      EXPECT_EQ(decode_ours(coding, e.bytes, 40, 7), concat(rows));
    }
  }
}

// skip stops at the height; what was coded before still ends properly.
// reset starts over with the first source line, no carried bits and (MR) a
// one-dimensional line; the next MMR line is coded against white.
TEST(CCITTEncode, SkipAndReset) {
  std::mt19937 rng(9);
  auto rows = make_rows(50, 6, 4, rng);
  for (Coding c : {Coding{Form::mh}, Coding{Form::mr}, Coding{Form::mmr}}) {
    SCOPED_TRACE(c.name());
    Encoded fresh = encode_rows(c, 50, rows);

    auto* source = new RowSource(50, rows);
    RstOwner<RstRead> node(make_encoder(c, source));
    ASSERT_TRUE(node);
    std::vector<uint8_t> buf(static_cast<size_t>(node->line_size()));
    node->read(buf.data());
    node->read(buf.data());
    node->reset();
    std::vector<uint8_t> again;
    for (int n; (n = node->read(buf.data())) > 0;) again.insert(again.end(), buf.begin(), buf.begin() + n);
    EXPECT_EQ(again, fresh.bytes);

    node->reset();
    EXPECT_GT(node->read(buf.data()), 0);
    EXPECT_EQ(node->skip(100), 5) << "stops at the height";
    auto* line = dynamic_cast<RstEncodeRLEToCCITTBW*>(node.get());
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->all_done());
    int n = node->read(buf.data());
    EXPECT_GT(n, 0) << "the coded bits and the end code still come out";
    EXPECT_EQ(node->read(buf.data()), 0);
  }
}

TEST(CCITTEncode, InputTestAndFactoryReports) {
  std::mt19937 rng(2);
  auto rows = make_rows(30, 3, 0, rng);
  struct Factory {
    const char* where;
    RstRead* (*make)(RstRead*);
  };
  const Factory factories[] = {
      {"RstEncodeMH::create()", [](RstRead* s) -> RstRead* { return RstEncodeMH::create(s, nullptr); }},
      {"RstEncodeMR::create()", [](RstRead* s) -> RstRead* { return RstEncodeMR::create(s, nullptr); }},
      {"RstEncodeMMR::create()", [](RstRead* s) -> RstRead* { return RstEncodeMMR::create(s, nullptr); }},
  };
  for (const Factory& f : factories) {
    SCOPED_TRACE(f.where);
    ReportLog log;
    EXPECT_EQ(f.make(nullptr), nullptr);
    EXPECT_TRUE(log.has(-2, f.where));

    auto* gray = new RowSource(30, rows, false, RstColorType::s_gray());
    EXPECT_EQ(f.make(gray), nullptr);
    EXPECT_TRUE(log.has(-3, f.where));
    EXPECT_EQ(gray->mode(), RstRoot::mode_kept);
    gray->end();

    auto* raw = new RowSource(30, rows);
    RstOwner<RstRead> node(f.make(raw));
    ASSERT_TRUE(node);
    EXPECT_NE(dynamic_cast<RstEncodeRLE*>(static_cast<RstProcess*>(node.get())->source()), nullptr)
        << "a raw source is wrapped";
    RstHeader h(node.get());
    EXPECT_EQ(h.width, 30);
    EXPECT_EQ(h.height, 3);
    EXPECT_EQ(h.color_type, RstColorType::s_gray_reverse());

    auto* runs = new RowSource(30, rows, true);
    RstOwner<RstRead> direct(f.make(runs));
    ASSERT_TRUE(direct);
    EXPECT_EQ(static_cast<RstProcess*>(direct.get())->source(), runs);
  }
  // Raw and run-line sources code alike; an option of another class is no option.
  Encoded raw = encode_rows({Form::mr}, 30, rows);
  Encoded runs = encode_rows({Form::mr}, 30, rows, true);
  EXPECT_EQ(raw.bytes, runs.bytes);
  for (Form form : {Form::mh, Form::mr, Form::mmr}) {
    std::unique_ptr<RstCodingOption> other(
        form == Form::mmr ? static_cast<RstCodingOption*>(new RstMHOption(0, 0, 0, 0, 1)) : new RstMMROption(0, 0));
    auto* source = new RowSource(30, rows);
    RstRead* node = form == Form::mh   ? static_cast<RstRead*>(RstEncodeMH::create(source, other.get()))
                    : form == Form::mr ? static_cast<RstRead*>(RstEncodeMR::create(source, other.get()))
                                       : static_cast<RstRead*>(RstEncodeMMR::create(source, other.get()));
    RstOwner<RstRead> owner(node);
    std::vector<uint8_t> buf(static_cast<size_t>(node->line_size())), got;
    for (int n; (n = node->read(buf.data())) > 0;) got.insert(got.end(), buf.begin(), buf.begin() + n);
    EXPECT_EQ(got, encode_rows({form}, 30, rows).bytes);
  }
}

// Every allocation of a factory failing in turn: no node, the failure
// reported, the caller's source left usable.
TEST(CCITTEncode, AllocationFailures) {
  std::mt19937 rng(3);
  auto rows = make_rows(20, 2, 0, rng);
  for (Coding c : {Coding{Form::mh}, Coding{Form::mr}, Coding{Form::mmr}}) {
    SCOPED_TRACE(c.name());
    // The shared code tables are built first, so that each allocation of
    // the factory itself fails in turn.
    encode_rows(c, 20, rows);
    std::vector<std::string> wheres;
    for (int nth = 1; nth < 12; ++nth) {
      ReportLog log;
      auto* source = new RowSource(20, rows);
      RstAllocFault::fail_nth(nth);
      RstRead* node = make_encoder(c, source);
      RstAllocFault::clear();
      if (node) {
        node->end();
        continue;
      }
      ASSERT_EQ(log.count(-1), 1u) << nth;
      for (const Report& r : log.reports) wheres.push_back(r.where);
      EXPECT_EQ(source->mode(), RstRoot::mode_kept);
      source->end();
    }
    auto has = [&](const char* w) { return std::find(wheres.begin(), wheres.end(), w) != wheres.end(); };
    EXPECT_TRUE(has("RstEncodeRLEToCCITTBW::init()"));
    if (c.form != Form::mh) {
      EXPECT_TRUE(has("RstEncodeCCITT2D::init()"));
    }
    EXPECT_TRUE(has("rst_create_end()"));
  }
}

// A line coder fed from a list of run lines, whose bound a test may shrink.
template <class Line>
class ListCoder : public Line {
 public:
  template <class Option>
  ListCoder(int32_t width, std::vector<Runs> lines, const Option& option)
      : Line(width, static_cast<int32_t>(lines.size()), option), lines_(std::move(lines)) {}
  int32_t read_line(uint8_t* runs) override {
    const Runs& r = lines_[next_++ % lines_.size()];
    auto* p = reinterpret_cast<int32_t*>(runs);
    for (size_t i = 0; i < r.size(); ++i) {
      p[2 * i] = r[i].first;
      p[2 * i + 1] = r[i].second;
    }
    p[2 * r.size()] = p[2 * r.size() + 1] = -1;
    return static_cast<int32_t>(r.size() + 1) * 8;
  }
  void shrink_bound(int32_t bytes) { this->bound_ = bytes; }

 private:
  std::vector<Runs> lines_;
  size_t next_ = 0;
};

// A line that does not fit the output is reported with the coder's text and
// ends the page; nothing is cut silently.
TEST(CCITTEncode, OverflowIsReportedAndEndsThePage) {
  std::vector<Runs> lines = {{{0, 0}, {2, 2}, {4, 4}, {6, 6}}, {{1, 1}, {3, 5}}};
  std::vector<uint8_t> out(64);
  auto check = [&](RstEncodeRLEToCCITTBW& coder, auto& shrink, const char* where) {
    SCOPED_TRACE(where);
    ReportLog log;
    ASSERT_TRUE(coder.init());
    shrink(1);
    EXPECT_EQ(coder.encode_line(out.data()), 0);
    EXPECT_TRUE(log.has(0, where));
    EXPECT_TRUE(coder.all_done());
    EXPECT_EQ(coder.encode_line(out.data()), 0);
  };
  ListCoder<RstEncodeMHLine> mh(8, lines, RstMHOption(1, 0, 1, 0, 0));
  ListCoder<RstEncodeMRLine> mr(8, lines, RstMROption(1, 0, 0, 0, 4));
  ListCoder<RstEncodeMMRLine> mmr(8, lines, RstMMROption(1, 0));
  auto s1 = [&](int32_t b) { mh.shrink_bound(b); };
  auto s2 = [&](int32_t b) { mr.shrink_bound(b); };
  auto s3 = [&](int32_t b) { mmr.shrink_bound(b); };
  check(mh, s1, "RstEncodeMHLine::encode_line()");
  check(mr, s2, "RstEncodeMRLine::encode_line()");
  check(mmr, s3, "RstEncodeMMRLine::encode_line()");

  // finish writes the end code once and ends the page.
  ListCoder<RstEncodeMMRLine> open(8, {{}, {}, {}}, RstMMROption(1, 0));
  ASSERT_TRUE(open.init());
  EXPECT_EQ(open.encode_line(out.data()), 0) << "one V0 bit stays pending";
  EXPECT_EQ(open.finish(out.data()), 4) << "the pending bit and EOFB";
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 4), (std::vector<uint8_t>{0x80, 0x08, 0x00, 0x80}));
  EXPECT_TRUE(open.all_done());
  EXPECT_EQ(open.finish(out.data()), 0);
}

// A source that ends before its height: the page is closed after the lines
// it gave, with warning 3.
TEST(CCITTEncode, ShortSourceEndsThePageWithItsEndCode) {
  class Short : public RowSource {
   public:
    using RowSource::RowSource;
    void header(RstHeader& h) override {
      RowSource::header(h);
      h.height = 5;
    }
  };
  std::mt19937 rng(8);
  auto rows = make_rows(24, 3, 4, rng);
  for (Coding c : {Coding{Form::mh}, Coding{Form::mr}, Coding{Form::mmr}}) {
    SCOPED_TRACE(c.name());
    ReportLog log;
    RstOwner<RstRead> node(make_encoder(c, new Short(24, rows)));
    ASSERT_TRUE(node);
    std::vector<uint8_t> buf(static_cast<size_t>(node->line_size())), got;
    for (int n; (n = node->read(buf.data())) > 0;) got.insert(got.end(), buf.begin(), buf.begin() + n);
    EXPECT_EQ(got, encode_rows(c, 24, rows).bytes);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].code, RstCode::end_of_input);
  }
}

// Widths 1 to 64 and random widths up to 300, random, alternating,
// all-black and blocky content, every option combination: no read exceeds
// the line size and our decoders give back the source.
class EveryCoding : public ::testing::TestWithParam<int> {};

TEST_P(EveryCoding, FitsItsLineSizeAndDecodesToItsSource) {
  std::mt19937 rng(static_cast<uint32_t>(11 + GetParam()));
  std::vector<int32_t> widths;
  if (GetParam() < 2) {
    for (int32_t w = 1 + 32 * GetParam(); w <= 32 + 32 * GetParam(); ++w) widths.push_back(w);
  } else {
    for (int i = 0; i < 12; ++i) widths.push_back(65 + static_cast<int32_t>(rng() % 236));
  }
  const std::vector<Coding> codings = all_codings();
  for (int32_t width : widths) {
    for (int kind : {0, 1, 2, 4}) {
      auto rows = make_rows(width, 5, kind, rng);
      auto expected = concat(rows);
      for (const Coding& c : codings) {
        Encoded e = encode_rows(c, width, rows);
        bool invariants = false;
        auto decoded = decode_ours(c, e.bytes, width, 5, &invariants);
        if (!e.within_line_size || decoded != expected || !invariants) {
          ADD_FAILURE() << c.name() << " width " << width << " kind " << kind << " within " << e.within_line_size
                        << " invariants " << invariants;
          return;
        }
      }
    }
  }
}

// Widths 1-32, 33-64, and random widths up to 300.
INSTANTIATE_TEST_SUITE_P(Widths, EveryCoding, ::testing::Range(0, 3));

}  // namespace
