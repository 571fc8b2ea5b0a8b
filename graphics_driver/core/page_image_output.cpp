// The page images at page end (see page_image_output.h).
#include "graphics_driver/core/page_image_output.h"

#include "graphics_driver/core/color_converter.h"
#include "graphics_driver/core/page_image_list.h"

int FlushPageImage(PdevState* pdev, int keep) {
  if (!pdev) return -1;
  auto* list = static_cast<PageImageList*>(pdev->pageImages);
  if (!list || !list->first) return 0;
  if (FlushImageColours(pdev->colorConverter, list, keep) >= 0 && OutputPageImages(pdev) == 1) return 0;
  DrainPageImages(list);
  return -1;
}

int OutputPageImages(PdevState* pdev) {
  if (!pdev) return 0;
  auto* list = static_cast<PageImageList*>(pdev->pageImages);
  if (!list || !list->first) return 1;
  // No image output is bound to the page yet: an entry cannot go out.
  return 0;
}
