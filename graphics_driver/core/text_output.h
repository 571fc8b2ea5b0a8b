// Text output: every string is drawn from the engine's 1-bit glyph bitmaps
// straight into the band, row by row, cut to the clip rectangles. The text
// colour becomes a grey that masks each glyph with the halftone: black ORs
// the glyph dots, white clears them, any other colour first clears the
// glyph area to the halftone's ink and then paints it, so that the glyph
// area ends up exactly the halftone of the colour. Coordinates are
// band-relative dots.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

// Rectangles of one clip enumeration batch of a glyph (ENUMRECTS50).
constexpr ULONG kGlyphClipBatch = 50;

// The worker of DrvTextOut.
BOOL DrawTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                 BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);

// The string's runs in the text colour's passes: 1, 0 failed (what was drawn
// before stays).
int DrawTextRuns(PdevState* pdev, BRUSHOBJ* pboFore, STROBJ* pstro, FONTOBJ* pfo, MIX mix, CLIPOBJ* pco);
// One run of count glyphs; chars are the run's characters (may be null
// unless the store has a glyph memory pool). 1, 0 failed.
int DrawTextRun(PdevState* pdev, ULONG count, const GLYPHPOS* positions, FONTOBJ* pfo, const STROBJ* pstro,
                const WCHAR* chars, CLIPOBJ* pco);
int DrawGlyphs(PdevState* pdev, ULONG count, const GLYPHPOS* positions, FONTOBJ* pfo, CLIPOBJ* pco);
// The same, each glyph first asking the store's pool whether its record
// would fit; nothing is taken from the pool.
int DrawGlyphsPoolLimited(PdevState* pdev, ULONG count, const GLYPHPOS* positions, FONTOBJ* pfo, const WCHAR* chars,
                          CLIPOBJ* pco);
// The glyph's rows at position + its origin: 1, 0 when its bits cannot be
// had.
int DrawGlyph(PdevState* pdev, FONTOBJ* pfo, const GLYPHPOS* position, CLIPOBJ* pco);

// The colour 0x00RRGGBB entered into the page's colour detection and
// converted as a text colour: entry receives blue, green, red (kind 4) or
// a grey in its first byte (kind 3). 1, 0 failed.
int GetTextColour(PdevState* pdev, ULONG iSolidColor, BYTE entry[3], uint32_t* kind);

// One glyph's bitmap as the engine hands it out.
struct GlyphBitmap {
  POINTL origin;  // of the top-left dot, from the glyph's position
  int32_t cx, cy;
  uint32_t bytesPerRow;  // (cx + 7) / 8
  const BYTE* rows;      // cy rows, most significant bit leftmost
};
// 1, or 0 when the engine has no bitmap for the glyph (or a malformed one).
int GetGlyphBits(PdevState* pdev, FONTOBJ* pfo, HGLYPH hglyph, GlyphBitmap* glyph);
// The bytes a downloaded glyph's record would take: ((cx + 7) / 8 * cy + 21)
// rounded down to a multiple of 4.
uint32_t GlyphRecordSize(const GlyphBitmap& glyph);

// The rectangle of the two corners, normalised.
void MakeRectangle(RECTL* out, LONG x0, LONG y0, LONG x1, LONG y1);
// The smallest r >= max(|a|, |b|) with r * r >= a * a + b * b.
LONG CeilHypot(LONG a, LONG b);
// The font's em height in dots (its transformed em, in 28.4 fixed point,
// cut to whole dots): 1 with out set, 0 when the font has no transform or no
// metrics.
int GetFontEmHeightDots(FONTOBJ* pfo, LONG* out);
// The font's em height in points at the device's vertical resolution: 1
// with out set, 0 when the font has no transform or no metrics.
int GetFontEmHeightPoints(PdevState* pdev, FONTOBJ* pfo, LONG* out);
