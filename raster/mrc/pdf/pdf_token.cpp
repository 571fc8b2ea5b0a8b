// The tokenizer of the PDF reader core.
#include "raster/mrc/pdf/pdf_token.h"

#include <array>

#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_state.h"

namespace {

// 1 for a regular character: anything but the bytes 0 to 32, the delimiters
// and 127. Bytes from 128 up are regular.
constexpr std::array<uint8_t, 256> make_regular() {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[size_t(c)] = c > 32 && c != 127;
  for (char c : {'%', '(', ')', '/', '<', '>', '[', ']', '{', '}'}) t[uint8_t(c)] = 0;
  return t;
}
constexpr std::array<uint8_t, 256> kRegular = make_regular();

bool is_digit(int32_t c) { return c >= '0' && c <= '9'; }
bool is_letter(int32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
int32_t hex_value(int32_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
bool is_octal(int32_t c) { return c >= '0' && c <= '7'; }

// Appends to the token buffer; a token that would leave no room for the
// terminating zero is refused.
struct TokenText {
  char* buffer;
  int32_t length = 0;
  void add(int32_t c) {
    if (length >= kPdfTokenBytes - 1) pdf_raise(PdfError::syntax);
    buffer[length++] = char(c);
  }
  int32_t done(int32_t kind) {
    buffer[length < kPdfTokenBytes ? length : kPdfTokenBytes - 1] = 0;
    pdf_state().token_length = length;
    return kind;
  }
};

// Digits after the point; a "-" among them is skipped. The byte that ends
// the number is given back.
int32_t real_tail(PdfStream* s, TokenText& t) {
  for (;;) {
    int32_t c = pdf_stream_get(s);
    if (is_digit(c)) {
      t.add(c);
    } else if (c != '-') {
      pdf_stream_give_back(s, c);
      return t.done(PdfToken::real);
    }
  }
}

// A literal string after "(": nesting parentheses, escapes; invalid when it
// reaches the buffer's size or the data ends inside it.
int32_t literal_string(PdfStream* s, TokenText& t) {
  int32_t level = 0;
  for (;;) {
    if (t.length >= kPdfTokenBytes) return t.done(PdfToken::invalid);
    int32_t c = pdf_stream_get(s);
    if (c < 0) return t.done(PdfToken::invalid);
    if (c == '(') {
      ++level;
    } else if (c == ')') {
      if (level == 0) {
        // The length is the token's own; the zero after it is for readers
        // of the text and may fall on the buffer's last byte.
        t.buffer[t.length] = 0;
        pdf_state().token_length = t.length;
        return PdfToken::string;
      }
      --level;
    } else if (c == '\\') {
      c = pdf_stream_get(s);
      switch (c) {
        case 'n': c = '\n'; break;
        case 'r': c = '\r'; break;
        case 't': c = '\t'; break;
        case 'b': c = '\b'; break;
        case 'f': c = '\f'; break;
        case '\r': continue;
        case 8:
          // Removes the last stored byte; at an empty string there is none.
          if (t.length > 0) --t.length;
          continue;
        case -1: return t.done(PdfToken::invalid);
        default:
          if (is_octal(c)) {
            int32_t more = c <= '3' ? 2 : 1;
            int32_t v = c - '0';
            for (int32_t i = 0; i < more; ++i) {
              int32_t d = pdf_stream_get(s);
              if (!is_octal(d)) return t.done(PdfToken::invalid);
              v = v * 8 + (d - '0');
            }
            c = v;
          }
          break;
      }
    }
    t.buffer[t.length++] = char(c);
  }
}

}  // namespace

bool pdf_is_regular(int32_t c) { return c >= 0 && c < 256 && kRegular[size_t(c)]; }

int32_t pdf_skip_blanks(PdfStream* s) {
  for (;;) {
    int32_t c = pdf_stream_get(s);
    if (c < 0) return -1;
    if (c <= 32) continue;
    if (c != '%') return c;
    // A comment runs to LF, CR LF or a lone CR.
    for (;;) {
      c = pdf_stream_get(s);
      if (c < 0) return -1;
      if (c == '\n') break;
      if (c == '\r') {
        int32_t next = pdf_stream_get(s);
        if (next != '\n') pdf_stream_give_back(s, next);
        break;
      }
    }
  }
}

int32_t pdf_read_line(PdfStream* s, char* buffer, int32_t capacity) {
  int32_t n = 0;
  auto store = [&](int32_t c) {
    if (n >= capacity - 1) pdf_raise(PdfError::line_too_long);
    buffer[n++] = char(c);
  };
  for (;;) {
    int32_t c = pdf_stream_get(s);
    if (c < 0) break;
    if (c == '\r') {
      int32_t next = pdf_stream_get(s);
      if (next != '\n') pdf_stream_give_back(s, next);
      c = '\n';
    }
    store(c);
    if (c == '\n') break;
  }
  if (capacity > 0) buffer[n] = 0;
  return n;
}

int32_t pdf_next_token(PdfStream* s) {
  PdfParserState& st = pdf_state();
  TokenText t{st.token};
  int32_t c = pdf_skip_blanks(s);
  if (c < 0) return t.done(PdfToken::end);
  if (is_letter(c)) {
    while (pdf_is_regular(c)) {
      t.add(c);
      c = pdf_stream_get(s);
    }
    pdf_stream_give_back(s, c);
    return t.done(PdfToken::keyword);
  }
  if (c == '\'' || c == '"') {
    t.add(c);
    return t.done(PdfToken::keyword);
  }
  if (c == '+' || c == '-' || is_digit(c)) {
    t.add(c);
    for (;;) {
      c = pdf_stream_get(s);
      if (!is_digit(c)) break;
      t.add(c);
    }
    if (c == '.') {
      t.add(c);
      return real_tail(s, t);
    }
    pdf_stream_give_back(s, c);
    return t.done(PdfToken::integer);
  }
  switch (c) {
    case '.': t.add(c); return real_tail(s, t);
    case '/': {
      for (;;) {
        c = pdf_stream_get(s);
        if (!pdf_is_regular(c)) break;
        if (c == '#') {
          int32_t hi = hex_value(pdf_stream_get(s));
          int32_t lo = hi < 0 ? -1 : hex_value(pdf_stream_get(s));
          if (lo < 0) return t.done(PdfToken::invalid);
          c = hi * 16 + lo;
        }
        t.add(c);
      }
      pdf_stream_give_back(s, c);
      return t.done(PdfToken::name);
    }
    case '(': return literal_string(s, t);
    case '<': {
      c = pdf_skip_blanks(s);
      if (c == '<') return t.done(PdfToken::open_dictionary);
      while (c != '>') {
        if (hex_value(c) < 0) pdf_raise(PdfError::syntax);
        t.add(c >= 'a' ? c - 'a' + 'A' : c);
        c = pdf_skip_blanks(s);
      }
      return t.done(PdfToken::hex_string);
    }
    case '>':
      if (pdf_stream_get(s) != '>') pdf_raise(PdfError::syntax);
      return t.done(PdfToken::close_dictionary);
    case '[': return t.done(PdfToken::open_array);
    case ']': return t.done(PdfToken::close_array);
    case '{': return t.done(PdfToken::open_brace);
    case '}': return t.done(PdfToken::close_brace);
    default: pdf_raise(PdfError::syntax);
  }
  return PdfToken::invalid;
}

int64_t pdf_token_integer64(const char* text) {
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  int64_t v = 0;
  for (; is_digit(*text); ++text) {
    v = v * 10 + (*text - '0');
    // Further digits only matter beyond any offset or count a file holds.
    if (v > (int64_t(1) << 40)) v = int64_t(1) << 40;
  }
  return negative ? -v : v;
}

int32_t pdf_token_integer(const char* text) {
  int64_t v = pdf_token_integer64(text);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return int32_t(v);
}

float pdf_token_real(const char* text) {
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  double v = 0;
  for (; is_digit(*text); ++text) v = v * 10 + (*text - '0');
  if (*text == '.') {
    double scale = 0.1;
    for (++text; is_digit(*text); ++text, scale /= 10) v += (*text - '0') * scale;
  }
  if (v > 3.0e38) v = 3.0e38;
  return float(negative ? -v : v);
}
