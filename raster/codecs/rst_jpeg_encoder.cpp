// The JPEG encoder core's line and MCU steps and the encoder stage.
#include "raster/codecs/rst_jpeg_encoder.h"

#include <algorithm>
#include <cstring>

#include "raster/codecs/rst_jpeg_decoder.h"
#include "raster/codecs/rst_jpeg_encoder_entropy.h"
#include "raster/codecs/rst_jpeg_encoder_markers.h"
#include "raster/codecs/rst_jpeg_fdct.h"
#include "raster/codecs/rst_jpeg_resample.h"
#include "raster/core/rst_alloc.h"

namespace {

constexpr int32_t kBadArgument = -2;
constexpr int32_t kBadLine = -3;
// T.81 B.2.3: no more blocks in one MCU of an interleaved scan.
constexpr int32_t kMaxBlocksPerMcu = 10;

int32_t largest(const uint8_t* d) { return std::max({d[0], d[1], d[2]}); }
int32_t smallest(const uint8_t* d) { return std::min({d[0], d[1], d[2]}); }

// The line input routine for the pixel word and header kind; null for data
// the header cannot describe.
void (*line_routine(uint32_t format, int32_t kind))(JpegCodecContext*, const uint8_t*) {
  bool one = (format >> 16) == 8;
  if (format == 0x80048) return rst_jpeg_put_line1;
  if (format == 0x180028) return rst_jpeg_put_line3;
  if (kind == JpegHeaderKind::none) return one ? rst_jpeg_put_line1 : rst_jpeg_put_line3;
  if (kind == JpegHeaderKind::g3fax) {
    if (format == 0x80047) return rst_jpeg_put_line1;
    return one ? nullptr : rst_jpeg_put_line3;
  }
  return nullptr;
}

void fill_row_end(uint8_t* row, int32_t used, int32_t width) {
  if (used > 0 && used < width) std::memset(row + used, row[used - 1], size_t(width - used));
}

}  // namespace

int32_t rst_jpeg_alloc_lines(JpegCodecContext* c) {
  int32_t step_h = 8 * largest(c->divisors);
  int32_t rows = 8 * largest(c->divisors + 3);
  int32_t width = (c->width + step_h - 1) / step_h * step_h;
  int64_t total = int64_t{width} * rows * c->components;
  c->plane_memory = static_cast<uint8_t*>(rst_calloc(size_t(total)));
  if (!c->plane_memory) return -1;
  for (int32_t i = 0; i < c->components; ++i) {
    JpegPlane& p = c->planes[i];
    p.start = p.row = c->plane_memory + int64_t{i} * width * rows;
    p.stride = p.width = width;
    p.rows = rows;
  }
  return 1;
}

int32_t rst_jpeg_init_lines(JpegCodecContext* c, int32_t encoder) {
  if (!encoder) return rst_jpeg_init_lines(c);
  int32_t kind = rst_jpeg_effective_header_kind(c->header_kind, c->format);
  c->line_in = line_routine(c->format, kind);
  if (!c->line_in) return kBadArgument;
  c->lines_buffered = 0;
  return rst_jpeg_alloc_lines(c);
}

int32_t rst_jpeg_init_mcu_geometry(JpegCodecContext* c, int32_t encoder) {
  if (!encoder) return rst_jpeg_init_mcu_geometry(c);
  int32_t dh = largest(c->divisors), dv = largest(c->divisors + 3);
  c->hmax = c->vmax = 1;
  c->blocks_per_mcu = 0;
  for (int32_t i = 0; i < c->components; ++i) {
    JpegComponent& comp = c->comp[i];
    comp.id = i;
    comp.h = dh / c->divisors[i];
    comp.v = dv / c->divisors[3 + i];
    c->hmax = std::max(c->hmax, comp.h);
    c->vmax = std::max(c->vmax, comp.v);
    c->blocks_per_mcu += comp.h * comp.v;
  }
  c->lines_per_mcu_row = 8 * c->vmax;
  c->mcus_per_row = c->planes[0].width / (8 * c->comp[0].h * c->divisors[0]);
  c->mcu_rows = (c->height + c->lines_per_mcu_row - 1) / c->lines_per_mcu_row;
  c->mcu_counter = 0;
  c->blocks = static_cast<int32_t*>(rst_calloc(size_t(c->blocks_per_mcu + 1) * 65 * sizeof(int32_t)));
  if (!c->blocks) return -1;
  c->extract = c->components == 1 ? rst_jpeg_extract_block_gray : rst_jpeg_extract_blocks;
  return 1;
}

