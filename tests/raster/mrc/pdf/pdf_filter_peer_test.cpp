// The decoding stages against independent encoders and decoders, with files
// made in the test run: zlib-flate's Flate data, a PNG embedded by img2pdf
// (Flate with the PNG predictors), a TIFF strip compressed by tiffcp (TIFF
// LZW is PDF LZW with the early width change), and qpdf's decoding of streams
// our writer wrote with each filter.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "pdf_encoders.h"
#include "pdf_session.h"
#include "raster/mrc/pdf/pdf_stream_data.h"

using namespace pdf_test;

namespace {

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command and returns its standard output.
std::string capture(const std::string& command, int* status = nullptr) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    int s = pclose(p);
    if (status) *status = s;
  }
  return out;
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void spill(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(bytes.data(), std::streamsize(bytes.size()));
}

// A binary PPM of a smooth picture with many colours, so that PNG encoders
// keep it RGB and use their row filters.
std::string make_ppm(int w, int h, std::string* raster) {
  raster->clear();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      *raster += char(x * 7 + y);
      *raster += char(y * 11);
      *raster += char((x * y) ^ (x + 3 * y));
    }
  }
  return "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n" + *raster;
}

// Our decoding of data in a one-stream file with the given filter.
std::string ours(const FilterSpec& f, const std::string& data, int32_t* code) {
  PdfWriter w;
  int n = w.add_stream("", data);
  PdfSession session(w.bytes(), "peer.pdf");
  std::string out;
  *code = read_stream_data(
      w.after_stream_keyword(n), [&] { return dictionary_for(f, int64_t(data.size())); }, &out);
  return out;
}

int integer_entry(const std::string& dict, const std::string& key) {
  size_t at = dict.find("/" + key + " ");
  return at == std::string::npos ? -1 : std::atoi(dict.c_str() + at + key.size() + 2);
}

}  // namespace

TEST(PdfFilterPeerTest, FlateDataFromZlibFlate) {
  if (!have("zlib-flate")) GTEST_SKIP() << "zlib-flate (qpdf) not installed";
  std::string plain;
  for (uint32_t i = 0; i < 200000; ++i) plain += char((i * i) >> 7);
  std::string in = temp_path("plain.bin");
  spill(in, plain);
  std::string z = capture("zlib-flate -compress < " + in);
  ASSERT_GT(z.size(), 10u);
  for (const std::string& data : {z, z.substr(0, z.size() - 4)}) {
    int32_t code = -1;
    EXPECT_EQ(ours({"FlateDecode", {}}, data, &code), plain);
    EXPECT_EQ(code, 0);
  }
  std::remove(in.c_str());
}

TEST(PdfFilterPeerTest, PngPredictorsOfAnImageEmbeddedByImg2pdf) {
  if (!have("img2pdf") || !have("pnmtopng")) GTEST_SKIP() << "img2pdf or pnmtopng not installed";
  std::string raster;
  std::string ppm = temp_path("picture.ppm"), png = temp_path("picture.png"), pdf = temp_path("picture.pdf");
  spill(ppm, make_ppm(97, 41, &raster));
  ASSERT_EQ(std::system(("pnmtopng " + ppm + " > " + png + " 2>/dev/null").c_str()), 0);
  ASSERT_EQ(std::system(("img2pdf " + png + " -o " + pdf + " 2>/dev/null").c_str()), 0);
  std::string file = slurp(pdf);
  size_t parms = file.find("/Predictor 15");
  ASSERT_NE(parms, std::string::npos) << "img2pdf kept the PNG data with its predictor";
  size_t open = file.rfind(" obj", parms);
  size_t keyword = file.find("stream", parms);
  ASSERT_NE(keyword, std::string::npos);
  std::string dict = file.substr(open, keyword - open);
  int length = integer_entry(dict, "Length"), columns = integer_entry(dict, "Columns");
  int colors = integer_entry(dict, "Colors");
  ASSERT_EQ(colors, 3);
  ASSERT_EQ(columns, 97);
  PdfSession session(file, "img2pdf.pdf");
  std::string out;
  int32_t code = read_stream_data(
      int64_t(keyword + 6),
      [&] {
        FilterSpec spec{"FlateDecode",
                        {{"Predictor", 15}, {"Colors", colors}, {"BitsPerComponent", 8}, {"Columns", columns}}};
        return dictionary_for(spec, length);
      },
      &out);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(out, raster);
  for (const std::string& p : {ppm, png, pdf}) std::remove(p.c_str());
}

