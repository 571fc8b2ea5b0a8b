// EngFindResource over a module the platform loaded: a resource table file
// made here, with one glyph-set-like resource (type 260, name 6).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gdi/eng_services.h"
#include "platform/win/resource_format.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

void Put16(std::vector<unsigned char>& v, uint16_t x) {
  v.push_back(x & 0xFF);
  v.push_back(x >> 8);
}
void Put32(std::vector<unsigned char>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xFF);
}

}  // namespace

TEST(FindResource, BytesAndSizeOfALoadedModulesResource) {
  pk::seams::UseTemporaryMachineRoot();
  std::vector<unsigned char> payload(40);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>(i * 7);
  std::vector<unsigned char> table(pk::resources::kMagic, pk::resources::kMagic + 8);
  Put16(table, pk::resources::kVersion);
  Put16(table, 0);
  Put32(table, 1);
  Put16(table, 260);
  Put16(table, 6);
  Put32(table, 28);
  Put32(table, static_cast<uint32_t>(payload.size()));
  table.insert(table.end(), payload.begin(), payload.end());

  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Driver\\Glyphs.vbn", nullptr, &host), 0u);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char*>(table.data()), table.size());
  HMODULE h = LoadLibraryW(u"C:\\Driver\\Glyphs.vbn");
  ASSERT_NE(h, nullptr);

  ULONG size = 0;
  auto* bytes = static_cast<const unsigned char*>(EngFindResource(h, 6, 260, &size));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(size, 40u);
  EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + size), payload);

  size = 99;
  EXPECT_EQ(EngFindResource(h, 7, 260, &size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(EngFindResource(h, 6, 261, &size), nullptr);
  EXPECT_EQ(EngFindResource(nullptr, 6, 260, &size), nullptr);
  FreeLibrary(h);
}
