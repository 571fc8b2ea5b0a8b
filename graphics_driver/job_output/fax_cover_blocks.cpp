// Fax cover page blocks (see fax_cover_blocks.h).
#include "graphics_driver/job_output/fax_cover_blocks.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/paper_selection.h"
#include "graphics_driver/job_output/device_font_metrics.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_text.h"
#include "settings/model/model_records.h"
#include "settings/services/code_pages.h"
#include "settings/services/module_state.h"
#include "settings/store/settings_blob.h"

namespace {

constexpr uint16_t kEndKind = 11;
constexpr WORD kFaxPaperKey = 9;
constexpr WORD kRecordDeviceFontType = 11;
constexpr uint32_t kFontBlockOffset = 6;
constexpr int kTextChars = 300;

// Layout tables, variant a then variant b: title, addressee, form, sender.
constexpr FaxLayoutRow kEnd{kEndKind, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr FaxLayoutRow kTitleA[] = {
    {1, 1774, 1, 1, 0, 100, 1750, 518, 0, 1, 0}, {0, 0, 1, 1, 0, 100, 1397, 518, 0, 1, 0}, kEnd};
constexpr FaxLayoutRow kTitleB[] = {
    {1, 1775, 1, 1, 0, 100, 1750, 518, 0, 1, 0}, {0, 0, 1, 1, 0, 100, 1715, 518, 0, 1, 0}, kEnd};
constexpr FaxLayoutRow kAddresseeA[] = {
    {1, 1776, 1, 0, 0, 110, 350, 680, 0, 1, 0}, {2, 0, 1, 0, 0, 145, 680, 669, 40, 1, 0},
    {3, 0, 1, 0, 0, 120, 1708, 676, 0, 1, 0},   {4, 0, 1, 0, 0, 90, 680, 762, 40, 2, 40},
    {5, 0, 1, 1, 0, 90, 1750, 762, 0, 1, 0},    {7, 1778, 1, 0, 0, 90, 350, 870, 0, 1, 0},
    {8, 0, 1, 0, 0, 120, 680, 864, 100, 1, 0},  kEnd};
constexpr FaxLayoutRow kAddresseeB[] = {
    {1, 1777, 1, 0, 0, 110, 350, 680, 0, 1, 0}, {2, 0, 1, 0, 0, 145, 680, 669, 40, 1, 0},
    {4, 0, 1, 0, 0, 90, 680, 762, 40, 2, 40},   {7, 1779, 1, 0, 0, 90, 350, 870, 0, 1, 0},
    {8, 0, 1, 0, 0, 120, 680, 864, 100, 1, 0},  kEnd};
constexpr FaxLayoutRow kFormA[] = {
    {1, 1780, 1, 0, 0, 110, 350, 1021, 0, 1, 0}, {2, 0, 1, 0, 0, 145, 680, 1010, 40, 1, 0},
    {4, 0, 1, 0, 0, 90, 680, 1101, 40, 5, 40},   {1, 1782, 1, 0, 0, 90, 350, 1335, 0, 1, 0},
    {6, 0, 1, 0, 0, 140, 680, 1323, 30, 1, 0},   {1, 1784, 1, 0, 0, 90, 350, 1418, 0, 1, 0},
    {8, 0, 1, 0, 0, 140, 680, 1406, 30, 1, 0},   kEnd};
constexpr FaxLayoutRow kFormB[] = {
    {1, 1781, 1, 0, 0, 110, 350, 1021, 0, 1, 0}, {2, 0, 1, 0, 0, 145, 680, 1010, 40, 1, 0},
    {4, 0, 1, 0, 0, 90, 680, 1101, 40, 5, 40},   {1, 1783, 1, 0, 0, 90, 350, 1335, 0, 1, 0},
    {6, 0, 1, 0, 0, 140, 680, 1323, 30, 1, 0},   {1, 1785, 1, 0, 0, 90, 350, 1418, 0, 1, 0},
    {8, 0, 1, 0, 0, 140, 680, 1406, 30, 1, 0},   kEnd};
constexpr FaxLayoutRow kSenderA[] = {{1, 1786, 1, 0, 0, 100, 350, 1650, 0, 1, 0},
                                     {9, 0, 1, 0, 0, 130, 680, 1640, 40, 1, 0},
                                     {1, 1788, 1, 0, 0, 90, 350, 1744, 0, 1, 0},
                                     {10, 0, 1, 0, 0, 110, 680, 1744, 40, 16, 49},
                                     kEnd};
constexpr FaxLayoutRow kSenderB[] = {{1, 1787, 1, 0, 0, 100, 350, 1650, 0, 1, 0},
                                     {9, 0, 1, 0, 0, 130, 680, 1640, 40, 1, 0},
                                     {1, 1789, 1, 0, 0, 90, 350, 1744, 0, 1, 0},
                                     {10, 0, 1, 0, 0, 110, 680, 1744, 40, 16, 49},
                                     kEnd};
constexpr const FaxLayoutRow* kTables[2][4] = {{kTitleA, kAddresseeA, kFormA, kSenderA},
                                               {kTitleB, kAddresseeB, kFormB, kSenderB}};

uint16_t LoadLe16(const BYTE* p) { return uint16_t(p[0] | p[1] << 8); }

// A wide text of a fixed field: at most the field's characters, always
// terminated in `out` (outChars > 0).
void CopyFieldText(WCHAR* out, size_t outChars, const BYTE* field, size_t fieldBytes) {
  size_t n = 0;
  for (; n + 1 < outChars && 2 * n + 1 < fieldBytes; ++n) {
    const WCHAR c = WCHAR(LoadLe16(field + 2 * n));
    if (!c) break;
    out[n] = c;
  }
  out[n] = 0;
}

void CopySettingText(const PdevState* pdev, SettingId id, WCHAR* out, size_t outChars) {
  const auto* text = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, id));
  CopyWideBounded(out, text ? text : u"", outChars);
}

