// Segmented and fixed pointer stacks, and the core's two stacks built on them.
#include "raster/mrc/pdf/pdf_stack.h"

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_state.h"

namespace {

PdfStackSegment* take_segment(int32_t previous_run, PdfStackSegment* previous) {
  uint8_t* address = nullptr;
  size_t size = 0;
  int32_t run = pdf_pool_take(previous_run, kPdfBlockBytes, &address, &size);
  if (run == -1) pdf_raise(PdfError::memory);
  auto* seg = reinterpret_cast<PdfStackSegment*>(address);
  *seg = PdfStackSegment{run, kPdfStackSlots, nullptr, previous,
                         reinterpret_cast<void**>(address + sizeof(PdfStackSegment))};
  if (previous) previous->next = seg;
  return seg;
}

void make_current(PdfStack* stack, PdfStackSegment* seg, int32_t count) {
  stack->current = seg;
  stack->items = seg->slots;
  stack->capacity = seg->capacity;
  stack->count = count;
}

}  // namespace

void pdf_stack_init(PdfStack* stack) {
  *stack = PdfStack{nullptr, 0, 0, nullptr, nullptr};
  PdfStackSegment* seg = take_segment(-1, nullptr);
  stack->first = seg;
  make_current(stack, seg, 0);
}

void pdf_stack_release(PdfStack* stack) {
  if (stack->first) pdf_pool_give(stack->first->run, true);
  *stack = PdfStack{nullptr, 0, 0, nullptr, nullptr};
}

void pdf_stack_push(PdfStack* stack, void* item) {
  if (!stack->current) pdf_raise(PdfError::memory);
  if (stack->count == stack->capacity) {
    PdfStackSegment* seg = take_segment(stack->current->run, stack->current);
    make_current(stack, seg, 0);
  }
  stack->items[stack->count++] = item;
}

void* pdf_stack_pop(PdfStack* stack) {
  if (!stack->current) return nullptr;
  if (stack->count == 0) {
    if (stack->current == stack->first) return nullptr;
    // Segments below the top are always full.
    PdfStackSegment* gone = stack->current;
    PdfStackSegment* below = gone->previous;
    below->next = nullptr;
    pdf_pool_give(gone->run, false);
    make_current(stack, below, below->capacity);
  }
  return stack->items[--stack->count];
}

void* pdf_stack_top(const PdfStack* stack) {
  if (!stack->current) return nullptr;
  if (stack->count > 0) return stack->items[stack->count - 1];
  if (stack->current == stack->first) return nullptr;
  const PdfStackSegment* below = stack->current->previous;
  return below->slots[below->capacity - 1];
}

int64_t pdf_stack_count(const PdfStack* stack) {
  if (!stack->current) return 0;
  int64_t n = stack->count;
  for (const PdfStackSegment* s = stack->current->previous; s; s = s->previous) n += s->capacity;
  return n;
}

void pdf_fixed_stack_init(PdfFixedStack* stack, int32_t capacity) {
  stack->items = static_cast<void**>(pdf_alloc(sizeof(void*) * size_t(capacity)));
  stack->capacity = capacity;
  stack->count = 0;
}

void pdf_fixed_stack_push(PdfFixedStack* stack, void* item) {
  if (stack->count >= stack->capacity) pdf_raise(PdfError::overflow);
  stack->items[stack->count++] = item;
}

void* pdf_fixed_stack_pop(PdfFixedStack* stack) {
  if (stack->count <= 0) pdf_raise(PdfError::underflow);
  return stack->items[--stack->count];
}

void* pdf_fixed_stack_top(const PdfFixedStack* stack) {
  return stack->count > 0 ? stack->items[stack->count - 1] : nullptr;
}

void pdf_operand_push(void* item) { pdf_stack_push(&pdf_state().operand_stack, item); }

void* pdf_operand_pop() {
  PdfStack& st = pdf_state().operand_stack;
  if (pdf_stack_count(&st) == 0) pdf_raise(PdfError::underflow);
  return pdf_stack_pop(&st);
}

int64_t pdf_operand_count() { return pdf_stack_count(&pdf_state().operand_stack); }

void pdf_resource_push(void* dictionary) { pdf_fixed_stack_push(&pdf_state().resource_stack, dictionary); }

void* pdf_resource_pop() { return pdf_fixed_stack_pop(&pdf_state().resource_stack); }

void* pdf_resource_top() { return pdf_fixed_stack_top(&pdf_state().resource_stack); }
