// Reading a document's skeleton: header version, the "startxref" offset
// found from the end of the file, the cross-reference chain and trailer, the
// page table and the document information strings.
#include "raster/mrc/pdf/pdf_document.h"

#include <cstring>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_page_table.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_token.h"
#include "raster/mrc/pdf/pdf_xref.h"

namespace {

// "%PDF-d.d" on a first line of at most 79 bytes: 10 × major + minor; -1
// for another header. Raises 6 for a longer line.
int32_t read_header(PdfStream* s) {
  char line[80];
  pdf_stream_seek(s, 0, 0);
  int32_t n = pdf_read_line(s, line, sizeof line);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (n < 8 || std::memcmp(line, "%PDF-", 5) != 0 || !digit(line[5]) || line[6] != '.' || !digit(line[7])) return -1;
  return 10 * (line[5] - '0') + (line[7] - '0');
}

// Searches backwards from the position for the pattern, one byte at a time,
// counting the bytes matched from its end. Leaves the stream at the
// pattern's first byte; raises 1 at the start of the file.
void search_back(PdfStream* s, const char* pattern) {
  const int32_t length = int32_t(std::strlen(pattern));
  int32_t k = 0;
  while (k < length) {
    int32_t c = pdf_stream_get_back(s);
    if (c < 0) pdf_raise(PdfError::syntax);
    if (c == uint8_t(pattern[length - 1 - k])) {
      ++k;
    } else if (c == uint8_t(pattern[length - 1])) {
      k = 1;
    } else {
      k = 0;
    }
  }
}

int64_t find_startxref(PdfStream* s) {
  pdf_stream_seek(s, 0, 2);
  search_back(s, "%%EOF");
  search_back(s, "startxref");
  if (pdf_next_token(s) != PdfToken::keyword || std::strcmp(pdf_state().token, "startxref") != 0) {
    pdf_raise(PdfError::syntax);
  }
  if (pdf_next_token(s) != PdfToken::integer) pdf_raise(PdfError::syntax);
  int64_t offset = pdf_token_integer64(pdf_state().token);
  if (offset < 0) pdf_raise(PdfError::range);
  return offset;
}

// A copy of an information string: its bytes and three zero bytes, so that
// UTF-16 text read by pairs up to a zero pair ends inside the copy even when
// its length is odd.
const char* info_string(const PdfList* info, const char* key) {
  const PdfValue* v = pdf_dict_get(info, key);
  if (!v) return nullptr;
  if (v->kind != PdfKind::string) pdf_raise(PdfError::type);
  auto* copy = static_cast<char*>(pdf_alloc(size_t(v->length) + 3));
  if (v->length > 0) std::memcpy(copy, v->value.bytes, size_t(v->length));
  copy[v->length] = 0;
  copy[v->length + 1] = 0;
  copy[v->length + 2] = 0;
  return copy;
}

void read_document(PdfDocInfo* info) {
  PdfDocument* d = pdf_document_new();
  d->version = read_header(d->main);
  if (d->version < 0) pdf_raise(PdfError::syntax);
  pdf_read_xref_chain(find_startxref(d->main));
  if (!d->root) pdf_raise(PdfError::missing);
  if (d->encrypt) pdf_raise(PdfError::damaged);
  info->page_count = pdf_build_page_table();
  if (!d->info) return;
  const PdfValue* dict = pdf_resolve_value(d->info);
  if (dict->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
  const PdfList* list = dict->value.list;
  info->version = d->version;
  info->title = info_string(list, "Title");
  info->author = info_string(list, "Author");
  info->subject = info_string(list, "Subject");
  info->keywords = info_string(list, "Keywords");
  info->creator = info_string(list, "Creator");
  info->producer = info_string(list, "Producer");
  info->creation_date = info_string(list, "CreationDate");
  info->mod_date = info_string(list, "ModDate");
}

}  // namespace

PdfDocument* pdf_document() {
  PdfDocument* d = pdf_state().document;
  if (!d) pdf_raise(PdfError::missing);
  return d;
}

PdfDocument* pdf_document_new() {
  PdfParserState& st = pdf_state();
  st.document = nullptr;
  auto* d = static_cast<PdfDocument*>(pdf_alloc(sizeof(PdfDocument)));
  std::memset(d, 0, sizeof(PdfDocument));
  d->main = pdf_stream_new(0, -1);
  st.document = d;
  return d;
}

int32_t pdf_core_read_document(PdfDocInfo* info) {
  if (!info) return PdfError::missing;
  if (!pdf_state().core_live) return PdfError::memory;
  return pdf_core_run([&] { read_document(info); });
}