size_t Length(const WCHAR* t) {
  size_t n = 0;
  while (t[n]) ++n;
  return n;
}

// Appends src to the text in out, cut to outChars - 1 characters.
void Append(WCHAR* out, size_t outChars, const WCHAR* src) {
  size_t n = Length(out);
  for (; *src && n + 1 < outChars; ++src) out[n++] = *src;
  out[n] = 0;
}

// Fields of the entry.
constexpr uint32_t kEntryNumberAt = 2, kEntryPrefixAt = 260, kEntryAddresseeAt = 262, kEntrySecondAt = 344;

int OemLength(const WCHAR* text) {
  char* oem = nullptr;
  int length = 0;
  if (!WideToOemAlloc(text, &oem, &length)) return -1;
  GlobalFree(oem);
  return length;
}

// Big-endian writer bounded by the block's size; a write past it spoils it.
struct BlockWriter {
  BYTE* out;
  uint32_t size;
  uint32_t at = 0;
  bool over = false;
  void Bytes(const void* p, uint32_t n) {
    if (over || uint64_t(at) + n > size) {
      over = true;
      return;
    }
    if (out) std::memcpy(out + at, p, n);
    at += n;
  }
  void Text(const char* t) { Bytes(t, uint32_t(std::strlen(t))); }
  void U8(uint8_t v) { Bytes(&v, 1); }
  void U16(uint16_t v) {
    const BYTE b[2] = {BYTE(v >> 8), BYTE(v)};
    Bytes(b, 2);
  }
  void U32(uint32_t v) {
    const BYTE b[4] = {BYTE(v >> 24), BYTE(v >> 16), BYTE(v >> 8), BYTE(v)};
    Bytes(b, 4);
  }
  void F32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    U32(v);
  }
};

// A device font of the model, with its parsed metrics.
struct FaxFont {
  ModelRecord* record = nullptr;
  DeviceFontRecord metrics{};
  WORD key = 0;
  ~FaxFont() {
    if (record) ReleaseModelRecord(record);
  }
};

// Selector 2 is the model's second font, any other the first.
bool LoadFaxFont(PdevState* pdev, uint16_t selector, FaxFont* font) {
  font->key = selector == 2 ? 2 : 1;
  if (LoadModelRecordByKey(true, pdev->primaryModelFile, pdev->secondaryModelFile, kRecordDeviceFontType, font->key, 0,
                           &font->record) != 0)
    return false;
  const auto* r = static_cast<const DeviceFontModelRecord*>(font->record);
  if (!r->fontData || r->fontDataSize <= kFontBlockOffset) return false;
  return ParseDeviceFontBlock(r->fontData + kFontBlockOffset, &font->metrics, r->fontDataSize - kFontBlockOffset) == 0;
}

