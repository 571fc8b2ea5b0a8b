// The printer id and the per-user settings store: the id's digest and form,
// the key it names, the value reader and writer, the clean-up of keys of
// printers that are gone, the user settings record and registry trees.
#include <cstring>

#include "platform/win/win_md5.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/access/setting_access.h"
#include "settings/services/spooler_records.h"
#include "settings/store/user_setting_info.h"
#include "settings/store/user_store.h"
#include "stored_fixture.h"

namespace {

using pk::test::Hex;
using pk::test::kUserBase;
using pk::test::MakeUserKey;
using pk::test::ReadUserKeyValue;
using pk::test::UserKeyExists;

std::string HexOfDigest(const uint8_t digest[16]) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 16; ++i) s += {digits[digest[i] >> 4], digits[digest[i] & 15]};
  return s;
}

DWORD AttributesOf(HANDLE printer) {
  auto* info = static_cast<PRINTER_INFO_4W*>(GetPrinterInfo(printer, 4));
  EXPECT_NE(info, nullptr);
  DWORD a = info ? info->Attributes : 0;
  GlobalFree(info);
  return a;
}

class UserStoreTest : public pk::test::StoredSettingsTest {};

TEST_F(UserStoreTest, DigestAndIdOfTheClockAndName) {
  uint8_t digest[16];
  Md5Digest("", 0, digest);
  EXPECT_EQ(HexOfDigest(digest), "d41d8cd98f00b204e9800998ecf8427e");
  Md5Digest("abc", 3, digest);
  EXPECT_EQ(HexOfDigest(digest), "900150983cd24fb0d6963f7d28e17f72");

  // 1,000,000,000 seconds after 1970 is 2001-09-09 01:46:40 UTC.
  pk::seams::SetClock(SYSTEMTIME{2001, 9, 0, 9, 1, 46, 40, 0}, 0, 0);
  ASSERT_EQ(_time64(nullptr), 1000000000);
  HANDLE office = AddModelPrinter(u"Office", pk::test::SmallWriter());
  PrinterId id{};
  ASSERT_EQ(MakePrinterId(office, &id), 1);
  EXPECT_EQ(Hex(id), u"09279F918C90C958C79B3DFA96B49841");
  EXPECT_EQ(MakePrinterId(office, nullptr), 0);
  EXPECT_EQ(MakePrinterId(nullptr, &id), 0);

  // The text is cut to the given length; length 0 and missing arguments fail.
  WCHAR text[5];
  ASSERT_EQ(FormatPrinterIdHex(&id, text, 5), 1);
  EXPECT_EQ(std::u16string(text), u"0927");
  EXPECT_EQ(FormatPrinterIdHex(&id, text, 0), 0);
  EXPECT_EQ(FormatPrinterIdHex(nullptr, text, 5), 0);
}

TEST_F(UserStoreTest, StoredIdIsKeptAndNamesTheKey) {
  PrinterId stored{};
  stored.bytes[0] = 0x01;
  stored.bytes[1] = 0xAB;
  stored.bytes[15] = 0x7F;
  ASSERT_EQ(SetPrinterDataW(printer_, u"PRNID", REG_BINARY, stored.bytes, 16), 0u);
  PrinterId other{};
  other.bytes[0] = 0x55;
  EXPECT_EQ(WritePrinterIdIfMissing(printer_, &other), 1);  // exists: nothing written
  PrinterId read{};
  ASSERT_EQ(ReadPrinterId(printer_, &read), 1);
  EXPECT_EQ(std::memcmp(read.bytes, stored.bytes, 16), 0);

  const DWORD value = 7;
  ASSERT_EQ(WriteUserValue(printer_, &value, 4, REG_DWORD, nullptr, u"Seven"), 1);
  const std::u16string hex = Hex(stored);
  EXPECT_TRUE(hex.starts_with(u"01AB"));
  std::vector<BYTE> data;
  ASSERT_TRUE(ReadUserKeyValue(kUserBase + hex, u"Seven", &data));
  EXPECT_EQ(data, (std::vector<BYTE>{7, 0, 0, 0}));

  // A "PRNID" of another size is no id.
  ASSERT_EQ(SetPrinterDataW(printer_, u"PRNID", REG_BINARY, stored.bytes, 15), 0u);
  EXPECT_EQ(ReadPrinterId(printer_, &read), 0);
}

