// The line coder's fuzz entry, and the fixed-budget run of it in the test
// program: images of any shape and content, coded whole into room enough
// (the decoder must give them back) and again into a capacity that may be
// too small (the coder must fail cleanly, never write past it).
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics_driver/job_output/compression/line_decoder.h"
#include "graphics_driver/job_output/line_coder.h"

namespace {

// 0 when the round trip failed (a fault), else 1.
int LineCoderFuzzOne(const uint8_t* data, size_t size) {
  if (size < 5) return 1;
  const uint32_t width = 1 + ((uint32_t(data[0]) << 8 | data[1]) % 600);
  const uint32_t bits = data[2] % 2 ? 24 : 8;
  const uint32_t room = data[3];
  const bool pattern = data[4] & 1;
  data += 5;
  size -= 5;
  const size_t rowSize = size_t(width) * bits / 8;
  const uint32_t height = uint32_t(size / rowSize > 40 ? 40 : size / rowSize);
  if (height == 0) return 1;
  std::vector<uint8_t> image(data, data + rowSize * height);
  // Sparse inputs give runs: bytes under the threshold become one value.
  if (pattern)
    for (uint8_t& b : image) b = b < 200 ? 0 : b;

  const pk::test::Bytes code = pk::test::Code(image, width, height, bits);
  pk::test::Bytes decoded;
  if (!pk::test::LineDecoder(code, width, height, bits).Decode(&decoded) || decoded != image) return 0;

  // A buffer just as large as the room given, checked by the sanitizer.
  LineCoder* c = CreateLineCoder(width, height, bits);
  std::vector<uint8_t> out(room);
  for (uint32_t y = 0; y < height; ++y)
    if (CodeLineCoderRow(c, image.data() + y * rowSize, out.data(), room) < 0) break;
  FinishLineCoder(c, out.data(), room);
  return 1;
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!LineCoderFuzzOne(data, size)) __builtin_trap();
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

TEST(LineCoderFuzzTest, FixedBudgetOfRandomImages) {
  std::mt19937 rng(20261211);
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> input(5 + rng() % 3000);
    for (uint8_t& b : input) b = uint8_t(rng());
    input[0] = uint8_t(rng() % 2);
    ASSERT_EQ(LineCoderFuzzOne(input.data(), input.size()), 1) << round;
  }
}
#endif
