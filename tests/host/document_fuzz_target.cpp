// The host document fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of documents with images.
#include "document_fuzz_target.h"

#include <cstring>
#include <fstream>
#include <vector>

#include "host/document.h"
#include "host/pnm_image.h"
#include "platform/win/win_seams.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

int document_fuzz_one(const uint8_t* data, size_t size, const std::string& folder) {
  const auto* end = static_cast<const uint8_t*>(size ? std::memchr(data, 0, size) : nullptr);
  size_t textSize = end ? size_t(end - data) : size;
  std::string text(reinterpret_cast<const char*>(data), textSize);
  std::string image = textSize < size
                          ? std::string(reinterpret_cast<const char*>(data) + textSize + 1, size - textSize - 1)
                          : std::string();
  {
    std::ofstream f(folder + "/f.pnm", std::ios::binary | std::ios::trunc);
    f.write(image.data(), std::streamsize(image.size()));
  }
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T handles = pk::seams::LiveHandles();
  std::string error;
  std::shared_ptr<pkhost::Bitmap> bitmap = pkhost::ReadPnm(image, &error);
  Check(bitmap ? error.empty() : !error.empty());
  if (bitmap) Check(bitmap->bits.size() == bitmap->stride() * size_t(bitmap->height));
  pkhost::Document doc;
  error.clear();
  bool parsed = pkhost::ParseDocument(text, "doc", folder, &doc, &error);
  Check(parsed || error.rfind("doc:", 0) == 0);
  Check(pk::seams::GlobalLiveBlocks() == blocks);
  Check(pk::seams::LiveHandles() == handles);
  return parsed;
}

#ifdef PK_LIBFUZZER
namespace {
std::string g_folder;
}
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_folder = pk::seams::UseTemporaryMachineRoot();
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  document_fuzz_one(data, size, g_folder);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<uint8_t> Input(const std::string& document, const std::string& image) {
  std::vector<uint8_t> v(document.begin(), document.end());
  v.push_back(0);
  v.insert(v.end(), image.begin(), image.end());
  return v;
}

TEST(DocumentFuzz, FixedBudgetRunsClean) {
  std::string folder = pk::seams::UseTemporaryMachineRoot();
  const std::vector<uint8_t> seeds[] = {
      Input("document \"Fuzz\"\nunit mm\npen 0.5 #102030 dash\nbrush hatch cross #FF0000 #00FF00\n"
            "rect 10 10 50 40\nfont sans 12 bold angle 30\ntext 5 5 \"Hello\"\n"
            "path winding move 1 1 line 9 1 bezier 9 9 5 12 1 9 close strokefill\n"
            "image 20 20 30 20 \"f.pnm\"\nclip 0 0 100 100\nrop 0xCCCC\nescape 4097 in 0102 out 8\n"
            "page\nresetdc set 14=600\npolygon alternate 0 0 10 0 5 8\nabort\n",
            std::string("P6 2 2 255\n") + std::string(12, '\x7F')),
      Input("image 0 0 4 4 \"f.pnm\"\n", "P2 2 2 65535\n1 2\n65535 0\n"),
      Input("image 0 0 9 9 \"f.pnm\"\n", std::string("P4 9 2\n") + std::string(4, '\xA5')),
  };
  for (const auto& seed : seeds) EXPECT_EQ(document_fuzz_one(seed.data(), seed.size(), folder), 1);
  std::mt19937 rng(4107);
  for (int iter = 0; iter < 2000; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 5 == 0) {
      input.resize(rng() % 200);
      for (auto& v : input) v = static_cast<uint8_t>(rng() % 3 ? ' ' + rng() % 95 : rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % 3];
      int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        size_t at = rng() % input.size();
        switch (rng() % 4) {
          case 0: input[at] = static_cast<uint8_t>('0' + rng() % 10); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input.insert(input.begin() + at, static_cast<uint8_t>(rng() % 2 ? '9' : '\n')); break;
          default: input.resize(at + 1); break;
        }
      }
    }
    document_fuzz_one(input.data(), input.size(), folder);
  }
}

}  // namespace
#endif