TEST_F(UserStoreTest, FirstWriteMakesIdKeyAndAttributesAndClearsStaleKeys) {
  // Keys of printers that are gone: a local one (attribute 0x40) with a
  // subtree, and a network connection's (0x10) that must survive.
  MakeUserKey(kUserBase + u"00000000000000000000000000000001", 0x40 | 0x4);
  MakeUserKey(kUserBase + u"00000000000000000000000000000001\\Stamps\\Others");
  MakeUserKey(kUserBase + u"00000000000000000000000000000002", 0x10);
  MakeUserKey(kUserBase + u"00000000000000000000000000000003");  // no attributes: kept
  ASSERT_FALSE(pk::test::HasPrinterValue(printer_, u"PRNID"));

  const DWORD value = 0x12345678;
  ASSERT_EQ(WriteUserValue(printer_, &value, 4, REG_BINARY, u"Favorite", u"One"), 1);
  PrinterId id{};
  ASSERT_EQ(ReadPrinterId(printer_, &id), 1);
  const std::u16string key = kUserBase + Hex(id);
  std::vector<BYTE> data;
  DWORD type = 0;
  ASSERT_TRUE(ReadUserKeyValue(key + u"\\Favorite", u"One", &data, &type));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_TRUE(ReadUserKeyValue(key, u"", &data, &type));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(data.size(), 4u);
  DWORD attributes = 0;
  std::memcpy(&attributes, data.data(), 4);
  EXPECT_EQ(attributes, AttributesOf(printer_));
  EXPECT_NE(attributes & 0x40, 0u);

  EXPECT_FALSE(UserKeyExists(kUserBase + u"00000000000000000000000000000001"));
  EXPECT_TRUE(UserKeyExists(kUserBase + u"00000000000000000000000000000002"));
  EXPECT_TRUE(UserKeyExists(kUserBase + u"00000000000000000000000000000003"));

  // A later write keeps the id and the default value.
  const DWORD stamp = 0xFFFFFFFF;
  ASSERT_EQ(SetPrinterDataW(printer_, u"Unrelated", REG_DWORD, reinterpret_cast<const BYTE*>(&stamp), 4), 0u);
  ASSERT_EQ(WriteUserValue(printer_, &value, 2, REG_BINARY, nullptr, u"Two"), 1);
  PrinterId again{};
  ASSERT_EQ(ReadPrinterId(printer_, &again), 1);
  EXPECT_EQ(Hex(again), Hex(id));
}

