// PackBits: the packer's runs and literals, its worst-case bound, the
// decoder's runs across lines and its handling of cut data, the two nodes'
// factories, and the cross-checks with libtiff and ImageMagick.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <fstream>
#include <random>

#include "ccitt_encode_support.h"
#include "raster/codecs/rst_pack_bits.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_owner.h"
#include "tiff_peer.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes pack(const Bytes& in) {
  Bytes out(static_cast<size_t>(RstPackBits::max_packed_size(static_cast<int32_t>(in.size()))));
  RstEncodeBuffer buffer(out.data(), static_cast<int32_t>(out.size()));
  out.resize(static_cast<size_t>(RstPackBits::pack(buffer, in.data(), static_cast<int32_t>(in.size()))));
  return out;
}

Bytes distinct(int n) {
  Bytes b;
  for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(i));
  return b;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes tail_of(const Bytes& b, size_t from) { return Bytes(b.begin() + static_cast<long>(from), b.end()); }

TEST(PackBits, PacksRunsAndLiterals) {
  struct Case {
    const char* name;
    Bytes in;
    Bytes out;
  };
  const Case cases[] = {
      {"AAAB", {'A', 'A', 'A', 'B'}, {0xFE, 'A', 0x00, 'B'}},
      {"128 equal: one run", Bytes(128, 7), {0x81, 7}},
      {"130 equal: 128 and 2", Bytes(130, 7), {0x81, 7, 0xFF, 7}},
      {"200 equal: 128 and 72", Bytes(200, 9), {0x81, 9, 0xB9, 9}},
      {"a pair inside distinct bytes", {1, 2, 3, 3, 4, 5}, {0x01, 1, 2, 0xFF, 3, 0x01, 4, 5}},
      {"200 distinct: 128 and 72", distinct(200), cat({{127}, distinct(128), {71}, tail_of(distinct(200), 128)})},
      {"empty", {}, {}},
      {"one byte", {5}, {0x00, 5}},
  };
  for (const Case& c : cases) EXPECT_EQ(pack(c.in), c.out) << c.name;

  Bytes d300;
  for (int i = 0; i < 300; ++i) d300.push_back(static_cast<uint8_t>(i * 7 % 251));
  Bytes p = pack(d300);
  ASSERT_EQ(p.size(), 303u);
  EXPECT_EQ(p[0], 127);
  EXPECT_EQ(p[129], 127);
  EXPECT_EQ(p[258], 43) << "literals of 128, 128 and 44";

  // A buffer that is too small keeps what fits and drops the rest.
  uint8_t small[3];
  RstEncodeBuffer buffer(small, 3);
  EXPECT_EQ(RstPackBits::pack(buffer, d300.data(), 10), 3);
  EXPECT_EQ(buffer.put_char(1), -1);
  EXPECT_EQ(std::vector<uint8_t>(small, small + 3), (Bytes{9, d300[0], d300[1]}));
}

// A source of code bytes in chunks under a PackBits header of lines of
// line_bytes bytes.
RstRead* code_source(const Bytes& code, int32_t line_bytes, int32_t height, size_t chunk = 5) {
  std::vector<Bytes> chunks;
  for (size_t i = 0; i < code.size(); i += chunk)
    chunks.emplace_back(code.begin() + static_cast<long>(i),
                        code.begin() + static_cast<long>(std::min(code.size(), i + chunk)));
  return new ChunkSource(make_header(line_bytes, height, RstDataForm::packbits, 8), chunks, static_cast<int>(chunk));
}

std::vector<Bytes> unpack_lines(RstRead* node, int32_t line_bytes) {
  std::vector<Bytes> lines;
  Bytes buf(static_cast<size_t>(line_bytes), 0xEE);
  for (int n; (n = node->read(buf.data())) > 0;) {
    lines.emplace_back(buf.begin(), buf.begin() + n);
    std::fill(buf.begin(), buf.end(), 0xEE);  // stale bytes must never show
  }
  return lines;
}