void rst_jpeg_free_lines(JpegCodecContext* c) {
  rst_free(c->plane_memory);
  c->plane_memory = nullptr;
  for (auto& p : c->planes) p = JpegPlane();
}

void rst_jpeg_free_block_buffer(JpegCodecContext* c) {
  rst_free(c->blocks);
  c->blocks = nullptr;
}

void rst_jpeg_put_line1(JpegCodecContext* c, const uint8_t* line) {
  JpegPlane& p = c->planes[0];
  std::memcpy(p.row, line, size_t(c->width));
  fill_row_end(p.row, c->width, p.width);
  p.row += p.stride;
}

void rst_jpeg_put_line3(JpegCodecContext* c, const uint8_t* line) {
  uint8_t* a = c->planes[0].row;
  uint8_t* b = c->planes[1].row;
  uint8_t* d = c->planes[2].row;
  for (int32_t x = 0; x < c->width; ++x) {
    a[x] = line[3 * x];
    b[x] = line[3 * x + 1];
    d[x] = line[3 * x + 2];
  }
  for (int32_t i = 0; i < 3; ++i) {
    fill_row_end(c->planes[i].row, c->width, c->planes[i].width);
    c->planes[i].row += c->planes[i].stride;
  }
}

int32_t rst_jpeg_pad_rows(JpegCodecContext* c) {
  int32_t added = c->lines_buffered > 0 ? c->lines_per_mcu_row - c->lines_buffered : 0;
  for (int32_t i = 0; i < c->components && added > 0; ++i) {
    JpegPlane& p = c->planes[i];
    const uint8_t* last = p.row - p.stride;
    for (int32_t r = 0; r < added; ++r, p.row += p.stride) std::memcpy(p.row, last, size_t(p.width));
  }
  return added;
}

void rst_jpeg_rewind_lines(JpegCodecContext* c) {
  for (int32_t i = 0; i < c->components; ++i) c->planes[i].row = c->planes[i].start;
}

namespace {

inline void extract(const JpegPlane& p, int32_t x0, int32_t y0, int32_t* block) {
  const uint8_t* in = p.start + int64_t{y0} * p.stride + x0;
  for (int32_t y = 0; y < 8; ++y, in += p.stride, block += 8) {
    block[0] = in[0] - 128;
    block[1] = in[1] - 128;
    block[2] = in[2] - 128;
    block[3] = in[3] - 128;
    block[4] = in[4] - 128;
    block[5] = in[5] - 128;
    block[6] = in[6] - 128;
    block[7] = in[7] - 128;
  }
}

}  // namespace

void rst_jpeg_extract_block_gray(JpegCodecContext* c, int32_t mcu, int32_t* blocks) {
  extract(c->planes[0], mcu * 8, 0, blocks);
}

void rst_jpeg_extract_blocks(JpegCodecContext* c, int32_t mcu, int32_t* blocks) {
  for (int32_t i = 0; i < c->components; ++i) {
    const JpegComponent& comp = c->comp[i];
    for (int32_t by = 0; by < comp.v; ++by)
      for (int32_t bx = 0; bx < comp.h; ++bx, blocks += 65)
        extract(c->planes[i], (mcu * comp.h + bx) * 8, by * 8, blocks);
  }
}

