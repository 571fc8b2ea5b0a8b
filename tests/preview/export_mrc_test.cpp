// The profile M export: the mapping of the dialog's choices to the page
// writer's options, the page loop end to end checked by libtiff and
// tiffinfo, and the document's containment: an output that is the shown
// file, a page the writer refuses, a refused reduction, a missing folder;
// each gives one message and leaves a valid file or none.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/mfc/cview.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"
#include "preview/dravix_app.h"
#include "preview/dravix_doc.h"
#include "preview_test_support.h"
#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_jbig_option.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/formats/rst_read_tiff_strips.h"
#include "raster/mrc/rst_mrc_creators.h"

namespace {

std::string Bytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// What libtiff finds in one profile M page and its layer images.
struct MrcPage {
  uint32_t subfile = 0, width = 0, height = 0;
  uint16_t compression = 0;
  float xres = 0;
  bool mask_decodes = false;
  std::vector<uint16_t> layer_compressions;
  std::vector<float> layer_xres;
  std::vector<int> first_sampling;  // SOF sampling byte of the first component, JPEG layers
};

// The first component's sampling byte in the frame header of a JPEG strip.
int SofSampling(const std::vector<uint8_t>& d) {
  for (size_t i = 0; i + 11 < d.size(); ++i)
    if (d[i] == 0xFF && (d[i + 1] == 0xC0 || d[i + 1] == 0xC1)) return d[i + 11];
  return -1;
}

std::vector<MrcPage> ReadMrc(const std::string& path) {
  std::vector<MrcPage> pages;
  TIFF* t = TIFFOpen(path.c_str(), "r");
  if (!t) return pages;
  do {
    MrcPage p;
    TIFFGetField(t, TIFFTAG_SUBFILETYPE, &p.subfile);
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &p.width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &p.height);
    TIFFGetField(t, TIFFTAG_COMPRESSION, &p.compression);
    TIFFGetField(t, TIFFTAG_XRESOLUTION, &p.xres);
    std::vector<uint8_t> line(size_t(TIFFScanlineSize(t)));
    p.mask_decodes = true;
    for (uint32_t y = 0; y < p.height && p.mask_decodes; ++y) p.mask_decodes = TIFFReadScanline(t, line.data(), y) == 1;
    uint16_t count = 0;
    uint64_t* offsets = nullptr;
    std::vector<uint64_t> subs;
    if (TIFFGetField(t, TIFFTAG_SUBIFD, &count, &offsets)) subs.assign(offsets, offsets + count);
    tdir_t here = TIFFCurrentDirectory(t);
    for (uint64_t off : subs) {
      if (!TIFFSetSubDirectory(t, off)) break;
      uint16_t c = 0;
      float xr = 0;
      TIFFGetField(t, TIFFTAG_COMPRESSION, &c);
      TIFFGetField(t, TIFFTAG_XRESOLUTION, &xr);
      p.layer_compressions.push_back(c);
      p.layer_xres.push_back(xr);
      if (c == 7) {
        std::vector<uint8_t> raw(size_t(TIFFRawStripSize(t, 0)));
        if (!raw.empty()) TIFFReadRawStrip(t, 0, raw.data(), tmsize_t(raw.size()));
        p.first_sampling.push_back(SofSampling(raw));
      }
    }
    TIFFSetDirectory(t, here);
    pages.push_back(p);
  } while (TIFFReadDirectory(t));
  TIFFClose(t);
  return pages;
}

// The mask of page 1 through our TIFF reader: the page's own IFD read as a
// bilevel image, rows of packed bits.
std::vector<std::vector<uint8_t>> OurMask(const std::string& path) {
  std::vector<std::vector<uint8_t>> rows;
  FileInputStorage in;
  if (!in.open(path.c_str())) return rows;
  RstOwner<RstReadTIFFHeader> header(RstReadTIFF::private_header(&in, 1, 3));
  if (!header) return rows;
  RstOwner<RstRead> mask(RstReadTIFFOneIFD::create(&in, header.get()));
  if (!mask) return rows;
  // CCITT and JBIG decoders hand over runs: the program's run decoder makes rows.
  if (RstHeader(mask.get()).data_form == RstDataForm::rle) {
    RstRead* decoded = rst_format_creators().decode_rle ? rst_format_creators().decode_rle(mask.get()) : nullptr;
    if (!decoded) return rows;
    mask.release();
    mask.attach(decoded);
  }
  const int line = mask->line_size();
  std::vector<uint8_t> row(size_t(line > 0 ? line : 0));
  const int32_t height = RstHeader(mask.get()).height;
  for (int32_t y = 0; y < height && mask->read(row.data()) == line; ++y) rows.push_back(row);
  return rows;
}

