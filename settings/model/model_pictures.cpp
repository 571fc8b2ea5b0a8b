// The pictures of the device model: conditional pictures and the device
// picture as bitmap data, and the palette of a bitmap's colour table.
#include "settings/model/model_queries.h"

namespace {

// Takes the data out of a bitmap record and releases the record.
BYTE* TakeBitmapData(ModelRecord* record, DWORD* size) {
  auto* bitmap = static_cast<BitmapRecord*>(record);
  BYTE* data = bitmap->data;
  if (size) *size = bitmap->dataSize;
  bitmap->data = nullptr;
  bitmap->dataSize = 0;
  ReleaseModelRecord(record);
  return data;
}

constexpr WORD kPaletteVersion = 0x300;
constexpr DWORD kMaxPaletteColours = 256;

}  // namespace

ModelStatus LoadRecordPicture(ModelFile* primary, ModelFile* secondary, const ModelRecord* record, WORD* x, WORD* y,
                              BYTE** bitmap, DWORD* bitmapSize) {
  if (x) *x = 0;
  if (y) *y = 0;
  if (bitmap) *bitmap = nullptr;
  if (bitmapSize) *bitmapSize = 0;
  if (!primary || !secondary || !record || !x || !y || !bitmap || record->type != kRecordConditionalPicture) return 1;
  const auto* picture = static_cast<const PictureRecord*>(record);
  ModelRecord* b = nullptr;
  ModelStatus s = LoadModelRecordByKey(true, primary, secondary, kRecordBitmap, picture->placement.bitmap.key, 0, &b);
  if (s) return s;
  *x = picture->placement.x;
  *y = picture->placement.y;
  *bitmap = TakeBitmapData(b, bitmapSize);
  return 0;
}

BYTE* LoadDevicePicture(ModelFile* primary, ModelFile* secondary, WORD* width, WORD* height, DWORD* bitmapSize) {
  if (width) *width = 0;
  if (height) *height = 0;
  if (bitmapSize) *bitmapSize = 0;
  if (!primary || !secondary) return nullptr;
  WORD key = static_cast<WORD>(ReadModelHeaderValue(primary, 1, 2, 0));
  ModelRecord* record = nullptr;
  if (LoadModelRecordByKey(true, primary, secondary, kRecordBitmap, key, 0, &record)) return nullptr;
  auto* bitmap = static_cast<BitmapRecord*>(record);
  if (width) *width = bitmap->width;
  if (height) *height = bitmap->height;
  return TakeBitmapData(record, bitmapSize);
}

HPALETTE CreateBitmapPalette(const BITMAPINFOHEADER* header, DWORD dataSize) {
  if (!header || dataSize < sizeof(BITMAPINFOHEADER)) return nullptr;
  DWORD headerSize = header->biSize;
  if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > dataSize) return nullptr;
  // Only the indexed depths have a colour table by default; a stored count
  // is trusted no further than the table that is really there.
  DWORD colours = header->biClrUsed;
  if (colours == 0) {
    WORD bits = header->biBitCount;
    colours = bits == 1 || bits == 4 || bits == 8 ? 1u << bits : 0;
  }
  DWORD present = (dataSize - headerSize) / sizeof(RGBQUAD);
  if (colours > kMaxPaletteColours) colours = kMaxPaletteColours;
  if (colours > present) colours = present;
  if (colours == 0) return nullptr;

  auto* palette =
      static_cast<LOGPALETTE*>(GlobalAlloc(GPTR, sizeof(LOGPALETTE) + (colours - 1) * sizeof(PALETTEENTRY)));
  if (!palette) return nullptr;
  palette->palVersion = kPaletteVersion;
  palette->palNumEntries = static_cast<WORD>(colours);
  const BYTE* table = reinterpret_cast<const BYTE*>(header) + headerSize;
  PALETTEENTRY* entries = palette->palPalEntry;
  for (DWORD k = 0; k < colours; ++k) {
    const BYTE* quad = table + k * sizeof(RGBQUAD);
    entries[k] = PALETTEENTRY{quad[2], quad[1], quad[0], 0};
  }
  HPALETTE result = CreatePalette(palette);
  GlobalFree(palette);
  return result;
}
