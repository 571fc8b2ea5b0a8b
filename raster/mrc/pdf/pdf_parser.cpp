// The file and content parsers of the PDF reader core.
#include "raster/mrc/pdf/pdf_parser.h"

#include <cstring>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_operators.h"
#include "raster/mrc/pdf/pdf_stack.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_stream_data.h"
#include "raster/mrc/pdf/pdf_token.h"

namespace {

// A copy of the bytes followed by a zero byte.
void set_bytes(PdfValue* v, int32_t kind, const char* bytes, int32_t length) {
  auto* copy = static_cast<char*>(pdf_alloc(size_t(length) + 1));
  if (length > 0) std::memcpy(copy, bytes, size_t(length));
  copy[length] = 0;
  v->kind = kind;
  v->length = length;
  v->value.bytes = copy;
}

int32_t hex_digit(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// Fills a value from a single token. Returns false for a keyword that is
// neither a value keyword nor an operator.
bool scalar(int32_t kind, PdfValue* v) {
  PdfParserState& st = pdf_state();
  const char* text = st.token;
  *v = PdfValue{};
  switch (kind) {
    case PdfToken::keyword:
      if (std::strcmp(text, "null") == 0) {
        v->kind = PdfKind::null;
      } else if (std::strcmp(text, "true") == 0 || std::strcmp(text, "false") == 0) {
        v->kind = PdfKind::boolean;
        v->value.integer = text[0] == 't';
      } else if (std::strcmp(text, "R") == 0) {
        v->kind = PdfKind::reference;  // bare: no pair yet
      } else if (std::strcmp(text, "stream") == 0) {
        v->kind = PdfKind::stream;  // bare: no data
      } else if (const PdfOperatorEntry* op = pdf_operator_lookup(text)) {
        v->kind = PdfKind::op;
        v->value.pointer = op;
      } else {
        return false;
      }
      return true;
    case PdfToken::integer:
      v->kind = PdfKind::integer;
      v->value.integer = pdf_token_integer(text);
      return true;
    case PdfToken::real:
      v->kind = PdfKind::real;
      v->value.real = pdf_token_real(text);
      return true;
    case PdfToken::string: set_bytes(v, PdfKind::string, text, st.token_length); return true;
    case PdfToken::hex_string: {
      // Two digits a byte; a last lone digit is the high half of a byte.
      int32_t digits = st.token_length;
      char bytes[kPdfTokenBytes / 2 + 1];
      int32_t n = (digits + 1) / 2;
      for (int32_t i = 0; i < n; ++i) {
        int32_t hi = hex_digit(text[2 * i]);
        int32_t lo = 2 * i + 1 < digits ? hex_digit(text[2 * i + 1]) : 0;
        bytes[i] = char(hi * 16 + lo);
      }
      set_bytes(v, PdfKind::string, bytes, n);
      return true;
    }
    case PdfToken::name: set_bytes(v, PdfKind::name, text, st.token_length); return true;
    default: return false;
  }
}

bool is_bare_reference(const PdfValue* v) { return v->kind == PdfKind::reference && !v->value.pointer; }

// Pops the operand stack back to the bracket and builds the array or
// dictionary in source order, folding "n g R" into references. Raises 1
// when no bracket is on the stack (a stray closing bracket).
PdfValue* pop_aggregate(bool dictionary) {
  PdfList* list = nullptr;
  auto pop = [](int32_t code_when_empty) {
    if (pdf_operand_count() == 0) pdf_raise(code_when_empty);
    return static_cast<PdfValue*>(pdf_operand_pop());
  };
  for (;;) {
    PdfValue* v = pop(PdfError::syntax);
    if (v->kind == PdfKind::bracket) break;
    if (is_bare_reference(v)) {
      PdfValue* generation = pop(PdfError::type);
      if (generation->kind != PdfKind::integer) pdf_raise(PdfError::type);
      PdfValue* number = pop(PdfError::type);
      if (number->kind != PdfKind::integer) pdf_raise(PdfError::type);
      v = pdf_new_reference(number->value.integer, generation->value.integer);
    }
    if (dictionary) {
      PdfValue* key = pop(PdfError::type);
      if (key->kind != PdfKind::name) pdf_raise(PdfError::type);
      list = pdf_dict_prepend(list, key->value.bytes, key->length, v);
    } else {
      list = pdf_list_prepend(list, v);
    }
  }
  return pdf_new_list_value(dictionary ? PdfKind::dictionary : PdfKind::array, list);
}

PdfValue* bracket() { return pdf_new_value(PdfKind::bracket); }

int32_t parse(PdfStream* s, PdfValue* v, int32_t depth) {
  int32_t kind = pdf_next_token(s);
  switch (kind) {
    case PdfToken::open_array:
    case PdfToken::open_dictionary: {
      if (depth >= kPdfMaxNesting) pdf_raise(PdfError::syntax);
      bool dictionary = kind == PdfToken::open_dictionary;
      int32_t close = dictionary ? PdfToken::close_dictionary : PdfToken::close_array;
      pdf_operand_push(bracket());
      for (;;) {
        PdfValue* item = pdf_new_value(PdfKind::null);
        int32_t k = parse(s, item, depth + 1);
        if (k == close) break;
        // The data may not end inside an aggregate, nor close the other kind.
        if (k == PdfToken::end || k == PdfToken::close_array || k == PdfToken::close_dictionary) {
          pdf_raise(PdfError::syntax);
        }
        pdf_operand_push(item);
      }
      *v = *pop_aggregate(dictionary);
      return kind;
    }
    case PdfToken::close_array:
    case PdfToken::close_dictionary: return kind;
    case PdfToken::end: *v = PdfValue{PdfKind::end, 0, {}, nullptr}; return kind;
    default:
      // An invalid token, a brace or an unknown keyword has no value to use.
      if (!scalar(kind, v)) pdf_raise(PdfError::syntax);
      return kind;
  }
}

}  // namespace

int32_t pdf_parse_file_object(PdfStream* s, PdfValue* value) { return parse(s, value, 0); }

PdfValue* pdf_read_object(PdfStream* s) {
  PdfValue* v = pdf_new_value(PdfKind::null);
  int32_t kind = parse(s, v, 0);
  if (kind == PdfToken::close_array || kind == PdfToken::close_dictionary) pdf_raise(PdfError::syntax);
  if (is_bare_reference(v) || (v->kind == PdfKind::stream && !v->stream)) pdf_raise(PdfError::syntax);
  if (v->kind == PdfKind::dictionary && s->top == &s->window->source) {
    int64_t at = pdf_stream_tell(s) - (s->has_pushed ? 1 : 0);
    int32_t next = pdf_next_token(s);
    if (next == PdfToken::keyword && std::strcmp(pdf_state().token, "stream") == 0) {
      v->kind = PdfKind::stream;
      v->stream = pdf_open_stream_data(s, v->value.list);
    } else {
      pdf_stream_seek(s, at, 0);
    }
  }
  return v;
}

PdfValue* pdf_parse_content_object(PdfStream* s) {
  PdfParserState& st = pdf_state();
  int32_t kind = pdf_next_token(s);
  switch (kind) {
    case PdfToken::open_array:
    case PdfToken::open_dictionary:
      if (st.content_depth >= kPdfMaxNesting) pdf_raise(PdfError::syntax);
      ++st.content_depth;
      return bracket();
    case PdfToken::close_array:
    case PdfToken::close_dictionary: {
      if (st.content_depth <= 0) pdf_raise(PdfError::syntax);
      PdfValue* v = pop_aggregate(kind == PdfToken::close_dictionary);
      --st.content_depth;
      return v;
    }
    case PdfToken::end: return pdf_new_value(PdfKind::end);
    default: {
      PdfValue* v = pdf_new_value(PdfKind::null);
      if (scalar(kind, v)) return v;
      if (kind == PdfToken::keyword && st.in_compatibility) {
        v->kind = PdfKind::null;
        return v;
      }
      pdf_raise(PdfError::syntax);
      return v;
    }
  }
}