// The first rows of a P4 file.
std::vector<std::vector<uint8_t>> PbmRows(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::string magic;
  int w = 0, h = 0;
  f >> magic >> w >> h;
  f.get();
  std::vector<std::vector<uint8_t>> rows;
  if (magic != "P4" || w <= 0 || h <= 0) return rows;
  for (int y = 0; y < h; ++y) {
    std::vector<uint8_t> row(size_t(w + 7) / 8);
    if (!f.read(reinterpret_cast<char*>(row.data()), std::streamsize(row.size()))) break;
    rows.push_back(row);
  }
  return rows;
}

// The tag bit after each EOL of T.4 two-dimensional data (1: the line is
// coded in one dimension): eleven zeros and a one make the EOL, which no
// code word holds.
std::vector<int> EolTags(const std::vector<uint8_t>& data) {
  std::vector<int> tags;
  int zeros = 0;
  const size_t bits = data.size() * 8;
  for (size_t i = 0; i < bits; ++i) {
    const int bit = (data[i / 8] >> (7 - i % 8)) & 1;
    if (!bit) {
      ++zeros;
      continue;
    }
    if (zeros >= 11 && i + 1 < bits) {
      tags.push_back((data[(i + 1) / 8] >> (7 - (i + 1) % 8)) & 1);
      ++i;
    }
    zeros = 0;
  }
  return tags;
}

class ExportMrcTest : public PreviewTest {
 protected:
  void SetUp() override {
    PreviewTest::SetUp();
    rst_register_mrc_creators();
    root_ = pk::seams::UseTemporaryMachineRoot();
    theApp.m_szIniPath[0] = 0;
    PkSetHostPathMode(TRUE);
  }
  // The ITU charts 1 to 3 as one G4 file at 200 dpi.
  std::string Charts() {
    std::string charts;
    for (int n = 1; n <= 3; ++n) {
      std::string chart = chart_file(n);
      EXPECT_FALSE(chart.empty()) << "jbgtopbm";
      charts += " " + chart;
    }
    EXPECT_TRUE(Sh("/usr/bin/convert" + charts + " -density 200 -units PixelsPerInch -compress Group4 charts.tif"));
    return Path("charts.tif");
  }
  // A small bilevel page with text-like bars, at the given resolutions.
  std::string Bars(const std::string& name, int width, int height, int xdpi, int ydpi) {
    Pbm(name + ".pbm", width, height, [](int x, int y) { return (y / 6) % 2 == 0 && (x / 4) % 3 == 0; });
    EXPECT_TRUE(Sh("pnmtotiff -g4 -xresolution " + std::to_string(xdpi) + " -yresolution " + std::to_string(ydpi) +
                   " " + name + ".pbm > " + name));
    return Path(name);
  }
  // An LZW RGB page, a gray page and a chart, each of its own size.
  std::string Mixed() {
    Pnm("rgb.ppm", 160, 120, true, [](int x, int y) {
      return std::vector<uint8_t>{uint8_t(x), uint8_t(y * 2), uint8_t((x / 10 + y / 10) % 2 ? 20 : 230)};
    });
    Pnm("gray.pgm", 90, 150, false, [](int x, int y) { return std::vector<uint8_t>{uint8_t((x * y) % 256)}; });
    EXPECT_TRUE(
        Sh("/usr/bin/convert rgb.ppm -density 100 -units PixelsPerInch -compress LZW rgb.tif && "
           "/usr/bin/convert gray.pgm -density 100 -units PixelsPerInch -compress LZW gray.tif && "
           "/usr/bin/convert " +
           chart_file(2) +
           " -density 200 -units PixelsPerInch -compress Group4 chart.tif && "
           "tiffcp rgb.tif gray.tif chart.tif mixed.tif"));
    return Path("mixed.tif");
  }
  // Three pages of which page 2 has x and y resolutions that differ.
  std::string Uneven() {
    Bars("u1.tif", 64, 48, 200, 200);
    Bars("u2.tif", 64, 48, 200, 100);
    Bars("u3.tif", 64, 48, 200, 200);
    EXPECT_TRUE(Sh("tiffcp u1.tif u2.tif u3.tif uneven.tif"));
    return Path("uneven.tif");
  }
  bool Export(CDravixDoc& doc, const std::string& out, int mask = 3, int fgReduction = 1) {
    return doc.ExportMrc(out.c_str(), 2, mask, 1, 1, fgReduction, 1, 2, 2, 50, 50);
  }
  bool TiffInfo(const std::string& path) const { return Sh("tiffinfo '" + path + "' 2>&1 | (! grep -qi error)"); }
  size_t Messages() const { return pk::seams::MessageBoxCalls().size(); }
  std::u16string LastMessage() const {
    auto calls = pk::seams::MessageBoxCalls();
    return calls.empty() ? std::u16string() : calls.back().text;
  }
  uint32_t PagesOurReaderSees(const std::string& path) {
    FileInputStorage in;
    if (!in.open(path.c_str())) return 0;
    RstOwner<RstImageInfo> info(RstImageInfo::create(&in, 1));
    return info ? info->page_count() : 0;
  }
  std::string root_;
};

