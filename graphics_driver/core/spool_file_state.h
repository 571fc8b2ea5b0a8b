// The spool-file state of one document: a temp file object of the job output
// and the pixel packing of images, made together with the page image list.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/temp_file.h"
#include "graphics_driver/core/page_image_list.h"
#include "settings/devmode/devmode_layout.h"

struct SpoolFileState {
  TempFile tempFile;
  // 8, 4 or 1 for setting 330 = 1, 2 or other. 1 keeps 4-bit images at two
  // pixels per byte; the others make the image reader give a byte a pixel.
  uint32_t pixelPacking;
  BYTE reserved[2608 - sizeof(TempFile) - 4];
};
static_assert(sizeof(SpoolFileState) == 2608);

// Makes the state (its temp file object knows the resource module) and the
// page image list: 0; -1 for bad arguments or a temp file object that cannot
// be set up; -2 when memory runs out. Nothing is left behind on failure.
int CreateSpoolFileState(SpoolFileState** state, PageImageList** list, const WorkingDevMode* settings,
                         HMODULE resourceModule);
// Deletes the temp file when it is open, frees the state, drains and frees
// the list: 0, or -1 for a null address.
int FreeSpoolFileState(SpoolFileState** state, PageImageList** list);
