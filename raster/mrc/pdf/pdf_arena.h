// Arenas of the PDF reader core: bump allocators drawing chained runs from the
// pool, stacked one above the other and released whole. Nothing allocated
// from an arena is freed on its own.
#pragma once

#include <cstddef>
#include <cstdint>

struct PdfArena {
  int32_t first_run;  // -1 while the arena has taken nothing
  int32_t last_run;   // the run being filled
  uint8_t* base;      // start of the last run
  uint8_t* end;       // one past the last byte of that run
  uint8_t* cursor;    // next free byte
  PdfArena* below;    // the arena made current again when this one is popped
};

// Memory from the current arena, 8-aligned; raises 13 when the pool cannot
// supply it. A request of 0 bytes returns the cursor.
void* pdf_alloc(size_t size);
// The same from a given arena; with raise false a failure returns null.
void* pdf_arena_alloc(PdfArena* arena, size_t size, bool raise);
// Makes a new, empty arena (its record taken from the current one) current.
void pdf_arena_push();
// Gives every run of the top arena back and makes the one below current. The
// bottom arena is never popped.
void pdf_arena_pop();
// Gives every run of one arena back; the arena stays usable, empty.
void pdf_arena_release(PdfArena* arena);