int Dpi(const PdevState* pdev, SettingId id) {
  LONG dpi = GetPdevSettingLong(pdev, id);
  if (dpi <= 0 && id == 21) dpi = GetPdevSettingLong(pdev, 20);
  return dpi > 0 ? int(dpi) : 600;
}

// The text in the ANSI code page as a new string; false when it cannot be
// converted.
bool ToAnsi(const WCHAR* text, std::string* out) {
  const int need = ConvertWideToMultiByte(CP_ACP, text, nullptr, 0);
  if (need <= 0) return false;
  out->assign(size_t(need), '\0');
  const int written = ConvertWideToMultiByte(CP_ACP, text, out->data(), need);
  if (written < 0) return false;
  out->resize(size_t(written));
  return true;
}

}  // namespace

const FaxLayoutRow* GetFaxLayoutTable(int variantB, int table) {
  if (table < 0 || table > 3) return nullptr;
  return kTables[variantB ? 1 : 0][table];
}

uint32_t GetFaxBlockEntryCount(const void* faxBlock) {
  return faxBlock ? LoadLe16(static_cast<const BYTE*>(faxBlock) + 16) : 0;
}

int CopyFaxEntry(const void* faxBlock, uint32_t n, BYTE* entry) {
  if (!faxBlock || !entry || n >= GetFaxBlockEntryCount(faxBlock)) return 0;
  const auto* block = static_cast<const BYTE*>(faxBlock);
  std::memset(entry, 0, kFaxEntryBytes);
  std::memcpy(entry, block + kFaxBlockHeadSize + kFaxBlockEntrySize * n, kFaxBlockEntrySize);
  // The two head texts, each kept inside its own field of the head.
  CopyFieldText(reinterpret_cast<WCHAR*>(entry + kFaxEntrySenderAt), (kFaxEntrySenderInfoAt - kFaxEntrySenderAt) / 2,
                block + 18, 100 - 18);
  CopyFieldText(reinterpret_cast<WCHAR*>(entry + kFaxEntrySenderInfoAt), (kFaxEntryBytes - kFaxEntrySenderInfoAt) / 2,
                block + 100, kFaxBlockHeadSize - 100);
  return 1;
}

int CopyPdevFaxEntry(PdevState* pdev, uint32_t n, BYTE* entry) {
  if (!pdev) return -1;
  return CopyFaxEntry(pdev->faxState.faxDataLink, n, entry) == 1 ? 0 : -1;
}

void ClearPdevFaxBlock(PdevState* pdev) {
  if (pdev) pdev->faxState.faxDataLink = nullptr;
}

void FreePdevFaxBlock(PdevState* pdev) {
  if (!pdev || !pdev->faxState.faxDataLink) return;
  GlobalFree(pdev->faxState.faxDataLink);
  pdev->faxState.faxDataLink = nullptr;
}

void ReadFaxCoverOptions(const PdevState* pdev, FaxCoverOptions* o) {
  *o = FaxCoverOptions{};
  o->variantB = uint16_t(GetPdevSettingLong(pdev, 524));
  CopySettingText(pdev, 525, o->title, 6);
  if (GetFaxBlockEntryCount(pdev->faxState.faxDataLink) >= 2) o->oneAddressee = uint16_t(GetPdevSettingLong(pdev, 379));
  CopySettingText(pdev, 526, o->addressee, 30);
  o->addresseeLabel = uint16_t(GetPdevSettingLong(pdev, 527));
  o->formLabel = uint16_t(GetPdevSettingLong(pdev, 528));
  o->numberPrefix = uint16_t(GetPdevSettingLong(pdev, 529));
  CopySettingText(pdev, 540, o->form540, 42);
  CopySettingText(pdev, 541, o->form541, 210);
  CopySettingText(pdev, 542, o->form542, 32);
  CopySettingText(pdev, 543, o->form543, 32);
}

void ReadFaxPrefixes(const PdevState* pdev, FaxPrefixes* p) {
  *p = FaxPrefixes{};
  p->value783 = uint8_t(GetPdevSettingLong(pdev, 783));
  CopySettingText(pdev, 1045, p->prefix2, 7);
  p->value1046 = uint16_t(GetPdevSettingLong(pdev, 1046));
  CopySettingText(pdev, 1047, p->prefix1, 7);
  p->value1048 = uint16_t(GetPdevSettingLong(pdev, 1048));
  p->value1049 = uint16_t(GetPdevSettingLong(pdev, 1049));
}

