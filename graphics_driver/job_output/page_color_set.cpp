// The page colour set (see page_color_set.h).
#include "graphics_driver/job_output/page_color_set.h"

namespace {

// One image's colour source: palette entries or grey bytes.
struct ColourSource {
  int paletteFlag;
  const BYTE* palette;
  uint32_t paletteCount;

  // The colour of a palette index; an index the palette does not hold is
  // black and never read.
  uint32_t Indexed(uint32_t index) const {
    if (index >= paletteCount) return 0;
    if (paletteFlag) {
      const BYTE* p = palette + 3 * size_t(index);
      return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    return palette[index] * 0x010101u;
  }
};

}  // namespace

int InitPageColorSet(PageColorSet* set, uint32_t on, uint16_t limit, uint32_t countsWhite) {
  if (!set || limit > kPageColorSetMaxLimit) return -1;
  set->on = on;
  set->count = 0;
  set->limit = limit;
  set->countsWhite = countsWhite;
  for (uint32_t& c : set->colours) c = kPageColorWhite;
  return 0;
}

int AddPageColor(PageColorSet* set, uint32_t colour) {
  if (!set) return -1;
  if (set->on == 0 || set->count > set->limit) return 0;
  if (set->countsWhite > 1) return -1;
  if (set->countsWhite == 0 && colour == kPageColorWhite) return 0;
  const uint16_t kept = set->count < 16 ? set->count : 16;
  for (uint16_t i = 0; i < kept; ++i)
    if (set->colours[i] == colour) return 0;
  ++set->count;
  if (set->count > set->limit || set->count > 16) set->on = 0;
  else set->colours[set->count - 1] = colour;
  return 0;
}

int CollectDistinctColors(PageColorSet* set, const BYTE* rows, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                          int paletteFlag, const BYTE* palette, uint32_t paletteCount) {
  if (!set || !rows || set->on == 0) return -1;
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24) return -1;
  if (bitsPerPixel != 24) {
    if (!palette) return -1;
    const uint32_t entries = 1u << bitsPerPixel;
    if (paletteCount > entries) paletteCount = entries;
  }
  const ColourSource source{paletteFlag, palette, paletteCount};
  size_t rowBytes = 0;
  switch (bitsPerPixel) {
    case 1: rowBytes = (size_t(width) + 7) / 8; break;
    case 4: rowBytes = (size_t(width) + 1) / 2; break;
    case 8: rowBytes = width; break;
    default: rowBytes = paletteFlag ? size_t(width) * 3 : width; break;
  }
  for (uint32_t y = 0; y < height && set->on; ++y) {
    const BYTE* row = rows + rowBytes * y;
    bool seen[2] = {false, false};
    for (uint32_t x = 0; x < width && set->on; ++x) {
      uint32_t colour = 0;
      switch (bitsPerPixel) {
        case 1: {
          const uint32_t bit = (row[x / 8] >> (7 - x % 8)) & 1;
          if (seen[bit]) continue;
          seen[bit] = true;
          colour = source.Indexed(bit);
          break;
        }
        case 4: colour = source.Indexed(x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4); break;
        case 8: colour = source.Indexed(row[x]); break;
        default:
          if (paletteFlag) {
            const BYTE* p = row + 3 * size_t(x);
            colour = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
          } else {
            colour = row[x] * 0x010101u;
          }
          break;
      }
      if (AddPageColor(set, colour) != 0) return -1;
      if (bitsPerPixel == 1 && seen[0] && seen[1]) break;
    }
  }
  return 0;
}

int MergePageColorSet(PageColorSet* into, const PageColorSet* from) {
  if (!into || !from) return -1;
  const uint16_t kept = from->count < 16 ? from->count : 16;
  for (uint16_t i = 0; i < kept && into->on; ++i)
    if (AddPageColor(into, from->colours[i]) != 0) return -1;
  return 0;
}
