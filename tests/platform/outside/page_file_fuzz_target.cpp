// The page file fuzz entry and its fixed-budget run: random bytes and
// mutations of page files as Movrane writes them.
#include "page_file_fuzz_target.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/outside/outside_tiff_files.h"
#include "raster/core/rst_status.h"

namespace {

std::string FuzzPath() {
  return (std::filesystem::temp_directory_path() / ("page_file_fuzz_" + std::to_string(getpid()) + ".tif")).string();
}

}  // namespace

uint32_t page_file_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint32_t width = data[0] & 1 ? 64 : 0;
  const std::string path = FuzzPath();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
  PackedRows rows;
  uint32_t got = 0;
  try {
    if (ReadOnePageTiff(path, width, rows)) got = rows.rows;
  } catch (const RstStatus&) {
  }
  std::filesystem::remove(path);
  return got;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  page_file_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

TEST(PageFileFuzzTest, FixedBudgetOfRandomAndMutatedPageFiles) {
  // The seed: a 64-dot page of 25 rows in strips of 10, some dots set.
  PackedRows page;
  page.width = 64;
  page.rowBytes = 8;
  page.rows = 25;
  page.bits.assign(200, 0);
  for (size_t i = 0; i < page.bits.size(); i += 7) page.bits[i] = uint8_t(0x5A ^ i);
  const std::string seedPath = FuzzPath() + ".seed";
  ASSERT_TRUE(WriteOnePageTiff(seedPath, page, 200, 10));
  std::ifstream in(seedPath, std::ios::binary);
  const std::vector<uint8_t> seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(seedPath);
  ASSERT_GT(seed.size(), 100u);

  std::vector<uint8_t> whole = {2};
  whole.insert(whole.end(), seed.begin(), seed.end());
  EXPECT_EQ(page_file_fuzz_one(whole.data(), whole.size()), 25u);

  std::mt19937 rng(20261211);
  for (int round = 0; round < 1000; ++round) {
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
    const uint32_t rows = page_file_fuzz_one(input.data(), input.size());
    EXPECT_LE(rows, 1u << 20);
  }
}
#endif
