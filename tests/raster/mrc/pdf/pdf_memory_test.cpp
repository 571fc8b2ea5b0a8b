// The reader's memory: first-fit runs of the pool, arenas, and the pointer
// stacks, including what happens when the pool runs out.
#include <gtest/gtest.h>

#include <vector>

#include "pdf_session.h"
#include "raster/core/rst_alloc.h"
#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_stack.h"
#include "raster/mrc/pdf/pdf_state.h"

using pdf_test::PdfSession;

namespace {

class PdfMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(session_.begin, 0); }
  // Blocks free with the core begun: the operand stack's first segment is
  // taken, the static arena's first run too (the resource stack).
  PdfSession session_{"%PDF-1.4\n"};
};

struct Links {
  int16_t run_length, next, previous;
  uint16_t in_use;
};

Links links(int32_t i) {
  const PdfPoolBlock* b = pdf_pool_block(i);
  return {b->run_length, b->next_run, b->previous_run, b->in_use};
}

}  // namespace

TEST_F(PdfMemoryTest, PoolLayoutAndFirstFitRuns) {
  int32_t start = pdf_pool_free_blocks();
  EXPECT_EQ(start, kPdfBlockCount - 2);
  // Every block lies in the one allocation, after the headers, in index order.
  for (int32_t i = 1; i < kPdfBlockCount; ++i) {
    EXPECT_EQ(pdf_pool_block(i)->address - pdf_pool_block(i - 1)->address, ptrdiff_t(kPdfBlockBytes));
  }
  EXPECT_EQ(pdf_pool_block(0)->address - pdf_state().pool_base, ptrdiff_t(kPdfBlockBytes));

  struct Case {
    size_t size;
    int16_t blocks;
  };
  for (Case c : {Case{1, 1}, Case{65536, 1}, Case{65537, 2}, Case{3 * 65536 + 1, 4}}) {
    uint8_t* at = nullptr;
    size_t got = 0;
    int32_t run = pdf_pool_take(-1, c.size, &at, &got);
    ASSERT_GE(run, 0) << c.size;
    EXPECT_EQ(links(run).run_length, c.blocks) << c.size;
    EXPECT_EQ(got, size_t(c.blocks) * kPdfBlockBytes);
    EXPECT_EQ(at, pdf_pool_block(run)->address);
    for (int32_t i = 1; i < c.blocks; ++i) EXPECT_EQ(links(run + i).run_length, 0);
    pdf_pool_give(run, false);
    EXPECT_EQ(pdf_pool_free_blocks(), start);
  }
}

TEST_F(PdfMemoryTest, GivingBackRelinksNeighboursOrFreesTheWholeChain) {
  int32_t start = pdf_pool_free_blocks();
  int32_t a = pdf_pool_take(-1, 1, nullptr, nullptr);
  int32_t b = pdf_pool_take(a, 1, nullptr, nullptr);
  int32_t c = pdf_pool_take(b, 70000, nullptr, nullptr);
  int32_t d = pdf_pool_take(c, 1, nullptr, nullptr);
  ASSERT_TRUE(a >= 0 && b >= 0 && c >= 0 && d >= 0);
  EXPECT_EQ(links(b).previous, a);
  EXPECT_EQ(links(c).next, d);
  // Without the flag the one run leaves the chain; its neighbours join.
  pdf_pool_give(c, false);
  EXPECT_EQ(links(b).next, d);
  EXPECT_EQ(links(d).previous, b);
  EXPECT_EQ(links(c).in_use, 0);
  EXPECT_EQ(links(c).next, -1);
  EXPECT_EQ(links(c + 1).run_length, 1);
  // With it, the run and all after it go, and the chain is cut before it.
  pdf_pool_give(b, true);
  EXPECT_EQ(links(a).next, -1);
  EXPECT_EQ(links(b).in_use, 0);
  EXPECT_EQ(links(d).in_use, 0);
  EXPECT_EQ(pdf_pool_free_blocks(), start - 1);
  pdf_pool_give(a, true);
  EXPECT_EQ(pdf_pool_free_blocks(), start);
  // A run given back twice, or an index out of range, changes nothing.
  pdf_pool_give(a, true);
  pdf_pool_give(-1, true);
  pdf_pool_give(kPdfBlockCount, false);
  EXPECT_EQ(pdf_pool_free_blocks(), start);
}

TEST_F(PdfMemoryTest, ArenaAllocationIsAlignedAndTakesRunsAsNeeded) {
  int32_t start = pdf_pool_free_blocks();
  int32_t code = pdf_core_run([&] {
    pdf_arena_push();
    PdfArena* arena = pdf_state().arena;
    EXPECT_EQ(arena->first_run, -1);
    // Sizes of every remainder modulo 8 stay 8-aligned.
    for (size_t n : {1, 3, 8, 13, 24, 1000, 7, 65000, 5}) {
      void* p = pdf_alloc(n);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u) << n;
    }
    // A request of 0 bytes returns the cursor without moving it.
    uint8_t* cursor = arena->cursor;
    EXPECT_EQ(pdf_alloc(0), cursor);
    EXPECT_EQ(arena->cursor, cursor);
    EXPECT_NE(arena->first_run, arena->last_run);
    EXPECT_EQ(links(arena->first_run).next, arena->last_run);
    pdf_arena_pop();
    EXPECT_EQ(pdf_pool_free_blocks(), start);
  });
  EXPECT_EQ(code, 0);
}

