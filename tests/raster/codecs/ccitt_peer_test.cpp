// The CCITT decoders against libtiff and the fax tools on real pages: the
// eight ITU test charts in every coding the tools make, and synthetic pages
// of awkward widths. Each strip is taken raw with its coding tags and
// decoded through the code reader and our decoder; the rows must equal
// libtiff's (and the chart's where no tool changed the rows).
#include <tiffio.h>

#include <fstream>
#include <random>
#include <sstream>

#include "ccitt_support.h"
#include "tiff_peer.h"

namespace {

struct Page {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rows;  // packed, 1 = black
};

bool read_pbm(const std::string& path, Page& page) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  f >> magic >> page.width >> page.height;
  if (magic != "P4" || !f) return false;
  f.get();
  page.rows.assign(static_cast<size_t>((page.width + 7) / 8) * static_cast<size_t>(page.height), 0);
  f.read(reinterpret_cast<char*>(page.rows.data()), static_cast<std::streamsize>(page.rows.size()));
  return static_cast<size_t>(f.gcount()) == page.rows.size();
}

// Our decoding of every strip of a TIFF file, rows concatenated; the options
// follow the file's Compression, T4Options, T6Options and FillOrder.
::testing::AssertionResult decode_tiff(const std::string& path, std::vector<uint8_t>& rows, ReportLog& log,
                                       int32_t extra_lines = 0) {
  TiffPeerFile f;
  if (!TiffPeer::get()->read_raw(path, f)) return ::testing::AssertionFailure() << "libtiff cannot read " << path;
  rows.clear();
  uint32_t rps = f.rows_per_strip == 0 || f.rows_per_strip > f.height ? f.height : f.rows_per_strip;
  bool reverse = f.fill_order == FILLORDER_LSB2MSB;
  uint8_t fill = (f.t4_options & GROUP3OPT_FILLBITS) ? 1 : 0;
  uint8_t unc = (f.t4_options & GROUP3OPT_UNCOMPRESSED) || (f.t6_options & GROUP4OPT_UNCOMPRESSED) ? 1 : 0;
  for (size_t s = 0; s < f.raw_strips.size(); ++s) {
    int32_t first = static_cast<int32_t>(s * rps);
    int32_t height = std::min<int32_t>(static_cast<int32_t>(rps), static_cast<int32_t>(f.height) - first);
    if (s + 1 == f.raw_strips.size()) height += extra_lines;
    Decoded d;
    int32_t w = static_cast<int32_t>(f.width);
    if (f.compression == COMPRESSION_CCITTRLE) {
      RstMHOption o(0, 0, 0, 0, 1);
      d = decode_ccitt(f.raw_strips[s], 1, w, height, &o, 8192, 1 << 30, reverse);
    } else if (f.compression == COMPRESSION_CCITTFAX3 && (f.t4_options & GROUP3OPT_2DENCODING)) {
      RstMROption o(1, unc, 0, fill, 4);
      d = decode_ccitt(f.raw_strips[s], 2, w, height, &o, 8192, 1 << 30, reverse);
    } else if (f.compression == COMPRESSION_CCITTFAX3) {
      RstMHOption o(1, unc, 1, 0, fill);
      d = decode_ccitt(f.raw_strips[s], 1, w, height, &o, 8192, 1 << 30, reverse);
    } else if (f.compression == COMPRESSION_CCITTFAX4) {
      RstMMROption o(1, unc);
      d = decode_ccitt(f.raw_strips[s], 3, w, height, &o, 8192, 1 << 30, reverse);
    } else {
      return ::testing::AssertionFailure() << "compression " << f.compression;
    }
    if (!d.invariants) return ::testing::AssertionFailure() << path << " strip " << s << ": " << d.violation;
    if (static_cast<int32_t>(d.lines.size()) != height)
      return ::testing::AssertionFailure()
             << path << " strip " << s << ": " << d.lines.size() << " lines of " << height;
    auto painted = paint_rows(d.lines, w);
    rows.insert(rows.end(), painted.begin(), painted.end());
  }
  (void)log;
  return ::testing::AssertionSuccess();
}

