// Object images over real coded data made in the test run: G4 strips of ITU
// charts (libtiff's tiffcp, taken out with TIFFReadRawStrip), baseline JPEG
// by cjpeg (checked against libjpeg's decode), raw gray and RGB bytes; a T.85
// JBIG stream of pbmtojbg85 behind an image node; and masks whose reserved
// word asks for the clear bits.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>

#include "mrc_support.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/geometry/charts.h"

namespace {

class RealData : public MrcTest {};

std::string temp(const std::string& name) {
  return ::testing::TempDir() + "mrc_" + std::to_string(getpid()) + "_" + name;
}

std::vector<uint8_t> file_bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The G4 strip of a P4 file, as one strip of a TIFF made by the netpbm and
// libtiff tools; empty when a tool fails.
std::vector<uint8_t> g4_strip(const std::string& pbm, int rows) {
  std::string tif = temp("plain.tif"), g4 = temp("g4.tif");
  std::string cmd = "pnmtotiff -miniswhite " + pbm + " > " + tif + " 2>/dev/null && tiffcp -c g4 -r " +
                    std::to_string(rows) + " " + tif + " " + g4;
  std::vector<uint8_t> out;
  if (std::system(cmd.c_str()) == 0) {
    if (TIFF* t = TIFFOpen(g4.c_str(), "r")) {
      if (TIFFNumberOfStrips(t) == 1) {
        out.resize(size_t(TIFFRawStripSize(t, 0)));
        if (TIFFReadRawStrip(t, 0, out.data(), tmsize_t(out.size())) != tmsize_t(out.size())) out.clear();
      }
      TIFFClose(t);
    }
  }
  std::remove(tif.c_str());
  std::remove(g4.c_str());
  return out;
}

struct Decoded {
  int width = 0, height = 0, components = 0;
  std::vector<uint8_t> pixels;
};

Decoded libjpeg_decode(const std::vector<uint8_t>& bytes, bool ycbcr) {
  Decoded d;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.num_components == 3) cinfo.out_color_space = ycbcr ? JCS_YCbCr : JCS_RGB;
  cinfo.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&cinfo);
  d.width = int(cinfo.output_width);
  d.height = int(cinfo.output_height);
  d.components = cinfo.output_components;
  d.pixels.resize(size_t(d.width) * d.height * d.components);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.pixels.data() + size_t(cinfo.output_scanline) * d.width * d.components;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return d;
}

// A smooth test picture as P5 or P6, coded by cjpeg.
std::vector<uint8_t> cjpeg_picture(int w, int h, int channels) {
  PnmImage img;
  img.magic = channels == 3 ? "P6" : "P5";
  img.width = w;
  img.height = h;
  img.maxval = 255;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) img.rows.push_back(uint8_t((x * 3 + y * 2 + c * 60) % 256));
  std::string pnm = temp("pic.pnm"), jpg = temp("pic.jpg");
  std::vector<uint8_t> out;
  if (write_pnm(pnm, img) && std::system(("cjpeg -quality 90 " + pnm + " > " + jpg).c_str()) == 0)
    out = file_bytes(jpg);
  std::remove(pnm.c_str());
  std::remove(jpg.c_str());
  return out;
}

// The page of a one-object image at its own size, composed at 1.0.
Page one_object_page(RstIMSRecord r, const std::vector<uint8_t>& bytes, uint32_t w, uint32_t h) {
  ImsImage image;
  image.page_width = w;
  image.page_height = h;
  ImsData data;
  data.add(r, bytes);
  image.records = {r};
  ImsCanvas ims;
  RstMRCCanvas* c = ims.build(image, data);
  EXPECT_TRUE(c);
  if (!c) return Page();
  RstScale::Linear linear;
  return compose(c, 1.0, linear);
}

}  // namespace

