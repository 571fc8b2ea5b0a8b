// The T.85 and T.43 decoding stages over the JBIG decoder.
#include "raster/codecs/rst_jbig_decoder_stages.h"

#include <algorithm>
#include <cstring>

#include "raster/codecs/rst_jbig_decoder.h"
#include "raster/codecs/rst_jbig_stage.h"
#include "raster/codecs/rst_jbig_t43_head.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status.h"

namespace {

constexpr uint32_t kMaxHeight = 0x7FFFFFFF;

uint8_t get(JbigCodecContext* ctx, void* user) {
  int32_t b = static_cast<InputStorage*>(user)->get();
  if (b < 0) {
    rst_jbig_set_error(ctx, kJbigIoFailed);
    return 0;
  }
  return uint8_t(b);
}

// True once the decoder has handed out every line of its image: after the
// last plane, or once a NEWLEN cut the height to the lines decoded.
bool complete(const JbigCodecContext* ctx) { return ctx->plane >= ctx->p || ctx->line >= ctx->yd; }

class T85Decoder final : public RstInstanceTolvane {
 public:
  T85Decoder(JbigCodecContext* ctx, uint32_t lines) : ctx_(ctx), lines_(lines) {}

  int32_t info(TolvaneImageInfo* info) override {
    if (!info) return RstCode::bad_argument;
    info->width = int32_t(ctx_->xd);
    info->height = int32_t(lines_);
    info->format = 0x10000u | TolvaneColorCode::gray_reverse;
    info->component_order = TolvaneOrder::normal;
    info->colormap = nullptr;
    return RstCode::good;
  }

  int32_t line(uint8_t* pixels) override {
    if (ctx_->error) return rst_jbig_stage_status(ctx_->error);
    if (delivered_ >= lines_) return 0;
    if (!started_) {
      started_ = true;
      if (rst_jbig_dec_start(ctx_)) return rst_jbig_stage_status(ctx_->error);
    }
    if (complete(ctx_)) return 0;
    if (rst_jbig_dec_line(ctx_, pixels)) return rst_jbig_stage_status(ctx_->error);
    ++delivered_;
    return RstCode::good;
  }

  int32_t close() override {
    int32_t status = rst_jbig_stage_status(rst_jbig_dec_finish(ctx_));
    delete this;
    return status;
  }

 private:
  ~T85Decoder() override { rst_jbig_free_context(ctx_); }

  JbigCodecContext* ctx_;
  uint32_t lines_;
  uint32_t delivered_ = 0;
  bool started_ = false;
};

class T43Decoder final : public RstInstanceTolvane {
 public:
  T43Decoder(JbigCodecContext* ctx, const JbigT43Form& form, uint8_t* palette, uint32_t lines)
      : ctx_(ctx), form_(form), palette_(palette), lines_(lines) {}

  // Sizes and allocates the plane buffers; false when they would pass the
  // limit or cannot be had.
  bool allocate() {
    width_ = ctx_->xd;
    planes_ = ctx_->p;
    interleaved_ = ctx_->order & kJbigSmid;
    rows_ = interleaved_ ? std::min(ctx_->l0, lines_) : lines_;
    plane_bytes_ = (uint64_t{width_} + 7) / 8;
    uint64_t total = uint64_t{planes_} * rows_ * plane_bytes_;
    if (total == 0 || total > kJbigPlaneBufferLimit) return false;
    buffers_ = static_cast<uint8_t*>(rst_calloc(size_t(total)));
    return buffers_ != nullptr;
  }

  int32_t info(TolvaneImageInfo* info) override {
    if (!info) return RstCode::bad_argument;
    info->width = int32_t(width_);
    info->height = int32_t(lines_);
    info->format = form_.format;
    info->component_order = TolvaneOrder::normal;
    info->colormap = palette_;
    return RstCode::good;
  }

  int32_t line(uint8_t* pixels) override {
    if (ctx_->error) return rst_jbig_stage_status(ctx_->error);
    if (delivered_ >= lines_) return 0;
    if (decoded_ <= delivered_) {
      int32_t status = decode_block();
      if (status != RstCode::good) return status;
      // A NEWLEN may have ended the image before this line.
      if (decoded_ <= delivered_) return 0;
    }
    rebuild(delivered_ % rows_, pixels);
    ++delivered_;
    return RstCode::good;
  }

  int32_t close() override {
    rst_jbig_dec_finish(ctx_);
    delete this;
    return RstCode::good;
  }

 private:
  ~T43Decoder() override {
    rst_free(buffers_);
    rst_free(palette_);
    rst_jbig_free_context(ctx_);
  }

  // The next rows of every plane: a stripe of each when interleaved, else
  // the whole image.
  int32_t decode_block() {
    uint64_t end = interleaved_ ? uint64_t{decoded_} + rows_ : UINT64_MAX;
    while (!complete(ctx_) && ctx_->line < end) {
      uint32_t plane = ctx_->plane;
      uint32_t row = interleaved_ ? rst_jbig_stripe_line(ctx_) : ctx_->line;
      if (row >= rows_) return RstCode::bad_argument;
      if (rst_jbig_dec_line(ctx_, buffers_ + (uint64_t{plane} * rows_ + row) * plane_bytes_))
        return rst_jbig_stage_status(ctx_->error);
      if (plane + 1 == planes_) ++decoded_;
    }
    return RstCode::good;
  }

