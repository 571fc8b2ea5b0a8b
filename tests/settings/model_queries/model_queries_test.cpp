// Questions to the device model by setting id: the record of a setting, the
// option carrying a value, the default read straight from the file, the
// fields of records, and the answers of header fields.
#include <cmath>
#include <cstring>
#include <memory>

#include "query_fixture.h"

namespace {

using ddd::Pair;
using ddd::Place;
using ddd::Text;
using ddd::Value;
using pk::test::ModelTest;
using pk::test::Wide;

// A value in an 8-byte slot, so that every comparison width reads inside it.
struct Slot {
  uint8_t bytes[16] = {};
  template <typename T>
  static Slot Of(T v) {
    Slot s;
    memcpy(s.bytes, &v, sizeof v);
    return s;
  }
  static Slot OfText(const char16_t* t) {
    Slot s;
    memcpy(s.bytes, t, (std::char_traits<char16_t>::length(t) + 1) * 2);
    return s;
  }
};

// A small model: features sharing keys, text options, a default that is
// missing, a flag feature, papers, a range, a font and a picture.
ddd::ModelWriter QueryWriter() {
  ddd::ModelWriter w = pk::test::SmallWriter();
  Pair size{{2100, 2970}, {2101, 2971}};
  Pair margins{{42, 43}, {44, 45}};
  Pair printable{{2016, 2886}, {2017, 2887}};
  w.AddPaper(9, Text::Plain("A4"), 0, size, margins, printable, 9, 0, 0);
  w.AddPaper(1, Text::Plain("Letter"), 0, Pair{{2159, 2794}, {2159, 2794}}, margins, printable, 1, 0, 0);
  w.AddRange(5, 5, Text::Plain("Range"), Pair{{1, 2}, {3, 4}}, 0, {8}, {}, 0);
  w.AddDeviceFont(1, Text::Plain("Face"), Text::Plain(""), {Text::Plain("Alias one"), Text::Plain("Alias two")}, {},
                  {1, 2, 3}, 0);
  w.AddBitmap(3, 1, 4, 2, ddd::MakeBitmapFile(4, 2, 0x102030));
  w.AddPicture(1, {}, 10, 20, 3);
  w.AddBlob(1, {7, 8, 9});

  uint16_t m1 = w.AddOption(14, Text::Plain("Narrow"), 0, 0, Value::U16(1));
  uint16_t m2 = w.AddOption(14, Text::Plain("Wide"), 0, 0, Value::U16(2));
  w.AddFeature(4, 274, Text::Plain("Margin"), 1, 1, {m1, m2});

  uint16_t t1 = w.AddOption(14, Text::Plain("a4"), 10, 9, Value::Str(Text::Plain("a4")), 0, {}, {}, 1);
  uint16_t t2 = w.AddOption(14, Text::Plain("b5"), 10, 1, Value::Str(Text::Plain("b5")));
  w.AddFeature(4, 60, Text::Plain("Paper names"), 2, 2, {t1, t2});
  w.AddFeature(4, 61, Text::Plain("No default"), 1, 0, {t1, t2});

  uint16_t f1 = w.AddOption(13, Text::Plain("Off"), 0, 0, Value::Flag(false));
  uint16_t f2 = w.AddOption(13, Text::Plain("On"), 0, 0, Value::Flag(true));
  w.AddFeature(3, 775, Text::Plain("Unit"), 1, 2, {f1, f2});

  // One option of every comparable value type.
  float f = 1.5f;
  Value floatValue{7, std::vector<uint8_t>(4)};
  memcpy(floatValue.data.data(), &f, 4);
  std::vector<uint16_t> typed = {
      w.AddOption(14, Text::Plain("flag"), 0, 0, Value::Flag(true)),
      w.AddOption(14, Text::Plain("i16"), 0, 0, Value::I16(-2)),
      w.AddOption(14, Text::Plain("u16"), 0, 0, Value::U16(65535)),
      w.AddOption(14, Text::Plain("i32"), 0, 0, Value::I32(-5, 4)),
      w.AddOption(14, Text::Plain("u32"), 0, 0, Value::U32(70000)),
      w.AddOption(14, Text::Plain("u8"), 0, 0, Value::U8(200)),
      w.AddOption(14, Text::Plain("int"), 0, 0, Value::I32(123456)),
      w.AddOption(14, Text::Plain("text"), 0, 0, Value::Str(Text::Plain("Xy"))),
      w.AddOption(14, Text::Plain("float"), 0, 0, floatValue),
  };
  w.AddFeature(4, 70, Text::Plain("Typed"), 1, 1, typed);
  return w;
}

class QueryTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    ASSERT_EQ(Load(QueryWriter()), 0);
  }
  ModelStatus Find(SettingId id, const void* value, WORD* type, ModelRecord** record, bool full = false) {
    return FindSettingModelRecord(full, primary(), secondary(), id, value, type, record);
  }
};

