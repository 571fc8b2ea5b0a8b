// The default printer's model as the build writes it: the rules every
// reader of the model relies on, and a full parse of every record.
#include <set>
#include <tuple>
#include <vector>

#include "model_fixture.h"
#include "settings/access/dependent_values.h"
#include "settings/access/setting_table.h"

namespace {

using pk::test::ModelTest;
using pk::test::Wide;

const SettingDescriptor* Descriptor(WORD id) {
  for (const SettingDescriptor& d : kSettingDescriptorTable)
    if (d.id == id) return &d;
  return nullptr;
}

class DefaultModelTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    pk::test::InstallInDriverFolder(PK_DEFAULT_MODEL_STRINGS, u"ORVC3600.vbn");
    pk::test::WriteWindowsFile(u"C:\\drivers\\ORVC3600.DDD", pk::test::ReadHostFile(PK_DEFAULT_MODEL_FILE));
    ASSERT_EQ(LoadPath(u"C:\\drivers\\ORVC3600.DDD"), 0);
  }

  // The default option's value of a setting feature, as a number.
  int32_t DefaultValue(WORD id) {
    ModelRecord* f = nullptr;
    ModelRecord* o = nullptr;
    WORD type = 0;
    EXPECT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 4, id, 0, &f), 0) << id;
    if (!f) return -1;
    EXPECT_EQ(LoadFeatureOptionRecord(true, true, primary(), secondary(), f, 0, &type, &o), 0) << id;
    int32_t v = -1;
    if (o) {
      auto* opt = static_cast<OptionRecord*>(o);
      v = opt->valueSize == 2 ? static_cast<int16_t>(opt->value[0] | (opt->value[1] << 8))
                              : *reinterpret_cast<int32_t*>(opt->value);
    }
    ReleaseModelRecord(o);
    ReleaseModelRecord(f);
    return v;
  }
};

TEST_F(DefaultModelTest, HeadAndHeaderFields) {
  ModelRecord* r = nullptr;
  ASSERT_EQ(ReadFileInfoRecord(primary(), &r), 0);
  auto* head = static_cast<FileInfoRecord*>(r);
  EXPECT_EQ(head->formatLevel, 0x300u);
  EXPECT_EQ(primary()->data[92], 0);
  EXPECT_EQ(primary()->data[94], 3);
  EXPECT_LE(Wide(head->modelName).size(), 31u);
  EXPECT_FALSE(Wide(head->modelName).empty());
  EXPECT_EQ(Wide(head->secondaryName), u"");
  ReleaseModelRecord(r);
  EXPECT_EQ(secondary()->data, nullptr);

  struct Number {
    WORD field, size;
    DWORD value;
  } numbers[] = {{4, 2, 999}, {5, 1, 2}, {7, 1, 1}, {23, 1, 0}};
  for (const Number& n : numbers) EXPECT_EQ(ReadModelHeaderValue(primary(), n.field, n.size, 0), n.value) << n.field;
  EXPECT_GT(ReadModelHeaderValue(primary(), 16, 2, 0), 0u);
  for (WORD field = 17; field <= 22; ++field) {
    WCHAR* name = GetModelHeaderText(primary(), field, 0);
    EXPECT_GT(Wide(name).size(), 4u) << field;
    GlobalFree(name);
  }
  for (int selector : {0, 1}) {
    WCHAR* base = nullptr;
    ASSERT_EQ(GetModelRegistryBase(primary(), selector, &base), 0);
    std::u16string text = Wide(base);
    EXPECT_TRUE(text.starts_with(u"Software\\Caldrix\\KZ TRD Printer Driver\\")) << selector;
    EXPECT_TRUE(text.ends_with(u"\\")) << selector;
    GlobalFree(base);
  }
  // Every fixed printer flag has its flag feature.
  DWORD fixed = ReadModelHeaderValue(primary(), 12, 4, 0);
  EXPECT_NE(fixed, 0u);
  for (WORD bit = 0; bit < 32; ++bit) {
    if (!(fixed & (1u << bit))) continue;
    ModelRecord* feature = nullptr;
    EXPECT_EQ(LoadModelRecordByKey(false, primary(), secondary(), 3, static_cast<WORD>(769 + bit), 0, &feature), 0);
    ReleaseModelRecord(feature);
  }
  // The device picture is a bitmap record.
  WORD picture = static_cast<WORD>(ReadModelHeaderValue(primary(), 1, 2, 0));
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 12, picture, 0, &r), 0);
  EXPECT_GT(static_cast<BitmapRecord*>(r)->dataSize, 40u);
  ReleaseModelRecord(r);
  // Names that refer to the model's string module resolve through it.
  WCHAR* name = nullptr;
  ASSERT_EQ(LoadRecordName(primary(), secondary(), 4, 7, 0, &name), 0);
  EXPECT_EQ(Wide(name), u"Orientation");
  GlobalFree(name);
}

