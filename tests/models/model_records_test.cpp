// Model records: the parsers with and without the full flag, option and
// target lookups, release, value blobs and value tables, and damaged files.
#include "model_fixture.h"

namespace {

using ddd::Condition;
using ddd::Pair;
using ddd::Text;
using ddd::Value;
using pk::test::ModelTest;
using pk::test::SmallWriter;
using pk::test::Wide;

ddd::ModelWriter FeatureWriter() {
  ddd::ModelWriter w = SmallWriter();
  uint16_t c = w.AddConstraint(7, Condition{0, 1, 16, Value::I16(2)}, 1, Text::Plain("needs the unit"),
                               {ddd::Chained{Condition{0, 1, 771, Value::Flag(false)}, 3}},
                               {Condition{0, 1, 16, Value::I16(1)}});
  w.AddBlob(4, {9, 8, 7});
  uint16_t o1 = w.AddOption(14, Text::Plain("One"), 10, 9, Value::I16(1));
  uint16_t o2 = w.AddOption(14, Text::Ref(1, 300), 0, 0, Value::I16(2), 0, {c}, {}, 4);
  w.AddFeature(4, 16, Text::Plain("Duplex"), 1, 2, {o1, o2}, 0, {}, {}, 4);
  w.AddPaper(9, Text::Plain("A4"), 0, Pair{{2100, 2970}, {2100, 2970}}, Pair{{42, 42}, {42, 42}},
             Pair{{2016, 2886}, {2016, 2886}}, 9, 0, 0);
  w.AddPaper(262, Text::Plain("User"), 0, Pair{{900, 1480}, {2970, 4200}}, Pair{{42, 42}, {42, 42}},
             Pair{{816, 1396}, {2886, 4116}}, 262, 0, 1, Pair{{900, 1480}, {2970, 4200}});
  w.AddValueTable(1, 0, 1, 1, {0, 5, 1});
  w.AddValueTable(2, 0, 10, 4, {-3, 70000});
  return w;
}

TEST_F(ModelTest, FeatureWithAndWithoutFullFlag) {
  ASSERT_EQ(Load(FeatureWriter()), 0);
  ModelRecord* r = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(false, primary(), secondary(), 4, 16, 0, &r), 0);
  auto* f = static_cast<FeatureRecord*>(r);
  EXPECT_EQ(Wide(f->name), u"Duplex");
  EXPECT_EQ(f->defaultOption, 2);
  EXPECT_EQ(f->optionCount, 0);
  EXPECT_EQ(f->optionKeys, nullptr);
  ModelRecord* option = nullptr;
  WORD type = 0;
  for (WORD n : {0, 1, 2, 3})
    EXPECT_EQ(LoadFeatureOptionRecord(true, false, primary(), secondary(), r, n, &type, &option), 2);
  ReleaseModelRecord(r);

  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 4, 16, 0, &r), 0);
  f = static_cast<FeatureRecord*>(r);
  ASSERT_EQ(f->optionCount, 2);
  EXPECT_EQ(f->optionKeys[1].kind, kItemKey);
  EXPECT_EQ(f->blobKey.key, 4);
  ASSERT_EQ(LoadFeatureOptionRecord(true, true, primary(), secondary(), r, 0, &type, &option), 0);
  EXPECT_EQ(type, 14);
  auto* o = static_cast<OptionRecord*>(option);
  EXPECT_EQ(Wide(o->name), u"Stamp");
  EXPECT_EQ(o->constraintACount, 1);
  EXPECT_EQ(o->valueType, 2);
  EXPECT_EQ(o->valueSize, 2);
  EXPECT_EQ(o->value[0], 2);
  ValueBlob blob{};
  ASSERT_EQ(LoadRecordValueBlob(primary(), secondary(), option, &blob), 0);
  EXPECT_EQ(blob.size, 3);
  EXPECT_EQ(blob.data[2], 7);
  ClearValueBlob(&blob);
  WCHAR* name = nullptr;
  BYTE* value = nullptr;
  ASSERT_EQ(CopyRecordValue(primary(), secondary(), option, &name, &value, &type), 0);
  EXPECT_EQ(Wide(name), u"Stamp");
  EXPECT_EQ(type, 2);
  GlobalFree(name);
  GlobalFree(value);
  ReleaseModelRecord(option);

  // Option 1 by key and option number; without the full flag it still has its value.
  ASSERT_EQ(LoadModelRecordByKey(false, primary(), secondary(), 4, 16, 1, &option), 0);
  o = static_cast<OptionRecord*>(option);
  EXPECT_EQ(option->type, 14);
  EXPECT_EQ(o->constraintAKeys, nullptr);
  EXPECT_EQ(o->value[0], 1);
  EXPECT_EQ(LoadRecordValueBlob(primary(), secondary(), option, &blob), 2);
  ModelRecord* target = nullptr;
  ASSERT_EQ(LoadOptionTarget(true, primary(), secondary(), option, &type, &target), 0);
  EXPECT_EQ(type, 10);
  EXPECT_EQ(static_cast<PaperRecord*>(target)->paperCode, 9);
  ReleaseModelRecord(target);
  ReleaseModelRecord(option);
  EXPECT_EQ(LoadModelRecordByKey(false, primary(), secondary(), 4, 16, 3, &option), 2);
  EXPECT_EQ(LoadRecordName(primary(), secondary(), 4, 16, 2, &name), 0);
  EXPECT_EQ(Wide(name), u"Stamp");
  GlobalFree(name);
  ReleaseModelRecord(r);
}