bool Contains(const std::u16string& text, const std::string& part) {
  return text.find(std::u16string(part.begin(), part.end())) != std::u16string::npos;
}

TEST_F(ExportMrcTest, ChoicesMapToTheWriterOptions) {
  // Defaults: three layers, MMR mask, JPEG 50 at 4:2:0 for both layers, reductions 2.
  CRstInterface::MrcCoding d = CRstInterface::MapMrcOptions(2, 3, 1, 1, 1, 1, 2, 2, 50, 50, 200);
  EXPECT_EQ(d.mode, 0u);
  auto* mmr = dynamic_cast<RstMMROption*>(d.mask.get());
  ASSERT_NE(mmr, nullptr);
  EXPECT_EQ(mmr->end_code, 1);
  EXPECT_EQ(mmr->uncompressed_mode, 0);
  for (const auto* layer : {d.foreground.get(), d.background.get()}) {
    auto* jpeg = dynamic_cast<const RstEncodeJPEGOption*>(layer);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->quality, 50);
    EXPECT_EQ(jpeg->sampling, 0x12201220u);
  }
  EXPECT_EQ(d.foreground_reduction, 2u);
  EXPECT_EQ(d.background_reduction, 2u);

  for (auto [type, mode] : {std::pair{0, 1u}, std::pair{1, 2u}, std::pair{2, 0u}, std::pair{7, 0u}})
    EXPECT_EQ(CRstInterface::MapMrcOptions(type, 3, 1, 1, 1, 1, 2, 2, 50, 50, 200).mode, mode) << type;

  EXPECT_EQ(CRstInterface::MapMrcOptions(2, 0, 1, 1, 1, 1, 2, 2, 50, 50, 200).mask, nullptr);
  auto mh = CRstInterface::MapMrcOptions(2, 1, 1, 1, 1, 1, 2, 2, 50, 50, 200);
  auto* mhOption = dynamic_cast<RstMHOption*>(mh.mask.get());
  ASSERT_NE(mhOption, nullptr);
  EXPECT_EQ(mhOption->encode_type(), 1);
  EXPECT_EQ(std::vector<int>({mhOption->end_code, mhOption->uncompressed_mode, mhOption->eol, mhOption->reserved,
                              mhOption->byte_align}),
            std::vector<int>({1, 0, 1, 0, 0}));
  // K follows the shown page's y resolution: above 100 dpi 4, else 2.
  for (auto [dpi, k] : {std::pair{200u, 4}, std::pair{101u, 4}, std::pair{100u, 2}, std::pair{72u, 2}}) {
    auto mr = CRstInterface::MapMrcOptions(2, 2, 1, 1, 1, 1, 2, 2, 50, 50, dpi);
    auto* mrOption = dynamic_cast<RstMROption*>(mr.mask.get());
    ASSERT_NE(mrOption, nullptr);
    EXPECT_EQ(mrOption->encode_type(), 2);
    EXPECT_EQ(mrOption->k, k) << dpi;
    EXPECT_EQ(mrOption->reserved, 0);
    EXPECT_EQ(mrOption->byte_align, 0);
  }
  auto t85 = CRstInterface::MapMrcOptions(2, 4, 1, 1, 1, 1, 2, 2, 50, 50, 200);
  auto* t85Option = dynamic_cast<RstEncodeJBIGT85Option*>(t85.mask.get());
  ASSERT_NE(t85Option, nullptr);
  EXPECT_EQ(t85Option->l0, 128u);
  EXPECT_EQ(t85Option->mx, 0u);
  EXPECT_EQ(t85Option->options, 0u);

  // Layer compression none and "JBIG(T.43)" give no coding option.
  for (int c : {0, 2}) {
    auto m = CRstInterface::MapMrcOptions(2, 3, c, c, 1, 1, 2, 2, 50, 50, 200);
    EXPECT_EQ(m.foreground, nullptr) << c;
    EXPECT_EQ(m.background, nullptr) << c;
  }
  const uint32_t kCodes[] = {0x11101110, 0x12201110, 0x12201220, 0x14401110, 0x12201220};
  for (int s = 0; s <= 4; ++s) {
    auto m = CRstInterface::MapMrcOptions(2, 3, 1, 1, 1, 1, s, 3 - (s % 4), 10, 90, 200);
    EXPECT_EQ(dynamic_cast<RstEncodeJPEGOption*>(m.foreground.get())->sampling, kCodes[s]) << s;
    EXPECT_EQ(dynamic_cast<RstEncodeJPEGOption*>(m.foreground.get())->quality, 10);
    EXPECT_EQ(dynamic_cast<RstEncodeJPEGOption*>(m.background.get())->sampling, kCodes[3 - (s % 4)]) << s;
    EXPECT_EQ(dynamic_cast<RstEncodeJPEGOption*>(m.background.get())->quality, 90);
  }
  for (int r = 0; r <= 3; ++r) {
    auto m = CRstInterface::MapMrcOptions(2, 3, 1, 1, r, 3 - r, 2, 2, 50, 50, 200);
    EXPECT_EQ(m.foreground_reduction, uint32_t(r + 1));
    EXPECT_EQ(m.background_reduction, uint32_t(4 - r));
  }
}

