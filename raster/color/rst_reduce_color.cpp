// Palette reduction: the reducing nodes and the pipelines of the fronts.
#include "raster/color/rst_reduce_color.h"

#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_reinterpret.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const char* const kFront = "RstReduceColor8xNTo8CCmap::create()";
const char* const kThree = "RstReduceColor8x3To8CCmap::create()";
const char* const kFour = "RstReduceColor8x4To8CCmap::create()";

// An index is one byte: 1 to 256 entries of 8-bit samples.
bool colormap_fits(const RstColormap* map, int channels) {
  return map && map->bits() == 8 && map->channels() == channels && map->entries() > 0 && map->entries() <= 256 &&
         map->data();
}

// The test shared by the 3-channel creates.
bool three_channel_fits(RstRead* source, const RstColormap* map) {
  if (!source) {
    rst_report(RstCode::bad_argument, kThree);
    return false;
  }
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 3 || h.data_form != RstDataForm::raw) {
    rst_report(RstCode::unsupported_form, kThree);
    return false;
  }
  if (!colormap_fits(map, 3)) {
    rst_report(RstCode::bad_argument, kThree);
    return false;
  }
  return true;
}

// A new colormap of the same bits, channels, entries and packed data, held by
// a counted pointer; empty when it could not be made.
RstCountedPtr<RstColormap> copy_of(const RstColormap& colormap) {
  RstColormap* copy = rst_new<RstColormap>(colormap.bits(), colormap.channels(), colormap.entries(), colormap.data());
  if (!copy) return {};
  if (colormap.size() > 0 && copy->size() != colormap.size()) {
    delete copy;
    return {};
  }
  RstCountedPtr<RstColormap> held(copy);
  return held;  // empty when its count could not be made
}

}  // namespace

// The nodes.

RstReduceColor8xNTo8C::RstReduceColor8xNTo8C(RstRead* source) : RstProcess(source) {
  RstHeader h(source);
  width_ = h.width > 0 ? h.width : 0;
  source_line_size_ = source->line_size();
  line_buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(source_line_size_ > 0 ? source_line_size_ : 1)));
  if (!line_buffer_) rst_report(RstCode::no_memory, "RstReduceColor8xNTo8C::RstReduceColor8xNTo8C()");
}

RstReduceColor8xNTo8C::~RstReduceColor8xNTo8C() { rst_free(line_buffer_); }

void RstReduceColor8xNTo8C::header(RstHeader& h) {
  RstProcess::header(h);
  h.samples_per_pixel = 1;
  h.colormap = colormap_;
}

RstReduceColor8x3To8CCmap::RstReduceColor8x3To8CCmap(RstRead* source, const RstColormapIndexTable& table)
    : RstReduceColor8xNTo8C(source), table_(table) {
  colormap_ = table_.colormap();
}

bool RstReduceColor8x3To8CCmap::initiate() {
  // A table copy without cells has been reported by the table.
  return RstReduceColor8xNTo8C::initiate() && table_.cells();
}

int RstReduceColor8x3To8CCmap::read(uint8_t* line) {
  if (source()->read(line_buffer_) != source_line_size_) return 0;
  if (width_ == 0) return 0;
  const uint8_t* in = line_buffer_;
  const uint8_t* cells = table_.cells();
  const uint32_t shift = uint32_t(table_.shift());
  const uint32_t first = uint32_t(table_.first_shift()), second = uint32_t(table_.second_shift());
  for (int32_t x = 0; x < width_; ++x, in += 3) {
    line[x] = cells[((uint32_t(in[0]) >> shift) << first) | ((uint32_t(in[1]) >> shift) << second) |
                    (uint32_t(in[2]) >> shift)];
  }
  return width_;
}

// The 3-channel creates.

RstRead* RstReduceColor8x3To8CCmap::create(RstRead* source, const RstCountedPtr<RstColormap>& colormap) {
  RstCreateGuard guard(source);
  if (!three_channel_fits(source, colormap.get())) return nullptr;
  RstColormapIndexTable table(colormap, 5);
  if (!table.cells()) return nullptr;
  RstRead* node = create(source, table);
  return node ? rst_create_end(node, guard) : nullptr;
}

RstRead* RstReduceColor8x3To8CCmap::create(RstRead* source, const RstColormap& colormap) {
  RstCreateGuard guard(source);
  if (!three_channel_fits(source, &colormap)) return nullptr;
  RstCountedPtr<RstColormap> copy = copy_of(colormap);
  if (!copy) {
    rst_report(RstCode::no_memory, kThree);
    return nullptr;
  }
  RstColormapIndexTable table(copy, 5);
  if (!table.cells()) return nullptr;
  RstRead* node = create(source, table);
  return node ? rst_create_end(node, guard) : nullptr;
}

