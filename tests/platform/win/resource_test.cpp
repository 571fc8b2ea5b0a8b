// Resources: the resource module Tarquen.vbn and a library's own table,
// LoadStringW's copy rules, the settings model's texts and their arguments,
// damaged files, and the compiler's checks.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

std::string BuildOut() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

std::string HostOf(const char16_t* windowsPath) {
  std::string host;
  EXPECT_EQ(PkResolveWindowsPath(windowsPath, nullptr, &host), 0u);
  return host;
}

void Install(const std::string& built, const char16_t* windowsPath) {
  std::string host = HostOf(windowsPath);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::filesystem::copy_file(BuildOut() + "/" + built, host, std::filesystem::copy_options::overwrite_existing);
}

std::vector<char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::u16string String(HMODULE h, UINT id) {
  WCHAR buf[1024];
  int n = LoadStringW(h, id, buf, 1024);
  return std::u16string(buf, n);
}

class ResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    Install("Tarquen.vbn", u"C:\\Driver\\Tarquen.vbn");
  }
};

TEST_F(ResourceTest, StringsOfTheResourceModule) {
  HMODULE h =
      LoadLibraryExW(u"C:\\Driver\\Tarquen.vbn", nullptr, DONT_RESOLVE_DLL_REFERENCES | LOAD_WITH_ALTERED_SEARCH_PATH);
  ASSERT_NE(h, nullptr);
  WCHAR buf[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(LoadStringW(h, 265, buf, 4), 3);
  EXPECT_EQ(std::u16string(buf), u"Pri");
  buf[0] = u'x';
  EXPECT_EQ(LoadStringW(h, 9999, buf, 8), 0);  // missing: nothing, an empty text
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(String(h, 265), u"Printer Settings");
  EXPECT_EQ(String(h, 305), u" (not set)");
  EXPECT_EQ(String(h, 706), u"\n\t%s: %s");
  const WCHAR* inPlace = nullptr;
  EXPECT_EQ(LoadStringW(h, 1767, reinterpret_cast<LPWSTR>(&inPlace), 0), 6);
  EXPECT_EQ(std::u16string(inPlace, 6), u"URGENT");

  // The raw resource: UTF-16LE text without a terminator.
  HRSRC r = FindResourceW(h, MAKEINTRESOURCEW(5052), RT_STRING);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(SizeofResource(h, r), 8u);
  auto* text = static_cast<const BYTE*>(LockResource(LoadResource(h, r)));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(text), 8), std::string("U\0s\0e\0r\0", 8));
  EXPECT_EQ(FindResourceW(h, MAKEINTRESOURCEW(5052), RT_MENU), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  EXPECT_EQ(FindResourceW(h, MAKEINTRESOURCEW(5053), RT_STRING), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(h, "DllMain"), nullptr);
  EXPECT_TRUE(FreeLibrary(h));

  // The magic decides, not the extension.
  Install("Tarquen.vbn", u"C:\\Driver\\Model.dll");
  h = LoadLibraryW(u"C:\\Driver\\Model.dll");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(String(h, 302), u"Stamp");
  FreeLibrary(h);
}

// Every message has one %s per argument its callers pass.
TEST_F(ResourceTest, MessagesTakeTheirArguments) {
  HMODULE h = LoadLibraryExW(u"C:\\Driver\\Tarquen.vbn", nullptr, 9);
  ASSERT_NE(h, nullptr);
  const std::pair<UINT, int> counts[] = {
      {265, 0},  {300, 0},  {301, 0},  {302, 0},  {305, 0},  {306, 0},  {426, 0},  {427, 0},  {700, 3},
      {701, 3},  {724, 2},  {705, 4},  {725, 3},  {703, 2},  {704, 4},  {706, 2},  {707, 2},  {709, 4},
      {710, 2},  {712, 1},  {715, 3},  {716, 3},  {719, 0},  {723, 1},  {720, 0},  {721, 0},  {722, 0},
      {436, 0},  {1760, 0}, {1761, 0}, {1762, 0}, {1763, 0}, {1764, 0}, {1765, 0}, {1766, 0}, {1767, 0},
      {1768, 0}, {1769, 0}, {5052, 0}, {5200, 0}, {5201, 0}, {5202, 0}, {5203, 0},
  };
  for (auto [id, args] : counts) {
    std::u16string text = String(h, id);
    EXPECT_FALSE(text.empty()) << id;
    int found = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i)
      if (text[i] == u'%') {
        EXPECT_EQ(text[i + 1], u's') << id;  // no other conversion
        ++found;
        ++i;
      }
    EXPECT_EQ(found, args) << id;
  }
  FreeLibrary(h);
}