TEST_F(ExportMrcTest, DefaultsWriteEveryChartPageAsProfileM) {
  CDravixDoc doc;
  ASSERT_TRUE(doc.OpenDocumentFile(Charts().c_str()));
  const std::string out = Path("charts-m.tif");
  ASSERT_TRUE(Export(doc, out));
  EXPECT_EQ(Messages(), 0u);
  EXPECT_EQ(doc.GetExportPageCount(), 3);
  EXPECT_TRUE(TiffInfo(out));
  EXPECT_EQ(PagesOurReaderSees(out), 3u);
  std::vector<MrcPage> pages = ReadMrc(out);
  ASSERT_EQ(pages.size(), 3u);
  for (uint32_t n = 0; n < 3; ++n) {
    SCOPED_TRACE("page " + std::to_string(n + 1));
    CRstInterface shown;
    ASSERT_TRUE(shown.OpenPage(Path("charts.tif").c_str(), n + 1));
    const MrcPage& p = pages[n];
    EXPECT_TRUE(p.subfile & 0x10);
    EXPECT_EQ(p.width, shown.GetWidth());
    EXPECT_EQ(p.height, shown.GetHeight());
    EXPECT_EQ(p.compression, 4);
    EXPECT_FLOAT_EQ(p.xres, 200.0f);
    EXPECT_TRUE(p.mask_decodes);
    ASSERT_FALSE(p.layer_compressions.empty());
    for (size_t i = 0; i < p.layer_compressions.size(); ++i) {
      EXPECT_EQ(p.layer_compressions[i], 7);
      EXPECT_FLOAT_EQ(p.layer_xres[i], 100.0f);
    }
    for (int s : p.first_sampling) EXPECT_EQ(s, 0x22);
  }
  // ImageLayer (2, page) on each page, SubIFDs to the layers.
  EXPECT_TRUE(Sh("tiffdump '" + out + "' | grep -c '34732\\|ImageLayer' | grep -qx 3"));
  EXPECT_TRUE(Sh("tiffdump '" + out + "' | grep -c 'SubIFD' | grep -qx 3"));
}

