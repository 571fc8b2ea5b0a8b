// Choice lists: lists described by feature handlers and by the model, the
// stamp names, user papers with their sizes, item accessors, and the icons
// of option pictures.
#include <string>
#include <vector>

#include "settings/choices/choices_fixture.h"
#include "settings/choices/icon_dib.h"
#include "settings/choices/setting_choice_list.h"
#include "settings/model/model_interface.h"
#include "settings/store/stamp_store.h"

namespace pk::test {
namespace {

class ChoiceListTest : public ChoicesTest {
 protected:
  SettingChoiceList* Build(SettingId id) {
    return BuildSettingChoiceList(current_, model_, id, module_, 0, nullptr, devMode(), settings());
  }
  static uint32_t ItemValue(const SettingChoiceList* list, INT n) {
    const ChoiceItem* item = GetChoiceItem(list, n);
    return item ? ReadValueAsUInt32(list->valueType, &item->value) : 0xDEADu;
  }
  static std::u16string ItemTextValue(const SettingChoiceList* list, INT n) {
    const ChoiceItem* item = GetChoiceItem(list, n);
    return item ? Wide(reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(item->value))) : u"<no item>";
  }
};

TEST_F(ChoiceListTest, CopiesAreARangeFromTheHandler) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SettingChoiceList* list = Build(12);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->id, 12);
  EXPECT_EQ(GetChoiceListKind(list), 4);
  ASSERT_EQ(GetChoiceListCount(list), 3);
  EXPECT_EQ(list->valueType, kSettingTypeInt16);
  EXPECT_EQ(ItemValue(list, 0), 1u);
  EXPECT_EQ(ItemValue(list, 1), 999u);  // the default model's maximum
  EXPECT_EQ(ItemValue(list, 2), 1u);
  EXPECT_EQ(FreeChoiceList(list), 1);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ChoiceListTest, SettingWithoutListOperationTakesTheModelFeature) {
  // dmDuplex has a handler, but not for its list.
  WORD kind = 0, options = 0;
  const WCHAR* title = nullptr;
  ModelRecord* feature = nullptr;
  ModelInterfaceStatus status = 0;
  ASSERT_EQ(GetModelFeature(model_, 16, &kind, &options, &title, &feature, &status), 1);
  const std::u16string modelTitle = Wide(title);
  ReleaseModelRecord(feature);

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SettingChoiceList* list = Build(16);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Wide(GetChoiceListTitle(list)), modelTitle);
  EXPECT_NE(GetChoiceListTitle(list), title);  // a copy of its own
  EXPECT_EQ(GetChoiceListKind(list), kind);
  ASSERT_EQ(GetChoiceListCount(list), 3);
  for (INT n = 0; n < 3; ++n) {
    EXPECT_EQ(ItemValue(list, n), static_cast<uint32_t>(n + 1));
    WCHAR* name = nullptr;
    BYTE* value = nullptr;
    WORD type = 0;
    ASSERT_EQ(
        LoadSettingOptionValue(model_->primary, model_->secondary, 16, static_cast<WORD>(n + 1), &name, &value, &type),
        0);
    EXPECT_EQ(Wide(GetChoiceItemText(list, n)), Wide(name));
    GlobalFree(name);
    GlobalFree(value);
  }
  FreeChoiceList(list);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ChoiceListTest, TheThirdItemOfAFreeValueListHasNoValue) {
  // Scaling: minimum, maximum, and a third option that only names the value.
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SettingChoiceList* list = Build(11);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetChoiceListKind(list), kChoiceKindFreeValue);
  ASSERT_EQ(GetChoiceListCount(list), 3);
  EXPECT_EQ(ItemValue(list, 0), 25u);
  EXPECT_EQ(ItemValue(list, 1), 400u);
  EXPECT_EQ(GetChoiceItem(list, 2)->value, 0u);
  EXPECT_EQ(Wide(GetChoiceItemText(list, 2)), u"100");
  FreeChoiceList(list);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ChoiceListTest, AFreeValueListOfTextsKeepsNoTextValues) {
  // The list would not free them, so it keeps none.
  ddd::ModelWriter w = SmallWriter();
  std::vector<uint16_t> options;
  for (const char* text : {"from", "to", "named"})
    options.push_back(w.AddOption(14, ddd::Text::Plain(text), 0, 0, ddd::Value::Str(ddd::Text::Plain(text))));
  w.AddFeature(4, 7, ddd::Text::Plain("Free text"), 6, 1, options);
  UseModel(u"Free texts", w);
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SettingChoiceList* list = Build(7);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(GetChoiceListCount(list), 3);
  EXPECT_EQ(list->valueType, kSettingTypeText);
  for (INT n = 0; n < 3; ++n) EXPECT_EQ(GetChoiceItem(list, n)->value, 0u) << n;
  EXPECT_EQ(Wide(GetChoiceItemText(list, 1)), u"to");
  FreeChoiceList(list);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ChoiceListTest, StampNamesFollowTheNoStampItem) {
  DWORD stamps = 0, size = 0;
  ListStampNames(current_, nullptr, &stamps, &size, model_);
  std::vector<WCHAR> names(size / 2 + 1);
  ASSERT_EQ(ListStampNames(current_, names.data(), &stamps, &size, model_), kStampOk);
  ASSERT_GT(stamps, 0u);

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SettingChoiceList* list = Build(298);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(GetChoiceListCount(list), static_cast<INT>(stamps + 1));
  EXPECT_EQ(list->valueType, kSettingTypeText);
  EXPECT_EQ(Wide(GetChoiceItemText(list, 0)), u"(None)");
  EXPECT_EQ(ItemTextValue(list, 0), u"");
  const WCHAR* name = names.data();
  for (INT n = 1; n <= static_cast<INT>(stamps); ++n) {
    EXPECT_EQ(Wide(GetChoiceItemText(list, n)), Wide(name)) << n;
    EXPECT_EQ(ItemTextValue(list, n), Wide(name)) << n;
    name += std::u16string(name).size() + 1;
  }
  FreeChoiceList(list);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ChoiceListTest, OnlyTheFirstTenUserPapersGetTheirSize) {
  // Twelve options of user paper codes: all ten slots, then two of them again.
  const uint16_t codes[12] = {262, 263, 264, 265, 266, 287, 288, 289, 290, 291, 262, 263};
  ddd::ModelWriter w = SmallWriter();
  std::vector<uint16_t> options;
  for (uint16_t code : codes) {
    if (options.size() < 10) AddWriterPaper(&w, code, "Paper " + std::to_string(code), 900, 1480);
    options.push_back(w.AddOption(14, ddd::Text::Plain("Option " + std::to_string(options.size())), 10, code,
                                  ddd::Value::I16(static_cast<int16_t>(code))));
  }
  w.AddFeature(4, 8, ddd::Text::Plain("Paper size"), 1, 1, options);
  UseModel(u"Twelve papers", w);
  for (int slot = 0; slot < 10; ++slot) {
    Set(static_cast<SettingId>(1311 + slot), 2100 + slot * 10);
    Set(static_cast<SettingId>(1321 + slot), 2970 + slot);
    PutText(static_cast<SettingId>(1331 + slot), u"Slot " + std::u16string(1, u'A' + slot));
  }

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  SettingChoiceList* list = Build(8);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(GetChoiceListCount(list), 12);
  EXPECT_EQ(Wide(GetChoiceItemText(list, 0)), u"Slot A (210 x 297 mm)");
  EXPECT_EQ(Wide(GetChoiceItemText(list, 1)), u"Slot B (211 x 297 mm)");
  EXPECT_EQ(Wide(GetChoiceItemText(list, 9)), u"Slot J (219 x 297 mm)");
  EXPECT_EQ(Wide(GetChoiceItemText(list, 10)), u"Option 10");
  EXPECT_EQ(Wide(GetChoiceItemText(list, 11)), u"Option 11");
  EXPECT_EQ(ItemValue(list, 10), 262u);
  FreeChoiceList(list);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ChoiceListTest, ItemAccessorsGiveNoneOutsideTheItems) {
  SettingChoiceList* list = Build(12);
  ASSERT_NE(list, nullptr);
  EXPECT_NE(GetChoiceItem(list, 2), nullptr);
  EXPECT_EQ(GetChoiceItem(list, 3), nullptr);  // the count
  EXPECT_EQ(GetChoiceItem(list, -1), nullptr);
  EXPECT_EQ(GetChoiceItemText(list, -1), nullptr);
  EXPECT_EQ(GetChoiceItemIcon(list, 3), nullptr);
  EXPECT_EQ(GetChoiceItemPalette(list, 3), nullptr);
  EXPECT_EQ(GetChoiceItem(nullptr, 0), nullptr);
  EXPECT_EQ(GetChoiceItemText(nullptr, 0), nullptr);
  const INT count = list->count;
  list->count = -1;  // not set
  EXPECT_EQ(GetChoiceItem(list, 0), nullptr);
  list->count = count;
  FreeChoiceList(list);
}

TEST_F(ChoiceListTest, NoListWithoutPrinterRowOrItems) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(BuildSettingChoiceList(nullptr, model_, 12, module_, 0, nullptr, devMode(), settings()), nullptr);
  EXPECT_EQ(BuildSettingChoiceList(current_, model_, 9999, module_, 0, nullptr, devMode(), settings()), nullptr);
  // Setting 305 is described by its caller: no count, no list.
  EXPECT_EQ(Build(305), nullptr);
  const WCHAR* texts[] = {u"First", u"Second", nullptr};
  SettingChoiceList* list = BuildSettingChoiceList(current_, model_, 305, module_, 2, texts, devMode(), settings());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Wide(GetChoiceItemText(list, 1)), u"Second");
  FreeChoiceList(list);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
}

TEST_F(ChoiceListTest, FailedAllocationsLeaveNothingBehind) {
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  for (unsigned n = 1; n <= 12; ++n) {
    pk::seams::FailNthAllocation(n);
    SettingChoiceList* list = Build(298);
    pk::seams::FailNthAllocation(0);
    FreeChoiceList(list);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks) << n;
  }
}

}  // namespace
}  // namespace pk::test
