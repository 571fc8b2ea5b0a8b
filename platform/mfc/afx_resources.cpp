// The program's resource tables and the string conversion (see afx_resources.h).
#include "platform/mfc/afx_resources.h"

#include "platform/win/name_text.h"
#include "platform/win/win_module.h"
#include "platform/win/win_resource.h"

namespace {
const AfxResourceTable* g_resources = nullptr;
}

std::string AfxUtf8(const std::u16string& text) { return pk::Utf16ToUtf8(text); }
std::u16string AfxUtf16(const std::string& text) { return pk::Utf8ToUtf16(text); }

std::string AfxLoadString(UINT id) {
  // With a zero count the table hands out its own text, so any length fits.
  const WCHAR* text = nullptr;
  int n = LoadStringW(nullptr, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (n <= 0 || !text) return std::string();
  return AfxUtf8(std::u16string(text, static_cast<size_t>(n)));
}

void AfxPromptParts(UINT id, std::string* flyBy, std::string* tooltip) {
  std::string s = AfxLoadString(id);
  size_t nl = s.find('\n');
  if (flyBy) *flyBy = s.substr(0, nl);
  if (tooltip) *tooltip = nl == std::string::npos ? std::string() : s.substr(nl + 1);
}

void AfxSetResources(const AfxResourceTable* table) { g_resources = table; }

const AfxMenu* AfxFindMenu(UINT id) {
  if (!g_resources) return nullptr;
  for (int i = 0; i < g_resources->menuCount; ++i)
    if (g_resources->menus[i].id == id) return &g_resources->menus[i].menu;
  return nullptr;
}

const AfxAccelTable* AfxFindAccelerators(UINT id) {
  if (!g_resources) return nullptr;
  for (int i = 0; i < g_resources->accelCount; ++i)
    if (g_resources->accels[i].id == id) return &g_resources->accels[i].table;
  return nullptr;
}

const AfxImage* AfxFindBitmap(UINT id) {
  if (!g_resources) return nullptr;
  for (int i = 0; i < g_resources->bitmapCount; ++i)
    if (g_resources->bitmaps[i].id == id) return &g_resources->bitmaps[i].image;
  return nullptr;
}

const AfxDialogTemplate* AfxFindDialog(UINT id) {
  if (!g_resources) return nullptr;
  for (int i = 0; i < g_resources->dialogCount; ++i)
    if (g_resources->dialogs[i]->id == id) return g_resources->dialogs[i];
  return nullptr;
}
