// The CCITT decoder nodes on hand-made code: the normal paths, every fault
// kind with its report and resynchronisation, the end of the data, and the
// bounds that hold whatever the data says.
#include "raster/codecs/rst_decode_ccitt.h"

#include <random>

#include "ccitt_support.h"

namespace {

const RstMHOption kCompression2(0, 0, 0, 0, 1);

std::vector<uint8_t> bytes_of(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (int b : v) out.push_back(static_cast<uint8_t>(b));
  return out;
}

// A line of runs written as one-dimensional code after an EOL.
void put_eol_line(BitWriter& w, const Runs& runs, int32_t width) {
  put_eol(w);
  put_mh_line(w, runs, width);
}

TEST(CCITTDecode, FactoriesCheckSourceAndForm) {
  ReportLog log;
  EXPECT_EQ(RstDecodeMH::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(RstDecodeMR::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(RstDecodeMMR::create(nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstDecodeMH::create()"));
  EXPECT_TRUE(log.has(-2, "RstDecodeMR::create()"));
  EXPECT_TRUE(log.has(-2, "RstDecodeMMR::create()"));
  auto* src = new ChunkSource(make_header(8, 1, RstDataForm::mmr), {}, 64);
  EXPECT_EQ(RstDecodeMH::create(src, nullptr), nullptr);
  EXPECT_EQ(RstDecodeMR::create(src, nullptr), nullptr);
  EXPECT_TRUE(log.has(-3, "RstDecodeMH::create()"));
  EXPECT_TRUE(log.has(-3, "RstDecodeMR::create()"));
  RstDecodeMMR* mmr = RstDecodeMMR::create(src, nullptr);
  ASSERT_NE(mmr, nullptr);
  RstHeader h(mmr);
  EXPECT_EQ(h.data_form, RstDataForm::rle);
  EXPECT_EQ(mmr->line_size(), rst_rle_line_bound(8));
  mmr->end();
  auto* mh_src = new ChunkSource(make_header(8, 1, RstDataForm::mh), {}, 64);
  EXPECT_EQ(RstDecodeMMR::create(mh_src, nullptr), nullptr);
  EXPECT_TRUE(log.has(-3, "RstDecodeMMR::create()"));
  mh_src->end();
}

TEST(CCITTDecode, LineSizeIsTheRunLineBound) {
  for (int32_t width : {0, 1, 7, 1728, 4961}) {
    auto* src = new ChunkSource(make_header(width, 1, RstDataForm::mh), {}, 64);
    RstDecodeMH* node = RstDecodeMH::create(src, nullptr);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->line_size(), ((width + 1) / 2) * 8 + 8);
    node->end();
  }
}

// White runs of 0 between black runs of 1: the runs touch and are merged,
// so the line stays within its bound.
TEST(CCITTDecode, ZeroWhiteRunsMergeIntoOneRun) {
  ReportLog log;
  Decoded d = decode_ccitt(bytes_of({0x35, 0x46, 0xA8, 0xD5, 0x1A, 0xA0}), 1, 4, 1, &kCompression2);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 1u);
  EXPECT_EQ(d.lines[0], (Runs{{0, 3}}));
  EXPECT_TRUE(log.reports.empty());
}

TEST(CCITTDecode, EndOfT6PageGivesOneWarningThenWhiteLines) {
  ReportLog log;
  std::vector<Runs> lines{{{1, 3}}, {{0, 5}, {9, 9}}, {}, {{2, 2}}};
  std::vector<uint8_t> code = encode_mmr(lines, 10, true);
  Decoded d = decode_ccitt(code, 3, 10, 7, nullptr);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 7u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(d.lines[i], lines[i]);
  for (size_t i = 4; i < 7; ++i) EXPECT_TRUE(d.lines[i].empty());
  ASSERT_EQ(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].code, 202);
  EXPECT_EQ(log.reports[0].where, "RstDecodeMMR::read() - unexpected RTC or EOB around 1th pixel in 5th line.");
}

TEST(CCITTDecode, MHWithFillBitsAndRTCDecodesSilently) {
  ReportLog log;
  const int32_t width = 30;
  std::vector<Runs> lines{{{0, 4}}, {{10, 29}}, {}, {{3, 3}, {5, 6}}};
  BitWriter w;
  w.put(0, 7);  // fill before the first EOL
  for (const Runs& r : lines) {
    w.put(0, 5);
    put_eol_line(w, r, width);
  }
  for (int i = 0; i < 6; ++i) put_eol(w);
  Decoded d = decode_ccitt(w.bytes, 1, width, 6, nullptr);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 6u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(d.lines[i], lines[i]);
  // Two lines beyond the data: the RTC is reported once, then white.
  ASSERT_EQ(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].code, 202);
  EXPECT_EQ(log.reports[0].where, "RstDecodeMH::read() - unexpected RTC or EOB around 1th pixel in 5th line.");
}

// A code in no table corrupts the second line; the third starts at the next
// byte boundary after the fault.
TEST(CCITTDecode, CorruptCompression2LineResumesAtNextByte) {
  ReportLog log;
  const int32_t width = 20;
  BitWriter w;
  put_mh_line(w, {{2, 5}}, width);
  w.align();
  put_run(w, false, 1);
  put_run(w, true, 1);
  w.put(0, 7);  // with the next line's first bits 0111: eight zeros, then 1: no code
  w.align();
  put_mh_line(w, {{2, 19}}, width);
  w.align();
  Decoded d = decode_ccitt(w.bytes, 1, width, 3, &kCompression2);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 3u);
  EXPECT_EQ(d.lines[0], (Runs{{2, 5}}));
  EXPECT_EQ(d.lines[1], (Runs{{1, 1}}));
  EXPECT_EQ(d.lines[2], (Runs{{2, 19}}));
  ASSERT_EQ(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].code, 4);
  EXPECT_EQ(log.reports[0].where, "RstDecodeMH::read() - bad code around 1th pixel in 2th line.");
}

