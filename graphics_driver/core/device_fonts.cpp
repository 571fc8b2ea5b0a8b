// Device fonts: the PDEV's two tables, built from the device model's type-11
// records, and the entry of one device font (see device_fonts.h). The
// metrics block comes from the model file: every part it locates is checked
// against the block, and a part that does not lie inside it is absent.
#include "graphics_driver/core/device_fonts.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "graphics_driver/core/driver_helpers.h"
#include "platform/gdi/display_dc.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_memory.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_records.h"

namespace {

// Offsets the metrics block stores count from its byte 6.
constexpr uint32_t kBlockOffsetBase = 6;
constexpr uint32_t kMetricsGroupBytes = 52;
// IFIMETRICS, FONTSIM and the three FONTDIFF.
constexpr uint32_t kIfiFixedBytes = sizeof(IFIMETRICS) + sizeof(FONTSIM) + 3 * sizeof(FONTDIFF);
static_assert(kIfiFixedBytes == 264);

uint32_t Align4(uint32_t n) { return (n + 3) & ~3u; }

bool IsDoubleByteCharset(BYTE charset) {
  return charset == 0x80 || charset == 0x81 || charset == 0x86 || charset == 0x88;
}

// Bounded little-endian reads of the block: past its end they read 0.
struct Block {
  const BYTE* data;
  uint32_t size;
  uint8_t U8(uint32_t at) const { return at < size ? data[at] : 0; }
  uint16_t U16(uint32_t at) const { return uint16_t(U8(at) | U8(at + 1) << 8); }
  int16_t I16(uint32_t at) const { return int16_t(U16(at)); }
  uint32_t U32(uint32_t at) const { return U16(at) | uint32_t(U16(at + 2)) << 16; }
  // Where a stored offset points, or false when `bytes` from there leave the block.
  bool Part(uint32_t field, uint32_t bytes, uint32_t* at) const {
    const uint64_t where = uint64_t(kBlockOffsetBase) + U32(field);
    if (where + bytes > size) return false;
    *at = uint32_t(where);
    return true;
  }
};

// The block's two names (face, family), each cut at the block's end.
struct BlockNames {
  std::string face, family;
};
BlockNames ReadBlockNames(const Block& b) {
  BlockNames names;
  uint32_t at = 0;
  if (!b.Part(45, 1, &at)) return names;
  auto take = [&](std::string* name) {
    while (at < b.size && b.data[at]) name->push_back(char(b.data[at++]));
    ++at;
  };
  take(&names.face);
  take(&names.family);
  return names;
}

// The metrics block's fields the entry uses.
struct BlockFields {
  uint16_t aspectY, aspectX;
  int16_t ascender, descenderLine, lineHeight;
  BYTE italic, underline, strikeOut;
  uint16_t weight;
  BYTE charSet, pitchAndFamily;
  int16_t averageWidth, maxWidth;
  BYTE first, last, breakIndex, defaultIndex;
};
BlockFields ReadBlockFields(const Block& b) {
  return BlockFields{b.U16(10), b.U16(12), b.I16(14), b.I16(16), b.I16(18), b.U8(20), b.U8(21), b.U8(22), b.U16(23),
                     b.U8(25),  b.U8(30),  b.I16(31), b.I16(33), b.U8(35),  b.U8(36), b.U8(37), b.U8(38)};
}

// The font id: the hexadecimal text read with base 16, 0 when it lies outside.
uint32_t ReadFontId(const Block& b) {
  uint32_t at = 0;
  if (!b.Part(79, 1, &at)) return 0;
  uint32_t value = 0;
  for (; at < b.size; ++at) {
    const char c = char(b.data[at]);
    const int digit = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
    if (digit < 0) break;
    value = value * 16 + uint32_t(digit);
  }
  return value;
}

WCHAR ToWide1252(BYTE b) {
  WCHAR wc = 0;
  const char c = char(b);
  return MultiByteToWideChar(1252, 0, &c, 1, &wc, 1) == 1 ? wc : 0;
}

uint32_t WideLength(const WCHAR* s) {
  uint32_t n = 0;
  while (s[n]) ++n;
  return n;
}

void SetFontDiff(FONTDIFF* d, const IFIMETRICS& m, bool bold, bool italic) {
  d->bWeight = m.panose.bWeight;
  d->usWinWeight = m.usWinWeight;
  d->fsSelection = m.fsSelection;
  d->fwdAveCharWidth = m.fwdAveCharWidth;
  d->fwdMaxCharInc = m.fwdMaxCharInc;
  d->ptlCaret = m.ptlCaret;
  if (bold) {
    d->bWeight = BYTE(d->bWeight + 1);
    d->usWinWeight = USHORT(d->usWinWeight + 300);
    d->fsSelection |= FM_SEL_BOLD;
    d->fwdAveCharWidth = FWORD(d->fwdAveCharWidth + 1);
    d->fwdMaxCharInc = FWORD(d->fwdMaxCharInc + 1);
  }
  if (italic) {
    d->fsSelection |= FM_SEL_ITALIC;
    d->ptlCaret = POINTL{1, 3};
  }
}

// The IFIMETRICS of a device font at `m`, its names and simulations after it.
void FillIfiMetrics(IFIMETRICS* m, const BlockFields& f, const BYTE* group, const uint16_t* widths, const WCHAR* face,
                    uint32_t faceLength, const WCHAR* family, uint32_t familyLength, uint32_t kerningCount) {
  auto groupValue = [&](uint32_t at) {
    int16_t v;
    std::memcpy(&v, group + at, 2);
    return v;
  };
  BYTE* base = reinterpret_cast<BYTE*>(m);
  const bool fixedPitch = (f.pitchAndFamily & 0x0F) == 0;
  const bool doubleByte = IsDoubleByteCharset(f.charSet);
  const BYTE familyKind = f.pitchAndFamily & 0xF0;

  m->dpwszFaceName = LONG(sizeof(IFIMETRICS));
  m->dpwszFamilyName = m->dpwszFaceName + LONG(Align4(2 * faceLength + 5));
  std::memcpy(base + m->dpwszFaceName, face, 2 * faceLength);
  std::memcpy(base + m->dpwszFamilyName, family, 2 * familyLength);
  // The style and unique names are empty: one zero character after the
  // family name's terminator, inside the family name's area.
  m->dpwszStyleName = m->dpwszFamilyName + LONG(2 * (familyLength + 1));
  m->dpwszUniqueName = m->dpwszStyleName;
  m->dpFontSim = m->dpwszFamilyName + LONG(Align4(2 * familyLength + 5));
  m->cjThis = ULONG(m->dpFontSim) + sizeof(FONTSIM) + 3 * sizeof(FONTDIFF);

  m->jWinCharSet = f.charSet;
  m->jWinPitchAndFamily = BYTE(familyKind | (fixedPitch ? 1 : 2));
  m->usWinWeight = f.weight == 0 || f.weight > 1000 ? 400 : f.weight;
  m->flInfo = FM_INFO_ARB_XFORMS | FM_INFO_NOT_CONTIGUOUS | FM_INFO_RIGHT_HANDED;
  if (fixedPitch && doubleByte) m->flInfo |= FM_INFO_OPTICALLY_FIXED_PITCH | FM_INFO_DBCS_FIXED_PITCH;
  else if (fixedPitch) m->flInfo |= FM_INFO_CONSTANT_WIDTH | FM_INFO_OPTICALLY_FIXED_PITCH;
  if (f.underline) m->fsSelection |= FM_SEL_UNDERSCORE;
  if (f.strikeOut) m->fsSelection |= FM_SEL_STRIKEOUT;
  m->fsType = FM_NO_EMBEDDING;
  m->fwdUnitsPerEm = 1000;
  m->fwdLowestPPEm = groupValue(8);

  const int32_t descender = int32_t(f.descenderLine) - f.ascender + 1000;
  const int32_t lineGap = std::max(0, int32_t(f.lineHeight) - f.descenderLine);
  m->fwdWinAscender = m->fwdMacAscender = m->fwdTypoAscender = f.ascender;
  m->fwdWinDescender = FWORD(descender);
  m->fwdMacDescender = m->fwdTypoDescender = FWORD(-descender);
  m->fwdMacLineGap = m->fwdTypoLineGap = FWORD(lineGap);

  int32_t average = f.averageWidth;
  if (average == 0 && f.last >= f.first) {
    const int32_t count = f.last - f.first + 1;
    int32_t sum = 0;
    for (int c = f.first; c <= f.last; ++c) sum += widths[c];
    average = (sum + count / 2) / count;
  }
  m->fwdAveCharWidth = FWORD(average);
  m->fwdMaxCharInc = std::max<FWORD>(f.maxWidth, m->fwdAveCharWidth);
  m->fwdCapHeight = groupValue(14);
  m->fwdXHeight = groupValue(16);
  m->fwdSubscriptYSize = groupValue(30);
  m->fwdSubscriptYOffset = groupValue(26);
  m->fwdSuperscriptYSize = groupValue(28);
  m->fwdSuperscriptYOffset = groupValue(24);
  m->fwdUnderscoreSize = groupValue(34);
  m->fwdUnderscorePosition = FWORD(-(groupValue(34) / 2));
  m->fwdStrikeoutSize = groupValue(46);
  const int16_t strikeReference = groupValue(18);
  m->fwdStrikeoutPosition = FWORD(strikeReference > 880 ? strikeReference / 4 : strikeReference / 2);

  m->chFirstChar = f.first;
  m->chLastChar = f.last;
  m->chBreakChar = BYTE(f.first + f.breakIndex);
  m->chDefaultChar = BYTE(f.first + f.defaultIndex);
  if (f.charSet == 0x80) {
    m->wcBreakChar = 0xFF65;
    m->wcDefaultChar = 0x0020;
    m->wcFirstChar = 0;
    m->wcLastChar = 0xFFE5;
  } else {
    m->wcBreakChar = ToWide1252(m->chBreakChar);
    m->wcDefaultChar = ToWide1252(m->chDefaultChar);
    WCHAR low = 0xFFFF, high = 0;
    for (int b = 0; b < 256; ++b) {
      const WCHAR wc = ToWide1252(BYTE(b));
      if (b != 0 && wc == 0) continue;  // a byte the code page lacks
      low = std::min(low, wc);
      high = std::max(high, wc);
    }
    m->wcFirstChar = low;
    m->wcLastChar = high;
  }
  m->ptlBaseline = POINTL{1, 0};
  m->ptlAspect = POINTL{f.aspectX, f.aspectY};
  m->lItalicAngle = groupValue(22);
  m->ptlCaret = m->lItalicAngle == 0 ? POINTL{0, 1} : POINTL{1, 2};
  m->rclFontBox = RECTL{0, m->fwdTypoAscender, m->fwdMaxCharInc, m->fwdTypoDescender};
  std::memcpy(m->achVendId, "Unkn", 4);
  m->cKerningPairs = kerningCount;

  PANOSE& p = m->panose;
  p.bWeight = BYTE(m->usWinWeight / 100 + 1);
  p.bProportion = fixedPitch ? 9 : 0;
  switch (familyKind) {
    case FF_DONTCARE:
    case FF_ROMAN: p.bFamilyType = 0, p.bSerifStyle = 0; break;
    case FF_SWISS: p.bFamilyType = 0, p.bSerifStyle = 11; break;
    case FF_MODERN: p.bProportion = 3, p.bFamilyType = 0, p.bSerifStyle = 0; break;
    case FF_SCRIPT: p.bFamilyType = 3; break;
    case FF_DECORATIVE: p.bFamilyType = 4; break;
    default: p.bFamilyType = 1, p.bSerifStyle = 1; break;
  }

  auto* sim = reinterpret_cast<FONTSIM*>(base + m->dpFontSim);
  sim->dpBold = sizeof(FONTSIM);
  sim->dpItalic = sizeof(FONTSIM) + sizeof(FONTDIFF);
  sim->dpBoldItalic = sizeof(FONTSIM) + 2 * sizeof(FONTDIFF);
  auto* diffs = reinterpret_cast<FONTDIFF*>(sim + 1);
  SetFontDiff(&diffs[0], *m, true, false);
  SetFontDiff(&diffs[1], *m, false, true);
  SetFontDiff(&diffs[2], *m, true, true);
}

// The record's data block copied into a global block, with its size.
BYTE* CopyRecordData(PdevState* pdev, DWORD number, uint32_t* size) {
  ModelRecord* record = nullptr;
  if (LoadModelRecordByIndex(true, pdev->primaryModelFile, pdev->secondaryModelFile, kRecordDeviceFont, number,
                             &record) != 0)
    return nullptr;
  const BYTE* data = GetFontRecordData(record);
  *size = GetFontRecordDataSize(record);
  BYTE* copy = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, std::max<uint32_t>(*size, 1)));
  if (copy && data) std::memcpy(copy, data, *size);
  if (copy && !data) *size = 0;
  ReleaseModelRecord(record);
  return copy;
}

}  // namespace

