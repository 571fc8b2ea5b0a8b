// The Movrane page fuzz entry and its fixed-budget run: random bytes and
// mutations of a page file as Movrane writes it, through every geometry step.
#include "movrane_page_fuzz_target.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/outside/movrane/page_geometry.h"
#include "platform/outside/outside_tiff_files.h"
#include "raster/core/rst_status.h"

namespace {

std::string FuzzPath() {
  return (std::filesystem::temp_directory_path() / ("movrane_page_fuzz_" + std::to_string(getpid()) + ".tif")).string();
}

// Every step on the page; a step that answers true must give an image of the
// size it promises.
void Steps(const PackedRows& page, uint8_t choice) {
  auto sized = [](const PackedRows& p, uint32_t w, uint32_t h) {
    if (p.width != w || p.rows != h || p.bits.size() != size_t(h) * ((w + 7) / 8)) __builtin_trap();
  };
  PackedRows out;
  if (TurnRows(page, choice & 1 ? 90 : 270, out)) sized(out, page.rows, page.width);
  const uint32_t w = std::max<uint32_t>(page.width / (1 + choice % 3), 1);
  const uint32_t h = std::max<uint32_t>(page.rows / (1 + choice / 3 % 3), 1);
  if (ScaleRowsOR(page, w, h, out)) sized(out, w, h);
  const int64_t dx = int64_t(choice % 17) - 8, dy = int64_t(choice / 17) - 7;
  if (PlaceRows(page, dx * int64_t(page.width) / 8, dy * int64_t(page.rows) / 8, page.width, page.rows, out))
    sized(out, page.width, page.rows);
  if (InkRows(page) > page.rows) __builtin_trap();
  const PackedRows slots[2] = {page, PackedRows{}};
  if (BuildNupSheet(slots, 2, choice & 2 ? 2 : 4, page.width, page.rows, out)) sized(out, page.width, page.rows);
  // Marks laid over a sheet of the same shape, and over one turned.
  PackedRows sheet = WhiteRows(page.width, choice & 8 ? page.rows : page.rows / 2 + 1);
  if (OverlayRows(page, sheet)) sized(sheet, page.width, choice & 8 ? page.rows : page.rows / 2 + 1);
  PackedRows turnedSheet = WhiteRows(page.rows, page.width);
  if (OverlayRows(page, turnedSheet)) sized(turnedSheet, page.rows, page.width);
  const RowScale scale{600, choice & 4 ? 400u : 900u};
  ConvertRows(page, scale, choice, page.rows + choice, out);
}

}  // namespace

uint32_t movrane_page_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string path = FuzzPath();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
  PackedRows page;
  uint32_t got = 0;
  try {
    // Pages of a few million dots keep the run quick; the steps do not
    // depend on the size.
    if (ReadOnePageTiff(path, 0, page) && uint64_t(page.width) * page.rows <= (1u << 22)) {
      got = page.rows;
      Steps(page, data[0]);
    }
  } catch (const RstStatus&) {
  }
  std::filesystem::remove(path);
  return got;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  movrane_page_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

TEST(MovranePageFuzzTest, FixedBudgetOfRandomAndMutatedPageFiles) {
  // The seed: a 100-dot page of 70 rows in strips of 16 with a frame and
  // scattered dots.
  PackedRows page = WhiteRows(100, 70);
  for (uint32_t x = 0; x < 100; ++x) {
    page.bits[x / 8] |= uint8_t(0x80 >> (x % 8));
    page.bits[69 * page.rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
  }
  for (size_t i = page.rowBytes; i < 69 * page.rowBytes; i += 11) page.bits[i] |= uint8_t(0x81 ^ i);
  for (uint32_t y = 0; y < 70; ++y) page.bits[y * page.rowBytes + 12] &= 0xF0;
  const std::string seedPath = FuzzPath() + ".seed";
  ASSERT_TRUE(WriteOnePageTiff(seedPath, page, 300, 16));
  std::ifstream in(seedPath, std::ios::binary);
  const std::vector<uint8_t> seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(seedPath);
  ASSERT_GT(seed.size(), 100u);

  for (uint8_t choice : {0, 1, 2, 3, 4, 5, 6, 7, 100, 255}) {
    std::vector<uint8_t> whole = {choice};
    whole.insert(whole.end(), seed.begin(), seed.end());
    EXPECT_EQ(movrane_page_fuzz_one(whole.data(), whole.size()), 70u);
  }
  std::mt19937 rng(20261212);
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> input = {uint8_t(rng())};
    if (round % 10 == 0) {
      input.resize(1 + rng() % 300);
      for (uint8_t& b : input) b = uint8_t(rng());
    } else {
      input.insert(input.end(), seed.begin(), seed.end());
      const int flips = 1 + int(rng() % 6);
      for (int f = 0; f < flips; ++f) input[1 + rng() % seed.size()] = uint8_t(rng());
      if (round % 7 == 0) input.resize(1 + rng() % input.size());
    }
    EXPECT_LE(movrane_page_fuzz_one(input.data(), input.size()), 1u << 20);
  }
}
#endif