RstRead* RstReduceColor8x3To8CCmap::create(RstRead* source, const RstColormapIndexTable& table) {
  RstCreateGuard guard(source);
  if (!three_channel_fits(source, table.colormap().get())) return nullptr;
  if (!table.cells()) {
    rst_report(RstCode::no_memory, kThree);
    return nullptr;
  }
  auto* node = rst_new<RstReduceColor8x3To8CCmap>(source, table);
  if (!node) {
    rst_report(RstCode::no_memory, kThree);
    return nullptr;
  }
  return rst_create_end_node_or_drop(node, guard);
}

// The fronts.

RstRead* RstReduceColor8xNTo8CCmap::create(RstRead* source, const RstColormap& colormap) {
  if (!source || !(colormap_fits(&colormap, 3) || colormap_fits(&colormap, 4))) {
    RstCreateGuard guard(source);
    rst_report(RstCode::bad_argument, kFront);
    return nullptr;
  }
  RstCreateGuard guard(source);
  RstHeader h(source);
  if (h.bits_per_sample != 8 || (h.samples_per_pixel != 3 && h.samples_per_pixel != 4)) {
    rst_report(RstCode::unsupported_form, kFront);
    return nullptr;
  }
  if (h.samples_per_pixel != colormap.channels()) {
    rst_report(RstCode::bad_argument, kFront);
    return nullptr;
  }
  RstRead* node = colormap.channels() == 3 ? RstReduceColor8x3To8CCmap::create(source, colormap)
                                           : RstReduceColor8x4To8CCmap::create(source, colormap);
  return node ? rst_create_end(node, guard) : nullptr;
}

RstRead* RstReduceColor8xNTo8CCmap::create(RstRead* source, const RstCountedPtr<RstColormap>& colormap) {
  if (!colormap) {
    RstCreateGuard guard(source);
    rst_report(RstCode::bad_argument, kFront);
    return nullptr;
  }
  return create(source, *colormap);
}

RstRead* RstReduceColor8x4To8CCmap::create(RstRead* source, const RstColormap& colormap) {
  if (!source || !colormap_fits(&colormap, 4)) {
    RstCreateGuard guard(source);
    rst_report(RstCode::bad_argument, kFour);
    return nullptr;
  }
  RstCreateGuard guard(source);
  RstHeader h(source);
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 4) {
    rst_report(RstCode::unsupported_form, kFour);
    return nullptr;
  }
  // The image to RGB.
  RstRead* rgb = RstTransformColorTo::create(source, RstColorType::s_rgb(), nullptr);
  if (!rgb) return nullptr;
  // Ends what was built over the source, never the source itself (the guard
  // holds it for the caller).
  auto drop = [source](RstRead* node) {
    if (node && node != source) node->end();
    return nullptr;
  };
  RstCountedPtr<RstColormap> copy = copy_of(colormap);
  if (!copy) {
    rst_report(RstCode::no_memory, kFour);
    return drop(rgb);
  }
  // The colormap to RGB: a one-pixel indexed image over the copy, whose
  // conversion converts its colormap.
  RstCountedPtr<RstColormap> rgb_map;
  {
    static const uint8_t zero = 0;
    RstHeader proxy_header;
    proxy_header.width = 1;
    proxy_header.height = 1;
    proxy_header.bits_per_sample = 8;
    proxy_header.samples_per_pixel = 1;
    proxy_header.sample_kind = h.sample_kind;
    proxy_header.color_type = h.color_type;
    proxy_header.colormap = copy;
    RstRead* proxy = RstReadRawFromByteArray::create(&zero, proxy_header, 1, false, false);
    if (!proxy) return drop(rgb);
    RstRead* proxy_rgb = RstTransformColorTo::create(proxy, RstColorType::s_rgb(), nullptr);
    if (!proxy_rgb) {
      proxy->end();
      return drop(rgb);
    }
    rgb_map = RstHeader(proxy_rgb).colormap;
    proxy_rgb->end();
  }
  RstRead* reduced = RstReduceColor8x3To8CCmap::create(rgb, rgb_map);
  if (!reduced) return drop(rgb);
  // Back to the source's colour type; its converted colormap gives way to the
  // caller's.
  RstRead* back = RstTransformColorTo::create(reduced, h.color_type, nullptr);
  if (!back) return drop(reduced);
  RstHeader out(back);
  out.colormap = copy;
  RstRead* node = RstReinterpret::create(back, out);
  if (!node) return drop(back);
  return rst_create_end(node, guard);
}