TEST_F(ResourceTest, LibraryCarriesItsOwnTable) {
  Install("Probe.so", u"C:\\Driver\\Probe.so");
  HMODULE h = LoadLibraryW(u"C:\\Driver\\Probe.dll");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(String(h, 32767), u"Tarquen.vbn");
  EXPECT_EQ(String(h, 1), u"Probe");
  HRSRC r = FindResourceW(h, MAKEINTRESOURCEW(32767), RT_STRING);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(SizeofResource(h, r), 22u);
  FreeLibrary(h);
}

TEST_F(ResourceTest, DamagedFilesFailWithBadFormat) {
  std::vector<char> good = ReadBytes(HostOf(u"C:\\Driver\\Tarquen.vbn"));
  ASSERT_GT(good.size(), 100u);
  std::string host = HostOf(u"C:\\Driver\\Cut.vbn");
  // Every cut that keeps the magic (shorter files are no resource file at
  // all): byte by byte through the header, closely through the directory and
  // the first entries, then at a few hundred places through the data.
  for (size_t n = 8; n < good.size(); n += (n < 48 ? 1 : n < 65536 ? 29 : good.size() / 300 + 1)) {
    WriteBytes(host, std::vector<char>(good.begin(), good.begin() + n));
    HMODULE h = LoadLibraryExW(u"C:\\Driver\\Cut.vbn", nullptr, 9);
    EXPECT_EQ(h, nullptr) << n;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT)) << n;
  }
  // Directory damage: a huge entry count, an offset past the end, an offset
  // inside the directory, a size that wraps, an odd string size, a repeat.
  // The string entries follow the pictures' in the directory.
  size_t strings = 16;
  while (strings + 12 < good.size() && good[strings] != 6) strings += 12;
  struct Patch {
    size_t at;
    std::vector<unsigned char> bytes;
  } patches[] = {
      {12, {0xFF, 0xFF, 0xFF, 0x7F}},
      {16 + 4, {0xFF, 0xFF, 0xFF, 0x00}},
      {16 + 4, {0x00, 0x00, 0x00, 0x00}},
      {16 + 8, {0xFF, 0xFF, 0xFF, 0xFF}},
      {strings + 8, {0x03, 0x00, 0x00, 0x00}},
      {strings + 12 + 2,
       {static_cast<unsigned char>(good[strings + 2]), static_cast<unsigned char>(good[strings + 3])}},
      {8, {0x02, 0x00}},
  };
  for (const auto& p : patches) {
    std::vector<char> bad = good;
    for (size_t i = 0; i < p.bytes.size(); ++i) bad[p.at + i] = static_cast<char>(p.bytes[i]);
    WriteBytes(host, bad);
    EXPECT_EQ(LoadLibraryExW(u"C:\\Driver\\Cut.vbn", nullptr, 9), nullptr) << p.at;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT)) << p.at;
  }
}

std::string RunCompiler(const std::string& source, const std::string& name, int* status) {
  std::string dir = std::filesystem::temp_directory_path().string() + "/pkrc-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  std::string src = dir + "/" + name;
  std::ofstream(src) << source;
  std::string cmd = BuildOut() + "/pkrc --module " + dir + "/out.vbn " + src + " 2>&1";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  char buf[256];
  while (p && fgets(buf, sizeof buf, p)) out += buf;
  int st = p ? pclose(p) : -1;
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  *status = *status == 0 && std::filesystem::exists(dir + "/out.vbn") ? 0 : (*status ? *status : -1);
  std::filesystem::remove_all(dir);
  return out;
}

TEST_F(ResourceTest, CompilerRejectsBadSources) {
  struct Case {
    const char* source;
    const char* message;  // null: accepted
  } cases[] = {
      {"# strings\n1 \"one\"\n2 \"tab\\there \\u00e9 \\x41\"\n", nullptr},
      {"1 \"one\"\n\n1 \"again\"\n", "strings.txt:3: duplicate id 1 (first at "},
      {"65536 \"big\"\n", "strings.txt:1: id 65536 out of range"},
      {"12345678901 \"huge\"\n", "strings.txt:1: id out of range"},
      {"7 unquoted\n", "strings.txt:1: expected a quoted text"},
      {"8 \"open\n", "strings.txt:1: unterminated text"},
      {"9 \"bad \\q\"\n", "strings.txt:1: unknown escape \\q"},
  };
  for (const auto& c : cases) {
    int status = 0;
    std::string out = RunCompiler(c.source, "strings.txt", &status);
    if (!c.message) {
      EXPECT_EQ(status, 0) << out;
      continue;
    }
    EXPECT_NE(status, 0) << c.source;
    EXPECT_NE(out.find(c.message), std::string::npos) << out;
  }
}

}  // namespace
