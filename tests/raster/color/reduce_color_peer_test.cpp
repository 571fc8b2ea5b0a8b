// Palette reduction against peers: Leptonica's octcube reduction onto a given
// colormap builds the same inverse map (level-5 cells, centres at +4, plain
// squared distance, lowest index on ties) and must give every pixel the same
// index; netpbm's pnmremap, which searches every pixel exactly, must give the
// same colours for pixels that are cell centres themselves.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "color_test_support.h"
#include "raster/color/rst_reduce_color.h"
#include "raster/core/rst_status_recorder.h"

#ifdef PK_HAVE_LEPTONICA
#include <leptonica/allheaders.h>
#endif

namespace {

class ReduceColorPeer : public RstStatusTest {};

using Map = RstCountedPtr<RstColormap>;

struct Rgb {
  int32_t width = 0, height = 0;
  Bytes pixels;  // 3 bytes a pixel, rows one after the other
};

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string temp_path(const std::string& name) {
  return ::testing::TempDir() + "reduce_color_" + std::to_string(getpid()) + "_" + name;
}

// A binary 8-bit PPM (P6) with comments and any white space in its header.
bool read_ppm(const std::string& path, Rgb& img) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  f >> magic;
  if (magic != "P6") return false;
  int values[3], got = 0;
  while (got < 3 && f) {
    f >> std::ws;
    if (f.peek() == '#') {
      std::string comment;
      std::getline(f, comment);
      continue;
    }
    f >> values[got++];
  }
  if (got < 3 || values[2] != 255) return false;
  f.get();
  img.width = values[0];
  img.height = values[1];
  img.pixels.resize(size_t(img.width) * size_t(img.height) * 3);
  f.read(reinterpret_cast<char*>(img.pixels.data()), std::streamsize(img.pixels.size()));
  return bool(f);
}

void write_ppm(const std::string& path, const Rgb& img) {
  std::ofstream f(path, std::ios::binary);
  f << "P6\n" << img.width << ' ' << img.height << "\n255\n";
  f.write(reinterpret_cast<const char*>(img.pixels.data()), std::streamsize(img.pixels.size()));
}

Rgb random_page(int32_t width, int32_t height, uint32_t seed) {
  std::mt19937 rng(seed);
  Rgb img{width, height, Bytes(size_t(width) * size_t(height) * 3)};
  for (auto& v : img.pixels) v = uint8_t(rng());
  return img;
}

// Random entries with entry 1 repeated at the end.
Map random_map(int entries, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> s;
  for (int k = 0; k < (entries - 1) * 3; ++k) s.push_back(rng() & 0xFF);
  s.insert(s.end(), s.begin() + 3, s.begin() + 6);
  return Map(colormap_of(8, 3, s));
}

std::vector<Bytes> reduce(const Rgb& img, const Map& map) {
  std::vector<Bytes> rows;
  for (int32_t y = 0; y < img.height; ++y)
    rows.emplace_back(img.pixels.begin() + 3 * size_t(img.width) * size_t(y),
                      img.pixels.begin() + 3 * size_t(img.width) * size_t(y + 1));
  Held<> node(RstReduceColor8x3To8CCmap::create(
      new LineSource(image_header(img.width, img.height, 8, 3, RstColorType::s_rgb()), std::move(rows)), map));
  EXPECT_NE(node, nullptr);
  return node ? pull(node.get()) : std::vector<Bytes>();
}

#ifdef PK_HAVE_LEPTONICA

