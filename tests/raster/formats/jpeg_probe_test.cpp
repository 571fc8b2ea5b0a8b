// The JPEG probes, JPEG rows of format detection, and the JPEG streams inside
// TIFF pages: JPEGTables of new-style pages read as libjpeg reads them, the
// interchange stream of an old-style page described by its nested header,
// and the quiet path without a stream parser.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <csetjmp>
#include <memory>
#include <random>
#include <typeinfo>

#include "page_support.h"
#include "raster/codecs/jpeg_stream_builder.h"
#include "raster/core/rst_image_info.h"
#include "raster/formats/rst_read_jpeg.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/formats/rst_tiff_jpeg_stream.h"

namespace {

struct Release {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};
using Held = std::unique_ptr<RstReadJPEGHeader, Release>;

Bytes jfif_stream() { return JpegBytes().soi().jfif(1, 150, 75).tables().frame_and_scan(16, 24, 3).b; }
Bytes fax_stream() { return JpegBytes().soi().g3fax(1994, 200).tables().frame_and_scan(8, 8, 1).b; }
Bytes bare_stream() { return JpegBytes().soi().tables().frame_and_scan(10, 12, 1).b; }

class JpegProbeTest : public PageTest {};

TEST_F(JpegProbeTest, EachFlavourGivesItsHeader) {
  struct Case {
    const char* name;
    Bytes stream;
    const std::type_info& type;
    uint32_t x, y;
  } cases[] = {
      {"JFIF", jfif_stream(), typeid(RstReadJFIFHeader), 150, 75},
      {"G3FAX", fax_stream(), typeid(RstReadJPEGFaxHeader), 200, 200},
      {"bare", bare_stream(), typeid(RstReadJPEGHeader), 0, 0},
  };
  for (const Case& c : cases) {
    ByteArrayInputStorage in(c.stream.data(), int32_t(c.stream.size()));
    in.seek(0);
    Held h(RstReadJPEG::private_header(&in));
    ASSERT_TRUE(h) << c.name;
    EXPECT_EQ(typeid(*h), c.type) << c.name;
    EXPECT_EQ(h->x_resolution(), c.x) << c.name;
    EXPECT_EQ(h->y_resolution(), c.y) << c.name;
    EXPECT_EQ(in.tell(), 0) << c.name;
  }
  EXPECT_EQ(status.messages(), std::vector<RstReport>{});
}

TEST_F(JpegProbeTest, ReportsOfTheProbes) {
  // A warning (a JPGn marker followed by another marker) is kept and reported.
  Bytes warned = JpegBytes().soi().marker(0xF0).tables().frame_and_scan().b;
  ByteArrayInputStorage w(warned.data(), int32_t(warned.size()));
  Held h(RstReadJPEG::private_header(&w));
  ASSERT_TRUE(h);
  EXPECT_EQ(*h->status(), 14);
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{14, "RstReadJPEG::check_header()"}}));

  // A broken JPEG is reported by each attempt that recognises it.
  status.clear();
  Bytes broken = JpegBytes().soi().dqt().frame_and_scan().b;
  ByteArrayInputStorage b(broken.data(), int32_t(broken.size()));
  EXPECT_FALSE(RstReadJPEG::private_header(&b));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-13, "RstReadJPEG::check_header()"}}));

  // Not JPEG: none from every probe, no report.
  status.clear();
  Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
  ByteArrayInputStorage t(tiff.data(), int32_t(tiff.size()));
  EXPECT_FALSE(RstReadJPEG::private_header(&t));
  EXPECT_FALSE(RstReadJFIF::private_header(&t));
  EXPECT_FALSE(RstReadJPEGFax::private_header(&t));
  EXPECT_EQ(status.messages(), std::vector<RstReport>{});

  // A closed storage: -2 from the flavours; the plain probe only checks for none.
  Bytes jfif = jfif_stream();
  ByteArrayInputStorage closed(jfif.data(), int32_t(jfif.size()));
  closed.close();
  EXPECT_FALSE(RstReadJFIF::private_header(&closed));
  EXPECT_FALSE(RstReadJPEGFax::private_header(&closed));
  EXPECT_FALSE(RstReadJFIF::private_header(nullptr));
  EXPECT_FALSE(RstReadJPEG::private_header(&closed));
  EXPECT_FALSE(RstReadJPEG::private_header(nullptr));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadJFIF::private_header()"},
                                                     {-2, "RstReadJPEGFax::private_header()"},
                                                     {-2, "RstReadJFIF::private_header()"},
                                                     {-2, "RstReadJFIF::private_header()"},
                                                     {-2, "RstReadJPEGFax::private_header()"},
                                                     {-2, "RstReadJPEG::private_header()"}}));
}

