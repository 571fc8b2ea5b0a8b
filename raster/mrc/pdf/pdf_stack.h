// Pointer stacks of the PDF reader core. PdfStack grows by segments of one
// pool block each (the operand stack); PdfFixedStack has a fixed number of
// entries taken from the current arena (the resource stack).
#pragma once

#include <cstddef>
#include <cstdint>

#include "raster/mrc/pdf/pdf_pool.h"

struct PdfStackSegment {
  int32_t run;       // the segment's pool run
  int32_t capacity;  // pointer slots
  PdfStackSegment* next;
  PdfStackSegment* previous;
  void** slots;
};

// Slots of one segment: the block less its header, in pointers.
inline constexpr int32_t kPdfStackSlots = int32_t((kPdfBlockBytes - sizeof(PdfStackSegment)) / sizeof(void*));

struct PdfStack {
  void** items;  // slots of the current segment
  int32_t capacity;
  int32_t count;  // in the current segment
  PdfStackSegment* first;
  PdfStackSegment* current;
};

// Takes the first segment; raises 13 when the pool has no block.
void pdf_stack_init(PdfStack* stack);
// Gives every segment back; the stack is then empty and holds no segment.
void pdf_stack_release(PdfStack* stack);
// Raises 13 when a new segment is needed and the pool has none.
void pdf_stack_push(PdfStack* stack, void* item);
// Null when the stack is empty.
void* pdf_stack_pop(PdfStack* stack);
void* pdf_stack_top(const PdfStack* stack);
int64_t pdf_stack_count(const PdfStack* stack);

struct PdfFixedStack {
  void** items;
  int32_t capacity;
  int32_t count;
};

// Items from the current arena.
void pdf_fixed_stack_init(PdfFixedStack* stack, int32_t capacity);
// Raises 4 when full.
void pdf_fixed_stack_push(PdfFixedStack* stack, void* item);
// Raises 5 when empty.
void* pdf_fixed_stack_pop(PdfFixedStack* stack);
// Null when empty.
void* pdf_fixed_stack_top(const PdfFixedStack* stack);

// The core's operand stack: pop raises 5 when it is empty.
void pdf_operand_push(void* item);
void* pdf_operand_pop();
int64_t pdf_operand_count();

// The resource stack of 16 dictionaries: push raises 4, pop 5.
inline constexpr int32_t kPdfResourceStackSize = 16;
void pdf_resource_push(void* dictionary);
void* pdf_resource_pop();
void* pdf_resource_top();