void GetFaxRowText(int table, const FaxLayoutRow& row, const BYTE* entry, const FaxCoverOptions& o,
                   const FaxPrefixes& p, WCHAR* out, size_t outChars) {
  out[0] = 0;
  const bool one = o.oneAddressee == 1;
  const bool entryKind1 = entry && LoadLe16(entry) == 1;
  auto field = [&](uint32_t at, uint32_t bytes) {
    if (entry) CopyFieldText(out, outChars, entry + at, bytes);
  };
  auto string = [&](UINT id) {
    WCHAR text[51] = {};
    HMODULE module = GetResourceModule();
    if (module) LoadStringW(module, id, text, 51);
    CopyWideBounded(out, text, outChars);
  };
  if (row.kind == 1) return string(row.stringId);
  switch (table) {
    case 0:
      if (row.kind == 0) CopyWideBounded(out, o.title, outChars);
      return;
    case 1:
      switch (row.kind) {
        case 2:
          if (one) CopyWideBounded(out, o.addressee, outChars);
          else field(kEntryAddresseeAt, kEntrySecondAt - kEntryAddresseeAt);
          return;
        case 3:
          if (!one && (o.addresseeLabel == 1 || o.addresseeLabel == 2)) string(o.addresseeLabel == 1 ? 1770 : 1771);
          return;
        case 4:
          if (!one) field(kEntrySecondAt, kFaxBlockEntrySize - kEntrySecondAt);
          return;
        case 5:
          if (!one && (o.formLabel == 1 || o.formLabel == 2)) string(o.formLabel == 1 ? 1772 : 1773);
          return;
        case 7:
          if (!one && !entryKind1) string(row.stringId);
          return;
        case 8: {
          if (one || entryKind1 || !entry) return;
          if (o.numberPrefix == 1) {
            const int16_t selector = int16_t(LoadLe16(entry + kEntryPrefixAt));
            if (selector == 2) CopyWideBounded(out, p.prefix2, outChars);
            else if (selector == 1) CopyWideBounded(out, p.prefix1, outChars);
          }
          WCHAR number[130];
          CopyFieldText(number, 130, entry + kEntryNumberAt, kEntryPrefixAt - kEntryNumberAt);
          Append(out, outChars, number);
          return;
        }
        default: return;
      }
    case 2:
      if (row.kind == 2) CopyWideBounded(out, o.form540, outChars);
      else if (row.kind == 4) CopyWideBounded(out, o.form541, outChars);
      else if (row.kind == 6) CopyWideBounded(out, o.form542, outChars);
      else if (row.kind == 8) CopyWideBounded(out, o.form543, outChars);
      return;
    case 3:
      if (row.kind == 9) field(kFaxEntrySenderAt, kFaxEntrySenderInfoAt - kFaxEntrySenderAt);
      else if (row.kind == 10) field(kFaxEntrySenderInfoAt, kFaxEntryBytes - kFaxEntrySenderInfoAt);
      return;
    default: return;
  }
}

int SplitFaxText(const WCHAR* text, int maxBytes, int maxLines, WCHAR** lines, int* count) {
  if (!text || !lines || !count) return 0;
  char* oem = nullptr;
  int length = 0;
  if (!WideToOemAlloc(text, &oem, &length)) return 0;
  const UINT codePage = GetOEMCP();
  int made = 0, start = 0, i = 0;
  bool ok = true;
  auto cut = [&](int end) {
    if (!AddOemLine(oem + start, end - start, lines, count)) ok = false;
    ++made;
  };
  while (i < length && made < maxLines && ok) {
    if (oem[i] == '\r' && i + 1 < length && oem[i + 1] == '\n') {
      cut(i);
      i += 2;
      start = i;
      continue;
    }
    const int width = IsDBCSLeadByteEx(codePage, BYTE(oem[i])) && i + 1 < length ? 2 : 1;
    // A character wider than the limit still goes out, alone on its line.
    if (i - start + width > maxBytes && i > start) {
      cut(i);
      start = i;
      continue;
    }
    i += width;
  }
  if (ok && made < maxLines && start < length) cut(length);
  GlobalFree(oem);
  return ok ? 1 : 0;
}