TEST_F(UserStoreTest, ReadUserValueAnswers) {
  BYTE buffer[8] = {};
  // No id: not there, and no id is made by a read.
  EXPECT_EQ(ReadUserValue(printer_, buffer, 8, nullptr, u"Value"), kUserValueAbsent);
  EXPECT_FALSE(pk::test::HasPrinterValue(printer_, u"PRNID"));
  EXPECT_EQ(HasUserSettingInfo(printer_), 0);

  const BYTE six[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(WriteUserValue(printer_, six, 6, REG_BINARY, u"Paper Margin", u"Value"), 1);
  EXPECT_EQ(ReadUserValue(printer_, buffer, 5, u"Paper Margin", u"Value"), kUserValueAbsent);  // larger than the buffer
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(ReadUserValue(printer_, buffer, 8, u"Paper Margin", u"Value"), kUserValueRead);
  EXPECT_EQ(std::memcmp(buffer, six, 6), 0);
  EXPECT_EQ(ReadUserValue(printer_, buffer, 8, nullptr, u"Value"), kUserValueAbsent);
  EXPECT_EQ(ReadUserValue(printer_, buffer, 8, u"Stamps", u"Value"), kUserValueAbsent);
  // A printer whose model cannot be read.
  ASSERT_EQ(pk::spooler::AddPrinter(u"No model", u"C:\\models\\absent.ddd"), 0u);
  EXPECT_EQ(ReadUserValue(Open(u"No model"), buffer, 8, nullptr, u"Value"), kUserValueNoModel);
  EXPECT_EQ(WriteUserValue(Open(u"No model"), six, 6, REG_BINARY, nullptr, u"Value"), 0);
}

TEST_F(UserStoreTest, KeyPathsOfTheStores) {
  WCHAR path[kUserKeyPathChars];
  EXPECT_EQ(GetStampsKeyPath(printer_, path, kUserKeyPathChars, 0), 0);  // no id yet
  const std::u16string key = kUserBase + Hex(IdOf(printer_));
  struct {
    int which;
    const char16_t* subkey;
  } cases[] = {{0, u"\\Stamps"}, {1, u"\\Stamps\\Others"}};
  for (const auto& c : cases) {
    ASSERT_EQ(GetStampsKeyPath(printer_, path, kUserKeyPathChars, c.which), 1);
    EXPECT_EQ(std::u16string(path), key + c.subkey);
  }
  EXPECT_EQ(GetStampsKeyPath(printer_, path, kUserKeyPathChars, 2), 0);
  EXPECT_EQ(GetStampsKeyPath(printer_, path, kUserKeyPathChars, -1), 0);
  ASSERT_EQ(GetPaperMarginKeyPath(printer_, path, kUserKeyPathChars), 1);
  EXPECT_EQ(std::u16string(path), key + u"\\Paper Margin");
  // A buffer too small for the whole path gets nothing.
  EXPECT_EQ(GetPaperMarginKeyPath(printer_, path, static_cast<UINT>(key.size() + 5)), 0);
}

TEST_F(UserStoreTest, SubkeyThatDoesNotFitWritesNothing) {
  ddd::ModelWriter writer = pk::test::SmallWriter();
  const std::string base = std::string(219, 'K') + "\\";  // 220 characters
  writer.SetTextField(34, {ddd::Text::Plain(base)});
  HANDLE printer = AddModelPrinter(u"Long base", writer);
  const std::u16string wideBase(base.begin(), base.end());

  const DWORD value = 1;
  EXPECT_EQ(WriteUserValue(printer, &value, 4, REG_DWORD, u"Paper Margin", u"Margins"), 0);
  EXPECT_FALSE(pk::test::HasPrinterValue(printer, u"PRNID"));
  EXPECT_FALSE(UserKeyExists(wideBase.substr(0, wideBase.size() - 1)));

  // Without the subkey, base + id fits in 259 characters.
  ASSERT_EQ(WriteUserValue(printer, &value, 4, REG_DWORD, nullptr, u"Margins"), 1);
  std::vector<BYTE> data;
  EXPECT_TRUE(ReadUserKeyValue(wideBase + Hex(IdOf(printer)), u"Margins", &data));

  WCHAR path[kUserKeyPathChars];
  PrinterId id{};
  EXPECT_EQ(BuildUserKeyPath(u"B\\", &id, u"Sub", path, 2 + 32 + 4 + 1), 1);
  EXPECT_EQ(std::u16string(path), u"B\\00000000000000000000000000000000\\Sub");
  EXPECT_EQ(BuildUserKeyPath(u"B\\", &id, u"Sub", path, 2 + 32 + 4), 0);
  EXPECT_EQ(BuildUserKeyPath(u"B\\", &id, nullptr, path, 2 + 32), 0);
}

TEST_F(UserStoreTest, CleanUpDeletesNothingWhileAPrinterCannotBeOpened) {
  AddModelPrinter(u"Away", pk::test::SmallWriter());
  MakeUserKey(kUserBase + u"0000000000000000000000000000000A", 0x40);
  pk::seams::FailOpenPrinter(u"Away", 5);
  const DWORD value = 1;
  ASSERT_EQ(WriteUserValue(printer_, &value, 4, REG_DWORD, nullptr, u"First"), 1);
  EXPECT_TRUE(UserKeyExists(kUserBase + u"0000000000000000000000000000000A"));
  DeviceModel* model = OpenDeviceModel(printer_);
  EXPECT_EQ(CleanUserSettingKeys(nullptr, model), 0);
  EXPECT_TRUE(UserKeyExists(kUserBase + u"0000000000000000000000000000000A"));
  CloseDeviceModel(model);
}

TEST_F(UserStoreTest, CleanUpKeepsKeysOfExistingPrintersAndDeletesByPrinter) {
  HANDLE other = AddModelPrinter(u"Other", pk::test::SmallWriter());
  const std::u16string otherKey = kUserBase + Hex(IdOf(other));
  MakeUserKey(otherKey, 0x40);
  MakeUserKey(kUserBase + u"0000000000000000000000000000000A", 0x40);
  MakeUserKey(kUserBase + u"0000000000000000000000000000000B", 0x40);
  DeviceModel* model = OpenDeviceModel(printer_);
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(CleanUserSettingKeys(nullptr, model), 2);
  EXPECT_TRUE(UserKeyExists(otherKey));
  EXPECT_FALSE(UserKeyExists(kUserBase + u"0000000000000000000000000000000A"));

  // By printer: its own key, when it is a local printer's.
  EXPECT_EQ(CleanUserSettingKeys(other, model), 1);
  EXPECT_FALSE(UserKeyExists(otherKey));
  EXPECT_EQ(CleanUserSettingKeys(other, model), 0);
  EXPECT_EQ(CleanUserSettingKeys(printer_, model), 0);  // no id
  EXPECT_EQ(CleanUserSettingKeys(nullptr, nullptr), 0);
  CloseDeviceModel(model);

  // Mask 0 deletes without looking at the attributes.
  MakeUserKey(kUserBase + u"C\\D\\E");
  EXPECT_EQ(DeleteUserKeyIfLocal(u"C", kUserBase.c_str(), 0x40), 0);
  EXPECT_EQ(DeleteUserKeyIfLocal(u"C", kUserBase.c_str(), 0), 1);
  EXPECT_FALSE(UserKeyExists(kUserBase + u"C"));
  EXPECT_EQ(DeleteUserKeyIfLocal(u"C", u"Software\\Absent", 0), 0);
}

TEST_F(UserStoreTest, CopyRegistryTreeCopiesValuesTypesAndSubkeys) {
  HKEY source = nullptr, destination = nullptr, sub = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, u"Software\\From", &source), ERROR_SUCCESS);
  const BYTE bytes[3] = {9, 8, 7};
  const char16_t text[] = u"text";
  ASSERT_EQ(RegSetValueExW(source, u"Bin", 0, REG_BINARY, bytes, 3), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(source, u"Str", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(source, u"", 0, REG_BINARY, bytes, 2), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(source, u"Empty", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyW(source, u"A\\B", &sub), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(sub, u"Deep", 0, REG_DWORD, bytes, 3), ERROR_SUCCESS);
  RegCloseKey(sub);
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, u"Software\\To", &destination), ERROR_SUCCESS);
  ASSERT_EQ(CopyRegistryTree(destination, source), 1);
  RegCloseKey(source);
  RegCloseKey(destination);

  struct {
    const char16_t* key;
    const char16_t* name;
    DWORD type;
    std::vector<BYTE> data;
  } expected[] = {
      {u"Software\\To", u"Bin", REG_BINARY, {9, 8, 7}},
      {u"Software\\To", u"Str", REG_SZ, {'t', 0, 'e', 0, 'x', 0, 't', 0, 0, 0}},
      {u"Software\\To", u"", REG_BINARY, {9, 8}},
      {u"Software\\To", u"Empty", REG_NONE, {}},
      {u"Software\\To\\A\\B", u"Deep", REG_DWORD, {9, 8, 7}},
  };
  for (const auto& e : expected) {
    std::vector<BYTE> data;
    DWORD type = 0;
    ASSERT_TRUE(ReadUserKeyValue(e.key, e.name, &data, &type));
    EXPECT_EQ(type, e.type);
    EXPECT_EQ(data, e.data);
  }
  // The whole tree goes at once.
  EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, u"Software\\To"), 1);
  EXPECT_FALSE(UserKeyExists(u"Software\\To"));
  EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, u"Software\\To"), 0);
}

