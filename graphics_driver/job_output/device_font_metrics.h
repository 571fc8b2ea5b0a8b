// Device font metrics: the parsed view of a device font's metrics block (the
// data of a type-11 model record from its byte 6) and the width of a
// character code, looked up in the direct width table, the sorted pair table,
// the range table and the array table, in that order. Every read is bounded
// by the block's size.
#pragma once

#include <cstdint>

#include "platform/win/win_types.h"

struct DeviceFontRecord {
  const BYTE* block;
  uint32_t blockSize;  // every read stays below it; 0 is an empty block
  uint32_t cursor;     // added to every offset read
  int32_t valid;       // cleared by a read at or past the block's end
  uint16_t namesOffset;
  const char* name1;  // points into the block, not terminated past its end
  const char* name2;
  uint16_t name1Length;  // bytes before the terminator or the block's end
  uint16_t name2Length;
  uint16_t idOffset;
  uint16_t id;  // the hexadecimal text's value, 0xFFFF when it holds another character
  int16_t height;
  uint16_t value53;
  uint8_t flag;
  int16_t value25;
  uint8_t first;
  uint8_t last;
  uint16_t directOffset;
  uint16_t extOffset;  // E
  uint16_t extValue;
  uint16_t rangePosition;  // of the first entry
  uint16_t rangeCount;
  uint16_t arrayPosition;  // of the first entry
  uint16_t arrayValue;
  uint16_t arrayCount;
  uint16_t pairPosition;  // of the first entry
  uint16_t pairCount;
};

// Fills the record from the block: 0, or -1 when there is no block or
// record, or the block is empty. A names offset at or past the size gives no
// names; a name ends at its terminator or at the block's end.
int ParseDeviceFontBlock(const BYTE* block, DeviceFontRecord* font, uint32_t blockSize);
// The width of a character code, or -1 when the font gives none.
int32_t GetDeviceFontCharWidth(DeviceFontRecord* font, uint32_t code);
// The array table's width of a code, or -1.
int32_t GetRangeArrayWidth(DeviceFontRecord* font, uint32_t code);
// The 16-bit value at cursor + offset; 0 with the valid flag cleared when it
// does not lie wholly inside the block.
uint16_t ReadFontU16(DeviceFontRecord* font, uint32_t offset);
