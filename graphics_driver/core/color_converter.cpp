// The colour converter's set-up, the run flags of images and the colour
// library's parameter check (see color_converter.h).
#include "graphics_driver/core/color_converter.h"

#include <cstring>

#include "graphics_driver/core/driver_helpers.h"
#include "graphics_driver/core/page_image_output.h"
#include "platform/outside/colorlib/colour_library_calls.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_resource.h"
#include "settings/access/setting_access.h"

namespace {

int16_t Clamp100(int32_t v) { return static_cast<int16_t>(v < -100 ? -100 : v > 100 ? 100 : v); }

// Profile names are read up to this many characters.
constexpr size_t kNameChars = 260;
// A profile file name converts to at most this many ANSI bytes.
constexpr int kAnsiNameBytes = 258;

// Copies a text setting (cut at kNameChars - 1 characters): false when it
// cannot be read.
bool ReadText(const WorkingDevMode* settings, SettingId id, WCHAR (&text)[kNameChars]) {
  text[0] = 0;
  uint64_t address = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetApplicableSettingValue(id, settings, nullptr, &type, &size, &address) != 0 || address == 0) return false;
  const auto* source = reinterpret_cast<const BYTE*>(static_cast<uintptr_t>(address));
  for (size_t i = 0; i + 1 < kNameChars; ++i) {
    std::memcpy(&text[i], source + i * sizeof(WCHAR), sizeof(WCHAR));
    if (!text[i]) return true;
  }
  text[kNameChars - 1] = 0;
  return true;
}

// Whether a text setting holds anything; false when it cannot be read.
bool TextSet(const WorkingDevMode* settings, SettingId id) {
  WCHAR text[kNameChars];
  return ReadText(settings, id, text) && text[0] != 0;
}

// The three settings of one matrix group (brightness, saturation, contrast):
// true when all can be read and one of them is not 0.
bool ReadGroup(const WorkingDevMode* settings, SettingId brightness, SettingId saturation, SettingId contrast,
               int32_t values[3]) {
  return ReadColourSetting(settings, brightness, &values[0]) == 0 &&
         ReadColourSetting(settings, saturation, &values[1]) == 0 &&
         ReadColourSetting(settings, contrast, &values[2]) == 0 && (values[0] || values[1] || values[2]);
}

ColorAdjustMatrix* BuildMatrix(ColorAdjustMatrix* storage, const int32_t values[3]) {
  return BuildColorAdjustMatrix(storage, Clamp100(values[0]), Clamp100(values[1]), Clamp100(values[2])) == 0 ? storage
                                                                                                             : nullptr;
}

BrightnessContrastPair* BuildPair(BrightnessContrastPair* storage, int32_t brightness, int32_t contrast) {
  return BuildBrightnessContrastPair(storage, Clamp100(brightness), Clamp100(contrast)) == 0 ? storage : nullptr;
}

