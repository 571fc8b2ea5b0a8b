// The device description reader: version texts, text fields and resource
// references, typed values, indexes, header fields and loading of the
// primary and secondary files.
#include <cstring>

#include "model_fixture.h"

namespace {

using ddd::Text;
using ddd::Value;
using pk::test::ModelTest;
using pk::test::SmallWriter;
using pk::test::Wide;

TEST(ModelVersionText, AcceptsAndRejects) {
  struct Case {
    const char* text;
    bool parses;
    uint32_t version;
  } cases[] = {
      {"x:1.2.7", true, 0x01020007},
      {"x:1.3.0", true, 0x01030000},
      {"x:1.2", false, 0},
      {"x:1.2.256", true, 0x01020100},
      {"x:1.2.", true, 0x01020000},
      {"1.2.0", false, 0},
      {"x:", false, 0},
      {"x:256.2.0", false, 0},
      {"x:1.2.65536", false, 0},
  };
  for (const Case& c : cases) {
    char field[24] = {};
    std::memcpy(field, c.text, std::strlen(c.text));
    uint16_t major = 0, minor = 0;
    uint32_t build = 0;
    bool ok = ParseVersionText(field, &major, &minor, &build);
    EXPECT_EQ(ok, c.parses) << c.text;
    if (ok) {
      EXPECT_EQ(MakeVersionNumber(major, minor, build), c.version) << c.text;
    }
  }
  // A field without a terminator is read within its 24 bytes.
  char full[24];
  std::memset(full, '7', sizeof full);
  full[0] = ':';
  full[2] = '.';
  full[4] = '.';
  uint16_t major = 0, minor = 0;
  uint32_t build = 0;
  EXPECT_FALSE(ParseVersionText(full, &major, &minor, &build));  // build 7777... exceeds 65535
}

TEST(ModelVersionText, LevelIsBigEndianWithSignedBytes) {
  const unsigned char level[4] = {0, 0, 3, 0};
  EXPECT_EQ(ReadBigEndianLevel(level), 0x300u);
  const unsigned char negative[4] = {0, 0, 0, 0xFF};
  EXPECT_EQ(ReadBigEndianLevel(negative), 0xFFFFFFFFu);
  const unsigned char mixed[4] = {0, 0, 1, 0x80};
  EXPECT_EQ(ReadBigEndianLevel(mixed), 0x100u - 128u);
}

TEST_F(ModelTest, InvertedTextsAndReferences) {
  ddd::ModelWriter w = SmallWriter();
  ASSERT_EQ(Load(w), 0);
  struct Case {
    const char* what;
    std::vector<uint8_t> stored;
    const char16_t* text;
    WORD byteCount;
  } cases[] = {
      {"inverted", {0xBE, 0xCB, 0xFF}, u"A4", 6},
      {"reference to string 300 of module 1", {0x00, 0x01, 0x00, 0x2C, 0x01, 0x00}, u"Stamp", 12},
      {"missing string id", {0x00, 0x01, 0x00, 0x39, 0x30, 0x00}, u"", 2},
      {"module number 0 is inverted", {0x00, 0x00, 0x00, 0x2C, 0x01, 0x00}, u"\xFF\xFF\xFF\xD3\xFE\xFF", 14},
      {"string id 0 is inverted", {0x00, 0x01, 0x00, 0x00, 0x00, 0x00}, u"\xFF\xFE\xFF\xFF\xFF\xFF", 14},
      {"5 bytes are never a reference", {0xBE, 0x01, 0x00, 0x2C, 0x00}, u"A\xFE\xFF\xD3\xFF", 12},
      // No NUL after inversion: the text ends with its stored bytes.
      {"no terminator", {0xBE, 0xBD, 0xBC, 0xBB}, u"ABCD", 10},
      {"unloadable module is inverted", {0x00, 0x05, 0x00, 0x2C, 0x01, 0x00}, u"\xFF\xFA\xFF\xD3\xFE\xFF", 14},
  };
  for (const Case& c : cases) {
    ModelFile* f = primary();
    DWORD at = f->size;
    // Read the text from a scratch copy of the file extended by the bytes.
    std::vector<BYTE> data(f->data, f->data + f->size);
    data.insert(data.end(), c.stored.begin(), c.stored.end());
    ModelFile scratch = *f;
    scratch.data = data.data();
    scratch.size = static_cast<DWORD>(data.size());
    scratch.position = at;
    WCHAR* text = nullptr;
    WORD count = static_cast<WORD>(c.stored.size());
    ASSERT_EQ(ReadModelText(&scratch, &text, &count), 0) << c.what;
    EXPECT_EQ(Wide(text), std::u16string(c.text)) << c.what;
    EXPECT_EQ(count, c.byteCount) << c.what;
    EXPECT_EQ(scratch.position, scratch.size) << c.what;
    f->module = scratch.module;  // the module loaded through the scratch reader stays the file's
    GlobalFree(text);
  }
}

TEST_F(ModelTest, ReferenceToSecondModule) {
  ddd::ModelWriter w = SmallWriter();
  w.SetTextField(36, {Text::Plain("ModelTest.vbn"), Text::Plain("ModelTest.vbn")});
  w.AddNamedByte(1, Text::Ref(2, 301), 7);
  ASSERT_EQ(Load(w), 0);
  ModelRecord* r = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 19, 1, 0, &r), 0);
  EXPECT_EQ(Wide(static_cast<NamedByteRecord*>(r)->name), u"Second module text");
  EXPECT_EQ(static_cast<NamedByteRecord*>(r)->byte, 7);
  ReleaseModelRecord(r);
}

