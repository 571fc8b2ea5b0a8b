// Tokens and objects: names, strings and numbers as the tokenizer reads them,
// aggregates and references built by the file parser, the content parser's
// brackets and keywords, and the bounds that keep hostile text from
// overrunning the token buffer or nesting without end.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "pdf_session.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_operators.h"
#include "raster/mrc/pdf/pdf_parser.h"
#include "raster/mrc/pdf/pdf_stack.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_token.h"

using namespace pdf_test;

namespace {

// Reads objects with the file parser until the end of the data; their
// descriptions joined by " | ", and the entry's code.
int32_t read_all(const std::string& text, std::string* out) {
  PdfSession session(text);
  out->clear();
  if (session.begin != 0) return -1;
  return pdf_core_run([&] {
    PdfStream* s = pdf_stream_new(0, -1);
    for (PdfValue* v; (v = pdf_read_object(s))->kind != PdfKind::end;) {
      if (!out->empty()) *out += " | ";
      *out += describe(v);
    }
  });
}

const PdfOperatorEntry kOperators[] = {{"q", nullptr}, {"Q", nullptr}, {"'", nullptr}, {"Tj", nullptr}};

}  // namespace

TEST(PdfParserTest, TokensAndObjectsFromText) {
  struct Case {
    std::string text;
    std::string expect;  // descriptions, or empty when an error is expected
    int32_t code;
  };
  const Case cases[] = {
      {"/A#42", "/AB", 0},
      {"/A#4 ", "", PdfError::syntax},
      {"/ /a#2f#2F", "/ | /a//", 0},
      {"(a\\053b)", "(a+b)", 0},
      // A leading digit 0 to 3 needs two more octal digits, 4 to 7 one more.
      {"(\\05)", "", PdfError::syntax},
      {"(\\53)", "(+)", 0},
      {"(\\0053)", "(\\x053)", 0},
      {"(a(b)c)", "(a(b)c)", 0},
      {"(a\\)b\\(\\\\)", "(a)b(\\)", 0},
      {"(\\n\\r\\t\\b\\f\\q)", "(\\x0a\\x0d\\x09\\x08\\x0cq)", 0},
      // A backslash before CR LF drops the CR and keeps the LF.
      {"(a\\\r\nb)", "(a\\x0ab)", 0},
      // The escape of a backspace byte removes the byte before it, and at an
      // empty string nothing.
      {"(ab\\\bc)", "(ac)", 0},
      {"(\\\b\\\bx)", "(x)", 0},
      {"(abc", "", PdfError::syntax},
      {"<41 42>", "(AB)", 0},
      {"<414>", "(A@)", 0},
      {"<6a%c\n6B>", "(jk)", 0},
      {"<4G>", "", PdfError::syntax},
      {"<41", "", PdfError::syntax},
      {"1.2.3", "1.2 | 0.3", 0},
      {"1.-5", "1.5", 0},
      {"-.5", "-0.5", 0},
      {"+ - 17 -3 4.", "0 | 0 | 17 | -3 | 4", 0},
      {"99999999999", "2147483647", 0},
      {"null true false", "null | true | false", 0},
      {"% comment\r1 %c\r\n2%\n3", "1 | 2 | 3", 0},
      {"[1 0 R 2]", "[1 0 R 2]", 0},
      {"<</A<</B[1 2.5(x)/N 3 0 R]>>/C[]>>", "<</A <</B [1 2.5 (x) /N 3 0 R]>> /C []>>", 0},
      {"<< /K 1 /K 2 >>", "<</K 1 /K 2>>", 0},
      {"frob", "", PdfError::syntax},
      {"{", "", PdfError::syntax},
      {"[1 }]", "", PdfError::syntax},
      {"]", "", PdfError::syntax},
      {">>", "", PdfError::syntax},
      {"> ", "", PdfError::syntax},
      {")", "", PdfError::syntax},
      {"R", "", PdfError::syntax},
      {"<< 1 2 >>", "", PdfError::type},
      {"<< /A >>", "", PdfError::type},
      {"[1 R]", "", PdfError::type},
      {"[(a) 0 R]", "", PdfError::type},
      {"[1 2 >>", "", PdfError::syntax},
      {"<< /A 1", "", PdfError::syntax},
      {"[1 2", "", PdfError::syntax},
  };
  for (const Case& c : cases) {
    std::string got;
    EXPECT_EQ(read_all(c.text, &got), c.code) << c.text;
    if (c.code == 0) EXPECT_EQ(got, c.expect) << c.text;
  }
}