// Fault at the very first code of a byte: the decoder moves on by a byte
// instead of failing there for every later line.
TEST(CCITTDecode, Compression2FaultOnAByteBoundaryMovesOn) {
  ReportLog log;
  const int32_t width = 8;
  BitWriter w;
  w.put(0x00, 8);  // not a code
  w.align();
  put_mh_line(w, {{0, 7}}, width);
  w.align();
  put_mh_line(w, {{4, 4}}, width);
  w.align();
  Decoded d = decode_ccitt(w.bytes, 1, width, 3, &kCompression2);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 3u);
  EXPECT_EQ(d.lines[1], (Runs{{0, 7}}));
  EXPECT_EQ(d.lines[2], (Runs{{4, 4}}));
  EXPECT_EQ(log.reports.size(), 1u);
}

TEST(CCITTDecode, MHLineEndedByEOLKeepsRunsAndNextLineNeedsNoSearch) {
  ReportLog log;
  const int32_t width = 40;
  BitWriter w;
  put_eol(w);
  put_run(w, false, 5);
  put_run(w, true, 3);
  put_eol_line(w, {{20, 39}}, width);  // this EOL ends the first line early
  put_eol_line(w, {{0, 0}}, width);
  Decoded d = decode_ccitt(w.bytes, 1, width, 3, nullptr);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 3u);
  EXPECT_EQ(d.lines[0], (Runs{{5, 7}}));
  EXPECT_EQ(d.lines[1], (Runs{{20, 39}}));
  EXPECT_EQ(d.lines[2], (Runs{{0, 0}}));
  ASSERT_EQ(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].code, 201);
  EXPECT_EQ(log.reports[0].where, "RstDecodeMH::read() - unexpected EOL around 1th pixel in 1th line.");
}

