// The image info constructor that places the probed storage at the page's
// position; it lives with the storages, which the rest of the info does not need.
#include "raster/core/input_storage.h"
#include "raster/core/rst_image_info.h"

RstImageInfo::RstImageInfo(InputStorage* storage, int32_t position, const RstHeader& header, int32_t x_resolution,
                           int32_t y_resolution, const RstImageFormat& format, RstPrivateHeader* private_header)
    : RstImageInfo(header, x_resolution, y_resolution, format, private_header) {
  this->storage = storage;
  cached_page_count = 0;
  if (storage) storage->seek(position);
}
