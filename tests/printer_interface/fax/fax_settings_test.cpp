// The fax settings block: its layout, the order of its entries through the
// fax page's list, its 86-entry limit, and the settings blob carrying it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/fax/fax_settings.h"
#include "printer_interface/interface_fixture.h"

namespace pk::test {
namespace {

using Bytes = std::vector<BYTE>;

// A fax object whose entries are filled with their adding order.
struct OwnedFax {
  explicit OwnedFax(int entries) {
    std::memcpy(fax.firstText, u"Sender", 14);
    std::memcpy(fax.secondText, u"Note text", 20);
    fax.entries = CreateKeyedList();
    for (int i = 0; i < entries; ++i) Add(i);
  }
  ~OwnedFax() { FreeFaxObjectEntries(&fax); }
  void Add(int tag) {
    auto* entry = static_cast<BYTE*>(GlobalAlloc(GPTR, kFaxBlockEntrySize));
    std::memset(entry, tag + 1, kFaxBlockEntrySize);
    entry[0] = BYTE(tag);
    ASSERT_EQ(KeyedListPush(fax.entries, tag, 0, entry), 1);
  }
  FaxObject fax{};
};

Bytes Block(const OwnedFax& owned, DWORD entries) {
  Bytes block(FaxBlockSize(entries), 0);
  EXPECT_EQ(MakeFaxBlock(entries, &owned.fax, block.data()), 1);
  return block;
}

TEST(FaxBlock, HoldsTheTextsAndTheEntriesInTheOrderAdded) {
  OwnedFax owned(2);
  const Bytes block = Block(owned, 2);
  ASSERT_EQ(block.size(), 1442u + 2 * 742);
  EXPECT_EQ(std::memcmp(block.data(), u"ORVA001", 16), 0);
  EXPECT_EQ(block[16] | block[17] << 8, 2);
  EXPECT_EQ(std::memcmp(block.data() + 18, u"Sender", 14), 0);
  EXPECT_EQ(std::memcmp(block.data() + 100, u"Note text", 20), 0);
  EXPECT_EQ(block[1442], 0);
  EXPECT_EQ(block[1442 + 742], 1);
  EXPECT_EQ(block[1442 + 742 + 741], 2);

  // Filling a fresh object and making its block again keeps the order.
  FaxObject back{};
  ASSERT_EQ(FillFaxObject(block.data(), &back), 1);
  EXPECT_EQ(std::u16string(back.firstText), u"Sender");
  EXPECT_EQ(std::u16string(back.secondText), u"Note text");
  ASSERT_EQ(back.entries->count, 2);
  Bytes again(block.size(), 0);
  ASSERT_EQ(MakeFaxBlock(2, &back, again.data()), 1);
  EXPECT_EQ(again, block);
  FreeFaxObjectEntries(&back);
  EXPECT_EQ(back.entries, nullptr);
}

TEST(FaxBlock, ThreeEntriesAndMissingEntries) {
  OwnedFax owned(3);
  EXPECT_EQ(Block(owned, 3).size(), 3668u);
  // Asking for more entries than the list holds fails.
  Bytes block(FaxBlockSize(4), 0);
  EXPECT_EQ(MakeFaxBlock(4, &owned.fax, block.data()), 0);
  // The first n of the walk are the newest n, in the order they were added.
  const Bytes two = Block(owned, 2);
  EXPECT_EQ(two[1442], 1);
  EXPECT_EQ(two[1442 + 742], 2);
}

TEST(FaxBlock, MoreThanEightySixEntriesCannotBeSized) {
  OwnedFax owned(87);
  Bytes block(FaxBlockSize(87), 0xEE);
  EXPECT_EQ(MakeFaxBlock(87, &owned.fax, block.data()), 0);
  EXPECT_EQ(block, Bytes(FaxBlockSize(87), 0xEE));  // nothing written
  EXPECT_EQ(Block(owned, 86).size(), 65254u);
}

class FaxBlobTest : public InterfaceTest {
 protected:
  std::u16string TempFile() {
    WCHAR folder[MAX_PATH], path[MAX_PATH];
    EXPECT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    EXPECT_NE(GetTempFileNameW(folder, u"KZF", 0, path), 0u);
    return path;
  }
  static Bytes Extension() {
    Bytes e(kSettingsBlobExtensionSize);
    for (size_t i = 0; i < e.size(); ++i) e[i] = BYTE(i * 7);
    return e;
  }
  static Bytes FileBytes(const std::u16string& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Bytes bytes(200000);
    DWORD read = 0;
    ReadFile(f, bytes.data(), DWORD(bytes.size()), &read, nullptr);
    CloseHandle(f);
    bytes.resize(read);
    return bytes;
  }
};

TEST_F(FaxBlobTest, SaveThenLoadGivesTheSameExtensionAndEntries) {
  const std::u16string path = TempFile();
  OwnedFax owned(3);
  const Bytes extension = Extension();
  ASSERT_EQ(SaveSettingsWithFax(nullptr, path.c_str(), 1, &owned.fax, extension.data()), 1);
  EXPECT_EQ(FileBytes(path).size(), kSettingsBlobHeadSize + kSettingsBlobExtensionSize + 3668);

  Bytes loaded(kSettingsBlobExtensionSize, 0);
  FaxObject back{};
  ASSERT_EQ(LoadSettingsWithFax(nullptr, path.c_str(), 1, &back, loaded.data()), 1);
  EXPECT_EQ(loaded, extension);
  Bytes again(FaxBlockSize(3), 0);
  ASSERT_EQ(MakeFaxBlock(3, &back, again.data()), 1);
  EXPECT_EQ(again, Block(owned, 3));
  FreeFaxObjectEntries(&back);

  // Without an object the blob holds the extension only.
  ASSERT_EQ(SaveSettingsWithFax(nullptr, path.c_str(), 1, nullptr, extension.data()), 1);
  EXPECT_EQ(FileBytes(path).size(), kSettingsBlobHeadSize + kSettingsBlobExtensionSize);
  ASSERT_EQ(LoadSettingsWithFax(nullptr, path.c_str(), 1, nullptr, loaded.data()), 1);
  FaxObject none{};
  EXPECT_EQ(LoadSettingsWithFax(nullptr, path.c_str(), 1, &none, loaded.data()), 0);  // no fax block
  EXPECT_EQ(none.entries, nullptr);
}

TEST_F(FaxBlobTest, RefusesMissingPlacesAndOversizedObjects) {
  const std::u16string path = TempFile();
  const Bytes extension = Extension();
  OwnedFax big(87);
  ASSERT_EQ(SaveSettingsWithFax(nullptr, path.c_str(), 1, nullptr, extension.data()), 1);
  const Bytes before = FileBytes(path);
  EXPECT_EQ(SaveSettingsWithFax(nullptr, path.c_str(), 1, &big.fax, extension.data()), 0);
  EXPECT_EQ(FileBytes(path), before);  // nothing written
  EXPECT_EQ(SaveSettingsWithFax(nullptr, nullptr, 1, nullptr, extension.data()), 0);
  EXPECT_EQ(SaveSettingsWithFax(nullptr, path.c_str(), 1, nullptr, nullptr), 0);
  Bytes loaded(kSettingsBlobExtensionSize);
  EXPECT_EQ(LoadSettingsWithFax(nullptr, nullptr, 1, nullptr, loaded.data()), 0);
  EXPECT_EQ(LoadSettingsWithFax(nullptr, path.c_str(), 1, nullptr, nullptr), 0);
}

TEST_F(FaxBlobTest, AllocationFailuresLeaveNoBlock) {
  const std::u16string path = TempFile();
  OwnedFax owned(3);
  const Bytes extension = Extension();
  ASSERT_EQ(SaveSettingsWithFax(nullptr, path.c_str(), 1, &owned.fax, extension.data()), 1);
  for (unsigned n = 1; n <= 8; ++n) {
    const SIZE_T before = pk::seams::GlobalLiveBlocks();
    Bytes loaded(kSettingsBlobExtensionSize, 0);
    FaxObject back{};
    pk::seams::FailNthAllocation(n);
    SaveSettingsWithFax(nullptr, path.c_str(), 1, &owned.fax, extension.data());
    pk::seams::FailNthAllocation(n);
    const int read = LoadSettingsWithFax(nullptr, path.c_str(), 1, &back, loaded.data());
    pk::seams::FailNthAllocation(0);
    // A failed load may leave what it filled; freeing it leaves nothing.
    if (read) {
      EXPECT_EQ(back.entries->count, 3) << n;
    }
    FreeFaxObjectEntries(&back);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before) << n;
  }
}

TEST_F(FaxBlobTest, TheUserStoreOfThePrinterCarriesTheBlockToo) {
  OwnedFax owned(2);
  const Bytes extension = Extension();
  ASSERT_EQ(SaveSettingsWithFax(printer_, nullptr, kBlobInUserValues, &owned.fax, extension.data()), 1);
  Bytes loaded(kSettingsBlobExtensionSize, 0);
  FaxObject back{};
  ASSERT_EQ(LoadSettingsWithFax(printer_, nullptr, kBlobInUserValues, &back, loaded.data()), 1);
  EXPECT_EQ(loaded, extension);
  Bytes again(FaxBlockSize(2), 0);
  ASSERT_EQ(MakeFaxBlock(2, &back, again.data()), 1);
  EXPECT_EQ(again, Block(owned, 2));
  FreeFaxObjectEntries(&back);
}

}  // namespace
}  // namespace pk::test
