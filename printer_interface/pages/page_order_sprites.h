// The sprite ids of the page-order layer of the layout picture other than the
// one-page table: one sprite per table, sheet orientation, rotation mode and
// page variant, and one second sprite (the sheet behind) per family and
// orientation. The resource generator draws them from the same numbering.
#pragma once

#include <cstdint>

namespace page_order {

enum Family : uint32_t { kMode1 = 0, kMode2 = 1, kTwoUp = 2, kFourUp = 3, kEightUp = 4 };

constexpr uint32_t kBase = 1100;
constexpr uint32_t kTables[] = {12, 2, 2, 4, 4};
// Families of 25-entry tables have the page-variant keys too.
constexpr bool HasVariants(uint32_t family) { return family >= kTwoUp; }
constexpr uint32_t SpritesOf(uint32_t family) { return kTables[family] * 2 * 4 * (HasVariants(family) ? 3 : 1); }
constexpr uint32_t FirstOf(uint32_t family) {
  uint32_t id = kBase;
  for (uint32_t f = 0; f < family; ++f) id += SpritesOf(f);
  return id;
}
constexpr uint32_t kSecondBase = FirstOf(kEightUp) + SpritesOf(kEightUp);

// landscape 0 or 1, rotation mode 0-3, variant 0-2.
constexpr uint32_t Sprite(uint32_t family, uint32_t table, uint32_t landscape, uint32_t rotation, uint32_t variant) {
  const uint32_t index = (table * 2 + landscape) * 4 + rotation;
  return FirstOf(family) + (HasVariants(family) ? index * 3 + variant : index);
}
// Families with second sprites: mode 2, two-, four- and eight-up.
constexpr uint32_t SecondSprite(uint32_t family, uint32_t landscape) {
  return kSecondBase + (family - kMode2) * 2 + landscape;
}
constexpr uint32_t kLast = SecondSprite(kEightUp, 1);
static_assert(kLast < 1536, "the block stays below the ids of other resources");

// The pages per sheet of a family's sprites (mode 1 shows a grid of pages,
// mode 2 a booklet spread).
constexpr uint32_t PagesOf(uint32_t family, uint32_t table) {
  constexpr uint32_t kGridPages[] = {4, 9, 16};  // grids 514, 771, 1028
  switch (family) {
    case kMode1: return kGridPages[table / 4];
    case kMode2: return 2;
    case kTwoUp: return 2;
    case kFourUp: return 4;
    default: return 8;
  }
}

}  // namespace page_order
