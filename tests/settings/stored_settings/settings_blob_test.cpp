// The settings blob in its three places (file, chunked printer data, per-user
// values), its checks on reading, and the chunking of printer data.
#include <cstring>

#include "settings/store/printer_data_chunks.h"
#include "settings/store/settings_blob.h"
#include "settings/store/user_store.h"
#include "stored_fixture.h"

namespace {

using Bytes = std::vector<BYTE>;

void PutU16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<BYTE>(v);
  b[at + 1] = static_cast<BYTE>(v >> 8);
}
void PutU32(Bytes& b, size_t at, uint32_t v) {
  PutU16(b, at, v);
  PutU16(b, at + 2, v >> 16);
}
void PutTag(Bytes& b, size_t at, const char* tag) {
  for (int i = 0; i < 8; ++i) PutU16(b, at + 2 * i, static_cast<BYTE>(tag[i]));
}

Bytes Extension() {
  Bytes e(kSettingsBlobExtensionSize);
  for (size_t i = 0; i < e.size(); ++i) e[i] = static_cast<BYTE>(i * 7 + 3);
  return e;
}

// A fax block of n entries, each byte telling its place.
Bytes FaxBlock(unsigned entries) {
  Bytes f(kFaxBlockHeadSize + kFaxBlockEntrySize * entries);
  for (size_t i = 0; i < f.size(); ++i) f[i] = static_cast<BYTE>(i / kFaxBlockEntrySize + i);
  PutTag(f, 0, "ORVA001");
  PutU16(f, 16, entries);
  return f;
}

