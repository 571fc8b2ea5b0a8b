// The PDF reader front and format detection as a whole: PDFs made by
// tiff2pdf, img2pdf and exiftool in the test run, their information against
// pdfinfo and their pages against the sources; one file per format through
// both detectors, its lines against the peer decode.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "bmp_sunras_support.h"
#include "cals_edmics_support.h"
#include "exif_support.h"
#include "page_support.h"
#include "png_support.h"
#include "raster/codecs/jpeg_stream_builder.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_pdf.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/mrc/rst_mrc_creators.h"

namespace {

std::string shell_output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// The value of one pdfinfo field, without the padding.
std::string pdfinfo_field(const std::string& path, const std::string& field) {
  std::istringstream lines(shell_output("pdfinfo '" + path + "' 2>/dev/null"));
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind(field + ":", 0) == 0) {
      size_t at = line.find_first_not_of(' ', field.size() + 1);
      return at == std::string::npos ? std::string() : line.substr(at);
    }
  return std::string();
}

// The raw literal string of a key in the file's last information dictionary.
std::string raw_string(const std::string& path, const std::string& key) {
  std::vector<uint8_t> b = file_bytes(path);
  std::string s(b.begin(), b.end());
  size_t at = s.rfind("/" + key + " (");
  if (at == std::string::npos) return std::string();
  at += key.size() + 3;
  return s.substr(at, s.find(')', at) - at);
}

