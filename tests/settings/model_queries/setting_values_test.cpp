// Value helpers by setting value type, preset stamp colours, grey rows,
// choice lists and the answers of feature handlers.
#include <cstring>
#include <thread>

#include "query_fixture.h"
#include "settings/access/choice_list.h"
#include "settings/access/setting_values.h"
#include "settings/model/stamp_colors.h"

namespace {

using pk::test::ModelTest;
using pk::test::Wide;

struct Bytes8 {
  uint8_t b[8] = {};
};

template <typename T>
Bytes8 Of(T v) {
  Bytes8 x;
  memcpy(x.b, &v, sizeof v);
  return x;
}

TEST(SettingValues, FormatsByType) {
  struct Row {
    SettingValueType type;
    Bytes8 value;
    const char16_t* text;  // null: not formatted
  } rows[] = {
      {2, Of<uint16_t>(0xFFFF), u"-1"},     {3, Of<uint16_t>(0xFFFF), u"65535"}, {1, Of<int32_t>(-7), u"-7"},
      {10, Of<int32_t>(123456), u"123456"}, {4, Of<int32_t>(-5), u"-5"},         {5, Of<uint32_t>(42), u"42"},
      {8, Of<uint8_t>(200), u"200"},        {7, Of<float>(1.0f), nullptr},       {9, Of<int32_t>(1), nullptr},
      {0, Of<int32_t>(1), nullptr},
  };
  for (const Row& row : rows) {
    WCHAR out[WSPRINTF_LIMIT] = u"unchanged";
    WCHAR* result = FormatSettingValue(row.type, row.value.b, out);
    if (!row.text) {
      EXPECT_EQ(result, nullptr) << row.type;
      continue;
    }
    EXPECT_EQ(result, out);
    EXPECT_EQ(Wide(out), std::u16string(row.text)) << row.type;
  }
  WCHAR out[16];
  EXPECT_EQ(Wide(FormatSettingValue(6, u"Tray 2", out)), u"Tray 2");
  EXPECT_EQ(FormatSettingValue(2, nullptr, out), nullptr);
}

TEST(SettingValues, SizesReadsAndCopies) {
  struct Size {
    const void* value;
    SettingValueType type;
    int given, size;
  } sizes[] = {{nullptr, 1, 0, 4},  {nullptr, 4, 0, 4}, {nullptr, 5, 0, 4},  {nullptr, 10, 0, 4}, {nullptr, 2, 0, 2},
               {nullptr, 3, 0, 2},  {nullptr, 8, 0, 1}, {nullptr, 9, 0, 92}, {u"abc", 6, -1, 8},  {u"abc", 6, 64, 64},
               {nullptr, 6, -1, 0}, {u"", 6, -1, 2},    {nullptr, 7, 0, 0},  {nullptr, 11, 0, 0}};
  for (const Size& s : sizes) EXPECT_EQ(GetValueByteSize(s.value, s.type, s.given), s.size) << s.type;

  struct Read {
    SettingValueType type;
    Bytes8 value;
    INT asInt;
    UINT asUInt;
  } reads[] = {
      {2, Of<int16_t>(-2), -2, 0xFFFFFFFEu},
      {3, Of<uint16_t>(0xFFFE), 65534, 65534u},
      {8, Of<uint8_t>(0xFF), 255, 255u},
      {1, Of<int32_t>(-5), -5, 0xFFFFFFFBu},
      {5, Of<uint32_t>(0x80000000u), INT32_MIN, 0x80000000u},
      {6, Of<int32_t>(7), 0, 0u},
      {9, Of<int32_t>(7), 0, 0u},
  };
  for (const Read& r : reads) {
    EXPECT_EQ(ReadValueAsInt32(r.type, r.value.b), r.asInt) << r.type;
    EXPECT_EQ(ReadValueAsUInt32(r.type, r.value.b), r.asUInt) << r.type;
  }
  EXPECT_EQ(ReadValueAsInt32(1, nullptr), 0);
  EXPECT_EQ(ReadValueAsUInt32(2, nullptr), 0u);

  // The low 32 bits are cleared before the value is copied into them.
  struct Copy {
    SettingValueType type;
    Bytes8 value;
    uint64_t result;
  } copies[] = {{2, Of<uint16_t>(0x1234), 0xAAAAAAAA00001234ull},
                {8, Of<uint8_t>(0x7F), 0xAAAAAAAA0000007Full},
                {4, Of<uint32_t>(0x01020304), 0xAAAAAAAA01020304ull}};
  for (const Copy& c : copies) {
    ULONG_PTR variable = static_cast<ULONG_PTR>(0xAAAAAAAABBBBBBBBull);
    ASSERT_EQ(CopyValueByType(c.type, &variable, c.value.b), 1);
    EXPECT_EQ(static_cast<uint64_t>(variable), c.result) << c.type;
  }
  ULONG_PTR variable = 0;
  const char16_t* text = u"text";
  ASSERT_EQ(CopyValueByType(6, &variable, text), 1);
  EXPECT_EQ(variable, reinterpret_cast<ULONG_PTR>(text));
  EXPECT_EQ(CopyValueByType(7, &variable, text), 0);
  EXPECT_EQ(CopyValueByType(2, nullptr, text), 0);
  EXPECT_EQ(CopyValueByType(2, &variable, nullptr), 0);

  EXPECT_EQ(FreeMemoryBlock(nullptr), 0);
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(FreeMemoryBlock(GlobalAlloc(GPTR, 8)), 1);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST(StampColors, PresetColoursByKeyOrIndex) {
  struct Row {
    int key, index, result;
    COLORREF colour;
  } rows[] = {
      {4, -1, 1, RGB(99, 137, 101)},
      {1, -1, 1, RGB(255, 51, 0)},
      {7, -1, 1, RGB(0, 0, 0)},
      {0, 6, 1, RGB(0, 0, 0)},
      {0, 5, 1, RGB(141, 81, 147)},
      {99, 2, 1, RGB(255, 204, 0)},
      {8, -1, 0, 0},
      {9, -1, 0, 0},
      {0, -1, 0, 0},
      {1, 7, 0, 0},
      {1, -2, 0, 0},
  };
  for (const Row& row : rows) {
    COLORREF colour = 0x12345678;
    EXPECT_EQ(GetPresetColor(row.key, &colour, row.index), row.result) << row.key << " " << row.index;
    if (row.result) EXPECT_EQ(colour, row.colour) << row.key << " " << row.index;
    else EXPECT_EQ(colour, 0x12345678u);
  }
}

TEST(StampColors, GreyRows) {
  const BYTE pixels[] = {10, 10, 10, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 1, 2, 3};
  BYTE grey[6] = {};
  ConvertRowToGrey(pixels, grey, 3, 2);
  const BYTE expected[] = {10, 84, 85, 84, 255, (4 * 85 + 2 * 86) / 256};
  EXPECT_EQ(std::vector<BYTE>(grey, grey + 6), std::vector<BYTE>(expected, expected + 6));
}

WCHAR* NewText(const char16_t* s) {
  size_t n = std::char_traits<char16_t>::length(s);
  auto* t = static_cast<WCHAR*>(GlobalAlloc(GPTR, (n + 1) * 2));
  memcpy(t, s, n * 2);
  return t;
}

HICON NewIcon() {
  static const BYTE bits[32 * 4 * 32] = {};
  return CreateIcon(nullptr, 32, 32, 1, 1, bits, bits);
}

HPALETTE NewPalette() {
  LOGPALETTE p{0x300, 1, {{1, 2, 3, 0}}};
  return CreatePalette(&p);
}

SettingChoiceList* NewList(WORD kind, SettingValueType type, INT count, bool pictures) {
  auto* list = static_cast<SettingChoiceList*>(GlobalAlloc(GPTR, sizeof(SettingChoiceList)));
  list->id = 300;
  list->title = NewText(u"Stamp colour");
  list->kind = kind;
  list->valueType = type;
  list->count = count;
  list->items = static_cast<ChoiceItem*>(GlobalAlloc(GPTR, sizeof(ChoiceItem) * count));
  for (INT n = 0; n < count; ++n) {
    ChoiceItem& item = list->items[n];
    item.text = NewText(u"Item");
    item.value = type == kSettingTypeText ? reinterpret_cast<uintptr_t>(NewText(u"value")) : static_cast<uint64_t>(n);
    if (pictures) {
      item.icon = NewIcon();
      item.palette = NewPalette();
    }
  }
  return list;
}

TEST(ChoiceLists, FreeingLeavesNothingAlive) {
  SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SIZE_T icons = pk::seams::LiveIcons();
  SIZE_T palettes = pk::seams::LivePalettes();
  for (SettingValueType type : {kSettingTypeText, kSettingTypeInt16}) {
    SettingChoiceList* list = NewList(2, type, 3, true);
    EXPECT_EQ(pk::seams::LiveIcons(), icons + 3);
    EXPECT_EQ(Wide(GetChoiceListTitle(list)), u"Stamp colour");
    EXPECT_EQ(GetChoiceListCount(list), 3);
    EXPECT_EQ(SetChoiceListKind(list, 4), 1);
    EXPECT_EQ(GetChoiceListKind(list), 4);
    EXPECT_EQ(FreeChoiceList(list), 1);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks) << type;
    EXPECT_EQ(pk::seams::LiveIcons(), icons) << type;
    EXPECT_EQ(pk::seams::LivePalettes(), palettes) << type;
  }
  // A list whose count was never set has no items to free.
  auto* unset = static_cast<SettingChoiceList*>(GlobalAlloc(GPTR, sizeof(SettingChoiceList)));
  unset->count = -1;
  EXPECT_EQ(FreeChoiceList(unset), 1);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);