TEST_F(DefaultModelTest, DirectoryAndKeys) {
  for (WORD type : kModelDirectoryOrder) {
    ASSERT_EQ(SeekTypeIndex(primary(), type, 4), 0) << type;
    WORD count = 0;
    ASSERT_EQ(ReadModelU16(primary(), &count), 0) << type;
    EXPECT_LE(primary()->position + 7u * count, primary()->size) << type;
    EXPECT_EQ(CountModelRecords(primary(), type), count);
    for (WORD k = 1; k <= count; ++k) {
      ASSERT_EQ(FindIndexEntryByPosition(primary(), type, k), 0);
      BYTE entry[7];
      ASSERT_EQ(ReadModelBytes(primary(), entry, 7), 0);
      EXPECT_EQ(entry[0], 2) << type;
      WORD key = static_cast<WORD>(entry[1] | (entry[2] << 8));
      bool positional = type == 7 || type == 8 || type == 13 || type == 14;
      bool grouped = key >= 274 && key <= 285;
      if (positional) {
        EXPECT_EQ(key, k) << type;
      } else if (type == 3) {
        EXPECT_TRUE(key >= 769 && key <= 800) << key;
      } else if (type == 4) {
        // Every setting feature is a setting, but for the UI ids (the
        // favourites' presets, the logon name, the installable options).
        EXPECT_TRUE(key >= 0x9000 || Descriptor(key) != nullptr) << key;
        EXPECT_TRUE(!grouped || key == 274 || key == 278 || key == 282) << key;
      }
    }
  }
  EXPECT_GT(CountModelRecords(primary(), 3), 0);
  EXPECT_GT(CountModelRecords(primary(), 4), 20);
  EXPECT_EQ(CountModelRecords(primary(), 11), 2);
  EXPECT_EQ(CountModelRecords(primary(), 7), 2);
  EXPECT_EQ(CountModelRecords(primary(), 8), 3);  // booklet, scaling, output paper
}

