// The LZW fuzz entry, and the fixed-budget run of it in the test program:
// random bytes and mutations of valid code streams of each variant.
#include "lzw_fuzz_target.h"

#include <cstring>
#include <random>
#include <vector>

#include "lzw_support.h"
#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_lzw_decoder.h"
#include "raster/core/byte_array_storage.h"

namespace {

constexpr size_t kHead = 7;

}  // namespace

int lzw_fuzz_one(const uint8_t* data, size_t size) {
  if (size < kHead) return 0;
  static const int32_t variants[] = {1, 7, 0, 1};
  int32_t variant = variants[data[0] & 3];
  int32_t lsb = (data[0] >> 2) & 1;
  int32_t min_bits = data[1] % 13;  // 0 and 12 must be refused
  int32_t line_bytes = 1 + (data[2] << 8 | data[3]) % 300;
  int32_t first = data[4] % 8 - 1;  // -1 must be refused
  int32_t count = data[5] % 40;     // 0 must be refused
  int32_t height = data[6] % 48;    // 0 must be refused
  std::vector<uint8_t> code(size > kHead ? size - kHead : 1, 0);
  if (size > kHead) std::memcpy(code.data(), data + kHead, size - kHead);
  ByteArrayInputStorage storage(code.data(), static_cast<int32_t>(size - kHead));
  BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
  if (!stream) return 0;
  TolvaneImageInfo info = gray_info(line_bytes, height);
  RstInstanceTolvane* stage = rst_lzw_create_decoder(stream, first, count, &info, line_bytes, min_bits, variant, lsb);
  bool bad = first < 0 || count < 1 || height < 1 || min_bits < 1 || min_bits > 11;
  if (!stage || (stage->status == -2) != bad) __builtin_trap();
  int lines = 0;
  if (stage->status == 1) {
    TolvaneImageInfo out;
    stage->info(&out);
    int32_t expected = std::min(count, height - std::min(first, height - 1));
    if (out.height != expected) __builtin_trap();
    std::vector<uint8_t> line(static_cast<size_t>(line_bytes));
    bool failed = false;
    for (int32_t y = 0; y < out.height; ++y) {
      int32_t status = stage->line(line.data());
      if (status != 1 && status != -3) __builtin_trap();
      if (failed && status == 1) __builtin_trap();
      failed = status != 1;
      lines += !failed;
    }
  }
  if (stage->close() != 1) __builtin_trap();
  stream->close();
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lzw_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

// The fixed budget: random inputs and byte-level mutations of valid streams.
TEST(LzwFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(77);
  std::vector<std::vector<uint8_t> > seeds;
  const struct {
    uint8_t head0;
    int min_bits;
    int variant;
  } kinds[] = {{0, 8, 1}, {1, 8, 7}, {1, 2, 7}, {2, 4, 0}, {6, 8, 0}};
  for (const auto& k : kinds) {
    std::vector<uint8_t> data(40 * 24);
    for (auto& b : data) b = static_cast<uint8_t>(rng() % (1u << k.min_bits));
    LzwEncodeOptions o;
    o.min_bits = k.min_bits;
    o.variant = k.variant;
    o.lsb = (k.head0 >> 2) & 1;
    std::vector<uint8_t> seed = {k.head0, static_cast<uint8_t>(k.min_bits), 0, 39, 1, 24, 24};
    std::vector<uint8_t> code = lzw_encode(data, o);
    seed.insert(seed.end(), code.begin(), code.end());
    EXPECT_EQ(lzw_fuzz_one(seed.data(), seed.size()), 24) << int(k.head0);
    seeds.push_back(seed);
  }
  for (int iter = 0; iter < 20000; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 4 == 0) {
      input.resize(kHead + rng() % 400);
      for (auto& b : input) b = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      if (rng() % 3 == 0) input[static_cast<size_t>(rng() % kHead)] = static_cast<uint8_t>(rng());
      int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        size_t at = kHead + rng() % (input.size() - kHead);
        switch (rng() % 3) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    lzw_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