TEST(MapSettingToModelKey, TableOfIds) {
  WORD nine = 9, five = 5;
  struct Row {
    SettingId id;
    const void* value;
    WORD type, key;
  } rows[] = {
      {1, nullptr, 1, 1},       {259, nullptr, 1, 259}, {274, nullptr, 4, 274}, {277, nullptr, 4, 274},
      {278, nullptr, 4, 278},   {281, nullptr, 4, 278}, {285, nullptr, 4, 282}, {286, nullptr, 4, 286},
      {273, nullptr, 4, 273},   {769, nullptr, 3, 769}, {800, nullptr, 3, 800}, {801, nullptr, 4, 801},
      {0x8001, nullptr, 10, 0}, {0x8001, &nine, 10, 9}, {0x8002, &five, 5, 5},  {0x8003, &five, 6, 5},
      {8, &nine, 4, 8},
  };
  for (const Row& r : rows) {
    WORD type = 0, key = 0;
    MapSettingToModelKey(r.id, r.value, &type, &key);
    EXPECT_EQ(type, r.type) << r.id;
    EXPECT_EQ(key, r.key) << r.id;
  }
}

TEST_F(QueryTest, FindsTheRecordOfASetting) {
  WORD type = 7;
  ModelRecord* r = reinterpret_cast<ModelRecord*>(this);
  // A pseudo-id without a value has no key; with a key of 0 nothing is found.
  EXPECT_EQ(Find(0x8001, nullptr, &type, &r), 1);
  EXPECT_EQ(r, nullptr);
  EXPECT_EQ(type, 0);
  WORD zero = 0, nine = 9, five = 5;
  EXPECT_EQ(Find(0x8001, &zero, &type, &r), 2);
  ASSERT_EQ(Find(0x8001, &nine, &type, &r), 0);
  EXPECT_EQ(type, 10);
  EXPECT_EQ(r->key, 9);
  ReleaseModelRecord(r);
  ASSERT_EQ(Find(0x8002, &five, &type, &r), 0);
  EXPECT_EQ(Wide(GetModelRecordText(r)), u"Range");
  ReleaseModelRecord(r);

  // Ids 274-277 share the feature keyed 274.
  ASSERT_EQ(Find(276, nullptr, &type, &r, true), 0);
  EXPECT_EQ(type, 4);
  EXPECT_EQ(r->key, 274);
  EXPECT_EQ(static_cast<FeatureRecord*>(r)->optionCount, 2);
  ReleaseModelRecord(r);
  WORD wide = 2;
  ASSERT_EQ(Find(277, &wide, &type, &r), 0);
  EXPECT_EQ(type, 14);
  EXPECT_EQ(Wide(GetModelRecordText(r)), u"Wide");
  ReleaseModelRecord(r);

  // The model name stands in for the record of ids 1 and 259.
  for (SettingId id : {1, 259}) {
    ASSERT_EQ(Find(id, nullptr, &type, &r), 0);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(Wide(reinterpret_cast<WCHAR*>(r)), u"Small");
    GlobalFree(r);
  }
  EXPECT_EQ(Find(99, nullptr, &type, &r), 2);
  WORD absent = 3;
  EXPECT_EQ(Find(277, &absent, &type, &r), 2);
  EXPECT_EQ(r, nullptr);
}

// A setting's value is as wide as its own type: an option stored wider (or as
// a text) is passed over instead of being compared past the caller's value.
TEST_F(ModelTest, OptionsOfAnotherWidthDoNotMatchASettingValue) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.AddPaper(9, Text::Plain("A4"), 0, Pair{{2100, 2970}, {2100, 2970}}, {}, {}, 9, 0, 0);
  uint16_t wide = w.AddOption(14, Text::Plain("Wide A4"), 10, 9, Value::I32(9));
  uint16_t text = w.AddOption(14, Text::Plain("Text A4"), 10, 9, Value::Str(Text::Plain("\t")));
  uint16_t narrow = w.AddOption(14, Text::Plain("A4"), 10, 9, Value::I16(9));
  w.AddFeature(4, 8, Text::Plain("Paper"), 1, 1, {wide, text, narrow});
  ASSERT_EQ(Load(w), 0);
  // The caller's code on the heap, exactly two bytes, so a wider read is seen.
  auto code = std::make_unique<int16_t>(9);
  WORD type = 0;
  ModelRecord* option = nullptr;
  ASSERT_EQ(FindSettingModelRecord(false, primary(), secondary(), 8, code.get(), &type, &option), 0);
  EXPECT_EQ(Wide(GetModelRecordText(option)), u"A4");
  ReleaseModelRecord(option);
  *code = 10;
  EXPECT_EQ(FindSettingModelRecord(false, primary(), secondary(), 8, code.get(), &type, &option), 2);
  EXPECT_EQ(option, nullptr);
}