TEST_F(ExportMrcTest, MaskAndLayerCodingsReachTheFile) {
  CDravixDoc doc;
  ASSERT_TRUE(doc.OpenDocumentFile(Bars("bars.tif", 96, 64, 200, 200).c_str()));
  struct Case {
    int mask, layer, subsampling;
    uint16_t mask_compression, layer_compression;
    int sampling;
  } cases[] = {{0, 1, 0, 1, 7, 0x11}, {1, 1, 2, 3, 7, 0x22}, {2, 0, 2, 3, 1, -1}, {3, 2, 2, 4, 1, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE("mask " + std::to_string(c.mask) + " layer " + std::to_string(c.layer));
    const std::string out = Path("bars-m.tif");
    ASSERT_TRUE(doc.ExportMrc(out.c_str(), 2, c.mask, c.layer, c.layer, 1, 1, c.subsampling, c.subsampling, 60, 60));
    EXPECT_TRUE(TiffInfo(out));
    std::vector<MrcPage> pages = ReadMrc(out);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].compression, c.mask_compression);
    EXPECT_TRUE(pages[0].mask_decodes);
    ASSERT_FALSE(pages[0].layer_compressions.empty());
    for (uint16_t lc : pages[0].layer_compressions) EXPECT_EQ(lc, c.layer_compression);
    for (int s : pages[0].first_sampling) EXPECT_EQ(s, c.sampling);
  }
  EXPECT_EQ(Messages(), 0u);
}

TEST_F(ExportMrcTest, MixedPagesExportAndTheShownPageStaysDescribed) {
  const std::string mixed = Mixed();
  // The same zoom step on a document that exported and on one that did not.
  CDravixDoc doc, reference;
  ASSERT_TRUE(doc.OpenDocumentFile(mixed.c_str()));
  ASSERT_TRUE(reference.OpenDocumentFile(mixed.c_str()));
  const CRstInterface* rst = doc.GetInterface();

  const std::string out = Path("mixed-m.tif");
  ASSERT_TRUE(Export(doc, out));
  EXPECT_TRUE(TiffInfo(out));
  std::vector<MrcPage> pages = ReadMrc(out);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].width, 160u);
  EXPECT_EQ(pages[1].width, 90u);
  EXPECT_GT(pages[2].width, 1000u);

  // The bridge still describes page 1: a zoom step renders it as before.
  EXPECT_EQ(rst->GetWidth(), 160u);
  EXPECT_EQ(rst->GetHeight(), 120u);
  EXPECT_EQ(rst->GetYResolution(), 100u);
  ASSERT_TRUE(doc.StepZoom(1, RECT{0, 0, 700, 500}));
  ASSERT_TRUE(reference.StepZoom(1, RECT{0, 0, 700, 500}));
  EXPECT_EQ(doc.ShownZoomPercent(), reference.ShownZoomPercent());
  EXPECT_EQ(BitmapImage(*rst), BitmapImage(*reference.GetInterface()));
  EXPECT_EQ(Messages(), 0u);
}

TEST_F(ExportMrcTest, PathsMapAsThePreviewsDo) {
  CDravixDoc doc;
  // Without a file nothing happens.
  EXPECT_TRUE(Export(doc, "c:\\out.tif"));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/c/out.tif"));
  ASSERT_TRUE(doc.OpenDocumentFile(Bars("bars.tif", 96, 64, 100, 100).c_str()));
  // An empty path: false, silently.
  EXPECT_FALSE(Export(doc, ""));
  EXPECT_EQ(Messages(), 0u);
  std::filesystem::create_directories(root_ + "/c");
  ASSERT_TRUE(Export(doc, "c:\\out.tif"));
  EXPECT_TRUE(TiffInfo(root_ + "/c/out.tif"));
  ASSERT_TRUE(Export(doc, Path("host.tif")));
  EXPECT_TRUE(TiffInfo(Path("host.tif")));
  EXPECT_EQ(Messages(), 0u);

  // A folder that does not exist: false and one message naming the path.
  const std::string missing = Path("no/such/out.tif");
  EXPECT_FALSE(Export(doc, missing));
  EXPECT_EQ(Messages(), 1u);
  EXPECT_TRUE(Contains(LastMessage(), missing));
}