int PlaceFaxTextLines(const FaxLayoutRow& row, const WCHAR* text, FaxTextEntry* entries, int* count) {
  if (!text || !entries || !count) return 0;
  if (!text[0]) return 1;
  const int wholeLength = OemLength(text);
  if (wholeLength < 0) return 0;
  WCHAR* lines[64] = {};
  int lineCount = 0;
  int ok = 1;
  if (row.maxLines < 2) {
    // One line: the whole text, cut to what an entry holds.
    auto* line = static_cast<WCHAR*>(GlobalAlloc(GPTR, (kFaxLineChars + 1) * sizeof(WCHAR)));
    if (!line) return 0;
    CopyWideBounded(line, text, kFaxLineChars + 1);
    lines[lineCount++] = line;
  } else {
    ok = SplitFaxText(text, row.maxBytes, std::min<int>(row.maxLines, 64), lines, &lineCount);
  }
  for (int n = 0; n < lineCount && ok; ++n) {
    if (*count >= kFaxTextEntryMax || !lines[n][0]) continue;
    const int oemLength = OemLength(lines[n]);
    if (oemLength < 0) {
      ok = 0;
      break;
    }
    const double size = row.size;
    int32_t x = row.x;
    if (row.centre == 1) x -= int32_t(size / 10 * 25.4 / 72 * (oemLength * 0.5) * 10);
    int32_t y = int32_t(row.y) + int32_t(row.pitch) * n;
    if (row.baseline == 2) y -= int32_t(size / 10 * 25.4 / 72 * 860 / 1000 * 10);
    uint16_t entrySize = row.size;
    if (row.kind == 8 && wholeLength >= 52) entrySize = uint16_t(107.0 / wholeLength * 2 / 0.35277777777777775 * 10);
    FaxTextEntry& e = entries[(*count)++];
    e = FaxTextEntry{};
    e.x = int16_t(x);
    e.y = int16_t(y);
    e.size = entrySize;
    e.font = row.font;
    CopyWideBounded(e.text, lines[n], kFaxLineChars + 1);
  }
  for (int n = 0; n < lineCount; ++n) GlobalFree(lines[n]);
  return ok;
}

int ComposeFaxTextLines(const BYTE* entry, const FaxCoverOptions& options, const FaxPrefixes& prefixes,
                        FaxTextEntry** linesOut, int* countOut) {
  if (!linesOut || !countOut) return 0;
  *linesOut = nullptr;
  *countOut = 0;
  auto* list = static_cast<FaxTextEntry*>(GlobalAlloc(GPTR, kFaxTextEntryMax * sizeof(FaxTextEntry)));
  if (!list) return 0;
  int count = 0;
  WCHAR text[kTextChars];
  for (int table = 0; table < 4; ++table) {
    for (const FaxLayoutRow* row = GetFaxLayoutTable(options.variantB, table); row->kind != kEndKind; ++row) {
      GetFaxRowText(table, *row, entry, options, prefixes, text, kTextChars);
      if (!PlaceFaxTextLines(*row, text, list, &count)) {
        GlobalFree(list);
        return 0;
      }
    }
  }
  *linesOut = list;
  *countOut = count;
  return 1;
}

int ComputeFaxTextEntriesSize(const FaxTextEntry* entries, int count) {
  if (count && !entries) return -1;
  int64_t size = 19;
  int font = -1, textSize = 0;
  for (int i = 0; i < count; ++i) {
    std::string ansi;
    if (!ToAnsi(entries[i].text, &ansi)) return -1;
    if (entries[i].font != font) size += 4;
    if (entries[i].size != textSize) size += 26;
    font = entries[i].font;
    textSize = entries[i].size;
    size += 15 + 5 * int64_t(ansi.size());
  }
  return size <= INT32_MAX ? int(size) : -1;
}

int ComputeFaxTextBlockSize(const BYTE* entry, const FaxCoverOptions& options, const FaxPrefixes& prefixes) {
  FaxTextEntry* list = nullptr;
  int count = 0;
  if (!ComposeFaxTextLines(entry, options, prefixes, &list, &count)) return -1;
  const int size = ComputeFaxTextEntriesSize(list, count);
  GlobalFree(list);
  return size;
}

void MakeEmTransform(PdevState* pdev, int size, float m[6]) {
  m[0] = float(double(size) * Dpi(pdev, 20) / 720);
  m[1] = m[2] = 0;
  m[3] = float(double(size) * Dpi(pdev, 21) / -720);
  m[4] = m[5] = 0;
}

