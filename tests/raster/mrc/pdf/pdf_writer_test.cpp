// The test PDF writer itself, checked by qpdf: classic and stream
// cross-references, object streams and incremental updates make files qpdf
// accepts, and the recorded offsets point at their objects.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "pdf_session.h"
#include "pdf_writer.h"

using namespace pdf_test;

namespace {

std::string run(const std::string& command, int* status) {
  std::string out;
  if (std::FILE* p = popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    *status = pclose(p);
  }
  return out;
}

}  // namespace

TEST(PdfWriterTest, FilesAreAcceptedByQpdf) {
  if (std::system("command -v qpdf >/dev/null 2>&1") != 0) GTEST_SKIP() << "qpdf not installed";
  for (bool streams : {false, true}) {
    PdfWriter w;
    int catalog = w.reserve(), pages = w.reserve(), page = w.reserve();
    w.put(catalog, "<< /Type /Catalog /Pages " + std::to_string(pages) + " 0 R >>");
    w.put(pages, "<< /Type /Pages /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
    int content = w.add_filtered({"FlateDecode", {}}, "0 0 m 10 10 l S\n");
    std::string page_body = "<< /Type /Page /Parent " + std::to_string(pages) +
                            " 0 R /MediaBox [0 0 612 792] /Contents " + std::to_string(content) + " 0 R >>";
    int info = w.reserve();
    if (streams) {
      w.add_object_stream({{page, page_body}, {info, "<< /Title (first) >>"}});
      w.xref_stream(" /Root " + std::to_string(catalog) + " 0 R /Info " + std::to_string(info) + " 0 R");
    } else {
      w.put(page, page_body);
      w.put(info, "<< /Title (first) >>");
      w.xref_table(" /Root " + std::to_string(catalog) + " 0 R /Info " + std::to_string(info) + " 0 R");
    }
    // An incremental update replaces the information dictionary.
    w.put(info, "<< /Title (second) >>");
    if (streams) {
      w.xref_stream(" /Root " + std::to_string(catalog) + " 0 R /Info " + std::to_string(info) + " 0 R");
    } else {
      w.xref_table(" /Root " + std::to_string(catalog) + " 0 R /Info " + std::to_string(info) + " 0 R");
    }
    for (int n : {catalog, pages, content, info}) {
      EXPECT_EQ(w.bytes().compare(size_t(w.offset(n)), std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"), 0);
    }
    EXPECT_EQ(w.bytes().compare(size_t(w.after_stream_keyword(content)) - 6, 6, "stream"), 0);
    std::string path = temp_path(streams ? "writer_streams.pdf" : "writer_table.pdf");
    ASSERT_TRUE(w.save(path));
    int status = -1;
    std::string check = run("qpdf --check " + path, &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_EQ(check.find("WARNING"), std::string::npos) << check;
    std::string title = run("qpdf --show-object=" + std::to_string(info) + " " + path, &status);
    EXPECT_NE(title.find("second"), std::string::npos) << title;
    std::string shown = run("qpdf --show-object=" + std::to_string(page) + " " + path, &status);
    EXPECT_NE(shown.find("/MediaBox"), std::string::npos) << shown;
    std::remove(path.c_str());
  }
}