// A PDF of the given objects (1 is the catalog), with its cross-reference
// table.
std::string tiny_pdf(const std::vector<std::string>& objects) {
  std::string out = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(out.size());
    out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  char entry[24];
  for (size_t o : offsets) {
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", o);
    out += entry;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

std::string stream(const std::string& dict, const std::string& data) {
  return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// One 72 x 36 point page showing the images /I0, /I1, ... (dictionary,
// data) in order over the whole page.
std::string images_pdf(const std::vector<std::pair<std::string, std::string>>& images) {
  std::string xobjects, content;
  for (size_t i = 0; i < images.size(); ++i) {
    xobjects += " /I" + std::to_string(i) + " " + std::to_string(5 + i) + " 0 R";
    content += "q 72 0 0 36 0 0 cm /I" + std::to_string(i) + " Do Q ";
  }
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 36] /Resources << /XObject <<" +
                                          xobjects + " >> >> /Contents 4 0 R >>",
                                      stream("", content)};
  for (const auto& image : images)
    objects.push_back(stream("/Type /XObject /Subtype /Image " + image.first, image.second));
  return tiny_pdf(objects);
}

// Black pixels of composed or 1-bit rows as one bit per pixel, 1 = black.
Rows black_bits(RstRead* node) {
  RstHeader h(node);
  Rows lines = read_lines(node);
  Rows out;
  for (const auto& line : lines) {
    std::vector<uint8_t> row(size_t(h.width + 7) / 8, 0);
    for (int x = 0; x < h.width; ++x) {
      bool black;
      if (h.bits_per_sample == 1) {
        bool set = line[size_t(x) / 8] & (0x80 >> (x % 8));
        black = h.color_type && h.color_type->is_gray_reverse() ? set : !set;
      } else {
        black = line[size_t(x) * size_t(h.samples_per_pixel)] < 128;
      }
      if (black) row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
    }
    out.push_back(row);
  }
  return out;
}

// The rows of a raw PBM file.
Rows pbm_rows(const std::string& path) {
  std::vector<uint8_t> b = file_bytes(path);
  std::string s(b.begin(), b.end());
  int w = 0, h = 0, consumed = 0;
  if (std::sscanf(s.c_str(), "P4 %d %d%n", &w, &h, &consumed) != 2) return {};
  size_t at = size_t(consumed) + 1, stride = size_t(w + 7) / 8;
  Rows rows;
  for (int y = 0; y < h && at + stride <= b.size(); ++y, at += stride)
    rows.emplace_back(b.begin() + long(at), b.begin() + long(at + stride));
  return rows;
}

class PdfFront : public PageTest {
 protected:
  static void SetUpTestSuite() {
    ok_ = false;
    for (const char* tool :
         {"tiff2pdf", "img2pdf", "pdfinfo", "jbgtopbm", "pnmtotiff", "tiffcp", "exiftool", "cjpeg", "iconv"})
      if (!run(std::string("command -v ") + tool + " >/dev/null")) return;
    dir_ = new std::string(temp_dir());
    const std::string cd = "cd '" + *dir_ + "' && ";
    std::string charts;
    for (int i = 1; i <= 3; ++i) {
      std::string n = std::to_string(i);
      if (!run(cd + "jbgtopbm /usr/share/jbigkit-testdata/ccitt" + n + ".jbg c" + n + ".pbm && pnmtotiff -g4 " +
               "-xresolution 300 -yresolution 300 c" + n + ".pbm > c" + n + ".tif 2>/dev/null"))
        return;
      charts += " c" + n + ".tif";
    }
    // Five small pages that differ, at 300 dpi.
    std::string small;
    for (int i = 1; i <= 5; ++i) {
      std::string n = std::to_string(i);
      if (!run(cd + "/usr/bin/convert -size " + std::to_string(40 + 8 * i) + "x30 xc:white -fill black -draw " +
               "'rectangle " + n + ",2 " + std::to_string(10 + 4 * i) + ",20' -monochrome pbm:s" + n +
               ".pbm && pnmtotiff -g4 -xresolution 300 -yresolution 300 s" + n + ".pbm > s" + n + ".tif 2>/dev/null"))
        return;
      small += " s" + n + ".tif";
    }
    ok_ = run(cd + "tiffcp" + charts + " charts.tif && tiff2pdf -o charts.pdf -t 'Plain Title' -a 'An Author' " +
              "-s 'A Subject' -k 'key words' -c 'The Creator' charts.tif") &&
          run(cd + "tiffcp" + small + " five.tif && tiff2pdf -o five.pdf five.tif") &&
          run(cd + "tiffcp s1.tif s2.tif s3.tif three.tif && tiff2pdf -o three.pdf three.tif") &&
          run(cd + "tiff2pdf -o one.pdf s1.tif && cp one.pdf utf16.pdf && exiftool -q -overwrite_original " +
              "-Title='日本語テスト' utf16.pdf") &&
          run(cd + "/usr/bin/convert -size 64x48 gradient:red-blue ppm:g.ppm && cjpeg -quality 95 g.ppm > g.jpg && " +
              "img2pdf -o jpeg.pdf g.jpg");
  }
  static void TearDownTestSuite() {
    if (dir_) run("rm -rf '" + *dir_ + "'");
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!ok_) GTEST_SKIP() << "the PDF tools are not installed";
    rst_register_mrc_creators();
  }
  static std::string path(const std::string& name) { return *dir_ + "/" + name; }
  static bool save(const std::string& name, const std::string& bytes) {
    std::ofstream out(path(name), std::ios::binary);
    out << bytes;
    return bool(out);
  }

  static inline std::string* dir_ = nullptr;
  static inline bool ok_ = false;
};