// The paper search looks each option's own value up among the options: a
// one-byte option's value is compared with the 16-bit ones without reading
// past it, and matches none of them.
TEST_F(ModelTest, PaperSearchOverOptionsOfMixedWidths) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.AddPaper(9, Text::Plain("A4"), 0, Pair{{2100, 2970}, {2100, 2970}}, {}, {}, 9, 0, 0);
  uint16_t narrow = w.AddOption(14, Text::Plain("A4"), 10, 9, Value::I16(9));
  uint16_t byte = w.AddOption(14, Text::Plain("Byte A4"), 10, 9, Value::U8(9));
  w.AddFeature(4, 8, Text::Plain("Paper"), 1, 1, {narrow, byte});
  ASSERT_EQ(Load(w), 0);
  PaperMatch query{9, 0, 0, nullptr, nullptr}, found{};
  ModelInterfaceStatus status = 0;
  ASSERT_EQ(FindPaperByKeySizeOrName(model_, 8, kPaperByKey, &query, &found, &status), 1);
  EXPECT_EQ(Wide(found.name), u"A4");
  FreePaperMatch(&found);
  query.key = 10;
  EXPECT_EQ(FindPaperByKeySizeOrName(model_, 8, kPaperByKey, &query, &found, &status), 0);
}

TEST_F(QueryTest, MatchesOptionValuesByTheirType) {
  ModelRecord* feature = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 4, 70, 0, &feature), 0);
  struct Row {
    Slot value;
    const char16_t* expected;  // null: no option matches
  } rows[] = {
      {Slot::Of<int32_t>(1), u"flag"},     {Slot::Of<int16_t>(-2), u"i16"},
      {Slot::Of<uint16_t>(65535), u"u16"}, {Slot::Of<int32_t>(-5), u"i32"},
      {Slot::Of<uint32_t>(70000), u"u32"}, {Slot::Of<uint8_t>(200), u"u8"},
      {Slot::Of<int32_t>(123456), u"int"}, {Slot::OfText(u"Xy"), u"text"},
      {Slot::Of<float>(1.5f), u"float"},   {Slot::OfText(u"XY"), nullptr},
      {Slot::OfText(u"Xyz"), nullptr},     {Slot::Of<float>(std::nanf("")), nullptr},
      {Slot::Of<int32_t>(124), nullptr},
  };
  for (const Row& row : rows) {
    WORD type = 0;
    ModelRecord* option = nullptr;
    ModelStatus s = FindOptionByValue(false, primary(), secondary(), feature, row.value.bytes, &type, &option);
    if (!row.expected) {
      EXPECT_EQ(s, 2);
      EXPECT_EQ(option, nullptr);
      continue;
    }
    ASSERT_EQ(s, 0) << row.value.bytes[0];
    EXPECT_EQ(type, 14);
    EXPECT_EQ(Wide(GetModelRecordText(option)), std::u16string(row.expected));
    ReleaseModelRecord(option);
  }
  ReleaseModelRecord(feature);

  // Texts compare exactly: "A4" is not the option "a4".
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 4, 60, 0, &feature), 0);
  WORD type = 0;
  ModelRecord* option = nullptr;
  EXPECT_EQ(FindOptionByValue(false, primary(), secondary(), feature, u"A4", &type, &option), 2);
  EXPECT_EQ(FindOptionByValue(false, primary(), secondary(), feature, u"a4", &type, &option), 0);
  EXPECT_EQ(Wide(GetModelRecordText(option)), u"a4");
  ReleaseModelRecord(option);
  ReleaseModelRecord(feature);
  // A feature read without its option list has nothing to match.
  ASSERT_EQ(LoadModelRecordByKey(false, primary(), secondary(), 4, 60, 0, &feature), 0);
  EXPECT_EQ(FindOptionByValue(false, primary(), secondary(), feature, u"a4", &type, &option), 2);
  ReleaseModelRecord(feature);
}

