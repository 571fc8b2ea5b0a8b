// The application layout override: duplex, pages per sheet and the page
// collection mode an application asks for through the layout escapes. The
// settings it overrides are saved when the override is applied and written
// back at the job end.
#pragma once

#include <cstdint>

#include "settings/devmode/devmode_layout.h"

struct LayoutOverride {
  uint32_t enabled;  // 1 while the application layout mode is on
  uint32_t featureLevel;
  uint32_t switchA;
  uint32_t switchB;
  uint16_t packetCounter;
  uint16_t packetId;
  uint32_t packetTotal;
  uint32_t packetReceived;
  int16_t nupOverride;  // -1: none
  int16_t override264;
  int16_t override294;
  int16_t override321;
  int16_t override296;
  int16_t duplexOverride;
  int16_t collectMode;
  uint32_t collectControl;  // 1 while the application controls the page collection mode
  uint32_t saved;           // 1 while the saved values are valid
  uint16_t savedValues[7];  // 295, 264, 294, 321, 296, dmDuplex and 270 before the overrides
};

// Mode off, the three values stored, no override: 0, or -1 without a record.
int InitLayoutOverride(LayoutOverride* record, uint32_t featureLevel, uint32_t switchA, uint32_t switchB);
// Saves the overridden settings and writes the overrides (and 270 = 0 under
// collection control) into the working DEVMODE; settings saved before are
// first written back. The restore step's result.
int ApplyLayoutOverride(WorkingDevMode* devmode, BYTE* printerSettings, LayoutOverride* record);
// Writes the saved settings back once: 0, or -1 for a missing argument.
int RestoreLayoutSettings(WorkingDevMode* devmode, BYTE* printerSettings, LayoutOverride* record);