TEST_F(RealData, G4ChartsComposeToTheirPixels) {
  for (int n : {1, 2}) {
    SCOPED_TRACE(n);
    std::string pbm = chart_file(n);
    ASSERT_FALSE(pbm.empty());
    PnmImage chart;
    ASSERT_TRUE(read_pnm(pbm, chart));
    std::vector<uint8_t> strip = g4_strip(pbm, chart.height);
    ASSERT_FALSE(strip.empty());
    for (uint32_t cs : {1u, 2u}) {
      SCOPED_TRACE(cs);
      RstIMSRecord r = ims_record(7, cs, 17, uint32_t(chart.width), uint32_t(chart.height), 0, 0, uint32_t(chart.width),
                                  uint32_t(chart.height));
      Page p = one_object_page(r, strip, uint32_t(chart.width), uint32_t(chart.height));
      ASSERT_EQ(p.lines.size(), size_t(chart.height));
      // The same bits either way: 1 is black under colour space 1, white
      // (the chart's inverse) under 2.
      EXPECT_EQ(p.header.color_type, cs == 1 ? RstColorType::default_gray_reverse() : RstColorType::default_gray());
      ASSERT_EQ(p.header.bits_per_sample, 1);
      size_t stride = size_t(chart.stride()), differing = 0;
      int pad = (8 - chart.width % 8) % 8;
      for (size_t y = 0; y < p.lines.size(); ++y) {
        for (size_t i = 0; i < stride; ++i) {
          uint8_t want = chart.rows[y * stride + i];
          uint8_t got = p.lines[y][i];
          uint8_t keep = i + 1 == stride ? uint8_t(0xFF << pad) : 0xFF;
          differing += (want & keep) != (got & keep);
        }
      }
      EXPECT_EQ(differing, 0u);
    }
  }
}

TEST_F(RealData, JpegObjectsMatchLibjpegWithinOne) {
  struct Row {
    uint32_t color_space;
    int channels;
  };
  for (Row row : {Row{16, 1}, Row{38, 3}}) {
    SCOPED_TRACE(row.color_space);
    std::vector<uint8_t> jpg = cjpeg_picture(67, 45, row.channels);
    ASSERT_FALSE(jpg.empty());
    RstIMSRecord r = ims_record(1, row.color_space, 32, 67, 45, 0, 0, 67, 45);
    Page p = one_object_page(r, jpg, 67, 45);
    ASSERT_EQ(p.lines.size(), 45u);
    ASSERT_EQ(p.header.samples_per_pixel, row.channels);
    bool ycbcr = p.header.color_type == RstColorType::s_ycbcr();
    Decoded d = libjpeg_decode(jpg, ycbcr);
    int worst = 0;
    for (int y = 0; y < 45; ++y)
      for (int x = 0; x < 67; ++x)
        for (int c = 0; c < row.channels; ++c)
          worst = std::max(worst, std::abs(p.at(x, y, c) - d.pixels[size_t((y * 67 + x) * row.channels + c)]));
    EXPECT_LE(worst, 1);
  }
}

TEST_F(RealData, RawGrayAndRgbBytesComposeExactly) {
  for (auto [cs, channels] : std::vector<std::pair<uint32_t, int> >{{16, 1}, {32, 3}}) {
    SCOPED_TRACE(cs);
    std::vector<uint8_t> bytes(size_t(23 * 9 * channels));
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 13 + 5);
    Page p = one_object_page(ims_record(1, cs, 1, 23, 9, 0, 0, 23, 9), bytes, 23, 9);
    ASSERT_EQ(p.lines.size(), 9u);
    for (size_t y = 0; y < 9; ++y)
      EXPECT_EQ(p.lines[y], std::vector<uint8_t>(bytes.begin() + long(y * 23 * channels),
                                                 bytes.begin() + long((y + 1) * 23 * channels)));
  }
}

