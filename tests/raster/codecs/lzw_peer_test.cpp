// LZW data made by the peers, decoded pixel-exact: TIFF strips written by
// tiffcp and ImageMagick, compared with libtiff's own decoding, and GIF images
// of ImageMagick and giflib, compared with giflib's raster.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <gif_lib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "node_support.h"
#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_lzw_decoder.h"
#include "raster/codecs/rst_read_lzw.h"
#include "raster/core/byte_array_storage.h"
#include "tiff_peer.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool write_file(const std::string& path, const std::string& head, const Bytes& body) {
  std::ofstream f(path, std::ios::binary);
  f << head;
  f.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
  return bool(f);
}

Bytes read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A page of text-like dark word blocks with soft edges on white.
Bytes text_page(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes p(static_cast<size_t>(w) * h, 255);
  for (int top = 20; top + 14 < h; top += 22) {
    for (int x = 30; x < w - 60;) {
      int len = 8 + static_cast<int>(rng() % 40);
      for (int y = top; y < top + 12; ++y)
        for (int i = x; i < x + len && i < w; ++i)
          p[static_cast<size_t>(y) * w + i] = (i == x || i == x + len - 1) ? 128 : 0;
      x += len + 6 + static_cast<int>(rng() % 6);
    }
  }
  return p;
}

Bytes noise(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& v : b) v = static_cast<uint8_t>(rng());
  return b;
}

// Smooth colour with a little noise: quantises to a palette with few colours.
Bytes smooth_rgb(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      b.push_back(static_cast<uint8_t>(x * 255 / w));
      b.push_back(static_cast<uint8_t>(y * 255 / h));
      b.push_back(static_cast<uint8_t>((x + y + static_cast<int>(rng() % 16)) & 255));
    }
  return b;
}

// The fixtures, made once per run: uncompressed TIFFs by ImageMagick, then
// LZW by tiffcp (one strip, and 8 rows per strip) and by ImageMagick itself
// (which adds the horizontal predictor); GIFs by ImageMagick and re-encoded
// by giflib.
enum class Kind { tiff, gif };

struct Fixtures {
  std::string dir;
  std::vector<std::string> tiffs;
  std::vector<std::string> gifs;
  std::string error;
};

Fixtures make_fixtures(Kind kind) {
  {
    Fixtures x;
    x.dir = make_temp_dir();
    if (x.dir.empty()) {
      x.error = "no temporary folder";
      return x;
    }
    const std::string d = x.dir + "/";
    Bytes text = text_page(600, 300, 7);
    Bytes bits;  // the text page as 1-bit, 1 = dark
    for (int y = 0; y < 300; ++y)
      for (int x0 = 0; x0 < 600; x0 += 8) {
        uint8_t b = 0;
        for (int i = 0; i < 8; ++i) b = static_cast<uint8_t>(b << 1 | (text[y * 600 + x0 + i] < 200));
        bits.push_back(b);
      }
    bool ok = write_file(d + "gray.pgm", "P5 300 200 255\n", noise(300 * 200, 1)) &&
              write_file(d + "text.pgm", "P5 600 300 255\n", text) &&
              write_file(d + "bits.pbm", "P4 600 300\n", bits) &&
              write_file(d + "rgb.ppm", "P6 256 160 255\n", smooth_rgb(256, 160, 3)) &&
              write_file(d + "noise.ppm", "P6 120 90 255\n", noise(120 * 90 * 3, 4));
    if (!ok) {
      x.error = "cannot write the pictures";
      return x;
    }
    const char* q = " 2>/dev/null";
    const std::vector<std::pair<std::string, std::string>> plain = {
        {"gray", "gray.pgm"},
        {"text", "text.pgm"},
        {"bits", "bits.pbm -type bilevel"},
        {"rgb", "rgb.ppm"},
        {"palette", "rgb.ppm -colors 16 -type Palette"},
        {"alpha", "rgb.ppm -alpha set"},
    };
    for (const auto& [name, args] : plain) {
      if (kind != Kind::tiff) break;
      std::string none = d + name + "-none.tif";
      if (!run_command("convert " + d + args + " -compress none " + none + q) ||
          !run_command("tiffcp -c lzw " + none + " " + d + name + "-one.tif" + q) ||
          !run_command("tiffcp -c lzw -r 8 " + none + " " + d + name + "-r8.tif" + q)) {
        x.error = "convert or tiffcp failed for " + name;
        return x;
      }
      x.tiffs.push_back(d + name + "-one.tif");
      x.tiffs.push_back(d + name + "-r8.tif");
    }
    for (std::string name : {"rgb", "alpha"}) {
      if (kind != Kind::tiff) break;
      std::string args = name == "rgb" ? "rgb.ppm" : "rgb.ppm -alpha set";
      if (!run_command("convert " + d + args + " -compress LZW " + d + name + "-im.tif" + q)) {
        x.error = "convert -compress LZW failed";
        return x;
      }
      x.tiffs.push_back(d + name + "-im.tif");
    }
    const std::vector<std::pair<std::string, std::string>> gifs = {
        {"noise256", "noise.ppm -colors 256"},
        {"two", "noise.ppm -colors 2"},
        {"text", "text.pgm -colors 256"},
    };
    for (const auto& [name, args] : gifs) {
      if (kind != Kind::gif) break;
      std::string im = d + name + ".gif";
      std::string lib = d + name + "-giflib.gif";
      if (!run_command("convert " + d + args + " " + im + q) ||
          !run_command("gifbuild -d " + im + " > " + d + name + ".txt" + q) ||
          !run_command("gifbuild " + d + name + ".txt > " + lib + q)) {
        x.error = "convert or gifbuild failed for " + name;
        return x;
      }
      x.gifs.push_back(im);
      x.gifs.push_back(lib);
    }
    return x;
  }
}

