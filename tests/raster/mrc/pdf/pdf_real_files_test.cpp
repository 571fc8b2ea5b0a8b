// Real files made in the test run: img2pdf of JPEG pages with every
// information entry, tiff2pdf of multi-page G4 TIFFs, each rewritten by qpdf
// (object streams generated or disabled, QDF, linearized) and with an
// incremental update appended. The page count, version and information
// strings must equal what pdfinfo prints, and every stream object must decode
// to what qpdf gives; files qpdf encrypts are refused with 14.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "pdf_session.h"
#include "pdf_writer.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_xref.h"

using namespace pdf_test;

namespace {

std::string run(const std::string& command, int* status = nullptr) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    int st = pclose(p);
    if (status) *status = st;
  }
  return out;
}

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string read_file(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

const char* const kKeys[] = {"Title",   "Author",   "Subject",      "Keywords",
                             "Creator", "Producer", "CreationDate", "ModDate"};

// pdfinfo's lines "Key:   value".
std::map<std::string, std::string> pdfinfo(const std::string& path) {
  std::map<std::string, std::string> out;
  std::string text = run("pdfinfo -rawdates '" + path + "' 2>/dev/null");
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
      size_t v = line.find_first_not_of(' ', colon + 1);
      out[line.substr(0, colon)] = v == std::string::npos ? "" : line.substr(v);
    }
    at = end + 1;
  }
  return out;
}

// The file with an incremental update replacing its information dictionary.
std::string with_update(const std::string& path) {
  std::string bytes = read_file(path);
  std::string trailer = run("qpdf --show-object=trailer '" + path + "'");
  std::smatch m;
  std::regex size_re("/Size ([0-9]+)"), root_re("/Root ([0-9]+) ([0-9]+) R");
  int size = std::regex_search(trailer, m, size_re) ? std::stoi(m[1]) : 0;
  std::string root = std::regex_search(trailer, m, root_re) ? m[1].str() + " " + m[2].str() + " R" : "";
  int64_t last = std::stoll(bytes.substr(bytes.rfind("startxref") + 9));
  PdfWriter w(bytes, last, size);
  int info = w.add("<< /Title (Updated title) /Author (Updater) /Producer (pdf_test writer) /ModDate (D:20261211) >>");
  w.xref_table(" /Root " + root + " /Info " + std::to_string(info) + " 0 R");
  std::string out = path + ".updated.pdf";
  w.save(out);
  return out;
}

// Reads the document; then resolves every object qpdf lists and compares
// the decoded data of each stream with qpdf's.
void check_file(const std::string& path) {
  SCOPED_TRACE(path);
  std::map<std::string, std::string> info = pdfinfo(path);
  ASSERT_TRUE(info.count("Pages")) << "pdfinfo cannot read it";
  PdfSession session(read_file(path), "real.pdf");
  ASSERT_EQ(session.begin, 0);
  PdfDocInfo doc{};
  ASSERT_EQ(pdf_core_read_document(&doc), 0);
  EXPECT_EQ(doc.page_count, std::stoi(info["Pages"]));
  std::string version = info["PDF version"];
  EXPECT_EQ(doc.version, (version[0] - '0') * 10 + (version[2] - '0'));
  const char* values[] = {doc.title,   doc.author,   doc.subject,       doc.keywords,
                          doc.creator, doc.producer, doc.creation_date, doc.mod_date};
  for (int i = 0; i < 8; ++i) {
    if (info.count(kKeys[i])) {
      ASSERT_NE(values[i], nullptr) << kKeys[i];
      EXPECT_EQ(values[i], info[kKeys[i]]) << kKeys[i];
    } else {
      EXPECT_EQ(values[i], nullptr) << kKeys[i];
    }
  }
  std::string xref = run("qpdf --show-xref '" + path + "'");
  std::regex line_re("([0-9]+)/0: ");
  int streams = 0;
  for (std::sregex_iterator it(xref.begin(), xref.end(), line_re), end; it != end; ++it) {
    int n = std::stoi((*it)[1]);
    bool is_stream = false, image = false;
    std::string data;
    ASSERT_EQ(pdf_core_run([&] {
                PdfValue ref = *pdf_new_reference(n, 0);
                PdfValue* v = pdf_resolve(&ref);
                if (v->kind != PdfKind::stream) return;
                is_stream = true;
                const PdfValue* filter = pdf_dict_get(v->value.list, "Filter");
                image = pdf_is_name(filter, "DCTDecode") || pdf_is_name(filter, "CCITTFaxDecode");
                uint8_t buf[4096];
                for (int32_t k; (k = pdf_stream_read(v->stream, buf, sizeof buf)) > 0;)
                  data.append(reinterpret_cast<char*>(buf), size_t(k));
                pdf_stream_close(v->stream);
              }),
              0)
        << "object " << n;
    if (!is_stream) continue;
    // Image data is not decoded by the reader: it is compared as stored.
    int status = 0;
    std::string want = run("qpdf --show-object=" + std::to_string(n) +
                               (image ? " --raw-stream-data '" : " --filtered-stream-data '") + path + "' 2>/dev/null",
                           &status);
    if (status != 0) continue;  // qpdf does not show this one (a cross-reference stream)
    EXPECT_EQ(data, want) << "object " << n;
    ++streams;
  }
  EXPECT_GT(streams, 0);
}

class PdfRealFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"img2pdf", "tiff2pdf", "qpdf", "pdfinfo", "convert"}) {
      if (!have(tool)) GTEST_SKIP() << tool << " not installed";
    }
    dir = temp_path("real_files");
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  // The file, its rewrites by qpdf, and each of those with an update
  // appended by the test writer.
  std::vector<std::string> variants(const std::string& base) {
    std::vector<std::string> out = {base};
    const char* options[] = {"--object-streams=generate", "--object-streams=disable", "--qdf", "--linearize"};
    for (const char* o : options) {
      std::string name = base + "." + std::string(o + 2).substr(0, 10) + ".pdf";
      int status = 0;
      run(std::string("qpdf ") + o + " '" + base + "' '" + name + "' 2>&1", &status);
      EXPECT_EQ(status, 0) << o;
      out.push_back(name);
    }
    size_t rewritten = out.size();
    for (size_t i = 0; i < rewritten; ++i) out.push_back(with_update(out[i]));
    return out;
  }
  std::string dir;
};

}  // namespace

TEST_F(PdfRealFilesTest, Img2pdfOfJpegPages) {
  std::string a = dir + "/a.jpg", b = dir + "/b.jpg", pdf = dir + "/img.pdf";
  int status = 0;
  run("convert -size 64x48 gradient:red-blue '" + a + "' && convert -size 40x40 xc:green '" + b + "'", &status);
  ASSERT_EQ(status, 0);
  run("img2pdf --title 'A title' --author 'An author' --subject 'The subject' --keywords 'k1, k2' --creator "
      "'The creator' --producer 'The producer' '" +
          a + "' '" + b + "' '" + a + "' -o '" + pdf + "' 2>&1",
      &status);
  ASSERT_EQ(status, 0);
  for (const std::string& f : variants(pdf)) check_file(f);
}

TEST_F(PdfRealFilesTest, Tiff2pdfOfG4Pages) {
  std::string p1 = dir + "/p1.tif", p2 = dir + "/p2.tif", tif = dir + "/g4.tif", pdf = dir + "/g4.pdf";
  int status = 0;
  run("convert -size 300x200 xc:white -fill black -draw 'rectangle 10,10 100,100' '" + p1 +
          "' && convert -size 200x300 xc:white -fill black -draw 'circle 100,100 100,150' '" + p2 + "' && convert '" +
          p1 + "' '" + p2 + "' '" + p1 + "' -monochrome -compress Group4 '" + tif + "' && tiff2pdf -o '" + pdf + "' '" +
          tif + "'",
      &status);
  ASSERT_EQ(status, 0);
  for (const std::string& f : variants(pdf)) check_file(f);
}

TEST_F(PdfRealFilesTest, EncryptedFilesAreRefused) {
  std::string a = dir + "/a.jpg", pdf = dir + "/plain.pdf";
  int status = 0;
  run("convert -size 16x16 xc:red '" + a + "' && img2pdf '" + a + "' -o '" + pdf + "' 2>&1", &status);
  ASSERT_EQ(status, 0);
  const char* encryptions[] = {"--encrypt u o 256 --", "--allow-weak-crypto --encrypt u o 128 --",
                               "--allow-weak-crypto --encrypt '' '' 40 --"};
  for (const char* e : encryptions) {
    std::string out = dir + "/enc.pdf";
    run(std::string("qpdf ") + e + " '" + pdf + "' '" + out + "' 2>&1", &status);
    ASSERT_EQ(status, 0) << e;
    PdfSession session(read_file(out), "encrypted.pdf");
    ASSERT_EQ(session.begin, 0);
    PdfDocInfo doc{};
    EXPECT_EQ(pdf_core_read_document(&doc), PdfError::damaged) << e;
  }
}