TEST_F(QueryTest, ReadsTheFeatureDefaultFromTheFile) {
  BYTE* value = nullptr;
  WORD type = 0;
  ASSERT_EQ(GetFeatureDefaultValue(primary(), secondary(), 60, &value, &type), 0);
  EXPECT_EQ(type, 6);
  EXPECT_EQ(Wide(reinterpret_cast<WCHAR*>(value)), u"b5");
  GlobalFree(value);
  ASSERT_EQ(GetFeatureDefaultValue(primary(), secondary(), 775, &value, nullptr), 0);
  EXPECT_EQ(*reinterpret_cast<int32_t*>(value), 1);
  GlobalFree(value);

  struct Row {
    SettingId id;
    ModelStatus status;
  } failures[] = {{61, 1}, {1, 1}, {259, 1}, {0x8001, 1}, {99, 2}, {0, 2}};
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  for (const Row& row : failures) {
    value = reinterpret_cast<BYTE*>(this);
    EXPECT_EQ(GetFeatureDefaultValue(primary(), secondary(), row.id, &value, &type), row.status) << row.id;
    EXPECT_EQ(value, nullptr);
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST_F(QueryTest, LoadsOptionsByNumber) {
  WORD type = 0;
  ModelRecord* r = nullptr;
  ASSERT_EQ(LoadSettingOptionRecord(false, primary(), secondary(), 60, 2, &type, &r), 0);
  EXPECT_EQ(type, 14);
  EXPECT_EQ(Wide(GetModelRecordText(r)), u"b5");
  ReleaseModelRecord(r);
  ASSERT_EQ(LoadSettingOptionRecord(false, primary(), secondary(), 0x8001, 2, &type, &r), 0);
  EXPECT_EQ(type, 10);
  EXPECT_EQ(Wide(GetModelRecordText(r)), u"Letter");
  ReleaseModelRecord(r);
  EXPECT_EQ(LoadSettingOptionRecord(false, primary(), secondary(), 60, 3, &type, &r), 2);
  EXPECT_EQ(LoadSettingOptionRecord(false, primary(), secondary(), 60, 0, &type, &r), 1);
  EXPECT_EQ(LoadSettingOptionRecord(false, primary(), secondary(), 259, 1, &type, &r), 2);
  EXPECT_EQ(r, nullptr);

  WCHAR* name = nullptr;
  BYTE* value = nullptr;
  ASSERT_EQ(LoadSettingOptionValue(primary(), secondary(), 276, 2, &name, &value, &type), 0);
  EXPECT_EQ(Wide(name), u"Wide");
  EXPECT_EQ(type, 3);
  EXPECT_EQ(*reinterpret_cast<uint16_t*>(value), 2);
  GlobalFree(name);
  GlobalFree(value);
  // A paper record's value is its key.
  ASSERT_EQ(LoadSettingOptionValue(primary(), secondary(), 0x8001, 1, &name, &value, &type), 0);
  EXPECT_EQ(Wide(name), u"A4");
  EXPECT_EQ(*reinterpret_cast<uint16_t*>(value), 9);
  GlobalFree(name);
  GlobalFree(value);
}

TEST_F(QueryTest, PacksModelValuesWithTheirBlob) {
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  ModelValue* v = nullptr;
  ASSERT_EQ(LoadModelValue(primary(), secondary(), 60, 1, &v), 0);
  EXPECT_EQ(Wide(v->name), u"a4");
  EXPECT_EQ(v->type, 6);
  EXPECT_EQ(Wide(reinterpret_cast<WCHAR*>(v->data)), u"a4");
  ASSERT_NE(v->blob, nullptr);
  EXPECT_EQ(v->blob->size, 3);
  EXPECT_EQ(v->blob->data[2], 9);
  FreeModelValue(v);
  // The feature itself: a name, no value, no blob.
  ASSERT_EQ(LoadModelValue(primary(), secondary(), 60, 0, &v), 0);
  EXPECT_EQ(Wide(v->name), u"Paper names");
  EXPECT_EQ(v->data, nullptr);
  EXPECT_EQ(v->type, 0);
  EXPECT_EQ(v->blob, nullptr);
  FreeModelValue(v);
  EXPECT_EQ(LoadModelValue(primary(), secondary(), 259, 0, &v), 1);
  EXPECT_EQ(LoadModelValue(primary(), secondary(), 60, 5, &v), 2);
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);

  WCHAR* text = nullptr;
  ASSERT_EQ(GetSettingOptionText(primary(), secondary(), 60, u"b5", &text), 0);
  EXPECT_EQ(Wide(text), u"b5");
  GlobalFree(text);
  ASSERT_EQ(GetSettingOptionText(primary(), secondary(), 259, nullptr, &text), 0);
  EXPECT_EQ(Wide(text), u"Small");
  GlobalFree(text);
  WORD nine = 9;
  ASSERT_EQ(GetSettingOptionText(primary(), secondary(), 0x8001, &nine, &text), 0);
  EXPECT_EQ(Wide(text), u"A4");
  GlobalFree(text);
  EXPECT_EQ(GetSettingOptionText(primary(), secondary(), 60, u"c6", &text), 2);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST_F(QueryTest, ReadsFieldsOfRecords) {
  WORD nine = 9, five = 5, type = 0;
  ModelRecord* paper = nullptr;
  ModelRecord* range = nullptr;
  ModelRecord* font = nullptr;
  ModelRecord* feature = nullptr;
  ASSERT_EQ(Find(0x8001, &nine, &type, &paper), 0);
  ASSERT_EQ(Find(0x8002, &five, &type, &range), 0);
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 11, 1, 0, &font), 0);
  ASSERT_EQ(Find(60, nullptr, &type, &feature), 0);

  auto xy = [](const PointItem* p) { return p ? std::pair<int, int>(p->x, p->y) : std::pair<int, int>(-1, -1); };
  using P = std::pair<int, int>;
  EXPECT_EQ(xy(GetPaperRecordPoint1(paper)), P(2100, 2970));
  EXPECT_EQ(xy(GetPaperRecordPoint2(paper)), P(2101, 2971));
  EXPECT_EQ(xy(GetPaperRecordPoint5(paper)), P(2016, 2886));
  EXPECT_EQ(xy(GetPaperRecordPoint6(paper)), P(2017, 2887));
  PointItem first{}, second{};
  ASSERT_EQ(GetPaperRecordPair2(paper, &first, &second), 0);
  EXPECT_EQ(xy(&first), P(42, 43));
  EXPECT_EQ(xy(&second), P(44, 45));
  EXPECT_EQ(xy(GetRangeRecordPoint1(range)), P(1, 2));
  EXPECT_EQ(xy(GetRangeRecordPoint2(range)), P(3, 4));
  // Accessors of another record type answer nothing.
  EXPECT_EQ(GetPaperRecordPoint1(range), nullptr);
  EXPECT_EQ(GetPaperRecordPoint6(feature), nullptr);
  EXPECT_EQ(GetPaperRecordPair2(range, &first, &second), 1);
  EXPECT_EQ(GetRangeRecordPoint2(paper), nullptr);

  EXPECT_EQ(Wide(GetModelRecordText(font)), u"Face");
  EXPECT_EQ(Wide(GetModelRecordText(feature)), u"Paper names");
  const WCHAR* alias = nullptr;
  ASSERT_EQ(GetFontRecordAlias(font, 2, &alias), 0);
  EXPECT_EQ(Wide(alias), u"Alias two");
  EXPECT_EQ(GetFontRecordAlias(font, 3, &alias), 2);
  EXPECT_EQ(GetFontRecordAlias(font, 0, &alias), 1);
  EXPECT_EQ(GetFontRecordAlias(paper, 1, &alias), 1);
  ASSERT_NE(GetFontRecordData(font), nullptr);
  EXPECT_EQ(GetFontRecordData(font)[2], 3);
  EXPECT_EQ(GetFontRecordData(paper), nullptr);

  ModelRecord* blob = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 18, 1, 0, &blob), 0);
  EXPECT_EQ(GetModelRecordText(blob), nullptr);
  for (ModelRecord* r : {paper, range, font, feature, blob}) ReleaseModelRecord(r);
}

