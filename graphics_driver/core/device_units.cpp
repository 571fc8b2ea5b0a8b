// Device unit conversions (see device_units.h).
#include "graphics_driver/core/device_units.h"

#include "graphics_driver/core/pdev_state.h"

namespace {

// Truncation of a float that may lie outside the 32-bit range saturates
// instead of being undefined.
int32_t Truncate(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

int32_t DeviceUnitsToDots(uint32_t value, int32_t dpi) {
  return Truncate(static_cast<float>(value) * static_cast<float>(dpi) / float(kDeviceUnitsPerInch));
}

int32_t MicronsToDeviceUnits(int32_t value) {
  return Truncate(static_cast<float>(value) * float(kDeviceUnitsPerInch) / 25400.0f);
}

int32_t DeviceUnitsToMicrons(uint32_t value) {
  return Truncate(static_cast<float>(value) * 25400.0f / float(kDeviceUnitsPerInch));
}
