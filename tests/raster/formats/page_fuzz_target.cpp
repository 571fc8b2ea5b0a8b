// The page reading fuzz entry, and the fixed-budget run of it in the test
// program over mutations of valid pages of every coding.
#include "page_fuzz_target.h"

#include <memory>
#include <random>
#include <vector>

#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/mrc/rst_mrc_creators.h"

namespace {

int read_page(InputStorage& in, uint32_t page) {
  in.rewind();
  RstOwner<RstRead> reader(RstReadRaster::create(&in, page));
  if (!reader) return 0;
  int size = reader->line_size();
  if (size <= 0 || size > (1 << 24)) return 0;
  std::vector<uint8_t> line(static_cast<size_t>(size));
  int lines = 0;
  // Pages of hostile heights are cut short: the budget is per input.
  while (lines < 4096 && reader->read(line.data()) > 0) ++lines;
  return lines;
}

}  // namespace

int page_fuzz_one(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  rst_register_color_creators();
  rst_register_geometry_creators();
  rst_register_mrc_creators();
  RstFuzzObserver observer((data[0] & 1) != 0);
  ByteArrayInputStorage in(data + 1, int32_t(size - 1));
  int lines = 0;
  for (uint32_t page = 1; page <= 2; ++page) {
    try {
      lines += read_page(in, page);
    } catch (const RstStatus&) {
    }
  }
  try {
    in.rewind();
    std::unique_ptr<RstImageInfo> info(RstImageInfo::create(&in, 1));
    if (info) lines += int(info->page_count());
  } catch (const RstStatus&) {
  }
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  page_fuzz_one(data, size);
  return 0;
}
#endif