TEST_F(QueryTest, LoadsPicturesWithTheirBitmap) {
  ModelRecord* picture = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 9, 1, 0, &picture), 0);
  WORD x = 0, y = 0;
  BYTE* bitmap = nullptr;
  DWORD size = 0;
  ASSERT_EQ(LoadRecordPicture(primary(), secondary(), picture, &x, &y, &bitmap, &size), 0);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);
  ASSERT_NE(bitmap, nullptr);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bitmap);
  EXPECT_EQ(header->biWidth, 4);
  EXPECT_EQ(size, 40u + 12u * 2u);  // rows of 4 pixels take 12 bytes
  GlobalFree(bitmap);

  ModelRecord* paper = nullptr;
  WORD nine = 9, type = 0;
  ASSERT_EQ(Find(0x8001, &nine, &type, &paper), 0);
  x = y = 5;
  EXPECT_EQ(LoadRecordPicture(primary(), secondary(), paper, &x, &y, &bitmap), 1);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(LoadRecordPicture(primary(), nullptr, picture, &x, &y, &bitmap), 1);
  ReleaseModelRecord(paper);
  ReleaseModelRecord(picture);

  // This model has no device picture; a missing file gives no size either.
  WORD width = 1, height = 1;
  EXPECT_EQ(LoadDevicePicture(primary(), secondary(), &width, &height), nullptr);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(LoadDevicePicture(nullptr, secondary(), &width, &height), nullptr);
  EXPECT_EQ(height, 0);
}

