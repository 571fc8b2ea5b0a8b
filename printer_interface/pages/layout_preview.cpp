// The layout preview picture: reads the settings it follows, chooses one
// entry of a fixed sprite table per layer slot and composes the sprites in a
// fixed order into a picture list. Positions are the table's plus a base, the
// page shift for the pages and the picture offset for everything, less 13.
#include "printer_interface/pages/layout_preview.h"

#include <initializer_list>

#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "printer_interface/pages/page_order_sprites.h"
#include "settings/access/setting_access.h"

namespace {

struct Row {
  BYTE key;
  DWORD sprite;
  BYTE x, y;
  DWORD second = 0;
  BYTE secondX = 0, secondY = 0;
};

// A table of the rows, ended by key 255 with sprite 0.
LayoutSprite* MakeTable(std::initializer_list<Row> rows) {
  auto* table = static_cast<LayoutSprite*>(GlobalAlloc(GPTR, sizeof(LayoutSprite) * (rows.size() + 1)));
  if (!table) return nullptr;
  LayoutSprite* out = table;
  for (const Row& r : rows) {
    out->key = r.key;
    out->sprite = r.sprite;
    out->x = r.x;
    out->y = r.y;
    out->second = r.second;
    out->secondX = r.secondX;
    out->secondY = r.secondY;
    ++out;
  }
  out->key = kLayoutTableEnd;
  return table;
}

// A two-entry table: portrait (key 0) and landscape (key 1), no second sprites.
LayoutSprite* Pair(DWORD portrait, BYTE px, BYTE py, DWORD landscape, BYTE lx, BYTE ly) {
  return MakeTable({{0, portrait, px, py}, {1, landscape, lx, ly}});
}

bool Portrait(const LayoutPreviewSettings* r) { return r->sheetOrientation == 1; }

void SetShift(LayoutPreviewSettings* r, INT sx, INT sy) {
  r->pageShiftX = sx;
  r->pageShiftY = sy;
}
void SetOffset(LayoutPreviewSettings* r, INT gx, INT gy) {
  r->offsetX = gx;
  r->offsetY = gy;
}

int GridIndex(WORD grid) {
  switch (grid) {
    case 514: return 0;
    case 771: return 1;
    case 1028: return 2;
    default: return -1;
  }
}

bool PaperA(SHORT paper) { return paper == 8 || paper == 12; }
bool PaperB(SHORT paper) { return paper == 9 || paper == 13; }

// The edge cases of the collation and sheet layers in layout mode 0: which of
// the table rows applies, from edge symbol A (or B when A is 0) and duplex.
enum EdgeCase {
  kEdgeNone,
  kEdgePlain,
  kEdgeA4D2,
  kEdgeA4D3,
  kEdgeBothLeft,
  kEdgeA6D2,
  kEdgeA6D3,
  kEdgeTop,
  kEdgeA8D13,
  kEdgeA8D2
};

EdgeCase EdgeCaseOf(const LayoutPreviewSettings* r) {
  const WORD a = r->edgeSymbolA, b = r->edgeSymbolB;
  const SHORT d = r->duplex;
  switch (a) {
    case 0:
      if (b <= 2 || b == 5) return kEdgePlain;
      if (b == 3) return kEdgeBothLeft;
      if (b == 4) return kEdgeTop;
      return kEdgeNone;
    case 1:
    case 2:
    case 3:
    case 9:
    case 10: return kEdgePlain;
    case 4: return d == 1 ? kEdgePlain : d == 2 ? kEdgeA4D2 : kEdgeA4D3;
    case 5: return kEdgeBothLeft;
    case 6: return d == 1 ? kEdgeBothLeft : d == 2 ? kEdgeA6D2 : kEdgeA6D3;
    case 7: return kEdgeTop;
    case 8: return d == 2 ? kEdgeA8D2 : kEdgeA8D13;
    default: return kEdgeNone;
  }
}

struct SettingField {
  WORD id;
  int width;  // bytes; 0 a text
  void* (*field)(LayoutPreviewSettings*);
};

// Stores the value read into a field of its width.
void Store(const SettingField& f, LayoutPreviewSettings* r, uint64_t v) {
  void* p = f.field(r);
  switch (f.width) {
    case 1: *static_cast<BYTE*>(p) = static_cast<BYTE>(v); break;
    case 2: *static_cast<WORD*>(p) = static_cast<WORD>(v); break;
    case 4: *static_cast<INT*>(p) = static_cast<INT>(v); break;
    default: {
      // A text: copied up to its 32 characters; an absent one stays empty.
      auto* out = static_cast<WCHAR*>(p);
      const auto* text = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(v));
      int n = 0;
      if (text)
        for (; n < 32 && text[n]; ++n) out[n] = text[n];
      out[n] = 0;
    }
  }
}

