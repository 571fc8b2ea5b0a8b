// Colormap expansion: the front, the common part and the nine instances.
#include "raster/color/rst_apply_colormap.h"

#include <climits>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

bool is_depth(int32_t bits) { return bits == 1 || bits == 8 || bits == 16; }

// One unsigned raw channel of indices over a colormap that has entries,
// channels and data.
bool expandable(const RstHeader& h) {
  const RstColormap* map = h.colormap.get();
  return h.samples_per_pixel == 1 && h.sample_kind == RstSampleKind::unsigned_int && h.data_form == RstDataForm::raw &&
         h.width >= 0 && map && map->entries() > 0 && map->channels() > 0 && map->size() > 0;
}

// Bytes of one expanded line, in 64 bits (header fields can be anything).
int64_t expanded_line_bytes(int64_t width, int64_t channels, int64_t out_bits) {
  return (width * channels * out_bits + 7) >> 3;
}

bool line_fits(const RstHeader& h) {
  return expanded_line_bytes(h.width, h.colormap->channels(), h.colormap->bits()) <= INT32_MAX;
}

// Sample k of packed data of N-bit samples: bits most significant first,
// bytes, or 16-bit words in machine order.
template <int N>
inline uint32_t packed_sample(const uint8_t* data, uint64_t k) {
  if constexpr (N == 1) {
    return (data[k >> 3] >> (7 - (k & 7))) & 1u;
  } else if constexpr (N == 8) {
    return data[k];
  } else {
    uint16_t v;
    std::memcpy(&v, data + 2 * k, 2);
    return v;
  }
}

template <int OUT>
inline void put_sample(uint8_t* line, uint64_t k, uint32_t v) {
  if constexpr (OUT == 1) {
    uint8_t mask = uint8_t(0x80 >> (k & 7));
    if (v & 1u) line[k >> 3] |= mask;
    else line[k >> 3] &= uint8_t(~mask);
  } else if constexpr (OUT == 8) {
    line[k] = uint8_t(v);
  } else {
    uint16_t w = uint16_t(v);
    std::memcpy(line + 2 * k, &w, 2);
  }
}

}  // namespace

RstRead* RstApplyColormap::create(RstRead* source) {
  const char* where = "RstApplyColormap::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (!h.colormap) return source;
  RstCreateGuard guard(source);
  if (!expandable(h)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  int32_t in = h.bits_per_sample, out = h.colormap->bits();
  if (!is_depth(in) || !is_depth(out)) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  if (!line_fits(h)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstRead* node = nullptr;
  switch (in * 100 + out) {
    case 101: node = RstApplyColormapNBit<1, 1>::create(source); break;
    case 108: node = RstApplyColormapNBit<1, 8>::create(source); break;
    case 116: node = RstApplyColormapNBit<1, 16>::create(source); break;
    case 801: node = RstApplyColormapNBit<8, 1>::create(source); break;
    case 808: node = RstApplyColormapNBit<8, 8>::create(source); break;
    case 816: node = RstApplyColormapNBit<8, 16>::create(source); break;
    case 1601: node = RstApplyColormapNBit<16, 1>::create(source); break;
    case 1608: node = RstApplyColormapNBit<16, 8>::create(source); break;
    default: node = RstApplyColormapNBit<16, 16>::create(source); break;
  }
  return rst_create_end(node, guard);
}

RstApplyColormap::~RstApplyColormap() { rst_free(line_buffer_); }

void RstApplyColormap::header(RstHeader& h) {
  RstProcess::header(h);
  if (h.colormap) {
    h.bits_per_sample = h.colormap->bits();
    h.samples_per_pixel = h.colormap->channels();
    h.colormap.reset();
  }
}

bool RstApplyColormap::initiate() {
  source_line_size_ = source()->line_size();
  // Never less than the indices of one line, whatever the source says.
  RstHeader h(source());
  int64_t need = (int64_t(h.width) * h.bits_per_sample + 7) >> 3;
  int64_t size = source_line_size_ > need ? source_line_size_ : need;
  line_buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(size > 0 ? size : 1)));
  if (!line_buffer_) {
    rst_report(RstCode::no_memory, "RstApplyColormap::initiate()");
    return false;
  }
  return true;
}