TEST(PdfParserTest, TokensAreHeldToTheBuffer) {
  struct Case {
    std::string text;
    int32_t code;
  };
  const std::string a4095(4095, 'a');
  const Case cases[] = {
      {"(" + a4095 + ")", 0},
      {"(" + a4095 + "a)", PdfError::syntax},
      {"(" + std::string(9000, 'x') + ")", PdfError::syntax},
      {"/" + a4095, 0},
      {"/" + std::string(5000, 'a'), PdfError::syntax},
      {"k" + std::string(5000, 'a'), PdfError::syntax},
      {std::string(5000, '7'), PdfError::syntax},
      {"." + std::string(5000, '7'), PdfError::syntax},
      {"<" + std::string(5000, 'A') + ">", PdfError::syntax},
      {std::string(100, '[') + std::string(100, ']'), 0},
      {std::string(101, '[') + std::string(101, ']'), PdfError::syntax},
      {std::string(10000, '['), PdfError::syntax},
      {std::string(5000, '<') + "/a", PdfError::syntax},
  };
  for (const Case& c : cases) {
    std::string got;
    EXPECT_EQ(read_all(c.text, &got), c.code) << c.text.substr(0, 20) << " (" << c.text.size() << " bytes)";
  }
  // The longest literal string keeps every byte and the token's length.
  std::string got;
  ASSERT_EQ(read_all("(" + a4095 + ")", &got), 0);
  EXPECT_EQ(got, "(" + a4095 + ")");
}

TEST(PdfParserTest, DictionaryGetTakesTheFirstOfTwoKeys) {
  PdfSession session("<< /K 1 /K 2 /L [1 0 R 2] >>");
  ASSERT_EQ(session.begin, 0);
  EXPECT_EQ(pdf_core_run([] {
              PdfValue* d = pdf_read_object(pdf_stream_new(0, -1));
              ASSERT_EQ(d->kind, PdfKind::dictionary);
              EXPECT_EQ(pdf_dict_get(d->value.list, "K")->value.integer, 1);
              const PdfValue* l = pdf_dict_get(d->value.list, "L");
              const PdfValue* ref = pdf_array_get_raw(l->value.list, 0);
              ASSERT_EQ(ref->kind, PdfKind::reference);
              EXPECT_EQ(static_cast<const PdfRef*>(ref->value.pointer)->number, 1);
              EXPECT_EQ(pdf_array_get(l->value.list, 1)->value.integer, 2);
            }),
            0);
  // Resolving a reference outside a document finds nothing.
  ASSERT_EQ(pdf_core_begin(), 0);
  EXPECT_EQ(pdf_core_run([] {
              PdfValue* d = pdf_read_object(pdf_stream_new(0, -1));
              pdf_array_get(pdf_dict_get(d->value.list, "L")->value.list, 0);
            }),
            PdfError::missing);
}

TEST(PdfParserTest, ReadLineStoresOneLineFeedForEachEndOfLine) {
  PdfSession session("ab\r\ncd\ref\n\rgh");
  ASSERT_EQ(session.begin, 0);
  EXPECT_EQ(pdf_core_run([] {
              PdfStream* s = pdf_stream_new(0, -1);
              char line[8];
              for (const char* want : {"ab\n", "cd\n", "ef\n", "\n", "gh", ""}) {
                EXPECT_EQ(pdf_read_line(s, line, sizeof line), int32_t(std::string(want).size()));
                EXPECT_STREQ(line, want);
              }
            }),
            0);
  // The capacity keeps its last byte for the zero.
  ASSERT_EQ(pdf_core_begin(), 0);
  EXPECT_EQ(pdf_core_run([] {
              char line[3];
              pdf_read_line(pdf_stream_new(0, -1), line, sizeof line);
            }),
            PdfError::line_too_long);
  ASSERT_EQ(pdf_core_begin(), 0);
  EXPECT_EQ(pdf_core_run([] {
              char line[4];
              EXPECT_EQ(pdf_read_line(pdf_stream_new(0, -1), line, sizeof line), 3);
            }),
            0);
}

