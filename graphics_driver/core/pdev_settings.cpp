// PDEV setting accessors (see pdev_settings.h).
#include "graphics_driver/core/pdev_settings.h"

#include <cstring>

#include "platform/win/win_codepage.h"
#include "settings/access/setting_access.h"

namespace {

// The raw value of a setting, zero-extended to 64 bits; 0 when it cannot be read.
uint64_t Raw(const PdevState* pdev, SettingId id) {
  uint64_t v = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetSettingValue(id, &pdev->devmode, pdev->printerSettings, &type, &size, &v) != kSettingOk) return 0;
  return v;
}

BYTE Byte(const PdevState* pdev, SettingId id) { return static_cast<BYTE>(Raw(pdev, id)); }
WORD Word(const PdevState* pdev, SettingId id) { return static_cast<WORD>(Raw(pdev, id)); }
int Flag(const PdevState* pdev, SettingId id) { return Raw(pdev, id) != 0 ? 1 : 0; }

// Copies a text setting into `out`: at most its field's characters, always
// terminated. Answers the characters copied, -1 when the text cannot be read.
int CopyText(const PdevState* pdev, SettingId id, WCHAR* out) {
  UINT maxSize = 0;
  const BYTE* text = nullptr;
  if (LookupSettingField(id, nullptr, nullptr, nullptr, &maxSize, &pdev->devmode, pdev->printerSettings, &text, nullptr,
                         nullptr) != kSettingOk ||
      !text || maxSize < sizeof(WCHAR))
    return -1;
  size_t capacity = maxSize / sizeof(WCHAR);
  size_t n = 0;
  for (; n + 1 < capacity; ++n) {
    WCHAR c;
    std::memcpy(&c, text + 2 * n, sizeof c);
    if (c == 0) break;
    out[n] = c;
  }
  out[n] = 0;
  return static_cast<int>(n);
}

LONG DotsOf(const PdevState* pdev, SettingId id) {
  int64_t resolution = static_cast<SHORT>(Word(pdev, 21));
  int64_t tenths = static_cast<SHORT>(Word(pdev, id));
  return static_cast<LONG>(resolution * tenths / 254);
}

}  // namespace

LONG GetPdevSettingLong(const PdevState* pdev, SettingId id) { return static_cast<LONG>(Raw(pdev, id)); }
SHORT GetPdevSettingShort(const PdevState* pdev, SettingId id) { return static_cast<SHORT>(Raw(pdev, id)); }
void* GetPdevSettingPointer(const PdevState* pdev, SettingId id) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(Raw(pdev, id)));
}

BYTE IsPjlOutput(const PdevState* pdev) { return Byte(pdev, 1032); }
BYTE GetOutputOption1042(const PdevState* pdev) { return Byte(pdev, 1042); }
BYTE GetSetting1057(const PdevState* pdev) { return Byte(pdev, 1057); }

int GetOutputResolutionDpi(const PdevState* pdev) {
  switch (Byte(pdev, 1043)) {
    case 0: return 0;
    case 1: return 400;
    default: return 600;
  }
}

int GetOwnerNameSource(const PdevState* pdev) {
  BYTE v = Byte(pdev, 1031);
  return v == 0 ? 0 : v == 1 ? 1 : 2;
}

int CopyOwnerName1(const PdevState* pdev, WCHAR* out) { return CopyText(pdev, 1025, out) >= 0 ? 1 : 0; }
int CopyOwnerName2(const PdevState* pdev, WCHAR* out) { return CopyText(pdev, 1054, out) >= 0 ? 1 : 0; }

int GetOutputFolderPath(const PdevState* pdev, WCHAR* out) {
  int n = CopyText(pdev, 1051, out);
  if (n < 0) return 0;
  if (n > 3) {
    out[n] = u'\\';
    out[n + 1] = 0;
  }
  return 1;
}

WORD UsesSettingsFileName(const PdevState* pdev) { return Word(pdev, 1037); }

int GetOutputFileBaseName(const PdevState* pdev, WCHAR* out) {
  if (UsesSettingsFileName(pdev) != 0) return CopyText(pdev, 1300, out) >= 0 ? 1 : 0;
  constexpr size_t kChars = sizeof pdev->jobArea.documentName / sizeof(WCHAR);
  size_t n = 0, lastDot = kChars;
  for (; n + 1 < kChars && pdev->jobArea.documentName[n] != 0; ++n) {
    out[n] = pdev->jobArea.documentName[n];
    if (out[n] == u'.') lastDot = n;
  }
  out[lastDot < n ? lastDot : n] = 0;
  return 1;
}

WORD GetExistingFileAction(const PdevState* pdev) { return Word(pdev, 1039); }
WORD IsSaveAsPjl(const PdevState* pdev) { return Word(pdev, 1040); }
WORD GetOutputPaperSize(const PdevState* pdev) { return Word(pdev, 262); }
int GetOutputPaperSeries(const PdevState* pdev) { return GetPaperCodeSeries(GetOutputPaperSize(pdev)); }

int GetNupMode(const PdevState* pdev) {
  WORD pages = Word(pdev, 295);
  if (pages < 2) return 0;
  if (pages == 2) return 1;
  return Word(pdev, 264) == 3 ? 2 : 3;
}

int GetImageRotateMode(const PdevState* pdev) {
  WORD v = Word(pdev, 437);
  return v == 0 ? 0 : v == 4 ? -1 : 1;
}