// Rows equal, or the first differing row.
::testing::AssertionResult same_rows(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int32_t width) {
  size_t row = static_cast<size_t>((width + 7) / 8);
  if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return ::testing::AssertionFailure() << "row " << i / row << " differs at byte " << i % row;
  return ::testing::AssertionSuccess();
}

// Decodes a file with libtiff and with ours; both must agree, and with the
// expected rows when they are given.
void check_file(const std::string& path, const std::vector<uint8_t>* expected, int32_t width) {
  SCOPED_TRACE(path);
  ReportLog log;
  std::vector<uint8_t> ours, theirs;
  ASSERT_TRUE(TiffPeer::get()->read_decoded(path, theirs));
  ASSERT_TRUE(decode_tiff(path, ours, log));
  EXPECT_TRUE(same_rows(ours, theirs, width));
  if (expected) {
    EXPECT_TRUE(same_rows(ours, *expected, width));
  }
  if (!log.reports.empty()) {
    ADD_FAILURE() << log.reports.front().code << " " << log.reports.front().where;
  }
}

class Chart : public ::testing::TestWithParam<int> {};

TEST_P(Chart, EveryCodingDecodesLikeLibtiff) {
  ASSERT_NE(TiffPeer::get(), nullptr);
  TempDir dir;
  std::string n = std::to_string(GetParam());
  std::string pbm = dir.file("c" + n + ".pbm"), plain = dir.file("plain.tif");
  ASSERT_TRUE(run_command("jbgtopbm /usr/share/jbigkit-testdata/ccitt" + n + ".jbg " + pbm));
  Page chart;
  ASSERT_TRUE(read_pbm(pbm, chart));
  ASSERT_EQ(chart.width, 1728);
  ASSERT_TRUE(run_command("ppm2tiff -c none " + pbm + " " + plain));

  const char* codings[] = {"g3:1d", "g3:1d:fill", "g3:2d", "g3:2d:fill", "g4"};
  for (const char* coding : codings) {
    for (const char* rows : {"2376", "64"}) {
      std::string out = dir.file(std::string("t-") + coding + "-" + rows + ".tif");
      ASSERT_TRUE(run_command(std::string("tiffcp -c ") + coding + " -r " + rows + " " + plain + " " + out));
      check_file(out, &chart.rows, chart.width);
    }
  }
  std::string lsb = dir.file("lsb.tif");
  ASSERT_TRUE(run_command("tiffcp -f lsb2msb -c g4 " + plain + " " + lsb));
  check_file(lsb, &chart.rows, chart.width);

  std::vector<std::vector<uint8_t>> row_list;
  size_t rb = static_cast<size_t>((chart.width + 7) / 8);
  for (int32_t y = 0; y < chart.height; ++y)
    row_list.emplace_back(chart.rows.begin() + static_cast<long>(y * rb),
                          chart.rows.begin() + static_cast<long>((y + 1) * rb));
  std::string c2 = dir.file("c2.tif");
  ASSERT_TRUE(TiffPeer::get()->write_encoded(c2, 1728, row_list, COMPRESSION_CCITTRLE, 0, 2376));
  check_file(c2, &chart.rows, chart.width);

  // Raw streams of ImageMagick, decoded with the default options.
  std::string g3 = dir.file("c.g3"), g4 = dir.file("c.g4");
  ASSERT_TRUE(run_command("/usr/bin/convert " + pbm + " fax:" + g3));
  ASSERT_TRUE(run_command("/usr/bin/convert " + pbm + " group4:" + g4));
  for (auto [path, form] : {std::pair{g3, 1}, std::pair{g4, 3}}) {
    SCOPED_TRACE(path);
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> code((std::istreambuf_iterator<char>(f)), {});
    ReportLog log;
    Decoded d = decode_ccitt(code, form, 1728, 2376, nullptr);
    EXPECT_TRUE(d.invariants) << d.violation;
    ASSERT_EQ(d.lines.size(), 2376u);
    EXPECT_TRUE(same_rows(paint_rows(d.lines, 1728), chart.rows, 1728));
    EXPECT_TRUE(log.reports.empty());
  }
  // The same streams wrapped by fax2tiff (FillOrder 2, one strip); the
  // tool may add rows, so libtiff's rows are the reference.
  std::string w3 = dir.file("fax3.tif"), w4 = dir.file("fax4.tif");
  ASSERT_TRUE(run_command("fax2tiff -M -o " + w3 + " " + g3 + " 2>/dev/null"));
  ASSERT_TRUE(run_command("fax2tiff -4 -M -X 1728 -o " + w4 + " " + g4 + " 2>/dev/null"));
  check_file(w3, nullptr, 1728);
  check_file(w4, nullptr, 1728);
}