#define PK_FIELD(name) [](LayoutPreviewSettings* r) -> void* { return &r->name; }
const SettingField kFields[] = {
    {294, 2, PK_FIELD(pageVariant)},  {7, 2, PK_FIELD(orientation)},     {18, 4, PK_FIELD(collate)},
    {265, 2, PK_FIELD(paperSource)},  {388, 2, PK_FIELD(mediaKind)},     {16, 2, PK_FIELD(duplex)},
    {481, 4, PK_FIELD(addedSheets)},  {295, 2, PK_FIELD(pagesPerSheet)}, {264, 2, PK_FIELD(pageOrder)},
    {321, 2, PK_FIELD(layoutMode)},   {296, 2, PK_FIELD(mode1Grid)},     {453, 4, PK_FIELD(mode1Variant)},
    {297, 0, PK_FIELD(symbolText)},   {320, 2, PK_FIELD(edgeSymbolA)},   {341, 2, PK_FIELD(edgeSymbolB)},
    {8, 2, PK_FIELD(paperSize)},      {322, 2, PK_FIELD(mode2Variant)},  {458, 4, PK_FIELD(mode2Flag)},
    {437, 1, PK_FIELD(rotationMode)}, {441, 1, PK_FIELD(sheetStyle)},
};
#undef PK_FIELD

constexpr WORD kColourModeSetting = 270;

}  // namespace

// ---- Reading the settings -----------------------------------------------------------------------

int ReadPreviewSetting(const void* devMode, HWND page, WORD id, uint64_t* value) {
  if (!devMode || !value) return 4;
  SheetContext* sheet = GetWindowSheet(page);
  // A setting the page does not list, or one it hides or disables, keeps
  // its default.
  const INT status = sheet ? GetConstraintStatus(sheet, id) : -1;
  if (status == -1 || status == 1 || status == 6 || status == 7) return 1;
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t v = 0;
  if (GetSettingValue(id, devMode, sheet->working.settings, &type, &size, &v) != 0) return 4;
  *value = v;
  return 0;
}

int ReadLayoutPreviewSettings(const void* devMode, HWND page, LayoutPreviewSettings* record) {
  if (!devMode || !record) return 4;
  for (const SettingField& f : kFields) {
    uint64_t v = 0;
    const int r = ReadPreviewSetting(devMode, page, f.id, &v);
    if (r == 1) continue;
    if (r != 0) return r;
    if (f.id == 18) v = v == 1;
    Store(f, record, v);
  }
  SheetContext* sheet = GetWindowSheet(page);
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t colour = 0;
  if (GetSettingValue(kColourModeSetting, devMode, sheet ? sheet->working.settings : nullptr, &type, &size, &colour) !=
      0)
    return 4;
  record->colourMode = static_cast<WORD>(colour);

  // Two and eight pages per sheet turn the sheet across the document.
  const bool oneOrFour = record->pagesPerSheet == 1 || record->pagesPerSheet == 4;
  record->sheetOrientation = (record->orientation != 1) == oneOrFour ? 2 : 1;
  if (record->mediaKind == 3 && record->paperSource != 4 && record->paperSource != 260) record->mediaKind = 0;
  return 0;
}

