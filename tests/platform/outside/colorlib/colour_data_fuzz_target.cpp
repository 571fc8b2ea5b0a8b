// The colour data fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of written files.
#include "colour_data_fuzz_target.h"

#include <cstdlib>
#include <random>
#include <vector>

#include "platform/outside/colorlib/colour_data_file.h"

void colour_data_fuzz_one(const uint8_t* data, size_t size) {
  ColourData parsed;
  if (!ParseColourData(data, size, &parsed)) {
    for (const auto& table : parsed.tables)
      if (table) std::abort();
    return;
  }
  if (parsed.tables[0]) std::abort();
  unsigned sum = 0;
  for (const auto& table : parsed.tables) {
    if (!table) continue;
    if (table->size() != kColourTableBytes) std::abort();
    sum += (*table)[kColourTableBytes - 1];
  }
  (void)sum;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  colour_data_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

TEST(ColourDataFuzz, FixedBudgetRunsClean) {
  std::vector<uint8_t> file;
  ASSERT_TRUE(WriteColourData("mode 1 identity\nmode 2 swap-red-blue\n", &file, nullptr));
  std::mt19937 rng(91);
  for (int iter = 0; iter < 3000; ++iter) {
    std::vector<uint8_t> input = file;
    if (iter % 4 == 0) {
      input.resize(rng() % 64);
      for (auto& b : input) b = uint8_t(rng());
    } else {
      // Mutations in the head and the directory, where the checks are.
      for (int k = 0; k < 3; ++k) input[rng() % 40] = uint8_t(rng());
      if (iter % 7 == 0) input.resize(rng() % input.size());
    }
    colour_data_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
