// The bilevel code tables: contents, lookup arrays against a brute-force
// prefix search, once-only building under threads and after a failure, and
// the T.4 codes proven against libtiff's decoder.
#include "raster/codecs/rst_ccitt_bw_tables.h"

#include <tiffio.h>

#include <array>
#include <random>
#include <thread>

#include "ccitt_support.h"
#include "raster/codecs/rst_ccitt_codes.h"
#include "raster/core/rst_alloc.h"
#include "tiff_peer.h"

namespace {

TEST(CCITTTables, ContentsOfTheThreeTables) {
  const RstHuffmanTable& white = *RstCCITTBWTables::mh_white_table();
  const RstHuffmanTable& black = *RstCCITTBWTables::mh_black_table();
  const RstHuffmanTable& mode = *RstCCITTBWTables::mr_mode_table();
  EXPECT_EQ(white.entry_count(), 105);
  EXPECT_EQ(black.entry_count(), 105);
  EXPECT_EQ(mode.entry_count(), 9);
  EXPECT_EQ(white.value_index_size(), 2561);
  EXPECT_EQ(mode.value_index_size(), 6);
  for (const RstHuffmanTable* t : {&white, &black}) {
    const RstHuffmanCode& e2560 = t->entries()[static_cast<size_t>(t->position_of(2560))];
    EXPECT_EQ(e2560.code, 0b000000011111u);
    EXPECT_EQ(e2560.length, 12u);
    const RstHuffmanCode& eol = t->entries()[static_cast<size_t>(t->position_of(-1000))];
    EXPECT_EQ(eol.code, 1u);
    EXPECT_EQ(eol.length, 12u);
  }
  const int32_t values[9] = {-3, -2, -1, 0, 1, 2, 3, 4, 5};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(mode.entries()[static_cast<size_t>(i)].value, values[i]);
}

// Every slot of every lookup array against a search for the entry whose
// code is a prefix of the slot's window.
TEST(CCITTTables, LookupSlotsEqualPrefixSearch) {
  struct Case {
    RstCountedPtr<RstDecodeHuffmanTable>& (*getter)(int32_t);
    int32_t bits;
  };
  const Case cases[] = {{&RstDecodeCCITTBWTables::mode_huffman_table, 7},
                        {&RstDecodeCCITTBWTables::black_huffman_table, 13},
                        {&RstDecodeCCITTBWTables::white_huffman_table, 12}};
  for (const Case& c : cases) {
    const RstDecodeHuffmanTable& t = *c.getter(-9999);
    ASSERT_NE(t.lut(), nullptr);
    ASSERT_EQ(t.lut()->bits, c.bits);
    EXPECT_TRUE(t.min_max.ranges.empty());
    for (uint32_t w = 0; w < (1u << c.bits); ++w) {
      int32_t len = 0, value = -9999;
      for (const RstHuffmanCode& e : t.entries())
        if (static_cast<int32_t>(e.length) <= c.bits && (w >> (c.bits - static_cast<int32_t>(e.length))) == e.code) {
          EXPECT_EQ(len, 0) << "two codes prefix window " << w;
          len = static_cast<int32_t>(e.length);
          value = e.value;
        }
      ASSERT_EQ(t.lut()->slots[w].length, len) << "bits " << c.bits << " slot " << w;
      ASSERT_EQ(t.lut()->slots[w].value, value) << "bits " << c.bits << " slot " << w;
    }
  }
  const auto* mode = RstDecodeCCITTBWTables::mode_huffman_table(-9999)->lut();
  for (int s = 64; s < 128; ++s) EXPECT_EQ(mode->slots[s].value, 0);
  const auto* white = RstDecodeCCITTBWTables::white_huffman_table(-9999)->lut();
  EXPECT_EQ(white->slots[1].length, 12);
  EXPECT_EQ(white->slots[1].value, -1000);
  const auto* black = RstDecodeCCITTBWTables::black_huffman_table(-9999)->lut();
  EXPECT_EQ(black->slots[2].value, -1000);
  EXPECT_EQ(black->slots[3].value, -1000);
  EXPECT_EQ(black->slots[0].value, -9999);
}

TEST(CCITTTables, SecondGetterCallKeepsTheFirstTableAndCreateLutChecksBits) {
  RstDecodeHuffmanTable* first = RstDecodeCCITTBWTables::white_huffman_table(-9999).get();
  EXPECT_EQ(RstDecodeCCITTBWTables::white_huffman_table(-1).get(), first);
  EXPECT_EQ(first->lut()->slots[0].value, -9999);

  RstDecodeHuffmanTable own(*RstCCITTBWTables::mr_mode_table(), 7, -7);
  const RstDecodeHuffmanLUT* before = own.lut();
  ReportLog log;
  for (int32_t bits : {0, 17}) {
    log.reports.clear();
    EXPECT_FALSE(own.create_lut(bits, -7));
    EXPECT_TRUE(log.has(-2, "RstDecodeHuffmanTable::create_lut()"));
    EXPECT_EQ(own.lut(), before);
  }
  EXPECT_TRUE(own.create_lut(9, -7));
  EXPECT_EQ(own.lut()->bits, 9);
  EXPECT_EQ(own.lut()->slots[0].value, -7);
}

// Run alone (ctest runs each test in its own process), the first calls
// happen here, from eight threads at once.
TEST(CCITTTables, EightThreadsBuildEachTableOnce) {
  if (RstCCITTBWTables::builds() != 0) GTEST_SKIP() << "tables already built in this process";
  std::vector<std::thread> threads;
  std::vector<std::array<void*, 6>> seen(8);
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([i, &seen] {
      seen[static_cast<size_t>(i)] = {RstCCITTBWTables::mh_white_table().get(),
                                      RstCCITTBWTables::mh_black_table().get(),
                                      RstCCITTBWTables::mr_mode_table().get(),
                                      RstDecodeCCITTBWTables::mode_huffman_table(-9999).get(),
                                      RstDecodeCCITTBWTables::black_huffman_table(-9999).get(),
                                      RstDecodeCCITTBWTables::white_huffman_table(-9999).get()};
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(RstCCITTBWTables::builds(), 6);
  for (const auto& s : seen) {
    EXPECT_EQ(s, seen[0]);
    for (void* p : s) EXPECT_NE(p, nullptr);
  }
}

TEST(CCITTTables, FailedBuildReportsAndTheNextCallBuilds) {
  if (RstCCITTBWTables::builds() != 0) GTEST_SKIP() << "tables already built in this process";
  ReportLog log;
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(RstCCITTBWTables::mh_black_table());
  RstAllocFault::clear();
  EXPECT_TRUE(log.has(-1, "RstCCITTBWTables::mh_black_table()"));
  EXPECT_TRUE(RstCCITTBWTables::mh_black_table());
  EXPECT_EQ(RstCCITTBWTables::mh_black_table()->entry_count(), 105);

  log.reports.clear();
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(RstDecodeCCITTBWTables::black_huffman_table(-9999));
  RstAllocFault::clear();
  EXPECT_TRUE(log.has(-1, "RstDecodeCCITTBWTables::black_huffman_table()"));
  ASSERT_TRUE(RstDecodeCCITTBWTables::black_huffman_table(-9999));
  EXPECT_EQ(RstDecodeCCITTBWTables::black_huffman_table(-9999)->lut()->bits, 13);
}

// For each colour, every run length 0 to 2560 and longer runs up to 7000, one
// line of Compression 2 code written from our entries: libtiff decodes each
// line to exactly the row, and so do we.
TEST(CCITTTables, EveryRunLengthDecodesInLibtiff) {
  TiffPeer* peer = TiffPeer::get();
  ASSERT_NE(peer, nullptr) << "libtiff not loadable";
  TempDir dir;
  const int32_t width = 7010;
  std::vector<int32_t> lengths;
  for (int32_t l = 0; l <= 2560; ++l) lengths.push_back(l);
  for (int32_t l : {2561, 2623, 2624, 2625, 3000, 4000, 5120, 5184, 5185, 6999, 7000}) lengths.push_back(l);
  for (bool black : {false, true}) {
    std::vector<Runs> lines;
    BitWriter w;
    for (int32_t l : lengths) {
      Runs r;
      if (!black) {
        r = {{l, width - 1}};
        put_run(w, false, l);
        put_run(w, true, width - l);
      } else {
        if (l > 0) r = {{3, 3 + l - 1}};
        put_run(w, false, 3);
        put_run(w, true, l);
        put_run(w, false, width - 3 - l);
      }
      w.align();
      lines.push_back(r);
    }
    std::string path = dir.file(black ? "black.tif" : "white.tif");
    ASSERT_TRUE(peer->write_raw(path, width, static_cast<uint32_t>(lines.size()), COMPRESSION_CCITTRLE, 0, w.bytes));
    std::vector<uint8_t> rows;
    ASSERT_TRUE(peer->read_decoded(path, rows));
    std::vector<uint8_t> expected = paint_rows(lines, width);
    ASSERT_EQ(rows.size(), expected.size());
    size_t row_bytes = (width + 7) / 8;
    for (size_t i = 0; i < lengths.size(); ++i)
      ASSERT_TRUE(std::equal(expected.begin() + static_cast<long>(i * row_bytes),
                             expected.begin() + static_cast<long>((i + 1) * row_bytes),
                             rows.begin() + static_cast<long>(i * row_bytes)))
          << (black ? "black" : "white") << " run " << lengths[i];

    RstMHOption compression2(0, 0, 0, 0, 1);
    Decoded d = decode_ccitt(w.bytes, 1, width, static_cast<int32_t>(lines.size()), &compression2);
    EXPECT_TRUE(d.invariants) << d.violation;
    ASSERT_EQ(d.lines.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(d.lines[i], lines[i]) << "run " << lengths[i];
  }
}

// Random pages coded in T.6 by the test coder with our mode entries: every
// one of the nine mode codes is used, libtiff decodes the rows, and so do we.
TEST(CCITTTables, NineModeCodesDecodeInLibtiff) {
  TiffPeer* peer = TiffPeer::get();
  ASSERT_NE(peer, nullptr);
  TempDir dir;
  std::mt19937 rng(5);
  const int32_t width = 97;
  std::vector<Runs> lines;
  for (int i = 0; i < 60; ++i) {
    std::vector<uint8_t> row((width + 7) / 8);
    if (i % 2 == 0 || lines.empty()) {
      for (auto& b : row) b = static_cast<uint8_t>(rng() & rng());
    } else {
      // A shifted, lightly edited copy of the line above: vertical and
      // pass modes.
      row = paint_row(lines.back(), width);
      int shift = static_cast<int>(rng() % 7) - 3;
      std::vector<uint8_t> moved((width + 7) / 8);
      for (int32_t x = 0; x < width; ++x) {
        int32_t s = x - shift;
        if (s >= 0 && s < width && (row[s / 8] & (0x80 >> (s % 8))))
          moved[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
      row = moved;
      row[rng() % row.size()] ^= static_cast<uint8_t>(rng());
    }
    lines.push_back(naive_runs(row.data(), width));
  }
  int32_t counts[9] = {};
  std::vector<uint8_t> code = encode_mmr(lines, width, true, counts);
  for (int i = 0; i < 9; ++i) EXPECT_GT(counts[i], 0) << "mode value " << i - 3 << " never used";
  std::string path = dir.file("modes.tif");
  ASSERT_TRUE(peer->write_raw(path, width, static_cast<uint32_t>(lines.size()), COMPRESSION_CCITTFAX4, 0, code));
  std::vector<uint8_t> rows;
  ASSERT_TRUE(peer->read_decoded(path, rows));
  EXPECT_EQ(rows, paint_rows(lines, width));
  Decoded d = decode_ccitt(code, 3, width, static_cast<int32_t>(lines.size()), nullptr);
  EXPECT_TRUE(d.invariants) << d.violation;
  EXPECT_EQ(d.lines, lines);
}

}  // namespace
