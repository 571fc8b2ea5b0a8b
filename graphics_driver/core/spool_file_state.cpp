// The spool-file state (see spool_file_state.h).
#include "graphics_driver/core/spool_file_state.h"

#include "platform/win/win_memory.h"
#include "settings/access/setting_access.h"

int CreateSpoolFileState(SpoolFileState** state, PageImageList** list, const WorkingDevMode* settings,
                         HMODULE resourceModule) {
  if (!state || !list || !settings) return -1;
  auto* made = static_cast<SpoolFileState*>(GlobalAlloc(GPTR, sizeof(SpoolFileState)));
  if (!made) return -2;
  if (ResetTempFile(&made->tempFile, 0, resourceModule) != 0) {
    GlobalFree(made);
    return -1;
  }
  switch (GetSettingInt(settings, nullptr, 330)) {
    case 1: made->pixelPacking = 8; break;
    case 2: made->pixelPacking = 4; break;
    default: made->pixelPacking = 1; break;
  }
  auto* head = static_cast<PageImageList*>(GlobalAlloc(GPTR, sizeof(PageImageList)));
  if (!head) {
    GlobalFree(made);
    return -2;
  }
  *state = made;
  *list = head;
  return 0;
}

int FreeSpoolFileState(SpoolFileState** state, PageImageList** list) {
  if (!state || !list) return -1;
  if (*state) {
    if ((*state)->tempFile.open) DeleteTempFile(&(*state)->tempFile);
    GlobalFree(*state);
    *state = nullptr;
  }
  if (*list) {
    FreePageImageList(*list);
    *list = nullptr;
  }
  return 0;
}