// Each test program makes only what its test needs.
const Fixtures& fixtures(Kind kind) {
  // Removes the folders when the program ends.
  static struct Made {
    ~Made() {
      std::error_code ignored;
      for (const Fixtures& f : {tiffs, gifs})
        if (!f.dir.empty()) std::filesystem::remove_all(f.dir, ignored);
    }
    Fixtures tiffs;
    Fixtures gifs;
    bool tiffs_made = false;
    bool gifs_made = false;
  } made;
  bool& done = kind == Kind::tiff ? made.tiffs_made : made.gifs_made;
  Fixtures& f = kind == Kind::tiff ? made.tiffs : made.gifs;
  if (!done) {
    f = make_fixtures(kind);
    done = true;
  }
  return f;
}

// The raw lines of one strip decoded by the LZW reader node.
Bytes decode_strip(const Bytes& strip, const TiffPeerFile& t, uint32_t rows, int32_t* line_size) {
  RstHeader h = make_header(static_cast<int32_t>(t.width), static_cast<int32_t>(rows), RstDataForm::lzw,
                            t.bits_per_sample, t.samples_per_pixel);
  h.color_type = t.samples_per_pixel >= 3 ? RstColorType::default_rgb() : RstColorType::default_gray();
  int32_t line_bytes = static_cast<int32_t>((t.width * t.bits_per_sample * t.samples_per_pixel + 7) / 8);
  Bytes copy = strip.empty() ? Bytes{0} : strip;
  ByteArrayInputStorage storage(copy.data(), static_cast<int32_t>(strip.size()));
  RstReadLZW23* node = RstReadLZW23::create(&storage, h, line_bytes, 8, 0, 1);
  if (!node) return {};
  *line_size = node->line_size();
  Bytes out;
  Bytes line(static_cast<size_t>(line_bytes));
  while (node->read(line.data()) == line_bytes) out.insert(out.end(), line.begin(), line.end());
  node->end();
  return out;
}

TEST(LzwPeer, TiffStripsEqualLibtiff) {
  const Fixtures& f = fixtures(Kind::tiff);
  ASSERT_TRUE(f.error.empty()) << f.error;
  TiffPeer* peer = TiffPeer::get();
  ASSERT_NE(peer, nullptr) << "libtiff not found";
  ASSERT_EQ(f.tiffs.size(), 14u);
  for (const std::string& path : f.tiffs) {
    SCOPED_TRACE(path);
    ReportLog log(false);
    TiffPeerFile t;
    ASSERT_TRUE(peer->read_raw(path, t));
    ASSERT_EQ(t.compression, 5);
    Bytes expected;
    ASSERT_TRUE(peer->read_decoded(path, expected));
    const uint32_t line_bytes = (t.width * t.bits_per_sample * t.samples_per_pixel + 7) / 8;
    if (path.find("-r8") != std::string::npos) {
      EXPECT_EQ(t.rows_per_strip, 8u);
    }
    if (path.find("alpha") != std::string::npos) {
      EXPECT_EQ(t.samples_per_pixel, 4);
    }
    if (path.find("-im") != std::string::npos) {
      EXPECT_EQ(t.predictor, 2);
    }
    Bytes got;
    for (size_t s = 0; s < t.raw_strips.size(); ++s) {
      uint32_t first = static_cast<uint32_t>(s) * t.rows_per_strip;
      uint32_t rows = std::min(t.rows_per_strip, t.height - first);
      int32_t line_size = 0;
      Bytes lines = decode_strip(t.raw_strips[s], t, rows, &line_size);
      EXPECT_EQ(line_size, static_cast<int32_t>(line_bytes));
      ASSERT_EQ(lines.size(), size_t{rows} * line_bytes) << "strip " << s;
      got.insert(got.end(), lines.begin(), lines.end());
    }
    if (t.predictor == 2) {
      // The strip chain undoes the horizontal predictor; here the test does.
      ASSERT_EQ(t.bits_per_sample, 8);
      for (size_t row = 0; row < t.height; ++row)
        for (size_t i = t.samples_per_pixel; i < line_bytes; ++i)
          got[row * line_bytes + i] =
              static_cast<uint8_t>(got[row * line_bytes + i] + got[row * line_bytes + i - t.samples_per_pixel]);
    }
    EXPECT_TRUE(got == expected);
    EXPECT_TRUE(log.reports.empty());
  }
}

