// Values and list operations: lists keep source order when built front-first,
// the first of two equal keys wins, and the number conversions refuse what
// is not a number.
#include <gtest/gtest.h>

#include "pdf_session.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_value.h"

using namespace pdf_test;

TEST(PdfValueTest, ListsDictionariesAndArrays) {
  PdfSession session("%PDF-1.4\n");
  ASSERT_EQ(session.begin, 0);
  EXPECT_EQ(pdf_core_run([] {
              PdfValue* d = D({{"K", I(1)}, {"Type", N("Page")}, {"K", I(2)}, {"Ke", I(3)}});
              PdfList* list = d->value.list;
              EXPECT_EQ(pdf_list_count(list), 4);
              EXPECT_EQ(pdf_dict_get(list, "K")->value.integer, 1);
              EXPECT_EQ(pdf_dict_get(list, "Ke")->value.integer, 3);
              EXPECT_TRUE(pdf_is_name(pdf_dict_get(list, "Type"), "Page"));
              EXPECT_FALSE(pdf_is_name(pdf_dict_get(list, "Type"), "Pag"));
              EXPECT_EQ(pdf_dict_get(list, "k"), nullptr);
              EXPECT_EQ(pdf_dict_get(list, "Kx"), nullptr);
              EXPECT_EQ(pdf_dict_get(nullptr, "K"), nullptr);

              PdfValue* a = A({I(7), Real(2.5f), N("x")});
              EXPECT_EQ(pdf_list_count(a->value.list), 3);
              EXPECT_EQ(pdf_array_get(a->value.list, 0)->value.integer, 7);
              EXPECT_EQ(pdf_array_get(a->value.list, 2)->kind, PdfKind::name);
              EXPECT_EQ(pdf_array_get(a->value.list, 3), nullptr);
              EXPECT_EQ(pdf_array_get(a->value.list, -1), nullptr);
              EXPECT_EQ(pdf_list_count(nullptr), 0);

              // A string keeps embedded zero bytes and ends with one more.
              PdfValue* s = pdf_new_bytes(PdfKind::string, "a\0b", 3);
              EXPECT_EQ(s->length, 3);
              EXPECT_EQ(s->value.bytes[1], '\0');
              EXPECT_EQ(s->value.bytes[3], '\0');
            }),
            0);
}

TEST(PdfValueTest, NumbersToRealsAndRectangles) {
  PdfSession session("%PDF-1.4\n");
  ASSERT_EQ(session.begin, 0);
  EXPECT_EQ(
      pdf_core_run([] {
        float r[4] = {};
        EXPECT_EQ(pdf_rectangle(A({I(0), Real(-1.5f), I(612), Real(792.25f)}), r), 0);
        EXPECT_FLOAT_EQ(r[1], -1.5f);
        EXPECT_FLOAT_EQ(r[2], 612.f);
        EXPECT_FLOAT_EQ(r[3], 792.25f);
        struct Case {
          PdfValue* value;
          int32_t result;
        };
        for (Case c : {Case{A({I(0), I(0), N("a"), I(1)}), -1}, Case{A({I(0), I(0), I(1)}), -1},
                       Case{D({{"a", I(1)}}), -1}, Case{I(3), -1}, Case{A({I(1), I(2), I(3), I(4), N("x")}), 0}}) {
          EXPECT_EQ(pdf_rectangle(c.value, r), c.result);
        }
        EXPECT_EQ(pdf_rectangle(nullptr, r), -1);
        float two[2];
        EXPECT_EQ(pdf_numbers_to_reals(A({I(3), N("x")})->value.list, 1, two), 0);
        EXPECT_EQ(pdf_numbers_to_reals(A({I(3), N("x")})->value.list, 2, two), -1);
      }),
      0);
}
