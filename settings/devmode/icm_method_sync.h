// Keeps dmICMMethod in step with the private colour-matching setting.
#pragma once

// dmICMMethod (22) becomes 2 when setting 293 is 3, else 1: 1 on success, 0
// when the read or the write fails.
int SyncIcmMethod(void* devMode, void* settings);