int MakeLayoutKeys(const LayoutPreviewSettings* r, LayoutKeys* keys) {
  if (!r || !keys) return 1;
  BYTE l = 0;
  if (r->sheetOrientation == 1) l = 0;
  else if (r->sheetOrientation == 2) l = 1;
  else return 1;
  BYTE duplex = 0;
  switch (r->duplex) {
    case 1: duplex = 0; break;
    case 2: duplex = 2; break;
    case 3: duplex = 4; break;
    default: return 1;
  }
  BYTE order = l;
  if (r->rotationMode == 1) order += 8;
  else if (r->rotationMode == 2) order += 0x40;
  else if (r->rotationMode == 3) order += 0x80;
  if (r->layoutMode != 2) {
    if (r->pageVariant == 1) order += 0x10;
    else if (r->pageVariant == 2) order += 0x20;
    else if (r->pageVariant != 0) return 1;
  }
  keys->sheet = l;
  keys->duplex = static_cast<BYTE>(l + duplex);
  keys->order = order;
  return 0;
}

// ---- The layer tables ---------------------------------------------------------------------------

LayoutSprite* BuildCollationLayer(LayoutPreviewSettings* r) {
  if (r->layoutMode == 1) {
    const int g = GridIndex(r->mode1Grid);
    if (g < 0) return Pair(308, 76, 53, 313, 62, 69);
    static constexpr DWORD kStyled[2][3] = {{957, 955, 953}, {956, 954, 952}};
    static constexpr DWORD kAdded[2][3] = {{467, 468, 469}, {476, 477, 478}};
    static constexpr DWORD kMedia[2][3] = {{461, 462, 463}, {464, 465, 466}};
    static constexpr DWORD kPlain[2][3] = {{455, 456, 457}, {458, 459, 460}};
    if (r->mediaKind == 3 && r->addedSheets) {
      const auto& t = r->sheetStyle != 0 ? kStyled : kAdded;
      return Pair(t[0][g], 50, 39, t[1][g], 40, 49);
    }
    const auto& t = r->mediaKind == 3 ? kMedia : kPlain;
    return Pair(t[0][g], 43, 32, t[1][g], 33, 42);
  }
  if (r->layoutMode == 2) {
    SetOffset(r, -13, -13);
    return Pair(784, 100, 144, 784, 100, 144);
  }
  if (r->layoutMode != 0) return nullptr;
  if (r->mediaKind == 3) {
    if (r->addedSheets) return Pair(r->sheetStyle != 0 ? 950 : 309, 81, 58, r->sheetStyle != 0 ? 951 : 310, 67, 74);
    return Pair(311, 76, 53, 312, 62, 69);
  }
  switch (EdgeCaseOf(r)) {
    case kEdgePlain: return Pair(308, 76, 53, 313, 62, 69);
    case kEdgeA4D2: return Pair(798, 5, 53, 313, 62, 69);
    case kEdgeA4D3: return Pair(308, 76, 53, 797, 0, 69);
    case kEdgeBothLeft: return Pair(798, 5, 53, 797, 0, 69);
    case kEdgeA6D2: return Pair(798, 5, 53, 795, 62, 0);
    case kEdgeA6D3: return Pair(796, 71, 0, 797, 0, 69);
    case kEdgeTop: return Pair(796, 71, 0, 795, 62, 0);
    case kEdgeA8D13: return Pair(796, 71, 0, 313, 62, 69);
    case kEdgeA8D2: return Pair(308, 76, 53, 795, 62, 0);
    default: return nullptr;
  }
}

