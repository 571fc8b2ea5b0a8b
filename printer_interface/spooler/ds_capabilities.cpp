// The two capability values the directory service publishes for a printer,
// kept as one-byte binary values under the printer data key "DsDriver".
#include "platform/spooler/winspool.h"
#include "printer_interface/spooler/printer_events.h"
#include "settings/access/setting_access.h"

namespace {

// A printer setting's value as a number; 0 when it cannot be read.
uint64_t SettingOf(const void* settings, SettingId id) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(id, nullptr, settings, &type, &size, &value) != kSettingOk) return 0;
  return value;
}

DWORD WriteByte(HANDLE printer, const WCHAR* name, BYTE value) {
  return SetPrinterDataExW(printer, u"DsDriver", name, REG_BINARY, &value, 1);
}

}  // namespace

int PublishDsCapabilities(HANDLE printer, const void* settings) {
  if (printer == nullptr || settings == nullptr) return 0;
  // 775: the duplex unit; 773 and 788: the finishers that staple; 1038 = 1:
  // stapling enabled.
  const BYTE duplex = SettingOf(settings, 775) != 0 ? 1 : 0;
  const BYTE stapling =
      (SettingOf(settings, 773) != 0 || SettingOf(settings, 788) != 0) && SettingOf(settings, 1038) == 1 ? 1 : 0;
  const DWORD first = WriteByte(printer, u"printDuplexSupported", duplex);
  const DWORD second = WriteByte(printer, u"printStaplingSupported", stapling);
  return first == ERROR_SUCCESS && second == ERROR_SUCCESS ? 1 : 0;
}