TEST_F(ModelTest, TypedValues) {
  ddd::ModelWriter w = SmallWriter();
  ASSERT_EQ(Load(w), 0);
  struct Case {
    const char* what;
    std::vector<uint8_t> stored;
    WORD type, size;
    std::vector<uint8_t> data;
    DWORD consumed;
  } cases[] = {
      {"flag of stated length 3", {1, 3, 0, 0x22, 0xEE, 0xEE}, 1, 4, {1, 0, 0, 0}, 4},
      {"flag false", {1, 1, 0, 0}, 1, 4, {0, 0, 0, 0}, 4},
      {"length 0 is absent", {3, 0, 0, 0xEE}, 3, 0, {}, 3},
      {"int32 of stated length 9", {10, 9, 0, 0xFE, 0xFF, 0xFF, 0xFF}, 10, 4, {0xFE, 0xFF, 0xFF, 0xFF}, 7},
      {"u16", {3, 2, 0, 0x34, 0x12}, 3, 2, {0x34, 0x12}, 5},
      {"text", {6, 3, 0, 0xBE, 0xCB, 0xFF}, 6, 6, {'A', 0, '4', 0, 0, 0}, 6},
  };
  for (const Case& c : cases) {
    ModelFile f = *primary();
    f.data = const_cast<BYTE*>(c.stored.data());
    f.size = static_cast<DWORD>(c.stored.size());
    f.position = 0;
    WORD type = 0, size = 0;
    BYTE* data = nullptr;
    ASSERT_EQ(ReadTypedValue(&f, &type, &size, &data), 0) << c.what;
    EXPECT_EQ(type, c.type) << c.what;
    EXPECT_EQ(size, c.size) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(data, data + size), c.data) << c.what;
    EXPECT_EQ(data == nullptr, c.data.empty()) << c.what;
    EXPECT_EQ(f.position, c.consumed) << c.what;
    if (data) GlobalFree(data);
  }
}

TEST_F(ModelTest, IndexLookups) {
  ddd::ModelWriter w = SmallWriter();
  w.AddBlob(5, {1, 2});
  w.AddBlob(9, {3});
  ASSERT_EQ(Load(w), 0);
  EXPECT_EQ(CountModelRecords(primary(), 18), 2);
  EXPECT_EQ(CountModelRecords(primary(), 19), 0);
  EXPECT_EQ(FindIndexEntryByPosition(primary(), 18, 2), 0);
  EXPECT_EQ(FindIndexEntryByPosition(primary(), 18, 3), 2);  // n + 1 of n
  EXPECT_EQ(FindIndexEntryByPosition(primary(), 19, 1), 2);  // empty index
  EXPECT_EQ(FindIndexEntryByKey(primary(), 19, 1), 2);
  EXPECT_EQ(FindIndexEntryByKey(primary(), 18, 9), 0);
  EXPECT_EQ(FindIndexEntryByKey(primary(), 18, 7), 2);
  EXPECT_EQ(SeekTypeIndex(primary(), 2, 4), 2);  // no directory entry
  ModelRecord* r = nullptr;
  EXPECT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), 18, 3, &r), 2);
  EXPECT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), 18, 0, &r), 1);
  EXPECT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 19, 1, 0, &r), 2);
  EXPECT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 18, 0, 0, &r), 1);
  ASSERT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), 18, 2, &r), 0);
  EXPECT_EQ(r->key, 9);
  EXPECT_EQ(r->file, 2);
  EXPECT_EQ(static_cast<ValueBlobRecord*>(r)->blob.size, 1);
  EXPECT_TRUE(ReleaseModelRecordRef(&r));
  EXPECT_EQ(r, nullptr);
}

