// The EDMICS run-list decoder, the Sun raster byte decoder and the EDMICS
// header defaults; Sun bodies made by netpbm decode to netpbm's pixels.
#include <fstream>
#include <random>
#include <sstream>

#include "ccitt_support.h"
#include "raster/codecs/rst_byte_decode.h"
#include "raster/codecs/rst_decode_rlc_to_rle.h"
#include "raster/codecs/rst_edmics_headers.h"
#include "tiff_peer.h"

namespace {

std::vector<uint8_t> be16(std::initializer_list<int> v) {
  std::vector<uint8_t> out;
  for (int x : v) {
    out.push_back(static_cast<uint8_t>((x >> 8) & 0xFF));
    out.push_back(static_cast<uint8_t>(x & 0xFF));
  }
  return out;
}

// Lines of an RLC body decoded with our node.
Decoded decode_rlc(const std::vector<uint8_t>& body, int32_t width, int32_t height, size_t chunk = 5) {
  Decoded d;
  std::vector<std::vector<uint8_t>> chunks;
  for (size_t i = 0; i < body.size(); i += chunk)
    chunks.emplace_back(body.begin() + static_cast<long>(i),
                        body.begin() + static_cast<long>(std::min(body.size(), i + chunk)));
  auto* src = new ChunkSource(make_header(width, height, RstDataForm::rlc), chunks, static_cast<int>(chunk));
  RstDecodeRLCToRLE* node = RstDecodeRLCToRLE::create(src);
  if (!node) {
    src->end();
    return d;
  }
  std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
  while (int n = node->read(line.data())) {
    auto ok = run_line_ok(line.data(), n, width);
    if (!ok && d.invariants) {
      d.invariants = false;
      d.violation = ok.message();
    }
    d.lines.push_back(runs_of(line.data(), n));
  }
  node->end();
  return d;
}

TEST(DecodeRLC, RunListsToRunLines) {
  ReportLog log;
  std::vector<uint8_t> body = be16({0, 1, 10, 15, 2, 0, 3, 20, 40});
  Decoded d = decode_rlc(body, 40, 3);
  EXPECT_TRUE(d.invariants) << d.violation;
  ASSERT_EQ(d.lines.size(), 3u);
  EXPECT_TRUE(d.lines[0].empty());
  EXPECT_EQ(d.lines[1], (Runs{{10, 14}}));
  EXPECT_EQ(d.lines[2], (Runs{{0, 2}, {20, 39}}));
  EXPECT_TRUE(log.reports.empty());
}

TEST(DecodeRLC, DataEndingInsideALineKeepsItsRunsThenWhiteLines) {
  ReportLog log;
  std::vector<uint8_t> body = be16({3, 1, 2, 5, 6, 9});  // third run missing
  Decoded d = decode_rlc(body, 20, 4);
  ASSERT_EQ(d.lines.size(), 4u);
  EXPECT_EQ(d.lines[0], (Runs{{1, 1}, {5, 5}}));
  for (size_t i = 1; i < 4; ++i) EXPECT_TRUE(d.lines[i].empty());
  EXPECT_EQ(log.count(4), 4u);
  EXPECT_TRUE(log.has(4, "RstDecodeRLCToRLE::read()"));
}

TEST(DecodeRLC, HostileRunListsStayInBounds) {
  struct Case {
    const char* what;
    std::vector<uint8_t> body;
    Runs expected;
  };
  // 65535 runs (2k, 2k + 1) over and over: each goes back or repeats.
  std::vector<uint8_t> many = be16({65535});
  for (int i = 0; i < 65535; ++i) {
    auto run = be16({2 * (i % 5), 2 * (i % 5) + 1});
    many.insert(many.end(), run.begin(), run.end());
  }
  Runs alternating;
  for (int32_t x = 0; x < 10; x += 2) alternating.emplace_back(x, x);
  const Case cases[] = {
      {"end before start", be16({2, 5, 3, 7, 8}), {{7, 7}}},
      {"end 0", be16({1, 4, 0}), {}},
      {"columns beyond the width", be16({2, 8, 300, 12, 20}), {{8, 9}}},
      {"decreasing runs", be16({3, 6, 8, 2, 4, 7, 9}), {{6, 7}}},
      {"touching runs merge", be16({2, 1, 3, 3, 5}), {{1, 4}}},
      {"count 65535", many, alternating},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReportLog log;
    Decoded d = decode_rlc(c.body, 10, 1, 4096);
    EXPECT_TRUE(d.invariants) << d.violation;
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0], c.expected);
    EXPECT_EQ(log.count(4), 1u) << "a repaired line is reported";
  }
}

