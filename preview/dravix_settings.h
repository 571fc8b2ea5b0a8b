// The preview's settings file: section "WINDOWINFO" of "Brisca.ini", decimal
// integers written with "%d". Reads give their defaults when the file, the
// key or the path is missing; writes never report (a missing folder "Brisca"
// simply leaves nothing written).
#pragma once

#include "platform/ui/win_window.h"
#include "platform/win/win_types.h"

namespace dravix_settings {

inline constexpr char kSection[] = "WINDOWINFO";
inline constexpr int kDefaultWindowFlag = 5;
inline constexpr int kDefaultPoint = 80;
inline constexpr int kDefaultWindowSize = 768;
inline constexpr int kDefaultImageSize = 760;
// The fit box is the stored window height less this.
inline constexpr int kImageHeightMargin = 90;
inline constexpr UINT kShowMaximized = 3;

// The key's value in "WINDOWINFO", or the default.
int Read(const char* iniPath, const char* key, int defaultValue);
// Formats the value with "%d" and writes it; the result is ignored.
void Write(const char* iniPath, const char* section, const char* key, int value);

// Show command of the main window ("WINDOWFLAG").
int ReadWindowFlag(const char* iniPath);
// Left, top, width, height of the main window.
RECT ReadWindowRect(const char* iniPath);
// Width and height of the fit box ("XSIZE_IMAGE", "YSIZE_IMAGE" less 90).
void ReadFitBox(const char* iniPath, int* width, int* height);

// The close of the main window: with a placement, "WINDOWFLAG" (3 when
// maximised, else 5) and the normal rectangle; in every case the current
// window rectangle's width and height as the image keys.
void SaveWindow(const char* iniPath, const WINDOWPLACEMENT* placement, const RECT& windowRect);

}  // namespace dravix_settings
