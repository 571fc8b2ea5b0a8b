// Device fonts: the printer's resident fonts as the device model's type-11
// records describe them. At DrvEnablePDEV the PDEV gets the device fonts
// proper (a complete IFIMETRICS, 256 character widths, kerning pairs and the
// metrics block each, served through the font queries) and a face
// description of every font record, over which font substitution scores its
// candidates. A record named like an installed TrueType face is a face but
// not a device font.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "graphics_driver/job_output/device_font_metrics.h"
#include "platform/gdi/ddi_types.h"

// Where the IFIMETRICS of an entry starts: after the header, the parsed
// metrics, the widths and reserved space.
constexpr uint32_t kDeviceFontIfiOffset = 696;
constexpr uint32_t kDeviceFontEntryVersion = 0x10000;
// Names of a device font hold at most this many characters.
constexpr uint32_t kDeviceFontNameChars = 32;

// One device font, a private-heap block: this header, then at ifiOffset the
// IFIMETRICS with its names and font simulations, the kerning pairs ending in
// a zero pair, and the copy of the metrics block.
struct DeviceFontEntry {
  uint32_t version;
  uint32_t totalSize;
  uint32_t ifiOffset;
  uint32_t kerningCount;
  uint32_t kerningOffset;  // 0 without pairs
  uint32_t rawLength;
  uint32_t rawOffset;
  uint32_t fontId;
  BYTE metricsGroup[52];
  uint32_t hasWidthRecord;
  DeviceFontRecord widthRecord;  // over the raw copy from its byte 6
  uint16_t widths[256];
};
static_assert(sizeof(DeviceFontEntry) <= kDeviceFontIfiOffset);

// The face description of one font record.
struct DeviceFontFace {
  WCHAR* faceName;  // at most 32 characters
  BYTE pitchAndFamily;
  BYTE charSet;
  uint16_t weight;
  BYTE italic;
};

// The two tables of a PDEV: 1 when built; 0 leaves them empty.
int BuildDeviceFontTables(PdevState* pdev);
// Frees the tables from the private heap and clears them.
void FreeDeviceFontTables(PdevState* pdev);

// The previous family, kept between records to find where a new one starts.
struct PreviousFontFamily {
  char bytes[80];
  uint32_t length;
  bool known;
};
// 1 when the record starts a device font: its family differs from the
// previous one (which it becomes) and its face name is no installed
// TrueType face of the list (a multi-string, or null).
int IsNewDeviceFont(const WCHAR* trueTypeList, const BYTE* block, uint32_t blockSize, const WCHAR* recordName,
                    PreviousFontFamily* previousFamily);
// The full names of the installed TrueType faces as a multi-string
// (GlobalAlloc), or null.
WCHAR* BuildTrueTypeFaceList();
// The entry of one metrics block on the PDEV's heap, or null.
DeviceFontEntry* BuildDeviceFontEntry(PdevState* pdev, const BYTE* block, uint32_t length);
// The face of one metrics block on the PDEV's heap, or null.
DeviceFontFace* BuildDeviceFontFace(PdevState* pdev, const BYTE* block, uint32_t length);
inline IFIMETRICS* DeviceFontMetrics(DeviceFontEntry* entry) {
  return reinterpret_cast<IFIMETRICS*>(reinterpret_cast<BYTE*>(entry) + entry->ifiOffset);
}

// ANSI (the system code page) to UTF-16: the bytes written.
int AnsiToWideAcp(WCHAR* dst, uint32_t dstBytes, uint32_t* outBytes, const char* src, int srcLen);
// A zero-ended ANSI name into n wide characters, the last one 0.
void ConvertFontName(WCHAR* dst, const char* src, uint32_t n);

// The font queries' workers (the DDI entries check nothing more).
IFIMETRICS* QueryDeviceFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
PVOID QueryDeviceFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid);
LONG QueryDeviceFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv, ULONG cjSize);
BOOL QueryDeviceAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths, ULONG cGlyphs);
// The glyph set of device font iFace (1-based): the default one, or for
// character set 0x80 the resource glyph set; null when it cannot be had.
FD_GLYPHSET* GetFontGlyphSet(PdevState* pdev, ULONG iFace);
// A GlobalAlloc copy of a glyph-set resource with each run's handle pointer
// set (the handle arrays follow the run table), or null when the run table or
// a handle array would lie outside the resource.
FD_GLYPHSET* CopyGlyphSetResource(const BYTE* bytes, ULONG size);