// A blob as stored: head of the given version and extension size, then the body and tail.
Bytes Blob(const Bytes& body, const Bytes& tail = {}, uint32_t version = 0x6930, long long sizeField = -1) {
  Bytes b(24);
  PutTag(b, 0, "NDEV001");
  PutU32(b, 16, version);
  PutU32(b, 20, sizeField >= 0 ? static_cast<uint32_t>(sizeField) : static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  b.insert(b.end(), tail.begin(), tail.end());
  return b;
}

class SettingsBlobTest : public pk::test::StoredSettingsTest {
 protected:
  // Stores raw bytes as the blob of chunked printer data.
  void StoreRaw(const Bytes& blob) { ASSERT_EQ(WriteChunkedPrinterData(printer_, blob.data(), blob.size()), 1); }
  // Reads the chunked blob into an extension buffer with room behind it.
  int Read(Bytes* destination, void** fax = nullptr) {
    destination->assign(kSettingsBlobExtensionSize + 4096, 0xCD);
    return ReadSettingsBlob(printer_, nullptr, kBlobInPrinterData, fax, destination->data());
  }
  static bool TailUntouched(const Bytes& d) {
    for (size_t i = kSettingsBlobExtensionSize; i < d.size(); ++i)
      if (d[i] != 0xCD) return false;
    return true;
  }
};

TEST_F(SettingsBlobTest, ChunkedDataOfUpTo99Chunks) {
  Bytes data(kMaxChunkedDataSize);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<BYTE>(i % 251);
  ASSERT_EQ(WriteChunkedPrinterData(printer_, data.data(), 76032), 1);
  EXPECT_EQ(pk::test::PrinterValue(printer_, u"N_DevSize"), (Bytes{0x00, 0x29, 0x01, 0x00}));
  EXPECT_EQ(pk::test::PrinterValue(printer_, u"N_Dev99").size(), 768u);
  EXPECT_FALSE(pk::test::HasPrinterValue(printer_, u"N_Dev100"));
  void* read = nullptr;
  DWORD size = 0;
  ASSERT_EQ(ReadChunkedPrinterData(printer_, &read, &size), 1);
  ASSERT_EQ(size, 76032u);
  EXPECT_EQ(std::memcmp(read, data.data(), size), 0);
  GlobalFree(read);

  data.push_back(0);
  EXPECT_EQ(WriteChunkedPrinterData(printer_, data.data(), 76033), 0);
  EXPECT_EQ(WriteChunkedPrinterData(printer_, data.data(), 0), 0);

  // A missing chunk or a short one fails the read and frees the block.
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  ASSERT_EQ(SetPrinterDataW(printer_, u"N_Dev50", REG_BINARY, data.data(), 767), 0u);
  EXPECT_EQ(ReadChunkedPrinterData(printer_, &read, &size), 0);
  EXPECT_EQ(read, nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST_F(SettingsBlobTest, ChunkedReadWithoutSizeFailsWithoutAllocating) {
  void* read = nullptr;
  DWORD size = 0;
  pk::seams::FailNthAllocation(1);
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(ReadChunkedPrinterData(printer_, &read, &size), 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  // The armed allocation failure is still waiting: nothing was allocated.
  EXPECT_EQ(GlobalAlloc(GPTR, 4), nullptr);
  pk::seams::FailNthAllocation(0);

  // A size that would need 100 chunks is refused too.
  const DWORD tooLarge = 76033;
  ASSERT_EQ(SetPrinterDataW(printer_, u"N_DevSize", REG_DWORD, reinterpret_cast<const BYTE*>(&tooLarge), 4), 0u);
  EXPECT_EQ(ReadChunkedPrinterData(printer_, &read, &size), 0);
}

TEST_F(SettingsBlobTest, BlobWithFaxBlockRoundTripsThroughEveryPlace) {
  const Bytes extension = Extension();
  const Bytes fax = FaxBlock(2);
  const std::u16string file = u"C:\\Users\\blob.bin";
  pk::test::WriteWindowsFile(file, {1, 2, 3});
  struct {
    const char16_t* path;
    WORD mode;
  } places[] = {{nullptr, kBlobInPrinterData}, {nullptr, kBlobInUserValues}, {file.c_str(), 0}};
  for (const auto& place : places) {
    SCOPED_TRACE(place.mode);
    ASSERT_EQ(WriteSettingsBlob(printer_, place.path, place.mode, fax.data(), fax.size(), extension.data()), 1);
    Bytes destination(kSettingsBlobExtensionSize);
    void* readFax = nullptr;
    ASSERT_EQ(ReadSettingsBlob(printer_, place.path, place.mode, &readFax, destination.data()), 1);
    EXPECT_EQ(destination, extension);
    ASSERT_NE(readFax, nullptr);
    EXPECT_EQ(std::memcmp(readFax, fax.data(), fax.size()), 0);
    Bytes head(kFaxBlockHeadSize), entry(kFaxBlockEntrySize);
    ASSERT_EQ(CopyFaxBlockHeader(readFax, head.data()), 1);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), fax.begin()));
    ASSERT_EQ(CopyFaxBlockEntry(readFax, 1, entry.data()), 1);
    EXPECT_TRUE(std::equal(entry.begin(), entry.end(), fax.begin() + kFaxBlockHeadSize + kFaxBlockEntrySize));
    GlobalFree(readFax);
  }
  // The file holds exactly head, extension and fax block; the per-user form
  // is one value with its size beside it.
  EXPECT_EQ(pk::test::ReadHostFile(pk::test::HostPath(file)), Blob(extension, fax));
  PrinterId id{};
  ASSERT_EQ(ReadPrinterId(printer_, &id), 1);
  Bytes stored;
  ASSERT_TRUE(pk::test::ReadUserKeyValue(pk::test::kUserBase + pk::test::Hex(id), u"N_Dev", &stored));
  EXPECT_EQ(stored, Blob(extension, fax));
  ASSERT_TRUE(pk::test::ReadUserKeyValue(pk::test::kUserBase + pk::test::Hex(id), u"N_DevSize", &stored));
  EXPECT_EQ(stored, (Bytes{0x9E, 0x13, 0, 0}));  // 24 + 2072 + 1442 + 2 x 742

  EXPECT_EQ(CopyFaxBlockHeader(nullptr, stored.data()), 0);
  EXPECT_EQ(CopyFaxBlockEntry(nullptr, 0, stored.data()), 0);
}

TEST_F(SettingsBlobTest, WritesThatFail) {
  const Bytes extension = Extension();
  const std::u16string absent = u"C:\\Users\\absent.bin";
  EXPECT_EQ(WriteSettingsBlob(printer_, absent.c_str(), 0, nullptr, 0, extension.data()), 0);
  EXPECT_FALSE(std::filesystem::exists(pk::test::HostPath(absent)));
  EXPECT_EQ(WriteSettingsBlob(nullptr, nullptr, kBlobInPrinterData, nullptr, 0, extension.data()), 0);
  EXPECT_EQ(WriteSettingsBlob(printer_, nullptr, kBlobInPrinterData, nullptr, 0, nullptr), 0);
  EXPECT_EQ(WriteSettingsBlob(printer_, nullptr, 4, nullptr, 0, extension.data()), 0);
  // A fax block beyond its format's 65535 bytes.
  const Bytes huge(70000);
  EXPECT_EQ(WriteSettingsBlob(printer_, nullptr, kBlobInPrinterData, huge.data(), huge.size(), extension.data()), 0);
  // A failing chunk ends the write.
  pk::seams::FailSetPrinterData(3);
  EXPECT_EQ(WriteSettingsBlob(printer_, nullptr, kBlobInPrinterData, nullptr, 0, extension.data()), 0);
  Bytes destination;
  EXPECT_EQ(Read(&destination), 0);
}

TEST_F(SettingsBlobTest, ReadChecksOfTheStoredBlob) {
  const Bytes extension = Extension();
  struct Case {
    const char* what;
    Bytes blob;
    bool withFax;
    int result;
    bool extensionCopied;
  } cases[] = {
      {"plain blob", Blob(extension), false, 1, true},
      {"version off by one", Blob(extension, {}, 0x6931), false, 0, false},
      {"wrong tag",
       [&] {
         Bytes b = Blob(extension);
         b[2] = 'X';
         return b;
       }(),
       false, 0, false},
      {"fax tail read without fax block", Blob(extension, FaxBlock(1)), false, 0, true},
      {"no tail read with fax block", Blob(extension), true, 0, true},
      {"count 2, size of 3 entries",
       [&] {
         Bytes f = FaxBlock(3);
         PutU16(f, 16, 2);
         return Blob(extension, f);
       }(),
       true, 0, true},
      {"tail shorter than the fax head", Blob(extension, Bytes(1441)), true, 0, true},
      {"fax tail with a wrong tag",
       [&] {
         Bytes f = FaxBlock(1);
         f[0] = 'X';
         return Blob(extension, f);
       }(),
       true, 0, true},
      {"blob shorter than its extension", Blob(Bytes(2000)), false, 0, false},
      {"extension size 4000 in 4024 bytes", Blob(Bytes(4000, 0xAA)), false, 0, false},
      {"extension size 4000 with fax block", Blob(Bytes(4000, 0xAA)), true, 0, false},
      {"10-byte blob", Bytes(10, 0x4E), false, 0, false},
      {"head only", Blob({}), false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StoreRaw(c.blob);
    Bytes destination;
    void* fax = reinterpret_cast<void*>(1);
    EXPECT_EQ(Read(&destination, c.withFax ? &fax : nullptr), c.result);
    if (c.withFax && !c.result) {
      EXPECT_EQ(fax, nullptr);
    }
    EXPECT_EQ(std::equal(extension.begin(), extension.end(), destination.begin()), c.extensionCopied);
    if (!c.extensionCopied) {
      EXPECT_EQ(destination[0], 0xCD);
    }
    EXPECT_TRUE(TailUntouched(destination));
  }
}

TEST_F(SettingsBlobTest, PerUserAndFileBlobsAreCheckedAlike) {
  const Bytes bad = Blob(Bytes(4000, 0xAA));
  const std::u16string file = u"C:\\Users\\bad.bin";
  pk::test::WriteWindowsFile(file, bad);
  Bytes destination(kSettingsBlobExtensionSize + 4096, 0xCD);
  EXPECT_EQ(ReadSettingsBlob(nullptr, file.c_str(), 0, nullptr, destination.data()), 0);
  EXPECT_TRUE(TailUntouched(destination));
  EXPECT_EQ(ReadSettingsBlob(nullptr, u"C:\\Users\\none.bin", 0, nullptr, destination.data()), 0);

  const DWORD size = static_cast<DWORD>(bad.size());
  ASSERT_EQ(WriteUserValue(printer_, &size, 4, REG_DWORD, nullptr, u"N_DevSize"), 1);
  ASSERT_EQ(WriteUserValue(printer_, bad.data(), size, REG_BINARY, nullptr, u"N_Dev"), 1);
  EXPECT_EQ(ReadSettingsBlob(printer_, nullptr, kBlobInUserValues, nullptr, destination.data()), 0);
  EXPECT_TRUE(TailUntouched(destination));
  // A size value that disagrees with the stored blob.
  const Bytes good = Blob(Extension());
  const DWORD wrong = static_cast<DWORD>(good.size()) + 1;
  ASSERT_EQ(WriteUserValue(printer_, good.data(), good.size(), REG_BINARY, nullptr, u"N_Dev"), 1);
  ASSERT_EQ(WriteUserValue(printer_, &wrong, 4, REG_DWORD, nullptr, u"N_DevSize"), 1);
  EXPECT_EQ(ReadSettingsBlob(printer_, nullptr, kBlobInUserValues, nullptr, destination.data()), 0);
  EXPECT_EQ(ReadSettingsBlob(printer_, nullptr, 5, nullptr, destination.data()), 0);
  EXPECT_EQ(ReadSettingsBlob(printer_, nullptr, kBlobInUserValues, nullptr, nullptr), 0);
}

}  // namespace