// The colour stages the settings ask for, each stage built into its
// storage. The transform and library stages are only flagged here; their
// builders fill their pointers.
void SetUpStages(ColorConverter* c, const WorkingDevMode* settings) {
  int32_t s270, s482, s273, s286, s474, s477, s291;
  if (ReadColourSetting(settings, 270, &s270) || ReadColourSetting(settings, 482, &s482) ||
      ReadColourSetting(settings, 273, &s273) || ReadColourSetting(settings, 286, &s286) ||
      ReadColourSetting(settings, 474, &s474) || ReadColourSetting(settings, 477, &s477) ||
      ReadColourSetting(settings, 291, &s291)) {
    return;
  }
  int32_t v[3];
  uint16_t flags = 0;
  if (s482 == 1) {
    if ((s273 & 1) && ReadGroup(settings, 275, 279, 283, v)) {
      flags |= kSetupKind0Matrix;
      c->matrix[0] = BuildMatrix(&c->matrixStorage[0], v);
      if (s270 != 1 && s474 == 1) {
        flags |= kSetupKind0Pair;
        c->pair[0] = BuildPair(&c->pairStorage[0], v[0], v[2]);
      }
    }
    if ((s273 & 2) && ReadGroup(settings, 276, 280, 284, v)) {
      flags |= kSetupKind1Matrix;
      c->matrix[1] = BuildMatrix(&c->matrixStorage[1], v);
      if (s270 != 1 && s477 == 1) {
        flags |= kSetupKind1Pair;
        c->pair[1] = BuildPair(&c->pairStorage[1], v[0], v[2]);
      }
    }
    if ((s273 & 4) && ReadGroup(settings, 277, 281, 285, v)) {
      flags |= kSetupKind2Matrix;
      c->matrix[2] = BuildMatrix(&c->matrixStorage[2], v);
    }
  } else if ((s273 & 7) && ReadGroup(settings, 274, 278, 282, v)) {
    // One matrix and one pair for all kinds, kept in the kind-0 storage.
    flags |= kSetupCommonMatrix;
    c->matrix[0] = c->matrix[1] = c->matrix[2] = BuildMatrix(&c->matrixStorage[0], v);
    if (s270 != 1 && (s474 == 1 || s477 == 1)) {
      flags |= kSetupCommonPair;
      c->pair[0] = c->pair[1] = BuildPair(&c->pairStorage[0], v[0], v[2]);
    }
  }
  int32_t a = 0, b = 0;
  if (s286 == 1 && ReadColourSetting(settings, 287, &a) == 0 && ReadColourSetting(settings, 288, &b) == 0 &&
      uint32_t(a) < 6 && uint32_t(b) < 10) {
    flags |= kSetupWhitePoint;
  }
  if (s286 == 2) {
    const bool sourceNamed = TextSet(settings, 289);
    if (ReadColourSetting(settings, 471, &a) == 0 && a == 1 && sourceNamed) flags |= kSetupSourceProfile;
    if (ReadColourSetting(settings, 472, &a) == 0 && a == 1 && ReadColourSetting(settings, 473, &b) == 0 &&
        ((b == 1 && sourceNamed) || (b == 0 && TextSet(settings, 290)))) {
      flags |= kSetupSecondProfile;
    }
  }
  if (s291 != 0) flags |= kSetupColorLibrary;
  c->setupFlags = flags;
}

// The white point and gamma transform into storage 1; an index without a
// value leaves the stage off.
void BuildWhitePointStage(ColorConverter* c, const WorkingDevMode* settings) {
  static const int kWhitePoints[] = {5000, 6500, 9300};
  static const int kGammas[] = {10, 14, 18, 22, 26};
  int32_t white = 0, gamma = 0;
  if (ReadColourSetting(settings, 287, &white) != 0 || ReadColourSetting(settings, 288, &gamma) != 0) return;
  const int whitePoint = uint32_t(white) < 3 ? kWhitePoints[white] : 0;
  const int gammaValue = uint32_t(gamma) < 5 ? kGammas[gamma] : 0;
  if (BuildWhitePointTransform(&c->transformStorage1, whitePoint, gammaValue) == 0)
    c->firstTransform = &c->transformStorage1;
}

// Loads the profile file a text setting names into the storage: 0, or the
// loader's failure (-2 for a name that has no ANSI form).
int LoadNamedProfile(const WorkingDevMode* settings, SettingId id, ColorTransform* storage, WCHAR (&name)[kNameChars]) {
  if (!ReadText(settings, id, name)) return -2;
  char ansi[kAnsiNameBytes];
  if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, kAnsiNameBytes, nullptr, nullptr) <= 0) {
    storage->mode = kTransformNone;
    return -2;
  }
  return LoadProfileTransform(storage, ansi);
}

// The source and second profile stages: 0, -3 the source profile cannot be
// used (the second one is then not loaded), -4 the second one cannot; the
// name of the failing file lands in `failed`.
int BuildProfileStages(ColorConverter* c, const WorkingDevMode* settings, WCHAR (&failed)[kNameChars]) {
  if (c->setupFlags & kSetupSourceProfile) {
    if (LoadNamedProfile(settings, 289, &c->transformStorage1, failed) != 0) {
      FreeTransform(&c->transformStorage1);
      return -3;
    }
    c->sourceTransform = &c->transformStorage1;
  }
  if (c->setupFlags & kSetupSecondProfile) {
    int32_t same = 0;
    ReadColourSetting(settings, 473, &same);
    if (same == 1) {
      // The source profile again: loaded here when its own stage is off.
      if (!c->sourceTransform) {
        if (LoadNamedProfile(settings, 289, &c->transformStorage1, failed) != 0) {
          FreeTransform(&c->transformStorage1);
          return -4;
        }
        c->sourceTransform = &c->transformStorage1;
      }
      c->secondTransform = c->sourceTransform;
    } else {
      if (LoadNamedProfile(settings, 290, &c->transformStorage2, failed) != 0) {
        FreeTransform(&c->transformStorage2);
        return -4;
      }
      c->secondTransform = &c->transformStorage2;
    }
  }
  return 0;
}