LayoutSprite* BuildDuplexLayer(LayoutPreviewSettings* r) {
  const WORD a = r->edgeSymbolA, b = r->edgeSymbolB;
  if ((a >= 1 && a <= 3) || (a == 0 && b <= 2))
    return MakeTable({{2, 314, 29, 32}, {3, 315, 33, 28}, {4, 317, 43, 14}, {5, 316, 15, 41}});
  if (a == 4) return MakeTable({{2, 545, 88, 32}, {3, 315, 33, 28}, {4, 317, 43, 14}, {5, 546, 89, 41}});
  if ((a >= 5 && a <= 7) || (a == 0 && (b == 3 || b == 4)))
    return MakeTable({{2, 545, 88, 32}, {3, 543, 33, 87}, {4, 542, 43, 90}, {5, 546, 89, 41}});
  if (a == 8) return MakeTable({{2, 314, 29, 32}, {3, 543, 33, 87}, {4, 542, 43, 90}, {5, 316, 15, 41}});
  return nullptr;
}

LayoutSprite* BuildColourLayer(LayoutPreviewSettings* r) {
  if (r->layoutMode == 2) return Pair(375, 33, 17, 376, 41, 31);
  return Pair(376, 48, 37, 375, 37, 47);
}

LayoutSprite* BuildAddedSheetLayer(LayoutPreviewSettings* r) {
  const DWORD p = r->sheetStyle != 0 ? 1007 : 350, l = r->sheetStyle != 0 ? 1006 : 351;
  if (r->layoutMode == 1) return Pair(p, 50, 39, l, 40, 49);
  return MakeTable({{0, p, 81, 58, p, 55, 44}, {1, l, 67, 74, l, 45, 54}});
}

LayoutSprite* BuildSheetLayer(LayoutPreviewSettings* r) {
  const bool media = r->mediaKind == 3;
  if (r->layoutMode == 1) return media ? Pair(348, 43, 32, 349, 33, 42) : Pair(350, 43, 32, 351, 33, 42);
  if (r->layoutMode == 2) return r->mode2Flag ? Pair(557, 56, 67, 555, 74, 47) : Pair(554, 56, 67, 553, 74, 47);
  if (r->layoutMode != 0) return nullptr;
  if (media) return MakeTable({{0, 348, 74, 51, 348, 48, 37}, {1, 349, 60, 67, 349, 38, 47}});
  if (r->edgeSymbolA > 10) return nullptr;
  struct Place {
    BYTE px, py, lx, ly;
  } at{74, 51, 60, 67};
  switch (EdgeCaseOf(r)) {
    case kEdgeA4D2: at = {17, 51, 60, 67}; break;
    case kEdgeA4D3: at = {74, 51, 12, 67}; break;
    case kEdgeBothLeft: at = {17, 51, 12, 67}; break;
    case kEdgeA6D2: at = {17, 51, 60, 25}; break;
    case kEdgeA6D3: at = {74, 25, 12, 67}; break;
    case kEdgeTop: at = {74, 25, 60, 25}; break;
    case kEdgeA8D13: at = {74, 25, 60, 67}; break;
    case kEdgeA8D2: at = {74, 51, 60, 25}; break;
    default: break;  // plain, and A 0 with B above 5
  }
  return MakeTable({{0, 350, at.px, at.py, 350, 48, 37}, {1, 351, at.lx, at.ly, 351, 38, 47}});
}

LayoutSprite* BuildPagesPerSheetLayer(LayoutPreviewSettings* r) {
  switch (r->pagesPerSheet) {
    case 2: return MakeTable({{0, 403, 81, 59, 403, 55, 45}, {1, 404, 72, 72, 404, 51, 52}});
    case 4: return MakeTable({{0, 405, 79, 57, 405, 53, 43}, {1, 406, 65, 72, 406, 44, 52}});
    case 8: return MakeTable({{0, 479, 73, 52, 479, 47, 38}, {1, 480, 59, 67, 480, 38, 47}});
    default: return nullptr;
  }
}