TEST_F(JpegProbeTest, DetectionRows) {
  std::string dir = temp_dir();
  ASSERT_TRUE(make_picture(dir + "/p.ppm", "plasma:", 40, 30));
  ASSERT_TRUE(shell("cjpeg -outfile '" + dir + "/jfif.jpg' '" + dir + "/p.ppm'"));
  ASSERT_TRUE(
      shell("exiftool -q -JFIF:ResolutionUnit=inches -JFIF:XResolution=300 -JFIF:YResolution=240 "
            "-overwrite_original '" +
            dir + "/jfif.jpg'"));
  ASSERT_TRUE(shell("exiftool -q -JFIF:all= -o '" + dir + "/bare.jpg' '" + dir + "/jfif.jpg'"));
  Bytes jfif = file_bytes(dir + "/jfif.jpg"), bare = file_bytes(dir + "/bare.jpg");
  shell("rm -rf '" + dir + "'");
  ASSERT_EQ(bare[2], 0xFF);
  EXPECT_NE(bare[3], 0xE0) << "exiftool left the JFIF segment";
  Bytes fax = fax_stream();
  struct Case {
    const char* name;
    Bytes* data;
    int32_t format, x, y, width, height, samples;
  } cases[] = {
      {"JFIF", &jfif, RstImageFormat::jfif, 300, 240, 40, 30, 3},
      {"G3FAX", &fax, RstImageFormat::jpeg_fax, 200, 200, 8, 8, 1},
      {"bare", &bare, RstImageFormat::jfif, 0, 0, 40, 30, 3},
  };
  for (const Case& c : cases) {
    ByteArrayInputStorage in(c.data->data(), int32_t(c.data->size()));
    in.seek(5);
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
    ASSERT_TRUE(info) << c.name;
    EXPECT_EQ(info->format.code, c.format) << c.name;
    EXPECT_EQ(info->x_resolution, c.x) << c.name;
    EXPECT_EQ(info->y_resolution, c.y) << c.name;
    EXPECT_EQ(info->width, c.width) << c.name;
    EXPECT_EQ(info->height, c.height) << c.name;
    EXPECT_EQ(info->samples_per_pixel, c.samples) << c.name;
    EXPECT_EQ(info->data_form, RstDataForm::jpeg) << c.name;
    EXPECT_EQ(info->page_count(), 1u) << c.name;
    EXPECT_EQ(in.tell(), 5) << c.name;
    // Only TIFF and PDF files have a second page.
    EXPECT_FALSE(RstImageInfo::create(&in, 2)) << c.name;
  }
  EXPECT_EQ(status.messages(), std::vector<RstReport>{});

  // JPEG reading switched off; random bytes.
  set_enable(RstFormatEnables::jpeg, 0);
  ByteArrayInputStorage off(jfif.data(), int32_t(jfif.size()));
  EXPECT_FALSE(RstImageInfo::create(&off, 1));
  set_enable(RstFormatEnables::jpeg, 1);
  Bytes noise(500);
  std::mt19937 random(11);
  for (uint8_t& b : noise) b = uint8_t(random());
  ByteArrayInputStorage junk(noise.data(), int32_t(noise.size()));
  EXPECT_FALSE(RstImageInfo::create(&junk, 1));
  EXPECT_EQ(status.messages(), std::vector<RstReport>{});
  // Behind an SOI the same bytes are a broken JPEG: the plain probe says so.
  noise[0] = 0xFF;
  noise[1] = 0xD8;
  noise[2] = 0x77;
  EXPECT_FALSE(RstImageInfo::create(&junk, 1));
  EXPECT_EQ(status.messages(), (std::vector<RstReport>{{-13, "RstReadJPEG::check_header()"}}));
}

