// The printer settings block and the font substitution text in printer data:
// the chunk layout, the text built from the model's device fonts, the checks
// on a stored text, and the loading of the settings block with the user's
// fields, its migration and its defaults.
#include <cstring>

#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/store/printer_data_chunks.h"
#include "settings/store/printer_settings_data.h"
#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/services/settings_build.h"
#include "settings/store/user_setting_info.h"
#include "settings/store/user_store.h"
#include "settings/store/whole_file.h"
#include "stored_fixture.h"

namespace {

using Bytes = std::vector<BYTE>;

// The text of a pair list as UTF-16 units, final zero included.
std::u16string Pairs(std::initializer_list<std::pair<std::u16string, std::u16string>> pairs) {
  std::u16string t;
  for (const auto& [alias, face] : pairs) {
    t += alias;
    t += u'\0';
    t += face;
    t += u'\0';
  }
  t += u'\0';
  return t;
}

std::u16string TextOf(const WCHAR* text, size_t maxUnits = 100000) {
  std::u16string t;
  if (!text) return t;
  size_t at = 0;
  while (at < maxUnits && text[at] != 0) {
    for (int part = 0; part < 2; ++part) {
      while (text[at] != 0) t += text[at++];
      t += text[at++];
    }
  }
  t += u'\0';
  return t;
}

const std::u16string kDefaultModelText =
    Pairs({{u"DejaVu Sans", u"Orvalis Sans"}, {u"DejaVu Sans Mono", u"Orvalis Mono"}});

class PrinterSettingsDataTest : public pk::test::StoredSettingsTest {
 protected:
  void SetUp() override {
    StoredSettingsTest::SetUp();
    model_ = OpenDeviceModel(printer_);
    ASSERT_NE(model_, nullptr);
  }
  void TearDown() override {
    CloseDeviceModel(model_);
    StoredSettingsTest::TearDown();
  }
  // A block of the model's defaults built for the given printer name.
  Bytes DefaultBlock(const char16_t* name = PK_DEFAULT_SETTINGS_PRINTER_NAME) {
    Bytes block(kPrinterSettingsBlockSize);
    void* devMode = AllocDevModeBuffer(0);
    EXPECT_EQ(BuildDefaultSettings(model_, devMode, block.data(), name), 1);
    FreeDevModeBuffer(devMode);
    return block;
  }
  static void SetWord(Bytes& block, SettingId id, WORD value) {
    ASSERT_EQ(SetSettingValue(id, nullptr, block.data(), kSettingTypeUInt16, 2, &value), kSettingOk) << id;
  }
  static void SetText(Bytes& block, SettingId id, const char16_t* text) {
    const UINT bytes = static_cast<UINT>((std::char_traits<char16_t>::length(text) + 1) * 2);
    ASSERT_EQ(SetSettingValue(id, nullptr, block.data(), kSettingTypeText, bytes, &text), kSettingOk) << id;
  }
  static std::u16string Text(const Bytes& block, SettingId id) {
    SettingValueType type;
    UINT size;
    const char16_t* text = nullptr;
    EXPECT_EQ(GetSettingValue(id, nullptr, block.data(), &type, &size, &text), kSettingOk) << id;
    return text ? std::u16string(text) : std::u16string();
  }
  Bytes Load() {
    Bytes loaded(kPrinterSettingsBlockSize, 0xCD);
    EXPECT_EQ(LoadPrinterSettings(printer_, loaded.data(), model_), 1);
    return loaded;
  }