namespace {

constexpr BYTE kRotationBits[4] = {0, 8, 0x40, 0x80};
constexpr BYTE kVariantBits[3] = {0, 0x10, 0x20};

// A page-order table of a family: every rotation key of both orientations,
// with the page-variant keys for the families that have them.
LayoutSprite* PageOrderTable(uint32_t family, uint32_t table) {
  const bool variants = page_order::HasVariants(family);
  const int count = variants ? 24 : 8;
  auto* t = static_cast<LayoutSprite*>(GlobalAlloc(GPTR, sizeof(LayoutSprite) * (count + 1)));
  if (!t) return nullptr;
  LayoutSprite* e = t;
  for (uint32_t l = 0; l < 2; ++l)
    for (uint32_t rot = 0; rot < 4; ++rot)
      for (uint32_t v = 0; v < (variants ? 3u : 1u); ++v) {
        e->key = static_cast<BYTE>(l + kRotationBits[rot] + kVariantBits[v]);
        e->sprite = page_order::Sprite(family, table, l, rot, v);
        BYTE x = 0, y = 0, sx = 0, sy = 0;
        switch (family) {
          case page_order::kMode1:
            x = l ? 33 : 43;
            y = l ? 42 : 32;
            break;
          case page_order::kMode2:
            if (l) {
              x = 74;
              y = 51;
              sx = 43;
              sy = 37;
            } else {
              x = 60;
              y = 67;
              sx = 33;
              sy = 44;
            }
            break;
          case page_order::kTwoUp:
            if (!l && v == 1) {
              x = 81;
              y = 59;
              sx = 53;
              sy = 49;
            } else if (!l) {
              x = 82;
              y = 64;
              sx = 56;
              sy = 45;
            } else if (v == 2) {
              x = 72;
              y = 73;
              sx = 47;
              sy = 54;
            } else {
              x = 69;
              y = 78;
              sx = 51;
              sy = 52;
            }
            break;
          case page_order::kFourUp:
            if (l) {
              x = 65;
              y = 72;
              sx = 44;
              sy = 52;
            } else {
              x = 79;
              y = 56;
              sx = 53;
              sy = 43;
            }
            break;
          default:
            if (l) {
              x = 60;
              y = 67;
              sx = v == 2 ? 39 : 38;
              sy = 47;
            } else {
              x = 73;
              y = 51;
              sx = 48;
              sy = 37;
            }
        }
        e->x = x;
        e->y = y;
        if (family != page_order::kMode1) {
          e->second = page_order::SecondSprite(family, l);
          e->secondX = sx;
          e->secondY = sy;
        }
        ++e;
      }
  e->key = kLayoutTableEnd;
  return t;
}

LayoutSprite* OnePageTable() {
  return MakeTable({{0, 347, 91, 72, 306, 57, 57},
                    {1, 346, 84, 78, 306, 57, 58},
                    {8, 346, 83, 72, 306, 57, 57},
                    {9, 346, 84, 78, 307, 57, 58},
                    {0x40, 347, 91, 72, 307, 57, 57},
                    {0x41, 347, 84, 78, 306, 57, 58},
                    {0x80, 346, 83, 72, 307, 57, 57},
                    {0x81, 347, 84, 78, 307, 57, 58}});
}

// Page orders 4, 5 and 6 choose tables 2-4 of the four- and eight-up families.
uint32_t OrderTable(WORD pageOrder) { return pageOrder >= 4 && pageOrder <= 6 ? pageOrder - 3u : 0u; }

}  // namespace

LayoutSprite* BuildPageOrderLayer(LayoutPreviewSettings* r) {
  switch (r->layoutMode) {
    case 1: {
      const int g = GridIndex(r->mode1Grid);
      if (g < 0) return OnePageTable();
      const uint32_t table = static_cast<uint32_t>(g) * 4 + (r->mediaKind == 3 ? 2 : 0) + (r->mode1Variant ? 1 : 0);
      return PageOrderTable(page_order::kMode1, table);
    }
    case 2: return PageOrderTable(page_order::kMode2, r->mode2Variant != 0 ? 1 : 0);
    case 0:
      switch (r->pagesPerSheet) {
        case 2: return PageOrderTable(page_order::kTwoUp, r->pageOrder == 2 ? 1 : 0);
        case 4: return PageOrderTable(page_order::kFourUp, OrderTable(r->pageOrder));
        case 8: return PageOrderTable(page_order::kEightUp, OrderTable(r->pageOrder));
        default: return OnePageTable();
      }
    default: return nullptr;
  }
}

