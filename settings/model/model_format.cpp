// The header-field layout table and the byte decoders of the device
// description files.
#include "settings/model/model_format.h"

namespace {

constexpr ModelHeaderField Fixed(uint16_t id, uint16_t size) { return {id, false, 1, size}; }
constexpr ModelHeaderField Stored(uint16_t id, uint16_t size) { return {id, true, 0, size}; }

}  // namespace

const ModelHeaderField kModelHeaderFields[kModelHeaderFieldCount] = {
    Fixed(0, 4),  Fixed(1, 2),  Fixed(2, 4),  Stored(3, 2),  Fixed(4, 2),   Fixed(5, 1),  Fixed(6, 4),   Fixed(7, 1),
    Fixed(8, 4),  Fixed(9, 4),  Fixed(10, 2), Fixed(11, 4),  Fixed(12, 4),  Fixed(13, 0), Stored(14, 1), Fixed(15, 4),
    Fixed(16, 2), Fixed(17, 0), Fixed(18, 0), Fixed(19, 0),  Fixed(20, 0),  Fixed(21, 0), Fixed(22, 0),  Fixed(23, 1),
    Fixed(24, 2), Fixed(25, 2), Fixed(26, 4), Stored(27, 2), Stored(28, 0), Fixed(29, 0), Fixed(30, 0),  Fixed(31, 0),
    Fixed(32, 0), Fixed(33, 0), Fixed(34, 0), Stored(35, 2), Stored(36, 0),
};

int ModelDirectoryOrdinal(uint16_t type) {
  for (size_t i = 0; i < kModelDirectoryTypeCount; ++i)
    if (kModelDirectoryOrder[i] == type) return static_cast<int>(i);
  return -1;
}

bool ParseVersionText(const char* text, size_t size, uint16_t* major, uint16_t* minor, uint32_t* build) {
  if (!text || !major || !minor || !build) return false;
  size_t i = 0;
  auto atEnd = [&] { return i >= size || text[i] == '\0'; };
  while (!atEnd() && text[i] != ':') ++i;
  if (atEnd()) return false;
  ++i;  // the colon
  auto number = [&](uint32_t limit, uint32_t* out) {
    uint32_t v = 0;
    while (!atEnd() && text[i] >= '0' && text[i] <= '9') {
      v = v * 10 + static_cast<uint32_t>(text[i] - '0');
      if (v > limit) return false;
      ++i;
    }
    *out = v;
    return true;
  };
  uint32_t a = 0, b = 0, c = 0;
  if (atEnd() || !number(255, &a)) return false;
  if (atEnd()) return false;
  ++i;  // one separator
  if (!number(255, &b)) return false;
  if (atEnd()) return false;
  ++i;  // one separator
  if (!number(65535, &c)) return false;
  *major = static_cast<uint16_t>(a);
  *minor = static_cast<uint16_t>(b);
  *build = c;
  return true;
}

uint32_t MakeVersionNumber(uint32_t major, uint32_t minor, uint32_t build) {
  return (major << 24) + (minor << 16) + (build % 65536u);
}

uint32_t ReadBigEndianLevel(const unsigned char bytes[4]) {
  // Wrapping 32-bit arithmetic, as the sum of sign-extended bytes may leave
  // the signed range.
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k)
    v = v * 256u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(bytes[k])));
  return v;
}
