// Items of an escape block (see escape_items.h).
#include "graphics_driver/core/escape_items.h"

const BYTE* GetEscapeItem(const BYTE* packet, uint32_t offset, uint32_t packetSize) {
  if (!packet || offset == 0 || (packetSize != 0 && offset > packetSize)) return nullptr;
  return packet + offset;
}

const BYTE* GetBoundedEscapeItem(const BYTE* packet, uint32_t offset, uint32_t length, uint32_t bound) {
  if (!packet || offset == 0 || uint64_t(offset) + length > bound) return nullptr;
  return packet + offset;
}
