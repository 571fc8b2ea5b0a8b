// User-defined paper slots: ten slots n = 0-9 with the paper codes 262-266
// (slots 0-4) and 287-291 (slots 5-9). Slot n keeps its width in setting
// 1311 + n, its length in 1321 + n and its name in 1331 + n.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

constexpr WORD kUserPaperSlotCount = 10;
constexpr WORD kNoUserPaper = 0xFFFF;
// A slot name's buffer: 30 bytes, up to 14 characters and the terminator.
constexpr UINT kUserPaperNameBytes = 30;

bool IsUserPaperCode(uint32_t code);
// The slot of a user paper code, 0xFFFF for any other code.
WORD GetUserPaperIndex(uint32_t code);
// The paper code of a slot, 0xFFFF above 9.
WORD GetUserPaperCode(uint32_t slot);
// Writes the slot's default name (the base name followed by slot + 1) into a
// buffer of at least 30 bytes: 1, or 0 without a buffer.
int FormatUserPaperName(uint32_t slot, LPWSTR buffer);