// giflib, loaded at run time.
struct GifPeer {
  decltype(&DGifOpenFileName) open = nullptr;
  decltype(&DGifSlurp) slurp = nullptr;
  decltype(&DGifCloseFile) close = nullptr;

  static const GifPeer* get() {
    static GifPeer p = [] {
      GifPeer g;
      void* lib = dlopen("libgif.so.7", RTLD_NOW | RTLD_LOCAL);
      if (!lib) return g;
      g.open = reinterpret_cast<decltype(g.open)>(dlsym(lib, "DGifOpenFileName"));
      g.slurp = reinterpret_cast<decltype(g.slurp)>(dlsym(lib, "DGifSlurp"));
      g.close = reinterpret_cast<decltype(g.close)>(dlsym(lib, "DGifCloseFile"));
      return g;
    }();
    return p.open && p.slurp && p.close ? &p : nullptr;
  }

  // The first image's indices, its size; false when giflib cannot read it.
  bool raster(const std::string& path, Bytes& out, int& w, int& h) const {
    int error = 0;
    GifFileType* gif = open(path.c_str(), &error);
    if (!gif) return false;
    bool ok = slurp(gif) == GIF_OK && gif->ImageCount > 0;
    if (ok) {
      const SavedImage& im = gif->SavedImages[0];
      w = im.ImageDesc.Width;
      h = im.ImageDesc.Height;
      out.assign(im.RasterBits, im.RasterBits + static_cast<size_t>(w) * h);
    }
    close(gif, &error);
    return ok;
  }
};

// Walks a GIF to its first image: the offset of the first sub-block, the
// minimum code size and the image size; false when the file is not one.
bool first_image(const Bytes& g, size_t& at, int& min_bits, int& w, int& h) {
  auto skip_blocks = [&](size_t p) {
    while (p < g.size() && g[p] != 0) p += size_t{g[p]} + 1;
    return p + 1;
  };
  if (g.size() < 13 || g[0] != 'G' || g[1] != 'I' || g[2] != 'F') return false;
  size_t p = 13;
  if (g[10] & 0x80) p += 3u << ((g[10] & 7) + 1);
  while (p < g.size()) {
    if (g[p] == 0x21) {
      p = skip_blocks(p + 2);
    } else if (g[p] == 0x2C) {
      if (p + 11 > g.size()) return false;
      w = g[p + 5] | g[p + 6] << 8;
      h = g[p + 7] | g[p + 8] << 8;
      uint8_t flags = g[p + 9];
      p += 10;
      if (flags & 0x80) p += 3u << ((flags & 7) + 1);
      if (flags & 0x40 || p >= g.size()) return false;  // interlaced: not made here
      min_bits = g[p];
      at = p + 1;
      return true;
    } else {
      return false;
    }
  }
  return false;
}

TEST(LzwPeer, GifImagesEqualGiflib) {
  const Fixtures& f = fixtures(Kind::gif);
  ASSERT_TRUE(f.error.empty()) << f.error;
  const GifPeer* peer = GifPeer::get();
  ASSERT_NE(peer, nullptr) << "giflib not found";
  ASSERT_EQ(f.gifs.size(), 6u);
  for (const std::string& path : f.gifs) {
    SCOPED_TRACE(path);
    Bytes expected;
    int w = 0, h = 0;
    ASSERT_TRUE(peer->raster(path, expected, w, h));
    Bytes file = read_file(path);
    size_t at = 0;
    int min_bits = 0, iw = 0, ih = 0;
    ASSERT_TRUE(first_image(file, at, min_bits, iw, ih));
    ASSERT_EQ(iw, w);
    ASSERT_EQ(ih, h);
    if (path.find("two") != std::string::npos) {
      EXPECT_EQ(min_bits, 2);
    }
    ByteArrayInputStorage storage(file);
    storage.seek(static_cast<int32_t>(at));
    BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
    TolvaneImageInfo info;
    info.width = w;
    info.height = h;
    info.format = (8u << 16) | 0xFFFF;
    RstInstanceTolvane* stage = rst_lzw_create_decoder(stream, 0, h, &info, w, min_bits, RstLzwVariant::gif, 0);
    ASSERT_EQ(stage->status, 1);
    Bytes got(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) ASSERT_EQ(stage->line(got.data() + static_cast<size_t>(y) * w), 1) << y;
    stage->close();
    stream->close();
    EXPECT_TRUE(got == expected);
  }
}

}  // namespace
