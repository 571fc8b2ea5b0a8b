// Cross-reference sections, trailers and the resolution of references.
#include "raster/mrc/pdf/pdf_xref.h"

#include <cstring>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_parser.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_token.h"

namespace {

bool is_keyword(int32_t kind, const char* word) {
  return kind == PdfToken::keyword && std::strcmp(pdf_state().token, word) == 0;
}

// The next token must be an integer (else 1); its value.
int64_t expect_integer(PdfStream* s) {
  if (pdf_next_token(s) != PdfToken::integer) pdf_raise(PdfError::syntax);
  return pdf_token_integer64(pdf_state().token);
}

// Each section is read once; a chain that comes back to one is refused.
void visit(PdfDocument* d, int64_t offset) {
  for (const PdfOffsetList* v = d->visited; v; v = v->next) {
    if (v->offset == offset) pdf_raise(PdfError::syntax);
  }
  auto* item = static_cast<PdfOffsetList*>(pdf_alloc(sizeof(PdfOffsetList)));
  *item = PdfOffsetList{offset, d->visited};
  d->visited = item;
}

// An integer entry when present (else 2); fallback when absent.
int64_t optional_integer(const PdfList* dictionary, const char* key, int64_t fallback) {
  const PdfValue* v = pdf_dict_get(dictionary, key);
  if (!v) return fallback;
  if (v->kind != PdfKind::integer) pdf_raise(PdfError::type);
  return v->value.integer;
}

const PdfValue* required(const PdfList* dictionary, const char* key, int32_t kind) {
  const PdfValue* v = pdf_dict_get(dictionary, key);
  if (!v) pdf_raise(PdfError::missing);
  if (v->kind != kind) pdf_raise(PdfError::type);
  return v;
}

// A "Prev" offset: an integer, not negative.
int64_t prev_of(const PdfList* trailer) {
  int64_t prev = optional_integer(trailer, "Prev", -1);
  if (pdf_dict_get_raw(trailer, "Prev") && prev < 0) pdf_raise(PdfError::range);
  return prev;
}

// Root, ID, Encrypt and Info of the newest trailer.
void take_trailer_entries(PdfDocument* d, const PdfList* trailer) {
  PdfValue* root = pdf_dict_get_raw(trailer, "Root");
  if (!root) pdf_raise(PdfError::missing);
  if (root->kind != PdfKind::reference) pdf_raise(PdfError::type);
  PdfValue* id = pdf_dict_get(trailer, "ID");
  if (id) {
    if (id->kind != PdfKind::array) pdf_raise(PdfError::type);
    const PdfValue* first = pdf_array_get(id->value.list, 0);
    if (!first || first->kind != PdfKind::string) pdf_raise(PdfError::type);
  }
  d->root = root;
  d->id = id;
  if (!d->encrypt) d->encrypt = pdf_dict_get_raw(trailer, "Encrypt");
  d->info = pdf_dict_get_raw(trailer, "Info");
}

// A first object number and count that fit 32 bits.
void check_range(int64_t first, int64_t count) {
  if (first < 0 || count < 0 || first + count > int64_t(INT32_MAX) + 1) pdf_raise(PdfError::syntax);
}

// The cross-reference stream at the main stream's position (after "n g obj").
// In the trailer role it also takes the trailer entries and returns "Prev".
int64_t read_xref_stream(PdfDocument* d, bool trailer_role) {
  PdfValue* xref = pdf_read_object(d->main);
  if (xref->kind != PdfKind::stream || !xref->stream) pdf_raise(PdfError::syntax);
  const PdfList* dict = xref->value.list;
  const PdfValue* type = pdf_dict_get(dict, "Type");
  if (!type) pdf_raise(PdfError::missing);
  if (!pdf_is_name(type, "XRef")) pdf_raise(PdfError::type);
  int64_t size = required(dict, "Size", PdfKind::integer)->value.integer;
  const PdfValue* index = pdf_dict_get(dict, "Index");
  if (index && (index->kind != PdfKind::array || pdf_list_count(index->value.list) % 2 != 0)) {
    pdf_raise(PdfError::type);
  }
  const PdfValue* w = required(dict, "W", PdfKind::array);
  int32_t width[3];
  if (pdf_list_count(w->value.list) != 3) pdf_raise(PdfError::type);
  for (int32_t i = 0; i < 3; ++i) {
    const PdfValue* e = pdf_array_get(w->value.list, i);
    if (e->kind != PdfKind::integer) pdf_raise(PdfError::type);
    // Entry fields are at most 32 bits.
    if (e->value.integer < 0 || e->value.integer > 4) pdf_raise(PdfError::syntax);
    width[i] = e->value.integer;
  }
  PdfStream* data = xref->stream;
  auto field = [data](int32_t bytes) {
    uint32_t v = 0;
    for (int32_t i = 0; i < bytes; ++i) {
      int32_t c = pdf_stream_get(data);
      // Subsections that need more entries than the data holds.
      if (c < 0) pdf_raise(PdfError::syntax);
      v = (v << 8) | uint32_t(c);
    }
    return v;
  };
  const PdfList* pair = index ? index->value.list : nullptr;
  int64_t first = 0, count = size;
  if (pair) {
    const PdfValue* a = pdf_array_get(pair, 0);
    const PdfValue* b = pdf_array_get(pair, 1);
    if (a->kind != PdfKind::integer || b->kind != PdfKind::integer) pdf_raise(PdfError::type);
    first = a->value.integer, count = b->value.integer;
  }
  for (;;) {
    check_range(first, count);
    pdf_xref_add_section(int32_t(first), int32_t(count));
    for (int64_t i = 0; i < count; ++i) {
      uint32_t t = width[0] == 0 ? 1 : field(width[0]);
      uint32_t f2 = field(width[1]);
      uint32_t f3 = field(width[2]);
      pdf_xref_store(int32_t(first + i), f2, f3, t == 0 ? 'f' : t == 1 ? 'n' : 'i');
    }
    if (!pair) break;
    pair = pair->next->next;
    if (!pair) break;
    if (!pair->next) pdf_raise(PdfError::missing);
    const PdfValue* a = pdf_resolve_value(pair->value);
    const PdfValue* b = pdf_resolve_value(pair->next->value);
    if (a->kind != PdfKind::integer || b->kind != PdfKind::integer) pdf_raise(PdfError::type);
    first = a->value.integer, count = b->value.integer;
  }
  pdf_stream_close(data);
  if (!trailer_role) return -1;
  if (!d->root) take_trailer_entries(d, dict);
  return prev_of(dict);
}

// "n g obj" before a cross-reference stream.
void expect_object_header(PdfStream* s) {
  expect_integer(s);
  expect_integer(s);
  if (!is_keyword(pdf_next_token(s), "obj")) pdf_raise(PdfError::syntax);
}

int64_t read_classic_trailer(PdfDocument* d) {
  PdfValue* trailer = pdf_read_object(d->main);
  if (trailer->kind != PdfKind::dictionary) pdf_raise(PdfError::syntax);
  const PdfList* dict = trailer->value.list;
  int64_t prev = prev_of(dict);
  // Older trailers give only their "Prev".
  if (d->root) return prev;
  take_trailer_entries(d, dict);
  const PdfValue* stm = pdf_dict_get(dict, "XRefStm");
  if (stm) {
    if (stm->kind != PdfKind::integer) pdf_raise(PdfError::type);
    if (stm->value.integer < 0) pdf_raise(PdfError::range);
    visit(d, stm->value.integer);
    pdf_stream_seek(d->main, stm->value.integer, 0);
    expect_object_header(d->main);
    read_xref_stream(d, false);
  }
  return prev;
}

int64_t read_classic_section(PdfDocument* d) {
  PdfStream* s = d->main;
  int32_t kind;
  while ((kind = pdf_next_token(s)) == PdfToken::integer) {
    int64_t first = pdf_token_integer64(pdf_state().token);
    int64_t count = expect_integer(s);
    check_range(first, count);
    pdf_xref_add_section(int32_t(first), int32_t(count));
    for (int64_t i = 0; i < count; ++i) {
      int64_t offset = expect_integer(s);
      int64_t generation = expect_integer(s);
      const char* t = pdf_state().token;
      if (pdf_next_token(s) != PdfToken::keyword || (std::strcmp(t, "f") != 0 && std::strcmp(t, "n") != 0)) {
        pdf_raise(PdfError::syntax);
      }
      pdf_xref_store(int32_t(first + i), offset, generation, t[0]);
    }
  }
  if (!is_keyword(kind, "trailer")) pdf_raise(PdfError::syntax);
  return read_classic_trailer(d);
}

// Marks a resolution running inside others; the count unwinds with it.
struct ResolveDepth {
  PdfDocument* d;
  explicit ResolveDepth(PdfDocument* doc) : d(doc) {
    if (++d->resolve_depth > kPdfMaxResolveDepth) pdf_raise(PdfError::syntax);
  }
  ~ResolveDepth() { --d->resolve_depth; }
  ResolveDepth(const ResolveDepth&) = delete;
  ResolveDepth& operator=(const ResolveDepth&) = delete;
};

// The object at index inside the object stream `number`: the stream's
// header of number and offset pairs is read up to the wanted pair, then the
// bytes up to the object.
PdfValue* from_object_stream(int64_t number, int64_t index) {
  if (number < 0 || number > INT32_MAX || index < 0) pdf_raise(PdfError::missing);
  PdfValue ref = *pdf_new_reference(int32_t(number), 0);
  PdfValue* objstm = pdf_resolve(&ref);
  if (objstm->kind != PdfKind::stream || !objstm->stream) pdf_raise(PdfError::type);
  const PdfList* dict = objstm->value.list;
  const PdfValue* type = pdf_dict_get(dict, "Type");
  if (!type) pdf_raise(PdfError::missing);
  if (!pdf_is_name(type, "ObjStm")) pdf_raise(PdfError::type);
  required(dict, "N", PdfKind::integer);
  int64_t first = required(dict, "First", PdfKind::integer)->value.integer;
  PdfStream* data = objstm->stream;
  PdfParserState& st = pdf_state();
  st.counting = 1;
  st.counted = 0;
  PdfValue skipped{};
  for (int64_t i = 0; i < 2 * index; ++i) {
    if (pdf_parse_file_object(data, &skipped) == PdfToken::end) pdf_raise(PdfError::missing);
  }
  PdfValue pair[2]{};
  for (PdfValue& v : pair) {
    pdf_parse_file_object(data, &v);
    if (v.kind != PdfKind::integer) pdf_raise(PdfError::type);
  }
  // Bytes delivered so far, less one given back and not yet read again.
  int64_t target = first + pair[1].value.integer;
  while (st.counted - (data->has_pushed ? 1 : 0) < target) {
    if (pdf_stream_get(data) < 0) break;
  }
  PdfValue* result = pdf_read_object(data);
  pdf_stream_close(data);
  st.counting = 0;
  return result;
}

}  // namespace

