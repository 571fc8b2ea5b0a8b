// dmICMMethod follows setting 293 (see icm_method_sync.h).
#include "settings/devmode/icm_method_sync.h"

#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/access/setting_values.h"

int SyncIcmMethod(void* devMode, void* settings) {
  SettingValueType type = 0;
  UINT size = 0;
  uint64_t value = 0;
  if (GetSettingValue(293, devMode, settings, &type, &size, &value) != kSettingOk) return 0;
  uint64_t method = ReadValueAsUInt32(type, &value) == 3 ? 2 : 1;
  return WriteDefaultValue(22, devMode, settings, 4, kSettingTypeUInt32, &method);
}