int AnsiToWideAcp(WCHAR* dst, uint32_t dstBytes, uint32_t* outBytes, const char* src, int srcLen) {
  const int n = MultiByteToWideChar(CP_ACP, 0, src, srcLen, dst, int(dstBytes / 2));
  if (outBytes) *outBytes = uint32_t(std::max(n, 0)) * 2;
  return std::max(n, 0) * 2;
}

void ConvertFontName(WCHAR* dst, const char* src, uint32_t n) {
  if (!dst || n == 0) return;
  dst[0] = 0;
  if (!src) return;
  // Converted whole, then cut: a short destination would fail the whole name.
  const int needed = MultiByteToWideChar(CP_ACP, 0, src, -1, nullptr, 0);
  if (needed <= 0) return;
  std::u16string wide(size_t(needed), u'\0');
  uint32_t bytes = 0;
  AnsiToWideAcp(wide.data(), uint32_t(needed) * 2, &bytes, src, -1);
  const uint32_t chars = std::min<uint32_t>(bytes / 2, n);
  std::memcpy(dst, wide.data(), chars * 2);
  dst[std::min(chars, n - 1)] = 0;
  dst[n - 1] = 0;
}

int IsNewDeviceFont(const WCHAR* trueTypeList, const BYTE* block, uint32_t blockSize, const WCHAR* recordName,
                    PreviousFontFamily* previousFamily) {
  const Block b{block, block ? blockSize : 0};
  std::string family = ReadBlockNames(b).family;
  if (family.size() > sizeof previousFamily->bytes) family.resize(sizeof previousFamily->bytes);
  if (previousFamily->known && previousFamily->length == family.size() &&
      std::memcmp(previousFamily->bytes, family.data(), family.size()) == 0)
    return 0;
  std::memcpy(previousFamily->bytes, family.data(), family.size());
  previousFamily->length = uint32_t(family.size());
  previousFamily->known = true;
  if (!trueTypeList || !recordName) return 1;
  for (const WCHAR* name = trueTypeList; *name; name += WideLength(name) + 1)
    if (std::u16string_view(name) == std::u16string_view(recordName)) return 0;
  return 1;
}

