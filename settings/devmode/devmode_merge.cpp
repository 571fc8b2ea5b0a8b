// Merging an incoming DEVMODE field by field.
#include "settings/devmode/devmode_merge.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/form_matching.h"
#include "settings/model/model_interface.h"
#include "settings/model/model_queries.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/setting_sync.h"
#include "settings/access/setting_value_io.h"

const MergeFieldRow kMergeFieldTable[kMergeFieldRowCount] = {
    {DM_ORIENTATION, 7}, {DM_SCALE, 11},     {DM_COPIES, 12},    {DM_DEFAULTSOURCE, 13},
    {DM_COLOR, 15},      {DM_DUPLEX, 16},    {DM_TTOPTION, 17},  {DM_COLLATE, 18},
    {DM_ICMMETHOD, 22},  {DM_ICMINTENT, 23}, {DM_MEDIATYPE, 24}, {DM_DITHERTYPE, 25},
};

namespace {

constexpr SettingId kScaleFromIncoming = 1056;

// Where each public field the merge may read ends; a source whose dmSize
// stops before that end does not hold the field.
struct FieldEnd {
  DWORD fieldBit;
  UINT end;
};
constexpr FieldEnd kFieldEnds[] = {
    {DM_ORIENTATION, 78}, {DM_PAPERSIZE, 80},     {DM_PAPERLENGTH, 82},  {DM_PAPERWIDTH, 84}, {DM_SCALE, 86},
    {DM_COPIES, 88},      {DM_DEFAULTSOURCE, 90}, {DM_PRINTQUALITY, 92}, {DM_COLOR, 94},      {DM_DUPLEX, 96},
    {DM_YRESOLUTION, 98}, {DM_TTOPTION, 100},     {DM_COLLATE, 102},     {DM_FORMNAME, 166},  {DM_ICMMETHOD, 192},
    {DM_ICMINTENT, 196},  {DM_MEDIATYPE, 200},    {DM_DITHERTYPE, 204},
};

// Every merged field must pass validation first, except dmMediaType and
// dmDitherType, which come over as they are.
bool IsValidatedOnMerge(SettingId id) { return id != 24 && id != 25; }

// Ends a 32-unit text field at its last unit when no terminator lies inside.
void TerminateText(BYTE* field) {
  for (int i = 0; i < 32; ++i) {
    if (field[2 * i] == 0 && field[2 * i + 1] == 0) return;
  }
  field[62] = 0;
  field[63] = 0;
}

// Copies an application's DEVMODE into a zeroed WorkingDevMode: at most its
// public part, and its private part only behind a full public part. Fields
// the source does not hold lose their dmFields bits. Null without memory.
BYTE* CopyIncomingDevMode(const void* source) {
  BYTE* copy = static_cast<BYTE*>(GlobalAlloc(GPTR, kWorkingDevModeSize));
  if (copy == nullptr) return nullptr;
  const BYTE* in = static_cast<const BYTE*>(source);
  WORD size = 0, extra = 0;
  std::memcpy(&size, in + offsetof(DEVMODEW, dmSize), 2);
  std::memcpy(&extra, in + offsetof(DEVMODEW, dmDriverExtra), 2);
  UINT publicBytes = size < kPublicDevModeSize ? size : kPublicDevModeSize;
  std::memcpy(copy, in, publicBytes);
  if (size == kPublicDevModeSize) {
    std::memcpy(copy + kPublicDevModeSize, in + kPublicDevModeSize,
                extra < kDevModePrivateSize ? extra : kDevModePrivateSize);
  }
  DWORD fields = 0;
  std::memcpy(&fields, copy + offsetof(DEVMODEW, dmFields), 4);
  for (const FieldEnd& f : kFieldEnds) {
    if (f.end > size) fields &= ~f.fieldBit;
  }
  std::memcpy(copy + offsetof(DEVMODEW, dmFields), &fields, 4);
  TerminateText(copy + offsetof(DEVMODEW, dmDeviceName));
  TerminateText(copy + offsetof(DEVMODEW, dmFormName));
  return copy;
}

// The fields of the merge after its copy of the source.
int MergeFromCopy(DeviceModel* model, void* target, BYTE* source, void* settings, HANDLE printer, int operation) {
  uint64_t sourceFields = 0, targetFields = 0;
  if (!ReadSettingInto(6, source, settings, &sourceFields) || !ReadSettingInto(6, target, settings, &targetFields)) {
    return 0;
  }
  DWORD supported = 0;
  if (!GetSupportedFieldsMask(model, &supported, 2)) return 0;
  uint64_t scaleFromIncoming = 0;
  bool takeScale = ReadSettingInto(kScaleFromIncoming, target, settings, &scaleFromIncoming) &&
                   static_cast<int32_t>(scaleFromIncoming) == 1;
  if (takeScale) {
    supported |= DM_SCALE;
  } else {
    supported &= ~static_cast<DWORD>(DM_SCALE);
  }

  DWORD wanted = static_cast<DWORD>(sourceFields) & supported;
  for (const MergeFieldRow& row : kMergeFieldTable) {
    if ((wanted & row.fieldBit) == 0) continue;
    // A value that does not pass validation is left out without a word.
    if (IsValidatedOnMerge(row.id) && !ValidateSettingValue(model, row.id, source, settings, operation)) continue;
    uint64_t value = 0;
    SettingValueType type = 0;
    UINT size = 0;
    if (!ReadSettingInto(row.id, source, settings, &value, &type, &size)) return 0;
    if (!WriteDefaultValue(row.id, target, settings, static_cast<int>(size), type, &value)) return 0;
    targetFields |= row.fieldBit;
  }
  if (!WriteSettingNumber(6, target, settings, kSettingTypeUInt32, 4, targetFields)) return 0;

  if ((wanted & kPaperFieldBits) && !MergePaperFields(model, target, source, settings, printer)) return 0;
  if ((wanted & (DM_PRINTQUALITY | DM_YRESOLUTION)) && !MergeResolution(model, target, source, settings, operation)) {
    return 0;
  }

  // The private part comes over whole, and only from this driver's own DEVMODE.
  if (CheckDevModeIdentity(model, source, settings) == 1) {
    std::memcpy(static_cast<BYTE*>(target) + kPublicDevModeSize, source + kPublicDevModeSize, kDevModePrivateSize);
  }

  if (!SyncTrueTypeOption(target, settings, 17)) return 0;
  int result = SyncColorMode(target, settings);

  // dmScale is taken over as a value only; its bit tells whether the
  // printer lets incoming DEVMODEs scale.
  if (!ReadSettingInto(6, target, settings, &targetFields)) return result;
  if (takeScale) {
    targetFields |= DM_SCALE;
  } else {
    targetFields &= ~static_cast<uint64_t>(DM_SCALE);
    if (sourceFields & DM_SCALE) {
      uint64_t scale = 0;
      if (ReadSettingInto(11, source, settings, &scale)) {
        WriteSettingNumber(11, target, settings, kSettingTypeInt16, 2, scale);
      }
    }
  }
  WriteSettingNumber(6, target, settings, kSettingTypeUInt32, 4, targetFields);
  return result;
}

}  // namespace

