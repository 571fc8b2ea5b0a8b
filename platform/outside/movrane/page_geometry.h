// The page geometry of Movrane on the raster library's nodes: quarter turns
// (RstRotate90), OR reduction to a size (RstScaleOR), side-by-side joining
// with white gaps (RstAlignX beside constant white sources), the N-up sheet
// built from them, and the row work of clipping, shifting, margins and the
// output resolution. Every function works on packed 1-bit rows (a set bit is
// ink) and answers false, leaving its output unspecified, when a node cannot
// be made or delivers less than its header promises.
#pragma once

#include <cstdint>

#include "platform/outside/outside_tiff_files.h"

// Largest side a page of any paper has at any device resolution.
constexpr uint32_t kMaxPageDots = 1u << 20;

// An all-white image.
PackedRows WhiteRows(uint32_t width, uint32_t rows);

// Turned clockwise by 90 or 270 degrees; width and length exchange.
bool TurnRows(const PackedRows& in, int angle, PackedRows& out);

// Scaled to width x rows: OR reduction (a block with any ink gives ink),
// nearest neighbour where a side grows.
bool ScaleRowsOR(const PackedRows& in, uint32_t width, uint32_t rows, PackedRows& out);

// The image placed at (x, y) in a white image of width x rows; what falls
// outside is cut. x and y may be negative.
bool PlaceRows(const PackedRows& in, int64_t x, int64_t y, uint32_t width, uint32_t rows, PackedRows& out);

// The marks ORed over the sheet from its top-left corner, what falls past it
// cut; marks wide where the sheet is upright (or the reverse) are turned a
// quarter turn counter-clockwise first, as the pages of two pages per sheet
// are. False for rows shorter than their width says.
bool OverlayRows(const PackedRows& marks, PackedRows& sheet);

// The number of rows down to the last row holding ink (0 for a blank image).
uint32_t InkRows(const PackedRows& in);

// One N-up sheet. Pages are given in slot order (an empty image for an
// empty slot); the sheet is sheetWidth x sheetRows.
//   2 per sheet: two cells, the halves across the sheet's longer side: on
//     an upright sheet the first page in the lower half and the second in
//     the upper one, on a wide sheet the first on the left; each page turned
//     a quarter turn counter-clockwise, so that its long side runs along its
//     half (the driver's own placement of two pages per sheet).
//   4 per sheet: a 2 x 2 grid filled row by row from the top left, pages
//     unturned.
// Each page is brought to the largest size that fits its cell (its shape
// kept) and centred; empty cells and the space around pages stay white.
bool BuildNupSheet(const PackedRows* pages, int count, int perSheet, uint32_t sheetWidth, uint32_t sheetRows,
                   PackedRows& sheet);

// Output resolution. Source rows [top, top + count) of a page of pageRows
// rows at `from` dpi, as rows at `to` dpi. Row positions are cumulative: the
// piece's first output row is floor(top * to / from). An output row made
// from source rows of two pieces is delivered by both, each from its own
// rows, and JoinConverted merges them; the page's last piece ends at
// floor(pageRows * to / from). Reduction ORs the source rows of an output
// row, enlargement repeats the source row whose span covers it; the width
// becomes floor(width * to / from) the same way.
struct RowScale {
  uint32_t from = 0, to = 0;
  uint64_t Out(uint64_t sourceRow) const { return sourceRow * to / from; }
};
// The output rows [first, end) a piece delivers.
void ConvertedSpan(const RowScale& s, uint32_t top, uint32_t count, uint32_t pageRows, uint64_t& first, uint64_t& end);
bool ConvertRows(const PackedRows& in, const RowScale& s, uint32_t top, uint32_t pageRows, PackedRows& out);
// `upper` (whose first row is output row upperFirst) above `lower` (output
// rows [lowerFirst, lowerEnd)): rows both hold are ORed into one.
bool JoinConverted(const PackedRows& upper, uint64_t upperFirst, const PackedRows& lower, uint64_t lowerFirst,
                   uint64_t lowerEnd, PackedRows& out);
