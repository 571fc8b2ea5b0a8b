// The DEVMODE of the create-DC and reset-DC events: the driver's DEVMODE with
// the current user's paper margin record appended, handed to GDI at the PRE
// event and freed at the POST event. Only blocks made here are ever freed.
#include <cstring>
#include <mutex>
#include <set>

#include "platform/win/win_memory.h"
#include "printer_interface/events/document_events.h"
#include "settings/access/setting_access.h"
#include "settings/access/setting_value_io.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/escape_records.h"
#include "settings/services/form_matching.h"

namespace {

constexpr WORD kEventDriverExtra = kDevModePrivateSize + sizeof(PaperMarginRecord);
static_assert(kEventDevModeSize == kDriverDevModeSize + sizeof(PaperMarginRecord));

// The blocks handed out and not yet freed, for every device context of the
// process.
std::mutex& HandedOutLock() {
  static std::mutex lock;
  return lock;
}
std::set<const void*>& HandedOut() {
  static std::set<const void*> blocks;
  return blocks;
}

// The application's DEVMODE is read only when its sizes say it holds the
// driver's whole DEVMODE.
bool CoversDriverDevMode(const DEVMODEW* devMode) {
  WORD size = 0, extra = 0;
  std::memcpy(&size, reinterpret_cast<const BYTE*>(devMode) + offsetof(DEVMODEW, dmSize), 2);
  std::memcpy(&extra, reinterpret_cast<const BYTE*>(devMode) + offsetof(DEVMODEW, dmDriverExtra), 2);
  return size == kPublicDevModeSize && extra >= kDevModePrivateSize;
}

// Fills the copy's tail; false when the DEVMODE gets no record.
bool AppendMarginRecord(HANDLE printer, BYTE* copy) {
  // The identity check sees the copy as the driver's plain DEVMODE, whatever
  // the application declared beyond it.
  WORD extra = kDevModePrivateSize;
  std::memcpy(copy + offsetof(DEVMODEW, dmDriverExtra), &extra, 2);
  if (!CheckCoreSettings(copy)) return false;
  uint64_t flag = 0;
  if (!ReadSettingInto(387, copy, nullptr, &flag) || static_cast<BYTE>(flag) == 0) return false;
  uint64_t paper = 0;
  if (!ReadSettingInto(8, copy, nullptr, &paper)) return false;
  const SHORT paperSize = static_cast<SHORT>(paper);
  WORD code = 0;
  if (FormIndexToPaperCode(printer, static_cast<DWORD>(static_cast<WORD>(paperSize)), &code) != 1) return false;
  SHORT margins[4];
  GetPaperMargins(printer, code, margins);  // the defaults serve when none are stored
  extra = kEventDriverExtra;
  if (SetSettingValue(5, copy, nullptr, kSettingTypeUInt16, 2, &extra) != kSettingOk) return false;
  PaperMarginRecord record{static_cast<uint16_t>(paperSize), margins[0], margins[1], margins[2], margins[3]};
  std::memcpy(copy + kDriverDevModeSize, &record, sizeof record);
  return true;
}

}  // namespace

int AttachPaperMarginsToDevMode(HANDLE printer, const DEVMODEW* devMode, DEVMODEW** output) {
  if (devMode == nullptr || output == nullptr || !CoversDriverDevMode(devMode)) return 1;
  auto* copy = static_cast<BYTE*>(GlobalAlloc(GPTR, kEventDevModeSize));
  if (copy == nullptr) return 1;
  CopyDevModeBuffer(copy, devMode, 1);
  if (!AppendMarginRecord(printer, copy)) {
    GlobalFree(copy);
    return 1;
  }
  try {
    std::lock_guard<std::mutex> lock(HandedOutLock());
    HandedOut().insert(copy);
  } catch (...) {
    GlobalFree(copy);
    return 1;
  }
  *output = reinterpret_cast<DEVMODEW*>(copy);
  return 1;
}

int FreeEventDevMode(DEVMODEW* devMode) {
  if (devMode == nullptr) return 1;
  {
    std::lock_guard<std::mutex> lock(HandedOutLock());
    if (HandedOut().erase(devMode) == 0) return 1;
  }
  GlobalFree(devMode);
  return 1;
}

size_t LiveEventDevModes() {
  std::lock_guard<std::mutex> lock(HandedOutLock());
  return HandedOut().size();
}