// ---- The user settings record ---------------------------------------------------

class UserSettingInfoTest : public UserStoreTest {};

TEST_F(UserSettingInfoTest, NothingStoredGivesTheDefaults) {
  UserSettingInfo record;
  std::memset(&record, 0xEE, sizeof record);
  ASSERT_EQ(ReadUserSettingInfo(printer_, &record), 1);
  EXPECT_EQ(std::u16string(record.setting1054), u"User");
  EXPECT_EQ(record.setting1052[0], 0);
  EXPECT_EQ(record.setting1033[0], 0);
  EXPECT_EQ(record.setting1034[0], 0);
  EXPECT_EQ(record.setting1050, 0);
  EXPECT_EQ(record.format, 0xEEEE);  // the other bytes stay

  // A record of another size counts as not stored.
  BYTE shortRecord[100];
  std::memset(shortRecord, 'A', sizeof shortRecord);
  ASSERT_EQ(WriteUserValue(printer_, shortRecord, 100, REG_BINARY, nullptr, u"UserSettingInfo"), 1);
  EXPECT_EQ(HasUserSettingInfo(printer_), 1);
  ASSERT_EQ(ReadUserSettingInfo(printer_, &record), 1);
  EXPECT_EQ(std::u16string(record.setting1054), u"User");

  ASSERT_EQ(pk::spooler::AddPrinter(u"No model", u"C:\\models\\absent.ddd"), 0u);
  EXPECT_EQ(ReadUserSettingInfo(Open(u"No model"), &record), 0);
}

