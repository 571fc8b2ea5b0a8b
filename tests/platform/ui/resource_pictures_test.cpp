// Bitmaps and icons of the resource module: the pictures drawn at build time
// load from Tarquen.vbn with the pixels ImageMagick reads from the drawn
// files, icons draw transparently, and a packed DIB that does not fit its
// resource makes no bitmap.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/ui/ui_test_support.h"
#include "platform/ui/win_paint.h"
#include "platform/win/resource_format.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

using pk::test::BuildOut;

std::string HostOf(const char16_t* windowsPath) {
  std::string host;
  EXPECT_EQ(PkResolveWindowsPath(windowsPath, nullptr, &host), 0u);
  return host;
}

HMODULE LoadModule(const std::vector<char>& bytes, const char16_t* windowsPath) {
  const std::string host = HostOf(windowsPath);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
  return LoadLibraryExW(windowsPath, nullptr, DONT_RESOLVE_DLL_REFERENCES);
}

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A resource module of one resource.
std::vector<char> ModuleOf(uint16_t type, uint16_t id, const std::vector<char>& data) {
  std::vector<char> out(pk::resources::kHeaderSize + pk::resources::kEntrySize, 0);
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) out[at + k] = char(v >> (8 * k));
  };
  std::copy(pk::resources::kMagic, pk::resources::kMagic + sizeof pk::resources::kMagic, out.begin());
  put(8, pk::resources::kVersion, 2);
  put(12, 1, 4);
  put(16, type, 2);
  put(18, id, 2);
  put(20, uint32_t(out.size()), 4);
  put(24, uint32_t(data.size()), 4);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

pk::gdi::Pixels PixelsOf(HBITMAP h) {
  pk::gdi::Pixels p;
  EXPECT_TRUE(pk::gdi::ReadBitmapPixels(h, &p));
  return p;
}

// The pixels ImageMagick reads from a file of the picture generator.
std::vector<COLORREF> PeerPixels(const std::string& file) {
  const std::string raw = ::testing::TempDir() + "peer.rgb";
  const std::string command =
      "/usr/bin/convert '" + BuildOut() + "/../resources/pictures/" + file + "' -depth 8 'rgb:" + raw + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  const std::vector<char> b = ReadFile(raw);
  std::vector<COLORREF> out;
  for (size_t i = 0; i + 2 < b.size(); i += 3) out.push_back(RGB(BYTE(b[i]), BYTE(b[i + 1]), BYTE(b[i + 2])));
  return out;
}

// Draws an icon on a fresh 32 x 32 bitmap; 1 when it drew.
int CopyDrawable(HICON icon) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(GetDC(nullptr), 32, 32);
  HGDIOBJ old = SelectObject(dc, bm);
  const int drew = DrawIcon(dc, 0, 0, icon) ? 1 : 0;
  SelectObject(dc, old);
  DeleteObject(bm);
  DeleteDC(dc);
  return drew;
}

class ResourcePictures : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    tarquen_ = LoadModule(ReadFile(BuildOut() + "/Tarquen.vbn"), u"C:\\Driver\\Tarquen.vbn");
    ASSERT_NE(tarquen_, nullptr);
    bitmaps_ = pk::seams::LiveBitmaps();
  }
  void TearDown() override {
    EXPECT_EQ(pk::seams::LiveBitmaps(), bitmaps_);
    FreeLibrary(tarquen_);
  }
  HMODULE tarquen_ = nullptr;
  SIZE_T bitmaps_ = 0;
};

TEST_F(ResourcePictures, TheGeneratedBitmapsLoadWithThePixelsPeersRead) {
  struct Case {
    int id;
    const char* file;
    int size;
  };
  for (const Case& c :
       {Case{223, "state_223.bmp", 16}, Case{224, "state_224.bmp", 16}, Case{374, "pattern_374.bmp", 8}}) {
    SCOPED_TRACE(c.id);
    EXPECT_NE(FindResourceW(tarquen_, MAKEINTRESOURCEW(c.id), RT_BITMAP), nullptr);
    HBITMAP bm = LoadBitmapW(tarquen_, MAKEINTRESOURCEW(c.id));
    ASSERT_NE(bm, nullptr);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(bm, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, c.size);
    EXPECT_EQ(info.bmHeight, c.size);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(PixelsOf(bm).colour, PeerPixels(c.file));
    EXPECT_TRUE(DeleteObject(bm));
  }
  // Sprites lie on magenta.
  HBITMAP sprite = LoadBitmapW(tarquen_, MAKEINTRESOURCEW(223));
  EXPECT_EQ(PixelsOf(sprite).colour[0], RGB(255, 0, 255));
  DeleteObject(sprite);
  // At 8 bits a bitmap reports the display's depth.
  pk::seams::SetDisplayDepth(8);
  HBITMAP eight = LoadBitmapW(tarquen_, MAKEINTRESOURCEW(374));
  BITMAP info{};
  GetObjectW(eight, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 8);
  DeleteObject(eight);
  EXPECT_EQ(LoadBitmapW(tarquen_, MAKEINTRESOURCEW(9999)), nullptr);
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(223)), nullptr);
}

