// The preview's settings file (see dravix_settings.h).
#include "preview/dravix_settings.h"

#include <cstdio>

#include "platform/win/win_profile.h"

namespace dravix_settings {

int Read(const char* iniPath, const char* key, int defaultValue) {
  if (!iniPath || !*iniPath) return defaultValue;
  return static_cast<int>(GetPrivateProfileIntA(kSection, key, defaultValue, iniPath));
}

void Write(const char* iniPath, const char* section, const char* key, int value) {
  if (!iniPath || !*iniPath) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  WritePrivateProfileStringA(section, key, text, iniPath);
}

int ReadWindowFlag(const char* iniPath) { return Read(iniPath, "WINDOWFLAG", kDefaultWindowFlag); }

RECT ReadWindowRect(const char* iniPath) {
  RECT r;
  r.left = Read(iniPath, "XPOINT", kDefaultPoint);
  r.top = Read(iniPath, "YPOINT", kDefaultPoint);
  r.right = Read(iniPath, "XSIZE_WINDOW", kDefaultWindowSize);
  r.bottom = Read(iniPath, "YSIZE_WINDOW", kDefaultWindowSize);
  return r;
}

void ReadFitBox(const char* iniPath, int* width, int* height) {
  *width = Read(iniPath, "XSIZE_IMAGE", kDefaultImageSize);
  *height = Read(iniPath, "YSIZE_IMAGE", kDefaultImageSize) - kImageHeightMargin;
}

void SaveWindow(const char* iniPath, const WINDOWPLACEMENT* placement, const RECT& windowRect) {
  if (placement) {
    const RECT& n = placement->rcNormalPosition;
    Write(iniPath, kSection, "WINDOWFLAG", placement->showCmd == kShowMaximized ? 3 : 5);
    Write(iniPath, kSection, "XPOINT", n.left);
    Write(iniPath, kSection, "YPOINT", n.top);
    Write(iniPath, kSection, "XSIZE_WINDOW", n.right - n.left);
    Write(iniPath, kSection, "YSIZE_WINDOW", n.bottom - n.top);
  }
  Write(iniPath, kSection, "XSIZE_IMAGE", windowRect.right - windowRect.left);
  Write(iniPath, kSection, "YSIZE_IMAGE", windowRect.bottom - windowRect.top);
}

}  // namespace dravix_settings