TEST(PdfParserTest, ContentParserReturnsBracketsOperatorsAndAggregates) {
  // The content interpreter's part: push every operand, keep operators.
  auto run = [](const std::string& text, bool compatibility, std::string* out) {
    PdfSession session(text);
    out->clear();
    if (session.begin != 0) return -1;
    pdf_set_operator_table(kOperators, 4);
    int32_t code = pdf_core_run([&] {
      pdf_state().in_compatibility = compatibility;
      PdfStream* s = pdf_stream_new(0, -1);
      for (PdfValue* v; (v = pdf_parse_content_object(s))->kind != PdfKind::end;) {
        if (v->kind == PdfKind::op || v->kind == PdfKind::null) {
          if (!out->empty()) *out += " | ";
          *out += describe(v);
          continue;
        }
        pdf_operand_push(v);
        if (pdf_state().content_depth == 0) {
          if (!out->empty()) *out += " | ";
          *out += describe(static_cast<PdfValue*>(pdf_operand_pop()));
        }
      }
    });
    pdf_state().in_compatibility = 0;
    pdf_set_operator_table(nullptr, 0);
    return code;
  };
  struct Case {
    std::string text;
    bool compatibility;
    std::string expect;
    int32_t code;
  };
  const Case cases[] = {
      {"q [1 [2 (x)] << /A 3 0 R /B [] >>] Tj Q", false, "op:q | [1 [2 (x)] <</A 3 0 R /B []>>] | op:Tj | op:Q", 0},
      {"(a) ' /N", false, "(a) | op:' | /N", 0},
      {"frob", true, "null", 0},
      {"frob", false, "", PdfError::syntax},
      {"1 2 ]", false, "", PdfError::syntax},
      {"[1 2 >> ", false, "", PdfError::type},
      {"{ }", false, "", PdfError::syntax},
      {std::string(101, '['), false, "", PdfError::syntax},
  };
  for (const Case& c : cases) {
    std::string got;
    EXPECT_EQ(run(c.text, c.compatibility, &got), c.code) << c.text;
    if (c.code == 0) EXPECT_EQ(got, c.expect) << c.text;
  }
}

TEST(PdfParserTest, FileParserFindsOperatorsAndStreams) {
  std::string text = "<< /Length 5 >>stream\r\nhello\nendstream q";
  PdfSession session(text);
  ASSERT_EQ(session.begin, 0);
  pdf_set_operator_table(kOperators, 4);
  EXPECT_EQ(pdf_core_run([] {
              PdfStream* s = pdf_stream_new(0, -1);
              PdfValue* v = pdf_read_object(s);
              ASSERT_EQ(v->kind, PdfKind::stream);
              ASSERT_NE(v->stream, nullptr);
              uint8_t buf[16];
              EXPECT_EQ(pdf_stream_read(v->stream, buf, sizeof buf), 5);
              EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 5), "hello");
            }),
            0);
  pdf_set_operator_table(nullptr, 0);
  // Without "stream" after it, a dictionary leaves the stream where it ended;
  // a keyword that names no operator there is refused.
  std::string got;
  pdf_set_operator_table(kOperators, 4);
  EXPECT_EQ(read_all("<< /A 1 >>q<</B 2>>\nQ", &got), 0);
  EXPECT_EQ(got, "<</A 1>> | op:q | <</B 2>> | op:Q");
  pdf_set_operator_table(nullptr, 0);
  EXPECT_EQ(read_all("<< /A 1 >>q", &got), PdfError::syntax);
}
