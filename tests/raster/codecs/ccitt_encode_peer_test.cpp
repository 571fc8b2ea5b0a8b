// The CCITT encoders against libtiff and the fax tools: the eight ITU charts
// and random narrow pages coded in every option combination must decode with
// libtiff (wrapped as TIFF Compression 2, 3 or 4) and with fax2tiff to the
// source rows; MMR with the default option equals libtiff's G4 strip byte for
// byte, and MH with Compression 2 settings equals libtiff's Compression 2.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "ccitt_encode_support.h"
#include "tiff_peer.h"

namespace {

struct Page {
  int32_t width = 0, height = 0;
  std::vector<std::vector<uint8_t>> rows;
};

bool read_pbm(const std::string& path, Page& page) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  f >> magic >> page.width >> page.height;
  if (magic != "P4" || !f) return false;
  f.get();
  size_t bytes = static_cast<size_t>((page.width + 7) / 8);
  for (int32_t y = 0; y < page.height; ++y) {
    std::vector<uint8_t> row(bytes);
    f.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(bytes));
    page.rows.push_back(row);
  }
  return static_cast<bool>(f);
}

// The TIFF form of a coding: Compression and T4Options; compression 0 when
// no TIFF compression carries it (MH lines neither after EOLs nor aligned).
std::pair<uint16_t, uint32_t> tiff_form(const Coding& c) {
  uint32_t fill = c.byte_align ? GROUP3OPT_FILLBITS : 0;
  switch (c.form) {
    case Form::mh:
      if (!c.eol) return {c.byte_align ? COMPRESSION_CCITTRLE : 0, 0};
      return {COMPRESSION_CCITTFAX3, fill};
    case Form::mr: return {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | fill};
    default: return {COMPRESSION_CCITTFAX4, 0};
  }
}

// The fax2tiff options of a coding's raw stream; empty when it takes none.
std::string fax2tiff_options(const Coding& c) {
  switch (c.form) {
    case Form::mh: return c.eol ? std::string("-1 ") + (c.byte_align ? "-A" : "-P") : std::string();
    case Form::mr: return std::string("-2 ") + (c.byte_align ? "-A" : "-P");
    default: return "-4";
  }
}

::testing::AssertionResult same_rows(const std::vector<uint8_t>& got, const std::vector<uint8_t>& expected,
                                     int32_t width) {
  size_t row = static_cast<size_t>((width + 7) / 8);
  if (got.size() != expected.size())
    return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << expected.size();
  for (size_t i = 0; i < got.size(); ++i)
    if (got[i] != expected[i]) return ::testing::AssertionFailure() << "row " << i / row << " differs";
  return ::testing::AssertionSuccess();
}

// Codes a page in every combination; each output must decode with libtiff
// (and, where with_fax2tiff, with fax2tiff) to the page.
void check_every_coding(const TempDir& dir, const Page& page, bool with_fax2tiff) {
  std::vector<uint8_t> expected = concat(page.rows);
  for (const Coding& c : all_codings()) {
    SCOPED_TRACE(c.name() + " width " + std::to_string(page.width));
    Encoded e = encode_rows(c, page.width, page.rows);
    EXPECT_TRUE(e.within_line_size);
    auto [compression, t4] = tiff_form(c);
    if (compression) {
      std::string path = dir.file("raw.tif"), plain = dir.file("plain.tif");
      ASSERT_TRUE(TiffPeer::get()->write_raw(path, static_cast<uint32_t>(page.width),
                                             static_cast<uint32_t>(page.height), compression, t4, e.bytes));
      ASSERT_TRUE(run_command("tiffcp -c none " + path + " " + plain + " 2>/dev/null"));
      std::vector<uint8_t> theirs;
      ASSERT_TRUE(TiffPeer::get()->read_decoded(plain, theirs));
      EXPECT_TRUE(same_rows(theirs, expected, page.width)) << "libtiff";
    }
    std::string options = fax2tiff_options(c);
    if (with_fax2tiff && !options.empty() && c.end_code) {
      std::string code = dir.file("code.fax"), out = dir.file("fax.tif");
      std::ofstream(code, std::ios::binary)
          .write(reinterpret_cast<const char*>(e.bytes.data()), static_cast<std::streamsize>(e.bytes.size()));
      ASSERT_TRUE(run_command("fax2tiff " + options + " -M -X " + std::to_string(page.width) + " -o " + out + " " +
                              code + " 2>/dev/null"));
      std::vector<uint8_t> theirs;
      ASSERT_TRUE(TiffPeer::get()->read_decoded(out, theirs));
      // fax2tiff counts the EOLs of the end code as white rows.
      if (theirs.size() > expected.size() && std::all_of(theirs.begin() + static_cast<long>(expected.size()),
                                                         theirs.end(), [](uint8_t b) { return b == 0; }))
        theirs.resize(expected.size());
      EXPECT_TRUE(same_rows(theirs, expected, page.width)) << "fax2tiff " << options;
    }
  }
}

