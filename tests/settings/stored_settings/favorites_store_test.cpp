// The favourites store: the values a favourite is stored in, the presets a
// model brings and their reinstall for a favourite of another model, the
// index, texts without terminators, and failed writes.
#include <cstdlib>
#include <cstring>

#include "settings/access/setting_access.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/store/favorites_store.h"
#include "settings/store/user_store.h"
#include "stored_fixture.h"

namespace pk::test {
namespace {

using Bytes = std::vector<BYTE>;

// The default printer's description under another model name and format
// level, with a favourites feature of `options` options in place of its own:
// option i is named "Preset i\nComment i" (option 2 has no line feed) and
// its value list sets the orientation (7) to 2 for odd i.
std::string FavoritesDescription(int options, const char* level = "0x300") {
  const Bytes text = ReadHostFile(PK_DEFAULT_MODEL_TEXT);
  std::string d(text.begin(), text.end());
  d.resize(d.find("\n# Favourites") + 1);
  const auto replace = [&d](const std::string& from, const std::string& to) {
    const size_t at = d.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) d.replace(at, from.size(), to);
  };
  replace("model \"Orvalis C3600 Colour\"", "model \"Favourites test\"");
  replace("level 0x300", std::string("level ") + level);
  if (options < 0) return d;  // no favourites feature
  d += "feature 4 0x9018 \"Favourites\" 1 1\n";
  for (int i = 1; i <= options; ++i) {
    const std::string n = std::to_string(i);
    d += "  option \"Preset " + n + (i == 2 ? "" : "\\x0aComment " + n) + "\" 0 0 u16 " + n + "\n";
  }
  for (int i = 1; i <= options; ++i)
    d += "valuelist " + std::to_string(i) + " \"List\"\n" + (i % 2 == 1 ? "  entry 7 2 2\n" : "");
  return d;
}

class FavoritesStoreTest : public StoredSettingsTest {
 protected:
  void TearDown() override {
    seams::FailRegistryWrites(0);
    seams::SetMachineRegistryReadOnly(false);
    StoredSettingsTest::TearDown();
  }
  std::u16string FavoritePath(HANDLE printer) { return kUserBase + Hex(IdOf(printer)) + u"\\Favorite"; }
  // A printer whose model dddwrite writes from the description.
  HANDLE AddDescribedPrinter(const char16_t* name, const std::string& description) {
    const std::string txt = HostPath(u"C:\\models\\described.txt");
    const std::string ddd = HostPath(u"C:\\models\\described.ddd");
    WriteHostFile(txt, Bytes(description.begin(), description.end()));
    const std::string command = std::string("'") + PK_DDDWRITE + "' '" + txt + "' '" + ddd + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const std::u16string path = std::u16string(u"C:\\models\\") + name + u".ddd";
    WriteWindowsFile(path, ReadHostFile(ddd));
    EXPECT_EQ(pk::spooler::AddPrinter(name, path), 0u);
    return Open(name);
  }
  // The defaults of the printer's model, as InstallModelFavorites builds them.
  static Bytes Defaults(HANDLE printer, const WCHAR* name) {
    Bytes dm(kWorkingDevModeSize);
    DeviceModel* model = OpenDeviceModel(printer);
    EXPECT_NE(model, nullptr);
    if (model) {
      EXPECT_EQ(BuildDefaultSettings(model, dm.data(), nullptr, name), 1);
      CloseDeviceModel(model);
    }
    return dm;
  }
  static std::u16string ModelName(const Bytes& dm) {
    SettingValueType type = 0;
    UINT size = 0;
    const WCHAR* text = nullptr;
    EXPECT_EQ(GetSettingValue(259, dm.data(), nullptr, &type, &size, &text), kSettingOk);
    return text ? std::u16string(text) : std::u16string();
  }
  static int Install(HANDLE printer, WORD index[kFavoriteIndexEntries], WORD* position, const WCHAR* name) {
    DeviceModel* model = OpenDeviceModel(printer);
    if (model == nullptr) return -1;
    const int result = InstallModelFavorites(printer, model, name, index, position);
    CloseDeviceModel(model);
    return result;
  }
};

TEST_F(FavoritesStoreTest, SaveWritesTheValuesOfItsNumber) {
  const Bytes dm = Defaults(printer_, PK_DEFAULT_PRINTER_NAME);
  const DWORD flag = 3;
  ASSERT_EQ(SaveFavorite(printer_, 5, dm.data(), u"Letters", u"Black and white", &flag), 1);
  const std::u16string path = FavoritePath(printer_);
  Bytes value;
  DWORD type = 0;
  ASSERT_TRUE(ReadUserKeyValue(path, u"User 5DEVMODE", &value, &type));
  EXPECT_EQ(value, dm);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  ASSERT_TRUE(ReadUserKeyValue(path, u"User 5SelName", &value, &type));
  EXPECT_EQ(value.size(), 7u * 2 + 2);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  ASSERT_TRUE(ReadUserKeyValue(path, u"User 5SelComment", &value, &type));
  EXPECT_EQ(value.size(), 15u * 2 + 2);
  ASSERT_TRUE(ReadUserKeyValue(path, u"User 5SelFlag", &value, &type));
  EXPECT_EQ(value, Bytes({3, 0, 0, 0}));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

  // Only what is given is written.
  ASSERT_EQ(SaveFavorite(printer_, 28, dm.data(), nullptr, nullptr, nullptr), 1);
  EXPECT_TRUE(ReadUserKeyValue(path, u"User28DEVMODE", &value));
  EXPECT_FALSE(ReadUserKeyValue(path, u"User28SelName", &value));

  // Read back.
  Bytes read(kWorkingDevModeSize);
  WCHAR name[33], comment[33];
  DWORD readFlag = 0;
  ASSERT_EQ(LoadFavorite(printer_, dm.data(), nullptr, 5, read.data(), name, 33, comment, 33, &readFlag), 1);
  EXPECT_EQ(read, dm);
  EXPECT_EQ(std::u16string(name), u"Letters");
  EXPECT_EQ(std::u16string(comment), u"Black and white");
  EXPECT_EQ(readFlag, 3u);
  // Favourite 28 has no name.
  EXPECT_EQ(LoadFavorite(printer_, dm.data(), nullptr, 28, read.data(), name, 33, nullptr, 0, nullptr), 0);
  EXPECT_EQ(LoadFavorite(printer_, dm.data(), nullptr, 28, read.data(), nullptr, 0, nullptr, 0, nullptr), 1);
}

TEST_F(FavoritesStoreTest, SaveStopsAtTheFirstFailedWrite) {
  const Bytes dm = Defaults(printer_, PK_DEFAULT_PRINTER_NAME);
  const DWORD flag = 1;
  const char16_t* names[] = {u"User 7DEVMODE", u"User 7SelName", u"User 7SelComment", u"User 7SelFlag"};
  // The printer's key gets its default value with the first write; make it
  // now, so that every write counted below is one of the favourite's.
  ASSERT_EQ(SaveFavorite(printer_, 1, nullptr, nullptr, nullptr, &flag), 1);
  for (unsigned nth = 1; nth <= 4; ++nth) {
    SCOPED_TRACE(nth);
    IdOf(printer_);
    DeleteRegistryTree(HKEY_CURRENT_USER, FavoritePath(printer_).c_str());
    const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
    seams::FailRegistryWrites(nth);
    EXPECT_EQ(SaveFavorite(printer_, 7, dm.data(), u"Name", u"Comment", &flag), 0);
    seams::FailRegistryWrites(0);
    for (unsigned k = 0; k < 4; ++k) {
      Bytes value;
      EXPECT_EQ(ReadUserKeyValue(FavoritePath(printer_), names[k], &value), k + 1 < nth) << k;
    }
    EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
    EXPECT_EQ(seams::LiveHandles(), handles);
  }
}

TEST_F(FavoritesStoreTest, ModelPresetsAreInstalledWithTheirIndex) {
  HANDLE printer = AddDescribedPrinter(u"Three", FavoritesDescription(3));
  const Bytes defaults = Defaults(printer, u"Three");
  WORD index[kFavoriteIndexEntries];
  std::memset(index, 0xFF, sizeof index);
  WORD position = 9;
  for (bool readOnly : {false, true}) {
    seams::SetMachineRegistryReadOnly(readOnly);
    ASSERT_EQ(Install(printer, index, &position, u"Three"), 1);
  }
  EXPECT_EQ(index[0], 1);
  EXPECT_EQ(index[1], 2);
  EXPECT_EQ(index[2], 0);
  EXPECT_EQ(position, 0);
  WORD stored[kFavoriteIndexEntries];
  WORD storedPosition = 9;
  ASSERT_EQ(ReadFavoriteIndex(printer, stored, &storedPosition), 1);
  EXPECT_EQ(std::memcmp(stored, index, sizeof index), 0);
  EXPECT_EQ(storedPosition, 0);

  const std::u16string path = FavoritePath(printer);
  Bytes value;
  EXPECT_FALSE(ReadUserKeyValue(path, u"User 3DEVMODE", &value));  // the last option is no preset
  Bytes dm(kWorkingDevModeSize);
  WCHAR name[33], comment[33];
  DWORD flag = 9;
  ASSERT_EQ(LoadFavorite(printer, defaults.data(), nullptr, 1, dm.data(), name, 33, comment, 33, &flag), 1);
  EXPECT_EQ(std::u16string(name), u"Preset 1");
  EXPECT_EQ(std::u16string(comment), u"Comment 1");
  EXPECT_EQ(flag, 0u);
  Bytes expected = defaults;
  const SHORT landscape = 2;
  ASSERT_EQ(SetSettingValue(7, expected.data(), nullptr, 2, 2, &landscape), kSettingOk);
  EXPECT_EQ(CompareDevModeSettings(dm.data(), expected.data(), nullptr), 1);
  EXPECT_EQ(CompareDevModeSettings(dm.data(), defaults.data(), nullptr), 0);
  // A name without line feed: all name, the comment empty.
  ASSERT_EQ(LoadFavorite(printer, defaults.data(), nullptr, 2, dm.data(), name, 33, comment, 33, &flag), 1);
  EXPECT_EQ(std::u16string(name), u"Preset 2");
  EXPECT_EQ(std::u16string(comment), u"");
  EXPECT_EQ(CompareDevModeSettings(dm.data(), defaults.data(), nullptr), 1);
}

TEST_F(FavoritesStoreTest, PresetCountsAndFormatLevels) {
  struct Case {
    const char16_t* printer;
    int options;
    const char* level;
    int result;
    WORD installed;
  } cases[] = {
      {u"One", 1, "0x300", 1, 0},
      {u"Thirty", 30, "0x300", 1, 27},
      {u"Old level", 3, "0x2FF", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.printer, c.printer + 3));
    HANDLE printer = AddDescribedPrinter(c.printer, FavoritesDescription(c.options, c.level));
    const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
    WORD index[kFavoriteIndexEntries];
    std::memset(index, 0xFF, sizeof index);
    WORD position = 9;
    EXPECT_EQ(Install(printer, index, &position, c.printer), c.result);
    EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
    EXPECT_EQ(seams::LiveHandles(), handles);
    const std::u16string path = FavoritePath(printer);
    Bytes value;
    if (c.result == 0) {
      EXPECT_FALSE(ReadUserKeyValue(path, u"User 1DEVMODE", &value));
      EXPECT_FALSE(ReadUserKeyValue(path, u"UserIndex", &value));
      continue;
    }
    for (WORD i = 0; i < c.installed; ++i) EXPECT_EQ(index[i], i + 1);
    EXPECT_EQ(index[c.installed], 0);
    EXPECT_TRUE(ReadUserKeyValue(path, u"UserIndex", &value));
    EXPECT_EQ(value.size(), 56u);
    for (int n = 1; n <= 29; ++n) {
      WCHAR valueName[20];
      wnsprintfW(valueName, 20, u"User%2dDEVMODE", n);
      EXPECT_EQ(ReadUserKeyValue(path, valueName, &value), n <= c.installed) << n;
    }
  }
  // A model without the feature installs nothing.
  HANDLE plain = AddDescribedPrinter(u"Plain", FavoritesDescription(-1));
  WORD index[kFavoriteIndexEntries];
  WORD position = 0;
  EXPECT_EQ(Install(plain, index, &position, u"Plain"), 0);
  EXPECT_EQ(InstallModelFavorites(plain, nullptr, u"Plain", index, &position), 0);
}