LayoutSprite* BuildTextSymbolLayer(LayoutPreviewSettings* r) {
  if (r->layoutMode == 2) return Pair(424, 26, 46, 424, 36, 39);
  return Pair(424, 68, 39, 424, 78, 49);
}

LayoutSprite* BuildEdgeSymbolALayer(LayoutPreviewSettings* r) {
  const bool portrait = Portrait(r);
  const SHORT d = r->duplex;
  switch (r->edgeSymbolA) {
    case 1: return Pair(537, 29, 44, 537, 19, 44);
    case 2: return Pair(540, 29, 33, 540, 19, 43);
    case 3: return Pair(539, 45, 18, 539, 46, 28);
    case 4:
      if (d == 2 && portrait) {
        SetShift(r, -57, 0);
        SetOffset(r, 20, 0);
      } else if (d == 3 && !portrait) {
        SetShift(r, -48, 0);
        SetOffset(r, 20, 0);
      }
      return Pair(541, 85, 33, 541, 94, 43);
    case 5:
      SetShift(r, portrait ? -57 : -48, 0);
      SetOffset(r, 20, 0);
      return Pair(538, 88, 46, 538, 98, 44);
    case 6:
      if (d == 1 || (d == 2 && portrait) || (d == 3 && !portrait)) {
        SetShift(r, portrait ? -57 : -48, 0);
        SetOffset(r, 20, 0);
      } else if (d == 2) {
        SetShift(r, 0, -42);
        SetOffset(r, 0, 20);
      } else {
        SetShift(r, -3, -27);
        SetOffset(r, 0, 20);
      }
      return Pair(536, 85, 84, 536, 94, 74);
    case 7:
      SetShift(r, portrait ? -3 : 0, portrait ? -27 : -42);
      SetOffset(r, 0, 20);
      return Pair(534, 45, 97, 534, 47, 87);
    case 8:
      if (d == 2 && !portrait) {
        SetShift(r, 0, -42);
        SetOffset(r, 0, 20);
      } else if ((d == 1 || d == 3) && portrait) {
        SetShift(r, -3, -27);
        SetOffset(r, 0, 20);
      }
      return Pair(535, 29, 83, 535, 19, 73);
    case 9: SetOffset(r, 15, 0); return Pair(786, 11, 33, 786, 1, 43);
    case 10:
      SetOffset(r, 15, 0);
      if (PaperA(r->paperSize)) return Pair(927, 19, 18, 928, 19, 44);
      if (PaperB(r->paperSize)) return Pair(928, 29, 44, 927, 20, 28);
      return nullptr;
    default: return nullptr;
  }
}

LayoutSprite* BuildEdgeSymbolBLayer(LayoutPreviewSettings* r) {
  const bool portrait = Portrait(r);
  const SHORT d = r->duplex;
  const WORD a = r->edgeSymbolA;
  const bool plainPortrait = d == 1 && portrait && a != 0;
  switch (r->edgeSymbolB) {
    case 1: return Pair(600, 30, 56, 600, (d == 2 || plainPortrait) ? 30 : 21, 56);
    case 2: {
      const bool near = d == 3 || plainPortrait;
      return Pair(601, 57, 20, 601, near ? 57 : 58, near ? 20 : 30);
    }
    case 3: {
      if (!(d == 1 && a == 4)) {
        SetShift(r, portrait ? -57 : -48, 0);
        SetOffset(r, 20, 0);
      }
      const bool near = d == 2 || plainPortrait;
      return Pair(602, 89, 57, 602, near ? 89 : 99, near ? 57 : 56);
    }
    case 4: {
      if (portrait && !(d == 1 && a == 6)) {
        SetShift(r, -3, -27);
        SetOffset(r, 0, 20);
      } else if (!portrait && (a == 0 || (a == 7 && d == 1))) {
        SetShift(r, 0, -42);
        SetOffset(r, 0, 20);
      }
      const bool near = d == 3 || plainPortrait;
      return Pair(603, 57, 98, 603, near ? 57 : 59, near ? 98 : 89);
    }
    case 5:
      SetOffset(r, 15, 0);
      if (PaperA(r->paperSize)) return Pair(610, 11, 20, 611, 1, 56);
      if (PaperB(r->paperSize)) return Pair(608, 11, 33, 609, 1, 30);
      return nullptr;
    default: return nullptr;
  }
}