namespace {

struct FaceListState {
  std::vector<std::u16string> names;
  HDC hdc;
  bool failed;
};

int CALLBACK AddTrueTypeFace(const LOGFONTW* logFont, const TEXTMETRICW*, DWORD fontType, LPARAM lParam) {
  auto* state = reinterpret_cast<FaceListState*>(lParam);
  if (!(fontType & TRUETYPE_FONTTYPE)) return 1;
  const auto* full = reinterpret_cast<const ENUMLOGFONTW*>(logFont);
  std::u16string name(full->elfFullName, WideLength(full->elfFullName));
  if (std::find(state->names.begin(), state->names.end(), name) != state->names.end()) return 1;
  try {
    state->names.push_back(std::move(name));
  } catch (...) {
    state->failed = true;
    return 0;
  }
  return 1;
}

int CALLBACK EnumTrueTypeFamily(const LOGFONTW* logFont, const TEXTMETRICW*, DWORD fontType, LPARAM lParam) {
  auto* state = reinterpret_cast<FaceListState*>(lParam);
  if (fontType & TRUETYPE_FONTTYPE) EnumFontFamiliesW(state->hdc, logFont->lfFaceName, &AddTrueTypeFace, lParam);
  return state->failed ? 0 : 1;
}

}  // namespace

