// The page colour set: the few distinct colours a page draws, kept while
// there are no more of them than the job allows, so that a page of one or two
// colours can be told apart from a full-colour page. The set is part of the
// PDEV's pipeline block and of every spooled page record.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

constexpr uint16_t kPageColorSetMaxLimit = 15;
constexpr uint32_t kPageColorWhite = 0xFFFFFF;

struct PageColorSet {
  uint32_t on;           // 1 while the set still tracks colours
  uint16_t count;        // colours kept
  uint16_t limit;        // most colours kept, 0-15
  uint32_t countsWhite;  // 0: white is never added; 1: every colour is
  uint32_t colours[16];  // 0xRRGGBB, colour n (1-based) in entry n - 1
};
static_assert(sizeof(PageColorSet) == 76);

// Empties the set (every entry white) and sets its parameters: 0, or -1 for
// a limit above 15.
int InitPageColorSet(PageColorSet* set, uint32_t on, uint16_t limit, uint32_t countsWhite);
// Adds one 0xRRGGBB colour: 0, or -1 without a set or for a countsWhite other
// than 0 and 1. A colour past the limit turns the set off.
int AddPageColor(PageColorSet* set, uint32_t colour);
// Adds the distinct colours of an image of 1, 4, 8 or 24 bits per pixel whose
// rows follow one another without padding. With paletteFlag an index selects
// a 3-byte palette entry (R, G, B) and 24-bit pixels are R, G, B; without it
// an index selects a grey byte of the palette and 24-bit rows hold one grey
// byte per pixel. Indexes at or past paletteCount (cut to 2^bits) count as
// black. -1 without a set or rows, for a set that is off, for another depth
// or an indexed image without palette; else 0.
int CollectDistinctColors(PageColorSet* set, const BYTE* rows, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                          int paletteFlag, const BYTE* palette, uint32_t paletteCount);
// Adds the first count colours of `from` to `into` one by one while `into`
// is on: 0, or -1 for a missing set or a failing add.
int MergePageColorSet(PageColorSet* into, const PageColorSet* from);
