// The model interface of the settings and interface layers on the default
// printer's model and on small written models: defaults, features and
// options, value targets, paper sizes and names, and the status it reports.
#include "query_fixture.h"

namespace {

using ddd::Text;
using ddd::Value;
using pk::test::DefaultModelFixture;
using pk::test::ModelTest;
using pk::test::Wide;

using DefaultModel = DefaultModelFixture;

TEST(MapModelStatus, ReaderCodesBecomeInterfaceCodes) {
  struct Row {
    ModelStatus reader;
    ModelInterfaceStatus answer;
  } rows[] = {{0, 0}, {1, 1}, {2, 2}, {4, 3}, {8, 1}, {3, 1}};
  for (const Row& row : rows) EXPECT_EQ(MapModelStatus(row.reader), row.answer) << row.reader;
}

TEST_F(DefaultModel, DefaultValuesAndTheirStatus) {
  ULONG_PTR value = 77;
  WORD type = 0;
  ModelInterfaceStatus status = 9;
  ASSERT_EQ(GetModelDefaultValue(model_, 8, &value, &type, &status), 1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(value, 9u);
  EXPECT_EQ(type, 2);
  EXPECT_TRUE(FreeModelValue(value, type));

  // The model name has no feature, 1306 no feature in the index.
  struct Row {
    SettingId id;
    ModelInterfaceStatus status;
  } rows[] = {{259, 1}, {1, 1}, {0x8001, 1}, {1306, 2}};
  for (const Row& row : rows) {
    value = 77;
    status = 9;
    EXPECT_EQ(GetModelDefaultValue(model_, row.id, &value, &type, &status), 0) << row.id;
    EXPECT_EQ(status, row.status) << row.id;
    EXPECT_EQ(value, 0u) << row.id;
  }
  status = 9;
  EXPECT_EQ(GetModelDefaultValue(nullptr, 8, &value, &type, &status), 0);
  EXPECT_EQ(status, 1);

  BYTE* data = nullptr;
  ASSERT_EQ(GetModelDefaultData(model_, 12, &data, &status), 1);
  EXPECT_EQ(*reinterpret_cast<int16_t*>(data), 1);
  GlobalFree(data);
  EXPECT_EQ(GetModelDefaultData(model_, 1306, &data, &status), 0);
  EXPECT_EQ(status, 2);
}

TEST_F(ModelTest, DefaultValuesOfEveryWidth) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  struct Row {
    SettingId id;
    Value value;
    WORD type;
    ULONG_PTR expected;
  } rows[] = {
      {300, Value::I16(-1), 2, 0xFFFF},  // shorter values are zero-extended
      {301, Value::U8(200), 8, 200},
      {302, Value::I32(-2, 4), 4, 0xFFFFFFFE},
      {303, Value::Flag(true), 1, 1},
  };
  for (const Row& row : rows) {
    uint16_t o = w.AddOption(14, Text::Plain("v"), 0, 0, row.value);
    w.AddFeature(4, row.id, Text::Plain("f"), 1, 1, {o});
  }
  uint16_t text = w.AddOption(14, Text::Plain("t"), 0, 0, Value::Str(Text::Plain("Hello")));
  w.AddFeature(4, 310, Text::Plain("Text"), 1, 1, {text});
  w.AddFeature(4, 311, Text::Plain("No default"), 1, 0, {text});
  w.AddFeature(4, 312, Text::Plain("Default beyond the options"), 1, 2, {text});
  ASSERT_EQ(Load(w), 0);

  for (const Row& row : rows) {
    ULONG_PTR value = ~ULONG_PTR{0};
    WORD type = 0;
    ModelInterfaceStatus status = 9;
    ASSERT_EQ(GetModelDefaultValue(model_, row.id, &value, &type, &status), 1) << row.id;
    EXPECT_EQ(value, row.expected) << row.id;
    EXPECT_EQ(type, row.type) << row.id;
  }
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  ULONG_PTR value = 0;
  WORD type = 0;
  ModelInterfaceStatus status = 9;
  ASSERT_EQ(GetModelDefaultValue(model_, 310, &value, &type, &status), 1);
  EXPECT_EQ(type, 6);
  EXPECT_EQ(Wide(reinterpret_cast<WCHAR*>(value)), u"Hello");
  EXPECT_TRUE(FreeModelValue(value, type));
  EXPECT_FALSE(FreeModelValue(0, 6));
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  for (SettingId missing : {311, 312}) {
    value = 5;
    EXPECT_EQ(GetModelDefaultValue(model_, missing, &value, &type, &status), 0);
    EXPECT_EQ(status, 1) << missing;
    EXPECT_EQ(value, 0u);
  }
}

TEST_F(DefaultModel, FeaturesAndOptions) {
  WORD kind = 0, count = 0;
  const WCHAR* name = nullptr;
  ModelRecord* feature = nullptr;
  ModelInterfaceStatus status = 9;
  ASSERT_EQ(GetModelFeature(model_, 8, &kind, &count, &name, &feature, &status), 1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(kind, 1);
  EXPECT_EQ(count, 19);
  EXPECT_FALSE(Wide(name).empty());
  ReleaseModelRecord(feature);
  EXPECT_EQ(GetModelFeature(model_, 259, nullptr, nullptr, nullptr, &feature, &status), 0);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(feature, nullptr);
  EXPECT_EQ(GetModelFeature(model_, 1306, nullptr, nullptr, nullptr, &feature, &status), 0);
  EXPECT_EQ(status, 2);

  ModelValue* option = nullptr;
  ASSERT_EQ(GetModelFeatureOption(model_, 8, 2, &option, &status), 1);
  BYTE* data = nullptr;
  WCHAR* text = nullptr;
  WORD type = 0;
  ValueBlob* blob = reinterpret_cast<ValueBlob*>(this);
  ASSERT_EQ(UnpackModelValue(option, &data, &text, &type, &blob), 1);
  EXPECT_EQ(Wide(text), u"Letter");
  EXPECT_EQ(type, 2);
  EXPECT_EQ(*reinterpret_cast<int16_t*>(data), 1);
  EXPECT_EQ(blob, nullptr);
  FreeModelValue(option);
  EXPECT_EQ(GetModelFeatureOption(model_, 8, 20, &option, &status), 0);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(UnpackModelValue(nullptr, &data, nullptr, nullptr, nullptr), 0);

  int16_t two = 2, four = 4;
  EXPECT_TRUE(IsModelValueKnown(model_, 16, &two));
  EXPECT_FALSE(IsModelValueKnown(model_, 16, &four));
  EXPECT_TRUE(IsModelValueKnown(model_, 259, nullptr));
  EXPECT_FALSE(IsModelValueKnown(nullptr, 16, &two));
}

TEST_F(DefaultModel, PaperSizesAndNames) {
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(GetModelMaxCopies(model_), 999);
  ModelInterfaceStatus status = 9;
  SHORT width = 0, height = 0;
  ASSERT_EQ(GetDefaultPaperSize(model_, 8, &width, &height, &status), 1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(width, 2100);
  EXPECT_EQ(height, 2970);

  int16_t a4 = 9, absent = 99;
  SHORT x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ASSERT_EQ(GetValuePaperDimensions(model_, 8, &a4, &x1, &y1, &x2, &y2, &status), 1);
  EXPECT_EQ(x1, 2100);
  EXPECT_EQ(y1, 2970);
  EXPECT_EQ(x2, 2100);
  EXPECT_EQ(y2, 2970);
  EXPECT_EQ(GetValuePaperDimensions(model_, 8, &absent, &x1, &y1, &x2, &y2, &status), 0);
  EXPECT_EQ(status, 2);

  WORD type = 0;
  ModelRecord* paper = LoadValueTarget(model_, 8, &a4, &type, &status);
  ASSERT_NE(paper, nullptr);
  EXPECT_EQ(type, 10);
  EXPECT_EQ(paper->key, 9);
  ReleaseModelRecord(paper);
  // An option without a target.
  int16_t portrait = 1;
  EXPECT_EQ(LoadValueTarget(model_, 7, &portrait, &type, &status), nullptr);
  EXPECT_NE(status, 0);

  WCHAR* name = GetDefaultOptionTargetName(model_, 8, &status);
  EXPECT_EQ(Wide(name), u"A4");
  EXPECT_EQ(status, 0);
  GlobalFree(name);
  name = GetModelNameText(model_, &status);
  EXPECT_EQ(Wide(name), u"Orvalis C3600 Colour");
  GlobalFree(name);
  EXPECT_EQ(GetDefaultOptionTargetName(model_, 1306, &status), nullptr);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST_F(DefaultModel, FindsPapersByKeySizeOrName) {
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  struct Row {
    int mode;
    PaperMatch query;
    int result;
    ModelInterfaceStatus status;
    WORD key;
    const char16_t* name;
  } rows[] = {
      {kPaperBySize, {0, 2159, 2794, nullptr, nullptr}, 1, 0, 1, u"Letter"},
      {kPaperBySize, {0, 2100, 2970, nullptr, nullptr}, 1, 0, 9, u"A4"},
      {kPaperBySize, {0, 2970, 2100, nullptr, nullptr}, 0, 2, 0, nullptr},
      {kPaperByName, {0, 0, 0, const_cast<WCHAR*>(u"Legal"), nullptr}, 1, 0, 5, u"Legal"},
      {kPaperByName, {0, 0, 0, const_cast<WCHAR*>(u"legal"), nullptr}, 0, 2, 0, nullptr},
      {kPaperByName, {0, 0, 0, nullptr, nullptr}, 0, 1, 0, nullptr},
      {kPaperByKey, {28, 0, 0, nullptr, nullptr}, 1, 0, 28, u"Envelope C5"},
      {kPaperByKey, {2, 0, 0, nullptr, nullptr}, 0, 2, 0, nullptr},
      {4, {9, 0, 0, nullptr, nullptr}, 0, 1, 0, nullptr},
  };
  for (const Row& row : rows) {
    PaperMatch found{};
    ModelInterfaceStatus status = 9;
    EXPECT_EQ(FindPaperByKeySizeOrName(model_, 8, row.mode, &row.query, &found, &status), row.result) << row.mode;
    EXPECT_EQ(status, row.status) << row.mode;
    if (row.result != 1) continue;
    EXPECT_EQ(found.key, row.key);
    EXPECT_EQ(Wide(found.name), std::u16string(row.name));
    FreePaperMatch(&found);
    EXPECT_EQ(found.name, nullptr);
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST_F(DefaultModel, LoadsTheDevicePicture) {
  WORD width = 0, height = 0;
  DWORD size = 0;
  BYTE* bitmap = LoadDevicePicture(model_->primary, model_->secondary, &width, &height, &size);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(width, 96);
  EXPECT_EQ(height, 64);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bitmap);
  EXPECT_EQ(header->biWidth, 96);
  EXPECT_EQ(header->biHeight, 64);
  EXPECT_EQ(size, 40u + 96u * 3u * 64u);
  GlobalFree(bitmap);
}

// Allocation failures anywhere in a query end it with status 3 or 1 and
// leave nothing behind.
TEST_F(DefaultModel, AllocationFailuresLeaveNothingBehind) {
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  for (unsigned n = 1; n < 40; ++n) {
    pk::seams::FailNthAllocation(n);
    PaperMatch query{0, 2159, 2794, nullptr, nullptr};
    PaperMatch found{};
    ModelInterfaceStatus status = 9;
    if (FindPaperByKeySizeOrName(model_, 8, kPaperBySize, &query, &found, &status)) FreePaperMatch(&found);
    else EXPECT_NE(status, 0);
    WCHAR* name = GetDefaultOptionTargetName(model_, 8, &status);
    if (name) GlobalFree(name);
    pk::seams::FailNthAllocation(0);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before) << n;
  }
}

}  // namespace