TEST_F(ModelTest, PrinterFlagsFixedByTheModel) {
  EXPECT_EQ(PrinterFlagBit(769), 1u);
  EXPECT_EQ(PrinterFlagBit(775), 0x40u);
  EXPECT_EQ(PrinterFlagBit(800), 0x80000000u);
  EXPECT_EQ(PrinterFlagBit(768), 0u);
  EXPECT_EQ(PrinterFlagBit(801), 0u);
  struct Row {
    uint32_t fixed;
    SettingId id;
    int free;
  } rows[] = {{0x40, 775, 0}, {0, 775, 1},           {0x40, 801, 1},
              {0x40, 774, 1}, {0x80000000u, 800, 0}, {0xFFFFFFFFu, 768, 1}};
  for (const Row& row : rows) {
    ddd::ModelWriter w = pk::test::SmallWriter();
    w.SetField(12, {row.fixed});
    ASSERT_EQ(Load(w), 0);
    EXPECT_EQ(IsPrinterFlagFree(primary(), secondary(), row.id), row.free) << row.fixed << " " << row.id;
  }
}

TEST_F(ModelTest, ColourKindAndCapabilityFromTheHeader) {
  struct Row {
    uint32_t kind;
    WORD answer;
  } rows[] = {{0, 0xFFFF}, {1, 1}, {2, 2}, {18, 1}, {255, 1}};
  for (const Row& row : rows) {
    ddd::ModelWriter w = pk::test::SmallWriter();
    w.SetField(5, {row.kind});
    w.SetField(7, {row.kind});
    w.SetField(4, {row.kind * 3});
    ASSERT_EQ(Load(w), 0);
    EXPECT_EQ(GetModelColorKind(model_), row.answer) << row.kind;
    EXPECT_EQ(ReadModelHeaderField5(model_), row.answer) << row.kind;
    EXPECT_EQ(GetModelColorCapability(model_), static_cast<int>(row.kind));
    EXPECT_EQ(GetModelMaxCopies(model_), row.kind * 3);
  }
  EXPECT_EQ(GetModelColorKind(nullptr), 0xFFFF);
  EXPECT_EQ(GetModelColorCapability(nullptr), -1);
  EXPECT_EQ(GetModelMaxCopies(nullptr), 0);
}

TEST_F(ModelTest, SupportedDevModeFieldsByOperatingSystemFamily) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.SetField(7, {1});
  ASSERT_EQ(Load(w), 0);
  struct Row {
    DWORD major, minor, platform, requested;
    int result;
    DWORD mask;
  } rows[] = {
      {5, 1, 2, 2, 1, 0x7F1F},                            // family 3: every row
      {10, 0, 2, 1, 1, 0x7F03},                           // family 3 lacks sizes and scale for bit 1
      {4, 0, 2, 1, 1, 0x7F13},                            // family 2 lacks the paper sizes for bit 1
      {4, 0, 2, 2, 1, 0x7F1F},  {4, 0, 1, 2, 1, 0x7F1F},  // family 0
      {4, 10, 1, 1, 1, 0x7F1F},                           // family 1
      {5, 1, 2, 0, 1, 0},       {3, 51, 2, 2, 0, 0},      // no family
      {3, 10, 1, 2, 0, 0},      {5, 0, 0, 2, 0, 0},
  };
  for (const Row& row : rows) {
    pk::seams::SetOsVersion(row.major, row.minor, row.platform);
    DWORD mask = 0xDEAD;
    EXPECT_EQ(GetSupportedFieldsMask(model_, &mask, row.requested), row.result) << row.major << "." << row.minor;
    EXPECT_EQ(mask, row.mask) << row.major << "." << row.minor << " requested " << row.requested;
  }
}