WCHAR* BuildTrueTypeFaceList() {
  HWND desktop = GetDesktopWindow();
  HDC hdc = GetDC(desktop);
  if (!hdc) return nullptr;
  FaceListState state{{}, hdc, false};
  EnumFontFamiliesW(hdc, nullptr, &EnumTrueTypeFamily, reinterpret_cast<LPARAM>(&state));
  ReleaseDC(desktop, hdc);
  size_t bytes = 2;
  for (const auto& n : state.names) bytes += 2 * (n.size() + 1);
  auto* list = static_cast<WCHAR*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, bytes));
  if (!list) return nullptr;
  WCHAR* at = list;
  for (const auto& n : state.names) {
    std::memcpy(at, n.data(), 2 * n.size());
    at += n.size() + 1;
  }
  return list;
}

DeviceFontEntry* BuildDeviceFontEntry(PdevState* pdev, const BYTE* block, uint32_t length) {
  if (!pdev || (!block && length)) return nullptr;
  const Block b{block, length};
  const BlockFields f = ReadBlockFields(b);
  const BlockNames names = ReadBlockNames(b);
  WCHAR face[kDeviceFontNameChars + 1], family[kDeviceFontNameChars + 1];
  ConvertFontName(face, names.face.c_str(), kDeviceFontNameChars + 1);
  ConvertFontName(family, names.family.c_str(), kDeviceFontNameChars + 1);
  const uint32_t faceLength = WideLength(face), familyLength = WideLength(family);

  // The kerning table: its count cut to the entries the block holds.
  uint32_t kerningAt = 0, kerningCount = 0;
  if (b.U32(71) != 0 && b.Part(71, 2, &kerningAt)) {
    kerningCount = std::min<uint32_t>(b.U16(kerningAt), (length - kerningAt - 2) / 4);
    kerningAt += 2;
  }

  // 1. Layout.
  const uint32_t ifiBytes = kIfiFixedBytes + Align4(2 * faceLength + 5) + Align4(2 * familyLength + 5);
  const uint32_t kerningBytes = kerningCount * sizeof(FD_KERNINGPAIR) + sizeof(FD_KERNINGPAIR);
  const uint64_t total = uint64_t(kDeviceFontIfiOffset) + ifiBytes + kerningBytes + length;
  if (total > 0x7FFFFFFF) return nullptr;
  auto* entry = static_cast<DeviceFontEntry*>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, SIZE_T(total)));
  if (!entry) return nullptr;
  BYTE* base = reinterpret_cast<BYTE*>(entry);

  // 2. Header, font id and the metrics group.
  entry->version = kDeviceFontEntryVersion;
  entry->totalSize = uint32_t(total);
  entry->ifiOffset = kDeviceFontIfiOffset;
  entry->kerningCount = kerningCount;
  entry->kerningOffset = kerningCount ? kDeviceFontIfiOffset + ifiBytes : 0;
  entry->rawLength = length;
  entry->rawOffset = kDeviceFontIfiOffset + ifiBytes + kerningBytes;
  entry->fontId = ReadFontId(b);
  uint32_t groupAt = 0;
  if (b.Part(59, kMetricsGroupBytes, &groupAt)) std::memcpy(entry->metricsGroup, block + groupAt, kMetricsGroupBytes);

  // 3. Character widths.
  uint32_t tableAt = 0;
  const uint32_t tableCount = f.last >= f.first ? uint32_t(f.last - f.first + 1) : 0;
  if (b.U32(63) != 0 && b.Part(63, 2 * tableCount, &tableAt)) {
    auto width = [&](uint32_t index) -> uint16_t {
      if (index >= tableCount) return 0;
      const uint16_t w = b.U16(tableAt + 2 * index);
      return w & 0x8000 ? 0 : w;
    };
    std::fill(entry->widths, entry->widths + 256, width(f.breakIndex));
    for (uint32_t i = 0; i < tableCount; ++i) entry->widths[f.first + i] = width(i);
  } else {
    const uint16_t w = uint16_t(IsDoubleByteCharset(f.charSet) ? f.maxWidth / 2 : f.maxWidth);
    std::fill(entry->widths, entry->widths + 256, w);
  }

  // 4. The IFIMETRICS.
  FillIfiMetrics(DeviceFontMetrics(entry), f, entry->metricsGroup, entry->widths, face, faceLength, family,
                 familyLength, kerningCount);

  // 5. Kerning pairs through the character set's code page; a zero pair ends them.
  if (kerningCount) {
    DWORD charset = f.charSet == 1 || f.charSet == 2 ? 0 : f.charSet;
    CHARSETINFO info{};
    const UINT codePage =
        TranslateCharsetInfo(reinterpret_cast<DWORD*>(uintptr_t(charset)), &info, TCI_SRCCHARSET) ? info.ciACP : CP_ACP;
    auto* pairs = reinterpret_cast<FD_KERNINGPAIR*>(base + entry->kerningOffset);
    for (uint32_t i = 0; i < kerningCount; ++i) {
      const uint32_t at = kerningAt + 4 * i;
      for (int k = 0; k < 2; ++k) {
        const char c = char(b.U8(at + k));
        WCHAR wc = 0;
        if (MultiByteToWideChar(codePage, 0, &c, 1, &wc, 1) != 1) wc = 0;
        (k == 0 ? pairs[i].wcFirst : pairs[i].wcSecond) = wc;
      }
      pairs[i].fwdKern = b.I16(at + 2);
    }
  }

  // 6. The raw copy and its parsed width record.
  if (length) std::memcpy(base + entry->rawOffset, block, length);
  entry->hasWidthRecord =
      length > kBlockOffsetBase && ParseDeviceFontBlock(base + entry->rawOffset + kBlockOffsetBase, &entry->widthRecord,
                                                        length - kBlockOffsetBase) != -1
          ? 1
          : 0;

  // 7. The parts must fill the entry exactly.
  if (uint64_t(entry->rawOffset) + entry->rawLength != entry->totalSize ||
      DeviceFontMetrics(entry)->cjThis != ifiBytes) {
    HeapFree(pdev->heap, 0, entry);
    return nullptr;
  }
  return entry;
}

