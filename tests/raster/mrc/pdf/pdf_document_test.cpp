// Reading a document's skeleton: the header version, the tail with
// "startxref", chains of classic and stream cross-reference sections
// (incremental updates, hybrid files, object streams), the trailer with its
// encryption check, the page table with inherited attributes, the document
// information, and hostile files that must end with an error code.
#include <gtest/gtest.h>

#include <cstdio>
#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "pdf_session.h"
#include "pdf_writer.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_document.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_page_table.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_xref.h"

using namespace pdf_test;

namespace {

// A document read in a session of its own; the tables stay for inspection
// until the session ends.
struct Doc {
  explicit Doc(const std::string& bytes) : session(bytes, "document.pdf") {
    std::memset(&info, 0, sizeof info);
    info.version = 777;
    info.page_count = -1;
    code = session.begin == 0 ? pdf_core_read_document(&info) : -1;
  }
  // The object n resolved and described; "error N" when resolving fails.
  std::string object(int n) {
    std::string out;
    int32_t c = pdf_core_run([&] {
      PdfValue ref = *pdf_new_reference(n, 0);
      out = describe(pdf_resolve(&ref));
    });
    return c == 0 ? out : "error " + std::to_string(c);
  }
  PdfSession session;
  PdfDocInfo info;
  int32_t code;
};

std::string ref(int n) { return std::to_string(n) + " 0 R"; }

// Catalog 1, Pages 2 and `pages` pages (3, 4, ...) with a media box on the
// Pages node; no cross-reference yet.
PdfWriter pages_doc(int pages, const std::string& header = "%PDF-1.7\n") {
  PdfWriter w(header);
  int catalog = w.reserve(), root = w.reserve();
  w.put(catalog, "<< /Type /Catalog /Pages " + ref(root) + " >>");
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += " " + ref(root + 1 + i);
  w.put(root, "<< /Type /Pages /MediaBox [0 0 612 792] /Kids [" + kids + " ] /Count " + std::to_string(pages) + " >>");
  for (int i = 0; i < pages; ++i) w.add("<< /Type /Page /Parent " + ref(root) + " >>");
  return w;
}

// A one-page document with an information dictionary, its classic table and
// trailer.
std::string simple_doc(const std::string& header = "%PDF-1.7\n", const std::string& trailer = "") {
  PdfWriter w = pages_doc(1, header);
  int info = w.add("<< /Title (Simple) >>");
  w.xref_table(" /Root 1 0 R /Info " + ref(info) + trailer);
  return w.bytes();
}

std::string replace(std::string s, const std::string& from, const std::string& to) {
  size_t at = s.rfind(from);
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

// A classic section of explicit entries (number, offset, generation, type)
// appended after the file with the given trailer entries; startxref names it.
std::string append_table(std::string f, const std::vector<PdfXrefEntry>& entries, const std::vector<int32_t>& numbers,
                         const std::string& trailer) {
  int64_t at = int64_t(f.size());
  f += "xref\n";
  for (size_t i = 0; i < entries.size(); ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%d 1\n%010lld %05lld %c\r\n", numbers[i],
                  static_cast<long long>(entries[i].offset), static_cast<long long>(entries[i].generation),
                  entries[i].type);
    f += line;
  }
  f += "trailer\n<<" + trailer + " >>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
  return f;
}

int64_t startxref_of(const std::string& f) {
  size_t at = f.rfind("startxref");
  return std::stoll(f.substr(at + 9));
}

// Objects 1.. with the given bodies and a cross-reference stream W [1 2 1]
// without Index after them (object 0 free); `rows` replaces the row of an
// object by (type, field 2, field 3). Offsets are below 65536.
std::string w121_doc(const std::vector<std::string>& bodies, const std::map<int, std::array<int, 3>>& rows = {},
                     std::vector<int64_t>* offsets = nullptr) {
  std::string f = "%PDF-1.5\n";
  std::vector<int64_t> at = {0};
  for (const std::string& body : bodies) {
    at.push_back(int64_t(f.size()));
    f += std::to_string(at.size() - 1) + " 0 obj\n" + body + "\nendobj\n";
  }
  int64_t xref_at = int64_t(f.size());
  at.push_back(xref_at);
  std::string data;
  for (size_t n = 0; n < at.size(); ++n) {
    std::array<int, 3> row = {n == 0 ? 0 : 1, int(at[n]), n == 0 ? 255 : 0};
    if (rows.count(int(n))) row = rows.at(int(n));
    data += char(row[0]);
    data += char(row[1] >> 8);
    data += char(row[1]);
    data += char(row[2]);
  }
  f += std::to_string(at.size() - 1) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(at.size()) +
       " /W [1 2 1] /Length " + std::to_string(data.size()) + " /Root 1 0 R >>\nstream\n" + data +
       "\nendstream\nendobj\nstartxref\n" + std::to_string(xref_at) + "\n%%EOF\n";
  if (offsets) *offsets = at;
  return f;
}

}  // namespace

