// Bump allocation over pool runs, and the arena stack.
#include "raster/mrc/pdf/pdf_arena.h"

#include <new>

#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_state.h"

void* pdf_arena_alloc(PdfArena* arena, size_t size, bool raise) {
  // Sizes near the top of size_t cannot be rounded, and no run holds them.
  if (size > kPdfPoolBytes) {
    if (raise) pdf_raise(PdfError::memory);
    return nullptr;
  }
  if (arena->first_run == -1) {
    uint8_t* address = nullptr;
    size_t run_size = 0;
    int32_t run = pdf_pool_take(-1, size, &address, &run_size);
    if (run == -1) {
      if (raise) pdf_raise(PdfError::memory);
      return nullptr;
    }
    arena->first_run = arena->last_run = run;
    arena->base = arena->cursor = address;
    arena->end = address + run_size;
  }
  if (size == 0) return arena->cursor;
  size = (size + 7) & ~size_t(7);
  if (size <= size_t(arena->end - arena->cursor)) {
    void* p = arena->cursor;
    arena->cursor += size;
    return p;
  }
  // The rest of the current run is abandoned.
  uint8_t* address = nullptr;
  size_t run_size = 0;
  int32_t run = pdf_pool_take(arena->last_run, size, &address, &run_size);
  if (run == -1) {
    if (raise) pdf_raise(PdfError::memory);
    return nullptr;
  }
  arena->last_run = run;
  arena->base = address;
  arena->cursor = address + size;
  arena->end = address + run_size;
  return address;
}

void* pdf_alloc(size_t size) { return pdf_arena_alloc(pdf_state().arena, size, true); }

void pdf_arena_release(PdfArena* arena) {
  if (arena->first_run != -1) pdf_pool_give(arena->first_run, true);
  arena->first_run = arena->last_run = -1;
  arena->base = arena->end = arena->cursor = nullptr;
}

void pdf_arena_push() {
  PdfParserState& s = pdf_state();
  PdfArena* a = new (pdf_alloc(sizeof(PdfArena))) PdfArena{-1, -1, nullptr, nullptr, nullptr, s.arena};
  s.arena = a;
}

void pdf_arena_pop() {
  PdfParserState& s = pdf_state();
  if (!s.arena || !s.arena->below) return;
  PdfArena* top = s.arena;
  s.arena = top->below;
  pdf_arena_release(top);
}
