// The per-user stamp store: seeding from the built-in stamps or the machine
// key, the 32-stamp limit, name lists, reading and comparing records, stored
// values of a foreign size or without terminators, and failed writes.
#include <cstring>

#include "settings/model/device_model.h"
#include "settings/store/stamp_store.h"
#include "settings/store/user_store.h"
#include "stored_fixture.h"

namespace pk::test {
namespace {

const std::u16string kMachineBase = u"Software\\Caldrix\\KZ TRD Printer Driver\\Machine\\";
const char16_t* const kBuiltInNames[] = {u"Draft", u"CONFIDENTIAL", u"COPY", u"VOID", u"APPROVED", u"SAMPLE"};

class StampStoreTest : public StoredSettingsTest {
 protected:
  void SetUp() override {
    StoredSettingsTest::SetUp();
    model_ = OpenDeviceModel(printer_);
    ASSERT_NE(model_, nullptr);
  }
  void TearDown() override {
    seams::FailRegistryWrites(0);
    seams::SetMachineRegistryReadOnly(false);
    if (model_) CloseDeviceModel(model_);
    StoredSettingsTest::TearDown();
  }
  std::u16string StampsPath() { return kUserBase + Hex(IdOf(printer_)) + u"\\Stamps"; }
  // The values of a key in enumeration order: name, type and size.
  struct Value {
    std::u16string name;
    DWORD type;
    DWORD size;
  };
  static std::vector<Value> Values(HKEY root, const std::u16string& path) {
    std::vector<Value> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
      WCHAR name[300];
      DWORD chars = 300, type = 0, size = 0;
      if (RegEnumValueW(key, i, name, &chars, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
      out.push_back({name, type, size});
    }
    RegCloseKey(key);
    return out;
  }
  static StampRecord Stamp(const std::u16string& name, COLORREF color = RGB(1, 2, 3)) {
    StampRecord r{};
    std::memcpy(r.name, name.c_str(), std::min<size_t>(name.size(), 31) * 2);
    std::memcpy(r.text, u"Text", 8);
    std::memcpy(r.font.lfFaceName, u"DejaVu Sans", 22);
    r.color = color;
    r.position = 514;
    r.font.lfHeight = 60;
    r.font.lfQuality = 2;
    return r;
  }
  static void PutValue(HKEY root, const std::u16string& path, const char16_t* name, DWORD type, const void* bytes,
                       DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(root, path.c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(bytes), size), ERROR_SUCCESS);
    RegCloseKey(key);
  }

  DeviceModel* model_ = nullptr;
};

TEST_F(StampStoreTest, FirstOpenWithoutKeysSeedsTheBuiltInStamps) {
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "HKLM read-only" : "HKLM writable");
    ASSERT_TRUE(!UserKeyExists(StampsPath()) || DeleteRegistryTree(HKEY_CURRENT_USER, StampsPath().c_str()));
    seams::SetMachineRegistryReadOnly(readOnly);
    const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
    HKEY key = nullptr;
    ASSERT_EQ(OpenStampKey(&key, printer_, model_), kStampOk);
    RegCloseKey(key);
    EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
    EXPECT_EQ(seams::LiveHandles(), handles);

    const std::vector<Value> stamps = Values(HKEY_CURRENT_USER, StampsPath());
    ASSERT_EQ(stamps.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(stamps[i].name, kBuiltInNames[i]);
      EXPECT_EQ(stamps[i].type, static_cast<DWORD>(REG_BINARY));
      EXPECT_EQ(stamps[i].size, 308u);
    }
    std::vector<BYTE> version;
    DWORD type = 0;
    ASSERT_TRUE(ReadUserKeyValue(StampsPath() + u"\\Others", u"Stamp Version", &version, &type));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(version, std::vector<BYTE>({'0', 0, '.', 0, '0', 0, '1', 0}));
    // The stored built-in is the record LoadBuiltInStamp makes.
    StampRecord stored{}, built{};
    ASSERT_EQ(ReadStampRecord(printer_, u"VOID", &stored, FALSE, model_), kStampOk);
    LoadBuiltInStamp(&built, &kBuiltInStamps[3]);
    EXPECT_EQ(std::memcmp(&stored, &built, sizeof built), 0);
  }
}

