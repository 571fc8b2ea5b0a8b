// Synchronisation rules between twin settings, the option group mask, the
// user paper slots and the paper resolution.
#include "settings/devmode/setting_sync.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/form_matching.h"
#include "settings/model/model_interface.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/access/setting_value_io.h"
#include "settings/services/spooler_records.h"
#include "settings/services/user_paper.h"

namespace {

// Writes a text given by its address; 1 on success.
int WriteText(SettingId id, void* devMode, void* settings, SettingValueType type, const WCHAR* text) {
  uint64_t address = reinterpret_cast<uintptr_t>(text);
  return WriteDefaultValue(id, devMode, settings, -1, type, &address);
}

// Reads dmFields, ORs `set` and clears `clear`, writes it back.
int UpdateDevModeFields(void* devMode, void* settings, DWORD set, DWORD clear) {
  uint64_t fields = 0;
  if (!ReadSettingInto(6, devMode, settings, &fields)) return 0;
  fields = (fields | set) & ~static_cast<uint64_t>(clear);
  return WriteSettingNumber(6, devMode, settings, kSettingTypeUInt32, 4, fields);
}

}  // namespace

int GetUserPaperSettingIds(const void* paperCode, SettingValueType valueType, SettingId* widthId, SettingId* lengthId,
                           SettingId* nameId, WCHAR* nameBuffer) {
  // No user paper code fits in a byte; a byte compared with the low byte of
  // a code would match the wrong slot.
  if (paperCode == nullptr || valueType == kSettingTypeUInt8) return 0;
  for (WORD slot = 0; slot < kUserPaperSlotCount; ++slot) {
    // Little-endian: the code's low bytes serve every integer width.
    uint64_t code = GetUserPaperCode(slot);
    if (CompareSettingValues(valueType, paperCode, &code) != 0) continue;
    if (widthId) *widthId = static_cast<SettingId>(1311 + slot);
    if (lengthId) *lengthId = static_cast<SettingId>(1321 + slot);
    if (nameId) *nameId = static_cast<SettingId>(1331 + slot);
    if (nameBuffer) FormatUserPaperName(slot, nameBuffer);
    return 1;
  }
  return 0;
}

int GetUserPaperValues(const void* devMode, const void* settings, const void* paperCode, SettingValueType valueType,
                       UserPaperValues* values, WCHAR* nameBuffer) {
  SettingId widthId = 0, lengthId = 0, nameId = 0;
  if (values == nullptr) return 0;
  if (!GetUserPaperSettingIds(paperCode, valueType, &widthId, &lengthId, &nameId, nameBuffer)) return 0;
  uint64_t width = 0, length = 0, name = 0;
  if (!ReadSettingInto(widthId, devMode, settings, &width, &values->widthType) ||
      !ReadSettingInto(lengthId, devMode, settings, &length, &values->lengthType) ||
      !ReadSettingInto(nameId, devMode, settings, &name, &values->nameType)) {
    return 0;
  }
  values->width = static_cast<WORD>(width);
  values->length = static_cast<WORD>(length);
  values->name = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(name));
  return 1;
}

int UpdateOptionGroupMask(void* devMode, void* settings) {
  uint64_t byGroup = 0;
  if (!ReadSettingInto(482, devMode, settings, &byGroup)) return 0;
  // The option groups as three records of four values: 274-277, 278-281, 282-285.
  bool nonzero[3][4] = {};
  for (int record = 0; record < 3; ++record) {
    for (int k = 0; k < 4; ++k) {
      uint64_t v = 0;
      if (!ReadSettingInto(static_cast<SettingId>(274 + 4 * record + k), devMode, settings, &v)) return 0;
      nonzero[record][k] = static_cast<int16_t>(v) != 0;
    }
  }
  DWORD mask = 0;
  for (int record = 0; record < 3; ++record) {
    if (byGroup) {
      if (nonzero[record][1]) mask |= 1;
      if (nonzero[record][2]) mask |= 2;
      if (nonzero[record][3]) mask |= 4;
    } else if (nonzero[record][0]) {
      mask |= 7;
    }
  }
  return WriteSettingNumber(273, devMode, settings, kSettingTypeUInt32, 4, mask);
}

