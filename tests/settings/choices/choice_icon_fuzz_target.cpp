// The icon image fuzz entry, and the fixed-budget run of it in the test
// programs: random bytes and mutations of well-formed icon images.
#include "choice_icon_fuzz_target.h"

#include <random>
#include <vector>

#include "platform/gdi/screen_bitmaps.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "settings/choices/setting_choice_list.h"
#include "settings/choices/icon_dib.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

void choice_icon_fuzz_one(const uint8_t* data, size_t size) {
  if (size == 0) return;
  static const int kDepths[4] = {8, 16, 24, 32};
  pk::seams::SetDisplayDepth(kDepths[data[0] % 4]);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T icons = pk::seams::LiveIcons();
  const SIZE_T palettes = pk::seams::LivePalettes();
  HICON icon = nullptr;
  HPALETTE palette = nullptr;
  std::vector<uint8_t> dib(data + 1, data + size);  // exactly the bytes, so ASan sees any read past them
  const int made = CreateIconFromDib(nullptr, dib.data(), static_cast<DWORD>(dib.size()), &icon, &palette);
  Check(made ? icon != nullptr : icon == nullptr && palette == nullptr);
  if (icon) Check(DestroyIcon(icon));
  if (palette) Check(DeleteObject(palette));
  Check(pk::seams::GlobalLiveBlocks() == blocks && pk::seams::LiveIcons() == icons &&
        pk::seams::LivePalettes() == palettes);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  choice_icon_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

TEST(ChoiceIconFuzz, FixedBudgetRunsClean) {
  std::vector<std::vector<uint8_t> > seeds;
  for (int bits : {1, 4, 8, 24}) {
    std::vector<uint8_t> seed{static_cast<uint8_t>(bits)};
    std::vector<uint8_t> dib = pk::test::PatternIconDib(bits == 24 ? 5 : 16, 16, bits);
    seed.insert(seed.end(), dib.begin(), dib.end());
    seeds.push_back(seed);
  }
  for (const auto& seed : seeds) choice_icon_fuzz_one(seed.data(), seed.size());
  std::mt19937 rng(9090);
  for (int iter = 0; iter < 400; ++iter) {
    std::vector<uint8_t> input = seeds[static_cast<size_t>(iter) % seeds.size()];
    if (iter % 7 == 0) {
      input.resize(1 + rng() % 120);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      const int edits = 1 + static_cast<int>(rng() % 4);
      for (int e = 0; e < edits; ++e) {
        // Mostly the header's fields, where the sizes live.
        size_t at = rng() % 2 ? 1 + rng() % 40 : rng() % input.size();
        if (at >= input.size()) at = input.size() - 1;
        switch (rng() % 4) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input[at] = 0xFF; break;
          default: input.resize(at + 1); break;
        }
      }
    }
    choice_icon_fuzz_one(input.data(), input.size());
  }
  pk::seams::SetDisplayDepth(32);
}

}  // namespace
#endif