TEST_F(ExportMrcTest, TheShownFileIsNeverTheOutput) {
  CDravixDoc doc;
  const std::string in = Bars("shown.tif", 96, 64, 200, 200);
  ASSERT_TRUE(doc.OpenDocumentFile(in.c_str()));
  const std::string bytes = Bytes(in);
  const RgbImage shown = BitmapImage(*doc.GetInterface());
  ASSERT_EQ(symlink(in.c_str(), Path("link.tif").c_str()), 0);
  size_t messages = 0;
  for (const std::string& out : {in, Path("link.tif"), Path("./shown.tif")}) {
    SCOPED_TRACE(out);
    EXPECT_FALSE(Export(doc, out));
    EXPECT_EQ(Messages(), ++messages);
    EXPECT_EQ(Bytes(in), bytes);
  }
  EXPECT_EQ(BitmapImage(*doc.GetInterface()), shown);
  EXPECT_TRUE(doc.SetZoom(50, 1));
}

TEST_F(ExportMrcTest, ARefusedPageLeavesTheCompletedPages) {
  CDravixDoc doc;
  ASSERT_TRUE(doc.OpenDocumentFile(Uneven().c_str()));
  const std::string where = "RstEncodeAndWriteTIFFMRC::create() - X resolution != Y resolution.";
  {
    // Under an observer that returns: false and one message with the report.
    RstStatusRecorder recorder;
    const std::string out = Path("quiet.tif");
    EXPECT_FALSE(Export(doc, out));
    EXPECT_EQ(Messages(), 1u);
    EXPECT_TRUE(Contains(LastMessage(), where));
    EXPECT_TRUE(Contains(LastMessage(), "-2"));
    ASSERT_FALSE(recorder.errors().empty());
    EXPECT_EQ(recorder.errors().back(), (RstReport{-2, where}));
    EXPECT_TRUE(TiffInfo(out));
    EXPECT_EQ(ReadMrc(out).size(), 1u);
    EXPECT_EQ(PagesOurReaderSees(out), 1u);
  }
  // Under the default observer the thrown report is caught: the same.
  const std::string out = Path("thrown.tif");
  EXPECT_FALSE(Export(doc, out));
  EXPECT_EQ(Messages(), 2u);
  EXPECT_TRUE(Contains(LastMessage(), where));
  EXPECT_TRUE(TiffInfo(out));
  EXPECT_EQ(ReadMrc(out).size(), 1u);
}

// A first page refused after the output was opened leaves no file without
// a page behind: a new path stays free, an earlier file there is gone.
// Whether the report is recorded or thrown, one message names page 1.
TEST_F(ExportMrcTest, AFirstPageFailureLeavesNoOutputFile) {
  Bars("f1.tif", 64, 48, 200, 100);
  Bars("f2.tif", 64, 48, 200, 200);
  ASSERT_TRUE(Sh("tiffcp f1.tif f2.tif first-uneven.tif"));
  CDravixDoc doc;
  ASSERT_TRUE(doc.OpenDocumentFile(Path("first-uneven.tif").c_str()));
  size_t messages = 0;
  for (bool quiet : {true, false}) {
    for (bool existing : {false, true}) {
      SCOPED_TRACE(std::string(quiet ? "recorded" : "thrown") + (existing ? ", earlier file" : ", new path"));
      std::unique_ptr<RstStatusRecorder> recorder(quiet ? new RstStatusRecorder : nullptr);
      const std::string out = Path(existing ? "earlier.tif" : "new.tif");
      if (existing) std::ofstream(out, std::ios::binary) << "earlier contents";
      EXPECT_FALSE(Export(doc, out));
      EXPECT_EQ(Messages(), ++messages);
      EXPECT_TRUE(Contains(LastMessage(), "X resolution != Y resolution."));
      EXPECT_TRUE(Contains(LastMessage(), "gina 1 "));
      EXPECT_FALSE(std::filesystem::exists(out));
    }
  }
  // The shown file is untouched and the next export of a good file works.
  CDravixDoc good;
  ASSERT_TRUE(good.OpenDocumentFile(Path("f2.tif").c_str()));
  ASSERT_TRUE(Export(good, Path("new.tif")));
  EXPECT_TRUE(TiffInfo(Path("new.tif")));
}