int CopySettingWhenAllowed(void* devMode, void* settings, LONG excluded, SettingId sourceId, SettingId targetId) {
  uint64_t allowed = 0;
  if (!ReadSettingInto(1055, devMode, settings, &allowed)) return 0;
  if (allowed == 0) return 1;
  uint64_t value = 0;
  SettingValueType type = 0;
  if (!ReadSettingInto(sourceId, devMode, settings, &value, &type)) return 0;
  if (SettingNumber(value, type) == excluded) return 1;
  uint64_t target = 0;
  SettingValueType targetType = 0;
  UINT targetSize = 0;
  if (!ReadSettingInto(targetId, devMode, settings, &target, &targetType, &targetSize)) return 0;
  return WriteSettingNumber(targetId, devMode, settings, targetType, static_cast<int>(targetSize), value);
}

int SyncPaperSourceToPublic(void* devMode, void* settings) {
  return CopySettingWhenAllowed(devMode, settings, 0x102, 265, 13);
}

int SyncPaperSourceToPrivate(void* devMode, void* settings) {
  return CopySettingWhenAllowed(devMode, settings, 15, 13, 265);
}

int SyncTrueTypeOption(void* devMode, void* settings, SettingId changedId) {
  uint64_t option = 0;
  if (!ReadSettingInto(292, devMode, settings, &option)) return 0;
  if (changedId == 17) {
    uint64_t ttOption = 0;
    if (!ReadSettingInto(17, devMode, settings, &ttOption)) return 0;
    WORD next = static_cast<int16_t>(ttOption) == 1 ? 1 : (static_cast<WORD>(option) != 0 ? 2 : 0);
    return WriteSettingNumber(292, devMode, settings, kSettingTypeUInt16, 2, next);
  }
  WORD next = static_cast<WORD>(option) == 1 ? 1 : 3;
  return WriteSettingNumber(17, devMode, settings, kSettingTypeInt16, 2, next);
}

int SyncColorMode(void* devMode, void* settings) {
  uint64_t mode = 0;
  if (!ReadSettingInto(345, devMode, settings, &mode)) return 0;
  return WriteSettingNumber(15, devMode, settings, kSettingTypeInt16, 2, static_cast<WORD>(mode) == 1 ? 1 : 2);
}

int UpdateFormNameFromPaper(DeviceModel* model, HANDLE printer, void* devMode, void* settings,
                            SettingValueType valueType) {
  if (model == nullptr) return 0;
  uint64_t paper = 0;
  if (!ReadSettingInto(8, devMode, settings, &paper)) return 0;
  // A built-in spooler form carries its own name: resolve by paper code.
  int16_t code = static_cast<int16_t>(paper);
  if (code > 0 && GetFormFlags(printer, static_cast<DWORD>(code)) == FORM_BUILTIN) {
    return ResolvePaper(model, devMode, settings, printer, DM_PAPERSIZE);
  }

  uint64_t formName = 0;
  SettingValueType nameType = 0;
  if (!ReadSettingInto(19, devMode, settings, &formName, &nameType)) return 0;
  WCHAR* buffer = static_cast<WCHAR*>(GlobalAlloc(GPTR, kUserPaperNameBytes));
  if (buffer == nullptr) return 0;

  int written = 0;
  UserPaperValues slot{};
  if (GetUserPaperValues(devMode, settings, &paper, valueType, &slot, buffer)) {
    written = WriteText(19, devMode, settings, nameType, buffer);
  } else {
    PaperMatch query{};
    query.key = static_cast<WORD>(code);
    PaperMatch found{};
    ModelInterfaceStatus status = kModelOk;
    if (FindPaperByKeySizeOrName(model, 8, kPaperByKey, &query, &found, &status)) {
      written = WriteText(19, devMode, settings, nameType, found.name);
      FreePaperMatch(&found);
    }
  }
  GlobalFree(buffer);
  if (!written) return 0;
  return ResolvePaper(model, devMode, settings, printer, DM_FORMNAME);
}