TEST(UnPackBits, LinesRunsAcrossLinesAndCutData) {
  struct Case {
    const char* name;
    Bytes code;
    int32_t line_bytes, height;
    std::vector<Bytes> lines;
    size_t warnings;
  };
  const Case cases[] = {
      {"a no-op header gives nothing", {0x80, 0x01, 1, 2, 0x80, 0xFF, 3}, 4, 1, {{1, 2, 3, 3}}, 0},
      {"a run continues into the next line", {0xFB, 9, 0x00, 1}, 4, 2, {{9, 9, 9, 9}, {9, 9, 1, 0}}, 1},
      {"a literal continues into the next line",
       {0x04, 1, 2, 3, 4, 5, 0xFE, 6},
       3,
       3,
       {{1, 2, 3}, {4, 5, 6}, {6, 6, 0}},
       1},
      {"a cut literal ends in 0xFF", {0x05, 1, 2}, 6, 1, {{1, 2, 0xFF, 0xFF, 0xFF, 0xFF}}, 1},
      {"the end at a header blanks the rest", {0x01, 1, 2}, 4, 3, {{1, 2, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 3},
      {"the end at a run value", {0x00, 7, 0xFD}, 3, 2, {{7, 0, 0}, {0, 0, 0}}, 2},
      {"exact data, no report", {0xFD, 4, 0xFD, 5}, 4, 2, {{4, 4, 4, 4}, {5, 5, 5, 5}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t chunk : {1, 5, 64}) {
      ReportLog log(false);
      RstOwner<RstRead> node(RstUnPackBits::create(code_source(c.code, c.line_bytes, c.height, chunk)));
      ASSERT_TRUE(node);
      EXPECT_EQ(node->line_size(), c.line_bytes);
      EXPECT_EQ(unpack_lines(node.get(), c.line_bytes), c.lines);
      EXPECT_EQ(log.reports.size(), c.warnings);
      for (const Report& r : log.reports)
        EXPECT_EQ(std::tie(r.code, r.where), std::tie(RstCode::recoverable_decode, "RstUnPackBits::read()"));
    }
  }
  // reset starts over with the first line.
  RstOwner<RstRead> node(RstUnPackBits::create(code_source({0xFB, 9, 0x01, 1, 2}, 4, 2)));
  Bytes line(4);
  ASSERT_EQ(node->read(line.data()), 4);
  node->reset();
  EXPECT_EQ(unpack_lines(node.get(), 4), (std::vector<Bytes>{{9, 9, 9, 9}, {9, 9, 1, 2}}));
  RstHeader h(node.get());
  EXPECT_EQ(h.data_form, RstDataForm::raw);
}

TEST(PackBits, NodesRoundTripRandomLinesWithinTheBound) {
  std::mt19937 rng(21);
  EXPECT_EQ(RstPackBits::max_packed_size(0), 1);
  EXPECT_EQ(RstPackBits::max_packed_size(3), 5);
  EXPECT_EQ(RstPackBits::max_packed_size(4), 6);
  for (int round = 0; round < 60; ++round) {
    int32_t length = round < 10 ? round : static_cast<int32_t>(rng() % 5001);
    std::vector<Bytes> rows;
    for (int y = 0; y < 3; ++y) {
      Bytes row(static_cast<size_t>(length));
      int style = static_cast<int>(rng() % 3);
      for (int32_t x = 0; x < length; ++x) {
        if (style == 0) row[static_cast<size_t>(x)] = static_cast<uint8_t>(rng());
        // Pairs between single bytes: the worst case of the bound.
        else if (style == 1) row[static_cast<size_t>(x)] = static_cast<uint8_t>(x % 3 == 0 ? x : x / 3 * 3 + 1);
        else row[static_cast<size_t>(x)] = static_cast<uint8_t>(rng() % 4 == 0 ? rng() % 3 : 0);
      }
      rows.push_back(row);
    }
    // Raw rows through the encoder node (8-bit gray).
    RstHeader h = make_header(length, 3, RstDataForm::raw, 8);
    std::vector<Bytes> chunks(rows.begin(), rows.end());
    RstOwner<RstRead> packer(RstPackBits::create(new ChunkSource(h, chunks, length)));
    ASSERT_TRUE(packer);
    EXPECT_EQ(packer->line_size(), RstPackBits::max_packed_size(length));
    EXPECT_EQ(RstHeader(packer.get()).data_form, RstDataForm::packbits);
    Bytes code, buf(static_cast<size_t>(packer->line_size()) + 8);
    int lines = 0;
    for (int n; (n = packer->read(buf.data())) > 0; ++lines) {
      ASSERT_LE(n, packer->line_size()) << length;
      code.insert(code.end(), buf.begin(), buf.begin() + n);
    }
    if (length == 0) {
      EXPECT_EQ(lines, 0) << "an empty line is a short line";
      continue;
    }
    EXPECT_EQ(lines, 3);
    if (round == 20) {
      // skip and reset pass to the source: lines stay independent.
      packer->reset();
      EXPECT_EQ(packer->skip(2), 2);
      int n = packer->read(buf.data());
      EXPECT_EQ(Bytes(buf.begin(), buf.begin() + n), pack(rows[2]));
      EXPECT_EQ(packer->read(buf.data()), 0);
    }
    ReportLog log(false);
    RstOwner<RstRead> unpacker(RstUnPackBits::create(code_source(code, length, 3, 97)));
    ASSERT_TRUE(unpacker);
    EXPECT_EQ(unpack_lines(unpacker.get(), length), rows) << length;
    EXPECT_TRUE(log.reports.empty());
  }
}

TEST(PackBits, FactoryReports) {
  ReportLog log;
  EXPECT_EQ(RstPackBits::create(nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstPackBits::create()"));
  auto* coded = new ChunkSource(make_header(8, 1, RstDataForm::mmr), {}, 8);
  EXPECT_EQ(RstPackBits::create(coded), nullptr);
  EXPECT_EQ(log.count(-2), 2u) << "a source that is not raw is -2 too";
  EXPECT_EQ(RstUnPackBits::create(nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstUnPackBits::create()"));
  EXPECT_EQ(RstUnPackBits::create(coded), nullptr);
  EXPECT_TRUE(log.has(-3, "RstUnPackBits::create()"));
  coded->end();

  auto* raw = new ChunkSource(make_header(8, 1, RstDataForm::raw, 8), {Bytes(8, 1)}, 8);
  RstAllocFault::fail_nth(2);  // the node, then its input line
  EXPECT_EQ(RstPackBits::create(raw), nullptr);
  RstAllocFault::clear();
  EXPECT_TRUE(log.has(-1, "RstPackBits::initiate()"));
  EXPECT_EQ(raw->mode(), RstRoot::mode_kept);
  raw->end();
}

struct Image {
  std::string path;
  const char* kind;
};

// Strips of libtiff and ImageMagick unpack to what TIFFReadEncodedStrip
// gives; our packed lines in a Compression 32773 file decode with libtiff.
TEST(PackBitsPeer, StripsOfTheToolsAndOurs) {
  ASSERT_NE(TiffPeer::get(), nullptr);
  TempDir dir;
  std::mt19937 rng(4);
  const int32_t w = 203, h = 37;
  // A picture with runs and noise: gray, colour and bilevel versions.
  std::ofstream pgm(dir.file("in.pgm"), std::ios::binary), ppm(dir.file("in.ppm"), std::ios::binary),
      pbm(dir.file("in.pbm"), std::ios::binary);
  pgm << "P5\n" << w << " " << h << "\n255\n";
  ppm << "P6\n" << w << " " << h << "\n255\n";
  pbm << "P4\n" << w << " " << h << "\n";
  auto rows = make_rows(w, h, 4, rng);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t v = static_cast<uint8_t>(x < 60 ? (x / 7) * 30 : rng() % 3 == 0 ? rng() : 200);
      pgm.put(static_cast<char>(v));
      for (int c = 0; c < 3; ++c) ppm.put(static_cast<char>(x < 100 ? (y * 5 + c * 60) : v / (c + 1)));
    }
    pbm.write(reinterpret_cast<const char*>(rows[static_cast<size_t>(y)].data()), (w + 7) / 8);
  }
  pgm.close();
  ppm.close();
  pbm.close();
  std::vector<std::string> files;
  struct Made {
    const char* name;
    const char* options;
    const char* input;
  };
  const Made made[] = {
      {"gray", "", "in.pgm"}, {"rgb", "", "in.ppm"}, {"pal", "-type Palette ", "in.ppm"}, {"bw", "", "in.pbm"}};
  for (auto [name, options, input] : made) {
    std::string args = options + dir.file(input);
    std::string rle = dir.file(std::string(name) + "-im.tif"), none = dir.file(std::string(name) + "-none.tif"),
                tc = dir.file(std::string(name) + "-tc.tif");
    ASSERT_TRUE(run_command("/usr/bin/convert " + args + " -compress RLE " + rle));
    ASSERT_TRUE(run_command("/usr/bin/convert " + args + " -compress None " + none));
    ASSERT_TRUE(run_command("tiffcp -c packbits -r 8 " + none + " " + tc));
    files.push_back(rle);
    files.push_back(tc);
  }
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    TiffPeerFile f;
    Bytes theirs;
    ASSERT_TRUE(TiffPeer::get()->read_raw(path, f));
    ASSERT_EQ(f.compression, COMPRESSION_PACKBITS);
    ASSERT_TRUE(TiffPeer::get()->read_decoded(path, theirs));
    ASSERT_EQ(theirs.size() % f.height, 0u);
    int32_t row_bytes = static_cast<int32_t>(theirs.size() / f.height);
    uint32_t rps = f.rows_per_strip == 0 || f.rows_per_strip > f.height ? f.height : f.rows_per_strip;
    Bytes ours;
    for (size_t s = 0; s < f.raw_strips.size(); ++s) {
      int32_t rows_here = static_cast<int32_t>(std::min<uint32_t>(rps, f.height - static_cast<uint32_t>(s) * rps));
      ReportLog log;
      RstOwner<RstRead> node(RstUnPackBits::create(code_source(f.raw_strips[s], row_bytes, rows_here, 61)));
      ASSERT_TRUE(node);
      for (const Bytes& line : unpack_lines(node.get(), row_bytes)) ours.insert(ours.end(), line.begin(), line.end());
      EXPECT_TRUE(log.reports.empty());
    }
    EXPECT_EQ(ours, theirs);
  }

  // Our packed bilevel lines as a Compression 32773 strip.
  auto* source = new RowSource(w, rows);
  RstOwner<RstRead> packer(RstPackBits::create(source));
  ASSERT_TRUE(packer);
  Bytes strip, buf(static_cast<size_t>(packer->line_size()));
  for (int n; (n = packer->read(buf.data())) > 0;) strip.insert(strip.end(), buf.begin(), buf.begin() + n);
  std::string ours = dir.file("ours.tif"), plain = dir.file("ours-none.tif");
  ASSERT_TRUE(TiffPeer::get()->write_raw(ours, w, h, COMPRESSION_PACKBITS, 0, strip));
  ASSERT_TRUE(run_command("tiffcp -c none " + ours + " " + plain));
  Bytes decoded;
  ASSERT_TRUE(TiffPeer::get()->read_decoded(plain, decoded));
  EXPECT_EQ(decoded, concat(rows));
}

}  // namespace