TEST_F(ExportMrcTest, OneThirdIsRefusedBeforeTheOutputIsTouched) {
  CDravixDoc doc;
  ASSERT_TRUE(doc.OpenDocumentFile(Bars("bars.tif", 96, 64, 200, 200).c_str()));
  const std::string out = Path("kept.tif");
  {
    std::ofstream f(out, std::ios::binary);
    f << "earlier contents";
  }
  for (bool quiet : {true, false}) {
    SCOPED_TRACE(quiet);
    std::unique_ptr<RstStatusRecorder> recorder(quiet ? new RstStatusRecorder : nullptr);
    const size_t before = Messages();
    EXPECT_FALSE(Export(doc, out, 3, 2));
    EXPECT_EQ(Messages(), before + 1);
    EXPECT_TRUE(Contains(LastMessage(), "RstWriteTIFFMRCOption::RstWriteTIFFMRCOption()"));
    EXPECT_TRUE(Contains(LastMessage(), "-2"));
    EXPECT_EQ(Bytes(out), "earlier contents");
  }
}

// End to end, MR masks carry K = 2 at 100 dpi and K = 4 above it (the mask
// coder takes K from the page's resolution), T.85 masks a JBIG stream
// jbgtopbm reads; in each case libtiff (or jbgtopbm) and our reader find
// the same mask, of the page's size.
TEST_F(ExportMrcTest, MrAndT85MasksReadTheSameByPeersAndByUs) {
  const std::string chart = chart_file(1);
  ASSERT_FALSE(chart.empty());
  struct Case {
    int dpi, mask;
    uint16_t compression;
    int k;  // MR only
  } cases[] = {{100, 2, 3, 2}, {200, 2, 3, 4}, {100, 4, 9, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("dpi " + std::to_string(c.dpi) + " mask " + std::to_string(c.mask));
    const std::string name = "page" + std::to_string(c.dpi) + ".tif";
    const std::string dpi = std::to_string(c.dpi);
    ASSERT_TRUE(Sh("/usr/bin/convert " + chart + " -crop 640x400+200+400 +repage -density " + dpi +
                   " -units PixelsPerInch -compress Group4 " + name));
    CDravixDoc doc;
    ASSERT_TRUE(doc.OpenDocumentFile(Path(name).c_str()));
    ASSERT_EQ(doc.GetInterface()->GetYResolution(), uint32_t(c.dpi));
    const std::string out = Path("m" + name);
    ASSERT_TRUE(Export(doc, out, c.mask));
    EXPECT_TRUE(TiffInfo(out));

    std::vector<std::vector<uint8_t>> ours = OurMask(out);
    ASSERT_EQ(ours.size(), 400u);
    EXPECT_EQ(ours[0].size(), 80u);
    size_t black = 0;
    for (const auto& row : ours)
      for (uint8_t b : row) black += size_t(__builtin_popcount(b));
    EXPECT_GT(black, 1000u);  // the chart's text is in the mask

    TIFF* t = TIFFOpen(out.c_str(), "r");
    ASSERT_NE(t, nullptr);
    uint16_t compression = 0;
    uint32_t width = 0, height = 0, rows_per_strip = 0, t4 = 0;
    TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rows_per_strip);
    EXPECT_EQ(compression, c.compression);
    EXPECT_EQ(width, 640u);
    EXPECT_EQ(height, 400u);
    std::vector<std::vector<uint8_t>> peer;
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
      std::vector<uint8_t> raw(size_t(TIFFRawStripSize(t, s)));
      ASSERT_FALSE(raw.empty());
      ASSERT_EQ(TIFFReadRawStrip(t, s, raw.data(), tmsize_t(raw.size())), tmsize_t(raw.size()));
      const uint32_t rows = std::min(rows_per_strip, height - s * rows_per_strip);
      if (c.mask == 2) {
        // Per strip: one one-dimensional line, then K - 1 two-dimensional ones.
        std::vector<int> tags = EolTags(raw);
        ASSERT_GE(tags.size(), size_t(rows));
        for (uint32_t y = 0; y < rows; ++y) ASSERT_EQ(tags[y], y % uint32_t(c.k) == 0 ? 1 : 0) << "row " << y;
      } else {
        // libtiff does not decode Compression 9: the strip through jbgtopbm.
        std::ofstream(Path("strip.jbg"), std::ios::binary)
            .write(reinterpret_cast<const char*>(raw.data()), std::streamsize(raw.size()));
        ASSERT_TRUE(Sh("jbgtopbm strip.jbg strip.pbm"));
        std::vector<std::vector<uint8_t>> part = PbmRows(Path("strip.pbm"));
        EXPECT_EQ(part.size(), size_t(rows));
        peer.insert(peer.end(), part.begin(), part.end());
      }
    }
    if (c.mask == 2) {
      ASSERT_TRUE(TIFFGetField(t, TIFFTAG_T4OPTIONS, &t4));
      EXPECT_EQ(t4 & 1u, 1u);  // two-dimensional coding
      std::vector<uint8_t> line(size_t(TIFFScanlineSize(t)));
      for (uint32_t y = 0; y < height; ++y) {
        ASSERT_EQ(TIFFReadScanline(t, line.data(), y), 1) << y;
        peer.push_back(line);
      }
    }
    TIFFClose(t);
    EXPECT_TRUE(peer == ours);
  }
  EXPECT_EQ(Messages(), 0u);
}