DeviceFontFace* BuildDeviceFontFace(PdevState* pdev, const BYTE* block, uint32_t length) {
  if (!pdev || (!block && length)) return nullptr;
  const Block b{block, length};
  constexpr size_t kNameBytes = 2 * (kDeviceFontNameChars + 1);
  auto* face =
      static_cast<DeviceFontFace*>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, sizeof(DeviceFontFace) + kNameBytes));
  if (!face) return nullptr;
  face->faceName = reinterpret_cast<WCHAR*>(face + 1);
  ConvertFontName(face->faceName, ReadBlockNames(b).face.c_str(), kDeviceFontNameChars + 1);
  face->pitchAndFamily = b.U8(30);
  face->charSet = b.U8(25);
  face->weight = b.U16(23);
  face->italic = b.U8(20);
  return face;
}

void FreeDeviceFontTables(PdevState* pdev) {
  if (pdev->deviceFonts) {
    for (uint32_t i = 0; i < pdev->deviceFontCount; ++i)
      if (pdev->deviceFonts[i]) HeapFree(pdev->heap, 0, pdev->deviceFonts[i]);
    HeapFree(pdev->heap, 0, pdev->deviceFonts);
  }
  if (pdev->fontFaces) {
    for (uint32_t i = 0; i < pdev->fontFaceCount; ++i)
      if (pdev->fontFaces[i]) HeapFree(pdev->heap, 0, pdev->fontFaces[i]);
    HeapFree(pdev->heap, 0, pdev->fontFaces);
  }
  if (pdev->fontFaceIds) HeapFree(pdev->heap, 0, pdev->fontFaceIds);
  pdev->deviceFonts = nullptr;
  pdev->fontFaces = nullptr;
  pdev->fontFaceIds = nullptr;
  pdev->deviceFontCount = pdev->fontFaceCount = 0;
}