TEST_F(PdfMemoryTest, OneBlockFits65536BytesAndTwoContiguousBlocksTheNext) {
  int32_t start = pdf_pool_free_blocks();
  EXPECT_EQ(pdf_core_run([&] {
              pdf_arena_push();
              pdf_alloc(65536);
              EXPECT_EQ(pdf_pool_free_blocks(), start - 1);
              pdf_arena_pop();
              pdf_arena_push();
              pdf_alloc(65537);
              EXPECT_EQ(pdf_pool_free_blocks(), start - 2);
              EXPECT_EQ(links(pdf_state().arena->first_run).run_length, 2);
              pdf_arena_pop();
            }),
            0);
  // With only every other block free, single blocks are still there but no
  // two adjacent ones: the same request fails with 13.
  std::vector<int32_t> runs;
  for (int32_t r; (r = pdf_pool_take(-1, 1, nullptr, nullptr)) != -1;) runs.push_back(r);
  for (size_t i = 0; i < runs.size(); i += 2) pdf_pool_give(runs[i], false);
  int32_t free_now = pdf_pool_free_blocks();
  EXPECT_GT(free_now, 200);
  EXPECT_EQ(pdf_core_run([] { pdf_alloc(65536); }), 0);
  ASSERT_EQ(pdf_core_begin(), 0);
  EXPECT_EQ(pdf_core_run([] {
              pdf_arena_push();
              pdf_alloc(65537);
            }),
            PdfError::memory);
  for (size_t i = 1; i < runs.size(); i += 2) pdf_pool_give(runs[i], false);
}

TEST_F(PdfMemoryTest, MoreThanThePoolEndsTheEntryWith13AndGivesEverythingBack) {
  int32_t blocks_at_start = kPdfBlockCount;
  int32_t code = pdf_core_run([] {
    pdf_arena_push();
    for (int i = 0; i < 600; ++i) pdf_alloc(40000);
  });
  EXPECT_EQ(code, PdfError::memory);
  EXPECT_EQ(pdf_state().error_code, PdfError::memory);
  // The error return released every arena and the operand stack.
  EXPECT_EQ(pdf_pool_free_blocks(), blocks_at_start);
  EXPECT_EQ(pdf_core_end(), 0);
  // A request no run can ever hold fails the same way.
  ASSERT_EQ(pdf_core_begin(), 0);
  EXPECT_EQ(pdf_core_run([] { pdf_alloc(size_t(-1)); }), PdfError::memory);
}

TEST_F(PdfMemoryTest, SegmentedStackGrowsAndShrinksByWholeBlocks) {
  int32_t start = pdf_pool_free_blocks();
  int32_t code = pdf_core_run([&] {
    PdfStack stack;
    pdf_stack_init(&stack);
    EXPECT_EQ(pdf_pool_free_blocks(), start - 1);
    // The segment's header comes off its block; the rest are pointer slots.
    EXPECT_EQ(stack.capacity, int32_t((65536 - sizeof(PdfStackSegment)) / sizeof(void*)));
    int64_t total = int64_t(kPdfStackSlots) + 1;
    for (int64_t i = 0; i < total; ++i) {
      pdf_stack_push(&stack, reinterpret_cast<void*>(uintptr_t(i + 1)));
      ASSERT_EQ(pdf_stack_count(&stack), i + 1);
    }
    EXPECT_EQ(pdf_pool_free_blocks(), start - 2);
    EXPECT_EQ(pdf_stack_top(&stack), reinterpret_cast<void*>(uintptr_t(total)));
    for (int64_t i = total; i > 0; --i) {
      ASSERT_EQ(pdf_stack_pop(&stack), reinterpret_cast<void*>(uintptr_t(i)));
      ASSERT_EQ(pdf_stack_count(&stack), i - 1);
    }
    EXPECT_EQ(pdf_pool_free_blocks(), start - 1);
    EXPECT_EQ(pdf_stack_pop(&stack), nullptr);
    EXPECT_EQ(pdf_stack_top(&stack), nullptr);
    pdf_stack_release(&stack);
    EXPECT_EQ(pdf_pool_free_blocks(), start);
  });
  EXPECT_EQ(code, 0);
}

TEST_F(PdfMemoryTest, OperandAndResourceStacksRaiseAtTheirLimits) {
  struct Case {
    const char* what;
    void (*body)();
    int32_t code;
  };
  static int dummy;
  const Case cases[] = {
      {"operand pop when empty", [] { pdf_operand_pop(); }, PdfError::underflow},
      {"resource pop when empty", [] { pdf_resource_pop(); }, PdfError::underflow},
      {"17th resource push",
       [] {
         for (int i = 0; i < 17; ++i) pdf_resource_push(&dummy);
       },
       PdfError::overflow},
      {"16 pushes and pops",
       [] {
         for (int i = 0; i < 16; ++i) pdf_resource_push(&dummy);
         for (int i = 0; i < 16; ++i) pdf_resource_pop();
         if (pdf_resource_top() != nullptr) pdf_raise(PdfError::range);
         pdf_operand_push(&dummy);
         if (pdf_operand_count() != 1 || pdf_operand_pop() != &dummy) pdf_raise(PdfError::range);
       },
       0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(pdf_core_begin(), 0);
    EXPECT_EQ(pdf_core_run(c.body), c.code) << c.what;
  }
}

TEST(PdfPoolTest, RefusedPoolStopsTheSequence) {
  // The 32 MB allocation is refused: create reports -1, begin 13, and freeing
  // the missing pool does nothing.
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(pdf_pool_create(), -1);
  RstAllocFault::clear();
  EXPECT_EQ(pdf_pool_free_blocks(), 0);
  EXPECT_EQ(pdf_core_begin(), PdfError::memory);
  EXPECT_EQ(pdf_core_end(), 0);
  pdf_pool_free();
  pdf_pool_free();
  EXPECT_EQ(pdf_pool_create(), 0);
  EXPECT_EQ(pdf_pool_free_blocks(), kPdfBlockCount);
  pdf_pool_free();
}
