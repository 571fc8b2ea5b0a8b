// The printer's feature level (printer setting 1308): later levels of the
// printer take more of the driver's features.
#pragma once

#include "graphics_driver/core/pdev_state.h"

// 1 when setting 1308 is at least `level`, both taken as signed 32-bit
// numbers; 0 otherwise and when the setting cannot be read.
int HasFeatureLevel(const PdevState* pdev, uint32_t level);
// The feature level the job runs at: setting 1308 brought into
// 0x01010501..0x01020001 (0x01010501 when it cannot be read).
uint32_t GetFeatureLevel(const PdevState* pdev);