int BuildDeviceFontTables(PdevState* pdev) {
  // 1. Count the font records.
  pdev->deviceFontCount = 0;
  uint32_t count = 0;
  for (;;) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByIndex(false, pdev->primaryModelFile, pdev->secondaryModelFile, kRecordDeviceFont, count + 1,
                               &record) != 0)
      break;
    ReleaseModelRecord(record);
    ++count;
  }
  if (count == 0) return 0;

  // 2. The device-font numbers and the face numbers.
  auto* fontNumbers = static_cast<int32_t*>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, (count + 1) * sizeof(int32_t)));
  pdev->fontFaceIds = static_cast<int32_t*>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, (count + 1) * sizeof(int32_t)));
  if (!fontNumbers || !pdev->fontFaceIds) {
    if (fontNumbers) HeapFree(pdev->heap, 0, fontNumbers);
    FreeDeviceFontTables(pdev);
    return 0;
  }

  // 3, 4. Which records start a device font.
  WCHAR* trueTypeList = BuildTrueTypeFaceList();
  PreviousFontFamily previous{};
  uint32_t fonts = 0, faces = 0;
  for (uint32_t n = 1; n <= count; ++n) {
    ModelRecord* record = nullptr;
    if (LoadModelRecordByIndex(true, pdev->primaryModelFile, pdev->secondaryModelFile, kRecordDeviceFont, n, &record) !=
        0)
      break;
    pdev->fontFaceIds[faces++] = int32_t(n);
    if (IsNewDeviceFont(trueTypeList, GetFontRecordData(record), GetFontRecordDataSize(record),
                        GetModelRecordText(record), &previous))
      fontNumbers[fonts++] = int32_t(n);
    ReleaseModelRecord(record);
  }
  if (trueTypeList) GlobalFree(trueTypeList);

  // 5. The tables.
  bool ok = true;
  if (fonts) {
    pdev->deviceFonts =
        static_cast<DeviceFontEntry**>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, fonts * sizeof(DeviceFontEntry*)));
    ok = pdev->deviceFonts != nullptr;
  }
  pdev->fontFaces =
      static_cast<DeviceFontFace**>(HeapAlloc(pdev->heap, HEAP_ZERO_MEMORY, faces * sizeof(DeviceFontFace*)));
  ok = ok && pdev->fontFaces != nullptr;

  // 6. One entry per device font, one face per record.
  for (uint32_t i = 0; ok && i < fonts; ++i) {
    uint32_t size = 0;
    BYTE* copy = CopyRecordData(pdev, DWORD(fontNumbers[i]), &size);
    pdev->deviceFonts[i] = copy ? BuildDeviceFontEntry(pdev, copy, size) : nullptr;
    if (copy) GlobalFree(copy);
    ok = pdev->deviceFonts[i] != nullptr;
    pdev->deviceFontCount = i + 1;
  }
  for (uint32_t i = 0; ok && i < faces; ++i) {
    uint32_t size = 0;
    BYTE* copy = CopyRecordData(pdev, DWORD(pdev->fontFaceIds[i]), &size);
    pdev->fontFaces[i] = copy ? BuildDeviceFontFace(pdev, copy, size) : nullptr;
    if (copy) GlobalFree(copy);
    ok = pdev->fontFaces[i] != nullptr;
    pdev->fontFaceCount = i + 1;
  }
  HeapFree(pdev->heap, 0, fontNumbers);
  if (!ok) {
    FreeDeviceFontTables(pdev);
    return 0;
  }
  pdev->deviceFontCount = fonts;
  pdev->fontFaceCount = faces;
  return 1;
}
