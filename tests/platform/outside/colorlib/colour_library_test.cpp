// The colour library through its C entry points: loading its data file,
// the parameter protocol, the conversion through the mode's table, answers
// for bad handles and calls out of order, and no memory kept across rounds;
// the data file's reader and writer.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/outside/colorlib/colour_data_file.h"
#include "platform/outside/colorlib/colour_library_calls.h"
#include "platform/win/win_seams.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define PK_ASAN 1
#endif
#ifdef PK_ASAN
// The sanitizer runtime counts the bytes held by the program.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

size_t AllocatedBytes() {
#ifdef PK_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

struct Library {
  ClxLoadCall load;
  ClxFreeCall free;
  ClxBeginCall begin;
  ClxCreateParamCall param;
  ClxEndCall end;
  ClxDeleteParamCall remove;
  ClxConvertCall convert;
};

class ColourLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = pk::seams::UseTemporaryMachineRoot();
    void* module = dlopen(PK_ORVCOLOR, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    void* entries[7];
    for (int i = 0; i < 7; ++i) {
      entries[i] = dlsym(module, kColourLibraryEntryNames[i]);
      ASSERT_NE(entries[i], nullptr) << kColourLibraryEntryNames[i];
    }
    lib_ = {reinterpret_cast<ClxLoadCall>(entries[0]),   reinterpret_cast<ClxFreeCall>(entries[1]),
            reinterpret_cast<ClxBeginCall>(entries[2]),  reinterpret_cast<ClxCreateParamCall>(entries[3]),
            reinterpret_cast<ClxEndCall>(entries[4]),    reinterpret_cast<ClxDeleteParamCall>(entries[5]),
            reinterpret_cast<ClxConvertCall>(entries[6])};
  }
  // Writes a data file into the machine root: its Windows path.
  std::string WriteData(const std::string& description, const char* name = "test.CLX") {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(WriteColourData(description, &bytes, &error)) << error;
    std::filesystem::create_directories(root_ + "/c/data");
    std::ofstream(root_ + "/c/data/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return std::string("C:\\data\\") + name;
  }
  std::string root_;
  Library lib_{};
};

const char kDescription[] = "# test data\nmode 1 identity\nmode 2 swap-red-blue  # red and blue change places\n";

TEST_F(ColourLibraryTest, SwapTableConvertsPixels) {
  const uint32_t h = lib_.load(WriteData(kDescription).c_str());
  ASSERT_NE(h, 0u);
  ColourLibraryInfo info{};
  ASSERT_EQ(lib_.begin(h, 2, &info), 0);
  EXPECT_EQ(info.mode, 2u);
  std::vector<uint8_t> pixels = {0, 0, 255, 10, 200, 30, 255, 255, 255};
  ASSERT_EQ(lib_.param(h, pixels.data(), 3, 1), 0);
  ASSERT_EQ(lib_.end(h, nullptr, &info), 0);
  EXPECT_EQ(info.images, 1u);
  std::vector<uint8_t> out(pixels.size());
  ASSERT_EQ(lib_.convert(h, pixels.data(), out.data(), 3, 1), 0);
  // Blue-green-red (0, 0, 255), pure red, becomes pure blue.
  EXPECT_EQ(out, (std::vector<uint8_t>{255, 0, 0, 30, 200, 10, 255, 255, 255}));
  EXPECT_EQ(lib_.remove(h, nullptr, nullptr), 0);
  // After the parameters are gone, nothing converts until they are made again.
  EXPECT_NE(lib_.convert(h, pixels.data(), out.data(), 3, 1), 0);
  EXPECT_EQ(lib_.free(h), 0);
}

TEST_F(ColourLibraryTest, IdentityOrMissingModeNeedsNoConversion) {
  const uint32_t h = lib_.load(WriteData(kDescription).c_str());
  ASSERT_NE(h, 0u);
  for (uint8_t mode : {1, 7, 0}) {
    ColourLibraryInfo info{};
    ASSERT_EQ(lib_.begin(h, mode, &info), 0);
    EXPECT_EQ(lib_.end(h, nullptr, &info), 1) << int(mode);
  }
  EXPECT_EQ(lib_.free(h), 0);

  // The default printer's data file holds identity tables only.
  const std::string defaultData = std::filesystem::path(PK_ORVCOLOR).parent_path() / "ORVC3600.CLX";
  ColourData data;
  ASSERT_TRUE(LoadColourData(defaultData, &data));
  ASSERT_TRUE(data.tables[1] && data.tables[2]);
  EXPECT_EQ(*data.tables[1], IdentityColourTable());
  EXPECT_EQ(*data.tables[2], IdentityColourTable());
}

TEST_F(ColourLibraryTest, BadHandlesAndCallsOutOfOrder) {
  uint8_t px[3] = {1, 2, 3}, out[3];
  ColourLibraryInfo info{};
  for (uint32_t bad : {0u, 12345u}) {
    EXPECT_NE(lib_.free(bad), 0);
    EXPECT_NE(lib_.begin(bad, 2, &info), 0);
    EXPECT_NE(lib_.param(bad, px, 1, 1), 0);
    EXPECT_NE(lib_.end(bad, nullptr, &info), 0);
    EXPECT_NE(lib_.remove(bad, nullptr, nullptr), 0);
    EXPECT_NE(lib_.convert(bad, px, out, 1, 1), 0);
  }
  EXPECT_EQ(lib_.load(nullptr), 0u);
  EXPECT_EQ(lib_.load("C:\\data\\none.CLX"), 0u);
  const uint32_t h = lib_.load(WriteData(kDescription).c_str());
  ASSERT_NE(h, 0u);
  EXPECT_NE(lib_.param(h, px, 1, 1), 0);         // before Begin
  EXPECT_NE(lib_.end(h, nullptr, &info), 0);     // before Begin
  EXPECT_NE(lib_.convert(h, px, out, 1, 1), 0);  // before End
  ASSERT_EQ(lib_.begin(h, 2, nullptr), 0);
  EXPECT_NE(lib_.param(h, nullptr, 1, 1), 0);
  ASSERT_EQ(lib_.end(h, nullptr, nullptr), 0);
  EXPECT_NE(lib_.convert(h, nullptr, out, 1, 1), 0);
  EXPECT_EQ(lib_.free(h), 0);
  EXPECT_NE(lib_.free(h), 0);  // once only
}

TEST_F(ColourLibraryTest, RoundsLeakNothing) {
  const std::string path = WriteData(kDescription);
  std::vector<uint8_t> pixels(3 * 64, 77), out(pixels.size());
  auto round = [&] {
    const uint32_t h = lib_.load(path.c_str());
    ASSERT_NE(h, 0u);
    ColourLibraryInfo info{};
    ASSERT_EQ(lib_.begin(h, 2, &info), 0);
    ASSERT_EQ(lib_.param(h, pixels.data(), 8, 8), 0);
    ASSERT_EQ(lib_.end(h, nullptr, &info), 0);
    ASSERT_EQ(lib_.convert(h, pixels.data(), out.data(), 8, 8), 0);
    ASSERT_EQ(lib_.remove(h, nullptr, &info), 0);
    ASSERT_EQ(lib_.free(h), 0);
  };
  round();
  const size_t before = AllocatedBytes();
  for (int i = 0; i < 200; ++i) round();
  EXPECT_LE(AllocatedBytes(), before + 4096);
}

TEST(ColourDataFile, WriterAndReader) {
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(WriteColourData("mode 3 matrix 0 0 1 0 1 0 1 0 0\nmode 9 identity\n", &bytes, &error)) << error;
  EXPECT_EQ(bytes.size(), 16 + 2 * 8 + 2 * kColourTableBytes);
  ColourData data;
  ASSERT_TRUE(ParseColourData(bytes.data(), bytes.size(), &data));
  std::vector<uint8_t> swap;
  ASSERT_TRUE(WriteColourData("mode 3 swap-red-blue", &swap, &error));
  ColourData swapped;
  ASSERT_TRUE(ParseColourData(swap.data(), swap.size(), &swapped));
  EXPECT_EQ(*data.tables[3], *swapped.tables[3]);
  EXPECT_EQ(*data.tables[9], IdentityColourTable());
  for (int m = 0; m < 256; ++m)
    if (m != 3 && m != 9) EXPECT_FALSE(data.tables[m]) << m;

  for (const char* bad : {"mode 0 identity", "mode 256 identity", "mode 1 sepia", "mode 1 identity extra",
                          "mode 1 matrix 1 2 3", "colour 1 identity", "mode 1 identity\nmode 1 identity"}) {
    EXPECT_FALSE(WriteColourData(bad, &bytes, &error)) << bad;
    EXPECT_NE(error.find("line"), std::string::npos);
  }

  // Files that are not whole are refused.
  std::vector<uint8_t> good;
  ASSERT_TRUE(WriteColourData("mode 1 identity\nmode 2 identity", &good, &error));
  auto edit = [&](size_t at, uint8_t v) {
    auto b = good;
    b[at] = v;
    return b;
  };
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } refused[] = {
      {"signature", edit(0, 'X')},
      {"version", edit(8, 2)},
      {"grid", edit(10, 16)},
      {"count past the directory", edit(12, 200)},
      {"mode 0", edit(16, 0)},
      {"mode twice", edit(24, 1)},
      {"table past the end", edit(21, 0xFF)},
      {"table inside the directory", edit(20, 4)},
      {"cut", std::vector<uint8_t>(good.begin(), good.end() - 1)},
      {"empty", {}},
  };
  for (const auto& c : refused) {
    ColourData d;
    EXPECT_FALSE(ParseColourData(c.bytes.data(), c.bytes.size(), &d)) << c.name;
  }
}

// The writer program beside the library.
TEST(ColourDataFile, WriterProgram) {
  const std::string dir = ::testing::TempDir();
  std::ofstream(dir + "desc.txt") << kDescription;
  const std::string command = std::string(PK_CLXWRITE) + " " + dir + "desc.txt " + dir + "out.CLX";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ColourData data;
  ASSERT_TRUE(LoadColourData(dir + "out.CLX", &data));
  EXPECT_TRUE(data.tables[1] && data.tables[2]);
  std::ofstream(dir + "bad.txt") << "mode x\n";
  EXPECT_NE(std::system((std::string(PK_CLXWRITE) + " " + dir + "bad.txt " + dir + "bad.CLX 2>/dev/null").c_str()), 0);
}

}  // namespace