TEST_F(StampStoreTest, MachineKeySeedsTheStoreWithExactlyItsStamps) {
  WCHAR* path = nullptr;
  ASSERT_EQ(GetStampMachinePath(kStampMachineStamps, model_, &path), kStampOk);
  EXPECT_EQ(std::u16string(path), kMachineBase + u"Stamps");
  GlobalFree(path);
  ASSERT_EQ(GetStampMachinePath(kStampMachineOthers, model_, &path), kStampOk);
  EXPECT_EQ(std::u16string(path), kMachineBase + u"Stamps\\Others");
  GlobalFree(path);
  EXPECT_EQ(GetStampMachinePath(2, model_, &path), kStampBadArgument);
  EXPECT_EQ(path, nullptr);
  EXPECT_EQ(GetStampMachinePath(kStampMachineStamps, nullptr, &path), kStampBadArgument);

  const StampRecord first = Stamp(u"Office"), second = Stamp(u"Archive");
  PutValue(HKEY_LOCAL_MACHINE, kMachineBase + u"Stamps", u"Office", REG_BINARY, &first, sizeof first);
  PutValue(HKEY_LOCAL_MACHINE, kMachineBase + u"Stamps", u"Archive", REG_BINARY, &second, sizeof second);
  PutValue(HKEY_LOCAL_MACHINE, kMachineBase + u"Stamps\\Others", u"Stamp Version", REG_SZ, u"0.01", 8);
  for (bool readOnly : {true, false}) {
    SCOPED_TRACE(readOnly ? "HKLM read-only" : "HKLM writable");
    ASSERT_TRUE(!UserKeyExists(StampsPath()) || DeleteRegistryTree(HKEY_CURRENT_USER, StampsPath().c_str()));
    seams::SetMachineRegistryReadOnly(readOnly);
    DWORD count = 0;
    ASSERT_EQ(CountStoredStamps(printer_, &count, model_), kStampOk);
    EXPECT_EQ(count, 2u);
    const std::vector<Value> stamps = Values(HKEY_CURRENT_USER, StampsPath());
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_EQ(stamps[0].name, u"Office");
    EXPECT_EQ(stamps[1].name, u"Archive");
    const std::vector<Value> others = Values(HKEY_CURRENT_USER, StampsPath() + u"\\Others");
    ASSERT_EQ(others.size(), 1u);
    EXPECT_EQ(others[0].name, u"Stamp Version");
    EXPECT_EQ(IsStampRecordStored(printer_, &second, model_), kStampOk);
  }
}

