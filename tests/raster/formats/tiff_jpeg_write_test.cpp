// TIFF pages written with JPEG compression: Compression 7 strips of gray,
// YCbCr (every sampling) and RGB pages, a Compression 6 page and its
// interchange stream, and FillOrder 2. libtiff's tools take every file, the
// strips decode with libjpeg as with our decoder, our reader reads every
// page back, and the loss stays near libtiff's own JPEG pages.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "../codecs/jpeg_encode_support.h"
#include "page_support.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/bit_reverse.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "raster/formats/rst_write_tiff.h"
#include "tiff_write_support.h"

namespace {

using Strips = std::vector<Bytes>;

// A raw source over an interleaved picture.
class PictureSource : public RstRead {
 public:
  PictureSource(const RstHeader& h, Bytes pixels) : header_(h), pixels_(std::move(pixels)) {}
  void header(RstHeader& h) override { h = header_; }
  int read(uint8_t* line) override {
    if (next_ >= header_.height) return 0;
    size_t n = size_t(line_size());
    std::memcpy(line, pixels_.data() + size_t(next_++) * n, n);
    return int(n);
  }
  void reset() override { next_ = 0; }

 private:
  RstHeader header_;
  Bytes pixels_;
  int32_t next_ = 0;
};

Bytes one_page(RstRead* source, const RstWriteTIFFOption& option, uint32_t order, int32_t* result = nullptr) {
  MemoryOutputStorage out;
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, order);
  RstWrite* writer = RstWriteTIFF::create(source, manager, &option);
  int32_t s = 0;
  if (writer) {
    while (writer->write() != 0) {
    }
    s = writer->status();
    writer->end();
  } else {
    source->end();
  }
  if (result) *result = s;
  manager->close();
  return memory_bytes(out);
}

std::unique_ptr<RstReadTIFFFXHeader> page_tags_of(const Bytes& file) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  auto h = std::make_unique<RstReadTIFFFXHeader>();
  h->read_page(&in, 1, false, 0);
  return h;
}

Strips stored_strips(const Bytes& file) {
  auto h = page_tags_of(file);
  Strips strips;
  for (size_t i = 0; i < h->strip_offsets.size() && i < h->strip_byte_counts.size(); ++i)
    strips.emplace_back(file.begin() + h->strip_offsets[i],
                        file.begin() + h->strip_offsets[i] + h->strip_byte_counts[i]);
  return strips;
}

// Every sample of page 1 as our reader delivers it.
Bytes read_back(const Bytes& file) {
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstOwner<RstRead> node(RstReadRaster::create(&in, 1));
  Bytes all;
  if (!node) return all;
  for (const auto& row : read_lines(node.get())) all.insert(all.end(), row.begin(), row.end());
  return all;
}

// libtiff's RGBA decode of the file (what tiff2rgba writes), as RGB.
Bytes libtiff_rgb(const std::string& file, int32_t width, int32_t height) {
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(file.c_str(), "r");
  if (!tif) return {};
  std::vector<uint32_t> raster(size_t(width) * height);
  bool ok = TIFFReadRGBAImageOriented(tif, uint32_t(width), uint32_t(height), raster.data(), ORIENTATION_TOPLEFT, 0);
  TIFFClose(tif);
  if (!ok) return {};
  Bytes rgb;
  for (uint32_t p : raster) rgb.insert(rgb.end(), {uint8_t(TIFFGetR(p)), uint8_t(TIFFGetG(p)), uint8_t(TIFFGetB(p))});
  return rgb;
}

Bytes gray_to_rgb(const Bytes& gray) {
  Bytes rgb;
  for (uint8_t v : gray) rgb.insert(rgb.end(), {v, v, v});
  return rgb;
}