TEST(PdfFilterPeerTest, LzwStripWrittenByTiffcp) {
  if (!have("tiffcp") || !have("ppm2tiff")) GTEST_SKIP() << "libtiff tools not installed";
  std::string raster;
  std::string ppm = temp_path("strip.ppm"), plain = temp_path("strip.tif"), lzw = temp_path("strip_lzw.tif");
  spill(ppm, make_ppm(300, 200, &raster));
  ASSERT_EQ(std::system(("ppm2tiff " + ppm + " " + plain).c_str()), 0);
  ASSERT_EQ(std::system(("tiffcp -c lzw -r 100000 " + plain + " " + lzw).c_str()), 0);
  TIFF* t = TIFFOpen(lzw.c_str(), "r");
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(TIFFNumberOfStrips(t), 1u);
  toff_t* sizes = nullptr;
  TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &sizes);
  std::string strip(size_t(sizes[0]), '\0');
  ASSERT_EQ(TIFFReadRawStrip(t, 0, strip.data(), tmsize_t(strip.size())), tmsize_t(strip.size()));
  TIFFClose(t);
  int32_t code = -1;
  std::string out = ours({"LZWDecode", {}}, strip, &code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(out.size(), raster.size());
  EXPECT_TRUE(out == raster);
  for (const std::string& p : {ppm, plain, lzw}) std::remove(p.c_str());
}

TEST(PdfFilterPeerTest, EachFilterDecodesAsQpdfDecodesIt) {
  if (!have("qpdf")) GTEST_SKIP() << "qpdf not installed";
  std::string raster;
  make_ppm(61, 29, &raster);
  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += "line " + std::to_string(i * 37 % 101) + (i % 7 ? " aaaa" : " \x01\x02") + "\n";
  const FilterSpec specs[] = {
      {"ASCIIHexDecode", {}},
      {"ASCII85Decode", {}},
      {"RunLengthDecode", {}},
      {"LZWDecode", {}},
      {"FlateDecode", {}},
      {"LZWDecode", {{"Predictor", 2}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {{"Predictor", 2}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {{"Predictor", 10}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {{"Predictor", 11}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {{"Predictor", 12}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {{"Predictor", 13}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {{"Predictor", 14}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {{"Predictor", 15}, {"Colors", 3}, {"Columns", 61}}},
      {"FlateDecode", {}, true},
  };
  PdfWriter w;
  int catalog = w.reserve(), pages = w.reserve();
  w.put(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
  w.put(pages, "<< /Type /Pages /Kids [] /Count 0 >>");
  std::vector<int> numbers;
  for (const FilterSpec& s : specs) numbers.push_back(w.add_filtered(s, s.parms.empty() ? text : raster));
  w.xref_table(" /Root " + std::to_string(catalog) + " 0 R");
  std::string path = temp_path("filters.pdf");
  ASSERT_TRUE(w.save(path));
  PdfSession session(w.bytes(), "filters_ours.pdf");
  for (size_t i = 0; i < numbers.size(); ++i) {
    int status = -1;
    std::string peer = capture("qpdf --decode-level=all --show-object=" + std::to_string(numbers[i]) +
                                   " --filtered-stream-data " + path + " 2>/dev/null",
                               &status);
    EXPECT_EQ(status, 0) << specs[i].entries();
    std::string mine;
    int32_t code = read_stream_data(
        w.after_stream_keyword(numbers[i]),
        [&] {
          std::string data = specs[i].encode(specs[i].parms.empty() ? text : raster);
          return dictionary_for(specs[i], int64_t(data.size()));
        },
        &mine);
    EXPECT_EQ(code, 0) << specs[i].entries();
    EXPECT_EQ(mine.size(), peer.size()) << specs[i].entries();
    EXPECT_TRUE(mine == peer) << specs[i].entries();
    EXPECT_TRUE(mine == (specs[i].parms.empty() ? text : raster)) << specs[i].entries();
  }
  std::remove(path.c_str());
}