TEST(DecodeRLC, FactoryTexts) {
  ReportLog log;
  EXPECT_EQ(RstDecodeRLCToRLE::create(nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstDecodeRLCToRLE::create"));
  auto* src = new ChunkSource(make_header(8, 1, RstDataForm::mh), {}, 8);
  EXPECT_EQ(RstDecodeRLCToRLE::create(src), nullptr);
  EXPECT_TRUE(log.has(-3, "RstDecodeRLCToRLE::create"));
  src->end();
}

// Raw lines of a Sun byte-encoded body.
std::vector<std::vector<uint8_t>> decode_sun(const std::vector<uint8_t>& body, int32_t width, int32_t height,
                                             int32_t bits, size_t chunk = 3, int32_t spp = 1) {
  std::vector<std::vector<uint8_t>> chunks;
  for (size_t i = 0; i < body.size(); i += chunk)
    chunks.emplace_back(body.begin() + static_cast<long>(i),
                        body.begin() + static_cast<long>(std::min(body.size(), i + chunk)));
  auto* src =
      new ChunkSource(make_header(width, height, RstDataForm::byte_encode, bits, spp), chunks, static_cast<int>(chunk));
  RstByteDecode* node = RstByteDecode::create(src);
  std::vector<std::vector<uint8_t>> lines;
  if (!node) {
    src->end();
    return lines;
  }
  RstHeader h(node);
  EXPECT_EQ(h.data_form, RstDataForm::raw);
  std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
  while (int n = node->read(line.data())) lines.emplace_back(line.begin(), line.begin() + n);
  node->end();
  return lines;
}

TEST(ByteDecode, EscapesRunsAcrossLinesAndPadBytes) {
  struct Case {
    const char* what;
    std::vector<uint8_t> body;
    int32_t width;
    std::vector<std::vector<uint8_t>> lines;
  };
  const Case cases[] = {
      {"escaped 0x80", {0x80, 0x00, 0x11}, 2, {{0x80, 0x11}}},
      {"run of three", {0x80, 0x02, 0x41, 0x07}, 4, {{0x41, 0x41, 0x41, 0x07}}},
      {"run into the next line", {0x80, 0x04, 0x09, 0x01}, 2, {{9, 9}, {9, 9}, {9, 1}}},
      // Width 3: each line is followed by a pad byte.
      {"pad byte alone", {1, 2, 3, 0xEE, 4, 5, 6, 0xEE}, 3, {{1, 2, 3}, {4, 5, 6}}},
      {"pad byte from a pending run", {0x80, 0x03, 0x05, 7, 8, 0xEE, 0xEF}, 3, {{5, 5, 5}, {7, 8, 0xEE}}},
      {"pad element with a run", {1, 2, 3, 0x80, 0x01, 0x66, 4, 5, 0xEF}, 3, {{1, 2, 3}, {0x66, 4, 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReportLog log;
    auto lines = decode_sun(c.body, c.width, static_cast<int32_t>(c.lines.size()), 8);
    EXPECT_EQ(lines, c.lines);
    EXPECT_TRUE(log.reports.empty());
  }
}

TEST(ByteDecode, EndOfDataInsideALineAndExactHeight) {
  ReportLog log;
  // More data than lines: exactly the height is delivered.
  auto lines = decode_sun({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 4, 2, 8);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(log.reports.empty());
  // The data ends inside the second line: its bytes so far, -3, then the end.
  lines = decode_sun({1, 2, 3, 4, 5}, 4, 3, 8);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(lines[1], (std::vector<uint8_t>{5}));
  EXPECT_TRUE(log.has(-3, "RstByteDecode::read()"));

  log.reports.clear();
  EXPECT_EQ(RstByteDecode::create(nullptr), nullptr);
  EXPECT_TRUE(log.has(-2, "RstByteDecode::create()"));
  auto* src = new ChunkSource(make_header(8, 1, RstDataForm::raw, 8), {}, 8);
  EXPECT_EQ(RstByteDecode::create(src), nullptr);
  EXPECT_TRUE(log.has(-3, "RstByteDecode::create()"));
  src->end();
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

uint32_t be32_at(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Pixels of a PNM file after its header (maxval 255).
std::vector<uint8_t> pnm_pixels(const std::vector<uint8_t>& pnm) {
  std::istringstream in(std::string(pnm.begin(), pnm.end()));
  std::string magic;
  int w, h, maxval;
  in >> magic >> w >> h >> maxval;
  in.get();
  size_t at = static_cast<size_t>(in.tellg());
  return std::vector<uint8_t>(pnm.begin() + static_cast<long>(at), pnm.end());
}

TEST(ByteDecode, NetpbmSunBodiesDecodeToNetpbmPixels) {
  TempDir dir;
  std::mt19937 rng(9);
  for (bool colour : {false, true}) {
    for (int width : {1, 6, 7, 33}) {
      SCOPED_TRACE(std::string(colour ? "colour" : "gray") + " width " + std::to_string(width));
      const int height = 5;
      std::string pnm = dir.file("in.pnm"), ras = dir.file("out.ras"), back = dir.file("back.pnm");
      {
        std::ofstream f(pnm, std::ios::binary);
        f << (colour ? "P6" : "P5") << "\n" << width << " " << height << "\n255\n";
        for (int i = 0; i < width * height * (colour ? 3 : 1); ++i) {
          // Runs of equal bytes, escapes and distinct values.
          uint8_t v = (i / 5) % 3 == 0 ? 0x80 : (i / 7) % 2 ? 0x41 : static_cast<uint8_t>(rng());
          f.put(static_cast<char>(v));
        }
      }
      ASSERT_TRUE(run_command("pnmtorast -rle " + pnm + " > " + ras + " 2>/dev/null"));
      ASSERT_TRUE(run_command("rasttopnm " + ras + " > " + back + " 2>/dev/null"));
      std::vector<uint8_t> file = read_file(ras), expected = pnm_pixels(read_file(back));
      ASSERT_GE(file.size(), 32u);
      ASSERT_EQ(be32_at(file, 20), 2u) << "byte-encoded";
      uint32_t depth = be32_at(file, 12), map_length = be32_at(file, 28);
      std::vector<uint8_t> map(file.begin() + 32, file.begin() + 32 + map_length);
      std::vector<uint8_t> body(file.begin() + 32 + map_length, file.end());
      int32_t bits = depth == 24 ? 8 : static_cast<int32_t>(depth);
      int32_t spp = depth == 24 ? 3 : 1;
      auto lines = decode_sun(body, width, height, bits, 7, spp);
      ASSERT_EQ(lines.size(), static_cast<size_t>(height));
      std::vector<uint8_t> pixels;
      for (const auto& l : lines) {
        for (int x = 0; x < width; ++x) {
          if (depth == 24) {
            // Stored blue, green, red.
            pixels.push_back(l[static_cast<size_t>(3 * x + 2)]);
            pixels.push_back(l[static_cast<size_t>(3 * x + 1)]);
            pixels.push_back(l[static_cast<size_t>(3 * x)]);
          } else {
            uint8_t index = l[static_cast<size_t>(x)];
            size_t entries = map_length / 3;
            if (entries == 0) {
              pixels.push_back(index);
            } else if (colour) {
              pixels.push_back(map[index]);
              pixels.push_back(map[entries + index]);
              pixels.push_back(map[2 * entries + index]);
            } else {
              pixels.push_back(map[index]);
            }
          }
        }
      }
      EXPECT_EQ(pixels, expected);
    }
  }
}

TEST(EdmicsHeaders, Defaults) {
  RstEdmicsRLCHeader rlc;
  EXPECT_EQ(rlc.lines, 0);
  EXPECT_EQ(rlc.pels, 0);
  EXPECT_EQ(rlc.entry_count, 0u);
  EXPECT_EQ(rlc.status, 1);

  RstReadEdmicsMMRFileDesc file;
  RstEdmicsMMRDescriptor2 d2;
  RstEdmicsMMRDescriptor3 d3;
  struct Case {
    const uint8_t* block;
    int size;
    int16_t type;
    int length_at;
    int32_t length;
    int extra_at;
    int16_t extra;
  };
  const Case cases[] = {{file.block, 132, -1, 48, 132, 44, 1},
                        {d2.block, 476, -2, 468, 476, -1, 0},
                        {d3.block, 132, -3, 112, 132, 10, 2}};
  for (const Case& c : cases) {
    int16_t type, version, extra = 0;
    int32_t length;
    std::memcpy(&type, c.block, 2);
    std::memcpy(&version, c.block + 2, 2);
    std::memcpy(&length, c.block + c.length_at, 4);
    if (c.extra_at >= 0) std::memcpy(&extra, c.block + c.extra_at, 2);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(extra, c.extra);
    for (int i = 4; i < c.size; ++i) {
      bool field =
          (i >= c.length_at && i < c.length_at + 4) || (c.extra_at >= 0 && i >= c.extra_at && i < c.extra_at + 2);
      if (!field) {
        EXPECT_EQ(c.block[i], 0) << "type " << c.type << " byte " << i;
      }
    }
  }
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(d2.status, 1);
  EXPECT_EQ(d3.status, 1);
}

}  // namespace
