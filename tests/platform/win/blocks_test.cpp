// Sizes and field offsets of the stored blocks: the device mode, the logical
// font and the version records, as other programs lay them out.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win/windows.h"

TEST(WinBlocks, RecordSizes) {
  EXPECT_EQ(sizeof(OSVERSIONINFOW), 276u);
  EXPECT_EQ(sizeof(OSVERSIONINFOEXW), 284u);
  EXPECT_EQ(sizeof(DEVMODEW), 220u);
  EXPECT_EQ(sizeof(LOGFONTW), 92u);
}

TEST(WinBlocks, DevModeOffsets) {
  struct Case {
    const char* field;
    size_t offset, expected;
  };
  const Case cases[] = {
      {"dmSpecVersion", offsetof(DEVMODEW, dmSpecVersion), 64},
      {"dmDriverVersion", offsetof(DEVMODEW, dmDriverVersion), 66},
      {"dmSize", offsetof(DEVMODEW, dmSize), 68},
      {"dmDriverExtra", offsetof(DEVMODEW, dmDriverExtra), 70},
      {"dmFields", offsetof(DEVMODEW, dmFields), 72},
      {"dmOrientation", offsetof(DEVMODEW, dmOrientation), 76},
      {"dmPaperSize", offsetof(DEVMODEW, dmPaperSize), 78},
      {"dmCopies", offsetof(DEVMODEW, dmCopies), 86},
      {"dmPrintQuality", offsetof(DEVMODEW, dmPrintQuality), 90},
      {"dmYResolution", offsetof(DEVMODEW, dmYResolution), 96},
      {"dmCollate", offsetof(DEVMODEW, dmCollate), 100},
      {"dmFormName", offsetof(DEVMODEW, dmFormName), 102},
      {"dmICMMethod", offsetof(DEVMODEW, dmICMMethod), 188},
      {"dmDitherType", offsetof(DEVMODEW, dmDitherType), 200},
  };
  for (const Case& c : cases) EXPECT_EQ(c.offset, c.expected) << c.field;
}

TEST(WinBlocks, LogFontOffsets) {
  EXPECT_EQ(offsetof(LOGFONTW, lfWeight), 16u);
  EXPECT_EQ(offsetof(LOGFONTW, lfItalic), 20u);
  EXPECT_EQ(offsetof(LOGFONTW, lfCharSet), 23u);
  EXPECT_EQ(offsetof(LOGFONTW, lfFaceName), 28u);
}

// A record that starts at an odd offset inside a larger block is read through
// memcpy; the bytes land where the layout says.
TEST(WinBlocks, FontRecordAtOddOffsetReadsByCopy) {
  unsigned char block[1 + sizeof(LOGFONTW)] = {};
  unsigned char* rec = block + 1;
  const int32_t weight = 700;
  memcpy(rec + 16, &weight, 4);
  rec[23] = SHIFTJIS_CHARSET;
  rec[28] = 'A';
  LOGFONTW lf;
  memcpy(&lf, rec, sizeof lf);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfCharSet, 128);
  EXPECT_EQ(lf.lfFaceName[0], u'A');
}
