// Modules: a test library loaded as "Probe.dll", its entry and exports,
// missing files and symbols, in-process providers, and the file name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

// The folder of the built programs and libraries (the test's own folder).
std::string BuildOut() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().string(); }

// Copies a built file into the root under a Windows path.
void Install(const std::string& built, const char16_t* windowsPath) {
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(windowsPath, nullptr, &host), 0u);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::filesystem::copy_file(BuildOut() + "/" + built, host, std::filesystem::copy_options::overwrite_existing);
}

std::vector<std::pair<HINSTANCE, DWORD>> gEvents;
void Record(HINSTANCE h, DWORD reason) { gEvents.push_back({h, reason}); }

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    gEvents.clear();
  }
};

TEST_F(ModuleTest, ProbeLoadsAsDll) {
  Install("Probe.so", u"C:\\Driver\\Probe.so");
  HMODULE h = LoadLibraryW(u"C:\\Driver\\Probe.dll");
  ASSERT_NE(h, nullptr);
  auto attach = reinterpret_cast<HINSTANCE (*)(int*)>(GetProcAddress(h, "ProbeAttachHandle"));
  ASSERT_NE(attach, nullptr);
  int count = 0;
  EXPECT_EQ(attach(&count), h);  // the entry saw attach with its own handle
  EXPECT_EQ(count, 1);

  WCHAR name[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameW(h, name, MAX_PATH), 19u);
  EXPECT_EQ(std::u16string(name), u"C:\\Driver\\Probe.dll");
  EXPECT_EQ(GetModuleFileNameW(h, name, 5), 5u);  // cut and terminated
  EXPECT_EQ(std::u16string(name), u"C:\\D");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  EXPECT_EQ(GetProcAddress(h, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

  // A second load counts; only the last FreeLibrary detaches.
  HMODULE again = LoadLibraryW(u"c:\\driver\\PROBE");  // ".dll" added
  EXPECT_EQ(again, h);
  attach(&count);
  EXPECT_EQ(count, 1);
  reinterpret_cast<void (*)(void (*)(HINSTANCE, DWORD))>(GetProcAddress(h, "ProbeSetRecorder"))(&Record);
  EXPECT_TRUE(FreeLibrary(h));
  EXPECT_TRUE(gEvents.empty());
  EXPECT_TRUE(FreeLibrary(h));
  ASSERT_EQ(gEvents.size(), 1u);
  EXPECT_EQ(gEvents[0], std::make_pair(static_cast<HINSTANCE>(h), static_cast<DWORD>(DLL_PROCESS_DETACH)));
  EXPECT_FALSE(FreeLibrary(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ModuleTest, MissingModulesAndProviders) {
  EXPECT_EQ(LoadLibraryW(u"C:\\Driver\\Absent.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(LoadLibraryA("Absent.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

  // A bare name is served by an in-process provider once one registers.
  HMODULE before = LoadLibraryW(u"compstui.dll");
  if (before) {
    FreeLibrary(before);  // a provider of the layer exists already
  } else {
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    static const PkModuleExport kExports[] = {
        {"CommonPropertySheetUIW", reinterpret_cast<FARPROC>(+[]() {})},
    };
    PkRegisterModuleProvider(u"compstui", kExports, 1);
    HMODULE h = LoadLibraryW(u"COMPSTUI.DLL");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetProcAddress(h, "CommonPropertySheetUIW"), kExports[0].proc);
    EXPECT_EQ(GetProcAddress(h, "Other"), nullptr);
    WCHAR name[MAX_PATH];
    GetModuleFileNameW(h, name, MAX_PATH);
    EXPECT_EQ(std::u16string(name), u"C:\\Windows\\System32\\compstui.dll");
    EXPECT_TRUE(FreeLibrary(h));
  }
  // An entry (here DllInitialize) that refuses the attach fails the load.
  Install("Refuser.so", u"C:\\Driver\\Refuser.so");
  EXPECT_EQ(LoadLibraryW(u"C:\\Driver\\Refuser.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
  HMODULE data = LoadLibraryExW(u"C:\\Driver\\Refuser.dll", nullptr, 9);  // no entry call
  EXPECT_NE(data, nullptr);
  EXPECT_TRUE(FreeLibrary(data));
  // A bare name also looks in the system folder.
  Install("Probe.so", u"C:\\Windows\\System32\\Probe.so");
  HMODULE h = LoadLibraryW(u"probe.dll");
  ASSERT_NE(h, nullptr);
  FreeLibrary(h);
}

}  // namespace