TEST_F(ModelTest, HeaderFields) {
  ddd::ModelWriter w = SmallWriter();
  w.SetField(4, {999});
  w.SetField(27, {5, 6, 7});
  w.SetTextField(28, {Text::Plain("first"), Text::Plain("second")});
  w.SetTextField(31, {Text::Plain("Software\\Machine\\")});
  w.SetTextField(34, {Text::Ref(1, 300)});
  ASSERT_EQ(Load(w), 0);
  EXPECT_EQ(ReadModelHeaderValue(primary(), 4, 2, 0), 999u);
  EXPECT_EQ(ReadModelHeaderValue(primary(), 27, 2, 2), 7u);
  EXPECT_EQ(ReadModelHeaderValue(primary(), 27, 2, 3), 0u);  // past the count
  EXPECT_EQ(ReadModelHeaderValue(primary(), 0, 4, 0),
            static_cast<DWORD>(primary()->data[224] | (primary()->data[225] << 8)));
  WCHAR* text = GetModelHeaderText(primary(), 28, 1);
  EXPECT_EQ(Wide(text), u"second");
  GlobalFree(text);
  EXPECT_EQ(GetModelHeaderText(primary(), 28, 2), nullptr);
  ASSERT_EQ(GetModelRegistryBase(primary(), 0, &text), 0);
  EXPECT_EQ(Wide(text), u"Software\\Machine\\");
  GlobalFree(text);
  ASSERT_EQ(GetModelRegistryBase(primary(), 1, &text), 0);
  EXPECT_EQ(Wide(text), u"Stamp");
  GlobalFree(text);
  EXPECT_EQ(GetModelRegistryBase(primary(), 2, &text), 1);
  EXPECT_EQ(FindHeaderField(primary(), 37), nullptr);
  const ModelHeaderField* row = FindHeaderField(primary(), 36);
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(row->storedCount);
  BYTE item[2] = {};
  EXPECT_EQ(ReadModelHeaderItem(nullptr, 4, 2, 0, item), 0);
}

TEST_F(ModelTest, LoadingByExtensionAndVersion) {
  ddd::ModelWriter w = SmallWriter();
  EXPECT_EQ(Load(w, u"C:\\models\\model.ddd"), 0);
  EXPECT_EQ(primary()->role, 2);
  EXPECT_EQ(primary()->version, 0x01020000u);
  EXPECT_EQ(primary()->level, 0x300u);
  EXPECT_EQ(GetLastModelLevel(), 0x300u);
  EXPECT_EQ(secondary()->data, nullptr);
  EXPECT_EQ(secondary()->role, 1);
  EXPECT_EQ(Load(w, u"C:\\models\\MODEL.DdD"), 0);
  EXPECT_EQ(Load(w, u"C:\\models\\model.ddx"), 1);
  EXPECT_EQ(primary()->data, nullptr);
  EXPECT_EQ(Load(w, u"C:\\models\\model"), 1);
  EXPECT_EQ(LoadPath(u"C:\\models\\absent.ddd"), 1);
  w.version = "x:1.3.0";
  EXPECT_EQ(Load(w), 8);
  EXPECT_EQ(primary()->data, nullptr);
  w.version = "x:1.2.256";
  EXPECT_EQ(Load(w), 8);
  w.version = "x:1.2";
  EXPECT_EQ(Load(w), 1);
  w.version = "x:1.2.255";
  w.level = 0x200;
  EXPECT_EQ(Load(w), 0);
  EXPECT_EQ(GetLastModelLevel(), 0x200u);
  // A path longer than the path buffer.
  std::u16string longPath = u"C:\\" + std::u16string(270, u'a') + u".ddd";
  EXPECT_EQ(LoadPath(longPath), 1);
  EXPECT_EQ(LoadModelFiles(nullptr, primary(), secondary()), 1);
}

