// PDF pages as MRC canvases: the object image rewritten at the density of the
// page's reference object, its failures with their statuses, the PDF mutex,
// and real files made by img2pdf and tiff2pdf whose records must point at the
// bytes pdfimages extracts and whose composed pages must equal what mutool
// draws.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "pdf_canvas_support.h"
#include "pdf_encoders.h"
#include "pdf_page_support.h"
#include "raster/core/byte_array_storage.h"

using namespace pdf_test;

namespace {

const char kInitiate[] = "RstReadPDFToMRCCanvasImpl::initiate()";
const char kModImt[] = "RstReadPDFToMRCCanvasImpl::mod_imt()";

class PdfCanvasTest : public MrcTest {
 protected:
  void TearDown() override {
    // No document stays open and the PDF mutex is free for another thread.
    EXPECT_EQ(pdf_file_size(), 0);
    EXPECT_EQ(pdf_pool_free_blocks(), 0);
    auto taken = std::make_shared<std::atomic<bool>>(false);
    std::thread([taken] {
      rst_pdf_mutex().lock();
      *taken = true;
      rst_pdf_mutex().unlock();
    }).detach();
    for (int i = 0; i < 500 && !*taken; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(*taken) << "the PDF mutex is still held";
    MrcTest::TearDown();
  }
  // The file written below the test's folder.
  std::string save(const std::string& name, const std::string& bytes) {
    std::string path = temp_path(name);
    EXPECT_TRUE(save_bytes(path, bytes));
    return path;
  }
  RstReport last_error() const { return status.errors().empty() ? RstReport{1, ""} : status.errors().back(); }
};

std::string gray_bytes(int w, int h, int seed) {
  std::string s(size_t(w) * size_t(h), '\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = char((i * 7 + size_t(seed) * 31 + i / size_t(w) * 3) & 0xFF);
  return s;
}

std::string gray8(int w, int h) {
  return " /Width " + std::to_string(w) + " /Height " + std::to_string(h) +
         " /BitsPerComponent 8 /ColorSpace /DeviceGray";
}

// A page of the given size whose resources name images /I0, /I1, ... and
// whose content is given.
std::string images_page(const std::string& media, const std::vector<std::pair<std::string, std::string>>& images,
                        const std::string& content, const std::string& page_entries = "") {
  PageBuilder b;
  std::string xobjects;
  for (size_t i = 0; i < images.size(); ++i)
    xobjects += " /I" + std::to_string(i) + " " + ref(b.image(images[i].first, images[i].second));
  int c = b.content(content);
  b.page("/MediaBox " + media + " /Resources << /XObject <<" + xobjects + " >> >> /Contents " + ref(c) + " " +
         page_entries);
  return b.finish();
}

// The G4 strip of a PBM made by pnmtotiff; empty when the tools fail.
std::string g4_of_pbm(const std::string& pbm_path, const std::string& options) {
  std::string tif = pbm_path + ".tif";
  std::string out;
  if (std::system(("pnmtotiff -g4 " + options + " '" + pbm_path + "' > '" + tif + "' 2>/dev/null").c_str()) != 0)
    return out;
  if (TIFF* t = TIFFOpen(tif.c_str(), "r")) {
    if (TIFFNumberOfStrips(t) == 1) {
      out.resize(size_t(TIFFRawStripSize(t, 0)));
      if (TIFFReadRawStrip(t, 0, out.data(), tmsize_t(out.size())) != tmsize_t(out.size())) out.clear();
    }
    TIFFClose(t);
  }
  std::remove(tif.c_str());
  return out;
}

}  // namespace

TEST_F(PdfCanvasTest, AScanOverTheWholePageKeepsItsPixels) {
  // 300 x 150 pixels over 72 x 36 points: 300 dpi.
  std::string data = gray_bytes(300, 150, 1);
  std::string path =
      save("scan.pdf", images_page("[0 0 72 36]", {{gray8(300, 150), data}}, "q 72 0 0 36 0 0 cm /I0 Do Q"));
  ConvertedPage page;
  ASSERT_TRUE(page.open(path, 1));
  EXPECT_EQ(page.header.page_width, 300u);
  EXPECT_EQ(page.header.page_height, 150u);
  EXPECT_EQ(page.header.x_resolution, 300u);
  EXPECT_EQ(page.header.y_resolution, 300u);
  ASSERT_EQ(page.records.size(), 1u);
  // At (0, 0): the origin is the image's bottom left corner, y growing down.
  EXPECT_EQ(page.records[0].x_origin, 0);
  EXPECT_EQ(page.records[0].y_origin, 150);
  EXPECT_EQ(page.records[0].bytes_per_line, 300u);
  EXPECT_EQ(page.end.count, 2u);
  EXPECT_EQ(page.node->page_rotation(), 0);
  EXPECT_EQ(page.node->box_left(), 0);
  Page p = page.compose_page();
  ASSERT_EQ(p.lines.size(), 150u);
  for (int y = 0; y < 150; ++y)
    ASSERT_EQ(std::string(p.lines[size_t(y)].begin(), p.lines[size_t(y)].end()), data.substr(size_t(y) * 300, 300))
        << y;
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(PdfCanvasTest, TheFirstMaskOrElseTheFirstImageSetsTheDensity) {
  struct Row {
    const char* name;
    std::string content;
    uint32_t width, height, resolution;
  };
  const std::string mask = " /ImageMask true /Width 75 /Height 75 /BitsPerComponent 1";
  const std::vector<Row> rows = {
      {"300 dpi first", "q 36 0 0 36 0 0 cm /I0 Do Q q 36 0 0 36 36 0 cm /I1 Do Q", 300, 150, 300},
      {"150 dpi first", "q 36 0 0 36 36 0 cm /I1 Do Q q 36 0 0 36 0 0 cm /I0 Do Q", 150, 75, 150},
      {"mask after the image", "q 36 0 0 36 0 0 cm /I0 Do Q q 36 0 0 36 36 0 cm /I2 Do Q", 150, 75, 150},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string path = save("densities.pdf", images_page("[0 0 72 36]",
                                                         {{gray8(150, 150), gray_bytes(150, 150, 2)},
                                                          {gray8(75, 75), gray_bytes(75, 75, 3)},
                                                          {mask, std::string(10 * 75, '\x0F')}},
                                                         r.content));
    ConvertedPage page;
    ASSERT_TRUE(page.open(path, 1));
    EXPECT_EQ(page.header.page_width, r.width);
    EXPECT_EQ(page.header.page_height, r.height);
    EXPECT_EQ(page.header.x_resolution, r.resolution);
    EXPECT_EQ(page.header.y_resolution, r.resolution);
    ASSERT_EQ(page.records.size(), 2u);
    // Each object spans its own share of the canvas.
    for (const RstIMSRecord& rec : page.records) EXPECT_NEAR(rec.a, r.width / 2.0, 0.01);
    Page p = page.compose_page();
    EXPECT_EQ(p.lines.size(), size_t(r.height));
  }
}

TEST_F(PdfCanvasTest, FailuresAndTheirStatuses) {
  struct Row {
    const char* name;
    std::string file;
    uint32_t page;
    RstReport error;
  };
  const std::string scan = gray8(30, 15);
  const std::string data = gray_bytes(30, 15, 4);
  const std::string full = "q 72 0 0 36 0 0 cm /I0 Do Q ";
  PageBuilder two;
  for (int i = 0; i < 2; ++i) two.page("/MediaBox [0 0 10 10] /Resources << >>");
  // Raw data whose length claims more bytes than the file holds.
  PageBuilder past;
  int big = past.w.add_stream(" /Type /XObject /Subtype /Image" + gray8(1000, 1000), "abc", "\n", " /Length 1000000");
  int c = past.content("q 72 0 0 36 0 0 cm /I0 Do Q");
  past.page("/MediaBox [0 0 72 36] /Resources << /XObject << /I0 " + ref(big) + " >> >> /Contents " + ref(c));
  const std::vector<Row> rows = {
      {"no image", images_page("[0 0 72 36]", {{scan, data}}, "q Q"), 1, {-105, kModImt}},
      {"page beyond the count", two.finish(), 3, {-206, kInitiate}},
      {"rotated image", images_page("[0 0 72 36]", {{scan, data}}, "q 0 36 -72 0 72 0 cm /I0 Do Q"), 1, {-3, kModImt}},
      {"skewed image", images_page("[0 0 72 36]", {{scan, data}}, "q 72 0 1 36 0 0 cm /I0 Do Q"), 1, {-3, kModImt}},
      {"raw length", images_page("[0 0 72 36]", {{scan, data + "x"}}, full), 1, {-50, kModImt}},
      {"raw data past the end", past.finish(), 1, {-50, kModImt}},
      {"tiny dense image first",
       images_page("[0 0 612 792]", {{gray8(1000, 1), gray_bytes(1000, 1, 5)}, {scan, data}},
                   "q 1 0 0 1 0 0 cm /I0 Do Q q 612 0 0 792 0 0 cm /I1 Do Q"),
       1,
       {-3, kModImt}},
      {"syntax inside a text object",
       images_page("[0 0 72 36]", {{scan, data}}, full + "BT ) ET"),
       1,
       {-13, kInitiate}},
      {"type inside a text object", images_page("[0 0 72 36]", {{scan, data}}, full + "BT 5 Tj ET"), 1, {0, kInitiate}},
      {"sc with five operands", images_page("[0 0 72 36]", {{scan, data}}, full + "1 2 3 4 5 sc"), 1, {-13, kInitiate}},
      {"flate image",
       images_page("[0 0 72 36]", {{scan + " /Filter /FlateDecode", flate_encode(data)}}, full),
       1,
       {-50, kInitiate}},
      {"jbig2 image",
       images_page("[0 0 72 36]", {{scan + " /Filter /JBIG2Decode", "jbig2"}}, full),
       1,
       {-50, kInitiate}},
      {"path outside a text object",
       images_page("[0 0 72 36]", {{scan, data}}, full + "0 0 m 1 1 l S"),
       1,
       {-50, kInitiate}},
      {"not a PDF", "%!PS-Adobe-3.0\n", 1, {-13, kInitiate}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    status.clear();
    std::string path = save("failure.pdf", r.file);
    ConvertedPage page;
    EXPECT_FALSE(page.open(path, r.page));
    EXPECT_EQ(last_error(), r.error);
    // The next page opens.
    std::string good = save("good.pdf", images_page("[0 0 72 36]", {{scan, data}}, full));
    ConvertedPage next;
    EXPECT_TRUE(next.open(good, 1));
  }
}

TEST_F(PdfCanvasTest, CreateArgumentsAndMakeOnce) {
  std::string path = save(
      "once.pdf", images_page("[0 0 72 36]", {{gray8(30, 15), gray_bytes(30, 15, 6)}}, "q 72 0 0 36 0 0 cm /I0 Do Q"));
  FileInputStorage file;
  ASSERT_TRUE(file.open(path));
  EXPECT_EQ(RstReadPDFToMRCCanvasImpl::create(nullptr, 1), nullptr);
  EXPECT_EQ(last_error(), (RstReport{-2, "RstReadPDFToMRCCanvasImpl::create()"}));
  EXPECT_EQ(RstReadPDFToMRCCanvasImpl::create(&file, 0), nullptr);
  EXPECT_EQ(last_error(), (RstReport{-2, "RstReadPDFToMRCCanvasImpl::create()"}));
  // A storage that names no file: none, unreported.
  status.clear();
  std::string bytes = file_bytes(path);
  ByteArrayInputStorage memory(bytes.data(), int32_t(bytes.size()));
  EXPECT_EQ(RstReadPDFToMRCCanvasImpl::create(&memory, 1), nullptr);
  EXPECT_TRUE(status.errors().empty());

  RstOwner<RstReadPDFToMRCCanvasImpl> node(RstReadPDFToMRCCanvasImpl::create(&file, 1));
  ASSERT_TRUE(node);
  RstHeader h;
  node->header(h);
  EXPECT_EQ(last_error(), (RstReport{0, "RstObjectMaker<T>::header()"}));
  std::unique_ptr<RstMRCCanvas> canvas(node->make());
  ASSERT_TRUE(canvas);
  EXPECT_EQ(canvas->width(), 30u);
  EXPECT_EQ(canvas->objects().size(), 1u);
  EXPECT_EQ(node->make(), nullptr);
  EXPECT_EQ(last_error(), (RstReport{0, "RstReadPDFToMRCCanvasImpl::make()"}));
}

TEST_F(PdfCanvasTest, ThumbnailsAreCarriedWithoutCanvasObjects) {
  for (bool flate : {false, true}) {
    SCOPED_TRACE(flate);
    std::string plain(12, '\x40');
    PageBuilder b;
    int thumb = b.stream(std::string(" /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB") +
                             (flate ? " /Filter /FlateDecode" : ""),
                         flate ? flate_encode(plain) : plain);
    int im = b.image(gray8(30, 15), gray_bytes(30, 15, 7));
    int c = b.content("q 72 0 0 36 0 0 cm /I0 Do Q");
    b.page("/MediaBox [0 0 72 36] /Rotate 270 /Thumb " + ref(thumb) + " /Resources << /XObject << /I0 " + ref(im) +
           " >> >> /Contents " + ref(c));
    ConvertedPage page;
    ASSERT_TRUE(page.open(save("thumb.pdf", b.finish()), 1));
    ASSERT_EQ(page.records.size(), flate ? 1u : 2u);
    if (!flate) {
      EXPECT_EQ(page.records[0].tag, 6u);
      EXPECT_EQ(page.records[0].bytes_per_line, 6u);
    }
    EXPECT_EQ(page.node->page_rotation(), 270);
    std::unique_ptr<RstMRCCanvas> canvas(page.node->make());
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->objects().size(), 1u);
  }
}

TEST_F(PdfCanvasTest, StatusMap) {
  const std::pair<int32_t, int32_t> rows[] = {{0, 1}, {1, -13}, {20, -50}, {2, 0}, {14, 0}, {-1, 0}};
  for (auto [core, mapped] : rows) EXPECT_EQ(rst_pdf_status(core), mapped) << core;
}

TEST_F(PdfCanvasTest, TwoThreadsConvertAtOnce) {
  std::string a = save("thread_a.pdf", images_page("[0 0 72 36]", {{gray8(300, 150), gray_bytes(300, 150, 8)}},
                                                   "q 72 0 0 36 0 0 cm /I0 Do Q"));
  std::string b = save("thread_b.pdf", images_page("[0 0 36 72]", {{gray8(150, 300), gray_bytes(150, 300, 9)}},
                                                   "q 36 0 0 72 0 0 cm /I0 Do Q"));
  std::atomic<int> good{0};
  // The fixture's recorder serves both threads: neither reports.
  auto work = [&good](const std::string& path, size_t lines) {
    for (int i = 0; i < 5; ++i) {
      ConvertedPage page;
      if (page.open(path, 1) && page.compose_page().lines.size() == lines) ++good;
    }
  };
  std::thread t1(work, a, 150), t2(work, b, 300);
  t1.join();
  t2.join();
  EXPECT_EQ(good.load(), 10);
}

// Real files: every page's canvas, records and composed pixels against the
// peer tools.
TEST_F(PdfCanvasTest, RealFilesMatchPdfimagesAndMutool) {
  for (const char* tool : {"img2pdf", "tiff2pdf", "pdfimages", "mutool", "convert", "pnmtotiff", "pngtopnm"}) {
    if (!have_tool(tool)) GTEST_SKIP() << tool << " is not installed";
  }
  struct Row {
    const char* name;
    std::string make;   // shell command writing pdf from the temp folder's files
    const char* color;  // mutool's -c
    int tolerance;
  };
  std::string dir = temp_path("real");
  std::system(("mkdir -p '" + dir + "'").c_str());
  const std::string cd = "cd '" + dir + "' && ";
  const std::string checker = "convert -size 203x97 pattern:checkerboard -draw 'circle 100,48 130,60' -monochrome ";
  const std::vector<Row> rows = {
      {"jpeg rgb",
       "/usr/bin/convert -size 120x80 gradient:red-blue -swirl 60 -density 100 -units PixelsPerInch -quality 92 "
       "in.jpg && img2pdf -o page.pdf in.jpg",
       "rgb", 3},
      {"jpeg gray",
       "/usr/bin/convert -size 90x70 gradient:white-black -swirl 90 -type Grayscale -density 150 -units "
       "PixelsPerInch in.jpg && img2pdf -o page.pdf in.jpg",
       "gray", 3},
      {"g4 min-is-white",
       checker + "pbm:in.pbm && pnmtotiff -g4 -xresolution 200 -yresolution 200 in.pbm > in.tif && "
                 "tiff2pdf -o page.pdf in.tif",
       "gray", 0},
      {"g4 min-is-black",
       checker + "pbm:in.pbm && pnmtotiff -g4 -minisblack -xresolution 300 -yresolution 300 in.pbm > "
                 "in.tif && tiff2pdf -o page.pdf in.tif",
       "gray", 0},
      {"raw rgb",
       "/usr/bin/convert -size 61x33 gradient:yellow-navy -depth 8 ppm:in.ppm && pnmtotiff -truecolor -none "
       "-xresolution 72 -yresolution 72 in.ppm > in.tif && tiff2pdf -o page.pdf in.tif",
       "rgb", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::system((cd + "rm -f page.pdf img-* drawn.*").c_str());
    ASSERT_EQ(std::system((cd + r.make + " >/dev/null 2>&1").c_str()), 0);
    const std::string pdf = dir + "/page.pdf";
    // pdfimages -list: width, height and x-ppi of the one image.
    std::string list = run_output("pdfimages -list '" + pdf + "' | tail -1");
    char type[16], color[16], enc[16], interp[8];
    int pg, num, w, h, comp, bpc, object, generation;
    double xppi = 0, yppi = 0;
    ASSERT_EQ(std::sscanf(list.c_str(), "%d %d %15s %d %d %15s %d %d %15s %7s %d %d %lf %lf", &pg, &num, type, &w, &h,
                          color, &comp, &bpc, enc, interp, &object, &generation, &xppi, &yppi),
              14)
        << list;
    ConvertedPage page;
    ASSERT_TRUE(page.open(pdf, 1));
    EXPECT_EQ(page.header.page_width, uint32_t(w));
    EXPECT_EQ(page.header.page_height, uint32_t(h));
    EXPECT_EQ(page.header.x_resolution, uint32_t(std::lround(xppi)));
    ASSERT_EQ(page.records.size(), 1u);
    const RstIMSRecord& rec = page.records[0];
    // The record's bytes are the image's coded data as pdfimages extracts it.
    ASSERT_EQ(std::system((cd + "pdfimages -all page.pdf img").c_str()), 0);
    std::string want;
    if (std::string(enc) == "jpeg") {
      want = file_bytes(dir + "/img-000.jpg");
    } else if (std::string(enc) == "ccitt") {
      want = file_bytes(dir + "/img-000.ccitt");
    } else {
      ASSERT_EQ(std::system((cd + "pngtopnm img-000.png > img-000.pnm").c_str()), 0);
      Pnm decoded;
      ASSERT_TRUE(read_pnm(dir + "/img-000.pnm", decoded));
      want.assign(decoded.samples.begin(), decoded.samples.end());
    }
    std::string bytes = file_bytes(pdf);
    ASSERT_LE(uint64_t(rec.data_offset) + rec.data_length, bytes.size());
    EXPECT_TRUE(bytes.substr(rec.data_offset, rec.data_length) == want);
    // The composed page against mutool's rendering at the image's density.
    std::string ext = std::string(r.color) == "rgb" ? "ppm" : "pgm";
    ASSERT_EQ(std::system((cd + "mutool draw -q -r " + std::to_string(std::lround(xppi)) + " -c " + r.color +
                           " -o drawn." + ext + " page.pdf 2>/dev/null")
                              .c_str()),
              0);
    Pnm drawn;
    ASSERT_TRUE(read_pnm(dir + "/drawn." + ext, drawn));
    Page p = page.compose_page();
    ASSERT_FALSE(p.lines.empty());
    Pnm ours = as_pnm(p, drawn.channels);
    int worst = worst_difference(ours, drawn);
    EXPECT_GE(worst, 0);
    EXPECT_LE(worst, r.tolerance);
  }
}

TEST_F(PdfCanvasTest, StencilMasksPaintAsMutoolDraws) {
  for (const char* tool : {"mutool", "pnmtotiff", "convert"}) {
    if (!have_tool(tool)) GTEST_SKIP() << tool << " is not installed";
  }
  // A 64 x 48 mask over a 64 x 48 point page, drawn at 72 dpi.
  std::string pbm_path = temp_path("mask.pbm");
  ASSERT_EQ(std::system(("convert -size 64x48 xc:white -fill black -draw 'circle 30,24 50,30' -draw 'rectangle 2,2 "
                         "20,8' -monochrome pbm:'" +
                         pbm_path + "'")
                            .c_str()),
            0);
  std::string pbm = file_bytes(pbm_path);
  std::string raw = pbm.substr(pbm.size() - 8 * 48);
  std::string g4 = g4_of_pbm(pbm_path, "");
  ASSERT_FALSE(g4.empty());
  const std::string base = " /ImageMask true /Width 64 /Height 48 /BitsPerComponent 1";
  const std::string ccitt = " /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 /Rows 48";
  struct Row {
    const char* name;
    std::string entries;
    std::string data;
  };
  const std::vector<Row> rows = {
      {"raw", base, raw},
      {"raw decode [1 0]", base + " /Decode [1 0]", raw},
      {"g4", base + ccitt + " >>", g4},
      {"g4 decode [1 0]", base + ccitt + " >> /Decode [1 0]", g4},
      {"g4 BlackIs1", base + ccitt + " /BlackIs1 true >>", g4},
      {"g4 BlackIs1 decode [1 0]", base + ccitt + " /BlackIs1 true >> /Decode [1 0]", g4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    std::string path =
        save("stencil.pdf", images_page("[0 0 64 48]", {{r.entries, r.data}}, "1 0 0 rg q 64 0 0 48 0 0 cm /I0 Do Q"));
    std::string ppm = temp_path("stencil.ppm");
    ASSERT_EQ(std::system(("mutool draw -q -r 72 -c rgb -o '" + ppm + "' '" + path + "' 2>/dev/null").c_str()), 0);
    Pnm drawn;
    ASSERT_TRUE(read_pnm(ppm, drawn));
    ConvertedPage page;
    ASSERT_TRUE(page.open(path, 1));
    Page p = page.compose_page();
    ASSERT_FALSE(p.lines.empty());
    EXPECT_EQ(worst_difference(as_pnm(p, 3), drawn), 0);
  }
}

TEST_F(PdfCanvasTest, ToolFilesThatAreRefused) {
  struct Row {
    const char* name;
    std::vector<const char*> tools;
    std::string make;
  };
  const std::vector<Row> rows = {
      {"png", {"img2pdf"}, "/usr/bin/convert -size 20x10 gradient: in.png && img2pdf -o page.pdf in.png"},
      {"text",
       {"ps2pdf"},
       "printf '%%!PS\\n/Helvetica findfont 12 scalefont setfont 72 72 moveto (Hello) show 10 10 moveto 50 50 lineto "
       "stroke showpage\\n' > in.ps && ps2pdf in.ps page.pdf"},
      {"encrypted",
       {"img2pdf", "qpdf"},
       "/usr/bin/convert -size 20x10 xc:red in.jpg && img2pdf -o plain.pdf in.jpg && qpdf --encrypt u o 256 -- "
       "plain.pdf page.pdf"},
      {"truncated",
       {"img2pdf"},
       "/usr/bin/convert -size 20x10 xc:red in.jpg && img2pdf -o plain.pdf in.jpg && head -c 300 plain.pdf > page.pdf"},
  };
  std::string dir = temp_path("refused");
  std::system(("mkdir -p '" + dir + "'").c_str());
  std::string good = save(
      "good.pdf", images_page("[0 0 72 36]", {{gray8(30, 15), gray_bytes(30, 15, 10)}}, "q 72 0 0 36 0 0 cm /I0 Do Q"));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    bool tools = have_tool("convert");
    for (const char* t : r.tools) tools = tools && have_tool(t);
    if (!tools) continue;
    std::system(("cd '" + dir + "' && rm -f page.pdf").c_str());
    ASSERT_EQ(std::system(("cd '" + dir + "' && " + r.make + " >/dev/null 2>&1").c_str()), 0);
    status.clear();
    ConvertedPage page;
    EXPECT_FALSE(page.open(dir + "/page.pdf", 1));
    EXPECT_FALSE(status.errors().empty());
    ConvertedPage next;
    EXPECT_TRUE(next.open(good, 1));
  }
}