TEST_F(FavoritesStoreTest, FavoriteOfAnotherModelIsReplacedOnlyWhenItIsAPreset) {
  HANDLE printer = AddDescribedPrinter(u"Three", FavoritesDescription(3));
  const Bytes current = Defaults(printer, u"Three");
  const Bytes foreign = Defaults(printer_, PK_DEFAULT_PRINTER_NAME);
  ASSERT_NE(ModelName(current), ModelName(foreign));
  const std::u16string path = FavoritePath(printer);

  struct Case {
    int n;
    DWORD flag;
    int result;
  } cases[] = {
      {1, 1, 0},  // the user's own favourite of another printer
      {1, 0, 1},  // a preset: installed again and read again
      {5, 0, 0},  // no preset of that number: the old DEVMODE stays unread
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n * 10 + static_cast<int>(c.flag));
    ASSERT_EQ(SaveFavorite(printer, c.n, foreign.data(), u"Old", u"Old comment", &c.flag), 1);
    const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
    Bytes dm(kWorkingDevModeSize);
    WCHAR name[33];
    DWORD flag = 9;
    EXPECT_EQ(LoadFavorite(printer, current.data(), nullptr, c.n, dm.data(), name, 33, nullptr, 0, &flag), c.result);
    EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
    EXPECT_EQ(seams::LiveHandles(), handles);
    if (c.result == 1) {
      EXPECT_EQ(ModelName(dm), ModelName(current));
      EXPECT_EQ(std::u16string(name), u"Preset 1");
      EXPECT_EQ(flag, 0u);
      WORD index[kFavoriteIndexEntries];
      ASSERT_EQ(ReadFavoriteIndex(printer, index, nullptr), 1);
      EXPECT_EQ(index[0], 1);
      EXPECT_EQ(index[2], 0);
    }
  }
  // The current DEVMODE's model name must be readable.
  Bytes dm(kWorkingDevModeSize);
  EXPECT_EQ(LoadFavorite(printer, nullptr, nullptr, 1, dm.data(), nullptr, 0, nullptr, 0, nullptr), 0);
}