TEST_F(StampStoreTest, ReadGivesStoredBuiltInOrDefaultStamps) {
  StampRecord r{};
  // No name: the default stamp.
  ASSERT_EQ(ReadStampRecord(printer_, nullptr, &r, FALSE, model_), kStampOk);
  EXPECT_EQ(std::u16string(r.name), u"URGENT");
  EXPECT_EQ(std::u16string(r.text), u"URGENT");
  EXPECT_EQ(std::u16string(r.font.lfFaceName), u"DejaVu Sans");
  EXPECT_EQ(r.color, RGB(255, 51, 0));
  EXPECT_EQ(r.style, 1);
  EXPECT_EQ(r.frame, 1);
  EXPECT_EQ(r.mode, 0);
  EXPECT_EQ(r.position, 514);
  EXPECT_EQ(r.font.lfHeight, 72);
  EXPECT_EQ(r.font.lfWeight, 700);
  EXPECT_EQ(r.font.lfCharSet, 128);
  EXPECT_EQ(r.font.lfQuality, 2);
  // Built-in stamp 4, from the store and by the built-in flag.
  for (BOOL builtIn : {FALSE, TRUE}) {
    ASSERT_EQ(ReadStampRecord(printer_, u"VOID", &r, builtIn, model_), kStampOk);
    EXPECT_EQ(std::u16string(r.text), u"VOID");
    EXPECT_EQ(r.font.lfEscapement, -450);
    EXPECT_EQ(r.font.lfOrientation, -450);
    EXPECT_EQ(r.position, 769);
    EXPECT_EQ(r.mode, 1);
    EXPECT_EQ(r.frame, 0);
    EXPECT_EQ(std::u16string(r.font.lfFaceName), u"DejaVu Sans");
  }
  ASSERT_EQ(ReadStampRecord(printer_, u"Draft", &r, TRUE, model_), kStampOk);
  EXPECT_EQ(std::u16string(r.text), u"DRAFT");
  EXPECT_EQ(std::u16string(r.font.lfFaceName), u"DejaVu Serif");
  EXPECT_EQ(r.font.lfHeight, 200);
  // With the built-in flag an unknown name gives the default stamp; without
  // it an unknown name is not read.
  ASSERT_EQ(ReadStampRecord(printer_, u"Nobody", &r, TRUE, model_), kStampOk);
  EXPECT_EQ(std::u16string(r.name), u"URGENT");
  EXPECT_EQ(ReadStampRecord(printer_, u"Nobody", &r, FALSE, model_), kStampReadFailed);
  EXPECT_EQ(ReadStampRecord(printer_, u"VOID", nullptr, FALSE, model_), kStampBadArgument);

  EXPECT_EQ(IsBuiltInStampName(u"SAMPLE"), 1);
  EXPECT_EQ(IsBuiltInStampName(u"sample"), 0);
  EXPECT_EQ(IsBuiltInStampName(u"URGENT"), 0);
  EXPECT_EQ(IsBuiltInStampName(nullptr), 0);
  EXPECT_EQ(IsOptionalSwitchOn(), 0);
}

TEST_F(StampStoreTest, ModelWithoutPerUserPathHasOnlyTheBuiltInStamps) {
  // A per-user base too long for any key path: the store cannot be opened.
  ddd::ModelWriter writer = SmallWriter();
  writer.SetTextField(34, {ddd::Text::Plain(std::string(240, 'K') + "\\")});
  HANDLE printer = AddModelPrinter(u"No path", writer);
  DeviceModel* model = OpenDeviceModel(printer);
  ASSERT_NE(model, nullptr);
  const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
  StampRecord r{};
  ASSERT_EQ(ReadStampRecord(printer, u"APPROVED", &r, FALSE, model), kStampOk);
  EXPECT_EQ(r.font.lfEscapement, 450);
  EXPECT_EQ(r.font.lfHeight, 114);
  EXPECT_EQ(ReadStampRecord(printer, u"Office", &r, FALSE, model), kStampNoStore);
  HKEY key = nullptr;
  EXPECT_EQ(OpenStampKey(&key, printer, model), kStampNoStore);
  EXPECT_EQ(key, nullptr);
  DWORD count = 7;
  EXPECT_EQ(CountStoredStamps(printer, &count, model), kStampNoStore);
  EXPECT_EQ(IsStampNameStored(printer, u"Office", model), kStampNoStore);
  EXPECT_EQ(CanAddStamp(printer, u"Office", model), kStampNoStore);
  const StampRecord stamp = Stamp(u"Office");
  EXPECT_EQ(SaveStampRecord(printer, &stamp, model), kStampNoStore);
  EXPECT_EQ(IsStampRecordStored(printer, &stamp, model), kStampNoStore);
  // The name list falls back to the built-in names.
  DWORD size = 0;
  EXPECT_EQ(ListStampNames(printer, nullptr, nullptr, &size, model), kStampOk);
  std::vector<WCHAR> names(size / 2);
  DWORD listed = 0;
  ASSERT_EQ(ListStampNames(printer, names.data(), &listed, &size, model), kStampOk);
  EXPECT_EQ(listed, 6u);
  EXPECT_EQ(std::u16string(names.data(), names.size()),
            std::u16string(u"Draft\0CONFIDENTIAL\0COPY\0VOID\0APPROVED\0SAMPLE\0\0", 46));
  EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(seams::LiveHandles(), handles);
  CloseDeviceModel(model);
}

