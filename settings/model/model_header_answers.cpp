// Model-wide answers taken from header fields: the fixed printer flags,
// maximum copies, colour kind and capability, and the DEVMODE fields the
// model supports on the running system.
#include "settings/model/model_queries.h"

namespace {

constexpr SettingId kFirstPrinterFlag = 769;
constexpr SettingId kLastPrinterFlag = 800;

constexpr WORD kFieldMaxCopies = 4;
constexpr WORD kFieldColorKind = 5;
constexpr WORD kFieldColorCapability = 7;
constexpr WORD kFieldFixedFlags = 12;

// The operating-system families the field support table knows.
constexpr int kNoFamily = -1;

// One row per DEVMODE field: its bit, its setting id and one capability
// word per family. A word with kNeedsColour is supported only on a colour
// model of an extended family.
struct FieldSupport {
  DWORD fieldBit;
  SettingId id;
  WORD words[4];
};
constexpr WORD kNeedsColour = 0x10;
constexpr FieldSupport kFieldSupport[] = {
    {0x0001, 7, {3, 3, 3, 3}},  {0x0002, 8, {3, 3, 3, 3}},  {0x000C, 9, {3, 3, 2, 2}},  {0x000C, 10, {3, 3, 2, 2}},
    {0x0010, 11, {3, 3, 3, 2}}, {0x0100, 12, {3, 3, 3, 3}}, {0x0200, 13, {3, 3, 3, 3}}, {0x0400, 20, {3, 3, 3, 3}},
    {0x0800, 15, {3, 3, 3, 3}}, {0x1000, 16, {3, 3, 3, 3}}, {0x2000, 21, {3, 3, 3, 3}}, {0x4000, 17, {3, 3, 3, 3}},
};

// Family 0: platform 1 version 4.0; 1: platform 1 later versions; 2: platform
// 2 version 4; 3: platform 2 version 5 and later.
int OperatingSystemFamily() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return kNoFamily;
  if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    if (info.dwMajorVersion == 4 && info.dwMinorVersion == 0) return 0;
    if (info.dwMajorVersion > 4 || (info.dwMajorVersion == 4 && info.dwMinorVersion > 0)) return 1;
    return kNoFamily;
  }
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    if (info.dwMajorVersion == 4) return 2;
    if (info.dwMajorVersion >= 5) return 3;
  }
  return kNoFamily;
}

WORD ColorKind(DeviceModel* model) {
  if (!model) return 0xFFFF;
  BYTE kind = static_cast<BYTE>(ReadModelHeaderValue(model->primary, kFieldColorKind, 1, 0));
  if (kind == 0) return 0xFFFF;
  return kind == 2 ? 2 : 1;
}

}  // namespace

DWORD PrinterFlagBit(SettingId id) {
  if (id < kFirstPrinterFlag || id > kLastPrinterFlag) return 0;
  return 1u << (id - kFirstPrinterFlag);
}

int IsPrinterFlagFree(ModelFile* primary, ModelFile*, SettingId id) {
  DWORD bit = PrinterFlagBit(id);
  if (bit == 0 || !primary) return 1;
  BYTE fixed[4] = {0, 0, 0, 0};
  if (ReadModelHeaderItem(primary, kFieldFixedFlags, 4, 0, fixed)) return 1;
  DWORD mask = static_cast<DWORD>(fixed[0]) | (static_cast<DWORD>(fixed[1]) << 8) |
               (static_cast<DWORD>(fixed[2]) << 16) | (static_cast<DWORD>(fixed[3]) << 24);
  return mask & bit ? 0 : 1;
}

WORD GetModelMaxCopies(DeviceModel* model) {
  if (!model) return 0;
  return static_cast<WORD>(ReadModelHeaderValue(model->primary, kFieldMaxCopies, 2, 0));
}

WORD GetModelColorKind(DeviceModel* model) { return ColorKind(model); }

WORD ReadModelHeaderField5(DeviceModel* model) { return ColorKind(model); }

int GetModelColorCapability(DeviceModel* model) {
  if (!model || !model->primary) return -1;
  BYTE capability = 0;
  if (ReadModelHeaderItem(model->primary, kFieldColorCapability, 1, 0, &capability)) return -1;
  return capability;
}

int GetSupportedFieldsMask(DeviceModel* model, DWORD* mask, DWORD requested) {
  if (!mask) return 0;
  *mask = 0;
  int family = OperatingSystemFamily();
  if (family == kNoFamily) return 0;
  bool extended = family == 1 || family == 3;
  int capability = GetModelColorCapability(model);
  bool colour = capability != 0 && capability != -1;
  DWORD result = 0;
  for (const FieldSupport& row : kFieldSupport) {
    WORD word = row.words[family];
    if ((word & requested) && (!(word & kNeedsColour) || (colour && extended))) result |= row.fieldBit;
  }
  *mask = result;
  return 1;
}