// The same with the EOL met by the black run decoder: the EOL it consumed
// is the next line's, and that line is decoded, not searched past.
TEST(CCITTDecode, EOLMetByBlackRunDoesNotSwallowNextLine) {
  ReportLog log;
  const int32_t width = 40;
  BitWriter w;
  put_eol(w);
  put_run(w, false, 5);
  put_eol_line(w, {{20, 39}}, width);
  put_eol_line(w, {{1, 2}}, width);
  Decoded d = decode_ccitt(w.bytes, 1, width, 3, nullptr);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 3u);
  EXPECT_TRUE(d.lines[0].empty());
  EXPECT_EQ(d.lines[1], (Runs{{20, 39}}));
  EXPECT_EQ(d.lines[2], (Runs{{1, 2}}));
  ASSERT_EQ(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].code, 4);
}

TEST(CCITTDecode, MRSkipsTwoDimensionalLinesAfterAFault) {
  ReportLog log;
  const int32_t width = 24;
  Runs l1{{2, 9}}, l3{{3, 9}}, l4{{0, 23}};
  BitWriter w;
  put_eol(w);
  w.put_bit(1);
  put_mh_line(w, l1, width);
  put_eol(w);
  w.put_bit(0);
  put_mode(w, 0);
  w.put(0b0000001, 7);  // the extension code: not in the mode table
  put_eol(w);
  w.put_bit(0);
  put_2d_line(w, l1, l3, width);
  put_eol(w);
  w.put_bit(1);
  put_mh_line(w, l4, width);
  Decoded d = decode_ccitt(w.bytes, 2, width, 4, nullptr);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 4u);
  EXPECT_EQ(d.lines[0], l1);
  EXPECT_EQ(d.lines[2], l4) << "the two-dimensional third line is skipped";
  EXPECT_TRUE(d.lines[3].empty());
  ASSERT_GE(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].code, 4);
  EXPECT_NE(log.reports[0].where.find("RstDecodeMR::read() - bad code recoverable by EOL around"), std::string::npos);
}

TEST(CCITTDecode, VerticalFaultsKeepRunsBeforeThem) {
  struct Case {
    const char* what;
    std::vector<int> modes;  // after a first line with one run (0, 3)
    Runs expected;
  };
  const int32_t width = 16;
  const Case cases[] = {
      // H W2 B3, then VR3 beyond the line (b1 = width on a white stretch).
      {"VR3 beyond the width", {4, 5, 3}, {{0, 3}}},
      // VL1 at the line start over a reference run at 0: a1 = -1.
      {"VL1 at the line start", {-1}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReportLog log;
    BitWriter w;
    put_2d_line(w, {}, {{0, 3}}, width);
    if (c.modes[0] == 4) {
      put_mode(w, 4);
      put_run(w, false, 0);
      put_run(w, true, 4);
      put_mode(w, 3);
    } else {
      put_mode(w, c.modes[0]);
    }
    w.put(0, 8);
    Decoded d = decode_ccitt(w.bytes, 3, width, 2, nullptr);
    EXPECT_TRUE(d.invariants) << d.violation;
    ASSERT_EQ(d.lines.size(), 2u);
    EXPECT_EQ(d.lines[1], c.expected);
    ASSERT_GE(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].code, 4);
    for (const Runs& l : d.lines)
      for (auto [f, e] : l) EXPECT_GE(f, 0);
  }
}

TEST(CCITTDecode, EndlessMakeUpCodesStopAtTheWidth) {
  ReportLog log;
  BitWriter w;
  put_eol(w);
  for (int i = 0; i < 900000; ++i) w.put(0b000000011111, 12);  // make-up 2560
  put_run(w, false, 0);
  Decoded d = decode_ccitt(w.bytes, 1, 5000, 1, nullptr);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 1u);
  EXPECT_TRUE(d.lines[0].empty());
  ASSERT_GE(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].code, 4);
}

