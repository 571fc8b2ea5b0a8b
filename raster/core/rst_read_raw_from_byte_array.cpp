// Raw readers over a caller's bytes and over a header's colormap.
#include "raster/core/rst_read_raw_from_byte_array.h"

#include <limits>

#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_input_owning_read.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/rst_status_context.h"

RstRead* RstReadRawFromByteArray::create(const void* bytes, const RstHeader& header, int32_t stride, bool bottom_up,
                                         bool bit_reverse) {
  int64_t length = int64_t{stride} * header.height;
  if (!bytes || stride <= 0 || header.height < 0 || length == 0 || length > std::numeric_limits<int32_t>::max()) {
    rst_report(RstCode::bad_argument, "RstReadRawFromByteArray::create()");
    return nullptr;
  }
  ByteArrayInputSource source{bytes, static_cast<int32_t>(length), nullptr};
  InputStorage* storage = source.create_input();
  if (!storage) {
    rst_report(RstCode::no_memory, "RstInputCreatingRead<Input,Reader>::create()");
    return nullptr;
  }
  RstRead* node = nullptr;
  try {
    node = RstInputOwningRead<RstReadRaw>::create(storage, header, stride, bottom_up, bit_reverse);
  } catch (...) {
    delete storage;
    throw;
  }
  if (!node) delete storage;
  return node;
}

RstRead* RstReadColormap::create(const RstHeader& header) {
  const RstColormap* colormap = header.colormap.get();
  if (!colormap) {
    rst_report(RstCode::bad_argument, "RstReadColormap::create()");
    return nullptr;
  }
  RstHeader line;
  line.width = colormap->entries();
  line.height = 1;
  line.bits_per_sample = colormap->bits();
  line.samples_per_pixel = colormap->channels();
  line.sample_kind = 0;
  line.data_form = 0;
  line.color_type = header.color_type;
  int64_t stride = (int64_t{colormap->entries()} * colormap->channels() * colormap->bits() + 7) / 8;
  if (stride > colormap->size()) stride = 0;  // no packed data to read: refused below
  return RstReadRawFromByteArray::create(colormap->data(), line, static_cast<int32_t>(stride), false, false);
}