  // Row `row` of every plane into one output line, Gray coding undone.
  void rebuild(uint32_t row, uint8_t* out) const {
    const uint8_t* rows[35];
    for (uint32_t p = 0; p < planes_; ++p) rows[p] = buffers_ + (uint64_t{p} * rows_ + row) * plane_bytes_;
    uint32_t n = form_.components;
    if (form_.component_bits == 8) {
      for (uint32_t x = 0; x < width_; ++x) {
        uint32_t byte = x >> 3;
        int shift = 7 - int(x & 7);
        for (uint32_t c = 0; c < n; ++c) {
          const uint8_t* const* r = rows + c * 8;
          uint32_t v = 0;
          uint32_t bit = 0;
          for (int k = 0; k < 8; ++k) {
            uint32_t plane_bit = (r[k][byte] >> shift) & 1;
            bit = form_.gray_code && k ? plane_bit ^ bit : plane_bit;
            v = v << 1 | bit;
          }
          *out++ = uint8_t(v);
        }
      }
      return;
    }
    uint64_t total = uint64_t{width_} * planes_;
    std::memset(out, 0, size_t((total + 7) / 8));
    uint64_t bit = 0;
    for (uint32_t x = 0; x < width_; ++x) {
      uint32_t byte = x >> 3;
      int shift = 7 - int(x & 7);
      for (uint32_t p = 0; p < planes_; ++p, ++bit)
        if ((rows[p][byte] >> shift) & 1) out[bit >> 3] |= uint8_t(0x80 >> (bit & 7));
    }
  }

  JbigCodecContext* ctx_;
  JbigT43Form form_;
  uint8_t* palette_;
  uint32_t lines_;
  uint32_t width_ = 0;
  uint32_t planes_ = 0;
  bool interleaved_ = false;
  uint32_t rows_ = 0;
  uint64_t plane_bytes_ = 0;
  uint8_t* buffers_ = nullptr;  // planes one after the other, rows_ rows each
  uint32_t decoded_ = 0;
  uint32_t delivered_ = 0;
};

// Puts the storage back and frees what a failed creation holds.
RstInstanceTolvane* fail(InputStorage* storage, int32_t position, JbigCodecContext* ctx, uint8_t* palette) {
  rst_jbig_free_context(ctx);
  rst_free(palette);
  storage->seek(position);
  return nullptr;
}

uint32_t lines_of(const JbigCodecContext* ctx, uint32_t limit) { return std::min({ctx->yd, kMaxHeight, limit}); }

}  // namespace

RstInstanceTolvane* rst_jbig_t85_decoder_create(InputStorage* storage, uint32_t line_limit) {
  if (!storage) return nullptr;
  int32_t position = storage->tell();
  JbigCodecContext* ctx = rst_jbig_new_context();
  if (!ctx) return nullptr;
  rst_jbig_dec_init(ctx, 0, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_dec_set_input(ctx, get, storage);
  if (rst_jbig_dec_read_header(ctx)) return fail(storage, position, ctx, nullptr);
  auto* stage = rst_new<T85Decoder>(ctx, lines_of(ctx, line_limit));
  if (!stage) return fail(storage, position, ctx, nullptr);
  return stage;
}

RstInstanceTolvane* rst_jbig_t43_decoder_create(InputStorage* storage, uint32_t line_limit) {
  if (!storage) return nullptr;
  int32_t position = storage->tell();
  JbigCodecContext* ctx = rst_jbig_new_context();
  if (!ctx) return nullptr;
  rst_jbig_dec_init(ctx, 3, 1, 4, sizeof(JbigCodecContext));
  rst_jbig_dec_set_input(ctx, get, storage);
  JbigT43Head head;
  JbigT43Form form{};
  if (rst_jbig_t43_read_head(ctx, &head) != RstCode::good || !head.has_form || rst_jbig_dec_read_header(ctx) ||
      !rst_jbig_t43_form_of_data(head.color_space, head.bytes, ctx->p, &form))
    return fail(storage, position, ctx, head.palette);
  // A palette form needs its palette; another form has no use for one.
  bool palette_form = form.color_space == 0x10 || form.color_space == 0x11;
  if (palette_form != (head.palette != nullptr)) {
    if (!palette_form) {
      rst_free(head.palette);
      head.palette = nullptr;
    } else {
      return fail(storage, position, ctx, head.palette);
    }
  }
  auto* stage = rst_new<T43Decoder>(ctx, form, head.palette, lines_of(ctx, line_limit));
  if (!stage) return fail(storage, position, ctx, head.palette);
  // From here the stage owns the record and the palette.
  if (!stage->allocate() || rst_jbig_dec_start(ctx)) {
    stage->close();
    storage->seek(position);
    return nullptr;
  }
  return stage;
}