TEST(PdfDocumentTest, HeaderVersion) {
  struct Case {
    std::string header;
    int32_t code;
    int32_t version;
  };
  const Case cases[] = {
      {"%PDF-1.7\n", 0, 17},
      {"%PDF-2.0\r\n", 0, 20},
      {"%PDF-1.4\r%\xE2\xE3\xCF\xD3\n", 0, 14},
      {"%PDF-1.3" + std::string(70, ' ') + "\n", 0, 13},
      {"%PDF-1.3" + std::string(71, ' ') + "\n", PdfError::line_too_long, 0},
      {"%!PS-Adobe-3.0\n", PdfError::syntax, 0},
      {"%PDF-1.x\n", PdfError::syntax, 0},
      {"%PDF-1\n", PdfError::syntax, 0},
  };
  for (const Case& c : cases) {
    Doc d(simple_doc(c.header));
    EXPECT_EQ(d.code, c.code) << c.header;
    if (c.code == 0) {
      EXPECT_EQ(d.info.version, c.version) << c.header;
      EXPECT_EQ(d.info.page_count, 1);
      EXPECT_STREQ(d.info.title, "Simple");
    }
  }
}

TEST(PdfDocumentTest, TailAndTrailer) {
  const std::string good = simple_doc();
  const std::string at = std::to_string(startxref_of(good));
  struct Case {
    const char* what;
    std::string bytes;
    int32_t code;
  };
  const Case cases[] = {
      {"garbage after %%EOF", good + "\n%%EOX startxref 5\nxref 0 1 \x01\x02\xFF trailer", 0},
      {"no %%EOF", replace(good, "%%EOF", "%%EOX"), PdfError::syntax},
      {"no startxref", replace(good, "startxref", "startxrex"), PdfError::syntax},
      {"negative startxref", replace(good, "startxref\n" + at, "startxref\n-" + at), PdfError::range},
      {"startxref without offset", replace(good, "startxref\n" + at, "startxref\n/x"), PdfError::syntax},
      {"startxref into the header", replace(good, "startxref\n" + at, "startxref\n3"), PdfError::syntax},
      {"no Root", replace(good, "/Root 1 0 R", "/Rout 1 0 R"), PdfError::missing},
      {"Root not a reference", replace(good, "/Root 1 0 R", "/Root 1    "), PdfError::type},
      {"ID not an array", replace(good, "/Root 1 0 R", "/ID 1 /Root 1 0 R"), PdfError::type},
      {"ID of a name", replace(good, "/Root 1 0 R", "/ID [/a] /Root 1 0 R"), PdfError::type},
      {"Title not a string", replace(good, "/Title (Simple)", "/Title 12345678"), PdfError::type},
      {"bad entry type", replace(good, "00000 n\r\n", "00000 x\r\n"), PdfError::syntax},
      {"no trailer keyword", replace(good, "trailer", "trailex"), PdfError::syntax},
      {"Prev not an integer", replace(good, "/Root 1 0 R", "/Prev /x /Root 1 0 R"), PdfError::type},
      {"Prev negative", replace(good, "/Root 1 0 R", "/Prev -4 /Root 1 0 R"), PdfError::range},
      {"object missing", replace(good, "/Root 1 0 R", "/Root 9 0 R"), PdfError::missing},
  };
  for (const Case& c : cases) {
    Doc d(c.bytes);
    EXPECT_EQ(d.code, c.code) << c.what;
  }
}

