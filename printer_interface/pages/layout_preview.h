// The layout preview picture: the settings it follows, read through the
// page's constraint records, and the sprites of the resource module chosen
// from fixed tables by those settings and placed at fixed positions, one
// layer per slot, composed into a picture list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "printer_interface/pages/preview_controls.h"

struct LayoutPreviewSettings {
  WORD pageVariant = 0;       // 294
  SHORT orientation = 1;      // 7
  WORD sheetOrientation = 1;  // computed
  INT collate = 0;            // 18 = 1
  WORD paperSource = 7;       // 265
  WORD mediaKind = 0;         // 388
  SHORT duplex = 1;           // 16
  WORD colourMode = 0;        // 270
  INT addedSheets = 0;        // 481
  WORD pagesPerSheet = 1;     // 295
  WORD pageOrder = 0;         // 264
  WORD layoutMode = 0;        // 321
  WORD mode1Grid = 514;       // 296
  INT mode1Variant = 0;       // 453
  WCHAR symbolText[33] = {};  // 297
  WORD edgeSymbolA = 0;       // 320
  WORD edgeSymbolB = 0;       // 341
  SHORT paperSize = 9;        // 8
  WORD mode2Variant = 0;      // 322
  INT mode2Flag = 0;          // 458
  INT pageShiftX = 0, pageShiftY = 0;
  INT offsetX = 0, offsetY = 0;
  BYTE rotationMode = 0;  // 437
  BYTE sheetStyle = 0;    // 441
};

#pragma pack(push, 1)
struct LayoutSprite {
  BYTE key;
  BYTE pad0[3];
  DWORD sprite;
  BYTE x;
  BYTE y;
  BYTE pad1[2];
  DWORD second;
  BYTE secondX;
  BYTE secondY;
  BYTE pad2[2];
};
#pragma pack(pop)
static_assert(sizeof(LayoutSprite) == 20 && offsetof(LayoutSprite, second) == 12);

constexpr BYTE kLayoutTableEnd = 255;
constexpr int kLayoutSlots = 11;

struct LayoutKeys {
  BYTE sheet;   // L
  BYTE duplex;  // L + 0, 2 or 4
  BYTE order;   // L + rotation and page-variant bits
};

// The first id of the page-order sprites of our own (below 1536).
constexpr DWORD kPageOrderSpriteBase = 1100;

// 0 read, 1 the default stays, 4 the read failed.
int ReadPreviewSetting(const void* devMode, HWND page, WORD id, uint64_t* value);
// 0, or 4 when a setting cannot be read.
int ReadLayoutPreviewSettings(const void* devMode, HWND page, LayoutPreviewSettings* record);
// 0 with the keys, 1 for an orientation, duplex or page variant outside its range.
int MakeLayoutKeys(const LayoutPreviewSettings* record, LayoutKeys* keys);
// Fills each slot with its selected entry (or null) from the tables built,
// which the caller frees (GlobalFree, each may be null); answers the number
// of list entries needed with the terminator.
int SelectLayoutLayers(LayoutPreviewSettings* record, const LayoutKeys* keys, const LayoutSprite* slots[kLayoutSlots],
                       LayoutSprite* tables[kLayoutSlots]);
// 1 with the entry, 0 when the bitmap is missing.
int LoadLayerSprite(HMODULE module, PictureEntry* entry, DWORD sprite, INT offsetX, INT offsetY, INT baseX, INT baseY,
                    BYTE x, BYTE y);
// One sprite of the composition, in drawing order: drawn at base + picture
// offset + (x, y) - 13.
struct LayoutPlacement {
  DWORD sprite;
  INT baseX, baseY;
  BYTE x, y;
};
// The sprites of the picture in drawing order (at most `room`); the count,
// -1 for bad arguments. The layer tables are freed.
int PlanLayoutPicture(LayoutPreviewSettings* record, const LayoutKeys* keys, LayoutPlacement* out, int room);
// 0 with a new list; 1 bad arguments or an orientation, duplex or page
// variant outside its range; 2 out of memory; 3 a setting cannot be read;
// 5 a sprite is missing (nothing is kept); 6 other.
int BuildLayoutPicture(HMODULE module, HWND page, const void* devMode, PictureEntry** list);

// The layer builders: a new table (GlobalAlloc) or none.
LayoutSprite* BuildCollationLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildDuplexLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildColourLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildAddedSheetLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildSheetLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildPagesPerSheetLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildPageOrderLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildTextSymbolLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildEdgeSymbolALayer(LayoutPreviewSettings* record);
LayoutSprite* BuildEdgeSymbolBLayer(LayoutPreviewSettings* record);
LayoutSprite* BuildCombinedEdgeLayer(LayoutPreviewSettings* record);
// The first entry of the key, null at the terminator.
const LayoutSprite* FindLayoutSprite(const LayoutSprite* table, BYTE key);