// Asks whether to print on without the profile: true for OK.
bool GoOnWithoutProfile(HMODULE resourceModule, const WCHAR* name) {
  WCHAR text[512];
  WCHAR format[512];
  if (resourceModule && name && name[0] && LoadStringW(resourceModule, 1, format, 512) > 0) {
    wnsprintfW(text, 512, format, name);
  } else {
    const char16_t* fallback = u"ICCプロファイルが使用できません。\n色補正を実施せず印刷処理を続行します。";
    size_t i = 0;
    for (; fallback[i] && i + 1 < 512; ++i) text[i] = fallback[i];
    text[i] = 0;
  }
  return MessageBoxW(GetActiveWindow(), text, u"警告", MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
}

// The colour library the device model names (its file 4) from the driver
// folder. Without all seven entry points it stays loaded with handle 0.
void BindColourLibrary(ColorConverter* c, HANDLE printer) {
  WCHAR* path = GetModelFilePath(printer, 4);
  if (!path) return;
  c->library = LoadLibraryW(path);
  GlobalFree(path);
  if (!c->library) return;
  bool all = true;
  for (int i = 0; i < 7; ++i) {
    c->libraryEntries[i] = GetProcAddress(c->library, kColourLibraryEntryNames[i]);
    all = all && c->libraryEntries[i];
  }
  if (!all) return;
  WCHAR* data = GetModelFilePath(printer, 1);
  if (!data) return;
  char ansi[520];
  if (WideCharToMultiByte(CP_ACP, 0, data, -1, ansi, int(sizeof ansi), nullptr, nullptr) > 0)
    c->libraryHandle = reinterpret_cast<ClxLoadCall>(c->libraryEntries[0])(ansi);
  GlobalFree(data);
}

}  // namespace

int ReadColourSetting(const WorkingDevMode* settings, SettingId id, int32_t* value) {
  if (!settings || !value) return -1;
  uint64_t raw = 0;
  SettingValueType type = 0;
  UINT size = 0;
  if (GetApplicableSettingValue(id, settings, nullptr, &type, &size, &raw) != 0) return -1;
  if (size == 1) *value = static_cast<uint8_t>(raw);
  else if (size == 2) *value = type == kSettingTypeInt16 ? static_cast<int16_t>(raw) : static_cast<uint16_t>(raw);
  else *value = static_cast<int32_t>(static_cast<uint32_t>(raw));
  return 0;
}

int BuildBrightnessContrastPair(BrightnessContrastPair* pair, int16_t brightness, int16_t contrast) {
  if (!pair) return -1;
  const int64_t b = Clamp100(brightness);
  const int64_t k = Clamp100(contrast);
  // In thousandths, so that the 16.16 values are truncated from exact ones.
  pair->gain = static_cast<int32_t>((1000 + 3 * k) * 65536 / 1000);
  pair->offset = static_cast<int32_t>((500 * b - 3 * k * 255) * 65536 / 1000);
  return 0;
}

int CreateColorConverter(ColorConverter** converter, const WorkingDevMode* settings, HMODULE resourceModule,
                         HANDLE printer) {
  if (!converter || !settings) return -1;
  auto* c = static_cast<ColorConverter*>(GlobalAlloc(GPTR, sizeof(ColorConverter)));
  if (!c) return -2;
  c->transformStorage1.mode = c->transformStorage2.mode = kTransformNone;
  SetUpStages(c, settings);
  if (c->setupFlags & kSetupWhitePoint) BuildWhitePointStage(c, settings);
  WCHAR failed[kNameChars] = {};
  int result = BuildProfileStages(c, settings, failed);
  if ((c->setupFlags & kSetupColorLibrary) && c->libraryHandle == 0) BindColourLibrary(c, printer);
  *converter = c;
  if (result != 0) {
    if (GoOnWithoutProfile(resourceModule, failed)) {
      // On without the profile: the source one failing keeps the second
      // one from being loaded.
      c->setupFlags &= uint16_t(~(result == -3 ? kSetupSourceProfile | kSetupSecondProfile : kSetupSecondProfile));
      return 0;
    }
    FreeColorConverter(converter);
  }
  return result;
}