TEST(PdfDocumentTest, IncrementalUpdatesTakeTheNewestEntry) {
  for (bool streams : {false, true}) {
    PdfWriter w = pages_doc(1);
    int obj = w.add("(older)");
    int info = w.add("<< /Title (first) >>");
    std::string trailer = " /Root 1 0 R /Info " + ref(info);
    streams ? w.xref_stream(trailer) : w.xref_table(trailer);
    int64_t older = w.offset(obj);
    w.put(obj, "(newer)");
    w.put(info, "<< /Title (second) >>");
    streams ? w.xref_stream(trailer) : w.xref_table(trailer);
    ASSERT_GT(w.offset(obj), older);
    Doc d(w.bytes());
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d.object(obj), "(newer)");
    EXPECT_STREQ(d.info.title, "second");
    EXPECT_EQ(d.info.page_count, 1);
  }
}

TEST(PdfDocumentTest, AnOlderSectionFillsEntriesTheNewerLeftAtZero) {
  PdfWriter w = pages_doc(1);
  w.xref_table(" /Root 1 0 R");
  // The first section gives object 0 a non-zero offset; the update lists it
  // free at offset 0, and object 2 at a new place.
  std::string f = replace(w.bytes(), "0000000000 65535 f", "0000000123 00007 f");
  int64_t prev = startxref_of(f);
  int64_t pages_at = int64_t(f.size());
  f += "2 0 obj\n<< /Type /Pages /Kids [] >>\nendobj\n";
  f = append_table(f, {{0, 65535, 'f'}, {pages_at, 0, 'n'}}, {0, 2},
                   " /Size 4 /Root 1 0 R /Prev " + std::to_string(prev));
  Doc d(f);
  ASSERT_EQ(d.code, 0);
  EXPECT_EQ(d.info.page_count, 0);
  ASSERT_EQ(pdf_core_run([] {
              const PdfXrefEntry* e = pdf_xref_entry(0);
              ASSERT_NE(e, nullptr);
              EXPECT_EQ(e->offset, 123);
              EXPECT_EQ(e->generation, 7);
              EXPECT_EQ(e->type, 'f');
              EXPECT_EQ(pdf_xref_entry(4), nullptr);
            }),
            0);
  // A free entry names no object.
  EXPECT_EQ(d.object(0), "error 7");
}

TEST(PdfDocumentTest, HybridFilesTakeEntriesFromBothParts) {
  PdfWriter w("%PDF-1.5\n");
  int catalog = w.reserve(), pages = w.reserve(), page = w.reserve(), info = w.reserve();
  w.put(catalog, "<< /Type /Catalog /Pages " + ref(pages) + " >>");
  w.put(pages, "<< /Type /Pages /Kids [" + ref(page) + "] /MediaBox [0 0 10 10] >>");
  w.add_object_stream({{page, "<< /Type /Page >>"}, {info, "<< /Title (hybrid) >>"}});
  w.xref_hybrid(" /Root " + ref(catalog) + " /Info " + ref(info));
  {
    Doc d(w.bytes());
    ASSERT_EQ(d.code, 0);
    EXPECT_EQ(d.info.page_count, 1);
    EXPECT_STREQ(d.info.title, "hybrid");
  }
  // Without the classic part's "XRefStm" the objects in the stream are
  // unknown.
  {
    Doc d(replace(w.bytes(), "/XRefStm", "/XRefSTM"));
    EXPECT_EQ(d.code, PdfError::missing);
  }
  // An older trailer's "XRefStm" is not read: here it points into the
  // header, which a newest trailer's would fail on.
  std::string base = simple_doc("%PDF-1.7\n", " /XRefStm 3");
  EXPECT_EQ(Doc(base).code, PdfError::syntax);
  int64_t prev = startxref_of(base);
  Doc u(append_table(base, {}, {}, " /Root 1 0 R /Prev " + std::to_string(prev)));
  EXPECT_EQ(u.code, 0);
  EXPECT_EQ(u.info.page_count, 1);
}