class EncodeChart : public ::testing::TestWithParam<int> {};

TEST_P(EncodeChart, CodesLikeLibtiffAndDecodesWithTheTools) {
  ASSERT_NE(TiffPeer::get(), nullptr);
  TempDir dir;
  std::string n = std::to_string(GetParam());
  std::string pbm = dir.file("c.pbm"), plain = dir.file("c.tif"), g4 = dir.file("g4.tif"), c2 = dir.file("c2.tif");
  ASSERT_TRUE(run_command("jbgtopbm /usr/share/jbigkit-testdata/ccitt" + n + ".jbg " + pbm));
  Page chart;
  ASSERT_TRUE(read_pbm(pbm, chart));
  ASSERT_TRUE(run_command("ppm2tiff -c none " + pbm + " " + plain));

  // MMR with the default option: libtiff's G4 strip, byte for byte.
  ASSERT_TRUE(run_command("tiffcp -c g4 -r 2376 " + plain + " " + g4));
  TiffPeerFile f;
  ASSERT_TRUE(TiffPeer::get()->read_raw(g4, f));
  ASSERT_EQ(f.raw_strips.size(), 1u);
  EXPECT_EQ(encode_rows({Form::mmr}, chart.width, chart.rows).bytes, f.raw_strips[0]);

  // MH with the Compression 2 settings: libtiff's Compression 2 strip.
  ASSERT_TRUE(TiffPeer::get()->write_encoded(c2, static_cast<uint32_t>(chart.width), chart.rows, COMPRESSION_CCITTRLE,
                                             0, static_cast<uint32_t>(chart.height)));
  TiffPeerFile f2;
  ASSERT_TRUE(TiffPeer::get()->read_raw(c2, f2));
  EXPECT_EQ(encode_rows({Form::mh, 0, 0, 1}, chart.width, chart.rows).bytes, f2.raw_strips[0]);

  check_every_coding(dir, chart, GetParam() == 1);
}

INSTANTIATE_TEST_SUITE_P(ItuCharts, EncodeChart, ::testing::Range(1, 9));

class EncodeNarrowPage : public ::testing::TestWithParam<int32_t> {};

TEST_P(EncodeNarrowPage, DecodesWithTheTools) {
  ASSERT_NE(TiffPeer::get(), nullptr);
  TempDir dir;
  int32_t width = GetParam();
  std::mt19937 rng(static_cast<uint32_t>(33 + width));
  Page page;
  page.width = width;
  page.height = 12;
  page.rows = make_rows(width, 12, width % 2 == 0 ? 0 : 4, rng);
  check_every_coding(dir, page, true);
}

INSTANTIATE_TEST_SUITE_P(Widths, EncodeNarrowPage, ::testing::Values(1, 5, 8, 13, 31, 64, 65, 97, 200));

}  // namespace
