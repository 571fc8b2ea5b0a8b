// Reading and writing settings by id: the special fields (combined quality,
// packed colour words, flags, text angles, shared fields), the type and size
// checks, the texts and records, the dependent settings and the applicable
// values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/access/setting_access.h"
#include "settings_buffers.h"

namespace {

using pk::test::SettingsBuffers;
using pk::test::TextAt;

// A value at a block position: preset before a case, checked after it.
struct Bytes {
  SettingBlock block;
  size_t offset;
  size_t width;
  uint32_t value;
};

enum class Op { kRead, kWrite, kInt };

struct AccessCase {
  const char* what;
  std::vector<Bytes> before;
  Op op;
  SettingId id;
  SettingValueType type;  // write: the caller's type; read: the type expected back
  UINT size;              // write: the caller's size; read: the size expected back
  uint64_t value;         // write: the caller's value; read: the value expected back
  const char16_t* text;   // a text to write instead of a number
  int expected;           // result code (for kInt: the integer)
  std::vector<Bytes> after;
};

constexpr SettingBlock DM = kSettingBlockDevMode;
constexpr SettingBlock PS = kSettingBlockPrinter;

const AccessCase kCases[] = {
    {"id 14 joins quality and resolution",
     {{DM, 90, 2, 600}, {DM, 96, 2, 300}},
     Op::kRead,
     14,
     5,
     4,
     39321900,
     nullptr,
     0,
     {}},
    {"id 14 written back splits them",
     {},
     Op::kWrite,
     14,
     5,
     4,
     39321900,
     nullptr,
     0,
     {{DM, 90, 2, 600}, {DM, 96, 2, 300}}},
    {"id 14 keeps a negative quality",
     {{DM, 90, 2, 0xFFFC}, {DM, 96, 2, 300}},
     Op::kRead,
     14,
     5,
     4,
     0xFFFC012Cu,
     nullptr,
     0,
     {}},
    {"392 is bits 0-7 as a number", {{DM, 356, 4, 0x00123456}}, Op::kRead, 392, 5, 4, 0x56, nullptr, 0, {}},
    {"393 is bits 8-15 in place", {{DM, 356, 4, 0x00123456}}, Op::kRead, 393, 5, 4, 0x3400, nullptr, 0, {}},
    {"394 is bits 16-23 in place", {{DM, 356, 4, 0x00123456}}, Op::kRead, 394, 5, 4, 0x120000, nullptr, 0, {}},
    {"403 reads the fourth word", {{DM, 368, 4, 0xFF654321}}, Op::kRead, 403, 5, 4, 0x650000, nullptr, 0, {}},
    {"393 := 0xAB00 replaces only its byte",
     {{DM, 356, 4, 0x00123456}},
     Op::kWrite,
     393,
     5,
     4,
     0xAB00,
     nullptr,
     0,
     {{DM, 356, 4, 0x0012AB56}}},
    {"the other bytes of the caller's value are ignored",
     {{DM, 356, 4, 0x00123456}},
     Op::kWrite,
     394,
     5,
     4,
     0xFFAB00FF,
     nullptr,
     0,
     {{DM, 356, 4, 0x00AB3456}}},
    {"452 reads 0 while its bit is set", {{DM, 288, 4, 0x8}}, Op::kRead, 452, 5, 4, 0, nullptr, 0, {}},
    {"452 reads 1 while its bit is clear", {}, Op::kRead, 452, 5, 4, 1, nullptr, 0, {}},
    {"452 := 1 clears the bit", {{DM, 288, 4, 0xF}}, Op::kWrite, 452, 1, 4, 1, nullptr, 0, {{DM, 288, 4, 0x7}}},
    {"452 := 0 sets the bit", {}, Op::kWrite, 452, 5, 4, 0, nullptr, 0, {{DM, 288, 4, 0x8}}},
    {"flag with size 2 is taken as 4", {}, Op::kWrite, 449, 1, 2, 1, nullptr, 0, {{DM, 288, 4, 1}}},
    {"flag 512 is bit 31 of the second word", {}, Op::kWrite, 512, 1, 4, 7, nullptr, 0, {{DM, 292, 4, 0x80000000u}}},
    {"printer flag with size 2", {}, Op::kWrite, 770, 1, 2, 1, nullptr, 0, {{PS, 8, 4, 2}}},
    {"printer flag cleared by 0",
     {{PS, 8, 4, 0xFFFFFFFF}},
     Op::kWrite,
     800,
     1,
     4,
     0,
     nullptr,
     0,
     {{PS, 8, 4, 0x7FFFFFFF}}},
    {"464 comes back as one byte", {{DM, 288, 4, 1u << 15}}, Op::kRead, 464, 8, 1, 1, nullptr, 0, {}},
    {"490 comes back as u16", {{DM, 292, 4, 1u << 9}}, Op::kRead, 490, 3, 2, 1, nullptr, 0, {}},
    {"u16 setting with size 4", {{DM, 298, 2, 0x1111}}, Op::kWrite, 263, 3, 4, 7, nullptr, 8, {{DM, 298, 2, 0x1111}}},
    {"wrong type", {}, Op::kWrite, 263, 5, 4, 7, nullptr, 2, {{DM, 298, 2, 0}}},
    {"u8 written as u16 stores one byte",
     {{DM, 301, 1, 0x77}},
     Op::kWrite,
     264,
     3,
     2,
     0x1234,
     nullptr,
     0,
     {{DM, 300, 1, 0x34}, {DM, 301, 1, 0x77}}},
    {"u8 read back widened", {{DM, 300, 1, 0xC8}, {DM, 301, 1, 0x77}}, Op::kRead, 264, 3, 2, 0xC8, nullptr, 0, {}},
    {"33 characters do not fit dmDeviceName",
     {},
     Op::kWrite,
     1,
     6,
     64,
     0,
     u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456",
     4,
     {{DM, 0, 2, 0}}},
    {"31 characters exceed a caller size of 40",
     {},
     Op::kWrite,
     1,
     6,
     40,
     0,
     u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234",
     4,
     {{DM, 0, 2, 0}}},
    {"caller size above the field", {}, Op::kWrite, 1, 6, 66, 0, u"A", 4, {{DM, 0, 2, 0}}},
    {"31 characters fit",
     {},
     Op::kWrite,
     1,
     6,
     64,
     0,
     u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234",
     0,
     {{DM, 0, 2, 'A'}, {DM, 60, 2, '4'}, {DM, 62, 2, 0}}},
    {"text size is its bytes with terminator",
     {{DM, 102, 2, 'A'}, {DM, 104, 2, 'B'}},
     Op::kRead,
     19,
     6,
     6,
     0,
     nullptr,
     0,
     {}},
    {"297 and 298 are one field",
     {},
     Op::kWrite,
     297,
     6,
     66,
     0,
     u"Stamp",
     0,
     {{DM, 900, 2, 'S'}, {DM, 908, 2, 'p'}, {DM, 910, 2, 0}}},
    {"311 unreadable while 309 != 310",
     {{DM, 1116, 4, 1}, {DM, 1120, 4, 2}},
     Op::kRead,
     311,
     10,
     4,
     0,
     nullptr,
     16,
     {}},
    {"311 readable while they agree",
     {{DM, 1116, 4, 900}, {DM, 1120, 4, 900}},
     Op::kRead,
     311,
     10,
     4,
     900,
     nullptr,
     0,
     {}},
    {"311 written sets both",
     {{DM, 1116, 4, 1}, {DM, 1120, 4, 2}},
     Op::kWrite,
     311,
     10,
     4,
     2700,
     nullptr,
     0,
     {{DM, 1116, 4, 2700}, {DM, 1120, 4, 2700}}},
    {"364 written sets both", {}, Op::kWrite, 364, 10, 4, 450, nullptr, 0, {{DM, 1660, 4, 450}, {DM, 1664, 4, 450}}},
    {"362 alone leaves 363", {}, Op::kWrite, 362, 10, 4, 450, nullptr, 0, {{DM, 1660, 4, 450}, {DM, 1664, 4, 0}}},
    {"260 reads the whole first flag word",
     {{DM, 288, 4, 0xDEADBEEF}},
     Op::kRead,
     260,
     5,
     4,
     0xDEADBEEF,
     nullptr,
     0,
     {}},
    {"261 reads the whole second flag word",
     {{DM, 292, 4, 0x80000001u}},
     Op::kRead,
     261,
     5,
     4,
     0x80000001u,
     nullptr,
     0,
     {}},
    {"260 writes the whole first flag word",
     {},
     Op::kWrite,
     260,
     5,
     4,
     0xFFFFFFF7u,
     nullptr,
     0,
     {{DM, 288, 4, 0xFFFFFFF7u}}},
    {"261 writes the whole second flag word",
     {},
     Op::kWrite,
     261,
     5,
     4,
     0x80000201u,
     nullptr,
     0,
     {{DM, 292, 4, 0x80000201u}}},
    {"267 := 5 sets 325 to 1", {}, Op::kWrite, 267, 3, 2, 5, nullptr, 0, {{DM, 308, 1, 5}, {DM, 1206, 1, 1}}},
    {"267 := 9 has no binding",
     {{DM, 1206, 1, 2}},
     Op::kWrite,
     267,
     3,
     2,
     9,
     nullptr,
     16,
     {{DM, 308, 1, 9}, {DM, 1206, 1, 2}}},
    {"320 := 3 portrait, 1 up",
     {{DM, 76, 2, 1}, {DM, 896, 1, 1}},
     Op::kWrite,
     320,
     3,
     2,
     3,
     nullptr,
     0,
     {{DM, 1200, 1, 3}, {DM, 1208, 2, 0x101}}},
    {"320 := 3 with 16 up has no binding",
     {{DM, 76, 2, 1}, {DM, 896, 1, 16}, {DM, 1208, 2, 0x0505}},
     Op::kWrite,
     320,
     3,
     2,
     3,
     nullptr,
     16,
     {{DM, 1200, 1, 3}, {DM, 1208, 2, 0x0505}}},
    {"341 := 2 landscape, 2 up",
     {{DM, 76, 2, 2}, {DM, 896, 1, 2}},
     Op::kWrite,
     341,
     8,
     1,
     2,
     nullptr,
     0,
     {{DM, 1566, 1, 2}, {DM, 1570, 2, 0x101}}},
    {"block-2 text", {}, Op::kWrite, 1331, 6, 30, 0, u"Custom", 0, {{PS, 1702, 2, 'C'}, {PS, 1712, 2, 'm'}}},
    {"block-2 plain 32-bit value", {{PS, 2784, 4, 0x01020304}}, Op::kRead, 1418, 1, 4, 0x01020304, nullptr, 0, {}},
    {"extension i32",
     {{kSettingBlockExtension, 2064, 4, 0xFFFFFFFF}},
     Op::kRead,
     548,
     4,
     4,
     0xFFFFFFFF,
     nullptr,
     0,
     {}},
    {"274 does not apply while 293 is 1", {{DM, 894, 1, 1}, {DM, 328, 2, 77}}, Op::kInt, 274, 0, 0, 0, nullptr, 0, {}},
    {"274 applies while 293 is 2", {{DM, 894, 1, 2}, {DM, 328, 2, 77}}, Op::kInt, 274, 0, 0, 0, nullptr, 77, {}},
    {"narrow values come back zero-extended", {{DM, 76, 2, 0xFFFF}}, Op::kInt, 7, 0, 0, 0, nullptr, 0xFFFF, {}},
    {"392 under 270 = 1 does not apply", {{DM, 316, 1, 1}, {DM, 356, 4, 0x56}}, Op::kInt, 392, 0, 0, 0, nullptr, 0, {}},
    {"476 applies only under 270 = 1",
     {{DM, 316, 1, 1}, {DM, 288, 4, 1u << 27}},
     Op::kInt,
     476,
     0,
     0,
     0,
     nullptr,
     1,
     {}},
    {"475 needs 271 = 8", {{DM, 318, 2, 7}, {DM, 288, 4, 1u << 26}}, Op::kInt, 475, 0, 0, 0, nullptr, 0, {}},
    {"id in no range", {}, Op::kInt, 26, 0, 0, 0, nullptr, -1, {}},
};

TEST(SettingAccess, ReadsWritesAndTheirSpecialRules) {
  for (const AccessCase& c : kCases) {
    SCOPED_TRACE(c.what);
    SettingsBuffers b;
    for (const Bytes& p : c.before) b.Put(p.block, p.offset, p.value, p.width);
    switch (c.op) {
      case Op::kRead: {
        SettingValueType type = 0;
        UINT size = 0;
        uint64_t value = 0;
        const int result = GetSettingValue(c.id, b.devMode.data(), b.settings.data(), &type, &size, &value);
        EXPECT_EQ(result, c.expected);
        if (result == 0) {
          EXPECT_EQ(type, c.type);
          EXPECT_EQ(size, c.size);
          if (type != kSettingTypeText) {
            EXPECT_EQ(value, c.value);
          }
        }
        break;
      }
      case Op::kWrite: {
        const void* text = c.text;
        const void* value = c.text ? static_cast<const void*>(&text) : &c.value;
        EXPECT_EQ(SetSettingValue(c.id, b.devMode.data(), b.settings.data(), c.type, c.size, value), c.expected);
        break;
      }
      case Op::kInt: EXPECT_EQ(GetSettingInt(b.devMode.data(), b.settings.data(), c.id), c.expected); break;
    }
    for (const Bytes& p : c.after) {
      EXPECT_EQ(b.Get(p.block, p.offset, p.width), p.value) << "byte " << p.offset;
    }
  }
}

TEST(SettingAccess, WrittenValuesReadBackUnchanged) {
  SettingsBuffers b;
  // Id 14 written and read returns the same value; the halves follow.
  uint32_t combined = (300u << 16) | 600u;
  ASSERT_EQ(SetSettingValue(14, b.devMode.data(), nullptr, 5, 4, &combined), 0);
  EXPECT_EQ(GetSettingInt(b.devMode.data(), nullptr, 14), combined);
  EXPECT_EQ(GetSettingInt(b.devMode.data(), nullptr, 20), 300);
  EXPECT_EQ(GetSettingInt(b.devMode.data(), nullptr, 21), 600);
  // The 49-byte text at an odd offset takes 23 characters and reads back.
  const char16_t* text = u"ABCDEFGHIJKLMNOPQRSTUVW";
  ASSERT_EQ(SetSettingValue(329, b.devMode.data(), nullptr, 6, 49, &text), 0);
  SettingValueType type;
  UINT size;
  const BYTE* address = nullptr;
  ASSERT_EQ(GetSettingValue(329, b.devMode.data(), nullptr, &type, &size, &address), 0);
  EXPECT_EQ(address, b.devMode.data() + 1213);
  EXPECT_EQ(size, 48u);
  EXPECT_EQ(TextAt(address), text);
  const char16_t* tooLong = u"ABCDEFGHIJKLMNOPQRSTUVWX";
  EXPECT_EQ(SetSettingValue(329, b.devMode.data(), nullptr, 6, 49, &tooLong), 4);
  // 297 written, 298 reads the same text.
  const char16_t* stamp = u"Urgent";
  ASSERT_EQ(SetSettingValue(298, b.devMode.data(), nullptr, 6, 66, &stamp), 0);
  ASSERT_EQ(GetSettingValue(297, b.devMode.data(), nullptr, &type, &size, &address), 0);
  EXPECT_EQ(TextAt(address), u"Urgent");
  // A font record goes in whole and comes back as its address.
  LOGFONTW font = GetDefaultSecondFontRecord();
  font.lfHeight = -12;
  const LOGFONTW* record = &font;
  ASSERT_EQ(SetSettingValue(304, b.devMode.data(), nullptr, 9, sizeof font, &record), 0);
  ASSERT_EQ(GetSettingValue(304, b.devMode.data(), nullptr, &type, &size, &address), 0);
  EXPECT_EQ(type, 9);
  EXPECT_EQ(size, 92u);
  EXPECT_EQ(address, b.devMode.data() + 1108);
  EXPECT_EQ(std::memcmp(address, &font, sizeof font), 0);
  EXPECT_EQ(GetSettingInt(b.devMode.data(), nullptr, 306), -12 & 0xFFFFFFFFll);
  EXPECT_EQ(GetSettingInt(b.devMode.data(), nullptr, 314), 128);
}

TEST(SettingAccess, MissingArgumentsAndTheValueArgumentWriter) {
  SettingsBuffers b;
  SettingValueType type;
  UINT size;
  uint64_t value = 0;
  EXPECT_EQ(ReadSettingField(7, b.devMode.data(), nullptr, nullptr, &size, &value, nullptr), 16);
  EXPECT_EQ(ReadSettingField(7, b.devMode.data(), nullptr, &type, nullptr, &value, nullptr), 16);
  EXPECT_EQ(ReadSettingField(7, b.devMode.data(), nullptr, &type, &size, nullptr, nullptr), 16);
  EXPECT_EQ(WriteSettingField(7, b.devMode.data(), nullptr, 2, 2, nullptr), 16);
  EXPECT_EQ(WriteSettingField(26, b.devMode.data(), nullptr, 2, 2, nullptr), 16);
  EXPECT_EQ(WriteSettingField(26, b.devMode.data(), nullptr, 2, 2, &value), 1);
  const char16_t* none = nullptr;
  EXPECT_EQ(WriteSettingField(1, b.devMode.data(), nullptr, 6, 64, &none), 16);
  const LOGFONTW* noRecord = nullptr;
  EXPECT_EQ(WriteSettingField(357, b.devMode.data(), nullptr, 9, 92, &noRecord), 16);

  EXPECT_EQ(SetSettingValueArgs(nullptr, b.settings.data(), 7, 2, 2), -1);
  // The value is the argument itself: 2 bytes for types 2 and 3, 1 for type 8.
  EXPECT_EQ(SetSettingValueArgs(b.devMode.data(), nullptr, 7, 2, 2), 0);
  EXPECT_EQ(SetSettingValueArgs(b.devMode.data(), nullptr, 263, 3, 150), 0);
  EXPECT_EQ(SetSettingValueArgs(b.devMode.data(), nullptr, 295, 8, 4), 0);
  EXPECT_EQ(SetSettingValueArgs(b.devMode.data(), nullptr, 470, 1, 1), 0);
  EXPECT_EQ(b.Get(DM, 76, 2), 2u);
  EXPECT_EQ(b.Get(DM, 298, 2), 150u);
  EXPECT_EQ(b.Get(DM, 896, 1), 4u);
  EXPECT_EQ(b.Get(DM, 288, 4), 1u << 21);
  // A failed write (u8 setting given type 2) and an unknown type still answer 0.
  EXPECT_EQ(SetSettingValueArgs(b.devMode.data(), nullptr, 295, 2, 9), 0);
  EXPECT_EQ(SetSettingValueArgs(b.devMode.data(), nullptr, 295, 9, 9), 0);
  EXPECT_EQ(b.Get(DM, 896, 1), 4u);

  // The checked read: the stored width must match the expected type.
  b.Put(DM, 86, 3, 2);
  EXPECT_EQ(GetSettingValueChecked(b.devMode.data(), nullptr, 12, 2), 3u);
  EXPECT_EQ(GetSettingValueChecked(b.devMode.data(), nullptr, 12, 5), 0u);
  EXPECT_EQ(GetSettingValueChecked(b.devMode.data(), nullptr, 12, 7), 0u);
  EXPECT_EQ(GetSettingValueChecked(nullptr, nullptr, 12, 2), 0u);
  b.Put(DM, 288, 1u << 15, 4);
  EXPECT_EQ(GetSettingValueChecked(b.devMode.data(), nullptr, 464, 8), 1u);
  EXPECT_EQ(GetSettingValueChecked(b.devMode.data(), nullptr, 464, 1), 0u);
  EXPECT_EQ(GetSettingValueChecked(b.devMode.data(), nullptr, 19, 6),
            reinterpret_cast<uintptr_t>(b.devMode.data() + 102));
}

TEST(SettingAccess, ApplicableValueOfAProfileTextIsAnEmptyAddress) {
  SettingsBuffers b;
  b.PutText(DM, 376, u"profile.icc");
  b.Put(DM, 894, 1, 1);
  SettingValueType type = 0;
  UINT size = 0;
  const BYTE* address = b.devMode.data();
  EXPECT_EQ(GetApplicableSettingValue(289, b.devMode.data(), nullptr, &type, &size, &address), 0);
  EXPECT_EQ(address, nullptr);
  b.Put(DM, 894, 4, 1);
  EXPECT_EQ(GetApplicableSettingValue(289, b.devMode.data(), nullptr, &type, &size, &address), 0);
  EXPECT_EQ(address, b.devMode.data() + 376);
  EXPECT_EQ(GetSettingApplicability(289, b.devMode.data(), nullptr), 1);
  EXPECT_EQ(GetApplicableSettingValue(289, b.devMode.data(), nullptr, &type, &size, nullptr), 3);
  // A deciding setting that cannot be read.
  EXPECT_EQ(GetSettingApplicability(289, nullptr, b.settings.data()), 3);
  // Settings without a rule apply without reading the deciders.
  EXPECT_EQ(GetSettingApplicability(1297, nullptr, b.settings.data()), 1);
}

TEST(SettingAccess, UnterminatedTextsAreBoundedByTheirField) {
  SettingsBuffers b;
  // dmFormName filled to the last code unit: no terminator inside the field.
  for (size_t i = 0; i < 32; ++i) b.Put(DM, 102 + 2 * i, u'F', 2);
  SettingValueType type;
  UINT size;
  uint64_t value = 0;
  EXPECT_EQ(GetSettingValue(19, b.devMode.data(), nullptr, &type, &size, &value), 16);
  EXPECT_EQ(GetSettingInt(b.devMode.data(), nullptr, 19), -1);
  ASSERT_EQ(b.Get(DM, 1116, 4), b.Get(DM, 1120, 4));
  EXPECT_EQ(CompareDevModeSettings(b.devMode.data(), b.devMode.data(), nullptr), 0);
  // A DriverDevMode of exactly 2628 bytes with no zero byte at all: the last
  // text field (436, bytes 2606-2615) must not be scanned beyond its field.
  std::vector<BYTE> full(kDriverDevModeSize, 0x41);
  for (SettingId id : {1, 19, 259, 436}) {
    EXPECT_EQ(GetSettingValue(id, full.data(), nullptr, &type, &size, &value), 16) << id;
  }
  // A caller's text is scanned no further than the field (plus its terminator).
  std::u16string huge(4096, u'x');
  const char16_t* text = huge.c_str();
  EXPECT_EQ(SetSettingValue(1, b.devMode.data(), nullptr, 6, 64, &text), 4);
}

TEST(SettingAccess, ARecordSmallerThanTheFieldIsRefused) {
  SettingsBuffers b;
  // A caller's record of 60 bytes in a buffer of exactly that size.
  std::vector<BYTE> small(60, 0xAB);
  const BYTE* record = small.data();
  EXPECT_EQ(SetSettingValue(357, b.devMode.data(), nullptr, 9, 60, &record), 8);
  EXPECT_EQ(b.Get(DM, 1652, 4), 0u);
  EXPECT_EQ(SetSettingValue(357, b.devMode.data(), nullptr, 9, 93, &record), 4);
}

}  // namespace