TEST(CCITTDecode, WidthZeroGivesTerminatorOnlyLines) {
  ReportLog log;
  Decoded d = decode_ccitt({0x00}, 1, 0, 3, &kCompression2);
  ASSERT_EQ(d.lines.size(), 3u);
  for (const Runs& l : d.lines) EXPECT_TRUE(l.empty());
  EXPECT_TRUE(log.reports.empty());
}

// The data ends at a line boundary before the height: the lines are
// delivered, one warning, white lines up to the height, no exception with
// the default observer.
TEST(CCITTDecode, DataEndingBeforeHeightGivesOneWarningAndWhiteLines) {
  const int32_t width = 12;
  std::vector<Runs> lines{{{0, 1}}, {{4, 11}}};
  BitWriter mh;
  for (const Runs& r : lines) put_eol_line(mh, r, width);
  BitWriter mr;
  for (const Runs& r : lines) {
    put_eol(mr);
    mr.put_bit(1);
    put_mh_line(mr, r, width);
  }
  struct Case {
    int32_t form;
    std::vector<uint8_t> code;
  };
  const Case cases[] = {{1, mh.bytes}, {2, mr.bytes}, {3, encode_mmr(lines, width, false)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    ReportLog log(false);
    Decoded d;
    EXPECT_NO_THROW(d = decode_ccitt(c.code, c.form, width, 5, nullptr));
    ASSERT_EQ(d.lines.size(), 5u);
    EXPECT_EQ(d.lines[0], lines[0]);
    EXPECT_EQ(d.lines[1], lines[1]);
    for (size_t i = 2; i < 5; ++i) EXPECT_TRUE(d.lines[i].empty());
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].code, 4);
    EXPECT_NE(log.reports[0].where.find("unexpected EOF around 1th pixel in 3th line."), std::string::npos)
        << log.reports[0].where;
  }
}

TEST(CCITTDecode, ResetRestartsWithWhiteReference) {
  const int32_t width = 50;
  std::vector<Runs> lines{{{3, 20}}, {{4, 21}, {30, 31}}, {{4, 21}}};
  std::vector<uint8_t> code = encode_mmr(lines, width, true);
  auto* src = new ChunkSource(make_header(width, 3, RstDataForm::mmr), {code}, static_cast<int>(code.size()));
  RstDecodeMMR* node = RstDecodeMMR::create(src, nullptr);
  ASSERT_NE(node, nullptr);
  std::vector<uint8_t> buf(static_cast<size_t>(node->line_size()));
  for (int pass = 0; pass < 2; ++pass) {
    for (const Runs& expected : lines) {
      int n = node->read(buf.data());
      EXPECT_EQ(runs_of(buf.data(), n), expected) << "pass " << pass;
    }
    EXPECT_EQ(node->read(buf.data()), 0);
    if (pass == 0) node->reset();
  }
  EXPECT_EQ(src->resets, 1);
  node->end();
}

// Random code of each form, fed in odd chunk sizes, never breaks a line's
// invariants (the fuzz target runs the same check on any input).
TEST(CCITTDecode, RandomCodeKeepsRunLinesValid) {
  ReportLog log;
  std::mt19937 rng(3);
  for (int iter = 0; iter < 60; ++iter) {
    std::vector<uint8_t> code(1 + rng() % 400);
    for (auto& b : code) b = static_cast<uint8_t>(rng() % 3 == 0 ? 0 : rng());
    int32_t width = 1 + static_cast<int32_t>(rng() % 300);
    int32_t form = 1 + iter % 3;
    RstMROption opt(rng() & 1, 0, 0, rng() & 1, 2);
    opt.eol = rng() & 1;
    Decoded d = decode_ccitt(code, form, width, 40, &opt, 1 + rng() % 17);
    EXPECT_TRUE(d.invariants) << d.violation;
    EXPECT_EQ(d.lines.size(), 40u);
  }
}

}  // namespace