TEST(PdfDocumentTest, StreamWithoutIndexCoversAllObjectsUpToSize) {
  std::vector<int64_t> at;
  std::string f =
      w121_doc({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] >>", "<< /Type /Page >>"}, {}, &at);
  Doc d(f);
  ASSERT_EQ(d.code, 0);
  EXPECT_EQ(d.info.page_count, 1);
  ASSERT_EQ(pdf_core_run([&] {
              for (int32_t n = 0; n < 5; ++n) {
                const PdfXrefEntry* e = pdf_xref_entry(n);
                ASSERT_NE(e, nullptr) << n;
                EXPECT_EQ(e->type, n == 0 ? 'f' : 'n');
                EXPECT_EQ(e->offset, at[size_t(n)]);
                EXPECT_EQ(e->generation, n == 0 ? 255 : 0);
              }
              EXPECT_EQ(pdf_xref_entry(5), nullptr);
            }),
            0);
}

TEST(PdfDocumentTest, ObjectsInsideObjectStreams) {
  PdfWriter w = pages_doc(1, "%PDF-1.5\n");
  int first = w.reserve();
  std::vector<std::pair<int, std::string>> objects;
  const char* bodies[] = {"(zero)", "[1 2 (x)]", "<< /A 1 >>", "(three)", "4.5", "<< /K [5 0 R] >>"};
  for (int i = 0; i < 6; ++i) objects.push_back({first + i, bodies[i]});
  w.add_object_stream(objects);
  w.xref_stream(" /Root 1 0 R");
  Doc d(w.bytes());
  ASSERT_EQ(d.code, 0);
  // Index 3 is found after the six numbers of the three pairs before it.
  EXPECT_EQ(d.object(first + 3), "(three)");
  EXPECT_EQ(d.object(first), "(zero)");
  EXPECT_EQ(d.object(first + 2), "<</A 1>>");
  EXPECT_EQ(d.object(first + 4), "4.5");
  EXPECT_EQ(d.object(first + 5), "<</K [5 0 R]>>");
}

TEST(PdfDocumentTest, EncryptionIsRefusedAfterTheWholeChain) {
  PdfWriter w = pages_doc(1);
  int enc = w.add("<< /Filter /Standard >>");
  w.xref_table(" /Root 1 0 R");
  std::string plain_base = w.bytes();
  w.put(3, "<< /Type /Page >>");
  w.xref_table(" /Root 1 0 R /Encrypt " + ref(enc));
  std::string newest = w.bytes();
  EXPECT_EQ(Doc(newest).code, PdfError::damaged);
  // The chain is read first: a broken older section is found before.
  std::string broken_older = newest;
  broken_older.replace(broken_older.find("trailer"), 7, "trailex");
  EXPECT_EQ(Doc(broken_older).code, PdfError::syntax);
  // Only an older trailer names it: unseen.
  PdfWriter o = pages_doc(1);
  int enc2 = o.add("<< /Filter /Standard >>");
  o.xref_table(" /Root 1 0 R /Encrypt " + ref(enc2));
  o.put(3, "<< /Type /Page >>");
  o.xref_table(" /Root 1 0 R");
  Doc older(o.bytes());
  EXPECT_EQ(older.code, 0);
  EXPECT_EQ(older.info.page_count, 1);
}

TEST(PdfDocumentTest, PageTableInheritsAttributes) {
  PdfWriter w;
  int catalog = w.reserve(), root = w.reserve(), mid = w.reserve(), p1 = w.reserve(), p2 = w.reserve(),
      p3 = w.reserve(), leaf = w.reserve(), res = w.reserve();
  w.put(catalog, "<< /Type /Catalog /Pages " + ref(root) + " >>");
  w.put(root, "<< /Type /Pages /MediaBox [0 0 612 792] /Rotate 90 /Resources " + ref(res) + " /Kids [" + ref(p1) + " " +
                  ref(mid) + " " + ref(leaf) + "] >>");
  w.put(res, "<< /Font << >> >>");
  w.put(mid, "<< /Type /Pages /CropBox [1 2 3.5 4] /Annots [] /Kids [" + ref(p2) + " " + ref(p3) + "] >>");
  w.put(p1, "<< /Type /Page /Contents 40 0 R /Thumb 41 0 R >>");
  w.put(p2, "<< /Type /Page /MediaBox [0 0 100 200.5] /Rotate -90 >>");
  w.put(p3, "<< /Type /Page /Resources << /X 1 >> /Kids null >>");
  // A leaf whose Type says Pages is a page all the same.
  w.put(leaf, "<< /Type /Pages /Rotate 0 >>");
  w.xref_table(" /Root " + ref(catalog));
  Doc d(w.bytes());
  ASSERT_EQ(d.code, 0);
  // Without Info only the page count is stored.
  EXPECT_EQ(d.info.page_count, 3 + 0);
  EXPECT_EQ(d.info.version, 777);
  EXPECT_EQ(d.info.title, nullptr);
  ASSERT_EQ(pdf_core_run([&] {
              EXPECT_EQ(pdf_page_record(0), nullptr);
              EXPECT_EQ(pdf_page_record(4), nullptr);
              const PdfPageRecord* r1 = pdf_page_record(1);
              const PdfPageRecord* r2 = pdf_page_record(2);
              const PdfPageRecord* r3 = pdf_page_record(3);
              ASSERT_TRUE(r1 && r2 && r3);
              EXPECT_EQ(describe(r1->contents), "40 0 R");
              EXPECT_EQ(describe(r1->thumbnail), "41 0 R");
              EXPECT_EQ(r2->contents, nullptr);
              EXPECT_FLOAT_EQ(r1->attributes.media_box[3], 792.f);
              EXPECT_FLOAT_EQ(r2->attributes.media_box[2], 100.f);
              EXPECT_FLOAT_EQ(r2->attributes.media_box[3], 200.5f);
              EXPECT_EQ(r1->attributes.rotation, 90);
              EXPECT_EQ(r2->attributes.rotation, -90);
              EXPECT_FALSE(r1->attributes.has_crop_box);
              EXPECT_TRUE(r2->attributes.has_crop_box);
              EXPECT_FLOAT_EQ(r2->attributes.crop_box[2], 3.5f);
              EXPECT_TRUE(r2->attributes.has_annotations);
              EXPECT_FALSE(r1->attributes.has_annotations);
              EXPECT_EQ(describe(r1->attributes.resources), "<</Font <<>>>>");
              EXPECT_EQ(describe(r2->attributes.resources), "<</Font <<>>>>");
            }),
            0);
  // p3 has Kids null and contributes nothing; the leaf is page 3.
  ASSERT_EQ(pdf_core_run([&] { EXPECT_EQ(pdf_page_record(3)->attributes.rotation, 0); }), 0);
}

TEST(PdfDocumentTest, PageTreeFaults) {
  struct Case {
    const char* what;
    std::string pages;  // object 2
    std::string page;   // object 3
    int32_t code;
    int32_t count;
  };
  const Case cases[] = {
      {"no Kids on the root", "<< /Type /Pages >>", "<< >>", PdfError::missing, 0},
      {"Kids null", "<< /Kids null >>", "<< >>", 0, 0},
      {"Kids of a page", "<< /Kids [3 0 R] >>", "<< /Kids 5 >>", 0, 0},
      {"kid not a dictionary", "<< /Kids [3 0 R 7] >>", "<< >>", PdfError::type, 0},
      {"Rotate a real", "<< /Kids [3 0 R] >>", "<< /Rotate 90.0 >>", PdfError::type, 0},
      {"MediaBox of three", "<< /Kids [3 0 R] >>", "<< /MediaBox [0 0 1] >>", PdfError::type, 0},
      {"MediaBox with a name", "<< /Kids [3 0 R] >>", "<< /MediaBox [0 0 /a 1] >>", PdfError::type, 0},
      {"CropBox not an array", "<< /Kids [3 0 R] /CropBox 4 >>", "<< >>", PdfError::type, 0},
      {"Resources a name", "<< /Kids [3 0 R] >>", "<< /Resources /R >>", PdfError::type, 0},
      {"Annots a dictionary", "<< /Kids [3 0 R] >>", "<< /Annots << >> >>", PdfError::type, 0},
      {"Pages not a dictionary", "[3 0 R]", "<< >>", PdfError::type, 0},
      {"direct kids", "<< /Kids [<< >> << /Kids [<< >> << >>] >>] >>", "<< >>", 0, 3},
  };
  for (const Case& c : cases) {
    PdfWriter w;
    w.add("<< /Type /Catalog /Pages 2 0 R >>");
    w.add(c.pages);
    w.add(c.page);
    w.xref_table(" /Root 1 0 R");
    Doc d(w.bytes());
    EXPECT_EQ(d.code, c.code) << c.what;
    if (c.code == 0) EXPECT_EQ(d.info.page_count, c.count) << c.what;
  }
  PdfWriter w;
  w.add("<< /Type /Catalog >>");
  w.xref_table(" /Root 1 0 R");
  EXPECT_EQ(Doc(w.bytes()).code, PdfError::missing);
}

TEST(PdfDocumentTest, InformationStringsKeepTheirBytesAndEndWithTwoZeros) {
  PdfWriter w = pages_doc(2);
  int info = w.add(
      "<< /Title <FEFF00410042> /Author (a\\000b) /Subject () /Keywords (k) /Creator (c) /Producer (p) "
      "/CreationDate (D:2026) /ModDate (D:2027) /Other 5 >>");
  w.xref_table(" /Root 1 0 R /Info " + ref(info));
  Doc d(w.bytes());
  ASSERT_EQ(d.code, 0);
  EXPECT_EQ(d.info.page_count, 2);
  EXPECT_EQ(d.info.version, 17);
  EXPECT_EQ(std::string(d.info.title, 8), std::string("\xFE\xFF\0A\0B\0\0", 8));
  EXPECT_EQ(std::string(d.info.author, 5), std::string("a\0b\0\0", 5));
  EXPECT_EQ(std::string(d.info.subject, 2), std::string("\0\0", 2));
  EXPECT_STREQ(d.info.keywords, "k");
  EXPECT_STREQ(d.info.creator, "c");
  EXPECT_STREQ(d.info.producer, "p");
  EXPECT_STREQ(d.info.creation_date, "D:2026");
  EXPECT_STREQ(d.info.mod_date, "D:2027");
}

TEST(PdfDocumentTest, HostileFilesEndWithAnErrorCode) {
  auto with_page = [](const std::string& page_body, bool streams = false) {
    PdfWriter w = pages_doc(0);
    w.bytes() = replace(w.bytes(), "/Kids [ ]", "/Kids [3 0 R]");
    if (streams) {
      w.add_object_stream({{w.reserve(), page_body}});
    } else {
      w.add(page_body);
    }
    streams ? w.xref_stream(" /Root 1 0 R") : w.xref_table(" /Root 1 0 R");
    return w.bytes();
  };
  std::string simple = simple_doc();
  int64_t simple_at = startxref_of(simple);
  // A Prev that names the section itself, and two sections naming each other.
  std::string self_prev = replace(simple, "/Root 1 0 R", "/Root 1 0 R /Prev " + std::to_string(simple_at));
  std::string pair = append_table(simple, {}, {}, " /Root 1 0 R /Prev " + std::to_string(simple_at));
  pair = replace(pair, "/Info 4 0 R >>", "/Info 4 0 R /Prev " + std::to_string(startxref_of(pair)) + " >>");
  // A cross-reference stream's Length written as a reference to itself.
  PdfWriter len = pages_doc(1);
  int stream_no = len.reserve();
  len.put(stream_no, "<< /Length " + ref(stream_no) + " >>\nstream\nabc\nendstream");
  len.bytes() = replace(len.bytes(), "/Type /Page /Parent", "/Type /Page /Resources " + ref(stream_no) + " /Parent");
  len.xref_table(" /Root 1 0 R");
  // A stream cross-reference with W [1 5 1], and one whose Index asks for
  // more entries than its data has.
  PdfWriter xs = pages_doc(1, "%PDF-1.5\n");
  xs.xref_stream(" /Root 1 0 R");
  std::string wide = replace(xs.bytes(), "/W [1 4 2]", "/W [1 5 1]");
  std::string index_at = xs.bytes().substr(xs.bytes().rfind("/Index [") + 8);
  std::string longer = replace(xs.bytes(), "/Index [ 0 5 ]", "/Index [ 0 9 ]");
  // Object 3 said to lie inside the object stream 3, and inside object 4, a
  // stream that is no object stream.
  std::string self_stream =
      w121_doc({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Kids [3 0 R] >>", "(3)"}, {{3, {2, 3, 0}}});
  std::string not_objstm = w121_doc(
      {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Kids [3 0 R] >>", "(3)", "<< /Length 2 >>\nstream\nab\nendstream"},
      {{3, {2, 4, 0}}});
  // A page tree that is its own descendant, and one deeper than 64 levels.
  PdfWriter cyc = pages_doc(0);
  cyc.bytes() = replace(cyc.bytes(), "/Kids [ ]", "/Kids [4 0 R]");
  cyc.put(3, "<< >>");
  cyc.put(4, "<< /Kids [2 0 R] >>");
  cyc.xref_table(" /Root 1 0 R");
  PdfWriter deep = pages_doc(0);
  deep.bytes() = replace(deep.bytes(), "/Kids [ ]", "/Kids [3 0 R]");
  for (int i = 0; i < 70; ++i) deep.put(3 + i, "<< /Kids [" + ref(4 + i) + "] >>");
  deep.put(73, "<< >>");
  deep.xref_table(" /Root 1 0 R");
  // Shared subtrees named again and again: 65,537 pages from 257 nodes of
  // 255 pages and two more, and 140,000 or more nodes without pages.
  auto shared = [](int outer, int inner, const std::string& leaf, int extra_pages, bool direct = false) {
    PdfWriter w = pages_doc(0);
    std::string kids;
    for (int i = 0; i < outer; ++i) kids += " 3 0 R";
    for (int i = 0; i < extra_pages; ++i) kids += " 4 0 R";
    w.bytes() = replace(w.bytes(), "/Kids [ ]", "/Kids [" + kids + "]");
    std::string inner_kids;
    for (int i = 0; i < inner; ++i) inner_kids += direct ? leaf : " 4 0 R";
    w.put(3, "<< /Kids [" + inner_kids + "] >>");
    w.put(4, leaf);
    w.xref_table(" /Root 1 0 R");
    return w.bytes();
  };

  struct Case {
    const char* what;
    std::string bytes;
    int32_t code;
  };
  const Case cases[] = {
      {"Prev naming its own section", self_prev, PdfError::syntax},
      {"two sections naming each other", pair, PdfError::syntax},
      {"XRefStm naming its own table",
       replace(simple, "/Root 1 0 R", "/XRefStm " + std::to_string(simple_at) + " /Root 1 0 R"), PdfError::syntax},
      {"Length naming its own stream", len.bytes(), PdfError::syntax},
      {"10,000 nested arrays", with_page("<< /A " + std::string(10000, '[') + " >>"), PdfError::syntax},
      {"a name of 5000 bytes", with_page("<< /" + std::string(5000, 'n') + " 1 >>"), PdfError::syntax},
      {"a truncated dictionary", replace(with_page("<< /Type /Page"), "endobj", "trailer"), PdfError::syntax},
      {"W [1 5 1]", wide, PdfError::syntax},
      {"a subsection longer than the stream", longer, PdfError::syntax},
      {"a page tree cycle", cyc.bytes(), PdfError::syntax},
      {"a page tree 70 deep", deep.bytes(), PdfError::syntax},
      {"65,536 pages", shared(257, 255, "<< >>", 1), 0},
      {"65,537 pages", shared(257, 255, "<< >>", 2), PdfError::syntax},
      // Without pages the pool ends the walk.
      {"160,000 nodes", shared(400, 400, "<< /Kids [] >>", 0), PdfError::memory},
      {"140,000 direct nodes", shared(14, 10000, "<</Kids[]>>", 0, true), PdfError::memory},
      {"a page in an object stream", with_page("<< >>", true), 0},
      {"an object stream inside itself", self_stream, PdfError::syntax},
      {"an object stream that is none", not_objstm, PdfError::missing},
  };
  for (const Case& c : cases) {
    Doc d(c.bytes);
    EXPECT_EQ(d.code, c.code) << c.what;
    if (c.code == 0 && d.info.page_count > 1) EXPECT_EQ(d.info.page_count, 65536);
    EXPECT_EQ(pdf_core_end(), 0) << c.what;
    EXPECT_EQ(pdf_pool_free_blocks(), kPdfBlockCount) << c.what;
  }
}
