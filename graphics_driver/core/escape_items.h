// Items of an application's escape block, reached by byte offsets from the
// block's start. The block comes from the application: an item is taken
// only when it lies wholly within the bytes the call states.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/win/win_types.h"

// The address `offset` bytes into the packet, or null when offset is 0 or
// beyond a non-zero packetSize (0: not bounded).
const BYTE* GetEscapeItem(const BYTE* packet, uint32_t offset, uint32_t packetSize);
// The item of `length` bytes at `offset`, or null when offset is 0 or the
// item reaches past the first `bound` bytes of the packet.
const BYTE* GetBoundedEscapeItem(const BYTE* packet, uint32_t offset, uint32_t length, uint32_t bound);

// Little-endian fields of an item, at any alignment.
inline uint16_t ItemU16(const BYTE* item, uint32_t at) {
  uint16_t v;
  std::memcpy(&v, item + at, sizeof v);
  return v;
}
inline uint32_t ItemU32(const BYTE* item, uint32_t at) {
  uint32_t v;
  std::memcpy(&v, item + at, sizeof v);
  return v;
}