  DeviceModel* model_ = nullptr;
};

TEST_F(PrinterSettingsDataTest, BlockIsStoredInFourChunks) {
  Bytes block = DefaultBlock();
  ASSERT_EQ(SavePrinterSettings(printer_, block.data(), TRUE), 1);
  EXPECT_EQ(pk::test::PrinterValue(printer_, u"PrinterDataSize"), (Bytes{0x18, 0x0B, 0, 0}));
  const size_t sizes[] = {768, 768, 768, 536};
  size_t offset = 0;
  for (int n = 1; n <= 4; ++n) {
    const std::u16string name = u"PrinterData" + std::u16string(1, static_cast<char16_t>(u'0' + n));
    Bytes chunk = pk::test::PrinterValue(printer_, name.c_str());
    ASSERT_EQ(chunk.size(), sizes[n - 1]) << n;
    EXPECT_TRUE(std::equal(chunk.begin(), chunk.end(), block.begin() + offset));
    offset += chunk.size();
  }
  EXPECT_FALSE(pk::test::HasPrinterValue(printer_, u"PrinterData5"));
  EXPECT_EQ(SavePrinterSettings(printer_, block.data(), FALSE), 0);
  EXPECT_EQ(SavePrinterSettings(printer_, nullptr, TRUE), 0);
  EXPECT_EQ(SavePrinterSettings(nullptr, block.data(), TRUE), 0);
}

TEST_F(PrinterSettingsDataTest, ChunkedValuesByIndex) {
  Bytes data(76033);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i * 13);
  for (int index : {0, 1, 2}) {
    SCOPED_TRACE(index);
    ASSERT_EQ(WriteChunkedValue(printer_, data.data(), 76032, index), 1);
    EXPECT_EQ(WriteChunkedValue(printer_, data.data(), 76033, index), 0);
    DWORD size = 0;
    void* read = nullptr;
    ASSERT_EQ(ReadChunkedValue(printer_, &size, index, &read, false), 1);
    EXPECT_EQ(size, 76032u);
    EXPECT_EQ(std::memcmp(read, data.data(), size), 0);
    GlobalFree(read);
    // Into the caller's buffer: a stored size beyond it fails.
    Bytes buffer(1000);
    void* holder = buffer.data();
    size = 1000;
    EXPECT_EQ(ReadChunkedValue(printer_, &size, index, &holder, true), 0);
  }
  EXPECT_EQ(pk::test::PrinterValue(printer_, u"SysTTFontList99").size(), 768u);
  EXPECT_EQ(WriteChunkedValue(printer_, data.data(), 10, 3), 0);
  EXPECT_EQ(WriteChunkedValue(printer_, data.data(), 10, -1), 0);
  EXPECT_EQ(WriteChunkedValue(printer_, data.data(), 0, 0), 0);
  EXPECT_EQ(WriteChunkedValue(nullptr, data.data(), 10, 0), 0);

  const BYTE small[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(WriteChunkedValue(printer_, small, 5, 1), 1);
  Bytes buffer(8, 0xEE);
  void* holder = buffer.data();
  DWORD size = 8;
  ASSERT_EQ(ReadChunkedValue(printer_, &size, 1, &holder, true), 1);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4, 5, 0xEE, 0xEE, 0xEE}));
}

