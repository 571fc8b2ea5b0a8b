// The fax block fuzz entry, and the fixed-budget run of it in the test
// program: blob files and temp file records of any bytes.
#include "fax_block_fuzz_target.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/fax/fax_settings.h"
#include "printer_interface/fax/fax_temp_files.h"

namespace {

std::u16string g_path;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void WriteBlob(const std::vector<uint8_t>& bytes) {
  HANDLE f = CreateFileW(g_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  Check(f != INVALID_HANDLE_VALUE);
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(f);
}

void LoadBlob(const uint8_t* data, size_t size, bool withHead) {
  std::vector<uint8_t> bytes;
  if (withHead) {
    bytes.assign(kSettingsBlobHeadSize + kSettingsBlobExtensionSize, 0);
    std::memcpy(bytes.data(), u"NDEV001", 16);
    const DWORD head[2] = {kSettingsBlobVersion, kSettingsBlobExtensionSize};
    std::memcpy(bytes.data() + 16, head, 8);
  }
  bytes.insert(bytes.end(), data, data + size);
  WriteBlob(bytes);
  std::vector<uint8_t> extension(kSettingsBlobExtensionSize);
  FaxObject fax{};
  if (LoadSettingsWithFax(nullptr, g_path.c_str(), 1, &fax, extension.data())) {
    // The object makes the same entries again.
    const size_t at = kSettingsBlobHeadSize + kSettingsBlobExtensionSize;
    const DWORD n = fax.entries ? DWORD(fax.entries->count) : 0;
    Check(bytes.size() == at + FaxBlockSize(n));
    std::vector<uint8_t> block(FaxBlockSize(n), 0);
    Check(MakeFaxBlock(n, &fax, block.data()) == 1);
    Check(std::memcmp(block.data() + kFaxBlockHeadSize, bytes.data() + at + kFaxBlockHeadSize,
                      kFaxBlockEntrySize * n) == 0);
  }
  FreeFaxObjectEntries(&fax);
}

void CleanRecords(const uint8_t* data, size_t size) {
  HKEY key = nullptr;
  Check(RegCreateKeyW(HKEY_CURRENT_USER, kFaxTempKey, &key) == ERROR_SUCCESS);
  for (const char16_t* name : {u"OrvaInfo_1", u"OrvaInfo_2"})
    RegSetValueExW(key, name, 0, REG_BINARY, data, DWORD(size));
  RegCloseKey(key);
  CleanupFaxTempFiles();
  StoreFaxTempRecord(g_path.c_str(), nullptr, nullptr);
  RegDeleteKeyW(HKEY_CURRENT_USER, kFaxTempKey);
}

}  // namespace

bool fax_block_fuzz_setup() {
  WCHAR folder[MAX_PATH], path[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, u"KZF", 0, path)) return false;
  g_path = path;
  return true;
}

void fax_block_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return;
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  if (data[0] & 1) CleanRecords(data + 1, size - 1);
  else LoadBlob(data + 1, size - 1, (data[0] & 2) != 0);
  Check(pk::seams::GlobalLiveBlocks() == blocks);
  // A record may name the blob file itself: it comes back for the next run.
  HANDLE f = CreateFileW(g_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) WriteBlob({});
  else CloseHandle(f);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(fax_block_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fax_block_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

TEST(FaxBlockFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(fax_block_fuzz_setup());
  // Seeds: a fax block of two entries after a valid head; a whole record
  // naming the blob file with a closed window.
  std::vector<uint8_t> block(1 + FaxBlockSize(2), 0);
  block[0] = 2;
  std::memcpy(block.data() + 1, u"ORVA001", 16);
  block[17] = 2;
  std::vector<uint8_t> record(1 + sizeof(FaxTempFileRecord), 0);
  record[0] = 1;
  std::memcpy(record.data() + 1, g_path.c_str(), g_path.size() * 2);
  record[1 + 528] = 0x34;
  const std::vector<std::vector<uint8_t> > seeds = {block, record};
  for (const auto& seed : seeds) fax_block_fuzz_one(seed.data(), seed.size());

  std::mt19937 rng(9407);
  for (int iter = 0; iter < 40; ++iter) {
    std::vector<uint8_t> input = seeds[size_t(iter) % seeds.size()];
    if (iter % 4 == 0) input.resize(18 + rng() % (input.size() - 18));
    for (int e = 0; e < 1 + int(rng() % 6); ++e) input[1 + rng() % (input.size() - 1)] = uint8_t(rng());
    if (iter % 7 == 3) input[17] = uint8_t(rng() % 90);  // another entry count
    fax_block_fuzz_one(input.data(), input.size());
  }
}

}  // namespace
#endif