  // The values of a free-value list are not the list's own.
  SettingChoiceList* free = NewList(kChoiceKindFreeValue, kSettingTypeText, 2, false);
  std::vector<void*> values = {reinterpret_cast<void*>(free->items[0].value),
                               reinterpret_cast<void*>(free->items[1].value)};
  EXPECT_EQ(FreeChoiceList(free), 1);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks + 2);
  for (void* v : values) GlobalFree(v);

  EXPECT_EQ(FreeChoiceList(nullptr), 0);
  EXPECT_EQ(GetChoiceListTitle(nullptr), nullptr);
  EXPECT_EQ(GetChoiceListKind(nullptr), 0);
  EXPECT_EQ(SetChoiceListKind(nullptr, 2), 0);
  EXPECT_EQ(GetChoiceListCount(nullptr), -1);
}

TEST(ChoiceLists, MarkTableIsZeroed) {
  SettingMark* marks = AllocSettingMarkList();
  ASSERT_NE(marks, nullptr);
  for (size_t k = 0; k < kSettingMarkCount; ++k) EXPECT_TRUE(marks[k].id == 0 && marks[k].mark == 0);
  GlobalFree(marks);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(AllocSettingMarkList(), nullptr);
}

class ChoiceAnswerTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    module_ = LoadLibraryW((pk::test::DriverFolder() + u"ModelTest.vbn").c_str());
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    FreeLibrary(module_);
    ModelTest::TearDown();
  }
  HMODULE module_ = nullptr;
};