TEST_F(FavoritesStoreTest, IndexReadAndWrite) {
  WORD index[kFavoriteIndexEntries] = {3, 1, 2};
  WORD position = 0;
  EXPECT_EQ(ReadFavoriteIndex(printer_, index, nullptr), 0);
  EXPECT_EQ(ReadFavoriteIndex(printer_, nullptr, &position), 0);
  EXPECT_EQ(ReadFavoriteIndex(printer_, nullptr, nullptr), 1);
  const WORD selected = 0xFFFF;
  ASSERT_EQ(WriteFavoriteIndex(printer_, index, &selected), 1);
  Bytes value;
  DWORD type = 0;
  ASSERT_TRUE(ReadUserKeyValue(FavoritePath(printer_), u"UserSelPosition", &value, &type));
  EXPECT_EQ(value, Bytes({0xFF, 0xFF, 0, 0}));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  WORD back[kFavoriteIndexEntries];
  ASSERT_EQ(ReadFavoriteIndex(printer_, back, &position), 1);
  EXPECT_EQ(std::memcmp(back, index, sizeof back), 0);
  EXPECT_EQ(position, 0xFFFF);
  // Only the low 16 bits of a stored position are used; an index of another
  // size is none.
  const DWORD wide = 0x12340005;
  ASSERT_EQ(WriteUserValue(printer_, &wide, 4, REG_DWORD, u"Favorite", u"UserSelPosition"), 1);
  ASSERT_EQ(ReadFavoriteIndex(printer_, nullptr, &position), 1);
  EXPECT_EQ(position, 5);
  ASSERT_EQ(WriteUserValue(printer_, index, 10, REG_BINARY, u"Favorite", u"UserIndex"), 1);
  EXPECT_EQ(ReadFavoriteIndex(printer_, back, nullptr), 0);
}