int MeasureFaxText(PdevState* pdev, const void* font, int size, const char* ansi, int length, float* advances) {
  if (!pdev || !font || (length && (!ansi || !advances))) return -1;
  auto* metrics = const_cast<DeviceFontRecord*>(static_cast<const DeviceFontRecord*>(font));
  const int dpi = Dpi(pdev, 20);
  for (int i = 0; i < length; ++i) {
    const int32_t width = GetDeviceFontCharWidth(metrics, BYTE(ansi[i]));
    if (width < 0) return -1;
    advances[i] = float(double(width) * size / 1000 * dpi / 72 / 10);
  }
  return length;
}

int WriteFaxTextEntries(PdevState* pdev, const FaxTextEntry* entries, int count, BYTE* out, uint32_t outSize) {
  if (!pdev || !out || (count && !entries)) return -1;
  BlockWriter w{out, outSize};
  w.Text("ARAK");
  w.U8(0x02);
  w.Text("AL");
  w.U8(0x01);
  w.U32(13);
  w.Text("AM");
  const BYTE am[5] = {0x02, 0x04, 0x00, 0x00, 0x00};
  w.Bytes(am, 5);
  const int xDpi = Dpi(pdev, 20), yDpi = Dpi(pdev, 21);
  int previousFont = -1, previousSize = 0;
  for (int i = 0; i < count && !w.over; ++i) {
    const FaxTextEntry& e = entries[i];
    FaxFont font;
    std::string ansi;
    if (!LoadFaxFont(pdev, e.font, &font) || !ToAnsi(e.text, &ansi) || ansi.size() > 0xFFFF) return -1;
    std::vector<float> advances(ansi.size());
    if (MeasureFaxText(pdev, &font.metrics, e.size, ansi.data(), int(ansi.size()), advances.data()) < 0) return -1;
    if (e.font != previousFont) {
      w.Text("DA");
      w.U16(uint16_t(font.key | 0x2));
    }
    if (e.size != previousSize) {
      float m[6];
      MakeEmTransform(pdev, e.size, m);
      w.Text("Db");
      for (float v : m) w.F32(v);
    }
    previousFont = e.font;
    previousSize = e.size;
    w.Text("Dd");
    w.F32(float(double(e.x) * xDpi / 254));
    w.F32(float(double(e.y) * yDpi / 254));
    w.U8(0x02);
    w.U16(uint16_t(ansi.size()));
    for (float a : advances) w.F32(a);
    w.U16(uint16_t(ansi.size()));
    w.Bytes(ansi.data(), uint32_t(ansi.size()));
  }
  return w.over ? -1 : int(w.at);
}

int WriteFaxTextBlock(const BYTE* entry, const FaxCoverOptions& options, const FaxPrefixes& prefixes, PdevState* pdev,
                      const FaxCoverFrame&, BYTE* out, uint32_t outSize) {
  if (!pdev || !out) return -1;
  FaxTextEntry* list = nullptr;
  int count = 0;
  if (!ComposeFaxTextLines(entry, options, prefixes, &list, &count)) return -1;
  const int written = WriteFaxTextEntries(pdev, list, count, out, outSize);
  GlobalFree(list);
  return written;
}

int ComputeNameBlockSize(PdevState* pdev) {
  if (!pdev) return -1;
  const auto* path = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 378));
  WCHAR whole[261], name[261];
  CopyWideBounded(whole, path ? path : u"", 261);
  _wsplitpath(whole, nullptr, nullptr, name, nullptr);
  std::string ansi;
  if (!ToAnsi(name, &ansi)) return -1;
  return int(ansi.size()) + 29;
}

int BuildNameBlock(PdevState* pdev, BYTE* out, uint32_t outSize) {
  if (!pdev || !out) return -1;
  const auto* path = static_cast<const WCHAR*>(GetPdevSettingPointer(pdev, 378));
  WCHAR whole[261], name[261];
  CopyWideBounded(whole, path ? path : u"", 261);
  _wsplitpath(whole, nullptr, nullptr, name, nullptr);
  std::string ansi;
  if (!ToAnsi(name, &ansi) || ansi.size() > 0xFFFF) return -1;
  BlockWriter w{out, outSize};
  w.Text("Eg");
  w.U16(uint16_t(ansi.size()));
  w.Bytes(ansi.data(), uint32_t(ansi.size()));
  for (float v : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) w.F32(v);
  w.U8(0);
  return w.over ? -1 : int(w.at);
}

