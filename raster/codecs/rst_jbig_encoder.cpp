#include "raster/codecs/rst_jbig_encoder.h"

#include <cstring>

#include "raster/codecs/rst_jbig_probability.h"

namespace {

constexpr uint32_t kLineMask = kJbigEncoder | kJbigStripeNormal | kJbigStripeReset | kJbigInStripe;

void discard_byte(JbigCodecContext*, uint8_t, void*) {}

// Writes one coded byte: the 0x100 placeholder is dropped, 0x00 bytes wait
// until a non-zero byte follows (so a stripe ends with its last non-zero
// byte), and 0xFF is stuffed with 0x00.
void emit(JbigCodecContext* ctx, JbigPlaneRecord& pr, uint32_t b) {
  if (b >= 0x100) return;
  if (b == 0) {
    ++pr.zero_run;
    return;
  }
  for (; pr.zero_run; --pr.zero_run) rst_jbig_put_byte(ctx, 0);
  rst_jbig_put_byte(ctx, static_cast<uint8_t>(b));
  if (b == 0xFF) rst_jbig_put_byte(ctx, 0);
}

[[gnu::noinline]] void byte_out(JbigCodecContext* ctx, JbigPlaneRecord& pr) {
  uint32_t t = pr.c >> 19;
  if (t > 0xFF) {
    emit(ctx, pr, pr.buffer + 1);
    for (; pr.sc; --pr.sc) emit(ctx, pr, 0);
    pr.buffer = t & 0xFF;
  } else if (t == 0xFF) {
    ++pr.sc;
  } else {
    emit(ctx, pr, pr.buffer);
    for (; pr.sc; --pr.sc) emit(ctx, pr, 0xFF);
    pr.buffer = t;
  }
  pr.c &= 0x7FFFF;
  pr.ct = 8;
}

// The coder registers of one plane, held in locals over a line.
struct Coder {
  JbigCodecContext* ctx;
  JbigPlaneRecord& pr;
  uint8_t* states;
  uint32_t a;
  uint32_t c;
  int32_t ct;

  Coder(JbigCodecContext* context, JbigPlaneRecord& plane)
      : ctx(context), pr(plane), states(plane.states), a(plane.a), c(plane.c), ct(plane.ct) {}
  ~Coder() {
    pr.a = a;
    pr.c = c;
    pr.ct = ct;
  }

  inline void encode(uint32_t cx, uint32_t pix) {
    uint8_t s = states[cx];
    const JbigProbabilityState& e = kJbigProbability[s & 0x7F];
    uint32_t lsz = e.lsz;
    a -= lsz;
    if ((s >> 7) != pix) {
      if (a >= lsz) {
        c += a;
        a = lsz;
      }
      states[cx] = static_cast<uint8_t>(((s & 0x80) ^ (e.swtch << 7)) | e.nlps);
    } else {
      if (a >= 0x8000) return;
      if (a < lsz) {
        c += a;
        a = lsz;
      }
      states[cx] = static_cast<uint8_t>((s & 0x80) | e.nmps);
    }
    do {
      a <<= 1;
      c <<= 1;
      if (--ct == 0) {
        pr.c = c;
        byte_out(ctx, pr);
        c = pr.c;
        ct = pr.ct;
      }
    } while (a < 0x8000);
  }
};

void flush(JbigCodecContext* ctx, JbigPlaneRecord& pr) {
  uint32_t t = (pr.a - 1 + pr.c) & 0xFFFF0000u;
  pr.c = t < pr.c ? t + 0x8000 : t;
  pr.c <<= pr.ct;
  if (pr.c > 0x7FFFFFF) {
    emit(ctx, pr, pr.buffer + 1);
    for (; pr.sc; --pr.sc) emit(ctx, pr, 0);
  } else {
    emit(ctx, pr, pr.buffer);
    for (; pr.sc; --pr.sc) emit(ctx, pr, 0xFF);
  }
  emit(ctx, pr, (pr.c >> 19) & 0xFF);
  emit(ctx, pr, (pr.c >> 11) & 0xFF);
}

// Context of pixel k (0 = most significant) of the byte that the windows
// have just taken in: cur holds the line's bytes up to this one, up1 and up2
// the reference lines up to the next byte.
template <bool kTwoLine>
inline uint32_t context_at(uint32_t cur, uint32_t up1, uint32_t up2, int k) {
  if (kTwoLine) return ((up1 >> (13 - k)) & 0x3F) << 4 | ((cur >> (8 - k)) & 0xF);
  return ((up2 >> (14 - k)) & 0x7) << 7 | ((up1 >> (13 - k)) & 0x1F) << 2 | ((cur >> (8 - k)) & 0x3);
}

template <bool kTwoLine>
void code_pixels(JbigCodecContext* ctx, Coder& coder) {
  const uint8_t* line = ctx->current_line;
  const uint8_t* ref1 = ctx->ref_line1;
  const uint8_t* ref2 = ctx->ref_line2;
  uint32_t full = ctx->xd / 8;
  uint32_t rest = ctx->xd & 7;
  uint32_t cur = 0;
  uint32_t up1 = ref1[0];
  uint32_t up2 = kTwoLine ? 0 : ref2[0];
  for (uint32_t i = 0; i < full; ++i) {
    cur = cur << 8 | line[i];
    up1 = up1 << 8 | ref1[i + 1];
    if (!kTwoLine) up2 = up2 << 8 | ref2[i + 1];
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) coder.encode(context_at<kTwoLine>(cur, up1, up2, k), (cur >> (7 - k)) & 1);
  }
  if (rest) {
    cur = cur << 8 | line[full];
    up1 = up1 << 8 | ref1[full + 1];
    if (!kTwoLine) up2 = up2 << 8 | ref2[full + 1];
    for (int k = 0; k < static_cast<int>(rest); ++k)
      coder.encode(context_at<kTwoLine>(cur, up1, up2, k), (cur >> (7 - k)) & 1);
  }
  ctx->window_line = cur;
  ctx->window_ref1 = up1;
  ctx->window_ref2 = up2;
}

}  // namespace