TEST_F(FavoritesStoreTest, TextsWithoutTerminatorAreCutToTheCallersBuffer) {
  const Bytes dm = Defaults(printer_, PK_DEFAULT_PRINTER_NAME);
  ASSERT_EQ(SaveFavorite(printer_, 4, dm.data(), nullptr, nullptr, nullptr), 1);
  std::u16string forty;
  for (int i = 0; i < 40; ++i) forty.push_back(static_cast<char16_t>(u'A' + i % 26));
  ASSERT_EQ(WriteUserValue(printer_, forty.data(), 80, REG_SZ, u"Favorite", u"User 4SelName"), 1);
  ASSERT_EQ(WriteUserValue(printer_, u"Cut", 6, REG_SZ, u"Favorite", u"User 4SelComment"), 1);
  const DWORD flag = 2;
  ASSERT_EQ(WriteUserValue(printer_, &flag, 4, REG_DWORD, u"Favorite", u"User 4SelFlag"), 1);
  WCHAR name[33], comment[2];
  std::fill(std::begin(name), std::end(name), 0x7777);
  DWORD readFlag = 0;
  ASSERT_EQ(LoadFavorite(printer_, dm.data(), nullptr, 4, nullptr, name, 33, comment, 2, &readFlag), 1);
  EXPECT_EQ(std::u16string(name), forty.substr(0, 32));
  EXPECT_EQ(std::u16string(comment), u"C");
  EXPECT_EQ(readFlag, 2u);
  // No room at all is no read.
  EXPECT_EQ(LoadFavorite(printer_, dm.data(), nullptr, 4, nullptr, name, 0, nullptr, 0, nullptr), 0);
  // A DEVMODE or flag of another size is none.
  ASSERT_EQ(WriteUserValue(printer_, dm.data(), 2628, REG_BINARY, u"Favorite", u"User 4DEVMODE"), 1);
  Bytes read(kWorkingDevModeSize);
  EXPECT_EQ(LoadFavorite(printer_, dm.data(), nullptr, 4, read.data(), nullptr, 0, nullptr, 0, nullptr), 0);
  ASSERT_EQ(WriteUserValue(printer_, &flag, 2, REG_BINARY, u"Favorite", u"User 4SelFlag"), 1);
  EXPECT_EQ(LoadFavorite(printer_, dm.data(), nullptr, 4, nullptr, nullptr, 0, nullptr, 0, &readFlag), 0);
}