class TiffJpegPages : public PageTest {
 protected:
  void SetUp() override { dir_ = temp_dir(); }
  void TearDown() override { run("rm -rf " + dir_); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  // tiffinfo -D says nothing on standard error; tiff2rgba converts the page.
  void expect_libtiff_takes(const Bytes& file, const std::string& what, bool warnings_allowed = false) {
    write_bytes(path("p.tif"), file);
    std::string check = "cd " + dir_ + " && tiffinfo -D p.tif >/dev/null 2>err.txt";
    EXPECT_TRUE(run(check)) << what;
    if (!warnings_allowed) {
      EXPECT_TRUE(run("test ! -s " + path("err.txt"))) << what;
    }
    EXPECT_FALSE(run("grep -qi error " + path("err.txt"))) << what;
    EXPECT_TRUE(run("cd " + dir_ + " && tiff2rgba p.tif rgba.tif 2>/dev/null")) << what;
  }
  std::string dir_;
};

struct PageCase {
  const char* what;
  int32_t spp;
  RstColorType* type;
  uint32_t sampling;  // of the coding option; 0: none
  uint32_t rows;
  uint32_t order;
  std::vector<uint16_t> subsampling;  // the tag as written
  uint8_t frame_sampling;             // component 0's in every strip
};

TEST_F(TiffJpegPages, CompressionSevenPages) {
  const PageCase cases[] = {
      {"gray", 1, RstColorType::s_gray(), 0, 16, 0x4949, {}, 0x11},
      {"gray, a row per strip, MM", 1, RstColorType::s_gray(), 0, 1, 0x4D4D, {}, 0x11},
      {"YCbCr default", 3, RstColorType::s_ycbcr(), 0, 64, 0x4949, {2, 2}, 0x22},
      {"YCbCr 4:4:4, MM", 3, RstColorType::s_ycbcr(), RstJPEGSampling::s444, 16, 0x4D4D, {1, 1}, 0x11},
      {"YCbCr 4:2:2", 3, RstColorType::s_ycbcr(), RstJPEGSampling::s422, 1, 0x4949, {2, 1}, 0x21},
      {"YCbCr 4:2:0", 3, RstColorType::s_ycbcr(), RstJPEGSampling::s420, 16, 0x4949, {2, 2}, 0x22},
      {"YCbCr 4:1:1, MM", 3, RstColorType::s_ycbcr(), RstJPEGSampling::s411, 64, 0x4D4D, {4, 1}, 0x41},
      {"RGB default", 3, RstColorType::s_rgb(), 0, 16, 0x4949, {}, 0x11},
      {"RGB asked 4:2:2, MM", 3, RstColorType::s_rgb(), RstJPEGSampling::s422, 16, 0x4D4D, {}, 0x11},
  };
  const int32_t w = 61, h = 45;
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes rgb = test_picture(w, h, 3, 5);
    Bytes pixels = c.spp == 1 ? test_picture(w, h, 1, 5) : c.type->is_ycbcr() ? rgb_to_ycbcr(rgb) : rgb;
    Bytes want_rgb = c.spp == 1 ? gray_to_rgb(pixels) : rgb;
    RstEncodeJPEGOption jpeg(75, c.sampling);
    RstWriteTIFFOption option(300, 300, RstDataForm::jpeg, c.rows, c.sampling ? &jpeg : nullptr);
    ASSERT_EQ(option.compression.value(), 7u);
    int32_t result = 0;
    Bytes file = one_page(new PictureSource(image_header(w, h, 8, c.spp, c.type), pixels), option, c.order, &result);
    ASSERT_EQ(result, 1);
    ASSERT_TRUE(status.errors().empty());
    auto tags = page_tags_of(file);
    EXPECT_EQ(tags->ycbcr_subsampling, c.subsampling);
    Strips strips = stored_strips(file);
    ASSERT_EQ(strips.size(), size_t((h + int32_t(c.rows) - 1) / int32_t(c.rows)));
    for (size_t i = 0; i < strips.size(); ++i) {
      const Bytes& s = strips[i];
      auto list = header_segments(s);
      const Segment* sof = find_segment(list, 0xC0);
      ASSERT_NE(sof, nullptr);
      EXPECT_EQ(s[sof->payload + 7], c.frame_sampling) << i;
      PeerDecoded peer = libjpeg_decode_counted(s);
      Decoded ours = stage_decode(s);
      ASSERT_EQ(peer.status, 1) << i;
      EXPECT_EQ(peer.libjpeg_warnings, 0) << i;
      EXPECT_EQ(peer.height, std::min<int32_t>(int32_t(c.rows), h - int32_t(i * c.rows))) << i;
      ASSERT_GE(ours.status, 1);
      EXPECT_LE(compare(ours, peer).max, 1) << i;
    }
    expect_libtiff_takes(file, c.what);
    Bytes theirs = libtiff_rgb(path("p.tif"), w, h);
    ASSERT_EQ(theirs.size(), want_rgb.size());
    EXPECT_GT(psnr(want_rgb, theirs), 28.0);
    Bytes back = read_back(file);
    ASSERT_EQ(back.size(), pixels.size());
    EXPECT_GT(psnr(pixels, back), 28.0);
  }
}