template <int IN, int OUT>
RstRead* RstApplyColormapNBit<IN, OUT>::create(RstRead* source) {
  const char* where = "RstApplyColormapNBit::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (!h.colormap) return source;
  RstCreateGuard guard(source);
  if (!expandable(h) || h.bits_per_sample != IN || h.colormap->bits() != OUT || !line_fits(h)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstApplyColormapNBit<IN, OUT>>(source), guard);
}

template <int IN, int OUT>
RstApplyColormapNBit<IN, OUT>::~RstApplyColormapNBit() {
  rst_free(table_);
}

template <int IN, int OUT>
bool RstApplyColormapNBit<IN, OUT>::initiate() {
  if (!RstApplyColormap::initiate()) return false;
  RstHeader h(source());
  const RstColormap* map = h.colormap.get();
  if (!map || !map->data()) {
    rst_report(RstCode::no_memory, "RstApplyColormapNBit::initiate()");
    return false;
  }
  width_ = h.width;
  channels_ = map->channels();
  entries_ = uint32_t(map->entries());
  // 1- and 8-bit indices reach 2^IN entries: the table holds at least that
  // many, those past the colormap's being 0, so that no index is out of it.
  table_entries_ = entries_;
  if constexpr (IN < 16) {
    if (table_entries_ < (1u << IN)) table_entries_ = 1u << IN;
  }
  uint64_t values = uint64_t(table_entries_) * uint64_t(channels_);
  uint64_t bytes = values * sizeof(uint32_t);
  if (bytes <= uint64_t(INT32_MAX)) table_ = static_cast<uint32_t*>(rst_calloc(size_t(bytes)));
  if (!table_) {
    rst_report(RstCode::no_memory, "RstApplyColormapNBit::initiate ()");
    return false;
  }
  uint64_t samples = uint64_t(entries_) * uint64_t(channels_);
  for (uint64_t k = 0; k < samples; ++k) table_[k] = packed_sample<OUT>(map->data(), k);
  return true;
}

template <int IN, int OUT>
int RstApplyColormapNBit<IN, OUT>::line_size() {
  if (channels_ > 0) return int(expanded_line_bytes(width_, channels_, OUT));
  RstHeader h(this);
  int64_t bytes = expanded_line_bytes(h.width, h.samples_per_pixel, OUT);
  return bytes >= 0 && bytes <= INT32_MAX ? int(bytes) : 0;
}

template <int IN, int OUT>
int RstApplyColormapNBit<IN, OUT>::read(uint8_t* line) {
  if (source()->read(line_buffer_) != source_line_size_) return 0;
  const uint32_t* table = table_;
  const uint8_t* in = line_buffer_;
  const int32_t channels = channels_;
  if constexpr (OUT == 8 && IN != 16) {
    // The display case: one load per output sample.
    if (channels == 3) {
      uint8_t* out = line;
      for (int32_t x = 0; x < width_; ++x, out += 3) {
        const uint32_t* e = table + 3 * packed_sample<IN>(in, uint64_t(x));
        out[0] = uint8_t(e[0]);
        out[1] = uint8_t(e[1]);
        out[2] = uint8_t(e[2]);
      }
      return line_size();
    }
  }
  uint64_t k = 0;
  for (int32_t x = 0; x < width_; ++x) {
    uint32_t i = packed_sample<IN>(in, uint64_t(x));
    if constexpr (IN == 16) {
      if (i >= entries_) {
        for (int32_t c = 0; c < channels; ++c) put_sample<OUT>(line, k++, 0);
        continue;
      }
    }
    const uint32_t* e = table + uint64_t(i) * uint64_t(channels);
    for (int32_t c = 0; c < channels; ++c) put_sample<OUT>(line, k++, e[c]);
  }
  return line_size();
}

template class RstApplyColormapNBit<1, 1>;
template class RstApplyColormapNBit<1, 8>;
template class RstApplyColormapNBit<1, 16>;
template class RstApplyColormapNBit<8, 1>;
template class RstApplyColormapNBit<8, 8>;
template class RstApplyColormapNBit<8, 16>;
template class RstApplyColormapNBit<16, 1>;
template class RstApplyColormapNBit<16, 8>;
template class RstApplyColormapNBit<16, 16>;