TEST_F(RealData, ReservedWordOneMasksPaintTheClearBits) {
  // A 32 x 8 mask: a diagonal band of set bits (1 = black).
  PnmImage mask;
  mask.magic = "P4";
  mask.width = 32;
  mask.height = 8;
  for (int y = 0; y < 8; ++y)
    for (int i = 0; i < 4; ++i) mask.rows.push_back(uint8_t(i == y / 2 ? 0xF0 >> (y % 2 * 4) : 0x01));
  std::string pbm = temp("mask.pbm");
  ASSERT_TRUE(write_pnm(pbm, mask));
  std::vector<uint8_t> g4 = g4_strip(pbm, 8);
  std::remove(pbm.c_str());
  ASSERT_FALSE(g4.empty());
  for (uint32_t compression : {1u, 17u}) {
    for (uint32_t word10 : {0u, 1u}) {
      SCOPED_TRACE(testing::Message() << "compression " << compression << " word 10 " << word10);
      RstIMSRecord r = ims_record(3, 16, compression, 32, 8, 0, 0, 32, 8);
      r.color[0] = 40;
      r.reserved[0] = word10;
      Page p = one_object_page(r, compression == 1 ? mask.rows : g4, 32, 8);
      ASSERT_EQ(p.lines.size(), 8u);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 32; ++x) {
          bool set = (mask.rows[size_t(y * 4 + x / 8)] >> (7 - x % 8)) & 1;
          bool painted = word10 ? !set : set;
          EXPECT_EQ(p.at(x, y), painted ? 40 : 255) << x << "," << y;
        }
    }
  }
}

TEST_F(RealData, JbigImageNodeComposesToItsChart) {
  // Object images carry no JBIG data; a canvas made by a caller can hold an
  // image node whose data are a T.85 stream.
  std::string pbm = chart_file(3);
  ASSERT_FALSE(pbm.empty());
  PnmImage chart;
  ASSERT_TRUE(read_pnm(pbm, chart));
  std::string jbg = temp("chart.jbg");
  ASSERT_EQ(std::system(("pbmtojbg85 " + pbm + " " + jbg).c_str()), 0);
  std::vector<uint8_t> code = file_bytes(jbg);
  std::remove(jbg.c_str());
  ASSERT_FALSE(code.empty());
  ByteArrayInputStorage storage(code);
  RstHeader h;
  h.width = chart.width;
  h.height = chart.height;
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  h.data_form = RstDataForm::jbig;
  h.color_type = RstColorType::default_gray_reverse();
  RstRead* image = RstReadCode::create(&storage, h, int32_t(code.size()), false);
  ASSERT_TRUE(image);
  RstMRCCanvas* c = RstMRCCanvas::create(uint32_t(chart.width), uint32_t(chart.height),
                                         RstMRCCanvas::ConstantColor({255}, RstColorType::default_gray(), 8));
  ASSERT_TRUE(c);
  RstMRCCanvas::Rect r{0, uint32_t(chart.width - 1), 0, uint32_t(chart.height - 1)};
  ASSERT_TRUE(c->append(new RstMRCCanvas::UnmaskedImage(image, r)));
  RstScale::NearestNeighbor nn;
  Page p = compose(c, 1.0, nn);
  ASSERT_EQ(p.lines.size(), size_t(chart.height));
  ASSERT_EQ(p.header.bits_per_sample, 1);
  EXPECT_EQ(p.header.color_type, RstColorType::default_gray_reverse());
  size_t stride = size_t(chart.stride()), differing = 0;
  int pad = (8 - chart.width % 8) % 8;
  for (size_t y = 0; y < p.lines.size(); ++y)
    for (size_t i = 0; i < stride; ++i) {
      uint8_t keep = i + 1 == stride ? uint8_t(0xFF << pad) : 0xFF;
      differing += (chart.rows[y * stride + i] & keep) != (p.lines[y][i] & keep);
    }
  EXPECT_EQ(differing, 0u);
  EXPECT_TRUE(status.errors().empty());
}
