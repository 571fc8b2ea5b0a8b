// The layout features an application may ask for through the layout
// escapes, by the printer's feature level: which escape carries each
// feature and with which flags and limits.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"

#pragma pack(push, 1)
struct EscapeFeatureRow {
  uint16_t feature;
  uint16_t escape;    // escape code of the feature
  uint32_t minLevel;  // lowest feature level that offers the row
  uint32_t flags;
  uint32_t limitA;
  uint32_t limitB;
};
#pragma pack(pop)
static_assert(sizeof(EscapeFeatureRow) == 20);

constexpr uint16_t kFeatureLayoutMode = 0x1101;
constexpr uint16_t kFeatureImagePackets = 0x1102;
constexpr uint16_t kFeaturePageCollect = 0x1103;
constexpr uint16_t kFeatureDuplexNup = 0x1104;

// The levels a feature query is answered for.
constexpr uint32_t kLowestFeatureLevel = 0x01010501;
constexpr uint32_t kHighestFeatureLevel = 0x01020001;

// The first row of the feature that the PDEV's level offers (copied to out
// when given): 0, or -1 when the feature is not offered. Without switchA
// the duplex and pages-per-sheet row loses flags 0x4 and 0x8; the page
// collection feature needs switchB.
int FindEscapeFeature(const PdevState* pdev, uint16_t feature, EscapeFeatureRow* out);
