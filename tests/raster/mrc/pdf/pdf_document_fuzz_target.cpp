// The whole-document fuzz entry, and the fixed-budget run of it in the test
// program: mutations of documents with classic, stream and hybrid
// cross-references, object streams and incremental updates, of pages with
// images, masks, thumbnails and content operators, and of files made by
// img2pdf and qpdf where they are installed. Each input also has its first
// pages run through the content interpreter and its first page converted to
// a canvas.
#include "pdf_document_fuzz_target.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "pdf_page_support.h"
#include "pdf_session.h"
#include "pdf_writer.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_page.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_xref.h"
#include "raster/mrc/rst_read_pdf_to_mrc_canvas.h"

namespace {

std::string file_path() {
  static const std::string path = pdf_test::temp_path("fuzz_document.pdf");
  return path;
}

}  // namespace

int32_t pdf_document_fuzz_one(const uint8_t* data, size_t size) {
  // The pool is made once (create keeps one that exists); every input gets a
  // fresh file and core.
  if (pdf_pool_create() != 0) return -1;
  std::string path = file_path();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  if (pdf_file_open(path.c_str()) != 0) return -1;
  int32_t pages = -1;
  if (pdf_core_begin() == 0) {
    PdfDocInfo info{};
    if (pdf_core_read_document(&info) == 0) {
      pages = info.page_count;
      // Every object of the first few numbers, its stream data read to a cap.
      for (int32_t n = 1; n < 24; ++n) {
        int32_t code = pdf_core_run([n] {
          PdfValue ref = *pdf_new_reference(n, 0);
          PdfValue* v = pdf_resolve(&ref);
          if (v->kind != PdfKind::stream || !v->stream) return;
          uint8_t buf[512];
          int64_t delivered = 0;
          for (int32_t k; delivered < (1 << 18) && (k = pdf_stream_read(v->stream, buf, sizeof buf)) > 0;)
            delivered += k;
          pdf_stream_close(v->stream);
        });
        // A failed entry released the core and the document: read it again
        // for the next number.
        if (code != 0 && (pdf_core_begin() != 0 || pdf_core_read_document(&info) != 0)) break;
      }
      // The first pages through the content interpreter.
      for (int32_t n = 1; n <= 3 && n <= info.page_count; ++n) {
        PdfPageNode* head = nullptr;
        if (pdf_core_read_page(n, &head) != 0 && (pdf_core_begin() != 0 || pdf_core_read_document(&info) != 0)) break;
      }
    }
  }
  pdf_core_end();
  pdf_file_close();
  // The first page as a canvas: the page list rewritten and the canvas built.
  FileInputStorage file;
  if (pages > 0 && file.open(path)) {
    try {
      RstOwner<RstReadPDFToMRCCanvasImpl> node(RstReadPDFToMRCCanvasImpl::create(&file, 1));
      if (node) delete node->make();
    } catch (const RstStatus&) {
      // A refused page reports through the status context.
    }
  }
  std::remove(path.c_str());
  return pages;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pdf_document_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

std::string read_file(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

// Documents written by the test writer with each kind of cross-reference.
std::vector<std::string> written_seeds() {
  std::vector<std::string> out;
  for (int kind = 0; kind < 4; ++kind) {
    pdf_test::PdfWriter w(kind == 0 ? "%PDF-1.4\n" : "%PDF-1.5\n");
    int catalog = w.reserve(), pages = w.reserve(), page = w.reserve(), info = w.reserve();
    w.put(catalog, "<< /Type /Catalog /Pages 2 0 R >>");
    w.put(pages, "<< /Type /Pages /MediaBox [0 0 612 792] /Rotate 90 /Kids [3 0 R] >>");
    int content = w.add_filtered({"FlateDecode", {{"Predictor", 12}, {"Columns", 4}}}, "0 0 m 10 10 l S q Q\n");
    std::string page_body = "<< /Type /Page /Contents " + std::to_string(content) +
                            " 0 R /Resources << >> /CropBox [1 1 600 780] /Annots [] >>";
    std::string info_body = "<< /Title (t\\053) /Author <4142> /CreationDate (D:2026) >>";
    std::string trailer = " /Root 1 0 R /Info 4 0 R /ID [<00ff> <00ff>]";
    if (kind == 0) {
      w.put(page, page_body);
      w.put(info, info_body);
      w.xref_table(trailer);
    } else {
      w.add_object_stream({{page, page_body}, {info, info_body}});
      kind == 2 ? w.xref_hybrid(trailer) : w.xref_stream(trailer);
    }
    if (kind == 3) {
      w.put(info, "<< /Title (updated) >>");
      w.xref_table(trailer);
    }
    out.push_back(w.bytes());
  }
  // Pages with images of every kind the interpreter records.
  pdf_test::PageBuilder b;
  int thumb = b.stream(" /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB", std::string(12, 'x'));
  int scan = b.image(" /Width 30 /Height 15 /BitsPerComponent 8 /ColorSpace /DeviceGray", std::string(450, '\x80'));
  int mask = b.image(" /ImageMask true /Width 16 /Height 8 /BitsPerComponent 1 /Decode [1 0]", std::string(16, 'U'));
  int bilevel = b.image(
      " /Width 8 /Height 8 /BitsPerComponent 1 /ColorSpace /DeviceGray /Filter /CCITTFaxDecode "
      "/DecodeParms << /K -1 /Columns 8 /BlackIs1 true >>",
      std::string("\x26\xA0\x00\x10\x01", 5));
  int dct = b.image(" /Width 8 /Height 8 /BitsPerComponent 8 /ColorSpace /Cal /Filter /DCTDecode", "\xFF\xD8\xFF\xD9");
  int content = b.content(
      "q 72 0 0 36 0 0 cm /S Do Q 1 0 0 rg q 20 0 0 10 5 5 cm /M Do Q BT /F 1 Tf (a) Tj ET 0.5 g "
      "q 8 0 0 8 40 20 cm /B Do Q /Cal cs 0 1 0 sc q 8 0 0 8 50 20 cm /D Do Q BX 1 foo EX");
  int second = b.content("q 36 0 0 18 0 0 ");
  int third = b.content("cm /S Do Q");
  const std::string resources =
      " /Resources << /XObject << /S " + pdf_test::ref(scan) + " /M " + pdf_test::ref(mask) + " /B " +
      pdf_test::ref(bilevel) + " /D " + pdf_test::ref(dct) +
      " >> /ColorSpace << /Cal [/CalRGB << /WhitePoint [0.9505 1.0 1.089] /Gamma [2.222 2.222 2.222] /Matrix "
      "[0.4124 0.2126 0.0193 0.3576 0.71519 0.1192 0.1805 0.0722 0.9505] >>] >> >>";
  b.page("/MediaBox [0 0 72 36] /Thumb " + pdf_test::ref(thumb) + resources + " /Contents " + pdf_test::ref(content));
  b.page("/MediaBox [0 0 72 36] /CropBox [1 1 70 35] /Rotate 90" + resources + " /Contents [" + pdf_test::ref(second) +
         " " + pdf_test::ref(third) + "]");
  out.push_back(b.finish());
  return out;
}

// Files made by img2pdf and rewritten by qpdf, when they are installed.
std::vector<std::string> tool_seeds() {
  std::vector<std::string> out;
  if (std::system("command -v img2pdf >/dev/null 2>&1 && command -v qpdf >/dev/null 2>&1 && "
                  "command -v convert >/dev/null 2>&1") != 0) {
    return out;
  }
  std::string jpg = pdf_test::temp_path("fuzz_seed.jpg"), pdf = pdf_test::temp_path("fuzz_seed.pdf");
  std::string gen = pdf_test::temp_path("fuzz_seed_gen.pdf");
  std::string cmd = "convert -size 8x8 xc:red '" + jpg + "' && img2pdf --title T '" + jpg + "' -o '" + pdf +
                    "' && qpdf --object-streams=generate '" + pdf + "' '" + gen + "'";
  if (std::system((cmd + " >/dev/null 2>&1").c_str()) == 0) {
    out.push_back(read_file(pdf));
    out.push_back(read_file(gen));
  }
  for (const std::string& p : {jpg, pdf, gen}) std::remove(p.c_str());
  return out;
}

}  // namespace

TEST(PdfDocumentFuzzTest, FixedBudgetOfMutatedDocuments) {
  std::vector<std::string> base = written_seeds();
  for (const std::string& s : tool_seeds()) base.push_back(s);
  // Every seed reads as it stands.
  for (size_t i = 0; i < base.size(); ++i) {
    EXPECT_GE(pdf_document_fuzz_one(reinterpret_cast<const uint8_t*>(base[i].data()), base[i].size()), 1) << i;
  }
  std::mt19937 rng(20261211);
  const char* const tokens[] = {
      "[",  "<<", ">>",  "]",   " R ",  "0",    "-1",   "obj",  "stream", "/Prev 0",         "(",
      "\\", "#",  " q ", " Q ", " cm ", " Do ", " BT ", " ET ", " 1e9 ",  " /Decode [1 0] ", " rg "};
  int32_t read = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string input = base[rng() % base.size()];
    int mutations = 1 + int(rng() % 4);
    for (int m = 0; m < mutations && !input.empty(); ++m) {
      size_t at = rng() % input.size();
      switch (rng() % 6) {
        case 0: input[at] = char(rng()); break;
        case 1: input[at] = char(input[at] ^ (1u << (rng() % 8))); break;
        case 2: input[at] = char('0' + rng() % 10); break;
        case 3: input.insert(at, tokens[rng() % (sizeof tokens / sizeof tokens[0])]); break;
        case 4: input.erase(at, 1 + rng() % 8); break;
        default: input.resize(at + 1); break;
      }
    }
    if (pdf_document_fuzz_one(reinterpret_cast<const uint8_t*>(input.data()), input.size()) >= 0) ++read;
  }
  EXPECT_GT(read, 0);
  pdf_pool_free();
}
#endif
