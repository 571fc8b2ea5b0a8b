// The error return shared by the entry points: a raise ends the entry with
// its code after releasing the core's memory, the closing calls still
// succeed, and inside a text object only "unsupported" is passed over.
#include <gtest/gtest.h>

#include "pdf_session.h"
#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_stack.h"
#include "raster/mrc/pdf/pdf_state.h"

using pdf_test::PdfSession;

TEST(PdfErrorReturnTest, RaiseEndsTheEntryWithItsCodeAfterReleasingEveryArena) {
  PdfSession session("%PDF-1.4\n");
  ASSERT_EQ(session.begin, 0);
  for (int32_t code :
       {PdfError::syntax, PdfError::type, PdfError::missing, PdfError::io, PdfError::damaged, PdfError::unsupported}) {
    ASSERT_EQ(pdf_core_begin(), 0);
    bool after = false;
    int32_t got = pdf_core_run([&] {
      pdf_arena_push();
      pdf_alloc(100000);
      pdf_arena_push();
      pdf_alloc(10);
      pdf_operand_push(&after);
      pdf_raise(code);
      after = true;
    });
    EXPECT_EQ(got, code);
    EXPECT_FALSE(after);
    EXPECT_EQ(pdf_pool_free_blocks(), kPdfBlockCount) << code;
    EXPECT_EQ(pdf_state().arena, &pdf_state().static_arena);
    // pdf_core_end after the failure, and a second time, release nothing
    // twice and succeed; so do the closing calls.
    EXPECT_EQ(pdf_core_end(), 0);
    EXPECT_EQ(pdf_core_end(), 0);
    EXPECT_EQ(pdf_pool_free_blocks(), kPdfBlockCount);
  }
  pdf_file_close();
  pdf_file_close();
  pdf_pool_free();
  EXPECT_EQ(pdf_pool_free_blocks(), 0);
}

TEST(PdfErrorReturnTest, InsideATextObjectOnlyUnsupportedIsPassedOver) {
  PdfSession session("%PDF-1.4\n");
  ASSERT_EQ(session.begin, 0);
  struct Case {
    int32_t code;
    bool passed_over;
  };
  for (Case c : {Case{PdfError::unsupported, true}, Case{PdfError::syntax, false}, Case{PdfError::underflow, false},
                 Case{PdfError::missing, false}}) {
    ASSERT_EQ(pdf_core_begin(), 0);
    bool went_on = false;
    int32_t got = pdf_core_run([&] {
      pdf_state().in_text_object = 1;
      pdf_raise(c.code);
      went_on = true;
    });
    EXPECT_EQ(went_on, c.passed_over) << c.code;
    EXPECT_EQ(got, c.passed_over ? 0 : c.code);
  }
  // An empty operand stack ends the entry too: the value was never obtained.
  ASSERT_EQ(pdf_core_begin(), 0);
  pdf_state().in_text_object = 1;
  EXPECT_EQ(pdf_core_run([] { pdf_operand_pop(); }), PdfError::underflow);
  // Beginning clears the flag.
  ASSERT_EQ(pdf_core_begin(), 0);
  EXPECT_EQ(pdf_state().in_text_object, 0);
  EXPECT_EQ(pdf_core_run([] { pdf_raise(PdfError::unsupported); }), PdfError::unsupported);
}

TEST(PdfErrorReturnTest, NestedFramesLeaveTheCatchToTheOuterOne) {
  PdfSession session("%PDF-1.4\n");
  ASSERT_EQ(session.begin, 0);
  bool outer_went_on = false;
  int32_t got = pdf_core_run([&] {
    pdf_core_run([] { pdf_raise(PdfError::range); });
    outer_went_on = true;
  });
  EXPECT_EQ(got, PdfError::range);
  EXPECT_FALSE(outer_went_on);
}