// A 4-bit page is exported with the levels it is shown with (gray levels
// spread over 0 to 255, colormaps expanded), and so is an 8-bit palette
// page: exactly as the 8-bit page that is shown the same, in each layer mode.
TEST_F(ExportMrcTest, FourBitAndPalettePagesExportAsTheyAreShown) {
  Pnm(
      "gray4.pgm", 64, 48, false, [](int x, int) { return std::vector<uint8_t>{uint8_t((x / 4) % 16)}; }, 15);
  Pnm("gray8.pgm", 64, 48, false, [](int x, int) { return std::vector<uint8_t>{uint8_t((x / 4) % 16 * 17)}; });
  Pnm("colour.ppm", 64, 48, true, [](int x, int y) {
    return std::vector<uint8_t>{uint8_t(x * 4), uint8_t(y * 5), uint8_t((x / 8 + y / 8) % 2 ? 200 : 0)};
  });
  ASSERT_TRUE(
      Sh("pnmtotiff gray4.pgm > gray4.tif && pnmtotiff gray8.pgm > gray8.tif && /usr/bin/convert colour.ppm -colors 16 "
         "-type Palette -depth 4 -density 200 -units PixelsPerInch palette4.tif && /usr/bin/convert palette4.tif "
         "-type TrueColor -depth 8 rgb8.tif && /usr/bin/convert colour.ppm -colors 100 -type Palette -depth 8 "
         "palette8.tif && /usr/bin/convert palette8.tif -type TrueColor -depth 8 rgb8b.tif"));
  const std::pair<const char*, const char*> pairs[] = {
      {"gray4.tif", "gray8.tif"}, {"palette4.tif", "rgb8.tif"}, {"palette8.tif", "rgb8b.tif"}};
  for (const auto& [four, eight] : pairs) {
    SCOPED_TRACE(four);
    ASSERT_TRUE(Sh(std::string("tiffinfo ") + four + " | grep -q 'Bits/Sample: [48]'"));
    // Export each with raw unreduced layers and show the result at 100 %.
    auto exported = [&](const char* name, int type) {
      CDravixDoc doc;
      CRstInterface page;
      const std::string out = Path(std::string("m") + name);
      if (!doc.OpenDocumentFile(Path(name).c_str()) || !doc.ExportMrc(out.c_str(), type, 3, 0, 0, 0, 0, 2, 2, 50, 50) ||
          !page.OpenPage(out.c_str(), 1) || !page.RenderPage(out.c_str(), 100, 0, 0, 1))
        return RgbImage();
      return BitmapImage(page);
    };
    CRstInterface a, b;
    ASSERT_TRUE(a.OpenPage(Path(four).c_str(), 1) && a.RenderPage(Path(four).c_str(), 100, 0, 0, 1));
    ASSERT_TRUE(b.OpenPage(Path(eight).c_str(), 1) && b.RenderPage(Path(eight).c_str(), 100, 0, 0, 1));
    ASSERT_EQ(BitmapImage(a), BitmapImage(b));  // the two pages are shown the same
    for (int type : {0, 1, 2}) {
      SCOPED_TRACE("document type " + std::to_string(type));
      const RgbImage mine = exported(four, type);
      ASSERT_EQ(mine.width, 64);
      EXPECT_EQ(mine, exported(eight, type));
    }
  }
  EXPECT_EQ(Messages(), 0u);
}

}  // namespace
