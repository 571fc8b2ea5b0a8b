// Movrane's files as the peer tools see them: band, white and page files of
// sixteen entries that tiffinfo, tiffcp and tifftopnm accept after every
// call; a corrupt page file refused without harm; the entry points it
// offers; and many calls, each in a fresh load, leaving nothing behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics_driver/job_output/outside_raster_calls.h"
#include "graphics_driver/job_output/output_routes.h"
#include "job_fixture.h"
#include "platform/win/win_module.h"
#include "platform/win/win_seams.h"

namespace {

namespace fs = std::filesystem;
using MovraneCall = int (*)(TiffJobRecord*, RasterWorkBlock*);
using MovraneCallWithValue = int (*)(TiffJobRecord*, RasterWorkBlock*, int);

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return "popen failed";
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
  return pclose(p) == 0 ? out : "FAILED: " + out;
}

std::string Host(const char* ansi) {
  std::u16string wide(ansi, ansi + std::strlen(ansi));
  std::string host;
  PkResolveWindowsPath(wide.c_str(), nullptr, &host);
  return host;
}

class MovraneFilesTest : public pk::test::JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    std::memset(&record_, 0, sizeof record_);
    std::memset(&work_, 0, sizeof work_);
    ASSERT_EQ(GetRasterTempFolder(work_.workFolder), 1);
    // A 64-dot page in bands of 10 rows at 200 dpi.
    record_.widthDots = 64;
    record_.bytesPerRow = 8;
    record_.bandRows = 10;
    record_.bandBufferSize = 8 * 11;
    record_.resolution = 200;
    band_.assign(record_.bandBufferSize, 0);
    record_.bandBuffer = band_.data();
  }
  int Call(const char* entry) {
    HMODULE m = LoadOutsideRasterDll(u"Movrane.dll");
    auto fn = m ? reinterpret_cast<MovraneCall>(GetProcAddress(m, entry)) : nullptr;
    int result = fn ? fn(&record_, &work_) : -100;
    if (m) FreeLibrary(m);
    return result;
  }
  int CombWhite(int first) {
    HMODULE m = LoadOutsideRasterDll(u"Movrane.dll");
    auto fn = m ? reinterpret_cast<MovraneCallWithValue>(GetProcAddress(m, "CombWhiteTIFFFile")) : nullptr;
    int result = fn ? fn(&record_, &work_, first) : -100;
    if (m) FreeLibrary(m);
    return result;
  }
  // The file passes the peer tools; its rows as tifftopnm decodes them (PBM
  // rows: a set bit is black).
  std::string CheckedRows(const char* ansi, uint32_t rows) {
    const std::string path = Host(ansi);
    const std::string info = Shell("tiffinfo -D " + path);
    EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
    EXPECT_EQ(info.rfind("FAILED", 0), std::string::npos) << info;
    EXPECT_EQ(Shell("tiffcp " + path + " " + path + ".cp").rfind("FAILED", 0), std::string::npos);
    fs::remove(path + ".cp");
    const std::string dump = Shell("tiffdump " + path);
    size_t entries = 0;
    for (size_t at = 0; (at = dump.find('<', at)) != std::string::npos; at = dump.find('\n', at)) ++entries;
    EXPECT_EQ(entries, 17u) << dump;  // the header line and sixteen entries
    EXPECT_NE(dump.find("RowsPerStrip (278) LONG (4) 1<10>"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Compression (259) SHORT (3) 1<4>"), std::string::npos) << dump;
    const std::string pbm = Shell("tifftopnm " + path + " 2>/dev/null");
    return pbm.size() >= rows * 8u ? pbm.substr(pbm.size() - rows * 8u) : std::string();
  }

  TiffJobRecord record_;
  RasterWorkBlock work_;
  std::vector<uint8_t> band_;
};

TEST_F(MovraneFilesTest, EveryCallLeavesACompletePageFile) {
  band_[0] = 0xF0;  // row 0: four black dots
  ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
  ASSERT_NE(record_.currentFile[0], 0);
  std::string rows = CheckedRows(record_.currentFile, 10);
  EXPECT_EQ(uint8_t(rows[0]), 0xF0);
  EXPECT_EQ(rows.find_first_not_of('\0', 1), std::string::npos);

  // A second band goes beside the page file, then onto it.
  std::fill(band_.begin(), band_.end(), 0);
  band_[8 * 9 + 7] = 0x01;  // its last row: the last dot
  ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
  ASSERT_NE(work_.bandFile[0], 0);
  CheckedRows(work_.bandFile, 10);
  const std::string bandFile = Host(work_.bandFile);
  ASSERT_EQ(Call("CombTIFFFile"), 0);
  EXPECT_FALSE(fs::exists(bandFile));
  rows = CheckedRows(record_.currentFile, 20);
  EXPECT_EQ(uint8_t(rows[0]), 0xF0);
  EXPECT_EQ(uint8_t(rows[19 * 8 + 7]), 0x01);

  // Fifteen white rows below: strips cut at the band height.
  record_.blankRows = 15;
  ASSERT_EQ(Call("CreateWhiteTIFFFile"), 0);
  ASSERT_NE(work_.whiteFile[0], 0);
  ASSERT_EQ(CombWhite(0), 0);
  rows = CheckedRows(record_.currentFile, 35);
  EXPECT_EQ(uint8_t(rows[19 * 8 + 7]), 0x01);
  EXPECT_EQ(rows.find_first_not_of('\0', 20 * 8), std::string::npos);
  const std::string dump = Shell("tiffdump " + Host(record_.currentFile));
  EXPECT_NE(dump.find("StripOffsets (273) LONG (4) 4<"), std::string::npos) << dump;
  fs::remove(Host(record_.currentFile));
}

TEST_F(MovraneFilesTest, CorruptPageFileIsRefused) {
  ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
  std::string page = Host(record_.currentFile);
  std::string bytes(300, '\0');
  std::ifstream(page, std::ios::binary).read(bytes.data(), 300);
  for (size_t i = 8; i < bytes.size(); ++i) bytes[i] = char(0xA5 ^ i);
  std::ofstream(page, std::ios::binary | std::ios::trunc) << bytes;
  ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
  EXPECT_NE(Call("CombTIFFFile"), 0);
  record_.blankRows = 5;
  ASSERT_EQ(Call("CreateWhiteTIFFFile"), 0);
  EXPECT_NE(CombWhite(1), 0);
  fs::remove(page);
  fs::remove(Host(work_.bandFile));
  fs::remove(Host(work_.whiteFile));
  // A record that does not describe its band is refused too.
  record_.currentFile[0] = 0;
  record_.bytesPerRow = 7;
  EXPECT_NE(Call("CreateTIFFFileFromMemory"), 0);
}

TEST_F(MovraneFilesTest, OffersEveryEntryPointTheDriverCalls) {
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath((std::u16string(PK_DRIVER_FOLDER) + u"Movrane.so").c_str(), nullptr, &host), 0u);
  const std::string symbols = Shell("nm -D --defined-only " + host);
  for (const char* name :
       {"CreateTIFFFileFromMemory", "CreateWhiteTIFFFile", "CombWhiteTIFFFile", "CombTIFFFile", "CreateNupTIFFFile",
        "RotateTIFFFile", "N_RST_ClipTiff", "N_RST_OffsetTiff", "N_RST_TopUnderMarginTiff"})
    EXPECT_NE(symbols.find(std::string(" T ") + name + "\n"), std::string::npos) << name;
}

TEST_F(MovraneFilesTest, ManyCallsInFreshLoadsLeaveNothing) {
  // The first load of the process sets up what every later one shares.
  ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
  ASSERT_TRUE(DeleteAnsiFile(record_.currentFile));
  const SIZE_T handles = pk::seams::LiveHandles();
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  for (int i = 0; i < 200; ++i) {
    record_.currentFile[0] = 0;
    ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
    ASSERT_TRUE(DeleteAnsiFile(record_.currentFile));
  }
  EXPECT_EQ(pk::seams::LiveHandles(), handles);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  EXPECT_TRUE(fs::is_empty(Host(work_.workFolder)));
}

}  // namespace
