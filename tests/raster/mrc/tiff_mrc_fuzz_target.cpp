// The fuzz entry over mixed raster content page reading.
#include "tiff_mrc_fuzz_target.h"

#include <vector>

#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_fuzz_observer.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_tiff.h"
#include "raster/geometry/rst_geometry_creators.h"
#include "raster/mrc/rst_mrc_creators.h"
#include "raster/mrc/rst_read_and_decode_tiff_mrc.h"

namespace {

int read_page(InputStorage& in, uint32_t page, bool mask_referenced) {
  in.rewind();
  RstReadTIFFHeader* header = RstReadTIFF::private_header(&in, page, 3);
  if (!header) return 0;
  RstOwner<RstRead> reader;
  try {
    reader.attach(mask_referenced ? RstReadAndDecodeTIFFMRC::create(&in, header, true)
                                  : RstReadTIFF::create(&in, header, false));
  } catch (const RstStatus&) {
    rst_release(header);
    throw;
  }
  rst_release(header);
  if (!reader) return 0;
  int size = reader->line_size();
  if (size <= 0 || size > (1 << 24)) return 0;
  std::vector<uint8_t> line(static_cast<size_t>(size));
  int lines = 0;
  // Pages of hostile heights are cut short: the budget is per input.
  while (lines < 4096 && reader->read(line.data()) > 0) ++lines;
  reader->reset();
  for (int i = 0; i < 8 && reader->read(line.data()) > 0; ++i) ++lines;
  return lines;
}

}  // namespace

int tiff_mrc_fuzz_one(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  rst_register_color_creators();
  rst_register_geometry_creators();
  rst_register_mrc_creators();
  RstFuzzObserver observer((data[0] & 1) != 0);
  bool mask_referenced = (data[0] & 2) != 0;
  ByteArrayInputStorage in(data + 1, int32_t(size - 1));
  int lines = 0;
  for (uint32_t page = 1; page <= 2; ++page) {
    try {
      lines += read_page(in, page, mask_referenced);
    } catch (const RstStatus&) {
    }
  }
  return lines;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tiff_mrc_fuzz_one(data, size);
  return 0;
}
#endif
