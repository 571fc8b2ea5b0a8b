// The colour library stage over the page image list (see color_converter.h).
#include "graphics_driver/core/color_converter.h"

int FlushImageColours(ColorConverter* converter, PageImageList* list, int keep) {
  if (!list || !list->first) return 0;
  if (!converter) return -1;
  if (!keep) converter->runFlags &= ~kRunColorLibrary;
  if ((converter->runFlags & (kRunImageMatrix | kRunFirstTransform | kRunSecondTransform | kRunColorLibrary)) == 0)
    return 0;
  // The per-image passes need the transforms and the colour library, which
  // this driver does not bind: the images cannot be converted.
  return -1;
}
