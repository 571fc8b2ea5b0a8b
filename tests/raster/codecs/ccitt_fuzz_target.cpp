// The CCITT fuzz entry, and the fixed-budget run of it in the test program:
// random bytes and mutations of valid pages of each form.
#include "ccitt_fuzz_target.h"

#include <cstring>
#include <random>
#include <vector>

#include "ccitt_support.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_fuzz_observer.h"

namespace {

bool line_ok(const uint8_t* line, int bytes, int32_t width) {
  int32_t bound = ((width + 1) / 2) * 8 + 8;
  if (bytes < 8 || bytes % 8 != 0 || bytes > bound) return false;
  const auto* p = reinterpret_cast<const int32_t*>(line);
  int32_t n = bytes / 8 - 1;
  if (p[2 * n] != -1 || p[2 * n + 1] != -1) return false;
  int32_t prev = -2;
  for (int32_t i = 0; i < n; ++i) {
    int32_t f = p[2 * i], l = p[2 * i + 1];
    if (f < 0 || l < f || l > width - 1 || f <= prev + 1) return false;
    prev = l;
  }
  return true;
}

}  // namespace

int ccitt_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  // Errors reported while decoding (the code reader's or an allocation
  // failure) must not end the process.
  RstFuzzObserver quiet;
  int32_t form = 1 + data[0] % 3;
  int32_t width = 1 + (data[1] << 8 | data[2]) % 5000;
  int32_t height = 1 + data[3] % 64;
  uint8_t flags = data[4];
  int32_t chunk = 1 + data[5] % 97;
  bool reverse = flags & 0x20;
  // At least one byte, so that the storage has an address.
  std::vector<uint8_t> code(size > 6 ? size - 6 : 1, 0);
  if (size > 6) std::memcpy(code.data(), data + 6, size - 6);
  ByteArrayInputStorage storage(code.data(), static_cast<int32_t>(code.size()));
  RstRead* src = RstReadCode::create(&storage, chunk, make_header(width, height, form), reverse);
  if (!src) return 0;
  RstMHOption mh(flags & 1, 0, (flags >> 1) & 1, 0, (flags >> 2) & 1);
  RstMROption mr(flags & 1, 0, 0, (flags >> 2) & 1, 2);
  mr.eol = (flags >> 1) & 1;
  RstMMROption mmr(flags & 1, 0);
  bool defaults = flags & 0x10;
  RstRead* node = nullptr;
  if (form == 1) node = RstDecodeMH::create(src, defaults ? nullptr : &mh);
  if (form == 2) node = RstDecodeMR::create(src, defaults ? nullptr : &mr);
  if (form == 3) node = RstDecodeMMR::create(src, defaults ? nullptr : &mmr);
  if (!node) {
    src->end();
    return 0;
  }
  std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
  int lines = 0;
  for (int i = 0; i < height + 2; ++i) {
    int n = node->read(line.data());
    if (n == 0) break;
    if (!line_ok(line.data(), n, width)) __builtin_trap();
    ++lines;
  }
  if (lines != height) __builtin_trap();
  if (flags & 0x40) {
    node->reset();
    if (node->read(line.data()) == 0) __builtin_trap();
  }
  node->end();
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ccitt_fuzz_one(data, size);
  return 0;
}
#else
namespace {

// The fixed budget: random inputs and byte-level mutations of valid pages.
TEST(CCITTFuzz, FixedBudgetRunsClean) {
  std::mt19937 rng(2024);
  std::vector<std::vector<uint8_t> > seeds;
  for (int32_t form = 1; form <= 3; ++form) {
    const int32_t width = 40 + 37 * form;
    std::vector<Runs> lines;
    for (int y = 0; y < 12; ++y) {
      std::vector<uint8_t> row(static_cast<size_t>((width + 7) / 8));
      for (auto& b : row) b = static_cast<uint8_t>(rng() & rng());
      lines.push_back(naive_runs(row.data(), width));
    }
    BitWriter w;
    if (form == 3) {
      w.bytes = encode_mmr(lines, width, true);
    } else {
      Runs ref;
      for (size_t y = 0; y < lines.size(); ++y) {
        put_eol(w);
        if (form == 2) w.put_bit(y % 2 == 0);
        if (form == 1 || y % 2 == 0) put_mh_line(w, lines[y], width);
        else put_2d_line(w, ref, lines[y], width);
        ref = lines[y];
      }
    }
    std::vector<uint8_t> seed = {static_cast<uint8_t>(form - 1),
                                 static_cast<uint8_t>((width - 1) >> 8),
                                 static_cast<uint8_t>(width - 1),
                                 11,
                                 0x03,
                                 50};
    seed.insert(seed.end(), w.bytes.begin(), w.bytes.end());
    EXPECT_EQ(ccitt_fuzz_one(seed.data(), seed.size()), 12) << "form " << form;
    seeds.push_back(seed);
  }
  for (int iter = 0; iter < 6000; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 3 == 0) {
      input.resize(6 + rng() % 300);
      for (auto& b : input) b = static_cast<uint8_t>(rng() % 4 == 0 ? 0 : rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      input[4] = static_cast<uint8_t>(rng());
      input[5] = static_cast<uint8_t>(rng());
      if (rng() % 4 == 0) input[1] = static_cast<uint8_t>(rng());
      int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        size_t at = 6 + rng() % (input.size() - 6);
        switch (rng() % 3) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    ccitt_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
