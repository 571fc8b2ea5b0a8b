// The private profile fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of settings files.
#include "profile_fuzz_target.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

bool profile_fuzz_one(const uint8_t* data, size_t size) {
  static const std::string root = pk::seams::UseTemporaryMachineRoot();
  std::filesystem::create_directories(root + "/c/fuzz");
  {
    std::ofstream f(root + "/c/fuzz/a.ini", std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  const char* file = "C:\\fuzz\\a.ini";
  static const char* const kKeys[] = {"WINDOWFLAG", "XPOINT", "YSIZE_IMAGE", "", "="};
  for (const char* key : kKeys) GetPrivateProfileIntA("WINDOWINFO", key, 7, file);
  if (!WritePrivateProfileStringA("WINDOWINFO", "XPOINT", "-20", file)) return false;
  return GetPrivateProfileIntA("WINDOWINFO", "XPOINT", 0, file) == UINT(-20);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  profile_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

TEST(ProfileFuzzTest, FixedBudgetOfRandomAndMutatedFiles) {
  std::mt19937 rng(20261211);
  const std::vector<std::string> seeds = {
      "[WINDOWINFO]\r\nWINDOWFLAG=5\r\nXPOINT=10\r\nYPOINT=20\r\n",
      "[a]\nx=1\n[WINDOWINFO]\nXPOINT = +12abc\n[b]\n",
      "[WINDOWINFO\r\n=3\r\n[]\r\nXPOINT\r\n",
      "",
  };
  const std::string alphabet = "[]=\r\n \t-+0123456789WINDOWFLAGXPOINTinfo;\x00\xff";
  for (int round = 0; round < 300; ++round) {
    std::string input = seeds[size_t(rng()) % seeds.size()];
    int edits = int(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      size_t at = input.empty() ? 0 : size_t(rng()) % (input.size() + 1);
      char c = alphabet[size_t(rng()) % alphabet.size()];
      switch (rng() % 3) {
        case 0: input.insert(input.begin() + long(at), c); break;
        case 1:
          if (at < input.size()) input.erase(input.begin() + long(at));
          break;
        default:
          if (at < input.size()) input[at] = c;
          break;
      }
    }
    ASSERT_TRUE(profile_fuzz_one(reinterpret_cast<const uint8_t*>(input.data()), input.size())) << round;
  }
}
#endif