HANDLE OpenCoverSheetFile(PdevState* pdev) {
  if (!pdev) return INVALID_HANDLE_VALUE;
  WCHAR* name = nullptr;
  if (ReadModelHeaderText(pdev->primaryModelFile, 28, 0, &name) != 0 || !name) return INVALID_HANDLE_VALUE;
  WCHAR* folder = GetDriverFolder(pdev->printer);
  HANDLE file = INVALID_HANDLE_VALUE;
  if (folder && name[0]) {
    std::u16string path = std::u16string(folder) + name;
    file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (folder) GlobalFree(folder);
  GlobalFree(name);
  return file;
}

int ReadCoverSheetPiece(HANDLE* file, uint32_t count, BYTE* out) {
  if (!file || *file == INVALID_HANDLE_VALUE || (count && !out)) return -1;
  uint32_t total = 0;
  while (total < count) {
    DWORD read = 0;
    const DWORD want = std::min<uint32_t>(512, count - total);
    if (!ReadFile(*file, out + total, want, &read, nullptr)) {
      CloseHandle(*file);
      *file = INVALID_HANDLE_VALUE;
      return -1;
    }
    if (read == 0) break;
    total += read;
  }
  if (total == 0) {
    CloseHandle(*file);
    *file = INVALID_HANDLE_VALUE;
  }
  return int(total);
}

int MakeCoverPageFrame(PdevState* pdev, FaxCoverFrame* frame) {
  if (!pdev || !frame) return -1;
  ModelRecord* record = nullptr;
  if (FindPaperRecordById(pdev->primaryModelFile, pdev->secondaryModelFile, kFaxPaperKey, &record) != 0 || !record)
    return -1;
  const auto* p = static_cast<const PaperRecord*>(record);
  frame->paperWidth = p->pair1[0].x;
  frame->paperHeight = p->pair1[0].y;
  frame->printableWidth = p->pair1[0].x - p->pair2[0].x - p->pair2[1].x;
  frame->printableHeight = p->pair1[0].y - p->pair2[0].y - p->pair2[1].y;
  frame->marginX = (frame->paperWidth - frame->printableWidth + 1) / 2;
  frame->marginY = (frame->paperHeight - frame->printableHeight + 1) / 2;
  ReleaseModelRecord(record);
  return 0;
}

int WriteFaxNameBlock(PdevState* pdev) {
  const int size = ComputeNameBlockSize(pdev);
  if (size < 0) return -1;
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, uint32_t(size)));
  if (!block) return -1;
  const int built = BuildNameBlock(pdev, block, uint32_t(size));
  const int r = built == size ? WriteBlockToJob(pdev, uint32_t(built), block) : -1;
  GlobalFree(block);
  return r;
}

int WriteCoverSheetFile(PdevState* pdev) {
  // A model without a cover-sheet file gives a cover without it.
  HANDLE file = OpenCoverSheetFile(pdev);
  if (file == INVALID_HANDLE_VALUE) return 0;
  auto* piece = static_cast<BYTE*>(GlobalAlloc(GPTR, kCoverSheetPieceBytes));
  int r = piece ? 0 : -1;
  while (r == 0 && file != INVALID_HANDLE_VALUE) {
    const int n = ReadCoverSheetPiece(&file, kCoverSheetPieceBytes, piece);
    if (n < 0) r = -1;
    else if (n > 0 && WriteBlockToJob(pdev, uint32_t(n), piece) != 0) r = -1;
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (piece) GlobalFree(piece);
  return r;
}

int WriteFaxInformationBlock(PdevState* pdev, const BYTE* entry) {
  FaxCoverOptions options;
  FaxPrefixes prefixes;
  FaxCoverFrame frame{};
  ReadFaxCoverOptions(pdev, &options);
  ReadFaxPrefixes(pdev, &prefixes);
  if (MakeCoverPageFrame(pdev, &frame) != 0) return -1;
  const int size = ComputeFaxTextBlockSize(entry, options, prefixes);
  if (size < 0) return -1;
  auto* block = static_cast<BYTE*>(GlobalAlloc(GPTR, uint32_t(size)));
  if (!block) return -1;
  const int written = WriteFaxTextBlock(entry, options, prefixes, pdev, frame, block, uint32_t(size));
  const int r = written == size ? WriteBlockToJob(pdev, uint32_t(written), block) : -1;
  GlobalFree(block);
  return r;
}