TEST_F(StampStoreTest, BuiltInNameListSizes) {
  const DWORD needed = 46 * 2;
  struct Case {
    bool destination;
    bool count;
    DWORD size;
    int result;
  } cases[] = {
      {false, false, 0, kStampOk},
      {false, true, 0, kStampBufferTooSmall},
      {true, true, needed - 1, kStampBufferTooSmall},
      {true, true, needed, kStampOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::vector<WCHAR> buffer(60, 0x7777);
    DWORD size = c.size, count = 0;
    EXPECT_EQ(ListBuiltInStampNames(c.destination ? buffer.data() : nullptr, c.count ? &count : nullptr, &size),
              c.result);
    EXPECT_EQ(size, needed);
    EXPECT_EQ(count, c.result == kStampOk && c.destination ? 6u : 0u);
    if (c.result != kStampOk) {
      EXPECT_EQ(buffer[0], 0x7777);
    }
  }
  EXPECT_EQ(ListBuiltInStampNames(nullptr, nullptr, nullptr), kStampBadArgument);
}

TEST_F(StampStoreTest, ThirtyTwoStampsAtMostAndReplacementAtTheLimit) {
  DWORD count = 0;
  ASSERT_EQ(CountStoredStamps(printer_, &count, model_), kStampOk);
  ASSERT_EQ(count, 6u);
  for (int i = 0; i < 26; ++i) {
    const StampRecord s = Stamp(u"Stamp " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
    ASSERT_EQ(CanAddStamp(printer_, s.name, model_), kStampOk);
    ASSERT_EQ(SaveStampRecord(printer_, &s, model_), kStampOk) << i;
  }
  ASSERT_EQ(CountStoredStamps(printer_, &count, model_), kStampOk);
  EXPECT_EQ(count, 32u);
  const StampRecord extra = Stamp(u"One too many");
  EXPECT_EQ(CanAddStamp(printer_, extra.name, model_), kStampStoreFull);
  EXPECT_EQ(SaveStampRecord(printer_, &extra, model_), kStampStoreFull);
  EXPECT_EQ(IsStampNameStored(printer_, extra.name, model_), kStampReadFailed);
  // Replacing a stored stamp still works, whatever the case of its name.
  const StampRecord again = Stamp(u"Stamp C", RGB(9, 9, 9));
  EXPECT_EQ(CanAddStamp(printer_, u"stamp c", model_), kStampExists);
  EXPECT_EQ(SaveStampRecord(printer_, &again, model_), kStampOk);
  EXPECT_EQ(IsStampRecordStored(printer_, &again, model_), kStampOk);
  ASSERT_EQ(CountStoredStamps(printer_, &count, model_), kStampOk);
  EXPECT_EQ(count, 32u);

  // Built-in names are refused as new stamps and reported as built-in.
  EXPECT_EQ(CanAddStamp(printer_, u"COPY", model_), kStampExists);
  EXPECT_EQ(IsStampNameStored(printer_, u"COPY", model_), kStampBuiltInName);
  EXPECT_EQ(IsStampNameStored(printer_, u"Stamp Z", model_), kStampOk);
  EXPECT_EQ(IsStampNameStored(printer_, nullptr, model_), kStampBadArgument);
  EXPECT_EQ(CanAddStamp(printer_, nullptr, model_), kStampOk);
  EXPECT_EQ(SaveStampRecord(printer_, nullptr, model_), kStampBadArgument);
  EXPECT_EQ(CountStoredStamps(printer_, nullptr, model_), kStampBadArgument);
}

TEST_F(StampStoreTest, NameListInCreationOrderWithItsNeededSize) {
  const StampRecord zulu = Stamp(u"Zulu"), alpha = Stamp(u"Alpha");
  ASSERT_EQ(SaveStampRecord(printer_, &zulu, model_), kStampOk);
  ASSERT_EQ(SaveStampRecord(printer_, &alpha, model_), kStampOk);
  // The key's unnamed value is no stamp: its empty name would end the list.
  PutValue(HKEY_CURRENT_USER, StampsPath(), u"", REG_BINARY, &zulu, sizeof zulu);
  const std::u16string expected(u"Draft\0CONFIDENTIAL\0COPY\0VOID\0APPROVED\0SAMPLE\0Zulu\0Alpha\0\0", 57);
  DWORD size = 0, count = 0;
  EXPECT_EQ(ListStampNames(printer_, nullptr, &count, &size, model_), kStampBufferTooSmall);
  EXPECT_EQ(size, expected.size() * 2);
  std::vector<WCHAR> buffer(expected.size() + 4, 0x7777);
  size = 0;
  EXPECT_EQ(ListStampNames(printer_, buffer.data(), &count, &size, model_), kStampBufferTooSmall);
  EXPECT_EQ(size, expected.size() * 2);
  EXPECT_EQ(buffer[0], 0x7777);
  // One byte short of the final NUL: the names are there, the end is not.
  size = static_cast<DWORD>(expected.size() * 2 - 1);
  EXPECT_EQ(ListStampNames(printer_, buffer.data(), &count, &size, model_), kStampBufferTooSmall);
  EXPECT_EQ(buffer[expected.size() - 1], 0x7777);
  ASSERT_EQ(ListStampNames(printer_, buffer.data(), &count, &size, model_), kStampOk);
  EXPECT_EQ(count, 8u);
  EXPECT_EQ(std::u16string(buffer.data(), expected.size()), expected);
  EXPECT_EQ(ListStampNames(printer_, buffer.data(), &count, nullptr, model_), kStampBadArgument);
}

TEST_F(StampStoreTest, ComparisonOfStoredRecords) {
  const StampRecord stamp = Stamp(u"Office");
  const StampRecord other = Stamp(u"Archive");
  ASSERT_EQ(SaveStampRecord(printer_, &stamp, model_), kStampOk);
  ASSERT_EQ(SaveStampRecord(printer_, &other, model_), kStampOk);
  DWORD count = 0;
  ASSERT_EQ(CountStoredStamps(printer_, &count, model_), kStampOk);
  EXPECT_EQ(count, 8u);

  struct Case {
    const char* what;
    void (*change)(StampRecord*);
    int result;
  } cases[] = {
      {"same", [](StampRecord*) {}, kStampOk},
      {"colour", [](StampRecord* r) { r->color = RGB(3, 2, 1); }, kStampDiffers},
      {"text", [](StampRecord* r) { r->text[1] = u'X'; }, kStampDiffers},
      {"bytes after the text's end", [](StampRecord* r) { r->text[40] = u'X'; }, kStampOk},
      {"face", [](StampRecord* r) { r->font.lfFaceName[0] = u'X'; }, kStampDiffers},
      {"position", [](StampRecord* r) { r->position = 769; }, kStampDiffers},
      {"offset", [](StampRecord* r) { r->offset = 5; }, kStampDiffers},
      {"weight", [](StampRecord* r) { r->font.lfWeight = 400; }, kStampDiffers},
      {"pitch and family", [](StampRecord* r) { r->font.lfPitchAndFamily = 1; }, kStampDiffers},
      {"quality only", [](StampRecord* r) { r->font.lfQuality = 5; }, kStampOk},
      {"unused bytes", [](StampRecord* r) { r->unused3[0] = 1; }, kStampOk},
      {"name not stored", [](StampRecord* r) { r->name[0] = u'X'; }, kStampNotStored},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StampRecord changed = stamp;
    c.change(&changed);
    EXPECT_EQ(IsStampRecordStored(printer_, &changed, model_), c.result);
  }
  EXPECT_EQ(IsStampRecordStored(printer_, nullptr, model_), kStampBadArgument);
}

TEST_F(StampStoreTest, StoredValueOfAnotherSizeIsNotARecord) {
  const BYTE shortValue[10] = {'O', 0, 'f', 0, 'f', 0};
  HKEY key = nullptr;
  ASSERT_EQ(OpenStampKey(&key, printer_, model_), kStampOk);
  ASSERT_EQ(RegSetValueExW(key, u"Short", 0, REG_BINARY, shortValue, sizeof shortValue), ERROR_SUCCESS);
  std::vector<BYTE> longValue(400, 0x41);
  ASSERT_EQ(RegSetValueExW(key, u"Long", 0, REG_BINARY, longValue.data(), 400), ERROR_SUCCESS);
  const StampRecord text = Stamp(u"Text");
  ASSERT_EQ(RegSetValueExW(key, u"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(&text), sizeof text), ERROR_SUCCESS);
  RegCloseKey(key);
  for (const char16_t* name : {u"Short", u"Long", u"Text"}) {
    SCOPED_TRACE(std::string(name, name + 4));
    StampRecord r;
    std::memset(&r, 0xAB, sizeof r);
    EXPECT_EQ(ReadStampRecord(printer_, name, &r, FALSE, model_), kStampReadFailed);
    EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<BYTE*>(&r), reinterpret_cast<BYTE*>(&r) + sizeof r),
              std::vector<BYTE>(sizeof r, 0));
  }
}

TEST_F(StampStoreTest, FieldsWithoutTerminatorAreCutToTheirFields) {
  StampRecord full = Stamp(u"x");
  for (int i = 0; i < kStampNameChars; ++i) full.name[i] = static_cast<WCHAR>(u'a' + i % 26);
  for (int i = 0; i < kStampTextChars; ++i) full.text[i] = u'T';
  for (int i = 0; i < LF_FACESIZE; ++i) full.font.lfFaceName[i] = u'F';
  std::memset(full.unused1, 0x5A, 2);  // no terminator in the bytes after the name either
  ASSERT_EQ(SaveStampRecord(printer_, &full, model_), kStampOk);
  // The value is named by the first 31 characters.
  const std::u16string name(full.name, 31);
  EXPECT_EQ(IsStampNameStored(printer_, name.c_str(), model_), kStampOk);
  EXPECT_EQ(IsStampRecordStored(printer_, &full, model_), kStampOk);
  StampRecord r;
  std::memset(&r, 0xAB, sizeof r);
  ASSERT_EQ(ReadStampRecord(printer_, name.c_str(), &r, FALSE, model_), kStampOk);
  EXPECT_EQ(std::u16string(r.name), name);
  EXPECT_EQ(std::u16string(r.text), std::u16string(63, u'T'));
  EXPECT_EQ(std::u16string(r.font.lfFaceName), std::u16string(31, u'F'));
  EXPECT_EQ(r.color, full.color);
}

TEST_F(StampStoreTest, FailedWritesLeaveNoHalfMadeStoreAndNothingOpen) {
  // The seeding writes "Stamp Version" and six stamps: each one failing.
  for (unsigned nth = 1; nth <= 7; ++nth) {
    SCOPED_TRACE(nth);
    IdOf(printer_);
    const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
    seams::FailRegistryWrites(nth);
    HKEY key = nullptr;
    EXPECT_EQ(InitStampStore(&key, printer_), kStampWriteFailed);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(UserKeyExists(StampsPath()));
    seams::FailRegistryWrites(nth);
    EXPECT_EQ(OpenStampKey(&key, printer_, model_), kStampNoStore);
    seams::FailRegistryWrites(nth);
    StampRecord r{};
    EXPECT_EQ(ReadStampRecord(printer_, u"Office", &r, FALSE, model_), kStampNoStore);
    seams::FailRegistryWrites(0);
    EXPECT_FALSE(UserKeyExists(StampsPath()));
    EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
    EXPECT_EQ(seams::LiveHandles(), handles);
  }
  // A failed write of a stamp.
  HKEY key = nullptr;
  ASSERT_EQ(InitStampStore(&key, printer_), kStampOk);
  RegCloseKey(key);
  const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
  const StampRecord stamp = Stamp(u"Office");
  seams::FailRegistryWrites(1);
  EXPECT_EQ(SaveStampRecord(printer_, &stamp, model_), kStampWriteFailed);
  EXPECT_EQ(IsStampRecordStored(printer_, &stamp, model_), kStampNotStored);
  EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
  EXPECT_EQ(seams::LiveHandles(), handles);
  EXPECT_EQ(InitStampStore(nullptr, printer_), kStampBadArgument);
  EXPECT_EQ(OpenStampKey(nullptr, printer_, model_), kStampBadArgument);
}

}  // namespace
}  // namespace pk::test