TEST_F(UserSettingInfoTest, BuildSaveReadApply) {
  std::vector<BYTE> block(kPrinterSettingsBlockSize, 0);
  const WORD versions[][2] = {{1298, 0x3204}, {1307, 0x4003}, {1041, 0x12}, {1050, 77}};
  for (const auto& v : versions)
    ASSERT_EQ(SetSettingValue(v[0], nullptr, block.data(), kSettingTypeUInt16, 2, &v[1]), kSettingOk) << v[0];
  const char16_t* user = u"Someone";
  ASSERT_EQ(SetSettingValue(1054, nullptr, block.data(), kSettingTypeText, 16, &user), kSettingOk);
  const char16_t* code = u"1234";
  ASSERT_EQ(SetSettingValue(1034, nullptr, block.data(), kSettingTypeText, 10, &code), kSettingOk);

  UserSettingInfo record;
  ASSERT_EQ(BuildUserSettingInfo(printer_, block.data(), &record), 1);
  EXPECT_EQ(record.format, 1);
  EXPECT_EQ(record.driverVersion, 0x3204);
  EXPECT_EQ(record.formatVersion, 0x4003);
  EXPECT_EQ(record.setting1041, 0x12);
  EXPECT_EQ(record.setting1050, 77);
  EXPECT_EQ(std::u16string(record.modelName), u"Orvalis C3600 Colour");
  EXPECT_EQ(std::u16string(record.setting1054), u"Someone");
  EXPECT_EQ(std::u16string(record.setting1034), u"1234");
  EXPECT_EQ(BuildUserSettingInfo(printer_, nullptr, &record), 0);

  ASSERT_EQ(BuildUserSettingInfo(printer_, block.data(), &record), 1);
  ASSERT_EQ(SaveUserSettingInfo(printer_, &record), 1);
  EXPECT_EQ(HasUserSettingInfo(printer_), 1);
  UserSettingInfo read{};
  ASSERT_EQ(ReadUserSettingInfo(printer_, &read), 1);
  EXPECT_EQ(std::memcmp(&read, &record, sizeof read), 0);

  // Applied to another block: the texts and 1050, not the versions.
  std::vector<BYTE> other(kPrinterSettingsBlockSize, 0);
  ASSERT_EQ(ApplyUserSettingInfo(other.data(), &read), 1);
  EXPECT_EQ(GetSettingInt(nullptr, other.data(), 1050), 77);
  EXPECT_EQ(GetSettingInt(nullptr, other.data(), 1298), 0);
  SettingValueType type;
  UINT size;
  const char16_t* text = nullptr;
  ASSERT_EQ(GetSettingValue(1054, nullptr, other.data(), &type, &size, &text), kSettingOk);
  EXPECT_EQ(std::u16string(text), u"Someone");
}

TEST_F(UserSettingInfoTest, SlotWithoutTerminatorIsNotApplied) {
  UserSettingInfo record{};
  InitUserSettingInfo(&record);
  record.setting1050 = 5;
  for (WCHAR& c : record.setting1054) c = u'X';
  std::vector<BYTE> block(kPrinterSettingsBlockSize, 0);
  EXPECT_EQ(ApplyUserSettingInfo(block.data(), &record), 0);
  EXPECT_EQ(block, std::vector<BYTE>(kPrinterSettingsBlockSize, 0));

  // Stored that way, it reads back whole but still is not applied.
  ASSERT_EQ(SaveUserSettingInfo(printer_, &record), 1);
  UserSettingInfo read{};
  ASSERT_EQ(ReadUserSettingInfo(printer_, &read), 1);
  EXPECT_EQ(read.setting1054[32], u'X');
  EXPECT_EQ(ApplyUserSettingInfo(block.data(), &read), 0);
  EXPECT_EQ(block, std::vector<BYTE>(kPrinterSettingsBlockSize, 0));
}

}  // namespace