void check_against_leptonica(const Rgb& img, const Map& map, const std::string& what) {
  SCOPED_TRACE(what + ", " + std::to_string(map->entries()) + " entries");
  PIX* pix = pixCreate(img.width, img.height, 32);
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      const uint8_t* p = &img.pixels[3 * (size_t(y) * size_t(img.width) + size_t(x))];
      l_uint32 v;
      composeRGBPixel(p[0], p[1], p[2], &v);
      pixSetPixel(pix, x, y, v);
    }
  PIXCMAP* cmap = pixcmapCreate(8);
  for (int e = 0; e < map->entries(); ++e) {
    const uint8_t* c = map->data() + 3 * e;
    pixcmapAddColor(cmap, c[0], c[1], c[2]);
  }
  PIX* peer = pixOctcubeQuantFromCmap(pix, cmap, 8, 5, L_EUCLIDEAN_DISTANCE);
  ASSERT_NE(peer, nullptr);
  auto ours = reduce(img, map);
  ASSERT_EQ(ours.size(), size_t(img.height));
  int mismatches = 0;
  for (int32_t y = 0; y < img.height; ++y)
    for (int32_t x = 0; x < img.width; ++x) {
      l_uint32 v = 0;
      pixGetPixel(peer, x, y, &v);
      mismatches += ours[size_t(y)][size_t(x)] != v;
    }
  EXPECT_EQ(mismatches, 0);
  pixDestroy(&peer);
  pixcmapDestroy(&cmap);
  pixDestroy(&pix);
}

TEST_F(ReduceColorPeer, LeptonicaOnRandomPages) {
  for (int entries : {16, 200}) {
    check_against_leptonica(random_page(301, 67, uint32_t(entries)), random_map(entries, 3 + uint32_t(entries)),
                            "random page");
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(ReduceColorPeer, LeptonicaOnTheRose) {
  if (!have("convert")) GTEST_SKIP() << "ImageMagick missing";
  std::string path = temp_path("rose.ppm");
  Rgb rose;
  bool made = std::system(("convert rose: -depth 8 " + path).c_str()) == 0 && read_ppm(path, rose);
  std::remove(path.c_str());
  ASSERT_TRUE(made);
  for (int entries : {16, 200}) check_against_leptonica(rose, random_map(entries, uint32_t(entries)), "rose");
  EXPECT_TRUE(status.errors().empty());
}

#endif  // PK_HAVE_LEPTONICA

long distance(const uint8_t* a, const uint8_t* b) {
  long d = 0;
  for (int c = 0; c < 3; ++c) d += long(a[c] - b[c]) * (a[c] - b[c]);
  return d;
}

TEST_F(ReduceColorPeer, CellCentresMapLikePnmremap) {
  if (!have("pnmremap")) GTEST_SKIP() << "netpbm missing";
  std::mt19937 rng(7);
  Rgb img{64, 32, {}};
  for (int32_t k = 0; k < img.width * img.height * 3; ++k) img.pixels.push_back(uint8_t(4 + 8 * (rng() % 32)));
  for (int entries : {16, 200}) {
    SCOPED_TRACE(entries);
    Map map = random_map(entries, 40 + uint32_t(entries));
    Rgb palette{entries, 1, Bytes(map->data(), map->data() + 3 * entries)};
    std::string in = temp_path("in.ppm"), map_file = temp_path("map.ppm"), out = temp_path("out.ppm");
    write_ppm(in, img);
    write_ppm(map_file, palette);
    Rgb peer;
    bool made = std::system(("pnmremap -quiet -nofloyd -mapfile=" + map_file + " " + in + " > " + out).c_str()) == 0 &&
                read_ppm(out, peer);
    std::remove(in.c_str());
    std::remove(map_file.c_str());
    std::remove(out.c_str());
    ASSERT_TRUE(made);
    ASSERT_EQ(peer.pixels.size(), img.pixels.size());
    auto ours = reduce(img, map);
    ASSERT_EQ(ours.size(), size_t(img.height));
    int differing = 0;
    for (int32_t y = 0; y < img.height; ++y)
      for (int32_t x = 0; x < img.width; ++x) {
        size_t at = 3 * (size_t(y) * size_t(img.width) + size_t(x));
        const uint8_t* mine = map->data() + 3 * ours[size_t(y)][size_t(x)];
        const uint8_t* theirs = &peer.pixels[at];
        // Two different entries equally near may be chosen either way; the
        // distance must be the same.
        if (std::memcmp(mine, theirs, 3) != 0 && distance(mine, &img.pixels[at]) != distance(theirs, &img.pixels[at]))
          ++differing;
      }
    EXPECT_EQ(differing, 0);
  }
  EXPECT_TRUE(status.errors().empty());
}

}  // namespace
