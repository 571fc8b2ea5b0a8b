// The compression library Orvcomp through its C entry points: kind 1 codes
// MMR and kind 2 MH with end-of-line codes; each code, wrapped here in a
// one-strip TIFF, passes tiffcp and gives the image back through tifftopnm.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  pclose(p);
  return out;
}

void Put(Bytes& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back((unsigned char)(v >> (8 * i)));
}

// A little-endian one-strip bilevel TIFF (MinIsWhite) around the code.
Bytes WrapInTiff(const Bytes& code, uint32_t width, uint32_t height, uint16_t compression) {
  struct Entry {
    uint16_t tag, type;
    uint32_t value;
  };
  std::vector<Entry> entries = {{256, 4, width},       {257, 4, height}, {258, 3, 1},
                                {259, 3, compression}, {262, 3, 0},      {273, 4, 0},
                                {277, 3, 1},           {278, 4, height}, {279, 4, uint32_t(code.size())}};
  if (compression == 3) entries.push_back({292, 4, 0});
  const uint32_t dataOffset = 8 + 2 + uint32_t(entries.size()) * 12 + 4;
  Bytes t = {'I', 'I', 42, 0};
  Put(t, 8, 4);
  Put(t, uint32_t(entries.size()), 2);
  for (Entry e : entries) {
    if (e.tag == 273) e.value = dataOffset;
    Put(t, e.tag, 2);
    Put(t, e.type, 2);
    Put(t, 1, 4);
    Put(t, e.value, 4);  // a SHORT sits in the first two bytes
  }
  Put(t, 0, 4);
  t.insert(t.end(), code.begin(), code.end());
  return t;
}

class OrvcompTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = dlopen(PK_ORVCOMP, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
    load_ = reinterpret_cast<void* (*)()>(dlsym(module_, "kzcmp_LoadCompress"));
    init_ = reinterpret_cast<int (*)(void*, int, int, int, int)>(dlsym(module_, "kzcmp_InitBitmap"));
    compress_ =
        reinterpret_cast<int (*)(void*, const unsigned char*, int, unsigned*)>(dlsym(module_, "kzcmp_CompressBitmap"));
    get_ = reinterpret_cast<int (*)(void*, unsigned char*)>(dlsym(module_, "kzcmp_GetBitmap"));
    finish_ = reinterpret_cast<int (*)(void*)>(dlsym(module_, "kzcmp_FinishBitmap"));
    free_ = reinterpret_cast<int (*)(void*)>(dlsym(module_, "kzcmp_FreeCompress"));
    ASSERT_TRUE(load_ && init_ && compress_ && get_ && finish_ && free_);
    folder_ = std::filesystem::temp_directory_path() / ("orvcomp_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::filesystem::remove_all(folder_);
    if (module_) dlclose(module_);
  }

  // The code of one image, or empty when a call failed.
  Bytes Code(int kind, const Bytes& image, int width, int height) {
    void* h = load_();
    if (!h) return {};
    Bytes code;
    unsigned size = 0;
    if (init_(h, kind, width, height, (width + 7) / 8) == 0 && compress_(h, image.data(), height, &size) == 0) {
      code.resize(size);
      if (get_(h, code.data()) != 0) code.clear();
    }
    EXPECT_EQ(finish_(h), 0);
    EXPECT_EQ(free_(h), 0);
    return code;
  }

  void* module_ = nullptr;
  void* (*load_)() = nullptr;
  int (*init_)(void*, int, int, int, int) = nullptr;
  int (*compress_)(void*, const unsigned char*, int, unsigned*) = nullptr;
  int (*get_)(void*, unsigned char*) = nullptr;
  int (*finish_)(void*) = nullptr;
  int (*free_)(void*) = nullptr;
  std::filesystem::path folder_;
};

// A page-like bilevel image: frames, text-like dashes and a diagonal.
Bytes Page(int width, int height) {
  const int rowBytes = (width + 7) / 8;
  Bytes image(size_t(rowBytes) * height, 0);
  auto set = [&](int x, int y) { image[size_t(y) * rowBytes + x / 8] |= (unsigned char)(0x80 >> (x % 8)); };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool frame = x < 3 || y < 3 || x >= width - 3 || y >= height - 3;
      const bool dash = (y / 6) % 3 == 1 && (x / 5) % 4 != 3 && x > 20 && x < width - 20;
      if (frame || dash || x == y) set(x, y);
    }
  return image;
}

TEST_F(OrvcompTest, CodesPassTiffcpAndDecodeBack) {
  struct Case {
    int kind;
    uint16_t compression;
  };
  const int width = 301, height = 157;
  const Bytes image = Page(width, height);
  for (Case c : {Case{1, 4}, Case{2, 3}}) {
    const Bytes code = Code(c.kind, image, width, height);
    ASSERT_FALSE(code.empty()) << c.kind;
    EXPECT_LT(code.size(), image.size()) << c.kind;
    const std::string tiff = (folder_ / ("kind" + std::to_string(c.kind) + ".tif")).string();
    const Bytes file = WrapInTiff(code, width, height, c.compression);
    std::ofstream(tiff, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const std::string copy = tiff + ".copy.tif";
    EXPECT_EQ(RunCommand("tiffcp '" + tiff + "' '" + copy + "' 2>&1"), "") << c.kind;
    EXPECT_TRUE(std::filesystem::exists(copy)) << c.kind;
    const std::string pbm = RunCommand("tifftopnm '" + tiff + "' 2>/dev/null");
    const std::string header = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    ASSERT_EQ(pbm.substr(0, header.size()), header) << c.kind;
    EXPECT_EQ(Bytes(pbm.begin() + long(header.size()), pbm.end()), image) << c.kind;
  }
}

TEST_F(OrvcompTest, CallsOutOfOrderOrWithBadArgumentsFail) {
  void* h = load_();
  ASSERT_NE(h, nullptr);
  unsigned size = 0;
  const Bytes image(16, 0);
  unsigned char out[64];
  EXPECT_NE(compress_(h, image.data(), 8, &size), 0);  // before init
  EXPECT_NE(get_(h, out), 0);
  EXPECT_NE(finish_(h), 0);
  EXPECT_NE(init_(h, 3, 16, 8, 2), 0);  // unknown kind
  EXPECT_NE(init_(h, 1, 16, 8, 3), 0);  // row bytes not (width + 7) / 8
  EXPECT_NE(init_(h, 1, 0, 8, 0), 0);
  ASSERT_EQ(init_(h, 1, 16, 8, 2), 0);
  EXPECT_NE(compress_(h, image.data(), 9, &size), 0);  // more rows than begun
  EXPECT_NE(compress_(h, nullptr, 8, &size), 0);
  EXPECT_NE(get_(h, out), 0);  // nothing coded yet
  ASSERT_EQ(compress_(h, image.data(), 8, &size), 0);
  EXPECT_GT(size, 0u);
  EXPECT_EQ(get_(h, out), 0);
  EXPECT_EQ(finish_(h), 0);
  EXPECT_EQ(free_(h), 0);
  EXPECT_NE(free_(nullptr), 0);
  EXPECT_NE(init_(nullptr, 1, 16, 8, 2), 0);
}

TEST_F(OrvcompTest, ManyRoundsLeaveNothingBehind) {
  // Leaks of any round are reported by the leak checker at exit.
  const Bytes image = Page(200, 60);
  for (int round = 0; round < 200; ++round) ASSERT_FALSE(Code(1 + round % 2, image, 200, 60).empty()) << round;
}

}  // namespace
