// Little-endian 32-bit words of stored values (sizes and attribute words kept
// in printer data and the registry), whatever the host's byte order.
#pragma once

#include "platform/win/win_types.h"

inline DWORD LoadLe32(const BYTE* at) { return at[0] | at[1] << 8 | at[2] << 16 | static_cast<DWORD>(at[3]) << 24; }

inline void StoreLe32(BYTE* at, DWORD value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}