// Palettes of a bitmap's colour table: the count the header gives, trusted
// only as far as the table really goes.
TEST(CreateBitmapPalette, CountsOnlyTheColoursThatAreThere) {
  struct Row {
    WORD bits;
    DWORD used;
    DWORD tableEntries;  // colour-table entries present in the data
    UINT expected;       // 0: no palette
  } rows[] = {
      {1, 0, 2, 2},  {4, 0, 16, 16}, {8, 0, 256, 256},   {4, 3, 16, 3},  {16, 0, 0, 0},   {16, 0, 4, 0},
      {32, 0, 0, 0}, {24, 0, 0, 0},  {8, 300, 300, 256}, {8, 0, 10, 10}, {8, 12, 10, 10}, {8, 0, 0, 0},
  };
  for (const Row& row : rows) {
    std::vector<BYTE> data(40 + row.tableEntries * 4 + 2);  // two spare bytes: not a whole entry
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(data.data());
    header->biSize = 40;
    header->biWidth = 2;
    header->biHeight = 2;
    header->biPlanes = 1;
    header->biBitCount = row.bits;
    header->biClrUsed = row.used;
    for (DWORD k = 0; k < row.tableEntries; ++k) {
      BYTE* quad = data.data() + 40 + 4 * k;
      quad[0] = static_cast<BYTE>(k);      // blue
      quad[1] = static_cast<BYTE>(k + 1);  // green
      quad[2] = static_cast<BYTE>(k + 2);  // red
      quad[3] = 0x55;
    }
    SIZE_T before = pk::seams::LivePalettes();
    HPALETTE palette = CreateBitmapPalette(header, static_cast<DWORD>(data.size()));
    if (row.expected == 0) {
      EXPECT_EQ(palette, nullptr) << row.bits << " bits, " << row.used << " used";
      continue;
    }
    ASSERT_NE(palette, nullptr) << row.bits << " bits, " << row.used << " used";
    EXPECT_EQ(pk::seams::LivePalettes(), before + 1);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), row.expected) << row.bits << " bits, " << row.used;
    PALETTEENTRY last{};
    ASSERT_EQ(GetPaletteEntries(palette, row.expected - 1, 1, &last), 1u);
    EXPECT_EQ(last.peRed, static_cast<BYTE>(row.expected + 1));
    EXPECT_EQ(last.peGreen, static_cast<BYTE>(row.expected));
    EXPECT_EQ(last.peBlue, static_cast<BYTE>(row.expected - 1));
    EXPECT_EQ(last.peFlags, 0);
    EXPECT_TRUE(DeleteObject(palette));
    EXPECT_EQ(pk::seams::LivePalettes(), before);
  }
  EXPECT_EQ(CreateBitmapPalette(nullptr, 100), nullptr);
  BITMAPINFOHEADER header{40, 1, 1, 1, 8, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(CreateBitmapPalette(&header, 39), nullptr);
}

// A feature held by the secondary file finds its options in that file's
// index, whose keys are positions there, even where the primary's index has
// options of the same keys.
TEST_F(ModelTest, SecondaryFeaturesFindTheirOwnOptions) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.secondaryName = "second.ddd";
  uint16_t p1 = w.AddOption(14, Text::Plain("P1"), 0, 0, Value::U16(1));
  uint16_t p2 = w.AddOption(14, Text::Plain("P2"), 0, 0, Value::U16(2));
  w.AddFeature(4, 40, Text::Plain("Primary"), 1, 1, {p1, p2});
  w.AddRawRecord(14, 1, pk::test::OptionBody("S1", 11), Place::kSecondary);
  w.AddRawRecord(14, 2, pk::test::OptionBody("S2", 12), Place::kSecondary);
  w.AddFeature(4, 41, Text::Plain("Secondary"), 1, 2, {1, 2}, 0, {}, {}, 0, Place::kSecondary);
  // An option the writer keys by its position among all options.
  uint16_t s3 = w.AddOption(14, Text::Plain("S3"), 0, 0, Value::U16(13), 0, {}, {}, 0, Place::kSecondary);
  w.AddFeature(4, 42, Text::Plain("Written"), 1, 1, {s3}, 0, {}, {}, 0, Place::kSecondary);
  ASSERT_EQ(Load(w), 0);

  WORD type = 0, twelve = 12, two = 2;
  ModelRecord* option = nullptr;
  ASSERT_EQ(FindSettingModelRecord(false, primary(), secondary(), 41, &twelve, &type, &option), 0);
  EXPECT_EQ(Wide(GetModelRecordText(option)), u"S2");
  EXPECT_EQ(option->file, kModelFileSecondary);
  ReleaseModelRecord(option);
  EXPECT_EQ(FindSettingModelRecord(false, primary(), secondary(), 41, &two, &type, &option), 2);
  ASSERT_EQ(FindSettingModelRecord(false, primary(), secondary(), 40, &two, &type, &option), 0);
  EXPECT_EQ(Wide(GetModelRecordText(option)), u"P2");
  ReleaseModelRecord(option);
  WORD thirteen = 13;
  ASSERT_EQ(FindSettingModelRecord(false, primary(), secondary(), 42, &thirteen, &type, &option), 0);
  EXPECT_EQ(Wide(GetModelRecordText(option)), u"S3");
  ReleaseModelRecord(option);

  BYTE* value = nullptr;
  ASSERT_EQ(GetFeatureDefaultValue(primary(), secondary(), 41, &value, &type), 0);
  EXPECT_EQ(*reinterpret_cast<uint16_t*>(value), 12);
  GlobalFree(value);
  ASSERT_EQ(GetFeatureDefaultValue(primary(), secondary(), 40, &value, &type), 0);
  EXPECT_EQ(*reinterpret_cast<uint16_t*>(value), 1);
  GlobalFree(value);
  ASSERT_EQ(GetFeatureDefaultValue(primary(), secondary(), 42, &value, &type), 0);
  EXPECT_EQ(*reinterpret_cast<uint16_t*>(value), 13);
  GlobalFree(value);

  // The default option of a secondary feature, as the defaults read it.
  ModelRecord* feature = nullptr;
  WORD featureType = 0, featureKey = 0;
  MapSettingToModelKey(41, nullptr, &featureType, &featureKey);
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), featureType, featureKey, 0, &feature), 0);
  ASSERT_EQ(LoadFeatureOptionRecord(false, true, primary(), secondary(), feature, 0, &type, &option), 0);
  EXPECT_EQ(Wide(GetModelRecordText(option)), u"S2");
  EXPECT_EQ(option->file, kModelFileSecondary);
  ReleaseModelRecord(option);
  ReleaseModelRecord(feature);
}

