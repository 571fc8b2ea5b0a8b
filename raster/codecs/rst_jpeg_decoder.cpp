// The JPEG decoder stage and the core's set-up, MCU rows and line output.
#include "raster/codecs/rst_jpeg_decoder.h"

#include <cstring>

#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_jpeg_decoder_entropy.h"
#include "raster/codecs/rst_jpeg_decoder_markers.h"
#include "raster/codecs/rst_jpeg_idct.h"
#include "raster/codecs/rst_jpeg_resample.h"
#include "raster/core/rst_alloc.h"

namespace {

constexpr int32_t kCorrupt = -3;

bool single_channel(uint32_t code) {
  switch (code) {
    case 0x42:
    case 0x43:
    case 0x44:
    case 0x46:
    case 0x47:
    case 0x48:
    case 0x49:
    case 0xA0:
    case 0xA1: return true;
    default: return false;
  }
}

int64_t ceil_div(int64_t a, int64_t b) { return (a + b - 1) / b; }

// The first component's plane size per MCU row (the target of resampling).
int32_t target_width(const JpegCodecContext* c) { return c->mcus_per_row * c->hmax * 8 / c->scale; }
int32_t target_rows(const JpegCodecContext* c) { return c->vmax * 8 / c->scale; }

// The decoded samples of one component before resampling.
JpegPlane decoded_plane(const JpegCodecContext* c, int32_t i) {
  const JpegComponent& comp = c->comp[i];
  JpegPlane p = c->planes[i];
  p.width = c->mcus_per_row * comp.h * 8 / comp.out_scale;
  p.rows = comp.v * 8 / comp.out_scale;
  p.row = p.start;
  return p;
}

void resample_and_rewind(JpegCodecContext* c) {
  for (int32_t i = 0; i < c->components; ++i) {
    JpegComponent& comp = c->comp[i];
    if (comp.resampler) {
      JpegPlane source = decoded_plane(c, i);
      comp.resampler(source, c->planes[i], comp.resample_h, comp.resample_v, target_width(c), target_rows(c));
    }
    c->planes[i].row = c->planes[i].start;
  }
  c->lines_left = c->lines_per_mcu_row;
  ++c->mcu_row;
}

// Counts an MCU (or a block of a non-interleaved scan) against the restart
// interval; at its end the decoder is reset and the marker read. After the
// scan's last unit the next marker belongs to the scan's end instead.
int32_t count_restart(JpegCodecContext* c, bool last) {
  if (!c->restart_interval || last) return 1;
  if (++c->mcu_counter < c->restart_interval) return 1;
  c->mcu_counter = 0;
  int32_t status = rst_jpeg_reset_decoder_entropy(c);
  if (status < 1) return status;
  return rst_jpeg_read_scan_end(c);
}

int32_t baseline_row(JpegCodecContext* c, bool luminance_only) {
  if (c->mcu_row >= c->mcu_rows) return kCorrupt;
  int32_t result = 1;
  int32_t* block = c->blocks;
  for (int32_t m = 0; m < c->mcus_per_row; ++m) {
    for (int32_t i = 0; i < c->components; ++i) {
      JpegComponent& comp = c->comp[i];
      JpegPlane& plane = c->planes[i];
      int32_t size = 8 / comp.out_scale;
      bool missing = false;
      for (int32_t by = 0; by < comp.v; ++by) {
        for (int32_t bx = 0; bx < comp.h; ++bx) {
          if (!missing) {
            int32_t status = c->block_decoder(c, block, i);
            if (status == kJpegMarkerMet) {
              result = 3;
              missing = true;
            } else if (status < 0) {
              return status;
            }
          }
          // A missing block is mid-grey, never the previous one's samples.
          if (missing) std::memset(block, 0, 65 * sizeof(int32_t));
          if (luminance_only && i != 0) continue;
          uint8_t* out = plane.start + int64_t{by} * size * plane.stride + int64_t{m * comp.h + bx} * size;
          comp.idct(block, nullptr, c->range, out, plane.stride);
        }
      }
    }
    int32_t status = count_restart(c, c->mcu_row == c->mcu_rows - 1 && m == c->mcus_per_row - 1);
    if (status < 0) return status;
  }
  resample_and_rewind(c);
  return result;
}

int32_t progressive_row(JpegCodecContext* c, bool luminance_only) {
  int32_t result = 1;
  if (!c->all_scans_decoded) {
    c->all_scans_decoded = true;
    int32_t status = rst_jpeg_decode_all_scans(c);
    if (status < 0) return status;
    if (status == 3) result = 3;
  }
  if (c->mcu_row >= c->mcu_rows) return kCorrupt;
  int32_t count = luminance_only ? 1 : c->components;
  for (int32_t i = 0; i < count; ++i) {
    JpegComponent& comp = c->comp[i];
    JpegPlane& plane = c->planes[i];
    int32_t size = 8 / comp.out_scale;
    // Stored coefficients are unscaled: the full-size transform dequantises
    // them with the AAN multipliers on the way in.
    bool full = comp.out_scale == 1;
    const int32_t* m = full ? c->fast_multipliers[comp.tq] : c->multipliers[comp.tq];
    JpegIdct idct = full ? rst_jpeg_idct_fast_dequant : comp.idct;
    for (int32_t by = 0; by < comp.v; ++by) {
      const int32_t* row = comp.store + (int64_t{c->mcu_row} * comp.v + by) * comp.blocks_across * 64;
      for (int32_t bx = 0; bx < comp.blocks_across; ++bx)
        idct(row + int64_t{bx} * 64, m, c->range, plane.start + int64_t{by} * size * plane.stride + int64_t{bx} * size,
             plane.stride);
    }
  }
  resample_and_rewind(c);
  return result;
}

int32_t* stored_block(JpegComponent& comp, int64_t row, int64_t column) {
  return comp.store + (row * comp.blocks_across + column) * 64;
}

// One scan into the store; 1, 3 when a marker ended it early, or a failure.
int32_t decode_scan(JpegCodecContext* c) {
  c->mcu_counter = 0;
  if (c->scan_components == 1) {
    // A component alone is coded block by block over its own size.
    int32_t i = c->scan_index[0];
    JpegComponent& comp = c->comp[i];
    int64_t columns = ceil_div(ceil_div(int64_t{c->frame_width} * comp.h, c->hmax), 8);
    int64_t rows = ceil_div(ceil_div(int64_t{c->frame_height} * comp.v, c->vmax), 8);
    for (int64_t by = 0; by < rows; ++by) {
      for (int64_t bx = 0; bx < columns; ++bx) {
        int32_t status = c->block_decoder(c, stored_block(comp, by, bx), i);
        if (status == kJpegMarkerMet) return 3;
        if (status < 0) return status;
        status = count_restart(c, by == rows - 1 && bx == columns - 1);
        if (status < 0) return status;
      }
    }
    return 1;
  }
  for (int32_t mr = 0; mr < c->mcu_rows; ++mr) {
    for (int32_t m = 0; m < c->mcus_per_row; ++m) {
      for (int32_t s = 0; s < c->scan_components; ++s) {
        int32_t i = c->scan_index[s];
        JpegComponent& comp = c->comp[i];
        for (int32_t by = 0; by < comp.v; ++by) {
          for (int32_t bx = 0; bx < comp.h; ++bx) {
            int32_t status =
                c->block_decoder(c, stored_block(comp, int64_t{mr} * comp.v + by, int64_t{m} * comp.h + bx), i);
            if (status == kJpegMarkerMet) return 3;
            if (status < 0) return status;
          }
        }
      }
      int32_t status = count_restart(c, mr == c->mcu_rows - 1 && m == c->mcus_per_row - 1);
      if (status < 0) return status;
    }
  }
  return 1;
}

void put_planes_row(JpegCodecContext* c) {
  for (int32_t i = 0; i < c->components; ++i) c->planes[i].row += c->planes[i].stride;
}

inline uint8_t clamp(int32_t v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// x / 512 rounded to nearest, ties away from zero.
inline int32_t round512(int32_t x) { return x >= 0 ? (x + 256) >> 9 : -((-x + 256) >> 9); }

class JpegDecoderStage final : public RstInstanceTolvane {
 public:
  ~JpegDecoderStage() override { rst_jpeg_context_free(c_); }

  int32_t info(TolvaneImageInfo* info) override {
    if (!info) return 1;
    *info = TolvaneImageInfo();
    info->width = c_->width;
    info->height = c_->last_line - c_->first_line + 1;
    uint32_t code = c_->format & 0xFFFF;
    bool one = c_->line_out != rst_jpeg_get_line3 && c_->line_out != rst_jpeg_get_line_rgb;
    if (c_->luminance_only && (code == 0x27 || code == 0x28 || code == 0x25)) code = code == 0x28 ? 0x48 : 0x47;
    if (fused_rgb_) code = 0x08;
    info->format = (one ? 0x80000u : 0x180000u) | code;
    info->component_order = one ? 0 : 0x00010200;
    return 1;
  }

  int32_t line(uint8_t* buffer) override {
    if (delivered_ >= c_->last_line - c_->first_line + 1) return kCorrupt;
    if (c_->lines_left <= 0) {
      int32_t status = c_->mcu_row_producer(c_);
      if (status < 0) return status;
      if (status == 3 && !warned_) warn_next_ = true;
    }
    c_->line_out(c_, buffer);
    --c_->lines_left;
    ++delivered_;
    if (warn_next_) {
      // Data that ended early is announced once, at the first line it hurt.
      warn_next_ = false;
      warned_ = true;
      return 3;
    }
    return 1;
  }

  int32_t close() override {
    delete this;
    return 1;
  }

  JpegCodecContext* c_ = nullptr;
  bool fused_rgb_ = false;
  bool warned_ = false;
  bool warn_next_ = false;
  int32_t delivered_ = 0;
};

}  // namespace

int32_t rst_jpeg_baseline_mcu_row(JpegCodecContext* c) { return baseline_row(c, false); }
int32_t rst_jpeg_baseline_luminance_mcu_row(JpegCodecContext* c) { return baseline_row(c, true); }
int32_t rst_jpeg_progressive_mcu_row(JpegCodecContext* c) { return progressive_row(c, false); }
int32_t rst_jpeg_progressive_luminance_mcu_row(JpegCodecContext* c) { return progressive_row(c, true); }

int32_t rst_jpeg_decode_all_scans(JpegCodecContext* c) {
  int32_t result = 1;
  for (;;) {
    int32_t status = decode_scan(c);
    if (status < 0) return status;
    if (status == 3) result = 3;
    status = rst_jpeg_next_scan(c);
    if (status < 1) return c->last_marker == 0xD9 ? result : status;
    status = rst_jpeg_reset_decoder_entropy(c);
    if (status < 1) return status;
  }
}

void rst_jpeg_get_line1(JpegCodecContext* c, uint8_t* line) {
  std::memcpy(line, c->planes[0].row, size_t(c->width));
  put_planes_row(c);
}

void rst_jpeg_get_line_luma(JpegCodecContext* c, uint8_t* line) { rst_jpeg_get_line1(c, line); }

void rst_jpeg_get_line3(JpegCodecContext* c, uint8_t* line) {
  const uint8_t* a = c->planes[0].row;
  const uint8_t* b = c->planes[1].row;
  const uint8_t* d = c->planes[2].row;
  for (int32_t x = 0; x < c->width; ++x) {
    line[3 * x] = a[x];
    line[3 * x + 1] = b[x];
    line[3 * x + 2] = d[x];
  }
  put_planes_row(c);
}

void rst_jpeg_get_line_rgb(JpegCodecContext* c, uint8_t* line) {
  const uint8_t* py = c->planes[0].row;
  const uint8_t* pb = c->planes[1].row;
  const uint8_t* pr = c->planes[2].row;
  for (int32_t x = 0; x < c->width; ++x) {
    int32_t y = py[x], cb = pb[x] - 128, cr = pr[x] - 128;
    line[3 * x] = clamp(y + round512(718 * cr));
    line[3 * x + 1] = clamp(y - round512(176 * cb + 365 * cr));
    line[3 * x + 2] = clamp(y + round512(906 * cb));
  }
  put_planes_row(c);
}

void rst_jpeg_preload_tables(JpegCodecContext* c, JpegCodecContext* holder) {
  if (!holder) return;
  if (holder->qtables && holder->qtable_count > 0) {
    c->qtables = holder->qtables;
    c->qtable_count = holder->qtable_count;
    c->qtables_borrowed = true;
  }
  if (holder->dc_tables || holder->ac_tables) {
    c->dc_tables = holder->dc_tables;
    c->dc_count = holder->dc_count;
    c->ac_tables = holder->ac_tables;
    c->ac_count = holder->ac_count;
    c->huffman_borrowed = true;
    c->tables_changed = true;
  }
}

int32_t rst_jpeg_init_lines(JpegCodecContext* c) {
  auto reduced = [&](int32_t size) {
    if (c->scale == 1) return size;
    int32_t r = int32_t(double(size) / c->scale + 0.5);
    return r < 1 ? 1 : r;
  };
  c->width = reduced(c->frame_width);
  c->height = reduced(c->frame_height);
  uint32_t code = c->format & 0xFFFF;
  if (single_channel(code) || c->components == 1) c->line_out = rst_jpeg_get_line1;
  else if (c->luminance_only) c->line_out = rst_jpeg_get_line_luma;
  else c->line_out = rst_jpeg_get_line3;
  return 1;
}

int32_t rst_jpeg_init_mcu_geometry(JpegCodecContext* c) {
  c->mcus_per_row = int32_t(ceil_div(c->frame_width, 8 * c->hmax));
  c->mcu_rows = int32_t(ceil_div(c->frame_height, 8 * c->vmax));
  c->blocks_per_mcu = 0;
  for (int32_t i = 0; i < c->components; ++i) c->blocks_per_mcu += c->comp[i].h * c->comp[i].v;
  c->mcu_row = 0;
  c->mcu_counter = 0;
  if (c->frame_type == 0xC2) {
    // The whole image's coefficients, sized in 64 bits before anything is
    // allocated.
    int64_t bytes = 0;
    for (int32_t i = 0; i < c->components; ++i) {
      JpegComponent& comp = c->comp[i];
      comp.blocks_across = c->mcus_per_row * comp.h;
      comp.blocks_down = c->mcu_rows * comp.v;
      bytes += int64_t{comp.blocks_across} * comp.blocks_down * 64 * int64_t(sizeof(int32_t));
    }
    if (bytes > kJpegMaxCoefficientBytes) return -1;
    for (int32_t i = 0; i < c->components; ++i) {
      JpegComponent& comp = c->comp[i];
      comp.store = static_cast<int32_t*>(
          rst_calloc(size_t(int64_t{comp.blocks_across} * comp.blocks_down * 64) * sizeof(int32_t)));
      if (!comp.store) return -1;
    }
  }
  c->blocks = static_cast<int32_t*>(rst_calloc(size_t(c->blocks_per_mcu + 1) * 65 * sizeof(int32_t)));
  if (!c->blocks) return -1;
  // Planes of one MCU row, large enough before and after resampling.
  int64_t total = 0;
  int32_t strides[4], rows[4];
  for (int32_t i = 0; i < c->components; ++i) {
    const JpegComponent& comp = c->comp[i];
    int32_t w = c->mcus_per_row * comp.h * 8 / comp.out_scale;
    int32_t r = comp.v * 8 / comp.out_scale;
    strides[i] = w > target_width(c) ? w : target_width(c);
    rows[i] = r > target_rows(c) ? r : target_rows(c);
    total += int64_t{strides[i]} * rows[i];
  }
  c->plane_memory = static_cast<uint8_t*>(rst_calloc(size_t(total)));
  if (!c->plane_memory) return -1;
  uint8_t* at = c->plane_memory;
  for (int32_t i = 0; i < c->components; ++i) {
    JpegPlane& p = c->planes[i];
    p.start = p.row = at;
    p.stride = strides[i];
    p.width = target_width(c);
    p.rows = target_rows(c);
    at += int64_t{strides[i]} * rows[i];
  }
  c->lines_per_mcu_row = target_rows(c);
  c->lines_left = 0;
  c->range = rst_jpeg_build_range_limit();
  return c->range ? 1 : -1;
}

RstInstanceTolvane* rst_jpeg_create_decoder(BrenvoldStream* stream, int32_t first_line, JpegCodecContext* holder,
                                            uint32_t color_code, int32_t kinds, int32_t luminance_only,
                                            int32_t lookahead_bits, int64_t data_size, int32_t rgb, int32_t scale) {
  if (!stream) return rst_create_error_instance(-2);
  int32_t t0 = stream->tell();
  JpegDecoderStage* stage = rst_new<JpegDecoderStage>();
  JpegCodecContext* c = stage ? rst_jpeg_context_new() : nullptr;
  auto fail = [&](int32_t code) -> RstInstanceTolvane* {
    if (stage) stage->c_ = nullptr;
    rst_jpeg_context_free(c);
    delete stage;
    stream->seek(t0, 0);
    return rst_create_error_instance(code);
  };
  if (!c) return fail(-1);
  stage->c_ = c;
  c->stream = stream;
  rst_jpeg_preload_tables(c, holder);
  if (data_size <= 0) return fail(-2);
  c->table_check = true;
  int32_t status = rst_jpeg_read_header(c);
  if (status < 0) return fail(status);
  if (!c->frame_read || c->scans == 0 || c->frame_height == 0) return fail(kCorrupt);
  stage->status = status;
  uint32_t bits = c->format >> 16;
  if (color_code == 0xFFFF) color_code = bits >= 24 ? 0x28 : 0x48;
  uint32_t code = c->format & 0xFFFF;
  if (code == 0xFFFF) {
    code = color_code & 0xFFFF;
    if (bits < 24 && !single_channel(code)) code = 0x48;
  }
  if (code != 0x08 && code != 0x27 && code != 0x28 && code != 0x47 && code != 0x48 && code != 0x49) return fail(-14);
  if (c->header_kind == 0) c->header_kind = 1;
  if (!(c->header_kind & kinds)) return fail(-12);
  c->format = bits << 16 | code;
  if (first_line < 0 || first_line >= c->frame_height) return fail(-2);
  c->scale = scale;
  c->luminance_only = luminance_only;
  int64_t left = int64_t{t0} + data_size - stream->tell();
  c->coded_left = left > 0 ? left : 0;
  bool progressive = c->frame_type == 0xC2;
  bool luma = luminance_only && (code == 0x27 || code == 0x28);
  if (progressive && !luma && (rgb || scale != 1)) return fail(-2);
  if ((status = rst_jpeg_init_decoder_entropy(c, lookahead_bits)) < 1) return fail(status);
  if ((status = rst_jpeg_select_idct(c)) < 1) return fail(status);
  if ((status = rst_jpeg_prepare_qtables(c, 0, 0)) < 1) return fail(status);
  if ((status = rst_jpeg_init_lines(c)) < 1) return fail(status);
  if ((status = rst_jpeg_init_mcu_geometry(c)) < 1) return fail(status);
  c->first_line = 0;
  c->last_line = c->height - 1;
  rst_jpeg_select_resamplers(c, 0);
  if (luma) {
    c->line_out = rst_jpeg_get_line_luma;
    c->mcu_row_producer = progressive ? rst_jpeg_progressive_luminance_mcu_row : rst_jpeg_baseline_luminance_mcu_row;
  } else if (progressive) {
    c->mcu_row_producer = rst_jpeg_progressive_mcu_row;
  } else {
    c->mcu_row_producer = rst_jpeg_baseline_mcu_row;
    if (rgb && code == 0x28 && c->components == 3 && !luminance_only) {
      c->line_out = rst_jpeg_get_line_rgb;
      stage->fused_rgb_ = true;
    }
  }
  return stage;
}
