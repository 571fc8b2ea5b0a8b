// Save file name and output abort state (see save_file_name.h).
#include "graphics_driver/job_output/save_file_name.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "graphics_driver/core/pdev_settings.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_resource.h"
#include "settings/services/module_state.h"

namespace {

// Process-wide, as every job of the loaded driver shares them.
int32_t g_abortState = 0;
WCHAR g_lastSaveFileName[260];

constexpr size_t kNameBytes = 260;
constexpr UINT kSaveCaption = 5139;
constexpr UINT kReplaceText = 5140;
constexpr UINT kNumbersTakenText = 5141;
constexpr UINT kBadNameText = 5147;

int Box(UINT text, UINT style) {
  HMODULE module = GetResourceModule();
  WCHAR caption[256] = {}, message[512] = {};
  if (module) {
    LoadStringW(module, kSaveCaption, caption, 256);
    LoadStringW(module, text, message, 512);
  }
  return MessageBoxW(GetActiveWindow(), message, caption, style);
}

bool Exists(const char* name) {
  OFSTRUCT of;
  return OpenFile(name, &of, OF_EXIST) != HFILE_ERROR;
}

}  // namespace

void SetOutputAbortState(int32_t value) { g_abortState = value; }
int32_t GetOutputAbortState() { return g_abortState; }

void CopyLastSaveFileName(WCHAR* buffer) {
  if (buffer) std::memcpy(buffer, g_lastSaveFileName, sizeof g_lastSaveFileName);
}

int FindFreeNumberedName(char* name, size_t size, const char* extension) {
  size_t length = std::strlen(name);
  char candidate[kNameBytes + 16];
  int highest = 0;
  for (int n = 1; n <= 999; ++n) {
    if (std::snprintf(candidate, sizeof candidate, "%s-%03d%s", name, n, extension) >= int(sizeof candidate)) return 0;
    if (Exists(candidate)) highest = n;
  }
  if (highest == 999) return 0;
  int written = std::snprintf(name + length, size - length, "-%03d%s", highest + 1, extension);
  if (written < 0 || size_t(written) >= size - length) {
    name[length] = 0;
    return 0;
  }
  return 1;
}

int BuildSaveFileName(PdevState* pdev) {
  g_lastSaveFileName[0] = 0;
  WCHAR base[260];
  GetOutputFileBaseName(pdev, base);
  if (UsesSettingsFileName(pdev) == 0) {
    static const char16_t kForbidden[] = u"\\/:*?\"<>|";
    for (const WCHAR* c = base; *c; ++c)
      if (std::char_traits<char16_t>::find(kForbidden, 9, *c)) {
        Box(kBadNameText, MB_ICONWARNING);
        g_abortState = -1;
        return 1;
      }
  }
  const WORD action = GetExistingFileAction(pdev);
  WCHAR folder[300];
  GetOutputFolderPath(pdev, folder);
  WCHAR full[600];
  size_t n = 0;
  for (const WCHAR* p : {static_cast<const WCHAR*>(folder), static_cast<const WCHAR*>(base)})
    for (; *p && n + 1 < 600; ++p) full[n++] = *p;
  full[n] = 0;
  // The name is an ANSI path of at most 260 bytes: a name that does not fit
  // is no name, never a cut one.
  char name[kNameBytes];
  int bytes = WideCharToMultiByte(CP_ACP, 0, full, -1, name, int(kNameBytes), nullptr, nullptr);
  if (bytes <= 0) return 0;
  const char* extension = IsSaveAsPjl(pdev) ? ".pjl" : ".tif";
  char numbered[kNameBytes];
  std::memcpy(numbered, name, kNameBytes);
  if (std::strlen(name) + std::strlen(extension) >= kNameBytes) return 0;
  std::strcat(name, extension);

  if (Exists(name)) {
    if (action == 0) {
      if (Box(kReplaceText, MB_ICONWARNING | MB_OKCANCEL) != IDOK) {
        g_abortState = -1;
        return 1;
      }
    } else if (action == 2) {
      if (std::strlen(numbered) + 4 + std::strlen(extension) >= kNameBytes) return 0;
      if (!FindFreeNumberedName(numbered, kNameBytes, extension)) {
        Box(kNumbersTakenText, MB_ICONWARNING);
        g_abortState = -1;
        return 1;
      }
      std::memcpy(name, numbered, kNameBytes);
    }
  }
  if (!IsPreviewMode(pdev) && (action == 0 || action == 1)) {
    OFSTRUCT of;
    OpenFile(name, &of, OF_DELETE);
  }
  WCHAR wide[260];
  if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 260) <= 0) return 0;
  g_abortState = 1;
  std::memcpy(g_lastSaveFileName, wide, sizeof wide);
  return 1;
}
