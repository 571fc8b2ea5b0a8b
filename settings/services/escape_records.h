// The private escapes between the printer interface library and the graphics
// driver, and the blocks they carry. The blocks are a wire format: both
// libraries compile this one header, so their layouts cannot drift apart.
// Every block is little-endian and packed as laid out here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_types.h"

constexpr ULONG ESC_QUERY_PAGE_MARKS = 0x5001;
constexpr ULONG ESC_GET_DEVMODE = 0x5002;
constexpr ULONG ESC_STAMP_BRACKET = 0x5003;
constexpr ULONG ESC_SET_MARK_OFFSET = 0x5004;
constexpr ULONG ESC_SET_DEVMODE = 0x5005;
constexpr ULONG ESC_GET_LABEL_INFO = 0x5006;
constexpr ULONG ESC_SET_LABEL_INFO = 0x5007;
constexpr ULONG ESC_LABEL_BRACKET = 0x5008;
constexpr ULONG ESC_GET_FAX_MODE = 0x5009;
constexpr ULONG ESC_GET_PAGE_COUNT = 0x500A;
constexpr ULONG ESC_SET_PRINTER_SETTINGS = 0x500B;
constexpr ULONG ESC_SET_PAPER_MARGINS = 0x5010;

// The answer of ESC_QUERY_PAGE_MARKS. The two areas are rectangles x0, y0,
// x1, y1 in device dots: stampArea is where a positioned stamp goes (the
// logical page's cell), sheetArea where tiled stamps and labels go.
struct PageMarkQuery {
  uint32_t sheetStamp;  // 1: draw a stamp now, a sheet is complete
  uint32_t pageStamp;   // 1: draw a stamp on this logical page
  uint32_t label;       // labelOn of the job when a sheet is complete, else 0
  float stampArea[4];
  float sheetArea[4];
};
static_assert(sizeof(PageMarkQuery) == 44);
static_assert(offsetof(PageMarkQuery, label) == 8);
static_assert(offsetof(PageMarkQuery, stampArea) == 12);
static_assert(offsetof(PageMarkQuery, sheetArea) == 28);

// Label items, in the order of LabelInfoBlock::itemPositions.
enum LabelItem { kLabelUser, kLabelComputer, kLabelText, kLabelPageNumber, kLabelDate, kLabelTime };

// ESC_GET_LABEL_INFO's answer and ESC_SET_LABEL_INFO's input. Texts are
// UTF-16 and zero-terminated within their fields.
struct LabelInfoBlock {
  int32_t labelOn;
  int16_t itemPositions[6];  // -1: item off
  WCHAR user[64];
  WCHAR computer[32];
  WCHAR text[261];
  int16_t pageNumber;
  WCHAR date[11];
  WCHAR time[6];
  BYTE unused[2];
};
static_assert(sizeof(LabelInfoBlock) == 768);
static_assert(offsetof(LabelInfoBlock, itemPositions) == 4);
static_assert(offsetof(LabelInfoBlock, user) == 16);
static_assert(offsetof(LabelInfoBlock, computer) == 144);
static_assert(offsetof(LabelInfoBlock, text) == 208);
static_assert(offsetof(LabelInfoBlock, pageNumber) == 730);
static_assert(offsetof(LabelInfoBlock, date) == 732);
static_assert(offsetof(LabelInfoBlock, time) == 754);

// ESC_SET_PAPER_MARGINS's input, and the record the interface library
// appends to an application's DEVMODE: margins of the portrait paper in
// tenths of a millimetre.
#pragma pack(push, 1)
struct PaperMarginRecord {
  uint16_t paperCode;
  int16_t left, right, top, bottom;
};
#pragma pack(pop)
static_assert(sizeof(PaperMarginRecord) == 10);
static_assert(offsetof(PaperMarginRecord, left) == 2);
static_assert(offsetof(PaperMarginRecord, bottom) == 8);