TEST_F(PdfFront, DocumentInformationEqualsPdfinfo) {
  FileInputStorage file;
  ASSERT_TRUE(file.open(path("charts.pdf")));
  const std::string before = std::setlocale(LC_ALL, nullptr);
  std::unique_ptr<RstReadPDFHeader, void (*)(RstReadPDFHeader*)> h(RstReadPDF::private_header(&file, 1),
                                                                   [](RstReadPDFHeader* p) { rst_release(p); });
  ASSERT_TRUE(h);
  ASSERT_TRUE(h->info.get());
  const RstPDFDocumentInfo& info = *h->info;
  const std::string pdf = path("charts.pdf");
  EXPECT_EQ(info.page_count, std::stoi(pdfinfo_field(pdf, "Pages")));
  const std::string version = pdfinfo_field(pdf, "PDF version");  // "1.x"
  EXPECT_EQ(info.version, 10 * (10 * (version[0] - '0') + (version[2] - '0')));
  EXPECT_EQ(info.title, pdfinfo_field(pdf, "Title"));
  EXPECT_EQ(info.author, pdfinfo_field(pdf, "Author"));
  EXPECT_EQ(info.subject, pdfinfo_field(pdf, "Subject"));
  EXPECT_EQ(info.keywords, pdfinfo_field(pdf, "Keywords"));
  EXPECT_EQ(info.creator, pdfinfo_field(pdf, "Creator"));
  EXPECT_EQ(info.producer, pdfinfo_field(pdf, "Producer"));
  EXPECT_EQ(info.creation_date, raw_string(pdf, "CreationDate"));
  EXPECT_EQ(info.mod_date, raw_string(pdf, "ModDate"));
  EXPECT_FALSE(info.creation_date.empty());
  // A G4 chart: one bilevel picture at 300 dpi.
  EXPECT_EQ(h->status, 1);
  EXPECT_EQ(h->object_count, 1);
  EXPECT_EQ(h->header.width, 1728);
  EXPECT_EQ(h->header.height, 2376);
  EXPECT_EQ(h->header.bits_per_sample, 1);
  EXPECT_EQ(h->header.samples_per_pixel, 1);
  EXPECT_EQ(h->header.data_form, RstDataForm::mmr);
  EXPECT_EQ(h->x_resolution, 300);
  EXPECT_EQ(h->y_resolution, 300);
  EXPECT_FALSE(h->document_open);
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(PdfFront, Utf16TitlesBecomeCodePage932AndStayTerminated) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  // A long title: 1,000 characters of two bytes each in code page 932.
  std::string long_title;
  for (int i = 0; i < 1000; ++i) long_title += "あ";
  ASSERT_TRUE(run("cd '" + *dir_ + "' && cp one.pdf long.pdf && exiftool -q -overwrite_original -Title='" + long_title +
                  "' long.pdf"));
  struct Case {
    const char* file;
    std::string want;
  };
  const std::vector<Case> cases = {
      {"utf16.pdf", shell_output("printf '日本語テスト' | iconv -f UTF-8 -t CP932")},
      {"long.pdf", shell_output("printf '" + long_title.substr(0, 511 * 3) + "' | iconv -f UTF-8 -t CP932")},
      {"charts.pdf", "Plain Title"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    FileInputStorage file;
    ASSERT_TRUE(file.open(path(c.file)));
    RstReadPDFHeader* h = RstReadPDF::private_header(&file, 1);
    ASSERT_TRUE(h);
    ASSERT_FALSE(c.want.empty());
    EXPECT_EQ(h->info->title, c.want);
    EXPECT_LE(h->info->title.size(), 1023u);
    rst_release(h);
  }
  // Byte order marks read either way, odd lengths ended in the copy.
  EXPECT_EQ(RstReadPDFHeader::info_string("\xFF\xFE\x41\x00\x42\x00\x00\x00\x00"), "AB");
  EXPECT_EQ(RstReadPDFHeader::info_string("\xFE\xFF\x00\x41\x30\x00\x00\x00\x00"), "A\x81\x40");
  EXPECT_EQ(RstReadPDFHeader::info_string(nullptr), "");
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(PdfFront, RefusedSilently) {
  std::vector<uint8_t> bytes = file_bytes(path("three.pdf"));
  ByteArrayInputStorage memory(bytes.data(), int32_t(bytes.size()));
  FileInputStorage three, tiff;
  ASSERT_TRUE(three.open(path("three.pdf")));
  ASSERT_TRUE(tiff.open(path("three.tif")));
  struct Case {
    const char* name;
    InputStorage* storage;
    uint32_t page;
  };
  const std::vector<Case> cases = {
      {"memory storage", &memory, 1},
      {"page 4 of 3", &three, 4},
      {"not a PDF", &tiff, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RstReadPDF::private_header(c.storage, c.page), nullptr);
  }
  EXPECT_TRUE(status.messages().empty());
  // Enable byte 12 cleared: neither function answers.
  set_enable(RstFormatEnables::pdf, 0);
  EXPECT_EQ(RstReadPDF::private_header(&three, 1), nullptr);
  EXPECT_EQ(RstReadPDF::create(&three, nullptr), nullptr);
  EXPECT_EQ(RstReadPDF::create(&three, 1u), nullptr);
  EXPECT_TRUE(status.messages().empty());
  set_enable(RstFormatEnables::pdf, 1);
  EXPECT_EQ(RstReadPDF::private_header(nullptr, 1), nullptr);
  EXPECT_EQ(RstReadPDF::create(&three, 0u), nullptr);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-2, "RstReadPDF::private_header()"}, {-2, "RstReadPDF::create()"}}));
}

