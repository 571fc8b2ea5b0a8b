// The per-user paper margin store: defaults and their write-back, the stored
// order against the caller's, seeding from the machine key, clearing, and
// values of a foreign size.
#include <cstring>

#include "settings/store/paper_margin_store.h"
#include "stored_fixture.h"

namespace pk::test {
namespace {

const char16_t* const kMachineBase = u"Software\\Caldrix\\KZ TRD Printer Driver\\Machine\\";

class PaperMarginStoreTest : public StoredSettingsTest {
 protected:
  std::u16string UserPath() { return kUserBase + Hex(IdOf(printer_)) + u"\\Paper Margin"; }
  std::vector<BYTE> Stored(const char16_t* name) {
    std::vector<BYTE> data;
    if (!ReadUserKeyValue(UserPath(), name, &data)) data.clear();
    return data;
  }
  static std::vector<BYTE> Value(WORD code, int32_t a, int32_t b, int32_t c, int32_t d) {
    PaperMarginValue v{code, 0, {a, b, c, d}};
    std::vector<BYTE> bytes(sizeof v);
    std::memcpy(bytes.data(), &v, sizeof v);
    return bytes;
  }
  void PutUserValue(const char16_t* name, const std::vector<BYTE>& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, UserPath().c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

TEST_F(PaperMarginStoreTest, MissingValueGivesDefaultsWrittenOnlyWhenTheMachineKeyIsWritable) {
  for (bool readOnly : {true, false}) {
    SCOPED_TRACE(readOnly ? "read-only" : "writable");
    ASSERT_EQ(ClearStoredPaperMargins(printer_, kMachineBase), kMarginOk);
    seams::SetMachineRegistryReadOnly(readOnly);
    EXPECT_EQ(CanWriteMachineKey(nullptr), readOnly ? kMarginWriteFailed : kMarginOk);
    int32_t stored[4] = {0, 0, 0, 0};
    ASSERT_EQ(ReadPaperMarginValue(printer_, kMachineBase, 9, stored), kMarginOk);
    for (int32_t m : stored) EXPECT_EQ(m, 46);
    EXPECT_EQ(Stored(u"9"), readOnly ? std::vector<BYTE>() : Value(9, 46, 46, 46, 46));
    seams::SetMachineRegistryReadOnly(false);
  }
  // The write check leaves nothing behind.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_NE(RegQueryValueExW(key, u"WriteCheck", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(PaperMarginStoreTest, CallerMarginsAreStoredInTheOrderOfTheOrientation) {
  const struct {
    int orientation;
    std::vector<BYTE> stored;
  } cases[] = {{kOrientationLandscape, Value(9, 3, 4, 1, 2)}, {kOrientationPortrait, Value(9, 1, 2, 4, 3)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.orientation);
    const int32_t caller[4] = {1, 2, 3, 4};
    ASSERT_EQ(SetStoredPaperMargins(printer_, 9, caller, kMachineBase, c.orientation), kMarginOk);
    EXPECT_EQ(Stored(u"9"), c.stored);
    int32_t back[4] = {};
    ASSERT_EQ(GetStoredPaperMargins(printer_, 9, back, kMachineBase, c.orientation), kMarginOk);
    EXPECT_EQ(std::vector<int32_t>(back, back + 4), std::vector<int32_t>({1, 2, 3, 4}));
  }
  int32_t stored[4] = {}, caller[4] = {1, 2, 3, 4};
  EXPECT_EQ(RotateMargins(kMarginsToStored, 3, stored, caller), kMarginBadOrientation);
  EXPECT_EQ(RotateMargins(3, kOrientationPortrait, stored, caller), kMarginBadOrientation);
  EXPECT_EQ(SetStoredPaperMargins(printer_, 9, caller, kMachineBase, 3), kMarginBadOrientation);
  EXPECT_EQ(GetStoredPaperMargins(printer_, 9, caller, kMachineBase, 3), kMarginBadOrientation);
  int32_t defaults[4] = {};
  EXPECT_EQ(SetDefaultPaperMargins(defaults, kOrientationLandscape), kMarginOk);
  EXPECT_EQ(std::vector<int32_t>(defaults, defaults + 4), std::vector<int32_t>(4, 46));
}

TEST_F(PaperMarginStoreTest, NewUserKeyIsSeededFromTheMachineKey) {
  HKEY machine = nullptr;
  const std::u16string machinePath = std::u16string(kMachineBase) + u"Paper Margin";
  ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, machinePath.c_str(), &machine), ERROR_SUCCESS);
  const std::vector<BYTE> a4 = Value(9, 11, 22, 33, 44);
  ASSERT_EQ(RegSetValueExW(machine, u"9", 0, REG_BINARY, a4.data(), 20), ERROR_SUCCESS);
  RegCloseKey(machine);
  ASSERT_FALSE(UserKeyExists(UserPath()));

  int32_t stored[4] = {};
  ASSERT_EQ(ReadPaperMarginValue(printer_, kMachineBase, 9, stored), kMarginOk);
  EXPECT_EQ(std::vector<int32_t>(stored, stored + 4), std::vector<int32_t>({11, 22, 33, 44}));
  EXPECT_EQ(Stored(u"9"), a4);

  WCHAR* path = nullptr;
  ASSERT_EQ(MakePaperMarginMachinePath(kMachineBase, &path), kMarginOk);
  EXPECT_EQ(std::u16string(path), machinePath);
  GlobalFree(path);
}

TEST_F(PaperMarginStoreTest, ClearLeavesAnEmptyKey) {
  const int32_t caller[4] = {5, 6, 7, 8};
  ASSERT_EQ(SetStoredPaperMargins(printer_, 9, caller, kMachineBase, kOrientationPortrait), kMarginOk);
  ASSERT_EQ(SetStoredPaperMargins(printer_, 11, caller, kMachineBase, kOrientationPortrait), kMarginOk);
  ASSERT_EQ(ClearStoredPaperMargins(printer_, kMachineBase), kMarginOk);
  ASSERT_TRUE(UserKeyExists(UserPath()));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, UserPath().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD values = 99, subkeys = 99;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(values, 0u);
  EXPECT_EQ(subkeys, 0u);
}

// A value of another size is no margin set: defaults, and the value is
// rewritten whole while the machine key is writable.
TEST_F(PaperMarginStoreTest, ValueOfAnotherSizeCountsAsNotStored) {
  for (size_t size : {size_t(12), size_t(0), size_t(24)}) {
    SCOPED_TRACE(size);
    std::vector<BYTE> bytes = Value(9, 1, 2, 3, 4);
    bytes.resize(size, 0x7F);
    PutUserValue(u"9", bytes);
    int32_t stored[4] = {0, 0, 0, 0};
    ASSERT_EQ(ReadPaperMarginValue(printer_, kMachineBase, 9, stored), kMarginOk);
    EXPECT_EQ(std::vector<int32_t>(stored, stored + 4), std::vector<int32_t>(4, 46));
    EXPECT_EQ(Stored(u"9"), Value(9, 46, 46, 46, 46));
  }
}

}  // namespace
}  // namespace pk::test
