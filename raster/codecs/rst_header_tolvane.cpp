// Conversions between image headers and stage descriptions.
#include "raster/codecs/rst_header_tolvane.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_root.h"
#include "raster/core/rst_status_context.h"

namespace {

// Sample `index` of a packed colormap: `bits` wide, most significant bit first.
uint32_t packed_sample(const uint8_t* data, int64_t index, int bits) {
  uint32_t v = 0;
  int64_t bit = index * bits;
  for (int i = 0; i < bits; ++i, ++bit) v = (v << 1) | ((data[bit >> 3] >> (7 - (bit & 7))) & 1u);
  return v;
}

}  // namespace

RstHeaderTolvane::RstHeaderTolvane() { derive(); }

RstHeaderTolvane::RstHeaderTolvane(const TolvaneImageInfo& info) {
  RstColorType* type = TolvaneColorCode::to_color_type(info.format);
  int channels = type->channels();
  if (info.colormap) channels = 1;
  if (TolvaneOrder::is_four_channel(info.component_order)) channels = 4;
  color_type = type;
  // Without a channel count the bits per pixel cannot be shared out.
  if (channels > 0) {
    samples_per_pixel = channels;
    bits_per_sample = static_cast<int32_t>(info.format >> 16) / channels;
  }
  width = info.width;
  height = info.height;
  sample_kind = RstSampleKind::unsigned_int;
  data_form = RstDataForm::raw;
  if (info.colormap) {
    auto* map = rst_new<RstColormap>(8, 3, 256);
    if (!map || map->size() != 3 * 256) {
      delete map;
      rst_report(RstCode::no_memory, "RstHeaderTolvane::RstHeaderTolvane()");
    } else {
      uint8_t* d = map->data();
      for (int i = 0; i < 256; ++i) {
        d[3 * i] = info.colormap[i];
        d[3 * i + 1] = info.colormap[256 + i];
        d[3 * i + 2] = info.colormap[512 + i];
      }
      colormap.reset(map);
    }
  }
  derive();
}

RstHeaderTolvane::RstHeaderTolvane(const RstHeader& header) : RstHeader(header) { derive(); }

RstHeaderTolvane::RstHeaderTolvane(RstRoot* node) : RstHeader(node) { derive(); }

RstHeaderTolvane::RstHeaderTolvane(const RstHeaderTolvane& other) : RstHeader(other) { derive(); }

RstHeaderTolvane& RstHeaderTolvane::operator=(const RstHeaderTolvane& other) {
  if (this != &other) {
    RstHeader::operator=(other);
    derive();
  }
  return *this;
}

void RstHeaderTolvane::set_color_type(RstColorType* type) {
  color_type = type;
  info_.format = (info_.format & 0xFFFF0000u) | TolvaneColorCode::from_color_type(type);
}

int32_t RstHeaderTolvane::packed_line_bytes(const RstHeader& h) {
  int64_t bits = int64_t{h.width} * h.samples_per_pixel * h.bits_per_sample;
  int64_t bytes = (bits + 7) >> 3;
  return bytes >= 0 && bytes <= INT32_MAX ? static_cast<int32_t>(bytes) : 0;
}

bool RstHeaderTolvane::colormap_fits(const RstHeader& header) {
  const RstColormap* map = header.colormap.get();
  if (!map) return true;
  return map->entries() <= 256 && map->channels() <= 3 && map->bits() <= 8;
}

void RstHeaderTolvane::derive() {
  info_.component_order = TolvaneOrder::normal;
  uint32_t bits = static_cast<uint32_t>(bits_per_sample) * static_cast<uint32_t>(samples_per_pixel);
  info_.format = (bits << 16) | TolvaneColorCode::from_color_type(color_type);
  info_.width = width;
  info_.height = height;
  info_.colormap = nullptr;
  const RstColormap* map = colormap.get();
  if (!map) return;
  // At most 256 entries of the first three channels fit; a sample wider
  // than 8 bits gives its high 8 bits.
  std::memset(planar_, 0, sizeof planar_);
  int entries = std::min(map->entries(), 256);
  int channels = std::min(map->channels(), 3);
  int bits_each = map->bits();
  if (map->size() > 0 && bits_each > 0 && bits_each <= 32) {
    for (int c = 0; c < channels; ++c) {
      for (int e = 0; e < entries; ++e) {
        uint32_t v = packed_sample(map->data(), int64_t{e} * map->channels() + c, bits_each);
        planar_[256 * c + e] = static_cast<uint8_t>(bits_each > 8 ? v >> (bits_each - 8) : v);
      }
    }
  }
  info_.colormap = planar_;
}