TEST_F(ResourcePictures, CheckIconsDrawTransparentlyAndAreShared) {
  const SIZE_T icons = pk::seams::LiveIcons();
  const COLORREF green = RGB(0, 160, 0);
  for (int id : {252, 253}) {
    SCOPED_TRACE(id);
    HICON icon = LoadIconW(tarquen_, MAKEINTRESOURCEW(id));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(tarquen_, MAKEINTRESOURCEW(id)), icon);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bm = CreateCompatibleBitmap(GetDC(nullptr), 32, 32);
    pk::gdi::Pixels p = PixelsOf(bm);
    p.colour.assign(p.colour.size(), green);
    pk::gdi::WriteBitmapPixels(bm, p);
    HGDIOBJ old = SelectObject(dc, bm);
    ASSERT_TRUE(DrawIcon(dc, 0, 0, icon));
    SelectObject(dc, old);
    p = PixelsOf(bm);
    EXPECT_EQ(p.colour[0], green);                        // around the box: transparent
    EXPECT_EQ(p.colour[9 * 32 + 9], RGB(255, 255, 255));  // inside the box
    int ink = 0;
    for (int y = 9; y < 23; ++y)
      for (int x = 9; x < 23; ++x) ink += p.colour[y * 32 + x] == RGB(0, 0, 0);
    EXPECT_EQ(ink > 0, id == 253);
    DeleteObject(bm);
    DeleteDC(dc);
    // A loaded icon is the module's: destroying it leaves it usable.
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(LoadIconW(tarquen_, MAKEINTRESOURCEW(id)), icon);
    EXPECT_NE(CopyDrawable(icon), 0);
  }
  EXPECT_EQ(pk::seams::LiveIcons(), icons);
  EXPECT_EQ(LoadIconW(tarquen_, MAKEINTRESOURCEW(9999)), nullptr);
}

TEST_F(ResourcePictures, ADibThatDoesNotFitItsResourceMakesNoBitmap) {
  HRSRC r = FindResourceW(tarquen_, MAKEINTRESOURCEW(223), RT_BITMAP);
  ASSERT_NE(r, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(tarquen_, r)));
  const std::vector<char> dib(data, data + SizeofResource(tarquen_, r));
  struct Case {
    const char* name;
    std::vector<char> bytes;
    bool loads;
  };
  std::vector<char> shortBits(dib.begin(), dib.end() - 10);
  std::vector<char> hugeTable = dib;
  hugeTable[14] = 8;  // 8 bits per pixel: a table of 256 colours follows, which is not there
  std::vector<char> wide = dib;
  wide[4] = 0, wide[5] = 0x10;  // 4096 pixels wide
  std::vector<char> shortHeader(dib.begin(), dib.begin() + 30);
  const Case cases[] = {{"whole", dib, true},
                        {"10 bytes short", shortBits, false},
                        {"colour table past the end", hugeTable, false},
                        {"rows past the end", wide, false},
                        {"header cut", shortHeader, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HBITMAP made = pk::gdi::BitmapFromPackedDib(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(made != nullptr, c.loads);
    if (made) DeleteObject(made);
    HMODULE m = LoadModule(ModuleOf(2, 7, c.bytes), u"C:\\Driver\\Damaged.vbn");
    ASSERT_NE(m, nullptr);
    HBITMAP bm = LoadBitmapW(m, MAKEINTRESOURCEW(7));
    EXPECT_EQ(bm != nullptr, c.loads);
    if (bm) DeleteObject(bm);
    FreeLibrary(m);
  }
}

}  // namespace

namespace {

TEST(PictureSources, TheCompilerTakesBitmapAndIconLinesAndRefusesBadFiles) {
  pk::seams::UseTemporaryMachineRoot();
  const std::string dir = ::testing::TempDir() + "pictures/";
  std::filesystem::create_directories(dir);
  const std::string pictures = BuildOut() + "/../resources/pictures/";
  std::filesystem::copy_file(pictures + "state_224.bmp", dir + "mark.bmp",
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(pictures + "check_253.ico", dir + "tick.ico",
                             std::filesystem::copy_options::overwrite_existing);
  std::ofstream(dir + "bad.bmp") << "not a bitmap";
  struct Case {
    const char* source;
    bool compiles;
  };
  const Case cases[] = {
      {"bitmap 5 \"mark.bmp\"\nicon 6 \"tick.ico\"\n7 \"text\"\n", true},
      {"bitmap 5 \"missing.bmp\"\n", false},
      {"bitmap 5 \"bad.bmp\"\n", false},
      {"icon 6 \"mark.bmp\"\n", false},
      {"bitmap 5 \"mark.bmp\"\nbitmap 5 \"mark.bmp\"\n", false},
      {"bitmap x \"mark.bmp\"\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    std::ofstream(dir + "list.txt", std::ios::trunc) << c.source;
    const std::string out = dir + "out.vbn";
    std::filesystem::remove(out);
    const std::string command = BuildOut() + "/pkrc --module '" + out + "' '" + dir + "list.txt' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()) == 0, c.compiles);
    if (!c.compiles) continue;
    HMODULE m = LoadModule(ReadFile(out), u"C:\\Driver\\Pictures.vbn");
    ASSERT_NE(m, nullptr);
    HBITMAP bm = LoadBitmapW(m, MAKEINTRESOURCEW(5));
    EXPECT_NE(bm, nullptr);
    DeleteObject(bm);
    EXPECT_NE(LoadIconW(m, MAKEINTRESOURCEW(6)), nullptr);
    // The icon's image went under the first free icon-image id.
    EXPECT_NE(FindResourceW(m, MAKEINTRESOURCEW(1), RT_ICON), nullptr);
    FreeLibrary(m);
  }
}

}  // namespace