TEST_F(TiffJpegPages, YCbCrLossNearLibtiffsOwnJpegPages) {
  const int32_t w = 300, h = 200;
  ASSERT_TRUE(make_picture(path("src.ppm"), "plasma:fractal", w, h));
  ASSERT_TRUE(
      run("cd " + dir_ + " && convert src.ppm -compress none src.tif && tiffcp -c jpeg:60 -r 16 src.tif ref.tif"));
  int pw = 0, ph = 0;
  std::ifstream in(path("src.ppm"), std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> pw >> ph >> max;
  in.get();
  Bytes rgb(size_t(w) * h * 3);
  in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
  ASSERT_EQ(pw, w);
  RstEncodeJPEGOption jpeg(60, RstJPEGSampling::s420);
  RstWriteTIFFOption option(200, 200, RstDataForm::jpeg, 16, &jpeg);
  Bytes file =
      one_page(new PictureSource(image_header(w, h, 8, 3, RstColorType::s_ycbcr()), rgb_to_ycbcr(rgb)), option, 0x4949);
  write_bytes(path("ours.tif"), file);
  double ours = psnr(rgb, libtiff_rgb(path("ours.tif"), w, h));
  double theirs = psnr(rgb, libtiff_rgb(path("ref.tif"), w, h));
  EXPECT_GT(ours, theirs - 0.5) << ours << " against " << theirs;
}

TEST_F(TiffJpegPages, CompressionSixPageCarriesOneInterchangeStream) {
  const struct {
    const char* what;
    int32_t spp;
    RstColorType* type;
  } cases[] = {{"gray", 1, RstColorType::s_gray()}, {"YCbCr", 3, RstColorType::s_ycbcr()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int32_t w = 40, h = 30;
    Bytes pixels = test_picture(w, h, c.spp, 9);
    RstWriteTIFFOption option(200, 200, RstDataForm::jpeg, 0, nullptr);
    option.set_compression(6);
    int32_t result = 0;
    Bytes file = one_page(new PictureSource(image_header(w, h, 8, c.spp, c.type), pixels), option, 0x4949, &result);
    ASSERT_EQ(result, 1);
    auto tags = page_tags_of(file);
    ASSERT_EQ(tags->strip_offsets.size(), 1u);
    EXPECT_EQ(tags->jpeg_interchange_format, tags->strip_offsets[0]);
    EXPECT_EQ(tags->jpeg_interchange_format_length, tags->strip_byte_counts[0]);
    Bytes stream(file.begin() + tags->jpeg_interchange_format,
                 file.begin() + tags->jpeg_interchange_format + tags->jpeg_interchange_format_length);
    write_file(path("i.jpg"), stream);
    EXPECT_TRUE(run("djpeg -outfile /dev/null " + path("i.jpg")));
    EXPECT_EQ(libjpeg_decode_counted(stream).libjpeg_warnings, 0);
    // libtiff warns about old-style JPEG, but reads the page.
    expect_libtiff_takes(file, c.what, true);
    Bytes back = read_back(file);
    ASSERT_EQ(back.size(), pixels.size());
    EXPECT_GT(psnr(pixels, back), 28.0);
  }
}

TEST_F(TiffJpegPages, FillOrderTwoReversesTheStrips) {
  // libtiff never reverses JPEG strips, so only our reader reads them.
  for (int32_t spp : {1, 3}) {
    SCOPED_TRACE(spp);
    RstColorType* type = spp == 1 ? RstColorType::s_gray() : RstColorType::s_ycbcr();
    Bytes pixels = test_picture(33, 20, spp, 3);
    RstWriteTIFFOption plain(200, 200, RstDataForm::jpeg, 8, nullptr);
    RstWriteTIFFOption reversed = plain;
    reversed.fill_order = 2;
    Bytes a = one_page(new PictureSource(image_header(33, 20, 8, spp, type), pixels), plain, 0x4949);
    Bytes b = one_page(new PictureSource(image_header(33, 20, 8, spp, type), pixels), reversed, 0x4949);
    Strips sa = stored_strips(a), sb = stored_strips(b);
    ASSERT_EQ(sa.size(), 3u);
    ASSERT_EQ(sb.size(), 3u);
    for (size_t i = 0; i < sa.size(); ++i) {
      Bytes flipped = sb[i];
      for (uint8_t& v : flipped) v = kBitReverseTable[v];
      EXPECT_EQ(flipped, sa[i]) << i;
    }
    Bytes back = read_back(b);
    EXPECT_EQ(back, read_back(a));
    EXPECT_EQ(back.size(), pixels.size());
  }
}

}  // namespace