INSTANTIATE_TEST_SUITE_P(ItuCharts, Chart, ::testing::Range(1, 9));

// A G3 strip whose height claims more rows than it codes: the chart lines,
// white lines to the height, one warning, and no exception with the default
// observer.
TEST(ChartFault, G3StripShorterThanItsHeight) {
  ASSERT_NE(TiffPeer::get(), nullptr);
  TempDir dir;
  std::string pbm = dir.file("c1.pbm"), plain = dir.file("plain.tif");
  ASSERT_TRUE(run_command("jbgtopbm /usr/share/jbigkit-testdata/ccitt1.jbg " + pbm));
  ASSERT_TRUE(run_command("ppm2tiff -c none " + pbm + " " + plain));
  Page chart;
  ASSERT_TRUE(read_pbm(pbm, chart));
  for (const char* coding : {"g3:1d", "g3:2d"}) {
    SCOPED_TRACE(coding);
    std::string out = dir.file(std::string(coding) + ".tif");
    ASSERT_TRUE(run_command(std::string("tiffcp -c ") + coding + " " + plain + " " + out));
    ReportLog log(false);
    std::vector<uint8_t> rows;
    bool ok = false;
    EXPECT_NO_THROW(ok = decode_tiff(out, rows, log, 5));
    ASSERT_TRUE(ok);
    std::vector<uint8_t> expected = chart.rows;
    expected.resize(expected.size() + 5 * 216, 0);
    EXPECT_TRUE(same_rows(rows, expected, 1728));
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].code, 4);
  }
}

// Synthetic pages of awkward widths coded by libtiff in every CCITT coding.
TEST(SyntheticPages, DecodeLikeLibtiff) {
  ASSERT_NE(TiffPeer::get(), nullptr);
  TempDir dir;
  std::mt19937 rng(17);
  struct Coding {
    uint16_t compression;
    uint32_t t4;
  };
  const Coding codings[] = {{COMPRESSION_CCITTRLE, 0},
                            {COMPRESSION_CCITTFAX3, 0},
                            {COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS},
                            {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING},
                            {COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS},
                            {COMPRESSION_CCITTFAX4, 0}};
  for (int32_t width : {1, 7, 9, 2481, 4961}) {
    for (int kind = 0; kind < 2; ++kind) {
      std::vector<std::vector<uint8_t>> rows;
      std::vector<uint8_t> all;
      for (int y = 0; y < 24; ++y) {
        std::vector<uint8_t> row(static_cast<size_t>((width + 7) / 8));
        for (int32_t x = 0; x < width; ++x) {
          bool set = kind == 0 ? ((x / 3 + y / 2) % 2 == 0) : (rng() % 5 < 2 || (y > 12 && x % 50 < 20));
          if (set) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        all.insert(all.end(), row.begin(), row.end());
        rows.push_back(row);
      }
      for (const Coding& c : codings) {
        std::string path = dir.file("p.tif");
        ASSERT_TRUE(TiffPeer::get()->write_encoded(path, static_cast<uint32_t>(width), rows, c.compression, c.t4, 10));
        SCOPED_TRACE("width " + std::to_string(width) + " kind " + std::to_string(kind) + " compression " +
                     std::to_string(c.compression) + " t4 " + std::to_string(c.t4));
        check_file(path, &all, width);
      }
    }
  }
}

}  // namespace