TEST_F(PdfFront, ObjectsDescribeThePage) {
  auto gray = [](int w, int h) {
    return "/Width " + std::to_string(w) + " /Height " + std::to_string(h) +
           " /BitsPerComponent 8 /ColorSpace /DeviceGray";
  };
  const std::string picture = std::string(300 * 150, '\x80');
  const std::string mask = std::string(38 * 150, '\x0F');
  struct Case {
    const char* name;
    std::string file;  // written, or made by a tool
    std::vector<std::pair<std::string, std::string>> images;
    int32_t form, bits, samples, count;
  };
  const std::vector<Case> cases = {
      {"one gray picture", "gray.pdf", {{gray(300, 150), picture}}, RstDataForm::raw, 8, 1, 1},
      {"picture and mask",
       "masked.pdf",
       {{gray(300, 150), picture}, {"/ImageMask true /Width 300 /Height 150 /BitsPerComponent 1", mask}},
       RstDataForm::mrc,
       8,
       3,
       2},
      {"img2pdf JPEG", "jpeg.pdf", {}, RstDataForm::jpeg, 8, 3, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.images.empty()) {
      ASSERT_TRUE(save(c.file, images_pdf(c.images)));
    }
    FileInputStorage file;
    ASSERT_TRUE(file.open(path(c.file)));
    RstReadPDFHeader* h = RstReadPDF::private_header(&file, 1);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->header.data_form, c.form);
    EXPECT_EQ(h->header.bits_per_sample, c.bits);
    EXPECT_EQ(h->header.samples_per_pixel, c.samples);
    EXPECT_EQ(h->object_count, c.count);
    EXPECT_TRUE(h->header.color_type);
    rst_release(h);
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(PdfFront, PageZeroBuildsTheWholeChain) {
  FileInputStorage file;
  ASSERT_TRUE(file.open(path("five.pdf")));
  RstReadPDFHeader* h = RstReadPDF::private_header(&file, 0);
  ASSERT_TRUE(h);
  uint32_t expected = 1;
  int widths = 0;
  for (RstReadPDFHeader* p = h; p; p = p->next_page, ++expected) {
    EXPECT_EQ(p->page, expected);
    EXPECT_EQ(p->info.get(), h->info.get());
    EXPECT_EQ(p->header.width, 40 + 8 * int32_t(expected));
    ++widths;
  }
  EXPECT_EQ(widths, 5);
  EXPECT_EQ(h->next(), h->next_page);
  rst_release(h);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(PdfFront, PagesReadAsTheirSources) {
  FileInputStorage charts, five;
  ASSERT_TRUE(charts.open(path("charts.pdf")));
  ASSERT_TRUE(five.open(path("five.pdf")));
  // Page 2 of the charts through detection.
  {
    RstOwner<RstRead> page(RstReadRaster::create(&charts, 2));
    ASSERT_TRUE(page);
    EXPECT_TRUE(black_bits(page.get()) == pbm_rows(path("c2.pbm")));
  }
  // No header: page 1; a header: its page.
  struct Case {
    const char* name;
    uint32_t header_page;  // 0: none
    const char* pbm;
  };
  const std::vector<Case> cases = {{"no header", 0, "s1.pbm"}, {"page 4", 4, "s4.pbm"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RstReadPDFHeader* h = c.header_page ? RstReadPDF::private_header(&five, c.header_page) : nullptr;
    RstOwner<RstRead> page(RstReadPDF::create(&five, h));
    ASSERT_TRUE(page);
    EXPECT_TRUE(black_bits(page.get()) == pbm_rows(path(c.pbm)));
    rst_release(h);
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(PdfFront, AllocationFailuresLeaveNoDocumentOpen) {
  ASSERT_TRUE(save("tiny.pdf", images_pdf({{"/Width 8 /Height 4 /BitsPerComponent 8 /ColorSpace /DeviceGray",
                                            std::string(32, '\x40')}})));
  bool info_failed = false;
  for (int64_t n = 1; n <= 200; ++n) {
    FileInputStorage file;
    ASSERT_TRUE(file.open(path("tiny.pdf")));
    status.clear();
    RstAllocFault::fail_nth(n);
    RstReadPDFHeader* h = RstReadPDF::private_header(&file, 1);
    bool failed = RstAllocFault::calls() >= n;
    RstAllocFault::clear();
    rst_release(h);
    for (const RstReport& r : status.errors())
      if (r.code == -1 && r.where == "RstReadPDFHeader::initialize()") info_failed = true;
    // Another PDF is read after every failure.
    FileInputStorage other;
    ASSERT_TRUE(other.open(path("three.pdf")));
    RstReadPDFHeader* next = RstReadPDF::private_header(&other, 2);
    ASSERT_TRUE(next) << "after failing allocation " << n;
    rst_release(next);
    if (!failed) break;
  }
  EXPECT_TRUE(info_failed);
}

TEST_F(PdfFront, DetectionCountsAndReadsPdfPages) {
  FileInputStorage five, jpeg;
  ASSERT_TRUE(five.open(path("five.pdf")));
  ASSERT_TRUE(jpeg.open(path("jpeg.pdf")));
  {
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&five, 3));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format.code, RstImageFormat::pdf);
    EXPECT_EQ(info->cached_page_count, 5);
    EXPECT_EQ(info->page_count(), 5u);
    EXPECT_EQ(info->width, 64);
    EXPECT_EQ(info->x_resolution, 300);
    // Counted again from the file, it is pdfinfo's.
    info->cached_page_count = 0;
    EXPECT_EQ(info->page_count(), uint32_t(std::stoi(pdfinfo_field(path("five.pdf"), "Pages"))));
  }
  {
    // A JPEG page decodes close to what djpeg makes of its source.
    RstOwner<RstRead> page(RstReadRaster::create(&jpeg, 1));
    ASSERT_TRUE(page);
    RstHeader h(page.get());
    ASSERT_EQ(h.width, 64);
    ASSERT_EQ(h.height, 48);
    ASSERT_EQ(h.samples_per_pixel, 3);
    ASSERT_TRUE(run("cd '" + *dir_ + "' && djpeg -nosmooth -pnm g.jpg > g_dec.ppm"));
    std::vector<uint8_t> ppm = file_bytes(path("g_dec.ppm"));
    const uint8_t* samples = ppm.data() + ppm.size() - 64 * 48 * 3;
    Rows lines = read_lines(page.get());
    ASSERT_EQ(lines.size(), 48u);
    // The page comes as the JPEG's YCbCr, labelled so; compared as JFIF
    // converts it.
    ASSERT_TRUE(h.color_type == RstColorType::default_ycbcr() || h.color_type == RstColorType::s_ycbcr());
    auto clamp = [](double v) { return v < 0 ? 0 : v > 255 ? 255 : int(v + 0.5); };
    int worst = 0;
    for (size_t y = 0; y < lines.size(); ++y)
      for (size_t x = 0; x < 64; ++x) {
        double Y = lines[y][3 * x], cb = lines[y][3 * x + 1] - 128.0, cr = lines[y][3 * x + 2] - 128.0;
        const int rgb[3] = {clamp(Y + 1.402 * cr), clamp(Y - 0.344136 * cb - 0.714136 * cr), clamp(Y + 1.772 * cb)};
        for (size_t c = 0; c < 3; ++c) worst = std::max(worst, std::abs(rgb[c] - samples[(y * 64 + x) * 3 + c]));
      }
    EXPECT_LE(worst, 3);
  }
  EXPECT_TRUE(status.messages().empty());
}

// One file per format: each is taken by its own row of both detectors and
// by no earlier one, and each enable byte takes its rows out.
TEST_F(PdfFront, EveryFormatTakenByItsOwnRow) {
  const std::string cd = "cd '" + *dir_ + "' && ";
  ASSERT_TRUE(run(cd + "/usr/bin/convert -size 40x30 gradient:red-blue ppm:p.ppm && cjpeg -outfile jfif.jpg p.ppm && " +
                  "exiftool -q -overwrite_original -JFIF:ResolutionUnit=inches -JFIF:XResolution=150 " +
                  "-JFIF:YResolution=150 jfif.jpg && exiftool -q -JFIF:all= -o bare.jpg jfif.jpg"));
  ASSERT_TRUE(
      run(cd + "/usr/bin/convert -size 40x30 gradient:red-blue -density 150 -units PixelsPerInch bmp3:a.bmp && " +
          "/usr/bin/convert -size 40x30 gradient:red-blue -density 150 -units PixelsPerInch -depth 8 PNG24:a.png && " +
          "/usr/bin/convert -size 40x30 gradient:red-blue a.gif"));
  Rows rows = bilevel_rows(24, 6);
  std::vector<PageSpec> pages;
  for (int i = 0; i < 4; ++i) pages.push_back(g4_page(24, rows, 4));
  std::map<std::string, Bytes> bytes = {
      {"TIFF II", pages_file(pages)},
      {"TIFF MM", pages_file(pages, true)},
      {"JFIF", file_bytes(path("jfif.jpg"))},
      {"BMP", file_bytes(path("a.bmp"))},
      {"Exif",
       [&] {
         // The Exif APP1 of a 300 dpi primary IFD before the frame of a real
         // stream without JFIF.
         Bytes bare = file_bytes(path("bare.jpg"));
         Bytes f = JpegBytes().soi().segment(0xE1, exif_payload(exif_tiff(ExifLayout()))).b;
         f.insert(f.end(), bare.begin() + 2, bare.end());
         return f;
       }()},
      {"JPEG fax", JpegBytes().soi().g3fax(1994, 200).tables().frame_and_scan(8, 8, 1).b},
      {"PNG", file_bytes(path("a.png"))},
      {"Sun raster",
       [] {
         SunSpec sun;  // 3 x 2 at 8 bits, byte-encoded
         sun.type = 2;
         sun.length = 8;
         sun.data = {1, 2, 3, 0, 0x80, 2, 5, 0};
         return sun_bytes(sun);
       }()},
      {"EDMICS MMR", mmr_file(24, rows)},
      {"EDMICS RLC",
       [&] {
         Bytes f = rlc_sane_header(6, 24, 200);
         append(f, rlc_lines(24, rows));
         return f;
       }()},
      {"CALS", cals_file(CalsRecords(24, 6), g4_code(24, rows))},
      {"GIF", file_bytes(path("a.gif"))},
      {"JPEG", file_bytes(path("bare.jpg"))},
  };
  ASSERT_NE(bytes["Exif"][3], 0xE0) << "the Exif file kept a JFIF segment";
  struct Row {
    const char* name;
    int32_t code, dpi, enable;
    uint32_t pages;
    int32_t code_when_disabled;  // -1: nothing
  };
  const std::vector<Row> table = {
      {"TIFF II", 0, 200, RstFormatEnables::tiff, 4, -1},
      {"TIFF MM", 0, 200, RstFormatEnables::tiff, 4, -1},
      {"PDF", 12, 300, RstFormatEnables::pdf, 5, -1},
      {"JFIF", 1, 150, RstFormatEnables::jpeg, 1, -1},
      {"BMP", 4, 150, RstFormatEnables::bmp, 1, -1},
      {"Exif", 9, 300, RstFormatEnables::exif, 1, 1},
      {"JPEG fax", 2, 200, RstFormatEnables::jpeg, 1, -1},
      {"PNG", 6, 150, RstFormatEnables::png, 1, -1},
      {"Sun raster", 3, 0, RstFormatEnables::sun_raster, 1, -1},
      {"EDMICS MMR", 8, 300, RstFormatEnables::edmics_mmr, 1, -1},
      {"EDMICS RLC", 13, 200, RstFormatEnables::edmics_rlc, 1, -1},
      {"CALS", 5, 200, RstFormatEnables::cals, 1, -1},
      {"GIF", 7, 0, RstFormatEnables::gif, 1, -1},
      {"JPEG", 1, 0, RstFormatEnables::jpeg, 1, -1},
  };
  for (const Row& r : table) {
    SCOPED_TRACE(r.name);
    FileInputStorage file;
    std::unique_ptr<ByteArrayInputStorage> memory;
    InputStorage* in;
    if (std::string(r.name) == "PDF") {
      ASSERT_TRUE(file.open(path("five.pdf")));
      in = &file;
    } else {
      const Bytes& b = bytes[r.name];
      ASSERT_FALSE(b.empty());
      memory = std::make_unique<ByteArrayInputStorage>(b.data(), int32_t(b.size()));
      in = memory.get();
    }
    {
      std::unique_ptr<RstImageInfo> info(RstImageInfo::create(in, 1));
      ASSERT_TRUE(info);
      EXPECT_EQ(info->format.code, r.code);
      EXPECT_EQ(info->x_resolution, r.dpi);
      EXPECT_EQ(info->y_resolution, r.dpi);
      EXPECT_EQ(info->page_count(), r.pages);
      if (r.code == 3) {
        EXPECT_EQ(info->data_form, RstDataForm::byte_encode);
      }
      RstOwner<RstRead> reader(RstReadRaster::create(in, 1));
      ASSERT_TRUE(reader);
      RstHeader h(reader.get());
      EXPECT_EQ(h.width, info->width);
      Rows lines = read_lines(reader.get());
      EXPECT_EQ(lines.size(), size_t(info->height));
      // The lines against the source: the bilevel rows written, or the
      // peer's decode of an RGB file.
      const std::string name = r.name;
      if (name == "TIFF II" || name == "TIFF MM" || name == "EDMICS MMR" || name == "EDMICS RLC" || name == "CALS") {
        EXPECT_TRUE(lines == rows) << "data form " << h.data_form << " bits " << h.bits_per_sample;
      } else if (name == "PNG" || name == "BMP") {
        Bytes peer =
            command_output("/usr/bin/convert '" + path(name == "PNG" ? "a.png" : "a.bmp") + "' -depth 8 rgb:-");
        Bytes ours;
        for (const auto& l : lines) ours.insert(ours.end(), l.begin(), l.begin() + 40 * 3);
        EXPECT_TRUE(ours == peer) << h.samples_per_pixel << " " << h.bits_per_sample;
      } else if (name == "GIF") {
        // Indices through the reader's colour map.
        Bytes peer = command_output("/usr/bin/convert '" + path("a.gif") + "' -depth 8 rgb:-");
        ASSERT_TRUE(h.colormap && h.bits_per_sample == 8 && h.samples_per_pixel == 1);
        Bytes ours;
        for (const auto& l : lines)
          for (int x = 0; x < 40; ++x) {
            const uint8_t* c = h.colormap->data() + 3 * size_t(l[size_t(x)]);
            ours.insert(ours.end(), c, c + 3);
          }
        EXPECT_TRUE(ours == peer);
      } else if (name == "JFIF" || name == "JPEG" || name == "Exif") {
        // YCbCr as JFIF converts it, within the decoder's tolerance of djpeg.
        Bytes ppm = command_output("djpeg -nosmooth -pnm '" + path(name == "JFIF" ? "jfif.jpg" : "bare.jpg") + "'");
        ASSERT_GE(ppm.size(), size_t(40 * 30 * 3));
        const uint8_t* peer = ppm.data() + ppm.size() - 40 * 30 * 3;
        auto clamp = [](double v) { return v < 0 ? 0 : v > 255 ? 255 : int(v + 0.5); };
        int worst = 0;
        for (size_t y = 0; y < lines.size() && y < 30; ++y)
          for (size_t x = 0; x < 40; ++x) {
            double Y = lines[y][3 * x], cb = lines[y][3 * x + 1] - 128.0, cr = lines[y][3 * x + 2] - 128.0;
            const int rgb[3] = {clamp(Y + 1.402 * cr), clamp(Y - 0.344136 * cb - 0.714136 * cr), clamp(Y + 1.772 * cb)};
            for (size_t c = 0; c < 3; ++c) worst = std::max(worst, std::abs(rgb[c] - peer[(y * 40 + x) * 3 + c]));
          }
        EXPECT_LE(worst, 3);
      } else if (name == "Sun raster") {
        EXPECT_TRUE(lines == (Rows{{1, 2, 3}, {5, 5, 5}}));
      }
    }
    // Page 2: only TIFF and PDF files have one for the description; the
    // reader ignores the page elsewhere.
    in->seek(0);
    std::unique_ptr<RstImageInfo> second(RstImageInfo::create(in, 2));
    EXPECT_EQ(bool(second), r.pages > 1);
    RstOwner<RstRead> second_reader(RstReadRaster::create(in, 2));
    EXPECT_TRUE(second_reader);
    second_reader.reset();
    // Its enable byte cleared, the file leaves its row.
    set_enable(r.enable, 0);
    in->seek(0);
    std::unique_ptr<RstImageInfo> off(RstImageInfo::create(in, 1));
    EXPECT_EQ(off ? off->format.code : -1, r.code_when_disabled);
    set_enable(r.enable, 1);
    // Mid-file: described from 0 and left there; read from the position.
    in->seek(5);
    std::unique_ptr<RstImageInfo> mid(RstImageInfo::create(in, 1));
    ASSERT_TRUE(mid);
    EXPECT_EQ(mid->format.code, r.code);
    EXPECT_EQ(in->tell(), 5);
    RstOwner<RstRead> mid_reader(RstReadRaster::create(in, 1));
    if (r.code != 12) {
      EXPECT_FALSE(mid_reader);
    }
    EXPECT_EQ(in->tell(), 5);
  }
  // Only the mid-file readers were refused, each with -12.
  for (const RstReport& e : status.errors()) EXPECT_EQ(e, (RstReport{-12, "RstReadRaster::create()"}));
  status.clear();
  // Random bytes and files of 0 to 3 bytes.
  std::mt19937 random(87);
  // The short ones begin as each format's magic does, so every probe meets a
  // file that ends inside its signature.
  std::vector<Bytes> junk = {{0},
                             {0xFF},
                             {0x12, 0x34},
                             {0xFF, 0xD8},
                             {0xFF, 0xD8, 0xFF},
                             {'B', 'M'},
                             {'B', 'M', 0x36},
                             {'I', 'I', 42},
                             {'M', 'M', 0},
                             {0x89, 'P', 'N'},
                             {'G', 'I', 'F'},
                             {'%', 'P', 'D'},
                             {0x59, 0xA6, 0x6A},
                             {'s', 'r', 'c'},
                             Bytes(300)};
  for (uint8_t& b : junk.back()) b = uint8_t(random());
  for (const Bytes& j : junk) {
    ByteArrayInputStorage in(j.data(), int32_t(j.size() == 1 && j[0] == 0 ? 0 : j.size()));
    EXPECT_FALSE(RstImageInfo::create(&in, 1));
    EXPECT_TRUE(status.messages().empty());
    EXPECT_FALSE(RstReadRaster::create(&in, 1));
    EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-12, "RstReadRaster::create()"}}));
    status.clear();
  }
}

}  // namespace