int32_t rst_jbig_enc_init(JbigCodecContext* ctx, int32_t mode, int32_t major, int32_t minor, uint32_t size) {
  if (major != 1 || minor != 4 || size != sizeof(JbigCodecContext)) return rst_jbig_set_error(ctx, kJbigBadInit);
  ctx->error = 0;
  ctx->state = kJbigEncoder | kJbigInitialised;
  rst_jbig_reset_defaults(ctx, mode);
  ctx->io.out = discard_byte;
  ctx->io_user = nullptr;
  return 0;
}

int32_t rst_jbig_enc_set_output(JbigCodecContext* ctx, JbigByteOut out, void* user) {
  if (ctx->error) return ctx->error;
  if (ctx->state != (kJbigEncoder | kJbigInitialised)) return rst_jbig_set_error(ctx, kJbigBadState);
  ctx->io.out = out ? out : discard_byte;
  ctx->io_user = user;
  return 0;
}

int32_t rst_jbig_enc_write_header(JbigCodecContext* ctx) {
  if (ctx->error) return ctx->error;
  if (ctx->state != (kJbigEncoder | kJbigInitialised)) return rst_jbig_set_error(ctx, kJbigBadState);
  if (rst_jbig_check_header(ctx)) return ctx->error;
  rst_jbig_write_bih(ctx);
  ctx->state = kJbigEncoder | kJbigHeaderDone;
  return ctx->error;
}

int32_t rst_jbig_enc_start(JbigCodecContext* ctx) {
  if (ctx->error) return ctx->error;
  if (ctx->state == (kJbigEncoder | kJbigInitialised)) {
    if (rst_jbig_check_header(ctx)) return ctx->error;
    ctx->state = kJbigEncoder | kJbigHeaderDone;
  }
  if (ctx->state != (kJbigEncoder | kJbigHeaderDone)) return rst_jbig_set_error(ctx, kJbigBadState);
  ctx->state = kJbigEncoder | kJbigStripeReset;
  return 0;
}

int32_t rst_jbig_enc_line(JbigCodecContext* ctx, const uint8_t* pixels) {
  if (ctx->error) return ctx->error;
  if (!rst_jbig_state_allows(ctx, kLineMask)) return ctx->error;
  if (ctx->line >= ctx->yd || ctx->plane >= ctx->p) return 0;
  JbigPlaneRecord& pr = ctx->planes[ctx->plane];
  if (ctx->line == 0) ctx->state = kJbigEncoder | kJbigStripeReset;
  if (ctx->line % ctx->l0 == 0) {
    if (pr.reset) {
      pr.lntp = 0x80;
      pr.tx = pr.ty = 0;
      std::memset(pr.states, 0, sizeof pr.states);
    }
    ctx->state = kJbigEncoder | kJbigInStripe;
    pr.a = 0x10000;
    pr.c = 0;
    pr.ct = 11;
    pr.sc = 0;
    pr.zero_run = 0;
    pr.buffer = 0x100;
  }
  rst_jbig_begin_line(ctx);
  rst_jbig_copy_line_in(ctx, pixels);
  bool two_line = ctx->options & kJbigLrltwo;
  {
    Coder coder(ctx, pr);
    bool typical = false;
    if (ctx->options & kJbigTpbon) {
      uint8_t lntp = rst_jbig_line_differs(ctx);
      uint32_t slntp = (((lntp ^ pr.lntp) >> 7) & 1) ^ 1;
      coder.encode(two_line ? 0x195 : 0x0E5, slntp);
      pr.lntp = lntp;
      typical = lntp == 0;
    }
    ctx->cursor_line = ctx->current_line;
    ctx->cursor_ref1 = ctx->ref_line1;
    ctx->cursor_ref2 = ctx->ref_line2;
    if (!typical) {
      if (two_line) code_pixels<true>(ctx, coder);
      else code_pixels<false>(ctx, coder);
    }
  }
  bool stripe_end = ctx->line % ctx->l0 == ctx->l0 - 1 || ctx->line == ctx->yd - 1;
  if (stripe_end && ctx->state == (kJbigEncoder | kJbigInStripe)) {
    flush(ctx, pr);
    rst_jbig_put_byte(ctx, 0xFF);
    rst_jbig_put_byte(ctx, 0x02);
    ctx->state = kJbigEncoder | kJbigStripeNormal;
  }
  rst_jbig_end_line(ctx);
  return ctx->error;
}

int32_t rst_jbig_enc_finish(JbigCodecContext* ctx) {
  if (ctx->error) return ctx->error;
  uint32_t phase = ctx->state & ~kJbigEncoder;
  if ((ctx->state & kJbigEncoder) == 0 ||
      (phase != kJbigStripeNormal && phase != kJbigStripeReset && phase != kJbigInStripe))
    return rst_jbig_set_error(ctx, kJbigBadState);
  // Lines still owed would leave a stripe neither flushed nor terminated.
  if (ctx->line < ctx->yd && ctx->plane < ctx->p) return rst_jbig_set_error(ctx, kJbigBadState);
  ctx->state = kJbigEncoder | kJbigFinished;
  return 0;
}
