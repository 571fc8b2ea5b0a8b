// Values and list operations of the PDF reader core.
#include "raster/mrc/pdf/pdf_value.h"

#include <cstring>

#include "raster/mrc/pdf/pdf_arena.h"

PdfValue* pdf_new_value(int32_t kind) {
  auto* v = static_cast<PdfValue*>(pdf_alloc(sizeof(PdfValue)));
  std::memset(v, 0, sizeof(PdfValue));
  v->kind = kind;
  return v;
}

PdfValue* pdf_new_integer(int32_t i) {
  PdfValue* v = pdf_new_value(PdfKind::integer);
  v->value.integer = i;
  return v;
}

PdfValue* pdf_new_real(float r) {
  PdfValue* v = pdf_new_value(PdfKind::real);
  v->value.real = r;
  return v;
}

PdfValue* pdf_new_bytes(int32_t kind, const char* bytes, int32_t length) {
  PdfValue* v = pdf_new_value(kind);
  auto* copy = static_cast<char*>(pdf_alloc(size_t(length) + 1));
  if (length > 0) std::memcpy(copy, bytes, size_t(length));
  copy[length] = 0;
  v->length = length;
  v->value.bytes = copy;
  return v;
}

PdfValue* pdf_new_name(const char* name) { return pdf_new_bytes(PdfKind::name, name, int32_t(std::strlen(name))); }

PdfValue* pdf_new_reference(int32_t number, int32_t generation) {
  PdfValue* v = pdf_new_value(PdfKind::reference);
  auto* pair = static_cast<PdfRef*>(pdf_alloc(sizeof(PdfRef)));
  *pair = PdfRef{number, generation};
  v->value.pointer = pair;
  return v;
}

PdfValue* pdf_new_list_value(int32_t kind, PdfList* list) {
  PdfValue* v = pdf_new_value(kind);
  v->value.list = list;
  return v;
}

PdfList* pdf_list_prepend(PdfList* head, PdfValue* value) {
  auto* item = static_cast<PdfList*>(pdf_alloc(sizeof(PdfList)));
  *item = PdfList{value, nullptr, 0, head};
  return item;
}

PdfList* pdf_dict_prepend(PdfList* head, const char* key, int32_t key_length, PdfValue* value) {
  auto* copy = static_cast<char*>(pdf_alloc(size_t(key_length) + 1));
  if (key_length > 0) std::memcpy(copy, key, size_t(key_length));
  copy[key_length] = 0;
  auto* item = static_cast<PdfList*>(pdf_alloc(sizeof(PdfList)));
  *item = PdfList{value, copy, key_length, head};
  return item;
}

PdfValue* pdf_dict_get(const PdfList* dictionary, const char* key) {
  return pdf_resolve_value(pdf_dict_get_raw(dictionary, key));
}

PdfValue* pdf_array_get(const PdfList* array, int64_t index) {
  return pdf_resolve_value(pdf_array_get_raw(array, index));
}

PdfValue* pdf_dict_get_raw(const PdfList* dictionary, const char* key) {
  size_t n = std::strlen(key);
  for (const PdfList* e = dictionary; e; e = e->next) {
    if (e->key && size_t(e->key_length) == n && std::memcmp(e->key, key, n) == 0) return e->value;
  }
  return nullptr;
}

PdfValue* pdf_array_get_raw(const PdfList* array, int64_t index) {
  if (index < 0) return nullptr;
  for (const PdfList* e = array; e; e = e->next, --index) {
    if (index == 0) return e->value;
  }
  return nullptr;
}

int64_t pdf_list_count(const PdfList* list) {
  int64_t n = 0;
  for (; list; list = list->next) ++n;
  return n;
}

int32_t pdf_numbers_to_reals(const PdfList* array, int32_t n, float* out) {
  const PdfList* e = array;
  for (int32_t i = 0; i < n; ++i, e = e->next) {
    if (!e || !e->value) return -1;
    const PdfValue* v = pdf_resolve_value(e->value);
    if (v->kind == PdfKind::integer) {
      out[i] = float(v->value.integer);
    } else if (v->kind == PdfKind::real) {
      out[i] = v->value.real;
    } else {
      return -1;
    }
  }
  return 0;
}

int32_t pdf_rectangle(const PdfValue* array, float out[4]) {
  if (!array || array->kind != PdfKind::array) return -1;
  return pdf_numbers_to_reals(array->value.list, 4, out);
}

bool pdf_is_name(const PdfValue* value, const char* name) {
  size_t n = std::strlen(name);
  return value && value->kind == PdfKind::name && size_t(value->length) == n &&
         std::memcmp(value->value.bytes, name, n) == 0;
}