TEST_F(ModelTest, SecondaryFile) {
  ddd::ModelWriter w = SmallWriter();
  w.secondaryName = "second.ddd";
  w.AddNamedByte(1, Text::Ref(1, 300), 1, ddd::Place::kSecondary);
  w.AddNamedByte(2, Text::Plain("here"), 2);
  ASSERT_EQ(Load(w), 0);
  ASSERT_NE(secondary()->data, nullptr);
  EXPECT_EQ(secondary()->link, primary());
  ModelRecord* r = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 19, 1, 0, &r), 0);
  EXPECT_EQ(r->file, 1);
  // The secondary's text refers to module 1 through the primary's module.
  EXPECT_EQ(Wide(static_cast<NamedByteRecord*>(r)->name), u"Stamp");
  EXPECT_EQ(secondary()->module, primary()->module);
  ReleaseModelRecord(r);
  ASSERT_EQ(LoadModelRecordByIndex(true, primary(), secondary(), 19, 2, &r), 0);
  EXPECT_EQ(r->file, 2);
  ReleaseModelRecord(r);

  // A missing secondary fails the load and leaves the primary unloaded.
  std::filesystem::remove(pk::test::HostPath(u"C:\\models\\second.ddd"));
  EXPECT_EQ(LoadPath(u"C:\\models\\model.ddd"), 1);
  EXPECT_EQ(primary()->data, nullptr);
  EXPECT_EQ(secondary()->data, nullptr);
  // A secondary path over the path buffer.
  w.secondaryName = std::string(58, 'b') + ".ddd";
  std::u16string deep = u"C:\\" + std::u16string(200, u'd') + u"\\model.ddd";
  EXPECT_EQ(Load(w, deep), 1);
  EXPECT_EQ(primary()->data, nullptr);
}

TEST_F(ModelTest, ModulePathOverTheLimitReadsInverted) {
  ddd::ModelWriter w = SmallWriter();
  w.SetTextField(36, {Text::Plain(std::string(600, 'm') + ".vbn")});
  w.AddNamedByte(1, Text::Ref(1, 300), 1);
  ASSERT_EQ(Load(w), 0);
  EXPECT_EQ(LoadModelResourceModule(primary()), 1);
  WCHAR* name = nullptr;
  EXPECT_EQ(LoadRecordName(primary(), secondary(), 3, 1, 0, &name), 2);   // no such feature
  EXPECT_EQ(LoadRecordName(primary(), secondary(), 19, 1, 0, &name), 1);  // a type without names here
  ModelRecord* r = nullptr;
  ASSERT_EQ(LoadModelRecordByKey(true, primary(), secondary(), 19, 1, 0, &r), 0);
  EXPECT_EQ(static_cast<NamedByteRecord*>(r)->nameBytes, 14);  // six inverted bytes
  ReleaseModelRecord(r);
}

// A module name stored as a reference would be resolved through the module
// list it belongs to; it is refused instead, whichever module it names.
TEST_F(ModelTest, ModuleNameStoredAsReferenceIsRefused) {
  for (uint16_t module : {1, 2, 7}) {
    ddd::ModelWriter w = SmallWriter();
    w.SetTextField(36, {Text::Ref(module, 5), Text::Plain("second.vbn")});
    w.AddNamedByte(1, Text::Ref(1, 300), 1);
    ASSERT_EQ(Load(w), 0) << module;
    EXPECT_EQ(LoadModelResourceModule(primary()), 1) << module;
    WCHAR* name = nullptr;
    WORD count = 0;
    const BYTE reference[] = {'x', 1, 0, 44, 1, 0};  // module 1, string 300
    count = sizeof reference;
    EXPECT_EQ(ResolveTextReference(primary(), reference, &name, &count), 1) << module;
    EXPECT_EQ(name, nullptr);
  }
}

TEST_F(ModelTest, HandlesAndLiveBlocks) {
  ddd::ModelWriter w = SmallWriter();
  w.AddNamedByte(1, Text::Ref(1, 300), 1);
  std::vector<uint8_t> bytes, none;
  w.Build(&bytes, &none);
  pk::test::WriteWindowsFile(u"C:\\models\\model.ddd", bytes);
  EXPECT_EQ(CloseDeviceModel(nullptr), 0);
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  for (int round = 0; round < 3; ++round) {
    DeviceModel* m = AllocDeviceModelHandle();
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(LoadModelFiles(u"C:\\models\\model.ddd", m->primary, m->secondary), 0);
    ModelRecord* r = nullptr;
    ASSERT_EQ(LoadModelRecordByKey(true, m->primary, m->secondary, 19, 1, 0, &r), 0);
    ReleaseModelRecord(r);
    EXPECT_EQ(CloseDeviceModel(m), 1);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  }
  // Out of memory while the handle is made leaves nothing behind.
  pk::seams::FailNthAllocation(2);
  EXPECT_EQ(AllocDeviceModelHandle(), nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

}  // namespace