int MergeDevModeFields(DeviceModel* model, void* target, const void* source, void* settings, HANDLE printer,
                       int operation) {
  if (target == nullptr || settings == nullptr) return 0;
  if (source == nullptr) return 1;
  BYTE* copy = CopyIncomingDevMode(source);
  if (copy == nullptr) return 0;
  int result = MergeFromCopy(model, target, copy, settings, printer, operation);
  GlobalFree(copy);
  return result;
}

int MergePaperFields(DeviceModel* model, void* target, const void* source, void* settings, HANDLE printer) {
  DevModePaper paper{};
  uint64_t sourceFields = 0, targetFields = 0;
  if (!ReadDevModePaper(source, settings, &paper) || !ReadSettingInto(6, source, settings, &sourceFields) ||
      !ReadSettingInto(6, target, settings, &targetFields)) {
    return 0;
  }
  DWORD paperBits = static_cast<DWORD>(sourceFields) & kPaperFieldBits;
  if (paperBits == 0 || paper.IsCustomSize()) return 1;

  PaperMatch found{};
  int mode = FindFormForPaper(model, printer, paper, paperBits, &found);
  if (mode == 0) return 1;
  if (!ResolvePaperForm(model, nullptr, nullptr, printer, mode, &found)) {
    FreePaperMatch(&found);
    return 1;
  }
  uint64_t foundName = reinterpret_cast<uintptr_t>(found.name);
  int ok = WriteSettingNumber(9, target, settings, kSettingTypeInt16, 2, static_cast<WORD>(found.height)) &&
           WriteSettingNumber(10, target, settings, kSettingTypeInt16, 2, static_cast<WORD>(found.width)) &&
           WriteSettingNumber(8, target, settings, kSettingTypeInt16, 2, found.key) &&
           WriteDefaultValue(19, target, settings, -1, kSettingTypeText, &foundName) &&
           WriteSettingNumber(6, target, settings, kSettingTypeUInt32, 4,
                              targetFields | paperBits | DM_PAPERLENGTH | DM_PAPERWIDTH);
  FreePaperMatch(&found);
  return ok;
}

int MergeResolution(DeviceModel* model, void* target, const void* source, void* settings, int operation) {
  if (operation == 2) {
    uint64_t both = 0;
    if (!ReadSettingInto(14, source, settings, &both)) return 0;
    DWORD value = static_cast<DWORD>(both);
    if (!IsModelValueKnown(model, 14, &value)) return 1;
    if (!WriteSettingNumber(14, target, settings, kSettingTypeUInt32, 4, value)) return 0;
  } else if (operation == 16) {
    uint64_t quality = 0;
    if (!ReadSettingInto(20, source, settings, &quality)) return 0;
    if (static_cast<int16_t>(quality) <= 0) return 1;
    if (!WriteSettingNumber(20, target, settings, kSettingTypeInt16, 2, quality) ||
        !WriteSettingNumber(21, target, settings, kSettingTypeInt16, 2, quality)) {
      return 0;
    }
  } else {
    return 0;
  }
  uint64_t fields = 0;
  if (!ReadSettingInto(6, target, settings, &fields)) return 0;
  return WriteSettingNumber(6, target, settings, kSettingTypeUInt32, 4, fields | DM_PRINTQUALITY | DM_YRESOLUTION);
}