int ReadDevModePaper(const void* devMode, const void* settings, DevModePaper* paper) {
  uint64_t length = 0, width = 0, size = 0, name = 0;
  if (!ReadSettingInto(9, devMode, settings, &length) || !ReadSettingInto(10, devMode, settings, &width) ||
      !ReadSettingInto(8, devMode, settings, &size) || !ReadSettingInto(19, devMode, settings, &name)) {
    return 0;
  }
  paper->length = static_cast<SHORT>(length);
  paper->width = static_cast<SHORT>(width);
  paper->size = static_cast<SHORT>(size);
  paper->formName = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(name));
  return 1;
}

int FindFormForPaper(DeviceModel* model, HANDLE printer, const DevModePaper& paper, DWORD fields, PaperMatch* found) {
  PaperMatch query{};
  query.key = static_cast<WORD>(paper.size);
  query.width = paper.width;
  query.height = paper.length;
  query.name = const_cast<WCHAR*>(paper.formName);
  bool bothSizes = paper.length != 0 && paper.width != 0;
  if ((fields & DM_PAPERSIZE) && MatchPrinterForm(model, nullptr, nullptr, printer, kFormByNumber, &query, found)) {
    return kFormByNumber;
  }
  if ((fields & DM_FORMNAME) && MatchPrinterForm(model, nullptr, nullptr, printer, kFormByName, &query, found)) {
    return kFormByName;
  }
  if ((fields & (DM_PAPERLENGTH | DM_PAPERWIDTH)) && bothSizes &&
      MatchPrinterForm(model, nullptr, nullptr, printer, kFormBySize, &query, found)) {
    return kFormBySize;
  }
  return 0;
}

int ResolvePaper(DeviceModel* model, void* devMode, void* settings, HANDLE printer, DWORD fields) {
  if ((fields & kPaperFieldBits) == 0) return 1;
  DevModePaper paper{};
  if (!ReadDevModePaper(devMode, settings, &paper)) return 0;
  // A custom size stands as it is; only the form name stops counting.
  if (paper.IsCustomSize()) return UpdateDevModeFields(devMode, settings, 0, DM_FORMNAME);

  PaperMatch found{};
  bool matched = FindFormForPaper(model, printer, paper, fields, &found) != 0;
  if (!matched) return CopyPaperFromPrinterDefault(model, devMode, settings, printer);

  int ok = WriteText(19, devMode, settings, kSettingTypeText, found.name) &&
           WriteSettingNumber(9, devMode, settings, kSettingTypeInt16, 2, static_cast<WORD>(found.height)) &&
           WriteSettingNumber(10, devMode, settings, kSettingTypeInt16, 2, static_cast<WORD>(found.width)) &&
           WriteSettingNumber(8, devMode, settings, kSettingTypeInt16, 2, found.key);
  FreePaperMatch(&found);
  if (!ok) return 0;
  return UpdateDevModeFields(devMode, settings, DM_PAPERLENGTH | DM_PAPERWIDTH, 0);
}

int CopyPaperFromPrinterDefault(DeviceModel* model, void* devMode, void* settings, HANDLE printer) {
  (void)model;
  static const SettingId kPaperIds[] = {8, 9, 10, 19};
  for (SettingId id : kPaperIds) {
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    if (info == nullptr) return 0;
    const BYTE* source = reinterpret_cast<const BYTE*>(info->pDevMode);
    BYTE* copy = source ? static_cast<BYTE*>(GlobalAlloc(GPTR, kWorkingDevModeSize)) : nullptr;
    int ok = 0;
    if (copy != nullptr) {
      // The spooler's DEVMODE goes into a zeroed working buffer, at most its
      // own size, so that every field can be read at its place.
      DEVMODEW head;
      std::memcpy(&head, source, offsetof(DEVMODEW, dmFields));
      UINT own = static_cast<UINT>(head.dmSize) + head.dmDriverExtra;
      std::memcpy(copy, source, own < kWorkingDevModeSize ? own : kWorkingDevModeSize);
      uint64_t value = 0;
      SettingValueType type = 0;
      if (ReadSettingInto(id, copy, nullptr, &value, &type)) {
        ok = WriteDefaultValue(id, devMode, settings, -1, type, &value);
      }
      GlobalFree(copy);
    }
    GlobalFree(info);
    if (!ok) return 0;
  }
  return 1;
}