TEST_F(FavoritesStoreTest, DefaultPrinterPresetsAreItsDefaultsWithTheirValueLists) {
  WORD index[kFavoriteIndexEntries];
  WORD position = 9;
  ASSERT_EQ(Install(printer_, index, &position, PK_DEFAULT_PRINTER_NAME), 1);
  for (WORD i = 0; i < 8; ++i) EXPECT_EQ(index[i], i + 1);
  EXPECT_EQ(index[8], 0);
  const Bytes defaults = Defaults(printer_, PK_DEFAULT_PRINTER_NAME);
  struct Entry {
    SettingId id;
    SettingValueType type;
    UINT size;
    uint32_t value;
  };
  const struct {
    const char16_t* name;
    std::vector<Entry> entries;
  } presets[] = {
      {u"Standard", {}},
      {u"Last used settings", {}},
      {u"Two pages per sheet", {{295, 3, 2, 2}}},
      {u"Draft", {{14, 5, 4, 0x01900190}, {15, 2, 2, 1}}},
      {u"Booklet", {{267, 3, 2, 1}}},
      {u"Black and white", {{15, 2, 2, 1}}},
      {u"Four pages per sheet", {{295, 3, 2, 4}}},
      {u"Landscape", {{7, 2, 2, 2}}},
  };
  for (int n = 1; n <= 8; ++n) {
    const auto& preset = presets[n - 1];
    SCOPED_TRACE(n);
    Bytes dm(kWorkingDevModeSize);
    WCHAR name[64], comment[128];
    DWORD flag = 9;
    ASSERT_EQ(LoadFavorite(printer_, defaults.data(), nullptr, n, dm.data(), name, 64, comment, 128, &flag), 1);
    EXPECT_EQ(std::u16string(name), preset.name);
    EXPECT_NE(std::u16string(comment), u"");
    EXPECT_EQ(flag, 0u);
    Bytes expected = defaults;
    for (const Entry& e : preset.entries)
      ASSERT_EQ(SetSettingValue(e.id, expected.data(), nullptr, e.type, e.size, &e.value), kSettingOk);
    EXPECT_EQ(CompareDevModeSettings(dm.data(), expected.data(), nullptr), 1);
    EXPECT_EQ(CompareDevModeSettings(dm.data(), defaults.data(), nullptr), preset.entries.empty() ? 1 : 0);
  }
  Bytes dm(kWorkingDevModeSize);
  ASSERT_EQ(LoadFavorite(printer_, defaults.data(), nullptr, 3, dm.data(), nullptr, 0, nullptr, 0, nullptr), 1);
  uint64_t pages = 0;
  SettingValueType type = 0;
  UINT size = 0;
  ASSERT_EQ(GetSettingValue(295, dm.data(), nullptr, &type, &size, &pages), kSettingOk);
  EXPECT_EQ(pages, 2u);
  // Option 9 stands for the user's own favourites and is not installed.
  EXPECT_EQ(LoadFavorite(printer_, defaults.data(), nullptr, 9, dm.data(), nullptr, 0, nullptr, 0, nullptr), 0);
}

TEST_F(FavoritesStoreTest, FailedWritesOfAnInstallLeaveNothingOpen) {
  HANDLE printer = AddDescribedPrinter(u"Three", FavoritesDescription(3));
  IdOf(printer);
  // Two presets of four values each, then the index and the position.
  for (unsigned nth = 1; nth <= 10; ++nth) {
    SCOPED_TRACE(nth);
    const SIZE_T blocks = seams::GlobalLiveBlocks(), handles = seams::LiveHandles();
    WORD index[kFavoriteIndexEntries];
    WORD position = 0;
    seams::FailRegistryWrites(nth);
    EXPECT_EQ(Install(printer, index, &position, u"Three"), 0);
    seams::FailRegistryWrites(0);
    EXPECT_EQ(seams::GlobalLiveBlocks(), blocks);
    EXPECT_EQ(seams::LiveHandles(), handles);
  }
}

}  // namespace
}  // namespace pk::test