TEST_F(DefaultModelTest, FeaturesOptionsAndPapers) {
  for (WORD type : {WORD(3), WORD(4)}) {
    for (WORD k = 1; k <= CountModelRecords(primary(), type); ++k) {
      ModelRecord* r = nullptr;
      ASSERT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), type, k, &r), 0);
      auto* f = static_cast<FeatureRecord*>(r);
      SCOPED_TRACE(testing::Message() << "feature " << r->key);
      EXPECT_GE(f->defaultOption, 1);
      EXPECT_LE(f->defaultOption, f->optionCount);
      if (r->key >= 0x9000) {  // UI ids are no setting
        ReleaseModelRecord(r);
        continue;
      }
      const SettingDescriptor* d = Descriptor(r->key);
      ASSERT_NE(d, nullptr);
      for (WORD n = 1; n <= f->optionCount; ++n) {
        ModelRecord* o = nullptr;
        WORD optionType = 0;
        ASSERT_EQ(LoadFeatureOptionRecord(true, false, primary(), secondary(), r, n, &optionType, &o), 0);
        auto* opt = static_cast<OptionRecord*>(o);
        // A free text's first two options are its shortest and longest length.
        const bool textLength = d->valueType == kSettingTypeText && f->displayKind == 6 && n <= 2;
        EXPECT_TRUE(opt->valueType == d->valueType || (d->returnedType && opt->valueType == d->returnedType) ||
                    (textLength && opt->valueType == kSettingTypeUInt16))
            << "option " << n << " type " << opt->valueType;
        EXPECT_NE(opt->value, nullptr);
        if (opt->targetType == 10) {
          ModelRecord* paper = nullptr;
          WORD targetType = 0;
          ASSERT_EQ(LoadOptionTarget(true, primary(), secondary(), o, &targetType, &paper), 0);
          EXPECT_EQ(static_cast<PaperRecord*>(paper)->paperCode, opt->targetKey.key);
          ReleaseModelRecord(paper);
        }
        ReleaseModelRecord(o);
      }
      ReleaseModelRecord(r);
    }
  }
  for (WORD k = 1; k <= CountModelRecords(primary(), 10); ++k) {
    ModelRecord* r = nullptr;
    ASSERT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), 10, k, &r), 0);
    auto* p = static_cast<PaperRecord*>(r);
    SCOPED_TRACE(testing::Message() << "paper " << r->key);
    EXPECT_EQ(p->paperCode, r->key);
    EXPECT_FALSE(Wide(p->name).empty());
    EXPECT_GT(p->pair1[0].x, 0);
    EXPECT_GT(p->pair1[0].y, 0);
    EXPECT_GT(p->pair3[1].x, 0);
    EXPECT_LE(p->pair3[1].x, p->pair1[1].x);
    EXPECT_EQ(p->pair2[0].y, p->pair2[1].y);  // top equals bottom
    EXPECT_EQ(p->pair2[0].x, p->pair2[1].x);  // left equals right
    bool user = (r->key >= 262 && r->key <= 266) || (r->key >= 287 && r->key <= 291);
    if (user) {
      EXPECT_LT(p->pair1[0].x, p->pair1[1].x);
      EXPECT_EQ(p->pair4[0].x, p->pair1[0].x);
      EXPECT_EQ(p->pair4[1].y, p->pair1[1].y);
      EXPECT_EQ(p->sizeKind, 2);  // a variable size
    } else {
      EXPECT_EQ(p->pair1[0].x, p->pair1[1].x);
    }
    ReleaseModelRecord(r);
  }
  ModelRecord* custom = nullptr;
  EXPECT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 10, 262, 0, &custom), 0);
  ReleaseModelRecord(custom);
}

TEST_F(DefaultModelTest, DefaultsWithBindings) {
  EXPECT_EQ(DefaultValue(8), 9);
  EXPECT_EQ(DefaultValue(14), (600 << 16) | 600);
  EXPECT_EQ(DefaultValue(11), 100);
  DependentValueRecord record{static_cast<WORD>(DefaultValue(7)), static_cast<WORD>(DefaultValue(295)), 0, 0};
  WORD result = 0;
  EXPECT_EQ(MapSetting267To325(static_cast<WORD>(DefaultValue(267)), &result), 0);
  for (WORD id : {WORD(320), WORD(341)}) {
    record.value = static_cast<WORD>(DefaultValue(id));
    EXPECT_EQ(LookupDependentPosition(id, &record, &result), 0) << id;
  }
  EXPECT_EQ(DefaultValue(1041) & ~0xF, 0x10);
}

// No capability bits; every tray source has its tray record with the
// tray's code, whose papers all exist and carry a feed code each.
TEST_F(DefaultModelTest, TraysAndSources) {
  EXPECT_EQ(ReadModelHeaderValue(primary(), 26, 4, 0), 0u);
  EXPECT_EQ(DefaultValue(13), 7);
  EXPECT_EQ(DefaultValue(265), 7);
  struct Tray {
    WORD key;
    BYTE duplex;
  };
  for (const Tray& t : {Tray{7, 1}, Tray{1, 1}, Tray{3, 1}, Tray{4, 0}}) {
    SCOPED_TRACE(t.key);
    ModelRecord* r = nullptr;
    ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 5, t.key, 0, &r), 0);
    auto* range = static_cast<RangeRecord*>(r);
    EXPECT_EQ(range->word & 0xFF, t.key);
    EXPECT_EQ(range->byte, t.duplex);
    EXPECT_GT(range->settingCount, 0);
    EXPECT_EQ(range->settingCount, range->secondCount);
    for (WORD n = 0; n < range->settingCount; ++n) {
      ModelRecord* paper = nullptr;
      EXPECT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 10, range->settingIds[n].key, 0, &paper), 0);
      ReleaseModelRecord(paper);
      EXPECT_GE(range->secondKeys[n].key, 1);
      EXPECT_LE(range->secondKeys[n].key, 3);
    }
    ReleaseModelRecord(r);
  }
}