TEST_F(ModelTest, ConstraintAndPapers) {
  ASSERT_EQ(Load(FeatureWriter()), 0);
  ModelRecord* r = nullptr;
  ASSERT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), 7, 1, &r), 0);
  auto* c = static_cast<ConstraintRecord*>(r);
  EXPECT_EQ(c->condition.settingId, 16);
  EXPECT_EQ(c->condition.count, 1);
  EXPECT_EQ(c->rule, 1);
  EXPECT_EQ(Wide(c->message), u"needs the unit");
  ASSERT_EQ(c->chainedCount, 1);
  EXPECT_EQ(c->chained[0].condition.settingId, 771);
  EXPECT_EQ(c->chained[0].condition.itemSize, 4);  // a flag widened to 4 bytes
  EXPECT_EQ(c->chained[0].join, 3);
  ASSERT_EQ(c->conditionCount, 1);
  EXPECT_EQ(c->conditions[0].settingId, 16);
  ReleaseModelRecord(r);

  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 10, 9, 0, &r), 0);
  auto* p = static_cast<PaperRecord*>(r);
  EXPECT_EQ(p->pair1[0].x, 2100);
  EXPECT_EQ(p->pair1[1].y, 2970);
  EXPECT_EQ(p->pair2[0].x, 42);
  EXPECT_EQ(p->pair3[0].x, 2016);
  EXPECT_EQ(p->pair4[0].x, 0);
  EXPECT_EQ(p->pair4[1].y, 0);
  EXPECT_EQ(p->level, 0x300u);
  // A mismatching type clears the pointer and leaves the record.
  ModelRecord* copy = r;
  EXPECT_EQ(FreeModelRecord(&r, 12), 1);
  EXPECT_EQ(r, nullptr);
  EXPECT_EQ(FreeModelRecord(&copy, 10), 0);
  EXPECT_EQ(FreeModelRecord(&copy, -1), 1);
  EXPECT_EQ(FreeModelRecord(nullptr, -1), 1);

  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 10, 262, 0, &r), 0);
  p = static_cast<PaperRecord*>(r);
  EXPECT_EQ(p->sizeKind, 1);
  EXPECT_EQ(p->pair1[1].x, 2970);
  EXPECT_EQ(p->pair3[1].y, 4116);
  EXPECT_EQ(p->pair4[0].x, 900);
  EXPECT_EQ(p->pair4[1].y, 4200);
  BYTE* value = nullptr;
  WORD type = 0;
  ASSERT_EQ(CopyRecordValue(primary(), secondary(), r, nullptr, &value, &type), 0);
  EXPECT_EQ(type, 3);
  EXPECT_EQ(value[0] | (value[1] << 8), 262);
  GlobalFree(value);
  ReleaseModelRecord(r);
}

