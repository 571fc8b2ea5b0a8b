// The id table: one descriptor per setting (block position, value type, the
// type callers see, field size), the ten id ranges that lead to the
// descriptor lists, and the masks of the flag ids. The table is a file
// format: an id must mean the same bytes in every build that carries it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/access/setting_ids.h"

struct SettingDescriptor {
  SettingId id;  // 0 ends a list
  SettingValueType valueType;
  SettingValueType returnedType;  // 0: the same as valueType
  uint16_t reserved;
  uint64_t offset;   // byte position within the block
  uint32_t maxSize;  // field size of texts and records, 0 for scalars
  uint32_t reserved2;
};

struct SettingIdRange {
  SettingBlock block;
  SettingId firstId;
  SettingId lastId;
  uint16_t reserved;
  const SettingDescriptor* descriptors;  // null ends the range table
};

struct SettingFlagMask {
  SettingId id;  // 0 ends a list
  uint32_t mask;
};

constexpr size_t kSettingDescriptorCount = 544;
constexpr size_t kSettingIdRangeCount = 10;

// Every descriptor in the order of the layout tables (the order the lists keep).
extern const SettingDescriptor kSettingDescriptorTable[kSettingDescriptorCount];
// The ten ranges in search order, followed by an ending row.
extern const SettingIdRange kSettingIdRanges[kSettingIdRangeCount + 1];
// Masks of the DEVMODE flag ids 449-512 and of the printer flag ids 769-800.
extern const SettingFlagMask* const kDevModeFlagMasks;
extern const SettingFlagMask* const kPrinterFlagMasks;

// True for the ids that address one bit of a flag word.
constexpr bool IsSettingFlagId(SettingId id) { return (id >= 449 && id <= 512) || (id >= 769 && id <= 800); }
