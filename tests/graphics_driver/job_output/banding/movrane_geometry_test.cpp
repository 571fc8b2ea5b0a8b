// Movrane's page geometry through its entry points and the driver's page
// TIFF step, in a fresh root: quarter turns, 2-up and 4-up sheets placed
// where the driver's cell matrix puts the pages, clipping, offsets and
// margins, output at 400 dpi from 600-dpi bands of any height, and files
// that a failed call leaves as they were. Every file is checked with
// tiffinfo, tiffcp and tiffdump and read back through tifftopnm.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/outside_raster_calls.h"
#include "graphics_driver/job_output/output_routes.h"
#include "graphics_driver/job_output/page_layout_record.h"
#include "graphics_driver/job_output/placement_matrix.h"
#include "job_fixture.h"
#include "platform/win/win_module.h"
#include "platform/win/win_seams.h"

namespace {

namespace fs = std::filesystem;
using MovraneCall = int (*)(TiffJobRecord*, RasterWorkBlock*);
using MovraneCallWithValue = int (*)(TiffJobRecord*, RasterWorkBlock*, int);

std::string Run(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return {};
  char buffer[65536];
  while (size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
  const int s = pclose(p);
  if (status) *status = s;
  return out;
}

std::string Host(const char* ansi) {
  std::u16string wide(ansi, ansi + std::strlen(ansi));
  std::string host;
  PkResolveWindowsPath(wide.c_str(), nullptr, &host);
  return host;
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A 1-bit image, a set dot is ink.
struct Image {
  uint32_t width = 0, rows = 0;
  std::vector<uint8_t> bits;
  uint32_t RowBytes() const { return (width + 7) / 8; }
  bool At(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= rows) return false;
    return bits[size_t(y) * RowBytes() + size_t(x / 8)] & (0x80 >> (x % 8));
  }
  void Set(uint32_t x, uint32_t y) { bits[size_t(y) * RowBytes() + x / 8] |= uint8_t(0x80 >> (x % 8)); }
  void Fill(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
    for (uint32_t y = y0; y < y1; ++y)
      for (uint32_t x = x0; x < x1; ++x) Set(x, y);
  }
  bool operator==(const Image&) const = default;
};

Image Blank(uint32_t width, uint32_t rows) {
  Image im{width, rows, {}};
  im.bits.assign(size_t(rows) * im.RowBytes(), 0);
  return im;
}

// A page with a 1-dot frame and a square mark in its top-left corner.
Image Framed(uint32_t width, uint32_t rows) {
  Image im = Blank(width, rows);
  im.Fill(0, 0, width, 1);
  im.Fill(0, rows - 1, width, rows);
  im.Fill(0, 0, 1, rows);
  im.Fill(width - 1, 0, width, rows);
  im.Fill(0, 0, 200, 200);
  return im;
}

// The file as tifftopnm decodes it (PBM: a set bit is black).
Image Decoded(const std::string& path) {
  const std::string pbm = Run("tifftopnm '" + path + "' 2>/dev/null");
  Image im;
  size_t at = 0;
  auto number = [&] {
    while (at < pbm.size() && (isspace(uint8_t(pbm[at])) || pbm[at] == '#')) ++at;
    uint32_t v = 0;
    while (at < pbm.size() && isdigit(uint8_t(pbm[at]))) v = v * 10 + uint32_t(pbm[at++] - '0');
    return v;
  };
  if (pbm.rfind("P4", 0) != 0) return im;
  at = 2;
  im.width = number();
  im.rows = number();
  ++at;
  if (pbm.size() < at + size_t(im.rows) * im.RowBytes()) return Image{};
  im.bits.assign(pbm.begin() + long(at), pbm.begin() + long(at + size_t(im.rows) * im.RowBytes()));
  return im;
}

// The peer tools accept the file as a page file of ours: one IFD of sixteen
// entries, MMR, white is zero, equal resolutions (returned).
uint32_t CheckedPageFile(const std::string& path) {
  int status = 0;
  const std::string info = Run("tiffinfo -D '" + path + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << info;
  EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
  const std::string copy = Run("tiffcp '" + path + "' '" + path + ".cp' 2>&1", &status);
  EXPECT_EQ(status, 0) << copy;
  EXPECT_TRUE(copy.empty()) << copy;
  fs::remove(path + ".cp");
  const std::string dump = Run("tiffdump '" + path + "' 2>&1");
  size_t entries = 0;
  for (size_t at = 0; (at = dump.find('<', at)) != std::string::npos; at = dump.find('\n', at)) ++entries;
  EXPECT_EQ(entries, 17u) << dump;  // the header line and sixteen entries
  EXPECT_NE(dump.find("Compression (259) SHORT (3) 1<4>"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Photometric (262) SHORT (3) 1<0>"), std::string::npos) << dump;
  unsigned x = 0, y = 0;
  const size_t xr = info.find("Resolution: ");
  EXPECT_NE(xr, std::string::npos) << info;
  if (xr != std::string::npos) std::sscanf(info.c_str() + xr, "Resolution: %u, %u", &x, &y);
  EXPECT_EQ(x, y) << info;
  return x;
}

// Where ink lies in a rectangle of an image.
struct Box {
  int64_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive; x1 < x0 when blank
  bool Empty() const { return x1 < x0; }
};

Box InkBox(const Image& im, int64_t left, int64_t top, int64_t right, int64_t bottom) {
  Box b{right, bottom, left - 1, top - 1};
  for (int64_t y = top; y < bottom; ++y)
    for (int64_t x = left; x < right; ++x)
      if (im.At(x, y)) {
        b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
        b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
      }
  if (b.x1 < b.x0) return Box{};
  return b;
}

// Every dot on the box's edges is ink: the frame survived unbroken.
bool FrameUnbroken(const Image& im, const Box& b) {
  for (int64_t x = b.x0; x <= b.x1; ++x)
    if (!im.At(x, b.y0) || !im.At(x, b.y1)) return false;
  for (int64_t y = b.y0; y <= b.y1; ++y)
    if (!im.At(b.x0, y) || !im.At(b.x1, y)) return false;
  return true;
}

// The corner of the framed page's box that holds the mark, as the point
// (dot edges) of the page's top-left corner: x and y.
struct Point {
  double x = -1, y = -1;
};
Point MarkCorner(const Image& im, const Box& b) {
  const int64_t in = 20;
  if (im.At(b.x0 + in, b.y0 + in)) return {double(b.x0), double(b.y0)};
  if (im.At(b.x1 - in, b.y0 + in)) return {double(b.x1 + 1), double(b.y0)};
  if (im.At(b.x0 + in, b.y1 - in)) return {double(b.x0), double(b.y1 + 1)};
  if (im.At(b.x1 - in, b.y1 - in)) return {double(b.x1 + 1), double(b.y1 + 1)};
  return {};
}

// Where the driver's cell matrix puts the top-left corner of page `cell` on
// an A4 sheet without margins at `dpi`, in sheet dots (y downward).
Point DriverCorner(int pagesPerSheet, int cell, int dpi) {
  PageLayoutRecord r{};
  for (PaperBlock* b : {&r.logical, &r.sheet}) {
    b->paperId = 9;
    b->width = b->printableWidth = 2100;
    b->height = b->printableHeight = 2970;
    b->sizeFlag = 1;
  }
  r.scalePercent = 100;
  r.pagesPerSheet = int16_t(pagesPerSheet);
  r.resolutionX = r.resolutionY = uint16_t(dpi);
  r.tilesAcross = r.tilesDown = 1;
  PlacementMatrix m{};
  if (BuildCellMatrix(&r, uint32_t(cell), 0, &m) != 0) return {};
  const double sheetPoints = 2970 / 254.0 * 72;
  return {m.m[4] * dpi / 72.0, (sheetPoints - m.m[5]) * dpi / 72.0};
}

class MovraneGeometryTest : public pk::test::JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    std::memset(&record_, 0, sizeof record_);
    std::memset(&work_, 0, sizeof work_);
    ASSERT_EQ(GetRasterTempFolder(work_.workFolder), 1);
  }
  void TearDown() override {
    pk::seams::ClearWriteFaults();
    JobTest::TearDown();
  }
  int Call(const char* entry) {
    HMODULE m = LoadOutsideRasterDll(u"Movrane.dll");
    auto fn = m ? reinterpret_cast<MovraneCall>(GetProcAddress(m, entry)) : nullptr;
    const int result = fn ? fn(&record_, &work_) : -100;
    if (m) FreeLibrary(m);
    return result;
  }
  int CallWithValue(const char* entry, int value) {
    HMODULE m = LoadOutsideRasterDll(u"Movrane.dll");
    auto fn = m ? reinterpret_cast<MovraneCallWithValue>(GetProcAddress(m, entry)) : nullptr;
    const int result = fn ? fn(&record_, &work_, value) : -100;
    if (m) FreeLibrary(m);
    return result;
  }
  // The record set for a page of the image's size in one band at `dpi`.
  void Describe(const Image& page, uint16_t dpi) {
    record_.resolution = record_.sourceResolution = dpi;
    record_.widthDots = page.width;
    record_.heightDots = page.rows;
    record_.bytesPerRow = page.RowBytes();
    record_.bandBufferSize = page.RowBytes() * (page.rows + 1);
  }
  // Rows [top, top + count) of the image as the record's band.
  void Band(const Image& page, uint32_t top, uint32_t count) {
    band_.assign(record_.bandBufferSize, 0);
    std::memcpy(band_.data(), page.bits.data() + size_t(top) * page.RowBytes(), size_t(count) * page.RowBytes());
    record_.bandBuffer = band_.data();
    record_.bandTop = int32_t(top);
    record_.bandRows = count;
  }
  // A page file of the image, made by the library; its host path.
  std::string PageFile(const Image& page, uint16_t dpi = 300) {
    Describe(page, dpi);
    Band(page, 0, page.rows);
    record_.currentFile[0] = 0;
    EXPECT_EQ(Call("CreateTIFFFileFromMemory"), 0);
    return Host(record_.currentFile);
  }

  TiffJobRecord record_;
  RasterWorkBlock work_;
  std::vector<uint8_t> band_;
};

TEST_F(MovraneGeometryTest, QuarterTurns) {
  Image page = Blank(64, 40);
  page.Set(0, 0);
  const std::string path = PageFile(page, 200);
  struct Case {
    int angle;
    uint32_t width, rows;
    uint32_t x, y;  // the dot afterwards
  } cases[] = {{90, 40, 64, 39, 0}, {270, 64, 40, 0, 0}, {270, 40, 64, 0, 63}, {90, 64, 40, 0, 0}};
  // 90, then 270 back; 270, then 90 back.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    ASSERT_EQ(CallWithValue("RotateTIFFFile", c.angle), 0);
    EXPECT_EQ(CheckedPageFile(path), 200u);
    const Image turned = Decoded(path);
    ASSERT_EQ(turned.width, c.width);
    ASSERT_EQ(turned.rows, c.rows);
    const Box b = InkBox(turned, 0, 0, turned.width, turned.rows);
    EXPECT_EQ(b.x0, c.x);
    EXPECT_EQ(b.y0, c.y);
    EXPECT_EQ(b.x1, c.x);
    EXPECT_EQ(b.y1, c.y);
  }
  EXPECT_EQ(Decoded(path), page);
  // Other angles are refused and the file stays as it is.
  const std::string before = Bytes(path);
  for (int angle : {0, 180, 45, -90, 360}) EXPECT_NE(CallWithValue("RotateTIFFFile", angle), 0) << angle;
  EXPECT_EQ(Bytes(path), before);
}

// The driver's page step on three framed A4 pages at 300 dpi, two to a sheet,
// and four pages four to a sheet (page 2 landscape in the second case).
class NupSheets : public MovraneGeometryTest {
 protected:
  static constexpr uint32_t kWidth = 2480, kRows = 3508;
  // Prints the pages through MakePageTiff: the sheet files made, in order.
  std::vector<std::string> Print(const std::vector<Image>& pages, uint16_t nupMode, SheetMarks* marks = nullptr) {
    std::vector<std::string> sheets;
    std::memset(&record_, 0, sizeof record_);
    record_.nupMode = nupMode;
    for (const Image& page : pages) {
      Describe(page, 300);
      record_.pageNumber += 1;
      record_.scaledWidth = page.width;
      record_.scaledHeight = page.rows;
      record_.outputReady = 0;
      record_.mode = 0;
      record_.bandIndex = 1;
      Band(page, 0, page.rows);
      EXPECT_EQ(MakePageTiff(&record_, marks), 0);
      record_.bandIndex = 0;  // past the page's last band
      record_.mode = 1;
      EXPECT_EQ(MakePageTiff(&record_, marks), 0);
      if (record_.outputReady == 1) sheets.push_back(Host(record_.outputFile));
    }
    record_.mode = 2;
    record_.outputReady = 0;
    EXPECT_EQ(MakePageTiff(&record_, marks), 0);
    if (record_.outputReady == 1) sheets.push_back(Host(record_.outputFile));
    return sheets;
  }
  // The sheet as read back, checked to be of page 1's size and resolution.
  Image Sheet(const std::string& path) {
    EXPECT_EQ(CheckedPageFile(path), 300u);
    Image sheet = Decoded(path);
    EXPECT_EQ(sheet.width, kWidth);
    EXPECT_EQ(sheet.rows, kRows);
    return sheet;
  }
};

TEST_F(NupSheets, TwoUpPagesTurnedIntoHalves) {
  const std::vector<std::string> sheets =
      Print({Framed(kWidth, kRows), Framed(kWidth, kRows), Framed(kWidth, kRows)}, 1);
  ASSERT_EQ(sheets.size(), 2u);
  for (size_t s = 0; s < sheets.size(); ++s) {
    SCOPED_TRACE(s);
    const Image sheet = Sheet(sheets[s]);
    for (int slot = 0; slot < 2; ++slot) {
      SCOPED_TRACE(slot);
      // The first page in the lower half, the second in the upper one.
      const int64_t top = slot == 0 ? kRows / 2 : 0;
      const Box b = InkBox(sheet, 0, top, kWidth, top + kRows / 2);
      if (s == 1 && slot == 1) {
        EXPECT_TRUE(b.Empty());  // page 3 alone: the other half stays white
        continue;
      }
      ASSERT_FALSE(b.Empty());
      // A landscape box of the page's shape across the half, unbroken.
      EXPECT_NEAR(double(b.x1 - b.x0 + 1), kWidth, 2);
      EXPECT_NEAR(double(b.y1 - b.y0 + 1), kWidth * double(kWidth) / kRows, 2);
      EXPECT_TRUE(FrameUnbroken(sheet, b));
      // The page's top-left corner where the driver's cell matrix puts it.
      const Point mark = MarkCorner(sheet, b), driver = DriverCorner(2, slot, 300);
      EXPECT_NEAR(mark.x, driver.x, 2);
      EXPECT_NEAR(mark.y, driver.y, 2);
    }
  }
}

TEST_F(NupSheets, FourUpPagesInQuadrants) {
  const Image portrait = Framed(kWidth, kRows), landscape = Framed(kRows, kWidth);
  for (bool turnedSecond : {false, true}) {
    SCOPED_TRACE(turnedSecond);
    const std::vector<std::string> sheets =
        Print({portrait, turnedSecond ? landscape : portrait, portrait, portrait}, 2);
    ASSERT_EQ(sheets.size(), 1u);
    const Image sheet = Sheet(sheets[0]);
    for (int cell = 0; cell < 4; ++cell) {
      SCOPED_TRACE(cell);
      const int64_t left = cell % 2 * kWidth / 2, top = cell / 2 * kRows / 2;
      const Box b = InkBox(sheet, left, top, left + kWidth / 2, top + kRows / 2);
      ASSERT_FALSE(b.Empty());
      // An upright box of half the page's size in its quadrant, unbroken.
      EXPECT_NEAR(double(b.x1 - b.x0 + 1), kWidth / 2, 2);
      EXPECT_NEAR(double(b.y1 - b.y0 + 1), kRows / 2, 2);
      EXPECT_TRUE(FrameUnbroken(sheet, b));
      const Point mark = MarkCorner(sheet, b);
      if (turnedSecond && cell == 1) {
        // The landscape page was turned counter-clockwise before it was
        // collected: its top-left corner is the box's bottom-left one.
        EXPECT_EQ(mark.x, double(b.x0));
        EXPECT_EQ(mark.y, double(b.y1 + 1));
        continue;
      }
      const Point driver = DriverCorner(4, cell, 300);
      EXPECT_NEAR(mark.x, driver.x, 2);
      EXPECT_NEAR(mark.y, driver.y, 2);
    }
  }
}

// The marks of a sheet (labels, tiled stamp copies) go over the whole sheet
// at full size: unturned on four pages per sheet; on two, drawn in the sheet
// turned as its pages are, and turned onto it with them. They are laid over
// the sheet that is made next and cleared.
TEST_F(NupSheets, SheetMarksGoOverTheWholeSheet) {
  struct Case {
    uint16_t nupMode;
    uint32_t width, rows;    // the marks' frame
    int64_t sheetX, sheetY;  // where the frame's bottom-right block lands
  } cases[] = {{2, kWidth, kRows, kWidth - 100, kRows - 100}, {1, kRows, kWidth, kWidth - 100, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nupMode);
    Image frame = Blank(c.width, c.rows);
    frame.Fill(0, 0, 100, 100);
    frame.Fill(c.width - 100, c.rows - 100, c.width, c.rows);
    std::vector<uint8_t> bits = frame.bits;
    bits.resize(bits.size() + frame.RowBytes(), 0);  // the spare row
    SheetMarks marks{};
    marks.bits = bits.data();
    marks.width = c.width;
    marks.rows = c.rows;
    marks.rowBytes = frame.RowBytes();
    marks.inked = 1;
    const int perSheet = c.nupMode == 1 ? 2 : 4;
    const std::vector<Image> pages(size_t(perSheet) + 1, Blank(kWidth, kRows));
    const std::vector<std::string> sheets = Print(pages, c.nupMode, &marks);
    ASSERT_EQ(sheets.size(), 2u);
    const Image sheet = Sheet(sheets[0]);
    const Box far = InkBox(sheet, c.sheetX, c.sheetY, c.sheetX + 100, c.sheetY + 100);
    EXPECT_EQ(far.x0, c.sheetX);
    EXPECT_EQ(far.y0, c.sheetY);
    EXPECT_EQ(far.x1, c.sheetX + 99);
    EXPECT_EQ(far.y1, c.sheetY + 99);
    // The frame's top-left block: the sheet's top-left, or turned its
    // bottom-left.
    const int64_t nearY = c.nupMode == 1 ? kRows - 100 : 0;
    EXPECT_FALSE(InkBox(sheet, 0, nearY, 100, nearY + 100).Empty());
    size_t ink = 0;
    for (uint8_t b : sheet.bits) ink += size_t(__builtin_popcount(b));
    EXPECT_EQ(ink, 2u * 100 * 100);
    // Taken by the first sheet: the next one is blank.
    EXPECT_EQ(marks.inked, 0u);
    EXPECT_TRUE(InkBox(Sheet(sheets[1]), 0, 0, kWidth, kRows).Empty());
  }
}

// Pages of 256 x 5000 dots with an ink box; the N_RST_ entries on the page
// file, as the driver calls them at a page end.
TEST_F(MovraneGeometryTest, PageHandling) {
  struct Case {
    const char* name;
    const char* entry;
    bool blank;
    int32_t across, down;
    uint32_t top, under;
    uint32_t rows;  // afterwards
    Box ink;        // afterwards; empty for a white page
  } cases[] = {
      {"clip", "N_RST_ClipTiff", false, 0, 0, 0, 0, 1000, {10, 900, 99, 999}},
      {"clip blank", "N_RST_ClipTiff", true, 0, 0, 0, 0, 1, {}},
      {"offset", "N_RST_OffsetTiff", false, 100, 50, 0, 0, 5000, {110, 950, 199, 1049}},
      {"offset left", "N_RST_OffsetTiff", false, -30, 0, 0, 0, 5000, {0, 900, 69, 999}},
      {"offset up", "N_RST_OffsetTiff", false, 0, -950, 0, 0, 5000, {10, 0, 99, 49}},
      {"offset away", "N_RST_OffsetTiff", false, 5000, 0, 0, 0, 5000, {}},
      {"margins", "N_RST_TopUnderMarginTiff", false, 0, 0, 60, 40, 5100, {10, 960, 99, 1059}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Image page = Blank(256, 5000);
    if (!c.blank) page.Fill(10, 900, 100, 1000);
    const std::string path = PageFile(page, 300);
    record_.imageOffset1Dots = uint32_t(c.across);
    record_.imageOffset2Dots = uint32_t(c.down);
    record_.topMarginDots = c.top;
    record_.underMarginDots = c.under;
    ASSERT_EQ(Call(c.entry), 0);
    EXPECT_EQ(CheckedPageFile(path), 300u);
    const Image after = Decoded(path);
    EXPECT_EQ(after.width, 256u);
    ASSERT_EQ(after.rows, c.rows);
    const Box b = InkBox(after, 0, 0, after.width, after.rows);
    EXPECT_EQ(b.Empty(), c.ink.Empty());
    if (!c.ink.Empty()) {
      EXPECT_EQ(b.x0, c.ink.x0);
      EXPECT_EQ(b.y0, c.ink.y0);
      EXPECT_EQ(b.x1, c.ink.x1);
      EXPECT_EQ(b.y1, c.ink.y1);
    }
    fs::remove(path);
  }
}

// The finishing entries work on the output file once the page is out.
TEST_F(MovraneGeometryTest, FinishingFollowsTheOutputFile) {
  Image page = Blank(64, 100);
  page.Fill(0, 0, 8, 8);
  const std::string path = PageFile(page, 300);
  std::memcpy(record_.outputFile, record_.currentFile, sizeof record_.outputFile);
  record_.currentFile[0] = 0;
  record_.outputReady = 1;
  record_.imageOffset1Dots = 8;
  ASSERT_EQ(Call("N_RST_OffsetTiff"), 0);
  EXPECT_EQ(InkBox(Decoded(path), 0, 0, 64, 100).x0, 8);
  fs::remove(path);
}

// A 600-dpi page of thin lines given in bands of several heights (and with a
// blank band given as a white part) becomes the same 400-dpi page.
TEST_F(MovraneGeometryTest, OutputResolutionWithoutDrift) {
  constexpr uint32_t kWidth600 = 1200, kRows600 = 3000;
  Image page = Blank(kWidth600, kRows600);
  for (uint32_t y : {0u, 1u, 2u, 998u, 999u, 2000u, 2001u, 2625u, 2626u, 2627u, 2999u})
    page.Fill(0, y, kWidth600, y + 1);
  for (uint32_t x : {4u, 5u, 601u, 1199u}) {
    page.Fill(x, 0, x + 1, 1000);
    page.Fill(x, 2000, x + 1, kRows600);
  }
  struct Case {
    const char* name;
    uint32_t bandRows;
    bool whiteSecondBand;
  } cases[] = {
      {"all rows", kRows600, false}, {"1000", 1000, false}, {"1313", 1313, false}, {"1000, white", 1000, true}};
  std::vector<Image> results;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Describe(page, 600);
    record_.outputDpi = 400;
    record_.bandBufferSize = page.RowBytes() * (c.bandRows + 1);
    record_.currentFile[0] = 0;
    record_.blankRows = 0;
    for (uint32_t top = 0; top < kRows600; top += c.bandRows) {
      const uint32_t rows = std::min(c.bandRows, kRows600 - top);
      Band(page, top, rows);
      if (c.whiteSecondBand && top == c.bandRows) {
        record_.blankRows = rows;  // pending until the next band
        continue;
      }
      record_.mode = 0;
      const bool first = record_.currentFile[0] == 0;
      ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
      if (record_.blankRows) {
        ASSERT_EQ(Call("CreateWhiteTIFFFile"), 0);
        ASSERT_EQ(CallWithValue("CombWhiteTIFFFile", 0), 0);
        record_.blankRows = 0;
      }
      if (!first) {
        ASSERT_EQ(Call("CombTIFFFile"), 0);
      }
    }
    EXPECT_EQ(record_.resolution, 400);
    const std::string path = Host(record_.currentFile);
    EXPECT_EQ(CheckedPageFile(path), 400u);
    results.push_back(Decoded(path));
    EXPECT_EQ(results.back().width, kWidth600 * 400 / 600);
    EXPECT_EQ(results.back().rows, kRows600 * 400 / 600);
    fs::remove(path);
  }
  for (size_t i = 1; i < results.size(); ++i) EXPECT_TRUE(results[i] == results[0]) << cases[i].name;
  // Every thin line is still there: a row of ink for each source line.
  const Image& out = results[0];
  for (uint32_t y : {0u, 1u, 665u, 666u, 1333u, 1334u, 1750u, 1751u, 1999u}) {
    EXPECT_TRUE(out.At(0, y) && out.At(out.width - 1, y)) << y;
  }
  // The upright lines too, and nothing where the source was blank.
  for (int64_t y : {100, 1900}) {
    const Box row = InkBox(out, 0, y, out.width, y + 1);
    EXPECT_LE(row.x0, 4) << y;
    EXPECT_EQ(row.x1, int64_t(out.width) - 1) << y;
    EXPECT_FALSE(InkBox(out, 397, y, 404, y + 1).Empty()) << y;
  }
  EXPECT_TRUE(InkBox(out, 0, 667, out.width, 1333).Empty());

  // At the source resolution nothing is scaled.
  Describe(page, 600);
  record_.outputDpi = 600;
  Band(page, 0, kRows600);
  record_.currentFile[0] = 0;
  ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
  const std::string path = Host(record_.currentFile);
  EXPECT_EQ(CheckedPageFile(path), 600u);
  EXPECT_TRUE(Decoded(path) == page);
  fs::remove(path);
}

// Up from 300 to 600 dpi in bands of 7 rows: every source row and dot twice.
TEST_F(MovraneGeometryTest, OutputResolutionUp) {
  Image page = Blank(40, 31);
  for (uint32_t y = 0; y < 31; ++y) page.Set((y * 7) % 40, y);
  Describe(page, 300);
  record_.outputDpi = 600;
  record_.bandBufferSize = page.RowBytes() * 8;
  for (uint32_t top = 0; top < 31; top += 7) {
    Band(page, top, std::min(7u, 31 - top));
    const bool first = record_.currentFile[0] == 0;
    ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
    if (!first) {
      ASSERT_EQ(Call("CombTIFFFile"), 0);
    }
  }
  const std::string path = Host(record_.currentFile);
  EXPECT_EQ(CheckedPageFile(path), 600u);
  const Image out = Decoded(path);
  ASSERT_EQ(out.width, 80u);
  ASSERT_EQ(out.rows, 62u);
  for (uint32_t y = 0; y < 62; ++y)
    for (uint32_t x = 0; x < 80; ++x) ASSERT_EQ(out.At(x, y), page.At(x / 2, y / 2)) << x << "," << y;
  fs::remove(path);
}

// A page file the reader refuses, and a write fault in every entry that
// rewrites a file: the file stays byte for byte, the entry answers nonzero,
// and the driver's page step streams the page as it was.
TEST_F(MovraneGeometryTest, FailuresLeaveThePageFileAsItWas) {
  Image page = Blank(64, 100);
  page.Fill(8, 0, 16, 50);
  struct Entry {
    const char* name;
    int angle;  // RotateTIFFFile
  } entries[] = {{"RotateTIFFFile", 90},          {"N_RST_ClipTiff", 0}, {"N_RST_OffsetTiff", 0},
                 {"N_RST_TopUnderMarginTiff", 0}, {"CombTIFFFile", 0},   {"CombWhiteTIFFFile", 0}};
  for (bool corrupt : {false, true}) {
    for (const Entry& e : entries) {
      SCOPED_TRACE(std::string(e.name) + (corrupt ? " corrupt" : " write fault"));
      const std::string path = PageFile(page, 300);
      // A band and a white part to join, made before any fault.
      Band(page, 0, 10);
      ASSERT_EQ(Call("CreateTIFFFileFromMemory"), 0);
      record_.blankRows = 5;
      ASSERT_EQ(Call("CreateWhiteTIFFFile"), 0);
      record_.imageOffset1Dots = 3;
      record_.topMarginDots = 4;
      if (corrupt) {
        std::string bytes = Bytes(path);
        for (size_t i = 8; i < bytes.size(); ++i) bytes[i] = char(0xA5 ^ i);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
      } else {
        pk::seams::FailWritesFrom(u"MVR", 1, true);
      }
      const std::string before = Bytes(path);
      const int result = std::strcmp(e.name, "RotateTIFFFile") == 0      ? CallWithValue(e.name, e.angle)
                         : std::strcmp(e.name, "CombWhiteTIFFFile") == 0 ? CallWithValue(e.name, 0)
                                                                         : Call(e.name);
      EXPECT_NE(result, 0);
      EXPECT_EQ(Bytes(path), before);
      pk::seams::ClearWriteFaults();
      fs::remove(path);
      fs::remove(Host(work_.bandFile));
      fs::remove(Host(work_.whiteFile));
      record_.blankRows = 0;
      record_.imageOffset1Dots = record_.topMarginDots = 0;
    }
  }
  // Through the driver's step: a clip that cannot write leaves the page.
  const std::string path = PageFile(page, 300);
  const std::string before = Bytes(path);
  record_.mode = 1;
  record_.pageHandlingMode = 2;
  record_.pageNumber = 2;
  pk::seams::FailWritesFrom(u"MVR", 1, true);
  ASSERT_EQ(MakePageTiff(&record_), 0);
  pk::seams::ClearWriteFaults();
  EXPECT_EQ(Host(record_.outputFile), path);
  EXPECT_EQ(Bytes(path), before);
  EXPECT_EQ(Decoded(path), page);
  fs::remove(path);
}

TEST_F(MovraneGeometryTest, MissingOrCorruptFilesAreRefused) {
  const char* entries[] = {"RotateTIFFFile", "CreateNupTIFFFile", "N_RST_ClipTiff", "N_RST_OffsetTiff",
                           "N_RST_TopUnderMarginTiff"};
  const std::string folder = Host(work_.workFolder);
  std::ofstream(folder + "/junk.tif", std::ios::binary) << std::string("II*\0\x08\0\0\0\xff\xff", 10);
  std::string junk = work_.workFolder;
  if (junk.back() != '\\') junk += '\\';
  junk += "junk.tif";
  for (const char* path : {"C:\\nowhere\\missing.tif", junk.c_str(), ""}) {
    for (const char* entry : entries) {
      SCOPED_TRACE(std::string(entry) + " " + path);
      std::memset(&record_, 0, sizeof record_);
      record_.resolution = 300;
      record_.nupMode = 1;
      std::strcpy(record_.currentFile, path);
      std::strcpy(record_.pageFiles[0], path);
      record_.imageOffset1Dots = 5;
      record_.topMarginDots = 5;
      work_.sheetFile[0] = 0;
      EXPECT_NE(std::strcmp(entry, "RotateTIFFFile") == 0 ? CallWithValue(entry, 90) : Call(entry), 0);
      EXPECT_EQ(work_.sheetFile[0], 0);
    }
  }
  EXPECT_EQ(Bytes(folder + "/junk.tif").size(), 10u);
  // No record at all.
  HMODULE m = LoadOutsideRasterDll(u"Movrane.dll");
  ASSERT_NE(m, nullptr);
  for (const char* entry : entries) {
    auto fn = reinterpret_cast<MovraneCall>(GetProcAddress(m, entry));
    ASSERT_NE(fn, nullptr);
    EXPECT_NE(fn(nullptr, &work_), 0) << entry;
  }
  FreeLibrary(m);
}

TEST_F(MovraneGeometryTest, ManyCallsInFreshLoadsLeaveNothing) {
  Image page = Blank(64, 40);
  page.Fill(0, 0, 4, 4);
  const std::string path = PageFile(page, 200);
  ASSERT_EQ(CallWithValue("RotateTIFFFile", 90), 0);
  const SIZE_T handles = pk::seams::LiveHandles();
  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  for (int i = 0; i < 200; ++i) {
    record_.imageOffset1Dots = uint32_t(i % 2 ? 1 : -1);
    ASSERT_EQ(i % 2 ? CallWithValue("RotateTIFFFile", 270 - 180 * (i / 2 % 2)) : Call("N_RST_OffsetTiff"), 0) << i;
  }
  EXPECT_EQ(pk::seams::LiveHandles(), handles);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), blocks);
  fs::remove(path);
  EXPECT_TRUE(fs::is_empty(Host(work_.workFolder)));
}

}  // namespace
