// Conversions between device units (1/18432 inch), dots and micrometres. Each
// is computed in single precision, the product first, then the division, and
// truncated toward zero, as every part of the driver expects.
#pragma once

#include <cstdint>

int32_t DeviceUnitsToDots(uint32_t value, int32_t dpi);
// `value` is micrometres (tenths of a millimetre x 100).
int32_t MicronsToDeviceUnits(int32_t value);
int32_t DeviceUnitsToMicrons(uint32_t value);