int32_t rst_jpeg_encode_mcu_row(JpegCodecContext* c) {
  for (int32_t i = 0; i < c->components; ++i) {
    JpegComponent& comp = c->comp[i];
    if (!comp.resampler) continue;
    JpegPlane target = c->planes[i];
    comp.resampler(c->planes[i], target, comp.resample_h, comp.resample_v, c->planes[i].width / comp.resample_h,
                   c->planes[i].rows / comp.resample_v);
  }
  for (int32_t m = 0; m < c->mcus_per_row; ++m) {
    int32_t status;
    if (c->restart_pending) {
      // The interval before ended an MCU ago; this MCU proves it was not the
      // image's last.
      c->restart_pending = false;
      if ((status = rst_jpeg_write_rst(c)) < 1) return status;
    }
    c->extract(c, m, c->blocks);
    int32_t* block = c->blocks;
    for (int32_t i = 0; i < c->components; ++i) {
      const JpegComponent& comp = c->comp[i];
      for (int32_t b = comp.h * comp.v; b > 0; --b, block += 65) {
        rst_jpeg_fdct(block);
        status = rst_jpeg_encode_block(c, block, &c->dc_tables[comp.td], &c->ac_tables[comp.ta], comp.tq, i);
        if (status < 1) return status;
      }
    }
    if (++c->mcu_counter >= c->restart_interval) {
      c->mcu_counter = 0;
      if ((status = c->restart(c)) < 1) return status;
      c->restart_pending = true;
    }
  }
  return 1;
}

namespace {

class JpegEncoderStage final : public RstInstanceTolvane {
 public:
  JpegEncoderStage(BrenvoldStream* stream, int32_t kind, int32_t mode) : stream_(stream), kind_(kind), mode_(mode) {}
  ~JpegEncoderStage() override { release(); }

  int32_t info(TolvaneImageInfo* info) override {
    if (!info || c_ || done_) return kBadArgument;
    int32_t status = setup(*reinterpret_cast<JpegEncoderParams*>(info));
    if (status < 1) release();
    return status;
  }

  int32_t line(uint8_t* buffer) override {
    if (!c_) return kBadArgument;
    // A line beyond the frame changes nothing, not even the count.
    if (lines_ >= uint32_t(c_->height)) return kBadLine;
    ++lines_;
    c_->line_in(c_, buffer);
    ++c_->lines_buffered;
    if (lines_ == uint32_t(c_->height)) {
      done_ = true;
      return finish_row();
    }
    if (c_->lines_buffered < c_->lines_per_mcu_row) return 1;
    rst_jpeg_rewind_lines(c_);
    c_->lines_buffered = 0;
    return rst_jpeg_encode_mcu_row(c_);
  }

  int32_t close() override {
    int32_t status = finish();
    delete this;
    return status;
  }

