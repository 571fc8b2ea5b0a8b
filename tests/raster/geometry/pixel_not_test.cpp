// Bitwise inversion of lines: sample values of every depth, the spare bits,
// short lines, refusals, and byte equality with netpbm's pnminvert.
#include "raster/geometry/rst_pixel_not.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "line_source.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status_recorder.h"

namespace {

class PixelNot : public RstStatusTest {};

Bytes words(std::initializer_list<uint16_t> v) {
  Bytes b(v.size() * 2);
  std::memcpy(b.data(), std::data(v), b.size());
  return b;
}

TEST_F(PixelNot, InvertsEverySampleAndSpareBit) {
  struct Case {
    const char* name;
    RstHeader header;
    Bytes in, out;
  } cases[] = {
      {"8-bit gray", image_header(3, 1, 8, 1, RstColorType::s_gray()), {0, 17, 255}, {255, 238, 0}},
      {"16-bit", image_header(3, 1, 16, 1, RstColorType::s_gray()), words({0, 1000, 65535}), words({65535, 64535, 0})},
      {"1-bit with spare bits", image_header(12, 1, 1, 1, RstColorType::s_gray()), {0xF0, 0x0F}, {0x0F, 0xF0}},
      {"RGB, long line",
       image_header(5, 1, 8, 3, RstColorType::s_rgb()),
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
       {254, 253, 252, 251, 250, 249, 248, 247, 246, 245, 244, 243, 242, 241, 240}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* src = new LineSource(c.header, {c.in});
    Held<> node(RstPixelNot::create(src));
    ASSERT_NE(node, nullptr);
    RstHeader h(node.get());
    EXPECT_EQ(h.bits_per_sample, c.header.bits_per_sample);
    EXPECT_EQ(h.color_type, c.header.color_type);
    EXPECT_EQ(pull(node.get()), std::vector<Bytes>{c.out});
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PixelNot, ShortLineEndsSkipAndResetForward) {
  auto* src =
      new LineSource(image_header(3, 4, 8, 1, RstColorType::s_gray()), {{1, 2, 3}, {4, 5, 6}, {7, 8}, {9, 9, 9}});
  Held<> node(RstPixelNot::create(src));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->line_size(), 3);
  EXPECT_EQ(node->skip(1), 1);
  EXPECT_EQ(src->last_skip, 1);
  EXPECT_EQ(pull(node.get()), (std::vector<Bytes>{{251, 250, 249}})) << "the short third line ends the image";
  node->reset();
  EXPECT_EQ(src->resets, 1);
  EXPECT_EQ(first_line(node.get()), (Bytes{254, 253, 252}));
}

TEST_F(PixelNot, RefusesMissingIndexedAndCodedSources) {
  EXPECT_EQ(RstPixelNot::create(nullptr), nullptr);
  RstHeader indexed = image_header(2, 1, 8, 1, RstColorType::s_rgb());
  indexed.colormap.reset(new RstColormap(8, 3, 2));
  for (const RstHeader& h : {indexed, image_header(8, 1, 8, 1, nullptr, RstDataForm::rle_n),
                             image_header(8, 1, 1, 1, nullptr, RstDataForm::mmr)}) {
    auto* src = new LineSource(h, {});
    EXPECT_EQ(RstPixelNot::create(src), nullptr);
    src->end();
  }
  std::vector<RstReport> expected{{-2, "RstPixelNot::create()"},
                                  {-50, "RstPixelNot::create()"},
                                  {-50, "RstPixelNot::create()"},
                                  {-50, "RstPixelNot::create()"}};
  EXPECT_EQ(status.errors(), expected);
}

// A binary netpbm image: magic, size, maxval, samples.
struct Netpbm {
  std::string magic;
  int32_t width = 0, height = 0, maxval = 0;
  Bytes samples;
};

bool write_netpbm(const std::string& path, const Netpbm& img) {
  std::ofstream f(path, std::ios::binary);
  f << img.magic << "\n" << img.width << " " << img.height << "\n" << img.maxval << "\n";
  f.write(reinterpret_cast<const char*>(img.samples.data()), std::streamsize(img.samples.size()));
  return bool(f);
}

bool read_netpbm(const std::string& path, Netpbm& img) {
  std::ifstream f(path, std::ios::binary);
  f >> img.magic >> img.width >> img.height >> img.maxval;
  f.get();
  int spp = img.magic == "P6" ? 3 : 1;
  img.samples.assign(size_t(img.width) * size_t(img.height) * size_t(spp), 0);
  f.read(reinterpret_cast<char*>(img.samples.data()), std::streamsize(img.samples.size()));
  return size_t(f.gcount()) == img.samples.size();
}

TEST_F(PixelNot, MatchesPnminvert) {
  for (const char* magic : {"P5", "P6"}) {
    SCOPED_TRACE(magic);
    int spp = std::string(magic) == "P6" ? 3 : 1;
    Netpbm img{magic, 37, 11, 255, {}};
    for (int i = 0; i < img.width * img.height * spp; ++i) img.samples.push_back(uint8_t(i * 7 + i / 5));
    std::string in = ::testing::TempDir() + "pixel_not_in.pnm", out = ::testing::TempDir() + "pixel_not_out.pnm";
    ASSERT_TRUE(write_netpbm(in, img));
    ASSERT_EQ(std::system(("pnminvert " + in + " > " + out).c_str()), 0);
    Netpbm theirs;
    ASSERT_TRUE(read_netpbm(out, theirs));
    std::remove(in.c_str());
    std::remove(out.c_str());

    RstHeader h =
        image_header(img.width, img.height, 8, spp, spp == 3 ? RstColorType::s_rgb() : RstColorType::s_gray());
    Held<> node(
        RstPixelNot::create(RstReadRawFromByteArray::create(img.samples.data(), h, img.width * spp, false, false)));
    ASSERT_NE(node, nullptr);
    Bytes ours;
    for (const Bytes& line : pull(node.get())) ours.insert(ours.end(), line.begin(), line.end());
    EXPECT_TRUE(ours == theirs.samples);
  }
}

}  // namespace
