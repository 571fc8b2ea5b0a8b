// The T.85 and T.43 encoding stages over the JBIG encoder.
#include "raster/codecs/rst_jbig_encoder_stages.h"

#include <algorithm>
#include <cstring>

#include "raster/codecs/rst_jbig_encoder.h"
#include "raster/codecs/rst_jbig_stage.h"
#include "raster/codecs/rst_jbig_t43_head.h"
#include "raster/codecs/rst_write_tolvane_header.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

namespace {

constexpr uint8_t kCoderOptions = kJbigLrltwo | kJbigVlength | kJbigTpbon;

void put(JbigCodecContext* ctx, uint8_t byte, void* user) {
  if (static_cast<BrenvoldStream*>(user)->putc(byte) < 0) rst_jbig_set_error(ctx, kJbigIoFailed);
}

// Record set-up shared by both stages: mode, size, byte writer, the
// caller's l0, mx and options where not 0.
void set_up(JbigCodecContext* ctx, int32_t mode, BrenvoldStream* stream, const TolvaneImageInfo& info, uint32_t l0,
            uint32_t mx, uint32_t options) {
  rst_jbig_enc_init(ctx, mode, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_enc_set_output(ctx, put, stream);
  rst_jbig_set_size(ctx, uint32_t(std::max(info.width, 0)), uint32_t(std::max(info.height, 0)));
  if (l0) rst_jbig_set_l0(ctx, l0);
  if (mx) rst_jbig_set_mx(ctx, mx);
  if (options & kCoderOptions) rst_jbig_set_options(ctx, options & kCoderOptions);
}

class T85Encoder final : public RstInstanceTolvane {
 public:
  T85Encoder(BrenvoldStream* stream, JbigCodecContext* ctx, uint32_t l0, uint32_t mx, uint32_t options)
      : stream_(stream), ctx_(ctx), l0_(l0), mx_(mx), options_(uint8_t(options)) {}

  int32_t info(TolvaneImageInfo* info) override {
    if (!info) return RstCode::bad_argument;
    if ((info->format >> 16) != 1) return RstJbigStatus::bad_depth;
    set_up(ctx_, 0, stream_, *info, l0_, mx_, options_);
    rst_jbig_enc_write_header(ctx_);
    return rst_jbig_stage_status(rst_jbig_error(ctx_));
  }

  int32_t line(uint8_t* pixels) override {
    if (!started_) {
      started_ = true;
      rst_jbig_enc_start(ctx_);
    }
    if (!rst_jbig_error(ctx_)) rst_jbig_enc_line(ctx_, pixels);
    int32_t error = rst_jbig_error(ctx_);
    if (error) return rst_jbig_stage_status(error);
    ++lines_;
    return RstCode::good;
  }

  int32_t close() override {
    // An image whose lines did not all come is no complete stream.
    int32_t status = rst_jbig_stage_status(rst_jbig_enc_finish(ctx_));
    delete this;
    return status;
  }

 private:
  ~T85Encoder() override { rst_jbig_free_context(ctx_); }

  BrenvoldStream* stream_;
  JbigCodecContext* ctx_;
  uint32_t l0_;
  uint32_t mx_;  // above 127 the coder refuses it
  uint8_t options_;
  bool started_ = false;
  uint32_t lines_ = 0;
};

class T43Encoder final : public RstInstanceTolvane {
 public:
  T43Encoder(BrenvoldStream* stream, JbigCodecContext* ctx, uint32_t l0, uint32_t mx, uint32_t options)
      : stream_(stream), ctx_(ctx), l0_(l0), mx_(mx), options_(options) {}

  int32_t info(TolvaneImageInfo* info) override {
    if (!info || initialised_) return RstCode::bad_argument;
    // The info the writer hands over is the head of its header record.
    const auto* record = reinterpret_cast<const TolvaneHeaderRecord*>(info);
    int32_t status = RstCode::good;
    // Refused before any byte: a colormap on another form fails here.
    if (!rst_jbig_t43_form_of_input(uint16_t(info->format & 0xFFFF), info->format >> 16, info->colormap != nullptr,
                                    &form_, &status))
      return status;
    width_ = uint32_t(std::max(info->width, 0));
    height_ = uint32_t(std::max(info->height, 0));
    planes_ = form_.planes();
    plane_bytes_ = (uint64_t{width_} + 7) / 8;
    interleaved_ = !(options_ & 0x01);
    set_up(ctx_, 3, stream_, *info, l0_, mx_, options_);
    rst_jbig_set_planes(ctx_, planes_);
    rst_jbig_set_order(ctx_, interleaved_ ? 3 : 2);
    initialised_ = true;
    if (rst_jbig_error(ctx_)) return rst_jbig_stage_status(rst_jbig_error(ctx_));
    if (width_ == 0 || height_ == 0) return rst_jbig_stage_status(rst_jbig_check_header(ctx_));
    rows_ = interleaved_ ? std::min(rst_jbig_l0(ctx_), height_) : height_;
    status = allocate_planes();
    if (status != RstCode::good) return status;
    std::vector<uint8_t> head = rst_jbig_t43_head_bytes(form_, record->flags, info->colormap, options_ & 0x80);
    if (stream_->write(head.data(), 1, int32_t(head.size())) != int32_t(head.size())) return RstCode::io_failure;
    rst_jbig_enc_write_header(ctx_);
    rst_jbig_enc_start(ctx_);
    return rst_jbig_stage_status(rst_jbig_error(ctx_));
  }

  int32_t line(uint8_t* pixels) override {
    if (done_ || (initialised_ && received_ >= height_)) return RstCode::good;
    if (!initialised_ || !buffers_) return RstCode::unsupported_operation;
    split(pixels, received_ % rows_);
    ++received_;
    if (received_ % rows_ != 0 && received_ < height_) return RstCode::good;
    // A block of rows is complete: every plane's rows of it are coded.
    uint32_t block = interleaved_ ? std::min(rows_, height_ - coded_) : height_;
    uint32_t end = coded_ + block;
    while (!ctx_->error && ctx_->plane < ctx_->p && ctx_->line < end) {
      uint32_t plane = ctx_->plane;
      uint32_t row = interleaved_ ? rst_jbig_stripe_line(ctx_) : ctx_->line;
      rst_jbig_enc_line(ctx_, buffers_ + (uint64_t{plane} * rows_ + row) * plane_bytes_);
      if (plane + 1 == planes_) ++coded_;
    }
    if (ctx_->error) return rst_jbig_stage_status(ctx_->error);
    if (coded_ < height_) return RstCode::good;
    done_ = true;
    int32_t status = rst_jbig_stage_status(rst_jbig_enc_finish(ctx_));
    if (status == RstCode::good) {
      const uint8_t close_marker[2] = {0xFF, 0xA9};
      if (stream_->write(close_marker, 1, 2) != 2) status = RstCode::io_failure;
    }
    free_buffers();
    return status;
  }

  int32_t close() override {
    int32_t status = RstCode::good;
    // Not complete: the image has no last stripe and no closing marker.
    if (initialised_ && !done_) status = rst_jbig_stage_status(rst_jbig_enc_finish(ctx_));
    delete this;
    return status;
  }

 private:
  ~T43Encoder() override {
    free_buffers();
    rst_jbig_free_context(ctx_);
  }

  int32_t allocate_planes() {
    uint64_t total = uint64_t{planes_} * rows_ * plane_bytes_;
    if (total == 0 || total > kJbigPlaneBufferLimit) return RstCode::no_memory;
    buffers_ = static_cast<uint8_t*>(rst_calloc(size_t(total)));
    return buffers_ ? RstCode::good : RstCode::no_memory;
  }

  void free_buffers() {
    rst_free(buffers_);
    buffers_ = nullptr;
  }

  // One input line into row `row` of every plane, Gray-coding components of
  // several bits.
  void split(const uint8_t* pixels, uint32_t row) {
    uint8_t* rows[35];
    for (uint32_t p = 0; p < planes_; ++p) {
      rows[p] = buffers_ + (uint64_t{p} * rows_ + row) * plane_bytes_;
      std::memset(rows[p], 0, plane_bytes_);
    }
    if (form_.component_bits == 8) {
      // Byte-aligned components: plane c * 8 + k holds bit 7 - k of component c.
      const uint8_t* in = pixels;
      for (uint32_t x = 0; x < width_; ++x) {
        uint8_t mask = uint8_t(0x80 >> (x & 7));
        uint32_t byte = x >> 3;
        for (uint32_t c = 0; c < form_.components; ++c) {
          uint8_t v = *in++;
          if (form_.gray_code) v ^= v >> 1;
          for (uint32_t k = 0; k < 8; ++k)
            if (v & (0x80 >> k)) rows[c * 8 + k][byte] |= mask;
        }
      }
      return;
    }
    // One-bit components: the pixel's bits go to planes 0 .. P-1 in turn.
    uint64_t bit = 0;
    for (uint32_t x = 0; x < width_; ++x) {
      uint8_t mask = uint8_t(0x80 >> (x & 7));
      for (uint32_t p = 0; p < planes_; ++p, ++bit)
        if (pixels[bit >> 3] & (0x80 >> (bit & 7))) rows[p][x >> 3] |= mask;
    }
  }

  BrenvoldStream* stream_;
  JbigCodecContext* ctx_;
  uint32_t l0_;
  uint32_t mx_;  // above 127 the coder refuses it
  uint32_t options_;
  JbigT43Form form_{};
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint32_t planes_ = 0;
  uint64_t plane_bytes_ = 0;
  bool interleaved_ = true;
  bool initialised_ = false;
  bool done_ = false;
  uint8_t* buffers_ = nullptr;  // planes one after the other, rows_ rows each
  uint32_t rows_ = 0;
  uint32_t coded_ = 0;
  uint32_t received_ = 0;
};

template <class Stage>
RstInstanceTolvane* create_stage(BrenvoldStream* stream, uint32_t l0, uint32_t mx, uint32_t options) {
  int32_t position = stream ? stream->tell() : 0;
  JbigCodecContext* ctx = stream ? rst_jbig_new_context() : nullptr;
  Stage* stage = ctx ? rst_new<Stage>(stream, ctx, l0, mx, options) : nullptr;
  if (stage) return stage;
  rst_jbig_free_context(ctx);
  if (stream) stream->seek(position, 0);
  return rst_create_error_instance(RstCode::no_memory);
}

}  // namespace

RstInstanceTolvane* rst_jbig_t85_encoder_create(BrenvoldStream* stream, uint32_t l0, uint32_t mx, uint32_t options) {
  return create_stage<T85Encoder>(stream, l0, mx, options);
}

RstInstanceTolvane* rst_jbig_t43_encoder_create(BrenvoldStream* stream, uint32_t l0, uint32_t mx, uint32_t options) {
  return create_stage<T43Encoder>(stream, l0, mx, options);
}
