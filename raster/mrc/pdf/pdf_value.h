// Values of the PDF reader core and the list operations every part uses.
// Values and lists come from the current arena and are never freed on their
// own. Lists are singly linked and grow at the front; a parser builds them in
// source order by putting items in front last first.
#pragma once

#include <cstddef>
#include <cstdint>

struct PdfStream;

namespace PdfKind {
inline constexpr int32_t op = 0;
inline constexpr int32_t boolean = 1;
inline constexpr int32_t integer = 2;
inline constexpr int32_t real = 3;
inline constexpr int32_t string = 4;
inline constexpr int32_t name = 5;
inline constexpr int32_t array = 6;
inline constexpr int32_t dictionary = 7;
inline constexpr int32_t stream = 8;
inline constexpr int32_t null = 9;
inline constexpr int32_t reference = 10;
inline constexpr int32_t bracket = 11;
inline constexpr int32_t end = 12;
}  // namespace PdfKind

// An array element, or a dictionary entry with its own copy of the key.
struct PdfList {
  struct PdfValue* value;
  const char* key;  // zero-terminated; null in an array
  int32_t key_length;
  PdfList* next;
};

struct PdfValue {
  int32_t kind;
  int32_t length;  // bytes of a string or name
  union {
    int32_t integer;  // also a boolean
    float real;
    const char* bytes;    // string (followed by a zero byte) or name
    PdfList* list;        // array, dictionary, stream dictionary
    const void* pointer;  // operator entry, reference pair
  } value;
  PdfStream* stream;  // the data of a stream
};

// The pair an indirect reference names.
struct PdfRef {
  int32_t number;
  int32_t generation;
};

// New values from the current arena.
PdfValue* pdf_new_value(int32_t kind);
PdfValue* pdf_new_integer(int32_t v);
PdfValue* pdf_new_real(float v);
// A copy of the bytes followed by a zero byte.
PdfValue* pdf_new_bytes(int32_t kind, const char* bytes, int32_t length);
PdfValue* pdf_new_name(const char* name);
PdfValue* pdf_new_reference(int32_t number, int32_t generation);
// An array or dictionary (or stream) over a list.
PdfValue* pdf_new_list_value(int32_t kind, PdfList* list);

// Puts an element, or an entry with a copy of its key, in front of a list
// and returns the new head.
PdfList* pdf_list_prepend(PdfList* head, PdfValue* value);
PdfList* pdf_dict_prepend(PdfList* head, const char* key, int32_t key_length, PdfValue* value);

// The value of the first entry whose key has exactly these bytes; null when
// absent. An indirect reference is resolved, read afresh every time.
PdfValue* pdf_dict_get(const PdfList* dictionary, const char* key);
// The element at index, a reference resolved; null past the end.
PdfValue* pdf_array_get(const PdfList* array, int64_t index);
// The same without resolving: a reference stays a reference.
PdfValue* pdf_dict_get_raw(const PdfList* dictionary, const char* key);
PdfValue* pdf_array_get_raw(const PdfList* array, int64_t index);
// The object a value names: a reference is resolved, anything else is
// itself (null stays null).
PdfValue* pdf_resolve_value(PdfValue* value);
int64_t pdf_list_count(const PdfList* list);
// The first n elements as reals (integers converted, references resolved);
// -1 when one of them is
// neither an integer nor a real, or the list is shorter; else 0.
int32_t pdf_numbers_to_reals(const PdfList* array, int32_t n, float* out);
// Four reals from the first four elements of an array value; -1 when the value
// is no array or they are not four numbers.
int32_t pdf_rectangle(const PdfValue* array, float out[4]);

// True when the value is a name with exactly these characters.
bool pdf_is_name(const PdfValue* value, const char* name);