 private:
  int32_t setup(JpegEncoderParams& p) {
    const TolvaneImageInfo& image = p.image;
    if (image.width <= 0 || image.width > 65535 || image.height < 0 || image.height > 65535) return kBadArgument;
    // Lines are one 8-bit sample per pixel or three.
    if ((image.format >> 16) != 8 && (image.format >> 16) != 24) return kBadArgument;
    uint8_t d[6];
    std::memcpy(d, p.divisors, 6);
    int32_t components = (image.format >> 16) == 8 ? 1 : 3;
    if (components == 1) {
      // One component: its divisors stand for all; the MCU is one block.
      d[1] = d[2] = d[0];
      d[4] = d[5] = d[3];
    }
    for (uint8_t v : d)
      if (v != 1 && v != 2 && v != 4) return kBadArgument;
    if (components == 1) std::fill(d, d + 6, uint8_t(1));
    // Divisors are relative to the finest component, which has divisor 1.
    if (smallest(d) != 1 || smallest(d + 3) != 1) return kBadArgument;
    int32_t blocks = 0;
    for (int32_t i = 0; i < 3; ++i) blocks += (largest(d) / d[i]) * (largest(d + 3) / d[3 + i]);
    if (components == 3 && blocks > kMaxBlocksPerMcu) return kBadArgument;
    if (!line_routine(image.format, rst_jpeg_effective_header_kind(kind_, image.format))) return kBadArgument;
    if (p.restart_interval < 0 || p.restart_interval > 65535) return kBadArgument;

    c_ = rst_jpeg_context_new();
    if (!c_) return -1;
    JpegCodecContext* c = c_;
    c->format = image.format;
    c->component_order = image.component_order;
    c->width = c->frame_width = image.width;
    c->height = c->frame_height = image.height == 0 ? 0xFFFF : image.height;
    c->x_resolution = p.x_resolution;
    c->y_resolution = p.y_resolution;
    c->components = components;
    c->bytes_per_pixel = int32_t(image.format >> 16) / 8;
    c->stream = stream_;
    c->header_kind = kind_;
    c->down_sampling_mode = mode_;
    std::memcpy(c->divisors, d, 6);
    c->scale = 1;
    lines_ = 0;

    int32_t status;
    if ((status = rst_jpeg_init_lines(c, 1)) < 1) return status;
    if ((status = rst_jpeg_init_mcu_geometry(c, 1)) < 1) return status;
    c->restart_interval = p.restart_interval ? p.restart_interval : c->mcus_per_row;
    p.restart_interval = c->restart_interval;
    if ((status = rst_jpeg_prepare_qtables(c, 1, p.quality)) < 1) return status;
    if ((status = rst_jpeg_init_encoder_entropy(c)) < 1) return status;
    rst_jpeg_select_resamplers(c, 1, mode_);
    for (int32_t i = 0; i < 9; ++i) c->table_positions[i] = &p.table_positions[i];
    status = rst_jpeg_write_headers(c);
    // The record's words are not kept beyond the header.
    for (auto& word : c->table_positions) word = nullptr;
    return status > 0 ? 1 : (status == 0 ? -11 : status);
  }

  // The buffered (partial) MCU row, filled up and coded, then the end of
  // the data: flush and EOI; a pending restart marker is dropped.
  int32_t finish_row() {
    int32_t status = 1;
    if (c_->lines_buffered > 0) {
      rst_jpeg_pad_rows(c_);
      rst_jpeg_rewind_lines(c_);
      c_->lines_buffered = 0;
      status = rst_jpeg_encode_mcu_row(c_);
    }
    if (status < 1) return status;
    c_->restart_pending = false;
    if ((status = c_->restart(c_)) < 1) return status;
    return rst_jpeg_write_eoi(c_);
  }

  // E4: a short image ends with the lines received and its SOF height
  // rewritten; a complete one is finished already.
  int32_t finish() {
    int32_t status = 1;
    if (c_ && !done_) {
      if (lines_ == 0) {
        // A frame of no lines cannot be decoded; nothing more is written.
        status = kBadLine;
      } else {
        c_->height = int32_t(lines_);
        status = finish_row();
        if (status > 0) status = rst_jpeg_rewrite_sof_height(c_, int32_t(lines_));
      }
    }
    release();
    return status;
  }

  void release() {
    if (!c_) return;
    rst_jpeg_free_lines(c_);
    rst_jpeg_free_block_buffer(c_);
    rst_jpeg_free_encoder_entropy(c_);
    rst_jpeg_free_qtables(c_);
    rst_jpeg_context_free(c_);
    c_ = nullptr;
  }

  BrenvoldStream* stream_;
  int32_t kind_;
  int32_t mode_;
  JpegCodecContext* c_ = nullptr;
  uint32_t lines_ = 0;
  bool done_ = false;
};

}  // namespace

RstInstanceTolvane* rst_jpeg_create_encoder(BrenvoldStream* stream, int32_t header_kind, int32_t down_sampling_mode) {
  auto* stage = rst_new<JpegEncoderStage>(stream, header_kind, down_sampling_mode);
  if (!stage) return rst_create_error_instance(-1);
  return stage;
}