// Loads a model of a newer and one of an older level, in both orders, and
// hands the record of `type` keyed 1 of each to `check`.
template <typename Check>
void WithRecordsOfBothLevels(ddd::ModelWriter (*writer)(uint32_t), uint32_t newerLevel, uint32_t olderLevel, WORD type,
                             Check check) {
  for (bool newerFirst : {true, false}) {
    DeviceModel* models[2] = {};
    for (int k = 0; k < 2; ++k) {
      bool newer = (k == 0) == newerFirst;
      models[newer ? 0 : 1] = pk::test::LoadExtraModel(writer(newer ? newerLevel : olderLevel),
                                                       newer ? u"C:\\models\\newer.ddd" : u"C:\\models\\older.ddd");
    }
    ModelRecord* records[2] = {};
    for (int k = 0; k < 2; ++k)
      ASSERT_EQ(LoadModelRecordByKey(true, models[k]->primary, models[k]->secondary, type, 1, 0, &records[k]), 0);
    SCOPED_TRACE(newerFirst ? "newer model loaded first" : "older model loaded first");
    check(records[0], records[1]);
    for (int k = 0; k < 2; ++k) {
      ReleaseModelRecord(records[k]);
      CloseDeviceModel(models[k]);
    }
  }
}

#if !PK_SETTINGS_GRAPHICS_DRIVER

ddd::ModelWriter ValueListWriter(uint32_t level) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.level = level;
  w.AddValueList(1, Text::Plain("List"), {{8, Value::I16(9)}, {7, Value::I16(2)}, {18, Value::U32(5)}});
  return w;
}

// Value lists are answered by the level of the model they were read from,
// whichever model was loaded last.
TEST_F(ModelTest, ValueListsFollowTheLevelOfTheirOwnModel) {
  WithRecordsOfBothLevels(&ValueListWriter, 0x300, 0x2FF, 21, [](ModelRecord* newer, ModelRecord* older) {
    WORD count = 0;
    ASSERT_EQ(GetType21Count(newer, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(GetType21Count(older, &count), 1);
    WORD id = 0, size = 0, type = 0;
    const BYTE* value = nullptr;
    ASSERT_EQ(GetType21Entry(newer, 3, &id, &size, &type, &value), 0);
    EXPECT_EQ(id, 18);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(type, 5);
    EXPECT_EQ(*reinterpret_cast<const uint32_t*>(value), 5u);
    EXPECT_EQ(GetType21Entry(newer, 4, &id, &size, &type, &value), 2);
    EXPECT_EQ(GetType21Entry(newer, 0, &id, &size, &type, &value), 1);
    EXPECT_EQ(GetType21Entry(older, 1, &id, &size, &type, &value), 1);
  });
  EXPECT_EQ(GetType21Count(nullptr, nullptr), 1);
}

#else

ddd::ModelWriter NamedByteWriter(uint32_t level) {
  ddd::ModelWriter w = pk::test::SmallWriter();
  w.level = level;
  w.AddNamedByte(1, Text::Plain("Byte"), 0x5A);
  return w;
}

TEST_F(ModelTest, NamedBytesFollowTheLevelOfTheirOwnModel) {
  WithRecordsOfBothLevels(&NamedByteWriter, 0x200, 0x1FF, 19, [](ModelRecord* newer, ModelRecord* older) {
    BYTE flag = 0;
    ASSERT_EQ(GetNamedByteFlag(newer, &flag), 0);
    EXPECT_EQ(flag, 0x5A);
    EXPECT_EQ(GetNamedByteFlag(older, &flag), 1);
  });
  BYTE flag = 0;
  EXPECT_EQ(GetNamedByteFlag(nullptr, &flag), 1);
}

#endif

}  // namespace
