// Preset stamp colours and the grey conversion of pixel rows.
#include "settings/model/stamp_colors.h"

namespace {

constexpr COLORREF kPresetColours[] = {
    RGB(255, 51, 0),   RGB(255, 153, 51), RGB(255, 204, 0), RGB(99, 137, 101),
    RGB(51, 102, 204), RGB(141, 81, 147), RGB(0, 0, 0),
};
constexpr int kPresetCount = 7;
// Keys 1-8 are known; key n names colour n - 1, and key 8 has none.
constexpr int kLastKey = 8;

}  // namespace

int GetPresetColor(int key, COLORREF* colour, int index) {
  if (index == -1) {
    if (key < 1 || key > kLastKey) return 0;
    index = key - 1;
  }
  if (index < 0 || index >= kPresetCount || !colour) return 0;
  *colour = kPresetColours[index];
  return 1;
}

void ConvertRowToGrey(const BYTE* pixels, BYTE* grey, int pixelsPerRow, int rows) {
  if (!pixels || !grey || pixelsPerRow <= 0 || rows <= 0) return;
  size_t count = static_cast<size_t>(pixelsPerRow) * static_cast<size_t>(rows);
  for (size_t k = 0; k < count; ++k) {
    const BYTE* p = pixels + 3 * k;
    if (p[0] == p[1] && p[1] == p[2]) grey[k] = p[0];
    else grey[k] = static_cast<BYTE>(((p[0] + p[2]) * 85 + p[1] * 86) / 256);
  }
}