PdfXrefSection* pdf_xref_add_section(int32_t first, int32_t count) {
  PdfDocument* d = pdf_document();
  auto* section = static_cast<PdfXrefSection*>(pdf_alloc(sizeof(PdfXrefSection)));
  auto* entries = static_cast<PdfXrefEntry*>(pdf_alloc(sizeof(PdfXrefEntry) * size_t(count)));
  std::memset(entries, 0, sizeof(PdfXrefEntry) * size_t(count));
  *section = PdfXrefSection{first, count, entries, nullptr};
  if (d->last_section) {
    d->last_section->next = section;
  } else {
    d->sections = section;
  }
  d->last_section = section;
  return section;
}

PdfXrefEntry* pdf_xref_entry(int32_t number) {
  for (PdfXrefSection* s = pdf_document()->sections; s; s = s->next) {
    if (number >= s->first && int64_t(number) - s->first < s->count) return &s->entries[number - s->first];
  }
  return nullptr;
}

void pdf_xref_store(int32_t number, int64_t offset, int64_t generation, char type) {
  PdfXrefEntry* e = pdf_xref_entry(number);
  if (!e) e = &pdf_xref_add_section(number, 1)->entries[0];
  if (e->offset != 0) return;
  *e = PdfXrefEntry{offset, generation, type};
}