// libjpeg's reading of a tables-only stream.
struct LibjpegTables {
  std::vector<std::vector<unsigned>> quantization;  // natural order, empty when undefined
  std::vector<std::vector<unsigned>> dc_bits, ac_bits, dc_values, ac_values;
};

struct ErrorJump {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

bool libjpeg_tables(const Bytes& stream, LibjpegTables& out) {
  jpeg_decompress_struct cinfo;
  ErrorJump error;
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = [](j_common_ptr c) { longjmp(reinterpret_cast<ErrorJump*>(c->err)->jump, 1); };
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, stream.data(), static_cast<unsigned long>(stream.size()));
  if (jpeg_read_header(&cinfo, FALSE) != JPEG_HEADER_TABLES_ONLY) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  out = {};
  for (int i = 0; i < 4; ++i) {
    std::vector<unsigned> q;
    if (JQUANT_TBL* t = cinfo.quant_tbl_ptrs[i]) q.assign(t->quantval, t->quantval + 64);
    out.quantization.push_back(q);
    for (int ac = 0; ac < 2; ++ac) {
      JHUFF_TBL* t = ac ? cinfo.ac_huff_tbl_ptrs[i] : cinfo.dc_huff_tbl_ptrs[i];
      std::vector<unsigned> bits, values;
      if (t) {
        bits.assign(t->bits + 1, t->bits + 17);
        unsigned n = 0;
        for (unsigned b : bits) n += b;
        values.assign(t->huffval, t->huffval + n);
      }
      (ac ? out.ac_bits : out.dc_bits).push_back(bits);
      (ac ? out.ac_values : out.dc_values).push_back(values);
    }
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

LibjpegTables our_tables(const RstJPEGTables& t) {
  LibjpegTables out;
  for (int i = 0; i < 4; ++i) {
    std::vector<unsigned> q;
    if (t.quantization[i]) q.assign(t.quantization[i]->values(), t.quantization[i]->values() + 64);
    out.quantization.push_back(q);
    for (int ac = 0; ac < 2; ++ac) {
      const RstCountedPtr<RstHuffmanTable>& h = ac ? t.ac[i] : t.dc[i];
      std::vector<unsigned> bits, values;
      if (h) {
        bits.assign(h->bits().begin(), h->bits().end());
        for (int l = 0; l < 16; ++l) values.insert(values.end(), h->huffval(l).begin(), h->huffval(l).end());
      }
      (ac ? out.ac_bits : out.dc_bits).push_back(bits);
      (ac ? out.ac_values : out.dc_values).push_back(values);
    }
  }
  return out;
}

Bytes tiff_jpeg_tables(const std::string& path) {
  Bytes out;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return out;
  uint32_t count = 0;
  void* data = nullptr;
  if (TIFFGetField(tif, TIFFTAG_JPEGTABLES, &count, &data) && data)
    out.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + count);
  TIFFClose(tif);
  return out;
}

// A one-strip old-style JPEG page whose interchange stream is `stream`.
Bytes old_style_page(const Bytes& stream, uint32_t width, uint32_t height) {
  TiffBuilder b(false, 0);
  uint32_t at = b.add_bytes(stream);
  uint32_t n = uint32_t(stream.size());
  uint32_t ifd = b.add_ifd({TiffEntry::longs(256, {width}), TiffEntry::longs(257, {height}),
                            TiffEntry::shorts(258, {8, 8, 8}), TiffEntry::shorts(259, {6}), TiffEntry::shorts(262, {6}),
                            TiffEntry::longs(273, {at}), TiffEntry::shorts(277, {3}), TiffEntry::longs(278, {height}),
                            TiffEntry::longs(279, {n}), TiffEntry::longs(513, {at}), TiffEntry::longs(514, {n})});
  b.set_first_ifd(ifd);
  return b.bytes;
}

class JpegInTiffTest : public PageTest {
 protected:
  void SetUp() override {
    dir = temp_dir();
    ASSERT_TRUE(make_picture(dir + "/p.ppm", "plasma:", 48, 40));
    ASSERT_TRUE(shell("/usr/bin/convert '" + dir + "/p.ppm' -compress none '" + dir + "/plain.tif'"));
    ASSERT_TRUE(shell("tiffcp -c jpeg:60 -r 16 '" + dir + "/plain.tif' '" + dir + "/ycbcr.tif'"));
    ASSERT_TRUE(shell("/usr/bin/convert '" + dir + "/p.ppm' -compress JPEG '" + dir + "/magick.tif'"));
    ASSERT_TRUE(shell("cjpeg -outfile '" + dir + "/nested.jpg' '" + dir + "/p.ppm'"));
    ASSERT_TRUE(
        shell("exiftool -q -JFIF:ResolutionUnit=inches -JFIF:XResolution=150 -JFIF:YResolution=120 "
              "-overwrite_original '" +
              dir + "/nested.jpg'"));
    old_style = old_style_page(file_bytes(dir + "/nested.jpg"), 48, 40);
  }
  void TearDown() override { shell("rm -rf '" + dir + "'"); }

