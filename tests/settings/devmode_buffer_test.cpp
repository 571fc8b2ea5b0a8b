// DEVMODE buffers of both forms and the constant contents of the blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win/win_seams.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_layout.h"

namespace {

TEST(DevModeBuffer, SizeFollowsTheLowWordOfTheMode) {
  const struct {
    DWORD mode;
    UINT size;
  } cases[] = {{1, 2628}, {0, 4700}, {2, 4700}, {0x10001, 2628}, {0x10000, 4700}, {0xFFFFFFFF, 4700}};
  for (const auto& c : cases) EXPECT_EQ(GetDevModeBufferSize(c.mode), c.size) << c.mode;
}

TEST(DevModeBuffer, AllocatesZeroedCopiesClearsAndFrees) {
  const SIZE_T live = pk::seams::GlobalLiveBlocks();
  for (DWORD mode : {DWORD{1}, DWORD{0}}) {
    const UINT size = GetDevModeBufferSize(mode);
    auto* source = static_cast<BYTE*>(AllocDevModeBuffer(mode));
    auto* copy = static_cast<BYTE*>(AllocDevModeBuffer(mode));
    ASSERT_NE(source, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live + 2);
    const std::vector<BYTE> zero(size, 0);
    EXPECT_EQ(std::memcmp(source, zero.data(), size), 0);
    for (UINT i = 0; i < size; ++i) source[i] = static_cast<BYTE>(i * 7 + 1);
    CopyDevModeBuffer(copy, source, mode);
    EXPECT_EQ(std::memcmp(copy, source, size), 0);
    ClearDevModeBuffer(copy, mode);
    EXPECT_EQ(std::memcmp(copy, zero.data(), size), 0);
    CopyDevModeBuffer(copy, nullptr, mode);
    ClearDevModeBuffer(nullptr, mode);
    EXPECT_EQ(FreeDevModeBuffer(source), nullptr);
    EXPECT_EQ(FreeDevModeBuffer(copy), nullptr);
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
  }
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(AllocDevModeBuffer(0), nullptr);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), live);
}

TEST(DevModeLayout, DefaultSecondFontRecord) {
  const LOGFONTW& f = GetDefaultSecondFontRecord();
  EXPECT_EQ(f.lfHeight, 9);
  EXPECT_EQ(f.lfWidth, 0);
  EXPECT_EQ(f.lfEscapement, 0);
  EXPECT_EQ(f.lfOrientation, 0);
  EXPECT_EQ(f.lfWeight, 400);
  const BYTE bytes[] = {f.lfItalic,       f.lfUnderline,     f.lfStrikeOut, f.lfCharSet,
                        f.lfOutPrecision, f.lfClipPrecision, f.lfQuality,   f.lfPitchAndFamily};
  const BYTE expectedBytes[] = {0, 0, 0, 128, 0, 0, 2, 0};
  EXPECT_EQ(std::memcmp(bytes, expectedBytes, sizeof bytes), 0);
  const WCHAR face[32] = {0x201A, 0x006C, 0x201A, 0x0072, 0x0020, 0x0192, 0x0053,
                          0x0192, 0x0056, 0x0192, 0x0062, 0x0192, 0x004E};
  for (int i = 0; i < 32; ++i) EXPECT_EQ(f.lfFaceName[i], face[i]) << "unit " << i;
}

}  // namespace
