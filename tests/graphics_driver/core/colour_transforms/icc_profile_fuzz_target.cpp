// The ICC profile fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of matrix and lut16 profiles.
#include "icc_profile_fuzz_target.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "graphics_driver/core/color_transform.h"
#include "platform/win/win_seams.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

const std::string& ProfilePath() {
  static const std::string path = "/tmp/icc_profile_fuzz_" + std::to_string(getpid()) + ".icc";
  return path;
}

}  // namespace

void icc_profile_fuzz_one(const uint8_t* data, size_t size) {
  {
    std::ofstream f(ProfilePath(), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  ColorTransform t{};
  const int answer = LoadProfileTransform(&t, ProfilePath().c_str());
  Check(answer == 0 || (answer <= -2 && answer >= -8));
  Check(answer == 0 ? (t.mode == kTransformMatrix || t.mode == kTransformTable) : t.mode == kTransformNone);
  Check((t.table != nullptr) == (t.mode == kTransformTable));
  BYTE pixels[3 * 64];
  for (int i = 0; i < 64; ++i) {
    pixels[3 * i] = BYTE(i * 4);
    pixels[3 * i + 1] = BYTE(255 - i * 4);
    pixels[3 * i + 2] = BYTE(i * 37);
  }
  ApplyTransform(&t, pixels, pixels, 64);
  Check(FreeTransform(&t) == 0);
  Check(pk::seams::GlobalLiveBlocks() == live);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  icc_profile_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include "icc_test_profiles.h"

namespace {

// The fixed budget: random bytes after a plausible head, and single-byte
// mutations of a matrix profile and a scanner profile.
TEST(IccProfileFuzz, FixedBudgetRunsClean) {
  using namespace pk::test;
  std::vector<IccTag> tags = SrgbColorants();
  for (const char* c : {"rTRC", "gTRC", "bTRC"}) tags.push_back({c, CurveTag({0, 1000, 30000, 65535})});
  tags.push_back({"wtpt", XyzTag(0.9505, 1, 1.089)});
  const auto monitor = MakeIccProfile("mntr", "RGB ", "XYZ ", tags);
  std::vector<uint8_t> lut = {'m', 'f', 't', '2', 0, 0, 0, 0, 3, 3, 2, 0};
  lut.resize(48, 0);
  lut.insert(lut.end(), {0, 2, 0, 2});
  for (int i = 0; i < 6 + 24 + 6; ++i) lut.insert(lut.end(), {uint8_t(i * 7), uint8_t(i * 13)});
  const auto scanner = MakeIccProfile("scnr", "RGB ", "Lab ", {{"A2B0", lut}, {"wtpt", XyzTag(0.96, 1, 0.82)}});
  std::mt19937 rng(47);
  for (int iter = 0; iter < 800; ++iter) {
    std::vector<uint8_t> input = (iter % 3 == 0) ? monitor : (iter % 3 == 1) ? scanner : std::vector<uint8_t>();
    if (input.empty()) {
      input = monitor;
      input.resize(132 + rng() % 200);
      for (size_t i = 128; i < input.size(); ++i) input[i] = uint8_t(rng());
    } else {
      for (int k = 0; k < 4; ++k) input[rng() % input.size()] = uint8_t(rng());
    }
    icc_profile_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