// A stored size beyond the 99 chunks a value may have is refused before any
// block is allocated, also where counting its chunks would wrap in 32 bits.
TEST_F(PrinterSettingsDataTest, StoredSizeBeyondTheChunksIsRefused) {
  for (DWORD stored : {76033u, 0xFFFFFD01u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(stored);
    BYTE bytes[4] = {BYTE(stored), BYTE(stored >> 8), BYTE(stored >> 16), BYTE(stored >> 24)};
    ASSERT_EQ(SetPrinterDataW(printer_, u"ProbeSize", REG_DWORD, bytes, 4), DWORD(ERROR_SUCCESS));
    DWORD size = 0;
    EXPECT_EQ(ReadPrinterDataChunkSize(printer_, u"Probe", &size), 0);
    SIZE_T before = pk::seams::GlobalLiveBlocks();
    void* data = nullptr;
    EXPECT_EQ(ReadPrinterDataChunksToNewBlock(printer_, u"Probe", &data, &size), 0);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  }
}

TEST_F(PrinterSettingsDataTest, NothingStoredGivesTheDefaults) {
  EXPECT_EQ(Load(), DefaultBlock(u"DummyName"));
  EXPECT_EQ(LoadPrinterSettings(printer_, nullptr, model_), 0);
  Bytes block(kPrinterSettingsBlockSize);
  EXPECT_EQ(LoadPrinterSettings(printer_, block.data(), nullptr), 0);
  EXPECT_EQ(LoadPrinterSettings(nullptr, block.data(), model_), 0);
}

TEST_F(PrinterSettingsDataTest, CurrentBlockIsTakenWithTheUsersFields) {
  Bytes block = DefaultBlock(u"Stored");
  SetWord(block, 1298, 0x3204);
  SetWord(block, 1307, 0x6930);
  SetWord(block, 1050, 9);
  SetText(block, 1054, u"Block user");
  ASSERT_EQ(SavePrinterSettings(printer_, block.data(), TRUE), 1);

  // No record stored: the user's fields are the defaults.
  Bytes expected = block;
  UserSettingInfo record{};
  ASSERT_EQ(InitUserSettingInfo(&record), 1);
  ASSERT_EQ(ApplyUserSettingInfo(expected.data(), &record), 1);
  Bytes loaded = Load();
  EXPECT_EQ(loaded, expected);
  EXPECT_EQ(Text(loaded, 1054), u"User");

  // A stored record is applied; nothing else changes.
  ASSERT_EQ(BuildUserSettingInfo(printer_, block.data(), &record), 1);
  ASSERT_EQ(SaveUserSettingInfo(printer_, &record), 1);
  EXPECT_EQ(Load(), block);
}

TEST_F(PrinterSettingsDataTest, OlderGenerationBlockSavesItsUserFields) {
  Bytes block = DefaultBlock(u"Stored");
  SetWord(block, 1298, 0x3204);
  SetWord(block, 1307, 0x4003);
  SetText(block, 1054, u"Old user");
  SetText(block, 1033, u"Department");
  ASSERT_EQ(SavePrinterSettings(printer_, block.data(), TRUE), 1);
  ASSERT_EQ(HasUserSettingInfo(printer_), 0);

  EXPECT_EQ(Load(), block);
  ASSERT_EQ(HasUserSettingInfo(printer_), 1);
  UserSettingInfo record{};
  ASSERT_EQ(ReadUserSettingInfo(printer_, &record), 1);
  EXPECT_EQ(std::u16string(record.setting1054), u"Old user");
  EXPECT_EQ(std::u16string(record.setting1033), u"Department");
  EXPECT_EQ(record.formatVersion, 0x4003);

  // From then on the stored record wins over the block's own fields.
  UserSettingInfo changed = record;
  std::u16string name = u"Changed";
  std::copy(name.begin(), name.end() + 1, changed.setting1054);
  ASSERT_EQ(SaveUserSettingInfo(printer_, &changed), 1);
  EXPECT_EQ(Text(Load(), 1054), u"Changed");
}

TEST_F(PrinterSettingsDataTest, DamagedOrPartlyWrittenBlocksGiveTheDefaults) {
  const Bytes defaults = DefaultBlock();
  Bytes block = DefaultBlock(u"Stored");
  // The third write (the second chunk) fails: size and first chunk stay.
  pk::seams::FailSetPrinterData(3);
  EXPECT_EQ(SavePrinterSettings(printer_, block.data(), TRUE), 0);
  EXPECT_TRUE(pk::test::HasPrinterValue(printer_, u"PrinterData1"));
  EXPECT_FALSE(pk::test::HasPrinterValue(printer_, u"PrinterData2"));
  EXPECT_EQ(Load(), defaults);

  // A stored block shorter than a whole block.
  ASSERT_EQ(WriteChunkedValue(printer_, block.data(), 2000, kPrinterDataValue), 1);
  EXPECT_EQ(Load(), defaults);
}

TEST_F(PrinterSettingsDataTest, FontTextOfTheModelsDeviceFonts) {
  using ddd::Text;
  const std::string longAlias(700, 'L');
  const std::u16string wideLong(longAlias.begin(), longAlias.end());
  struct {
    const char* what;
    std::vector<std::pair<std::string, std::vector<std::string>>> fonts;
    std::u16string expected;
  } cases[] = {
      {"two records of two and one alias",
       {{"Face One", {"Alias A", "Alias B"}}, {"Face Two", {"Alias C"}}},
       Pairs({{u"Alias A", u"Face One"}, {u"Alias B", u"Face One"}, {u"Alias C", u"Face Two"}})},
      // One pair longer than a growth step of the text.
      {"alias of 700 characters", {{"Face", {"A", longAlias}}}, Pairs({{u"A", u"Face"}, {wideLong, u"Face"}})},
      {"no device fonts", {}, std::u16string(1, u'\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ddd::ModelWriter writer = pk::test::SmallWriter();
    uint16_t key = 0;
    for (const auto& [face, aliases] : c.fonts) {
      std::vector<Text> texts;
      for (const std::string& a : aliases) texts.push_back(Text::Plain(a));
      writer.AddDeviceFont(++key, Text::Plain(face), Text::Plain(""), texts, {}, {}, 0);
    }
    std::vector<uint8_t> primary, secondary;
    writer.Build(&primary, &secondary);
    pk::test::WriteWindowsFile(u"C:\\models\\fonts.ddd", primary);
    DeviceModel* model = AllocDeviceModelHandle();
    ASSERT_EQ(LoadModelFiles(u"C:\\models\\fonts.ddd", model->primary, model->secondary), 0);

    SIZE_T before = pk::seams::GlobalLiveBlocks();
    WCHAR* text = BuildFontSubstitutionText(model);
    ASSERT_NE(text, nullptr);
    const size_t units = GlobalSize(GlobalHandle(text)) / 2;
    ASSERT_GE(units, c.expected.size());
    EXPECT_EQ(std::u16string(text, c.expected.size()), c.expected);
    GlobalFree(text);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
    CloseDeviceModel(model);
  }
  EXPECT_EQ(BuildFontSubstitutionText(nullptr), nullptr);
}

TEST_F(PrinterSettingsDataTest, FontTableReadByBuild) {
  WCHAR* text = ReadFontSubTable(printer_);
  if (SettingsBuiltForGraphicsDriver()) {
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(TextOf(text), kDefaultModelText);
  } else {
    EXPECT_EQ(text, nullptr);
  }
  GlobalFree(text);
  EXPECT_FALSE(pk::test::HasPrinterValue(printer_, u"FontSubTableSize"));

  // Written once; later calls leave printer data as it is.
  ASSERT_EQ(EnsureFontSubTable(printer_, nullptr, model_), 1);
  Bytes stored = pk::test::PrinterValue(printer_, u"FontSubTable1");
  EXPECT_EQ(stored.size(), kDefaultModelText.size() * 2);
  EXPECT_EQ(std::memcmp(stored.data(), kDefaultModelText.data(), stored.size()), 0);
  const std::u16string mine = Pairs({{u"Mine", u"Face"}});
  ASSERT_EQ(WriteFontSubTable(printer_, nullptr, mine.c_str()), 1);
  EXPECT_EQ(pk::test::PrinterValue(printer_, u"FontSubTableSize"), (Bytes{22, 0, 0, 0}));  // 11 code units
  ASSERT_EQ(EnsureFontSubTable(printer_, nullptr, model_), 1);
  text = ReadFontSubTable(printer_);
  EXPECT_EQ(TextOf(text), mine);
  GlobalFree(text);
  EXPECT_EQ(EnsureFontSubTable(nullptr, nullptr, model_), 0);
  EXPECT_EQ(EnsureFontSubTable(printer_, nullptr, nullptr), 0);
}

TEST_F(PrinterSettingsDataTest, StoredFontTableThatIsNoPairListCountsAsAbsent) {
  const std::u16string good = Pairs({{u"Alias", u"Face"}});
  struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"7 bytes", Bytes(reinterpret_cast<const BYTE*>(good.data()), reinterpret_cast<const BYTE*>(good.data()) + 7)},
      {"no final zero",
       [&] {
         std::u16string t = good.substr(0, good.size() - 1) + u"X";
         return Bytes(reinterpret_cast<const BYTE*>(t.data()), reinterpret_cast<const BYTE*>(t.data() + t.size()));
       }()},
      {"one zero only", Bytes{0, 0}},
      {"alias without its face",
       [&] {
         std::u16string t = u"Alias";
         t += u'\0';
         t += u'\0';
         return Bytes(reinterpret_cast<const BYTE*>(t.data()), reinterpret_cast<const BYTE*>(t.data() + t.size()));
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes& data = c.data;
    ASSERT_EQ(WriteChunkedValue(printer_, data.data(), static_cast<DWORD>(data.size()), kFontSubTableValue), 1);
    WCHAR* text = ReadFontSubTable(printer_);
    if (SettingsBuiltForGraphicsDriver()) {
      EXPECT_EQ(TextOf(text), kDefaultModelText);
    } else {
      EXPECT_EQ(text, nullptr);
    }
    GlobalFree(text);
  }
}

TEST_F(PrinterSettingsDataTest, MapFileReadOnlyGivesTheWholeFile) {
  pk::test::WriteWindowsFile(u"C:\\data\\mapped.bin", {5, 6, 7, 8, 9});
  void* holder = nullptr;
  const void* view = nullptr;
  DWORD size = 0;
  SIZE_T handles = pk::seams::LiveHandles();
  ASSERT_EQ(MapFileReadOnly(u"C:\\data\\mapped.bin", &holder, &view, &size), 1);
  EXPECT_EQ(pk::seams::LiveHandles(), handles);  // file and mapping closed at once
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(holder, view);
  EXPECT_EQ(std::memcmp(view, "\5\6\7\10\11", 5), 0);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_EQ(MapFileReadOnly(u"C:\\data\\absent.bin", &holder, &view, &size), 0);

  void* data = nullptr;
  DWORD read = 0;
  ASSERT_NE(ReadWholeFile(u"C:\\data\\mapped.bin", &data, &read), 0);
  EXPECT_EQ(read, 5u);
  EXPECT_EQ(std::memcmp(data, "\5\6\7\10\11", 5), 0);
  GlobalFree(data);
  EXPECT_EQ(ReadWholeFile(u"C:\\data\\absent.bin", &data, &read), 0);
  EXPECT_EQ(data, nullptr);
}

}  // namespace
