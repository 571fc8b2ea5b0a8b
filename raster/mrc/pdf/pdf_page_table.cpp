// Walking the page tree into the page table.
#include "raster/mrc/pdf/pdf_page_table.h"

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_document.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_xref.h"

namespace {

void box(const PdfList* node, const char* key, float out[4], bool* has) {
  const PdfValue* v = pdf_dict_get(node, key);
  if (!v) return;
  if (v->kind != PdfKind::array || pdf_list_count(v->value.list) != 4) pdf_raise(PdfError::type);
  if (pdf_numbers_to_reals(v->value.list, 4, out) != 0) pdf_raise(PdfError::type);
  *has = true;
}

struct Walk {
  PdfDocument* d;
  PdfPageEntry* last = nullptr;
  // Object numbers of the nodes on the path from the root, against cycles.
  int32_t path[kPdfMaxTreeDepth] = {};
  int32_t depth = 0;

  void add_page(const PdfList* node, const PdfNodeAttributes& a) {
    if (d->page_count >= kPdfMaxPages) pdf_raise(PdfError::syntax);
    auto* record = static_cast<PdfPageRecord*>(pdf_alloc(sizeof(PdfPageRecord)));
    *record = PdfPageRecord{pdf_dict_get_raw(node, "Contents"), pdf_dict_get_raw(node, "Thumb"), a};
    auto* entry = static_cast<PdfPageEntry*>(pdf_alloc(sizeof(PdfPageEntry)));
    *entry = PdfPageEntry{record, ++d->page_count, nullptr};
    if (last) {
      last->next = entry;
    } else {
      d->pages = entry;
    }
    last = entry;
  }

  // Visits each element of a "Kids" array; each must be a dictionary.
  void kids(const PdfList* list, const PdfNodeAttributes& inherited) {
    for (const PdfList* e = list; e; e = e->next) {
      const PdfValue* raw = e->value;
      int32_t number = -1;
      if (raw && raw->kind == PdfKind::reference && raw->value.pointer) {
        number = static_cast<const PdfRef*>(raw->value.pointer)->number;
        for (int32_t i = 0; i < depth; ++i) {
          if (path[i] == number) pdf_raise(PdfError::syntax);
        }
      }
      const PdfValue* node = pdf_resolve_value(e->value);
      if (!node || node->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
      visit(node->value.list, inherited, number);
    }
  }

  void visit(const PdfList* node, PdfNodeAttributes a, int32_t number) {
    if (depth >= kPdfMaxTreeDepth) pdf_raise(PdfError::syntax);
    pdf_node_attributes(node, &a);
    const PdfValue* k = pdf_dict_get(node, "Kids");
    // "Type" is not consulted: a node without "Kids" is a page.
    if (!k) {
      add_page(node, a);
      return;
    }
    if (k->kind != PdfKind::array) return;
    path[depth++] = number;
    kids(k->value.list, a);
    --depth;
  }
};

}  // namespace

void pdf_node_attributes(const PdfList* node, PdfNodeAttributes* a) {
  if (PdfValue* r = pdf_dict_get(node, "Resources")) {
    if (r->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
    a->resources = r;
  }
  box(node, "MediaBox", a->media_box, &a->has_media_box);
  box(node, "CropBox", a->crop_box, &a->has_crop_box);
  if (const PdfValue* r = pdf_dict_get(node, "Rotate")) {
    if (r->kind != PdfKind::integer) pdf_raise(PdfError::type);
    a->rotation = r->value.integer;
  }
  if (const PdfValue* v = pdf_dict_get(node, "Annots")) {
    if (v->kind != PdfKind::array) pdf_raise(PdfError::type);
    a->annotations = v->value.list;
    a->has_annotations = true;
  }
}

int32_t pdf_build_page_table() {
  PdfDocument* d = pdf_document();
  d->pages = nullptr;
  d->page_count = 0;
  const PdfValue* catalog = pdf_resolve_value(d->root);
  if (!catalog || catalog->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
  PdfValue* raw_pages = pdf_dict_get_raw(catalog->value.list, "Pages");
  const PdfValue* pages = pdf_resolve_value(raw_pages);
  if (!pages) pdf_raise(PdfError::missing);
  if (pages->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
  PdfNodeAttributes inherited{};
  inherited.rotation = -1;
  pdf_node_attributes(pages->value.list, &inherited);
  const PdfValue* k = pdf_dict_get(pages->value.list, "Kids");
  if (!k) pdf_raise(PdfError::missing);
  if (k->kind != PdfKind::array) return 0;
  Walk walk{d};
  walk.path[walk.depth++] =
      raw_pages->kind == PdfKind::reference ? static_cast<const PdfRef*>(raw_pages->value.pointer)->number : -1;
  walk.kids(k->value.list, inherited);
  return d->page_count;
}

const PdfPageRecord* pdf_page_record(int32_t n) {
  const PdfDocument* d = pdf_document();
  if (n < 1 || n > d->page_count) return nullptr;
  for (const PdfPageEntry* e = d->pages; e; e = e->next) {
    if (e->number == n) return e->record;
  }
  return nullptr;
}