TEST_F(DefaultModelTest, EveryRecordParsesAndReleases) {
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  for (WORD type : kModelDirectoryOrder)
    for (WORD k = 1; k <= CountModelRecords(primary(), type); ++k)
      for (bool full : {false, true}) {
        ModelRecord* r = nullptr;
        ASSERT_EQ(LoadModelRecordByIndex(full, primary(), secondary(), type, k, &r), 0) << type << " " << k;
        EXPECT_EQ(r->type, type);
        EXPECT_TRUE(ReleaseModelRecord(r));
      }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  ModelRecord* font = nullptr;
  ASSERT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), 11, 1, &font), 0);
  auto* f = static_cast<DeviceFontModelRecord*>(font);
  ASSERT_EQ(f->aliasCount, 1);
  EXPECT_TRUE(Wide(f->aliases[0]).starts_with(u"DejaVu"));
  ReleaseModelRecord(font);
}

}  // namespace

namespace {

// The favourites feature: eight presets named "<name>\n<comment>", each
// keyed to a value list, and option 9 for the user's own favourites.
TEST_F(DefaultModelTest, FavouritePresetsAndTheirValueLists) {
  ModelRecord* f = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 4, 0x9018, 0, &f), 0);
  ASSERT_EQ(static_cast<FeatureRecord*>(f)->optionCount, 9);
  const struct {
    const char16_t* name;
    std::vector<std::tuple<WORD, WORD, uint32_t>> entries;  // id, type, value
  } presets[] = {
      {u"Standard", {}},
      {u"Last used settings", {}},
      {u"Two pages per sheet", {{295, 3, 2}}},
      {u"Draft", {{14, 5, 0x01900190}, {15, 2, 1}}},
      {u"Booklet", {{267, 3, 1}}},
      {u"Black and white", {{15, 2, 1}}},
      {u"Four pages per sheet", {{295, 3, 4}}},
      {u"Landscape", {{7, 2, 2}}},
  };
  for (WORD n = 1; n <= 9; ++n) {
    SCOPED_TRACE(n);
    ModelRecord* o = nullptr;
    WORD optionType = 0;
    ASSERT_EQ(LoadFeatureOptionRecord(true, false, primary(), secondary(), f, n, &optionType, &o), 0);
    auto* opt = static_cast<OptionRecord*>(o);
    ASSERT_EQ(opt->valueSize, 2);
    const WORD key = static_cast<WORD>(opt->value[0] | opt->value[1] << 8);
    const std::u16string name = Wide(opt->name);
    ReleaseModelRecord(o);
    if (n == 9) {
      EXPECT_EQ(key, 0);
      continue;
    }
    const auto& preset = presets[n - 1];
    const size_t feed = name.rfind(u'\n');
    ASSERT_NE(feed, std::u16string::npos);
    EXPECT_EQ(name.substr(0, feed), preset.name);
    EXPECT_GT(name.size(), feed + 1);  // a comment
    ModelRecord* list = nullptr;
    ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 21, key, 0, &list), 0);
    auto* l = static_cast<ValueListRecord*>(list);
    ASSERT_EQ(l->entryCount, preset.entries.size());
    for (WORD e = 0; e < l->entryCount; ++e) {
      const auto& [id, type, value] = preset.entries[e];
      EXPECT_EQ(l->ids[e], id);
      EXPECT_EQ(l->valueTypes[e], type);
      uint32_t stored = 0;
      for (WORD b = 0; b < l->valueSizes[e]; ++b) stored |= static_cast<uint32_t>(l->values[e][b]) << (8 * b);
      EXPECT_EQ(stored, value);
      EXPECT_EQ(l->valueSizes[e], type == 5 ? 4 : 2);
    }
    ReleaseModelRecord(list);
  }
  ReleaseModelRecord(f);
}

}  // namespace