int64_t pdf_read_xref_section() {
  PdfDocument* d = pdf_document();
  int32_t kind = pdf_next_token(d->main);
  if (is_keyword(kind, "xref")) return read_classic_section(d);
  if (kind != PdfToken::integer) pdf_raise(PdfError::syntax);
  expect_integer(d->main);
  if (!is_keyword(pdf_next_token(d->main), "obj")) pdf_raise(PdfError::syntax);
  return read_xref_stream(d, true);
}

void pdf_read_xref_chain(int64_t offset) {
  PdfDocument* d = pdf_document();
  while (offset != -1) {
    visit(d, offset);
    pdf_stream_seek(d->main, offset, 0);
    offset = pdf_read_xref_section();
  }
}

PdfValue* pdf_resolve(const PdfValue* reference) {
  PdfDocument* d = pdf_document();
  const auto* pair = static_cast<const PdfRef*>(reference->value.pointer);
  if (reference->kind != PdfKind::reference || !pair) pdf_raise(PdfError::type);
  ResolveDepth depth(d);
  const PdfXrefEntry* e = pdf_xref_entry(pair->number);
  // A free entry names no object; reading at its offset would find another.
  if (!e || (e->type != 'n' && e->type != 'i')) pdf_raise(PdfError::missing);
  if (e->type == 'i') return from_object_stream(e->offset, e->generation);
  pdf_stream_seek(d->main, e->offset, 0);
  expect_object_header(d->main);
  return pdf_read_object(d->main);
}

PdfValue* pdf_resolve_value(PdfValue* value) {
  if (value && value->kind == PdfKind::reference) return pdf_resolve(value);
  return value;
}
