// The fax cover's fuzz entry, and the fixed-budget run of it in the test
// program: a fax block of any content as the fax temp file delivers it (its
// entries' texts unterminated, any kinds and prefix selectors), with cover
// options of any text, laid out in code page 1252 or 932. Every entry of the
// block and one past it are composed; the lines must stay within their limits.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics_driver/job_output/fax_cover_blocks.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_seams.h"
#include "settings/store/settings_blob.h"

namespace {

// Fills a text field from the input, terminated in its last character.
void Fill(WCHAR* field, size_t chars, const uint8_t*& data, size_t& size) {
  const size_t n = std::min(size / 2, chars);
  std::memcpy(field, data, n * 2);
  field[chars - 1] = 0;
  data += n * 2;
  size -= n * 2;
}

// 0 when a limit was broken (a fault), else 1.
int FaxCoverFuzzOne(const uint8_t* data, size_t size) {
  if (size < 8) return 1;
  pk::seams::SetCodePages(data[0] & 1 ? 932 : 1252, data[0] & 1 ? 932 : 437);
  FaxCoverOptions options{};
  options.variantB = data[1] & 1;
  options.oneAddressee = data[1] >> 1 & 1;
  options.addresseeLabel = data[2] & 3;
  options.formLabel = data[2] >> 2 & 3;
  options.numberPrefix = data[2] >> 4 & 1;
  FaxPrefixes prefixes{};
  data += 3;
  size -= 3;
  Fill(options.title, 6, data, size);
  Fill(options.addressee, 30, data, size);
  Fill(options.form541, 210, data, size);
  Fill(prefixes.prefix1, 7, data, size);
  Fill(prefixes.prefix2, 7, data, size);

  // The block: as many whole entries as the rest holds, at most 86.
  const size_t entries =
      size > kFaxBlockHeadSize ? std::min<size_t>((size - kFaxBlockHeadSize) / kFaxBlockEntrySize, 86) : 0;
  std::vector<BYTE> block(kFaxBlockHeadSize + kFaxBlockEntrySize * entries);
  std::memcpy(block.data(), data, std::min(size, block.size()));
  block[16] = BYTE(entries);
  block[17] = 0;
  std::vector<BYTE> entry(kFaxEntryBytes);
  int result = 1;
  for (size_t n = 0; n <= entries && result; ++n) {
    if (CopyFaxEntry(block.data(), uint32_t(n), entry.data()) != (n < entries ? 1 : 0)) return 0;
    if (n == entries) break;
    FaxTextEntry* list = nullptr;
    int count = 0;
    if (!ComposeFaxTextLines(entry.data(), options, prefixes, &list, &count)) continue;
    if (count < 0 || count > kFaxTextEntryMax) result = 0;
    for (int i = 0; i < count && result; ++i) {
      size_t chars = 0;
      while (chars < 129 && list[i].text[chars]) ++chars;
      if (chars > kFaxLineChars) result = 0;
    }
    GlobalFree(list);
    if (ComputeFaxTextBlockSize(entry.data(), options, prefixes) < 19) result = 0;
  }
  pk::seams::SetCodePages(1252, 437);
  return result;
}

}  // namespace

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!FaxCoverFuzzOne(data, size)) __builtin_trap();
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

TEST(FaxCoverFuzzTest, FixedBudgetOfRandomBlocks) {
  std::mt19937 rng(20261211);
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> input(8 + rng() % 6000);
    for (uint8_t& b : input) b = uint8_t(rng() % 4 ? rng() % 128 : rng());
    ASSERT_EQ(FaxCoverFuzzOne(input.data(), input.size()), 1) << round;
  }
}
#endif
