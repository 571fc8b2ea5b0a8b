// Beginning and ending the reader's work, and the frame of its entry points.
#include "raster/mrc/pdf/pdf_core.h"

#include "raster/mrc/pdf/pdf_content.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_state.h"

// Two integers and eight string pointers.
static_assert(sizeof(PdfDocInfo) == 2 * sizeof(int32_t) + 8 * sizeof(const char*), "PdfDocInfo layout");

void pdf_core_release() {
  PdfParserState& s = pdf_state();
  if (!s.core_live) return;
  while (s.arena && s.arena->below) pdf_arena_pop();
  pdf_arena_release(&s.static_arena);
  s.arena = &s.static_arena;
  pdf_stack_release(&s.operand_stack);
  // The resource stack's entries lay in the static arena.
  s.resource_stack = PdfFixedStack{nullptr, 0, 0};
  // The page-object list lives on the system heap until pdf_core_end.
  // The document's tables lay in the arenas just released.
  s.document = nullptr;
  s.content_depth = 0;
  s.counting = 0;
  s.core_live = false;
}

int32_t pdf_core_run(void (*body)(void*), void* context) {
  PdfParserState& s = pdf_state();
  if (s.in_entry) {
    body(context);
    return 0;
  }
  s.in_entry = 1;
  try {
    body(context);
  } catch (const PdfRaised& e) {
    s.in_entry = 0;
    pdf_core_release();
    return e.code;
  }
  s.in_entry = 0;
  return 0;
}

int32_t pdf_core_begin() {
  PdfParserState& s = pdf_state();
  pdf_core_release();
  pdf_page_list_free();
  s.in_text_object = 0;
  s.compression_kind = 0;
  s.counting = 0;
  s.counted = 0;
  s.error_code = 0;
  s.static_arena = PdfArena{-1, -1, nullptr, nullptr, nullptr, nullptr};
  s.arena = &s.static_arena;
  if (!s.pool_base) return PdfError::memory;
  return pdf_core_run([&] {
    s.core_live = true;
    pdf_stack_init(&s.operand_stack);
    pdf_fixed_stack_init(&s.resource_stack, kPdfResourceStackSize);
  });
}

int32_t pdf_core_end() {
  pdf_page_list_free();
  return pdf_core_run([] { pdf_core_release(); });
}
