// The page journal: every drawing call of a page, kept in device dots of the
// printable area (the space of the band origins) with its own clip, until the
// page ends and the host replays it into the driver band by band.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/engine_host.h"

namespace pkhost {

// Colours are device colours 0x00RRGGBB.
struct BrushDesc {
  enum Kind { Null, Solid, Hatch, Pattern } kind = Solid;
  ULONG color = 0x000000;            // solid colour, hatch line colour, pattern ink
  ULONG background = 0xFFFFFF;       // hatch and pattern background
  ULONG hatch = 0;                   // 0-5
  std::array<uint8_t, 8> pattern{};  // rows of an 8 x 8 pattern, bit set: ink
  auto operator<=>(const BrushDesc&) const = default;
};

struct PenDesc {
  enum Style { Solid, Dash, Dot, DashDot, Null } style = Solid;
  LONG width = 1;  // dots; 0 and 1 draw one-dot lines
  ULONG color = 0x000000;
  auto operator<=>(const PenDesc&) const = default;
};

struct FontDesc {
  pkgdi::FontFamily family = pkgdi::FontFamily::Sans;
  LONG emDots = 40;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  double angle = 0;  // degrees, counter-clockwise
  auto operator<=>(const FontDesc&) const = default;
};

// A source image: top-down rows in the layout of the engine's bitmaps
// (1 bpp: bit set is black; 8 bpp: grey level; 24 bpp: blue, green, red).
struct Bitmap {
  LONG width = 0;
  LONG height = 0;
  ULONG bpp = 24;
  std::vector<uint8_t> bits;
  size_t stride() const { return ((size_t(width) * bpp + 31) / 32) * 4; }
};

struct Subpath {
  std::vector<POINTFIX> pts;  // 28.4 fixed point
  bool closed = false;
};

// One journaled drawing call, or an escape that rides with the drawing.
struct JournalItem {
  enum Kind { FillRect, FillRegion, Stroke, Text, Image, Escape } kind = FillRect;
  pkgdi::Region clip;  // where the item may draw
  RECTL bounds{};      // the item's full extent (the replayed target rectangle)

  // FillRect and FillRegion: the brush; a FillRegion's shape is part of its
  // clip and it is drawn over the shape's bounds.
  BrushDesc brush;
  ROP4 rop4 = 0xF0F0;
  POINTL brushOrigin{0, 0};

  // Stroke: a one-dot pen along the subpaths.
  PenDesc pen;
  std::vector<Subpath> path;

  // Text: glyphs placed at their baseline points.
  FontDesc font;
  std::u16string text;
  std::vector<pkgdi::StringGlyph> glyphs;
  ULONG textColor = 0;
  bool opaque = false;
  ULONG backColor = 0xFFFFFF;
  RECTL opaqueRect{};
  std::vector<RECTL> extras;  // underline and strike-out bars

  // Image: the source and where it goes.
  std::shared_ptr<const Bitmap> image;
  RECTL dest{};

  // Escape: the code and input of an escape without output that the
  // interface library sent between its drawing calls (it may move what
  // follows, as the mark offset does); sent again in every band.
  ULONG escapeCode = 0;
  std::vector<uint8_t> escapeIn;
};

using Journal = std::vector<JournalItem>;

}  // namespace pkhost