WORD GetScalePercent(const PdevState* pdev) { return Word(pdev, 263); }
int IsScalingOn(const PdevState* pdev) { return Flag(pdev, 449); }
int IsFlag470(const PdevState* pdev) { return Flag(pdev, 470); }
WORD GetSetting333(const PdevState* pdev) { return Word(pdev, 333); }
BYTE GetSetting332(const PdevState* pdev) { return Byte(pdev, 332); }
SHORT GetCopies(const PdevState* pdev) { return static_cast<SHORT>(Word(pdev, 12)); }
LONG GetSetting373(const PdevState* pdev) { return Flag(pdev, 453) ? 0 : GetPdevSettingLong(pdev, 373); }
int IsPreviewMode(const PdevState* pdev) { return Flag(pdev, 475); }
int IsSaveToFileMode(const PdevState* pdev) { return Flag(pdev, 471); }

int IsImageRotated(const PdevState* pdev) {
  WORD rotate = Word(pdev, 437);
  return IsPjlOutput(pdev) != 0 && rotate != 0 && rotate != 4 ? 1 : 0;
}

int IsTopUnderMarginOn(const PdevState* pdev) { return Flag(pdev, 477); }
int IsImageOffsetOn(const PdevState* pdev) { return Flag(pdev, 478); }

int IsSetting413TwoOrThree(const PdevState* pdev) {
  WORD v = Word(pdev, 413);
  return v == 2 || v == 3 ? 1 : 0;
}

int GetSetting413Code(const PdevState* pdev) {
  WORD v = Word(pdev, 413);
  return v == 1 || v == 3 ? 3 : 2;
}

int IsCollateOn(const PdevState* pdev) { return Word(pdev, 18) != 0 ? 1 : 0; }
int IsReverseOrder(const PdevState* pdev) { return Flag(pdev, 451); }

int GetPjlMediaSource(const PdevState* pdev) {
  switch (Word(pdev, 265)) {
    case 7: return 0;
    case 1: return 1;
    case 3: return 2;
    case 2: return 3;
    case 257: return 4;
    default: return 5;
  }
}

int GetPjlMediaType(const PdevState* pdev) {
  switch (Word(pdev, 388)) {
    case 31: return 1;
    case 5: return 2;
    case 6: return 3;
    default: return 0;
  }
}

BYTE GetFinishProgram(const PdevState* pdev) { return Byte(pdev, 376); }
BYTE GetFinishMargins(const PdevState* pdev) { return Byte(pdev, 411); }
BYTE GetFinishBin(const PdevState* pdev) { return Byte(pdev, 412); }
int IsFlag479(const PdevState* pdev) { return Flag(pdev, 479); }
SHORT GetSetting285(const PdevState* pdev) { return static_cast<SHORT>(Word(pdev, 285)); }
WORD GetSetting356(const PdevState* pdev) { return Word(pdev, 356); }
WORD GetSetting355(const PdevState* pdev) { return Word(pdev, 355); }

int GetLabelCorner(const PdevState* pdev) {
  switch (Word(pdev, 303)) {
    case 0x101: return 0;
    case 0x301: return 1;
    case 0x103: return 2;
    default: return 3;
  }
}

int CopyLabelText(const PdevState* pdev, WCHAR* out) { return CopyText(pdev, 299, out) >= 0 ? 1 : 0; }
int IsLabelTextOn(const PdevState* pdev) { return Flag(pdev, 467); }
int IsLabelDateOn(const PdevState* pdev) { return Flag(pdev, 468); }
int IsLabelTimeOn(const PdevState* pdev) { return Flag(pdev, 469); }

int GetPageHandlingMode(const PdevState* pdev) {
  if (Flag(pdev, 470)) return 2;
  return Flag(pdev, 453) || GetPdevSettingLong(pdev, 373) == 0 ? 1 : 0;
}

LONG GetTopMarginDots(const PdevState* pdev) { return DotsOf(pdev, 351); }
LONG GetUnderMarginDots(const PdevState* pdev) { return DotsOf(pdev, 352); }
LONG GetImageOffset1Dots(const PdevState* pdev) { return DotsOf(pdev, 353); }
LONG GetImageOffset2Dots(const PdevState* pdev) { return DotsOf(pdev, 354); }

int GetPaperCodeSeries(int code) {
  struct Series {
    int series;
    int codes[8];
  };
  static const Series kSeries[] = {
      {1, {257, 270, 66, 8, 9}},
      {2, {259, 260, 261, 12}},
      {3, {317, 318, 319, 42}},
      {4, {295, 296, 297, 298, 299, 258, 268}},
      {5, {315}},
      {6, {269, 293, 271, 272, 294}},
      {7, {26, 25, 24, 3, 1}},
      {11, {274, 275, 276, 277}},
      {12, {278, 279, 280, 281}},
      {13, {320, 321, 322, 323}},
      {14, {282, 283, 284, 285, 286, 300, 301}},
      {15, {316}},
      {16, {302, 303, 304, 292}},
      {17, {311, 312, 313, 314}},
  };
  if (code <= 0) return 0;
  for (const Series& s : kSeries)
    for (int c : s.codes)
      if (c == code) return s.series;
  return 0;
}

bool IsLargePaperCode(int code) {
  return (code >= 274 && code <= 286) || code == 292 || (code >= 300 && code <= 304) || (code >= 311 && code <= 314) ||
         code == 316 || (code >= 320 && code <= 323);
}

int WideToAnsi(const WCHAR* wide, char* out, int n) {
  if (!wide || !out || n <= 0) return 0;
  return WideCharToMultiByte(CP_ACP, 0, wide, -1, out, n, nullptr, nullptr) > 0 ? 1 : 0;
}

int AnsiToWide(WCHAR* out, const char* ansi, int n) {
  if (!ansi || !out || n <= 0) return 0;
  return MultiByteToWideChar(CP_ACP, 0, ansi, -1, out, n) > 0 ? 1 : 0;
}
