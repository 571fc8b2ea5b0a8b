// The JBIG decoder fuzz entry, and the fixed-budget run of it in the test
// program: random headers and stripe data, and mutations of encoded images.
#include "jbig_fuzz_target.h"

#include <random>
#include <vector>

#include "jbig_support.h"
#include "raster/codecs/rst_jbig_decoder.h"

namespace {

constexpr size_t kHead = 9;
constexpr uint64_t kPixelBudget = 1u << 22;  // a header may announce 2^32 lines

}  // namespace

int jbig_fuzz_one(const uint8_t* data, size_t size) {
  if (size < kHead) return 0;
  int32_t mode = data[0] & 1 ? 3 : 0;
  JbigBytes input;
  if (data[0] & 2) {
    // A valid header from the field bytes.
    uint32_t xd = 1 + (data[1] << 8 | data[2]) % 2000;
    uint32_t yd = 1 + data[3] % 200;
    uint32_t l0 = 1 + data[4] % 64;
    uint8_t planes = mode == 3 ? static_cast<uint8_t>(1 + data[5] % 35) : 1;
    input = {0, 0, planes, 0};
    for (uint32_t v : {xd, yd, l0})
      for (int s = 24; s >= 0; s -= 8) input.push_back(static_cast<uint8_t>(v >> s));
    input.insert(input.end(), {static_cast<uint8_t>(data[6] & 0x7F), 0, data[7], data[8]});
  }
  input.insert(input.end(), data + kHead, data + size);
  // One record for every run: init rewrites all of it.
  static std::unique_ptr<JbigCodecContext> ctx = jbig_new_context();
  JbigSource source{input.data(), input.size()};
  rst_jbig_dec_init(ctx.get(), mode, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_dec_set_input(ctx.get(), JbigSource::get, &source);
  if (rst_jbig_dec_read_header(ctx.get()) || rst_jbig_dec_start(ctx.get())) return 0;
  uint32_t xd = ctx->xd;
  std::vector<uint8_t> line((xd + 7) / 8 + 1, 0);
  int lines = 0;
  uint64_t pixels = 0;
  while (rst_jbig_line(ctx.get()) < rst_jbig_height(ctx.get()) && pixels < kPixelBudget) {
    uint32_t before = rst_jbig_line(ctx.get());
    line.back() = 0x5A;
    int32_t rc = rst_jbig_dec_line(ctx.get(), line.data());
    if (rc != rst_jbig_error(ctx.get())) __builtin_trap();
    if (rc) break;
    if (line.back() != 0x5A) __builtin_trap();
    if ((xd & 7) && (line[(xd + 7) / 8 - 1] & (0xFF >> (xd & 7)))) __builtin_trap();
    if (before >= ctx->yd && rst_jbig_line(ctx.get()) != before) __builtin_trap();
    ++lines;
    pixels += xd;
  }
  int32_t error = rst_jbig_error(ctx.get());
  int32_t rc = rst_jbig_dec_finish(ctx.get());
  if (error && rc != error) __builtin_trap();
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jbig_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

TEST(JbigFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(50);
  std::vector<JbigBytes> seeds;
  const struct {
    uint32_t options, l0, planes, order;
  } kinds[] = {{0, 5, 1, 0}, {0x48, 3, 1, 0}, {0x08, 64, 3, 1}, {0x40, 2, 2, 0}};
  for (const auto& k : kinds) {
    JbigImage image = jbig_random_image(45, 30, k.planes, k.l0);
    JbigBytes code = jbig_encode(image, {k.l0, k.options, k.order, k.planes > 1 ? 3 : 0});
    JbigBytes seed = {static_cast<uint8_t>(k.planes > 1 ? 1 : 0), 0, 0, 0, 0, 0, 0, 0, 0};
    seed.insert(seed.end(), code.begin(), code.end());
    EXPECT_EQ(jbig_fuzz_one(seed.data(), seed.size()), static_cast<int>(30 * k.planes));
    seeds.push_back(seed);
  }
  const uint8_t markers[] = {0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00};
  for (int iter = 0; iter < 20000; ++iter) {
    JbigBytes input;
    if (iter % 3 == 0) {
      input.resize(kHead + rng() % 300);
      for (auto& b : input) b = static_cast<uint8_t>(rng());
      input[0] |= 2;
      for (size_t i = kHead; i + 1 < input.size(); i += 1 + rng() % 40) {
        input[i] = 0xFF;
        input[i + 1] = markers[rng() % sizeof markers];
      }
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 4);
      for (int e = 0; e < edits; ++e) {
        size_t at = kHead + rng() % (input.size() - kHead);
        switch (rng() % 4) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input[at] = 0xFF; break;
          default: input.resize(at + 1); break;
        }
      }
    }
    jbig_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