int FreeColorConverter(ColorConverter** converter) {
  if (!converter) return -1;
  ColorConverter* c = *converter;
  if (!c) return 0;
  // Each transform once, however the pointers alias.
  if (c->secondTransform == c->sourceTransform || c->secondTransform == c->firstTransform) c->secondTransform = nullptr;
  if (c->firstTransform == c->sourceTransform) c->firstTransform = nullptr;
  for (ColorTransform* t : {c->firstTransform, c->sourceTransform, c->secondTransform})
    if (t) FreeTransform(t);
  if (c->libraryHandle && c->libraryEntries[5] && c->libraryEntries[1]) {
    reinterpret_cast<ClxDeleteParamCall>(c->libraryEntries[5])(c->libraryHandle, nullptr, nullptr);
    reinterpret_cast<ClxFreeCall>(c->libraryEntries[1])(c->libraryHandle);
  }
  c->libraryHandle = 0;
  if (c->library) FreeLibrary(c->library);
  c->library = nullptr;
  for (FARPROC& entry : c->libraryEntries) entry = nullptr;
  c->firstTransform = c->sourceTransform = c->secondTransform = nullptr;
  GlobalFree(c);
  *converter = nullptr;
  return 0;
}

int CheckLibraryParams(ColorLibraryParams* record, uint32_t width, uint32_t rows, uint32_t bitsPerPixel, uint32_t type,
                       uint32_t code, uint32_t pass) {
  if (!record) return kLibraryParamsNotUsed;
  if ((bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) || type != 2 || code != 0xCC) {
    std::memset(record, 0, sizeof *record);
    return kLibraryParamsNotUsed;
  }
  if (record->pass == pass && record->bitsPerPixel == bitsPerPixel) {
    if (record->width != 0 && record->rows != 0) {
      const bool widthChanged = record->width != width;
      const bool rowsChanged = record->rows != rows;
      if (!widthChanged && !rowsChanged) return kLibraryParamsKept;
      if (!(widthChanged && rowsChanged)) {
        if (widthChanged) record->width = 0;
        else record->rows = 0;
        return kLibraryParamsKept;
      }
    } else if (record->width != 0) {
      if (record->width == width) return kLibraryParamsKept;
    } else if (record->rows == rows) {
      return kLibraryParamsKept;
    }
  }
  record->pass = pass;
  record->bitsPerPixel = bitsPerPixel;
  record->width = width;
  record->rows = rows;
  return kLibraryParamsNew;
}

int PrepareImageColor(ColorConverter* converter, PageImageList* list, const WorkingDevMode* settings, PdevState* pdev,
                      const void* pixels, uint32_t width, uint32_t rows, uint32_t bitsPerPixel, uint32_t type,
                      uint32_t code, uint32_t pass) {
  (void)pixels;
  if (!converter) return -1;
  int32_t s270 = 0, s291 = 0;
  ReadColourSetting(settings, 270, &s270);
  ReadColourSetting(settings, 291, &s291);
  converter->libraryMode = static_cast<uint16_t>(s291);
  uint16_t run = converter->runFlags & kRunColorLibrary;
  if (converter->matrix[2]) run |= kRunImageMatrix;
  if (converter->firstTransform) run |= kRunFirstTransform;
  if (converter->secondTransform) run |= kRunSecondTransform;
  converter->runFlags = run;
  int result = 0;
  if (s291 != 0 && converter->libraryHandle != 0 && list) {
    // Images of other parameters must go through the library before the
    // parameters change.
    switch (CheckLibraryParams(&list->params, width, rows, bitsPerPixel, type, code, pass)) {
      case kLibraryParamsNotUsed:
        if (FlushPageImage(pdev, 1) != 0) result = -1;
        converter->runFlags &= ~kRunColorLibrary;
        break;
      case kLibraryParamsNew:
        if (FlushPageImage(pdev, 1) != 0) result = -1;
        converter->runFlags |= kRunColorLibrary;
        break;
      default: converter->runFlags |= kRunColorLibrary; break;
    }
  }
  if (s270 == 1) converter->runFlags |= kRunGrey;
  return result;
}

int ConverterMode(const ColorConverter* converter) {
  if (!converter) return -1;
  return converter->runFlags & kRunColorLibrary ? 4 : 3;
}