TEST_F(ModelTest, ValueTableConditions) {
  ASSERT_EQ(Load(FeatureWriter()), 0);
  auto condition = [](WORD position) {
    ConditionItem c{};
    c.kind = kItemCondition;
    c.valueType = 128;
    c.itemSize = 2;
    c.data = static_cast<BYTE*>(GlobalAlloc(GPTR, 2));
    c.data[0] = static_cast<BYTE>(position);
    c.count = 1;
    return c;
  };
  ConditionItem c = condition(1);
  ASSERT_EQ(ResolveConditionValueTable(primary(), &c), 0);
  EXPECT_EQ(c.valueType, 1);
  EXPECT_EQ(c.itemSize, 4);
  ASSERT_EQ(c.count, 3);
  int32_t v[3];
  std::memcpy(v, c.data, sizeof v);
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[1], 1);
  EXPECT_EQ(v[2], 1);
  GlobalFree(c.data);

  c = condition(2);
  ASSERT_EQ(ResolveConditionValueTable(primary(), &c), 0);
  EXPECT_EQ(c.count, 2);
  std::memcpy(v, c.data, 8);
  EXPECT_EQ(v[0], -3);
  EXPECT_EQ(v[1], 70000);
  GlobalFree(c.data);

  for (WORD position : {3, 0}) {
    c = condition(position);
    BYTE* data = c.data;
    EXPECT_EQ(ResolveConditionValueTable(primary(), &c), position ? 2 : 1);
    EXPECT_EQ(c.valueType, 128);
    EXPECT_EQ(c.data, data);
    EXPECT_EQ(c.count, 1);
    GlobalFree(c.data);
  }
}

TEST_F(ModelTest, AllocationAndOddRecords) {
  for (WORD type = 1; type <= 21; ++type) {
    ModelRecord* r = AllocModelRecord(type);
    ASSERT_NE(r, nullptr) << type;
    EXPECT_EQ(r->type, type);
    EXPECT_TRUE(ReleaseModelRecord(r));
  }
  EXPECT_EQ(AllocModelRecord(22), nullptr);
  EXPECT_EQ(AllocModelRecord(0), nullptr);
  ModelValue* value = AllocModelValue();
  ASSERT_NE(value, nullptr);
  value->blob = AllocValueBlob();
  FreeModelValue(value);

  ddd::ModelWriter w = SmallWriter();
  w.AddBitmap(1, 3, 2, 2, ddd::MakeBitmapFile(2, 2, 0));  // a format the reader refuses
  w.AddBitmap(2, 1, 4, 3, ddd::MakeBitmapFile(4, 3, 0xFF0000));
  w.AddValueList(1, Text::Plain("List"), {{5, Value::I32(-1)}, {6, Value::Str(Text::Plain("x"))}});
  ASSERT_EQ(Load(w), 0);
  ModelRecord* r = nullptr;
  EXPECT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 12, 1, 0, &r), 1);
  EXPECT_EQ(r, nullptr);
  ASSERT_EQ(LoadModelRecordByKey(false, primary(), secondary(), 12, 1, 0, &r), 0);
  EXPECT_EQ(static_cast<BitmapRecord*>(r)->data, nullptr);
  ReleaseModelRecord(r);
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 12, 2, 0, &r), 0);
  auto* b = static_cast<BitmapRecord*>(r);
  EXPECT_EQ(b->width, 4);
  EXPECT_EQ(b->dataSize, 40u + 12u * 3u);
  EXPECT_EQ(b->data[0], 40);  // the information header comes first
  ReleaseModelRecord(r);
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 21, 1, 0, &r), 0);
  auto* l = static_cast<ValueListRecord*>(r);
  ASSERT_EQ(l->entryCount, 2);
  EXPECT_EQ(l->ids[1], 6);
  EXPECT_EQ(l->valueSizes[1], 4);
  EXPECT_EQ(l->values[1][0], 'x');
  EXPECT_EQ(r->level, 0x300u);
  ReleaseModelRecord(r);
}