TEST_F(ChoiceAnswerTest, TextsFromStringsOrGiven) {
  ChoiceAnswer answer{};
  answer.module = module_;
  ULONG_PTR value = 0x1234;
  ASSERT_EQ(SetChoiceAnswer(300, nullptr, &value, 2, &answer), 1);
  EXPECT_EQ(Wide(answer.text), u"Stamp");
  EXPECT_EQ(*static_cast<ULONG_PTR*>(answer.value), 0x1234u);
  EXPECT_NE(answer.value, &value);
  EXPECT_EQ(answer.valueType, 2);
  answer.baseId = 1;
  ASSERT_EQ(SetChoiceAnswer(300, nullptr, &value, 2, &answer), 1);
  EXPECT_EQ(Wide(answer.text), u"Second module text");
  EXPECT_EQ(SetChoiceAnswer(900, nullptr, &value, 2, &answer), 0);
  EXPECT_EQ(answer.text, nullptr);
  WCHAR given[] = u"Given";
  ASSERT_EQ(SetChoiceAnswer(0, given, &value, 6, &answer), 1);
  EXPECT_EQ(answer.text, given);
  ASSERT_EQ(SetChoiceAnswer(0, nullptr, &value, 6, &answer), 1);
  EXPECT_EQ(answer.text, nullptr);
}

// Each spooler thread reads back its own answer.
TEST_F(ChoiceAnswerTest, EachThreadKeepsItsOwnAnswer) {
  constexpr int kRounds = 200;
  bool ok[2] = {true, true};
  auto run = [&](int which) {
    UINT id = which == 0 ? 300 : 301;
    const char16_t* expected = which == 0 ? u"Stamp" : u"Second module text";
    for (int round = 0; round < kRounds; ++round) {
      ChoiceAnswer answer{};
      answer.module = module_;
      ULONG_PTR value = static_cast<ULONG_PTR>(which * 100000 + round);
      if (SetChoiceAnswer(id, nullptr, &value, 1, &answer) != 1) ok[which] = false;
      std::this_thread::yield();
      if (*static_cast<ULONG_PTR*>(answer.value) != value || Wide(answer.text) != expected) ok[which] = false;
    }
  };
  std::thread a(run, 0), b(run, 1);
  a.join();
  b.join();
  EXPECT_TRUE(ok[0]);
  EXPECT_TRUE(ok[1]);
}

}  // namespace
