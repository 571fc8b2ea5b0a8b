// Device font metrics (see device_font_metrics.h).
#include "graphics_driver/job_output/device_font_metrics.h"

#include <cstring>

namespace {

uint8_t ReadFontU8(DeviceFontRecord* font, uint32_t offset) {
  uint64_t at = uint64_t(font->cursor) + offset;
  if (at >= font->blockSize) {
    font->valid = 0;
    return 0;
  }
  return font->block[at];
}

// A zero-ended text at the offset, cut at the block's end.
void ReadName(const DeviceFontRecord* font, uint32_t offset, const char** name, uint16_t* length) {
  *name = nullptr;
  *length = 0;
  if (offset >= font->blockSize) return;
  const char* text = reinterpret_cast<const char*>(font->block + offset);
  const void* end = std::memchr(text, 0, font->blockSize - offset);
  uint32_t n = end ? uint32_t(static_cast<const char*>(end) - text) : font->blockSize - offset;
  *name = text;
  *length = uint16_t(n > 0xFFFF ? 0xFFFF : n);
}

// The hexadecimal text's value; 0xFFFF when it holds any other character.
uint16_t ReadHexText(const DeviceFontRecord* font, uint32_t offset) {
  uint16_t value = 0;
  for (uint32_t at = offset; at < font->blockSize && font->block[at]; ++at) {
    char c = char(font->block[at]);
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) return 0xFFFF;
    value = uint16_t(value * 16 + digit);
  }
  return value;
}

}  // namespace

uint16_t ReadFontU16(DeviceFontRecord* font, uint32_t offset) {
  uint64_t at = uint64_t(font->cursor) + offset;
  if (at + 2 > font->blockSize) {
    font->valid = 0;
    return 0;
  }
  return uint16_t(font->block[at] | font->block[at + 1] << 8);
}

int ParseDeviceFontBlock(const BYTE* block, DeviceFontRecord* font, uint32_t blockSize) {
  if (!block || !font) return -1;
  std::memset(font, 0, sizeof *font);
  // An empty block has nothing to read; reads are never unbounded.
  if (blockSize == 0) return -1;
  font->block = block;
  font->blockSize = blockSize;
  font->valid = 1;
  font->flag = ReadFontU8(font, 24) & 1;
  font->value25 = int16_t(ReadFontU16(font, 25));
  font->first = ReadFontU8(font, 29);
  font->last = ReadFontU8(font, 30);
  font->namesOffset = ReadFontU16(font, 39);
  if (font->namesOffset < blockSize) {
    ReadName(font, font->namesOffset, &font->name1, &font->name1Length);
    uint32_t second = uint32_t(font->namesOffset) + font->name1Length + 1;
    ReadName(font, second, &font->name2, &font->name2Length);
  }
  const uint16_t value53 = ReadFontU16(font, 53);
  font->value53 = value53 ? value53 : 81;
  font->height = int16_t(ReadFontU16(font, 35) - value53);
  font->directOffset = ReadFontU16(font, 57);
  font->idOffset = ReadFontU16(font, 73);
  font->id = font->idOffset ? ReadHexText(font, font->idOffset) : 0;
  font->extOffset = ReadFontU16(font, 77);
  if (const uint32_t e = font->extOffset) {
    font->extValue = ReadFontU16(font, e);
    if (const uint16_t r = ReadFontU16(font, e + 6)) {
      font->rangeCount = ReadFontU16(font, r);
      font->rangePosition = uint16_t(r + 2);
    }
    if (const uint16_t a = ReadFontU16(font, e + 10)) {
      font->arrayValue = ReadFontU16(font, a);
      font->arrayCount = ReadFontU16(font, a + 4);
      font->arrayPosition = uint16_t(a + 6);
    }
    if (const uint16_t p = ReadFontU16(font, e + 14)) {
      font->pairCount = ReadFontU16(font, p);
      font->pairPosition = uint16_t(p + 2);
    }
  }
  return 0;
}

int32_t GetRangeArrayWidth(DeviceFontRecord* font, uint32_t code) {
  if (!font) return -1;
  for (uint32_t i = 0; i < font->arrayCount; ++i) {
    const uint32_t entry = uint32_t(font->arrayPosition) + i * 8;
    const uint32_t first = ReadFontU16(font, entry), last = ReadFontU16(font, entry + 2);
    if (first <= code && code <= last) {
      // The array offset is 32-bit; one past 16 bits lies outside any block.
      const uint32_t array = ReadFontU16(font, entry + 4) | uint32_t(ReadFontU16(font, entry + 6)) << 16;
      return ReadFontU16(font, array + (code - first) * 2);
    }
  }
  return -1;
}

int32_t GetDeviceFontCharWidth(DeviceFontRecord* font, uint32_t code) {
  if (!font) return -1;
  font->cursor = 0;
  font->valid = 1;
  if (font->first <= code && code <= font->last)
    return font->directOffset ? ReadFontU16(font, font->directOffset + (code - font->first) * 2) : -1;
  if (font->extOffset == 0) return -1;
  int32_t width = -1;
  int32_t low = 0, high = int32_t(font->pairCount) - 1;
  while (low <= high) {
    const int32_t middle = (low + high) / 2;
    const uint32_t entry = uint32_t(font->pairPosition) + uint32_t(middle) * 4;
    const uint16_t entryCode = ReadFontU16(font, entry);
    if (entryCode == code) {
      width = ReadFontU16(font, entry + 2);
      break;
    }
    if (entryCode < code) low = middle + 1;
    else high = middle - 1;
  }
  // A width with the sign bit set counts as none.
  if (width < 0 || (width & 0x8000)) {
    width = -1;
    for (uint32_t i = 0; i < font->rangeCount; ++i) {
      const uint32_t entry = uint32_t(font->rangePosition) + i * 6;
      if (ReadFontU16(font, entry) <= code && code <= ReadFontU16(font, entry + 2)) {
        width = ReadFontU16(font, entry + 4);
        break;
      }
    }
  }
  if (width < 0) width = GetRangeArrayWidth(font, code);
  return width;
}