  std::unique_ptr<RstReadTIFFHeader> page(const Bytes& file) {
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    return std::unique_ptr<RstReadTIFFHeader>(RstReadTIFF::private_header(&in, 3));
  }

  std::string dir;
  Bytes old_style;
};

TEST_F(JpegInTiffTest, JpegTablesReadAsLibjpegReadsThem) {
  for (const char* name : {"ycbcr.tif", "magick.tif"}) {
    std::string path = dir + "/" + name;
    Bytes tables = tiff_jpeg_tables(path);
    ASSERT_FALSE(tables.empty()) << name;
    LibjpegTables expected;
    ASSERT_TRUE(libjpeg_tables(tables, expected)) << name;
    Bytes file = file_bytes(path);
    std::unique_ptr<RstReadTIFFHeader> h = page(file);
    ASSERT_TRUE(h) << name;
    ASSERT_TRUE(h->jpeg_tables) << name;
    LibjpegTables ours = our_tables(*h->jpeg_tables);
    EXPECT_EQ(ours.quantization, expected.quantization) << name;
    EXPECT_EQ(ours.dc_bits, expected.dc_bits) << name;
    EXPECT_EQ(ours.ac_bits, expected.ac_bits) << name;
    EXPECT_EQ(ours.dc_values, expected.dc_values) << name;
    EXPECT_EQ(ours.ac_values, expected.ac_values) << name;
    EXPECT_FALSE(h->reader()->nested_info()) << name;
  }
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(JpegInTiffTest, OldStylePageGetsTheNestedHeader) {
  std::unique_ptr<RstReadTIFFHeader> h = page(old_style);
  ASSERT_TRUE(h);
  const RstTIFFIFDReader::NestedInfo* nested = h->reader()->nested_info();
  ASSERT_TRUE(nested);
  EXPECT_EQ(nested->width, 48);
  EXPECT_EQ(nested->height, 40);
  EXPECT_EQ(nested->samples_per_pixel, 3);
  EXPECT_EQ(nested->bits_per_sample, 8);
  EXPECT_EQ(nested->x_resolution, 150u);
  EXPECT_EQ(nested->y_resolution, 120u);
  EXPECT_EQ(h->x_resolution, (RstRational{150, 1}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(JpegInTiffTest, WithoutAParserThePagesReadAsBefore) {
  RstTIFFJPEGStreamParser old = rst_tiff_set_jpeg_stream_parser(nullptr);
  for (const char* name : {"ycbcr.tif", "magick.tif"}) {
    Bytes file = file_bytes(dir + "/" + name);
    std::unique_ptr<RstReadTIFFHeader> h = page(file);
    ASSERT_TRUE(h) << name;
    EXPECT_FALSE(h->jpeg_tables) << name;
  }
  std::unique_ptr<RstReadTIFFHeader> h = page(old_style);
  ASSERT_TRUE(h);
  EXPECT_FALSE(h->reader()->nested_info());
  // The pages' own warnings (no resolution) only.
  EXPECT_EQ(status.errors(), std::vector<RstReport>{});
  for (const RstReport& r : status.messages()) EXPECT_EQ(r.where.find("JPEG"), std::string::npos) << r.where;
  rst_tiff_set_jpeg_stream_parser(old);
}

}  // namespace