LayoutSprite* BuildCombinedEdgeLayer(LayoutPreviewSettings* r) {
  SetOffset(r, 15, 0);
  const bool nine = r->edgeSymbolA == 9;
  if (PaperA(r->paperSize)) return nine ? Pair(606, 11, 20, 607, 1, 30) : Pair(959, 20, 18, 958, 19, 44);
  if (PaperB(r->paperSize)) return nine ? Pair(604, 11, 33, 605, 1, 30) : Pair(958, 30, 45, 959, 20, 28);
  return nullptr;
}

const LayoutSprite* FindLayoutSprite(const LayoutSprite* table, BYTE key) {
  if (!table) return nullptr;
  for (const LayoutSprite* e = table; e->sprite != 0; ++e)
    if (e->key == key) return e;
  return nullptr;
}

// ---- Selection and composition ------------------------------------------------------------------

int SelectLayoutLayers(LayoutPreviewSettings* r, const LayoutKeys* keys, const LayoutSprite* slots[kLayoutSlots],
                       LayoutSprite* tables[kLayoutSlots]) {
  for (int i = 0; i < kLayoutSlots; ++i) {
    slots[i] = nullptr;
    tables[i] = nullptr;
  }
  const WORD mode = r->layoutMode, a = r->edgeSymbolA, b = r->edgeSymbolB;
  const bool combined = b == 5 && (a == 9 || a == 10);
  struct Choice {
    int slot;
    bool built;
    LayoutSprite* (*build)(LayoutPreviewSettings*);
    BYTE key;
  };
  const Choice choices[] = {
      {0, r->collate != 0, BuildCollationLayer, keys->sheet},
      {1, mode != 2 && r->duplex != 1, BuildDuplexLayer, keys->duplex},
      {2, mode != 1 && (r->colourMode == 0 || r->colourMode == 2 || r->colourMode == 3), BuildColourLayer, keys->sheet},
      {3, r->addedSheets != 0, BuildAddedSheetLayer, keys->sheet},
      {4, true, BuildSheetLayer, keys->sheet},
      {5, r->pagesPerSheet == 2 || r->pagesPerSheet == 4 || r->pagesPerSheet == 8, BuildPagesPerSheetLayer,
       keys->sheet},
      {6, true, BuildPageOrderLayer, keys->order},
      {7, mode != 1 && r->symbolText[0] != 0, BuildTextSymbolLayer, keys->sheet},
      {10, combined, BuildCombinedEdgeLayer, keys->sheet},
      {8, b != 5 && mode == 0 && a != 0, BuildEdgeSymbolALayer, keys->sheet},
      {9, a != 9 && a != 10 && mode == 0 && b != 0, BuildEdgeSymbolBLayer, keys->sheet},
  };
  int entries = 1;  // the terminator
  for (const Choice& c : choices) {
    if (!c.built) continue;
    tables[c.slot] = c.build(r);
    slots[c.slot] = FindLayoutSprite(tables[c.slot], c.key);
    if (!slots[c.slot]) continue;
    ++entries;
    const bool second = slots[c.slot]->second != 0 &&
                        (((c.slot == 3 || c.slot == 4) && mode == 0) || c.slot == 5 || (c.slot == 6 && mode != 1));
    if (second) ++entries;
  }
  return entries;
}

