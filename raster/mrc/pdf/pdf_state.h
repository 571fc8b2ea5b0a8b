// The process-wide state of the PDF reader core, one record. The core reads
// one document at a time; its caller serialises all use with the PDF mutex.
#pragma once

#include <cstdint>
#include <cstdio>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_stack.h"

inline constexpr int32_t kPdfTokenBytes = 4096;
inline constexpr int32_t kPdfGraphicsStates = 20;

// One entry of the graphics-state stack: the fill colour (a grey value in all
// three bytes), the transformation from user space to device space (600 dpi,
// y downwards) and the colour-space code.
struct PdfGraphicsState {
  uint8_t fill[3];
  float ctm[6];
  int32_t color_space;
};

struct PdfPageNode;

struct PdfParserState {
  // Error return: the code of the last raised error, whether an entry point
  // is running, and the flag set while a text object is open.
  int32_t error_code = 0;
  int32_t in_entry = 0;
  int32_t in_text_object = 0;

  // Pool.
  uint8_t* pool_base = nullptr;
  PdfPoolBlock* blocks = nullptr;
  int32_t block_count = 0;

  // Arenas: the current one, with the static arena at the bottom of the stack.
  PdfArena* arena = nullptr;
  PdfArena static_arena{-1, -1, nullptr, nullptr, nullptr, nullptr};

  // Set by pdf_core_begin, cleared once its memory has been released.
  bool core_live = false;
  PdfStack operand_stack{nullptr, 0, 0, nullptr, nullptr};
  PdfFixedStack resource_stack{nullptr, 0, 0};

  // File, its size fixed at open.
  std::FILE* file = nullptr;
  int64_t file_size = 0;

  // Text of the last token and its byte count (a literal string may hold
  // zero bytes).
  char token[kPdfTokenBytes] = {};
  int32_t token_length = 0;

  // The content-operator table the file and content parsers look keywords up
  // in, and whether a compatibility section (BX .. EX) is open.
  const struct PdfOperatorEntry* operators = nullptr;
  int32_t operator_count = 0;
  int32_t in_compatibility = 0;
  // Nesting of arrays and dictionaries the content parser has opened.
  int32_t content_depth = 0;

  // The document being read: cross-reference list, trailer, page table.
  struct PdfDocument* document = nullptr;

  // Compression kind of the last DCT or CCITT stream opened: 0 raw, 1 DCT,
  // 2 CCITT with K = 0, 4 CCITT with K < 0.
  int32_t compression_kind = 0;

  // Object-stream byte counter: while counting, each byte a stream delivers
  // from its top source adds one.
  int32_t counting = 0;
  int64_t counted = 0;

  // Head of the page-object list of the page read last.
  void* page_objects = nullptr;

  // The page being read: the graphics-state stack and its current entry, the
  // page box size in points, the page-object list's last record and object
  // count, where the image being recorded lies in the file, and whether the
  // content runner has an operand arena open.
  PdfGraphicsState gstates[kPdfGraphicsStates] = {};
  int32_t gstate_top = 0;
  float page_width = 0;
  float page_height = 0;
  PdfPageNode* page_tail = nullptr;
  int32_t object_count = 0;
  int64_t data_offset = 0;
  int64_t data_length = 0;
  int32_t operand_arena_open = 0;
};

PdfParserState& pdf_state();
