// The blocks of a fax cover page: the 2,166-byte fax entry taken from the
// fax settings block, the cover text lines laid out from fixed layout tables
// and resource strings, the tagged text block that sets those lines in a
// device font (big-endian records), the attachment-name block and the raw
// copy of the model's cover-sheet file. The blocks go to the stream's block
// write, which accepts and drops them.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"

constexpr uint32_t kFaxEntryBytes = 2166;
constexpr uint32_t kFaxEntrySenderAt = 742;      // head text at byte 18 of the block
constexpr uint32_t kFaxEntrySenderInfoAt = 824;  // head text at byte 100 of the block
constexpr int kFaxTextEntryMax = 40;
constexpr int kFaxLineChars = 128;  // a line's characters before its terminator
constexpr uint32_t kCoverSheetPieceBytes = 16384;

// One placed line of the cover: position in 0.1 mm, size in 0.1 point.
struct FaxTextEntry {
  int16_t x, y;
  uint16_t size;
  uint16_t font;
  WCHAR text[129];
};
static_assert(sizeof(FaxTextEntry) == 266);

// A row of a layout table; kind 11 ends a table.
struct FaxLayoutRow {
  uint16_t kind, stringId, font, centre, baseline, size, x, y, maxBytes, maxLines, pitch;
};
static_assert(sizeof(FaxLayoutRow) == 22);

// The cover options of the working settings (524-543).
struct FaxCoverOptions {
  uint16_t variantB;        // 524
  WCHAR title[6];           // 525
  uint16_t oneAddressee;    // 379, read only for a block of two or more entries
  WCHAR addressee[30];      // 526
  uint16_t addresseeLabel;  // 527: 1 or 2
  uint16_t formLabel;       // 528: 1 or 2
  uint16_t numberPrefix;    // 529: 1 puts a prefix before the number
  WCHAR form540[42];
  WCHAR form541[210];
  WCHAR form542[32];
  WCHAR form543[32];
};

// The number prefixes (783, 1045-1049).
struct FaxPrefixes {
  uint8_t value783;
  WCHAR prefix2[7];  // 1045, for prefix selector 2
  uint16_t value1046;
  WCHAR prefix1[7];  // 1047, for prefix selector 1
  uint16_t value1048, value1049;
};

// The cover page frame from paper record 9, 0.1 mm.
struct FaxCoverFrame {
  int32_t paperWidth, paperHeight;
  int32_t printableWidth, printableHeight;
  int32_t marginX, marginY;
};

// The four layout tables of a variant (0 title, 1 addressee, 2 form, 3
// sender), each ended by a kind-11 row.
const FaxLayoutRow* GetFaxLayoutTable(int variantB, int table);

// Entry n of the fax settings block with the two sender texts of its head:
// 1, or 0 without a block or entry, or for n at or past the block's count.
int CopyFaxEntry(const void* faxBlock, uint32_t n, BYTE* entry);
// The block's entry count (0 without a block).
uint32_t GetFaxBlockEntryCount(const void* faxBlock);
// The same through the block loaded for the job: 0, or -1.
int CopyPdevFaxEntry(PdevState* pdev, uint32_t n, BYTE* entry);
// Drops the job's link to the block (the block is the caller's), or frees it.
void ClearPdevFaxBlock(PdevState* pdev);
void FreePdevFaxBlock(PdevState* pdev);

// The options and prefixes as the working settings hold them now.
void ReadFaxCoverOptions(const PdevState* pdev, FaxCoverOptions* options);
void ReadFaxPrefixes(const PdevState* pdev, FaxPrefixes* prefixes);

// The text of a row (empty: no line) into `out` (at least 300 characters).
void GetFaxRowText(int table, const FaxLayoutRow& row, const BYTE* entry, const FaxCoverOptions& options,
                   const FaxPrefixes& prefixes, WCHAR* out, size_t outChars);
// Cuts the text into lines: at CR LF and before the byte that would make a
// line longer than maxBytes OEM bytes, never inside a double-byte character,
// at most maxLines lines. Each line is a new global text in lines[*count].
// 1, or 0 when the text cannot be converted.
int SplitFaxText(const WCHAR* text, int maxBytes, int maxLines, WCHAR** lines, int* count);
// Places the text of a row as entries (at most kFaxTextEntryMax in all): 1,
// or 0 on a failed conversion.
int PlaceFaxTextLines(const FaxLayoutRow& row, const WCHAR* text, FaxTextEntry* entries, int* count);
// The 40-entry list (a new global block the caller frees) from the four
// tables: 1, or 0 when it cannot be allocated.
int ComposeFaxTextLines(const BYTE* entry, const FaxCoverOptions& options, const FaxPrefixes& prefixes,
                        FaxTextEntry** linesOut, int* countOut);

// The bytes the text block of an entry list needs, and the block written
// into `out` of `outSize` bytes (its length), each -1 on failure.
int ComputeFaxTextEntriesSize(const FaxTextEntry* entries, int count);
int WriteFaxTextEntries(PdevState* pdev, const FaxTextEntry* entries, int count, BYTE* out, uint32_t outSize);
// The bytes the text block needs, -1 on failure.
int ComputeFaxTextBlockSize(const BYTE* entry, const FaxCoverOptions& options, const FaxPrefixes& prefixes);
// Writes the text block into `out` of `outSize` bytes: its length, or -1
// (a missing font or width, a failed conversion, or a block that would not
// fit the size the computation gave).
int WriteFaxTextBlock(const BYTE* entry, const FaxCoverOptions& options, const FaxPrefixes& prefixes, PdevState* pdev,
                      const FaxCoverFrame& frame, BYTE* out, uint32_t outSize);

// The Eg block of the base name of the file setting 378 names.
int ComputeNameBlockSize(PdevState* pdev);
int BuildNameBlock(PdevState* pdev, BYTE* out, uint32_t outSize);

// The cover-sheet file of model item 28 in the driver folder, or
// INVALID_HANDLE_VALUE.
HANDLE OpenCoverSheetFile(PdevState* pdev);
// Up to count bytes in reads of at most 512: the bytes read; the file is
// closed when nothing more was read, or on a read error (-1).
int ReadCoverSheetPiece(HANDLE* file, uint32_t count, BYTE* out);

int MakeCoverPageFrame(PdevState* pdev, FaxCoverFrame* frame);
// The six Db values of a size in 0.1 point.
void MakeEmTransform(PdevState* pdev, int size, float matrix[6]);
// Advances in pixels of each ANSI byte of the text in the font: the byte
// count, or -1 when a character has no width.
int MeasureFaxText(PdevState* pdev, const void* font, int size, const char* ansi, int length, float* advances);

// Sends the cover blocks of an entry through the stream's block write: the
// name block (coverKind 2), or the cover-sheet file (coverKind 1; none when
// the model names no file the driver folder holds), and the text block. 0 or
// -1.
int WriteFaxNameBlock(PdevState* pdev);
int WriteCoverSheetFile(PdevState* pdev);
int WriteFaxInformationBlock(PdevState* pdev, const BYTE* entry);
