// Test support for reading pages: a builder of small documents (images,
// content streams, pages under one Pages node) and a run of one page through
// the PDF reader core whose page-object list is copied out.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "pdf_session.h"
#include "pdf_writer.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_page.h"

namespace pdf_test {

class PageBuilder {
 public:
  PageBuilder() : catalog_(w.reserve()), pages_(w.reserve()) {}
  // A stream object with the given dictionary entries and data.
  int stream(const std::string& entries, const std::string& data) { return w.add_stream(entries, data); }
  // An image XObject; entries such as "/Width 8 /Height 8 ...".
  int image(const std::string& entries, const std::string& data) {
    return w.add_stream(" /Type /XObject /Subtype /Image " + entries, data);
  }
  int content(const std::string& ops) { return w.add_stream("", ops); }
  // A page with the entries (MediaBox, Resources, Contents, ...).
  int page(const std::string& entries) {
    int n = w.add("<< /Type /Page /Parent " + std::to_string(pages_) + " 0 R " + entries + " >>");
    kids_.push_back(n);
    return n;
  }
  // The catalog, the Pages node and the cross-reference table; the file.
  std::string finish(const std::string& trailer = "") {
    std::string kids;
    for (int k : kids_) kids += " " + std::to_string(k) + " 0 R";
    w.put(catalog_, "<< /Type /Catalog /Pages " + std::to_string(pages_) + " 0 R >>");
    w.put(pages_, "<< /Type /Pages /Count " + std::to_string(kids_.size()) + " /Kids [" + kids + "] >>");
    w.xref_table(" /Root " + std::to_string(catalog_) + " 0 R" + trailer);
    return w.bytes();
  }
  PdfWriter w;

 private:
  int catalog_, pages_;
  std::vector<int> kids_;
};

inline std::string ref(int n) { return std::to_string(n) + " 0 R"; }

// The page-object list of one page, copied.
struct PageList {
  int32_t code = -1;
  std::array<uint32_t, kPdfHeaderWords> header{};
  std::vector<std::array<uint32_t, kPdfObjectWords>> records;
  uint32_t end_tag = 0, end_count = 0;
  float width_points = 0, height_points = 0;
};

inline PageList read_page(const std::string& bytes, int32_t n = 1) {
  PageList out;
  PdfSession s(bytes, "page.pdf");
  PdfDocInfo info{};
  if (s.begin != 0 || pdf_core_read_document(&info) != 0) return out;
  PdfPageNode* head = nullptr;
  out.code = pdf_core_read_page(n, &head);
  if (out.code != 0 || !head) return out;
  pdf_page_size(&out.width_points, &out.height_points);
  std::copy(head->words, head->words + kPdfHeaderWords, out.header.begin());
  const PdfPageNode* r = head->next;
  for (; r && r->words[0] != kPdfEndTag; r = r->next) {
    std::array<uint32_t, kPdfObjectWords> words{};
    std::copy(r->words, r->words + kPdfObjectWords, words.begin());
    out.records.push_back(words);
  }
  if (r) {
    out.end_tag = r->words[0];
    out.end_count = r->words[1];
  }
  return out;
}

}  // namespace pdf_test