int LoadLayerSprite(HMODULE module, PictureEntry* entry, DWORD sprite, INT offsetX, INT offsetY, INT baseX, INT baseY,
                    BYTE x, BYTE y) {
  if (!entry) return 0;
  entry->bitmap = LoadBitmapW(module, MAKEINTRESOURCEW(sprite));
  if (!entry->bitmap) return 0;
  entry->x = baseX + offsetX + x - 13;
  entry->y = baseY + offsetY + y - 13;
  return 1;
}

int PlanLayoutPicture(LayoutPreviewSettings* r, const LayoutKeys* keys, LayoutPlacement* out, int room) {
  if (!r || !keys || !out || room <= 0) return -1;
  const LayoutSprite* slots[kLayoutSlots];
  LayoutSprite* tables[kLayoutSlots];
  const int count = SelectLayoutLayers(r, keys, slots, tables);
  struct Step {
    int slot;
    bool second;
    INT baseX, baseY;
  };
  const INT shiftX = 5 + r->pageShiftX, shiftY = 5 + r->pageShiftY;
  const Step steps[] = {
      {0, false, 5, 5},
      {3, false, 5, 5},
      {4, false, 5, 5},
      {5, false, shiftX, shiftY},
      {6, false, shiftX, shiftY},
      {3, true, 0, 0},
      {4, true, 0, 0},
      {5, true, 0, 0},
      {6, true, 0, 0},
      {1, false, 0, 0},
      {2, false, 0, 0},
      {7, false, 0, 0},
      {10, false, 0, 0},
      {8, false, 0, 0},
      {9, false, 0, 0},
  };
  int n = 0;
  for (const Step& s : steps) {
    const LayoutSprite* e = slots[s.slot];
    if (!e) continue;
    if (s.second) {
      // Second sprites: of the added sheets and the sheet in layout mode 0
      // only, of the pages per sheet always, of the page order outside mode 1.
      if (e->second == 0) continue;
      if ((s.slot == 3 || s.slot == 4) && r->layoutMode != 0) continue;
      if (s.slot == 6 && r->layoutMode == 1) continue;
    }
    if (n >= room || n >= count - 1) break;
    out[n++] = LayoutPlacement{s.second ? e->second : e->sprite, s.baseX, s.baseY, s.second ? e->secondX : e->x,
                               s.second ? e->secondY : e->y};
  }
  for (LayoutSprite* t : tables)
    if (t) GlobalFree(t);
  return n;
}

int BuildLayoutPicture(HMODULE module, HWND page, const void* devMode, PictureEntry** list) {
  if (!list) return kPictureBadArguments;
  *list = nullptr;
  if (!module || !devMode) return kPictureBadArguments;
  LayoutPreviewSettings r;
  if (ReadLayoutPreviewSettings(devMode, page, &r) != 0) return kPictureSettingUnreadable;
  LayoutKeys keys{};
  if (MakeLayoutKeys(&r, &keys) != 0) return kPictureBadArguments;
  LayoutPlacement plan[kLayoutSlots * 2];
  const int count = PlanLayoutPicture(&r, &keys, plan, kLayoutSlots * 2);
  if (count < 0) return kPictureOther;
  auto* out = static_cast<PictureEntry*>(GlobalAlloc(GPTR, sizeof(PictureEntry) * (count + 1)));
  if (!out) return kPictureNoMemory;
  for (int n = 0; n < count; ++n) {
    const LayoutPlacement& p = plan[n];
    if (!LoadLayerSprite(module, &out[n], p.sprite, r.offsetX, r.offsetY, p.baseX, p.baseY, p.x, p.y)) {
      out[n] = PictureEntry{};
      FreePictureList(out);
      return kPictureMissing;
    }
  }
  *list = out;
  return kPictureOk;
}
