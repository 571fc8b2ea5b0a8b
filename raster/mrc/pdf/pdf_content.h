// The content interpreter of the PDF reader core and the page-object list it
// fills. Content streams run through the 73-operator table; every image
// XObject painted becomes one 24-word record laid out as an IMT object
// record, telling where its still-coded bytes lie in the file. Nothing is
// decoded or drawn here.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_operators.h"
#include "raster/mrc/pdf/pdf_state.h"
#include "raster/mrc/pdf/pdf_value.h"

// Colour-space codes of the graphics state.
namespace PdfColorSpace {
inline constexpr int32_t gray = 1;
inline constexpr int32_t rgb = 2;
inline constexpr int32_t cmyk = 4;
inline constexpr int32_t cal_gray = 8;
inline constexpr int32_t cal_rgb = 16;
inline constexpr int32_t lab = 64;
inline constexpr int32_t icc = 128;
inline constexpr int32_t separation = 256;
inline constexpr int32_t device_n = 512;
inline constexpr int32_t indexed = 1024;
inline constexpr int32_t pattern = 2048;
inline constexpr int32_t other = -1;
// What cs, CS, images and thumbnails may select, and what the alternate of
// an ICC-based space may be.
inline constexpr int32_t selectable = gray | rgb | cmyk | cal_gray | cal_rgb | lab | icc;
inline constexpr int32_t alternates = gray | rgb | cmyk | cal_gray | cal_rgb | lab;
}  // namespace PdfColorSpace

// Kinds of page-object records.
namespace PdfObjectKind {
inline constexpr uint32_t image = 1;
inline constexpr uint32_t mask = 3;
inline constexpr uint32_t thumbnail_8 = 6;
inline constexpr uint32_t bilevel = 7;
inline constexpr uint32_t thumbnail_1 = 8;
inline constexpr uint32_t bilevel_inverted = 9;
}  // namespace PdfObjectKind

// A record of the page-object list, from the system heap. The header uses
// words 0 to 7 (the 28-byte IMT header, then the page's Rotate, -1 when
// absent), an object record all 24, the end record words 0 and 1 (0xDEADFEED
// and the object count + 1).
inline constexpr int32_t kPdfHeaderWords = 8;
inline constexpr int32_t kPdfObjectWords = 24;
inline constexpr int32_t kPdfEndWords = 2;
inline constexpr uint32_t kPdfEndTag = 0xDEADFEEDu;
struct PdfPageNode {
  PdfPageNode* next;
  uint32_t words[kPdfObjectWords];
};

// The code of a colour-space name; -1 for a name of none.
int32_t pdf_color_space_code(const char* name);

// The current graphics-state entry.
PdfGraphicsState* pdf_gstate();
// Entry 0 of a new page: black, DeviceRGB, the given transformation.
void pdf_gstate_start(const float ctm[6]);
// q and Q: q raises 4 when all 20 entries are in use; Q at the bottom does
// nothing.
void pdf_gsave();
void pdf_grestore();
// The current transformation becomes m × current.
void pdf_concat(const float m[6]);

// Selects a colour space (a name, or an array) for fill and stroke alike:
// 0 when selected, -1 when its code is outside the allowed set. Raises as
// the colour-space rules say (1, 2, 7, 20).
int32_t pdf_select_color_space(PdfValue* space, int32_t allowed);

// The page-object list: begun with the header record, records appended from
// the current graphics state, ended with the end record. It survives the
// page's arenas and is freed by pdf_page_list_free (pdf_core_end).
void pdf_page_list_begin(int32_t width, int32_t height, int32_t rotation);
// Appends an object record of the kind from the current graphics state, the
// compression kind and the data position; word 10 as given. Raises 20 for a
// compression kind it cannot record, or data not addressable in 32 bits.
void pdf_page_list_add(uint32_t kind, int32_t width, int32_t height, uint32_t word10);
void pdf_page_list_end();
void pdf_page_list_free();

// The 73 content operators.
const PdfOperatorEntry* pdf_content_operators(int32_t* count);

// Runs one content stream (a stream value with its data open); open_arena
// asks for an operand arena to be pushed first. Returns 1 when the next
// stream must open its own operand arena, 0 when one is still open (an
// operation goes on across the stream boundary).
int32_t pdf_run_content_stream(PdfValue* stream, int32_t open_arena);
// Drops operands left on the stack below the released arena.
void pdf_operands_clear();

// Records an image stream's data position: its offset in the file and
// "Length"; the compression kind is that of its "Filter", which must be
// absent, DCTDecode or CCITTFaxDecode (else 20). True when it can be
// recorded.
bool pdf_take_image_data(PdfValue* stream, int32_t compression_kind);