// Damaged files: every truncation, and offsets, counts and list lengths
// beyond the end, are refused without reading outside the copy (the
// address sanitizer watches every read, as each copy is its own block).
TEST_F(ModelTest, TruncatedAndDamagedFiles) {
  std::vector<uint8_t> bytes, none;
  FeatureWriter().Build(&bytes, &none);
  auto walk = [&](ModelFile* p, ModelFile* s) {
    for (WORD type : kModelDirectoryOrder) {
      WORD count = CountModelRecords(p, type);
      for (WORD k = 1; k <= count + 1; ++k)
        for (bool full : {false, true}) {
          ModelRecord* r = nullptr;
          if (LoadModelRecordByIndex(full, p, s, type, k, &r) == 0) ReleaseModelRecord(r);
        }
    }
    for (WORD field = 0; field <= 37; ++field) {
      ReadModelHeaderValue(p, field, 2, 0);
      WCHAR* text = GetModelHeaderText(p, field, 0);
      if (text) GlobalFree(text);
    }
  };
  // Every length as a copy of its own (so any read past it is caught).
  for (size_t length = 0; length < bytes.size(); ++length) {
    ModelFile cut{};
    cut.role = 2;
    cut.size = static_cast<DWORD>(length);
    cut.data = length ? static_cast<BYTE*>(GlobalAlloc(GPTR, length)) : nullptr;
    if (length) std::memcpy(cut.data, bytes.data(), length);
    ModelFile none{};
    none.role = 1;
    CheckModelFileVersion(&cut);
    walk(&cut, &none);
    if (cut.data) GlobalFree(cut.data);
  }
  // Loading refuses truncated files and leaves nothing loaded.
  for (size_t length : {size_t(0), size_t(100), size_t(224), bytes.size() / 2, bytes.size() - 1}) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length));
    pk::test::WriteWindowsFile(u"C:\\models\\cut.ddd", cut);
    if (LoadPath(u"C:\\models\\cut.ddd") != 0) {
      EXPECT_EQ(primary()->data, nullptr) << length;
    }
  }
  pk::test::WriteWindowsFile(u"C:\\models\\cut.ddd", bytes);

  ASSERT_EQ(LoadPath(u"C:\\models\\cut.ddd"), 0);
  ModelFile* p = primary();
  auto put32 = [](BYTE* at, DWORD v) { std::memcpy(at, &v, 4); };
  DWORD directory = 228 + (p->data[224] | (p->data[225] << 8));
  ModelRecord* r = nullptr;
  // A type index offset past the end.
  std::vector<BYTE> saved(p->data, p->data + p->size);
  put32(p->data + directory + 6 + 3 + 7 * 1, p->size + 10);
  EXPECT_EQ(CountModelRecords(p, 4), 0);
  EXPECT_EQ(LoadModelRecordByKey(true, p, secondary(), 4, 16, 0, &r), 1);
  std::memcpy(p->data, saved.data(), p->size);
  // An index count larger than the file.
  ASSERT_EQ(SeekTypeIndex(p, 4, 4), 0);
  p->data[p->position] = 0xFF;
  p->data[p->position + 1] = 0xFF;
  EXPECT_EQ(FindIndexEntryByKey(p, 4, 16), 1);
  std::memcpy(p->data, saved.data(), p->size);
  // A record offset past the end.
  ASSERT_EQ(FindIndexEntryByKey(p, 4, 16), 0);
  DWORD entry = p->position;
  put32(p->data + entry + 3, p->size);
  EXPECT_EQ(LoadModelRecordByKey(true, p, secondary(), 4, 16, 0, &r), 1);
  std::memcpy(p->data, saved.data(), p->size);
  // A list length and a list count larger than the file.
  DWORD record = 0;
  std::memcpy(&record, p->data + entry + 3, 4);
  WORD nameBytes = static_cast<WORD>(p->data[record + 6] | (p->data[record + 7] << 8));
  DWORD list = record + 13 + nameBytes;
  put32(p->data + list, 0x7FFFFFF0);
  EXPECT_EQ(LoadModelRecordByKey(true, p, secondary(), 4, 16, 0, &r), 1);
  std::memcpy(p->data, saved.data(), p->size);
  p->data[list + 4] = 0xFF;
  p->data[list + 5] = 0x7F;
  EXPECT_EQ(LoadModelRecordByKey(true, p, secondary(), 4, 16, 0, &r), 1);
  std::memcpy(p->data, saved.data(), p->size);
  // A header length past the end.
  put32(p->data + 224, p->size);
  EXPECT_EQ(CountModelRecords(p, 4), 0);
  EXPECT_EQ(r, nullptr);
}

}  // namespace
